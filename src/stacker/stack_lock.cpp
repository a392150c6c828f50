#include "stacker/stack_lock.h"

std::recursive_mutex& StackLock() {
    static std::recursive_mutex lock;
    return lock;
}
