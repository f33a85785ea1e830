// TZip's side of disk spanning: hands the pass's temporary archive and entry
// list to the span writer.

#include "archive/arcZip.h"

#include <algorithm>

#include "archive/arcDiskSpan.h"
#include "platform/core/ByteOrder.h"
#include "archive/arcRegister.h"

namespace archive {

bool TZip::WriteSpanned(TStream32& Stream, TCompHeaderObj& List) {
    // What the span writer needs of this pass.
    class Pass : public TSpanPass {
    public:
        Pass(TZip& Zip, TStream32& Temp, TCompHeaderObj& Entries) : zip_(Zip), temp_(Temp), list_(Entries) {}
        std::string ArchiveFile() override { return zip_.archive_file_; }
        std::int64_t TempSize() override { return temp_.GetSize(); }
        void TempSeek(std::int64_t Position) override { temp_.Seek(Position, soFromBeginning); }
        std::int64_t TempRead(void* Buffer, std::int64_t Count) override { return temp_.Read(Buffer, Count); }
        int EntryCount() override { return list_.Count(); }
        bool EntryDeleted(int Index) override { return list_.EntryInfo(Index).Status == esDeleted; }
        std::uint8_t* CentralHeader(int Index) override {
            TCompHeaderObj::Header& h = list_.HeaderCopy(Index);
            // The signature and the three lengths as the record will carry them.
            zip_.CentralRecord(Index, list_);
            const std::uint32_t sig = list_.EntryInfo(Index).HeaderEncrypted ? kCentralSigPL : kCentralSig;
            core::put_le32(h.data(), sig);
            return h.data();
        }
        std::string CentralRecord(int Index) override { return zip_.CentralRecord(Index, list_); }
        void SetCurrentEntry(int Index) override { zip_.entry_name_ = list_.Name(Index); }
        bool Cancelled() override { return zip_.GetCancel(); }
        void SetCancel() override { zip_.SetCancel(true); }
        void Progress(std::int64_t Done, std::int64_t Total) override {
            if (Total == 0) {
                zip_.DefaultProgress(0, 0);
                return;
            }
            zip_.ReportProgress(static_cast<double>(Done), static_cast<double>(Total), static_cast<double>(Total));
        }
        void SetBytesLeft(std::int64_t BytesLeft) override { zip_.bytes_left_ = static_cast<double>(BytesLeft); }
        void ProcessMessages() override {}
        bool DeleteOrRecycle(const std::string& FileName) override {
            return archive::DeleteOrRecycle(FileName, zip_.DeleteOptions);
        }

    private:
        TZip& zip_;
        TStream32& temp_;
        TCompHeaderObj& list_;
    };

    // The span writer writes the archive itself: the temporary archive is
    // discarded, not copied over the target.
    if (auto* f = dynamic_cast<TTempFileStream*>(&Stream)) f->CopyFlag = 0;
    if (auto* m = dynamic_cast<TTempMemStream*>(&Stream)) m->CopyFlag = 0;
    archive_total_ = static_cast<double>(List.Count());

    Pass pass(*this, Stream, List);
    TDiskSpanObj span(pass, disk_manager_);
    span.LeaveSpaceOnFirstDisk = static_cast<std::uint32_t>(std::max<int32_t>(0, LeaveSpaceOnFirstDisk));
    span.SpanReportError = [this](const std::string& FileName, const std::string& Extended,
                                  const std::string& Volume, int Code) {
        ReportError(FileName, Extended, Volume, Code);
    };
    if (OnInsertDisk)
        span.OnInsertDisk = [this](TDiskSpanObj*, const std::string& Volume, bool& Cancel) {
            OnInsertDisk(*this, Volume, Cancel);
        };
    if (OnClearDisk)
        span.OnClearDisk = [this](TDiskSpanObj*, const std::string& Drive, std::int64_t Required, std::int64_t Free,
                                  std::int64_t Total, bool& Cancel) {
            OnClearDisk(*this, Drive, Required, Free, Total, Cancel);
        };
    if (OnDiskSpanFileExists)
        span.OnDiskSpanFileExists = [this](TDiskSpanObj*, const std::string& FileName, double Date,
                                           TOverwriteMode& Mode) { OnDiskSpanFileExists(*this, FileName, Date, Mode); };
    auto handler = [this](const TOnDiskErrorEvent& Event) -> TOnDiskError {
        if (!Event) return nullptr;
        return [this, Event](TDiskCommon*, bool& Abort) { Event(*this, Abort); };
    };
    span.ComponentInDrvErr = handler(OnDiskInDrvErr);
    span.ComponentWriteProtectErr = handler(OnDiskWriteProtectErr);

    if (span.WriteSpanned()) return true;
    // No archive came of this pass.
    files_added_ = 0;
    List.Clear();
    return false;
}

} // namespace archive
