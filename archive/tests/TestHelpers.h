#pragma once
// Shared by the archive drive tests: mounts and a drive-test fixture over the
// shared test-support library.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/mount.h>

#include "platform/os/Volumes.h"
#include "tests/support/TestSupport.h"

namespace drivetest {

// Commands, files and scratch folders: the shared test-support library's.
using test_support::capture;
using test_support::read_file;
using test_support::shell_quote;
inline int run(const std::string& cmd) { return test_support::run_status(cmd); }
inline std::string read_all(const std::string& path) { return test_support::read_file(path); }
inline void write_all(const std::string& path, const std::string& bytes) { test_support::write_file(path, bytes); }

// A scratch folder removed with everything below it.
class ScratchDir : public test_support::ScratchDir {
public:
    ScratchDir() : test_support::ScratchDir("drivetest") {}
};

// A file system mounted on a folder for the life of the object; mounting
// needs privileges, so ok() says whether it worked and tests skip otherwise.
class Mount {
public:
    Mount(const std::string& target, const char* fstype, unsigned long flags, const std::string& options,
          const std::string& source = "tmpfs")
        : target_(target) {
        std::filesystem::create_directories(target);
        ok_ = ::mount(source.c_str(), target.c_str(), fstype, flags, options.c_str()) == 0;
    }
    ~Mount() { unmount(); }
    bool ok() const { return ok_; }
    void unmount() {
        if (ok_) ::umount2(target_.c_str(), MNT_DETACH);
        ok_ = false;
    }
    // A read-only bind of an existing folder: bind, then remount read-only.
    static bool bind_read_only(const std::string& source, const std::string& target) {
        std::filesystem::create_directories(target);
        if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
        if (::mount(nullptr, target.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            ::umount2(target.c_str(), MNT_DETACH);
            return false;
        }
        return true;
    }

private:
    std::string target_;
    bool ok_ = false;
};

inline std::string tool(const std::string& name) { return test_support::tool_path(name); }

// The value of "key": in the flat JSON the tools print (numbers and strings).
inline std::string json_field(const std::string& json, const std::string& key) {
    std::string pat = "\"" + key + "\": ";
    std::size_t at = json.find(pat);
    if (at == std::string::npos) return "<missing>";
    at += pat.size();
    if (json[at] == '"') {
        std::size_t end = json.find('"', at + 1);
        return json.substr(at + 1, end - at - 1);
    }
    std::size_t end = json.find_first_of(",\n}", at);
    return json.substr(at, end - at);
}

// A scratch folder with "src" and "out" in it, its own drive-state folder,
// and no drive-type overrides before or after the test.
class DriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
        os::clear_drive_type_overrides();
        std::filesystem::create_directories(dir / "src");
        std::filesystem::create_directories(dir / "out");
    }
    void TearDown() override { os::clear_drive_type_overrides(); }
    ScratchDir dir;
};

} // namespace drivetest
