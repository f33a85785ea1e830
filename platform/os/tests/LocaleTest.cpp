#include "platform/os/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>

namespace {
// A locale variable's choice among three: each case sets (or, for null,
// unsets) the three variables and expects `pick` to name `name`; the
// variables are put back as they were afterwards.
struct FirstSetCase {
    const char* values[3];
    const char* name;
};

void expect_first_set(const char* const (&vars)[3], std::initializer_list<FirstSetCase> cases,
                      std::string (*pick)()) {
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* v = std::getenv(vars[i])) saved[i] = v;
    for (const FirstSetCase& c : cases) {
        for (int i = 0; i < 3; ++i) {
            if (c.values[i]) setenv(vars[i], c.values[i], 1);
            else unsetenv(vars[i]);
        }
        EXPECT_EQ(pick(), c.name);
    }
    for (int i = 0; i < 3; ++i) {
        if (saved[i]) setenv(vars[i], saved[i]->c_str(), 1);
        else unsetenv(vars[i]);
    }
}
}  // namespace

TEST(Locale, LanguageOfALocaleName) {
    struct Case {
        const char* name;
        const char* language;
    } cases[] = {
        {"pt_BR.UTF-8", "pt"}, {"pt_PT", "pt"}, {"fr_FR@euro", "fr"}, {"es", "es"},   {"DE_de.ISO-8859-1", "de"},
        {"C", ""},             {"POSIX", ""},   {"C.UTF-8", ""},      {"c.utf8", ""}, {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(os::locale_language(c.name), c.language) << c.name;
}

TEST(Locale, MessageLocaleIsTheFirstOfLcAllLcMessagesAndLangThatIsSet) {
    expect_first_set({"LC_ALL", "LC_MESSAGES", "LANG"},
                     {
                         {{"fr_FR", "es_ES", "pt_BR"}, "fr_FR"},
                         {{nullptr, "es_ES", "pt_BR"}, "es_ES"},
                         {{"", "", "pt_BR"}, "pt_BR"},
                         {{nullptr, nullptr, nullptr}, "C"},
                         {{"", "", ""}, "C"},
                     },
                     os::message_locale_name);
}

TEST(Locale, StrftimeFormatsBecomeTheClassLibrarysFormats) {
    struct Case {
        const char* strftime;
        const char* format;
    } cases[] = {
        {"%d/%m/%Y", "dd/mm/yyyy"}, {"%m/%d/%y", "mm/dd/yy"}, {"%d.%m.%Y", "dd.mm.yyyy"},
        {"%H:%M:%S", "hh:nn:ss"},   {"%I:%M:%S %p", "hh:nn:ss ampm"}, {"%Y-%m-%d", "yyyy-mm-dd"},
        {"%e %B %Y", "d mmmm yyyy"}, {"%T", "hh:nn:ss"}, {"%Ey", "yy"}, {"%", "%"}, {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(os::from_strftime_format(c.strftime), c.format) << c.strftime;
}

TEST(Locale, TheCLocaleGivesAPointForDecimals) {
    const char* vars[] = {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"};
    std::optional<std::string> saved[4];
    for (int i = 0; i < 4; ++i) {
        if (const char* v = std::getenv(vars[i])) saved[i] = v;
        unsetenv(vars[i]);
    }
    setenv("LANG", "C", 1);
    TFormatSettings fs = os::user_format_settings();
    EXPECT_EQ(fs.DecimalSeparator, '.');
    EXPECT_EQ(fs.ShortDateFormat, "mm/dd/yy");
    EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
    setenv("LANG", "xx_NOWHERE.UTF-8", 1);  // a locale the system lacks keeps the defaults
    fs = os::user_format_settings();
    EXPECT_EQ(fs.DecimalSeparator, '.');
    EXPECT_EQ(fs.ShortDateFormat, TFormatSettings().ShortDateFormat);
    // Reports' forms: C and its variants keep the defaults, not the C
    // locale's month-first short year.
    for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
        setenv("LANG", name, 1);
        fs = os::named_locale_format_settings();
        EXPECT_EQ(fs.DecimalSeparator, '.') << name;
        EXPECT_EQ(fs.ThousandSeparator, ',') << name;
        EXPECT_EQ(fs.ShortDateFormat, "dd/mm/yyyy") << name;
        EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss") << name;
    }
    for (int i = 0; i < 4; ++i) {
        if (saved[i]) setenv(vars[i], saved[i]->c_str(), 1);
        else unsetenv(vars[i]);
    }
}

TEST(Locale, MeasurementIsUsCustomaryOnlyForUsLiberiaAndMyanmar) {
    struct Case {
        const char* name;
        bool us;
    } cases[] = {
        {"en_US.UTF-8", true}, {"es_US", true},      {"en_LR", true},  {"my_MM.UTF-8", true}, {"en_us@x", true},
        {"en_GB.UTF-8", false}, {"pt_BR", false},    {"C", false},     {"POSIX", false},      {"C.UTF-8", false},
        {"", false},            {"en", false},       {"en_USA", false},
    };
    for (const Case& c : cases) EXPECT_EQ(os::locale_uses_us_measure(c.name), c.us) << c.name;
}

TEST(Locale, MeasurementLocaleIsTheFirstOfLcAllLcMeasurementAndLangThatIsSet) {
    expect_first_set({"LC_ALL", "LC_MEASUREMENT", "LANG"},
                     {
                         {{"en_US", "de_DE", "pt_BR"}, "en_US"},
                         {{nullptr, "de_DE", "en_US"}, "de_DE"},
                         {{"", "", "en_US"}, "en_US"},
                         {{nullptr, nullptr, nullptr}, "C"},
                     },
                     os::measurement_locale_name);
}
