// The bank table, the registration of the plug-in classes and the two lookups
// of the model with their four distinct errors.

#include "billing/clients/Startup.h"
#include "billing/Startup.h"
#include "billing/cbBancos.h"
#include "billing/cbCobranca.h"
#include "billing/cbPlugin.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <span>
#include <string_view>

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { billing::unit_startup(); }
};

std::string message_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

TEST_F(Registry, BankTableIsComplete) {
    const std::set<std::string> expected = {"001", "021", "033", "038", "104", "151", "237", "244",
                                            "275", "291", "320", "341", "347", "353", "356", "389",
                                            "394", "399", "409", "422", "479", "745", "748", "999"};
    std::set<std::string> codes;
    std::string previous;
    for (const billing::BankRow& row : billing::bank_table()) {
        SCOPED_TRACE(row.code);
        EXPECT_TRUE(codes.insert(std::string(row.code)).second) << "duplicate";
        EXPECT_GT(std::string(row.code), previous) << "out of order";
        previous = row.code;
        EXPECT_EQ(row.class_name, "TcbBanco" + std::string(row.code));
        const TClass cls = GetClass(row.class_name);
        EXPECT_EQ(cls->ClassName(), row.class_name);
        EXPECT_TRUE(cls->InheritsFrom(TPersistent::StaticClass()));
        EXPECT_FALSE(row.name.empty());
        // Every plug-in publishes the boleto operations with their signatures.
        EXPECT_NE(billing::find_operation<billing::SigTitulo>(cls, "CalcularDigitoNossoNumero"), nullptr);
        EXPECT_NE(billing::find_operation<billing::SigTitulo>(cls, "GetCampoLivreCodigoBarra"), nullptr);
        EXPECT_NE(billing::find_operation<billing::SigFormatarBoleto>(cls, "FormatarBoleto"), nullptr);
        auto name = billing::find_operation<billing::SigGetNomeBanco>(cls, "GetNomeBanco");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ((*name)(), row.name);
        EXPECT_EQ(GetClass(row.class_name), cls);
        // An instance can be created around a call; the operations use none.
        std::unique_ptr<TObject> instance(cls->Create());
        EXPECT_EQ(instance->ClassType(), cls);
    }
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(billing::bank_row("748").unit, "cbcob748");
}

TEST_F(Registry, NamesAreLookedUpByCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "BANCO DO BRASIL"},     {"104", "Caixa Econ. Federal"}, {"341", "Banco Itaú S.A."},
        {"356", "BANCO REAL           "}, {"999", "TOLVARENA"},        {"748", "SICREDI"},
    };
    for (auto [code, name] : cases) {
        TcbBanco b;
        b.SetCodigo(code);
        EXPECT_EQ(b.Nome(), name);
    }
    TcbBanco real;
    real.SetCodigo("356");
    EXPECT_EQ(real.Nome().size(), 21u);
}

TEST_F(Registry, ClassNamesIgnoreAsciiCase) {
    EXPECT_EQ(GetClass("TCBBANCO001"), GetClass("TcbBanco001"));
    ASSERT_NE(GetClass("tcbbanco748"), nullptr);
    auto img = billing::find_operation<billing::SigGetImagem>(GetClass("tcbbanco748"), "getimagem");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ((*img)(), 19);
    EXPECT_EQ(GetClass("TcbBanco001")->MethodAddress("GetImagem"), nullptr);
}

// Plug-in classes of a test: one with a name only, one with nothing, one whose
// check-digit operation has another signature (which counts as not published).
class TestPlugin : public TPersistent {
public:
    static TClass NameOnly() {
        static const TClassInfo info = core::ClassBuilder<TestPlugin, TPersistent>("TcbBanco555")
                                           .Operation("GetNomeBanco", +[]() -> std::string { return "TEST BANK"; })
                                           .Build();
        return &info;
    }
    static TClass Nothing() {
        static const TClassInfo info = core::ClassBuilder<TestPlugin, TPersistent>("TcbBanco556").Build();
        return &info;
    }
    static TClass WrongSignature() {
        static const TClassInfo info =
            core::ClassBuilder<TestPlugin, TPersistent>("TcbBanco557")
                .Operation("CalcularDigitoNossoNumero", +[]() -> std::string { return "x"; })
                .Build();
        return &info;
    }
    // Under a code no client class of billing/clients takes.
    static TClass Client746() {
        static const TClassInfo info =
            core::ClassBuilder<TestPlugin, TPersistent>("TBanco746")
                .Operation("GetNomeBanco", +[]() -> std::string { return "SICREDI (client)"; })
                .Operation("CalcularDigitoNossoNumero",
                           +[](const TcbTitulo& x) -> std::string { return "d" + x.NossoNumero(); })
                .Build();
        return &info;
    }
};

TEST_F(Registry, FourLookupErrors) {
    RegisterClasses({TestPlugin::NameOnly(), TestPlugin::Nothing(), TestPlugin::WrongSignature()});

    TcbBanco missing;
    missing.SetCodigo("002");
    EXPECT_EQ(message_of([&] { (void)missing.Nome(); }), "O banco 002 não está disponível");
    TcbBanco empty;
    EXPECT_EQ(message_of([&] { (void)empty.Nome(); }), "O banco 000 não está disponível");
    TcbBanco nameless;
    nameless.SetCodigo("556");
    EXPECT_EQ(message_of([&] { (void)nameless.Nome(); }), "O nome do banco 556 não está disponível");

    TcbTitulo t;
    EXPECT_EQ(message_of([&] { (void)t.DigitoNossoNumero(); }),
              "Os boletos para o banco 000 não estão disponíveis");
    t.Cedente().ContaBancaria().Banco().SetCodigo("2");
    EXPECT_EQ(message_of([&] { (void)t.DigitoNossoNumero(); }),
              "Os boletos para o banco 002 não estão disponíveis");
    t.Cedente().ContaBancaria().Banco().SetCodigo("555");
    EXPECT_EQ(message_of([&] { (void)t.DigitoNossoNumero(); }),
              "O cálculo do dígito do nosso número para o banco 555 não está disponível");
    t.Cedente().ContaBancaria().Banco().SetCodigo("557");
    EXPECT_EQ(message_of([&] { (void)t.DigitoNossoNumero(); }),
              "O cálculo do dígito do nosso número para o banco 557 não está disponível");

    // The title's own bank code is what counts, not the payer's.
    t.Sacado().ContaBancaria().Banco().SetCodigo("001");
    t.Cedente().ContaBancaria().Banco().SetCodigo("001");
    t.SetNossoNumero("1");
    EXPECT_EQ(t.DigitoNossoNumero(), "9");  // 1 * 9
}

TEST_F(Registry, ClientCopiesLookUpUnderTheirOwnPrefix) {
    billing::clients::unit_startup();
    const billing::ModelProfile& dorvessa = *billing::find_model_profile("DorvessaCobranca");
    const billing::ModelProfile& halvek = *billing::find_model_profile("HalvekCobranca");
    const billing::ModelProfile& seltravo = *billing::find_model_profile("SeltravoCobranca");

    // The engine's TcbBanco033 is never reached from a copy.
    TcbTitulo t(dorvessa);
    t.Cedente().ContaBancaria().Banco().SetCodigo("033");
    EXPECT_EQ(message_of([&] { (void)t.DigitoNossoNumero(); }),
              "Os boletos para o banco 033 não estão disponíveis");
    EXPECT_EQ(message_of([&] { (void)t.Cedente().ContaBancaria().Banco().Nome(); }),
              "O banco 033 não está disponível");

    // A class registered under the copy's prefix is found.
    RegisterClass(TestPlugin::Client746());
    t.Cedente().ContaBancaria().Banco().SetCodigo("746");
    t.SetNossoNumero("7");
    EXPECT_EQ(t.DigitoNossoNumero(), "d7");
    EXPECT_EQ(t.Cedente().ContaBancaria().Banco().Nome(), "SICREDI (client)");

    // A partial copy's lookup works on an engine title; one without the helper finds nothing.
    TcbTitulo engine_title;
    engine_title.Cedente().ContaBancaria().Banco().SetCodigo("409");
    EXPECT_EQ(message_of([&] { (void)billing::DigitoNossoNumero(halvek, engine_title); }),
              "Os boletos para o banco 409 não estão disponíveis");
    engine_title.Cedente().ContaBancaria().Banco().SetCodigo("001");
    EXPECT_EQ(message_of([&] { (void)billing::DigitoNossoNumero(seltravo, engine_title); }),
              "Os boletos para o banco 001 não estão disponíveis");
}

}  // namespace

namespace {

// Every bank class keeps the operations it publishes: the contract, its
// return reader and what is its own.
TEST_F(Registry, EveryBankClassPublishesItsOperations) {
    const std::vector<std::string> contract = {"GetNomeBanco", "CalcularDigitoNossoNumero", "GetCampoLivreCodigoBarra",
                                               "FormatarBoleto", "GerarRemessa", "LerRetorno"};
    const std::map<std::string, std::vector<std::string>> own = {
        {"320", {"LerRetornoCNAB400", "VeriOcorrencia", "VeriRejeicao", "GerarRemessaCNAB400"}},
        {"341", {"LerRetornoCNAB400", "VerificaOcorrenciaOriginal", "VerificaMotivoRejeicaoComando",
                 "GerarRemessaCNAB400"}},
        {"353", {"LerRetornoCNAB400", "VerificaOcorrenciaOriginal", "GerarRemessaCNAB400"}},
        {"745", {"LerRetornoCNAB400", "VerificaOcorrenciaOriginal", "VerificaMotivoRejeicaoComando",
                 "GerarRemessaCNAB400"}},
        {"748", {"GetImagem"}},
    };
    for (const billing::BankRow& row : billing::bank_table()) {
        SCOPED_TRACE(row.code);
        const TClass cls = GetClass(row.class_name);
        std::set<std::string> published;
        for (const core::OperationInfo& op : cls->Operations) published.insert(op.name);
        std::vector<std::string> expected = contract;
        if (auto it = own.find(std::string(row.code)); it != own.end()) {
            expected.insert(expected.end(), it->second.begin(), it->second.end());
        }
        for (const std::string& name : expected) EXPECT_TRUE(published.count(name)) << name;
        EXPECT_EQ(published.count("GetImagem"), row.code == "748" ? 1u : 0u);
        EXPECT_EQ(published.count("LerRetornoCNAB400"), own.count(std::string(row.code)) && row.code != "748" ? 1u : 0u);
        // The return reader is wired: an empty file is refused.
        auto ler = billing::find_operation<bool(TcbCobranca&, std::span<const std::string_view>)>(cls, "LerRetorno");
        ASSERT_NE(ler, nullptr);
        TcbCobranca batch;
        EXPECT_THROW((*ler)(batch, {}), Exception);
    }
}

}  // namespace
