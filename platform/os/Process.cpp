#include "platform/os/Process.h"

#include "platform/os/SignalCleanup.h"

#include <sched.h>
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
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (failed != 0) {
        if (error) *error = failed;
        return -1;
    }
    // A signal that ends this program ends the program it waits for too.
    const SignalEndsChild ends_with_us(pid);
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
