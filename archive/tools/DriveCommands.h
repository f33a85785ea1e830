#pragma once
// The archive tool's drive and detection commands:
//   detect FILE        the archive type of FILE and where its structures lie (JSON)
//   drive-info PATH    the drive check of the drive that would receive PATH (JSON)

#include <iosfwd>
#include <string>
#include <vector>

namespace archive {
// Runs one of the commands above; -1 when Args[0] names none of them,
// otherwise the exit status. Output goes to Out, errors to Err.
int RunDriveCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
// Usage lines of these commands.
const char* DriveCommandsUsage();
} // namespace archive
