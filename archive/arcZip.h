#pragma once
// The ZIP member of the archive components: local headers, traditional
// encryption, central directory and end record, and the store-or-deflate
// rules. Little-endian records, no ZIP64 records and no data descriptors:
// every size and offset must fit 32 bits and an archive holds at most 65,535
// entries; larger input is refused before anything is written.

#include <array>
#include <cstdint>
#include <string>

#include "archive/arcbase.h"
#include "archive/arcCrypt.h"
#include "archive/arcGbls.h"

namespace archive {

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

    static constexpr uint32_t kLocalSig = 0x04034B50, kCentralSig = 0x02014B50, kEndSig = 0x06054B50;
    static constexpr uint32_t kLocalSigPL = 0x04034C50, kCentralSigPL = 0x02014C50;

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

private:
    void InitLocalHeader(const TCompFileInfo& Info, const TCompHeaderObj::Header& Stats);
    void FinishLocalHeader(int64_t Uncompressed, int64_t Compressed);
    void BuildCentralHeader(int Index, uint32_t Attributes, TCompHeaderObj& List);
    // The local header and name as written (encrypted with the header keys
    // when the entry has encrypted headers).
    std::string LocalHeaderBytes() const;
    void WriteLocalHeader(TStream32& Stream);
    bool WriteFolderEntry(TStream32& Stream, int Index, TCompHeaderObj& List);
    void HeaderCipher(TZipCipher& Cipher) const;
    // One central record as it goes into the archive: header image, name,
    // extra field and comment (encrypted with the header keys when the entry
    // asks for it). The entry's header copy gets the three lengths.
    std::string CentralRecord(int Index, TCompHeaderObj& List);
    // Writes the archive from the temporary archive Stream across removable
    // disks (arcZipSpan.cpp); False when the spanning failed.
    bool WriteSpanned(TStream32& Stream, TCompHeaderObj& List);

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
