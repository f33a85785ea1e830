#include "interbase/IBL_DateUtils.h"

#include <algorithm>
#include <cctype>

#include "platform/os/Locale.h"

namespace interbase {
namespace {

bool g_four_digit_year = false;

}  // namespace

bool DetectFourDigitYear(std::string_view short_date_format) {
    std::string upper(short_date_format);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return upper.find("YYYY") != std::string::npos;
}

std::string UserShortDateFormat() { return os::user_format_settings().ShortDateFormat; }

bool FourDigitYearFlag() { return g_four_digit_year; }

void DateUnitStartup() { g_four_digit_year = DetectFourDigitYear(UserShortDateFormat()); }

void DateUnitShutdown() {}

}  // namespace interbase
