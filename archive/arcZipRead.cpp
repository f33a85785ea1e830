// TZip on existing archives: reading the directory, copying kept entries,
// renaming entries, the swRead walk and the directory-editing interface.

#include <algorithm>
#include <cstring>

#include "archive/arcZip.h"
#include "platform/core/ByteOrder.h"
#include "platform/os/Files.h"

namespace archive {

namespace {

constexpr int64_t kMax32 = 0xFFFFFFFFLL;
constexpr uint32_t kZip64LocatorSig = 0x07064B50;
constexpr uint32_t kDescriptorSig = 0x08074B50;
constexpr std::size_t kEndSearch = 22 + 65535;  // an end record and the longest comment
constexpr const char* kCommentTooLong = "a comment holds at most 65,535 bytes";
constexpr std::size_t kReadWindow = 256 * 1024;

bool read_at(TStream32& s, int64_t pos, void* buf, int64_t n) {
    if (n == 0) return true;
    if (s.Seek(pos, soFromBeginning) != pos) return false;
    return s.Read(buf, n) == n;
}

// Whether an extra field holds a ZIP64 block (header id 1).
bool has_zip64_extra(const uint8_t* p, std::size_t n) {
    std::size_t at = 0;
    while (at + 4 <= n) {
        if (core::get_le16(p + at) == 0x0001) return true;
        at += 4 + core::get_le16(p + at + 2);
    }
    return false;
}

TZipCipher header_cipher() {
    uint32_t keys[3];
    HeaderKeyTriple(keys);
    TZipCipher c;
    c.SetKeys(keys[0], keys[1], keys[2]);
    return c;
}

int64_t mtime_ns(const std::string& path, int64_t& size) {
    const auto st = os::file_status(path);
    if (!st) {
        size = -1;
        return 0;
    }
    size = st->size;
    return st->mtime_ns;
}

}  // namespace

// ---- reading the directory ------------------------------------------------

bool TZip::ReadOld(TStream32& Old, int64_t Pos, void* Buffer, std::size_t Count) {
    if (Pos < 0 || Count == 0) return Count == 0;
    if (Count > kReadWindow / 2) {
        read_window_pos_ = -1;
        return read_at(Old, Pos, Buffer, static_cast<int64_t>(Count));
    }
    const int64_t have = static_cast<int64_t>(read_window_.size());
    if (read_window_pos_ < 0 || Pos < read_window_pos_ || Pos + static_cast<int64_t>(Count) > read_window_pos_ + have) {
        read_window_.resize(kReadWindow);
        if (Old.Seek(Pos, soFromBeginning) != Pos) return false;
        const int64_t n = Old.Read(read_window_.data(), static_cast<int64_t>(kReadWindow));
        read_window_.resize(static_cast<std::size_t>(std::max<int64_t>(n, 0)));
        read_window_pos_ = Pos;
        if (n < static_cast<int64_t>(Count)) return false;
    }
    std::memcpy(Buffer, read_window_.data() + (Pos - read_window_pos_), Count);
    return true;
}

TZip::DirRead TZip::ReadDirectory(TStream32& Old, TCompHeaderObj& List) {
    List.Clear();
    read_window_pos_ = -1;
    start_offset_ = -1;
    data_end_ = 0;
    archive_size_ = Old.GetSize();
    if (archive_size_ <= 0) return DirRead::Ok;

    // The end record: searched backwards through the last 22 + 65,535 bytes,
    // so that the longest archive comment still finds it.
    const std::size_t window = static_cast<std::size_t>(std::min<int64_t>(archive_size_, kEndSearch));
    std::vector<uint8_t> tail(window);
    const int64_t tail_pos = archive_size_ - static_cast<int64_t>(window);
    if (window >= 22 && read_at(Old, tail_pos, tail.data(), static_cast<int64_t>(window))) {
        for (std::size_t at = window - 22 + 1; at-- > 0;) {
            const uint32_t sig = core::get_le32(&tail[at]);
            if (sig != kEndSig && sig != kEndSigPL) continue;
            uint8_t end[22];
            std::memcpy(end, &tail[at], 22);
            if (sig == kEndSigPL) {
                TZipCipher c = header_cipher();
                c.Decrypt(end + 4, 18);
            }
            const std::size_t comment = core::get_le16(end + 20);
            if (at + 22 + comment > window) continue;  // not an end record: its comment overruns the file
            List.ArchiveComment.assign(reinterpret_cast<const char*>(&tail[at + 22]), comment);
            const int64_t end_pos = tail_pos + static_cast<int64_t>(at);
            // ZIP64 records: a locator in front of the end record, or the
            // saturated sizes that point to them. Counts of 0xFFFF without a
            // locator are plain counts: an archive may hold 65,535 entries.
            if (end_pos >= 20 && at >= 20 && core::get_le32(&tail[at - 20]) == kZip64LocatorSig) return DirRead::Zip64;
            if (end_pos >= 20 && at < 20) {
                uint8_t loc[4];
                if (read_at(Old, end_pos - 20, loc, 4) && core::get_le32(loc) == kZip64LocatorSig) return DirRead::Zip64;
            }
            if (core::get_le32(end + 12) == 0xFFFFFFFFu || core::get_le32(end + 16) == 0xFFFFFFFFu) return DirRead::Zip64;
            if (core::get_le16(end + 4) != 0 || core::get_le16(end + 6) != 0 || core::get_le16(end + 8) != core::get_le16(end + 10))
                return DirRead::Unsupported;  // one volume of a multi-disk archive
            const DirRead central = ReadCentralDirectory(Old, List, end, end_pos);
            if (central != DirRead::Damaged) return central;
            // A damaged central directory: the entries are found through
            // their local headers instead.
            const std::string comment_bytes = List.ArchiveComment;
            List.Clear();
            List.ArchiveComment = comment_bytes;
            break;
        }
    }
    return WalkLocalHeaders(Old, List);
}

TZip::DirRead TZip::ReadCentralDirectory(TStream32& Old, TCompHeaderObj& List, const uint8_t* End, int64_t EndPos) {
    const uint32_t count = core::get_le16(End + 10);
    const int64_t cd_size = core::get_le32(End + 12), cd_offset = core::get_le32(End + 16);
    if (cd_offset + cd_size > EndPos) return DirRead::Damaged;
    if (count == 0) {
        if (cd_size != 0) return DirRead::Damaged;
        data_end_ = cd_offset;
        start_offset_ = cd_offset;
        return DirRead::Ok;
    }
    std::vector<uint8_t> cd(static_cast<std::size_t>(cd_size));
    if (!read_at(Old, cd_offset, cd.data(), cd_size)) return DirRead::Damaged;
    List.Reserve(static_cast<int>(count) + 16);
    std::size_t at = 0;
    int64_t first = cd_offset;
    for (uint32_t n = 0; n < count; ++n) {
        if (at + 46 > cd.size()) return DirRead::Damaged;
        const uint32_t sig = core::get_le32(&cd[at]);
        if (sig != kCentralSig && sig != kCentralSigPL) return DirRead::Damaged;
        const bool pl = sig == kCentralSigPL;
        TCompHeaderObj::Header image{};
        std::memcpy(image.data(), &cd[at], 46);
        TZipCipher cipher = header_cipher();
        if (pl) cipher.Decrypt(image.data() + 4, 42);
        const std::size_t name_len = core::get_le16(image.data() + 28), extra_len = core::get_le16(image.data() + 30),
                          comment_len = core::get_le16(image.data() + 32);
        if (at + 46 + name_len + extra_len + comment_len > cd.size()) return DirRead::Damaged;
        std::string raw(reinterpret_cast<const char*>(&cd[at + 46]), name_len);
        if (pl) cipher.Decrypt(raw.data(), raw.size());
        const uint8_t* extra = &cd[at + 46 + name_len];
        const uint32_t csize = core::get_le32(image.data() + 20), usize = core::get_le32(image.data() + 24),
                       offset = core::get_le32(image.data() + 42);
        if (csize == 0xFFFFFFFFu || usize == 0xFFFFFFFFu || offset == 0xFFFFFFFFu ||
            core::get_le16(image.data() + 34) == 0xFFFF || has_zip64_extra(extra, extra_len))
            return DirRead::Zip64;
        if (core::get_le16(image.data() + 34) != 0) return DirRead::Unsupported;
        if (static_cast<int64_t>(offset) + 30 + static_cast<int64_t>(csize) > cd_offset) return DirRead::Damaged;
        TCompFileInfo info;
        info.Status = esKeep;
        info.FromArchive = true;
        info.Offset = info.OldOffset = offset;
        info.HeaderEncrypted = pl ? 1 : 0;
        info.Extra.assign(reinterpret_cast<const char*>(extra), extra_len);
        info.Comment.assign(reinterpret_cast<const char*>(extra + extra_len), comment_len);
        info.RawName = raw;
        info.SourceSize = usize;
        const bool utf8 = (core::get_le16(image.data() + 8) & 0x800) != 0;
        List.AddEntry(std::move(info), OemToAnsiName(raw, TranslateOemChar, utf8), 46, 0, image.data());
        archive_total_ += csize;
        first = std::min<int64_t>(first, offset);
        at += 46 + name_len + extra_len + comment_len;
    }
    data_end_ = cd_offset;
    start_offset_ = first;
    return DirRead::Ok;
}

TZip::DirRead TZip::WalkLocalHeaders(TStream32& Old, TCompHeaderObj& List) {
    int64_t pos = 0;
    for (;;) {
        uint8_t h[30];
        if (pos == archive_size_) break;
        if (pos + 4 > archive_size_ || !ReadOld(Old, pos, h, 4)) return DirRead::Damaged;  // cut short
        const uint32_t sig = core::get_le32(h);
        if (sig != kLocalSig && sig != kLocalSigPL) break;  // the directory or foreign bytes: the walk ends
        if (pos + 30 > archive_size_ || !ReadOld(Old, pos, h, 30)) return DirRead::Damaged;
        const bool pl = sig == kLocalSigPL;
        TZipCipher cipher = header_cipher();
        if (pl) cipher.Decrypt(h + 4, 26);
        const int64_t name_len = core::get_le16(h + 26), extra_len = core::get_le16(h + 28);
        if (pos + 30 + name_len + extra_len > archive_size_) return DirRead::Damaged;
        std::string raw(static_cast<std::size_t>(name_len), '\0');
        std::string extra(static_cast<std::size_t>(extra_len), '\0');
        if (!ReadOld(Old, pos + 30, raw.data(), raw.size()) ||
            !ReadOld(Old, pos + 30 + name_len, extra.data(), extra.size()))
            return DirRead::Damaged;
        if (pl) cipher.Decrypt(raw.data(), raw.size());
        const uint16_t flags = static_cast<uint16_t>(core::get_le16(h + 6));
        uint32_t crc = core::get_le32(h + 14), csize = core::get_le32(h + 18), usize = core::get_le32(h + 22);
        if (csize == 0xFFFFFFFFu || usize == 0xFFFFFFFFu ||
            has_zip64_extra(reinterpret_cast<const uint8_t*>(extra.data()), extra.size()))
            return DirRead::Zip64;
        const int64_t data = pos + 30 + name_len + extra_len;
        int64_t descriptor = 0;
        if (flags & 8) {
            // Sizes follow the data: find the descriptor whose compressed
            // size is the distance from the data's start.
            bool found = false;
            if (csize == 0) {
                std::vector<uint8_t> buf;
                const int64_t chunk = 64 * 1024;
                for (int64_t scan = data; scan + 16 <= archive_size_ && !found; scan += chunk) {
                    const int64_t n = std::min<int64_t>(chunk + 15, archive_size_ - scan);
                    buf.resize(static_cast<std::size_t>(n));
                    if (!read_at(Old, scan, buf.data(), n)) return DirRead::Damaged;
                    for (int64_t i = 0; i + 16 <= n; ++i) {
                        const uint8_t* d = &buf[static_cast<std::size_t>(i)];
                        if (core::get_le32(d) == kDescriptorSig && core::get_le32(d + 8) == static_cast<uint32_t>(scan + i - data)) {
                            crc = core::get_le32(d + 4);
                            csize = core::get_le32(d + 8);
                            usize = core::get_le32(d + 12);
                            descriptor = 16;
                            found = true;
                            break;
                        }
                    }
                    read_window_pos_ = -1;
                }
            } else {
                uint8_t d[16];
                const int64_t at = data + csize;
                if (at + 16 <= archive_size_ && ReadOld(Old, at, d, 16) && core::get_le32(d) == kDescriptorSig &&
                    core::get_le32(d + 8) == csize) {
                    crc = core::get_le32(d + 4);
                    usize = core::get_le32(d + 12);
                    descriptor = 16;
                    found = true;
                } else if (at + 12 <= archive_size_ && ReadOld(Old, at, d, 12) && core::get_le32(d + 4) == csize) {
                    crc = core::get_le32(d);
                    usize = core::get_le32(d + 8);
                    descriptor = 12;
                    found = true;
                }
            }
            if (!found) return DirRead::Damaged;
        }
        const int64_t next = data + csize + descriptor;
        if (next > archive_size_) return DirRead::Damaged;  // the entry's data are cut short
        TCompHeaderObj::Header image{};
        core::put_le32(image.data(), kCentralSig);
        core::put_le16(image.data() + 4, 20);
        std::memcpy(image.data() + 6, h + 4, 26);  // version needed, flags ... extra length
        core::put_le32(image.data() + 16, crc);
        core::put_le32(image.data() + 20, csize);
        core::put_le32(image.data() + 24, usize);
        const bool folder = !raw.empty() && raw.back() == '/';
        core::put_le32(image.data() + 38, folder ? 0x10 : 0x20);
        core::put_le32(image.data() + 42, static_cast<uint32_t>(pos));
        TCompFileInfo info;
        info.Status = esKeep;
        info.FromArchive = true;
        info.Offset = info.OldOffset = pos;
        info.HeaderEncrypted = pl ? 1 : 0;
        info.Extra = extra;
        info.RawName = raw;
        info.SourceSize = usize;
        const bool utf8 = (flags & 0x800) != 0;
        List.AddEntry(info, OemToAnsiName(raw, TranslateOemChar, utf8), 46, 0, image.data());
        archive_total_ += csize;
        if (start_offset_ < 0) start_offset_ = pos;
        pos = next;
    }
    data_end_ = pos;
    if (List.Count() == 0) {
        // Not one entry: only an archive without entries may be updated.
        uint8_t sig[4];
        if (!(archive_size_ >= 22 && read_at(Old, pos, sig, 4) && core::get_le32(sig) == kEndSig)) return DirRead::NotArchive;
        start_offset_ = pos;
    }
    return DirRead::Ok;
}

void TZip::ReportDirRead(DirRead Result) {
    switch (Result) {
        case DirRead::Ok: return;
        case DirRead::Zip64: ReportError(archive_file_, "", "0", E_ZIP64); return;
        case DirRead::Damaged: ReportError(archive_file_, "", "0", E_DAMAGED); return;
        case DirRead::NotArchive:
        case DirRead::Unsupported: ReportError(archive_file_, "", "0", E_INVALIDARC); return;
    }
}

bool TZip::ReadArchiveDirectory(TStream32& Old, TCompHeaderObj& List) {
    const DirRead result = ReadDirectory(Old, List);
    if (result != DirRead::Ok) {
        List.Clear();
        ReportDirRead(result);
        return false;
    }
    if (Switch == swDelete) {
        const std::vector<std::string> masks = Lines(FileSpec);
        for (int i = 0; i < List.Count(); ++i) {
            const std::string& name = List.Name(i);
            for (const auto& line : masks) {
                if (line.empty()) continue;
                const std::string mask = NormalizeSeparators(line);
                bool match = MatchesMask(name, mask, MatchCase);
                if (!match && mask.find('.') != std::string::npos && name.find('.') == std::string::npos)
                    match = MatchesMask(name + ".", mask, MatchCase);
                if (!match) continue;
                if (!IsExcluded(name, "")) {
                    List.EntryInfo(i).Status = esDeleted;
                    ++files_deleted_;
                }
                break;
            }
        }
    }
    return true;
}

// ---- copying entries ------------------------------------------------------

void TZip::Damaged(const std::string& EntryName, int Code) {
    ReportError(archive_file_, EntryName, "0", Code);
    throw EReported(ErrorText(Code));
}

void TZip::ReadOldLocalHeader(TStream32& Old, int Index, TCompHeaderObj& List, std::array<uint8_t, 30>& Header) {
    const TCompFileInfo& info = List.EntryInfo(Index);
    // A kept entry must start where the directory says it does.
    if (!ReadOld(Old, info.OldOffset, Header.data(), 30)) Damaged(List.Name(Index));
    const uint32_t sig = core::get_le32(Header.data());
    if (sig != kLocalSig && sig != kLocalSigPL) Damaged(List.Name(Index));
    if (sig == kLocalSigPL) {
        TZipCipher c = header_cipher();
        c.Decrypt(Header.data() + 4, 26);
    }
    const std::size_t extra_len = core::get_le16(Header.data() + 28);
    const uint32_t flags = core::get_le16(Header.data() + 6);
    if (!(flags & 8) && (core::get_le32(Header.data() + 18) == 0xFFFFFFFFu || core::get_le32(Header.data() + 22) == 0xFFFFFFFFu))
        Damaged(List.Name(Index), E_ZIP64);
    if (extra_len > 0) {
        std::vector<uint8_t> extra(extra_len);
        if (!ReadOld(Old, info.OldOffset + 30 + core::get_le16(Header.data() + 26), extra.data(), extra_len))
            Damaged(List.Name(Index));
        if (has_zip64_extra(extra.data(), extra_len)) Damaged(List.Name(Index), E_ZIP64);
    }
}

int64_t TZip::DescriptorLength(TStream32& Old, int64_t At, int Index, TCompHeaderObj& List) {
    const TCompHeaderObj::Header& image = List.HeaderCopy(Index);
    if (!(core::get_le16(image.data() + 8) & 8)) return 0;
    const uint32_t crc = core::get_le32(image.data() + 16), csize = core::get_le32(image.data() + 20), usize = core::get_le32(image.data() + 24);
    uint8_t d[24] = {};
    const int64_t avail = std::min<int64_t>(24, data_end_ - At);
    if (avail >= 12 && ReadOld(Old, At, d, static_cast<std::size_t>(avail))) {
        // With the optional signature (16 bytes), or without it (12 bytes).
        if (avail >= 16 && core::get_le32(d) == kDescriptorSig && core::get_le32(d + 4) == crc && core::get_le32(d + 8) == csize &&
            core::get_le32(d + 12) == usize)
            return 16;
        if (core::get_le32(d) == crc && core::get_le32(d + 4) == csize && core::get_le32(d + 8) == usize) return 12;
        if (avail >= 24 && core::get_le32(d) == kDescriptorSig && core::get_le32(d + 4) == crc && core::get_le32(d + 8) == csize &&
            core::get_le32(d + 12) == 0 && core::get_le32(d + 16) == usize && core::get_le32(d + 20) == 0)
            Damaged(List.Name(Index), E_ZIP64);  // 8-byte sizes
    }
    Damaged(List.Name(Index));
}

void TZip::WriteArchivePrefix(TStream32& Old, TStream32& Out) {
    run_length_ = 0;
    if (start_offset_ <= 0) return;
    Old.SetPosition(0);
    Out.Seek(0, soFromEnd);
    Out.CopyFrom(Old, nullptr, start_offset_, {});
}

void TZip::CopyEntry(TStream32& Old, TStream32& Out, int Index, TCompHeaderObj& List) {
    std::array<uint8_t, 30> local{};
    ReadOldLocalHeader(Old, Index, List, local);
    TCompFileInfo& info = List.EntryInfo(Index);
    TCompHeaderObj::Header& image = List.HeaderCopy(Index);
    // The central directory's sizes count: with a data descriptor the local
    // header may hold 0.
    int64_t length = 30 + core::get_le16(local.data() + 26) + core::get_le16(local.data() + 28) + core::get_le32(image.data() + 20);
    length += DescriptorLength(Old, info.OldOffset + length, Index, List);
    if (info.OldOffset + length > data_end_) Damaged(List.Name(Index));
    if (run_length_ > 0 && info.OldOffset != run_start_ + run_length_) FinishEntryCopies(Old, Out);
    if (run_length_ == 0) {
        run_start_ = info.OldOffset;
        run_out_ = Out.Seek(0, soFromEnd);
    }
    const int64_t offset = run_out_ + run_length_;
    if (offset > kMax32) RaiseError(archive_file_, List.Name(Index), "0", E_WRITE);
    info.Offset = offset;
    core::put_le32(image.data() + 42, static_cast<uint32_t>(offset));
    run_length_ += length;
}

void TZip::FinishEntryCopies(TStream32& Old, TStream32& Out) {
    if (run_length_ == 0) return;
    const int64_t length = run_length_;
    run_length_ = 0;
    Old.SetPosition(run_start_);
    Out.Seek(0, soFromEnd);
    Out.CopyFrom(Old, &cancel_, length, {});
    read_window_pos_ = -1;
}

void TZip::RenameEntry(TStream32& Old, TStream32& Out, int Index, TCompHeaderObj& List) {
    FinishEntryCopies(Old, Out);
    std::array<uint8_t, 30> local{};
    ReadOldLocalHeader(Old, Index, List, local);
    TCompFileInfo& info = List.EntryInfo(Index);
    TCompHeaderObj::Header& image = List.HeaderCopy(Index);
    entry_name_ = List.Name(Index);
    const StoredName name = AnsiToOemName(List.Name(Index), TranslateOemChar);
    if (name.bytes.size() > 0xFFFF) RaiseError(archive_file_, List.Name(Index), "0", E_WRITE);
    const int64_t old_name_len = core::get_le16(local.data() + 26), extra_len = core::get_le16(local.data() + 28);
    int64_t rest = extra_len + core::get_le32(image.data() + 20);
    rest += DescriptorLength(Old, info.OldOffset + 30 + old_name_len + rest, Index, List);
    if (info.OldOffset + 30 + old_name_len + rest > data_end_) Damaged(List.Name(Index));

    // The language flag follows the new name, in both headers.
    const uint32_t flags = (core::get_le16(local.data() + 6) & ~0x800u) | (name.utf8 ? 0x800u : 0u);
    core::put_le16(local.data() + 6, flags);
    core::put_le16(image.data() + 8, flags);
    if (name.utf8) MarkMadeOnUnix(image);
    core::put_le16(local.data() + 26, static_cast<uint32_t>(name.bytes.size()));
    std::string bytes(reinterpret_cast<const char*>(local.data()), 30);
    bytes += name.bytes;
    if (info.HeaderEncrypted) {
        TZipCipher c = header_cipher();
        c.Encrypt(bytes.data() + 4, bytes.size() - 4);
    }
    const int64_t offset = Out.Seek(0, soFromEnd);
    if (offset > kMax32) RaiseError(archive_file_, List.Name(Index), "0", E_WRITE);
    try {
        Out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        Old.SetPosition(info.OldOffset + 30 + old_name_len);
        if (rest > 0) Out.CopyFrom(Old, &cancel_, rest, {});
    } catch (const EStreamError&) {
        RaiseError(archive_file_, List.Name(Index), "0", E_WRITE);
        throw;
    }
    read_window_pos_ = -1;
    info.Offset = offset;
    info.RawName = name.bytes;
    core::put_le32(image.data() + 42, static_cast<uint32_t>(offset));
}

// ---- the swRead walk ------------------------------------------------------

void TZip::ListArchive(TStream32& Old) {
    TCompHeaderObj list;
    const DirRead result = ReadDirectory(Old, list);
    if (result != DirRead::Ok) {
        ReportDirRead(result);
        return;
    }
    for (int i = 0; i < list.Count() && !cancel_; ++i) {
        ReadEntryHook(list.Name(i));
        ++file_number_;
        ReportFromHeader(list, i);
        report_.Comment = list.EntryInfo(i).Comment;
        OnRead(*this, list.EntryInfo(i).OldOffset, file_number_);
    }
}

// ---- directory editing ----------------------------------------------------

int TZip::OpenArchiveDirectory() {
    file_number_ = 0;
    dir_list_.reset();
    if (archive_file_.empty()) return 0;
    TFileStream32 in(archive_file_, 0x20);
    if (in.Handle() < 0) {
        ReportError(archive_file_, "", "0", E_OPENFILE);
        return 0;
    }
    const TSwitch saved = Switch;
    Switch = swAdd;
    try {
        auto list = std::make_unique<TCompHeaderObj>();
        const DirRead result = ReadDirectory(in, *list);
        Switch = saved;
        if (result != DirRead::Ok) {
            ReportDirRead(result);
            return 0;
        }
        dir_data_end_ = data_end_;
        dir_mtime_ns_ = mtime_ns(archive_file_, dir_size_);
        dir_list_ = std::move(list);
        return dir_list_->Count();
    } catch (...) {
        Switch = saved;
        throw;
    }
}

void TZip::GetFileComment(int Index, std::string& Name, int& Length, std::string& Comment) {
    Name.clear();
    Comment.clear();
    Length = 0;
    if (!dir_list_ || Index < 0 || Index >= dir_list_->Count()) return;
    Name = dir_list_->Name(Index);
    Comment = dir_list_->EntryInfo(Index).Comment;
    Length = static_cast<int>(Comment.size());
}

void TZip::SetFileComment(int Index, const std::string& Comment) {
    if (!dir_list_ || Index < 0 || Index >= dir_list_->Count()) return;
    TCompFileInfo& info = dir_list_->EntryInfo(Index);
    if (info.Comment == Comment) return;
    if (Comment.size() > 0xFFFF) {
        // A comment length field holds 16 bits.
        ReportError(archive_file_, dir_list_->Name(Index) + ": " + kCommentTooLong, "0", E_WRITE);
        return;
    }
    info.Comment = Comment;
    core::put_le16(dir_list_->HeaderCopy(Index).data() + 32, static_cast<uint32_t>(Comment.size()));
    dir_list_->Modified = true;
}

int TZip::GetArchiveComment(std::string& Comment, int& Length) {
    Comment = dir_list_ ? dir_list_->ArchiveComment : std::string();
    Length = static_cast<int>(Comment.size());
    return Length;
}

void TZip::SetArchiveComment(const std::string& Comment) {
    if (!dir_list_ || dir_list_->ArchiveComment == Comment) return;
    if (Comment.size() > 0xFFFF) {
        ReportError(archive_file_, kCommentTooLong, "0", E_WRITE);
        return;
    }
    dir_list_->ArchiveComment = Comment;
    dir_list_->Modified = true;
}

void TZip::SaveDirectoryChanges() {
    if (cancel_ || !dir_list_ || !dir_list_->Modified) return;
    // Held until the changed archive has replaced the old one.
    ArchiveLock lock;
    if (!LockArchive(lock)) return;
    int64_t size = -1;
    const int64_t mtime = mtime_ns(archive_file_, size);
    if (size != dir_size_ || mtime != dir_mtime_ns_) {
        // Changed since its directory was read: the offsets no longer hold.
        ReportError(archive_file_, "", "0", E_DAMAGED);
        return;
    }
    TTempFileStream temp(GuardedHooks(&lock), GetTempDir(), archive_file_, TFileStream32::fmCreate);
    if (temp.Handle() < 0) {
        ReportError(archive_file_, "", "0", E_OPENFILE);
        return;
    }
    TFileStream32 in(archive_file_, 0x20);
    if (in.Handle() < 0) {
        ReportError(archive_file_, "", "0", E_OPENFILE);
        temp.Discard();
        return;
    }
    try {
        if (dir_data_end_ > 0) temp.CopyFrom(in, nullptr, dir_data_end_, {});
        file_number_ = dir_list_->Count();
        bool ok = true;
        if (file_number_ > 0) {
            ok = WriteDirectoryEnd(temp, *dir_list_);
        } else {
            std::array<uint8_t, 22> end{};
            core::put_le32(end.data(), kEndSig);
            core::put_le32(end.data() + 16, static_cast<uint32_t>(dir_data_end_));
            core::put_le16(end.data() + 20, static_cast<uint32_t>(dir_list_->ArchiveComment.size()));
            temp.WriteBuffer(end.data(), 22);
            temp.WriteBuffer(dir_list_->ArchiveComment.data(), static_cast<int64_t>(dir_list_->ArchiveComment.size()));
        }
        if (!ok) {
            temp.Discard();
            return;
        }
        temp.Commit();
    } catch (const EReported&) {
        temp.Discard();
        return;
    } catch (const Exception& e) {
        temp.Discard();
        ReportError(archive_file_, e.Message(), "0", dynamic_cast<const EFOpenError*>(&e) ? E_OPENFILE : E_WRITE);
        return;
    }
    dir_list_->Modified = false;
    dir_mtime_ns_ = mtime_ns(archive_file_, dir_size_);
}

}  // namespace archive
