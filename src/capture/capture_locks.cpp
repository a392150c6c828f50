#include "capture/capture_locks.h"

std::mutex& RecordedLock() {
    static std::mutex* lock = new std::mutex();  // never destroyed, see the header
    return *lock;
}

std::mutex& MarksLock() {
    static std::mutex* lock = new std::mutex();  // never destroyed, see the header
    return *lock;
}
