#include "platform/os/FileInFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace os {

FileInFolder::FileInFolder(FileInFolder&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), error_(other.error_), status_(other.status_),
      folder_(other.folder_) {}

FileInFolder& FileInFolder::operator=(FileInFolder&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
        error_ = other.error_;
        status_ = other.status_;
        folder_ = other.folder_;
    }
    return *this;
}

FileInFolder FileInFolder::open(const std::string& path) {
    FileInFolder file;
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        file.error_ = EISDIR;
        return file;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        file.error_ = errno;
        return file;
    }
    struct stat folder_st {};
    if (::fstat(dir, &folder_st) != 0) {
        file.error_ = errno;
        ::close(dir);
        return file;
    }
    file.folder_ = {static_cast<std::uint64_t>(folder_st.st_dev), static_cast<std::uint64_t>(folder_st.st_ino)};
    const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    file.error_ = fd < 0 ? errno : 0;
    ::close(dir);
    if (fd < 0) return file;
    const auto status = handle_status(fd);
    if (!status) {
        file.error_ = errno;
        ::close(fd);
        return file;
    }
    // Reads of a regular file wait as usual.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    file.handle_ = fd;
    file.status_ = *status;
    return file;
}

void FileInFolder::close() {
    if (handle_ >= 0) ::close(handle_);
    handle_ = -1;
}

}  // namespace os
