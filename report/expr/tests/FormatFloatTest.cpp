// Number masks (FORMATNUMERIC), checked against a python3 decimal oracle.
#include <gtest/gtest.h>

#include "report/expr/tests/ExprTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

const char* const kMasks[] = {
    "0", "0.00", "#.##", "#,##0.00", "#,##0", "000000", "0.###", "#", "#0.0#", "0.0000000",
    "0.0E+00", "0.00E-00", "00.0e+0", "#.##E+0", "$#,##0.00;($#,##0.00)", "0.00;-0.00;'zero'",
    "\"Total: \"0.0", "0%", "#,##0.00 'kg'", "0.0;;nil", "'a;b'0", "00-00", "#,#", "0.0.0",
};

const char* const kValues[] = {
    "0", "1", "-1", "0.5", "1.5", "2.5", "-2.5", "0.005", "0.015", "1.005", "2.675", "1234567.891",
    "-1234567.891", "999.995", "0.0001", "123456789012", "1e-10", "1e15", "9.99999", "-0.004", "100",
    "0.125", "-0.125", "99.5", "12345.6789", "7",
};

TEST(FormatFloat, AgreesWithTheDecimalOracleOverMasksAndValues) {
    test_support::ScratchDir dir("format-float");
    std::string lines;
    for (const char* mask : kMasks)
        for (const char* value : kValues) {
            double v = StrToFloat(value, TFormatSettings());
            lines += std::string(mask) + "\t" + value + "\t" + FormatFloat(mask, v, TFormatSettings()) + "\n";
        }
    test_support::write_file(dir / "cases.tsv", lines);
    auto r = test_support::run(test_support::oracle_command("format_float.py") + " " +
                               test_support::shell_quote(dir / "cases.tsv"));
    EXPECT_EQ(r.status, 0) << r.output;
}

struct Case {
    const char* mask;
    double value;
    const char* expected;
};

TEST(FormatFloat, WritesTheUsualMasks) {
    const Case cases[] = {
        {"0.00", 3, "3.00"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"0.00", 2.675, "2.68"},    // 15 significant digits first, then half away from zero
        {"0.00", -2.675, "-2.68"},
        {"0", 2.5, "3"},
        {"0", -0.4, "0"},           // no sign on a value that rounds to zero
        {"#.##", 0.5, ".5"},
        {"0.0E+00", 1234.5, "1.2E+03"},
        {"0.00E-00", 0.000123, "1.23E-04"},
        {"$#,##0.00;($#,##0.00)", -5, "($5.00)"},
        {"0.00;-0.00;'zero'", 0.001, "zero"},
        {"00-00", 1234, "12-34"},
        {"", 1.5, "1.5"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.mask, c.value, TFormatSettings()), c.expected) << c.mask;
    TFormatSettings comma;
    comma.DecimalSeparator = ',';
    comma.ThousandSeparator = '.';
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, comma), "1.234,50");
}

TEST(FormatFloat, RefusesValuesThatAreNotFinite) {
    EXPECT_THROW(FormatFloat("0.00", std::numeric_limits<double>::infinity(), TFormatSettings()), EConvertError);
    EXPECT_THROW(FormatFloat("0.00", std::numeric_limits<double>::quiet_NaN(), TFormatSettings()), EConvertError);
}

}  // namespace
