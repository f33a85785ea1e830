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
    Outcome r = run(test_support::oracle_command("stdnum_check_digits.py") + " " + tool() + " 10000");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("10000 inputs, 0 failures"), std::string::npos) << r.output;
}

TEST(Oracle, BarCodesAndTypedLinesOfRandomTitles) {
    Outcome r = run(test_support::oracle_command("boleto_codes.py") + " " + tool() + " 1000");
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

TEST(Tool, FormatTakesAFillOfOneCharacter) {
    EXPECT_EQ(run(tool() + " format ação 5 --left --fill x").output, "ACAOX\n");
    EXPECT_EQ(run(tool() + " format ação 5 --left --fill É").output, "ACAO \n");  // not a digit or letter
    EXPECT_NE(run(tool() + " format ação 5 --fill xy").status, 0);
}

TEST(Tool, BoletoRefusesAFreeFieldThatIsNot25Digits) {
    // Bank 104 takes its nosso número as stored: 9 digits make a 24-character free field.
    const std::string title =
        R"({"NossoNumero":"123456789","Cedente":{"CodigoCedente":"1","ContaBancaria":{"CodigoAgencia":"1"}}})";
    Outcome r = run("echo '" + title + "' | " + tool() + " boleto --bank 104 -");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("O campo livre do banco 104 não tem 25 dígitos"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("CodigoBarras"), std::string::npos) << r.output;

    Outcome bad = run("echo '{\"Nosso\":\"1\"}' | " + tool() + " boleto --bank 001 -");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.output.find("Campo desconhecido em Titulo: \"Nosso\""), std::string::npos) << bad.output;
}

TEST(Tool, BoletoRefusesInputThatWouldMakeAnotherBoleto) {
    const std::string payee =
        R"("Cedente":{"CodigoCedente":"1234","ContaBancaria":{"CodigoAgencia":"1234","NumeroConta":"5"}})";
    auto title = [&](const std::string& fields) {
        return "{" + fields + (fields.find("Carteira") == std::string::npos ? R"(,"Carteira":"9",)" : ",") + payee + "}";
    };
    const std::string ok = title(R"("NossoNumero":"12345678901")");
    struct Case {
        std::string bank;
        std::string json;
        std::string message;
    } cases[] = {
        {"1237", ok, "Código de banco inválido: \"1237\" (esperados até 3 dígitos)"},
        {"-237", ok, "Código de banco inválido: \"-237\" (esperados até 3 dígitos)"},
        {"9999", ok, "Código de banco inválido: \"9999\" (esperados até 3 dígitos)"},
        {"23a", ok, "Código de banco inválido: \"23a\" (esperados até 3 dígitos)"},
        {"''", ok, "Código de banco inválido: \"\" (esperados até 3 dígitos)"},
        {"237", title(R"("NossoNumero":"123456789012")"),
         "O nosso número \"123456789012\" não cabe no campo de 11 caracteres do banco 237: boleto não gerado"},
        {"748", title(R"("NossoNumero":"123456")"),
         "O nosso número \"123456\" não cabe no campo de 5 caracteres do banco 748: boleto não gerado"},
        {"237", title(R"("NossoNumero":"1","NossoNumero":"2")"), "Chave repetida no JSON: \"NossoNumero\""},
        {"237", title(R"("MargemBoleto":4294967297)"),
         "Valor inválido em \"MargemBoleto\": esperado inteiro de -2147483648 a 2147483647"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bank + " " + c.json);
        Outcome r = run("echo '" + c.json + "' | " + tool() + " boleto --bank " + c.bank + " -");
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("CodigoBarras"), std::string::npos) << r.output;
    }
    // In a list, the one title is refused and the others are made.
    Outcome list = run("echo '[" + title(R"("NossoNumero":"123456789012")") + "," + ok + "]' | " + tool() +
                       " boleto --bank 237 -");
    EXPECT_NE(list.status, 0);
    EXPECT_NE(list.output.find("Título 1 (Nosso Número: 123456789012): O nosso número"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("\"CodigoBarras\":\"2379"), std::string::npos) << list.output;
    // The bank command takes the same codes.
    Outcome bank = run(tool() + " bank 1237");
    EXPECT_NE(bank.status, 0);
    EXPECT_EQ(bank.output, "billing-tool: Código de banco inválido: \"1237\" (esperados até 3 dígitos)\n");
    // What fits is made: 11 digits at 237, 1 for 001, 17 digits in bank 001's carteira 18.
    EXPECT_EQ(run("echo '" + ok + "' | " + tool() + " boleto --bank 237 -").status, 0);
    EXPECT_EQ(run("echo '" + ok + "' | " + tool() + " boleto --bank 1 -").status, 0);
    const std::string n17 = title(R"("NossoNumero":"12345678901234567","Carteira":"18")");
    Outcome r17 = run("echo '" + n17 + "' | " + tool() + " boleto --bank 001 -");
    EXPECT_EQ(r17.status, 0) << r17.output;
    EXPECT_NE(r17.output.find("12345678901234567"), std::string::npos) << r17.output;
}

}  // namespace

namespace {

// What a bar code carries must come whole from the title: a number that does
// not fit, a field the bank's bar code reads left blank, or a title of another
// bank is refused naming the field, never turned into a boleto.
TEST(Tool, BoletoRefusesTitlesItWouldAlter) {
    const struct {
        std::string bank;
        std::string json;
        std::string message;
    } cases[] = {
        {"341", R"({"NossoNumero":"1","Carteira":"109","Cedente":{"ContaBancaria":{"CodigoAgencia":"12345","NumeroConta":"1"}}})",
         "O valor \"12345\" de Cedente.ContaBancaria.CodigoAgencia não cabe no campo de 4 caracteres"},
        {"341", R"({"NossoNumero":"1","Carteira":"109","Cedente":{"ContaBancaria":{"CodigoAgencia":"1","NumeroConta":"9912345"}}})",
         "O valor \"9912345\" de Cedente.ContaBancaria.NumeroConta não cabe no campo de 5 caracteres"},
        {"237", R"({"NossoNumero":"1","Carteira":"9","Cedente":{"ContaBancaria":{"CodigoAgencia":"91234","NumeroConta":"1"}}})",
         "O valor \"91234\" de Cedente.ContaBancaria.CodigoAgencia não cabe no campo de 4 caracteres"},
        {"341", "{}", "Falta Cedente.ContaBancaria.CodigoAgencia, que o código de barras do banco 341 exige"},
        {"237", R"({"NossoNumero":"1","Cedente":{"ContaBancaria":{"CodigoAgencia":"1","NumeroConta":"1"}}})",
         "Falta Carteira, que o código de barras do banco 237 exige"},
        {"341", R"({"NossoNumero":"1","Carteira":"109","Cedente":{"ContaBancaria":{"Banco":{"Codigo":"237"},"CodigoAgencia":"1","NumeroConta":"1"}}})",
         "Titulo não pertence ao banco 341 - Banco Itaú S.A. (Cedente.ContaBancaria.Banco.Codigo é 237)"},
        {"341", R"({"NossoNumero":"1","Carteira":"109","Cedente":{"ContaBancaria":{"CodigoAgencia":"1234","NumeroConta":"67890","DigitoConta":"1"}}})",
         "DigitoConta 1 não confere com o dígito 0 da agência 1234 e conta 67890 do banco 341"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const Outcome r = run("echo '" + c.json + "' | " + tool() + " boleto --bank " + c.bank + " -");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("CodigoBarras"), std::string::npos) << r.output;
    }
    // The same account with its own digit makes the boleto.
    const Outcome ok = run(R"(echo '{"NossoNumero":"1","Carteira":"109","Cedente":{"ContaBancaria":{"CodigoAgencia":"1234","NumeroConta":"67890","DigitoConta":"0"}}}' | )" +
                           tool() + " boleto --bank 341 -");
    EXPECT_EQ(ok.status, 0) << ok.output;
}

}  // namespace
