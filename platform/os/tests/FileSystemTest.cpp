// Status and identity, folders, random bytes, the exclusive lock, the probe
// file, and atomic replacement and temporary files as seen from outside.

#include "platform/os/Files.h"
#include "platform/os/ReplacingFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include <csignal>
#include <sys/resource.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/core/Streams.h"
#include "platform/core/SysUtils.h"
#include "platform/os/tests/TempFolder.h"

namespace fs = std::filesystem;
using ostest::TempFolder;

namespace {

void put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
std::string get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(OsFileSystem, StatusAndIdentity) {
    TempFolder t;
    put(t.dir / "a", "12345");
    fs::create_directory(t.dir / "d");
    fs::create_symlink(t.dir / "a", t.dir / "link");
    fs::create_symlink(t.dir / "gone", t.dir / "dangling");
    fs::create_hard_link(t.dir / "a", t.dir / "hard");
    struct Case {
        const char* name;
        bool follow;
        std::optional<os::FileKind> kind;  // nullopt: absent
    };
    const Case cases[] = {
        {"a", true, os::FileKind::regular},    {"d", true, os::FileKind::directory},
        {"link", true, os::FileKind::regular}, {"link", false, os::FileKind::link},
        {"dangling", true, std::nullopt},      {"dangling", false, os::FileKind::link},
        {"none", true, std::nullopt},          {"none", false, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::string p = (t.dir / c.name).string();
        const auto s = c.follow ? os::file_status(p) : os::link_status(p);
        ASSERT_EQ(s.has_value(), c.kind.has_value()) << c.name;
        if (s) {
            EXPECT_EQ(s->kind, *c.kind) << c.name;
        }
    }
    EXPECT_FALSE(os::file_status("").has_value());

    const auto a = os::file_status((t.dir / "a").string());
    EXPECT_EQ(a->size, 5);
    EXPECT_EQ(a->mtime, a->mtime_ns / 1000000000);
    EXPECT_EQ(os::file_status((t.dir / "hard").string())->id, a->id);    // same file, other name
    EXPECT_EQ(os::file_status((t.dir / "link").string())->id, a->id);    // followed
    EXPECT_NE(os::link_status((t.dir / "link").string())->id, a->id);    // the link itself
    EXPECT_NE(os::file_status((t.dir / "d").string())->id, a->id);

    auto f = TFileStream::TryOpen((t.dir / "a").string(), fmOpenRead);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(os::handle_status(f->Handle())->id, a->id);
    EXPECT_FALSE(os::handle_status(-1).has_value());
    for (os::FileTime w : {os::FileTime::created, os::FileTime::modified, os::FileTime::accessed})
        EXPECT_TRUE(os::handle_time(f->Handle(), w).has_value());
    EXPECT_EQ(*os::handle_time(f->Handle(), os::FileTime::modified), a->mtime);
    EXPECT_FALSE(os::handle_time(-1, os::FileTime::modified).has_value());
}

TEST(OsFileSystem, PermissionsAndRemoval) {
    TempFolder t;
    const std::string a = (t.dir / "a").string();
    put(a, "x");
    EXPECT_TRUE(os::set_file_mode(a, 0640));
    EXPECT_EQ(os::file_status(a)->mode, 0640u);
    EXPECT_TRUE(os::file_status(a)->owner_may_write());
    EXPECT_TRUE(os::set_file_mode(a, 0440));
    EXPECT_FALSE(os::file_status(a)->owner_may_write());
    EXPECT_EQ(os::new_file_mode() & ~0666u, 0u);
    EXPECT_FALSE(os::set_file_mode((t.dir / "none").string(), 0600));
    EXPECT_TRUE(os::may_write(t.dir.string()));
    EXPECT_FALSE(os::remove_file(t.dir.string()));  // never a folder
    EXPECT_TRUE(os::remove_file(a));
    EXPECT_FALSE(os::remove_file(a));
    EXPECT_FALSE(os::remove_file(""));
}

TEST(OsFileSystem, FoldersAndWalking) {
    TempFolder t;
    EXPECT_TRUE(os::make_dir((t.dir / "d").string()));
    EXPECT_TRUE(os::make_dir((t.dir / "d").string()));  // already there
    EXPECT_FALSE(os::make_dir((t.dir / "x/y").string()));
    put(t.dir / "f", "");
    EXPECT_FALSE(os::make_dir((t.dir / "f").string()));  // a file holds the name
    fs::create_symlink(t.dir / "f", t.dir / "l");
    put(t.dir / ".hidden", "h");

    auto entries = os::list_dir(t.dir.string());
    std::sort(entries.begin(), entries.end(), [](const auto& x, const auto& y) { return x.name < y.name; });
    std::vector<std::pair<std::string, os::FileKind>> seen;
    for (const auto& e : entries) seen.emplace_back(e.name, e.status.kind);
    const std::vector<std::pair<std::string, os::FileKind>> want{{".hidden", os::FileKind::regular},
                                                                 {"d", os::FileKind::directory},
                                                                 {"f", os::FileKind::regular},
                                                                 {"l", os::FileKind::link}};
    EXPECT_EQ(seen, want);
    EXPECT_TRUE(os::list_dir((t.dir / "none").string()).empty());
    EXPECT_TRUE(os::list_dir((t.dir / "d").string()).empty());
    EXPECT_EQ(os::current_dir().back(), '/');
    EXPECT_EQ(fs::path(os::current_dir()), fs::current_path() / "");
}

TEST(OsFileSystem, ProbeAndRandomBytes) {
    TempFolder t;
    const os::Probe ok = os::probe_create(t.dir.string(), "arc");
    EXPECT_EQ(ok.create_error, 0);
    EXPECT_TRUE(ok.removed);
    EXPECT_TRUE(fs::is_empty(t.dir));
    const os::Probe missing = os::probe_create((t.dir / "none").string(), "arc");
    EXPECT_EQ(missing.create_error, ENOENT);
    EXPECT_FALSE(missing.removed);

    std::set<std::string> seen;
    for (int i = 0; i < 8; ++i) {
        std::string b(32, '\0');
        os::random_bytes(b.data(), b.size());
        seen.insert(b);
    }
    EXPECT_EQ(seen.size(), 8u);
    os::random_bytes(nullptr, 0);
}

TEST(OsFileSystem, LockIsExclusiveAndSeesReplacement) {
    TempFolder t;
    const std::string a = (t.dir / "a.zip").string();
    put(a, "old");
    os::FileLock first, second;
    EXPECT_EQ(first.acquire((t.dir / "none").string()), os::FileLock::Result::missing);
    EXPECT_EQ(first.acquire(t.dir.string()), os::FileLock::Result::failed);  // a folder
    EXPECT_EQ(first.acquire(a), os::FileLock::Result::locked);
    EXPECT_EQ(second.acquire(a), os::FileLock::Result::busy);
    EXPECT_TRUE(first.unchanged());
    put(t.dir / "b", "new");
    fs::rename(t.dir / "b", a);  // another file under the name
    EXPECT_FALSE(first.unchanged());
    EXPECT_EQ(second.acquire(a), os::FileLock::Result::locked);  // the new file is free
    first.release();
    EXPECT_FALSE(first.unchanged());
}

TEST(OsFileSystem, ReplaceLeavesTheOldFileOnFailureAndTempFilesAreNew) {
    TempFolder t;
    const std::string target = (t.dir / "target.txt").string();
    put(target, "old");
    os::set_file_mode(target, 0604);
    os::write_file(target, "new");
    EXPECT_EQ(get(target), "new");
    EXPECT_EQ(os::file_status(target)->mode, 0604u);  // keeps the replaced file's permissions

    const std::string temp = os::create_temp_file("pre", t.dir.string());
    EXPECT_EQ(fs::path(temp).filename().string().rfind("pre", 0), 0u);
    EXPECT_EQ(os::file_status(temp)->mode, 0600u);
    EXPECT_EQ(os::file_status(temp)->size, 0);
    fs::remove(temp);

    // A target that cannot be replaced (a folder) raises and leaves no temporary file.
    fs::create_directory(t.dir / "folder");
    EXPECT_THROW(os::write_file((t.dir / "folder").string(), "x"), EFCreateError);
    EXPECT_TRUE(fs::is_directory(t.dir / "folder"));
    fs::remove(t.dir / "folder");

    // A write that fails half-way (a file-size limit, which binds every user):
    // the replacement raises, the old file stays and no temporary file remains.
    const std::string big(1 << 16, 'b');
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            os::write_file(target, big);
        } catch (const EWriteError& e) {
            ::_exit(e.Message() == "Disk full" ? 0 : 2);
        }
        ::_exit(1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(get(target), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(t.dir), fs::directory_iterator()), 1);

    // A folder that refuses new files: the replacement fails and the old file stays.
    // Run as root, the check happens in a child that has given up root's privileges.
    fs::permissions(t.dir, fs::perms::owner_write, fs::perm_options::remove);
    auto refused = [&] {
        int faults = 0;
        try {
            os::write_file(target, "newer");
            faults |= 1;
        } catch (const EFCreateError&) {
        }
        try {
            os::create_temp_file("x", t.dir.string());
            faults |= 2;
        } catch (const EOSError&) {
        }
        return faults;
    };
    if (!os::may_write(t.dir.string())) {
        EXPECT_EQ(refused(), 0);
    } else {
        if (::geteuid() != 0) GTEST_SKIP() << "running with privileges that ignore permissions";
        fs::permissions(t.dir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        const pid_t unprivileged = ::fork();
        ASSERT_GE(unprivileged, 0);
        if (unprivileged == 0) {
            const uid_t nobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(8);
            ::_exit(os::may_write(t.dir.string()) ? 4 : refused());
        }
        int code = -1;
        ::waitpid(unprivileged, &code, 0);
        EXPECT_TRUE(WIFEXITED(code) && WEXITSTATUS(code) == 0) << code;
    }
    fs::permissions(t.dir, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(get(target), "new");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(t.dir)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"target.txt"});
}

TEST(OsFileSystem, FileBytesMapsOrCopiesAndRefusesWhatCannotBeRead) {
    TempFolder dir;
    const fs::path text = dir.dir / "bytes.bin";
    std::string content(70000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 7);
    put(text, content);
    const fs::path empty = dir.dir / "empty.bin";
    put(empty, "");

    const os::FileBytes mapped(text.string());
    ASSERT_EQ(mapped.size(), content.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mapped.data()), mapped.size()), content);
    EXPECT_EQ(os::FileBytes(empty.string()).size(), 0u);
    EXPECT_THROW(os::FileBytes((dir.dir / "missing.bin").string()), Exception);
}
