#include "archive/arcGbls.h"

#include "platform/core/CodePages.h"
#include "platform/core/SysUtils.h"
#include "platform/os/Files.h"
#include "platform/os/LocalTime.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace archive {

namespace {

bool is_sep(char c) { return c == '/' || c == '\\'; }

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
    return core::from_utf8(Text, core::CodePage::Oem850);
}

std::string Cp850ToUtf8(const std::string& Bytes) { return core::to_utf8(Bytes, core::CodePage::Oem850); }

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

std::string ExtractFileExt(const std::string& Name) { return ::ExtractFileExt(NormalizeSeparators(Name)); }

std::string ExtractFileName(const std::string& Name) { return ::ExtractFileName(NormalizeSeparators(Name)); }

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

bool DirExists(const std::string& Path) { return DirectoryExists(Path); }

bool FileOrDirExists(const std::string& Path) { return os::link_status(Path).has_value(); }

bool FileExists(const std::string& Path) { return ::FileExists(Path); }

bool DirIsEmpty(const std::string& Dir) {
    for (const os::DirEntry& e : os::list_dir(Dir))
        if (!DirExists(PathJoin(Dir, e.name))) return false;
    return true;
}

bool ForceDirs(const std::string& Path) {
    if (Path.empty()) return false;
    if (DirExists(Path)) return true;
    const std::string path = AppendSlash(NormalizeSeparators(Path));
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        if (!os::make_dir(path.substr(0, at))) return false;
    return DirExists(Path);
}

std::string SystemTempDir() { return os::temp_dir(); }

uint32_t WindowsAttributes(const std::string& Name, uint32_t Mode) {
    uint32_t attr = (Mode & 0170000) == 0040000 ? 0x10u : 0x20u;  // S_IFDIR
    if (!(Mode & 0200)) attr |= 0x01u;                              // no write for the owner
    const std::string base = ExtractFileName(RemoveSlash(Name));
    if (!base.empty() && base[0] == '.' && base != "." && base != "..") attr |= 0x02u;
    return attr;
}

uint32_t MaskDosAttr(uint32_t Attr) { return Attr & 0xBFu; }

uint32_t FileTimeToDos(int64_t UnixSeconds) {
    const auto local = os::local_time_of(UnixSeconds);
    if (!local || local->tm_year < 80) return (0u << 25) | (1u << 21) | (1u << 16);
    const std::tm& lt = *local;
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
