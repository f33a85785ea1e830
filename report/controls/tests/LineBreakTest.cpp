// Line breaking of the text controls: one table of text, width, switches and
// the lines expected, measured at 7 pixels a character.

#include "report/controls/BRLineBreak.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int seven_a_char(std::string_view s) {
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return 7 * n;
}

struct Case {
    const char* name;
    std::string text;
    int width;
    bool auto_size, word_wrap;
    std::vector<std::string> lines;
};

std::vector<std::string> lines_of(const Case& c) {
    report::LineBreakRules rules;
    rules.Width = c.width;
    rules.AutoSize = c.auto_size;
    rules.WordWrap = c.word_wrap;
    std::vector<std::string> out;
    report::break_text_lines(c.text, rules, seven_a_char, out);
    return out;
}

}  // namespace

TEST(LineBreak, Table) {
    const std::vector<Case> cases = {
        {"crlf pairs give an empty line", "abc\r\n\r\ndef", 100, false, true, {"abc", "", "def"}},
        {"a blank stays with its word", "alpha beta gamma", 77, false, true, {"alpha beta ", "gamma"}},
        {"break after a hyphen", "well-known", 35, false, true, {"well-", "known"}},
        {"a word twice the width keeps what fits", "abcdefgh", 30, false, true, {"abcd", ""}},
        {"a word that fits exactly alone is not cut", "abcd", 28, false, true, {"abcd"}},
        {"a too wide word after others gets its own line, cut", "ab abcdefghij", 35, false, true,
         {"ab ", "abcde", ""}},
        {"a too wide word between others", "ab abcdefghij cd", 35, false, true, {"ab ", "abcde", "cd"}},
        {"without word wrap the rest of the line is dropped", "alpha beta gamma delta", 77, false, false,
         {"alpha beta "}},
        {"without word wrap each text line starts again", "alpha beta gamma\rdelta", 77, false, false,
         {"alpha beta ", "delta"}},
        {"auto size keeps whole text lines", "alpha beta gamma\rx", 10, true, true, {"alpha beta gamma", "x"}},
        {"auto size and an empty line", "a\r\rb", 10, true, false, {"a", "", "b"}},
        {"an empty text is one empty line", "", 50, false, true, {""}},
        {"a trailing carriage return adds an empty line", "abc\r", 50, false, true, {"abc", ""}},
        {"a line feed alone breaks the line", "LINE001\nLINE002", 100, false, true, {"LINE001", "LINE002"}},
        {"line feeds under auto size", "ab\ncd\n", 10, true, true, {"ab", "cd", ""}},
        {"two line feeds give an empty line", "ab\n\ncd", 50, false, true, {"ab", "", "cd"}},
        {"mixed line ends", "a\r\nb\nc\rd", 50, false, true, {"a", "b", "c", "d"}},
        {"blanks after a full line start the next", "a  b", 14, false, true, {"a ", " b"}},
        {"cut between characters, never inside one", "\xC3\xA7\xC3\xA7\xC3\xA7\xC3\xA7", 20, false, true,
         {"\xC3\xA7\xC3\xA7", ""}},
        {"no width leaves empty lines", "abc", 0, false, true, {"", ""}},
        {"hyphen and blank breaks mixed", "one-two three", 28, false, true, {"one-", "two ", "thre", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(lines_of(c), c.lines) << c.name;
}

TEST(LineBreak, WorkStaysLinearInTheTextLength) {
    struct Load {
        const char* name;
        std::string text;
        int width;
    };
    const std::vector<Load> loads = {
        {"one long word", std::string(200000, 'x'), 700},
        {"one long word after a short one", "ab " + std::string(200000, 'x'), 700},
        {"many words", [] {
             std::string s;
             for (int i = 0; i < 50000; ++i) s += "word ";
             return s;
         }(),
         700},
    };
    for (const Load& l : loads) {
        std::size_t measured = 0;
        report::MeasureLineFn measure = [&measured](std::string_view s) {
            measured += s.size();
            return seven_a_char(s);
        };
        report::LineBreakRules rules;
        rules.Width = l.width;
        std::vector<std::string> out;
        report::break_text_lines(l.text, rules, measure, out);
        // Each word is measured with at most a line's worth of text before it.
        EXPECT_LT(measured, 30 * l.text.size()) << l.name;
    }
}
