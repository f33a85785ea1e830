#include "report/controls/BRLineBreak.h"

#include "platform/core/CodePages.h"

namespace report {
namespace {

// Byte offsets of the code point boundaries of `s` after its first one (so
// entry k is the length of the first k + 1 characters); the last is s.size().
std::vector<std::size_t> char_ends(std::string_view s) {
    std::vector<std::size_t> ends;
    for (std::size_t pos = 0; pos < s.size();) {
        char32_t cp = 0;
        core::next_code_point(s, pos, cp);  // a malformed byte counts as a character
        ends.push_back(pos);
    }
    return ends;
}

// The number of leading characters of `word` whose measure passes `fits`,
// assuming widths grow with the prefix. The search doubles its reach and
// then halves, so only prefixes up to about twice the answer are measured.
template <class Fits>
std::size_t fitting_chars(std::string_view word, const std::vector<std::size_t>& ends, Fits fits) {
    const std::size_t n = ends.size();
    std::size_t good = 0, reach = 1;
    while (reach <= n && fits(word.substr(0, ends[reach - 1]))) {
        good = reach;
        reach *= 2;
    }
    std::size_t bad = reach <= n ? reach : n + 1;
    while (bad - good > 1) {
        std::size_t mid = good + (bad - good) / 2;
        if (fits(word.substr(0, ends[mid - 1]))) good = mid;
        else bad = mid;
    }
    return good;
}

bool is_break_char(char c) { return c == '\r' || c == ' ' || c == '-'; }

class Breaker {
public:
    Breaker(const LineBreakRules& rules, const MeasureLineFn& measure, std::vector<std::string>& lines)
        : rules_(rules), measure_(measure), lines_(lines) {}

    // Each line end starts a new line: CR LF, LF alone or CR alone, so
    // text from Linux, Windows and old Mac files breaks alike.
    void add_text_line(std::string_view text) {
        std::string_view rest = text;
        for (std::size_t end; (end = rest.find_first_of("\r\n")) != std::string_view::npos;) {
            add_plain(rest.substr(0, end));
            const std::size_t width = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1;
            rest.remove_prefix(end + width);
        }
        add_plain(rest);
    }

private:
    void add_plain(std::string_view text) {
        line_.clear();
        done_ = false;
        // Widths grow with the text, so a text that fits as a whole fits word
        // by word: it is one line, measured once.
        if (rules_.AutoSize || measure_(text) <= rules_.Width) {
            line_.assign(text);
            flush();
            return;
        }
        std::size_t pos = 0;
        while (pos < text.size() && !done_) {
            std::size_t end = pos;
            while (end < text.size() && !is_break_char(text[end])) ++end;
            if (end < text.size()) ++end;
            add_word(text.substr(pos, end - pos));
            pos = end;
        }
        if (!done_) flush();
    }

    void add_word(std::string_view w) {
        const int W = rules_.Width;
        // The line with the word, built in a buffer kept from word to word.
        probe_.assign(line_);
        probe_.append(w);
        if (measure_(probe_) <= W) {
            line_.swap(probe_);
            return;
        }
        if (line_.empty()) {
            // The word alone is too wide: as many characters as fit, the rest dropped.
            const std::vector<std::size_t> ends = char_ends(w);
            const std::size_t k =
                fitting_chars(w, ends, [&](std::string_view prefix) { return measure_(prefix) < W; });
            line_.assign(w.substr(0, k ? ends[k - 1] : 0));
            w = {};
        }
        flush();
        if (measure_(w) > W) {
            // A word too wide for a line of its own is cut at the width.
            if (W == 0) {
                w = {};
            } else {
                const std::vector<std::size_t> ends = char_ends(w);
                const std::size_t k =
                    fitting_chars(w, ends, [&](std::string_view prefix) { return measure_(prefix) <= W; });
                w = w.substr(0, k ? ends[k - 1] : 0);
            }
            line_.assign(w);
            flush();
            w = {};
        }
        if (!rules_.WordWrap) {
            w = {};
            done_ = true;
        }
        line_.append(w);
    }

    void flush() {
        lines_.push_back(line_);
        line_.clear();
    }

    const LineBreakRules& rules_;
    const MeasureLineFn& measure_;
    std::vector<std::string>& lines_;
    std::string line_;
    std::string probe_;
    bool done_ = false;
};

}  // namespace

void break_text_lines(std::string_view text, const LineBreakRules& rules, const MeasureLineFn& measure,
                      std::vector<std::string>& lines) {
    Breaker(rules, measure, lines).add_text_line(text);
}

}  // namespace report
