// The ZIP writer and the compress pass, checked byte for byte.

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <zlib.h>

#include "archive/arcGbls.h"
#include "archive/arcZip.h"
#include "RecordingZip.h"
#include "TestUtil.h"

using namespace archive;
using namespace archive_test;

namespace {

struct Entry {
    uint32_t flags, method, dos, crc, csize, usize, ext_attr, int_attr, offset, made_by, needed;
    std::string name;
    std::string data;  // bytes after the local header's name
};

// Reads the central directory and each entry's local header and data.
std::vector<Entry> entries(const std::string& zip) {
    std::vector<Entry> out;
    const std::size_t end = zip.size() - 22;
    EXPECT_EQ(u32(zip, end), 0x06054B50u);
    const uint32_t count = u16(zip, end + 10);
    std::size_t at = u32(zip, end + 16);
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(u32(zip, at), 0x02014B50u);
        Entry e{};
        e.made_by = u16(zip, at + 4);
        e.needed = u16(zip, at + 6);
        e.flags = u16(zip, at + 8);
        e.method = u16(zip, at + 10);
        e.dos = u32(zip, at + 12);
        e.crc = u32(zip, at + 16);
        e.csize = u32(zip, at + 20);
        e.usize = u32(zip, at + 24);
        const uint32_t nl = u16(zip, at + 28);
        e.int_attr = u16(zip, at + 36);
        e.ext_attr = u32(zip, at + 38);
        e.offset = u32(zip, at + 42);
        e.name = zip.substr(at + 46, nl);
        // The local header repeats fields 6..29 of the central one's 8..31.
        EXPECT_EQ(zip.substr(e.offset + 6, 24), zip.substr(at + 8, 24));
        EXPECT_EQ(u32(zip, e.offset), 0x04034B50u);
        e.data = zip.substr(e.offset + 30 + nl, e.csize);
        out.push_back(e);
        at += 46 + nl + u16(zip, at + 30) + u16(zip, at + 32);
    }
    EXPECT_EQ(at, end);
    return out;
}

std::string inflate_raw(const std::string& data, std::size_t size) {
    std::string out(size, '\0');
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    inflateEnd(&z);
    return out;
}

uint32_t crc_of(const std::string& s) {
    return static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(s.data()), s.size()));
}

}  // namespace

TEST(Zip, OneFileRecordsByteForByte) {
    ScratchDir d;
    const std::string data = text_bytes(1000);
    write_file(d / "Backup_X.bak", data);
    ::utimensat(AT_FDCWD, (d / "Backup_X.bak").c_str(), nullptr, 0);
    Zip zip;
    SetLines(zip.FileSpec, {d / "Backup_X.bak"});
    zip.SetArchiveFile(d / "Backup_X.zip");
    ASSERT_EQ(zip.Compress(), 1);
    EXPECT_TRUE(zip.errors.empty());
    const std::string z = read_file(d / "Backup_X.zip");
    const auto e = entries(z);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].name, "Backup_X.bak");
    EXPECT_EQ(e[0].made_by, 20u);
    EXPECT_EQ(e[0].needed, 20u);
    EXPECT_EQ(e[0].flags, 0u);
    EXPECT_EQ(e[0].method, 8u);
    EXPECT_EQ(e[0].crc, crc_of(data));
    EXPECT_EQ(e[0].usize, 1000u);
    EXPECT_EQ(e[0].int_attr, 1u);
    EXPECT_EQ(e[0].ext_attr, 0x20u);
    EXPECT_EQ(e[0].offset, 0u);
    struct stat st {};
    ::stat((d / "Backup_X.bak").c_str(), &st);
    EXPECT_EQ(e[0].dos, FileTimeToDos(st.st_mtime));
    EXPECT_EQ(inflate_raw(e[0].data, 1000), data);
    EXPECT_EQ(u16(z, 26), 12u);  // name length
    EXPECT_EQ(u16(z, 28), 0u);   // extra length
    const std::size_t end = z.size() - 22;
    EXPECT_EQ(u32(z, end + 12), 58u);                       // central directory size
    EXPECT_EQ(u32(z, end + 16), 30u + 12u + e[0].csize);  // its offset
    EXPECT_EQ(u16(z, end + 8), 1u);
    EXPECT_EQ(u16(z, end + 20), 0u);
}

TEST(Zip, StoreOrDeflateChoices) {
    ScratchDir d;
    write_file(d / "src/empty.dat", "");
    write_file(d / "src/rand100.dat", random_bytes(100));
    write_file(d / "src/rand300.dat", random_bytes(300));
    write_file(d / "src/a.zip", text_bytes(5000));
    write_file(d / "src/b.jpg", text_bytes(5000));
    Zip zip;
    SetLines(zip.FileSpec, {d / "src/"});
    SetLines(zip.StoreFilesOfType, {"ZIP", "jpg"});
    zip.Password = "";
    zip.SetArchiveFile(d / "out.zip");
    ASSERT_EQ(zip.Compress(), 5);
    // Lines that lack the dot get one; only upper-case lines ever match.
    EXPECT_EQ(Lines(zip.StoreFilesOfType), (std::vector<std::string>{".ZIP", ".jpg"}));
    std::map<std::string, Entry> by;
    for (auto& e : entries(read_file(d / "out.zip"))) by[e.name] = e;
    EXPECT_EQ(by["empty.dat"].method, 0u);
    EXPECT_EQ(by["empty.dat"].crc, 0u);
    EXPECT_EQ(by["empty.dat"].csize, 0u);
    EXPECT_EQ(by["rand100.dat"].method, 0u);  // deflated form larger: stored
    EXPECT_EQ(by["rand100.dat"].data, random_bytes(100));
    EXPECT_EQ(by["rand300.dat"].method, 8u);  // 257 bytes or more stay deflated
    EXPECT_GT(by["rand300.dat"].csize, 300u);
    EXPECT_EQ(by["a.zip"].method, 0u);
    EXPECT_EQ(by["b.jpg"].method, 8u);
}

TEST(Zip, LevelsFlagsAndPassword) {
    ScratchDir d;
    const std::string data = text_bytes(20000);
    write_file(d / "f.txt", data);
    write_file(d / "empty.txt", "");
    struct Case {
        TDeflateType type;
        std::string password;
        uint32_t flags;
    } cases[] = {
        {dtDeflateN, "", 0}, {dtDeflateX, "", 2}, {dtDeflateF, "", 4}, {dtDeflateX, "secret", 3},
        {dtDeflateS, "secret", 1},
    };
    for (const auto& c : cases) {
        Zip zip;
        SetLines(zip.FileSpec, {d / "*.txt"});
        zip.DeflateType = c.type;
        zip.Password = c.password;
        const std::string out = d / ("out" + std::to_string(c.type) + c.password + ".zip");
        zip.SetArchiveFile(out);
        ASSERT_EQ(zip.Compress(), 2);
        const auto e = entries(read_file(out));
        ASSERT_EQ(e.size(), 2u);
        EXPECT_EQ(e[0].name, "empty.txt");
        EXPECT_EQ(e[0].flags, 0u);  // an empty file is never encrypted
        EXPECT_EQ(e[0].csize, 0u);
        EXPECT_EQ(e[1].flags, c.flags) << c.type;
        EXPECT_EQ(e[1].method, c.type == dtDeflateS ? 0u : 8u);
        EXPECT_EQ(e[1].crc, crc_of(data));
        if (!c.password.empty()) {
            std::string body = e[1].data;
            TZipCipher k;
            k.InitKeys(c.password);
            k.Decrypt(body.data(), body.size());
            EXPECT_EQ(static_cast<uint8_t>(body[11]), crc_of(data) >> 24);
            const std::string payload = body.substr(12);
            EXPECT_EQ(c.type == dtDeflateS ? payload : inflate_raw(payload, data.size()), data);
        }
    }
}

TEST(Zip, NamesOutsideCodePage850AreFlaggedUtf8) {
    ScratchDir d;
    write_file(d / "A\xC3\xA7\xC3\xA3o.txt", "x");
    write_file(d / "\xE6\x97\xA5.txt", "y");
    Zip zip;
    SetLines(zip.FileSpec, {d / "*"});
    zip.SetArchiveFile(d / "n.zip");
    ASSERT_EQ(zip.Compress(), 2);
    const auto e = entries(read_file(d / "n.zip"));
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].name, "A\x87\xC6o.txt");
    EXPECT_EQ(e[0].flags & 0x800, 0u);
    EXPECT_EQ(e[1].name, "\xE6\x97\xA5.txt");
    EXPECT_EQ(e[1].flags & 0x800, 0x800u);
}

TEST(Zip, NothingToDoLeavesNoArchive) {
    ScratchDir d;
    Zip zip;
    SetLines(zip.FileSpec, {d / "missing.bak"});
    zip.SetArchiveFile(d / "missing.zip");
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_EQ(zip.errors.size(), 1u);
    EXPECT_EQ(zip.errors[0].code, 25268);
    EXPECT_EQ(ErrorText(25268), "Nothing to do");
    EXPECT_FALSE(exists(d / "missing.zip"));
    EXPECT_EQ(run("ls -A '" + d.path() + "'").output, "");
}

TEST(Zip, EventOrderOfAPass) {
    ScratchDir d;
    write_file(d / "one.bak", text_bytes(1000));
    Zip zip;
    std::vector<std::string> ev;
    auto add = [&](const std::string& s) {
        if (ev.empty() || ev.back() != s) ev.push_back(s);
    };
    zip.OnActivate = [&](TObject*) { add("Activate"); };
    zip.OnFileScanStatus = [&](TZipCommon&, const std::string&, int, double) { add("FileScanStatus"); };
    zip.OnBegin = [&](TZipCommon&, const std::string& f, int n, bool&) {
        add("Begin " + f + " " + std::to_string(n));
    };
    zip.OnProgress = [&](TZipCommon&, uint8_t a, uint8_t b) { add(a == 0 && b == 0 ? "Progress 0 0" : "Progress"); };
    zip.OnEnd = [&](TZipCommon&, const std::string& f, bool ok) { add("End " + f + (ok ? " True" : " False")); };
    zip.OnRead = [&](TZipCommon&, int64_t o, int n) { add("Read " + std::to_string(o) + " " + std::to_string(n)); };
    zip.OnTmpFileMoveBegin = [&](TStream32&, const std::string&, const std::string&) { add("MoveBegin"); };
    zip.OnTmpFileProgress = [&](TZipCommon&, uint8_t, uint8_t) { add("TmpProgress"); };
    zip.OnTmpFileMoveEnd = [&](TStream32&) { add("MoveEnd"); };
    zip.OnDeactivate = [&](TObject*) { add("Deactivate"); };
    zip.OnElapsedTime = [&](TZipCommon&, float s) { add(s >= 0 ? "Elapsed" : "bad"); };
    SetLines(zip.FileSpec, {d / "one.bak"});
    zip.SetArchiveFile(d / "one.zip");
    ASSERT_EQ(zip.Compress(), 1);
    EXPECT_EQ(ev, (std::vector<std::string>{"Activate", "FileScanStatus", "Begin " + d / "one.bak" + " 1", "Progress",
                                            "End one.bak True", "Progress 0 0", "Read 0 0", "MoveBegin",
                                            "TmpProgress", "MoveEnd", "Deactivate", "Elapsed"}));
    EXPECT_EQ(zip.EntryReport().MethodName, "DeflateN");
}

TEST(Zip, CancelKeepsEntriesWrittenBefore) {
    ScratchDir d;
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) write_file(d / "src" + "/" + n, text_bytes(5000));
    for (int cancel_at : {1, 2, 3}) {
        Zip zip;
        SetLines(zip.FileSpec, {d / "src/"});
        zip.OnBegin = [&](TZipCommon& z, const std::string&, int n, bool&) {
            if (n == cancel_at) z.SetCancel(true);
        };
        const std::string out = d / ("c" + std::to_string(cancel_at) + ".zip");
        zip.SetArchiveFile(out);
        EXPECT_EQ(zip.Compress(), cancel_at - 1);
        EXPECT_EQ(zip.errors.at(0).code, 25443);
        if (cancel_at == 1) {
            EXPECT_FALSE(exists(out));
        } else {
            EXPECT_EQ(entries(read_file(out)).size(), static_cast<std::size_t>(cancel_at - 1));
            EXPECT_EQ(run("unzip -tq '" + out + "'").status, 0);
        }
    }
}

TEST(Zip, ExtractFalseAndUnreadableFilesAreLeftOut) {
    ScratchDir d;
    write_file(d / "src/a.txt", "a");
    write_file(d / "src/b.txt", "b");
    write_file(d / "src/c.txt", "c");
    ::chmod((d / "src/c.txt").c_str(), 0);
    const bool root = ::geteuid() == 0;
    Zip zip;
    SetLines(zip.FileSpec, {d / "src/"});
    zip.OnBegin = [](TZipCommon&, const std::string& f, int, bool& extract) { extract = ExtractFileName(f) != "a.txt"; };
    zip.SetArchiveFile(d / "o.zip");
    EXPECT_EQ(zip.Compress(), root ? 2 : 1);
    const auto e = entries(read_file(d / "o.zip"));
    EXPECT_EQ(e.at(0).name, "b.txt");
    if (!root) {
        ASSERT_EQ(zip.errors.size(), 1u);
        EXPECT_EQ(zip.errors[0].code, 25235);
        EXPECT_EQ(zip.errors[0].file, d / "o.zip");
    }
}

TEST(Zip, ArchiveIsNeverScannedIntoItself) {
    ScratchDir d;
    write_file(d / "a.txt", text_bytes(3000));
    for (auto method : {cmTempFile, cmInMemory}) {
        Zip zip;
        SetLines(zip.FileSpec, {d.path() + "/"});
        zip.SetTempDir(d.path());
        zip.CompressionMethod = method;
        zip.SetArchiveFile(d / "self.zip");
        ASSERT_EQ(zip.Compress(), 1);
        const auto e = entries(read_file(d / "self.zip"));
        ASSERT_EQ(e.size(), 1u);
        EXPECT_EQ(e[0].name, "a.txt");
        std::remove((d / "self.zip").c_str());
    }
}

TEST(Zip, SourcesBeyondTheFormatAreRefusedBeforeWriting) {
    ScratchDir d;
    // A sparse file of 4 GiB occupies no disk space.
    ASSERT_EQ(run("truncate -s 4G '" + d / "big.bak" + "'").status, 0);
    write_file(d / "small.bak", "x");
    write_file(d / "big.zip", "previous archive");
    Zip zip;
    SetLines(zip.FileSpec, {d / "*.bak"});
    zip.SetArchiveFile(d / "new.zip");
    zip.SetTempDir(d.path());
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_EQ(zip.errors.size(), 1u);
    EXPECT_EQ(zip.errors[0].code, 25136);
    EXPECT_EQ(zip.errors[0].ext, d / "big.bak");
    EXPECT_FALSE(exists(d / "new.zip"));
    EXPECT_EQ(run("ls -A '" + d.path() + "'").output, "big.bak\nbig.zip\nsmall.bak\n");
}

TEST(Zip, MoreThan65535EntriesAreRefused) {
    ScratchDir d;
    ASSERT_EQ(run("mkdir '" + d / "many" + "' && cd '" + d / "many" +
                  "' && /usr/bin/python3 -c \"[open(str(i),'w').close() for i in range(65536)]\"")
                  .status,
              0);
    Zip zip;
    SetLines(zip.FileSpec, {d / "many/"});
    zip.SetArchiveFile(d / "many.zip");
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_EQ(zip.errors.size(), 1u);
    EXPECT_EQ(zip.errors[0].code, 25136);
    EXPECT_EQ(zip.errors[0].ext, "an archive holds at most 65,535 entries");
    EXPECT_FALSE(exists(d / "many.zip"));
}

TEST(Zip, TargetThatCannotBeMadeLeavesNoTemporaryFile) {
    ScratchDir d;
    write_file(d / "a.txt", text_bytes(1000));
    write_file(d / "out.zip", "old");
    Zip zip;
    SetLines(zip.FileSpec, {d / "a.txt"});
    zip.CompressionMethod = cmTempFile;
    zip.SetArchiveFile(d / "sub/none/out.zip");  // a target folder that does not exist
    zip.SetTempDir(d.path());
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_FALSE(zip.errors.empty());
    EXPECT_EQ(zip.errors.back().code, 25235);
    EXPECT_EQ(run("ls -A '" + d.path() + "'").output, "a.txt\nout.zip\n");
    EXPECT_EQ(read_file(d / "out.zip"), "old");
}

TEST(Zip, EmptyFoldersAndEncryptedHeaders) {
    ScratchDir d;
    write_file(d / "root/f.txt", "f");
    ::mkdir((d / "root/empty").c_str(), 0755);
    Zip zip;
    SetLines(zip.FileSpec, {d / "root/"});
    zip.StoreEmptySubDirs = true;
    zip.SetArchiveFile(d / "dirs.zip");
    ASSERT_EQ(zip.Compress(), 2);
    const auto e = entries(read_file(d / "dirs.zip"));
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].name, "root/empty/");
    EXPECT_EQ(e[0].ext_attr & 0x10, 0x10u);
    EXPECT_EQ(e[0].method, 0u);
    EXPECT_EQ(e[1].name, "f.txt");
    EXPECT_EQ(run("unzip -tq '" + d / "dirs.zip" + "'").status, 0);

    Zip pl;
    SetLines(pl.FileSpec, {d / "root/f.txt"});
    pl.EncryptHeaders = true;
    pl.SetArchiveFile(d / "pl.zip");
    ASSERT_EQ(pl.Compress(), 1);
    const std::string z = read_file(d / "pl.zip");
    EXPECT_EQ(z.substr(0, 4), "PL\x03\x04");
    const std::size_t end = z.size() - 22;
    EXPECT_EQ(z.substr(end, 4), "PK\x05\x06");
    EXPECT_EQ(z.substr(u32(z, end + 16), 4), "PL\x01\x02");
    EXPECT_EQ(z.find("f.txt"), std::string::npos);  // the name is encrypted too
}

TEST(Zip, MoveDeletesSourcesOnlyAfterTheArchiveExists) {
    for (bool verify : {false, true}) {
        ScratchDir d;
        write_file(d / "src/a.txt", "a");
        write_file(d / "src/b.txt", "b");
        Zip zip;
        SetLines(zip.FileSpec, {d / "src/"});
        zip.Switch = swMove;
        zip.DeleteOptions = doFinal;
        zip.VerifyBeforeDelete = verify;
        std::vector<std::string> deleted;
        zip.OnDeleteFile = [&](TZipCommon&, const std::string& f, int n, int max) {
            deleted.push_back(ExtractFileName(f) + " " + std::to_string(n) + "/" + std::to_string(max));
        };
        zip.SetArchiveFile(d / "m.zip");
        ASSERT_EQ(zip.Compress(), 2);
        EXPECT_EQ(entries(read_file(d / "m.zip")).size(), 2u);
        EXPECT_EQ(exists(d / "src/a.txt"), verify);
        EXPECT_EQ(exists(d / "src/b.txt"), verify);
        const std::vector<std::string> expected =
            verify ? std::vector<std::string>() : std::vector<std::string>({"a.txt 0/2", "b.txt 1/2"});
        EXPECT_EQ(deleted, expected);
    }
}

TEST(Zip, DeleteOrRecycleUsesTheTrash) {
    ScratchDir d;
    setenv("XDG_DATA_HOME", (d / "data").c_str(), 1);
    ::mkdir((d / "data").c_str(), 0700);
    write_file(d / "Backup.bak", "backup");
    EXPECT_TRUE(DeleteOrRecycle(d / "Backup.bak", doAllowUndo));
    EXPECT_FALSE(exists(d / "Backup.bak"));
    EXPECT_EQ(read_file(d / "data/Trash/files/Backup.bak"), "backup");
    const std::string info = read_file(d / "data/Trash/info/Backup.bak.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + d / "Backup.bak" + "\nDeletionDate=", 0), 0u) << info;
    // A second file of the same name gets a name of its own in the trash.
    write_file(d / "Backup.bak", "second");
    EXPECT_TRUE(DeleteOrRecycle(d / "Backup.bak", doAllowUndo));
    EXPECT_EQ(read_file(d / "data/Trash/files/Backup.bak.2"), "second");
    // A missing file answers False; doFinal deletes at once.
    EXPECT_FALSE(DeleteOrRecycle(d / "Backup.bak", doAllowUndo));
    write_file(d / "x", "x");
    EXPECT_TRUE(DeleteOrRecycle(d / "x", doFinal));
    EXPECT_FALSE(exists(d / "x"));
    unsetenv("XDG_DATA_HOME");
}

TEST(Zip, EntryDatesAndStoredNameChanges) {
    ScratchDir d;
    write_file(d / "old.txt", "old");
    write_file(d / "new.txt", "new");
    const timespec old_times[2] = {{946684800, 0}, {946684800, 0}};  // 2000-01-01
    const timespec new_times[2] = {{1700000000, 0}, {1700000000, 0}};
    ::utimensat(AT_FDCWD, (d / "old.txt").c_str(), old_times, 0);
    ::utimensat(AT_FDCWD, (d / "new.txt").c_str(), new_times, 0);
    struct Case {
        TDateAttribute mode;
        uint32_t old_date, new_date;
    } cases[] = {
        {daFileDate, FileTimeToDos(946684800), FileTimeToDos(1700000000)},
        {daMaxFileDate, FileTimeToDos(1700000000), FileTimeToDos(1700000000)},
    };
    for (const auto& c : cases) {
        Zip zip;
        SetLines(zip.FileSpec, {d / "*.txt"});
        zip.DateAttribute = c.mode;
        zip.SetArchiveFile(d / "dates.zip");
        ASSERT_EQ(zip.Compress(), 2);
        const auto e = entries(read_file(d / "dates.zip"));
        EXPECT_EQ(e.at(0).name, "new.txt");
        EXPECT_EQ(e.at(0).dos, c.new_date);
        EXPECT_EQ(e.at(1).dos, c.old_date);
        std::remove((d / "dates.zip").c_str());
    }
    Zip sys;
    SetLines(sys.FileSpec, {d / "old.txt"});
    sys.DateAttribute = daSysDate;
    sys.SetArchiveFile(d / "sys.zip");
    const uint32_t before = NowDos();
    ASSERT_EQ(sys.Compress(), 1);
    EXPECT_GE(entries(read_file(d / "sys.zip")).at(0).dos, before & ~0x1Fu);

    // A handler may give an entry another stored name (folder part kept).
    Zip renamed;
    SetLines(renamed.FileSpec, {d / "old.txt"});
    renamed.StoredDirNames = sdAbsoluteNoRoot;
    renamed.OnStoredNameChange = [](TZipCommon&, const std::string&, std::string& name) { name = "renamed.txt"; };
    renamed.SetArchiveFile(d / "ren.zip");
    ASSERT_EQ(renamed.Compress(), 1);
    EXPECT_EQ(entries(read_file(d / "ren.zip")).at(0).name, (d / "renamed.txt").substr(1));
}

// Entries of 1 MiB or more are deflated in blocks on several threads: one
// raw deflate stream that inflates to the file, with the file's CRC, the same
// bytes whatever the number of threads, and within 0.5 % of one stream.
TEST(ZipParallel, LargeEntriesDeflatedInBlocksInflateToTheFile) {
    ScratchDir d;
    const std::size_t block = 128 * 1024;
    // Text with a stretch that does not deflate in the middle.
    auto data_of = [](std::size_t n) {
        std::string s = text_bytes(n, 11);
        if (n > 600000) s.replace(300000, 200000, random_bytes(200000, 5));
        return s;
    };
    auto pack = [&d](const std::string& data, int threads) {
        write_file(d / "f.bak", data);
        Zip zip;
        zip.Threads = threads;
        SetLines(zip.FileSpec, {d / "f.bak"});
        std::remove((d / "f.zip").c_str());
        zip.SetArchiveFile(d / "f.zip");
        EXPECT_EQ(zip.Compress(), 1);
        EXPECT_TRUE(zip.errors.empty());
        const auto e = entries(read_file(d / "f.zip"));
        return e.empty() ? std::string() : e[0].data;
    };
    for (const std::size_t size : {std::size_t{1 << 20} - 1, std::size_t{1 << 20}, 9 * block, 9 * block + 1,
                                   std::size_t{3 << 20} + 77}) {
        SCOPED_TRACE(size);
        const std::string data = data_of(size);
        const std::string one = pack(data, 1), two = pack(data, 2), four = pack(data, 4), seven = pack(data, 7);
        const auto e = entries(read_file(d / "f.zip"));
        ASSERT_EQ(e.size(), 1u);
        EXPECT_EQ(e[0].crc, crc_of(data));
        EXPECT_EQ(e[0].method, 8u);
        EXPECT_EQ(inflate_raw(seven, size), data);
        EXPECT_EQ(inflate_raw(two, size), data);
        EXPECT_EQ(two, four);
        EXPECT_EQ(four, seven);
        if (size < (1u << 20)) {
            EXPECT_EQ(four, one);  // below 1 MiB: one stream, as always
        } else {
            EXPECT_NE(four, one);
            EXPECT_LT(static_cast<double>(four.size()), static_cast<double>(one.size()) * 1.005);
        }
    }
}

// Progress and cancel work while blocks are deflated on several threads.
TEST(ZipParallel, ProgressAndCancelWhileDeflatingInBlocks) {
    ScratchDir d;
    const std::string data = text_bytes(4 << 20, 3);
    write_file(d / "big.bak", data);
    ::mkdir((d / "tmp").c_str(), 0700);
    {
        Zip zip;
        zip.Threads = 4;
        std::vector<int> by_file;
        zip.OnProgress = [&](TZipCommon&, uint8_t f, uint8_t) { by_file.push_back(f); };
        SetLines(zip.FileSpec, {d / "big.bak"});
        zip.SetArchiveFile(d / "a.zip");
        ASSERT_EQ(zip.Compress(), 1);
        ASSERT_GE(by_file.size(), 32u);  // at least one report per block
        EXPECT_TRUE(std::is_sorted(by_file.begin(), by_file.end() - 1));
        EXPECT_EQ(by_file[by_file.size() - 2], 100);
        EXPECT_EQ(by_file.back(), 0);  // the directory's (0, 0)
    }
    Zip zip;
    zip.Threads = 4;
    zip.OnProgress = [](TZipCommon& s, uint8_t f, uint8_t) {
        if (f > 30) s.SetCancel(true);
    };
    SetLines(zip.FileSpec, {d / "big.bak"});
    zip.SetTempDir(d / "tmp");
    zip.SetArchiveFile(d / "b.zip");
    EXPECT_EQ(zip.Compress(), 0);
    EXPECT_EQ(zip.codes().front(), 25443);
    EXPECT_FALSE(exists(d / "b.zip"));
    EXPECT_EQ(run("ls -A " + std::string(d / "tmp")).output, "");
}
