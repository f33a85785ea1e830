#pragma once
// INI files with the platform's profile-string rules: section and key names
// compared without regard to case, blanks around names and values trimmed,
// one pair of enclosing quotes dropped from a value, the first match wins,
// lines starting with ';' are comments, and a missing file, section or key
// gives the caller's default. Files are read as UTF-8 when valid, else as
// Windows-1252; writing keeps the file's encoding and line ends where it can
// and replaces the file through a temporary file in the same folder.

#include "platform/core/Classes.h"
#include "platform/core/DateUtils.h"
#include "platform/core/StringList.h"

#include <string>

class TIniFile : public TObject {
public:
    explicit TIniFile(std::string file_name) : file_name_(std::move(file_name)) {}
    const std::string& FileName() const { return file_name_; }

    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) const;
    int ReadInteger(std::string_view section, std::string_view ident, int def) const;  // StrToIntDef rules
    bool ReadBool(std::string_view section, std::string_view ident, bool def) const;   // integer, non-zero = true
    double ReadFloat(std::string_view section, std::string_view ident, double def) const;
    TDateTime ReadDate(std::string_view section, std::string_view ident, TDateTime def) const;

    // Writes Key=Value (replacing the first matching key, else at the end of the
    // first matching section, else in a new section at the end).
    // EIniFileException "Unable to write to %s" when the file cannot be replaced.
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view ident, int value);
    void WriteBool(std::string_view section, std::string_view ident, bool value);  // "1" / "0"
    void WriteFloat(std::string_view section, std::string_view ident, double value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view ident) const;
    void ReadSections(TStrings& strings) const;                                // section names, once each
    void ReadSection(std::string_view section, TStrings& strings) const;       // key names of the first such section
    void ReadSectionValues(std::string_view section, TStrings& strings) const; // "key=value" lines
    void EraseSection(std::string_view section);                               // every section of that name
    void DeleteKey(std::string_view section, std::string_view ident);          // the first matching key
    void UpdateFile() {}                                                       // writes are immediate

private:
    std::string file_name_;
};

class EIniFileException : public Exception {
public:
    using Exception::Exception;
};
