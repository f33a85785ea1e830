// The client title models: the rows against the list of client model units,
// their lookups, their titles and title lists.

#include "billing/Startup.h"
#include "billing/cbCobranca.h"
#include "billing/cbPlugin.h"
#include "billing/clients/ClientModels.h"
#include "billing/clients/Startup.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

using billing::Lookup;
using billing::ModelProfile;

// The units in the profile table before any start-up ran: the engine's alone.
std::vector<std::string> g_units_before_startup;

class BeforeStartup : public ::testing::Environment {
public:
    void SetUp() override {
        for (const ModelProfile* p : billing::model_profiles()) g_units_before_startup.emplace_back(p->unit);
    }
};
const auto* const g_before = ::testing::AddGlobalTestEnvironment(new BeforeStartup);

class ClientModels : public ::testing::Test {
protected:
    void SetUp() override {
        billing::unit_startup();
        billing::clients::unit_startup();
    }
    static const ModelProfile& model(const char* unit) {
        const ModelProfile* p = billing::find_model_profile(unit);
        if (p == nullptr) throw Exception(std::string("no model ") + unit);
        return *p;
    }
};

std::string message_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

constexpr const char* kBradescoPlace = "Pagavel preferencialmente na rede Bradesco ou Bradesco Expresso";
constexpr const char* kAnyBankPlace = "PAGÁVEL EM QUALQUER BANCO ATÉ O VENCIMENTO";

// The client model units: kind, title class, whether its parts carry the
// engine's names, the class names its Nome and DigitoNossoNumero look up for
// bank code 341 ("" for none), Modulo10 and Modulo11 held.
struct Unit {
    const char* unit;
    bool full;
    const char* title;
    bool engine_part_names;
    const char* nome_341;
    const char* digito_341;
    bool modulo10;
    bool modulo11;
};

const Unit kUnits[] = {
    {"DorvessaCobranca", true, "TDorvessaTitulo", false, "TBanco341", "TBanco341", false, true},
    {"MovrentaCobranca", true, "TMovrentaTitulo", false, "TMovrentaBanco341", "TMovrentaBanco341", true, true},
    {"BrevantaCobranca", true, "TBrevantaTitulo", false, "TBrevantaBanco341", "TBrevantaBanco341", true, true},
    {"XandreloCobranca", true, "TXandreloTitulo", false, "TXandreloBanco341", "TXandreloBanco341", false, true},
    {"PrentalvaCobranca", true, "TPrentalvaTitulo", false, "TPrentalvaBanco341", "TPrentalvaBanco341", true, true},
    {"LirvantoCobranca", true, "TLirvantoTitulo", false, "TLirvantoBanco341", "TLirvantoBanco341", true, true},
    {"QuistralSaudeCobranca", true, "TQuistralSaudeTitulo", false, "TQuistralSaudeBanco341",
     "TQuistralSaudeBanco341", true, true},
    {"TrelvaniCobranca", true, "TTrelvaniTitulo", false, "TTrelvaniBanco341", "TTrelvaniBanco341", true, true},
    {"TrelvaniCobrancaItauUnicred", true, "TTrelvaniTituloItauUnicred", false, "TTrelvaniBanco341Unicred", "", true,
     true},
    {"TrelvaniCobrancaBradescoUnicred", true, "TTrelvaniTituloBradescoUnicred", true, "TTrelvaniBanco341",
     "TTrelvaniBanco341", false, true},
    {"CrestalvoCobrancaItau", true, "TCrestalvoTitulo", false, "TCrestalvoBanco341", "TCrestalvoBanco341", true, true},
    {"KavrinoCobrancaSAFRA", true, "TKavrinoTituloSAFRA", false, "TKavrinoBanco341", "TKavrinoBanco341", true, true},
    {"KavrinoCobrancaSAFRA_Bradesco", true, "TKavrinoTituloSAFRA_Bradesco", false, "TKavrinoBanco341",
     "TKavrinoBanco341", true, true},
    {"KavrinoCobranca", true, "TKavrinoTituloItau", false, "TKavrinoBanco341", "TKavrinoBanco341", true, true},
    {"KavrinoCobrancaItauSafra", true, "TKavrinoTituloItauSafra", false, "TKavrinoBanco341Safra",
     "TKavrinoBanco341Safra", true, true},
    {"QuembraCobrancaBradescoUnicred", true, "TQuembraTituloBradescoUnicred", true, "TQuembraBanco341",
     "TQuembraBanco341", false, true},
    {"HalvekCobranca", false, "", false, "", "THalvekBanco341", false, true},
    {"SeltravoCobranca", false, "", false, "", "", false, false},
    {"BenthavorCobranca", false, "", false, "", "", false, false},
    {"QuistralCobrancaSantander", false, "", false, "", "", false, true},
    {"FalmorenCobranca", false, "", false, "", "TFalmorenBanco341", false, true},
    {"CalderunaCobranca", false, "", false, "", "", false, true},
    {"VantorimCobranca", false, "", false, "", "TVantorimBanco341", false, true},
    {"FendrasilCobrancaSantander", false, "", false, "", "", false, true},
    {"FendrasilCobranca", false, "", false, "", "TFendrasilBanco341", false, false},
    {"NobrellaCobranca", false, "", false, "", "", false, true},
    {"EsquilorCobranca", false, "", false, "", "", false, true},
    {"UlveraneCobranca", false, "", false, "", "", false, true},
    {"CrestalvoCobrancaCaixa", false, "", false, "", "", false, true},
    {"WendoricCobrancaSantander", false, "", false, "", "", false, true},
    {"PilvastroCobranca", false, "", false, "", "", false, true},
    {"KavrinoCobrancaSantander", false, "", false, "", "", false, true},
    {"YorlandeCobrancaSantander", false, "", false, "", "", false, true},
    {"BrevantaCobrancaSantander", false, "", false, "", "", false, true},
    {"SarlentaCobrancaSICOOB", false, "", false, "", "TSarlentaBanco341", false, false},
    {"ZelvoriaCobranca", false, "", false, "", "", false, true},
    {"VorqCobranca", false, "", false, "", "", false, true},
};

TEST(ClientModelTable, TheEnginesTableNamesNoClient) {
    EXPECT_EQ(g_units_before_startup, std::vector<std::string>{"cbCobranca"});
    for (const ModelProfile& p : billing::clients::client_models()) EXPECT_NE(p.unit, "cbCobranca");
}

TEST_F(ClientModels, TableHoldsEveryUnitOnce) {
    std::map<std::string, int> seen;
    for (const ModelProfile* p : billing::model_profiles()) ++seen[std::string(p->unit)];
    EXPECT_EQ(billing::model_profiles().front(), &billing::engine_profile());
    EXPECT_EQ(seen.size(), std::size(kUnits) + 1);
    EXPECT_EQ(seen["cbCobranca"], 1);
    int full = 0;
    for (const Unit& u : kUnits) {
        SCOPED_TRACE(u.unit);
        EXPECT_EQ(seen[u.unit], 1);
        const ModelProfile& p = model(u.unit);
        full += p.full;
        EXPECT_EQ(p.full, u.full);
        EXPECT_EQ(p.title_class, u.title);
        EXPECT_TRUE(p.holds(billing::kHelperFormatar));
        EXPECT_FALSE(p.holds(billing::kHelperModulo11Decrescente));
        EXPECT_EQ(p.holds(billing::kHelperModulo10), u.modulo10);
        EXPECT_EQ(p.holds(billing::kHelperModulo11), u.modulo11);
        if (u.full) {
            EXPECT_EQ(p.part_classes[billing::kBanco], u.engine_part_names ? "TcbBanco" : "TBanco");
            EXPECT_EQ(p.part_classes[billing::kCedente], u.engine_part_names ? "TcbCedente" : "TCedente");
        }
        EXPECT_EQ(billing::plugin_class_name(p, Lookup::Nome, "341"), u.nome_341);
        EXPECT_EQ(billing::plugin_class_name(p, Lookup::Digito, "341"), u.digito_341);
    }
    EXPECT_EQ(full, 16);
    // A second start-up adds nothing.
    billing::clients::unit_startup();
    EXPECT_EQ(billing::model_profiles().size(), std::size(kUnits) + 1);
}

TEST_F(ClientModels, AnotherRowUnderATakenUnitIsRefused) {
    static const ModelProfile impostor[] = {{"MovrentaCobranca", true, 0, "TX", billing::kEnginePartClasses, "TX", "",
                                             "", billing::kPagavelQualquerBanco, billing::Modulo11Rule::Engine}};
    EXPECT_THROW(billing::register_model_profiles(impostor), Exception);
    EXPECT_EQ(&model("MovrentaCobranca"), &billing::clients::client_models()[1]);
}

TEST_F(ClientModels, LookupNamesFormatTheCode) {
    const struct {
        const char* unit;
        const char* code;
        Lookup which;
        const char* name;
    } cases[] = {
        {"DorvessaCobranca", "748", Lookup::Nome, "TBanco748"},
        {"KavrinoCobrancaItauSafra", "422", Lookup::Digito, "TKavrinoBanco422Safra"},
        {"KavrinoCobrancaSAFRA_Bradesco", "422", Lookup::Digito, "TKavrinoBanco422"},
        {"TrelvaniCobrancaItauUnicred", "237", Lookup::Nome, "TTrelvaniBanco237Unicred"},
        {"SarlentaCobrancaSICOOB", "", Lookup::Digito, "TSarlentaBanco000"},
        {"FendrasilCobranca", "0341", Lookup::Digito, "TFendrasilBanco341"},
        {"QuembraCobrancaBradescoUnicred", "1", Lookup::Digito, "TQuembraBanco001"},
        {"HalvekCobranca", "33", Lookup::Nome, ""},  // a partial copy has no bank class
        {"SeltravoCobranca", "033", Lookup::Digito, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.unit) + " " + c.code);
        EXPECT_EQ(billing::plugin_class_name(model(c.unit), c.which, c.code), c.name);
    }
}

TEST_F(ClientModels, LookupMessagesCarryTheThreeDigitCode) {
    const struct {
        const char* unit;
        const char* code;
        Lookup which;
        const char* message;
    } cases[] = {
        {"DorvessaCobranca", "033", Lookup::Digito, "Os boletos para o banco 033 não estão disponíveis"},
        {"DorvessaCobranca", "033", Lookup::Nome, "O banco 033 não está disponível"},
        {"DorvessaCobranca", "000", Lookup::Nome, "O banco 000 não está disponível"},
        {"QuembraCobrancaBradescoUnicred", "", Lookup::Nome, "O banco 000 não está disponível"},
        {"HalvekCobranca", "409", Lookup::Digito, "Os boletos para o banco 409 não estão disponíveis"},
        {"FendrasilCobranca", "104", Lookup::Digito, "Os boletos para o banco 104 não estão disponíveis"},
        {"SarlentaCobrancaSICOOB", "", Lookup::Digito, "Os boletos para o banco 000 não estão disponíveis"},
        {"SeltravoCobranca", "033", Lookup::Digito, "Os boletos para o banco 033 não estão disponíveis"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.unit) + " " + c.code);
        const ModelProfile& p = model(c.unit);
        if (c.which == Lookup::Nome) {
            TcbBanco banco(p);
            banco.SetCodigo(c.code);
            EXPECT_EQ(message_of([&] { (void)banco.Nome(); }), c.message);
        } else {
            // Partial copies work on the engine's titles, full ones on their own.
            TcbTitulo t(p.full ? p : billing::engine_profile());
            t.Cedente().ContaBancaria().Banco().SetCodigo(c.code);
            EXPECT_EQ(message_of([&] { (void)billing::DigitoNossoNumero(p, t); }), c.message);
        }
    }
}

// A bank class registered under a client's name rule: with no operation, a
// name only, or a name and a check digit that answers with the nosso número
// of whatever title it is handed.
enum class Publishes { Nothing, Name, NameAndDigit };

class StandIn : public TPersistent {
public:
    static TClass Describe(const char* name, Publishes ops) {
        static std::map<std::string, std::unique_ptr<TClassInfo>> infos;
        auto& info = infos[name];
        if (!info) {
            core::ClassBuilder<StandIn, TPersistent> b(name);
            if (ops != Publishes::Nothing) b.Operation("GetNomeBanco", +[]() -> std::string { return "STAND-IN"; });
            if (ops == Publishes::NameAndDigit) {
                b.Operation("CalcularDigitoNossoNumero", +[](const TcbTitulo& t) { return t.NossoNumero(); });
            }
            info = std::make_unique<TClassInfo>(b.Build());
        }
        return info.get();
    }
};

TEST_F(ClientModels, LookupsReachClassesByTheModelsRuleAndTakeAnyModelsTitle) {
    RegisterClass(StandIn::Describe("TKavrinoBanco555Safra", Publishes::NameAndDigit));
    RegisterClass(StandIn::Describe("TKavrinoBanco555", Publishes::Name));
    RegisterClass(StandIn::Describe("THalvekBanco555", Publishes::NameAndDigit));

    TcbTitulo safra(model("KavrinoCobrancaItauSafra"));
    safra.Cedente().ContaBancaria().Banco().SetCodigo("555");
    safra.SetNossoNumero("77");
    EXPECT_EQ(safra.DigitoNossoNumero(), "77");
    EXPECT_EQ(safra.Cedente().ContaBancaria().Banco().Nome(), "STAND-IN");

    // The plain prefix finds the class without the suffix, which has no digit operation.
    TcbTitulo itau(model("KavrinoCobranca"));
    itau.Cedente().ContaBancaria().Banco().SetCodigo("555");
    EXPECT_EQ(message_of([&] { (void)itau.DigitoNossoNumero(); }),
              "O cálculo do dígito do nosso número para o banco 555 não está disponível");
    // The name lookup of the Unicred model carries a suffix of its own: nothing is found.
    TcbBanco unicred(model("TrelvaniCobrancaItauUnicred"));
    unicred.SetCodigo("555");
    EXPECT_EQ(message_of([&] { (void)unicred.Nome(); }), "O banco 555 não está disponível");

    // A class that publishes nothing: the name lookup's second message.
    RegisterClass(StandIn::Describe("TKavrinoBanco556Safra", Publishes::Nothing));
    TcbBanco bare(model("KavrinoCobrancaItauSafra"));
    bare.SetCodigo("556");
    EXPECT_EQ(message_of([&] { (void)bare.Nome(); }), "O nome do banco 556 não está disponível");

    // A lookup hands on a title of any model: the engine's, another copy's.
    TcbTitulo engine;
    engine.Cedente().ContaBancaria().Banco().SetCodigo("555");
    engine.SetNossoNumero("12");
    EXPECT_EQ(billing::DigitoNossoNumero(model("HalvekCobranca"), engine), "12");
    EXPECT_EQ(billing::DigitoNossoNumero(model("KavrinoCobrancaItauSafra"), engine), "12");
    EXPECT_EQ(billing::DigitoNossoNumero(model("HalvekCobranca"), safra), "77");
}

TEST_F(ClientModels, EveryFullCopyStoresEmptyAndZeroCodesAsNoCode) {
    for (const Unit& u : kUnits) {
        if (!u.full) continue;
        SCOPED_TRACE(u.unit);
        TcbBanco banco(model(u.unit));
        EXPECT_EQ(banco.Digito(), "");
        const std::pair<const char*, const char*> codes[] = {{"000", ""}, {"0", ""}, {"0341", "341"}, {"", ""}};
        for (auto [in, stored] : codes) {
            banco.SetCodigo("237");
            banco.SetCodigo(in);
            EXPECT_EQ(banco.Codigo(), stored) << in;
        }
        banco.SetCodigo("000");
        EXPECT_EQ(banco.Digito(), "");
        EXPECT_EQ(message_of([&] { (void)banco.Nome(); }), "O banco 000 não está disponível");
    }
}

TEST_F(ClientModels, NewTitlesHaveTheirModelsDefaults) {
    for (const Unit& u : kUnits) {
        if (!u.full) continue;
        SCOPED_TRACE(u.unit);
        TcbTitulo t(model(u.unit));
        EXPECT_EQ(&t.Profile(), &model(u.unit));
        EXPECT_EQ(t.ClassName(), u.title);
        const bool bradesco = std::string(u.unit).find("BradescoUnicred") != std::string::npos;
        EXPECT_EQ(t.LocalPagamento(), bradesco ? kBradescoPlace : kAnyBankPlace);
        EXPECT_EQ(t.EspecieDocumento(), edRecibo);
        EXPECT_EQ(t.AceiteDocumento(), adNao);
        EXPECT_EQ(t.EmissaoBoleto(), ebClienteEmite);
        EXPECT_EQ(t.TipoOcorrencia(), toRemessaRegistrar);
        EXPECT_EQ(t.Cedente().ContaBancaria().Banco().ClassName(), u.engine_part_names ? "TcbBanco" : "TBanco");
    }
    // A partial copy has no classes at all.
    for (const Unit& u : kUnits) {
        if (!u.full) {
            EXPECT_THROW(TcbTitulo(model(u.unit)), EInvalidCast) << u.unit;
            EXPECT_THROW(TcbBanco(model(u.unit)), EInvalidCast) << u.unit;
            EXPECT_THROW(TcbPessoa(model(u.unit)), EInvalidCast) << u.unit;
        }
    }
}

TEST_F(ClientModels, CopiesWithTheSameNamesAndPropertiesDoNotMix) {
    const std::pair<const char*, const char*> pairs[] = {
        {"KavrinoCobranca", "KavrinoCobrancaSAFRA"},
        {"TrelvaniCobrancaBradescoUnicred", "QuembraCobrancaBradescoUnicred"},
        {"QuembraCobrancaBradescoUnicred", "cbCobranca"},
    };
    for (auto [mine, other] : pairs) {
        SCOPED_TRACE(std::string(mine) + " / " + other);
        TcbTitulo foreign(model(other));
        EXPECT_EQ(TcbTitulo(model(mine)).Cedente().ClassName(), foreign.Cedente().ClassName());
        EXPECT_NE(TcbTitulo(model(mine)).Cedente().ClassType(), foreign.Cedente().ClassType());
        TcbTitulos list;
        billing::AdicionarCopia(model(other), list, foreign);
        EXPECT_THROW(billing::GetTitulo(model(mine), list, 0), EInvalidCast);
        EXPECT_THROW(billing::AdicionarCopia(model(mine), list, foreign), EInvalidCast);
        EXPECT_EQ(list.Count(), 1);
        TcbTitulo own(model(mine));
        EXPECT_THROW(own.CopiarDe(foreign), EInvalidCast);
        EXPECT_THROW(own.Cedente().ContaBancaria().CopiarDe(foreign.Cedente().ContaBancaria()), EInvalidCast);
    }
}

TEST_F(ClientModels, AdicionarCopiaAppendsAnOwnerlessCopyOfTheUnitsClass) {
    for (const char* unit : {"KavrinoCobranca", "QuembraCobrancaBradescoUnicred", "LirvantoCobranca"}) {
        SCOPED_TRACE(unit);
        TComponent owner(nullptr);
        auto* source = new TcbTitulo(model(unit), &owner);
        source->SetNossoNumero("123");
        source->SetLocalPagamento("EM CASA");
        source->SetExibirInstrucoesAutomaticas(true);
        source->SetMargemBoleto(5);
        source->Cedente().ContaBancaria().Banco().SetCodigo("341");
        source->Instrucoes()->Add("linha");

        TcbTitulos list;
        billing::AdicionarCopia(model(unit), list, *source);
        ASSERT_EQ(list.Count(), 1);
        TcbTitulo& copy = billing::GetTitulo(model(unit), list, 0);
        EXPECT_NE(&copy, source);
        EXPECT_EQ(copy.Owner(), nullptr);
        EXPECT_EQ(&copy.Profile(), &model(unit));
        EXPECT_EQ(copy.NossoNumero(), "123");
        EXPECT_EQ(copy.LocalPagamento(), "EM CASA");  // the source's, not the unit's default
        EXPECT_FALSE(copy.ExibirInstrucoesAutomaticas());
        EXPECT_EQ(copy.MargemBoleto(), 0);
        EXPECT_EQ(copy.Cedente().ContaBancaria().Banco().Codigo(), "341");
        EXPECT_EQ(copy.Instrucoes()->Count(), 1);
        // The caller's title is untouched and still its owner's.
        EXPECT_EQ(source->Owner(), &owner);
        EXPECT_TRUE(source->ExibirInstrucoesAutomaticas());
        EXPECT_EQ(source->MargemBoleto(), 5);
    }
}

}  // namespace
