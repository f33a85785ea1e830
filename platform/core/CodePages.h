#pragma once
// Single-byte code pages of the system's file formats and UTF-8, the text
// encoding used inside the program: Windows-1252 (bank files, INI files,
// ANSI names) and the OEM code pages 850 and 437 (ZIP entry names).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

enum class CodePage { Windows1252, Oem850, Oem437 };

// True when `text` is well-formed UTF-8 (no overlongs, surrogates or values above U+10FFFF).
bool is_valid_utf8(std::string_view text);
// Bytes of code page `cp` to UTF-8; every byte has a character (the five unused
// Windows-1252 bytes map to the C1 controls U+0081, U+008D, U+008F, U+0090, U+009D).
std::string to_utf8(std::string_view bytes, CodePage cp);
// UTF-8 to bytes of `cp`; nullopt when a character cannot be expressed in it or
// the text is not valid UTF-8 (the ZIP writer then stores the name as UTF-8).
std::optional<std::string> from_utf8(std::string_view utf8, CodePage cp);
// As from_utf8, with `replacement` for every character that cannot be expressed.
std::string from_utf8_lossy(std::string_view utf8, CodePage cp, char replacement = '?');
// True when every character of `utf8` can be written in `cp`.
bool expressible(std::string_view utf8, CodePage cp);

// UTF-8 text with the letters of Windows-1252 changed case, accented ones
// included (ç to Ç, ÿ to Ÿ, š to Š); ß and µ have no capital and stay;
// other characters are left as they are. Invalid UTF-8 bytes pass through.
std::string utf8_upper(std::string_view utf8);
std::string utf8_lower(std::string_view utf8);
// The same on Windows-1252 bytes.
std::string cp1252_upper(std::string_view bytes);
std::string cp1252_lower(std::string_view bytes);

// Reads one code point at `pos` (advancing it); false on malformed input (pos moves one byte).
bool next_code_point(std::string_view utf8, std::size_t& pos, char32_t& cp);
// Appends the UTF-8 form of `cp`.
void append_utf8(std::string& out, char32_t cp);
// Appends the UTF-16 code units of `cp` (a surrogate pair above U+FFFF).
void append_utf16(std::vector<std::uint16_t>& out, char32_t cp);
// UTF-16 code units of UTF-8 text; a malformed byte becomes U+FFFD.
std::vector<std::uint16_t> utf8_to_utf16(std::string_view utf8);
// UTF-8 of UTF-16 code units; a lone surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::span<const std::uint16_t> units);

// Lengths and cuts of UTF-8 text in characters, never splitting a character.
// A byte that starts no valid sequence counts as one character of its own.
std::size_t utf8_length(std::string_view utf8);
// The first `count` characters of `utf8` (all of it when it has fewer).
std::string_view utf8_prefix(std::string_view utf8, std::size_t count);

}  // namespace core
