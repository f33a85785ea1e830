#pragma once
// The library's captions and messages in four languages, and its constant
// name tables. LocaleMessageTable() is filled once at start-up in the language
// of the user's locale: Portuguese, French or Spanish, English for any other.

#include <array>
#include <string>
#include <string_view>

namespace report_support {

inline constexpr int LocaleMessageCount = 76;

// The languages of the message table.
enum class MessageLanguage { English, Portuguese, French, Spanish };

// One entry of the message table in every language ("&" marks the
// accelerator letter of a caption).
struct MessageRow {
    std::string_view English;
    std::string_view Portuguese;
    std::string_view French;
    std::string_view Spanish;
};

// The 76 entries, by index.
const std::array<MessageRow, LocaleMessageCount>& MessageRows();
// The text of one row in one language.
std::string_view MessageText(const MessageRow& row, MessageLanguage language);

// The table the library's dialogs read; every entry empty before start-up.
std::array<std::string, LocaleMessageCount>& LocaleMessageTable();

// Fill every entry of LocaleMessageTable() in one language, in index order.
void LoadEnglishMessages();
void LoadPortugueseMessages();
void LoadFrenchMessages();
void LoadSpanishMessages();
void LoadMessages(MessageLanguage language);

// The language of the messages for a locale name ("pt_BR.UTF-8" is
// Portuguese; "C", "POSIX" and every language without texts are English).
MessageLanguage MessageLanguageOf(std::string_view locale_name);

// Start-up: fills the table in the language of the user's locale
// (LC_ALL, else LC_MESSAGES, else LANG).
void SelectLocaleStrings();
// Shut-down: empties every entry, from the last down to the first.
void ClearLocaleStrings();

// One entry of the HTML entity table: a character and its entity.
struct TCharAndSymbol {
    char32_t Char;
    std::string_view Symbol;
};
inline constexpr int HtmlEntityCount = 99;
// "&", ">" and "<", then every character from U+00A0 to U+00FF with its
// HTML 4 named entity. The double quote has no entry.
const std::array<TCharAndSymbol, HtmlEntityCount>& HtmlEntityTable();

}  // namespace report_support
