#include "platform/os/Process.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace os {

int exec_program(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(program.c_str(), argv.data());
    return errno;
}

}  // namespace os
