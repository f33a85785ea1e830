#include "archive/tools/JsonText.h"
#include "archive/tools/DriveCommands.h"

#include <cstdio>
#include <ostream>
#include <sstream>

#include "archive/arcDetect.h"
#include "archive/arcDiskManager.h"
#include "archive/arcErrors.h"

namespace archive {
namespace {

std::string error_text(int code) {
    const std::string text = ErrorText(code);
    return text.empty() ? "drive check failed" : text;
}

int detect(const std::string& file, std::ostream& out) {
    TArcDetect d;
    TArcType t = d.DetectArcType(file);
    out << "{\n"
        << "  \"type\": " << json_string(ArcTypeName(t)) << ",\n"
        << "  \"size\": " << d.ArchiveSize << ",\n"
        << "  \"offset\": " << d.ArchiveOffset << ",\n"
        << "  \"found_parts\": " << int(d.FoundParts) << ",\n"
        << "  \"directory_shift\": " << d.DirectoryShift << ",\n"
        << "  \"date\": " << d.ArchiveDate << ",\n"
        << "  \"volume_letter\": " << json_string(d.VolumeLetter ? std::string(1, d.VolumeLetter) : "") << ",\n"
        << "  \"volume_number\": " << d.VolumeNumber << "\n"
        << "}\n";
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
    out << "{\n"
        << "  \"drive\": " << json_string(m.Drive) << ",\n"
        << "  \"folder\": " << json_string(m.Folder) << ",\n"
        << "  \"drive_type\": " << int(m.DriveType) << ",\n"
        << "  \"drive_type_name\": " << json_string(m.DriveTypeName) << ",\n"
        << "  \"media_type\": " << int(m.MediaType) << ",\n"
        << "  \"file_system\": " << json_string(m.FileSystemName) << ",\n"
        << "  \"file_system_flags\": " << m.FileSystemFlags << ",\n"
        << "  \"volume_label\": " << json_string(m.VolumeLabel) << ",\n"
        << "  \"span_number\": " << m.SpanNumber << ",\n"
        << "  \"serial\": " << json_string(m.SerialHex) << ",\n"
        << "  \"max_component_length\": " << m.MaxComponentLength << ",\n"
        << "  \"free_space\": " << m.FreeSpace << ",\n"
        << "  \"total_space\": " << m.TotalSpace << "\n"
        << "}\n";
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
    return cmd == "detect" ? detect(Args[1], Out) : drive_info(Args[1], Out, Err);
}

} // namespace archive
