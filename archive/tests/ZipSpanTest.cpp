// The compress pass on removable and read-only drives: the drive check before
// the pass and the archive written across simulated floppies.

#include "archive/arcZip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <sys/mount.h>

#include "archive/tests/TestHelpers.h"
#include "platform/os/Volumes.h"

using namespace drivetest;
using namespace archive;
namespace fs = std::filesystem;

namespace {

struct Error {
    std::string file, extended, volume;
    int code;
};

struct Zip : TZip {
    std::vector<Error> errors;
    Zip() {
        OnError = [this](TZipCommon&, const std::string& f, const std::string& x, const std::string& v, int c) {
            errors.push_back({f, x, v, c});
        };
    }
};

std::string random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

class ZipSpanTest : public DriveTest {};

TEST_F(ZipSpanTest, BackupSpannedOverThreeFloppiesJoinsAndTests) {
    auto disk = std::make_unique<Mount>(dir / "a", "tmpfs", 0, "size=1440k");
    if (!disk->ok()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    os::override_drive_type(dir / "a", os::DriveType::Removable);
    // No entry spans three disks: Info-ZIP's join cannot copy such an entry,
    // not even from splits of its own making (7-Zip reads them).
    write_all(dir / "src/Backup_1.bak", random_bytes(1200000, 7));
    write_all(dir / "src/Backup_2.bak", random_bytes(1200000, 8));
    write_all(dir / "src/Backup_X.bak", random_bytes(1200000, 9));
    write_all(dir / "src/notes.txt", std::string(5000, 'n'));

    Zip zip;
    SetLines(zip.FileSpec, {dir / "src/*"});
    zip.Password = "secret";
    zip.SetArchiveFile(dir / "a/Backup_X.zip");
    std::vector<std::string> asked;
    int parts = 0;
    zip.OnInsertDisk = [&](TZipCommon& sender, const std::string& volume, bool& cancel) {
        EXPECT_EQ(&sender, &zip);
        asked.push_back(volume);
        char part[24];
        std::snprintf(part, sizeof part, "Backup_X.z%02d", ++parts);
        fs::copy_file(dir / "a/Backup_X.zip", dir / ("out/" + std::string(part)));
        disk.reset();
        disk = std::make_unique<Mount>(dir / "a", "tmpfs", 0, "size=1440k");
        cancel = !disk->ok();
    };
    ASSERT_EQ(zip.Compress(), 4);
    for (const auto& e : zip.errors) ADD_FAILURE() << e.code << " " << e.extended;
    EXPECT_EQ(asked, (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(zip.DiskManager().DriveType, 2);
    EXPECT_EQ(zip.DiskManager().VolumeLabel, "PKBACK# 003");
    fs::copy_file(dir / "a/Backup_X.zip", dir / "out/Backup_X.zip");
    // Nothing of the temporary archive is left beside the parts.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "a"), fs::directory_iterator()), 1);

    std::string out = shell_quote(dir / "out");
    EXPECT_EQ(run("cd " + out + " && 7z t -psecret Backup_X.zip >/dev/null"), 0);
    ASSERT_EQ(run("cd " + out + " && zip -q -s 0 Backup_X.zip --out one.zip"), 0);
    ASSERT_EQ(run("cd " + out + " && unzip -P secret -tqq one.zip"), 0);
    ASSERT_EQ(run("cd " + out + " && mkdir x && cd x && unzip -P secret -qq ../one.zip"), 0);
    for (const char* f : {"Backup_1.bak", "Backup_2.bak", "Backup_X.bak", "notes.txt"})
        EXPECT_EQ(read_all(dir / ("out/x/" + std::string(f))), read_all(dir / ("src/" + std::string(f)))) << f;
}

TEST_F(ZipSpanTest, RemovableDriveWithoutInsertDiskEventWritesNothing) {
    fs::create_directories(dir / "stick");
    os::override_drive_type(dir / "stick", os::DriveType::Removable);
    write_all(dir / "src/Backup_X.bak", std::string(20000, 'b'));
    Zip zip;
    SetLines(zip.FileSpec, {dir / "src/Backup_X.bak"});
    zip.SetArchiveFile(dir / "stick/Backup_X.zip");
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_FALSE(zip.errors.empty());
    EXPECT_EQ(zip.errors[0].code, 25270);
    EXPECT_EQ(zip.errors[0].extended, "OnInsertDisk");
    EXPECT_EQ(zip.errors[0].volume, "1");
    EXPECT_TRUE(fs::is_empty(dir / "stick"));
}

TEST_F(ZipSpanTest, ReadOnlyDriveEndsThePassBeforeAnythingIsScanned) {
    Mount ro(dir / "ro", "tmpfs", MS_RDONLY, "size=64k");
    if (!ro.ok()) GTEST_SKIP() << "mounting is not permitted here";
    write_all(dir / "src/Backup_X.bak", "data");
    Zip zip;
    SetLines(zip.FileSpec, {dir / "src/Backup_X.bak"});
    zip.SetArchiveFile(dir / "ro/Backup_X.zip");
    bool scanned = false;
    zip.OnBegin = [&](TZipCommon&, const std::string&, int, bool&) { scanned = true; };
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_EQ(zip.errors.size(), 1u);
    EXPECT_EQ(zip.errors[0].code, 25171);
    EXPECT_EQ(zip.errors[0].file, dir / "ro");
    EXPECT_FALSE(scanned);

    // A handler that gives up makes it "User canceled".
    zip.errors.clear();
    int asked = 0;
    zip.OnDiskWriteProtectErr = [&](TZipCommon& sender, bool& abort) {
        EXPECT_EQ(&sender, &zip);
        ++asked;
        abort = true;
    };
    EXPECT_EQ(zip.Compress(), 0);
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(zip.errors.size(), 1u);
    EXPECT_EQ(zip.errors[0].code, 25443);
}

TEST_F(ZipSpanTest, FixedDriveNeverSpans) {
    write_all(dir / "src/Backup_X.bak", std::string(20000, 'b'));
    Zip zip;
    SetLines(zip.FileSpec, {dir / "src/Backup_X.bak"});
    zip.SetArchiveFile(dir / "out/Backup_X.zip");
    bool asked = false;
    zip.OnInsertDisk = [&](TZipCommon&, const std::string&, bool& cancel) {
        asked = true;
        cancel = true;
    };
    ASSERT_EQ(zip.Compress(), 1);
    EXPECT_FALSE(asked);
    EXPECT_NE(zip.DiskManager().DriveType, 2);
    EXPECT_EQ(read_all(dir / "out/Backup_X.zip").substr(0, 4), std::string("PK\3\4", 4));
    EXPECT_EQ(run("unzip -tqq " + shell_quote(dir / "out/Backup_X.zip")), 0);
}

} // namespace
