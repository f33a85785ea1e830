// The Bradesco client bank classes: the engine's 237 rules on a client's
// title model, TBrevantaBanco237's boleto text, the 237 writer and reader.

#include "billing/PluginClasses.h"
#include "billing/clients/BradescoFamily.h"
#include "billing/clients/tests/FamilyTestSupport.h"

#include <map>

namespace {

using namespace family_test;

using BradescoFamily = FamilyTest;

struct Family {
    const char* class_name;
    const char* unit;
    const char* model;  // "" for the engine's
    const char* title_class;
    const char* place;  // LocalPagamento of the titles it reads
};

constexpr const char* kPagavelBradesco = "Pagavel preferencialmente na rede Bradesco ou Bradesco Expresso";
constexpr Family kFamily[] = {
    {"TTrelvaniBanco237", "TrelvaniCobBradescoUnicred", "TrelvaniCobrancaBradescoUnicred",
     "TTrelvaniTituloBradescoUnicred", kPagavelBradesco},
    {"TQuembraBanco237", "QuembraCobBradescoUnicred", "QuembraCobrancaBradescoUnicred", "TQuembraTituloBradescoUnicred",
     kPagavelBradesco},
    {"TBrevantaBanco237", "BrevantaCobBradesco", "", "TcbTitulo", "PAGÁVEL EM QUALQUER BANCO ATÉ O VENCIMENTO"},
};

TitleFields bradesco(std::string nosso, std::string carteira = "9") {
    TitleFields f;
    f.code = "237";
    f.nosso = std::move(nosso);
    f.carteira = std::move(carteira);
    f.agencia = "1234";
    f.conta = "98765";
    f.cedente = "4567";
    return f;
}

TEST_F(BradescoFamily, RegisteredWithTheirUnitsAndReachedByTheirModels) {
    std::map<std::string, std::string> units;
    for (const billing::PluginClass& p : billing::plugin_classes()) units[p.cls->ClassName()] = std::string(p.unit);
    for (const Family& f : kFamily) {
        SCOPED_TRACE(f.class_name);
        EXPECT_EQ(units[f.class_name], f.unit);
        EXPECT_EQ(op<billing::SigGetNomeBanco>(f.class_name, "GetNomeBanco")(), "BRADESCO");
        EXPECT_NE(cls(f.class_name)->MethodAddress("LerRetorno"), nullptr);
    }
    EXPECT_EQ(billing::plugin_class_name(model("TrelvaniCobrancaBradescoUnicred"), billing::Lookup::Digito, "237"),
              "TTrelvaniBanco237");
    EXPECT_EQ(billing::plugin_class_name(model("QuembraCobrancaBradescoUnicred"), billing::Lookup::Nome, "237"),
              "TQuembraBanco237");
    EXPECT_EQ(billing::NomeBanco(model("QuembraCobrancaBradescoUnicred"), "237"), "BRADESCO");
}

// The digit, free field and boleto texts equal the engine's 237 ones for
// digit nosso números, in every class.
TEST_F(BradescoFamily, BoletoRulesOfBank237) {
    const struct {
        TitleFields fields;
        std::string digit;
    } cases[] = {
        {bradesco("6", "0"), "P"},  // weighted sum 12: remainder 1
        {bradesco("6"), "2"},       // carteira 9 weighs 7: 75, remainder 9
        {bradesco("1", "0"), "9"},
        {bradesco("0", "0"), "0"},
    };
    for (const Family& f : kFamily) {
        for (const auto& [fields, digit] : cases) {
            SCOPED_TRACE(std::string(f.class_name) + " " + fields.nosso);
            auto t = title(model(f.model), fields);
            auto engine = title(billing::engine_profile(), fields);
            EXPECT_EQ(call(f.class_name, "CalcularDigitoNossoNumero", *t), call("TcbBanco237", "CalcularDigitoNossoNumero", *engine));
            EXPECT_EQ(call(f.class_name, "CalcularDigitoNossoNumero", *t), digit);
            EXPECT_EQ(call(f.class_name, "GetCampoLivreCodigoBarra", *t),
                      "1234" + Formatar(fields.carteira, 2, false, '0') + Formatar(fields.nosso, 11, false, '0') +
                          "0098765" + "0");
            const Boleto b = boleto(f.class_name, *t);
            EXPECT_EQ(b.nosso, Formatar(fields.carteira, 3, false, '0') + "/" + Formatar(fields.nosso, 11, false, '0') +
                                   "-" + digit);
            EXPECT_EQ(b.agencia, "1234-/0004567-");
            EXPECT_EQ(b.carteira, Formatar(fields.carteira, 3, false, '0'));
            EXPECT_EQ(b.especie, "");
        }
    }
}

TEST_F(BradescoFamily, BrevantaShowsTheNossoNumeroAsStored) {
    const struct {
        std::string nosso;
        std::string shown;
    } cases[] = {
        {"  123  ", "00000000123"},
        {"\t123\r\n", "00000000123"},
        {"0034567890123", "34567890123"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nosso);
        auto t = title(billing::engine_profile(), bradesco(c.nosso));
        const std::string digit = call("TcbBanco237", "CalcularDigitoNossoNumero", *t);
        EXPECT_EQ(boleto("TBrevantaBanco237", *t).nosso, "009/" + c.shown + "-" + digit);
    }
    // Thirteen significant digits: bank 237's check digit refuses what its 11 places cannot hold.
    EXPECT_THROW(boleto("TBrevantaBanco237", *title(billing::engine_profile(), bradesco("1234567890123"))),
                 billing::ECampoNaoCabe);
    // Letters stay as stored in the text, but the check digit that follows
    // them cannot be computed: the conversion error, after the agency text.
    auto t = title(billing::engine_profile(), bradesco("abc12"));
    Boleto b;
    EXPECT_THROW(op<billing::SigFormatarBoleto>("TBrevantaBanco237", "FormatarBoleto")(*t, b.agencia, b.nosso,
                                                                                          b.carteira, b.especie),
                 EConvertError);
    EXPECT_EQ(b.agencia, "1234-/0004567-");
    EXPECT_EQ(b.nosso, "");
}

TEST_F(BradescoFamily, RemittancesOfEveryClass) {
    for (const Family& f : kFamily) {
        SCOPED_TRACE(f.class_name);
        TcbCobranca batch;
        fill_batch(batch, model(f.model), "237", 30);
        TStringList lines;
        ASSERT_TRUE(op<billing::SigGerarRemessa>(f.class_name, "GerarRemessa")(batch, lines));
        expect_cnab400_shape(lines, 30);
        EXPECT_EQ(pos(lines[0], 77, 79), "237");
        EXPECT_EQ(pos(lines[0], 80, 94), "BRADESCO       ");
        // The check digit at 82 of each detail is the class's own.
        auto& first = GetTitulo(model(f.model), batch.Titulos, 0);
        EXPECT_EQ(pos(lines[1], 82, 82), call(f.class_name, "CalcularDigitoNossoNumero", first));
    }
}

TEST_F(BradescoFamily, WriterRefusals) {
    // A second title of bank 341: the header and the first detail stay.
    TcbCobranca batch;
    fill_batch(batch, model("QuembraCobrancaBradescoUnicred"), "237", 2);
    GetTitulo(model("QuembraCobrancaBradescoUnicred"), batch.Titulos, 1).Cedente().ContaBancaria().Banco().SetCodigo("341");
    TStringList lines;
    EXPECT_EQ(message_of([&] { op<billing::SigGerarRemessa>("TQuembraBanco237", "GerarRemessa")(batch, lines); }),
              "Titulo não pertence ao banco 237 - BRADESCO");
    EXPECT_EQ(lines.Count(), 2);
    // Titles of another model: the invalid cast, both ways.
    TcbCobranca engine_batch;
    fill_batch(engine_batch, billing::engine_profile(), "237", 1);
    EXPECT_THROW(op<billing::SigGerarRemessa>("TTrelvaniBanco237", "GerarRemessa")(engine_batch, lines), EInvalidCast);
    TcbCobranca trelvani_batch;
    fill_batch(trelvani_batch, model("TrelvaniCobrancaBradescoUnicred"), "237", 1);
    EXPECT_THROW(op<billing::SigGerarRemessa>("TBrevantaBanco237", "GerarRemessa")(trelvani_batch, lines), EInvalidCast);
    // Layouts other than CNAB 400.
    trelvani_batch.LayoutArquivo = laCNAB240;
    EXPECT_EQ(message_of([&] { op<billing::SigGerarRemessa>("TTrelvaniBanco237", "GerarRemessa")(trelvani_batch, lines); }),
              "A geração de arquivo de remessa para o BRADESCO não está está disponível para o layout laCNAB240");
    trelvani_batch.LayoutArquivo = laInvalido;
    EXPECT_EQ(message_of([&] { op<billing::SigGerarRemessa>("TTrelvaniBanco237", "GerarRemessa")(trelvani_batch, lines); }),
              "Layout de arquivo inválido. Diferente de laCNAB400");
}

// Every field read is written for every record: a liquidation after a
// rejection has empty motive fields, code and description in their own
// fields, and "000000" is no credit date.
TEST_F(BradescoFamily, ReaderWritesEveryFieldForEveryRecord) {
    std::string header = return_header("237");
    header.replace(108, 5, "00042");
    auto record = [](const char* occurrence, const char* motive, const char* credit) {
        std::string d(400, '0');
        d.replace(0, 1, "1");
        d.replace(1, 2, "02");
        d.replace(108, 2, occurrence);
        d.replace(110, 6, "100324");
        d.replace(295, 6, credit);
        d.replace(318, 2, motive);
        return d;
    };
    const std::string rejected = record("03", "48", "110324");
    const std::string paid = record("06", "48", "000000");
    for (const Family& f : kFamily) {
        SCOPED_TRACE(f.class_name);
        const std::vector<std::string_view> lines = {header, rejected, paid};
        TcbCobranca batch;
        ASSERT_TRUE(op<billing::SigLerRetorno>(f.class_name, "LerRetorno")(batch, lines));
        ASSERT_EQ(batch.Titulos.Count(), 2);
        const TcbTitulo& r = GetTitulo(model(f.model), batch.Titulos, 0);
        const TcbTitulo& p = GetTitulo(model(f.model), batch.Titulos, 1);
        EXPECT_EQ(r.ClassName(), f.title_class);
        EXPECT_EQ(r.LocalPagamento(), f.place);
        EXPECT_EQ(r.MotivoRejeicaoComando(), "48");
        EXPECT_EQ(r.DescricaoMotivoRejeicaoComando(), "48 - CEP irregular");
        EXPECT_EQ(r.DataCredito(), EncodeDate(2024, 3, 11));
        EXPECT_EQ(p.TipoOcorrencia(), toRetornoLiquidado);
        EXPECT_EQ(p.MotivoRejeicaoComando(), "");
        EXPECT_EQ(p.DescricaoMotivoRejeicaoComando(), "");
        EXPECT_EQ(p.DataCredito(), 0);
    }
}

TEST_F(BradescoFamily, ReaderFrame) {
    const std::string line240(240, ' ');
    const std::vector<std::string_view> lines = {line240};
    TcbCobranca batch;
    batch.LayoutArquivo = laCNAB400;
    EXPECT_EQ(message_of([&] { op<billing::SigLerRetorno>("TQuembraBanco237", "LerRetorno")(batch, lines); }),
              "A leitura de arquivo de retorno para o BRADESCO não está está disponível para o layout laCNAB240");
    EXPECT_EQ(batch.LayoutArquivo, laCNAB400);
    const std::string header = return_header("341");
    const std::vector<std::string_view> other = {header};
    EXPECT_EQ(message_of([&] { op<billing::SigLerRetorno>("TBrevantaBanco237", "LerRetorno")(batch, other); }),
              "Este não é um retorno de cobrança do banco 237 - BRADESCO");
}

}  // namespace
