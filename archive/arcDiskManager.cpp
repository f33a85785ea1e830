#include "archive/arcDiskManager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "archive/arcErrors.h"
#include "platform/os/Files.h"
#include "platform/os/LocalTime.h"
#include "platform/os/Volumes.h"

namespace {

constexpr int kNotAccessible = archive::E_NOTACCESSIBLE;
constexpr int kWriteProtected = archive::E_WRITEPROTECTED;
constexpr int kUserCanceled = archive::E_USERCANCEL;

std::string folder_of_name(const std::string& FileName) {
    // The archive's own folder; a bare name lies in the current folder.
    std::string name = FileName;
    for (char& c : name)
        if (c == '\\') c = '/';
    std::size_t slash = name.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return name.substr(0, slash);
}

// The write-protection probe: the mount or the super block is read-only, or a
// file cannot be made (or removed again) in the archive's folder because the
// file system refuses writes.
bool write_protected(const os::MountEntry& mount, const os::Space& space, const std::string& folder) {
    if (mount.read_only || space.read_only) return true;
    const os::Probe probe = os::probe_create(folder, "arc");
    return probe.create_error != 0 ? probe.create_error == EROFS : !probe.removed;
}

std::uint8_t floppy_medium(std::int64_t bytes) {
    switch (bytes) {
    case 737280: case 1474560: case 2949120: return 7; // 720 KB, 1.44 MB, 2.88 MB
    case 368640: case 1228800: return 8;               // 360 KB, 1.2 MB
    default: return 0;
    }
}

} // namespace

namespace archive {

std::string DriveTypeNameOf(unsigned Index) {
    static const char* const names[] = {"Unknown", "None", "Floppy", "Fixed", "Network",
                                        "CD-ROM", "RAM", "3\u00bd Floppy", "5\u00bc Floppy"};
    return Index < 9 ? names[Index] : names[0];
}

std::uint16_t SpanNumberFromLabel(const std::string& Label) {
    static const std::string marker = "PKBACK# ";
    std::size_t at = Label.rfind(marker);
    if (at == std::string::npos) return 0;
    std::string last = Label.substr(at + marker.size());
    if (last.empty() || last.size() > 5) return 0;
    for (char c : last)
        if (c < '0' || c > '9') return 0;
    unsigned long n = std::strtoul(last.c_str(), nullptr, 10);
    return n > 0xFFFF ? 0 : static_cast<std::uint16_t>(n);
}

std::int32_t FileDosDateTime(int Handle, int Which) {
    static constexpr os::FileTime kTimes[] = {os::FileTime::created, os::FileTime::modified, os::FileTime::accessed};
    if (Which < 0 || Which > 2) return -1;
    const auto secs = os::handle_time(Handle, kTimes[Which]);
    if (!secs) return -1;
    const auto utc = os::utc_time_of(*secs);
    if (!utc) return -1;
    const std::tm& tm = *utc;
    int year = tm.tm_year + 1900;
    if (year < 1980 || year > 2107) return -1;
    std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    std::uint32_t time = static_cast<std::uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return static_cast<std::int32_t>((date << 16) | time);
}

int AskMessageBox(const std::string& Text, unsigned Flags) {
    const unsigned buttons = Flags & 0x0F;
    const int unattended = buttons == core::MB_YESNO || buttons == core::MB_YESNOCANCEL ? ID_NO : ID_CANCEL;
    return core::host().MessageBox({Text, "", Flags, unattended});
}

bool TDiskManager::CheckDrive(const std::string& folder_in) {
    try {
        Folder = os::existing_folder_of(folder_in);
        auto report = [this](int code) {
            if (ReportError) ReportError(Drive, "0", "0", code);
        };
        auto mount = os::mount_of(Folder);
        Drive = mount ? mount->mount_point : Folder;

        // Presence: the file system answers a statvfs.
        std::optional<os::Space> space;
        while (!(space = os::space_of(Folder))) {
            if (!OnDiskInDrvErr) {
                report(kNotAccessible);
                return false;
            }
            bool abort = true;
            OnDiskInDrvErr(this, abort);
            if (abort) {
                report(kUserCanceled);
                return false;
            }
            Folder = os::existing_folder_of(folder_in);
        }

        // Write protection, before the volume query.
        while (write_protected(mount ? *mount : os::MountEntry{}, *space, Folder)) {
            if (!OnDiskWriteProtectErr) {
                report(kWriteProtected);
                return false;
            }
            bool abort = true;
            OnDiskWriteProtectErr(this, abort);
            if (abort) {
                report(kUserCanceled);
                return false;
            }
            mount = os::mount_of(Folder);
            space = os::space_of(Folder);
            if (!space) {
                report(kNotAccessible);
                return false;
            }
        }

        // Volume query.
        std::optional<os::VolumeInfo> vol;
        while (!(vol = os::volume_of(Folder))) {
            std::string drive = Drive.empty() || Drive.back() != '/' ? Drive + "/" : Drive;
            std::string text = drive + archive::ErrorText(kNotAccessible) + "\r\n\r\n" + os::no_volume_text();
            if (archive::AskMessageBox(text, archive::MB_RETRYCANCEL_ERROR) != archive::ID_RETRY) {
                report(kNotAccessible);
                return false;
            }
        }
        Drive = vol->mount.mount_point;

        std::uint32_t flags = FS_UNICODE_STORED_ON_DISK;
        const std::string& fst = vol->mount.fs_type;
        bool fat_like = fst == "vfat" || fst == "msdos" || fst == "exfat" || fst == "ntfs" ||
                        fst == "ntfs3" || fst == "iso9660" || fst == "udf" || fst == "cifs" ||
                        fst == "smb3";
        if (!fat_like) flags |= FS_CASE_SENSITIVE;
        if (fst != "msdos") flags |= FS_CASE_IS_PRESERVED;
        if (vol->mount.read_only || space->read_only) flags |= FS_READ_ONLY_VOLUME;

        VolumeInfo.Serial = vol->serial;
        VolumeInfo.MaxComponentLength = space->max_name_length;
        VolumeInfo.FileSystemFlags = flags;
        VolumeInfo.Label = vol->label;
        VolumeInfo.FileSystemName = fst;

        VolumeLabel = vol->label;
        SpanNumber = archive::SpanNumberFromLabel(VolumeLabel);
        VolumeSerial = vol->serial;
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08X", VolumeSerial);
        SerialHex = hex;
        MaxComponentLength = space->max_name_length;
        FileSystemName = fst;

        DriveType = static_cast<std::uint8_t>(vol->type);
        if (vol->type == os::DriveType::NoRoot) {
            report(kNotAccessible);
            return false;
        }
        FreeSpace = space->free;
        TotalSpace = space->total;
        DriveTypeName = archive::DriveTypeNameOf(DriveType);
        MediaType = 0;
        if (vol->type == os::DriveType::Removable) {
            MediaType = floppy_medium(vol->device_bytes);
            DriveTypeName = archive::DriveTypeNameOf(MediaType);
        }
        FileSystemFlags = flags;
        return true;
    } catch (...) {
        return false;
    }
}

bool CheckArchiveDrive(TDiskManager& Checker, const std::string& FileName, TOnDiskError OnDiskInDrvErr,
                       TOnDiskError OnDiskWriteProtectErr, TReportError ReportError) {
    try {
        Checker.OnDiskInDrvErr = std::move(OnDiskInDrvErr);
        Checker.OnDiskWriteProtectErr = std::move(OnDiskWriteProtectErr);
        Checker.ReportError = std::move(ReportError);
        return Checker.CheckDrive(folder_of_name(FileName));
    } catch (...) {
        return false;
    }
}

} // namespace archive
