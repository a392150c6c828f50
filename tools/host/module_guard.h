// Calls into a hosted module under a structured-exception frame of the calling thread, so
// that a fault in the module's code (an access violation, a foreign runtime's C++
// exception, any RaiseException) comes back to the host as an exception code instead of
// ending the process. Our own C++ exceptions do not use structured exceptions on this
// target and pass through untouched.
//
// Any thread may call it; the frame lives on that thread's stack for the call's duration.
#pragma once

#include <type_traits>

inline constexpr unsigned long kNoFault = 0;

// Runs `function(context)`; returns kNoFault, or the code of the exception that ended it.
unsigned long CallGuarded(void (*function)(void*), void* context);

// Runs a callable under the guard.
template <class Callable>
unsigned long Guarded(Callable&& callable) {
    return CallGuarded([](void* context) { (*static_cast<std::remove_reference_t<Callable>*>(context))(); },
                       &callable);
}
