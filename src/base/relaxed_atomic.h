// A field shared between the window thread and the playback thread without a lock.
// Each load and store is atomic (a 64-bit value is never seen half-written) with relaxed
// order: nothing relies on the order in which different fields change.
#pragma once

#include <atomic>

template <class T>
class RelaxedAtomic {
public:
    constexpr RelaxedAtomic(T initial = T{}) noexcept : value_(initial) {}
    RelaxedAtomic(const RelaxedAtomic&) = delete;
    RelaxedAtomic& operator=(const RelaxedAtomic&) = delete;

    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T v) noexcept { value_.store(v, std::memory_order_relaxed); }

    operator T() const noexcept { return load(); }
    RelaxedAtomic& operator=(T v) noexcept {
        store(v);
        return *this;
    }

private:
    static_assert(std::atomic<T>::is_always_lock_free, "shared fields must be lock-free");
    std::atomic<T> value_;
};
