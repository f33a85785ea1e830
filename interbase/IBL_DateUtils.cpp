#include "interbase/IBL_DateUtils.h"

#include <algorithm>
#include <cctype>

#include <langinfo.h>
#include <locale.h>

namespace interbase {
namespace {

bool g_four_digit_year = false;

// Day, month and year letters for a strftime date format.
std::string from_strftime(std::string_view fmt) {
    std::string out;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%' || i + 1 == fmt.size()) {
            out += fmt[i];
            continue;
        }
        char c = fmt[++i];
        while ((c == 'E' || c == 'O' || c == '-' || c == '_' || c == '0' || c == '^' || c == '#') && i + 1 < fmt.size())
            c = fmt[++i];
        switch (c) {
            case 'Y': case 'G': out += "yyyy"; break;
            case 'y': case 'g': out += "yy"; break;
            case 'C': out += "yy"; break;
            case 'm': out += "MM"; break;
            case 'd': out += "dd"; break;
            case 'e': out += 'd'; break;
            case 'b': case 'h': out += "MMM"; break;
            case 'B': out += "MMMM"; break;
            case 'a': out += "ddd"; break;
            case 'A': out += "dddd"; break;
            case 'D': out += "MM/dd/yy"; break;
            case 'F': out += "yyyy-MM-dd"; break;
            case '%': out += '%'; break;
            default: break;  // fields a date format has no use for
        }
    }
    return out;
}

}  // namespace

bool DetectFourDigitYear(std::string_view short_date_format) {
    std::string upper(short_date_format);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return upper.find("YYYY") != std::string::npos;
}

std::string UserShortDateFormat() {
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) loc = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return "MM/dd/yy";
    std::string fmt = from_strftime(nl_langinfo_l(D_FMT, loc));
    freelocale(loc);
    return fmt;
}

bool FourDigitYearFlag() { return g_four_digit_year; }

void DateUnitStartup() { g_four_digit_year = DetectFourDigitYear(UserShortDateFormat()); }

void DateUnitShutdown() {}

}  // namespace interbase
