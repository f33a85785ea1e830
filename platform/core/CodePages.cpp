#include "platform/core/CodePages.h"



namespace core {
namespace {

// Upper halves (bytes 0x80..0xFF) of the code pages; the lower halves are ASCII.
const char16_t kWin1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
const char16_t kOem850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};
const char16_t kOem437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

const char16_t* table_of(CodePage cp) {
    switch (cp) {
    case CodePage::Oem850: return kOem850;
    case CodePage::Oem437: return kOem437;
    default: return kWin1252;
    }
}

// Reverse lookup of a code point in a code page; -1 when absent.
int byte_for(char32_t c, CodePage cp) {
    if (c < 0x80) return int(c);
    const char16_t* t = table_of(cp);
    for (int i = 0; i < 128; ++i)
        if (t[i] == c) return 0x80 + i;
    return -1;
}

char32_t upper_of(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    switch (c) {
    case 0xFF: return 0x178;
    case 0x161: return 0x160;
    case 0x153: return 0x152;
    case 0x17E: return 0x17D;
    default: return c;
    }
}

char32_t lower_of(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    switch (c) {
    case 0x178: return 0xFF;
    case 0x160: return 0x161;
    case 0x152: return 0x153;
    case 0x17D: return 0x17E;
    default: return c;
    }
}

std::string map_case(std::string_view utf8, char32_t (*fn)(char32_t)) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t start = pos;
        char32_t c;
        if (!next_code_point(utf8, pos, c)) {
            out += utf8[start];
            continue;
        }
        append_utf8(out, fn(c));
    }
    return out;
}

std::string map_case_bytes(std::string_view bytes, char32_t (*fn)(char32_t)) {
    std::string out(bytes);
    for (char& ch : out) {
        unsigned char b = static_cast<unsigned char>(ch);
        char32_t c = b < 0x80 ? b : kWin1252[b - 0x80];
        int r = byte_for(fn(c), CodePage::Windows1252);
        if (r >= 0) ch = static_cast<char>(r);
    }
    return out;
}

}  // namespace

bool next_code_point(std::string_view s, std::size_t& pos, char32_t& cp) {
    unsigned char b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        cp = b0;
        ++pos;
        return true;
    }
    int len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) len = 2, cp = b0 & 0x1F, min = 0x80;
    else if ((b0 & 0xF0) == 0xE0) len = 3, cp = b0 & 0x0F, min = 0x800;
    else if ((b0 & 0xF8) == 0xF0) len = 4, cp = b0 & 0x07, min = 0x10000;
    else {
        ++pos;
        return false;
    }
    if (pos + std::size_t(len) > s.size()) {
        ++pos;
        return false;
    }
    for (int k = 1; k < len; ++k) {
        unsigned char b = static_cast<unsigned char>(s[pos + std::size_t(k)]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return false;
    }
    pos += std::size_t(len);
    return true;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void append_utf16(std::vector<std::uint16_t>& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<std::uint16_t>(cp));
    }
}

std::vector<std::uint16_t> utf8_to_utf16(std::string_view utf8) {
    std::vector<std::uint16_t> out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t cp = 0;
        if (!next_code_point(utf8, pos, cp)) cp = 0xFFFD;
        append_utf16(out, cp);
    }
    return out;
}

std::string utf16_to_utf8(std::span<const std::uint16_t> units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        append_utf8(out, cp);
    }
    return out;
}

std::size_t utf8_length(std::string_view utf8) {
    std::size_t pos = 0;
    std::size_t count = 0;
    char32_t c;
    for (; pos < utf8.size(); ++count) next_code_point(utf8, pos, c);
    return count;
}

std::string_view utf8_prefix(std::string_view utf8, std::size_t count) {
    std::size_t pos = 0;
    char32_t c;
    for (; pos < utf8.size() && count > 0; --count) next_code_point(utf8, pos, c);
    return utf8.substr(0, pos);
}

bool is_valid_utf8(std::string_view text) {
    std::size_t pos = 0;
    char32_t c;
    while (pos < text.size())
        if (!next_code_point(text, pos, c)) return false;
    return true;
}

std::string to_utf8(std::string_view bytes, CodePage cp) {
    const char16_t* t = table_of(cp);
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        unsigned char b = static_cast<unsigned char>(ch);
        append_utf8(out, b < 0x80 ? char32_t(b) : char32_t(t[b - 0x80]));
    }
    return out;
}

std::optional<std::string> from_utf8(std::string_view utf8, CodePage cp) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t c;
        if (!next_code_point(utf8, pos, c)) return std::nullopt;
        int b = byte_for(c, cp);
        if (b < 0) return std::nullopt;
        out += static_cast<char>(b);
    }
    return out;
}

std::string from_utf8_lossy(std::string_view utf8, CodePage cp, char replacement) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t c;
        int b = next_code_point(utf8, pos, c) ? byte_for(c, cp) : -1;
        out += b < 0 ? replacement : static_cast<char>(b);
    }
    return out;
}

bool expressible(std::string_view utf8, CodePage cp) { return from_utf8(utf8, cp).has_value(); }

std::string utf8_upper(std::string_view utf8) { return map_case(utf8, upper_of); }
std::string utf8_lower(std::string_view utf8) { return map_case(utf8, lower_of); }
std::string cp1252_upper(std::string_view bytes) { return map_case_bytes(bytes, upper_of); }
std::string cp1252_lower(std::string_view bytes) { return map_case_bytes(bytes, lower_of); }

}  // namespace core
