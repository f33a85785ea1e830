// Check-digit functions and the field formatter.

#include "billing/cbCob021.h"
#include "billing/cbCobranca.h"

#include <gtest/gtest.h>

namespace {

struct DigitCase {
    const char* function;  // "mod10", "mod11", "mod11d"
    const char* digits;
    int base;
    bool raw;
    const char* expected;
};

std::string compute(const DigitCase& c) {
    std::string f = c.function;
    if (f == "mod10") return Modulo10(c.digits);
    if (f == "mod11") return Modulo11(c.digits, c.base, c.raw);
    return Modulo11Decrescente(c.digits, c.base, c.raw);
}

TEST(CheckDigits, KnownValues) {
    const DigitCase cases[] = {
        {"mod10", "", 0, false, "0"},
        {"mod10", "0", 0, false, "0"},
        {"mod10", "1", 0, false, "8"},   // weight 2, sum 2
        {"mod10", "5", 0, false, "9"},   // product 10 counts 1
        {"mod10", "7992739871", 0, false, "3"},  // the Luhn example number
        {"mod11", "001", 9, false, "9"},
        {"mod11", "001", 9, true, "2"},
        {"mod11", "237", 9, false, "2"},
        {"mod11", "341", 9, false, "7"},
        {"mod11", "104", 9, false, "0"},
        {"mod11", "748", 9, false, "0"},
        {"mod11", "", 9, false, "0"},
        {"mod11", "", 9, true, "0"},
        // 4 * 2 + 1 * 3 = 11: remainder 0 gives 0 raw and not raw.
        {"mod11", "14", 9, false, "0"},
        {"mod11", "14", 9, true, "0"},
        // 6 * 2 = 12: remainder 1 gives 0 not raw, 1 raw.
        {"mod11", "6", 9, false, "0"},
        {"mod11", "6", 9, true, "1"},
        // 5 * 2 = 10: raw remainder 10 has two characters.
        {"mod11", "5", 9, true, "10"},
        // Base below 3: every weight is 2 (1*2 + 1*2 + 1*2 = 6, 11 - 6 = 5).
        {"mod11", "111", 2, false, "5"},
        // Weights restart at 2 after the base: 1*2 + 1*3 + 1*2 = 7 with base 3.
        {"mod11", "111", 3, true, "7"},
        {"mod11d", "", 9, false, "1"},
        {"mod11d", "", 9, true, "0"},
        // Weights 9, 8, ..., 2, then 9 again, from the last digit.
        {"mod11d", "1", 9, true, "9"},
        {"mod11d", "10000000", 9, true, "2"},   // the eighth digit from the right has weight 2
        {"mod11d", "100000000", 9, true, "9"},  // the ninth weight restarts at 9
        {"mod11d", "11", 9, true, "6"},        // 9 + 8 = 17, remainder 6
        {"mod11d", "5", 2, true, "10"},        // raw may return 10
        {"mod11d", "5", 2, false, "1"},        // remainders 0 and 1 give 1; 10 gives 11 - 10 = 1
        {"mod11d", "0", 9, false, "1"},
    };
    for (const DigitCase& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " '" + c.digits + "' base " + std::to_string(c.base));
        EXPECT_EQ(compute(c), c.expected);
    }
}

TEST(CheckDigits, NonDigitRaisesTheConversionError) {
    const char* inputs[] = {"12a4", " 1", "1-2", "12.", "ç"};
    for (const char* in : inputs) {
        SCOPED_TRACE(in);
        EXPECT_THROW(Modulo10(in), EConvertError);
        EXPECT_THROW(Modulo11(in, 9, false), EConvertError);
        EXPECT_THROW(Modulo11Decrescente(in, 9, true), EConvertError);
        EXPECT_THROW(CalcularDuploDigito(in), EConvertError);
    }
    try {
        Modulo11("12a4", 9, false);
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'a' is not a valid integer value");
    }
}

TEST(CheckDigits, DuploDigitoNeverUsesRemainderOne) {
    // Every two-digit check satisfies: d2 is the modulo-11 (base 7) digit of the
    // text and d1, whose remainder is never 1, and d1 is the modulo-10 digit
    // raised (9 wraps to 0) as often as needed.
    int raised = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string text = std::to_string(1000003LL * i + 17);
        std::string dd = CalcularDuploDigito(text);
        ASSERT_EQ(dd.size(), 2u);
        int r = std::stoi(Modulo11(text + dd.substr(0, 1), 7, true));
        EXPECT_NE(r, 1) << text;
        EXPECT_EQ(dd[1] - '0', r == 0 ? 0 : 11 - r) << text;
        if (dd.substr(0, 1) != Modulo10(text)) ++raised;
    }
    EXPECT_GT(raised, 0);  // the raise path was taken
}

struct FormatCase {
    const char* text;
    int width;
    bool left;
    char fill;
    const char* expected;
};

TEST(Formatar, Cases) {
    const FormatCase cases[] = {
        {"José", 6, true, ' ', "JOSE  "},
        {"José", 6, false, '0', "00JOSE"},
        {"00123456", 6, false, '0', "123456"},  // only zeros are cut away
        {"12345600", 6, true, '0', "123456"},
        {"JOSE DA SILVA", 4, true, ' ', "JOSE"},  // a text loses letters, never digits
        {"12", 5, false, '-', "   12"},         // a hyphen fill pads with blanks
        {"12", 5, true, 'x', "12XXX"},          // a small letter fill comes out in capitals
        {"a?b", 3, true, ' ', "A B"},           // the question mark becomes a blank
        {"ab?", 4, true, '0', "AB 0"},          // after trimming: the blank stays
        {"  12  ", 4, false, '0', "0012"},      // leading and trailing blanks never count
        {"\t12\r\n", 3, false, '0', "012"},     // control characters are trimmed too
        {"", 3, false, '0', "000"},
        {"   ", 2, true, ' ', "  "},
        {"abc", 0, false, '0', ""},
        {"abc", -2, true, ' ', ""},
        {"ÀÁÂÃÄ ÇÈÉÊË", 11, true, ' ', "AAAAA CEEEE"},
        {"ìíîï ñòóôõö ùúûü", 16, true, ' ', "IIII NOOOOO UUUU"},
        {"ÅÆÐ×ØÝß€", 8, true, ' ', "        "},  // no plain letter: blanks
        {"São Paulo", 12, true, ' ', "SAO PAULO   "},
        {"ação", 4, false, '0', "ACAO"},
        {"çãoÉ日本", 5, true, ' ', "CAOE "},    // widths count characters, not bytes
        {"日本çã", 3, false, '0', " CA"},
        {"a\x01z", 3, true, ' ', "A Z"},        // an inner control character becomes a blank
        {"\xff\xfe", 2, true, '0', "  "},       // bytes that are not UTF-8 become blanks
        {"~{}|", 4, true, ' ', "~{}|"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' width " + std::to_string(c.width));
        EXPECT_EQ(Formatar(c.text, c.width, c.left, c.fill), c.expected);
    }
}

// A number that does not fit its field is refused instead of losing digits on
// either side (agency 12345 in four positions would become 2345).
TEST(Formatar, RefusesToLoseDigits) {
    const FormatCase cases[] = {
        {"12345", 4, false, '0', ""},  {"123456", 4, true, '0', ""},       {"91234", 4, false, ' ', ""},
        {"AB1", 2, true, ' ', ""},     {"  9912345 ", 5, false, '0', ""},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' width " + std::to_string(c.width));
        try {
            Formatar(c.text, c.width, c.left, c.fill);
            ADD_FAILURE() << "cut without refusal";
        } catch (const billing::ECampoNaoCabe& e) {
            EXPECT_EQ(e.Largura(), c.width);
            EXPECT_NE(e.Message().find("não cabe no campo de " + std::to_string(c.width) + " caracteres"),
                      std::string::npos);
        }
    }
    // The bank code setter keeps the last three characters, as the model says.
    TcbBanco banco;
    banco.SetCodigo("1234");
    EXPECT_EQ(banco.Codigo(), "234");
}

}  // namespace
