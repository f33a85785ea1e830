#pragma once
// Whether the user's short date format writes the year with four digits.

#include <string>
#include <string_view>

namespace interbase {

// True when "YYYY" occurs in the format, compared without regard to case
// ("dd/mm/yyyy" yes, "dd/MM/yy" no).
bool DetectFourDigitYear(std::string_view short_date_format);

// The short date format of the user's locale settings (os::user_format_settings:
// LC_ALL, LC_TIME, LANG), written with day, month and year letters
// ("dd/mm/yyyy"); "mm/dd/yy" for the C locale.
std::string UserShortDateFormat();

// Set at start-up from UserShortDateFormat().
bool FourDigitYearFlag();

void DateUnitStartup();
void DateUnitShutdown();

}  // namespace interbase
