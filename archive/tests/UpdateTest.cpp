// Passes over existing archives: kept entries copied byte for byte, the merge
// of scanned files under every switch, comments, and archives that must be
// refused and left as they were. Checked with zip, unzip, 7z and Python.

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <zlib.h>

#include "archive/arcGbls.h"
#include "archive/arcZip.h"
#include "RecordingZip.h"
#include "TestUtil.h"

using namespace archive;
using namespace archive_test;

namespace {

std::string q(const std::string& s) { return "'" + s + "'"; }

std::string oracle() { return test_support::oracle_command("zip_check.py"); }

// Per entry name: CRC, sizes, comment, extra field and a hash of the raw
// compressed bytes, as Python's zipfile reads them.
std::map<std::string, std::string> raw_entries(const std::string& zip) {
    const Result r = run(oracle() + " raw " + q(zip));
    EXPECT_EQ(r.status, 0) << r.output;
    std::map<std::string, std::string> out;
    for (std::size_t at = 0, nl; (nl = r.output.find('\n', at)) != std::string::npos; at = nl + 1) {
        const std::string line = r.output.substr(at, nl - at);
        out[line.substr(0, line.find('|'))] = line;
    }
    return out;
}

// Three independent readers accept the archive.
void expect_peers_accept(const std::string& zip) {
    const Result unzip = run("unzip -t " + q(zip));
    EXPECT_EQ(unzip.status, 0) << unzip.output;
    EXPECT_NE(unzip.output.find("No errors detected"), std::string::npos) << unzip.output;
    const Result sevenz = run("7z t " + q(zip));
    EXPECT_EQ(sevenz.status, 0) << sevenz.output;
    const Result py = run("/usr/bin/python3 -m zipfile -t " + q(zip));
    EXPECT_EQ(py.status, 0) << py.output;
}

// What a file is: its bytes, inode and modification time.
struct Snapshot {
    std::string bytes;
    ino_t inode = 0;
    int64_t mtime_ns = 0;
    bool operator==(const Snapshot&) const = default;
};
Snapshot snapshot(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return {read_file(path), st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

void set_mtime(const std::string& path, time_t when) {
    const timespec t[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), t, 0);
}

// An archive of stored entries with data descriptors without the optional
// signature (12 bytes): sizes and CRC 0 in the local headers.
std::string descriptor_archive_without_signature(const std::vector<std::pair<std::string, std::string>>& files) {
    auto le16 = [](std::string& s, uint32_t v) {
        s += static_cast<char>(v);
        s += static_cast<char>(v >> 8);
    };
    auto le32 = [&le16](std::string& s, uint32_t v) {
        le16(s, v & 0xFFFF);
        le16(s, v >> 16);
    };
    std::string body, central;
    for (const auto& [name, data] : files) {
        const uint32_t crc = static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
        const uint32_t offset = static_cast<uint32_t>(body.size());
        le32(body, 0x04034B50);
        le16(body, 20);
        le16(body, 8);
        le16(body, 0);
        le32(body, 0x5A210000);  // 2025-01-01
        le32(body, 0);
        le32(body, 0);
        le32(body, 0);
        le16(body, static_cast<uint32_t>(name.size()));
        le16(body, 0);
        body += name + data;
        le32(body, crc);
        le32(body, static_cast<uint32_t>(data.size()));
        le32(body, static_cast<uint32_t>(data.size()));
        le32(central, 0x02014B50);
        le16(central, 20);
        le16(central, 20);
        le16(central, 8);
        le16(central, 0);
        le32(central, 0x5A210000);
        le32(central, crc);
        le32(central, static_cast<uint32_t>(data.size()));
        le32(central, static_cast<uint32_t>(data.size()));
        le16(central, static_cast<uint32_t>(name.size()));
        le32(central, 0);  // extra and comment lengths
        le32(central, 0);  // disk, internal attributes
        le32(central, 0x20);
        le32(central, offset);
        central += name;
    }
    std::string end;
    le32(end, 0x06054B50);
    le32(end, 0);
    le16(end, static_cast<uint32_t>(files.size()));
    le16(end, static_cast<uint32_t>(files.size()));
    le32(end, static_cast<uint32_t>(central.size()));
    le32(end, static_cast<uint32_t>(body.size()));
    le16(end, 0);
    return body + central + end;
}

// A folder of three files, packed by our writer into base.zip.
class Existing : public ::testing::Test {
protected:
    void SetUp() override {
        write_file(d / "src/a.txt", text_bytes(3000, 1));
        write_file(d / "src/b.txt", text_bytes(2000, 2));
        write_file(d / "src/c.bin", random_bytes(700));
        for (const char* n : {"a.txt", "b.txt", "c.bin"}) set_mtime(d / "src" + "/" + n, 1700000000);
        Zip zip;
        SetLines(zip.FileSpec, {d / "src/"});
        zip.SetArchiveFile(zip_path());
        ASSERT_EQ(zip.Compress(), 3);
    }
    std::string zip_path() const { return d / "base.zip"; }
    ScratchDir d;
};

}  // namespace

TEST(Update, AddingKeepsEveryEntryOfAnArchiveMadeByZip) {
    ScratchDir d;
    write_file(d / "src/one.txt", text_bytes(5000, 1));
    write_file(d / "src/sub/two.bin", random_bytes(3000));
    write_file(d / "src/empty.txt", "");
    write_file(d / "new/three.txt", text_bytes(4000, 3));
    const std::string zip = d / "peer.zip";
    ASSERT_EQ(run("cd " + q(d / "src") + " && zip -q -r " + q(zip) + " .").status, 0);
    const Result note = run("printf '@ one.txt\\nfirst entry\\n@ (comment above this line)\\n"
                            "@ sub/two.bin\\nsecond\\n@ (comment above this line)\\n"
                            "@ (zip file comment below this line)\\nwhole archive\\n' | zipnote -w " + q(zip));
    ASSERT_EQ(note.status, 0) << note.output;
    const auto before = raw_entries(zip);
    ASSERT_EQ(before.size(), 4u);  // sub/ as a folder entry too

    Zip z;
    SetLines(z.FileSpec, {d / "new/three.txt"});
    z.SetArchiveFile(zip);
    ASSERT_EQ(z.Compress(), 1);
    EXPECT_TRUE(z.errors.empty());

    const auto after = raw_entries(zip);
    ASSERT_EQ(after.size(), 5u);
    for (const auto& [name, line] : before) EXPECT_EQ(after.at(name), line) << name;
    EXPECT_TRUE(after.count("three.txt"));
    EXPECT_EQ(run("zipinfo -z " + q(zip)).output.find("whole archive") != std::string::npos, true);
    expect_peers_accept(zip);
    EXPECT_EQ(run("unzip -p " + q(zip) + " three.txt").output, text_bytes(4000, 3));
}

TEST(Update, DataDescriptorsAreCarriedThroughAnUpdate) {
    ScratchDir d;
    write_file(d / "src/one.txt", text_bytes(5000, 1));
    write_file(d / "src/two.bin", random_bytes(1500));
    write_file(d / "new.txt", "a new file\n");
    struct Case {
        const char* what;
        std::string make;  // shell command writing d/x.zip from d/src
    } cases[] = {
        {"zip -fd", "cd " + q(d / "src") + " && zip -q -fd " + q(d / "x.zip") + " one.txt two.bin"},
        {"streamed zip", "cd " + q(d / "src") + " && cat one.txt | zip -q -fz- - - | cat > " + q(d / "x.zip")},
        {"python to a pipe", "/usr/bin/python3 -c \"import sys, zipfile\n"
                             "class W:\n"
                             "    def __init__(s, f): s.f = f\n"
                             "    def write(s, b): return s.f.write(b)\n"
                             "    def flush(s): pass\n"
                             "with open(sys.argv[1], 'wb') as f, zipfile.ZipFile(W(f), 'w', zipfile.ZIP_DEFLATED) as z:\n"
                             "    z.write(sys.argv[2] + '/one.txt', 'one.txt'); z.write(sys.argv[2] + '/two.bin', 'two.bin')\" " +
                                 q(d / "x.zip") + " " + q(d / "src")},
        {"no descriptor signature", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove((d / "x.zip").c_str());
        if (c.make.empty())
            write_file(d / "x.zip", descriptor_archive_without_signature(
                                        {{"one.txt", read_file(d / "src/one.txt")}, {"two.bin", "0123456789"}}));
        else
            ASSERT_EQ(run(c.make).status, 0);
        const std::string listing = run("unzip -Z1 " + q(d / "x.zip")).output;
        std::vector<std::string> names;
        for (std::size_t at = 0, nl; (nl = listing.find('\n', at)) != std::string::npos; at = nl + 1)
            names.push_back(listing.substr(at, nl - at));
        ASSERT_FALSE(names.empty());
        std::map<std::string, std::string> contents;
        for (const auto& n : names) contents[n] = run("unzip -p " + q(d / "x.zip") + " " + q(n)).output;

        Zip z;
        SetLines(z.FileSpec, {d / "new.txt"});
        z.SetArchiveFile(d / "x.zip");
        ASSERT_EQ(z.Compress(), 1) << (z.errors.empty() ? 0 : z.errors[0].code);
        for (const auto& n : names) EXPECT_EQ(run("unzip -p " + q(d / "x.zip") + " " + q(n)).output, contents[n]) << n;
        EXPECT_EQ(run("unzip -p " + q(d / "x.zip") + " new.txt").output, "a new file\n");
        expect_peers_accept(d / "x.zip");
    }
}

TEST_F(Existing, SecondIdenticalPassChangesNothing) {
    const Snapshot before = snapshot(zip_path());
    Zip zip;
    SetLines(zip.FileSpec, {d / "src/a.txt"});
    zip.SetArchiveFile(zip_path());
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_EQ(zip.errors.size(), 1u);
    EXPECT_EQ(zip.errors[0].code, 25270);
    EXPECT_EQ(zip.errors[0].ext, "OnRenameDupeFile");
    EXPECT_TRUE(snapshot(zip_path()) == before);

    // A changed file asks OnReplaceFile first, then OnRenameDupeFile.
    write_file(d / "src/b.txt", "changed");
    Zip again;
    SetLines(again.FileSpec, {d / "src/b.txt"});
    again.SetArchiveFile(zip_path());
    EXPECT_EQ(again.Compress(), 0);
    ASSERT_EQ(again.errors.size(), 2u);
    EXPECT_EQ(again.errors[0].ext, "OnReplaceFile");
    EXPECT_EQ(again.errors[1].ext, "OnRenameDupeFile");
    EXPECT_TRUE(snapshot(zip_path()) == before);
}

TEST_F(Existing, ReplaceAndRenameAnswers) {
    const auto before = raw_entries(zip_path());
    write_file(d / "src/b.txt", "changed b");
    Zip zip;
    SetLines(zip.FileSpec, {d / "src/b.txt"});
    std::vector<std::string> asked;
    zip.OnReplaceFile = [&](TZipCommon&, const std::string& f, const std::string& nf, double, double, uint32_t size,
                            uint32_t new_size, int, int, bool& replace) {
        asked.push_back(f + " " + ExtractFileName(nf) + " " + std::to_string(size) + " " + std::to_string(new_size));
        replace = true;
    };
    zip.SetArchiveFile(zip_path());
    EXPECT_EQ(zip.Compress(), 1);
    EXPECT_TRUE(zip.errors.empty());
    EXPECT_EQ(asked, std::vector<std::string>{"b.txt b.txt 2000 9"});
    auto after = raw_entries(zip_path());
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after.at("a.txt"), before.at("a.txt"));
    EXPECT_EQ(after.at("c.bin"), before.at("c.bin"));
    EXPECT_EQ(run("unzip -p " + q(zip_path()) + " b.txt").output, "changed b");

    // A new name for the old entry stores both; a name already taken is
    // offered again until a free one comes.
    Zip renaming;
    SetLines(renaming.FileSpec, {d / "src/a.txt"});
    std::vector<std::string> offered;
    renaming.OnRenameDupeFile = [&](TZipCommon&, const std::string& f, std::string& n, bool&) {
        offered.push_back(f);
        n = offered.size() == 1 ? "c.bin" : "old/a.txt";
    };
    renaming.SetArchiveFile(zip_path());
    EXPECT_EQ(renaming.Compress(), 1);
    EXPECT_EQ(offered, (std::vector<std::string>{"a.txt", "c.bin"}));
    after = raw_entries(zip_path());
    ASSERT_EQ(after.size(), 4u);
    // The old entry under its new name: same data, CRC and sizes.
    const std::string old_line = before.at("a.txt");
    EXPECT_EQ(after.at("old/a.txt").substr(9), old_line.substr(5));
    EXPECT_EQ(run("unzip -p " + q(zip_path()) + " old/a.txt").output, text_bytes(3000, 1));
    expect_peers_accept(zip_path());
}

TEST_F(Existing, RefreshReplacesOnlyChangedEntries) {
    const auto before = raw_entries(zip_path());
    write_file(d / "src/b.txt", "refreshed");
    write_file(d / "src/new.txt", "not in the archive");
    Zip zip;
    SetLines(zip.FileSpec, {d / "src/"});
    zip.Switch = swRefresh;
    zip.SetArchiveFile(zip_path());
    EXPECT_EQ(zip.Compress(), 1);
    EXPECT_TRUE(zip.errors.empty());
    const auto after = raw_entries(zip_path());
    ASSERT_EQ(after.size(), 3u);  // new.txt is not added
    EXPECT_EQ(after.at("a.txt"), before.at("a.txt"));
    EXPECT_EQ(after.at("c.bin"), before.at("c.bin"));
    EXPECT_EQ(run("unzip -p " + q(zip_path()) + " b.txt").output, "refreshed");
    // Nothing changed since: nothing to write, the archive stays.
    const Snapshot now = snapshot(zip_path());
    Zip again;
    SetLines(again.FileSpec, {d / "src/"});
    again.Switch = swRefresh;
    again.SetArchiveFile(zip_path());
    EXPECT_EQ(again.Compress(), 0);
    EXPECT_TRUE(snapshot(zip_path()) == now);
}

TEST_F(Existing, MoveDeletesSourcesAfterTheArchiveIsWritten) {
    std::size_t count = 3;
    for (bool verify : {false, true}) {
        SCOPED_TRACE(verify);
        const std::string x = d / ("more/x" + std::to_string(verify) + ".txt");
        const std::string y = d / ("more/y" + std::to_string(verify) + ".txt");
        write_file(x, "x");
        write_file(y, "y");
        Zip zip;
        SetLines(zip.FileSpec, {x, y});
        zip.Switch = swMove;
        zip.DeleteOptions = doFinal;
        zip.VerifyBeforeDelete = verify;
        zip.OnReplaceFile = [](TZipCommon&, const std::string&, const std::string&, double, double, uint32_t,
                               uint32_t, int, int, bool& r) { r = true; };
        zip.SetArchiveFile(zip_path());
        EXPECT_EQ(zip.Compress(), 2);
        EXPECT_EQ(exists(x), verify);
        EXPECT_EQ(exists(y), verify);
        count += 2;
        EXPECT_EQ(raw_entries(zip_path()).size(), count);
        EXPECT_EQ(exists(d / "src/a.txt"), true);  // entries kept from before are no sources
    }
}

TEST_F(Existing, DeleteByMasks) {
    write_file(d / "src/noext", "n");
    Zip add;
    SetLines(add.FileSpec, {d / "src/noext"});
    add.SetArchiveFile(zip_path());
    ASSERT_EQ(add.Compress(), 1);
    const auto before = raw_entries(zip_path());
    struct Case {
        std::vector<std::string> masks;
        int deleted;
        std::vector<std::string> left;
    } cases[] = {
        {{"*.txt"}, 2, {"c.bin", "noext"}},
        {{"B.TXT"}, 1, {"a.txt", "c.bin", "noext"}},  // names compare without regard to case
        {{"noext."}, 1, {"a.txt", "b.txt", "c.bin"}},  // a "." in the mask also takes names without one
        {{"*.zip"}, 0, {"a.txt", "b.txt", "c.bin", "noext"}},
        {{"*"}, 4, {}},
    };
    const std::string base = read_file(zip_path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.masks[0]);
        write_file(zip_path(), base);
        const Snapshot start = snapshot(zip_path());
        Zip zip;
        SetLines(zip.FileSpec, c.masks);
        zip.Switch = swDelete;
        std::vector<std::string> reported;
        zip.OnDeleteFile = [&](TZipCommon&, const std::string& f, int, int) { reported.push_back(f); };
        zip.SetArchiveFile(zip_path());
        EXPECT_EQ(zip.Compress(), c.deleted);
        EXPECT_EQ(static_cast<int>(reported.size()), c.deleted);
        if (c.deleted == 0) {
            EXPECT_TRUE(snapshot(zip_path()) == start);
            continue;
        }
        if (c.left.empty()) {
            // Every entry gone: one empty end record, which takes new entries.
            EXPECT_EQ(read_file(zip_path()), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
            Zip refill;
            SetLines(refill.FileSpec, {d / "src/noext"});
            refill.SetArchiveFile(zip_path());
            EXPECT_EQ(refill.Compress(), 1);
            EXPECT_EQ(raw_entries(zip_path()).at("noext"), before.at("noext"));
            continue;
        }
        const auto after = raw_entries(zip_path());
        std::vector<std::string> left;
        for (const auto& [name, line] : after) {
            left.push_back(name);
            EXPECT_EQ(line, before.at(name));
        }
        EXPECT_EQ(left, c.left);
        expect_peers_accept(zip_path());
    }
    Zip missing;
    SetLines(missing.FileSpec, {"*"});
    missing.Switch = swDelete;
    missing.SetArchiveFile(d / "none.zip");
    EXPECT_EQ(missing.Compress(), 0);
    EXPECT_EQ(missing.codes(), std::vector<int>{26859});
}

TEST_F(Existing, CancelLeavesTheArchiveAsItWas) {
    write_file(d / "more/big.txt", text_bytes(400000, 9));
    write_file(d / "more/z.txt", text_bytes(1000, 4));
    const Snapshot before = snapshot(zip_path());
    struct Case {
        const char* where;
        std::function<void(Zip&)> arm;
    } cases[] = {
        {"OnBegin of the first new entry",
         [](Zip& z) { z.OnBegin = [](TZipCommon& s, const std::string&, int, bool&) { s.SetCancel(true); }; }},
        {"OnProgress while deflating",
         [](Zip& z) {
             z.OnProgress = [](TZipCommon& s, uint8_t by_file, uint8_t) {
                 if (by_file > 10 && by_file < 100) s.SetCancel(true);
             };
         }},
        {"OnEnd of the last entry",
         [](Zip& z) {
             z.OnEnd = [](TZipCommon& s, const std::string& f, bool) {
                 if (f == "z.txt") s.SetCancel(true);
             };
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        Zip zip;
        SetLines(zip.FileSpec, {d / "more/"});
        zip.SetTempDir(d / "tmp");
        c.arm(zip);
        zip.SetArchiveFile(zip_path());
        EXPECT_EQ(zip.Compress(), 0);
        ASSERT_FALSE(zip.errors.empty());
        EXPECT_EQ(zip.errors[0].code, 25443);
        EXPECT_TRUE(snapshot(zip_path()) == before);
        EXPECT_EQ(run("ls -A " + q(d / "tmp")).output, "");
    }
}

TEST_F(Existing, CommentsRoundTrip) {
    Zip zip;
    zip.SetArchiveFile(zip_path());
    ASSERT_EQ(zip.OpenArchiveDirectory(), 3);
    std::string name, comment;
    int length = -1;
    zip.GetFileComment(1, name, length, comment);
    EXPECT_EQ(name, "b.txt");
    EXPECT_EQ(length, 0);
    zip.GetFileComment(3, name, length, comment);  // index == Count: nothing
    EXPECT_EQ(name, "");
    zip.SetFileComment(3, "ignored");
    zip.SetFileComment(1, "comment of b");
    zip.SetArchiveComment("the archive's comment");
    zip.SaveDirectoryChanges();
    EXPECT_TRUE(zip.errors.empty());

    EXPECT_NE(run("zipinfo -z " + q(zip_path())).output.find("the archive's comment"), std::string::npos);
    const Result py = run("/usr/bin/python3 -c \"import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                          "print([i.comment.decode() for i in z.infolist()], z.comment.decode())\" " +
                          q(zip_path()));
    EXPECT_EQ(py.output, "['', 'comment of b', ''] the archive's comment\n");
    expect_peers_accept(zip_path());

    // Read back through a new directory, and kept by an update.
    Zip again;
    again.SetArchiveFile(zip_path());
    ASSERT_EQ(again.OpenArchiveDirectory(), 3);
    again.GetFileComment(1, name, length, comment);
    EXPECT_EQ(comment, "comment of b");
    EXPECT_EQ(length, 12);
    int archive_length = 0;
    EXPECT_EQ(again.GetArchiveComment(comment, archive_length), 21);
    EXPECT_EQ(comment, "the archive's comment");

    write_file(d / "more/new.txt", "new");
    Zip update;
    SetLines(update.FileSpec, {d / "more/new.txt"});
    update.SetArchiveFile(zip_path());
    ASSERT_EQ(update.Compress(), 1);
    const auto entries = raw_entries(zip_path());
    EXPECT_EQ(entries.at("b.txt").find("|" + std::string("636f6d6d656e74206f662062") + "|") != std::string::npos,
              true)
        << entries.at("b.txt");
    EXPECT_NE(run("zipinfo -z " + q(zip_path())).output.find("the archive's comment"), std::string::npos);
}

TEST_F(Existing, ArchivesThatCannotBeUpdatedAreLeftAlone) {
    write_file(d / "new.txt", "new");
    const std::string base = read_file(zip_path());
    struct Case {
        const char* what;
        std::function<void(const std::string& zip)> make;
        int code;
    } cases[] = {
        {"zip -fz", [&](const std::string& z) { run("cd " + q(d / "src") + " && zip -q -fz " + q(z) + " a.txt b.txt"); },
         25245},
        {"python force_zip64",
         [&](const std::string& z) {
             run("/usr/bin/python3 -c \"import sys, zipfile\n"
                 "with zipfile.ZipFile(sys.argv[1], 'w') as zf:\n"
                 "    with zf.open('a.txt', 'w', force_zip64=True) as f: f.write(b'abc')\" " + q(z));
         },
         25245},
        {"truncated inside the last entry",
         [&](const std::string& z) { write_file(z, base.substr(0, u32(base, base.size() - 6) - 10)); }, 25246},
        {"entry not at its offset",
         [&](const std::string& z) {
             std::string b = base;
             b[0] = 'X';  // the first local header's signature
             write_file(z, b);
         },
         25246},
        {"not an archive", [&](const std::string& z) { write_file(z, "just some text, no archive\n"); }, 25244},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string zip = d / "refused.zip";
        std::remove(zip.c_str());
        c.make(zip);
        ASSERT_TRUE(exists(zip));
        const Snapshot before = snapshot(zip);
        Zip z;
        SetLines(z.FileSpec, {d / "new.txt"});
        z.SetArchiveFile(zip);
        EXPECT_EQ(z.Compress(), 0);
        EXPECT_EQ(z.codes(), std::vector<int>{c.code});
        EXPECT_TRUE(snapshot(zip) == before);
    }
}

TEST_F(Existing, DamagedDirectoryIsWalkedThroughLocalHeaders) {
    const auto before = raw_entries(zip_path());
    const std::string base = read_file(zip_path());
    const std::size_t end = base.size() - 22;
    const std::size_t cd = u32(base, end + 16);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"end record gone", base.substr(0, end)},
        {"second central header broken", [&] {
             std::string b = base;
             const std::size_t second = cd + 46 + u16(b, cd + 28);
             b[second] = 'X';
             return b;
         }()},
    };
    write_file(d / "new.txt", "new");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(zip_path(), c.bytes);
        Zip z;
        SetLines(z.FileSpec, {d / "new.txt"});
        z.SetArchiveFile(zip_path());
        EXPECT_EQ(z.Compress(), 1);
        EXPECT_TRUE(z.errors.empty());
        const auto after = raw_entries(zip_path());
        ASSERT_EQ(after.size(), 4u);
        // Data, CRC and sizes come through; the extra field is the local one.
        for (const auto& [name, line] : before) EXPECT_EQ(after.at(name), line) << name;
        expect_peers_accept(zip_path());
    }
}

TEST(Update, SelfExtractorStubIsKept) {
    ScratchDir d;
    write_file(d / "a.txt", text_bytes(4000, 1));
    write_file(d / "b.txt", "second");
    const std::string stub = "#!/bin/sh\necho self-extractor stub\nexit 0\n" + std::string(100, '#') + "\n";
    ASSERT_EQ(run("cd " + q(d.path()) + " && zip -q plain.zip a.txt").status, 0);
    write_file(d / "sfx.zip", stub + read_file(d / "plain.zip"));
    ASSERT_EQ(run("zip -q -A " + q(d / "sfx.zip")).status, 0);  // offsets made absolute
    Zip z;
    SetLines(z.FileSpec, {d / "b.txt"});
    z.SetArchiveFile(d / "sfx.zip");
    ASSERT_EQ(z.Compress(), 1);
    const std::string after = read_file(d / "sfx.zip");
    EXPECT_EQ(after.substr(0, stub.size()), stub);
    const Result t = run("unzip -t " + q(d / "sfx.zip"));
    EXPECT_EQ(t.status, 0) << t.output;
    EXPECT_EQ(run("unzip -p " + q(d / "sfx.zip") + " a.txt").output, text_bytes(4000, 1));
}

TEST_F(Existing, NonWriteableArchiveNeedsTheHandler) {
    write_file(d / "new.txt", "new");
    ::chmod(zip_path().c_str(), 0444);
    const Snapshot before = snapshot(zip_path());
    Zip refused;
    SetLines(refused.FileSpec, {d / "new.txt"});
    refused.SetArchiveFile(zip_path());
    EXPECT_EQ(refused.Compress(), 0);
    ASSERT_EQ(refused.errors.size(), 1u);
    EXPECT_EQ(refused.errors[0].code, 25270);
    EXPECT_EQ(refused.errors[0].ext, "OnNonWriteableArchive");
    EXPECT_TRUE(snapshot(zip_path()) == before);

    Zip allowed;
    SetLines(allowed.FileSpec, {d / "new.txt"});
    std::string asked;
    allowed.OnNonWriteableArchive = [&](TZipCommon&, const std::string& f, bool& w) {
        asked = f;
        w = true;
    };
    allowed.SetArchiveFile(zip_path());
    EXPECT_EQ(allowed.Compress(), 1);
    EXPECT_EQ(asked, zip_path());
    EXPECT_EQ(raw_entries(zip_path()).size(), 4u);
}

TEST_F(Existing, ReadWalkReportsEveryEntry) {
    Zip none;
    none.Switch = swRead;
    none.SetArchiveFile(zip_path());
    EXPECT_EQ(none.Compress(), 0);
    ASSERT_EQ(none.errors.size(), 1u);
    EXPECT_EQ(none.errors[0].ext, "OnRead");

    Zip zip;
    zip.Switch = swRead;
    std::vector<std::string> seen;
    zip.OnRead = [&](TZipCommon& z, int64_t offset, int n) {
        const TEntryReport& e = static_cast<TCompBase&>(z).EntryReport();
        seen.push_back(std::to_string(n) + " " + e.FileName + " " + e.MethodName + " " +
                       std::to_string(e.UncompressedSize) + " " + std::to_string(offset));
    };
    zip.SetArchiveFile(zip_path());
    EXPECT_EQ(zip.Compress(), 0);
    const std::string bytes = read_file(zip_path());
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "1 a.txt DeflateN 3000 0");
    EXPECT_EQ(seen[2].rfind("3 c.bin DeflateN 700 ", 0), 0u) << seen[2];
    EXPECT_TRUE(zip.errors.empty());
    EXPECT_TRUE(read_file(zip_path()) == bytes);
}

TEST_F(Existing, EncryptedEntriesAndHeadersAreKept) {
    write_file(d / "p/secret.txt", text_bytes(2500, 5));
    Zip enc;
    SetLines(enc.FileSpec, {d / "p/secret.txt"});
    enc.Password = "pw";
    enc.SetArchiveFile(d / "enc.zip");
    ASSERT_EQ(enc.Compress(), 1);
    Zip pl;
    SetLines(pl.FileSpec, {d / "p/secret.txt"});
    pl.EncryptHeaders = true;
    pl.SetArchiveFile(d / "pl.zip");
    ASSERT_EQ(pl.Compress(), 1);
    write_file(d / "p/plain.txt", "plain");
    for (const char* name : {"enc.zip", "pl.zip"}) {
        SCOPED_TRACE(name);
        Zip z;
        SetLines(z.FileSpec, {d / "p/plain.txt"});
        z.SetArchiveFile(d / name);
        ASSERT_EQ(z.Compress(), 1);
        EXPECT_TRUE(z.errors.empty());
        Zip reader;
        reader.Switch = swRead;
        std::vector<std::string> names;
        reader.OnRead = [&](TZipCommon& s, int64_t, int) {
            names.push_back(static_cast<TCompBase&>(s).EntryReport().FileName);
        };
        reader.SetArchiveFile(d / name);
        reader.Compress();
        EXPECT_EQ(names, (std::vector<std::string>{"secret.txt", "plain.txt"}));
    }
    const Result check = run(oracle() + " password " + q(d / "enc.zip") + " " + q(d / "p") + " pw");
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST(EntryList, NameIndexFollowsRenamesAndDeletions) {
    TCompHeaderObj list;
    TCompFileInfo info;
    info.Status = esKeep;
    ASSERT_TRUE(list.AddEntry(info, "Dir/Alpha.TXT", 46, 0, nullptr));
    ASSERT_TRUE(list.AddEntry(info, "beta.txt", 46, 0, nullptr));
    ASSERT_TRUE(list.AddEntry(info, "dir/alpha.txt", 46, 0, nullptr));
    EXPECT_EQ(list.IndexOfName("DIR/ALPHA.txt"), 0);
    list.EntryInfo(0).Status = esDeleted;
    EXPECT_EQ(list.IndexOfName("dir/alpha.txt"), 2);
    list.SetName(1, "gamma.txt");
    EXPECT_EQ(list.IndexOfName("beta.txt"), -1);
    EXPECT_EQ(list.IndexOfName("Gamma.txt"), 1);
    // Two entries of one name: the first one counts, then the other.
    list.SetName(2, "GAMMA.TXT");
    EXPECT_EQ(list.IndexOfName("gamma.txt"), 1);
    EXPECT_EQ(list.IndexOfName("dir/alpha.txt"), -1);
    list.SetName(1, "other.txt");
    EXPECT_EQ(list.IndexOfName("gamma.txt"), 2);
    list.SetName(0, "gamma.txt");  // deleted entries are never found
    EXPECT_EQ(list.IndexOfName("gamma.txt"), 2);
    list.Clear();
    EXPECT_EQ(list.IndexOfName("gamma.txt"), -1);
}

TEST(Tool, UpdateCommands) {
    ScratchDir d;
    write_file(d / "a.txt", text_bytes(1000));
    const std::string zip = d / "t.zip";
    const std::string t = tool();
    ASSERT_EQ(run(t + " compress " + q(zip) + " " + q(d / "a.txt")).status, 0);
    // The same file again: kept, and nothing to do, with or without --keep.
    for (const std::string option : {"", "--keep "}) {
        const Result same = run(t + " compress " + option + q(zip) + " " + q(d / "a.txt"));
        EXPECT_EQ(same.status, 1);
        EXPECT_EQ(same.output, "archive-tool: " + zip + ": 25268 Nothing to do (every file is in the archive as it is)\n");
    }
    Result r;
    r = run(t + " compress --rename-old " + q(zip) + " " + q(d / "a.txt"));
    EXPECT_EQ(r.status, 0) << r.output;
    r = run(t + " list " + q(zip));
    EXPECT_NE(r.output.find(" a~1.txt\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(" a.txt\n"), std::string::npos) << r.output;
    r = run(t + " delete " + q(zip) + " 'a~*'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(run(t + " list " + q(zip)).output.find("a~1.txt"), std::string::npos);

    r = run(t + " comment " + q(zip) + " --archive 'all of it' --entry a.txt 'just a'");
    EXPECT_EQ(r.status, 0) << r.output;
    r = run(t + " comment " + q(zip));
    EXPECT_EQ(r.output, "{\n  \"archive_comment\": \"all of it\",\n  \"entries\": [\n"
                        "    {\"name\": \"a.txt\", \"comment\": \"just a\"}\n  ]\n}\n");
    EXPECT_NE(run(t + " comment " + q(zip) + " --entry b.txt x").status, 0);

    write_file(d / "b.txt", "b");
    r = run(t + " compress --switch move --final-delete " + q(zip) + " " + q(d / "b.txt"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(exists(d / "b.txt"));

    write_file(d / "c.txt", "c");
    write_file(d / "e.txt", "e");
    r = run("XDG_DATA_HOME=" + q(d / "data") + " " + t + " recycle " + q(d / "c.txt"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(exists(d / "c.txt"));
    EXPECT_EQ(read_file(d / "data/Trash/files/c.txt"), "c");
    EXPECT_EQ(run(t + " recycle --final " + q(d / "e.txt")).status, 0);
    EXPECT_FALSE(exists(d / "e.txt"));
    EXPECT_EQ(run(t + " recycle " + q(d / "missing.txt")).status, 1);
}

TEST_F(Existing, DamagedBytesNeverCrashAndFailuresLeaveTheArchive) {
    // Bytes of the local headers, the central directory and the end record
    // flipped, and the archive cut short at many lengths: each pass either
    // writes an archive or fails and leaves the file as it was.
    write_file(d / "new.txt", "new");
    const std::string base = read_file(zip_path());
    const std::size_t end = base.size() - 22, cd = u32(base, end + 16);
    std::vector<std::size_t> flips;
    for (std::size_t at = cd; at < end; at += 46 + u16(base, at + 28)) {
        const std::size_t local = u32(base, at + 42);
        for (std::size_t k = 0; k < 30; k += 3) flips.push_back(local + k);
        for (std::size_t k = 0; k < 46; k += 3) flips.push_back(at + k);
    }
    for (std::size_t k = 0; k < 22; k += 2) flips.push_back(end + k);
    std::vector<std::string> variants;
    for (const std::size_t at : flips) {
        std::string b = base;
        b[at] = static_cast<char>(b[at] ^ 0x5A);
        variants.push_back(b);
    }
    for (std::size_t n = 1; n < base.size(); n += 37) variants.push_back(base.substr(0, n));
    // Many passes: on a memory file system when there is one, where
    // flushing a written archive costs nothing.
    char tmpl[] = "/dev/shm/arcupdXXXXXX";
    const char* shm = ::mkdtemp(tmpl);
    const std::string work = shm ? std::string(shm) : d / "work";
    ::mkdir(work.c_str(), 0700);
    const std::string v = work + "/v.zip";
    int written = 0, refused = 0;
    for (const auto& bytes : variants) {
        std::ofstream(v, std::ios::binary | std::ios::trunc) << bytes;
        const Snapshot before = snapshot(v);
        Zip z;
        SetLines(z.FileSpec, {d / "new.txt"});
        z.SetTempDir(work);
        z.SetArchiveFile(v);
        if (z.Compress() == 1) {
            ++written;
            EXPECT_FALSE(snapshot(v) == before);
        } else {
            ++refused;
            EXPECT_TRUE(snapshot(v) == before);
            EXPECT_FALSE(z.errors.empty());
        }
    }
    run("rm -rf " + q(work));
    EXPECT_GT(written, 0);
    EXPECT_GT(refused, 0);
}

TEST(Update, SkippedExtensionsAreReported) {
    ScratchDir d;
    write_file(d / "src/keep.txt", "keep");
    write_file(d / "src/drop.tmp", "drop");
    write_file(d / "src/LOUD.TMP", "drop too");
    Zip zip;
    SetLines(zip.FileSpec, {d / "src/"});
    zip.ExtensionFilter.Add(".tmp");
    std::vector<std::string> skipped;
    zip.OnSkipFile = [&](TZipCommon&, const std::string& f) { skipped.push_back(f); };
    zip.SetArchiveFile(d / "s.zip");
    ASSERT_EQ(zip.Compress(), 1);
    EXPECT_EQ(skipped, (std::vector<std::string>{d / "src/LOUD.TMP", d / "src/drop.tmp"}));
    EXPECT_EQ(raw_entries(d / "s.zip").size(), 1u);
    zip.ClearExtensionFilter();
    write_file(d / "src/keep.txt", "changed");
    zip.OnReplaceFile = [](TZipCommon&, const std::string&, const std::string&, double, double, uint32_t, uint32_t,
                           int, int, bool& r) { r = true; };
    EXPECT_EQ(zip.Compress(), 3);
    EXPECT_EQ(raw_entries(d / "s.zip").size(), 3u);
}

TEST(Update, EmptyEntryRenamedCopiesNoData) {
    ScratchDir d;
    write_file(d / "src/empty.txt", "");
    write_file(d / "src/next.txt", "after the empty one");
    const std::string zip = d / "e.zip";
    ASSERT_EQ(run("cd " + q(d / "src") + " && zip -q " + q(zip) + " empty.txt next.txt").status, 0);
    const auto before = raw_entries(zip);
    Zip z;
    SetLines(z.FileSpec, {d / "src/empty.txt"});
    z.OnRenameDupeFile = [](TZipCommon&, const std::string&, std::string& n, bool&) { n = "was-empty.txt"; };
    z.SetArchiveFile(zip);
    ASSERT_EQ(z.Compress(), 1);
    const auto after = raw_entries(zip);
    ASSERT_EQ(after.size(), 3u);
    auto tail = [](const std::string& line) { return line.substr(line.find('|')); };
    EXPECT_EQ(tail(after.at("was-empty.txt")), tail(before.at("empty.txt")));
    EXPECT_EQ(after.at("next.txt"), before.at("next.txt"));
    EXPECT_EQ(run("unzip -p " + q(zip) + " next.txt").output, "after the empty one");
    EXPECT_EQ(run("unzip -p " + q(zip) + " was-empty.txt").output, "");
    expect_peers_accept(zip);
}

TEST_F(Existing, AnUpdateHoldsItsArchiveUntilItIsReplaced) {
    write_file(d / "first.txt", text_bytes(5000, 3));
    write_file(d / "second.txt", "second");
    const auto before = raw_entries(zip_path());
    // A second pass on the same archive starts while the first one runs (its
    // OnBegin comes after the archive was read): it is refused and reported.
    Zip first, second;
    int second_result = -1;
    first.OnBegin = [&](TZipCommon&, const std::string&, int, bool&) {
        SetLines(second.FileSpec, {d / "second.txt"});
        second.SetArchiveFile(zip_path());
        second_result = second.Compress();
    };
    SetLines(first.FileSpec, {d / "first.txt"});
    first.SetArchiveFile(zip_path());
    EXPECT_EQ(first.Compress(), 1);
    EXPECT_TRUE(first.errors.empty());
    EXPECT_EQ(second_result, 0);
    ASSERT_EQ(second.codes(), std::vector<int>{25235});
    EXPECT_EQ(second.errors[0].file, zip_path());
    const auto after = raw_entries(zip_path());
    EXPECT_EQ(after.size(), 4u);
    for (const auto& [name, line] : before) EXPECT_EQ(after.at(name), line);
    EXPECT_EQ(after.count("first.txt"), 1u);
}

TEST_F(Existing, ArchiveChangedByAnotherProgramDuringAPassIsNotOverwritten) {
    write_file(d / "mine.txt", text_bytes(5000, 3));
    write_file(d / "theirs.txt", "written by another program");
    struct Case {
        const char* what;
        std::string archive;
        std::string meanwhile;  // what another program does while the pass runs
    } cases[] = {
        {"zip adds an entry (a new file renamed over the archive)", zip_path(),
         "cd " + q(d.path()) + " && zip -q " + q(zip_path()) + " theirs.txt"},
        {"bytes appended in place", zip_path(), "printf 'x' >> " + q(zip_path())},
        {"the archive appears while a new one is built", d / "fresh.zip",
         "cd " + q(d.path()) + " && zip -q fresh.zip theirs.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Zip zip;
        zip.SetTempDir(d / "tmp");
        std::string theirs;
        zip.OnBegin = [&](TZipCommon&, const std::string&, int, bool&) {
            ASSERT_EQ(run(c.meanwhile).status, 0);
            theirs = read_file(c.archive);
        };
        SetLines(zip.FileSpec, {d / "mine.txt"});
        zip.SetArchiveFile(c.archive);
        EXPECT_EQ(zip.Compress(), 0);
        ASSERT_EQ(zip.codes(), std::vector<int>{25246});
        EXPECT_EQ(zip.errors[0].file, c.archive);
        // What the other program wrote stays.
        EXPECT_EQ(read_file(c.archive), theirs);
        EXPECT_EQ(run("ls -A " + q(d / "tmp")).output, "");
    }
}

TEST_F(Existing, CommentChangesMeetOtherUpdatesSafely) {
    write_file(d / "new.txt", "new");
    write_file(d / "theirs.txt", "written by another program");
    // Saved while a pass adds a file: refused, the pass's entry stays.
    Zip editor, update;
    editor.SetArchiveFile(zip_path());
    ASSERT_EQ(editor.OpenArchiveDirectory(), 3);
    editor.SetArchiveComment("the editor's comment");
    update.OnBegin = [&](TZipCommon&, const std::string&, int, bool&) { editor.SaveDirectoryChanges(); };
    SetLines(update.FileSpec, {d / "new.txt"});
    update.SetArchiveFile(zip_path());
    EXPECT_EQ(update.Compress(), 1);
    EXPECT_EQ(editor.codes(), std::vector<int>{25235});
    EXPECT_EQ(raw_entries(zip_path()).count("new.txt"), 1u);

    // Another program replaces the archive while the changed directory is
    // written: what it wrote stays.
    Zip late;
    late.SetArchiveFile(zip_path());
    late.SetTempDir(d / "tmp");
    ASSERT_EQ(late.OpenArchiveDirectory(), 4);
    late.SetArchiveComment("too late");
    std::string theirs;
    late.OnTmpFileMoveBegin = [&](TStream32&, const std::string&, const std::string&) {
        ASSERT_EQ(run("cd " + q(d.path()) + " && zip -q " + q(zip_path()) + " theirs.txt").status, 0);
        theirs = read_file(zip_path());
    };
    late.SaveDirectoryChanges();
    EXPECT_EQ(late.codes(), std::vector<int>{25246});
    EXPECT_EQ(read_file(zip_path()), theirs);
    EXPECT_EQ(run("ls -A " + q(d / "tmp")).output, "");
}

TEST(Update, ProgressByArchiveEndsAtHundredWhenAnEntryIsReplaced) {
    ScratchDir d;
    write_file(d / "a.bin", random_bytes(300000, 1));
    Zip first;
    first.SetCompressMethod(cmStore);
    SetLines(first.FileSpec, {d / "a.bin"});
    first.SetArchiveFile(d / "a.zip");
    ASSERT_EQ(first.Compress(), 1);
    struct Case {
        const char* what;
        TSwitch sw;
        bool replace;
    } cases[] = {{"refreshed", swRefresh, false}, {"replaced", swAdd, true}};
    std::size_t size = 300000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ++size;
        write_file(d / "a.bin", random_bytes(size, static_cast<unsigned>(size)));
        Zip zip;
        zip.SetCompressMethod(cmStore);
        zip.Switch = c.sw;
        if (c.replace)
            zip.OnReplaceFile = [](TZipCommon&, const std::string&, const std::string&, double, double, uint32_t,
                                   uint32_t, int, int, bool& r) { r = true; };
        std::vector<int> by_archive;
        zip.OnProgress = [&](TZipCommon&, uint8_t, uint8_t b) { by_archive.push_back(b); };
        SetLines(zip.FileSpec, {d / "a.bin"});
        zip.SetArchiveFile(d / "a.zip");
        ASSERT_EQ(zip.Compress(), 1);
        ASSERT_GE(by_archive.size(), 2u);
        // The last report is the (0, 0) before the directory; the one before it
        // comes when the data are done.
        EXPECT_EQ(by_archive[by_archive.size() - 2], 100);
        EXPECT_TRUE(std::is_sorted(by_archive.begin(), by_archive.end() - 1));
    }
}

TEST(Update, EntriesThatFailEndWithTheirCrcNotPassed) {
    ScratchDir d;
    write_file(d / "src/a.txt", "first");
    write_file(d / "src/b.bin", random_bytes(1u << 20));
    write_file(d / "src/c.txt", "third");
    struct Case {
        const char* what;
        std::function<void(Zip&)> arm;
        int code;
    } cases[] = {
        {"the file vanished after the scan",
         [&](Zip& z) {
             z.OnBegin = [&](TZipCommon&, const std::string& f, int, bool&) {
                 if (ExtractFileName(f) == "a.txt") std::remove(f.c_str());
             };
         },
         25235},
        {"the temporary folder is full (a file-size limit)", [](Zip&) {}, 25160},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(d / "src/a.txt", "first");
        Zip zip;
        std::vector<std::string> ends;
        zip.OnEnd = [&](TZipCommon&, const std::string& f, bool pass) { ends.push_back(f + (pass ? " True" : " False")); };
        c.arm(zip);
        SetLines(zip.FileSpec, {d / "src/"});
        zip.SetTempDir(d / "tmp");
        zip.SetArchiveFile(d / "out.zip");
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        if (c.code == 25160) {
            rlimit small = saved;
            small.rlim_cur = 256 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        const int written = zip.Compress();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, old_handler);
        if (c.code == 25235) {
            EXPECT_EQ(written, 2);
            EXPECT_EQ(ends, (std::vector<std::string>{"a.txt False", "b.bin True", "c.txt True"}));
        } else {
            EXPECT_EQ(written, 0);
            EXPECT_EQ(ends, (std::vector<std::string>{"a.txt True", "b.bin False"}));
            EXPECT_FALSE(exists(d / "out.zip"));
        }
        EXPECT_EQ(zip.codes(), std::vector<int>{c.code});
        std::remove((d / "out.zip").c_str());
    }
}
