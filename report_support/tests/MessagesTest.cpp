#include "report_support/RSConsts.h"
#include "report_support/Startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

using namespace report_support;

namespace {

constexpr const char* kLocaleVars[] = {"LC_ALL", "LC_MESSAGES", "LANG"};

// Sets LC_ALL, LC_MESSAGES and LANG for a scope (null unsets one) and puts
// the old values back afterwards.
class ScopedLocaleEnv {
public:
    ScopedLocaleEnv(const char* lc_all, const char* lc_messages, const char* lang) {
        const char* values[] = {lc_all, lc_messages, lang};
        for (int i = 0; i < 3; ++i) {
            const char* old = std::getenv(kLocaleVars[i]);
            saved_[i] = old ? std::optional<std::string>(old) : std::nullopt;
            if (values[i]) setenv(kLocaleVars[i], values[i], 1);
            else unsetenv(kLocaleVars[i]);
        }
    }
    ~ScopedLocaleEnv() {
        for (int i = 0; i < 3; ++i) {
            if (saved_[i]) setenv(kLocaleVars[i], saved_[i]->c_str(), 1);
            else unsetenv(kLocaleVars[i]);
        }
    }

private:
    std::optional<std::string> saved_[3];
};

const char* language_name(MessageLanguage language) {
    switch (language) {
        case MessageLanguage::Portuguese: return "Portuguese";
        case MessageLanguage::French: return "French";
        case MessageLanguage::Spanish: return "Spanish";
        case MessageLanguage::English: break;
    }
    return "English";
}

constexpr MessageLanguage kLanguages[] = {MessageLanguage::English, MessageLanguage::Portuguese,
                                          MessageLanguage::French, MessageLanguage::Spanish};

}  // namespace

TEST(MessageTable, StartUpChoosesTheLanguageOfTheUsersLocale) {
    struct Case {
        const char* lc_all;
        const char* lc_messages;
        const char* lang;
        int index;
        const char* text;
    } cases[] = {
        {nullptr, nullptr, "pt_BR.UTF-8", 0, "Imprimindo o relatório..."},
        {nullptr, nullptr, "pt_PT", 0, "Imprimindo o relatório..."},
        {nullptr, nullptr, "de_DE.UTF-8", 0, "Printing in progress..."},
        {nullptr, nullptr, "fr_FR.UTF-8", 4, "Invalid printer path"},
        {nullptr, nullptr, "fr_CA@euro", 0, "Impression du rapport..."},
        {nullptr, nullptr, "es_MX.UTF-8", 0, "Impresión en marcha..."},
        {nullptr, nullptr, "C", 0, "Printing in progress..."},
        {nullptr, nullptr, "POSIX", 0, "Printing in progress..."},
        {nullptr, nullptr, "C.UTF-8", 0, "Printing in progress..."},
        {nullptr, nullptr, nullptr, 0, "Printing in progress..."},
        {nullptr, nullptr, "", 0, "Printing in progress..."},
        // LC_ALL before LC_MESSAGES before LANG; an empty variable counts as unset.
        {"fr_FR.UTF-8", "es_ES.UTF-8", "pt_BR.UTF-8", 0, "Impression du rapport..."},
        {nullptr, "es_ES.UTF-8", "pt_BR.UTF-8", 0, "Impresión en marcha..."},
        {"", "es_ES.UTF-8", "pt_BR.UTF-8", 0, "Impresión en marcha..."},
        {"C", nullptr, "pt_BR.UTF-8", 0, "Printing in progress..."},
        {nullptr, nullptr, "PT_br", 0, "Imprimindo o relatório..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("LC_ALL=") + (c.lc_all ? c.lc_all : "(unset)") + " LC_MESSAGES=" +
                     (c.lc_messages ? c.lc_messages : "(unset)") + " LANG=" + (c.lang ? c.lang : "(unset)"));
        ScopedLocaleEnv env(c.lc_all, c.lc_messages, c.lang);
        unit_startup();
        EXPECT_EQ(LocaleMessageTable()[c.index], c.text);
        for (int i = 0; i < LocaleMessageCount; ++i) EXPECT_FALSE(LocaleMessageTable()[i].empty()) << "entry " << i;
        unit_shutdown();
        for (int i = 0; i < LocaleMessageCount; ++i) EXPECT_TRUE(LocaleMessageTable()[i].empty()) << "entry " << i;
    }
}

TEST(MessageTable, EveryLoaderSetsEveryEntryOfItsLanguage) {
    struct Loader {
        void (*load)();
        MessageLanguage language;
    } loaders[] = {
        {LoadEnglishMessages, MessageLanguage::English},
        {LoadPortugueseMessages, MessageLanguage::Portuguese},
        {LoadFrenchMessages, MessageLanguage::French},
        {LoadSpanishMessages, MessageLanguage::Spanish},
    };
    for (const Loader& l : loaders) {
        SCOPED_TRACE(language_name(l.language));
        ClearLocaleStrings();
        l.load();
        for (int i = 0; i < LocaleMessageCount; ++i)
            EXPECT_EQ(LocaleMessageTable()[i], MessageText(MessageRows()[i], l.language)) << "entry " << i;
    }
    ClearLocaleStrings();
}

// Every text is set, stands on one line, and can be written in Windows-1252
// (checked by iconv and python3's codec, not by our own code page tables).
TEST(MessageTable, EveryTextIsNonEmptyAndEncodableInWindows1252) {
    test_support::ScratchDir dir("rs-messages");
    std::string all;
    std::vector<std::string> where;
    for (MessageLanguage language : kLanguages) {
        for (int i = 0; i < LocaleMessageCount; ++i) {
            const std::string_view text = MessageText(MessageRows()[i], language);
            EXPECT_FALSE(text.empty()) << language_name(language) << " entry " << i;
            EXPECT_EQ(text.find_first_of("\t\r\n"), std::string_view::npos) << language_name(language) << " entry " << i;
            all += std::string(text) + "\n";
            where.push_back(std::string(language_name(language)) + " entry " + std::to_string(i));
        }
    }
    const std::string file = dir / "utf8.txt";
    test_support::write_file(file, all);
    // Lines python3's cp1252 codec cannot encode, by line number.
    const std::string refused = test_support::capture(
        std::string(test_support::kPython3) + " -c 'import sys\nfor n, line in enumerate(open(sys.argv[1], encoding=\"utf-8\")):\n"
        "    try: line.encode(\"cp1252\")\n    except UnicodeEncodeError: print(n)' " + test_support::shell_quote(file));
    std::istringstream lines(refused);
    for (int n; lines >> n;) ADD_FAILURE() << where.at(std::size_t(n)) << " cannot be written in Windows-1252";
    // The whole table goes through iconv and back byte for byte.
    EXPECT_EQ(test_support::run_status("iconv -f UTF-8 -t CP1252 " + test_support::shell_quote(file) + " > " +
                                        test_support::shell_quote(file + ".cp1252")),
              0);
    const auto back = test_support::capture("iconv -f CP1252 -t UTF-8 " + test_support::shell_quote(file + ".cp1252"));
    EXPECT_TRUE(back == all) << "the table changed on its way through Windows-1252";
}

// The find captions (entries 69 to 74) each mark one accelerator letter, and
// no two of them mark the same letter in one language.
TEST(MessageTable, FindCaptionsHaveDistinctAccelerators) {
    for (MessageLanguage language : kLanguages) {
        SCOPED_TRACE(language_name(language));
        std::set<std::string> letters;
        for (int i = 69; i <= 74; ++i) {
            const std::string text(MessageText(MessageRows()[i], language));
            const auto amp = text.find('&');
            ASSERT_NE(amp, std::string::npos) << "entry " << i << " has no accelerator: " << text;
            EXPECT_EQ(text.find('&', amp + 1), std::string::npos) << "entry " << i << ": " << text;
            ASSERT_LT(amp + 1, text.size()) << text;
            // the letter after "&" (one UTF-8 character, case folded for ASCII)
            std::size_t len = 1;
            while (amp + 1 + len < text.size() && (text[amp + 1 + len] & 0xC0) == 0x80) ++len;
            std::string letter = text.substr(amp + 1, len);
            if (len == 1) letter[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(letter[0])));
            EXPECT_TRUE(letters.insert(letter).second) << "entry " << i << " repeats accelerator " << letter;
        }
        // Captions outside the find dialog mark none.
        for (int i = 0; i < 69; ++i)
            EXPECT_EQ(MessageText(MessageRows()[i], language).find('&'), std::string_view::npos) << "entry " << i;
    }
}

// The HTML entity table against python3's own table of HTML 4 entities.
TEST(HtmlEntities, MatchPythonsHtml4Names) {
    const auto& table = HtmlEntityTable();
    EXPECT_EQ(table[0].Char, U'&');
    EXPECT_EQ(table[0].Symbol, "&amp;");
    EXPECT_EQ(table[1].Char, U'>');
    EXPECT_EQ(table[1].Symbol, "&gt;");
    EXPECT_EQ(table[2].Char, U'<');
    EXPECT_EQ(table[2].Symbol, "&lt;");
    std::ostringstream ours;
    for (int i = 3; i < HtmlEntityCount; ++i) ours << int(table[i].Char) << ' ' << table[i].Symbol << '\n';
    for (const TCharAndSymbol& e : table) EXPECT_NE(e.Char, U'"');
    const std::string python = test_support::capture(
        std::string(test_support::kPython3) +
        " -c 'import html.entities as h\nfor c in range(160, 256): print(c, \"&\" + h.codepoint2name[c] + \";\")'");
    EXPECT_EQ(ours.str(), python);
}
