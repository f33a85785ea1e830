#pragma once
// The user's locale as the environment names it, read explicitly so that no
// conversion of the program depends on the process locale (setlocale is never
// called). Tests set the variables to choose a locale.

#include <string>
#include <string_view>

#include "platform/core/SysUtils.h"

namespace os {

// The locale that chooses the language of messages: the first of LC_ALL,
// LC_MESSAGES and LANG that is set and not empty; "C" when none is.
std::string message_locale_name();

// The language part of a locale name in lower case: "pt" for "pt_BR.UTF-8",
// "fr" for "fr_FR@euro"; "" for "C", "POSIX" and their variants ("C.UTF-8").
std::string locale_language(std::string_view locale_name);

// The number, date and time forms of the user's locale: the decimal and
// thousand separators of the first of LC_ALL, LC_NUMERIC and LANG that is set,
// the date and time formats of LC_ALL, LC_TIME and LANG, read from the
// system's locale data without changing the process locale. Whatever the
// system lacks keeps the defaults of TFormatSettings.
TFormatSettings user_format_settings();
// The same, except that a category whose locale is C or POSIX (or a variant
// such as C.UTF-8, or none set) keeps the defaults of TFormatSettings ('.'
// decimals, ',' thousands, "dd/mm/yyyy", "hh:nn:ss") instead of the C
// locale's American forms: how reports format numbers and dates.
TFormatSettings named_locale_format_settings();
// A strftime date or time format as the class library writes one
// ("%d/%m/%Y" gives "dd/mm/yyyy", "%H:%M:%S" gives "hh:nn:ss").
std::string from_strftime_format(std::string_view format);

// The locale that chooses units of measure: the first of LC_ALL,
// LC_MEASUREMENT and LANG that is set and not empty; "C" when none is.
std::string measurement_locale_name();

// True when a locale measures in U.S. customary units (inches, Letter
// paper): its territory, the part after '_', is US, LR or MM. Every other
// locale, "C" and "POSIX" included, is metric.
bool locale_uses_us_measure(std::string_view locale_name);

}  // namespace os
