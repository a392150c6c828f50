#include "host/foreign_call_guard.h"

bool CatchingCallGuard::Run(GuardedProc proc, void* context) noexcept {
    try {
        proc(context);
        return true;
    } catch (...) {
        return false;
    }
}
