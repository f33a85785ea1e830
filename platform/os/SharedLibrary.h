#pragma once
// Shared libraries loaded at run time, and thread-local slots: what an engine
// that binds a client library by name needs of the dynamic loader.

#include <string>

namespace os {

// A shared library loaded into the process; unloaded when the object goes.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary() { close(); }
    SharedLibrary(SharedLibrary&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads Name (a path, or a file name the loader looks up on its search
    // path), binding every symbol at once and keeping them out of the global
    // scope. A library that is missing, a file the loader refuses, or an
    // empty name gives an object that is not loaded.
    static SharedLibrary open(const std::string& name);

    bool loaded() const { return handle_ != nullptr; }
    // The address of the symbol Name; nullptr when the library lacks it or
    // is not loaded.
    void* symbol(const char* name) const;
    // Unloads the library; nothing when it is not loaded.
    void close();

private:
    void* handle_ = nullptr;
};

// A thread-local slot of the process: one pointer a thread, while allocated.
class ThreadSlot {
public:
    ThreadSlot() = default;
    ~ThreadSlot() { release(); }
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    // Allocates the slot; false when the process has none left. True at once
    // when it is allocated already.
    bool allocate();
    bool allocated() const { return allocated_; }
    // Gives the slot back; nothing when it is not allocated.
    void release();

private:
    unsigned key_ = 0;
    bool allocated_ = false;
};

}  // namespace os
