#include "platform/os/SignalCleanup.h"

#include "platform/os/Process.h"

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
        for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGPIPE, SIGALRM, SIGUSR1, SIGXFSZ}) std::signal(sig, SIG_DFL);
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

}  // namespace

TEST(OsSignalCleanup, RegisteredFilesGoAndTheSignalStillEndsTheProcess) {
    // Every signal that ends a process, not only the polite ones: a reader of
    // a pipe that stopped early (SIGPIPE), timers, user signals, real-time ones.
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGIO, SIGRTMIN + 2}) {
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

// A program the process runs and waits for ends with it: the signal that
// ends the waiting process sends it SIGTERM, so no window or job is left
// behind by a tool that was stopped.
TEST(OsSignalCleanup, AProgramWaitedForEndsWithTheProcess) {
    ostest::TempFolder t;
    const std::string pid_file = (t.dir / "pid").string();
    const int status = in_child([&] {
        os::remove_temp_files_on_signals();
        // The program notes its pid, then has its parent ended, then would sleep.
        os::run_program("/bin/sh", {"-c", "echo $$ > " + test_support::shell_quote(pid_file) +
                                              "; kill -USR1 $PPID; exec sleep 60"});
        ::_exit(3);  // not reached
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGUSR1) << status;
    const pid_t child = pid_t(std::stol(test_support::read_file(pid_file)));
    ASSERT_GT(child, 0);
    // Ended: gone, or a zombie left for its new parent to reap.
    auto alive = [&] {
        const std::string state = test_support::capture("ps -o stat= -p " + std::to_string(child));
        return !state.empty() && state[0] != 'Z';
    };
    for (int i = 0; i < 200 && alive(); ++i) ::usleep(50000);
    const bool still = alive();
    if (still) ::kill(child, SIGKILL);
    EXPECT_FALSE(still);
}
