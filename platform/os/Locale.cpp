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

}  // namespace os
