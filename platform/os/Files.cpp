#include "platform/os/Files.h"
#include "platform/core/SysUtils.h"
#include "platform/core/detail/Files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <dirent.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {

std::string executable_path() {
    std::vector<char> buf(4096);
    while (true) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) RaiseLastOSError(errno);
        if (std::size_t(n) < buf.size()) return std::string(buf.data(), std::size_t(n));
        buf.resize(buf.size() * 2);
    }
}

std::string executable_dir() { return ExtractFilePath(executable_path()); }

std::string temp_dir() {
    const char* env = std::getenv("TMPDIR");
    if (env && *env && DirectoryExists(env)) return IncludeTrailingPathDelimiter(env);
    return "/tmp/";
}

int open_temp_file(const std::string& dir, std::string_view prefix, std::string& path, int* error) {
    return core::detail::make_temp_file(dir.empty() ? std::string("./") : dir, prefix, path, error);
}

std::string create_temp_file(std::string_view prefix, std::string_view dir) {
    std::string path;
    int err = 0;
    const int fd = open_temp_file(dir.empty() ? temp_dir() : std::string(dir), prefix, path, &err);
    if (fd < 0) RaiseLastOSError(err);
    ::close(fd);
    return path;
}

std::optional<TDateTime> file_modified(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return core::unix_to_local_datetime(st.st_mtim.tv_sec) + double(st.st_mtim.tv_nsec / 1000000) / MSecsPerDay;
}

void set_file_modified(const std::string& path, TDateTime when) {
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(when, y, m, d, h, n, s, ms);
    std::time_t t = core::local_datetime_to_unix(EncodeDateTime(y, m, d, h, n, s, 0));
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = t;
    times[1].tv_nsec = long(ms) * 1000000;
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) RaiseLastOSError(errno);
}

int file_attributes(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
    int attr = 0;
    if (!(st.st_mode & S_IWUSR)) attr |= faReadOnly;
    std::string name = ExtractFileName(ExcludeTrailingPathDelimiter(path));
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") attr |= faHidden;
    if (S_ISDIR(st.st_mode)) attr |= faDirectory;
    else if (S_ISREG(st.st_mode)) attr |= faArchive;
    return attr;
}

bool set_read_only(const std::string& path, bool read_only) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    if (read_only) {
        mode &= mode_t(~(S_IWUSR | S_IWGRP | S_IWOTH));
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode |= S_IWUSR | ((S_IWGRP | S_IWOTH) & ~mask & ((mode & (S_IRGRP | S_IROTH)) << 1));
    }
    return ::chmod(path.c_str(), mode) == 0;
}

std::string read_file(const std::string& path) { return core::detail::read_file(path); }

Renamed rename_no_replace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Renamed::yes;
    if (errno == EEXIST) return Renamed::taken;
    if (errno != EINVAL && errno != ENOSYS) return Renamed::no;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return Renamed::taken;
    return ::rename(from.c_str(), to.c_str()) == 0 ? Renamed::yes : Renamed::no;
}

// ---- Identity, status and permissions -----------------------------------

namespace {

FileStatus from_stat(const struct stat& st) {
    FileStatus s;
    s.kind = S_ISREG(st.st_mode)   ? FileKind::regular
             : S_ISDIR(st.st_mode) ? FileKind::directory
             : S_ISLNK(st.st_mode) ? FileKind::link
                                   : FileKind::other;
    s.size = st.st_size;
    s.mtime = st.st_mtim.tv_sec;
    s.mtime_ns = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.mode = st.st_mode & 07777;
    s.id = {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
    return s;
}

}  // namespace

std::optional<FileStatus> file_status(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return from_stat(st);
}

std::optional<FileStatus> link_status(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return from_stat(st);
}

std::optional<FileStatus> handle_status(int handle) {
    struct stat st {};
    if (handle < 0 || ::fstat(handle, &st) != 0) return std::nullopt;
    return from_stat(st);
}

std::optional<std::int64_t> handle_time(int handle, FileTime which) {
    struct statx sx {};
    if (handle < 0 || ::statx(handle, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return std::nullopt;
    switch (which) {
        case FileTime::created: return (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
        case FileTime::modified: return sx.stx_mtime.tv_sec;
        case FileTime::accessed: return sx.stx_atime.tv_sec;
    }
    return std::nullopt;
}

std::uint32_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool set_file_mode(const std::string& path, std::uint32_t mode) { return ::chmod(path.c_str(), mode & 07777) == 0; }
bool set_handle_mode(int handle, std::uint32_t mode) { return handle >= 0 && ::fchmod(handle, mode & 07777) == 0; }
bool may_write(const std::string& path) { return !path.empty() && ::access(path.c_str(), W_OK) == 0; }

int read_open_error(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    const auto status = handle_status(fd);
    ::close(fd);
    return status && status->is_directory() ? EISDIR : 0;
}

// ---- Folders and files -------------------------------------------------

std::string current_dir() {
    std::vector<char> buf(4096);
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return "./";
        buf.resize(buf.size() * 2);
    }
    return IncludeTrailingPathDelimiter(std::string(buf.data()));
}

bool make_dir(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return false;
    const auto s = file_status(path);
    return s && s->is_directory();
}

bool remove_file(const std::string& path) { return !path.empty() && ::unlink(path.c_str()) == 0; }

std::vector<DirEntry> list_dir(const std::string& dir) {
    std::vector<DirEntry> out;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return out;
    const std::string base = IncludeTrailingPathDelimiter(dir);
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (auto s = link_status(base + name)) out.push_back({std::move(name), *s});
    }
    ::closedir(d);
    return out;
}

void sync_dir(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool sync_handle(int handle) { return handle >= 0 && ::fsync(handle) == 0; }

Probe probe_create(const std::string& folder, std::string_view prefix) {
    std::string probe;
    int err = 0;
    const int fd = open_temp_file(folder, prefix, probe, &err);
    if (fd < 0) return {err, false};
    ::close(fd);
    return {0, ::unlink(probe.c_str()) == 0};
}

// ---- Random bytes ------------------------------------------------------

void random_bytes(void* out, std::size_t count) {
    auto* p = static_cast<std::uint8_t*>(out);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t r = ::getrandom(p + got, count - got, 0);
        if (r < 0) {
            if (errno == EINTR) continue;
            RaiseLastOSError(errno);
        }
        got += std::size_t(r);
    }
}

// ---- Exclusive file lock ----------------------------------------------

FileLock::Result FileLock::acquire(const std::string& path) {
    release();
    // The holder before may have renamed a new file over the path meanwhile:
    // the lock must be on the file the path names now.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return errno == ENOENT ? Result::missing : Result::failed;
        // A file system without locks still gets the check at commit time.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            return Result::busy;
        }
        const auto by_fd = handle_status(fd);
        if (!by_fd || !by_fd->is_regular()) {
            ::close(fd);
            return Result::failed;
        }
        const auto by_path = file_status(path);
        if (by_path && by_path->id == by_fd->id) {
            fd_ = fd;
            path_ = path;
            id_ = by_fd->id;
            size_ = by_fd->size;
            mtime_ns_ = by_fd->mtime_ns;
            return Result::locked;
        }
        ::close(fd);
    }
    return Result::busy;
}

bool FileLock::unchanged() const {
    const auto by_fd = handle_status(fd_);
    const auto by_path = fd_ >= 0 ? file_status(path_) : std::nullopt;
    return by_fd && by_path && by_path->id == id_ && by_fd->size == size_ && by_fd->mtime_ns == mtime_ns_;
}

void FileLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileBytes::FileBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        void* p = ::mmap(nullptr, std::size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p != MAP_FAILED) {
            map_ = p;
            size_ = std::size_t(st.st_size);
        }
    }
    if (fd >= 0) ::close(fd);
    if (!map_) {
        const std::string bytes = read_file(path);
        copy_.assign(bytes.begin(), bytes.end());
    }
}

FileBytes::~FileBytes() {
    if (map_) ::munmap(map_, size_);
}

}  // namespace os
