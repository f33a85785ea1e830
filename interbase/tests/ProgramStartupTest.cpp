// Runs the start-up probe (the units started as the backup program starts
// them) as its own process, from a copy in a fresh folder, and checks what a
// run does: the client library bound and unloaded, start-up stopped by an
// incomplete library, a stale RSLib.log removed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr fs::perms kOpen = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec;
constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;

std::string slurp(const fs::path& p) { return test_support::read_file(p.string()); }

struct ProbeRun {
    int status = -1;
    std::string out, err;
};

// A copy of the probe in a folder of its own.
class ProbeFolder {
public:
    ProbeFolder() {
        fs::permissions(dir_, kOpen);
        fs::copy_file(test_support::tool_path("ib_startup_probe"), program());
        fs::permissions(program(), kOpen);
    }
    const fs::path& dir() const { return dir_; }
    fs::path program() const { return dir_ / "ib_startup_probe"; }

    // Runs the probe with the client-library override (nullptr: none), from
    // `cwd`, as an unprivileged user when asked and the tests run as root.
    ProbeRun run(const char* client, const fs::path& cwd, bool unprivileged = false) const {
        const fs::path out = fs::temp_directory_path() / ("ib-probe-out-" + std::to_string(getpid()));
        const fs::path err = out.string() + ".err";
        const pid_t pid = fork();
        if (pid == 0) {
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 || chdir(cwd.c_str()) != 0) _exit(97);
            if (client) setenv("TAMBLERO_INTERBASE_CLIENT", client, 1);
            else unsetenv("TAMBLERO_INTERBASE_CLIENT");
            if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(98);
            const std::string prog = program().string();
            execl(prog.c_str(), prog.c_str(), static_cast<char*>(nullptr));
            _exit(99);
        }
        ProbeRun r;
        int status = 0;
        waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        fs::remove(out);
        fs::remove(err);
        return r;
    }

private:
    test_support::ScratchDir scratch_{"ib-probe"};  // removed with everything in it
    fs::path dir_ = scratch_.path();
};

bool real_client_installed() {
    void* h = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL);
    if (h) dlclose(h);
    return h != nullptr;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(ProgramStartup, BindsTheRealClientLibraryAndUnloadsItAtExit) {
    if (!real_client_installed()) GTEST_SKIP() << "libfbclient.so.2 is not installed";
    ProbeFolder probe;
    const ProbeRun r = probe.run(nullptr, probe.dir());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "client library: libfbclient.so.2\n")) << r.out;
    EXPECT_TRUE(has(r.out, "mandatory entry points bound: yes\n")) << r.out;
    EXPECT_TRUE(has(r.out, "client library after shut-down: unloaded\n")) << r.out;
    EXPECT_TRUE(has(r.out, "still mapped: no\n")) << r.out;
}

TEST(ProgramStartup, IncompleteLibraryEndsTheProgramBeforeAnythingElseRuns) {
    ProbeFolder probe;
    const ProbeRun r = probe.run(IB_STUB_LACKING, probe.dir());
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(has(r.err, "Unable to locate DLL import isc_event_block")) << r.err;
    EXPECT_FALSE(has(r.out, "started")) << r.out;
}

TEST(ProgramStartup, MissingLibraryLetsTheRunGoOn) {
    ProbeFolder probe;
    const ProbeRun r = probe.run((probe.dir() / "libfbclient.so.2").c_str(), probe.dir());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "client library: none\n")) << r.out;
    EXPECT_TRUE(has(r.out, "mandatory entry points bound: no\n")) << r.out;
}

TEST(ProgramStartup, StaleReportLogBesideTheProgramIsGoneAfterARun) {
    ProbeFolder probe;
    ProbeFolder elsewhere;  // the current directory of the run
    std::ofstream(probe.dir() / "RSLib.log") << "stale\n";
    std::ofstream(elsewhere.dir() / "RSLib.log") << "not ours\n";
    const ProbeRun r = probe.run(IB_STUB_FULL, elsewhere.dir());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(probe.dir() / "RSLib.log"));
    EXPECT_TRUE(fs::exists(elsewhere.dir() / "RSLib.log"));
}

TEST(ProgramStartup, ReadOnlyReportLogInReadOnlyFolderIsLeftAndTheRunGoesOn) {
    ProbeFolder probe;
    const fs::path log = probe.dir() / "RSLib.log";
    std::ofstream(log) << "stale\n";
    fs::permissions(log, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(probe.dir(), kReadOnly);
    const ProbeRun r = probe.run(IB_STUB_FULL, "/", /*unprivileged=*/true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "started\n")) << r.out;
    EXPECT_TRUE(fs::exists(log));
}
