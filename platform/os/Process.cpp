#include "platform/os/Process.h"

#include "platform/os/SignalCleanup.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

extern char** environ;

namespace os {
namespace {

std::vector<char*> argument_vector(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

int exec_program(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv = argument_vector(program, args);
    std::fflush(nullptr);
    ::execv(program.c_str(), argv.data());
    return errno;
}

int run_program(const std::string& program, const std::vector<std::string>& args, int* error) {
    std::vector<char*> argv = argument_vector(program, args);
    std::fflush(nullptr);
    // A signal that ends this program ends the program it waits for too. The
    // signals wait from before the start until the program is registered, so
    // one that comes in between still finds it; the program starts with the
    // signal mask this one had.
    sigset_t waiting, before;
    sigfillset(&waiting);
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP}) sigdelset(&waiting, fault);
    ::pthread_sigmask(SIG_BLOCK, &waiting, &before);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setsigmask(&attributes, &before);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    const SignalEndsChild ends_with_us(failed == 0 ? pid : 0);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (failed != 0) {
        if (error) *error = failed;
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            if (error) *error = errno;
            return -1;
        }
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

int available_processors() {
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

}  // namespace os
