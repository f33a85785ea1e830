#include "platform/os/Trash.h"

#include "platform/os/Files.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

std::string parent_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string join(const std::string& dir, const std::string& name) {
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

// The device of a path, or of its nearest existing ancestor.
bool device_of(std::string path, dev_t& dev) {
    for (;;) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            dev = st.st_dev;
            return true;
        }
        if (errno != ENOENT || path == "/" || path == ".") return false;
        path = parent_of(path);
    }
}

// The top folder of the mount that holds the existing folder dir.
std::string mount_top(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) return {};
    std::string cur = dir;
    while (cur != "/") {
        const std::string up = parent_of(cur);
        struct stat pst {};
        if (::stat(up.c_str(), &pst) != 0 || pst.st_dev != st.st_dev) return cur;
        cur = up;
    }
    return cur;
}

// A real folder (not a link) owned by this user.
bool own_private_dir(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// Makes dir (mode 0700) unless it is there; then it must be a real folder of this user.
bool ensure_private_dir(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return own_private_dir(dir);
}

// mkdir -p with mode 0700 for the folders it makes (the home trash and the
// data folder above it, which may not exist yet on a fresh account).
bool make_dirs(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (errno != ENOENT || dir == "/" || dir == ".") return false;
    if (!make_dirs(parent_of(dir))) return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string url_escape(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Records and moves `absolute` into the trash folder `trash` (files/ and
// info/ made as needed); `shown` is the path written into the info file.
bool trash_into(const std::string& trash, const std::string& absolute, const std::string& shown) {
    const std::string files = join(trash, "files"), info_dir = join(trash, "info");
    if (!ensure_private_dir(trash) || !ensure_private_dir(files) || !ensure_private_dir(info_dir)) return false;
    char stamp[32];
    const time_t now = ::time(nullptr);
    struct tm lt {};
    ::localtime_r(&now, &lt);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &lt);
    const std::string text = "[Trash Info]\nPath=" + url_escape(shown) + "\nDeletionDate=" + stamp + "\n";

    const std::string base = absolute.substr(absolute.find_last_of('/') + 1);
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const std::string info = join(info_dir, name + ".trashinfo");
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (::close(fd) != 0 || !written) {
            ::unlink(info.c_str());
            return false;
        }
        const std::string target = join(files, name);
        switch (rename_no_replace(absolute, target)) {
        case Renamed::yes: return true;
        case Renamed::taken: ::unlink(info.c_str()); continue;  // files/ holds a stray of that name
        case Renamed::no: ::unlink(info.c_str()); return false;
        }
    }
    return false;
}

// The trash at the top of a mount: the administrator's $topdir/.Trash (a
// real, sticky folder) with a folder per user, else $topdir/.Trash-$uid.
bool trash_on_mount(const std::string& top, const std::string& absolute) {
    const std::string uid = std::to_string(::getuid());
    const std::string relative = top == "/" ? absolute : absolute.substr(top.size() + 1);
    const std::string shared = join(top, ".Trash");
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        trash_into(join(shared, uid), absolute, relative))
        return true;
    return trash_into(join(top, ".Trash-" + uid), absolute, relative);
}

}  // namespace

std::string home_trash_dir() {
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') return join(x, "Trash");
    const char* home = std::getenv("HOME");
    return join(home && *home ? home : "/", ".local/share/Trash");
}

bool move_to_trash(const std::string& path) {
    if (path.empty()) return false;
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    const std::size_t slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : name.substr(0, slash));
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.empty() || base == "." || base == "..") return false;

    // The folder resolved, the file itself not (a link goes, not its target).
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved)) return false;
    const std::string dir = resolved;
    const std::string absolute = join(dir, base);
    struct stat st {};
    if (::lstat(absolute.c_str(), &st) != 0) return false;

    const std::string home = home_trash_dir();
    dev_t home_dev{};
    if (device_of(home, home_dev) && home_dev == st.st_dev && make_dirs(parent_of(home)))
        return trash_into(home, absolute, absolute);
    const std::string top = mount_top(dir);
    if (top.empty()) return false;
    return trash_on_mount(top, absolute);
}

}  // namespace os
