// billing-tool's model commands and --model option, and the digit-scheme
// oracle of tests/oracles (Debian's /usr/bin/python3 with python3-stdnum).

#include "billing/ModelProfile.h"
#include "billing/Startup.h"
#include "billing/clients/Startup.h"
#include "billing/tests/RunTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

namespace {

using billing_test::oracle;
using billing_test::Outcome;
using billing_test::run;
using billing_test::tool;

TEST(ModelTool, DigitSchemesAgreeWithTheOracle) {
    Outcome r = run("/usr/bin/python3 " + oracle("digit_schemes.py") + " " + tool() + " 10000");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(", 0 failures"), std::string::npos) << r.output;
}

TEST(ModelTool, ClassesListsEachModelUnitOnceAndEveryBankClassWithItsUnit) {
    billing::unit_startup();
    billing::clients::unit_startup();
    Outcome r = run(tool() + " classes");
    ASSERT_EQ(r.status, 0) << r.output;
    std::map<std::string, int> units;
    std::map<std::string, std::string> classes;
    std::istringstream in(r.output);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string kind, name, rest;
        fields >> kind >> name >> rest;
        if (kind == "model") ++units[name];
        if (kind == "class") classes[name] = rest;
    }
    std::map<std::string, int> expected;
    for (const billing::ModelProfile* p : billing::model_profiles()) ++expected[std::string(p->unit)];
    EXPECT_EQ(units, expected);
    EXPECT_EQ(units.size(), 38u);
    EXPECT_EQ(std::count_if(classes.begin(), classes.end(), [](const auto& c) { return c.first.starts_with("TcbBanco"); }),
              24);
    EXPECT_EQ(classes["TcbBanco748"], "cbcob748");
    EXPECT_NE(r.output.find("model\tKavrinoCobrancaItauSafra\tfull\tTKavrinoTituloItauSafra\t"
                            "TKavrinoBanco<ccc>Safra\tTKavrinoBanco<ccc>Safra\n"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("model\tSeltravoCobranca\tpartial\t-\t-\t-\n"), std::string::npos) << r.output;
}

TEST(ModelTool, CommandsWithAModel) {
    const struct {
        std::string args;
        bool ok;
        std::string output;
    } cases[] = {
        {"digit --model MovrentaCobranca mod11 409 9", true, "1\n"},
        {"digit mod11 409 9", true, "0\n"},
        {"digit --model MovrentaCobranca mod11 409 9 --raw", true, "1\n"},
        {"digit --model BenthavorCobranca mod11 12 9", false, "billing-tool: BenthavorCobranca não tem Modulo11\n"},
        {"digit --model DorvessaCobranca mod10 12", false, "billing-tool: DorvessaCobranca não tem Modulo10\n"},
        {"digit --model PrentalvaCobranca mod11d 12 9", false,
         "billing-tool: PrentalvaCobranca não tem Modulo11Decrescente\n"},
        {"digit scheme dv11 12345678", true, "123456789\n"},
        {"digit scheme mod11 409", false, "billing-tool: o esquema mod11 pede uma BASE\n"},
        {"bank --model DorvessaCobranca 33", false, "billing-tool: O banco 033 não está disponível\n"},
        {"bank --model HalvekCobranca 33", false,
         "billing-tool: HalvekCobranca não tem classe de banco (cópia parcial)\n"},
        {"bank --model NoSuchCobranca 1", false, "billing-tool: Modelo desconhecido: \"NoSuchCobranca\"\n"},
        {"lookup DorvessaCobranca digito 033", false,
         "billing-tool: Os boletos para o banco 033 não estão disponíveis\n"},
        {"lookup DorvessaCobranca nome 33", false, "billing-tool: O banco 033 não está disponível\n"},
        {"lookup SarlentaCobrancaSICOOB digito 0", false,
         "billing-tool: Os boletos para o banco 000 não estão disponíveis\n"},
        {"lookup SeltravoCobranca digito 033", false, "billing-tool: SeltravoCobranca não tem DigitoNossoNumero\n"},
        {"lookup cbCobranca nome 1", true, "BANCO DO BRASIL\n"},
        {"lookup cbCobranca digito 237", true, "0\n"},
        {"new-title HalvekCobranca", false, "billing-tool: HalvekCobranca não tem classe de título (cópia parcial)\n"},
        {"layout --model DorvessaCobranca --bank 748 --record header", false,
         "billing-tool: --model não se aplica a layout\n"},
        {"format --model HalvekCobranca ação 5", true, " ACAO\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        Outcome r = run(tool() + " " + c.args);
        EXPECT_EQ(r.status == 0, c.ok) << r.output;
        EXPECT_EQ(r.output, c.output);
    }
}

TEST(ModelTool, NewTitleCarriesItsClassAndDefaults) {
    Outcome r = run(tool() + " new-title QuembraCobrancaBradescoUnicred");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("\"Classe\": \"TQuembraTituloBradescoUnicred\""), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\"LocalPagamento\": \"Pagavel preferencialmente na rede Bradesco ou Bradesco Expresso\""),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("\"EspecieDocumento\": \"edRecibo\""), std::string::npos) << r.output;
}

// A title filled in from what new-title prints is read back as the title of
// its model, "Classe" and "Modelo" included; a title read as another model's
// is refused naming the option that reads it as its own.
TEST(ModelTool, NewTitleIsReadBackByBoletoAndRemessa) {
    // Fills what a boleto and a remittance of bank 237 need, as a user edits the printed title.
    const std::string fill =
        "/usr/bin/python3 -c 'import json,sys; t=json.load(sys.stdin); "
        "t.update(NossoNumero=\"123\", Carteira=\"9\", DataVencimento=\"2025-03-10\", DataDocumento=\"2025-03-01\", "
        "DataProcessamento=\"2025-03-01\", ValorDocumento=\"10.00\"); "
        "t[\"Cedente\"].update(NumeroCPFCGC=\"12345678000199\", Nome=\"EMPRESA\", CodigoCedente=\"7\"); "
        "t[\"Cedente\"][\"ContaBancaria\"].update(CodigoAgencia=\"1\", NumeroConta=\"2\", Banco={\"Codigo\": \"237\"}); "
        "t[\"Sacado\"].update(Nome=\"FULANO\", NumeroCPFCGC=\"12345678901\"); "
        "print(json.dumps(t if len(sys.argv) < 2 else {\"DataArquivo\": \"2025-03-01\", \"Titulos\": [t]}))'";
    const std::string dir = ::testing::TempDir();
    const std::string title = dir + "/new-title.json", batch = dir + "/new-batch.json", out = dir + "/new.rem";
    ASSERT_EQ(run(tool() + " new-title cbCobranca | " + fill + " > " + title).status, 0);
    Outcome boleto = run(tool() + " boleto --bank 237 " + title);
    EXPECT_EQ(boleto.status, 0) << boleto.output;
    ASSERT_EQ(run(tool() + " new-title cbCobranca | " + fill + " batch > " + batch).status, 0);
    Outcome remessa = run(tool() + " remessa --bank 237 " + batch + " " + out);
    EXPECT_EQ(remessa.status, 0) << remessa.output;

    ASSERT_EQ(run(tool() + " new-title MovrentaCobranca | " + fill + " > " + title).status, 0);
    Outcome other = run(tool() + " boleto --bank 237 " + title);
    EXPECT_NE(other.status, 0);
    EXPECT_NE(other.output.find("\"Classe\" é TMovrentaTitulo, mas o título é lido como TcbTitulo"), std::string::npos)
        << other.output;
    Outcome own = run(tool() + " boleto --model MovrentaCobranca --class TcbBanco237 --bank 237 " + title);
    EXPECT_EQ(own.output.find("desconhecido"), std::string::npos) << own.output;
}

TEST(ModelTool, BoletoWithAModelLooksUpUnderItsRule) {
    const std::string title =
        R"({"NossoNumero":"1","Carteira":"9","Cedente":{"CodigoCedente":"1","ContaBancaria":{"CodigoAgencia":"1","NumeroConta":"2"}}})";
    // The engine's class for 033 is not the Halvek model's: THalvekBanco033 makes the boleto.
    const std::string carteira = R"({"NossoNumero":"1","Carteira":"101","Cedente":{"CodigoCedente":"1"}})";
    Outcome halvek = run("echo '" + carteira + "' | " + tool() + " boleto --model HalvekCobranca --bank 33 -");
    EXPECT_EQ(halvek.status, 0) << halvek.output;
    EXPECT_NE(halvek.output.find("\"CampoLivre\": \"9000000100000000000100101\""), std::string::npos) << halvek.output;
    Outcome other = run("echo '" + title + "' | " + tool() + " boleto --model HalvekCobranca --bank 409 -");
    EXPECT_NE(other.status, 0);
    EXPECT_EQ(other.output, "billing-tool: Os boletos para o banco 409 não estão disponíveis\n");
    Outcome seltravo = run("echo '" + title + "' | " + tool() + " boleto --model SeltravoCobranca --bank 33 -");
    EXPECT_EQ(seltravo.output, "billing-tool: SeltravoCobranca não procura classes de banco\n");
    // The engine's own boleto names its title class.
    Outcome engine = run("echo '" + title + "' | " + tool() + " boleto --bank 237 -");
    EXPECT_EQ(engine.status, 0) << engine.output;
    EXPECT_NE(engine.output.find("\"Classe\": \"TcbTitulo\""), std::string::npos) << engine.output;
}

}  // namespace
