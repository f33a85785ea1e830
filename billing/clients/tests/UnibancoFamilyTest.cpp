// The client bank classes on the bank-409 file layout: their boleto rules
// (Itaú, Safra, Unibanco account), the 409 writer and reader under their own
// bank codes and names, and the returns that tests/cnab400_returns.py writes.

#include "billing/PluginClasses.h"
#include "billing/clients/ClientConstants.h"
#include "billing/clients/UnibancoFamily.h"
#include "billing/clients/tests/FamilyTestSupport.h"
#include "billing/tests/RunTool.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

namespace {

using namespace family_test;
using billing::clients::client_constant;

std::string K(std::string_view name) { return std::string(name); }

using UnibancoFamily = FamilyTest;

// The class, its model and a title of that model for the class's bank code.
struct Case {
    const char* class_name;
    const char* model;
    TitleFields fields;
};

std::unique_ptr<TcbTitulo> title_of(const Case& c) { return title(model(c.model), c.fields); }

TitleFields with(std::string code, std::string nosso = "1", std::string carteira = "109", std::string agencia = "0123",
                 std::string conta = "12345", std::string documento = "") {
    TitleFields f;
    f.code = std::move(code);
    f.nosso = std::move(nosso);
    f.carteira = std::move(carteira);
    f.agencia = std::move(agencia);
    f.conta = std::move(conta);
    f.documento = std::move(documento);
    return f;
}

TEST_F(UnibancoFamily, EveryClassIsRegisteredWithItsUnitAndNamesItsBank) {
    std::map<std::string, std::string> units;
    for (const billing::PluginClass& p : billing::plugin_classes()) units[p.cls->ClassName()] = std::string(p.unit);
    for (const billing::clients::UnibancoClassRow& row : billing::clients::unibanco_family()) {
        SCOPED_TRACE(std::string(row.class_name));
        EXPECT_EQ(units[std::string(row.class_name)], row.unit);
        for (const char* name : {"GetNomeBanco", "CalcularDigitoNossoNumero", "GetCampoLivreCodigoBarra",
                                 "FormatarBoleto", "GerarRemessa", "LerRetorno"}) {
            EXPECT_NE(cls(row.class_name)->MethodAddress(name), nullptr) << name;
        }
        const std::string expected = row.code == "422" ? "Banco Safra" : row.code == "409" ? "UNIBANCO" : "Banco Itaú SA";
        EXPECT_EQ(op<billing::SigGetNomeBanco>(row.class_name, "GetNomeBanco")(), expected);
    }
}

TEST_F(UnibancoFamily, CheckDigits) {
    const struct {
        Case c;
        std::string digit;
    } cases[] = {
        // Agency, account and carteira as stored: leading zeros of the agency change nothing, a
        // four-character account shifts the weights (the engine's 341 pads it and gives 3).
        {{"TPrentalvaBanco341", "PrentalvaCobranca", with("341")}, "6"},
        {{"TPrentalvaBanco341", "PrentalvaCobranca", with("341", "1", "109", "123")}, "6"},
        {{"TPrentalvaBanco341", "PrentalvaCobranca", with("341", "1", "109", "0123", "1234")}, "5"},
        {{"TcbBanco341", "", with("341", "1", "109", "0123", "1234")}, "3"},
        {{"TTrelvaniBanco341", "TrelvaniCobranca", with("341", "1", "109", "0123", "1234")}, "5"},
        {{"TKavrinoBanco341", "KavrinoCobranca", with("341", "1", "109", "0123", "1234")}, "5"},
        {{"TFendrasilBanco341", "", with("341", "1", "109", "0123", "1234")}, "5"},
        {{"TTrelvaniBanco341Unicred", "TrelvaniCobrancaItauUnicred", with("341", "1", "109", "0123", "1234")}, "5"},
        // Agency and account padded: as the engine's digit.
        {{"TQuistralSaudeBanco341", "QuistralSaudeCobranca", with("341", "1", "109", "123", "1234")}, "3"},
        {{"TCrestalvoBanco341", "CrestalvoCobrancaItau", with("341", "1", "109", "123", "1234")}, "3"},
        // Agency as stored, account padded or cut to its last 5.
        {{"TKavrinoBanco341Safra", "KavrinoCobrancaItauSafra", with("341", "1", "109", "0123", "1234")}, "3"},
        {{"TKavrinoBanco341Safra", "KavrinoCobrancaItauSafra", with("341", "1", "109", "0123", "912345")}, "6"},
        {{"TKavrinoBanco341Safra", "KavrinoCobrancaItauSafra", with("341", "1", "109", "90123", "1234")},
         Modulo10("90123" "01234" "109" "00000001")},
        {{"TQuistralSaudeBanco341", "QuistralSaudeCobranca", with("341", "1", "109", "90123", "1234")}, "3"},
        // Safra: modulo 11, weights 2..9; remainders 0 and 1 give 0.
        {{"TKavrinoBanco422", "KavrinoCobrancaSAFRA", with("422", "1")}, "9"},
        {{"TKavrinoBanco422", "KavrinoCobrancaSAFRA", with("422", "0")}, "0"},
        {{"TKavrinoBanco422_Bradesco", "KavrinoCobrancaSAFRA_Bradesco", with("422", "6")}, "0"},  // remainder 1
        {{"TKavrinoBanco422", "KavrinoCobrancaSAFRA", with("422", "5")}, "1"},                     // remainder 10
        // Movrenta: K12 and the last 8 digits of the nosso número, padded.
        {{"TMovrentaBanco409", "MovrentaCobranca", with("409", "123")},
         Modulo10(K(client_constant("MovrentaK12")) + "00000123")},
        {{"TMovrentaBanco409", "MovrentaCobranca", with("409", "999900000123")},
         Modulo10(K(client_constant("MovrentaK12")) + "00000123")},
    };
    for (const auto& [c, digit] : cases) {
        SCOPED_TRACE(std::string(c.class_name) + " " + c.fields.nosso + " " + c.fields.agencia + " " + c.fields.conta);
        EXPECT_EQ(call(c.class_name, "CalcularDigitoNossoNumero", *title_of(c)), digit);
    }
}

TEST_F(UnibancoFamily, FreeFields) {
    const std::string k3 = K(client_constant("MovrentaK3")), k7 = K(client_constant("MovrentaK7")),
                      k5 = K(client_constant("MovrentaK5"));
    const std::string movrenta_body = k3 + "00000123" + k7 + k5;
    const std::string unicred_code = K(client_constant("UnicredCodigoCliente"));
    const std::string unicred_number = K(client_constant("UnicredNumeroCliente"));
    const std::string unicred_123 = "198" + std::string("00000123") + unicred_number + "123" + unicred_code;
    // A long document number: its last 8 digits, and the seu número still ends with its first 3.
    const std::string unicred_long = "198" + std::string("34567890") + unicred_number + "123" + unicred_code;
    const std::string safra_agency = K(client_constant("SafraAgencia"));
    const std::string bradesco_agency = K(client_constant("SafraBradescoAgencia"));
    const std::string bradesco_account = "0" + K(client_constant("SafraBradescoConta"));
    const struct {
        Case c;
        std::string field;
    } cases[] = {
        // 25 characters whatever the nosso número, no carteira, digit of the first 23 at 24, "0" at 25.
        {{"TMovrentaBanco409", "MovrentaCobranca", with("409", "123", "")}, movrenta_body + Modulo10(movrenta_body) + "0"},
        {{"TMovrentaBanco409", "MovrentaCobranca", with("409", "77700000123", "99")},
         movrenta_body + Modulo10(movrenta_body) + "0"},
        // Itaú with the title's digit; a two-character carteira makes 24 characters.
        {{"TPrentalvaBanco341", "PrentalvaCobranca", with("341")}, "109000000016012312345" + Modulo10("012312345") + "000"},
        {{"TPrentalvaBanco341", "PrentalvaCobranca", with("341", "1", "09")},
         "0900000001" + Modulo10("0123123450900000001") + "012312345" + Modulo10("012312345") + "000"},
        {{"TTrelvaniBanco341", "TrelvaniCobranca", with("341", "", "109")},
         "10900000000" + Modulo10("01231234510900000000") + "012312345" + Modulo10("012312345") + "000"},
        {{"TQuistralSaudeBanco341", "QuistralSaudeCobranca", with("341", "1", "109", "123", "1234")},
         "10900000001" "3" "012301234" + Modulo10("012301234") + "000"},
        // Itaú with the carteira digit: the bar code's digit differs from the printed one (3 here).
        {{"TCrestalvoBanco341", "CrestalvoCobrancaItau", with("341", "1", "109", "123", "1234")},
         "10900000001" + Modulo10("10900000001") + "012301234" + Modulo10("012301234") + "000"},
        {{"TCrestalvoBanco341", "CrestalvoCobrancaItau", with("341", "1", "09", "123", "1234")},
         "0900000001" + Modulo10("0900000001") + "012301234" + Modulo10("012301234") + "000"},
        // Itaú with the account digit: the account as stored (5 characters: 24 in all; 6: 25).
        {{"TKavrinoBanco341", "KavrinoCobranca", with("341", "1", "109", "0123", "12345")},
         "10900000001" + Modulo10("0123123451090000000" "1") + "012312345000"},
        {{"TKavrinoBanco341", "KavrinoCobranca", with("341", "1", "109", "0123", "123456")},
         "10900000001" + Modulo10("01231234561090000000" "1") + "0123123456000"},
        {{"TKavrinoBanco341", "KavrinoCobranca", with("341", "1", "09", "0123", "123456")},
         "0900000001" + Modulo10("0123123456090000000" "1") + "0123123456000"},
        // ... or its first six characters, formatted to six.
        {{"TFendrasilBanco341", "", with("341", "1", "109", "0123", "12345678")},
         "10900000001" + Modulo10("01231234561090000000" "1") + "0123123456000"},
        {{"TFendrasilBanco341", "", with("341", "1", "109", "0123", "1234")},
         "10900000001" + Modulo10("01230012341090000000" "1") + "0123001234000"},
        // Standard Itaú: the first five characters of a longer account.
        {{"TKavrinoBanco341Safra", "KavrinoCobrancaItauSafra", with("341", "1", "109", "0123", "912345")},
         "10900000001" + Modulo10("0123912341090000000" "1") + "012391234" + Modulo10("012391234") + "000"},
        {{"TKavrinoBanco341Safra", "KavrinoCobrancaItauSafra", with("341", "1", "09", "0123", "912345")},
         "0900000001" + Modulo10("012391234090000000" "1") + "012391234" + Modulo10("012391234") + "000"},
        // Carteira 198: the document number, the client number and code; no carteira.
        {{"TTrelvaniBanco341Unicred", "TrelvaniCobrancaItauUnicred", with("341", "1", "09", "0123", "12345", "123")},
         unicred_123 + Modulo10(unicred_123) + "0"},
        {{"TTrelvaniBanco341Unicred", "TrelvaniCobrancaItauUnicred",
          with("341", "1", "109", "0123", "12345", "1234567890")},
         unicred_long + Modulo10(unicred_long) + "0"},
        // Safra: agency constant, account[9], NN8 and the title's digit; no carteira.
        {{"TKavrinoBanco422", "KavrinoCobrancaSAFRA", with("422", "1", "09", "0123", "12345")},
         "7" + safra_agency + "000012345" + "00000001" + "9" + "2"},
        // Safra through Bradesco: the document's year at 7-8, NN8 with its appended digit.
        {{"TKavrinoBanco422_Bradesco", "KavrinoCobrancaSAFRA_Bradesco", with("422", "12345678", "09")},
         bradesco_agency + "09" + "24" + "123456789" + bradesco_account + "0"},
    };
    for (const auto& [c, field] : cases) {
        SCOPED_TRACE(std::string(c.class_name) + " " + c.fields.nosso + " " + c.fields.carteira + " " + c.fields.conta);
        EXPECT_EQ(call(c.class_name, "GetCampoLivreCodigoBarra", *title_of(c)), field);
    }
}

TEST_F(UnibancoFamily, SafraThroughBradescoTakesTheDocumentYear) {
    auto t = title(model("KavrinoCobrancaSAFRA_Bradesco"), with("422"));
    t->SetDataDocumento(EncodeDate(2009, 12, 31));
    EXPECT_EQ(call("TKavrinoBanco422_Bradesco", "GetCampoLivreCodigoBarra", *t).substr(6, 2), "09");
}

TEST_F(UnibancoFamily, BoletoTexts) {
    const struct {
        Case c;
        Boleto b;
    } cases[] = {
        {{"TMovrentaBanco409", "MovrentaCobranca", with("409", "123", "9")},
         {"0123/777", "00000000000123-" + Modulo10(K(client_constant("MovrentaK12")) + "00000123"), "9  ", ""}},
        {{"TPrentalvaBanco341", "PrentalvaCobranca", with("341", "1", "109", "123")}, {"123/777", "00000001-6", "109", ""}},
        {{"TTrelvaniBanco341", "TrelvaniCobranca", with("341", "", "109")},
         {"0123/777", "00000000-" + Modulo10("0123123451090000000" "0"), "109", ""}},
        {{"TQuistralSaudeBanco341", "QuistralSaudeCobranca", with("341", "1", "109", "123", "1234")},
         {"123/777", "00000001-3", "109", ""}},
        {{"TCrestalvoBanco341", "CrestalvoCobrancaItau", with("341", "1", "109", "123", "1234")},
         {"123/777", "00000001-3", "109", ""}},
        // No check-digit lookup in its model: the nosso número alone.
        {{"TTrelvaniBanco341Unicred", "TrelvaniCobrancaItauUnicred", with("341", "1234567890")},
         {"0123/777", "34567890", "109", ""}},
        // The engine's 341 digit, over the padded fields.
        {{"TFendrasilBanco341", "", with("341", "1", "109", "0123", "1234")}, {"0123/777", "00000001-3", "109", ""}},
        {{"TKavrinoBanco422", "KavrinoCobrancaSAFRA", with("422", "1")}, {"0123/777", "00000001-9", "109", ""}},
        // No lookup finds TKavrinoBanco422_Bradesco: its titles' digit is TKavrinoBanco422's.
        {{"TKavrinoBanco422_Bradesco", "KavrinoCobrancaSAFRA_Bradesco", with("422", "6")},
         {"0123/777", "00000006-0", "109", ""}},
        {{"TKavrinoBanco341", "KavrinoCobranca", with("341", "1", "109", "0123", "1234")},
         {"0123/777", "00000001-5", "109", ""}},
        {{"TKavrinoBanco341Safra", "KavrinoCobrancaItauSafra", with("341", "1", "109", "0123", "1234")},
         {"0123/777", "00000001-3", "109", ""}},
    };
    for (const auto& [c, want] : cases) {
        SCOPED_TRACE(c.class_name);
        const Boleto got = boleto(c.class_name, *title_of(c));
        EXPECT_EQ(got.agencia, want.agencia);
        EXPECT_EQ(got.nosso, want.nosso);
        EXPECT_EQ(got.carteira, want.carteira);
        EXPECT_EQ(got.especie, want.especie);
    }
}

TEST_F(UnibancoFamily, LookupsReachTheClassesOfTheirModels) {
    const struct {
        const char* model;
        const char* code;
        const char* name;
        const char* digit_class;  // "" when the model makes no digit lookup
    } cases[] = {
        {"MovrentaCobranca", "409", "UNIBANCO", "TMovrentaBanco409"},
        {"PrentalvaCobranca", "341", "Banco Itaú SA", "TPrentalvaBanco341"},
        {"QuistralSaudeCobranca", "341", "Banco Itaú SA", "TQuistralSaudeBanco341"},
        {"TrelvaniCobranca", "341", "Banco Itaú SA", "TTrelvaniBanco341"},
        {"TrelvaniCobrancaItauUnicred", "341", "Banco Itaú SA", ""},
        {"CrestalvoCobrancaItau", "341", "Banco Itaú SA", "TCrestalvoBanco341"},
        {"KavrinoCobrancaSAFRA", "422", "Banco Safra", "TKavrinoBanco422"},
        {"KavrinoCobrancaSAFRA_Bradesco", "422", "Banco Safra", "TKavrinoBanco422"},
        {"KavrinoCobranca", "341", "Banco Itaú SA", "TKavrinoBanco341"},
        {"KavrinoCobrancaItauSafra", "341", "Banco Itaú SA", "TKavrinoBanco341Safra"},
        {"KavrinoCobranca", "422", "Banco Safra", "TKavrinoBanco422"},
        // The engine's titles keep the engine's name and digit.
        {"", "341", "Banco Itaú S.A.", "TcbBanco341"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.code);
        const billing::ModelProfile& m = model(c.model);
        EXPECT_EQ(billing::NomeBanco(m, c.code), c.name);
        auto t = title(m, with(c.code, "1", "109", "0123", "1234"));
        if (*c.digit_class == '\0') {
            EXPECT_EQ(message_of([&] { billing::DigitoNossoNumero(m, *t); }),
                      "Os boletos para o banco 341 não estão disponíveis");
        } else {
            EXPECT_EQ(billing::DigitoNossoNumero(m, *t), call(c.digit_class, "CalcularDigitoNossoNumero", *t));
        }
    }
    // The boleto texts and a free field that need the digit pass on the lookup's failure.
    auto foreign = title(model("PrentalvaCobranca"), with("237"));
    EXPECT_EQ(message_of([&] { boleto("TPrentalvaBanco341", *foreign); }),
              "Os boletos para o banco 237 não estão disponíveis");
    EXPECT_EQ(message_of([&] { call("TPrentalvaBanco341", "GetCampoLivreCodigoBarra", *foreign); }),
              "Os boletos para o banco 237 não estão disponíveis");
}

TEST_F(UnibancoFamily, NonDigitsInAWeighedFieldAreConversionErrors) {
    EXPECT_THROW(call("TPrentalvaBanco341", "CalcularDigitoNossoNumero",
                      *title(model("PrentalvaCobranca"), with("341", "1", "1O9"))),
                 EConvertError);
    EXPECT_THROW(call("TTrelvaniBanco341Unicred", "GetCampoLivreCodigoBarra",
                      *title(model("TrelvaniCobrancaItauUnicred"), with("341", "1", "109", "0123", "12345", "NF-12"))),
                 EConvertError);
}

TEST_F(UnibancoFamily, RemittancesAreBank409FilesUnderTheClassCode) {
    for (const billing::clients::UnibancoClassRow& row : billing::clients::unibanco_family()) {
        SCOPED_TRACE(std::string(row.class_name));
        TcbCobranca batch;
        fill_batch(batch, model(row.model), std::string(row.code), 25);
        TStringList lines;
        ASSERT_TRUE(op<billing::SigGerarRemessa>(row.class_name, "GerarRemessa")(batch, lines));
        expect_cnab400_shape(lines, 25);
        const std::string header = lines[0];
        EXPECT_EQ(pos(header, 1, 19), "01REMESSA01COBRANCA");
        EXPECT_EQ(pos(header, 77, 79), row.code);
        EXPECT_EQ(pos(header, 80, 87), "UNIBANCO");
        EXPECT_EQ(pos(header, 101, 105), "01600");
        EXPECT_EQ(pos(header, 106, 108), "BPI");
    }
}

TEST_F(UnibancoFamily, AForeignTitleStopsTheWriterAfterTheEarlierLines) {
    const struct {
        const char* class_name;
        const char* model;
        const char* code;
        const char* message;
    } cases[] = {
        {"TKavrinoBanco341", "KavrinoCobranca", "341", "Titulo não pertence ao banco 341 - Banco Itaú SA"},
        {"TKavrinoBanco422", "KavrinoCobrancaSAFRA", "422", "Titulo não pertence ao banco 422 - Banco Safra"},
        {"TPrentalvaBanco341", "PrentalvaCobranca", "341", "Titulo não pertence ao banco 341 - Banco Itaú SA"},
        {"TMovrentaBanco409", "MovrentaCobranca", "409", "Titulo não pertence ao banco 409 - UNIBANCO"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.class_name);
        TcbCobranca batch;
        fill_batch(batch, model(c.model), c.code, 2);
        GetTitulo(model(c.model), batch.Titulos, 1).Cedente().ContaBancaria().Banco().SetCodigo("237");
        TStringList lines;
        EXPECT_EQ(message_of([&] { op<billing::SigGerarRemessa>(c.class_name, "GerarRemessa")(batch, lines); }),
                  c.message);
        ASSERT_EQ(lines.Count(), 2);
        EXPECT_EQ(lines[0][0], '0');
        EXPECT_EQ(lines[1][0], '1');
    }
}

TEST_F(UnibancoFamily, WriterRefusals) {
    // A title of another model: the invalid cast of the model's GetTitulo.
    TcbCobranca engine_batch;
    fill_batch(engine_batch, billing::engine_profile(), "341", 1);
    TStringList lines;
    EXPECT_THROW(op<billing::SigGerarRemessa>("TKavrinoBanco341", "GerarRemessa")(engine_batch, lines), EInvalidCast);
    TcbCobranca copy_batch;
    fill_batch(copy_batch, model("KavrinoCobranca"), "341", 1);
    EXPECT_THROW(op<billing::SigGerarRemessa>("TFendrasilBanco341", "GerarRemessa")(copy_batch, lines), EInvalidCast);
    // No titles: the list-index error, nothing written.
    TcbCobranca empty;
    empty.LayoutArquivo = laCNAB400;
    EXPECT_THROW(op<billing::SigGerarRemessa>("TTrelvaniBanco341", "GerarRemessa")(empty, lines), EListError);
    EXPECT_EQ(lines.Count(), 0);
    // Another layout: nothing written, the list kept, False.
    lines.Add("KEPT");
    copy_batch.LayoutArquivo = laCNAB240;
    EXPECT_FALSE(op<billing::SigGerarRemessa>("TKavrinoBanco341", "GerarRemessa")(copy_batch, lines));
    EXPECT_EQ(lines.Count(), 1);
}

TEST_F(UnibancoFamily, ReaderChecksTheClassCodeAndMakesTitlesOfItsModel) {
    // A 409 header given to an Itaú class; a 341 header read by it.
    std::string header = return_header("409");
    header.replace(391, 3, "042");
    std::string detail(400, ' ');
    detail.replace(0, 1, "1");
    detail.replace(108, 2, "06");
    detail.replace(110, 6, "100324");
    detail.replace(152, 13, "0000000012345");
    for (auto [from, to] : {std::pair{228, 240}, {241, 253}, {176, 188}, {267, 279}}) {
        detail.replace(std::size_t(from - 1), std::size_t(to - from + 1), std::string(std::size_t(to - from + 1), '0'));
    }
    std::vector<std::string_view> lines = {header, detail};
    TcbCobranca batch;
    EXPECT_EQ(message_of([&] { op<billing::SigLerRetorno>("TTrelvaniBanco341", "LerRetorno")(batch, lines); }),
              "Este não é um retorno de cobrança do banco 341 - Banco Itaú SA");
    header.replace(76, 3, "341");
    lines = {header, detail};
    ASSERT_TRUE(op<billing::SigLerRetorno>("TTrelvaniBanco341", "LerRetorno")(batch, lines));
    ASSERT_EQ(batch.Titulos.Count(), 1);
    const TcbTitulo& t = GetTitulo(model("TrelvaniCobranca"), batch.Titulos, 0);
    EXPECT_EQ(t.ClassName(), "TTrelvaniTitulo");
    EXPECT_EQ(t.Cedente().ContaBancaria().Banco().Codigo(), "341");
    EXPECT_EQ(t.DescricaoOcorrenciaOriginal(), "06-LIQUIDAÇÃO NORMAL");
    EXPECT_EQ(batch.NumeroArquivo, 42);
}

// A 240-byte first line: the engine's standard frame records laCNAB240 and,
// until the CNAB 240 reader exists, refuses the read with the bank's name;
// no title is read.
TEST_F(UnibancoFamily, A240ByteReturnGivesThe240LayoutAndNoTitles) {
    const std::string line(240, ' ');
    const std::vector<std::string_view> lines = {line};
    for (const billing::clients::UnibancoClassRow& row : billing::clients::unibanco_family()) {
        SCOPED_TRACE(std::string(row.class_name));
        TcbCobranca batch;
        batch.LayoutArquivo = laCNAB400;
        EXPECT_EQ(message_of([&] { op<billing::SigLerRetorno>(row.class_name, "LerRetorno")(batch, lines); }),
                  "A leitura de arquivo de retorno para o " + std::string(row.bank_name) +
                      " não está está disponível para o layout laCNAB240");
        EXPECT_EQ(batch.LayoutArquivo, laCNAB240);
        EXPECT_EQ(batch.Titulos.Count(), 0);
    }
}

TEST_F(UnibancoFamily, ReaderFrameMessages) {
    const std::string short_line(399, ' ');
    const std::vector<std::string_view> none;
    const std::vector<std::string_view> short_lines = {short_line};
    TcbCobranca batch;
    EXPECT_EQ(message_of([&] { op<billing::SigLerRetorno>("TKavrinoBanco422", "LerRetorno")(batch, none); }),
              "O retorno está vazio. Não há dados para processar");
    EXPECT_EQ(message_of([&] { op<billing::SigLerRetorno>("TKavrinoBanco422", "LerRetorno")(batch, short_lines); }),
              "Tamanho de registro inválido: 399");
    EXPECT_EQ(batch.LayoutArquivo, laInvalido);
}

// Returns that tests/cnab400_returns.py writes for every client class, read by
// billing-tool retorno --class (the Bradesco classes' files are here too).
TEST(ClientReturns, EveryClassReadsTheGeneratedFiles) {
    namespace fs = std::filesystem;
    using billing_test::run;
    const fs::path dir = fs::temp_directory_path() / ("client_returns_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const auto made = run("/usr/bin/python3 " + std::string(TAMBLERO_SOURCE_DIR) + "/tests/cnab400_returns.py --clients " +
                          dir.string());
    ASSERT_EQ(made.status, 0) << made.output;
    std::set<std::string> classes;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".json") continue;
        std::ifstream in(entry.path());
        const nlohmann::json expected = nlohmann::json::parse(in);
        const std::string file = fs::path(entry.path()).replace_extension(".ret").string();
        const std::string name = expected["class"];
        classes.insert(name);
        SCOPED_TRACE(file);
        const auto r = run(billing_test::tool() + " retorno --class " + name + " " + file);  // stdout and stderr
        if (expected.contains("error")) {
            EXPECT_NE(r.status, 0);
            EXPECT_EQ(r.output, "billing-tool: " + expected["error"].get<std::string>() + "\n");
        } else {
            ASSERT_EQ(r.status, 0);
            nlohmann::json want = expected["batch"];
            want["NomeArquivoRetorno"] = file;
            const nlohmann::json got = nlohmann::json::parse(r.output);
            EXPECT_EQ(got, want) << nlohmann::json::diff(want, got).dump(1);
        }
    }
    std::set<std::string> registered;
    for (const auto& row : billing::clients::unibanco_family()) registered.emplace(row.class_name);
    for (const char* name : {"TTrelvaniBanco237", "TQuembraBanco237", "TBrevantaBanco237"}) registered.emplace(name);
    EXPECT_EQ(classes, registered);
    fs::remove_all(dir);
}

// The digits and free fields of every class on random titles against the
// rules that tests/oracles/client_boletos.py writes out (python3-stdnum's Luhn).
TEST(ClientBoletos, OracleAgreesOnRandomTitles) {
    const auto r = billing_test::run("/usr/bin/python3 " + billing_test::oracle("client_boletos.py") + " " +
                                     billing_test::tool() + " " + std::string(TAMBLERO_SOURCE_DIR) +
                                     "/billing/clients/ClientConstants.h 300");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(" 0 failures"), std::string::npos) << r.output;
}

}  // namespace
