// The foreign-call guard of the Win32 build. Besides C++ exceptions of our own runtime it
// contains every Windows structured exception raised while the guarded call runs: access
// violations, another compiler's C++ throw (code 0xE06D7363), any runtime's own codes.
//
// GCC for i686 has no __try. The guard pushes a registration record on the calling
// thread's structured-exception chain (fs:[0]) for the duration of the call; its handler
// jumps back into the guard, which unlinks the record (and every record the abandoned
// foreign frames left above it) and reports the failure. GCC's own C++ exceptions do not
// travel this chain: they unwind through the guard normally and are caught there.
//
// Any thread may use one guard; it holds no state. No allocation, no lock.
#pragma once

#include <type_traits>

#include "host/foreign_call_guard.h"

class StructuredCallGuard final : public ForeignCallGuard {
public:
    bool Run(GuardedProc proc, void* context) noexcept override;
};

// What RunGuarded returns when the call came back normally.
inline constexpr unsigned long kNoFault = 0;

// The guard itself, for callers that report which exception ended the call (the substitute
// host names it): runs proc(context) and returns kNoFault, or the structured exception's
// code. Our own C++ exceptions pass through it, with the chain restored.
unsigned long RunGuarded(GuardedProc proc, void* context);

// Runs a callable under the guard.
template <class Callable>
unsigned long Guarded(Callable&& callable) {
    return RunGuarded([](void* context) { (*static_cast<std::remove_reference_t<Callable>*>(context))(); },
                      &callable);
}
