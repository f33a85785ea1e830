#pragma once
// A scratch folder of the platform/os tests, removed with everything in it
// (made writeable first) at the end of the test.

#include <filesystem>
#include <string>
#include <unistd.h>

namespace ostest {

struct TempFolder {
    std::filesystem::path dir;
    TempFolder() {
        std::string t = (std::filesystem::temp_directory_path() / "ostest-XXXXXX").string();
        dir = ::mkdtemp(t.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir, ec);
    }
};

}  // namespace ostest
