#include "report_support/RSUtils.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace report_support {
namespace {

// Folder of the running executable, with a trailing '/'; "./" when the
// system cannot tell.
std::string executable_folder() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return "./";
    path.resize(static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

}  // namespace

std::string& ReportLogFileName() {
    static std::string name = "rslib.log";
    return name;
}

std::string& ReportTempDir() {
    static std::string dir = ".";
    return dir;
}

std::unique_ptr<std::vector<std::string>>& ReportTempFiles() {
    static std::unique_ptr<std::vector<std::string>> files;
    return files;
}

void DeleteOldLogFile() {
    struct stat st {};
    const std::string& name = ReportLogFileName();
    if (lstat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
    unlink(name.c_str());  // a log that cannot be deleted stays; not an error
}

std::string GetTempDirectory() {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string dir = (tmpdir != nullptr && *tmpdir != '\0') ? tmpdir : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

void DeleteReportTempFiles() {
    auto& files = ReportTempFiles();
    if (!files) return;
    for (const std::string& name : *files) unlink(name.c_str());
    files.reset();
}

void InitReportLibraryPaths() {
    ReportLogFileName() = executable_folder() + "RSLib.log";
    ReportTempDir() = GetTempDirectory();
    DeleteOldLogFile();
}

void DoneReportLibraryPaths() {
    DeleteReportTempFiles();
    ReportLogFileName().clear();
    ReportTempDir().clear();
}

}  // namespace report_support
