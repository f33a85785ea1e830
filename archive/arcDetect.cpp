#include "archive/arcDetect.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "archive/arcDiskManager.h"
#include "platform/core/ByteOrder.h"

namespace archive {

DetectFile::DetectFile(const std::string& Path) : file_(TFileStream::TryOpen(Path, fmOpenRead)) {
    if (file_) size_ = std::max<std::int64_t>(file_->Size(), 0);
}

DetectFile::~DetectFile() = default;

std::string DetectFile::ReadAt(std::int64_t Offset, std::size_t Count) const {
    std::string out;
    if (!file_ || Offset < 0 || Offset >= size_) return out;
    Count = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(Count), size_ - Offset));
    out.resize(Count);
    const std::int64_t got = file_->ReadAt(Offset, out.data(), static_cast<std::int64_t>(Count));
    out.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
    return out;
}

std::uint32_t OctalToInt(const char* Field, std::size_t Length) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < Length && Field[i] != '\0'; ++i)
        if (Field[i] >= '0' && Field[i] <= '7') v = v * 8 + static_cast<std::uint32_t>(Field[i] - '0');
    return v;
}

} // namespace archive

namespace {

using archive::DetectFile;

using core::get_le16;
using core::get_le32;
// The four bytes at `at`, or 0 when the text is shorter.
std::uint32_t get_le32(const std::string& s, std::size_t at) {
    return at + 4 <= s.size() ? get_le32(s.data() + at) : 0;
}

bool is_sig(std::uint32_t v, std::uint8_t third, std::uint8_t fourth) {
    std::uint8_t b0 = v & 0xFF, b1 = (v >> 8) & 0xFF, b2 = (v >> 16) & 0xFF, b3 = v >> 24;
    return b0 == 'P' && (b1 == 'K' || b1 == 'L') && b2 == third && b3 == fourth;
}
bool is_end_sig(std::uint32_t v) { return is_sig(v, 5, 6); }
bool is_central_sig(std::uint32_t v) { return is_sig(v, 1, 2); }
bool is_local_sig(std::uint32_t v) { return is_sig(v, 3, 4); }
bool is_pl(std::uint32_t v) { return ((v >> 8) & 0xFF) == 'L'; }

bool ace_marker(const std::string& head) { return head.size() >= 14 && head.compare(7, 7, "**ACE**") == 0; }

// Maps a relative virtual address of a PE image to a file offset; -1 when no
// section holds it.
std::int64_t rva_to_offset(const std::string& file, std::size_t sections, int count, std::uint32_t rva) {
    for (int i = 0; i < count; ++i) {
        std::size_t s = sections + static_cast<std::size_t>(i) * 40;
        if (s + 40 > file.size()) break;
        std::uint32_t vsize = get_le32(file, s + 8), vaddr = get_le32(file, s + 12), raw_size = get_le32(file, s + 16),
                      raw_ptr = get_le32(file, s + 20);
        std::uint32_t span = std::max(vsize, raw_size);
        if (rva >= vaddr && rva - vaddr < span) return static_cast<std::int64_t>(raw_ptr) + (rva - vaddr);
    }
    return -1;
}

// Finds entry Id of the resource directory at DirOffset (relative to Base);
// its OffsetToData field, or 0 when absent. First entry when Id is 0.
std::uint32_t resource_entry(const std::string& file, std::int64_t base, std::uint32_t dir, std::uint32_t id) {
    std::size_t at = static_cast<std::size_t>(base) + dir;
    if (at + 16 > file.size()) return 0;
    std::size_t named = get_le16(file.data() + at + 12), ids = get_le16(file.data() + at + 14);
    for (std::size_t i = 0; i < named + ids && i < 4096; ++i) {
        std::size_t e = at + 16 + i * 8;
        if (e + 8 > file.size()) return 0;
        std::uint32_t name = get_le32(file, e);
        if (id == 0 || (!(name & 0x80000000u) && name == id)) return get_le32(file, e + 4);
    }
    return 0;
}

} // namespace

namespace archive {

std::vector<std::string> PeStringResources(const std::string& Image, int Count, std::size_t MaxChars) {
    std::vector<std::string> out;
    if (Image.size() < 0x40 || Image.compare(0, 2, "MZ") != 0) return out;
    std::size_t pe = get_le32(Image, 0x3C);
    if (pe + 24 > Image.size() || Image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return out;
    int sections = get_le16(Image.data() + pe + 6);
    std::size_t opt = pe + 24, opt_size = get_le16(Image.data() + pe + 20);
    if (opt + 2 > Image.size()) return out;
    std::uint16_t magic = get_le16(Image.data() + opt);
    std::size_t dirs = magic == 0x10B ? opt + 96 : magic == 0x20B ? opt + 112 : 0;
    std::size_t ndirs_at = magic == 0x10B ? opt + 92 : opt + 108;
    if (dirs == 0 || ndirs_at + 4 > Image.size() || get_le32(Image, ndirs_at) < 3 || dirs + 24 > Image.size()) return out;
    std::uint32_t res_rva = get_le32(Image, dirs + 16);
    if (res_rva == 0) return out;
    std::size_t section_table = opt + opt_size;
    std::int64_t base = rva_to_offset(Image, section_table, sections, res_rva);
    if (base < 0) return out;
    // Type 6 (string tables), block 1 (strings 0 to 15), first language.
    std::uint32_t types = resource_entry(Image, base, 0, 6);
    if (!(types & 0x80000000u)) return out;
    std::uint32_t block = resource_entry(Image, base, types & 0x7FFFFFFFu, 1);
    if (!(block & 0x80000000u)) return out;
    std::uint32_t lang = resource_entry(Image, base, block & 0x7FFFFFFFu, 0);
    if (lang == 0 || (lang & 0x80000000u)) return out;
    std::size_t data_entry = static_cast<std::size_t>(base) + lang;
    if (data_entry + 8 > Image.size()) return out;
    std::int64_t data = rva_to_offset(Image, section_table, sections, get_le32(Image, data_entry));
    std::uint32_t size = get_le32(Image, data_entry + 4);
    if (data < 0) return out;
    std::size_t pos = static_cast<std::size_t>(data), end = std::min(Image.size(), pos + size);
    for (int id = 0; id <= Count && pos + 2 <= end; ++id) {
        std::size_t len = get_le16(Image.data() + pos);
        pos += 2;
        std::string text;
        for (std::size_t k = 0; k < len && pos + 2 * k + 1 < end; ++k) {
            std::uint16_t c = get_le16(Image.data() + pos + 2 * k);
            if (text.size() < MaxChars) text += c < 0x80 ? static_cast<char>(c) : '?';
        }
        pos += 2 * len;
        if (id >= 1) out.push_back(text);
    }
    return out;
}

bool ParseOffsetText(const std::string& Text, std::int64_t& Value) {
    std::size_t i = 0;
    while (i < Text.size() && Text[i] == ' ') ++i;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '-' || Text[i] == '+')) negative = Text[i++] == '-';
    int radix = 10;
    if (i < Text.size() && Text[i] == '$') {
        radix = 16;
        ++i;
    } else if (i + 1 < Text.size() && Text[i] == '0' && (Text[i + 1] == 'x' || Text[i + 1] == 'X')) {
        radix = 16;
        i += 2;
    }
    std::int64_t v = 0;
    bool any = false, ok = true;
    for (; i < Text.size(); ++i) {
        char c = Text[i];
        int d = c >= '0' && c <= '9' ? c - '0' : radix == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
              : radix == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) {
            ok = false;
            break;
        }
        v = v * radix + d;
        any = true;
    }
    Value = negative ? -v : v;
    return ok && any;
}

} // namespace archive

namespace {

constexpr std::int64_t kWindow = 32768;

} // namespace

namespace archive {

TArcType TArcDetect::SpannedArchiveTest() {
    TDiskManager checker;
    if (!CheckArchiveDrive(checker, FileName_, nullptr, nullptr, nullptr)) return atNA;
    if (checker.DriveType == 2) {
        std::string label = checker.VolumeLabel;
        std::string first = label.substr(0, label.find(' '));
        for (char& c : first) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return first == "PKBACK#" ? atZipDS : atZipMV;
    }
    return atZipMV;
}

TArcType TArcDetect::ClassifyArcSignature(int Mode, std::uint32_t Value) {
    auto by_mode = [Mode](TArcType plain, TArcType exe) {
        return Mode == 1 ? plain : Mode == 0 ? exe : atNA;
    };
    const std::uint8_t b0 = Value & 0xFF, b1 = (Value >> 8) & 0xFF, b2 = (Value >> 16) & 0xFF,
                       b3 = Value >> 24;
    auto first2 = [&](std::uint8_t x, std::uint8_t y) { return b0 == x && b1 == y; };

    if (Value == 0x35474B50u) return atUnknown; // "PKG5"
    if (Value == 0x8C655D13u) return by_mode(atMsGZ, atUnsupported);
    if (Value == 0x07054842u) return by_mode(atBh, atBhExe);
    if (Value == 0x21726152u) return by_mode(atRar, atRarExe);
    if (Value == 0x4643534Du) return by_mode(atCab, atUnsupported);
    if (Value == 0x5754DFB7u) {
        if (Mode == 0) ArchiveOffset = 7716;
        return by_mode(atArc, atArcExe);
    }
    if (b2 == 0x2D && b3 == 0x6C) return by_mode(atLha, atLhaExe);
    if (first2(0x1A, 0x02) || first2(0x1A, 0x1E)) return by_mode(atArc, atUnsupported);
    if (first2(0x1A, 0x08) || first2(0x1A, 0x09)) return by_mode(atArc, atArcExe);
    if (first2(0x1A, 0x0A) || first2(0x1A, 0x0B)) return by_mode(atPak, atPakExe);
    if (first2(0x1F, 0x1E) || first2(0x25, 0x21) || first2(0x1F, 0x8B) || first2(0x1F, 0x9D) ||
        first2(0x1F, 0x9E) || first2(0x1F, 0xA0))
        return by_mode(atGZip, atUnsupported);
    if (first2('H', 'A')) return by_mode(atHA, atUnsupported);
    if (first2('Z', 'O')) return by_mode(atZoo, atUnsupported);
    if (first2(0xB7, 0x92) || first2(0xB7, 0xDF)) {
        ArchiveOffset = 7716;
        return atArcExe;
    }
    if (first2(0x60, 0xEA)) return by_mode(atArj, atArjExe);
    if (b0 == 'P' && (b1 == 'K' || b1 == 'L')) {
        if (b2 == 1 && b3 == 2) {
            TArcType t = SpannedArchiveTest();
            if (File_) FindZipStructures(*File_);
            return t;
        }
        if (b2 == 7 && b3 == 8) return SpannedArchiveTest();
        if ((b2 == 0x47 && b3 == 0x34) || (b2 == 0x43 && b3 == 0x49)) return atNA;
        return by_mode(atZip, atZipExe);
    }
    return atNA;
}

std::int64_t TArcDetect::FindZipStructures(DetectFile& File) {
    const std::int64_t size = File.Size();
    if (size <= 0) return 0;
    std::int64_t start = size > kWindow ? size - kWindow : 1;
    std::string window = File.ReadAt(start, static_cast<std::size_t>(size - start));
    FoundParts = 0;

    std::int64_t end_at = -1;
    for (std::int64_t i = static_cast<std::int64_t>(window.size()) - 22; i >= 1; --i) {
        if (!is_end_sig(get_le32(window.data() + i))) continue;
        std::memcpy(EndRecord, window.data() + i, 22);
        if (is_pl(get_le32(EndRecord)) && DecryptHeader) DecryptHeader(EndRecord + 4, 18);
        end_at = start + i;
        EndPosition = end_at + 22;
        FoundParts = fpEndRecord;
        break;
    }

    if (end_at >= 0) {
        std::int64_t recorded = get_le32(EndRecord + 16);
        std::int64_t at = recorded;
        std::string ch = File.ReadAt(at, 46);
        if (ch.size() < 46 || !is_central_sig(get_le32(ch, 0))) {
            at = end_at - static_cast<std::int64_t>(get_le32(EndRecord + 12));
            ch = File.ReadAt(at, 46);
            if (ch.size() < 46) return 0;
        }
        if (is_central_sig(get_le32(ch, 0))) {
            DirectoryShift = static_cast<std::int32_t>(at - recorded);
            std::memcpy(CentralHeader, ch.data(), 46);
            FoundParts |= fpCentralDirectory;
            if (is_pl(get_le32(CentralHeader)) && DecryptHeader) DecryptHeader(CentralHeader + 4, 42);
            std::string lh = File.ReadAt(static_cast<std::int64_t>(get_le32(CentralHeader + 42)) + DirectoryShift, 30);
            if (lh.size() == 30 && is_local_sig(get_le32(lh, 0))) {
                std::memcpy(LocalHeader, lh.data(), 30);
                FoundParts |= fpLocalHeader;
            }
            return at;
        }
    }

    // No usable end record: look for the first local header from the start.
    const std::int64_t chunk = std::min<std::int64_t>(kWindow, size - start);
    for (int c = 0; c < 4; ++c) {
        std::string data = File.ReadAt(c * chunk, static_cast<std::size_t>(chunk));
        if (data.empty()) return c == 0 ? 0 : -1;
        for (std::size_t i = 0; i + 4 <= data.size(); ++i) {
            if (is_local_sig(get_le32(data.data() + i))) {
                std::string lh = File.ReadAt(c * chunk + static_cast<std::int64_t>(i), 30);
                std::memcpy(LocalHeader, lh.data(), lh.size());
                FoundParts = fpLocalHeader;
                return c * chunk + static_cast<std::int64_t>(i);
            }
        }
    }
    return -1;
}

std::int64_t TArcDetect::ScanArcSignature(DetectFile& File, std::int64_t StartOffset) {
    const std::int64_t size = File.Size();
    if (StartOffset >= size) return 0;
    std::int64_t base = StartOffset;
    for (int c = 0; c < 6 && base < size; ++c) {
        std::string data = File.ReadAt(base, static_cast<std::size_t>(kWindow));
        if (data.empty()) break;
        const auto* d = reinterpret_cast<const std::uint8_t*>(data.data());
        const std::size_t n = data.size();
        for (std::size_t i = 0; i < n; ++i) {
            const std::int64_t P = base + static_cast<std::int64_t>(i);
            if (d[i] == '*' && i + 5 <= n && std::memcmp(d + i + 1, "*ACE", 4) == 0 && P + 5 < size) {
                ArcType = P == 7 ? atAce : atAceExe;
                return P - 7;
            }
            if (d[i] == '-' && i + 5 <= n && d[i + 1] == 'l' && d[i + 2] == 'h' && d[i + 4] == '-' &&
                P + 5 < size) {
                ArcType = P == 2 ? atLha : atLhaExe;
                return P - 2;
            }
            if (i + 8 <= n && get_le32(d + i) == 0x07054842u && get_le32(d + i + 4) != 0x84C3940Fu) {
                ArcType = P == 0 ? atBh : atBhExe;
                return P;
            }
            if (i + 8 <= n && get_le32(d + i) == 0x04034B50u && get_le32(d + i + 4) != 0x003D0B74u) {
                ArcType = StartOffset == 0 ? atZip : atZipExe;
                std::int64_t at = FindZipStructures(File);
                return at > 0 ? at : P;
            }
            if (i + 4 <= n && get_le32(d + i) == 0x21726152u) {
                ArcType = P == 0 ? atRar : atRarExe;
                return P;
            }
            if (i + 4 <= n && d[i] == 0x60 && d[i + 1] == 0xEA) {
                std::size_t next = i + get_le16(d + i + 2) + 10;
                if (next + 2 <= n && next + 2 <= static_cast<std::size_t>(kWindow) && d[next] == 0x60 &&
                    d[next + 1] == 0xEA) {
                    ArcType = P == 0 ? atArj : atArjExe;
                    return P;
                }
            }
        }
        base += static_cast<std::int64_t>(n);
    }
    return 0;
}

bool TArcDetect::UueTest(DetectFile& File) {
    std::string head = File.ReadAt(0, 5000);
    for (std::size_t i = 0; i + 7 <= head.size(); ++i) {
        if (i != 0 && head[i - 1] != '\n') continue;
        if (head.compare(i, 7, "begin 6") == 0 || head.compare(i, 7, "begin 7") == 0) return true;
    }
    return false;
}

bool TArcDetect::TarTest(DetectFile& File) {
    if (File.Size() <= 512) return false;
    std::string h = File.ReadAt(0, 512);
    if (h.size() == 512 && h[156] == 'V' && File.Size() >= 1024) {
        ArchiveOffset = 512;
        h = File.ReadAt(512, 512);
    }
    if (h.size() < 512) return false;
    std::uint32_t stored = archive::OctalToInt(h.data() + 148, 8);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 512; ++i)
        sum += (i >= 148 && i < 156) ? 0x20u : static_cast<std::uint8_t>(h[i]);
    if (stored == sum) return true;
    ArchiveOffset = -1;
    return false;
}

TArcType TArcDetect::DetectExecutable(DetectFile& File, const std::string& Head) {
    const std::int64_t size = File.Size();
    // Offsets where the common self-extractor stubs end.
    for (std::int64_t at : {6674, 6867, 7716, 8601, 13138}) {
        if (size < at + 3) break;
        std::string two = File.ReadAt(at, 2);
        if (two.size() < 2 || static_cast<std::uint8_t>(two[0]) != 0x1A) continue;
        std::uint8_t k = static_cast<std::uint8_t>(two[1]);
        if (k == 0x08 || k == 0x09 || k == 0x0A || k == 0x0B) {
            ArchiveOffset = at;
            return (k == 0x08 || k == 0x09) ? atArcExe : atPakExe;
        }
    }
    if (size > 1949) {
        std::string six = File.ReadAt(1947, 6);
        if (six.size() == 6 && six.compare(0, 3, "-lh") == 0 && six[4] == '-') {
            ArchiveOffset = 1945;
            return atLhaExe;
        }
    }
    for (std::int64_t at : {7612, 25661}) {
        if (size > at + 4 && get_le32(File.ReadAt(at, 4), 0) == 0x04034B50u) {
            ArchiveOffset = at;
            return atZipExe;
        }
    }

    // Offsets named by the executable's string resources 1 to 7.
    std::string image = File.ReadAt(0, static_cast<std::size_t>(std::min<std::int64_t>(size, 1 << 20)));
    for (const std::string& text : archive::PeStringResources(image, 7, 5)) {
        if (text.empty()) break;
        std::int64_t at = 0;
        bool whole = archive::ParseOffsetText(text, at);
        ArchiveOffset = at;
        if (!whole || at < 0 || at >= size) break;
        std::string probe = File.ReadAt(at, 14);
        if (ace_marker(probe)) return atAceExe;
        if (probe.size() == 14) {
            TArcType t = ClassifyArcSignature(0, get_le32(probe, 0));
            if (t != atNA) {
                if (t == atJar || t == atJarExe || t == atZip || t == atZipExe) {
                    std::int64_t found = FindZipStructures(File);
                    if (FoundParts != 0) ArchiveOffset = found;
                }
                return t;
            }
        }
    }

    // End of the DOS image: what is appended after it.
    if (Head.size() >= 6) {
        std::int64_t last = get_le16(Head.data() + 2), pages = get_le16(Head.data() + 4);
        std::int64_t image = pages * 512;
        if (last != 0) image -= 512 - last;
        if (image > 0 && size > image + 4) {
            std::string four = File.ReadAt(image, 4);
            if (four.size() == 4) {
                ArchiveOffset = image;
                if (static_cast<std::uint8_t>(four[2]) == 0x60 && static_cast<std::uint8_t>(four[3]) == 0xEA)
                    ArchiveOffset += 2;
                if (size > ArchiveOffset + 4) {
                    std::string sig = File.ReadAt(ArchiveOffset, 4);
                    if (sig.size() == 4 && get_le32(sig, 0) != 0x04034B50u) {
                        TArcType t = ClassifyArcSignature(0, get_le32(sig, 0));
                        if (archive::IsRealArcType(t)) return t;
                    }
                }
            }
        }
    }

    std::memset(EndRecord, 0, 4);
    ArchiveOffset = FindZipStructures(File);
    if (ArchiveOffset > 0) return atZipExe;

    ArcType = atNA;
    ArchiveOffset = ScanArcSignature(File, 17000);
    return ArcType;
}

TArcType TArcDetect::DetectPlain(DetectFile& File, const std::string& Head) {
    std::size_t zeros = 0;
    while (zeros < Head.size() && Head[zeros] == 0) ++zeros;
    if (zeros > 0 && Head.size() - zeros > 132 && Head.size() > 131 && Head[130] == '-' && Head[131] == 'l') {
        ArchiveOffset = 128;
        return atLha;
    }
    TArcType type = atNA;
    if (zeros < Head.size()) {
        std::uint8_t sig[4] = {0, 0, 0, 0};
        std::memcpy(sig, Head.data() + zeros, std::min<std::size_t>(4, Head.size() - zeros));
        type = ClassifyArcSignature(1, get_le32(sig));
        if (type == atFileOpenErr || type == atUnknown) return type;
        if (type == atJar || type == atJarExe || type == atZip || type == atZipExe) {
            ArchiveOffset = FindZipStructures(File);
            if (!(FoundParts & fpLocalHeader) && ArchiveOffset == 0) {
                ArchiveOffset = static_cast<std::int64_t>(zeros);
                FoundParts |= fpLocalHeader;
            }
        } else if (type == atZipDS || type == atZipMV) {
            ArchiveOffset = FindZipStructures(File);
            if (FoundParts == 0) FoundParts = fpLocalHeader;
        } else if (ace_marker(Head)) {
            type = atAce;
        }
    }
    if (archive::IsRealArcType(type)) return type;

    if (ace_marker(Head)) return atAce;
    if (UueTest(File)) return atUUE;
    if (TarTest(File)) return atTar;
    ArchiveOffset = FindZipStructures(File);
    if (ArchiveOffset > 0) return get_le16(EndRecord + 4) == 0 ? atZip : SpannedArchiveTest();
    return type;
}

TArcType TArcDetect::DetectArcType(const std::string& FileName) {
    EndPosition = 0;
    DirectoryShift = 0;
    ArcType = atNA;
    if (FileName.empty()) return atNA;
    ArchiveOffset = -1;
    FoundParts = 0;
    ArchiveDate = 0;
    FileName_ = FileName;
    try {
        DetectFile file(FileName);
        if (!file.IsOpen()) return atNA;
        File_ = &file;
        struct Reset {
            archive::DetectFile*& f;
            ~Reset() { f = nullptr; }
        } reset{File_};
        ArchiveSize = file.Size();
        if (ArchiveSize < 20) return atNA;
        std::string head = file.ReadAt(0, 32767);
        TArcType type = head.compare(0, 2, "MZ") == 0 ? DetectExecutable(file, head) : DetectPlain(file, head);
        ArcType = type;
        if (archive::IsRealArcType(type)) {
            if (ArchiveOffset == -1) ArchiveOffset = 0;
            std::string ext = FileName.substr(FileName.find_last_of("./\\") == std::string::npos
                                                  ? FileName.size()
                                                  : FileName.find_last_of("./\\"));
            for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (type == atZip && ext == ".jar") ArcType = type = atJar;
            std::int32_t when = archive::FileDosDateTime(file.Handle(), 0);
            ArchiveDate = when == -1 ? 0 : when;
            DeriveVolumeParts(FileName);
        }
        return type;
    } catch (...) {
        return ArcType;
    }
}

void TArcDetect::DeriveVolumeParts(const std::string& ArchiveFile) {
    VolumeNumber = 0;
    switch (ArcType) {
    case atAce: VolumeLetter = 'C'; break;
    case atArj: VolumeLetter = 'a'; break;
    case atJar: case atJarExe: VolumeLetter = 'j'; break;
    case atRar: case atRarExe: VolumeLetter = 'q'; break;
    default: return;
    }
    if (ArchiveFile.empty()) return;
    std::string name = ArchiveFile.substr(ArchiveFile.find_last_of("/\\") == std::string::npos
                                              ? 0
                                              : ArchiveFile.find_last_of("/\\") + 1);
    std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (ext.empty()) {
        switch (ArcType) {
        case atAce: ext = "Ace"; break;
        case atArj: ext = "Arj"; break;
        case atRar: case atRarExe: ext = "Rar"; break;
        default: ext = "Jar"; break;
        }
    }
    std::size_t digits = ext.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(ext[digits - 1]))) --digits;
    if (digits < ext.size()) {
        std::string tail = ext.substr(digits);
        if (tail.size() > 9) tail = tail.substr(tail.size() - 9);
        VolumeNumber = std::stoi(tail) + 1;
        VolumeLetter = ext[0];
    } else {
        VolumeNumber = ArcType == atArj ? 1 : 0;
    }
}

} // namespace archive
