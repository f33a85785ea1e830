// The freedesktop trash: the home trash, the trash at the top of another
// mount, and the folders it must not trust. Other mounts are small tmpfs made
// in a mount namespace of the test's own (root only; skipped elsewhere).

#include "platform/os/Trash.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct Scratch {
    test_support::ScratchDir scratch{"ostrash"};
    std::string dir = scratch.path();
};

// XDG_DATA_HOME pointed at a folder of the test while it runs.
struct DataHome {
    explicit DataHome(const std::string& dir) { ::setenv("XDG_DATA_HOME", dir.c_str(), 1); }
    ~DataHome() { ::unsetenv("XDG_DATA_HOME"); }
};

using test_support::read_file;
using test_support::write_file;

mode_t mode_of(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A tmpfs in a private mount namespace, unmounted when destroyed.
class Tmpfs {
public:
    explicit Tmpfs(const std::string& dir) : dir_(dir) {
        static const bool private_ns =
            ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        fs::create_directories(dir);
        mounted_ = private_ns && ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=1m,mode=0755") == 0;
    }
    ~Tmpfs() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    std::string dir_;
    bool mounted_ = false;
};

}  // namespace

TEST(Trash, HomeTrashRecordsTheOriginalPathAndNeverOverwrites) {
    Scratch s;
    DataHome home(s.dir + "/fresh/data");  // not there yet: made on first use
    const std::string file = s.dir + "/Cópia 1.bak";
    const std::string trash = s.dir + "/fresh/data/Trash";

    write_file(file, "first");
    ASSERT_TRUE(os::move_to_trash(file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(read_file(trash + "/files/Cópia 1.bak"), "first");
    EXPECT_EQ(mode_of(trash), 0700u);
    const std::string info = read_file(trash + "/info/Cópia 1.bak.trashinfo");
    const std::string head = "[Trash Info]\nPath=" + fs::canonical(s.dir).string() + "/C%C3%B3pia%201.bak\nDeletionDate=";
    EXPECT_EQ(info.rfind(head, 0), 0u) << info;
    int y, mo, d, h, mi, sec;
    char end = 0;
    EXPECT_EQ(std::sscanf(info.c_str() + head.size(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &sec, &end), 7)
        << info;
    EXPECT_EQ(end, '\n');

    // The same name again, and a name whose files/ entry lost its info file:
    // each gets a name of its own, nothing in the trash is replaced.
    write_file(file, "second");
    write_file(trash + "/files/Cópia 1.bak.3", "stray");
    ASSERT_TRUE(os::move_to_trash(file));
    write_file(file, "third");
    ASSERT_TRUE(os::move_to_trash(file));
    EXPECT_EQ(read_file(trash + "/files/Cópia 1.bak.2"), "second");
    EXPECT_EQ(read_file(trash + "/files/Cópia 1.bak.3"), "stray");
    EXPECT_EQ(read_file(trash + "/files/Cópia 1.bak.4"), "third");
    EXPECT_FALSE(fs::exists(trash + "/info/Cópia 1.bak.3.trashinfo"));
    EXPECT_TRUE(fs::exists(trash + "/info/Cópia 1.bak.4.trashinfo"));

    // A link goes to the trash itself; what it points at stays.
    write_file(s.dir + "/target", "target");
    fs::create_symlink(s.dir + "/target", s.dir + "/link");
    ASSERT_TRUE(os::move_to_trash(s.dir + "/link"));
    EXPECT_TRUE(fs::is_symlink(trash + "/files/link"));
    EXPECT_EQ(read_file(s.dir + "/target"), "target");

    EXPECT_FALSE(os::move_to_trash(s.dir + "/missing"));
    EXPECT_FALSE(os::move_to_trash(""));
}

// A file on another mount goes to that mount's own trash, with its path
// recorded relative to the mount's top; folders that another user could have
// placed there are not trusted, and the file then stays.
TEST(Trash, OtherMountsUseTheirOwnTrashOnlyWhenItIsSafe) {
    Scratch s;
    DataHome home(s.dir + "/data");
    const std::string top = s.dir + "/disk";
    Tmpfs disk(top);
    if (!disk.mounted()) GTEST_SKIP() << "needs root to mount a file system of its own";
    const std::string uid = std::to_string(::getuid());
    fs::create_directories(top + "/Copias");
    const std::string file = top + "/Copias/Backup.bak";

    write_file(file, "backup");
    ASSERT_TRUE(os::move_to_trash(file));
    EXPECT_EQ(read_file(top + "/.Trash-" + uid + "/files/Backup.bak"), "backup");
    EXPECT_EQ(mode_of(top + "/.Trash-" + uid), 0700u);
    EXPECT_EQ(read_file(top + "/.Trash-" + uid + "/info/Backup.bak.trashinfo").rfind(
                  "[Trash Info]\nPath=Copias/Backup.bak\nDeletionDate=", 0),
              0u);
    EXPECT_FALSE(fs::exists(s.dir + "/data/Trash/files/Backup.bak"));

    // An administrator's shared .Trash (sticky) comes first.
    fs::create_directory(top + "/.Trash");
    ::chmod((top + "/.Trash").c_str(), 01777);
    write_file(file, "shared");
    ASSERT_TRUE(os::move_to_trash(file));
    EXPECT_EQ(read_file(top + "/.Trash/" + uid + "/files/Backup.bak"), "shared");
    fs::remove_all(top + "/.Trash");
    fs::remove_all(top + "/.Trash-" + uid);

    // Untrusted places for .Trash-$uid: a link elsewhere, a folder of another
    // user, a plain file. The backup stays and the trash gains nothing.
    struct Case {
        const char* what;
        void (*make)(const std::string& trash, const std::string& elsewhere);
    };
    const Case cases[] = {
        {"a link", [](const std::string& t, const std::string& e) { fs::create_directory_symlink(e, t); }},
        {"another user's folder",
         [](const std::string& t, const std::string&) {
             fs::create_directory(t);
             if (::chown(t.c_str(), 65534, 65534) != 0) std::abort();
         }},
        {"a file", [](const std::string& t, const std::string&) { write_file(t, ""); }},
    };
    const std::string elsewhere = top + "/elsewhere";
    for (const Case& c : cases) {
        fs::create_directories(elsewhere);
        write_file(file, "backup");
        c.make(top + "/.Trash-" + uid, elsewhere);
        EXPECT_FALSE(os::move_to_trash(file)) << c.what;
        EXPECT_EQ(read_file(file), "backup") << c.what;
        EXPECT_TRUE(fs::is_empty(elsewhere)) << c.what;
        fs::remove_all(top + "/.Trash-" + uid);
        fs::remove_all(elsewhere);
    }
}
