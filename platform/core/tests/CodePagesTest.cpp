#include "platform/core/CodePages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

using core::CodePage;

TEST(CodePages, KnownCharacters) {
    EXPECT_EQ(core::to_utf8("\x80\xE7\xE3", CodePage::Windows1252), "€çã");
    EXPECT_EQ(core::to_utf8("\x87\xC6\x80", CodePage::Oem850), "çãÇ");
    EXPECT_EQ(core::to_utf8("\x87\xE1", CodePage::Oem437), "çß");
    EXPECT_EQ(core::from_utf8("Ação", CodePage::Oem850), std::string("A\x87\xC6o"));
    EXPECT_EQ(core::from_utf8("€", CodePage::Windows1252), std::string("\x80"));
    EXPECT_FALSE(core::from_utf8("€", CodePage::Oem850));       // not in 850
    EXPECT_FALSE(core::from_utf8("ã", CodePage::Oem437));       // not in 437
    EXPECT_FALSE(core::from_utf8("日本", CodePage::Windows1252));
    EXPECT_FALSE(core::from_utf8("\xC3", CodePage::Windows1252));  // truncated UTF-8
    EXPECT_EQ(core::from_utf8_lossy("a€b", CodePage::Oem850), "a?b");
    EXPECT_TRUE(core::expressible("plain ascii", CodePage::Oem437));
}

TEST(CodePages, EveryByteRoundTrips) {
    for (auto cp : {CodePage::Windows1252, CodePage::Oem850, CodePage::Oem437}) {
        for (int b = 0; b < 256; ++b) {
            std::string one(1, char(b));
            std::string u = core::to_utf8(one, cp);
            EXPECT_TRUE(core::is_valid_utf8(u));
            auto back = core::from_utf8(u, cp);
            ASSERT_TRUE(back) << b;
            EXPECT_EQ(*back, one) << int(cp) << " byte " << b;
        }
    }
}

// python3's codecs as an independent table
TEST(CodePages, AgreeWithPythonCodecs) {
    const char* names[] = {"cp1252", "cp850", "cp437"};
    CodePage cps[] = {CodePage::Windows1252, CodePage::Oem850, CodePage::Oem437};
    for (int k = 0; k < 3; ++k) {
        std::string cmd = std::string(test_support::kPython3) +
                          " -c \"import sys; sys.stdout.buffer.write(bytes(range(256)).decode('" + names[k] +
                          "', errors='ignore').encode('utf-8'))\"";
        int status = -1;
        std::string out = test_support::capture(cmd, &status);
        if (status != 0) GTEST_SKIP() << "python3 failed";
        std::string all;
        for (int b = 0; b < 256; ++b) {
            if (k == 0 && (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)) continue;  // undefined in python
            all += char(b);
        }
        auto ours = core::from_utf8(out, cps[k]);
        ASSERT_TRUE(ours) << names[k];
        EXPECT_EQ(*ours, all) << names[k];
    }
}

TEST(CodePages, UpperCasesAccentedLetters) {
    struct Case {
        const char* in;
        const char* up;
    } cases[] = {
        {"ação", "AÇÃO"}, {"éèêëíóôõúüñ", "ÉÈÊËÍÓÔÕÚÜÑ"}, {"ÿšœž", "ŸŠŒŽ"}, {"ß µ ÷", "ß µ ÷"},
        {"日本 abc", "日本 ABC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::utf8_upper(c.in), c.up);
        EXPECT_EQ(core::utf8_lower(c.up), std::string(c.in) == "ß µ ÷" ? "ß µ ÷" : std::string(c.in) == "日本 abc" ? "日本 abc" : c.in);
    }
    EXPECT_EQ(core::cp1252_upper("\xE7\xE3o\xFF"), std::string("\xC7\xC3O\x9F"));
    EXPECT_EQ(core::utf8_upper("a\xFF" "b"), "A\xFF" "B");  // invalid byte passes through
}

TEST(CodePages, LengthsAndCutsCountCharacters) {
    struct Case {
        const char* text;
        std::size_t length;
        std::size_t cut;
        const char* prefix;
    } cases[] = {
        {"", 0, 2, ""},
        {"SPX", 3, 2, "SP"},
        {"SÉX", 3, 2, "SÉ"},        // two bytes for É: never half of it
        {"ÉÇ", 2, 1, "É"},
        {"日本語", 3, 2, "日本"},
        {"a😀b", 3, 2, "a😀"},
        {"\xC3" "X", 2, 1, "\xC3"},  // a broken sequence is one character per byte
        {"ab", 2, 5, "ab"},
        {"ab", 2, 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::utf8_length(c.text), c.length) << c.text;
        EXPECT_EQ(core::utf8_prefix(c.text, c.cut), c.prefix) << c.text;
    }
}

TEST(CodePages, Utf16UnitsOfUtf8AndBack) {
    struct Case {
        std::string utf8;
        std::vector<std::uint16_t> units;
    } cases[] = {
        {"", {}},
        {"Aç€", {0x41, 0xE7, 0x20AC}},
        {"\xF0\x9F\x98\x80", {0xD83D, 0xDE00}},  // above U+FFFF: a surrogate pair
    };
    for (const Case& c : cases) {
        EXPECT_EQ(core::utf8_to_utf16(c.utf8), c.units) << c.utf8;
        EXPECT_EQ(core::utf16_to_utf8(c.units), c.utf8) << c.utf8;
    }
    // A malformed byte and a lone surrogate become U+FFFD.
    EXPECT_EQ(core::utf8_to_utf16("a\xFF"), (std::vector<std::uint16_t>{0x61, 0xFFFD}));
    const std::vector<std::uint16_t> lone{0xD800, 0x41, 0xDC00};
    EXPECT_EQ(core::utf16_to_utf8(lone), "\xEF\xBF\xBD" "A\xEF\xBF\xBD");
}
