#include "platform/os/Files.h"
#include "platform/os/ReplacingFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os/tests/TempFolder.h"

namespace fs = std::filesystem;
using ostest::TempFolder;

TEST(OsFiles, ExecutablePathAndFolder) {
    std::string exe = os::executable_path();
    EXPECT_EQ(exe.front(), '/');
    EXPECT_EQ(ExtractFileName(exe), "platform_os_tests");
    EXPECT_EQ(os::executable_dir(), ExtractFilePath(exe));
    EXPECT_EQ(os::executable_dir().back(), '/');
}

TEST(OsFiles, TempFolderFollowsTmpdir) {
    TempFolder t;
    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    setenv("TMPDIR", t.dir.c_str(), 1);
    EXPECT_EQ(os::temp_dir(), t.dir.string() + "/");
    setenv("TMPDIR", (t.dir / "missing").c_str(), 1);
    EXPECT_EQ(os::temp_dir(), "/tmp/");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(os::temp_dir(), "/tmp/");
    if (old) setenv("TMPDIR", saved.c_str(), 1);
    else unsetenv("TMPDIR");
}

TEST(OsFiles, UniqueTempFiles) {
    TempFolder t;
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string p = os::create_temp_file("arc", t.dir.string());
        EXPECT_TRUE(FileExists(p));
        EXPECT_EQ(ExtractFileName(p).rfind("arc", 0), 0u);
        EXPECT_EQ(ExtractFileExt(p), ".tmp");
        EXPECT_EQ(FileSizeOf(p), 0);
        names.insert(p);
    }
    EXPECT_EQ(names.size(), 50u);
    EXPECT_THROW(os::create_temp_file("arc", (t.dir / "missing").string()), EOSError);
}

TEST(OsFiles, FileTimes) {
    TempFolder t;
    std::string p = (t.dir / "f.bak").string();
    EXPECT_FALSE(os::file_modified(p));
    os::write_file(p, "x");
    TDateTime when = EncodeDateTime(2023, 7, 14, 9, 30, 15, 500);
    os::set_file_modified(p, when);
    ASSERT_TRUE(os::file_modified(p));
    EXPECT_NEAR(*os::file_modified(p), when, 0.5 / 86400000.0 * 2);
    EXPECT_DOUBLE_EQ(FileDateToDateTime(FileAge(p)), EncodeDateTime(2023, 7, 14, 9, 30, 14, 0));
    EXPECT_THROW(os::set_file_modified((t.dir / "none").string(), when), EOSError);
}

TEST(OsFiles, AttributesFromPosix) {
    TempFolder t;
    std::string plain = (t.dir / "a.txt").string();
    std::string hidden = (t.dir / ".hidden").string();
    os::write_file(plain, "x");
    os::write_file(hidden, "x");
    struct Case {
        std::string path;
        int attr;
    } cases[] = {
        {plain, faArchive},
        {hidden, faArchive | faHidden},
        {t.dir.string(), faDirectory},
        {t.dir.string() + "/", faDirectory},
        {(t.dir / "none").string(), -1},
    };
    for (const auto& c : cases) EXPECT_EQ(os::file_attributes(c.path), c.attr) << c.path;
    EXPECT_TRUE(os::set_read_only(plain, true));
    EXPECT_EQ(os::file_attributes(plain), faArchive | faReadOnly);
    EXPECT_TRUE(os::set_read_only(plain, false));
    EXPECT_EQ(os::file_attributes(plain), faArchive);
    EXPECT_FALSE(os::set_read_only((t.dir / "none").string(), true));
}

TEST(OsFiles, WriteFileReplacesWhole) {
    TempFolder t;
    std::string target = (t.dir / "Backup.zip").string();
    os::write_file(target, "old");
    chmod(target.c_str(), 0640);
    os::write_file(target, "new");
    EXPECT_EQ(os::read_file(target), "new");
    struct stat st;
    stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // permissions kept
    EXPECT_THROW(os::read_file((t.dir / "none").string()), EFOpenError);
    EXPECT_THROW(os::read_file(t.dir.string()), EFOpenError);
}
