#pragma once
// Text search over the text records of a metafile page (EXTTEXTOUTA and
// EXTTEXTOUTW). Characters are compared as characters: UTF-16 text is
// decoded whole (surrogate pairs included), single-byte text is read as
// Windows-1252, and without Match Case both sides are folded to capitals
// (the Windows-1252 letters, Latin Extended-A, Greek and Cyrillic).

#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/Metafile.h"

// True when a text record of page contains text (an empty text is never
// found). Searches are serialised: a search started while another runs (from
// a nested message loop) is refused and answers false at once; callers ask
// TextSearchBusy first.
bool FindTextInPage(std::string_view text, const TMetafile& page, bool matchCase);

namespace report {

// Whether a FindTextInPage is running.
bool TextSearchBusy();

// The text of one record as characters: empty unless it is a text record
// whose string lies inside the record.
std::u32string RecordText(const TMetafile::Record& record);

// The texts of a page's text records, in record order, as UTF-8.
std::vector<std::string> PageTexts(const TMetafile& page);

// The capital a character folds to for a search without Match Case.
char32_t FoldCase(char32_t c);

// One search: the text to find, folded once; MatchTextRecord answers true
// when the record holds it (and the enumeration can stop).
class TextMatcher {
public:
    TextMatcher(std::string_view text, bool matchCase);
    bool MatchTextRecord(const TMetafile::Record& record) const;
    bool Matches(std::u32string haystack) const;

private:
    std::u32string needle_;
    bool match_case_;
};

}  // namespace report
