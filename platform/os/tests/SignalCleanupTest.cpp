#include "platform/os/SignalCleanup.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/os/tests/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// A file named Name in T, holding its name; its path.
std::string file(const ostest::TempFolder& t, const std::string& name) {
    const std::string p = (t.dir / name).string();
    std::ofstream(p) << name;
    return p;
}

// Runs Body in a child process with the signals at their defaults; its wait status.
template <class F>
int in_child(F body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGXFSZ}) std::signal(sig, SIG_DFL);
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

}  // namespace

TEST(OsSignalCleanup, RegisteredFilesGoAndTheSignalStillEndsTheProcess) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        ostest::TempFolder t;
        const int status = in_child([&] {
            os::remove_temp_files_on_signals();
            os::SignalCleanupPath a(file(t, "a.tmp")), b(file(t, "b.tmp")), kept(file(t, "kept"));
            kept.reset();
            os::SignalCleanupPath moved(file(t, "first"));
            moved.assign(file(t, "second"));  // only the path registered last goes
            ::raise(sig);
            ::_exit(3);  // not reached
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_FALSE(fs::exists(t.dir / "a.tmp"));
        EXPECT_FALSE(fs::exists(t.dir / "b.tmp"));
        EXPECT_FALSE(fs::exists(t.dir / "second"));
        EXPECT_TRUE(fs::exists(t.dir / "kept"));
        EXPECT_TRUE(fs::exists(t.dir / "first"));
    }
}

TEST(OsSignalCleanup, IgnoredSignalsStayIgnoredAndFileSizeLimitDoesNotKill) {
    ostest::TempFolder t;
    const int status = in_child([&] {
        std::signal(SIGHUP, SIG_IGN);  // as under nohup
        os::remove_temp_files_on_signals();
        os::SignalCleanupPath a(file(t, "a.tmp"));
        ::raise(SIGHUP);
        ::raise(SIGXFSZ);
        ::_exit(fs::exists(t.dir / "a.tmp") ? 0 : 4);
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
