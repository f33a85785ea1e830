// Disk spanning onto simulated removable disks: a tmpfs of a floppy's size
// declared removable, remounted for every new disk; the parts are joined by
// Info-ZIP's zip and tested by unzip.

#include "archive/arcDiskSpan.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "archive/tests/TestHelpers.h"
#include "platform/os/Volumes.h"

using namespace drivetest;
using namespace archive;
namespace fs = std::filesystem;

namespace {

std::uint32_t rd32(const std::string& s, std::size_t at) {
    return static_cast<std::uint8_t>(s[at]) | (static_cast<std::uint8_t>(s[at + 1]) << 8) |
           (static_cast<std::uint8_t>(s[at + 2]) << 16) | (static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 3])) << 24);
}
std::uint16_t rd16(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(s[at]) | (static_cast<std::uint8_t>(s[at + 1]) << 8));
}

// A pass over an ordinary archive made by another tool: its entries are the
// temporary archive, its central directory the entry list.
class ArchivePass : public TSpanPass {
public:
    ArchivePass(const std::string& zip_bytes, std::string target) : target_(std::move(target)) {
        std::size_t end = zip_bytes.size() - 22;
        EXPECT_EQ(rd32(zip_bytes, end), 0x06054B50u);
        std::size_t cd = rd32(zip_bytes, end + 16);
        int n = rd16(zip_bytes, end + 10);
        temp_ = zip_bytes.substr(0, cd);
        std::size_t at = cd;
        for (int i = 0; i < n; ++i) {
            std::array<std::uint8_t, 46> h{};
            std::memcpy(h.data(), zip_bytes.data() + at, 46);
            std::size_t rest = rd16(zip_bytes, at + 28) + rd16(zip_bytes, at + 30) + rd16(zip_bytes, at + 32);
            headers_.push_back(h);
            tails_.push_back(zip_bytes.substr(at + 46, rest));
            at += 46 + rest;
        }
        deleted_.assign(static_cast<std::size_t>(n), false);
    }

    std::string ArchiveFile() override { return target_; }
    std::int64_t TempSize() override { return static_cast<std::int64_t>(temp_.size()); }
    void TempSeek(std::int64_t p) override { pos_ = static_cast<std::size_t>(p); }
    std::int64_t TempRead(void* b, std::int64_t n) override {
        std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), temp_.size() - pos_);
        std::memcpy(b, temp_.data() + pos_, k);
        pos_ += k;
        return static_cast<std::int64_t>(k);
    }
    int EntryCount() override { return static_cast<int>(headers_.size()); }
    bool EntryDeleted(int i) override { return deleted_[static_cast<std::size_t>(i)]; }
    std::uint8_t* CentralHeader(int i) override { return headers_[static_cast<std::size_t>(i)].data(); }
    std::string CentralRecord(int i) override {
        const auto& h = headers_[static_cast<std::size_t>(i)];
        return std::string(reinterpret_cast<const char*>(h.data()), 46) + tails_[static_cast<std::size_t>(i)];
    }
    void SetCurrentEntry(int) override {}
    bool Cancelled() override { return cancel_; }
    void SetCancel() override { cancel_ = true; }
    void Progress(std::int64_t done, std::int64_t total) override { last_progress_ = {done, total}; }
    void SetBytesLeft(std::int64_t) override {}
    void ProcessMessages() override {}
    bool DeleteOrRecycle(const std::string& name) override {
        ++deletions_;
        return fs::remove(name);
    }

    bool cancel_ = false;
    int deletions_ = 0;
    std::pair<std::int64_t, std::int64_t> last_progress_{-1, -1};
    std::vector<bool> deleted_;

private:
    std::string target_, temp_;
    std::size_t pos_ = 0;
    std::vector<std::array<std::uint8_t, 46>> headers_;
    std::vector<std::string> tails_;
};

struct Reports {
    std::vector<std::tuple<std::string, std::string, std::string, int>> list;
    TReportError fn() {
        return [this](const std::string& f, const std::string& e, const std::string& v, int c) {
            list.emplace_back(f, e, v, c);
        };
    }
};

class SpanTest : public DriveTest {
protected:
    // Random (incompressible) files stored in an archive made by python's zipfile.
    std::string make_zip(const std::vector<std::pair<std::string, std::size_t>>& files) {
        std::mt19937 rng(1234);
        std::string args;
        for (const auto& [name, size] : files) {
            std::string data(size, '\0');
            for (char& c : data) c = static_cast<char>(rng());
            write_all(dir / ("src/" + name), data);
            args += " " + shell_quote(name);
        }
        EXPECT_EQ(run("cd " + shell_quote(dir / "src") +
                      " && /usr/bin/python3 -c 'import sys,zipfile\n"
                      "with zipfile.ZipFile(\"../made.zip\",\"w\",zipfile.ZIP_STORED) as z:\n"
                      "    [z.write(f) for f in sys.argv[1:]]' " + args),
                  0);
        return read_all(dir / "made.zip");
    }
};

TEST_F(SpanTest, ThreeFloppiesJoinedByZipPassUnzipTest) {
    auto disk = std::make_unique<Mount>(dir / "drive", "tmpfs", 0, "size=1440k");
    if (!disk->ok()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    os::override_drive_type(dir / "drive", os::DriveType::Removable);

    std::string zip = make_zip({{"a.bin", 900000}, {"b.bin", 1200000}, {"c.bin", 1100000}, {"small.txt", 300}});
    std::string target = dir / "drive/x.zip";
    ArchivePass pass(zip, target);
    TDiskManager checker;
    ASSERT_TRUE(CheckArchiveDrive(checker, target, nullptr, nullptr, nullptr));
    ASSERT_EQ(checker.DriveType, 2);

    Reports reports;
    TDiskSpanObj span(pass, checker);
    span.SpanReportError = reports.fn();
    span.LeaveSpaceOnFirstDisk = 200000;
    std::vector<std::string> asked;
    int parts = 0;
    bool kept_disk_once = false;
    span.OnInsertDisk = [&](TDiskSpanObj* sender, const std::string& volume, bool& cancel) {
        EXPECT_EQ(sender, &span);
        asked.push_back(volume);
        cancel = false;
        // The first time disk 2 is asked for, the user leaves disk 1 in the
        // drive: the writer must ask again without touching it.
        if (volume == "2" && !kept_disk_once) {
            kept_disk_once = true;
            return;
        }
        char part[16];
        std::snprintf(part, sizeof part, "x.z%02d", ++parts);
        fs::copy_file(target, dir / ("out/" + std::string(part)));
        disk.reset();
        disk = std::make_unique<Mount>(dir / "drive", "tmpfs", 0, "size=1440k");
        ASSERT_TRUE(disk->ok());
    };

    ASSERT_TRUE(span.WriteSpanned());
    fs::copy_file(target, dir / "out/x.zip");
    EXPECT_EQ(asked, (std::vector<std::string>{"2", "2", "3"}));
    EXPECT_EQ(span.DiskNumber, 3u);
    EXPECT_TRUE(reports.list.empty());

    std::string first = read_all(dir / "out/x.z01");
    EXPECT_EQ(first.substr(0, 4), std::string("PK\7\x08", 4));
    EXPECT_LE(first.size(), 1474560u - 200000u);   // room left on the first disk
    EXPECT_LE(fs::file_size(dir / "out/x.z02"), 1474560u);
    EXPECT_LE(fs::file_size(dir / "out/x.zip"), 1474560u);

    // The end record sits on the last disk and points at the directory.
    std::string last = read_all(dir / "out/x.zip");
    std::size_t end = last.size() - 22;
    EXPECT_EQ(rd32(last, end), 0x06054B50u);
    EXPECT_EQ(rd16(last, end + 4), 2);
    EXPECT_EQ(rd16(last, end + 10), 4);
    std::uint16_t cd_disk = rd16(last, end + 6);
    std::string cd_part = read_all(dir / (cd_disk == 2 ? "out/x.zip" : "out/x.z0" + std::to_string(cd_disk + 1)));
    EXPECT_EQ(rd32(cd_part, rd32(last, end + 16)), 0x02014B50u);

    // Each disk was labelled; the last label is that of disk 3.
    EXPECT_EQ(checker.VolumeLabel, "PKBACK# 003");
    EXPECT_EQ(checker.SpanNumber, 3);

    std::string outdir = shell_quote(dir / "out");
    EXPECT_EQ(run("cd " + outdir + " && 7z t x.zip >/dev/null"), 0);
    ASSERT_EQ(run("cd " + outdir + " && zip -q -s 0 x.zip --out one.zip"), 0);
    ASSERT_EQ(run("cd " + outdir + " && unzip -tqq one.zip"), 0);
    ASSERT_EQ(run("cd " + outdir + " && mkdir x && cd x && unzip -qq ../one.zip"), 0);
    for (const char* f : {"a.bin", "b.bin", "c.bin", "small.txt"})
        EXPECT_EQ(read_all(dir / ("out/x/" + std::string(f))), read_all(dir / ("src/" + std::string(f)))) << f;
}

TEST_F(SpanTest, OneEntryAcrossThreeDisksReadsBackWith7z) {
    auto disk = std::make_unique<Mount>(dir / "drive", "tmpfs", 0, "size=1440k");
    if (!disk->ok()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    os::override_drive_type(dir / "drive", os::DriveType::Removable);
    std::string target = dir / "drive/x.zip";
    ArchivePass pass(make_zip({{"big.bin", 3000000}}), target);
    TDiskManager checker;
    ASSERT_TRUE(CheckArchiveDrive(checker, target, nullptr, nullptr, nullptr));
    TDiskSpanObj span(pass, checker);
    int parts = 0;
    span.OnInsertDisk = [&](TDiskSpanObj*, const std::string&, bool& cancel) {
        char part[16];
        std::snprintf(part, sizeof part, "x.z%02d", ++parts);
        fs::copy_file(target, dir / ("out/" + std::string(part)));
        disk.reset();
        disk = std::make_unique<Mount>(dir / "drive", "tmpfs", 0, "size=1440k");
        cancel = !disk->ok();
    };
    ASSERT_TRUE(span.WriteSpanned());
    fs::copy_file(target, dir / "out/x.zip");
    EXPECT_EQ(parts, 2);
    EXPECT_EQ(run("cd " + shell_quote(dir / "out") + " && 7z t x.zip >/dev/null"), 0);
    EXPECT_EQ(run("cd " + shell_quote(dir / "out") + " && 7z x -oy x.zip >/dev/null"), 0);
    EXPECT_EQ(read_all(dir / "out/y/big.bin"), read_all(dir / "src/big.bin"));
}

TEST_F(SpanTest, ArchiveThatFitsIsAnOrdinaryArchiveOnOneDisk) {
    fs::create_directories(dir / "stick");
    os::override_drive_type(dir / "stick", os::DriveType::Removable);
    std::string target = dir / "stick/x.zip";
    ArchivePass pass(make_zip({{"a.bin", 5000}, {"b.bin", 7000}}), target);
    TDiskManager checker;
    ASSERT_TRUE(CheckArchiveDrive(checker, target, nullptr, nullptr, nullptr));
    TDiskSpanObj span(pass, checker);
    int asked = 0;
    span.OnInsertDisk = [&](TDiskSpanObj*, const std::string&, bool& cancel) {
        ++asked;
        cancel = true;
    };
    ASSERT_TRUE(span.WriteSpanned());
    EXPECT_EQ(asked, 0); // a suitable disk already in the drive is used without asking
    std::string bytes = read_all(target);
    EXPECT_EQ(bytes.substr(0, 4), std::string("PK\3\4", 4));
    EXPECT_EQ(bytes, read_all(dir / "made.zip"));
    EXPECT_EQ(run("unzip -tqq " + shell_quote(target)), 0);
    EXPECT_EQ(pass.last_progress_, (std::pair<std::int64_t, std::int64_t>{2, 2}));
}

TEST_F(SpanTest, FailuresBeforeAnythingIsWritten) {
    fs::create_directories(dir / "stick");
    os::override_drive_type(dir / "stick", os::DriveType::Removable);
    std::string target = dir / "stick/x.zip";
    std::string zip = make_zip({{"a.bin", 5000}});

    {   // No OnInsertDisk: 25270 naming the event and disk 1, nothing written.
        ArchivePass pass(zip, target);
        TDiskManager checker;
        ASSERT_TRUE(CheckArchiveDrive(checker, target, nullptr, nullptr, nullptr));
        Reports r;
        TDiskSpanObj span(pass, checker);
        span.SpanReportError = r.fn();
        EXPECT_FALSE(span.WriteSpanned());
        ASSERT_EQ(r.list.size(), 1u);
        EXPECT_EQ(r.list[0], std::make_tuple(target, std::string("OnInsertDisk"), std::string("1"), 25270));
        EXPECT_FALSE(fs::exists(target));
    }

    // An archive of that name already on the disk.
    write_all(target, "earlier archive");
    {   // The user skips it: cancel flag set, the file untouched.
        ArchivePass pass(zip, target);
        TDiskManager checker;
        ASSERT_TRUE(CheckArchiveDrive(checker, target, nullptr, nullptr, nullptr));
        TDiskSpanObj span(pass, checker);
        span.OnInsertDisk = [](TDiskSpanObj*, const std::string&, bool& cancel) { cancel = false; };
        std::string seen;
        span.OnDiskSpanFileExists = [&](TDiskSpanObj*, const std::string& name, double date, TOverwriteMode& mode) {
            seen = name;
            EXPECT_GT(date, 40000.0); // after 2009
            mode = omSkip;
        };
        EXPECT_FALSE(span.WriteSpanned());
        EXPECT_EQ(seen, target);
        EXPECT_TRUE(pass.cancel_);
        EXPECT_EQ(read_all(target), "earlier archive");
    }
    {   // The user cancels the insertion.
        ArchivePass pass(zip, target);
        TDiskManager checker;
        ASSERT_TRUE(CheckArchiveDrive(checker, target, nullptr, nullptr, nullptr));
        TDiskSpanObj span(pass, checker);
        span.OnInsertDisk = [](TDiskSpanObj*, const std::string&, bool& cancel) { cancel = true; };
        EXPECT_FALSE(span.WriteSpanned());
        EXPECT_EQ(read_all(target), "earlier archive");
    }
    {   // Without a file-exists handler the file is reported and replaced;
        // a disk that is not empty is cleared through OnClearDisk, whose
        // cancel ends the spanning.
        ArchivePass pass(zip, target);
        TDiskManager checker;
        ASSERT_TRUE(CheckArchiveDrive(checker, target, nullptr, nullptr, nullptr));
        Reports r;
        TDiskSpanObj span(pass, checker);
        span.SpanReportError = r.fn();
        span.OnInsertDisk = [](TDiskSpanObj*, const std::string&, bool& cancel) { cancel = false; };
        int clear_asked = 0;
        span.OnClearDisk = [&](TDiskSpanObj*, const std::string& drive, std::int64_t required, std::int64_t free,
                               std::int64_t total, bool& cancel) {
            ++clear_asked;
            EXPECT_EQ(drive, checker.Drive);
            EXPECT_EQ(required, 10000);
            EXPECT_LT(free, total);
            cancel = true;
        };
        EXPECT_FALSE(span.WriteSpanned());
        EXPECT_EQ(clear_asked, 1);
        EXPECT_EQ(pass.deletions_, 1);
        ASSERT_FALSE(r.list.empty());
        EXPECT_EQ(std::get<1>(r.list[0]), "OnFileExists");
        EXPECT_EQ(std::get<2>(r.list[0]), "1");
    }
}

TEST_F(SpanTest, DamagedTemporaryArchiveStopsTheSpanning) {
    fs::create_directories(dir / "stick");
    os::override_drive_type(dir / "stick", os::DriveType::Removable);
    std::string target = dir / "stick/x.zip";
    std::string zip = make_zip({{"a.bin", 5000}, {"b.bin", 100}});
    zip[0] = 'X'; // first local header no longer a header
    ArchivePass pass(zip, target);
    TDiskManager checker;
    ASSERT_TRUE(CheckArchiveDrive(checker, target, nullptr, nullptr, nullptr));
    TDiskSpanObj span(pass, checker);
    span.OnInsertDisk = [](TDiskSpanObj*, const std::string&, bool& cancel) { cancel = true; };
    EXPECT_FALSE(span.WriteSpanned());
    EXPECT_FALSE(fs::exists(target));

    // A damaged entry after one already copied: the part-written disk file
    // is dropped, nothing takes the archive's name and nothing is left beside it.
    std::string later = make_zip({{"a.bin", 5000}, {"b.bin", 100}});
    later[30 + 5 + 5000] = 'X';
    fs::remove(target);
    ArchivePass late_pass(later, target);
    TDiskSpanObj late_span(late_pass, checker);
    late_span.OnInsertDisk = [](TDiskSpanObj*, const std::string&, bool& cancel) { cancel = true; };
    EXPECT_FALSE(late_span.WriteSpanned());
    EXPECT_EQ(late_pass.last_progress_, (std::pair<std::int64_t, std::int64_t>{1, 2}));
    EXPECT_TRUE(fs::is_empty(dir / "stick"));

    // A cancel flag set before the entries are copied stops it too.
    ArchivePass pass2(make_zip({{"a.bin", 5000}}), target);
    pass2.cancel_ = true;
    TDiskSpanObj span2(pass2, checker);
    span2.OnInsertDisk = [](TDiskSpanObj*, const std::string&, bool& cancel) { cancel = false; };
    span2.OnDiskSpanFileExists = [](TDiskSpanObj*, const std::string&, double, TOverwriteMode& m) { m = omOverwrite; };
    span2.OnClearDisk = [](TDiskSpanObj*, const std::string&, std::int64_t, std::int64_t, std::int64_t, bool& c) {
        c = false;
    };
    EXPECT_FALSE(span2.WriteSpanned());
}

} // namespace
