#include "archive/arcZip.h"

#include <cstring>
#include <optional>

#include "platform/core/ClassBuilder.h"
#include "archive/arcGbls.h"
#include "archive/arcParallelDeflate.h"
#include "platform/core/ByteOrder.h"

namespace archive {

namespace {

constexpr int64_t kMax32 = 0xFFFFFFFFLL;
constexpr int kMaxEntries = 65535;
constexpr const char* kTooManyEntries = "an archive holds at most 65,535 entries";

uint16_t deflate_flag_bits(TDeflateType t) {
    switch (t) {
        case dtDeflateX: return 2;
        case dtDeflateF: return 4;
        default: return 0;
    }
}

}  // namespace

std::string GetMethodName(uint16_t Method, uint16_t Flags, uint32_t ExternalAttr) {
    static const char* const kNames[] = {"Stored",   "Shrunk",   "Reduce-1", "Reduce-2", "Reduce-3", "Reduce-4",
                                         "Imploded", "Tokened",  "",         "",         "DCL-implode"};
    if (Method == 8) return DeflateName(static_cast<uint16_t>(Flags & 0x6));
    if (Method == 9) return Deflate64Name(static_cast<uint16_t>(Flags & 0x6));
    if (Method <= 10) return kNames[Method];
    return (ExternalAttr & 0x10) ? "<Dir>" : "Unsupported";
}

TClass TZip::StaticClass() {
    // Published properties as a form resource stores them. ArcType,
    // CompressMethod, DefaultExt, DeleteOptions, Switch and TempDir have no
    // default and are always stored.
    static const TClassInfo info =
        core::ClassBuilder<TZip, TCompBase>("TZip")
            .Enum("ArcType",
                  {"atNA", "atUnsupported", "atFileOpenErr", "atUnknown", "atAce", "atAceExe", "atArc", "atArcExe",
                   "atArj", "atArjExe", "atBh", "atBhExe", "atCab", "atGZip", "atHA", "atJar", "atJarExe", "atLha",
                   "atLhaExe", "atLzh", "atLzhExe", "atMsGZ", "atPak", "atPakExe", "atRar", "atRarExe", "atTar",
                   "atTarGZip", "atUUE", "atZip", "atZipExe", "atZipDS", "atZipMV", "atZoo"},
                  &TZip::ArcType, &TZip::SetArcType)
            .NoDefault()
            .Enum("CompressMethod",
                  {"cmStore", "cmDeflate", "cmFuse", "cmFrozen5", "cmFrozen6", "cmMsZip", "cmLzx", "cmQuantum",
                   "cmUUEncode", "cmXXEncode", "cmBase64", "cmTarred", "cmTarGzip"},
                  &TZip::CompressMethod, &TZip::SetCompressMethod)
            .NoDefault()
            .String("DefaultExt", &TZip::GetDefaultExt, &TZip::SetDefaultExt)
            .NoDefault()
            .Bool("EncryptHeaders", &TZip::EncryptHeaders, &TZip::EncryptHeaders)
            .Integer("LeaveSpaceOnFirstDisk", &TZip::LeaveSpaceOnFirstDisk, &TZip::LeaveSpaceOnFirstDisk)
            .String("ArchiveFile", &TZip::ArchiveFile, &TZip::SetArchiveFile)
            .Set("Attributes",
                 {"fsZeroAttr", "fsReadOnly", "fsHidden", "fsSysFile", "fsVolumeID", "fsDirectory", "fsArchive",
                  "fsCompressed"},
                 &TZip::Attributes, &TZip::Attributes)
            .Default(static_cast<int>(AttrSet({fsZeroAttr, fsReadOnly, fsArchive, fsCompressed})))
            .Set("AttributesEx",
                 {"fsZeroAttr", "fsReadOnly", "fsHidden", "fsSysFile", "fsVolumeID", "fsDirectory", "fsArchive",
                  "fsCompressed"},
                 &TZip::AttributesEx, &TZip::AttributesEx)
            .Enum("CompressionMethod", {"cmInMemory", "cmTempFile"}, &TZip::CompressionMethod,
                  &TZip::CompressionMethod)
            .Default(static_cast<int>(cmTempFile))
            .Enum("DateAttribute", {"daFileDate", "daSysDate", "daMaxFileDate"}, &TZip::DateAttribute,
                  &TZip::DateAttribute)
            .Enum("DeflateType", {"dtDeflateS", "dtDeflateF", "dtDeflateN", "dtDeflateX"}, &TZip::DeflateType,
                  &TZip::DeflateType)
            .Default(static_cast<int>(dtDeflateN))
            .Enum("DeleteOptions", {"doFinal", "doAllowUndo"}, &TZip::DeleteOptions, &TZip::DeleteOptions)
            .NoDefault()
            .Strings("ExcludeSpec", [](const TZip& z) { return const_cast<TStringList*>(&z.ExcludeSpec); })
            .Strings("FileSpec", [](const TZip& z) { return const_cast<TStringList*>(&z.FileSpec); })
            .Bool("IncludeHiddenDirs", &TZip::IncludeHiddenDirs, &TZip::IncludeHiddenDirs)
            .String("Password", &TZip::Password, &TZip::Password)
            .Bool("RecurseDirs", &TZip::RecurseDirs, &TZip::RecurseDirs)
            .Default(true)
            .Enum("StoredDirNames",
                  {"sdNone", "sdAbsolute", "sdAbsoluteNoDrv", "sdAbsoluteNoRoot", "sdRelative", "sdRelativeStoreStart",
                   "sdExplorer_Auto", "sdExplorer_UserDefineDefaultDir"},
                  &TZip::StoredDirNames, &TZip::StoredDirNames)
            .Default(static_cast<int>(sdRelative))
            .Bool("StoreEmptySubDirs", &TZip::StoreEmptySubDirs, &TZip::StoreEmptySubDirs)
            .Strings("StoreFilesOfType", [](const TZip& z) { return const_cast<TStringList*>(&z.StoreFilesOfType); })
            .Enum("Switch", {"swAdd", "swRefresh", "swMove", "swDelete", "swRead"}, &TZip::Switch, &TZip::Switch)
            .NoDefault()
            .String("TempDir", &TZip::TempDirValue, &TZip::SetTempDir)
            .NoDefault()
            .Bool("TranslateOemChar", &TZip::TranslateOemChar, &TZip::TranslateOemChar)
            .Default(true)
            .Bool("VerifyBeforeDelete", &TZip::VerifyBeforeDelete, &TZip::VerifyBeforeDelete)
            .Operation("Compress", &TZip::Compress)
            .Build();
    return &info;
}

TZip::TZip(TComponent* AOwner) : TCompBase(AOwner) {
    SetDefaultExt(".zip");
    arc_type_ = atZip;
    LeaveSpaceOnFirstDisk = 0;
    EncryptHeaders = false;
    compress_method_ = cmDeflate;
    HeaderKeyTriple(header_keys_);
}

void TZip::SetArcType(TArcType) {
    arc_type_ = atZip;
    if (!Loading() && !archive_file_.empty() && ExtractFileExt(archive_file_).empty()) archive_file_ += DefaultExt;
}

void TZip::SetCompressMethod(TCompressMethod Value) {
    if (Value == cmStore || Value == cmDeflate) compress_method_ = Value;
}

void TZip::SetDefaultExt(const std::string& Value) {
    const std::string previous = DefaultExt;
    if (Value.empty() || Value == ".") {
        DefaultExt = ".ZIP";
    } else {
        std::string ext = Value.find('.') == std::string::npos ? "." + Value : Value;
        if (ext.size() > 4) ext.resize(4);
        DefaultExt = LowerAscii(ext);
    }
    if (archive_file_.empty()) return;
    const std::string current = ExtractFileExt(archive_file_);
    if (current.empty())
        archive_file_ += DefaultExt;
    else if (!previous.empty() && SameTextAscii(current, previous))
        archive_file_ = ChangeExtension(archive_file_, DefaultExt);
}

void TZip::SetEntryStats(TCompHeaderObj::Header& Header, int64_t Uncompressed, int64_t Compressed, uint32_t DosDate,
                         uint32_t Attr) {
    core::put_le32(Header.data() + 24, static_cast<uint32_t>(std::min(Uncompressed, kMax32)));
    core::put_le32(Header.data() + 20, static_cast<uint32_t>(std::min(Compressed, kMax32)));
    core::put_le32(Header.data() + 12, DosDate);
    core::put_le32(Header.data() + 38, Attr);
}

void TZip::CompressEntry(TStream32& Stream, int Index, bool& Ok, TCompHeaderObj& List) {
    TCompBase::CompressEntry(Stream, Index, Ok, List);
}

void TZip::HeaderCipher(TZipCipher& Cipher) const {
    Cipher.SetKeys(header_keys_[0], header_keys_[1], header_keys_[2]);
}

void TZip::InitLocalHeader(const TCompFileInfo& Info, const TCompHeaderObj::Header& Stats) {
    local_.fill(0);
    core::put_le32(local_.data() + 0, Info.HeaderEncrypted ? kLocalSigPL : kLocalSig);
    core::put_le16(local_.data() + 4, 20);
    core::put_le32(local_.data() + 10, EntryDate(core::get_le32(Stats.data() + 12)));
    core::put_le32(local_.data() + 22, static_cast<uint32_t>(std::min(Info.SourceSize, kMax32)));
    core::put_le16(local_.data() + 8, 8);
}

void TZip::FinishLocalHeader(int64_t Uncompressed, int64_t Compressed) {
    core::put_le16(local_.data() + 28, 0);
    core::put_le16(local_.data() + 26, static_cast<uint32_t>(stored_.bytes.size()));
    core::put_le32(local_.data() + 22, static_cast<uint32_t>(Uncompressed));
    core::put_le32(local_.data() + 14, Uncompressed == 0 ? 0u : crc_);
    uint16_t flags = encrypted_ ? 1 : 0;
    if (method_ == 8) flags = static_cast<uint16_t>(flags | deflate_flag_bits(DeflateType));
    if (stored_.utf8) flags = static_cast<uint16_t>(flags | 0x800);
    core::put_le16(local_.data() + 6, flags);
    core::put_le16(local_.data() + 8, method_);
    core::put_le32(local_.data() + 18, static_cast<uint32_t>(Compressed));
}

std::string TZip::LocalHeaderBytes() const {
    std::string bytes(reinterpret_cast<const char*>(local_.data()), local_.size());
    bytes += stored_.bytes;
    if (header_encrypted_) {
        TZipCipher c;
        HeaderCipher(c);
        c.Encrypt(bytes.data() + 4, bytes.size() - 4);
    }
    return bytes;
}

void TZip::WriteLocalHeader(TStream32& Stream) {
    const std::string bytes = LocalHeaderBytes();
    Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TZip::BuildCentralHeader(int Index, uint32_t Attributes, TCompHeaderObj& List) {
    TCompHeaderObj::Header image{};
    const TCompFileInfo& info = List.EntryInfo(Index);
    core::put_le32(image.data() + 0, info.HeaderEncrypted ? kCentralSigPL : kCentralSig);
    core::put_le16(image.data() + 4, 20);
    core::put_le16(image.data() + 6, 20);
    std::memcpy(image.data() + 8, local_.data() + 6, 24);
    core::put_le16(image.data() + 30, 0);
    core::put_le16(image.data() + 32, 0);
    core::put_le16(image.data() + 34, 0);
    core::put_le16(image.data() + 36, 1);
    core::put_le32(image.data() + 38, Attributes);
    core::put_le32(image.data() + 42, static_cast<uint32_t>(info.Offset));
    if (core::get_le16(image.data() + 8) & 0x800) MarkMadeOnUnix(image);
    List.HeaderCopy(Index) = image;
}

void TZip::MarkMadeOnUnix(TCompHeaderObj::Header& Central) {
    if (Central[5] != 0) return;  // made on another host: left as it is
    Central[5] = 3;
    const uint32_t attr = core::get_le32(Central.data() + 38);
    if ((attr >> 16) != 0) return;
    uint32_t mode = (attr & 0x10) ? 040755u : 0100644u;
    if (attr & 0x01) mode &= ~0222u;
    core::put_le32(Central.data() + 38, attr | (mode << 16));
}

bool TZip::CheckLimits(TCompHeaderObj& List) {
    int entries = 0;
    for (int i = 0; i < List.Count(); ++i) {
        const TCompFileInfo& info = List.EntryInfo(i);
        if (info.Status == esDeleted) continue;
        ++entries;
        if (info.SourceSize > kMax32) {
            // A size field holds 32 bits; the format has no room for this file.
            ReportError(archive_file_, List.Name(i), "0", E_WRITE);
            return false;
        }
    }
    if (entries > kMaxEntries) {
        ReportError(archive_file_, kTooManyEntries, "0", E_WRITE);
        return false;
    }
    return true;
}

bool TZip::WriteFolderEntry(TStream32& Stream, int Index, TCompHeaderObj& List) {
    const TCompHeaderObj::Header stats = List.HeaderCopy(Index);
    const std::string full = RemoveSlash(List.Name(Index));
    std::string name;
    // A folder named as an argument has its parent as root: its folders are
    // named from there, as its files are.
    if (StoredDirNames == sdRelative && !List.EntryInfo(Index).InFolderArgument) {
        const TStoredDirNames keep = StoredDirNames;
        StoredDirNames = sdRelativeStoreStart;
        name = StoredFileName(full, scan_root_);
        StoredDirNames = keep;
    } else {
        name = StoredFileName(full, scan_root_);
    }
    entry_name_ = name;
    stored_ = AnsiToOemName(AppendSlash(name), false);
    encrypted_ = false;
    method_ = 0;
    crc_ = 0;
    header_encrypted_ = List.EntryInfo(Index).HeaderEncrypted != 0;
    TCompFileInfo info = List.EntryInfo(Index);
    info.SourceSize = 0;
    InitLocalHeader(info, stats);
    FinishLocalHeader(0, 0);
    Stream.Seek(0, soFromEnd);
    WriteLocalHeader(Stream);
    BuildCentralHeader(Index, core::get_le32(stats.data() + 38), List);
    return true;
}

bool TZip::WriteEntryData(TStream32& Stream, int Index, TCompHeaderObj& List) {
    TCompFileInfo& info = List.EntryInfo(Index);
    const TCompHeaderObj::Header stats = List.HeaderCopy(Index);
    const uint32_t attr = core::get_le32(stats.data() + 38);
    header_encrypted_ = info.HeaderEncrypted != 0;
    crc_ = 0;
    if (attr & 0x10) return WriteFolderEntry(Stream, Index, List);

    const std::string& path = List.Name(Index);
    TDeflateType choice = compress_method_ == cmStore ? dtDeflateS : DeflateType;
    const std::string ext = ExtractFileExt(ExtractFileName(path));
    if (choice != dtDeflateS && !ext.empty()) {
        for (int i = 0; i < StoreFilesOfType.Count(); ++i) {
            std::string line = StoreFilesOfType.Get(i);
            if (line.empty()) continue;
            if (line[0] != '.') {
                line.insert(line.begin(), '.');
                StoreFilesOfType.Put(i, line);
            }
            if (UpperAscii(ext) == line) choice = dtDeflateS;
        }
    }

    std::optional<TFileStream32> named;
    std::optional<THandleStream32> given;
    if (SourceHandle) {
        given.emplace(SourceHandle(path));
        if (given->Handle() >= 0) given->SetPosition(0);
    } else {
        named.emplace(path, 0x20);
    }
    THandleStream32& source = given ? static_cast<THandleStream32&>(*given) : *named;
    if (source.Handle() < 0) {
        ReportError(archive_file_, "", "0", E_OPENFILE);
        return false;
    }
    const int64_t size = source.GetSize();
    if (size > kMax32) RaiseError(archive_file_, path, "0", E_WRITE);
    info.SourceSize = size;
    file_size_ = static_cast<double>(size);
    encrypted_ = !Password.empty() && size > 0;
    method_ = size > 0 ? 8 : 0;
    stored_ = AnsiToOemName(entry_name_, TranslateOemChar);
    if (stored_.bytes.size() > 0xFFFF) RaiseError(archive_file_, path, "0", E_WRITE);
    InitLocalHeader(info, stats);
    core::put_le32(local_.data() + 22, static_cast<uint32_t>(size));

    const int64_t offset = Stream.Seek(0, soFromEnd);
    info.Offset = offset;
    if (offset > kMax32) RaiseError(archive_file_, path, "0", E_WRITE);
    WriteLocalHeader(Stream);
    const int64_t data_start = offset + 30 + static_cast<int64_t>(stored_.bytes.size());

    uint32_t final_crc = 0;
    uint8_t crypt_header[12];
    if (encrypted_) {
        const double left = bytes_left_;
        TCalcStreamCRC pass(source, 0, 32, Context(false, nullptr), &cancel_, FileProgress());
        bytes_left_ = left;
        if (cancel_) return false;
        final_crc = pass.Accumulator() ^ 0xFFFFFFFFu;
        cipher_.MakeHeader(Password, final_crc, crypt_header);
        Stream.WriteBuffer(crypt_header, 12);
        source.SetPosition(0);
    }

    auto store = [&]() -> bool {
        method_ = 0;
        TStreamContext ctx = Context(encrypted_, &cipher_);
        ctx.CRC = final_crc;
        TStoreStream out(Stream, 32, ctx, &cancel_, FileProgress());
        const int64_t copied = out.CopyFromSource(source);
        if (!encrypted_) final_crc = out.CRC() ^ 0xFFFFFFFFu;
        return copied == size && !cancel_;
    };

    bool ok = false;
    if (choice == dtDeflateS || size == 0) {
        ok = store();
    } else if (size < 257) {
        TMemoryStream32 packed;
        uint32_t crc = 0;
        const double left = bytes_left_;
        ok = DeflateStream(source, packed, Context(encrypted_, &cipher_), crc, choice, FileProgress(), -15);
        if (!encrypted_) final_crc = crc;
        if (ok && packed.GetSize() > size) {
            bytes_left_ = left;
            if (encrypted_) {
                cipher_.MakeHeader(Password, final_crc, crypt_header);
                Stream.SetPosition(data_start);
                Stream.WriteBuffer(crypt_header, 12);
            }
            source.SetPosition(0);
            ok = store();
        } else if (ok) {
            Stream.WriteBuffer(packed.Memory(), packed.GetSize());
        }
    } else {
        uint32_t crc = 0;
        const int threads = Threads > 0 ? Threads : AvailableThreads();
        if (threads > 1 && size >= kParallelDeflateMin)
            ok = ParallelDeflateStream(source, Stream, Context(encrypted_, &cipher_), crc, choice, FileProgress(),
                                       threads);
        else
            ok = DeflateStream(source, Stream, Context(encrypted_, &cipher_), crc, choice, FileProgress(), -15);
        if (!encrypted_) final_crc = crc;
    }

    crc_ = final_crc;
    const int64_t end = Stream.Seek(0, soFromEnd);
    const int64_t compressed = end - data_start;
    if (compressed > kMax32 || end > kMax32) RaiseError(archive_file_, path, "0", E_WRITE);
    FinishLocalHeader(size, compressed);
    Stream.SetPosition(offset);
    WriteLocalHeader(Stream);
    Stream.Seek(0, soFromEnd);
    if (ok) BuildCentralHeader(Index, attr, List);
    return ok;
}

void TZip::DoEnd() {
    // An entry that failed (a source that cannot be read, a failed write)
    // never reports its CRC as passed.
    if (OnEnd) OnEnd(*this, entry_name_, entry_written_ && crc_ == core::get_le32(local_.data() + 14));
}

void TZip::WriteEmptyEnd(TStream32& Stream) {
    std::array<uint8_t, 22> end{};
    core::put_le32(end.data() + 0, kEndSig);
    Stream.WriteBuffer(end.data(), 22);
}

std::string TZip::CentralRecord(int Index, TCompHeaderObj& List) {
    const TCompFileInfo& info = List.EntryInfo(Index);
    TCompHeaderObj::Header& copy = List.HeaderCopy(Index);
    const bool folder = (core::get_le32(copy.data() + 38) & 0x10) != 0;
    StoredName name;
    if (info.FromArchive) {
        // Entries of an existing archive keep the name bytes their local
        // header holds (a renamed one got its new bytes when it was copied).
        name.bytes = info.RawName;
    } else {
        name = folder ? AnsiToOemName(AppendSlash(List.Name(Index)), false)
                      : AnsiToOemName(List.Name(Index), TranslateOemChar);
    }
    core::put_le16(copy.data() + 28, static_cast<uint32_t>(name.bytes.size()));
    core::put_le16(copy.data() + 30, static_cast<uint32_t>(info.Extra.size()));
    core::put_le16(copy.data() + 32, static_cast<uint32_t>(info.Comment.size()));
    TCompHeaderObj::Header image = copy;
    core::put_le32(image.data() + 0, info.HeaderEncrypted ? kCentralSigPL : kCentralSig);
    std::string bytes(reinterpret_cast<const char*>(image.data()), image.size());
    bytes += name.bytes;
    if (info.HeaderEncrypted) {
        TZipCipher c;
        HeaderCipher(c);
        c.Encrypt(bytes.data() + 4, bytes.size() - 4);
    }
    bytes += info.Extra;
    bytes += info.Comment;
    return bytes;
}

bool TZip::WriteDirectoryEnd(TStream32& Stream, TCompHeaderObj& List) {
    DefaultProgress(0, 0);
    if (file_number_ == 0) return true;
    // On a removable drive the span writer writes the archive across disks.
    if (disk_manager_.DriveType == 2) return WriteSpanned(Stream, List);
    try {
        const int64_t cd_offset = Stream.Seek(0, soFromEnd);
        int entries = 0;
        // Records are gathered into large writes.
        std::string pending;
        for (int i = 0; i < List.Count(); ++i) {
            if (List.EntryInfo(i).Status == esDeleted) continue;
            pending += CentralRecord(i, List);
            if (pending.size() >= (1u << 20)) {
                Stream.WriteBuffer(pending.data(), static_cast<int64_t>(pending.size()));
                pending.clear();
            }
            ++entries;
        }
        Stream.WriteBuffer(pending.data(), static_cast<int64_t>(pending.size()));
        const int64_t cd_end = Stream.GetPosition();
        const int64_t cd_size = cd_end - cd_offset;
        if (entries == 0) return true;
        if (entries > kMaxEntries || cd_offset > kMax32 || cd_size > kMax32) {
            ReportError(archive_file_, entries > kMaxEntries ? kTooManyEntries : "", "0", E_WRITE);
            return false;
        }
        std::array<uint8_t, 22> end{};
        core::put_le32(end.data() + 0, kEndSig);
        core::put_le16(end.data() + 8, static_cast<uint32_t>(entries));
        core::put_le16(end.data() + 10, static_cast<uint32_t>(entries));
        core::put_le32(end.data() + 12, static_cast<uint32_t>(cd_size));
        core::put_le32(end.data() + 16, static_cast<uint32_t>(cd_offset));
        core::put_le16(end.data() + 20, static_cast<uint32_t>(List.ArchiveComment.size()));
        Stream.WriteBuffer(end.data(), 22);
        Stream.WriteBuffer(List.ArchiveComment.data(), static_cast<int64_t>(List.ArchiveComment.size()));
        return true;
    } catch (const EStreamError&) {
        ReportError(archive_file_, "", "0", E_WRITE);
        return false;
    }
}

void TZip::ReportEntries(TCompHeaderObj& List) {
    if (!OnRead) return;
    for (int i = 0; i < List.Count(); ++i) {
        const TCompFileInfo& info = List.EntryInfo(i);
        // Only the entries added in this pass.
        if (info.Status == esDeleted || info.FromArchive) continue;
        ReportFromHeader(List, i);
        OnRead(*this, info.Offset, i);
    }
}

void TZip::ReportFromHeader(TCompHeaderObj& List, int Index) {
    const auto& h = List.HeaderCopy(Index);
    report_ = TEntryReport{};
    report_.FileName = List.Name(Index);
    report_.VersionMadeBy = static_cast<uint16_t>(core::get_le16(h.data() + 4));
    report_.VersionNeeded = static_cast<uint16_t>(core::get_le16(h.data() + 6));
    const uint16_t flags = static_cast<uint16_t>(core::get_le16(h.data() + 8));
    report_.Encrypted = (flags & 1) != 0;
    report_.Method = static_cast<uint16_t>(core::get_le16(h.data() + 10));
    report_.DosDate = core::get_le32(h.data() + 12);
    report_.CRC = core::get_le32(h.data() + 16);
    report_.CompressedSize = static_cast<int64_t>(core::get_le32(h.data() + 20)) - (report_.Encrypted ? 12 : 0);
    report_.UncompressedSize = core::get_le32(h.data() + 24);
    report_.InternalAttr = static_cast<uint16_t>(core::get_le16(h.data() + 36));
    report_.ExternalAttr = core::get_le32(h.data() + 38);
    report_.MethodName = GetMethodName(report_.Method, flags, report_.ExternalAttr);
    report_.Ratio = CompressionRatio(report_.UncompressedSize, report_.CompressedSize);
}

}  // namespace archive
