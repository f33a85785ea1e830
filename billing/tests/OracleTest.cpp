// billing-tool checked from the outside by the python3-stdnum and bar-code
// oracles of tests/oracles (Debian's /usr/bin/python3).

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct Outcome {
    int status;
    std::string output;
};

Outcome run(const std::string& command) {
    Outcome r{-1, {}};
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return r;
    std::array<char, 4096> buf;
    while (std::size_t n = fread(buf.data(), 1, buf.size(), p)) r.output.append(buf.data(), n);
    r.status = pclose(p);
    return r;
}

std::string tool() { return std::string(TAMBLERO_BINARY_DIR) + "/bin/billing-tool"; }
std::string oracle(const char* name) { return std::string(TAMBLERO_SOURCE_DIR) + "/tests/oracles/" + name; }

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
