#include "interbase/IBL_DateUtils.h"
#include "interbase/IBL_Security.h"
#include "interbase/IBL_Settings.h"
#include "interbase/IBL_SqlKeywords.h"
#include "platform/os/Locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>

using namespace interbase;

namespace {
// Keyword order: byte order, except that the underscore sorts before letters.
int rank(char c) { return c == '_' ? 'A' - 1 : static_cast<unsigned char>(c); }
bool keyword_less(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return rank(x) < rank(y); });
}
}  // namespace

TEST(SqlKeywordTable, AscendingUpperCaseWithLengthTwice) {
    ASSERT_EQ(SqlKeywordTable.size(), 271u);
    EXPECT_EQ(SqlKeywordTable.front(), "ACTION");
    EXPECT_EQ(SqlKeywordTable.back(), "YEAR");
    for (std::size_t i = 0; i < SqlKeywordTable.size(); ++i) {
        std::string_view k = SqlKeywordTable[i];
        ASSERT_FALSE(k.empty());
        for (char c : k) EXPECT_TRUE(std::isupper(static_cast<unsigned char>(c)) || c == '_') << k;
        if (i > 0) {
            EXPECT_FALSE(keyword_less(k, SqlKeywordTable[i - 1])) << SqlKeywordTable[i - 1] << " > " << k;
            if (k == SqlKeywordTable[i - 1]) {
                EXPECT_EQ(k, "LENGTH");
            }
        }
    }
    EXPECT_EQ(std::count(SqlKeywordTable.begin(), SqlKeywordTable.end(), "LENGTH"), 2);
    EXPECT_TRUE(std::is_sorted(SqlKeywordTable.begin(), SqlKeywordTable.end(), keyword_less));
}

TEST(SecurityConstants, ScrambleKeyHasItsShape) {
    std::string_view k = SecurityScrambleKey;
    ASSERT_EQ(k.size(), 11u);
    EXPECT_EQ(k[0], '.');
    for (int i = 1; i <= 6; ++i) {
        ASSERT_TRUE(std::isalpha(static_cast<unsigned char>(k[i])));
        if (i > 1) {
            EXPECT_NE(std::isupper(static_cast<unsigned char>(k[i])) != 0,
                      std::isupper(static_cast<unsigned char>(k[i - 1])) != 0) << "case does not alternate";
        }
    }
    EXPECT_EQ(k[7], '.');
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(k[8])) && std::isdigit(static_cast<unsigned char>(k[9])));
    EXPECT_EQ(k[10], '.');
    EXPECT_TRUE(SecuritySettingsKey.starts_with("Software\\"));
}

TEST(Settings, StartUpGivesTheDefaults) {
    Settings() = ComponentSettings{true, "x", 9, 9, 9, false, true};
    SettingsUnitStartup();
    const ComponentSettings& s = Settings();
    EXPECT_FALSE(s.first_flag);
    EXPECT_EQ(s.text, "");
    EXPECT_EQ(s.first_number, 3);
    EXPECT_EQ(s.second_number, 0);
    EXPECT_EQ(s.small_number, 0);
    EXPECT_TRUE(s.second_flag);
    EXPECT_FALSE(s.third_flag);
}

TEST(FourDigitYear, DetectedWhateverTheCase) {
    struct Case {
        const char* format;
        bool four;
    } cases[] = {
        {"dd/mm/yyyy", true}, {"dd/MM/yyyy", true}, {"YYYY-MM-DD", true}, {"M/d/yYyY", true},
        {"dd/MM/yy", false}, {"yyy.MM.dd", false}, {"yy/yy/yy", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(DetectFourDigitYear(c.format), c.four) << c.format;
}

TEST(FourDigitYear, ReadFromTheUserLocale) {
    // The date unit reads the platform's locale settings: LC_ALL first, then
    // LC_TIME, then LANG; the C locale writes a two-digit year.
    const char* const vars[] = {"LC_ALL", "LC_TIME", "LANG"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* v = std::getenv(vars[i])) saved[i] = v;
    struct Case {
        const char* values[3];
    } cases[] = {
        {{"C", nullptr, nullptr}},
        {{nullptr, "POSIX", "C.UTF-8"}},
        {{nullptr, nullptr, "C.UTF-8"}},
        {{nullptr, nullptr, nullptr}},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 3; ++i) {
            if (c.values[i]) setenv(vars[i], c.values[i], 1);
            else unsetenv(vars[i]);
        }
        EXPECT_EQ(UserShortDateFormat(), os::user_format_settings().ShortDateFormat);
        EXPECT_EQ(UserShortDateFormat(), "mm/dd/yy");
        DateUnitStartup();
        EXPECT_FALSE(FourDigitYearFlag());
    }
    for (int i = 0; i < 3; ++i) {
        if (saved[i]) setenv(vars[i], saved[i]->c_str(), 1);
        else unsetenv(vars[i]);
    }
}
