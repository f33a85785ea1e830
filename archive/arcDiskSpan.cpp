#include "archive/arcDiskSpan.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/core/ByteOrder.h"
#include "platform/core/DateUtils.h"
#include "platform/core/SysUtils.h"
#include "platform/os/Files.h"
#include "platform/os/Volumes.h"

namespace {

constexpr int kSpanLabel = 25154;     // "Error writing spanned-disk label"
constexpr int kEventMissing = 25270;  // "Required event not assigned"
constexpr std::int64_t kDiskReserve = 10000;
constexpr std::int64_t kCopyChunk = 61440;
constexpr std::uint32_t kSpanSig = 0x08074B50u;

using core::get_le16;
using core::get_le32;
using core::put_le16;
using core::put_le32;
bool is_sig(std::uint32_t v, std::uint8_t third, std::uint8_t fourth) {
    return (v & 0xFF) == 'P' && (((v >> 8) & 0xFF) == 'K' || ((v >> 8) & 0xFF) == 'L') &&
           ((v >> 16) & 0xFF) == third && (v >> 24) == fourth;
}
// The file's last write time as days since 1899-12-30 in local time.
double file_age(const std::string& name) {
    const auto st = os::file_status(name);
    return st ? core::unix_to_local_datetime(static_cast<std::time_t>(st->mtime)) : 0;
}

} // namespace

namespace archive {

TDiskSpanObj::TDiskSpanObj(TSpanPass& Pass, TDiskManager& Checker) : pass_(Pass), checker_(Checker) {}

TDiskSpanObj::~TDiskSpanObj() { CloseDiskFile(); }

void TDiskSpanObj::Report(const std::string& Extended, const std::string& Volume, int Code) {
    if (SpanReportError) SpanReportError(pass_.ArchiveFile(), Extended, Volume, Code);
}

bool TDiskSpanObj::CheckDrive(bool with_component_handlers) {
    return CheckArchiveDrive(checker_, pass_.ArchiveFile(),
                             with_component_handlers ? ComponentInDrvErr : TOnDiskError(),
                             with_component_handlers ? ComponentWriteProtectErr : TOnDiskError(), SpanReportError);
}

void TDiskSpanObj::CloseDiskFile() {
    span_.CloseDisk();
    disk_file_.reset();
}

void TDiskSpanObj::CommitDiskFile() {
    span_.CloseDisk();
    if (disk_file_) disk_file_->commit();
    disk_file_.reset();
}

bool TDiskSpanObj::OpenDiskFile() {
    try {
        CloseDiskFile();
        file_name_ = pass_.ArchiveFile();
        // The disk's part takes the archive's name only when it is whole
        // (CommitDiskFile). A file of that name the disk held before was
        // deleted or recycled when the user chose to overwrite it: the room
        // measured for this part is a removable disk's room without it.
        disk_file_ = std::make_unique<os::ReplacingFile>(file_name_);
        span_.StartDisk(std::make_unique<TStreamLayer>(disk_file_->stream()));
        char label[32];
        std::snprintf(label, sizeof label, "PKBACK# %.3u", static_cast<unsigned>(DiskNumber));
        if (checker_.VolumeLabel != label && !os::set_volume_label(checker_.Folder, label))
            Report("", label, kSpanLabel);
        bool ok = CheckDrive();
        LastSerial = checker_.VolumeSerial;
        return ok;
    } catch (...) {
        return false;
    }
}

bool TDiskSpanObj::ClearDisk() {
    if (OnClearDisk) {
        for (;;) {
            bool cancel = true;
            OnClearDisk(this, checker_.Drive, RequiredSpace, checker_.FreeSpace, checker_.TotalSpace, cancel);
            if (cancel) return false;
            if (CheckDrive() && checker_.FreeSpace > static_cast<std::int64_t>(RequiredSpace)) return true;
        }
    }
    if (CheckDrive(true) && checker_.FreeSpace > static_cast<std::int64_t>(RequiredSpace)) return true;
    Report("OnClearDisk", std::to_string(DiskNumber), kEventMissing);
    return false;
}

bool TDiskSpanObj::PrepareDisk() {
    if (!OnInsertDisk) {
        Report("OnInsertDisk", std::to_string(DiskNumber), kEventMissing);
        return false;
    }
    const std::string name = pass_.ArchiveFile();
    if (!::FileExists(name) && static_cast<std::int64_t>(RequiredSpace) <= checker_.FreeSpace && OpenDiskFile())
        return true;
    bool ok = false;
    for (;;) {
        bool cancel = true;
        OnInsertDisk(this, std::to_string(DiskNumber), cancel);
        if (cancel) return false;
        ok = CheckDrive();
        // The disk written last is still in the drive: ask again before
        // anything on it is touched.
        if (ok && checker_.VolumeSerial != 0 && checker_.VolumeSerial == LastSerial) continue;
        if (::FileExists(name)) {
            OverwriteMode = omOverwrite;
            if (OnDiskSpanFileExists) {
                OnDiskSpanFileExists(this, name, file_age(name), OverwriteMode);
                if (OverwriteMode == omSkip) {
                    pass_.SetCancel();
                    return false;
                }
            } else {
                Report("OnFileExists", std::to_string(DiskNumber), kEventMissing);
            }
            if (ok && OverwriteMode == omOverwrite) {
                ok = pass_.DeleteOrRecycle(name);
                if (ok) ok = CheckDrive();
            }
        }
        if (!ok) continue;
        if (checker_.VolumeSerial != 0 && checker_.VolumeSerial == LastSerial) continue;
        if (checker_.FreeSpace < checker_.TotalSpace && !ClearDisk()) return false;
        if (static_cast<std::int64_t>(RequiredSpace) > checker_.FreeSpace) continue;
        break;
    }
    return OpenDiskFile();
}

bool TDiskSpanObj::FirstDisk() {
    DiskNumber = 1;
    LastSerial = 0;
    RequiredSpace = LeaveSpaceOnFirstDisk + kDiskReserve;
    checker_.FreeSpace -= kDiskReserve;
    if (!PrepareDisk()) return false;
    // The space to leave on the first disk is not ours to fill.
    checker_.FreeSpace = std::max<std::int64_t>(0, checker_.FreeSpace - LeaveSpaceOnFirstDisk);
    return true;
}

bool TDiskSpanObj::NextDisk() {
    ++DiskNumber;
    CommitDiskFile();
    RequiredSpace = kDiskReserve;
    return PrepareDisk();
}

bool TDiskSpanObj::EnsureRoom(std::int64_t Needed) { return span_.EnsureRoom(Needed); }

bool TDiskSpanObj::WriteAcross(const void* Buffer, std::int64_t Count) {
    return Count <= 0 || span_.Write(Buffer, Count) == Count;
}

bool TDiskSpanObj::CopyAcross(std::int64_t Count) {
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(kCopyChunk));
    while (Count > 0) {
        if (!EnsureRoom(1)) return false;
        // One disk's share at a time: the chunks below never cross a disk.
        std::int64_t n = std::min(Count, checker_.FreeSpace);
        Count -= n;
        while (n > 0) {
            std::int64_t want = std::min<std::int64_t>(n, kCopyChunk);
            std::int64_t got = pass_.TempRead(buf.data(), want);
            if (got != want) throw EReadError("Stream read error");
            span_.WriteOnThisDisk(buf.data(), got);
            n -= got;
            pass_.ProcessMessages();
        }
    }
    return true;
}

bool TDiskSpanObj::WriteSpanned() {
    struct Closer {
        TDiskSpanObj& s;
        ~Closer() { s.CloseDiskFile(); }
    } closer{*this};

    pass_.Progress(0, 0);
    if (!FirstDisk()) return false;
    const int count = pass_.EntryCount();
    pass_.SetBytesLeft(count + 1);

    if (pass_.TempSize() + kDiskReserve > checker_.FreeSpace) {
        std::uint8_t sig[4];
        put_le32(sig, kSpanSig);
        span_.WriteOnThisDisk(sig, 4);
    }

    std::int64_t read_pos = 0;
    int done = 0, total = 0;
    for (int i = 0; i < count; ++i) {
        if (pass_.Cancelled()) return false;
        if (pass_.EntryDeleted(i)) continue;
        pass_.SetCurrentEntry(i);
        std::uint8_t* ch = pass_.CentralHeader(i);
        if (!is_sig(get_le32(ch), 1, 2)) return false;
        std::uint8_t local[30] = {};
        pass_.TempSeek(read_pos);
        if (pass_.TempRead(local, 30) != 30 || !is_sig(get_le32(local), 3, 4)) return false;
        // Encrypted local headers hide their lengths; the central copy has them plain.
        const bool plain = local[1] == 'K';
        const std::int64_t name_len = plain ? get_le16(local + 26) : get_le16(ch + 28);
        const std::int64_t extra_len = plain ? get_le16(local + 28) : 0;
        const std::int64_t packed = get_le32(ch + 20);

        // The entry starts where its first byte lands: on the next disk when
        // this one is full.
        if (!EnsureRoom(1)) return false;
        ++total;
        put_le16(ch + 34, DiskNumber - 1);
        put_le32(ch + 42, static_cast<std::uint32_t>(span_.DiskPosition()));

        pass_.TempSeek(read_pos);
        if (!CopyAcross(30)) return false;
        ++done;
        pass_.SetBytesLeft(count - done);
        pass_.Progress(done, count);
        if (!CopyAcross(name_len + extra_len + packed)) return false;
        read_pos += 30 + name_len + extra_len + packed;
        pass_.ProcessMessages();
    }

    // Central directory, recording where it really begins.
    std::uint32_t cd_disk = 0, cd_offset = 0, on_last_disk = 0, last_disk = 0;
    std::int64_t cd_size = 0;
    bool first = true;
    for (int i = 0; i < count; ++i) {
        if (pass_.EntryDeleted(i)) continue;
        std::string rec = pass_.CentralRecord(i);
        if (!EnsureRoom(1)) return false;
        if (first) {
            cd_disk = DiskNumber - 1;
            cd_offset = static_cast<std::uint32_t>(span_.DiskPosition());
            first = false;
        }
        if (DiskNumber - 1 != last_disk) {
            last_disk = DiskNumber - 1;
            on_last_disk = 0;
        }
        ++on_last_disk;
        if (!WriteAcross(rec.data(), static_cast<std::int64_t>(rec.size()))) return false;
        cd_size += static_cast<std::int64_t>(rec.size());
    }

    // The end record goes whole onto the last disk.
    if (!EnsureRoom(22)) return false;
    if (DiskNumber - 1 != last_disk) on_last_disk = 0;
    put_le32(EndRecord, 0x06054B50u);
    put_le16(EndRecord + 4, DiskNumber - 1);
    put_le16(EndRecord + 6, cd_disk);
    put_le16(EndRecord + 8, on_last_disk);
    put_le16(EndRecord + 10, static_cast<std::uint32_t>(total));
    put_le32(EndRecord + 12, static_cast<std::uint32_t>(cd_size));
    put_le32(EndRecord + 16, cd_offset);
    put_le16(EndRecord + 20, 0);
    if (!span_.TryWriteOnThisDisk(EndRecord, 22)) return false;
    CommitDiskFile();
    return true;
}

} // namespace archive
