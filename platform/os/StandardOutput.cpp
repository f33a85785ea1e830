#include "platform/os/StandardOutput.h"

#include "platform/core/SysUtils.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>

namespace os {

int flush_standard_output() {
    errno = 0;
    std::cout.flush();
    int err = std::cout.bad() ? errno : 0;
    const bool failed_before = std::cout.bad() || std::ferror(stdout);
    errno = 0;
    if (std::fflush(stdout) != 0 && errno != 0 && err == 0) err = errno;
    if (err == 0 && (failed_before || std::ferror(stdout))) err = -1;
    return err;
}

int finish_standard_output(std::string_view tool, int status) {
    const int err = flush_standard_output();
    if (err == 0) return status;
    std::string line = std::string(tool) + ": cannot write standard output";
    if (err > 0) line += ": " + SysErrorMessage(err);
    std::cerr << line << '\n';
    std::cerr.flush();
    return status != 0 ? status : 1;
}

}  // namespace os
