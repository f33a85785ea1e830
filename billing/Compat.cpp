#include "billing/Compat.h"

#include <cmath>

namespace billing {

std::string format_message(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == 'd') &&
            next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

namespace {
// Length of the UTF-8 sequence that starts with byte b (1 for a stray byte).
std::size_t utf8_length(unsigned char b) {
    if (b >= 0xF0 && b < 0xF8) return 4;
    if (b >= 0xE0) return b < 0xF0 ? 3 : 1;
    if (b >= 0xC2) return 2;
    return 1;
}
}  // namespace

std::vector<int> digit_values(std::string_view text) {
    std::vector<int> digits;
    digits.reserve(text.size());
    std::string_view bad;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t n = std::min(utf8_length(c), text.size() - i);
        if (n == 1 && c >= '0' && c <= '9') {
            digits.push_back(c - '0');
        } else {
            bad = text.substr(i, n);
        }
        i += n;
    }
    if (!bad.empty()) {
        throw EConvertError("'" + std::string(bad) + "' is not a valid integer value");
    }
    return digits;
}

namespace {
// Days from 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = -25569;
}  // namespace

CivilDate decode_date(TDateTime date) {
    return civil_from_days(static_cast<std::int64_t>(std::floor(date)) + kEpochOffset);
}

TDateTime encode_date(int year, int month, int day) {
    return static_cast<TDateTime>(days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                  kEpochOffset);
}

int day_of_year(TDateTime date) {
    CivilDate c = decode_date(date);
    return static_cast<int>(std::floor(date) - encode_date(c.year, 1, 1)) + 1;
}

}  // namespace billing
