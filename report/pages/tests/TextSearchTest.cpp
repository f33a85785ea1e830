// Text search over the text records of a page.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/core/ByteOrder.h"
#include "platform/graphics/tests/FixedFontEngine.h"
#include "report/pages/BRTextSearch.h"

namespace {

using TextSearch = test_support::FixedFontTest;

std::unique_ptr<TMetafile> page_with(const std::vector<std::string>& lines) {
    auto page = std::make_unique<TMetafile>();
    page->SetWidth(794);
    page->SetHeight(1123);
    TMetafileCanvas c(*page);
    c.MoveTo(0, 0);
    c.LineTo(100, 100);
    int y = 10;
    for (const std::string& line : lines) c.TextOut(10, y += 20, line);
    return page;
}

TEST_F(TextSearch, FindsCharactersWithAndWithoutMatchCase) {
    struct Case {
        std::string page, text;
        bool matchCase, found;
    };
    const Case cases[] = {
        {"HELLO WORLD", "hello", false, true},
        {"hello world", "WORLD", false, true},
        {"HELLO WORLD", "hello", true, false},
        {"HELLO WORLD", "HELLO", true, true},
        {"Hello World", "o W", true, true},
        {"HELLO WORLD", "", false, false},
        {"", "a", false, false},
        {"HELLO", "HELLO WORLD", false, false},
        // characters, not the low byte of each UTF-16 unit
        {"œuvre", "S", false, false},
        {"œuvre", "SUVRE", false, false},
        {"ŒUVRE", "œuvre", false, true},
        {"Preço: € 10", "€ 1", true, true},
        {"Preço: € 10", "¬", false, false},
        {"INFORMAÇÃO", "informação", false, true},
        {"INFORMAÇÃO", "informação", true, false},
        {"façade", "FAÇADE", false, true},
        {"Ÿ", "ÿ", false, true},
        {"Straße", "STRASSE", false, false},
        {"Straße", "STRAßE", false, true},
        {"Łódź", "ŁÓDŹ", false, true},
        {"ПРИВЕТ мир", "привет МИР", false, true},
        {"ΣΟΦΟΣ", "σοφος", false, true},
        {"smile 😀 here", "😀", true, true},
        {"smile 😀 here", "😁", false, false},
    };
    for (const Case& c : cases) {
        const auto page = page_with({"12345", c.page, "67890"});
        EXPECT_EQ(FindTextInPage(c.text, *page, c.matchCase), c.found)
            << "\"" << c.text << "\" in \"" << c.page << "\" match case " << c.matchCase;
    }
    EXPECT_FALSE(report::TextSearchBusy());
}

TEST_F(TextSearch, EachRecordIsSearchedOnItsOwn) {
    const auto page = page_with({"Grand", "Total"});
    EXPECT_TRUE(FindTextInPage("Total", *page, true));
    EXPECT_FALSE(FindTextInPage("GrandTotal", *page, false));
    EXPECT_EQ(report::PageTexts(*page), (std::vector<std::string>{"Grand", "Total"}));
    EXPECT_FALSE(FindTextInPage("x", TMetafile(), false));
}

// A text record built by hand: the 36 bytes before the text block, then
// reference point, nChars, offString, options, rectangle, offDx, the string.
std::vector<std::uint8_t> text_record(std::uint32_t type, std::uint32_t chars, std::uint32_t offset,
                                      const std::vector<std::uint8_t>& string) {
    std::vector<std::uint8_t> b(76 + string.size(), 0);
    core::put_le32(b.data(), type);
    core::put_le32(b.data() + 4, std::uint32_t(b.size()));
    core::put_le32(b.data() + 44, chars);
    core::put_le32(b.data() + 48, offset);
    for (std::size_t i = 0; i < string.size(); ++i) b[76 + i] = string[i];
    return b;
}

TEST(RecordText, ReadsOnlyStringsInsideTheRecord) {
    struct Case {
        const char* name;
        std::uint32_t type, chars, offset;
        std::vector<std::uint8_t> string;
        std::u32string text;
    };
    const Case cases[] = {
        {"single-byte text is Windows-1252", 83, 4, 76, {'a', 0x80, 0xE7, 'Z'}, U"a\u20ACçZ"},
        {"UTF-16 text", 84, 2, 76, {0x53, 0x01, 0x41, 0x00}, U"\u0153A"},
        {"a surrogate pair", 84, 2, 76, {0x3D, 0xD8, 0x00, 0xDE}, U"\U0001F600"},
        {"a lone surrogate", 84, 1, 76, {0x3D, 0xD8}, U"\uFFFD"},
        {"string past the end", 84, 3, 76, {'a', 0, 'b', 0}, U""},
        {"offset past the end", 83, 1, 4000, {'a'}, U""},
        {"huge count", 84, 0x80000000u, 76, {'a', 0}, U""},
        {"offset inside the fields", 83, 2, 0, {}, std::u32string(U"S\0", 2)},
        {"not a text record", 82, 1, 76, {'a'}, U""},
    };
    for (const Case& c : cases) {
        const auto bytes = text_record(c.type, c.chars, c.offset, c.string);
        EXPECT_EQ(report::RecordText({c.type, std::span(bytes)}), c.text) << c.name;
    }
    const std::vector<std::uint8_t> short_record(40, 0);
    EXPECT_EQ(report::RecordText({84, std::span(short_record)}), U"") << "a record too short for its fields";
}

TEST(RecordText, MatcherFoldsSingleByteText) {
    const auto bytes = text_record(83, 7, 76, {'C', 'a', 'f', 0xE9, ' ', 0x80, '5'});
    const TMetafile::Record record{83, std::span(bytes)};
    EXPECT_TRUE(report::TextMatcher("CAFÉ", false).MatchTextRecord(record));
    EXPECT_FALSE(report::TextMatcher("CAFÉ", true).MatchTextRecord(record));
    EXPECT_TRUE(report::TextMatcher("€5", true).MatchTextRecord(record));
}

}  // namespace
