#include "report/pages/BRTextSearch.h"

#include <algorithm>
#include <atomic>

#include "platform/core/ByteOrder.h"
#include "platform/core/CodePages.h"

namespace report {
namespace {

constexpr std::uint32_t kTextA = 83, kTextW = 84;
// Offsets inside a text record: nChars and offString of its text block.
constexpr std::size_t kCharsAt = 44, kOffsetAt = 48;

std::atomic<bool> search_busy{false};

std::u32string decode_utf8(std::string_view utf8) {
    std::u32string out;
    std::size_t pos = 0;
    char32_t c = 0;
    while (pos < utf8.size()) out.push_back(core::next_code_point(utf8, pos, c) ? c : U'\uFFFD');
    return out;
}

}  // namespace

bool TextSearchBusy() { return search_busy.load(); }

char32_t FoldCase(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c < 0x80) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: pairs of capital and small letter.
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c & ~char32_t(1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
    if (c == 0x17F) return U'S';  // long s
    // Greek and Cyrillic.
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (c >= 0x3B1 && c <= 0x3C9) return c - 0x20;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

std::u32string RecordText(const TMetafile::Record& record) {
    if (record.Type != kTextA && record.Type != kTextW) return {};
    const auto bytes = record.Bytes;
    if (bytes.size() < kOffsetAt + 4) return {};
    const std::uint64_t count = core::get_le32(bytes.data() + kCharsAt);
    const std::uint64_t offset = core::get_le32(bytes.data() + kOffsetAt);
    const std::uint64_t unit = record.Type == kTextW ? 2 : 1;
    if (offset > bytes.size() || count * unit > bytes.size() - offset) return {};
    const std::uint8_t* at = bytes.data() + offset;
    if (record.Type == kTextA)
        return decode_utf8(core::to_utf8(std::string_view(reinterpret_cast<const char*>(at), count),
                                         core::CodePage::Windows1252));
    std::vector<std::uint16_t> units(count);
    for (std::uint64_t i = 0; i < count; ++i) units[i] = core::get_le16(at + 2 * i);
    return decode_utf8(core::utf16_to_utf8(units));
}

std::vector<std::string> PageTexts(const TMetafile& page) {
    std::vector<std::string> out;
    for (const TMetafile::Record& r : page.Records()) {
        if (r.Type != kTextA && r.Type != kTextW) continue;
        std::string utf8;
        for (char32_t c : RecordText(r)) core::append_utf8(utf8, c);
        out.push_back(std::move(utf8));
    }
    return out;
}

TextMatcher::TextMatcher(std::string_view text, bool matchCase) : needle_(decode_utf8(text)), match_case_(matchCase) {
    if (!match_case_) std::transform(needle_.begin(), needle_.end(), needle_.begin(), FoldCase);
}

bool TextMatcher::Matches(std::u32string haystack) const {
    if (needle_.empty()) return false;
    if (!match_case_) std::transform(haystack.begin(), haystack.end(), haystack.begin(), FoldCase);
    return haystack.find(needle_) != std::u32string::npos;
}

bool TextMatcher::MatchTextRecord(const TMetafile::Record& record) const {
    if (record.Type != kTextA && record.Type != kTextW) return false;
    return Matches(RecordText(record));
}

}  // namespace report

bool FindTextInPage(std::string_view text, const TMetafile& page, bool matchCase) {
    bool expected = false;
    if (!report::search_busy.compare_exchange_strong(expected, true)) return false;
    struct Release {
        ~Release() { report::search_busy = false; }
    } release;
    const report::TextMatcher matcher(text, matchCase);
    for (const TMetafile::Record& r : page.Records())
        if (matcher.MatchTextRecord(r)) return true;
    return false;
}
