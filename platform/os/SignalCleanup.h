#pragma once
// Temporary files and child programs that must not outlive a process ended
// by a signal. A file is registered while it exists, a child while it is
// waited for; a program that asks for it at start removes the registered
// files, and sends the registered children SIGTERM, when any signal whose
// default is to end the process ends it (SIGTERM, SIGHUP, SIGINT, SIGPIPE
// from a reader that stopped early, SIGALRM, SIGUSR1, a crash ...), and the
// signal then ends the process as it would have.

#include <string>

namespace os {

// Installs the removal for every signal that would end the process (a
// signal that is ignored or already handled is left as it is, so a run under
// nohup keeps ignoring SIGHUP), and ignores SIGXFSZ: a write past the
// file-size limit then fails with EFBIG instead of ending the process.
// Called once by a program.
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

// One child process, ended with SIGTERM when a signal ends this one, for
// the life of the object. Registering never fails loudly either.
class SignalEndsChild {
public:
    explicit SignalEndsChild(int pid);
    ~SignalEndsChild();
    SignalEndsChild(const SignalEndsChild&) = delete;
    SignalEndsChild& operator=(const SignalEndsChild&) = delete;

private:
    int slot_ = -1;
};

}  // namespace os
