#include "platform/os/FileInFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os/tests/TempFolder.h"

namespace fs = std::filesystem;

TEST(FileInFolder, OnlyWhatTheNameItselfHoldsIsOpened) {
    ostest::TempFolder t;
    std::ofstream(t.dir / "backup.bak") << "the backup";
    fs::create_directory(t.dir / "elsewhere");
    std::ofstream(t.dir / "elsewhere" / "secret") << "not for the archive";
    fs::permissions(t.dir / "elsewhere" / "secret", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(t.dir / "elsewhere" / "secret", t.dir / "link.bak");
    fs::create_symlink(t.dir / "backup.bak", t.dir / "link-to-backup.bak");
    fs::create_symlink(t.dir / "gone", t.dir / "dangling.bak");
    ASSERT_EQ(::mkfifo((t.dir / "fifo.bak").c_str(), 0600), 0);
    fs::create_directory(t.dir / "folder.bak");

    struct Case {
        std::string name;
        bool opened;
        int error;
        bool regular_in_folder;
    } cases[] = {
        {"backup.bak", true, 0, true},
        {"link.bak", false, ELOOP, false},            // a link to a file elsewhere
        {"link-to-backup.bak", false, ELOOP, false},  // even one to the file beside it
        {"dangling.bak", false, ELOOP, false},
        {"fifo.bak", true, 0, false},  // opened without waiting for a writer, and refused
        {"folder.bak", true, 0, false},
        {"missing.bak", false, ENOENT, false},
        {"elsewhere/secret", true, 0, true},  // a name in a sub-folder lies in that folder
    };
    for (const Case& c : cases) {
        const os::FileInFolder file = os::FileInFolder::open((t.dir / c.name).string());
        EXPECT_EQ(file.opened(), c.opened) << c.name;
        EXPECT_EQ(file.error(), c.error) << c.name;
        EXPECT_EQ(file.regular_in_folder(), c.regular_in_folder) << c.name;
        if (c.opened) {
            EXPECT_EQ(file.folder(), os::file_status((t.dir / c.name).parent_path().string())->id) << c.name;
        }
    }
}

TEST(FileInFolder, ReadsTheFileItCheckedAndClosesIt) {
    ostest::TempFolder t;
    const std::string path = (t.dir / "backup.bak").string();
    std::ofstream(path) << "first";
    os::FileInFolder file = os::FileInFolder::open(path);
    ASSERT_TRUE(file.regular_in_folder());
    // The name now stands for a link to another file: the opened file is
    // still the one that was checked.
    fs::rename(path, t.dir / "moved.bak");
    std::ofstream(t.dir / "other") << "second";
    fs::create_symlink(t.dir / "other", path);
    char text[16] = {};
    ASSERT_EQ(::pread(file.handle(), text, sizeof text, 0), 5);
    EXPECT_EQ(std::string(text), "first");

    os::FileInFolder moved = std::move(file);
    EXPECT_FALSE(file.opened());
    EXPECT_TRUE(moved.opened());
    moved.close();
    EXPECT_FALSE(moved.opened());
    EXPECT_EQ(moved.handle(), -1);

    // A bare name lies in the current folder; "" and ".." are no file names.
    for (const char* name : {"", "..", "."}) EXPECT_FALSE(os::FileInFolder::open(name).opened()) << name;
}
