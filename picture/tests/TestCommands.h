#pragma once
// Runs a shell command for the picture tests and returns its standard output.

#include <cstdio>
#include <string>

namespace picture_test {

inline std::string capture(const std::string& command, int& status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    status = pclose(p);
    return out;
}

}  // namespace picture_test
