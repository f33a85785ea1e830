#pragma once
// Process-wide replaceable services: the host that asks a person, the font
// engine, the print device, the metafile drawer, the providers of the bank
// rules. Each is one ServiceSlot, installed at start-up (or by a test) and
// read where it is used; install returns what was there before, so whoever
// installs can put it back, and ScopedService does that for a scope.
//
// T is what the slot holds: a pointer to an interface (the installer keeps
// the object alive), a function pointer, or a std::function. An empty value
// (nullptr, an empty function) means "none installed"; what that means for
// the service (a default, or no service at all) is said by its accessor.
// Pointers are read without a lock; other values are copied under a lock,
// so an installer on another thread never tears a read.

#include <atomic>
#include <mutex>
#include <type_traits>
#include <utility>

namespace core {

template <class T>
class ServiceSlot {
public:
    constexpr ServiceSlot() = default;
    ServiceSlot(const ServiceSlot&) = delete;
    ServiceSlot& operator=(const ServiceSlot&) = delete;

    // The installed value; empty when none is.
    T get() const {
        if constexpr (kAtomic) {
            return value_.load();
        } else {
            std::lock_guard lock(mutex_);
            return value_;
        }
    }

    // Installs value (empty: none) and returns the one installed before.
    T install(T value) {
        if constexpr (kAtomic) {
            return value_.exchange(value);
        } else {
            std::lock_guard lock(mutex_);
            return std::exchange(value_, std::move(value));
        }
    }

private:
    static constexpr bool kAtomic = std::is_trivially_copyable_v<T>;
    std::conditional_t<kAtomic, std::atomic<T>, T> value_{};
    [[no_unique_address]] mutable std::conditional_t<kAtomic, std::false_type, std::mutex> mutex_;
};

// Installs a value in a slot for the life of the object, then puts the
// previous one back: for tests and for a tool that swaps a service around
// one run.
template <class T>
class ScopedService {
public:
    ScopedService(ServiceSlot<T>& slot, std::type_identity_t<T> value) : slot_(slot), previous_(slot.install(std::move(value))) {}
    ~ScopedService() { slot_.install(std::move(previous_)); }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

private:
    ServiceSlot<T>& slot_;
    T previous_;
};

}  // namespace core
