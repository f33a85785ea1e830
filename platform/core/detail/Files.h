#pragma once
// Core's own file access, for core's loaders and savers only (string lists,
// memory streams, INI files, form resources), and the temporary-file maker
// that platform/os builds on. Everything else reads and writes files through
// platform/os (Files.h, ReplacingFile.h).

#include <string>
#include <string_view>

namespace core::detail {
// Writes `data` to `path` through a temporary file in the same folder, flushed
// and renamed over the target: on failure the old file is left whole. The new
// file keeps the replaced one's permissions, or gets 0666 less the umask.
// Raises EFCreateError with the reason.
void save_file(const std::string& path, std::string_view data);
// Makes `<folder><prefix><10 hex digits>.tmp` exclusively with mode 0600 and
// answers its descriptor (path in `path`), or -1 with the reason in `*error`.
// Shared with platform/os's temporary files, which are made the same way.
int make_temp_file(const std::string& folder, std::string_view prefix, std::string& path, int* error);
// Reads a whole file; raises EFOpenError ("Cannot open file ...") when it cannot.
std::string read_file(const std::string& path);
}  // namespace core::detail
