// The read-back check that stands between a packed backup and the trash, and
// the hand-off itself run in the test process.

#include "app/handoff/Handoff.h"

#include "archive/arcZip.h"
#include "archive/arcbase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using app::FileDigest;
using app::check_single_entry_archive;

namespace {

class Scratch : public test_support::ScratchDir {
public:
    Scratch() : ScratchDir("tamblero-handoff") {}
};

using test_support::read_file;
using test_support::write_file;

// Compressible, not trivial: numbered text lines.
std::string backup_bytes() {
    std::string s;
    for (int i = 0; s.size() < 200000; ++i) s += "page " + std::to_string(i * 7919 % 100003) + " of the backup\n";
    return s;
}

uint32_t get32(const std::string& b, std::size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// Makes an archive with python3's zipfile (an independent writer); the body
// finds the backup's path in sys.argv[2].
void python_zip(const std::string& zip, const std::string& body, const std::string& backup) {
    const std::string script = "import zipfile, sys\n"
                               "z = zipfile.ZipFile(sys.argv[1], 'w')\n" + body + "z.close()\n";
    write_file(zip + ".py", script);
    ASSERT_EQ(test_support::run_status(std::string(test_support::kPython3) + " '" + zip + ".py' '" + zip + "' '" +
                                       backup + "'"),
              0);
}

}  // namespace

TEST(CheckSingleEntryArchive, AcceptsOneIntactEntryOfTheBackupsSizeAndCrcOnly) {
    Scratch dir;
    const std::string bak = dir / "Backup.bak";
    write_file(bak, backup_bytes());
    const FileDigest digest = app::digest_file(bak);
    EXPECT_EQ(digest.size, static_cast<int64_t>(backup_bytes().size()));

    const std::string add = "z.write(sys.argv[2], 'Backup.bak', zipfile.ZIP_DEFLATED)\n";
    const std::string base = dir / "base.zip";
    python_zip(base, add, bak);
    const std::string original = read_file(base);
    const std::size_t end = original.size() - 22, cd = get32(original, end + 16);

    using Mutation = std::function<void(std::string&)>;
    struct Case {
        const char* what;
        std::string body;     // python lines that fill the archive ("" for the base archive)
        Mutation mutate;      // applied to the base archive's bytes
        FileDigest expected;
        const char* verdict;  // "" when accepted, else a piece of the reason
    };
    const FileDigest other_size{digest.size + 1, digest.crc}, other_crc{digest.size, digest.crc ^ 1};
    const Case cases[] = {
        {"deflated", "", nullptr, digest, ""},
        {"stored, with an archive comment",
         "z.comment = b'made by hand'\nz.write(sys.argv[2], 'Backup.bak', zipfile.ZIP_STORED)\n",
         nullptr, digest, ""},
        {"a second entry", add + "z.writestr('other.txt', 'x')\n", nullptr, digest, "2 entradas em vez de uma"},
        {"another file's size", "", nullptr, other_size, "bytes e o backup tem"},
        {"another file's CRC-32", "", nullptr, other_crc, "CRC-32 da entrada"},
        {"a damaged byte in the data", "", [](std::string& b) { b[30 + 10 + 5000] ^= 0x55; }, digest, "entrada"},
        {"a directory CRC that the data does not have", "", [&](std::string& b) { b[cd + 16] ^= 1; }, digest,
         "não confere com o seu registro"},
        {"a directory size that the data does not have", "", [&](std::string& b) { b[cd + 24] ^= 1; }, digest,
         "não confere com o seu registro"},
        {"cut short", "", [](std::string& b) { b.pop_back(); }, digest, "registro final"},
        {"cut before its directory", "", [&](std::string& b) { b.resize(cd); }, digest, "registro final"},
        {"encrypted", "", [&](std::string& b) { b[cd + 8] |= 1; }, digest, "cifrada"},
        {"not a zip at all", "", [](std::string& b) { b.assign(100, 'x'); }, digest, "registro final"},
    };
    for (const Case& c : cases) {
        const std::string zip = dir / "case.zip";
        if (!c.body.empty()) {
            fs::remove(zip);
            python_zip(zip, c.body, bak);
        } else {
            std::string bytes = original;
            if (c.mutate) c.mutate(bytes);
            write_file(zip, bytes);
        }
        const std::string verdict = check_single_entry_archive(zip, c.expected);
        if (*c.verdict == '\0') EXPECT_EQ(verdict, "") << c.what;
        else EXPECT_NE(verdict.find(c.verdict), std::string::npos) << c.what << ": " << verdict;
    }
    EXPECT_NE(check_single_entry_archive(dir / "missing.zip", digest), "");
}

namespace {

// A TZip set up as the backup window's form resource sets it.
struct FormZip : archive::TZip {
    explicit FormZip(const std::string& temp_dir) {
        SetArcType(atZip);
        SetCompressMethod(archive::cmDeflate);
        SetDefaultExt(".zip");
        DeleteOptions = archive::doAllowUndo;
        Switch = archive::swAdd;
        SetTempDir(temp_dir);
    }
};

// XDG_DATA_HOME pointed at a folder of the test while it runs.
struct DataHome {
    explicit DataHome(const std::string& dir) {
        fs::create_directories(dir);
        ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    }
    ~DataHome() { ::unsetenv("XDG_DATA_HOME"); }
};

}  // namespace

TEST(HandOffBackup, PacksChecksAndTrashes) {
    Scratch dir;
    DataHome home(dir / "data");
    fs::create_directories(dir / "tmp");
    const std::string bak = dir / "Backup_Loja_20240131_235959.bak";
    write_file(bak, backup_bytes());
    FormZip zip(dir / "tmp");
    EXPECT_EQ(app::hand_off_backup(zip, bak), "");
    EXPECT_FALSE(fs::exists(bak));
    EXPECT_EQ(read_file(dir / "data/Trash/files/Backup_Loja_20240131_235959.bak"), backup_bytes());
    EXPECT_EQ(check_single_entry_archive(dir / "Backup_Loja_20240131_235959.zip",
                                         app::digest_file(dir / "data/Trash/files/Backup_Loja_20240131_235959.bak")),
              "");
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

// The server (or anything else) still writing to the backup while it is
// packed: the archive no longer matches the file, so the file is kept.
TEST(HandOffBackup, ABackupThatChangedWhileBeingPackedStays) {
    Scratch dir;
    DataHome home(dir / "data");
    const std::string bak = dir / "Backup.bak";
    write_file(bak, backup_bytes());
    FormZip zip(dir.path());
    zip.OnDeactivate = [&](TObject*) { std::ofstream(bak, std::ios::binary | std::ios::app) << "more"; };
    const std::string line = app::hand_off_backup(zip, bak);
    EXPECT_NE(line.find("não confere com \"" + bak + "\""), std::string::npos) << line;
    EXPECT_NE(line.find("o arquivo de backup fica onde está"), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    EXPECT_EQ(read_file(bak), backup_bytes() + "more");
    EXPECT_FALSE(fs::exists(dir / "data/Trash/files/Backup.bak"));
}

// The component's own report reaches the line, and a handler that the
// component already had still gets it and is back in place afterwards.
TEST(HandOffBackup, AMissingBackupIsReportedWithTheComponentsText) {
    Scratch dir;
    DataHome home(dir / "data");
    FormZip zip(dir.path());
    int seen = 0;
    zip.OnError = [&](archive::TZipCommon&, const std::string&, const std::string&, const std::string&, int code) {
        EXPECT_EQ(code, archive::E_NOTHINGTODO);
        ++seen;
    };
    const std::string line = app::hand_off_backup(zip, dir / "Backup.bak");
    EXPECT_EQ(line, "não foi possível compactar \"" + (dir / "Backup.bak") + "\" em \"" + (dir / "Backup.zip") +
                        "\": Nothing to do; o arquivo de backup fica onde está");
    EXPECT_EQ(seen, 1);
    ASSERT_TRUE(zip.OnError);
    zip.OnError(zip, "", "", "", archive::E_NOTHINGTODO);
    EXPECT_EQ(seen, 2);
    EXPECT_FALSE(fs::exists(dir / "Backup.zip"));
}

// Only a regular file in the folder itself is packed: a link (to a file only
// its owner may read elsewhere, to a file beside it, or to nothing), a FIFO
// or a folder under the backup's name fails the packing step, with nothing
// written, moved or waited on.
TEST(HandOffBackup, ANameThatIsNoRegularFileIsRefusedBeforePacking) {
    struct Case {
        const char* what;
        std::function<void(const std::string& dir, const std::string& bak)> make;
        const char* reason;
    } cases[] = {
        {"a link to a file only its owner may read",
         [](const std::string& dir, const std::string& bak) {
             fs::create_directories(dir + "/elsewhere");
             write_file(dir + "/elsewhere/secret", "secret");
             fs::permissions(dir + "/elsewhere/secret", fs::perms::owner_read | fs::perms::owner_write);
             fs::create_symlink(dir + "/elsewhere/secret", bak);
         },
         "é um link simbólico"},
        {"a link to a backup beside it",
         [](const std::string& dir, const std::string& bak) {
             write_file(dir + "/real.bak", backup_bytes());
             fs::create_symlink("real.bak", bak);
         },
         "é um link simbólico"},
        {"a dangling link",
         [](const std::string& dir, const std::string& bak) { fs::create_symlink(dir + "/gone.bak", bak); },
         "é um link simbólico"},
        {"a FIFO", [](const std::string&, const std::string& bak) { ASSERT_EQ(::mkfifo(bak.c_str(), 0600), 0); },
         "não é um arquivo comum"},
        {"a folder", [](const std::string&, const std::string& bak) { fs::create_directories(bak); },
         "não é um arquivo comum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch dir;
        DataHome home(dir / "data");
        fs::create_directories(dir / "backups");
        const std::string bak = dir / "backups/Backup.bak";
        c.make(dir.path(), bak);
        std::map<std::string, std::string> before;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            before[e.path().string()] = e.is_regular_file() && !e.is_symlink() ? read_file(e.path().string()) : "";
        FormZip zip(dir.path());
        const std::string line = app::hand_off_backup(zip, bak);
        EXPECT_EQ(line, "não foi possível compactar \"" + bak + "\": " + c.reason +
                            "; o arquivo de backup fica onde está");
        std::map<std::string, std::string> after;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            after[e.path().string()] = e.is_regular_file() && !e.is_symlink() ? read_file(e.path().string()) : "";
        EXPECT_EQ(after, before);
        EXPECT_FALSE(zip.SourceHandle);
    }
}
