#include "platform/core/IniFiles.h"
#include "platform/core/detail/Files.h"

#include "platform/core/CodePages.h"

#include <cerrno>

namespace {

// An INI file as lines of UTF-8 text, with what is needed to write it back alike.
struct IniText {
    std::vector<std::string> lines;
    bool cp1252 = false;
    bool bom = false;
    std::string eol = "\n";
};

enum class LineKind { Other, Comment, Section, Key };

struct Line {
    LineKind kind = LineKind::Other;
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed, one pair of quotes dropped
};

Line classify(std::string_view raw) {
    Line l;
    std::string t = Trim(raw);
    if (t.empty()) return l;
    if (t[0] == ';') {
        l.kind = LineKind::Comment;
        return l;
    }
    if (t[0] == '[') {
        std::size_t close = t.find(']');
        l.kind = LineKind::Section;
        l.name = Trim(std::string_view(t).substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return l;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string::npos) return l;
    l.kind = LineKind::Key;
    l.name = Trim(std::string_view(t).substr(0, eq));
    l.value = Trim(std::string_view(t).substr(eq + 1));
    if (l.value.size() >= 2 && (l.value[0] == '"' || l.value[0] == '\'') && l.value.back() == l.value[0])
        l.value = l.value.substr(1, l.value.size() - 2);
    return l;
}

IniText load(const std::string& path) {
    IniText doc;
    if (!FileExists(path)) return doc;
    std::string bytes;
    try {
        bytes = core::detail::read_file(path);
    } catch (const Exception&) {
        return doc;  // an unreadable file reads as an empty one: every value is its default
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        doc.bom = true;
        bytes.erase(0, 3);
    }
    if (!core::is_valid_utf8(bytes)) {
        doc.cp1252 = true;
        bytes = core::to_utf8(bytes, core::CodePage::Windows1252);
    }
    std::size_t first_break = bytes.find_first_of("\r\n");
    if (first_break != std::string::npos && bytes[first_break] == '\r' && first_break + 1 < bytes.size() &&
        bytes[first_break + 1] == '\n')
        doc.eol = "\r\n";
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t start = i;
        while (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') ++i;
        doc.lines.push_back(bytes.substr(start, i - start));
        if (i < bytes.size() && bytes[i] == '\r') {
            ++i;
            if (i < bytes.size() && bytes[i] == '\n') ++i;
        } else if (i < bytes.size()) {
            ++i;
        }
    }
    return doc;
}

void save(const std::string& path, const IniText& doc) {
    std::string text;
    for (const auto& l : doc.lines) text += l + doc.eol;
    if (doc.cp1252) {
        if (auto bytes = core::from_utf8(text, core::CodePage::Windows1252)) text = *bytes;
    } else if (doc.bom) {
        text.insert(0, "\xEF\xBB\xBF");
    }
    try {
        core::detail::save_file(path, text);
    } catch (const Exception&) {
        throw EIniFileException("Unable to write to " + path);
    }
}

// Index range [begin, end) of the lines of the first section named `section`; false when absent.
bool find_section(const IniText& doc, std::string_view section, std::size_t& begin, std::size_t& end) {
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        Line l = classify(doc.lines[i]);
        if (l.kind == LineKind::Section && SameText(l.name, section)) {
            begin = i + 1;
            end = begin;
            while (end < doc.lines.size() && classify(doc.lines[end]).kind != LineKind::Section) ++end;
            return true;
        }
    }
    return false;
}

bool find_key(const IniText& doc, std::string_view section, std::string_view ident, std::size_t& index, Line& line) {
    std::size_t b, e;
    if (!find_section(doc, section, b, e)) return false;
    for (std::size_t i = b; i < e; ++i) {
        Line l = classify(doc.lines[i]);
        if (l.kind == LineKind::Key && SameText(l.name, ident)) {
            index = i;
            line = l;
            return true;
        }
    }
    return false;
}

void check_writable(const std::string& file, std::string_view section, std::string_view ident, std::string_view value) {
    auto bad = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    std::string id = Trim(ident);
    if (bad(section) || bad(ident) || bad(value) || Trim(section).empty() || id.empty() ||
        ident.find('=') != std::string_view::npos || id[0] == ';' || id[0] == '[' ||
        section.find(']') != std::string_view::npos)
        throw EIniFileException("Unable to write to " + file + ": invalid section, key or value");
}

// Fills `strings` with one line per key of the file's first such section,
// made by `line` from the key's line.
template <class MakeLine>
void read_keys(const std::string& path, std::string_view section, TStrings& strings, MakeLine line) {
    strings.BeginUpdate();
    strings.Clear();
    IniText doc = load(path);
    std::size_t b, e;
    if (find_section(doc, section, b, e)) {
        for (std::size_t i = b; i < e; ++i) {
            Line l = classify(doc.lines[i]);
            if (l.kind == LineKind::Key) strings.Add(line(l));
        }
    }
    strings.EndUpdate();
}

}  // namespace

std::string TIniFile::ReadString(std::string_view section, std::string_view ident, std::string_view def) const {
    IniText doc = load(file_name_);
    std::size_t i;
    Line l;
    if (find_key(doc, section, ident, i, l)) return l.value;
    return std::string(def);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view ident, int def) const {
    return StrToIntDef(ReadString(section, ident, ""), def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view ident, double def) const {
    return StrToFloatDef(ReadString(section, ident, ""), def);
}

TDateTime TIniFile::ReadDate(std::string_view section, std::string_view ident, TDateTime def) const {
    return StrToDateDef(ReadString(section, ident, ""), def);
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
    check_writable(file_name_, section, ident, value);
    IniText doc = load(file_name_);
    std::string line = Trim(ident) + "=" + std::string(value);
    std::size_t i;
    Line l;
    std::size_t b, e;
    if (find_key(doc, section, ident, i, l)) {
        doc.lines[i] = line;
    } else if (find_section(doc, section, b, e)) {
        std::size_t at = e;
        while (at > b && Trim(doc.lines[at - 1]).empty()) --at;  // after the section's last non-blank line
        doc.lines.insert(doc.lines.begin() + std::ptrdiff_t(at), line);
    } else {
        if (!doc.lines.empty() && !Trim(doc.lines.back()).empty()) doc.lines.push_back("");
        doc.lines.push_back("[" + Trim(section) + "]");
        doc.lines.push_back(line);
    }
    save(file_name_, doc);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::WriteFloat(std::string_view section, std::string_view ident, double value) {
    WriteString(section, ident, FloatToStr(value));
}

bool TIniFile::SectionExists(std::string_view section) const {
    std::size_t b, e;
    return find_section(load(file_name_), section, b, e);
}

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const {
    std::size_t i;
    Line l;
    return find_key(load(file_name_), section, ident, i, l);
}

void TIniFile::ReadSections(TStrings& strings) const {
    strings.BeginUpdate();
    strings.Clear();
    for (const auto& raw : load(file_name_).lines) {
        Line l = classify(raw);
        if (l.kind == LineKind::Section && strings.IndexOf(l.name) < 0) strings.Add(l.name);
    }
    strings.EndUpdate();
}

void TIniFile::ReadSection(std::string_view section, TStrings& strings) const {
    read_keys(file_name_, section, strings, [](const Line& l) { return l.name; });
}

void TIniFile::ReadSectionValues(std::string_view section, TStrings& strings) const {
    read_keys(file_name_, section, strings, [](const Line& l) { return l.name + "=" + l.value; });
}

void TIniFile::EraseSection(std::string_view section) {
    IniText doc = load(file_name_);
    bool changed = false;
    std::size_t b, e;
    while (find_section(doc, section, b, e)) {
        doc.lines.erase(doc.lines.begin() + std::ptrdiff_t(b - 1), doc.lines.begin() + std::ptrdiff_t(e));
        changed = true;
    }
    if (changed) save(file_name_, doc);
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
    IniText doc = load(file_name_);
    std::size_t i;
    Line l;
    if (!find_key(doc, section, ident, i, l)) return;
    doc.lines.erase(doc.lines.begin() + std::ptrdiff_t(i));
    save(file_name_, doc);
}
