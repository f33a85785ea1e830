#include "archive/arcGbls.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {

namespace {

bool is_sep(char c) { return c == '/' || c == '\\'; }

// Unicode code points of code page 850 bytes 0x80 to 0xFF.
constexpr std::array<uint16_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

// Decodes one UTF-8 sequence at Text[i]; nullopt for a malformed one.
std::optional<uint32_t> next_code_point(const std::string& Text, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(Text[i]);
    int extra = 0;
    uint32_t cp = 0;
    if (b0 < 0x80) { ++i; return b0; }
    if ((b0 & 0xE0) == 0xC0) { extra = 1; cp = b0 & 0x1F; }
    else if ((b0 & 0xF0) == 0xE0) { extra = 2; cp = b0 & 0x0F; }
    else if ((b0 & 0xF8) == 0xF0) { extra = 3; cp = b0 & 0x07; }
    else return std::nullopt;
    if (i + extra >= Text.size()) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(Text[i + k]);
        if ((b & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (b & 0x3F);
    }
    i += extra + 1;
    return cp;
}

void append_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool is_ascii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::string PathJoin(const std::string& Dir, const std::string& Name) {
    if (Dir.empty()) return {};
    if (is_sep(Dir.back())) return Dir + Name;
    return Dir + "/" + Name;
}

std::string AppendSlash(const std::string& Path) {
    if (Path.empty() || is_sep(Path.back())) return Path;
    return Path + "/";
}

std::string RemoveSlash(const std::string& Path) {
    if (!Path.empty() && is_sep(Path.back())) return Path.substr(0, Path.size() - 1);
    return Path;
}

std::string SlashToForward(std::string Name) {
    for (char& c : Name)
        if (c == '\\') c = '/';
    return Name;
}

std::string SlashToBack(std::string Name) {
    for (char& c : Name)
        if (c == '/') c = '\\';
    return Name;
}

std::string NormalizeSeparators(std::string Path) { return SlashToForward(std::move(Path)); }

std::optional<std::string> Utf8ToCp850(const std::string& Text) {
    std::string out;
    out.reserve(Text.size());
    std::size_t i = 0;
    while (i < Text.size()) {
        auto cp = next_code_point(Text, i);
        if (!cp) return std::nullopt;
        if (*cp < 0x80) { out += static_cast<char>(*cp); continue; }
        bool found = false;
        for (std::size_t k = 0; k < kCp850High.size(); ++k) {
            if (kCp850High[k] == *cp) {
                out += static_cast<char>(0x80 + k);
                found = true;
                break;
            }
        }
        if (!found) return std::nullopt;
    }
    return out;
}

std::string Cp850ToUtf8(const std::string& Bytes) {
    std::string out;
    out.reserve(Bytes.size());
    for (char c : Bytes) {
        const auto b = static_cast<unsigned char>(c);
        append_utf8(out, b < 0x80 ? b : kCp850High[b - 0x80]);
    }
    return out;
}

StoredName AnsiToOemName(const std::string& Name, bool Translate) {
    std::string name = SlashToForward(Name);
    if (Translate) {
        if (auto oem = Utf8ToCp850(name)) return {*oem, false};
    }
    return {name, !is_ascii(name)};
}

std::string OemToAnsiName(const std::string& Bytes, bool Translate, bool Utf8) {
    std::string name = (Translate && !Utf8) ? Cp850ToUtf8(Bytes) : Bytes;
    return SlashToForward(name);
}

std::size_t ExtensionPos(const std::string& Name) {
    const auto dot = Name.find_last_of('.');
    const auto sep = Name.find_last_of("/\\");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return Name.size();
    return dot;
}

std::string ChangeExtension(const std::string& Name, const std::string& Ext) {
    return Name.substr(0, ExtensionPos(Name)) + Ext;
}

std::string ExtractFileExt(const std::string& Name) { return Name.substr(ExtensionPos(Name)); }

std::string ExtractFileName(const std::string& Name) {
    const auto sep = Name.find_last_of("/\\");
    return sep == std::string::npos ? Name : Name.substr(sep + 1);
}

std::string ExtractFilePath(const std::string& Name) {
    const auto sep = Name.find_last_of("/\\");
    return sep == std::string::npos ? std::string() : Name.substr(0, sep + 1);
}

void SplitAt(std::string& Text, const std::string& Sep, std::string& Head) {
    const auto at = Sep.empty() ? std::string::npos : Text.find(Sep);
    if (at == std::string::npos) {
        Head = Text;
        Text.clear();
        return;
    }
    Head = Text.substr(0, at);
    Text = Text.substr(at + Sep.size());
}

bool IsNumeric(const std::string& Text) {
    for (char c : Text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string UpperAscii(std::string Text) {
    for (char& c : Text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return Text;
}

std::string LowerAscii(std::string Text) {
    for (char& c : Text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return Text;
}

bool SameTextAscii(const std::string& A, const std::string& B) {
    return A.size() == B.size() && UpperAscii(A) == UpperAscii(B);
}

bool DirExists(const std::string& Path) {
    struct stat st {};
    return !Path.empty() && ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileOrDirExists(const std::string& Path) {
    struct stat st {};
    return !Path.empty() && ::lstat(Path.c_str(), &st) == 0;
}

bool FileExists(const std::string& Path) {
    struct stat st {};
    return !Path.empty() && ::stat(Path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirIsEmpty(const std::string& Dir) {
    DIR* d = ::opendir(Dir.c_str());
    if (!d) return true;
    bool empty = true;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!DirExists(PathJoin(Dir, name))) {
            empty = false;
            break;
        }
    }
    ::closedir(d);
    return empty;
}

bool ForceDirs(const std::string& Path) {
    if (Path.empty()) return false;
    if (DirExists(Path)) return true;
    const std::string path = AppendSlash(NormalizeSeparators(Path));
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        const std::string part = path.substr(0, at);
        if (!DirExists(part) && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return DirExists(Path);
}

std::string SystemTempDir() {
    if (const char* t = std::getenv("TMPDIR"); t && *t && DirExists(t)) return AppendSlash(t);
    return "/tmp/";
}

uint32_t WindowsAttributes(const std::string& Name, uint32_t Mode) {
    uint32_t attr = S_ISDIR(Mode) ? 0x10u : 0x20u;
    if (!(Mode & S_IWUSR)) attr |= 0x01u;
    const std::string base = ExtractFileName(RemoveSlash(Name));
    if (!base.empty() && base[0] == '.' && base != "." && base != "..") attr |= 0x02u;
    return attr;
}

uint32_t MaskDosAttr(uint32_t Attr) { return Attr & 0xBFu; }

uint32_t FileTimeToDos(int64_t UnixSeconds) {
    const time_t t = static_cast<time_t>(UnixSeconds);
    struct tm lt {};
    if (!::localtime_r(&t, &lt) || lt.tm_year < 80) return (0u << 25) | (1u << 21) | (1u << 16);
    if (lt.tm_year > 80 + 127)
        return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    const uint32_t date = (static_cast<uint32_t>(lt.tm_year - 80) << 9) |
                          (static_cast<uint32_t>(lt.tm_mon + 1) << 5) | static_cast<uint32_t>(lt.tm_mday);
    const uint32_t time = (static_cast<uint32_t>(lt.tm_hour) << 11) | (static_cast<uint32_t>(lt.tm_min) << 5) |
                          static_cast<uint32_t>(std::min(lt.tm_sec, 59) / 2);
    return (date << 16) | time;
}

uint32_t NowDos() { return FileTimeToDos(static_cast<int64_t>(::time(nullptr))); }

double DosDateTimeToDateTime(uint32_t Value) {
    // 1980-01-01 00:01:00
    const double fallback = 29221.0 + 1.0 / 1440.0;
    if (Value == 0) Value = 0x00210020u;
    const int year = 1980 + static_cast<int>(Value >> 25);
    const int month = static_cast<int>((Value >> 21) & 0x0F);
    const int day = static_cast<int>((Value >> 16) & 0x1F);
    const int hour = static_cast<int>((Value >> 11) & 0x1F);
    const int minute = static_cast<int>((Value >> 5) & 0x3F);
    const int second = static_cast<int>(Value & 0x1F) * 2;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || hour >= 24 || minute >= 60 || second >= 60) return fallback;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int month_days = kDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
    if (day > month_days) return fallback;
    // Days from 1899-12-30 (civil-from-days algorithm on the proleptic Gregorian calendar).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int mp = (month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days_from_unix = static_cast<long>(era) * 146097 + doe - 719468;
    const double days = static_cast<double>(days_from_unix + 25569);
    return days + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

int Percent(double Total, double Part) {
    if (!(Total > 0)) return 0;
    const double v = std::nearbyint(Part * 100.0 / Total);
    if (v < 0) return 0;
    if (v > 100) return 100;
    return static_cast<int>(v);
}

int CompressionRatio(int64_t Unpacked, int64_t Packed) {
    if (Unpacked <= 0 || Packed >= Unpacked) return 0;
    return static_cast<int>(std::nearbyint(static_cast<double>(Unpacked - Packed) * 100.0 /
                                           static_cast<double>(Unpacked)));
}

std::string DeflateName(uint16_t Flags) {
    switch (Flags) {
        case 2: return "DeflateX";
        case 4: return "DeflateF";
        case 6: return "DeflateS";
        default: return "DeflateN";
    }
}

std::string Deflate64Name(uint16_t Flags) {
    switch (Flags) {
        case 2: return "Def-64X";
        case 4: return "Def-64F";
        case 6: return "Def-64S";
        default: return "Def-64N";
    }
}

}  // namespace archive
