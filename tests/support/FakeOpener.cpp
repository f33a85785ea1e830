#include "tests/support/FakeOpener.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace test_support {

FakeOpener::FakeOpener() {
    const std::string script = dir_ / "xdg-open";
    {
        std::ofstream out(script);
        // Written to a side file first and renamed, so a reader never sees half a call.
        out << "#!/bin/sh\n"
               "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$(dirname \"$0\")/calls.tmp\"\n"
               "mv \"$(dirname \"$0\")/calls.tmp\" \"$(dirname \"$0\")/calls\"\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    if (const char* path = getenv("PATH")) {
        had_path_ = true;
        previous_path_ = path;
    }
    setenv("PATH", (dir_.path() + ":" + previous_path_).c_str(), 1);
}

FakeOpener::~FakeOpener() {
    if (had_path_)
        setenv("PATH", previous_path_.c_str(), 1);
    else
        unsetenv("PATH");
}

std::vector<std::string> FakeOpener::wait_for_call(int timeout_ms) const {
    const std::string calls = dir_ / "calls";
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!std::filesystem::exists(calls) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(calls, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    std::string::size_type start = 0;
    for (auto end = bytes.find('\0'); end != std::string::npos; end = bytes.find('\0', start)) {
        args.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

}  // namespace test_support
