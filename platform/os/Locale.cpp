#include "platform/os/Locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>

namespace os {

std::string message_locale_name() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return value;
    }
    return "C";
}

std::string locale_language(std::string_view locale_name) {
    const std::size_t end = locale_name.find_first_of("_.@");
    std::string language(locale_name.substr(0, end));
    for (char& c : language)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (language == "c" || language == "posix") return "";
    return language;
}

namespace {

std::string locale_for(const char* category) {
    for (const char* var : {"LC_ALL", category, "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return value;
    }
    return "C";
}

// A locale object of one category, released when it goes.
class LocaleData {
public:
    LocaleData(int mask, const std::string& name) : loc_(newlocale(mask, name.c_str(), static_cast<locale_t>(0))) {}
    ~LocaleData() {
        if (loc_ != static_cast<locale_t>(0)) freelocale(loc_);
    }
    LocaleData(const LocaleData&) = delete;
    LocaleData& operator=(const LocaleData&) = delete;
    // The item's text; empty when the locale is not there.
    std::string item(nl_item what) const {
        if (loc_ == static_cast<locale_t>(0)) return {};
        const char* text = nl_langinfo_l(what, loc_);
        return text ? text : "";
    }

private:
    locale_t loc_;
};

}  // namespace

std::string from_strftime_format(std::string_view format) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        c = format[++i];
        while ((c == 'E' || c == 'O' || c == '-' || c == '_' || c == '0') && i + 1 < format.size()) c = format[++i];
        switch (c) {
        case 'd': out += "dd"; break;
        case 'e': out += "d"; break;
        case 'm': out += "mm"; break;
        case 'b': case 'h': out += "mmm"; break;
        case 'B': out += "mmmm"; break;
        case 'y': out += "yy"; break;
        case 'Y': out += "yyyy"; break;
        case 'a': out += "ddd"; break;
        case 'A': out += "dddd"; break;
        case 'H': out += "hh"; break;
        case 'k': out += "h"; break;
        case 'I': out += "hh"; break;
        case 'l': out += "h"; break;
        case 'M': out += "nn"; break;
        case 'S': out += "ss"; break;
        case 'p': case 'P': out += "ampm"; break;
        case 'D': out += "mm/dd/yy"; break;
        case 'F': out += "yyyy-mm-dd"; break;
        case 'T': out += "hh:nn:ss"; break;
        case 'R': out += "hh:nn"; break;
        case '%': out += '%'; break;
        default: break;  // fields a date or time format has no use for
        }
    }
    return out;
}

namespace {

// The forms of the locales that LC_ALL, LC_NUMERIC/LC_TIME and LANG name;
// with `named_only`, a category whose locale is C or POSIX keeps the defaults.
TFormatSettings format_settings(bool named_only) {
    TFormatSettings fs;
    const std::string numeric_name = locale_for("LC_NUMERIC");
    if (!named_only || !locale_language(numeric_name).empty()) {
        LocaleData numeric(LC_NUMERIC_MASK, numeric_name);
        std::string radix = numeric.item(RADIXCHAR);
        if (radix.size() == 1) fs.DecimalSeparator = radix[0];
        std::string thousands = numeric.item(THOUSEP);
        if (thousands.size() == 1) fs.ThousandSeparator = thousands[0];
    }
    const std::string time_name = locale_for("LC_TIME");
    if (named_only && locale_language(time_name).empty()) return fs;
    LocaleData time(LC_TIME_MASK, time_name);
    std::string date_format = from_strftime_format(time.item(D_FMT));
    if (!date_format.empty()) {
        fs.ShortDateFormat = date_format;
        for (char c : date_format)
            if (c == '/' || c == '.' || c == '-') {
                fs.DateSeparator = c;
                break;
            }
    }
    std::string time_format = from_strftime_format(time.item(T_FMT));
    if (!time_format.empty()) fs.LongTimeFormat = time_format;
    return fs;
}

}  // namespace

TFormatSettings user_format_settings() { return format_settings(false); }

TFormatSettings named_locale_format_settings() { return format_settings(true); }

std::string measurement_locale_name() { return locale_for("LC_MEASUREMENT"); }

bool locale_uses_us_measure(std::string_view locale_name) {
    const std::size_t sep = locale_name.find('_');
    if (sep == std::string_view::npos) return false;
    std::string_view rest = locale_name.substr(sep + 1);
    std::string territory(rest.substr(0, rest.find_first_of(".@")));
    for (char& c : territory)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return territory == "US" || territory == "LR" || territory == "MM";
}

}  // namespace os
