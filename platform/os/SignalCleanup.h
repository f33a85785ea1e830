#pragma once
// Temporary files that must not outlive a process ended by a signal. A file
// is registered while it exists; a program that asks for it at start removes
// the registered files when SIGTERM, SIGHUP or SIGINT ends it, and the signal
// then ends the process as it would have.

#include <string>

namespace os {

// Installs the removal for SIGTERM, SIGHUP and SIGINT (a signal that is
// ignored or already handled is left as it is, so a run under nohup keeps
// ignoring SIGHUP), and ignores SIGXFSZ: a write past the file-size limit then
// fails with EFBIG instead of ending the process. Called once by a program.
void remove_temp_files_on_signals();

// One registered path for the life of the object. Registering never fails
// loudly: a path that does not fit, or one beyond the registry's room, is
// simply not removed on a signal.
class SignalCleanupPath {
public:
    SignalCleanupPath() = default;
    explicit SignalCleanupPath(const std::string& path) { assign(path); }
    ~SignalCleanupPath() { reset(); }
    SignalCleanupPath(const SignalCleanupPath&) = delete;
    SignalCleanupPath& operator=(const SignalCleanupPath&) = delete;

    // Registers path (the one registered before is released).
    void assign(const std::string& path);
    // The file is gone, or has become one to keep: no longer removed.
    void reset();

private:
    int slot_ = -1;
};

}  // namespace os
