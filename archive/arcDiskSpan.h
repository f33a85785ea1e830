#pragma once
// The span writer: writes a finished archive from the temporary archive
// across as many removable disks as it needs, in the spanned form of the ZIP
// format (spanning signature on the first disk, disk numbers in the central
// headers and the end record), labelling each disk "PKBACK# nnn". Its output
// is a span layer (TSpanLayer) whose base is the current disk's file, switched
// at each disk boundary after the prompts and checks of the next disk.
//
// Each disk's file is written through a replacing file (platform/os): it
// takes the archive's name only once the disk is full or the archive ends,
// so a span that fails leaves no part-written file under that name.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/arcDiskManager.h"
#include "archive/arcStreams.h"
#include "platform/os/ReplacingFile.h"

namespace archive {

class TDiskSpanObj;

enum TOverwriteMode : std::uint8_t { omOverwrite, omSkip };

// Asks for disk VolumeName ("1", "2", ...); Cancel is preset True.
using TSpanInsertDisk = std::function<void(TDiskSpanObj* Sender, const std::string& VolumeName, bool& Cancel)>;
// Asks to make room on a disk that is not empty; Cancel is preset True.
using TSpanClearDisk = std::function<void(TDiskSpanObj* Sender, const std::string& Drive, std::int64_t RequiredSpace,
                                        std::int64_t FreeSpace, std::int64_t TotalSpace, bool& Cancel)>;
// The archive file already exists on the disk inserted; FileDate is its age
// as a date-time (days since 1899-12-30, local time).
using TSpanFileExists = std::function<void(TDiskSpanObj* Sender, const std::string& FileName, double FileDate,
                                         TOverwriteMode& OverwriteMode)>;

// What the span writer needs of the archive pass that runs it.
class TSpanPass {
public:
    virtual ~TSpanPass() = default;
    // Target archive name; the same name is written on every disk.
    virtual std::string ArchiveFile() = 0;
    // The temporary archive: the entries one after another from offset 0.
    virtual std::int64_t TempSize() = 0;
    virtual void TempSeek(std::int64_t Position) = 0;
    virtual std::int64_t TempRead(void* Buffer, std::int64_t Count) = 0;
    // The entry list of the pass.
    virtual int EntryCount() = 0;
    virtual bool EntryDeleted(int Index) = 0;
    // The entry's 46-byte central header image; the span writer sets its
    // starting disk and local header offset.
    virtual std::uint8_t* CentralHeader(int Index) = 0;
    // The entry's central record as it goes into the archive (header image,
    // name, extra field, comment; encrypted where the entry asks for it).
    virtual std::string CentralRecord(int Index) = 0;
    // The stored name of the entry, for error reports.
    virtual void SetCurrentEntry(int Index) = 0;
    virtual bool Cancelled() = 0;
    virtual void SetCancel() = 0;
    // Progress in entries (Done of Total), and the pass's bytes-left counter.
    virtual void Progress(std::int64_t Done, std::int64_t Total) = 0;
    virtual void SetBytesLeft(std::int64_t BytesLeft) = 0;
    // Lets the application handle pending messages.
    virtual void ProcessMessages() = 0;
    // Deletes (or recycles, by the pass's delete options) a file on a disk.
    virtual bool DeleteOrRecycle(const std::string& FileName) = 0;
};

class TDiskSpanObj : public TDiskCommon {
public:
    // Creating the span writer means the pass will not copy the temporary
    // archive over the target itself; the caller clears that copy flag.
    TDiskSpanObj(TSpanPass& Pass, TDiskManager& Checker);
    ~TDiskSpanObj() override;

    TOverwriteMode OverwriteMode = omOverwrite;
    std::uint32_t RequiredSpace = 0; // bytes a disk must offer
    std::uint32_t LastSerial = 0;    // serial of the disk last opened, 0 none
    std::uint32_t DiskNumber = 0;    // 1-based
    std::uint32_t LeaveSpaceOnFirstDisk = 0;

    // Copied from the component.
    TSpanClearDisk OnClearDisk;
    TSpanInsertDisk OnInsertDisk;
    TSpanFileExists OnDiskSpanFileExists;
    TReportError SpanReportError;
    // The component's own disk-error handlers, used while clearing a disk.
    TOnDiskError ComponentInDrvErr;
    TOnDiskError ComponentWriteProtectErr;

    // The end record as written on the last disk.
    std::uint8_t EndRecord[22] = {};

    // Writes the whole archive across disks; False when a disk could not be
    // prepared, the user cancelled, or the temporary archive is damaged.
    // A disk that takes fewer bytes than it promised raises EWriteError.
    bool WriteSpanned();
    // Writes Count bytes of Buffer, taking the next disk whenever one is full.
    bool WriteAcross(const void* Buffer, std::int64_t Count);
    // Copies Count bytes of the temporary archive from its current position.
    bool CopyAcross(std::int64_t Count);

    TDiskManager& Checker() { return checker_; }
    const std::string& DiskFileName() const { return file_name_; }
    // The output: a span layer over the current disk's file.
    TSpanLayer& Output() { return span_; }

private:
    bool FirstDisk();
    bool NextDisk();
    bool PrepareDisk();
    bool ClearDisk();
    bool OpenDiskFile();
    // Puts the finished disk's file under its name (raises as a failed
    // write does when it cannot).
    void CommitDiskFile();
    // Drops the disk's file unless it was committed.
    void CloseDiskFile();
    bool CheckDrive(bool with_component_handlers = false);
    bool EnsureRoom(std::int64_t Needed);
    void Report(const std::string& Extended, const std::string& Volume, int Code);

    TSpanPass& pass_;
    TDiskManager& checker_;
    std::string file_name_;
    std::unique_ptr<os::ReplacingFile> disk_file_;
    // Fills the checker's free space of each disk; takes the next disk through NextDisk.
    TSpanLayer span_{checker_.FreeSpace, [this](TSpanLayer&) { return NextDisk(); }};
};

} // namespace archive
