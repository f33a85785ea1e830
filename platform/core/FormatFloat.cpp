// FormatFloat: a number written through a mask of digit placeholders.
//
// The value is first taken to 15 significant digits (as FloatToStr shows it),
// then rounded half away from zero to the places the mask asks for.

#include "platform/core/SysUtils.h"
#include "platform/core/detail/Decimal.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace {

[[noreturn]] void invalid_value() { throw EConvertError("Invalid floating point value for a format"); }

// |value| as decimal digits: value = 0.digits × 10^point (no leading zeros;
// empty digits for zero).
struct Decimal {
    std::string digits;
    int point = 0;
};

Decimal to_decimal(double value) {
    Decimal d;
    if (value == 0.0) return d;
    core::detail::decimal_digits(value, 15, d.digits, d.point);
    return d;
}

// Rounds to `keep` significant digits, half away from zero.
void round_digits(Decimal& d, int keep) {
    if (keep < 0) {
        d = {};
        return;
    }
    if (static_cast<std::size_t>(keep) >= d.digits.size()) return;
    bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') d.digits[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.point = 0;
}

// One section of a mask, read once.
struct Item {
    enum Kind { Literal, Digit, Point, Exponent } kind;
    std::string text;  // literal text; for Exponent: "+" or "-"
    bool zero = false; // Digit: '0' (else '#')
    int exp_digits = 0;
};

struct Section {
    std::vector<Item> items;
    bool thousands = false;
    bool scientific = false;
    int int_places = 0, int_min = 0;    // placeholders before the point, and those from the first '0'
    int frac_places = 0, frac_min = 0;  // placeholders after the point, and those up to the last '0'
    bool any_digit = false;
};

Section read_section(std::string_view mask) {
    Section s;
    bool seen_point = false, seen_zero = false;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        char c = mask[i];
        if (c == '"' || c == '\'') {
            std::size_t end = mask.find(c, i + 1);
            if (end == std::string_view::npos) end = mask.size();
            s.items.push_back({Item::Literal, std::string(mask.substr(i + 1, end - i - 1))});
            i = end;
        } else if (c == '0' || c == '#') {
            s.any_digit = true;
            s.items.push_back({Item::Digit, {}, c == '0'});
            if (!seen_point) {
                ++s.int_places;
                if (c == '0') seen_zero = true;
                if (seen_zero) ++s.int_min;
            } else {
                ++s.frac_places;
                if (c == '0') s.frac_min = s.frac_places;
            }
        } else if (c == '.') {
            if (!seen_point) s.items.push_back({Item::Point, {}});
            seen_point = true;
        } else if (c == ',') {
            s.thousands = true;
        } else if ((c == 'E' || c == 'e') && i + 1 < mask.size() && (mask[i + 1] == '+' || mask[i + 1] == '-') &&
                   !s.scientific) {
            s.scientific = true;
            Item e{Item::Exponent, std::string(1, mask[i + 1])};
            e.text = std::string(1, c) + mask[i + 1];
            i += 2;
            while (i < mask.size() && mask[i] == '0') {
                ++e.exp_digits;
                ++i;
            }
            --i;
            s.items.push_back(e);
        } else {
            s.items.push_back({Item::Literal, std::string(1, c)});
        }
    }
    return s;
}

// Integer and fraction digits of |value| for a section.
struct Parts {
    std::string int_digits, frac_digits;
    int exponent = 0;
    bool zero = true;
};

Parts number_parts(double value, const Section& s) {
    Parts p;
    Decimal d = to_decimal(value);
    if (s.scientific) {
        int int_places = s.int_places > 0 ? s.int_places : 1;
        if (!d.digits.empty()) {
            round_digits(d, int_places + s.frac_places);
            p.exponent = d.point - int_places;
        }
        d.point = d.digits.empty() ? 0 : int_places;
    } else {
        round_digits(d, d.point + s.frac_places);
    }
    p.zero = d.digits.empty();
    for (int i = 0; i < d.point; ++i)
        p.int_digits += static_cast<std::size_t>(i) < d.digits.size() ? d.digits[static_cast<std::size_t>(i)] : '0';
    for (int i = d.point; i < static_cast<int>(d.digits.size()); ++i)
        if (i >= 0) p.frac_digits += d.digits[static_cast<std::size_t>(i)];
    if (d.point < 0) p.frac_digits.insert(0, static_cast<std::size_t>(-d.point), '0');
    if (static_cast<int>(p.int_digits.size()) < s.int_min)
        p.int_digits.insert(0, static_cast<std::size_t>(s.int_min) - p.int_digits.size(), '0');
    while (static_cast<int>(p.frac_digits.size()) < s.frac_min) p.frac_digits += '0';
    return p;
}

std::string render(const Section& s, const Parts& p, bool negative, const TFormatSettings& fs) {
    std::string out = negative ? "-" : "";
    const int n = static_cast<int>(p.int_digits.size());
    int next_int = 0;         // next integer digit to write
    int int_seen = 0;         // integer placeholders met so far
    int frac_seen = 0;
    bool after_point = false;
    auto put_int_digit = [&](int k) {
        out += p.int_digits[static_cast<std::size_t>(k)];
        int from_right = n - 1 - k;
        if (s.thousands && from_right > 0 && from_right % 3 == 0) out += fs.ThousandSeparator;
    };
    for (const Item& it : s.items) {
        switch (it.kind) {
        case Item::Literal: out += it.text; break;
        case Item::Digit:
            if (!after_point) {
                // placeholders before the point hold the integer digits,
                // right-aligned; the first one takes every digit beyond them
                int remaining = s.int_places - int_seen;  // this one included
                int until = n - (remaining - 1);
                while (next_int < until) put_int_digit(next_int++);
                ++int_seen;
            } else {
                if (frac_seen < static_cast<int>(p.frac_digits.size()))
                    out += p.frac_digits[static_cast<std::size_t>(frac_seen)];
                ++frac_seen;
            }
            break;
        case Item::Point:
            after_point = true;
            while (next_int < n) put_int_digit(next_int++);
            if (!p.frac_digits.empty()) out += fs.DecimalSeparator;
            break;
        case Item::Exponent: {
            std::string digits = std::to_string(std::abs(p.exponent));
            if (static_cast<int>(digits.size()) < it.exp_digits)
                digits.insert(0, static_cast<std::size_t>(it.exp_digits) - digits.size(), '0');
            out += it.text[0];
            if (p.exponent < 0)
                out += '-';
            else if (it.text[1] == '+')
                out += '+';
            out += digits;
            break;
        }
        }
    }
    return out;
}

// A mask cut into its sections (positive;negative;zero; a ';' inside quotes
// is text), each read. The last mask read is kept: a report formats a
// column's every value with the same mask.
struct Mask {
    std::string text;
    std::vector<Section> sections;
    std::vector<bool> given;  // the section is not empty
};

const Mask& read_mask(std::string_view format) {
    thread_local Mask last;
    if (!last.sections.empty() && last.text == format) return last;
    last.sections.clear();
    last.given.clear();
    last.text.clear();
    auto add = [&](std::string_view section) {
        last.sections.push_back(read_section(section));
        last.given.push_back(!section.empty());
    };
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            add(format.substr(start, i - start));
            start = i + 1;
        }
    }
    add(format.substr(start));
    last.text = format;
    return last;
}

}  // namespace

std::string FormatFloat(std::string_view format, double value, const TFormatSettings& fs) {
    if (!std::isfinite(value)) invalid_value();
    if (format.empty()) return FloatToStr(value, fs);
    const Mask& mask = read_mask(format);
    const std::vector<Section>& sections = mask.sections;
    const std::vector<bool>& given = mask.given;

    const Section* chosen = &sections[0];
    bool negative = value < 0;
    bool show_sign = negative;
    if (negative && sections.size() > 1 && given[1]) {
        chosen = &sections[1];
        show_sign = false;
    }
    Parts parts = number_parts(value, *chosen);
    if (parts.zero && sections.size() > 2 && given[2]) {
        chosen = &sections[2];
        parts = number_parts(0.0, *chosen);
        show_sign = false;
    }
    if (parts.zero) show_sign = false;
    if (!chosen->any_digit) show_sign = false;
    return render(*chosen, parts, show_sign, fs);
}

std::string FormatFloat(std::string_view format, double value) { return FormatFloat(format, value, FormatSettings); }
