#pragma once
// Shared by the archive drive tests: scratch folders, shell commands, mounts.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/mount.h>
#include <unistd.h>

#include "platform/os/Volumes.h"

namespace drivetest {

inline std::string shell_quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

// Runs a shell command; its exit status.
inline int run(const std::string& cmd) {
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Runs a shell command and returns what it printed on stdout.
inline std::string capture(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int rc = ::pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

inline std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_all(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A scratch folder removed with everything below it.
class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "drivetest-XXXXXX").string();
        char* made = ::mkdtemp(tmpl.data());
        if (made) path_ = made;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
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

inline std::string tool(const std::string& name) {
    const char* bin = std::getenv("TAMBLERO_BIN_DIR");
    return std::string(bin ? bin : TAMBLERO_BINARY_DIR "/bin") + "/" + name;
}

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
