// archive-tool runs that meet other processes: two updates of one archive at
// once, signals that end a pass, and a file-size limit.

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestUtil.h"

using namespace archive_test;

namespace {

std::string q(const std::string& s) { return "'" + s + "'"; }

// archive-tool started in the background; its stdout and stderr go to Log.
// A FileSizeLimit above 0 is set in the child before it starts.
pid_t start_tool(const std::vector<std::string>& args, const std::string& log, rlim_t file_size_limit = 0) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
        ::dup2(fd, 1);
        ::dup2(fd, 2);
    }
    // The tool decides itself how these end it.
    for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGXFSZ}) std::signal(sig, SIG_DFL);
    if (file_size_limit > 0) {
        rlimit lim{file_size_limit, file_size_limit};
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    std::vector<char*> argv{const_cast<char*>("archive-tool")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(tool().c_str(), argv.data());
    ::_exit(127);
}

// Waits until a temporary archive with data shows in Folder.
bool wait_for_temp_archive(const std::string& folder) {
    for (int i = 0; i < 4000; ++i) {
        if (!run("find " + q(folder) + " -name 'arc*' -size +1k").output.empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int wait_status(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

std::string names_in(const std::string& zip) {
    return run("unzip -Z1 " + q(zip) + " | sort").output;
}

// An archive holding old.txt, and an empty temporary folder "tmp".
class ToolRun : public ::testing::Test {
protected:
    void SetUp() override {
        write_file(d / "old.txt", "already in the archive\n");
        ::mkdir((d / "tmp").c_str(), 0700);
        ASSERT_EQ(run(tool() + " compress " + q(zip) + " " + q(d / "old.txt")).status, 0);
        before = read_file(zip);
    }
    ScratchDir d;
    const std::string zip = d / "shared.zip";
    std::string before;
};

}  // namespace

TEST_F(ToolRun, TwoUpdatesOfOneArchiveAtOnceLoseNothing) {
    write_file(d / "big.bak", text_bytes(16u << 20));
    write_file(d / "small.txt", "added while the big pass runs\n");
    ::mkdir((d / "tmp2").c_str(), 0700);

    // The slow pass has read the archive and is writing its temporary copy
    // when the quick one runs.
    const pid_t slow = start_tool({"compress", "--level", "max", "--temp-dir", d / "tmp", zip, d / "big.bak"},
                                  d / "slow.log");
    ASSERT_TRUE(wait_for_temp_archive(d / "tmp"));
    const Result quick = run(tool() + " compress --temp-dir " + q(d / "tmp2") + " " + q(zip) + " " + q(d / "small.txt"));
    const int status = wait_status(slow);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << read_file(d / "slow.log");

    // The quick pass is refused and says so; what the slow one added is there,
    // and so is what was there before.
    EXPECT_NE(quick.status, 0) << quick.output;
    EXPECT_NE(quick.output.find("archive-tool: " + zip + ": 25235 Error opening file"), std::string::npos) << quick.output;
    EXPECT_EQ(names_in(zip), "big.bak\nold.txt\n");
    EXPECT_EQ(run("unzip -tq " + q(zip)).status, 0);

    // Once the first is done, the refused update goes through.
    EXPECT_EQ(run(tool() + " compress " + q(zip) + " " + q(d / "small.txt")).status, 0);
    EXPECT_EQ(names_in(zip), "big.bak\nold.txt\nsmall.txt\n");
    EXPECT_EQ(run("ls -A " + q(d / "tmp") + " " + q(d / "tmp2")).output, d / "tmp:\n\n" + d / "tmp2:\n");
}

TEST_F(ToolRun, SignalsThatEndAPassRemoveTheTemporaryArchive) {
    write_file(d / "big.bak", text_bytes(16u << 20));
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        const pid_t pid =
            start_tool({"compress", "--level", "max", "--temp-dir", d / "tmp", zip, d / "big.bak"}, d / "log");
        ASSERT_TRUE(wait_for_temp_archive(d / "tmp"));
        ::kill(pid, sig);
        const int status = wait_status(pid);
        // The signal still ends the process, as it would have without the
        // clean-up; nothing is left in the temporary folder.
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(run("ls -A " + q(d / "tmp")).output, "");
        EXPECT_EQ(read_file(zip), before);
    }
}

TEST_F(ToolRun, FileSizeLimitIsReportedAsAFullDisk) {
    write_file(d / "rand.bin", random_bytes(4u << 20));
    const pid_t pid = start_tool({"compress", "--temp-dir", d / "tmp", zip, d / "rand.bin"}, d / "log", 1u << 20);
    const int status = wait_status(pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(read_file(d / "log").find("archive-tool: " + zip + ": 25160 Disk full"), std::string::npos)
        << read_file(d / "log");
    EXPECT_EQ(run("ls -A " + q(d / "tmp")).output, "");
    EXPECT_EQ(read_file(zip), before);
}
