#include "platform/os/ReplacingFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/core/SysUtils.h"
#include "platform/os/Files.h"
#include "platform/os/SignalCleanup.h"
#include "platform/os/tests/TempFolder.h"

namespace fs = std::filesystem;
using ostest::TempFolder;

namespace {

std::string get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::vector<std::string> names(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

unsigned mode_of(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

// Runs body in a child process; its exit status (-1 when it did not exit).
int in_child(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 99;
        try {
            rc = body();
        } catch (...) {
            rc = 98;
        }
        ::_exit(rc);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(ReplacingFile, NewFileGetsTheUmaskAndAReplacedFileKeepsItsMode) {
    struct Case {
        const char* what;
        unsigned umask;
        int before;   // -1: no file yet
        unsigned after;
    } cases[] = {
        {"new, umask 022", 022, -1, 0644},
        {"new, umask 077", 077, -1, 0600},
        {"new, umask 002", 002, -1, 0664},
        {"replaced 0664", 022, 0664, 0664},
        {"replaced 0600", 022, 0600, 0600},
        {"replaced 0755", 077, 0755, 0755},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder t;
        const fs::path target = t.dir / "out.pdf";
        if (c.before >= 0) {
            put(target, "old");
            ::chmod(target.c_str(), mode_t(c.before));
        }
        const mode_t saved = ::umask(c.umask);
        {
            os::ReplacingFile f(target.string());
            core::write_all(f.stream(), "new", 3);
            f.commit();
        }
        ::umask(saved);
        EXPECT_EQ(get(target), "new");
        EXPECT_EQ(mode_of(target), c.after);
        EXPECT_EQ(names(t.dir), std::vector<std::string>{"out.pdf"});
    }
}

TEST(ReplacingFile, WhatStandsAtThePathKeepsItsKind) {
    TempFolder t;
    fs::create_directory(t.dir / "real");
    put(t.dir / "real/file", "old");
    ::chmod((t.dir / "real/file").c_str(), 0640);
    fs::create_symlink("real/file", t.dir / "relative");
    fs::create_symlink(t.dir / "relative", t.dir / "chain");
    fs::create_symlink("real/absent", t.dir / "dangling");

    // A link is followed: the file it names is replaced and the link stays a link.
    for (const char* link : {"relative", "chain"}) {
        SCOPED_TRACE(link);
        os::ReplacingFile f((t.dir / link).string());
        EXPECT_EQ(f.target(), (t.dir / "real/file").string());
        core::write_all(f.stream(), link, std::int64_t(std::strlen(link)));
        f.commit();
        EXPECT_TRUE(fs::is_symlink(t.dir / link));
        EXPECT_EQ(get(t.dir / "real/file"), link);
        EXPECT_EQ(mode_of(t.dir / "real/file"), 0640u);
    }
    // A link to nothing makes the file it names, as a shell's redirect does.
    os::write_file((t.dir / "dangling").string(), "made");
    EXPECT_TRUE(fs::is_symlink(t.dir / "dangling"));
    EXPECT_EQ(get(t.dir / "real/absent"), "made");
    EXPECT_EQ(names(t.dir / "real"), (std::vector<std::string>{"absent", "file"}));

    // A device is written directly and stays a device.
    {
        os::ReplacingFile f("/dev/null");
        EXPECT_TRUE(f.direct());
        core::write_all(f.stream(), "gone", 4);
        f.commit();
        EXPECT_TRUE(fs::is_character_file("/dev/null"));
    }
    // A link to a device: the device, not a new file in the link's place.
    fs::create_symlink("/dev/null", t.dir / "to-null");
    os::write_file((t.dir / "to-null").string(), "gone");
    EXPECT_TRUE(fs::is_symlink(t.dir / "to-null"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A FIFO is written directly: the reader gets the bytes.
    const fs::path fifo = t.dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] { got = get(fifo); });
    os::write_file(fifo.string(), "through the pipe");
    reader.join();
    EXPECT_EQ(got, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A pipe named through the process's own descriptors, as /dev/stdout is.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    os::write_file("/proc/self/fd/" + std::to_string(fds[1]), "via the descriptor");
    ::close(fds[1]);
    char buf[64] = {};
    EXPECT_EQ(::read(fds[0], buf, sizeof buf), 18);
    ::close(fds[0]);
    EXPECT_EQ(std::string(buf), "via the descriptor");

    // A folder, a link to one and a loop of links are refused; nothing is left.
    fs::create_symlink("real", t.dir / "to-folder");
    fs::create_symlink("loop-b", t.dir / "loop-a");
    fs::create_symlink("loop-a", t.dir / "loop-b");
    for (const char* bad : {"real", "to-folder", "loop-a", "missing/file"}) {
        SCOPED_TRACE(bad);
        try {
            os::write_file((t.dir / bad).string(), "x");
            ADD_FAILURE() << "no error";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.Message().rfind("Cannot create file \"" + (t.dir / bad).string() + "\". ", 0), 0u)
                << e.Message();
        }
    }
    EXPECT_EQ(names(t.dir), (std::vector<std::string>{"chain", "dangling", "loop-a", "loop-b", "pipe", "real",
                                                      "relative", "to-folder", "to-null"}));
    EXPECT_EQ(names(t.dir / "real"), (std::vector<std::string>{"absent", "file"}));
}

TEST(ReplacingFile, AFileTheUserMayNotWriteIsRefused) {
    TempFolder t;
    const fs::path target = t.dir / "locked.txt";
    put(target, "old");
    ::chmod(target.c_str(), 0444);
    // Refused as a shell's redirect refuses it; root may write anything, so
    // the check runs as an ordinary user when the tests run as root.
    const int rc = in_child([&] {
        if (::geteuid() == 0) {
            ::chmod(t.dir.c_str(), 0777);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 3;
        }
        try {
            os::write_file(target.string(), "new");
        } catch (const EFCreateError& e) {
            return e.Message().find("Permission denied") != std::string::npos ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(get(target), "old");
    EXPECT_EQ(names(t.dir), std::vector<std::string>{"locked.txt"});
}

TEST(ReplacingFile, UncommittedOrFailedWritesLeaveTheOldFileWhole) {
    TempFolder t;
    const fs::path target = t.dir / "data.bin";
    put(target, "old");
    {
        // Dropped without commit: the new file goes, the old one stays.
        os::ReplacingFile f(target.string());
        core::write_all(f.stream(), "half", 4);
        EXPECT_TRUE(fs::exists(f.work_path()));
        EXPECT_EQ(fs::path(f.work_path()).parent_path(), t.dir);
    }
    EXPECT_EQ(get(target), "old");
    EXPECT_EQ(names(t.dir), std::vector<std::string>{"data.bin"});

    // Past the file-size limit (in a buffer-sized write and at the final
    // flush): "Disk full", the old file whole and no new file left.
    for (std::size_t size : {std::size_t(1) << 20, std::size_t(6000)}) {
        SCOPED_TRACE(size);
        const int rc = in_child([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            try {
                os::write_file(target.string(), std::string(size, 'x'));
            } catch (const EWriteError& e) {
                return e.Message() == "Disk full" ? 0 : 2;
            }
            return 1;
        });
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(get(target), "old");
        EXPECT_EQ(names(t.dir), std::vector<std::string>{"data.bin"});
    }

    // A full device written directly.
    if (::access("/dev/full", W_OK) == 0) {
        os::ReplacingFile f("/dev/full");
        core::write_all(f.stream(), "x", 1);  // held in the buffer
        try {
            f.commit();
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_EQ(e.Message(), "Disk full");
        }
    }
}

TEST(ReplacingFile, StreamsByNameAndInPartsAndAdoptsAFinishedFile) {
    TempFolder t;
    const fs::path target = t.dir / "out.txt";
    // A writer that opens the work file by name, as a PDF writer does.
    {
        os::ReplacingFile f(target.string());
        put(f.work_path(), "by name");
        f.commit();
    }
    EXPECT_EQ(get(target), "by name");

    // Many small writes and one larger than the buffer, in order.
    std::string expected;
    {
        os::ReplacingFile f(target.string());
        for (int i = 0; i < 20000; ++i) {
            const std::string line = std::to_string(i) + "\r\n";
            core::write_all(f.stream(), line.data(), std::int64_t(line.size()));
            expected += line;
        }
        const std::string block(200000, 'b');
        core::write_all(f.stream(), block.data(), std::int64_t(block.size()));
        expected += block;
        EXPECT_EQ(f.stream().Position(), std::int64_t(expected.size()));
        f.commit();
    }
    EXPECT_EQ(get(target), expected);

    // A finished file on the same file system becomes the target by rename;
    // with commit_if_absent a target that appeared meanwhile is kept.
    ::chmod(target.c_str(), 0604);
    put(t.dir / "finished", "adopted");
    auto adopted = os::ReplacingFile::adopt((t.dir / "finished").string(), target.string());
    ASSERT_TRUE(adopted);
    adopted->commit();
    EXPECT_EQ(get(target), "adopted");
    EXPECT_EQ(mode_of(target), 0604u);
    put(t.dir / "finished", "second");
    adopted = os::ReplacingFile::adopt((t.dir / "finished").string(), target.string());
    EXPECT_FALSE(adopted->commit_if_absent());
    adopted.reset();
    EXPECT_EQ(get(target), "adopted");
    EXPECT_EQ(names(t.dir), std::vector<std::string>{"out.txt"});
    // Not for a device.
    put(t.dir / "finished", "x");
    EXPECT_FALSE(os::ReplacingFile::adopt((t.dir / "finished").string(), "/dev/null"));
}

// Another file's bytes appended by the kernel land between what was written
// before and after them, across several hand-over slices; a target the
// kernel cannot copy to takes nothing; a source that ends early, or a
// file-size limit on the way, fails the commit and keeps the old file.
TEST(ReplacingFile, AppendedFilesLandInOrderAndTheirFailuresKeepTheOldFile) {
    TempFolder t;
    const fs::path source = t.dir / "source.bin";
    std::string bytes(9 * 1024 * 1024 + 12345, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 131 % 251);
    put(source, bytes);
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const fs::path target = t.dir / "target.bin";
    {
        os::ReplacingFile f(target.string());
        core::write_all(f.stream(), "head", 4);
        ASSERT_TRUE(f.append_file(fd, std::int64_t(bytes.size())));
        core::write_all(f.stream(), "tail", 4);
        f.commit();
    }
    EXPECT_TRUE(get(target) == "head" + bytes + "tail");

    // A pipe is written directly and cannot take a kernel copy.
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    {
        os::ReplacingFile f("/proc/self/fd/" + std::to_string(pipe_fds[1]));
        EXPECT_FALSE(f.append_file(fd, 10));
        core::write_all(f.stream(), "x", 1);
        f.commit();
    }
    char got[8] = {};
    EXPECT_EQ(::read(pipe_fds[0], got, sizeof got), 1);
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);

    put(target, "old");
    {
        os::ReplacingFile f(target.string());
        EXPECT_TRUE(f.append_file(fd, std::int64_t(bytes.size()) + 1));
        EXPECT_THROW(f.commit(), EFCreateError);
    }
    const int rc = in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {1 << 20, 1 << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        os::ReplacingFile f(target.string());
        f.append_file(fd, std::int64_t(bytes.size()));
        try {
            f.commit();
        } catch (const EWriteError& e) {
            return e.Message() == "Disk full" ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(rc, 0);
    ::close(fd);
    EXPECT_EQ(get(target), "old");
    EXPECT_EQ(names(t.dir), (std::vector<std::string>{"source.bin", "target.bin"}));
}

TEST(ReplacingFile, ASignalRemovesTheNewFile) {
    TempFolder t;
    const fs::path target = t.dir / "out.bin";
    put(target, "old");
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int sig : {SIGTERM, SIGHUP, SIGINT}) std::signal(sig, SIG_DFL);
        os::remove_temp_files_on_signals();
        os::ReplacingFile f(target.string());
        core::write_all(f.stream(), std::string(100000, 'x').data(), 100000);
        ::raise(SIGTERM);
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(get(target), "old");
    EXPECT_EQ(names(t.dir), std::vector<std::string>{"out.bin"});
}
