#pragma once
// Files and folders as the system needs them from the operating system: the
// executable's own path, the temporary folder and unique temporary files,
// file times, the class library's attribute bits mapped from POSIX, and
// atomic replacement of a file.

#include "platform/core/DateUtils.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Writes `data` to `path` via a temporary file in the same folder, flushed and
// renamed over it; a failure leaves the old file whole (EFCreateError).
void replace_file(const std::string& path, std::string_view data);
// Moves a finished file `from` over `to` on the same file system, flushing the
// folder afterwards; EOSError on failure (the target stays as it was).
void rename_over(const std::string& from, const std::string& to);

enum class Renamed { yes, taken, no };
// Renames `from` to `to` only when `to` is free: never replaces, never copies
// (a move across file systems fails). On a file system without
// RENAME_NOREPLACE it looks first.
Renamed rename_no_replace(const std::string& from, const std::string& to);

}  // namespace os
