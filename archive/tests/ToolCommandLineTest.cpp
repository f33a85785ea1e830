// archive-tool used as a Linux user uses zip: updates, deletes, names and
// arguments, each archive read back with unzip, 7z and python's zipfile.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestUtil.h"

using namespace archive_test;

namespace {

std::string q(const std::string& s) { return "'" + s + "'"; }

// Sets a file's last-write time ("2020-01-01 10:00").
void touch(const std::string& path, const std::string& when) {
    ASSERT_EQ(run("touch -d " + q(when) + " " + q(path)).status, 0);
}

std::string names_in(const std::string& zip) { return run("unzip -Z1 " + q(zip)).output; }

// A folder "dir" with a.txt and sub/b.txt, both last written at ten.
class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        write_file(dir / "dir/a.txt", "first a\n");
        write_file(dir / "dir/sub/b.txt", "first b\n");
        touch(dir / "dir/a.txt", "2020-01-01 10:00");
        touch(dir / "dir/sub/b.txt", "2020-01-01 10:00");
    }
    Result in_dir(const std::string& args) { return run("cd " + q(dir.path()) + " && " + tool() + " " + args); }
    ScratchDir dir;
    const std::string zip = dir / "A.zip";
};

}  // namespace

// Packing again into an archive refreshes what changed, as zip -u does.
TEST_F(CommandLine, PackingAgainRefreshesNewerFilesAndSkipsTheRestSilently) {
    ASSERT_EQ(in_dir("compress A.zip 'dir/*'").status, 0);

    // Nothing changed: nothing to ask, nothing written.
    const std::string before = read_file(zip);
    const Result same = in_dir("compress A.zip 'dir/*'");
    EXPECT_EQ(same.status, 1);
    EXPECT_EQ(same.output, "archive-tool: 25268 Nothing to do: A.zip\n");
    EXPECT_EQ(read_file(zip), before);

    // a.txt changed (newer), c.txt is new: both stored, b.txt kept.
    write_file(dir / "dir/a.txt", "second a, longer\n");
    touch(dir / "dir/a.txt", "2020-01-01 11:00");
    write_file(dir / "dir/c.txt", "new c\n");
    const Result update = in_dir("compress A.zip 'dir/*'");
    EXPECT_EQ(update.status, 0);
    EXPECT_EQ(update.output, "");
    EXPECT_EQ(run("unzip -p " + q(zip) + " a.txt").output, "second a, longer\n");
    EXPECT_EQ(run("unzip -p " + q(zip) + " c.txt").output, "new c\n");
    EXPECT_EQ(run("unzip -p " + q(zip) + " sub/b.txt").output, "first b\n");
    EXPECT_EQ(run("unzip -tq " + q(zip)).status, 0);

    // A file put back to an older copy is not newer: the entry stays.
    write_file(dir / "dir/a.txt", "older a\n");
    touch(dir / "dir/a.txt", "2020-01-01 09:00");
    const Result older = in_dir("compress A.zip 'dir/*'");
    EXPECT_EQ(older.status, 1);
    EXPECT_EQ(older.output, "archive-tool: 25268 Nothing to do: A.zip\n");
    EXPECT_EQ(run("unzip -p " + q(zip) + " a.txt").output, "second a, longer\n");
}

// The options that answer otherwise still do.
TEST_F(CommandLine, KeepReplaceAndRenameOldStillChoose) {
    struct Case {
        const char* option;
        int status;
        std::string names;   // unzip -Z1, in archive order
        std::string a_text;  // a.txt afterwards
    } cases[] = {
        {"--keep", 1, "a.txt\nsub/b.txt\n", "first a\n"},
        {"--replace", 0, "sub/b.txt\na.txt\n", "second a\n"},
        {"--rename-old", 0, "a~1.txt\nsub/b~2.txt\na.txt\nsub/b.txt\n", "second a\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        std::remove(zip.c_str());
        write_file(dir / "dir/a.txt", "first a\n");
        touch(dir / "dir/a.txt", "2020-01-01 10:00");
        ASSERT_EQ(in_dir("compress A.zip 'dir/*'").status, 0);
        // Changed, but older than the entry: only --replace and --rename-old store it.
        write_file(dir / "dir/a.txt", "second a\n");
        touch(dir / "dir/a.txt", "2020-01-01 08:00");
        const Result r = in_dir(std::string("compress ") + c.option + " A.zip 'dir/*'");
        EXPECT_EQ(r.status, c.status) << r.output;
        EXPECT_EQ(r.output.find("25270"), std::string::npos) << r.output;
        EXPECT_EQ(names_in(zip), c.names);
        EXPECT_EQ(run("unzip -p " + q(zip) + " a.txt").output, c.a_text);
    }
}

// Names that differ only in case are different files on Linux: masks on the
// command line match them with case, in deletes and in updates alike.
TEST_F(CommandLine, MasksAndNamesMatchWithCase) {
    write_file(dir / "dir/README", "upper\n");
    write_file(dir / "dir/readme", "lower\n");
    write_file(dir / "dir/notes.TXT", "notes\n");
    for (const char* f : {"dir/README", "dir/readme", "dir/notes.TXT"}) touch(dir / f, "2020-01-01 10:00");
    ASSERT_EQ(in_dir("compress A.zip 'dir/*'").status, 0);
    ASSERT_EQ(names_in(zip), "README\na.txt\nnotes.TXT\nreadme\nsub/b.txt\n");

    // Only readme is deleted.
    Result r = in_dir("delete A.zip readme");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(names_in(zip), "README\na.txt\nnotes.TXT\nsub/b.txt\n");
    EXPECT_EQ(run("unzip -p " + q(zip) + " README").output, "upper\n");

    // Back in the archive, then README refreshed: readme is not mistaken for it.
    ASSERT_EQ(in_dir("compress A.zip dir/readme").status, 0);
    write_file(dir / "dir/README", "upper, changed\n");
    touch(dir / "dir/README", "2020-01-01 11:00");
    r = in_dir("compress A.zip 'dir/*'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(run("unzip -p " + q(zip) + " README").output, "upper, changed\n");
    EXPECT_EQ(run("unzip -p " + q(zip) + " readme").output, "lower\n");

    // A mask in small letters does not pick up capital ones.
    struct Case {
        const char* command;
        int status;
        std::string names;
    } cases[] = {
        {"compress B.zip 'dir/*.txt'", 0, "a.txt\nsub/b.txt\n"},
        {"compress --exclude '*.TXT' B.zip 'dir/*'", 0, "README\na.txt\nreadme\nsub/b.txt\n"},
        {"delete A.zip '*.txt'", 0, "notes.TXT\nreadme\nREADME\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        std::remove((dir / "B.zip").c_str());
        r = in_dir(c.command);
        EXPECT_EQ(r.status, c.status) << r.output;
        const std::string target = std::string(c.command).find("B.zip") != std::string::npos ? dir / "B.zip" : zip;
        EXPECT_EQ(names_in(target), c.names);
    }
}
