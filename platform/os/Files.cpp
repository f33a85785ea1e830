#include "platform/os/Files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
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

std::string create_temp_file(std::string_view prefix, std::string_view dir) {
    std::string folder = dir.empty() ? temp_dir() : IncludeTrailingPathDelimiter(dir);
    static thread_local std::mt19937_64 rng{std::random_device{}() ^ (std::uint64_t(::getpid()) << 32)};
    int last = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + std::string(prefix) + IntToHex(std::int64_t(rng() & 0xFFFFFFFFFFull), 10) + ".tmp";
        int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        last = errno;
        if (last != EEXIST) break;
    }
    RaiseLastOSError(last);
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

void replace_file(const std::string& path, std::string_view data) { core::write_file_atomic(path, data); }

void rename_over(const std::string& from, const std::string& to) {
    int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    if (::rename(from.c_str(), to.c_str()) != 0) RaiseLastOSError(errno);
    std::string dir = ExtractFileDir(to);
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

Renamed rename_no_replace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Renamed::yes;
    if (errno == EEXIST) return Renamed::taken;
    if (errno != EINVAL && errno != ENOSYS) return Renamed::no;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return Renamed::taken;
    return ::rename(from.c_str(), to.c_str()) == 0 ? Renamed::yes : Renamed::no;
}

}  // namespace os
