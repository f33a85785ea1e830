#include "archive/arcTrash.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archive/arcGbls.h"

namespace archive {

namespace {

std::string home_trash() {
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') return AppendSlash(x) + "Trash";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/") + "/.local/share/Trash";
}

// The top folder of the mount holding Path.
std::string mount_top(const std::string& Path) {
    struct stat st {};
    if (::stat(Path.c_str(), &st) != 0) return {};
    std::string cur = Path;
    for (;;) {
        const std::string parent = RemoveSlash(ExtractFilePath(RemoveSlash(cur)));
        const std::string up = parent.empty() ? "/" : parent;
        struct stat pst {};
        if (::stat(up.c_str(), &pst) != 0 || pst.st_dev != st.st_dev) return cur;
        if (up == "/") return up;
        cur = up;
    }
}

std::string url_escape(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') out += static_cast<char>(c);
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

bool ensure_dir(const std::string& Dir, mode_t Mode) {
    return DirExists(Dir) || (::mkdir(Dir.c_str(), Mode) == 0) || errno == EEXIST;
}

bool trash_into(const std::string& Trash, const std::string& Absolute, const std::string& ShownPath) {
    if (!ForceDirs(Trash) || !ensure_dir(Trash + "/files", 0700) || !ensure_dir(Trash + "/info", 0700)) return false;
    const std::string base = ExtractFileName(RemoveSlash(Absolute));
    char stamp[32];
    const time_t now = ::time(nullptr);
    struct tm lt {};
    ::localtime_r(&now, &lt);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &lt);
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const std::string info = Trash + "/info/" + name + ".trashinfo";
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        const std::string text = "[Trash Info]\nPath=" + url_escape(ShownPath) + "\nDeletionDate=" + stamp + "\n";
        const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        if (written && ::rename(Absolute.c_str(), (Trash + "/files/" + name).c_str()) == 0) return true;
        ::unlink(info.c_str());
        return false;
    }
    return false;
}

}  // namespace

bool MoveToTrash(const std::string& Path) {
    char resolved[PATH_MAX];
    const std::string folder = ExtractFilePath(Path).empty() ? "." : ExtractFilePath(Path);
    if (!::realpath(folder.c_str(), resolved)) return false;
    const std::string absolute = PathJoin(resolved, ExtractFileName(Path));
    struct stat st {}, ht {};
    if (::lstat(absolute.c_str(), &st) != 0) return false;
    const std::string home = home_trash();
    ForceDirs(home);
    if (::stat(home.c_str(), &ht) == 0 && ht.st_dev == st.st_dev) return trash_into(home, absolute, absolute);
    const std::string top = mount_top(resolved);
    if (top.empty()) return false;
    const std::string trash = PathJoin(top, ".Trash-" + std::to_string(::getuid()));
    const std::string relative = absolute.substr(AppendSlash(top).size());
    return trash_into(trash, absolute, top == "/" ? absolute : relative);
}

}  // namespace archive
