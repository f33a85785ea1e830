#include "platform/print/TrueTypeSubset.h"

#include <algorithm>
#include <array>

namespace print {

namespace {

uint16_t u16(std::string_view s, size_t at) {
    return uint16_t((uint8_t(s[at]) << 8) | uint8_t(s[at + 1]));
}
int16_t s16(std::string_view s, size_t at) { return int16_t(u16(s, at)); }
uint32_t u32(std::string_view s, size_t at) { return (uint32_t(u16(s, at)) << 16) | u16(s, at + 2); }

void put16(std::string& s, size_t at, uint16_t v) {
    s[at] = char(v >> 8);
    s[at + 1] = char(v);
}
void add16(std::string& s, uint16_t v) {
    s.push_back(char(v >> 8));
    s.push_back(char(v));
}
void add32(std::string& s, uint32_t v) {
    add16(s, uint16_t(v >> 16));
    add16(s, uint16_t(v));
}

uint32_t checksum(std::string_view t) {
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 4 <= t.size(); i += 4) sum += u32(t, i);
    if (i < t.size()) {
        std::array<char, 4> last{};
        std::copy(t.begin() + std::ptrdiff_t(i), t.end(), last.begin());
        sum += u32(std::string_view(last.data(), 4), 0);
    }
    return sum;
}

// Glyph g's bytes in glyf through loca; false when they lie outside.
bool glyph_range(std::string_view loca, std::string_view glyf, bool longLoca, int g, size_t& from, size_t& to) {
    const size_t need = size_t(g + 2) * (longLoca ? 4 : 2);
    if (loca.size() < need) return false;
    from = longLoca ? u32(loca, size_t(g) * 4) : size_t(u16(loca, size_t(g) * 2)) * 2;
    to = longLoca ? u32(loca, size_t(g + 1) * 4) : size_t(u16(loca, size_t(g + 1) * 2)) * 2;
    return from <= to && to <= glyf.size();
}

// The glyph ids a composite glyph is made of.
void components(std::string_view glyph, std::vector<uint16_t>& out) {
    if (glyph.size() < 10 || s16(glyph, 0) >= 0) return;
    size_t at = 10;
    for (;;) {
        if (at + 4 > glyph.size()) return;
        const uint16_t flags = u16(glyph, at);
        out.push_back(u16(glyph, at + 2));
        at += 4 + ((flags & 0x1) ? 4 : 2);
        if (flags & 0x8) at += 2;
        else if (flags & 0x40) at += 4;
        else if (flags & 0x80) at += 8;
        if (!(flags & 0x20)) return;
    }
}

}  // namespace

std::optional<FontFacts> read_font_facts(const FontTables& tables) {
    const std::string head = tables("head"), hhea = tables("hhea"), maxp = tables("maxp"), hmtx = tables("hmtx");
    if (head.size() < 54 || hhea.size() < 36 || maxp.size() < 6) return std::nullopt;
    FontFacts f;
    f.UnitsPerEm = u16(head, 18);
    if (f.UnitsPerEm < 16) return std::nullopt;
    f.XMin = s16(head, 36);
    f.YMin = s16(head, 38);
    f.XMax = s16(head, 40);
    f.YMax = s16(head, 42);
    f.Ascent = s16(hhea, 4);
    f.Descent = s16(hhea, 6);
    f.NumGlyphs = u16(maxp, 4);
    const size_t metrics = u16(hhea, 34);
    if (metrics == 0 || hmtx.size() < metrics * 4) return std::nullopt;
    f.Advances.resize(size_t(f.NumGlyphs));
    for (size_t g = 0; g < f.Advances.size(); ++g) f.Advances[g] = u16(hmtx, std::min(g, metrics - 1) * 4);
    return f;
}

std::string subset_truetype(const FontTables& tables, std::span<const uint16_t> used) {
    std::string head = tables("head"), hhea = tables("hhea"), maxp = tables("maxp");
    const std::string loca = tables("loca"), glyf = tables("glyf");
    std::string hmtx = tables("hmtx");
    if (head.size() < 54 || hhea.size() < 36 || maxp.size() < 6 || loca.empty() || glyf.empty()) return {};
    const int numGlyphs = u16(maxp, 4);
    const bool longLoca = s16(head, 50) != 0;
    const size_t metrics = u16(hhea, 34);
    if (numGlyphs == 0 || metrics == 0 || metrics > size_t(numGlyphs) || hmtx.size() < metrics * 4) return {};

    // The glyphs kept: the used ones, .notdef and every component they need.
    std::vector<bool> keep(size_t(numGlyphs), false);
    std::vector<uint16_t> todo(used.begin(), used.end());
    todo.push_back(0);
    while (!todo.empty()) {
        const uint16_t g = todo.back();
        todo.pop_back();
        if (g >= numGlyphs || keep[g]) continue;
        keep[g] = true;
        size_t from = 0, to = 0;
        if (!glyph_range(loca, glyf, longLoca, g, from, to)) return {};
        components(std::string_view(glyf).substr(from, to - from), todo);
    }

    // New glyf and loca (long offsets); the unused glyphs' metrics zeroed.
    std::string newGlyf, newLoca;
    newLoca.reserve(size_t(numGlyphs + 1) * 4);
    for (int g = 0; g < numGlyphs; ++g) {
        add32(newLoca, uint32_t(newGlyf.size()));
        if (!keep[size_t(g)]) {
            if (size_t(g) < metrics) std::fill_n(hmtx.begin() + std::ptrdiff_t(g) * 4, 4, '\0');
            continue;
        }
        size_t from = 0, to = 0;
        if (!glyph_range(loca, glyf, longLoca, g, from, to)) return {};
        newGlyf.append(glyf, from, to - from);
        while (newGlyf.size() % 4) newGlyf.push_back('\0');
    }
    add32(newLoca, uint32_t(newGlyf.size()));
    put16(head, 50, 1);
    std::fill_n(head.begin() + 8, 4, '\0');  // checksum adjustment, set below

    // Tables in tag order, as the directory must list them.
    std::vector<std::pair<std::string, std::string>> out;
    for (const char* tag : {"cvt ", "fpgm", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "prep"}) {
        std::string body = tag == std::string_view("glyf")   ? std::move(newGlyf)
                           : tag == std::string_view("head") ? head
                           : tag == std::string_view("hhea") ? hhea
                           : tag == std::string_view("hmtx") ? hmtx
                           : tag == std::string_view("loca") ? std::move(newLoca)
                           : tag == std::string_view("maxp") ? maxp
                                                              : tables(tag);
        if (!body.empty()) out.emplace_back(tag, std::move(body));
    }
    const uint16_t count = uint16_t(out.size());
    uint16_t power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    std::string file;
    add32(file, 0x00010000);
    add16(file, count);
    add16(file, uint16_t(power * 16));
    add16(file, log2);
    add16(file, uint16_t(count * 16 - power * 16));
    size_t offset = 12 + 16 * size_t(count), headAt = 0;
    for (const auto& [tag, body] : out) {
        file += tag;
        add32(file, checksum(body));
        add32(file, uint32_t(offset));
        add32(file, uint32_t(body.size()));
        if (tag == "head") headAt = offset;
        offset += (body.size() + 3) & ~size_t(3);
    }
    for (const auto& [tag, body] : out) {
        file += body;
        while (file.size() % 4) file.push_back('\0');
    }
    const uint32_t adjust = 0xB1B0AFBA - checksum(file);
    file[headAt + 8] = char(adjust >> 24);
    file[headAt + 9] = char(adjust >> 16);
    file[headAt + 10] = char(adjust >> 8);
    file[headAt + 11] = char(adjust);
    return file;
}

}  // namespace print
