#include "platform/os/Locale.h"

#include <cstdlib>

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

std::string measurement_locale_name() {
    for (const char* var : {"LC_ALL", "LC_MEASUREMENT", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return value;
    }
    return "C";
}

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
