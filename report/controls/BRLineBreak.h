#pragma once
// Breaking a text control's text into output lines: every carriage return
// starts a line (line feeds are dropped); with AutoSize each text line is one
// output line; otherwise words (each running up to and including a carriage
// return, blank or hyphen) fill lines of the control's width, a word too wide
// for a line of its own is cut at the width, and without WordWrap the rest
// of a text line after the first word that does not fit is dropped.
//
// Widths come from a measure of whole strings; cutting a long word searches
// its fitting prefix instead of measuring it a character at a time, so the
// work stays linear in the text's length.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace report {

struct LineBreakRules {
    int Width = 0;         // the control's width in pixels
    bool AutoSize = false;
    bool WordWrap = true;
};

// Width of a string in pixels, as the control measures it.
using MeasureLineFn = std::function<int(std::string_view)>;

// Appends the output lines of `text` to `lines`.
void break_text_lines(std::string_view text, const LineBreakRules& rules, const MeasureLineFn& measure,
                      std::vector<std::string>& lines);

}  // namespace report
