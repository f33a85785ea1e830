#pragma once
// A file opened for reading by its name in a folder, for a caller that must
// read only a regular file that lies in that folder itself: a symbolic link
// in the last component is never followed, a FIFO or device is opened without
// waiting on it, and the status is read from the opened file, so what is
// checked is what is read.

#include <string>

#include "platform/os/Files.h"

namespace os {

class FileInFolder {
public:
    FileInFolder() = default;
    ~FileInFolder() { close(); }
    FileInFolder(FileInFolder&& other) noexcept;
    FileInFolder& operator=(FileInFolder&& other) noexcept;
    FileInFolder(const FileInFolder&) = delete;
    FileInFolder& operator=(const FileInFolder&) = delete;

    // Opens Path ("folder/name"; a bare name lies in the current folder).
    static FileInFolder open(const std::string& path);

    bool opened() const { return handle_ >= 0; }
    // The descriptor while opened, else -1; it stays this object's.
    int handle() const { return handle_; }
    // errno of a failed open: ELOOP when the name is a symbolic link.
    int error() const { return error_; }
    // The opened file's status and its folder's identity.
    const FileStatus& status() const { return status_; }
    const FileIdentity& folder() const { return folder_; }
    // Opened, a regular file, and on the folder's own file system.
    bool regular_in_folder() const {
        return opened() && status_.is_regular() && status_.id.device == folder_.device;
    }
    void close();

private:
    int handle_ = -1;
    int error_ = 0;
    FileStatus status_;
    FileIdentity folder_;
};

}  // namespace os
