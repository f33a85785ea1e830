#include "platform/os/Desktop.h"

#include <spawn.h>
#include <cerrno>
#include <sys/wait.h>

#include <thread>
#include <vector>

extern char** environ;

namespace os {

bool open_with_desktop(const std::string& target) {
    std::string program = "xdg-open";
    std::string argument = target;
    std::vector<char*> argv{program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
    // The opener may keep running while the program it started does; its
    // exit is collected without holding up the caller.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace os
