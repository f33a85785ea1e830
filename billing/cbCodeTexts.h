#pragma once
// The banks' Portuguese texts for the occurrence and rejection-motive codes of
// their return files, and the lookups that turn a code text into its text.
//
// Each table is sorted by code with one row per code; a text is stored
// exactly as the bank words it (its leading number is part of the text and
// differs from the code in a few rows).

#include <span>
#include <string>
#include <string_view>

namespace billing::codetext {

struct CodeText {
    int code;
    std::string_view text;
};
using Table = std::span<const CodeText>;

// How a bank turns a motive code text into its text.
enum class MotiveRule {
    kNone,             // the bank has no motive lookup
    kSingle,           // one code; blanks of the code's width give ""
    kSingleOrZero,     // one code; a text that is not an integer counts as 0
    kPairsLast,        // two-character codes; the text of the last known one
    kPairsAll,         // two-character codes; every known text followed by a blank
};

// A bank's texts: its own rows, then those of the table they amend.
struct Texts {
    Table rows;
    Table base = {};
};

// The code-text lookups of one bank.
struct BankTexts {
    std::string_view bank;   // three digits
    Texts occurrences;       // empty: no occurrence lookup
    Texts motives;
    MotiveRule motive_rule;
    int motive_width;        // blank width of a single code, or the width the pairs cover
};

// The banks that describe their codes, in code order.
std::span<const BankTexts> banks();
// The lookups of a bank; nullptr for a bank without code texts.
const BankTexts* find_bank(std::string_view bank);

// A code text read as the platform's integer conversion reads it; raises
// EConvertError "'%s' is not a valid integer value".
int read_code(std::string_view text);
// The text of a code in table (or texts), or "" when it does not hold it.
std::string_view text_of(Table table, int code);
std::string_view text_of(const Texts& texts, int code);

// A single code: blanks of blank_width give "", else the text of the code read.
std::string single(const Texts& texts, std::string_view code_text, int blank_width);
// Pairs of characters up to width (missing ones blank); blank pairs skipped,
// each other pair read as a code: the text of the last one the texts hold.
std::string pairs_last(const Texts& texts, std::string_view code_text, int width);
// As pairs_last, but every known pair's text followed by one blank, in order.
std::string pairs_all(const Texts& texts, std::string_view code_text, int width);

// The occurrence text of a bank (its occurrence operation).
std::string ocorrencia(const BankTexts& bank, std::string_view code_text);
// The motive text of a bank (its motive operation); "" for a bank without one.
std::string motivo(const BankTexts& bank, std::string_view code_text);

// Every table with a name, for checks that walk them all.
struct NamedTable {
    std::string_view name;  // "O-001", "M-422", "O-748 changes" ...
    Table rows;
};
std::span<const NamedTable> all_tables();

// The motive texts of the 104 and 237 return readers: the code's text, or
// the code as given followed by " - Outros motivos".
Table motivos_104();
Table motivos_237();
// The motive texts of bank 104's CNAB 240 reader (same use).
Table motivos_104_cnab240();

}  // namespace billing::codetext
