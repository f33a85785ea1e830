#pragma once
// Files and folders as the system needs them from the operating system: the
// executable's own path, the temporary folder and unique temporary files,
// file times, the class library's attribute bits mapped from POSIX. A file
// the program makes is written through ReplacingFile (ReplacingFile.h).

#include "platform/core/DateUtils.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace os {

// Absolute path of the running executable (/proc/self/exe); EOSError when unreadable.
std::string executable_path();
// Its folder, with a trailing '/' (settings files live there).
std::string executable_dir();

// The temporary-files folder with a trailing '/': $TMPDIR when it names an
// existing folder, else /tmp.
std::string temp_dir();
// Creates a new empty file `<dir>/<prefix><random>.tmp` exclusively (O_EXCL,
// mode 0600) and answers its path; `dir` empty means temp_dir().
// EOSError when the folder cannot take it.
std::string create_temp_file(std::string_view prefix, std::string_view dir = {});
// The same, answering the open descriptor (read-write; the caller closes it)
// and the path in `path`; -1 and the errno in *error when the folder cannot
// take it.
int open_temp_file(const std::string& dir, std::string_view prefix, std::string& path, int* error = nullptr);

// Modification time of a file or folder as a local date-time; nullopt when absent.
std::optional<TDateTime> file_modified(const std::string& path);
// Sets the modification time (local date-time, to the millisecond); EOSError on failure.
void set_file_modified(const std::string& path, TDateTime when);

// Attribute bits (faReadOnly, faHidden, faDirectory, faArchive) of a path, or -1
// when absent: read-only = the owner may not write, hidden = the name starts with
// '.', directory = a folder, archive = a regular file.
int file_attributes(const std::string& path);
// Adds or removes write permission (for everyone who had it / the owner);
// false when the path does not exist or cannot be changed.
bool set_read_only(const std::string& path, bool read_only);

// Reads a whole file; EFOpenError ("Cannot open file ...") when it cannot.
std::string read_file(const std::string& path);

enum class Renamed { yes, taken, no };
// Renames `from` to `to` only when `to` is free: never replaces, never copies
// (a move across file systems fails). On a file system without
// RENAME_NOREPLACE it looks first.
Renamed rename_no_replace(const std::string& from, const std::string& to);

// ---- Identity, status and permissions -----------------------------------

// Which file a path or descriptor names: equal identities are the same file.
struct FileIdentity {
    std::uint64_t device = 0, inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

enum class FileKind { regular, directory, link, other };

// What the file system says of a file.
struct FileStatus {
    FileKind kind = FileKind::other;
    std::int64_t size = 0;
    std::int64_t mtime = 0;      // modification time, seconds since the Unix epoch
    std::int64_t mtime_ns = 0;   // the same in nanoseconds
    std::uint32_t mode = 0;      // permission bits (07777)
    FileIdentity id;
    bool is_regular() const { return kind == FileKind::regular; }
    bool is_directory() const { return kind == FileKind::directory; }
    bool is_link() const { return kind == FileKind::link; }
    bool owner_may_write() const { return (mode & 0200) != 0; }
};

// Status of a path, links followed; nullopt when absent or unreadable.
std::optional<FileStatus> file_status(const std::string& path);
// Status of the path itself (a link is reported as a link).
std::optional<FileStatus> link_status(const std::string& path);
// Status of an open descriptor.
std::optional<FileStatus> handle_status(int handle);

enum class FileTime { created, modified, accessed };
// One time of an open file in seconds since the Unix epoch. "created" is the
// birth time where the file system keeps one, else the last status change.
std::optional<std::int64_t> handle_time(int handle, FileTime which);

// Permissions a new file gets: 0666 less the process's umask.
std::uint32_t new_file_mode();
// Sets the permission bits; false on failure.
bool set_file_mode(const std::string& path, std::uint32_t mode);
bool set_handle_mode(int handle, std::uint32_t mode);
// Whether this process may write into path (a folder: create entries in it).
bool may_write(const std::string& path);
// Why path cannot be opened as a file to read: the system's error number
// (EISDIR for a folder), 0 when it can.
int read_open_error(const std::string& path);

// ---- Folders and files -------------------------------------------------

// The current folder with a trailing '/'; "./" when it cannot be read.
std::string current_dir();
// Makes one folder (mode 0777 less the umask); true when it exists afterwards
// as a folder.
bool make_dir(const std::string& path);
// Removes a file or link (never a folder); false when it could not.
bool remove_file(const std::string& path);

// An entry of a folder: its name and the status of the entry itself (a link
// is reported as a link; file_status of its path follows it).
struct DirEntry {
    std::string name;
    FileStatus status;
};
// The entries of a folder other than "." and "..", in the folder's own
// order; empty when it cannot be read. Entries whose status cannot be read
// are left out.
std::vector<DirEntry> list_dir(const std::string& dir);

// Flushes a folder's entries (after a rename into it) to its device.
void sync_dir(const std::string& dir);
// Flushes an open file's data to its device; false on failure.
bool sync_handle(int handle);

// Makes a file with prefix and a unique suffix in folder and removes it again.
struct Probe {
    int create_error = 0;   // errno when the file could not be made (EROFS: read-only file system)
    bool removed = false;   // the file was made and removed again
};
Probe probe_create(const std::string& folder, std::string_view prefix);

// ---- Random bytes ------------------------------------------------------

// Fills out with bytes from the kernel's random source; EOSError when none.
void random_bytes(void* out, std::size_t count);

// ---- Exclusive file lock ----------------------------------------------

// An existing file held for one pass: an exclusive advisory lock (flock)
// that another holder, in this process or another, cannot take meanwhile, and
// the file's identity, size and modification time when it was locked.
class FileLock {
public:
    enum class Result { locked, busy, missing, failed };
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // Opens and locks a regular file without waiting; busy when another holds it.
    Result acquire(const std::string& path);
    // Whether the path still names the locked file, as it was when locked.
    bool unchanged() const;
    void release();

private:
    int fd_ = -1;
    std::string path_;
    FileIdentity id_;
    std::int64_t size_ = 0, mtime_ns_ = 0;
};

// ---- A file's bytes --------------------------------------------------

// The bytes of a regular file, mapped read-only rather than copied when the
// system lets it (a copy otherwise). EFOpenError when the file cannot be read.
class FileBytes {
public:
    explicit FileBytes(const std::string& path);
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    const std::uint8_t* data() const { return map_ ? static_cast<const std::uint8_t*>(map_) : copy_.data(); }
    std::size_t size() const { return map_ ? size_ : copy_.size(); }

private:
    void* map_ = nullptr;
    std::size_t size_ = 0;
    std::vector<std::uint8_t> copy_;
};

}  // namespace os
