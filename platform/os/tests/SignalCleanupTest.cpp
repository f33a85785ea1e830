#include "platform/os/SignalCleanup.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path dir;
    TempFolder() {
        std::string t = (fs::temp_directory_path() / "ossignal-XXXXXX").string();
        dir = ::mkdtemp(t.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string file(const std::string& name) const {
        const std::string p = (dir / name).string();
        std::ofstream(p) << name;
        return p;
    }
};

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
        TempFolder t;
        const int status = in_child([&] {
            os::remove_temp_files_on_signals();
            os::SignalCleanupPath a(t.file("a.tmp")), b(t.file("b.tmp")), kept(t.file("kept"));
            kept.reset();
            os::SignalCleanupPath moved(t.file("first"));
            moved.assign(t.file("second"));  // only the path registered last goes
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
    TempFolder t;
    const int status = in_child([&] {
        std::signal(SIGHUP, SIG_IGN);  // as under nohup
        os::remove_temp_files_on_signals();
        os::SignalCleanupPath a(t.file("a.tmp"));
        ::raise(SIGHUP);
        ::raise(SIGXFSZ);
        ::_exit(fs::exists(t.dir / "a.tmp") ? 0 : 4);
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
