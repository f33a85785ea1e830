// Titles and batches as JSON: a round trip keeps every value, bad input is
// refused with a message naming the field.

#include "billing/TitleJson.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace {

using nlohmann::json;
using billing::append_titulo_json;
using billing::titulo_to_json;

std::string error_of(const json& j) {
    TcbTitulo t;
    try {
        billing::titulo_from_json(j, t);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(accepted)";
}

TEST(TitleJson, RoundTripKeepsEveryValue) {
    const json in = json::parse(R"({
        "TipoOcorrencia": "toRetornoLiquidado", "OcorrenciaOriginal": "06",
        "DescricaoOcorrenciaOriginal": "06-Liquidação", "MotivoRejeicaoComando": "08",
        "DescricaoMotivoRejeicaoComando": "08-Nosso número inválido", "LocalPagamento": "Em qualquer banco",
        "Cedente": {"TipoInscricao": "tiPessoaJuridica", "NumeroCPFCGC": "11222333000181", "Nome": "Payee",
                    "CodigoCedente": "4321", "DigitoCodigoCedente": "9",
                    "Endereco": {"Rua": "Rua A", "Numero": "1", "Complemento": "", "Bairro": "Centro",
                                 "Cidade": "Vitória", "Estado": "ES", "CEP": "29000000", "EMail": "a@b.c"},
                    "ContaBancaria": {"Banco": {"Codigo": "021"}, "CodigoAgencia": "1234", "DigitoAgencia": "5",
                                      "NumeroConta": "67890", "DigitoConta": "1", "NomeCliente": "x"}},
        "Sacado": {"TipoInscricao": "tiOutro", "NumeroCPFCGC": "1", "Nome": "Payer",
                   "Endereco": {"Rua": "", "Numero": "", "Complemento": "", "Bairro": "", "Cidade": "",
                                "Estado": "", "CEP": "", "EMail": ""},
                   "ContaBancaria": {"Banco": {"Codigo": ""}, "CodigoAgencia": "", "DigitoAgencia": "",
                                     "NumeroConta": "", "DigitoConta": "", "NomeCliente": ""}},
        "SeuNumero": "77", "NossoNumero": "42", "NumeroDocumento": "555", "Carteira": "09",
        "AceiteDocumento": "adSim", "EspecieDocumento": "edFatura",
        "DataProcessamento": "2026-12-01", "DataDocumento": "2026-12-02", "DataVencimento": "2027-02-28",
        "DataOcorrencia": null, "DataCredito": null, "DataAbatimento": null, "DataDesconto": null,
        "DataMoraJuros": null, "DataProtesto": null, "DataBaixa": "2028-02-29",
        "ValorDocumento": "1234.56", "ValorDespesaCobranca": "0.0001", "ValorAbatimento": "0.00",
        "ValorDesconto": "-2.50", "ValorMoraJuros": "0.00", "ValorIOF": "0.00", "ValorOutrasDespesas": "0.00",
        "ValorOutrosCreditos": "99999999999.99",
        "Instrucoes": ["line 1", "line 2"], "ExibirInstrucoesAutomaticas": true, "EmissaoBoleto": "ebBancoReemite",
        "NumeroAns": "n", "EspecieDoc2": "k", "Sacador": "s", "MargemBoleto": 4, "Mensagens": ["m"]
    })");
    TcbTitulo t;
    billing::titulo_from_json(in, t);
    EXPECT_EQ(t.ValorDocumento(), Currency::FromRaw(12345600));
    EXPECT_EQ(t.DataVencimento(), EncodeDate(2027, 2, 28));
    EXPECT_EQ(t.Cedente().ContaBancaria().Banco().Codigo(), "021");
    EXPECT_EQ(billing::titulo_to_json(t), in);
}

// The streaming writer writes what dumping the title's document writes,
// nested in a list two levels deep.
TEST(TitleJson, AppendedTextIsTheDumpedDocument) {
    struct Case {
        std::string text;  // given to every text field
        std::int64_t money;
        TDateTime date;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", 0, 0, {}},
        {"PLAIN 123", 1234500, EncodeDate(2024, 3, 15), {"one"}},
        {"JOS\xC3\x89 \"quoted\" back\\slash", -5, EncodeDate(1899, 12, 30) + 1, {"a", "b\tc"}},
        {std::string("ctl\x01\x1f\x7f\b\f\n\r\t", 12) + "\xE2\x82\xAC\xF0\x9F\x98\x80", 10000, EncodeDate(9999, 12, 31),
         {""}},
        {"x", std::numeric_limits<std::int64_t>::min(), EncodeDate(2000, 1, 1), {}},
        {"x", 1, 0, {}},
        {"x", 1230, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TcbTitulo t;
        t.SetNossoNumero(c.text);
        t.SetLocalPagamento(c.text);
        t.Sacado().SetNome(c.text);
        t.Cedente().Endereco().SetCidade(c.text);
        t.Cedente().ContaBancaria().Banco().SetCodigo("237");
        t.SetValorDocumento(Currency::FromRaw(c.money));
        t.SetValorIOF(Currency::FromRaw(c.money / 3));
        t.SetDataCredito(c.date);
        t.SetMargemBoleto(-7);
        t.SetExibirInstrucoesAutomaticas(true);
        for (const std::string& l : c.lines) t.Instrucoes()->Add(l);
        const json doc = {{"Titulos", json::array({titulo_to_json(t)})}};
        const std::string dumped = doc.dump(2);
        std::string text;
        append_titulo_json(t, 2, text);
        EXPECT_EQ("{\n  \"Titulos\": [\n    " + text + "\n  ]\n}", dumped);
    }
    // Text that is not UTF-8 is refused as the document's dump refuses it.
    TcbTitulo bad;
    bad.SetSeuNumero("\xC3");
    std::string text;
    EXPECT_THROW(append_titulo_json(bad, 0, text), json::type_error);
}

#define MONEY " (esperado um número ou um texto como \"1234.56\")"

TEST(TitleJson, BadInputIsRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"Nosso": "1"})", "Campo desconhecido em Titulo: \"Nosso\""},
        {R"({"Cedente": {"Banco": "1"}})", "Campo desconhecido em Cedente: \"Banco\""},
        {R"({"DataVencimento": "2026-02-30"})", "Data inválida em \"DataVencimento\": 2026-02-30"},
        {R"({"DataVencimento": "10/12/2026"})", "Data inválida em \"DataVencimento\": 10/12/2026"},
        {R"({"ValorDocumento": "1.23456"})", "Valor monetário inválido em \"ValorDocumento\": \"1.23456\"" MONEY},
        {R"({"ValorDocumento": "1,5"})", "Valor monetário inválido em \"ValorDocumento\": \"1,5\"" MONEY},
        // An unknown name lists the accepted ones.
        {R"({"AceiteDocumento": "sim"})", "Valor desconhecido em \"AceiteDocumento\": sim (aceitos: adSim, adNao)"},
        {R"({"NossoNumero": 1.5})", "Valor inválido em \"NossoNumero\": esperado texto"},
        {R"({"Instrucoes": "x"})", "Valor inválido em \"Instrucoes\": esperada lista de linhas"},
        {R"([1])", "Esperado um objeto JSON em Titulo"},
        // Integers out of their range are refused, never wrapped.
        {R"({"MargemBoleto": 4294967297})", "Valor inválido em \"MargemBoleto\": esperado inteiro de -2147483648 a 2147483647"},
        {R"({"MargemBoleto": -2147483649})", "Valor inválido em \"MargemBoleto\": esperado inteiro de -2147483648 a 2147483647"},
        {R"({"MargemBoleto": 18446744073709551615})", "Valor inválido em \"MargemBoleto\": esperado inteiro de -2147483648 a 2147483647"},
        {R"({"ValorDocumento": 18446744073709551615})",
         "Valor monetário inválido em \"ValorDocumento\": 18446744073709551615" MONEY},
        {R"({"ValorDocumento": 9223372036854775807})",
         "Valor monetário inválido em \"ValorDocumento\": 9223372036854775807" MONEY},
    };
    for (auto [text, message] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(error_of(json::parse(text)), message);
    }
    // Numbers are accepted where they are unambiguous.
    EXPECT_EQ(error_of(json::parse(R"({"NossoNumero": 42, "ValorDocumento": 10.25})")), "(accepted)");
    TcbTitulo t;
    billing::titulo_from_json(json::parse(R"({"NossoNumero": 18446744073709551615, "MargemBoleto": -2147483648})"), t);
    EXPECT_EQ(t.NossoNumero(), "18446744073709551615");
    EXPECT_EQ(t.MargemBoleto(), -2147483648LL);
}

TEST(TitleJson, BatchIntegersOutOfRangeAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"NumeroArquivo": 2147483648})", "Valor inválido em \"NumeroArquivo\": esperado inteiro de -2147483648 a 2147483647"},
        {R"({"AmbienteArquivo": 4294967298})", "Valor inválido em \"AmbienteArquivo\": esperado inteiro de 0 a 255"},
        {R"({"AmbienteArquivo": -1})", "Valor inválido em \"AmbienteArquivo\": esperado inteiro de 0 a 255"},
    };
    for (auto [text, message] : cases) {
        SCOPED_TRACE(text);
        TcbCobranca batch;
        try {
            billing::cobranca_from_json(json::parse(text), batch, billing::engine_profile());
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
}

TEST(TitleJson, RepeatedKeysAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"NossoNumero": "1", "NossoNumero": "2"})", "Chave repetida no JSON: \"NossoNumero\""},
        {R"([{"Cedente": {"Nome": "a", "CodigoCedente": "1", "Nome": "b"}}])", "Chave repetida no JSON: \"Nome\""},
        {R"({"Titulos": [{"a": {}, "b": {"x": 1, "x": 1}}]})", "Chave repetida no JSON: \"x\""},
    };
    for (auto [text, message] : cases) {
        SCOPED_TRACE(text);
        std::istringstream in(text);
        try {
            billing::parse_json(in);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
    // The same key in sibling and nested objects is not a repeat.
    std::istringstream ok(R"([{"Nome": "a", "Endereco": {"Nome": 1}}, {"Nome": "b"}])");
    EXPECT_EQ(billing::parse_json(ok)[1]["Nome"], "b");
    std::istringstream bad("{\"a\": ");
    EXPECT_THROW(billing::parse_json(bad), nlohmann::json::parse_error);
}

TEST(TitleJson, CutTextsStayValidJson) {
    TcbTitulo t;
    billing::titulo_from_json(json::parse(R"({"Sacado": {"Endereco": {"Estado": "SÉX", "CEP": "2900000É0"}}})"), t);
    const json out = billing::titulo_to_json(t);
    std::string text;
    ASSERT_NO_THROW(text = out.dump());
    EXPECT_EQ(json::parse(text)["Sacado"]["Endereco"]["Estado"], "SÉ");
    EXPECT_EQ(json::parse(text)["Sacado"]["Endereco"]["CEP"], "2900000É");
}

TEST(TitleJson, Batch) {
    TcbCobranca batch;
    billing::cobranca_from_json(json::parse(R"({"NumeroArquivo": 7, "LayoutArquivo": "laCNAB240",
        "Titulos": [{"NossoNumero": "1"}, {"NossoNumero": "2"}]})"),
                                batch, billing::engine_profile());
    EXPECT_EQ(batch.NumeroArquivo, 7);
    EXPECT_EQ(batch.LayoutArquivo, laCNAB240);
    ASSERT_EQ(batch.Titulos.Count(), 2);
    EXPECT_EQ(GetTitulo(batch.Titulos, 1).NossoNumero(), "2");
    EXPECT_EQ(billing::cobranca_to_json(batch)["Titulos"][0]["NossoNumero"], "1");
}

}  // namespace
