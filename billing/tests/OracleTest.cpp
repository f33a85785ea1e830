// billing-tool checked from the outside by the python3-stdnum and bar-code
// oracles of tests/oracles (Debian's /usr/bin/python3).

#include "billing/tests/RunTool.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using billing_test::oracle;
using billing_test::Outcome;
using billing_test::run;
using billing_test::tool;

TEST(Oracle, CheckDigitsAgreeWithStdnum) {
    Outcome r = run("/usr/bin/python3 " + oracle("stdnum_check_digits.py") + " " + tool() + " 10000");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("10000 inputs, 0 failures"), std::string::npos) << r.output;
}

TEST(Oracle, BarCodesAndTypedLinesOfRandomTitles) {
    Outcome r = run("/usr/bin/python3 " + oracle("boleto_codes.py") + " " + tool() + " 1000");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(", 0 failures"), std::string::npos) << r.output;
}

TEST(Tool, BankCommand) {
    Outcome ok = run(tool() + " bank 1");
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.output, "001\t9\tBANCO DO BRASIL\n");
    Outcome missing = run(tool() + " bank 002");
    EXPECT_NE(missing.status, 0);
    EXPECT_EQ(missing.output, "billing-tool: O banco 002 não está disponível\n");
}

TEST(Tool, BoletoRefusesAFreeFieldThatIsNot25Digits) {
    // Bank 104 takes its nosso número as stored: 12 digits make a 27-character free field.
    const std::string title =
        R"({"NossoNumero":"123456789012","Cedente":{"CodigoCedente":"1","ContaBancaria":{"CodigoAgencia":"1"}}})";
    Outcome r = run("echo '" + title + "' | " + tool() + " boleto --bank 104 -");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("O campo livre do banco 104 não tem 25 dígitos"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("CodigoBarras"), std::string::npos) << r.output;

    Outcome bad = run("echo '{\"Nosso\":\"1\"}' | " + tool() + " boleto --bank 001 -");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.output.find("Campo desconhecido em Titulo: \"Nosso\""), std::string::npos) << bad.output;
}

}  // namespace
