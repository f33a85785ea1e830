#include "report_support/RSUtils.h"

#include "platform/os/Files.h"

namespace report_support {

std::string& ReportLogFileName() {
    static std::string name = "rslib.log";
    return name;
}

std::string& ReportTempDir() {
    static std::string dir = ".";
    return dir;
}

std::unique_ptr<TStringList>& ReportTempFiles() {
    static std::unique_ptr<TStringList> files;
    return files;
}

void DeleteOldLogFile() {
    const std::string& name = ReportLogFileName();
    const auto st = os::link_status(name);
    if (!st || st->is_directory()) return;
    os::remove_file(name);  // a log that cannot be deleted stays; not an error
}

std::string GetTempDirectory() { return os::temp_dir(); }

void DeleteReportTempFiles() {
    auto& files = ReportTempFiles();
    if (!files) return;
    for (int i = 0; i < files->Count(); ++i) os::remove_file(files->Get(i));
    files.reset();
}

void InitReportLibraryPaths() {
    std::string folder;
    try {
        folder = os::executable_dir();
    } catch (const Exception&) {
        // Without the executable's folder there is no log of ours to look for.
    }
    ReportLogFileName() = folder.empty() ? std::string() : folder + "RSLib.log";
    ReportTempDir() = GetTempDirectory();
    DeleteOldLogFile();
}

void DoneReportLibraryPaths() {
    DeleteReportTempFiles();
    ReportLogFileName().clear();
    ReportTempDir().clear();
}

}  // namespace report_support
