// The drive check against df and findmnt, on real mounts made by the tests.

#include "archive/arcDiskManager.h"
#include "archive/arcDetect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include "archive/tests/TestHelpers.h"
#include "tests/support/ScriptedHost.h"
#include "platform/os/Volumes.h"

using namespace drivetest;
using namespace archive;

namespace {

struct Report {
    std::string file;
    std::string volume;
    int code;
};

struct Recorder {
    std::vector<Report> reports;
    TReportError fn() {
        return [this](const std::string& f, const std::string&, const std::string& v, int c) {
            reports.push_back({f, v, c});
        };
    }
};

std::string df_field(const std::string& path, const char* field) {
    std::string out = capture("df -B1 --output=" + std::string(field) + " " + shell_quote(path) + " | tail -n 1");
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    while (!out.empty() && out.front() == ' ') out.erase(0, 1);
    return out;
}

class DriveCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        os::clear_drive_type_overrides();
        ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    }
    void TearDown() override { os::clear_drive_type_overrides(); }
    ScratchDir dir;
};

TEST_F(DriveCheckTest, DriveInfoAgreesWithDfAndFindmnt) {
    std::string folder = dir / "sub";
    std::filesystem::create_directories(folder);
    int status = -1;
    std::string json = capture(tool("archive-tool") + " drive-info " + shell_quote(folder + "/x.zip"), &status);
    ASSERT_EQ(status, 0) << json;
    EXPECT_EQ(json_field(json, "file_system"), capture("findmnt -no FSTYPE -T " + shell_quote(folder) + " | tr -d '\\n'"));
    EXPECT_EQ(json_field(json, "drive"), capture("findmnt -no TARGET -T " + shell_quote(folder) + " | tr -d '\\n'"));
    EXPECT_EQ(json_field(json, "total_space"), df_field(folder, "size"));
    // Other programs write to this disk meanwhile: free space within 256 MiB.
    long long ours = std::atoll(json_field(json, "free_space").c_str());
    long long df = std::atoll(df_field(folder, "avail").c_str());
    EXPECT_LT(std::llabs(ours - df), 256LL << 20) << ours << " vs " << df;
    EXPECT_EQ(json_field(json, "folder"), std::filesystem::canonical(folder).string());
}

TEST_F(DriveCheckTest, TmpfsIsARamDriveWithExactFigures) {
    Mount m(dir / "ram", "tmpfs", 0, "size=1440k");
    if (!m.ok()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    // A name in a folder that does not exist yet lies on the same drive.
    int status = -1;
    std::string json = capture(tool("archive-tool") + " drive-info " + shell_quote(dir / "ram/new/x.zip"), &status);
    ASSERT_EQ(status, 0) << json;
    EXPECT_EQ(json_field(json, "drive_type"), "6");
    EXPECT_EQ(json_field(json, "drive_type_name"), "RAM");
    EXPECT_EQ(json_field(json, "file_system"), "tmpfs");
    EXPECT_EQ(json_field(json, "free_space"), df_field(dir / "ram", "avail"));
    EXPECT_EQ(json_field(json, "total_space"), df_field(dir / "ram", "size"));
    EXPECT_EQ(json_field(json, "drive"), dir / "ram");
}

TEST_F(DriveCheckTest, ReadOnlyMountsAreWriteProtected) {
    std::filesystem::create_directories(dir / "src");
    Mount ro(dir / "ro", "tmpfs", MS_RDONLY, "size=64k");
    if (!ro.ok()) GTEST_SKIP() << "mounting is not permitted here";
    bool bound = Mount::bind_read_only(dir / "src", dir / "bind");
    ASSERT_TRUE(bound);
    struct Unbind {
        std::string t;
        ~Unbind() { ::umount2(t.c_str(), MNT_DETACH); }
    } unbind{dir / "bind"};

    for (const std::string& target : {dir / "ro", dir / "bind"}) {
        SCOPED_TRACE(target);
        // Through the tool: the error of the check, non-zero exit.
        int status = -1;
        capture(tool("archive-tool") + " drive-info " + shell_quote(target + "/x.zip") + " 2>" +
                    shell_quote(dir / "err"),
                &status);
        EXPECT_EQ(status, 1);
        EXPECT_NE(read_all(dir / "err").find("disk is write protected"), std::string::npos) << read_all(dir / "err");

        // In the library: 25171 without a handler, reported for the drive.
        TDiskManager m;
        Recorder r;
        EXPECT_FALSE(CheckArchiveDrive(m, target + "/x.zip", nullptr, nullptr, r.fn()));
        ASSERT_EQ(r.reports.size(), 1u);
        EXPECT_EQ(r.reports[0].code, 25171);
        EXPECT_EQ(r.reports[0].file, target);
        EXPECT_EQ(r.reports[0].volume, "0");

        // A handler is asked again until it gives up; giving up is "User canceled".
        int asked = 0;
        Recorder r2;
        TOnDiskError handler = [&](TDiskCommon* sender, bool& abort) {
            EXPECT_EQ(sender, &m);
            ++asked;
            abort = asked >= 3;
        };
        EXPECT_FALSE(CheckArchiveDrive(m, target + "/x.zip", nullptr, handler, r2.fn()));
        EXPECT_EQ(asked, 3);
        ASSERT_EQ(r2.reports.size(), 1u);
        EXPECT_EQ(r2.reports[0].code, 25443);

        // Without a report method the check stays silent.
        EXPECT_FALSE(CheckArchiveDrive(m, target + "/x.zip", nullptr, nullptr, nullptr));
    }
}

TEST_F(DriveCheckTest, WriteProtectionIsCheckedBeforeTheVolumeQuery) {
    // A read-only medium whose volume cannot be queried (the mount table is
    // hidden): write protection is what the check reports first, and the
    // volume box never shows. The mounts live in a child's own namespace.
    const std::string result = dir / "result";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const std::string empty = dir / "empty";
        write_all(empty, "");
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(77);
        std::filesystem::create_directories(dir / "ro");
        if (::mount("tmpfs", (dir / "ro").c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0) _exit(77);
        if (::mount(empty.c_str(), "/proc/self/mountinfo", nullptr, MS_BIND, nullptr) != 0) _exit(77);
        test_support::ScriptedHost host({archive::ID_CANCEL, archive::ID_CANCEL});
        core::ScopedService installed(core::host_slot, &host);
        TDiskManager m;
        Recorder r;
        CheckArchiveDrive(m, dir / "ro/x.zip", nullptr, nullptr, r.fn());
        std::string out = "boxes " + std::to_string(host.boxes.size());
        for (const auto& rep : r.reports) out += " " + std::to_string(rep.code);
        write_all(result, out);
        _exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "a mount namespace of its own is not permitted here";
    EXPECT_EQ(read_all(result), "boxes 0 25171");
}

TEST_F(DriveCheckTest, WritableFolderPassesAndLeavesNoProbeBehind) {
    TDiskManager m;
    Recorder r;
    ASSERT_TRUE(CheckArchiveDrive(m, dir / "x.zip", nullptr, nullptr, r.fn()));
    EXPECT_TRUE(r.reports.empty());
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(e.path().filename().string().rfind("arc", 0), 0u) << e.path();
    EXPECT_EQ(m.SerialHex.size(), 8u);
    EXPECT_GT(m.TotalSpace, 0);
    EXPECT_GT(m.MaxComponentLength, 0u);
    EXPECT_EQ(m.DriveTypeName, archive::DriveTypeNameOf(m.DriveType));
}

TEST_F(DriveCheckTest, RelativeNameIsCheckedOnTheCurrentFolder) {
    Mount m(dir / "ram", "tmpfs", 0, "size=64k");
    if (!m.ok()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir / "ram");
    TDiskManager c;
    bool ok = CheckArchiveDrive(c, "x.zip", nullptr, nullptr, nullptr);
    std::filesystem::current_path(old);
    ASSERT_TRUE(ok);
    EXPECT_EQ(c.Drive, dir / "ram");
    EXPECT_EQ(c.DriveType, 6);
}

TEST_F(DriveCheckTest, DeclaredRemovableTmpfsCarriesRecordedSpanLabel) {
    Mount m(dir / "floppy", "tmpfs", 0, "size=1440k");
    if (!m.ok()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    os::override_drive_type(dir / "floppy", os::DriveType::Removable);
    TDiskManager c;
    ASSERT_TRUE(CheckArchiveDrive(c, dir / "floppy/x.zip", nullptr, nullptr, nullptr));
    EXPECT_EQ(c.DriveType, 2);
    EXPECT_EQ(c.MediaType, 0);
    EXPECT_EQ(c.DriveTypeName, "Unknown");
    EXPECT_EQ(c.VolumeLabel, "");
    EXPECT_EQ(c.SpanNumber, 0);

    // A tmpfs has no label of its own: the label is recorded and read back.
    ASSERT_TRUE(os::set_volume_label(dir / "floppy", "PKBACK# 007"));
    ASSERT_TRUE(CheckArchiveDrive(c, dir / "floppy/x.zip", nullptr, nullptr, nullptr));
    EXPECT_EQ(c.VolumeLabel, "PKBACK# 007");
    EXPECT_EQ(c.SpanNumber, 7);

    // A file that starts with the spanning signature on such a disk is a
    // spanned disk; the same file elsewhere is one volume of a multi-volume set.
    ASSERT_EQ(run("cd " + shell_quote(dir.path()) + " && printf 'hello\\n' > h.txt && zip -q a.zip h.txt"), 0);
    std::string spanned = std::string("PK\7\x08", 4) + read_all(dir / "a.zip");
    write_all(dir / "floppy/x.zip", spanned);
    write_all(dir / "x.zip", spanned);
    TArcDetect d;
    EXPECT_EQ(d.DetectArcType(dir / "floppy/x.zip"), atZipDS);
    EXPECT_EQ(d.DetectArcType(dir / "x.zip"), atZipMV);
    ASSERT_TRUE(os::set_volume_label(dir / "floppy", "BACKUP"));
    EXPECT_EQ(d.DetectArcType(dir / "floppy/x.zip"), atZipMV);
}

TEST(SpanNumberFromLabel, DigitsAfterTheLastMarker) {
    struct Case {
        const char* label;
        int number;
    };
    for (const Case& c : {Case{"PKBACK# 007", 7}, Case{"PKBACK# 123", 123}, Case{"PKBACK# ", 0},
                          Case{"PKBACK# 7A", 0}, Case{"DATA", 0}, Case{"", 0},
                          Case{"PKBACK# 001PKBACK# 002", 2}, Case{"PKBACK#007", 0}}) {
        EXPECT_EQ(archive::SpanNumberFromLabel(c.label), c.number) << c.label;
    }
}

TEST(DriveTypeNames, EveryTypeAndMedium) {
    const char* expected[] = {"Unknown", "None", "Floppy", "Fixed", "Network", "CD-ROM", "RAM",
                              "3\u00bd Floppy", "5\u00bc Floppy", "Unknown"};
    for (unsigned i = 0; i < 10; ++i) EXPECT_EQ(archive::DriveTypeNameOf(i), expected[i]) << i;
}

TEST(MessageBoxHost, HeadlessAnswersCancelAndAHostIsAsked) {
    // The console host (no one to ask) prints the box and answers Cancel, or No.
    EXPECT_EQ(archive::AskMessageBox("x", archive::MB_RETRYCANCEL_ERROR), archive::ID_CANCEL);
    EXPECT_EQ(archive::AskMessageBox("x", 0x24), archive::ID_NO);
    test_support::ScriptedHost host({archive::ID_RETRY});
    core::ScopedService installed(core::host_slot, &host);
    EXPECT_EQ(archive::AskMessageBox("drive", 0x15), archive::ID_RETRY);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text + "|" + std::to_string(host.boxes[0].flags), "drive|21");
    EXPECT_EQ(host.boxes[0].caption, "");  // under the host's title
}

TEST(FileDosDateTime, WriteTimeAsUtcDosFields) {
    ScratchDir dir;
    std::string f = dir / "f";
    write_all(f, "x");
    ASSERT_EQ(run("touch -m -d '2021-03-04 05:06:08Z' " + shell_quote(f)), 0);
    int fd = ::open(f.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::int32_t v = archive::FileDosDateTime(fd, 1);
    EXPECT_EQ(static_cast<std::uint32_t>(v), ((41u << 9 | 3u << 5 | 4u) << 16) | (5u << 11 | 6u << 5 | 4u));
    EXPECT_NE(archive::FileDosDateTime(fd, 0), -1);
    EXPECT_EQ(archive::FileDosDateTime(fd, 3), -1);
    ::close(fd);
    EXPECT_EQ(archive::FileDosDateTime(-1, 1), -1);
}

} // namespace
