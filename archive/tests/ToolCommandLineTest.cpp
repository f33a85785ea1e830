// archive-tool used as a Linux user uses zip: updates, deletes, names and
// arguments, each archive read back with unzip, 7z and python's zipfile.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "TestUtil.h"

using namespace archive_test;

namespace {

std::string q(const std::string& s) { return "'" + s + "'"; }

// Sets a file's last-write time ("2020-01-01 10:00").
void touch(const std::string& path, const std::string& when) {
    ASSERT_EQ(run("touch -d " + q(when) + " " + q(path)).status, 0);
}

std::string names_in(const std::string& zip) { return run("unzip -Z1 " + q(zip)).output; }
// An entry's bytes as unzip gives them.
std::string unzipped(const std::string& zip, const std::string& name) {
    return run("unzip -p " + q(zip) + " " + q(name)).output;
}

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
    // Packing 'dir/*' again stores nothing, and says so.
    void expect_nothing_to_do() {
        const Result r = in_dir("compress A.zip 'dir/*'");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, "archive-tool: A.zip: 25268 Nothing to do (every file is in the archive as it is)\n");
    }
    ScratchDir dir;
    const std::string zip = dir / "A.zip";
};

}  // namespace

// Packing again into an archive refreshes what changed, as zip -u does.
TEST_F(CommandLine, PackingAgainRefreshesNewerFilesAndSkipsTheRestSilently) {
    ASSERT_EQ(in_dir("compress A.zip 'dir/*'").status, 0);

    // Nothing changed: nothing to ask, nothing written.
    const std::string before = read_file(zip);
    expect_nothing_to_do();
    EXPECT_EQ(read_file(zip), before);

    // a.txt changed (newer), c.txt is new: both stored, b.txt kept.
    write_file(dir / "dir/a.txt", "second a, longer\n");
    touch(dir / "dir/a.txt", "2020-01-01 11:00");
    write_file(dir / "dir/c.txt", "new c\n");
    const Result update = in_dir("compress A.zip 'dir/*'");
    EXPECT_EQ(update.status, 0);
    EXPECT_EQ(update.output, "");
    EXPECT_EQ(unzipped(zip, "a.txt"), "second a, longer\n");
    EXPECT_EQ(unzipped(zip, "c.txt"), "new c\n");
    EXPECT_EQ(unzipped(zip, "sub/b.txt"), "first b\n");
    EXPECT_EQ(run("unzip -tq " + q(zip)).status, 0);

    // A file put back to an older copy is not newer: the entry stays.
    write_file(dir / "dir/a.txt", "older a\n");
    touch(dir / "dir/a.txt", "2020-01-01 09:00");
    expect_nothing_to_do();
    EXPECT_EQ(unzipped(zip, "a.txt"), "second a, longer\n");
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
        EXPECT_EQ(unzipped(zip, "a.txt"), c.a_text);
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
    EXPECT_EQ(unzipped(zip, "README"), "upper\n");

    // Back in the archive, then README refreshed: readme is not mistaken for it.
    ASSERT_EQ(in_dir("compress A.zip dir/readme").status, 0);
    write_file(dir / "dir/README", "upper, changed\n");
    touch(dir / "dir/README", "2020-01-01 11:00");
    r = in_dir("compress A.zip 'dir/*'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(unzipped(zip, "README"), "upper, changed\n");
    EXPECT_EQ(unzipped(zip, "readme"), "lower\n");

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

// Names that code page 850 holds are stored in it, as always; any other name
// is stored in UTF-8 with the language flag, marked as made on Unix so that
// Debian's unzip honours the flag too. Each reader gives every name back.
TEST(ToolNames, EveryReaderReadsBothKindsOfName) {
    ScratchDir dir;
    const std::string cp850[] = {"A\xC3\xA7\xC3\xA3o.txt", "Pasta/\xC3\xBC.txt"};            // Ação.txt, Pasta/ü.txt
    const std::string utf8[] = {"\xE6\x97\xA5\xE6\x9C\xAC.txt", "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF/x.txt"};  // 日本.txt, データ/x.txt
    for (const auto& n : cp850) write_file(dir / ("src/" + n), n);
    for (const auto& n : utf8) write_file(dir / ("src/" + n), n);
    const std::string zip = dir / "n.zip";
    const Result packed = run(tool() + " compress " + q(zip) + " " + q(dir / "src/"));
    ASSERT_EQ(packed.status, 0) << packed.output;

    // Listed by each reader, in archive order; a name without the flag comes
    // back in code page 850 (unzip turns it into Latin-1 on the way).
    const std::string expected = cp850[0] + "\n" + cp850[1] + "\n" + utf8[1] + "\n" + utf8[0] + "\n";
    // Lines that are UTF-8 as they are; the others converted from CHARSET.
    auto as_utf8 = [](const std::string& charset) {
        return " | while IFS= read -r n; do if printf '%s' \"$n\" | iconv -f utf-8 -t utf-8 >/dev/null 2>&1;"
               " then printf '%s\\n' \"$n\"; else printf '%s\\n' \"$n\" | iconv -f " + charset +
               " -t utf-8; fi; done";
    };
    EXPECT_EQ(run("unzip -Z1 " + q(zip) + as_utf8("latin1")).output, expected);
    EXPECT_EQ(run("7z l -slt " + q(zip) + " | sed -n 's/^Path = //p' | tail -n +2" + as_utf8("cp850")).output,
              expected);
    EXPECT_EQ(run("/usr/bin/python3 -c \"import sys, zipfile\n"
                  "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                  "    print(i.filename if i.flag_bits & 0x800 else i.filename.encode('cp437').decode('cp850'))\" " +
                  q(zip))
                  .output,
              expected);

    // The bytes: the code page 850 names as they always were (FAT, no flag),
    // the others flagged and made on Unix with a Unix mode.
    const Result desc = run("/usr/bin/python3 -c \"import sys, zipfile\n"
                            "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                            "    print(i.flag_bits, i.create_system, i.create_version, oct(i.external_attr >> 16), "
                            "i.external_attr & 0xFFFF)\" " + q(zip));
    EXPECT_EQ(desc.output, "0 0 20 0o0 32\n0 0 20 0o0 32\n2048 3 20 0o100644 32\n2048 3 20 0o100644 32\n");

    // unzip unpacks every name exactly, with the usual permissions.
    ASSERT_EQ(run("mkdir " + q(dir / "out") + " && cd " + q(dir / "out") + " && unzip -q " + q(zip)).status, 0);
    for (const auto& n : utf8) {
        EXPECT_EQ(read_file(dir / ("out/" + n)), n);
        EXPECT_EQ(run("stat -c %a " + q(dir / ("out/" + n))).output, "644\n") << n;
    }
    EXPECT_EQ(run("unzip -tq " + q(zip)).status, 0);
    EXPECT_EQ(run("7z t " + q(zip) + " >/dev/null").status, 0);
    EXPECT_EQ(run("/usr/bin/python3 -m zipfile -t " + q(zip)).status, 0);
}

// Arguments mean what they mean to zip: a folder is its tree under its own
// name, a file is that file, a name with wildcards is a mask as it always was.
TEST_F(CommandLine, ArgumentsNameFoldersFilesOrMasks) {
    write_file(dir / "TODO", "top\n");
    write_file(dir / "dir/TODO", "dir\n");
    write_file(dir / "dir/sub/TODO", "sub\n");
    ASSERT_EQ(::mkdir((dir / "dir/empty").c_str(), 0755), 0);
    const std::string tree = "TODO\na.txt\nsub/TODO\nsub/b.txt\n";
    struct Case {
        const char* args;  // as typed in the shell
        int status;
        std::string names;
        std::string output;
    } cases[] = {
        {"A.zip dir", 0, "dir/TODO\ndir/a.txt\ndir/sub/TODO\ndir/sub/b.txt\n", ""},
        {"A.zip dir/*", 0, tree, ""},    // expanded by the shell
        {"A.zip 'dir/*'", 0, tree, ""},  // the same mask, unexpanded
        {"A.zip dir/", 0, tree, ""},
        {"A.zip TODO", 0, "TODO\n", ""},
        {"A.zip dir/a.txt dir/sub", 0, "a.txt\nsub/TODO\nsub/b.txt\n", ""},
        {"A.zip '*.txt'", 0, "dir/a.txt\ndir/sub/b.txt\n", ""},
        {"A.zip TODO missing", 1, "TODO\n", "archive-tool: missing: no such file or folder\n"},
        {"--empty-dirs A.zip dir", 0, "dir/TODO\ndir/a.txt\ndir/empty/\ndir/sub/TODO\ndir/sub/b.txt\n", ""},
        {"A.zip TODO pipe", 1, "TODO\n", "archive-tool: pipe: not a file or folder\n"},
    };
    ASSERT_EQ(run("mkfifo " + q(dir / "pipe")).status, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::remove(zip.c_str());
        const Result r = in_dir(std::string("compress ") + c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(names_in(zip), c.names);
    }
    // From inside the folder, "." is what it holds.
    std::remove(zip.c_str());
    EXPECT_EQ(run("cd " + q(dir / "dir") + " && " + tool() + " compress ../A.zip .").status, 0);
    EXPECT_EQ(names_in(zip), tree);
}

// A file that cannot be read is named, and the others are stored.
TEST_F(CommandLine, FilesThatCannotBeReadAreNamed) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    write_file(dir / "dir/locked.txt", "locked\n");
    ASSERT_EQ(::chmod((dir / "dir/locked.txt").c_str(), 0), 0);
    const Result r = in_dir("compress A.zip 'dir/*'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "archive-tool: A.zip: 25235 Error opening file\narchive-tool: dir/locked.txt: not stored\n");
    EXPECT_EQ(names_in(zip), "a.txt\nsub/b.txt\n");
}

// A file that is no archive is refused whatever its name; a name without a
// file of its own still finds NAME.zip, as unzip does.
TEST_F(CommandLine, FilesThatAreNoArchiveAreRefusedWhateverTheirName) {
    write_file(dir / "notes", "just some notes\n");
    write_file(dir / "notes.txt", "just some notes\n");
    for (const char* command : {"list notes", "list notes.txt", "comment notes"}) {
        SCOPED_TRACE(command);
        const std::string file = std::string(command).substr(std::string(command).find(' ') + 1);
        const Result r = in_dir(command);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, "archive-tool: " + file + ": 25244 Invalid or unsupported archive type for this operation\n");
    }
    ASSERT_EQ(in_dir("compress A.zip dir/a.txt").status, 0);
    const Result listed = in_dir("list A");
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.output.find(" a.txt\n"), std::string::npos) << listed.output;
}

// A comment too long for its 16-bit length is refused with the limit, and the
// command changes no comment at all.
TEST_F(CommandLine, CommentsOverTheLimitAreRefusedWithTheLimit) {
    ASSERT_EQ(in_dir("compress A.zip dir/a.txt").status, 0);
    const std::string before = read_file(zip);
    const std::string too_long(70000, 'x');
    write_file(dir / "long.txt", too_long);
    struct Case {
        std::string args;
        std::string detail;
    } cases[] = {
        {"--archive \"$(cat long.txt)\"", "a comment holds at most 65,535 bytes"},
        {"--archive fine --entry a.txt \"$(cat long.txt)\"", "a.txt: a comment holds at most 65,535 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.detail);
        const Result r = in_dir("comment A.zip " + c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, "archive-tool: A.zip: 25136 Error writing to file (" + c.detail + ")\n");
        EXPECT_EQ(read_file(zip), before);
    }
    EXPECT_EQ(in_dir("comment A.zip --archive \"$(head -c 65535 long.txt)\"").status, 0);
    EXPECT_EQ(run("unzip -z " + q(zip) + " | tail -n +2").output, std::string(65535, 'x') + "\n");
}

// Encrypted headers keep names from other tools only: archive-tool lists
// them without a password, and its usage says so.
TEST_F(CommandLine, EncryptedHeadersAreDescribedForWhatTheyAre) {
    ASSERT_EQ(in_dir("compress --encrypt-headers A.zip dir/a.txt").status, 0);
    EXPECT_NE(run("unzip -Z1 " + q(zip)).status, 0);
    const Result listed = in_dir("list A.zip");
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.output.find(" a.txt\n"), std::string::npos) << listed.output;
    const std::string usage = run(tool() + " 2>&1 | tr -s ' \\n' ' '").output;
    EXPECT_NE(usage.find("archive-tool lists every name without any password"), std::string::npos) << usage;
}

// Options that cannot be read stop the command before anything is written,
// with the reason; delete takes only the options it shares with compress.
TEST_F(CommandLine, OptionsThatCannotBeReadAreRefusedWithTheReason) {
    const struct {
        const char* args;
        const char* reason;
    } cases[] = {
        {"compress --frobnicate A.zip dir", "unknown option --frobnicate"},
        {"delete --level max A.zip a.txt", "unknown option --level"},
        {"delete --store A.zip a.txt", "unknown option --store"},
        {"compress --level", "missing value for --level"},
        {"compress --exclude", "missing value for --exclude"},
        {"compress --level huge A.zip dir", "unknown level huge"},
        {"compress --names upward A.zip dir", "unknown name mode upward"},
        {"compress --date later A.zip dir", "unknown date mode later"},
        {"compress --switch swap A.zip dir", "unknown switch swap"},
        {"compress --threads 65 A.zip dir", "--threads takes 1 to 64, not 65"},
        {"compress --threads 2x A.zip dir", "--threads takes 1 to 64, not 2x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = in_dir(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.output, std::string("archive-tool: ") + c.reason + "\n");
        EXPECT_FALSE(exists(zip));
    }
    // Every word of a word option is taken, and delete takes the options it shares.
    ASSERT_EQ(in_dir("compress --level 9 --names relative --date newest --switch add --threads 64 A.zip dir").status,
              0);
    EXPECT_EQ(in_dir("delete --temp-dir . --in-memory A.zip dir/a.txt").status, 0);
    const std::string names = names_in(zip);
    EXPECT_EQ(names.find("dir/a.txt"), std::string::npos);
    EXPECT_NE(names.find("dir/sub/b.txt"), std::string::npos);
}
