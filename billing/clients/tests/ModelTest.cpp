// The title model: defaults, bank code and digit, copies, title lists, and
// the client model copies served by the same implementation.

#include "billing/Startup.h"
#include "billing/clients/Startup.h"
#include "billing/cbCobranca.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A model unit's profile; the client models come with their folder's start-up.
const billing::ModelProfile& profile(const char* unit) {
    billing::clients::unit_startup();
    return *billing::find_model_profile(unit);
}

std::vector<std::string> lines(const TStrings& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
    return out;
}

TEST(TcbBanco, CodigoIsFormattedToThreeCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "001"}, {"", ""}, {"0", ""}, {"000", ""}, {"1234", "234"}, {"ab", "0AB"}, {" 237 ", "237"},
        {"0341", "341"},
    };
    for (auto [in, stored] : cases) {
        SCOPED_TRACE(in);
        TcbBanco b;
        b.SetCodigo("999");
        b.SetCodigo(in);
        EXPECT_EQ(b.Codigo(), stored);
    }
}

TEST(TcbBanco, Digito) {
    const std::pair<const char*, const char*> cases[] = {
        {"001", "9"}, {"237", "2"}, {"341", "7"}, {"104", "0"}, {"748", "0"}, {"033", "7"}, {"", ""},
    };
    for (auto [code, digit] : cases) {
        SCOPED_TRACE(code);
        TcbBanco b;
        b.SetCodigo(code);
        EXPECT_EQ(b.Digito(), digit);
    }
    TcbBanco letters;
    letters.SetCodigo("ab");
    EXPECT_THROW(letters.Digito(), EConvertError);
}

TEST(TcbBanco, MovrentaCopyUsesItsOwnModulo11Rule) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        // code, Movrenta's digit, the engine's digit
        {"409", "1", "0"}, {"104", "1", "0"}, {"748", "1", "0"}, {"756", "1", "0"},
        {"001", "9", "9"}, {"033", "7", "7"}, {"237", "2", "2"}, {"341", "7", "7"},
    };
    for (auto [code, movrenta, engine] : cases) {
        SCOPED_TRACE(code);
        TcbBanco copy(profile("MovrentaCobranca"));
        TcbBanco own;
        copy.SetCodigo(code);
        own.SetCodigo(code);
        EXPECT_EQ(copy.Digito(), movrenta);
        EXPECT_EQ(own.Digito(), engine);
    }
}

TEST(TcbTitulo, Defaults) {
    EXPECT_EQ(TcbTitulo().LocalPagamento(), "PAGÁVEL EM QUALQUER BANCO ATÉ O VENCIMENTO");
    billing::clients::unit_startup();
    for (const billing::ModelProfile* row : billing::model_profiles()) {
        const billing::ModelProfile& p = *row;
        if (!p.full) continue;
        SCOPED_TRACE(p.unit);
        TcbTitulo t(p);
        EXPECT_EQ(t.ClassName(), p.title_class);
        EXPECT_TRUE(t.InheritsFrom(TComponent::StaticClass()));
        EXPECT_EQ(t.LocalPagamento(), p.local_pagamento);
        EXPECT_EQ(t.TipoOcorrencia(), toRemessaRegistrar);
        EXPECT_EQ(t.EspecieDocumento(), edRecibo);
        EXPECT_EQ(t.AceiteDocumento(), adNao);
        EXPECT_EQ(t.EmissaoBoleto(), ebClienteEmite);
        EXPECT_EQ(t.NossoNumero(), "");
        EXPECT_EQ(t.OcorrenciaOriginal(), "");
        EXPECT_EQ(t.DataVencimento(), 0);
        EXPECT_EQ(t.ValorDocumento(), Currency());
        EXPECT_FALSE(t.ExibirInstrucoesAutomaticas());
        EXPECT_EQ(t.MargemBoleto(), 0);
        EXPECT_EQ(t.Instrucoes()->Count(), 0);
        EXPECT_EQ(t.Mensagens()->Count(), 0);
        EXPECT_EQ(t.Cedente().ContaBancaria().Banco().Codigo(), "");
        EXPECT_EQ(t.Cedente().ClassName(), p.part_classes[4]);
        EXPECT_EQ(t.Sacado().ClassName(), p.part_classes[3]);
        EXPECT_EQ(t.Sacado().ContaBancaria().Banco().ClassName(), p.part_classes[1]);
    }
    // A partial copy has no title class.
    EXPECT_THROW(TcbTitulo(profile("HalvekCobranca")), EInvalidCast);
}

TEST(TcbEndereco, EstadoAndCepAreCutByCharacters) {
    struct Case {
        const char* estado;
        const char* estado_kept;
        const char* cep;
        const char* cep_kept;
    } cases[] = {
        {"SPX", "SP", "123456789", "12345678"},
        {"SÉX", "SÉ", "1234567É9", "1234567É"},  // É is two bytes: kept whole
        {"ÉÇ", "ÉÇ", "ÇÇÇÇÇÇÇÇ", "ÇÇÇÇÇÇÇÇ"},
        {"S", "S", "", ""},
    };
    for (const auto& c : cases) {
        TcbEndereco e;
        e.SetEstado(c.estado);
        e.SetCEP(c.cep);
        EXPECT_EQ(e.Estado(), c.estado_kept) << c.estado;
        EXPECT_EQ(e.CEP(), c.cep_kept) << c.cep;
    }
}

void fill(TcbTitulo& t) {
    t.SetTipoOcorrencia(toRetornoLiquidado);
    t.SetOcorrenciaOriginal("06");
    t.SetDescricaoOcorrenciaOriginal("06-Liquidação");
    t.SetMotivoRejeicaoComando("08");
    t.SetDescricaoMotivoRejeicaoComando("08-Nosso número inválido");
    t.SetLocalPagamento("Em qualquer banco");
    t.Cedente().SetNome("Payee");
    t.Cedente().SetCodigoCedente("12345");
    t.Cedente().SetDigitoCodigoCedente("6");
    t.Cedente().Endereco().SetCidade("Vitória");
    t.Cedente().ContaBancaria().Banco().SetCodigo("237");
    t.Cedente().ContaBancaria().SetNumeroConta("777");
    t.Sacado().SetTipoInscricao(tiPessoaJuridica);
    t.Sacado().SetNumeroCPFCGC("11222333000181");
    t.Sacado().Endereco().SetCEP("29000000");
    t.SetNossoNumero("42");
    t.SetCarteira("09");
    t.SetEspecieDocumento(edDuplicataMercantil);
    t.SetDataVencimento(46000);
    t.SetDataBaixa(46010);
    t.SetValorDocumento(Currency::FromRaw(1234500));
    t.SetValorOutrosCreditos(Currency::FromRaw(7));
    TStringList instrucoes;
    instrucoes.Add("line 1");
    instrucoes.Add("line 2");
    t.SetInstrucoes(&instrucoes);
    instrucoes.Add("not copied");
    t.Mensagens()->Add("message");
    t.SetEmissaoBoleto(ebBancoEmite);
    t.SetNumeroAns("ans");
    t.SetEspecieDoc2("kind");
    t.SetSacador("drawer");
    t.SetExibirInstrucoesAutomaticas(true);
    t.SetMargemBoleto(12);
    t.SetName("source");
    t.SetTag(5);
}

TEST(TcbTitulo, AdicionarCopiaMakesAnIndependentCopy) {
    TcbTitulo source;
    fill(source);
    TcbTitulos list;
    AdicionarCopia(list, source);
    ASSERT_EQ(list.Count(), 1);
    TcbTitulo& copy = GetTitulo(list, 0);

    // Changing the source afterwards leaves the copy as it was.
    source.Cedente().ContaBancaria().Banco().SetCodigo("341");
    source.Cedente().Endereco().SetCidade("Recife");
    source.Sacado().SetNumeroCPFCGC("0");
    source.Instrucoes()->Add("line 3");
    source.SetNossoNumero("43");

    EXPECT_EQ(copy.TipoOcorrencia(), toRetornoLiquidado);
    EXPECT_EQ(copy.OcorrenciaOriginal(), "06");
    EXPECT_EQ(copy.DescricaoOcorrenciaOriginal(), "06-Liquidação");
    EXPECT_EQ(copy.MotivoRejeicaoComando(), "08");
    EXPECT_EQ(copy.DescricaoMotivoRejeicaoComando(), "08-Nosso número inválido");
    EXPECT_EQ(copy.LocalPagamento(), "Em qualquer banco");
    EXPECT_EQ(copy.Cedente().Nome(), "Payee");
    EXPECT_EQ(copy.Cedente().CodigoCedente(), "12345");
    EXPECT_EQ(copy.Cedente().DigitoCodigoCedente(), "6");
    EXPECT_EQ(copy.Cedente().Endereco().Cidade(), "Vitória");
    EXPECT_EQ(copy.Cedente().ContaBancaria().Banco().Codigo(), "237");
    EXPECT_EQ(copy.Cedente().ContaBancaria().NumeroConta(), "777");
    EXPECT_EQ(copy.Sacado().TipoInscricao(), tiPessoaJuridica);
    EXPECT_EQ(copy.Sacado().NumeroCPFCGC(), "11222333000181");
    EXPECT_EQ(copy.Sacado().Endereco().CEP(), "29000000");
    EXPECT_EQ(copy.NossoNumero(), "42");
    EXPECT_EQ(copy.Carteira(), "09");
    EXPECT_EQ(copy.EspecieDocumento(), edDuplicataMercantil);
    EXPECT_EQ(copy.DataVencimento(), 46000);
    EXPECT_EQ(copy.DataBaixa(), 46010);
    EXPECT_EQ(copy.ValorDocumento(), Currency::FromRaw(1234500));
    EXPECT_EQ(copy.ValorOutrosCreditos(), Currency::FromRaw(7));
    EXPECT_EQ(lines(*copy.Instrucoes()), (std::vector<std::string>{"line 1", "line 2"}));
    EXPECT_EQ(lines(*copy.Mensagens()), (std::vector<std::string>{"message"}));
    EXPECT_EQ(copy.EmissaoBoleto(), ebBancoEmite);
    EXPECT_EQ(copy.NumeroAns(), "ans");
    EXPECT_EQ(copy.EspecieDoc2(), "kind");
    EXPECT_EQ(copy.Sacador(), "drawer");
    // Not copied: the printing switches and the component's name and tag.
    EXPECT_FALSE(copy.ExibirInstrucoesAutomaticas());
    EXPECT_EQ(copy.MargemBoleto(), 0);
    EXPECT_EQ(copy.Name(), "");
    EXPECT_EQ(copy.Tag(), 0);
}

TEST(TcbTitulo, CopiarDeKeepsTheTargetsPrintingSwitches) {
    TcbTitulo source;
    TcbTitulo target;
    target.SetExibirInstrucoesAutomaticas(true);
    target.SetMargemBoleto(3);
    target.CopiarDe(source);
    EXPECT_TRUE(target.ExibirInstrucoesAutomaticas());
    EXPECT_EQ(target.MargemBoleto(), 3);
}

TEST(TcbTitulos, GetTituloErrors) {
    TcbTitulos list;
    try {
        GetTitulo(list, 0);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (0)");
    }
    TcbTitulo t;
    AdicionarCopia(list, t);
    EXPECT_THROW(GetTitulo(list, -1), EListError);
    EXPECT_THROW(GetTitulo(list, 1), EListError);
    EXPECT_NO_THROW(GetTitulo(list, 0));

    // A title of the engine is not a title of a client copy.
    EXPECT_THROW(billing::GetTitulo(profile("PrentalvaCobranca"), list, 0), EInvalidCast);
}

TEST(TcbTitulos, ModelsDoNotMix) {
    TcbTitulo engine;
    TcbTitulo movrenta(profile("MovrentaCobranca"));
    EXPECT_THROW(movrenta.CopiarDe(engine), EInvalidCast);
    EXPECT_THROW(engine.Cedente().CopiarDe(movrenta.Cedente()), EInvalidCast);
    TcbTitulos list;
    EXPECT_THROW(billing::AdicionarCopia(profile("MovrentaCobranca"), list, engine), EInvalidCast);
    EXPECT_EQ(list.Count(), 0);

    TcbTitulos copies;
    billing::AdicionarCopia(profile("MovrentaCobranca"), copies, movrenta);
    EXPECT_EQ(billing::GetTitulo(profile("MovrentaCobranca"), copies, 0).ClassName(), "TMovrentaTitulo");
    EXPECT_THROW(GetTitulo(copies, 0), EInvalidCast);
}

}  // namespace

namespace {

TEST(ModelClasses, PublishedPropertiesInTheirOrder) {
    TcbTitulo t;
    std::vector<std::string> names;
    for (const core::PropInfo* p : t.ClassType()->AllProperties()) names.push_back(p->name);
    // The component's own properties come first; the title's 40 follow in published order.
    const std::vector<std::string> title = {
        "TipoOcorrencia", "OcorrenciaOriginal", "DescricaoOcorrenciaOriginal", "MotivoRejeicaoComando",
        "DescricaoMotivoRejeicaoComando", "LocalPagamento", "Cedente", "Sacado", "SeuNumero", "NossoNumero",
        "NumeroDocumento", "Carteira", "AceiteDocumento", "EspecieDocumento", "DataProcessamento", "DataDocumento",
        "DataVencimento", "DataOcorrencia", "DataCredito", "DataAbatimento", "DataDesconto", "DataMoraJuros",
        "DataProtesto", "DataBaixa", "ValorDocumento", "ValorDespesaCobranca", "ValorAbatimento", "ValorDesconto",
        "ValorMoraJuros", "ValorIOF", "ValorOutrasDespesas", "ValorOutrosCreditos", "Instrucoes",
        "ExibirInstrucoesAutomaticas", "EmissaoBoleto", "NumeroAns", "EspecieDoc2", "Sacador", "MargemBoleto",
        "Mensagens"};
    ASSERT_GE(names.size(), title.size());
    EXPECT_EQ(std::vector<std::string>(names.end() - title.size(), names.end()), title);

    // Properties are reached by name, through the owned parts.
    core::set_property(t, "NossoNumero", std::string("123"));
    core::set_property(t, "EspecieDocumento", std::int64_t(edFatura));
    EXPECT_EQ(t.NossoNumero(), "123");
    EXPECT_EQ(t.EspecieDocumento(), edFatura);
    auto* banco = dynamic_cast<TcbBanco*>(
        std::get<TObject*>(core::get_property(t.Cedente().ContaBancaria(), "Banco")));
    ASSERT_NE(banco, nullptr);
    core::set_property(*banco, "Codigo", std::string("1"));
    EXPECT_EQ(t.Cedente().ContaBancaria().Banco().Codigo(), "001");
    EXPECT_EQ(std::get<std::string>(core::get_property(*banco, "Digito")), "9");
    EXPECT_TRUE(t.Cedente().ClassType()->FindProperty("Nome") != nullptr);  // inherited from the person
}

TEST(ModelClasses, EachModelHasItsOwnClasses) {
    const billing::ModelProfile& movrenta = profile("MovrentaCobranca");
    TcbTitulo copy(movrenta);
    TcbTitulo own;
    EXPECT_EQ(copy.ClassName(), "TMovrentaTitulo");
    EXPECT_EQ(copy.Cedente().ClassName(), "TCedente");
    EXPECT_EQ(copy.Cedente().ContaBancaria().Banco().ClassName(), "TBanco");
    EXPECT_EQ(own.Cedente().ContaBancaria().Banco().ClassName(), "TcbBanco");
    EXPECT_NE(copy.ClassType(), own.ClassType());
    EXPECT_FALSE(copy.InheritsFrom(TcbTitulo::StaticClass()));
    EXPECT_TRUE(copy.Cedente().InheritsFrom(billing::model_class(movrenta, billing::kPessoa)));
    // A class description creates objects of its own model.
    std::unique_ptr<TObject> made(copy.ClassType()->Create());
    EXPECT_EQ(&dynamic_cast<TcbTitulo&>(*made).Profile(), &movrenta);
    // The model's classes are not registered.
    EXPECT_EQ(GetClass("TcbTitulo"), nullptr);
}

// The client model Movrenta's own modulo 11 differs from the engine's only
// for small remainders.
TEST(CheckDigits, MovrentaModulo11DiffersOnlyForSmallRemainders) {
    billing::clients::unit_startup();
    const billing::ModelProfile& movrenta = *billing::find_model_profile("MovrentaCobranca");
    EXPECT_EQ(billing::Modulo11(movrenta, "409", 9, true), "1");
    EXPECT_EQ(billing::Modulo11(movrenta, "409", 9, false), "1");
    EXPECT_EQ(billing::Modulo11(movrenta, "5", 9, false), "1");  // remainder 10
    EXPECT_EQ(billing::Modulo11(movrenta, "001", 9, false), "9");
}

}  // namespace
