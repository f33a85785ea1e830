// The boleto-only client classes (Santander, Caixa, Banco do Brasil, SICOOB),
// called as a boleto layer calls them: by class name and operation name.

#include "billing/Startup.h"
#include "billing/cbCobranca.h"
#include "billing/cbPlugin.h"
#include "billing/clients/BoletoOnlyClasses.h"
#include "billing/clients/Startup.h"
#include "billing/clients/tests/FamilyTestSupport.h"
#include "billing/tests/RunTool.h"

#include <gtest/gtest.h>

#include <regex>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using billing_test::Outcome;
using billing_test::run;
using billing_test::tool;
using family_test::cls;
using family_test::message_of;

// The title fields the rules read.
struct Fields {
    std::string nosso = "";
    std::string documento = "";
    std::string carteira = "101";
    std::string banco = "033";
    std::string cedente = "123";
    std::string digito_cedente = "7";
    std::string agencia = "1234";
    std::string conta = "98765";
    TEspecieDocumento especie = edRecibo;
};

std::unique_ptr<TcbTitulo> titulo(const Fields& f) {
    auto t = std::make_unique<TcbTitulo>();
    t->SetNossoNumero(f.nosso);
    t->SetNumeroDocumento(f.documento);
    t->SetCarteira(f.carteira);
    t->SetEspecieDocumento(f.especie);
    t->Cedente().SetCodigoCedente(f.cedente);
    t->Cedente().SetDigitoCodigoCedente(f.digito_cedente);
    t->Cedente().ContaBancaria().SetCodigoAgencia(f.agencia);
    t->Cedente().ContaBancaria().SetNumeroConta(f.conta);
    t->Cedente().ContaBancaria().Banco().SetCodigo(f.banco);
    return t;
}

class BoletoOnly : public ::testing::Test {
protected:
    void SetUp() override { family_test::start_units(); }
    static std::string nome(const std::string& c) {
        return (*billing::find_operation<billing::SigGetNomeBanco>(cls(c), "GetNomeBanco"))();
    }
    static std::string digito(const std::string& c, const Fields& f) {
        return (*billing::find_operation<billing::SigTitulo>(cls(c), "CalcularDigitoNossoNumero"))(*titulo(f));
    }
    static std::string campo(const std::string& c, const Fields& f) {
        return (*billing::find_operation<billing::SigTitulo>(cls(c), "GetCampoLivreCodigoBarra"))(*titulo(f));
    }
    // The four boleto texts, each preset to "preset".
    static std::vector<std::string> boleto(const std::string& c, const Fields& f) {
        std::vector<std::string> s(4, "preset");
        (*billing::find_operation<billing::SigFormatarBoleto>(cls(c), "FormatarBoleto"))(*titulo(f), s[0], s[1], s[2],
                                                                                         s[3]);
        return s;
    }
};

std::vector<std::string> names_with(std::function<bool(const billing::clients::BoletoOnlyClass&)> pred) {
    std::vector<std::string> r;
    for (const auto& row : billing::clients::boleto_only_classes()) {
        if (pred(row)) r.emplace_back(row.name);
    }
    return r;
}

TEST_F(BoletoOnly, EachClassPublishesTheFourBoletoOperationsOnly) {
    for (const auto& row : billing::clients::boleto_only_classes()) {
        SCOPED_TRACE(std::string(row.name));
        TClass c = GetClass(UpperCase(row.name));  // names match without regard to case
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Name, row.name);
        EXPECT_NE(billing::find_operation<billing::SigGetNomeBanco>(c, "GetNomeBanco"), nullptr);
        EXPECT_NE(billing::find_operation<billing::SigTitulo>(c, "CalcularDigitoNossoNumero"), nullptr);
        EXPECT_NE(billing::find_operation<billing::SigTitulo>(c, "GetCampoLivreCodigoBarra"), nullptr);
        EXPECT_NE(billing::find_operation<billing::SigFormatarBoleto>(c, "FormatarBoleto"), nullptr);
        EXPECT_EQ(c->MethodAddress("GerarRemessa"), nullptr);
        EXPECT_EQ(c->MethodAddress("LerRetorno"), nullptr);
        // An instance made around a call answers its own class.
        std::unique_ptr<TObject> o(c->Factory(nullptr));
        EXPECT_EQ(o->ClassType(), c);
    }
}

TEST_F(BoletoOnly, BankNames) {
    const struct {
        const char* cls;
        const char* nome;
    } cases[] = {{"THalvekBanco033", "SANTANDER"},
                 {"TVorqBancoSantander033", "SANTANDER"},
                 {"TZelvoriaBanco104", "Caixa Econ. Federal"},
                 {"TMorvelBanco001", "BANCO DO BRASIL"},
                 {"TSarlentaBanco756", "SICOOB"}};
    for (const auto& c : cases) EXPECT_EQ(nome(c.cls), c.nome) << c.cls;
}

TEST_F(BoletoOnly, CheckDigits) {
    const struct {
        const char* cls;
        Fields f;
        const char* digit;
    } cases[] = {
        // The document number, last 7 characters, weights 2 .. 8.
        {"THalvekBanco033", {.nosso = "999", .documento = "123"}, "6"},
        {"THalvekBanco033", {.nosso = "999", .documento = ""}, "0"},
        {"THalvekBanco033", {.documento = "6"}, "0"},  // remainder 1
        {"THalvekBanco033", {.documento = "12345678"}, "7"},
        {"TSeltravoBanco033", {.documento = "123"}, "6"},
        {"TSeltravoBanco033", {.documento = "12345678"}, "7"},
        {"TSeltravoBanco033", {.documento = "6"}, "0"},  // remainder 1, as the document-number rule gives
        {"TBenthavorBanco033", {.nosso = "123", .documento = ""}, "0"},
        {"TBenthavorBanco033", {.documento = "6"}, "0"},
        // Twelve digits of the nosso número, weights 2 .. 9.
        {"TCalderunaBanco033", {.nosso = "123", .documento = "6"}, "6"},
        {"TKavrinoBanco033", {.nosso = "5"}, "1"},               // remainder 10
        {"TVorqBancoSantander033", {.nosso = "6"}, "0"},         // remainder 1
        {"TFalmorenBanco033", {.nosso = "1000000000123"}, "6"},  // the last 12
        // Caixa: the nosso número as stored.
        {"TCrestalvoBanco104", {.nosso = "123"}, "6"},
        {"TPilvastroBanco104", {.nosso = "0000000000123"}, "6"},
        // Banco do Brasil: weights 9 .. 2, the remainder, 10 as X.
        {"TFendrasilBanco001", {.nosso = "6"}, "X"},
        {"TQuembraBanco001", {.nosso = "12345"}, "5"},
        {"TFendrasilBanco001", {.nosso = "100000000000"}, "0"},  // weighs the last eleven
        {"TKavrinoBanco001", {.nosso = "100000000000"}, "6"},    // weighs all twelve
        {"TMorvelBanco001", {.nosso = "6"}, "X"},
        // SICOOB: 3, 1, 9, 7 from the left over agency, payee code and nosso número.
        {"TFendrasilBanco756", {.nosso = "4", .cedente = "567"}, "0"},  // remainder 0
        {"TSarlentaBanco756", {.nosso = "8", .cedente = "567"}, "0"},   // remainder 1
        {"TSarlentaBanco756", {.nosso = "15", .cedente = "567"}, "1"},  // remainder 10
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.cls) + " " + c.f.nosso + " / " + c.f.documento);
        EXPECT_EQ(digito(c.cls, c.f), c.digit);
    }
}

TEST_F(BoletoOnly, FreeFields) {
    const std::string n17 = "14345678901234567";
    const struct {
        const char* cls;
        Fields f;
        std::string campo;
    } cases[] = {
        // 9, payee 7, 00000, nosso número 7, the looked-up digit, 0, carteira.
        {"THalvekBanco033", {.nosso = "45", .documento = "123"}, "9000012300000000004560101"},
        {"THalvekBanco033", {.nosso = "45", .documento = "123", .carteira = "1"}, "90000123000000000045601"},
        {"TFalmorenBanco033", {.nosso = "123", .documento = "6"}, "9000012300000000012360101"},
        // Plain nosso número in 13.
        {"TSeltravoBanco033", {.nosso = "45"}, "9000012300000000000450101"},
        {"TBenthavorBanco033", {.nosso = "12345678901234"}, "9000012323456789012340101"},
        {"TKavrinoBanco033", {.nosso = "45", .carteira = "12"}, "900001230000000000045012"},
        // The appended digit, trimmed or as stored.
        {"TQuistralBanco033", {.nosso = "123 "}, "9000012300000000012360101"},
        {"TWendoricBanco033", {.nosso = " 123"}, "9000012300000000012360101"},
        {"TNobrellaBanco033", {.nosso = "123"}, "9000012300000000012360101"},
        {"TBrevantaBanco033", {.nosso = "12345678901234"}, "9000012334567890123480101"},
        // Twelve digits and their digit.
        {"TFendrasilBanco033", {.nosso = "5"}, "9000012300000000000510101"},
        {"TUlveraneBancoSantander033", {.nosso = "123"}, "9000012300000000012360101"},
        // Caixa: payee 6, its digit, nosso número 3-5, 1, 6-8, 2, 9-17, then Modulo11 of the 24.
        {"TCrestalvoBanco104", {.nosso = n17, .cedente = "123456"}, "1234567345167849012345670"},
        {"TZelvoriaBanco104",
         {.nosso = "123456789", .cedente = "1", .digito_cedente = "2"},
         "00000123451678295"},  // a short nosso número, a short field
        // Banco do Brasil, carteira 18 of bank 001: nosso número 11, agency 4, payee 8, carteira.
        {"TFendrasilBanco001",
         {.nosso = "12345", .carteira = "18", .banco = "001", .cedente = "7654321"},
         "0000001234512340765432118"},
        // ... a 17-digit nosso número (first hyphen removed): payee 6, the 17, 21.
        {"TSarlentaBanco001",
         {.nosso = "1234567-8901234567", .carteira = "18", .banco = "001", .cedente = "7654321"},
         "6543211234567890123456721"},
        // ... another carteira or bank: six zeros, the agreement (first 7), the last 10, carteira.
        {"TQuembraBanco001", {.nosso = n17, .carteira = "17", .banco = "001"}, "0000001434567890123456717"},
        {"TKavrinoBanco001", {.nosso = n17, .carteira = "18", .banco = "237"}, "0000001434567890123456718"},
        // Account prefix: the account's first four characters in 8, whatever bank and carteira.
        {"TMorvelBanco001",
         {.nosso = "12345", .carteira = "11", .banco = "237", .conta = "98765"},
         "0000001234512340000987611"},
        {"TMorvelBanco001", {.nosso = n17, .carteira = "11", .cedente = "7654321"}, "6543211434567890123456721"},
        // SICOOB: carteira 1, agency 4, 02, payee 7, nosso número 7, digit, 001.
        {"TSarlentaBanco756",
         {.nosso = "15", .carteira = "1", .banco = "756", .cedente = "567"},
         "1123402000056700000151001"},
        {"TFendrasilBanco756",
         {.nosso = "4", .carteira = "21", .banco = "756", .cedente = "567"},
         "1123402000056700000040001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.cls) + " " + c.f.nosso);
        EXPECT_EQ(campo(c.cls, c.f), c.campo);
    }
}

TEST_F(BoletoOnly, ATwoCharacterCarteiraGivesA24CharacterSantanderFreeField) {
    for (const std::string& c : names_with([](auto& r) { return r.bank == billing::clients::BoletoBank::Santander; })) {
        EXPECT_EQ(campo(c, {.nosso = "45", .documento = "1", .carteira = "12"}).size(), 24u) << c;
    }
}

TEST_F(BoletoOnly, FreeFieldFailures) {
    const struct {
        const char* cls;
        Fields f;
        std::string message;
    } cases[] = {
        {"THalvekBanco033", {.nosso = "45", .banco = "409"}, "Os boletos para o banco 409 não estão disponíveis"},
        {"TFalmorenBanco033", {.nosso = "45", .banco = "104"}, "Os boletos para o banco 104 não estão disponíveis"},
        {"TSarlentaBanco756", {.nosso = "45", .banco = ""}, "Os boletos para o banco 000 não estão disponíveis"},
        {"TFendrasilBanco756", {.nosso = "45", .banco = "104"}, "Os boletos para o banco 104 não estão disponíveis"},
    };
    for (const auto& c : cases) EXPECT_EQ(message_of([&] { campo(c.cls, c.f); }), c.message) << c.cls;
    // A blank kept where a digit is weighed.
    EXPECT_THROW(campo("TNobrellaBanco033", {.nosso = "123 "}), EConvertError);
    EXPECT_THROW(campo("TEsquilorBanco033", {.nosso = " 123"}), EConvertError);
    EXPECT_THROW(digito("TCrestalvoBanco104", {.nosso = "12-3"}), EConvertError);
    EXPECT_THROW(campo("TCrestalvoBanco104", {.nosso = "1434567890123456A"}), EConvertError);
    EXPECT_THROW(digito("TFendrasilBanco001", {.nosso = "12-3"}), EConvertError);
    EXPECT_THROW(digito("TKavrinoBanco001", {.nosso = "12a"}), EConvertError);
    EXPECT_THROW(digito("THalvekBanco033", {.documento = "12a"}), EConvertError);
    EXPECT_THROW(digito("TBenthavorBanco033", {.documento = "1 2"}), EConvertError);
    EXPECT_THROW(campo("TCrestalvoBanco104", {.nosso = "14345678901234567", .digito_cedente = "X"}), EConvertError);
    EXPECT_THROW(digito("TSarlentaBanco756", {.nosso = "1", .agencia = "12a4"}), EConvertError);
}

// Pairs that must agree: the character at a position of one class's free
// field (or of its boleto nosso número) and another class's check digit for
// the same title.
TEST_F(BoletoOnly, DigitsThatTwoClassesMustShare) {
    const struct {
        const char* cls;
        int position;  // 1-based in the free field; 0: the last character of the boleto's nosso número
        const char* digit_class;
        std::string banco;
        std::string carteira;
    } pairs[] = {
        {"THalvekBanco033", 21, "THalvekBanco033", "033", "101"},
        {"TFalmorenBanco033", 21, "TFalmorenBanco033", "033", "101"},
        {"TVantorimBancoSantander033", 21, "TVantorimBanco033", "033", "101"},
        {"TFendrasilBanco033", 21, "TFendrasilBanco033", "033", "101"},
        {"TUlveraneBancoSantander033", 21, "TUlveraneBancoSantander033", "033", "101"},
        {"TVorqBancoSantander033", 21, "TVorqBancoSantander033", "033", "101"},
        {"TFendrasilBanco756", 22, "TFendrasilBanco756", "756", "1"},
        {"TSarlentaBanco756", 22, "TSarlentaBanco756", "756", "1"},
        {"TFendrasilBanco756", 0, "TFendrasilBanco756", "756", "1"},
        {"TFendrasilBanco756", 0, "TFendrasilBanco001", "001", "18"},
        {"TSarlentaBanco756", 0, "TSarlentaBanco001", "001", "18"},
        {"TKavrinoBanco001", 0, "TcbBanco001", "001", "18"},
        {"TMorvelBanco001", 0, "TcbBanco237", "237", "11"},
    };
    const char* nossos[] = {"1", "5", "6", "45", "123", "98765432", "123456789", "10000000000"};
    const char* documentos[] = {"", "6", "123", "12345678", "4444444", "9", "31", "1000001"};
    for (const auto& p : pairs) {
        for (std::size_t i = 0; i < std::size(nossos); ++i) {
            SCOPED_TRACE(std::string(p.cls) + " " + nossos[i] + " " + p.digit_class);
            const Fields f{.nosso = nossos[i], .documento = documentos[i], .carteira = p.carteira, .banco = p.banco};
            const std::string text = p.position > 0 ? campo(p.cls, f) : boleto(p.cls, f)[1];
            const std::size_t at = p.position > 0 ? static_cast<std::size_t>(p.position - 1) : text.size() - 1;
            ASSERT_LT(at, text.size());
            EXPECT_EQ(text.substr(at, 1), digito(p.digit_class, f));
        }
    }
}

TEST_F(BoletoOnly, TheAppendedDigitIsTheTwelveDigitOneUpToEightSignificantDigits) {
    for (const std::string& c : names_with([](auto& r) {
             return r.free_field == billing::clients::FreeFieldRule::AppendedDigit ||
                    r.free_field == billing::clients::FreeFieldRule::AppendedTrimmed;
         })) {
        SCOPED_TRACE(c);
        for (const char* n : {"1", "5", "6", "123", "99999999", "00000000123", "87654321"}) {
            EXPECT_EQ(campo(c, {.nosso = n}).substr(20, 1), digito(c, {.nosso = n})) << n;
        }
        // From nine digits the weights part: 10 on the ninth digit against 2.
        EXPECT_EQ(campo(c, {.nosso = "100000000"}).substr(20, 1), "1");
        EXPECT_EQ(digito(c, {.nosso = "100000000"}), "9");
    }
}

TEST_F(BoletoOnly, BoletoTexts) {
    const std::string n17 = "14345678901234567";
    using S = std::vector<std::string>;
    const struct {
        const char* cls;
        Fields f;
        S texts;  // "preset": left as the caller passed it
    } cases[] = {
        {"TBenthavorBanco033", {.nosso = "45", .carteira = "1"}, {"preset", "0000000000045", "1  ", ""}},
        {"TSeltravoBanco033", {.nosso = "45", .carteira = "1234"}, {"preset", "0000000000045", "123", ""}},
        {"THalvekBanco033", {.nosso = "12345678", .carteira = "101"}, {"preset", "2345678", "101", ""}},
        {"TVantorimBancoSantander033", {.nosso = "45", .carteira = "1"}, {"preset", "0000045", "1  ", ""}},
        // Caixa: agency.payee.digit, the nosso número as stored, the kind's abbreviation.
        {"TCrestalvoBanco104",
         {.nosso = "0045", .carteira = "1", .cedente = "123", .especie = edRecibo},
         {"1234.00000000123.7", "0045", "1 ", "RC"}},
        // The engine's bank-104 texts: a carteira of three digits is refused there, not cut.
        {"TPilvastroBanco104", {.nosso = "45", .carteira = "10", .especie = edOutros},
         {"1234.00000000123.7", "45", "10", ""}},
        {"TZelvoriaBanco104",
         {.nosso = "45", .carteira = "10", .especie = edDuplicataMercantialIndicacao},
         {"1234.00000000123.7", "45", "10", "DMI"}},
        // Banco do Brasil: payee bank code not 001 (the engine's digit for 237: carteira and nosso número).
        {"TQuembraBanco001",
         {.nosso = "45", .carteira = "9", .banco = "237"},
         {"1234 00000000123.7", "000000000453", "9 ", ""}},
        {"TFendrasilBanco001",
         {.nosso = "6", .carteira = "18", .banco = "001"},
         {"123400000000123", "00000000006X", "18", ""}},
        {"TSarlentaBanco001",
         {.nosso = "1234567-8901234567", .carteira = "18", .banco = "001"},
         {"123400000000123", "12345678901234567", "18", ""}},
        {"TKavrinoBanco001",
         {.nosso = "45", .carteira = "17", .banco = "001"},
         {"1234 00000000123.7", "00000000000000045", "17", ""}},
        {"TMorvelBanco001",
         {.nosso = "45", .carteira = "19", .banco = "001"},
         {"preset", "preset", "preset", "preset"}},
        // SICOOB: its widths outside bank 001.
        {"TSarlentaBanco756",
         {.nosso = "15", .carteira = "12", .banco = "756", .cedente = "567"},
         {"1234 0000000567.7", "00000151", "1", ""}},
        {"TFendrasilBanco756", {.nosso = n17, .carteira = "18", .banco = "001"}, {"123400000000123", n17, "18", ""}},
        {"TFendrasilBanco756",
         {.nosso = "45", .carteira = "11", .banco = "001"},
         {"preset", "preset", "preset", "preset"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.cls) + " " + c.f.nosso + " " + c.f.carteira);
        EXPECT_EQ(boleto(c.cls, c.f), c.texts);
    }
}

TEST_F(BoletoOnly, ModelLookupsReachTheClasses) {
    // Model unit, lookup, bank code and the class it must reach.
    const struct {
        const char* unit;
        billing::Lookup which;
        const char* code;
        const char* cls;
    } cases[] = {
        {"HalvekCobranca", billing::Lookup::Digito, "033", "THalvekBanco033"},
        {"FalmorenCobranca", billing::Lookup::Digito, "033", "TFalmorenBanco033"},
        {"VantorimCobranca", billing::Lookup::Digito, "033", "TVantorimBanco033"},
        {"FendrasilCobranca", billing::Lookup::Digito, "001", "TFendrasilBanco001"},
        {"FendrasilCobranca", billing::Lookup::Digito, "033", "TFendrasilBanco033"},
        {"FendrasilCobranca", billing::Lookup::Digito, "756", "TFendrasilBanco756"},
        {"SarlentaCobrancaSICOOB", billing::Lookup::Digito, "001", "TSarlentaBanco001"},
        {"SarlentaCobrancaSICOOB", billing::Lookup::Digito, "756", "TSarlentaBanco756"},
        {"KavrinoCobranca", billing::Lookup::Digito, "001", "TKavrinoBanco001"},
        {"KavrinoCobrancaSAFRA", billing::Lookup::Digito, "033", "TKavrinoBanco033"},
        {"KavrinoCobrancaSAFRA_Bradesco", billing::Lookup::Nome, "033", "TKavrinoBanco033"},
        {"CrestalvoCobrancaItau", billing::Lookup::Digito, "104", "TCrestalvoBanco104"},
        {"CrestalvoCobrancaItau", billing::Lookup::Nome, "104", "TCrestalvoBanco104"},
        {"QuembraCobrancaBradescoUnicred", billing::Lookup::Digito, "001", "TQuembraBanco001"},
        {"QuembraCobrancaBradescoUnicred", billing::Lookup::Nome, "001", "TQuembraBanco001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.unit) + " " + c.code);
        const billing::ModelProfile* model = billing::find_model_profile(c.unit);
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(billing::plugin_class_name(*model, c.which, c.code), c.cls);
        if (c.which == billing::Lookup::Nome) {
            EXPECT_EQ(billing::NomeBanco(*model, c.code), nome(c.cls));
            continue;
        }
        // The lookup takes a title of any model; these digits differ from title to title.
        for (const char* n : {"5", "6", "45", "123456"}) {
            const Fields f{.nosso = n, .documento = n, .carteira = "18", .banco = c.code};
            EXPECT_EQ(billing::DigitoNossoNumero(*model, *titulo(f)), digito(c.cls, f)) << n;
        }
    }
    // Names that no lookup forms: the companions with "Santander" in their names.
    const billing::ModelProfile* vantorim = billing::find_model_profile("VantorimCobranca");
    EXPECT_NE(billing::plugin_class_name(*vantorim, billing::Lookup::Digito, "033"), "TVantorimBancoSantander033");
}

TEST_F(BoletoOnly, AFailingDigitLookupLeavesTheAgencyTextSet) {
    // Bank 756 has no class among the engine's, and 104 none under the SICOOB units' prefixes.
    std::vector<std::string> s(4, "preset");
    auto formatar = billing::find_operation<billing::SigFormatarBoleto>(cls("TMorvelBanco001"), "FormatarBoleto");
    auto t = titulo({.nosso = "45", .banco = "756"});
    EXPECT_EQ(message_of([&] { (*formatar)(*t, s[0], s[1], s[2], s[3]); }),
              "Os boletos para o banco 756 não estão disponíveis");
    EXPECT_EQ(s, (std::vector<std::string>{"1234 00000000123.7", "preset", "preset", "preset"}));
    EXPECT_EQ(message_of([&] { boleto("TSarlentaBanco756", {.nosso = "45", .banco = "104"}); }),
              "Os boletos para o banco 104 não estão disponíveis");
}

TEST_F(BoletoOnly, RandomTitlesMakeSoundBarCodesWithEveryClientClass) {
    Outcome r = run("/usr/bin/python3 " + billing_test::oracle("client_boleto_codes.py") + " " + tool() + " 1000");
    EXPECT_EQ(r.status, 0) << r.output;
    for (const auto& row : billing::clients::boleto_only_classes()) {
        const std::string name(row.name);
        // Each class makes bar codes; a title with a value wider than its fields is refused, never cut.
        const std::regex line(name + " checked [1-9][0-9]* not25 0 unavailable 0 refused [0-9]+ failures 0\n");
        EXPECT_TRUE(std::regex_search(r.output, line)) << name << "\n" << r.output;
    }
    EXPECT_NE(r.output.find("\n0 failures\n"), std::string::npos) << r.output;
}

TEST_F(BoletoOnly, ToolBoletoWithAClass) {
    const std::string title =
        R"({"NossoNumero":"45","NumeroDocumento":"123","Carteira":"101","DataVencimento":"2010-01-01",)"
        R"("ValorDocumento":"10.00","Cedente":{"CodigoCedente":"123","ContaBancaria":{"Banco":{"Codigo":"033"}}}})";
    Outcome ok = run("echo '" + title + "' | " + tool() + " boleto --class thalvekbanco033 -");
    EXPECT_EQ(ok.status, 0) << ok.output;
    EXPECT_NE(ok.output.find("\"ClasseBanco\": \"THalvekBanco033\""), std::string::npos) << ok.output;
    EXPECT_NE(ok.output.find("\"CampoLivre\": \"9000012300000000004560101\""), std::string::npos) << ok.output;
    EXPECT_NE(ok.output.find("\"DigitoClasse\": \"6\""), std::string::npos) << ok.output;
    const struct {
        std::string args;
        std::string message;
    } refused[] = {
        // A two-character carteira: 24 characters.
        {"--class TCalderunaBanco033 --bank 33", "O campo livre do banco 033 não tem 25 dígitos"},
        {"--class TNoSuchBanco033", "Classe de banco desconhecida: \"TNoSuchBanco033\""},
        {"--class THalvekBanco033 --bank 409", "Os boletos para o banco 409 não estão disponíveis"},
    };
    const std::string short_title = R"({"NossoNumero":"45","Carteira":"12","Cedente":{"CodigoCedente":"1"}})";
    for (const auto& c : refused) {
        SCOPED_TRACE(c.args);
        Outcome r = run("echo '" + (c.args.find("Calderuna") != std::string::npos ? short_title : title) + "' | " +
                        tool() + " boleto " + c.args + " -");
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("CodigoBarras"), std::string::npos) << r.output;
    }
    Outcome no_code = run("echo '" + short_title + "' | " + tool() + " boleto --class TCalderunaBanco033 -");
    EXPECT_NE(no_code.status, 0);
    EXPECT_NE(no_code.output.find("boleto --class pede --bank"), std::string::npos) << no_code.output;
}

}  // namespace
