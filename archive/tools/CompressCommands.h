#pragma once
// The archive tool's packing commands:
//   compress [options] ARCHIVE MASK...   a new ZIP archive of the files the masks name
//   list ARCHIVE                         the entries of a ZIP archive

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
