#pragma once
// The ZIP member of the archive components: local headers, traditional
// encryption, central directory and end record, and the store-or-deflate
// rules. Little-endian records, no ZIP64 records and no data descriptors are
// written: every size and offset must fit 32 bits and an archive holds at most
// 65,535 entries; larger input is refused before anything is written.
//
// Existing archives (arcZipRead.cpp): the directory is read from the central
// directory, or walked through the local headers when the end record or the
// central directory is damaged; kept entries are copied byte for byte by the
// sizes of the central directory, with their data descriptors; an archive with
// ZIP64 records is refused (25245) and left as it was. Bytes in front of the
// first entry (a self-extractor stub) are kept in front of the new archive.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/arcbase.h"
#include "archive/arcCrypt.h"
#include "archive/arcGbls.h"

namespace archive {

// Display name of an entry's compression method ("Stored", "DeflateN", ...).
std::string GetMethodName(uint16_t Method, uint16_t Flags, uint32_t ExternalAttr);

class TZip : public TCompBase {
public:
    explicit TZip(TComponent* AOwner = nullptr);
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    void SetArcType(TArcType Value) override;
    void SetCompressMethod(TCompressMethod Value) override;
    const std::string& GetDefaultExt() const { return DefaultExt; }
    // "" or "." gives ".ZIP"; otherwise dotted, cut to 4 characters, lower
    // case; ArchiveFile's extension follows when it had none or the old one.
    void SetDefaultExt(const std::string& Value);
    // Bytes to leave free on the first of spanned disks.
    int32_t LeaveSpaceOnFirstDisk = 0;
    // Threads that deflate an entry of 1 MiB or more, in blocks
    // (arcParallelDeflate.h): 0 is one per processor this process may use;
    // 1 deflates every entry as one stream on the caller's thread. Smaller
    // entries are always one stream.
    int Threads = 0;
    // When set, each file the pass packs is read from the descriptor this
    // gives for its path, from the start, instead of being opened by name;
    // the caller keeps the descriptor and closes it. -1 is a file that cannot
    // be opened.
    std::function<int(const std::string& Path)> SourceHandle;

    static constexpr uint32_t kLocalSig = 0x04034B50, kCentralSig = 0x02014B50, kEndSig = 0x06054B50;
    static constexpr uint32_t kLocalSigPL = 0x04034C50, kCentralSigPL = 0x02014C50, kEndSigPL = 0x06054C50;

    int OpenArchiveDirectory() override;
    void GetFileComment(int Index, std::string& Name, int& Length, std::string& Comment) override;
    void SetFileComment(int Index, const std::string& Comment) override;
    int GetArchiveComment(std::string& Comment, int& Length) override;
    void SetArchiveComment(const std::string& Comment) override;
    void SaveDirectoryChanges() override;

protected:
    std::size_t GetHeadSize() override { return 46; }
    std::size_t GetLocalHeadSize() override { return 30; }
    void SetEntryStats(TCompHeaderObj::Header& Header, int64_t Uncompressed, int64_t Compressed, uint32_t DosDate,
                       uint32_t Attr) override;
    void CompressEntry(TStream32& Stream, int Index, bool& Ok, TCompHeaderObj& List) override;
    bool WriteEntryData(TStream32& Stream, int Index, TCompHeaderObj& List) override;
    void DoEnd() override;
    bool WriteDirectoryEnd(TStream32& Stream, TCompHeaderObj& List) override;
    void WriteEmptyEnd(TStream32& Stream) override;
    void ReportEntries(TCompHeaderObj& List) override;
    bool CheckLimits(TCompHeaderObj& List) override;
    bool ReadArchiveDirectory(TStream32& Old, TCompHeaderObj& List) override;
    void WriteArchivePrefix(TStream32& Old, TStream32& Out) override;
    void CopyEntry(TStream32& Old, TStream32& Out, int Index, TCompHeaderObj& List) override;
    void RenameEntry(TStream32& Old, TStream32& Out, int Index, TCompHeaderObj& List) override;
    void FinishEntryCopies(TStream32& Old, TStream32& Out) override;
    void ListArchive(TStream32& Old) override;

private:
    // Fills the entry report (report_) from entry Index's central header.
    void ReportFromHeader(TCompHeaderObj& List, int Index);
    void InitLocalHeader(const TCompFileInfo& Info, const TCompHeaderObj::Header& Stats);
    void FinishLocalHeader(int64_t Uncompressed, int64_t Compressed);
    void BuildCentralHeader(int Index, uint32_t Attributes, TCompHeaderObj& List);
    // The local header and name as written (encrypted with the header keys
    // when the entry has encrypted headers).
    std::string LocalHeaderBytes() const;
    void WriteLocalHeader(TStream32& Stream);
    bool WriteFolderEntry(TStream32& Stream, int Index, TCompHeaderObj& List);
    void HeaderCipher(TZipCipher& Cipher) const;
    // A central header whose name is UTF-8 (the language flag) made on FAT
    // becomes one made on Unix, with the Unix mode its DOS attributes give:
    // some readers (Debian's unzip) honour the flag only for Unix entries.
    static void MarkMadeOnUnix(TCompHeaderObj::Header& Central);
    // One central record as it goes into the archive: header image, name,
    // extra field and comment (encrypted with the header keys when the entry
    // asks for it). The entry's header copy gets the three lengths.
    std::string CentralRecord(int Index, TCompHeaderObj& List);
    // Writes the archive from the temporary archive Stream across removable
    // disks (arcZipSpan.cpp); False when the spanning failed.
    bool WriteSpanned(TStream32& Stream, TCompHeaderObj& List);

    // Reading existing archives (arcZipRead.cpp).
    enum class DirRead { Ok, NotArchive, Unsupported, Zip64, Damaged };
    // Fills List from the archive's directory (List is cleared first).
    DirRead ReadDirectory(TStream32& Old, TCompHeaderObj& List);
    DirRead ReadCentralDirectory(TStream32& Old, TCompHeaderObj& List, const uint8_t* End, int64_t EndPos);
    DirRead WalkLocalHeaders(TStream32& Old, TCompHeaderObj& List);
    // Reports a failed read of ArchiveFile's directory.
    void ReportDirRead(DirRead Result);
    // Reads Count bytes at Pos of the old archive through a read-ahead window.
    bool ReadOld(TStream32& Old, int64_t Pos, void* Buffer, std::size_t Count);
    // The local header at an entry's old offset, decrypted; raises (damaged,
    // ZIP64) when it is not there. Answers the bytes of name and extra.
    void ReadOldLocalHeader(TStream32& Old, int Index, TCompHeaderObj& List, std::array<uint8_t, 30>& Header);
    // Length of the data descriptor after an entry's data (0 without flag
    // bit 3); raises when flag bit 3 is set and no descriptor is found.
    int64_t DescriptorLength(TStream32& Old, int64_t At, int Index, TCompHeaderObj& List);
    // Raises the damaged-archive error naming an entry.
    [[noreturn]] void Damaged(const std::string& EntryName, int Code = E_DAMAGED);

    int64_t start_offset_ = -1;  // first entry's local header (bytes before it are a stub)
    int64_t data_end_ = 0;       // end of the entries' data (the central directory's offset)
    int64_t archive_size_ = 0;
    std::vector<uint8_t> read_window_;
    int64_t read_window_pos_ = -1;
    int64_t run_start_ = 0, run_length_ = 0, run_out_ = 0;  // gathered copies
    int64_t dir_data_end_ = 0, dir_size_ = -1, dir_mtime_ns_ = 0;  // OpenArchiveDirectory

    std::array<uint8_t, 30> local_{};
    StoredName stored_;
    bool encrypted_ = false;
    bool header_encrypted_ = false;
    uint16_t method_ = 8;
    uint32_t crc_ = 0xFFFFFFFFu;
    uint32_t header_keys_[3] = {0, 0, 0};
    TZipCipher cipher_;
};

}  // namespace archive
