#include "archive/tools/DriveCommands.h"
#include "archive/tools/ToolJson.h"

#include <cstdio>
#include <ostream>
#include <sstream>

#include "archive/arcDetect.h"
#include "archive/arcDiskManager.h"
#include "archive/arcErrors.h"
#include "platform/os/Files.h"
#include "platform/os/ToolOptions.h"

#include <cerrno>

namespace archive {
namespace {

std::string error_text(int code) {
    const std::string text = ErrorText(code);
    return text.empty() ? "drive check failed" : text;
}

int detect(const std::string& file, std::ostream& out, std::ostream& err) {
    // A file that cannot be read is no archive of any type: say why.
    // (A folder opens for reading and is looked at like any file.)
    if (const int error = os::read_open_error(file); error && error != EISDIR) {
        err << os::file_error_line("archive-tool", file, error) << "\n";
        return 1;
    }
    TArcDetect d;
    TArcType t = d.DetectArcType(file);
    const nlohmann::ordered_json doc = {
        {"type", ArcTypeName(t)},
        {"size", d.ArchiveSize},
        {"offset", d.ArchiveOffset},
        {"found_parts", int(d.FoundParts)},
        {"directory_shift", d.DirectoryShift},
        {"date", d.ArchiveDate},
        {"volume_letter", d.VolumeLetter ? std::string(1, d.VolumeLetter) : ""},
        {"volume_number", d.VolumeNumber},
    };
    out << json_text(doc) << "\n";
    return 0;
}

int drive_info(const std::string& path, std::ostream& out, std::ostream& err) {
    TDiskManager m;
    int failed = 0;
    std::string where;
    bool ok = CheckArchiveDrive(m, path, nullptr, nullptr,
                                [&](const std::string& f, const std::string&, const std::string&, int code) {
                                    if (!failed) {
                                        failed = code;
                                        where = f;
                                    }
                                });
    if (!ok) {
        err << "archive-tool: " << (where.empty() ? path : where) << ": "
            << (failed ? error_text(failed) : "drive check failed") << " (" << failed << ")\n";
        return 1;
    }
    const nlohmann::ordered_json doc = {
        {"drive", m.Drive},
        {"folder", m.Folder},
        {"drive_type", int(m.DriveType)},
        {"drive_type_name", m.DriveTypeName},
        {"media_type", int(m.MediaType)},
        {"file_system", m.FileSystemName},
        {"file_system_flags", m.FileSystemFlags},
        {"volume_label", m.VolumeLabel},
        {"span_number", m.SpanNumber},
        {"serial", m.SerialHex},
        {"max_component_length", m.MaxComponentLength},
        {"free_space", m.FreeSpace},
        {"total_space", m.TotalSpace},
    };
    out << json_text(doc) << "\n";
    return 0;
}

} // namespace

const char* DriveCommandsUsage() {
    return "  detect FILE        archive type of FILE (JSON)\n"
           "  drive-info PATH    drive check for an archive at PATH (JSON)\n";
}

int RunDriveCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
    if (Args.empty()) return -1;
    const std::string& cmd = Args[0];
    if (cmd != "detect" && cmd != "drive-info") return -1;
    if (Args.size() != 2) {
        Err << "usage: archive-tool " << cmd << (cmd == "detect" ? " FILE\n" : " PATH\n");
        return 2;
    }
    return cmd == "detect" ? detect(Args[1], Out, Err) : drive_info(Args[1], Out, Err);
}

} // namespace archive
