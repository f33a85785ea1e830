// Archives written by archive-tool, checked with independent ZIP tools.

#include <algorithm>
#include <ctime>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>

#include "TestUtil.h"

using namespace archive_test;

namespace {

std::string oracle() { return test_support::oracle_command("zip_check.py"); }

std::string q(const std::string& s) { return "'" + s + "'"; }

// Nested folders, empty files, files under 257 bytes, a name with "Ação",
// a FIFO, a symbolic-link loop and a hidden folder.
class ToolTree : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir / "src";
        write_file(src + "/Backup_Loja.bak", text_bytes(200000));
        write_file(src + "/empty.txt", "");
        write_file(src + "/tiny.txt", "hello\n");
        write_file(src + "/rand.bin", random_bytes(256));
        write_file(src + "/A\xC3\xA7\xC3\xA3o.txt", text_bytes(300, 3));
        write_file(src + "/sub/deep/er/n.txt", text_bytes(70000, 5));
        write_file(src + "/sub/empty2.dat", "");
        write_file(src + "/.hidden/secret.txt", "hidden");
        ASSERT_EQ(::mkfifo((src + "/pipe").c_str(), 0600), 0);
        ASSERT_EQ(::symlink("../..", (src + "/sub/deep/loop").c_str()), 0);
    }
    ScratchDir dir;
    std::string src;
};

}  // namespace

TEST_F(ToolTree, PeersAcceptTheArchive) {
    const std::string zip = dir / "out.zip";
    const Result r = run(tool() + " compress " + q(zip) + " " + q(src + "/"));
    ASSERT_EQ(r.status, 0) << r.output;

    const Result unzip = run("unzip -t " + q(zip));
    EXPECT_EQ(unzip.status, 0) << unzip.output;
    EXPECT_NE(unzip.output.find("No errors detected"), std::string::npos);
    const Result sevenz = run("7z t " + q(zip));
    EXPECT_EQ(sevenz.status, 0) << sevenz.output;
    EXPECT_NE(sevenz.output.find("Everything is Ok"), std::string::npos);
    const Result py = run("/usr/bin/python3 -m zipfile -t " + q(zip));
    EXPECT_EQ(py.status, 0) << py.output;
    const Result zi = run("zipinfo -v " + q(zip));
    EXPECT_EQ(zi.status, 0) << zi.output;
    EXPECT_NE(zi.output.find("central directory contains 7 entries"), std::string::npos) << zi.output;
    EXPECT_NE(zi.output.find("minimum software version required to extract:   2.0"), std::string::npos);
    EXPECT_NE(zi.output.find("MS-DOS file attributes (20 hex):                arc"), std::string::npos);

    // Entries in scan order: byte order of names within a folder, a
    // sub-folder walked where it comes in that order; no FIFO, no hidden
    // folder, no trip round the loop. Names are code page 850 (shown by
    // zipfile as code page 437), versions 2.0 on FAT, the archive attribute,
    // and the file's local last-write time.
    const Result desc = run(oracle() + " describe " + q(zip));
    ASSERT_EQ(desc.status, 0) << desc.output;
    std::vector<std::string> lines, names;
    for (std::size_t at = 0, nl; (nl = desc.output.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(desc.output.substr(at, nl - at));
    for (const auto& l : lines) names.push_back(l.substr(0, l.find('|')));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"A\xC3\xA7\xE2\x95\x9Eo.txt", "/A\xC3\xA7\xC3\xA3o.txt"},  // ã is 0xC6, "╞" in code page 437
        {"Backup_Loja.bak", "/Backup_Loja.bak"},
        {"empty.txt", "/empty.txt"},
        {"rand.bin", "/rand.bin"},
        {"sub/deep/er/n.txt", "/sub/deep/er/n.txt"},
        {"sub/empty2.dat", "/sub/empty2.dat"},
        {"tiny.txt", "/tiny.txt"},
    };
    std::vector<std::string> expected_names;
    for (const auto& e : expected) expected_names.push_back(e.first);
    ASSERT_EQ(names, expected_names) << desc.output;
    for (const auto& [name, path] : expected) {
        auto it = std::find(names.begin(), names.end(), name);
        ASSERT_NE(it, names.end()) << name;
        const std::string line = lines[static_cast<std::size_t>(it - names.begin())];
        struct stat st {};
        ASSERT_EQ(::stat((src + path).c_str(), &st), 0);
        struct tm lt {};
        ::localtime_r(&st.st_mtime, &lt);
        char when[96];
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", lt.tm_year + 1900, lt.tm_mon + 1,
                      lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec / 2 * 2);
        const bool stored = st.st_size == 0 || path == "/rand.bin" || path == "/tiny.txt";
        // name|flags|method|made by|needed|system|external attributes|date
        EXPECT_EQ(line, name + "|0|" + (stored ? "0" : "8") + "|20|20|0|32|" + when) << path;
    }
}

TEST_F(ToolTree, DeflatedBytesEqualZlibAtEachLevel) {
    for (const auto& [level, name] : std::vector<std::pair<int, std::string>>{{1, "fast"}, {6, "normal"}, {9, "max"}}) {
        const std::string zip = dir / ("l" + std::to_string(level) + ".zip");
        ASSERT_EQ(run(tool() + " compress --level " + name + " " + q(zip) + " " + q(src + "/")).status, 0);
        const Result r = run(oracle() + " deflate " + q(zip) + " " + q(src) + " " + std::to_string(level));
        EXPECT_EQ(r.status, 0) << r.output;
    }
}

TEST_F(ToolTree, PasswordArchives) {
    const std::string zip = dir / "pw.zip";
    ASSERT_EQ(run(tool() + " compress --password secret " + q(zip) + " " + q(src + "/")).status, 0);
    const Result ok = run("unzip -P secret -t " + q(zip));
    EXPECT_EQ(ok.status, 0) << ok.output;
    const Result wrong = run("unzip -P notsecret -t " + q(zip));
    EXPECT_NE(wrong.status, 0) << wrong.output;
    const Result py = run(oracle() + " password " + q(zip) + " " + q(src) + " secret");
    EXPECT_EQ(py.status, 0) << py.output;
    const Result sevenz = run("7z t -psecret " + q(zip));
    EXPECT_EQ(sevenz.status, 0) << sevenz.output;

    const std::string stored = dir / "pws.zip";
    ASSERT_EQ(run(tool() + " compress --store --password secret " + q(stored) + " " + q(src + "/")).status, 0);
    EXPECT_EQ(run("unzip -P secret -t " + q(stored)).status, 0);
    EXPECT_EQ(run(oracle() + " password " + q(stored) + " " + q(src) + " secret").status, 0);
}

TEST(Tool, FourGiBSourceIsRefusedAndLeavesNoArchive) {
    ScratchDir dir;
    ASSERT_EQ(run("truncate -s 4G " + q(dir / "huge.bak")).status, 0);
    const Result r = run(tool() + " compress " + q(dir / "huge.zip") + " " + q(dir / "huge.bak"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("25136 Error writing to file"), std::string::npos) << r.output;
    EXPECT_FALSE(exists(dir / "huge.zip"));
}

TEST(Tool, KilledMidPassLeavesNoTarget) {
    ScratchDir dir;
    write_file(dir / "big.bak", text_bytes(48u << 20));
    ::mkdir((dir / "tmp").c_str(), 0700);
    const std::string target = dir / "big.zip";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(tool().c_str(), "archive-tool", "compress", "--level", "max", "--temp-dir", (dir / "tmp").c_str(),
                target.c_str(), (dir / "big.bak").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Wait until the temporary archive has data, then kill the writer.
    bool writing = false;
    for (int i = 0; i < 2000 && !writing; ++i) {
        const Result ls = run("find " + q(dir / "tmp") + " -name 'arc*' -size +1k");
        writing = !ls.output.empty();
        if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(writing);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_FALSE(exists(target));
}

TEST(Tool, ListAndUsage) {
    ScratchDir dir;
    write_file(dir / "a.txt", text_bytes(1000));
    ASSERT_EQ(run(tool() + " compress " + q(dir / "a.zip") + " " + q(dir / "a.txt")).status, 0);
    const Result l = run(tool() + " list " + q(dir / "a.zip"));
    EXPECT_EQ(l.status, 0);
    EXPECT_NE(l.output.find("DeflateN"), std::string::npos) << l.output;
    EXPECT_NE(l.output.find("a.txt"), std::string::npos);
    EXPECT_EQ(run(tool() + " compress").status, 2);
    EXPECT_NE(run(tool() + " compress --level bogus x.zip y").status, 0);
    EXPECT_NE(run(tool() + " list " + q(dir / "a.txt")).status, 0);
}

TEST(Tool, ArchiveOfExactly65535EntriesCanBeListedUpdatedAndDeletedFrom) {
    ScratchDir dir;
    ASSERT_EQ(run("mkdir " + q(dir / "many") + " && cd " + q(dir / "many") +
                  " && /usr/bin/python3 -c \"[open(str(i),'w').close() for i in range(65535)]\"")
                  .status,
              0);
    const std::string zip = dir / "many.zip";
    auto count = [&zip] {
        return run("/usr/bin/python3 -c \"import sys, zipfile; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))\" " +
                   q(zip)).output;
    };
    ASSERT_EQ(run(tool() + " compress " + q(zip) + " " + q(dir / "many/")).status, 0);
    ASSERT_EQ(count(), "65535\n");
    // Both counts of the end record are 0xFFFF, and there is no ZIP64 locator.
    const std::string bytes = read_file(zip);
    EXPECT_EQ(u16(bytes, bytes.size() - 12), 0xFFFFu);
    EXPECT_NE(u32(bytes, bytes.size() - 22 - 20), 0x07064B50u);

    const Result listed = run(tool() + " list " + q(zip) + " | wc -l");
    EXPECT_EQ(listed.output, "65536\n");  // the heading and every entry
    const Result deleted = run(tool() + " delete " + q(zip) + " 7");
    EXPECT_EQ(deleted.status, 0) << deleted.output;
    EXPECT_EQ(count(), "65534\n");
    write_file(dir / "many/7", "back again");
    const Result added = run(tool() + " compress " + q(zip) + " " + q(dir / "many/7"));
    EXPECT_EQ(added.status, 0) << added.output;
    EXPECT_EQ(count(), "65535\n");
    EXPECT_EQ(run("unzip -p " + q(zip) + " 7").output, "back again");

    // One entry more is refused with the reason, and the archive stays as it was.
    write_file(dir / "many/one-more", "x");
    const Result refused = run(tool() + " compress " + q(zip) + " " + q(dir / "many/one-more"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output, "archive-tool: " + zip +
                                  ": 25136 Error writing to file (an archive holds at most 65,535 entries)\n");
    EXPECT_EQ(count(), "65535\n");
}

// Whichever way the archive is built (a temporary file beside the target, in
// another folder, in memory), it gets the usual permissions.
TEST(Tool, ArchivesGetTheUsualPermissions) {
    ScratchDir dir;
    write_file(dir / "a.txt", text_bytes(5000));
    const std::string zip = dir / "a.zip";
    struct Case {
        const char* what;
        std::string options;
    } cases[] = {
        {"temporary file beside the target", ""},
        {"temporary file in another folder", " --temp-dir " + q(dir.path())},
        {"temporary file on another file system", " --temp-dir /dev/shm"},
        {"in memory", " --in-memory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.options == " --temp-dir /dev/shm" && ::access("/dev/shm", W_OK) != 0) continue;
        const auto modes =
            test_support::output_modes(tool() + " compress --rename-old" + c.options + " " + q(zip) + " " + q(dir / "a.txt"), zip);
        EXPECT_EQ(modes.made, 0644);
        EXPECT_EQ(modes.replaced, 0664);
        EXPECT_EQ(run("unzip -p " + q(zip) + " a.txt").output, text_bytes(5000));
    }
}

// A run that fails says why on stderr.
TEST(Tool, FailuresSayWhy) {
    ScratchDir dir;
    write_file(dir / "a.txt", text_bytes(100));
    const std::string zip = dir / "a.zip";
    ASSERT_EQ(run(tool() + " compress " + q(zip) + " " + q(dir / "a.txt")).status, 0);
    struct Case {
        const char* what;
        std::string command;
        std::string message;
    } cases[] = {
        {"delete of a name that matches nothing", tool() + " delete " + q(zip) + " 'b*' c.txt",
         "archive-tool: no entry of " + zip + " matches b* c.txt\n"},
        {"listing to a full device", "{ " + tool() + " list " + q(zip) + " >/dev/full; }",
         "archive-tool: cannot write standard output: No space left on device\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = run(c.command);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.output, c.message);
    }
    EXPECT_EQ(run("unzip -Z1 " + q(zip)).output, "a.txt\n");
}

// A large file deflated on several threads, with and without a password:
// every reader unpacks it, and the archive is within 0.5 % of zip -6's.
TEST(Tool, LargeFilesDeflatedOnSeveralThreadsPassEveryReader) {
    ScratchDir dir;
    std::string data = text_bytes(5 << 20, 21);
    data.replace(1 << 20, 300000, random_bytes(300000, 9));
    write_file(dir / "Backup_Loja.bak", data);
    const std::string plain = dir / "plain.zip", locked = dir / "locked.zip", peer = dir / "peer.zip";
    ASSERT_EQ(run(tool() + " compress --threads 4 " + q(plain) + " " + q(dir / "Backup_Loja.bak")).status, 0);
    ASSERT_EQ(run(tool() + " compress --threads 3 --password secret " + q(locked) + " " +
                  q(dir / "Backup_Loja.bak")).status,
              0);
    for (const std::string& zip : {plain, locked}) {
        SCOPED_TRACE(zip);
        const std::string password = zip == locked ? "secret" : "";
        const Result unzip = run("unzip -P '" + password + "' -p " + q(zip) + " Backup_Loja.bak | cmp - " +
                                 q(dir / "Backup_Loja.bak"));
        EXPECT_EQ(unzip.status, 0) << unzip.output;
        const Result sevenz = run("7z t -p'" + password + "' " + q(zip));
        EXPECT_EQ(sevenz.status, 0) << sevenz.output;
        const Result py = run("/usr/bin/python3 -c \"import sys, zipfile\n"
                              "z = zipfile.ZipFile(sys.argv[1])\n"
                              "z.setpassword(sys.argv[2].encode())\n"
                              "assert z.read('Backup_Loja.bak') == open(sys.argv[3], 'rb').read()\" " +
                              q(zip) + " '" + password + "' " + q(dir / "Backup_Loja.bak"));
        EXPECT_EQ(py.status, 0) << py.output;
    }
    ASSERT_EQ(run("cd " + q(dir.path()) + " && zip -6 -q " + q(peer) + " Backup_Loja.bak").status, 0);
    const double ours = static_cast<double>(read_file(plain).size()), theirs = static_cast<double>(read_file(peer).size());
    EXPECT_LT(ours, theirs * 1.005);
}
