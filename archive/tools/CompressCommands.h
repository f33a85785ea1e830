#pragma once
// The archive tool's packing commands:
//   compress [options] ARCHIVE MASK...   a ZIP archive of the files the masks name (new or updated)
//   list ARCHIVE                         the entries of a ZIP archive
//   delete ARCHIVE MASK...               entries deleted by name masks
//   comment ARCHIVE [...]                entry comments and the archive comment
//   recycle [--final] FILE...            files moved to the trash

#include <iosfwd>
#include <string>
#include <vector>

namespace archive {
// Runs one of the commands above; -1 when Args[0] names none of them,
// otherwise the exit status (0 when entries were written).
int RunCompressCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
// Usage lines of these commands.
const char* CompressCommandsUsage();
}  // namespace archive
