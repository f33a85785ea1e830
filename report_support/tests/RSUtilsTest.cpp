#include "report_support/RSUtils.h"
#include "report_support/Startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace report_support;

namespace {

// A fresh folder that an unprivileged user may enter, removed with
// everything in it at the end of the test.
class TempFolder {
public:
    TempFolder() {
        fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
    }
    const fs::path& path() const { return path_; }

private:
    test_support::ScratchDir scratch_{"rsutils"};
    fs::path path_ = scratch_.path();
};

void touch(const fs::path& p) { std::ofstream(p) << "old log\n"; }

// Runs fn in a child process, as an unprivileged user when the tests run as
// root (who may delete anything), and returns its exit status.
int run_unprivileged(const std::function<int()>& fn) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
        _exit(fn());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(ReportLog, StartUpDeletesTheLogBesideTheExecutableAndNothingElse) {
    const fs::path beside = test_support::build_path("bin/RSLib.log");
    TempFolder cwd;
    const fs::path here = cwd.path() / "RSLib.log";
    touch(beside);
    touch(here);
    const fs::path before = fs::current_path();
    fs::current_path(cwd.path());

    unit_startup();
    EXPECT_EQ(ReportLogFileName(), beside.string());
    EXPECT_FALSE(fs::exists(beside));
    EXPECT_TRUE(fs::exists(here)) << "a log in the current directory is not ours";
    EXPECT_EQ(fs::current_path(), cwd.path()) << "start-up changed the current directory";
    EXPECT_FALSE(ReportTempDir().empty());
    EXPECT_EQ(ReportTempDir().back(), '/');
    unit_shutdown();
    EXPECT_EQ(ReportLogFileName(), "");
    EXPECT_EQ(ReportTempDir(), "");
    fs::current_path(before);
}

TEST(ReportLog, DeleteOldLogFileCases) {
    struct Case {
        const char* what;
        std::function<void(const fs::path& log, const fs::path& other)> make;
        bool log_left;
        bool has_target = false;
    } cases[] = {
        {"missing", [](const fs::path&, const fs::path&) {}, false},
        {"regular file", [](const fs::path& log, const fs::path&) { touch(log); }, false},
        {"folder of that name", [](const fs::path& log, const fs::path&) { fs::create_directory(log); }, true},
        {"link to another file",
         [](const fs::path& log, const fs::path& other) {
             touch(other);
             fs::create_symlink(other, log);
         },
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        const fs::path log = dir.path() / "RSLib.log";
        const fs::path other = dir.path() / "kept.txt";
        c.make(log, other);
        ReportLogFileName() = log.string();
        ASSERT_NO_THROW(DeleteOldLogFile());
        EXPECT_EQ(fs::exists(fs::symlink_status(log)), c.log_left);
        EXPECT_EQ(fs::exists(other), c.has_target) << "the link's target must stay";
    }
}

TEST(ReportLog, ReadOnlyLogInReadOnlyFolderIsLeftSilently) {
    TempFolder dir;
    const fs::path log = dir.path() / "RSLib.log";
    touch(log);
    fs::permissions(log, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    ReportLogFileName() = log.string();
    const int status = run_unprivileged([] {
        try {
            DeleteOldLogFile();
            return 0;
        } catch (...) {
            return 1;
        }
    });
    EXPECT_EQ(status, 0) << "deleting a log it may not delete must not fail";
    EXPECT_TRUE(fs::exists(log));
}

TEST(TempDirectory, FromTmpdirWhenItIsAFolderElseTmp) {
    struct Case {
        const char* tmpdir;
        const char* folder;
    } cases[] = {
        {nullptr, "/tmp/"},
        {"", "/tmp/"},
        {"/var/tmp", "/var/tmp/"},
        {"/var/tmp/", "/var/tmp/"},
        {"/no/such/folder", "/tmp/"},
    };
    const char* saved = std::getenv("TMPDIR");
    const std::string keep = saved ? saved : "";
    for (const Case& c : cases) {
        if (c.tmpdir) setenv("TMPDIR", c.tmpdir, 1);
        else unsetenv("TMPDIR");
        EXPECT_EQ(GetTempDirectory(), c.folder) << (c.tmpdir ? c.tmpdir : "(unset)");
    }
    if (saved) setenv("TMPDIR", keep.c_str(), 1);
    else unsetenv("TMPDIR");
}

TEST(TempFiles, ShutDownDeletesEveryRegisteredFileAndFreesTheList) {
    TempFolder dir;
    const fs::path a = dir.path() / "BRP0001.tmp", b = dir.path() / "BRP0002.tmp";
    const fs::path unregistered = dir.path() / "BRP0003.tmp";
    touch(a);
    touch(b);
    touch(unregistered);

    unit_startup();
    EXPECT_EQ(ReportTempFiles(), nullptr) << "nothing registers temporary files at start-up";
    ReportTempFiles() = std::make_unique<TStringList>();
    for (const fs::path& p : {a, dir.path() / "already-gone.tmp", b}) ReportTempFiles()->Add(p.string());
    unit_shutdown();
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(fs::exists(b));
    EXPECT_TRUE(fs::exists(unregistered));
    EXPECT_EQ(ReportTempFiles(), nullptr);

    // Without a list, shut-down deletes nothing.
    unit_startup();
    unit_shutdown();
    EXPECT_TRUE(fs::exists(unregistered));
}
