#pragma once
// A scratch folder of this test process (/tmp/core-tests-<pid>/), removed at
// exit, so that test runs of several worktrees or build passes never share files.

#include <filesystem>
#include <string>
#include <unistd.h>

inline std::string test_dir() {
    struct Folder {
        std::filesystem::path path;
        Folder() : path(std::filesystem::temp_directory_path() / ("core-tests-" + std::to_string(::getpid()))) {
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path.string() + "/";
}
