// An optional callback with a context pointer, as the comms objects hold them: a plain
// function and the object it belongs to. Calling an unset callback does nothing.
#pragma once

template <class... Args>
struct ComsCallback {
    void (*function)(void* context, Args... args) = nullptr;
    void* context = nullptr;

    explicit operator bool() const { return function != nullptr; }
    void operator()(Args... args) const {
        if (function) function(context, args...);
    }
};
