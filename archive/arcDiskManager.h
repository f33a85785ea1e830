#pragma once
// The drive check that runs before every archive pass: is the medium there,
// is it writable, what volume, type and space does it offer. A "drive" is the
// mount that holds the archive's folder.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/core/HostServices.h"

namespace archive {

class TDiskCommon;

// Asked when the medium is missing or write-protected; Abort (preset True)
// False means "try again".
using TOnDiskError = std::function<void(TDiskCommon* Sender, bool& Abort)>;
// The archive component's error report (file, extended message, volume id, code).
using TReportError = std::function<void(const std::string& FileName, const std::string& ExtendedMsg,
                                        const std::string& VolumeID, int ECode)>;

// Handlers shared by the drive checker and the span writer.
class TDiskCommon {
public:
    virtual ~TDiskCommon() = default;
    TReportError ReportError;
    TOnDiskError OnDiskWriteProtectErr;
    TOnDiskError OnDiskInDrvErr;
};

// What the volume query returned.
struct TVolumeInformation {
    std::uint32_t Serial = 0;
    std::uint32_t MaxComponentLength = 0;
    std::uint32_t FileSystemFlags = 0;
    std::string Label;
    std::string FileSystemName;
};

// Volume flags reported in FileSystemFlags (the values the format's tools know).
constexpr std::uint32_t FS_CASE_SENSITIVE = 0x00000001;
constexpr std::uint32_t FS_CASE_IS_PRESERVED = 0x00000002;
constexpr std::uint32_t FS_UNICODE_STORED_ON_DISK = 0x00000004;
constexpr std::uint32_t FS_READ_ONLY_VOLUME = 0x00080000;

// The drive checker owned by an archive component; every CheckDrive refreshes it.
class TDiskManager : public TDiskCommon {
public:
    std::uint32_t FileSystemFlags = 0;
    std::string DriveTypeName;  // "Fixed", "RAM", "3½ Floppy", ...
    std::string SerialHex;      // VolumeSerial as 8 hexadecimal digits
    std::uint32_t VolumeSerial = 0;
    std::string FileSystemName; // "ext4", "vfat", "tmpfs", ...
    std::uint8_t MediaType = 0; // 7 (3½") or 8 (5¼") for a floppy-sized medium, else 0
    std::uint16_t SpanNumber = 0; // disk number of a "PKBACK# nnn" label, else 0
    std::string VolumeLabel;
    std::string Drive;          // mount point of the drive checked
    std::uint8_t DriveType = 0; // 0 unknown, 1 no root, 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM
    std::int64_t FreeSpace = 0;
    std::int64_t TotalSpace = 0;
    TVolumeInformation VolumeInfo;
    std::uint32_t MaxComponentLength = 0;
    std::string Folder;         // the folder on the drive where the check probed

    // Checks the drive holding Folder and fills the fields above; reports
    // failures through ReportError and answers False. Never raises.
    bool CheckDrive(const std::string& Folder);
};

// Checks the drive that will receive FileName (a relative name lies on the
// current folder's drive). Stores the handlers in the checker first.
bool CheckArchiveDrive(TDiskManager& Checker, const std::string& FileName, TOnDiskError OnDiskInDrvErr,
                       TOnDiskError OnDiskWriteProtectErr, TReportError ReportError);

// Display name of a drive type (0..6) or medium type (7, 8); "Unknown" beyond.
std::string DriveTypeNameOf(unsigned Index);
// The disk number of a label made of "PKBACK# " and digits, else 0.
std::uint16_t SpanNumberFromLabel(const std::string& Label);
// DOS date-time (date in the high 16 bits) of an open file's creation (0),
// last write (1) or last access (2) time, without conversion to local time;
// -1 when it cannot be read. Creation falls back to the last change of the
// file's status where the file system keeps no birth time.
std::int32_t FileDosDateTime(int Handle, int Which);

// How the drive check asks a person: a box under the host's title (the
// application's), through platform/core's host services. Flags are the
// message-box flags of the format's tools (0x15: Retry and Cancel with the
// error icon; 0x24: Yes and No with the question icon); the answer is 4 Retry,
// 2 Cancel, 6 Yes or 7 No. With no one to ask (headless runs) the answer is
// No for a Yes/No question and Cancel otherwise: a default of Retry would
// loop for ever in an unattended run.
int AskMessageBox(const std::string& Text, unsigned Flags);

constexpr unsigned MB_RETRYCANCEL_ERROR = core::MB_RETRYCANCEL | core::MB_ICONERROR;
constexpr int ID_CANCEL = core::IDCANCEL;
constexpr int ID_RETRY = core::IDRETRY;
constexpr int ID_YES = core::IDYES;
constexpr int ID_NO = core::IDNO;

} // namespace archive
