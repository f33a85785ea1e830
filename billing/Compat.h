#pragma once
// Class-library facilities the boleto engine needs before platform/core
// provides them: the conversion, cast and list-index errors with the class
// library's texts, `%s`/`%d` message formatting and date decoding.
// Everything here is small on purpose and is replaced by platform/core's own
// facilities as they land.

#include "platform/core/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include <initializer_list>

// EConvertError, EInvalidCast and EListError come from platform/core/SysUtils.h.

namespace billing {

// Money: an integer count of ten-thousandths.
using Currency = std::int64_t;
// Dates: days since 1899-12-30, time of day as the fraction; 0 is no date.
using TDateTime = double;

// Replaces each %s (then %d) in order with the given texts.
std::string format_message(std::string_view pattern, std::initializer_list<std::string_view> args);

// The class library's integer conversion applied to each character of a
// digit text: the digit values from left to right. The rightmost character
// that is not a decimal digit raises EConvertError naming it.
std::vector<int> digit_values(std::string_view text);

struct CivilDate {
    int year;
    int month;
    int day;
};
CivilDate decode_date(TDateTime date);
TDateTime encode_date(int year, int month, int day);
// 1 for 1 January.
int day_of_year(TDateTime date);

}  // namespace billing
