#pragma once
// Housekeeping of the report support library: the report log file beside the
// executable, the temporary-files folder, and the list of temporary files to
// delete at exit.

#include "platform/core/StringList.h"

#include <memory>
#include <string>

namespace report_support {

// Full name of the report log: "rslib.log" until start-up, then the
// executable's folder followed by "RSLib.log" (empty when the system cannot
// tell where the executable is).
std::string& ReportLogFileName();

// The temporary-files folder, with a trailing '/': "." until start-up.
std::string& ReportTempDir();

// Temporary files a report run registers for deletion at exit; nullptr until
// a host creates the list (nothing in this program does).
std::unique_ptr<TStringList>& ReportTempFiles();

// Deletes the file named by ReportLogFileName() when it exists. A file that
// cannot be deleted, or a folder of that name, is left in place silently.
void DeleteOldLogFile();

// The temporary-files folder with a trailing '/': $TMPDIR when it names a
// folder, else "/tmp/". The current directory is left as it is.
std::string GetTempDirectory();

// When ReportTempFiles() exists, deletes every file named in it, in list
// order (files already gone are skipped), then frees the list.
void DeleteReportTempFiles();

// Start-up: names the log beside the executable, finds the temporary-files
// folder, deletes a stale log.
void InitReportLibraryPaths();
// Shut-down: deletes the registered temporary files and clears both names.
void DoneReportLibraryPaths();

}  // namespace report_support
