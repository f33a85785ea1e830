#include "platform/os/SharedLibrary.h"

#include <dlfcn.h>
#include <pthread.h>

#include <utility>

namespace os {

static_assert(sizeof(pthread_key_t) <= sizeof(unsigned), "a thread key fits the slot's key");

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

SharedLibrary SharedLibrary::open(const std::string& name) {
    SharedLibrary library;
    // An empty name would give the program itself.
    if (!name.empty()) library.handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    return library;
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return ::dlsym(handle_, name);
}

void SharedLibrary::close() {
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
}

bool ThreadSlot::allocate() {
    if (allocated_) return true;
    pthread_key_t key{};
    if (::pthread_key_create(&key, nullptr) != 0) return false;
    key_ = static_cast<unsigned>(key);
    allocated_ = true;
    return true;
}

void ThreadSlot::release() {
    if (!allocated_) return;
    ::pthread_key_delete(static_cast<pthread_key_t>(key_));
    allocated_ = false;
}

}  // namespace os
