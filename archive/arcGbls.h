#pragma once
// Small shared routines of the archive writer: paths and separators, entry-name
// code pages, existence tests, DOS date-time, percentages and method names.
// Paths are POSIX paths; a backslash in a setting is read as a separator.

#include <cstdint>
#include <optional>
#include <string>

namespace archive {

// Dir + Name with one separator between them; empty when Dir is empty.
std::string PathJoin(const std::string& Dir, const std::string& Name);
// Appends "/" unless Path is empty or already ends with a separator.
std::string AppendSlash(const std::string& Path);
// Removes one trailing separator.
std::string RemoveSlash(const std::string& Path);
// Every backslash becomes "/".
std::string SlashToForward(std::string Name);
// Every "/" becomes a backslash.
std::string SlashToBack(std::string Name);
// Reads a setting's path: backslashes become "/".
std::string NormalizeSeparators(std::string Path);

// How an entry name is stored: its bytes and whether they are UTF-8
// (general-purpose flag bit 11) because code page 850 cannot express it.
struct StoredName {
    std::string bytes;
    bool utf8 = false;
};
// The form in which names are written into archives: "/" separators and, when
// Translate, code page 850 (UTF-8 with the language flag when a character has
// no code page 850 form). Without Translate the UTF-8 bytes are kept as they
// are and flagged when they are not plain ASCII.
StoredName AnsiToOemName(const std::string& Name, bool Translate);
// The reverse: entry-name bytes to UTF-8 (code page 850 unless Utf8), with "/"
// kept as the separator of this platform.
std::string OemToAnsiName(const std::string& Bytes, bool Translate, bool Utf8 = false);
// UTF-8 to code page 850; nullopt when a character has no code page 850 form.
std::optional<std::string> Utf8ToCp850(const std::string& Text);
// Code page 850 bytes to UTF-8.
std::string Cp850ToUtf8(const std::string& Bytes);

// Number of characters before the last "." of the file part of Name, or the
// length of Name when it has none. Any length of name is handled.
std::size_t ExtensionPos(const std::string& Name);
// The first ExtensionPos(Name) characters of Name followed by Ext.
std::string ChangeExtension(const std::string& Name, const std::string& Ext);
// Extension of the file part with its dot ("" when none).
std::string ExtractFileExt(const std::string& Name);
// File part (after the last separator).
std::string ExtractFileName(const std::string& Name);
// Folder part with its trailing separator ("" when none).
std::string ExtractFilePath(const std::string& Name);
// Head := the part before the first Sep, Text := the part after it; without
// Sep, Head := Text and Text := "".
void SplitAt(std::string& Text, const std::string& Sep, std::string& Head);
// Every character a decimal digit; "" counts as numeric.
bool IsNumeric(const std::string& Text);
// ASCII upper case (a to z only).
std::string UpperAscii(std::string Text);
// ASCII lower case (A to Z only).
std::string LowerAscii(std::string Text);
// Equal without regard to ASCII case.
bool SameTextAscii(const std::string& A, const std::string& B);

// The path names an existing folder (symbolic links followed).
bool DirExists(const std::string& Path);
// Something (file, folder, link) exists at Path.
bool FileOrDirExists(const std::string& Path);
// Path names something that is not a folder.
bool FileExists(const std::string& Path);
// True when Dir holds no entry other than folders.
bool DirIsEmpty(const std::string& Dir);
// Creates the folder with every missing parent; whether it exists afterwards.
bool ForceDirs(const std::string& Path);
// The system's temporary folder: $TMPDIR when it is a folder, else /tmp.
std::string SystemTempDir();

// The Windows-style attribute word of a directory entry as the scan reports it:
// 0x10 folder, 0x20 archive (every file), 0x01 read-only (no write permission
// for its owner), 0x02 hidden (name starting with ".").
uint32_t WindowsAttributes(const std::string& Name, uint32_t Mode);
// Attr with only the bits 0x01, 0x02, 0x04, 0x08, 0x10, 0x20 and 0x80 kept.
uint32_t MaskDosAttr(uint32_t Attr);

// Seconds since the epoch to a DOS date-time in local time (date in the high
// 16 bits). Times before 1980 give 1980-01-01 00:00:00, after 2107 the last
// DOS second.
uint32_t FileTimeToDos(int64_t UnixSeconds);
// DOS date-time to a day count from 1899-12-30 with the time as a fraction;
// 0 and invalid values give 1980-01-01 00:01:00.
double DosDateTimeToDateTime(uint32_t Value);
// The current local date and time in DOS form.
uint32_t NowDos();

// 0 unless Total > 0; else Part*100/Total rounded half to even, within 0..100.
int Percent(double Total, double Part);
// 0 unless Unpacked > 0 and Packed < Unpacked; else the saving in percent.
int CompressionRatio(int64_t Unpacked, int64_t Packed);
// Display name of a deflated entry from its flag word.
std::string DeflateName(uint16_t Flags);
// The same for method 9.
std::string Deflate64Name(uint16_t Flags);

}  // namespace archive
