// The digit-scheme table: each scheme's worked examples, the appended digits
// the client bank classes share, and the engine's helpers running on it.

#include "billing/DigitSchemes.h"
#include "billing/cbCobranca.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct Case {
    const char* scheme;
    const char* digits;
    int base;  // 0: the scheme's own
    const char* expected;
};

TEST(DigitSchemes, Examples) {
    const Case cases[] = {
        // Appended modulo-11 digit: weights 2, 3, 4, ... never restarting.
        {"dv11", "", 0, "0"},
        {"dv11", "0", 0, "00"},
        {"dv11", "1", 0, "19"},
        {"dv11", "5", 0, "51"},    // remainder 10
        {"dv11", "28", 0, "280"},  // remainder 0
        {"dv11", "37", 0, "370"},  // remainder 1
        {"dv11", "12345678", 0, "123456789"},
        {"dv11", "3", 0, "35"},  // 3 x 2 = 6, remainder 6
        {"dv11", "1234567890123", 0, "12345678901231"},  // weights 2 to 14, remainder 10
        // Safra's appended digit: remainder 0 gives 1, remainder 1 gives 0.
        {"dv11-safra", "12345678", 0, "123456789"},
        {"dv11-safra", "00000000", 0, "000000001"},
        {"dv11-safra", "", 0, "1"},
        {"dv11-safra", "37", 0, "370"},
        {"dv11-safra", "28", 0, "281"},
        // SICOOB: weights 3, 1, 9, 7 from the left.
        {"sicoob", "000100000000010000001", 0, "0"},  // remainder 0
        {"sicoob", "000100000000010000005", 0, "0"},  // remainder 1
        {"sicoob", "000100000000010000008", 0, "1"},  // remainder 10
        {"sicoob", "123412345678901234567", 0, "9"},
        // Caixa: modulo 11 with base 9.
        {"caixa", "12345678901234567", 0, "5"},
        {"caixa", "409", 0, "0"},
        // Bradesco: base 7, remainder 1 gives P.
        {"bradesco", "0000000000006", 0, "P"},
        {"bradesco", "0000000000000", 0, "0"},
        // Banco do Brasil: descending weights, the remainder itself, 10 as X.
        {"bb", "00000000006", 0, "X"},
        {"bb", "00000000001", 0, "9"},
        // The engine's helpers and a client model's modulo-11 variant.
        {"mod10", "", 0, "0"},
        {"mod10", "01231234510900000001", 0, "6"},  // agency 0123, account 12345, carteira 109, nosso número 1
        {"mod11", "409", 9, "0"},
        {"mod11-one", "409", 9, "1"},
        {"mod11-one", "756", 9, "1"},  // remainder 0
        {"mod11-one", "001", 9, "9"},
        {"mod11d", "00000000001", 9, "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.scheme) + " " + c.digits);
        const billing::DigitScheme* s = billing::find_digit_scheme(c.scheme);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(billing::digit_of(*s, c.digits, c.base), c.expected);
    }
}

TEST(DigitSchemes, AppendingFunctions) {
    const std::pair<const char*, const char*> dv11[] = {
        {"", "0"}, {"0", "00"}, {"1", "19"}, {"5", "51"}, {"28", "280"}, {"37", "370"}, {"12345678", "123456789"},
    };
    for (auto [in, out] : dv11) EXPECT_EQ(AcrescentarDVModulo11(in), out) << in;
    EXPECT_EQ(AcrescentarDVModulo11Safra("12345678"), "123456789");
    EXPECT_EQ(AcrescentarDVModulo11Safra("00000000"), "000000001");
    EXPECT_EQ(AcrescentarDVModulo11Safra(""), "1");
    // Taken as given: no trimming, so a blank is a conversion error.
    EXPECT_THROW(AcrescentarDVModulo11("123 "), EConvertError);
    EXPECT_THROW(AcrescentarDVModulo11Safra("1-2"), EConvertError);
}

TEST(DigitSchemes, EveryRowIsWellFormed) {
    std::set<std::string> names;
    for (const billing::DigitScheme& s : billing::digit_schemes()) {
        SCOPED_TRACE(std::string(s.name));
        EXPECT_TRUE(names.insert(std::string(s.name)).second) << "named twice";
        EXPECT_TRUE(s.modulus == 10 || s.modulus == 11);
        EXPECT_EQ(s.weights == billing::Weights::PatternFromLeft, !s.pattern.empty());
        EXPECT_FALSE(s.about.empty());
        // A non-digit is the class library's conversion error in every scheme.
        EXPECT_THROW(billing::digit_of(s, "12a4", 9), EConvertError);
    }
}

TEST(DigitSchemes, RawRemainders) {
    EXPECT_EQ(billing::remainder_of(billing::scheme_modulo11(), "409", 9), "1");
    EXPECT_EQ(billing::remainder_of(billing::scheme_modulo11_one(), "409", 9), "1");
    EXPECT_EQ(Modulo11("0000000000006", 7, true), "1");
    EXPECT_EQ(Modulo11Decrescente("00000000006", 9, true), "10");
}

}  // namespace
