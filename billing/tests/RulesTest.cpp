// Boleto rules of the bank plug-ins: check digits, free fields and the four
// boleto texts, called by name through the registry as an application does.

#include "billing/BarCode.h"
#include "billing/Installation.h"
#include "billing/cbBancos.h"
#include "billing/Startup.h"
#include "billing/cbCobranca.h"
#include "billing/cbPlugin.h"
#include "billing/cbCob021.h"
#include "billing/cbRegras.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace {

struct Texts {
    std::string agencia = "a?";
    std::string nosso = "n?";
    std::string carteira = "c?";
    std::string especie = "e?";
    bool operator==(const Texts&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Texts& t) {
    return os << "[" << t.agencia << "|" << t.nosso << "|" << t.carteira << "|" << t.especie << "]";
}

class Rules : public ::testing::Test {
public:
    void SetUp() override {
        billing::unit_startup();
        billing::installation_slot.install({});
        billing::today_slot.install([] { return EncodeDate(2026, 12, 10); });
    }
    void TearDown() override {
        billing::installation_slot.install({});
        billing::today_slot.install({});
    }

    // A title of the given payee bank with short values in every covered field.
    static std::unique_ptr<TcbTitulo> title(const char* bank) {
        auto t = std::make_unique<TcbTitulo>();
        TcbContaBancaria& c = t->Cedente().ContaBancaria();
        c.Banco().SetCodigo(bank);
        c.SetCodigoAgencia("1234");
        c.SetDigitoAgencia("5");
        c.SetNumeroConta("67890");
        c.SetDigitoConta("1");
        t->Cedente().SetCodigoCedente("4321");
        t->Cedente().SetDigitoCodigoCedente("9");
        t->SetNossoNumero("42");
        t->SetCarteira("09");
        t->SetSeuNumero("77");
        t->SetNumeroDocumento("555");
        return t;
    }

    template <class Sig>
    static const std::function<Sig>& op(const std::string& bank, const char* name) {
        const std::function<Sig>* f = billing::find_operation<Sig>(GetClass("TcbBanco" + bank), name);
        if (f == nullptr) throw std::runtime_error("no " + std::string(name) + " for " + bank);
        return *f;
    }
    static std::string digito(const std::string& bank, const TcbTitulo& t) {
        return op<billing::SigTitulo>(bank, "CalcularDigitoNossoNumero")(t);
    }
    static std::string campo(const std::string& bank, const TcbTitulo& t) {
        return op<billing::SigTitulo>(bank, "GetCampoLivreCodigoBarra")(t);
    }
    static Texts boleto(const std::string& bank, const TcbTitulo& t) {
        Texts x;
        op<billing::SigFormatarBoleto>(bank, "FormatarBoleto")(t, x.agencia, x.nosso, x.carteira, x.especie);
        return x;
    }
    static void install(int code) {
        billing::installation_slot.install([code] {
            billing::Installation i;
            i.codigo_instalacao = code;
            i.posto_748 = "7";
            i.cedente_748 = "24680";
            return i;
        });
    }
};

struct Expected {
    const char* bank;
    const char* digit;
    const char* free_field;
    Texts texts;
};

TEST_F(Rules, EveryBankOnOneTitle) {
    // ag 1234-5, account 67890-1, payee 4321-9, nosso número 42, carteira 09,
    // seu número 77, document 555, edRecibo, no due date.
    const Expected cases[] = {
        {"001", "6", "0000000004212340004321909", {"a?", "n?", "c?", "e?"}},
        {"999", "6", "0000000004212340004321909", {"1234 00000004321.9", "000000000426", "09", ""}},
        {"021", "60", "0000004200000067890202188", {"1234/00000004321-9", "00000042-60", "9", ""}},
        {"033", "0", "900043210000000000042009", {"a?", "0000000000042", "09 ", ""}},
        {"038", "6", "1234067890100000000042600", {"234/067890-1", "00000000042-6", "09 ", ""}},
        {"104", "6", "42123400000004321", {"1234.00000004321.9", "42", "09", "RC"}},
        {"237", "9", "1234090000000004200678900", {"1234-5/0004321-9", "009/00000000042-9", "009", ""}},
        {"244", "6", "2340043219090000000426000", {"0234.00000004321.9", "0000000042.6", "09", "05"}},
        {"275", "0", "1234006789010000000000042", {"1234/0067890-1", "000000000000042-0", "9", ""}},
        {"291", "6", "2340004321000000000004217", {"234/004321-9", "0000042-6", "09 ", ""}},
        {"320", "6", "5004321900000000000000042", {"1234/4321", "000000000000042-6", "09 ", ""}},
        {"341", "9", "0090000004291234678900000", {"1234/04321-9", "009/00000042-9", "009", ""}},
        {"347", "0", "2340000432100000004200000", {"0234.00000004321.9", "0000000042.0", "09", "05"}},
        {"353", "6", "900043210000000000042009", {"1234/00067890-1", "0000042-6", "09 ", ""}},
        {"356", "0", "1234006789000000000000042", {"1234/0067890-1", "0000000000042", "09", "DM"}},
        {"389", "0", "1234000000004200000043212", {"1234 / 000004321", "00000000420", "09 ", ""}},
        {"394", "6", "5004321900000000000000042", {"1234/4321", "000000000000042-6", "09 ", ""}},
        {"399", "653", "0004321000000000004200002", {"1234-5/0004321", "0000000000042653", "09 ", ""}},
        {"409", "6", "5004321900000000000000042", {"1234/4321", "000000000000042-6", "09 ", ""}},
        {"422", "6", "7123400000432190000000422", {"1234/4321", "000000042-6", "9", ""}},
        {"479", "6", "0000043210000000000000429", {"1234/4321-9", "00000000000042-6", "09 ", ""}},
        {"745", "6", "5004321900000000000000042", {"1234/4321", "000000000000042-6", "09 ", ""}},
        {"748", "6", "3100000004223450004321107", {"1234.05/04321", "26/200042-6", " 09", "RC"}},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.bank);
        auto t = title(e.bank);
        const std::string bank = e.bank;
        if (bank == "038" || bank == "244" || bank == "291" || bank == "347") {
            // Their bar codes carry a three-digit agency: 1234 would lose its 1.
            EXPECT_THROW(campo(e.bank, *t), billing::ECampoNaoCabe);
            t->Cedente().ContaBancaria().SetCodigoAgencia("234");
        }
        if (bank == "341") t->Cedente().ContaBancaria().SetDigitoConta("0");  // the account's own digit
        EXPECT_EQ(digito(e.bank, *t), e.digit);
        EXPECT_EQ(t->DigitoNossoNumero(), e.digit);
        EXPECT_EQ(campo(e.bank, *t), e.free_field);
        EXPECT_EQ(boleto(e.bank, *t), e.texts);
    }
}

TEST_F(Rules, Bank237LetterPForRemainderOne) {
    auto t = title("237");
    t->SetNossoNumero("2");  // remainder 1
    EXPECT_EQ(t->DigitoNossoNumero(), "P");
    EXPECT_EQ(boleto("237", *t).nosso, "009/00000000002-P");
    t->SetNossoNumero("7");  // remainder 0
    EXPECT_EQ(t->DigitoNossoNumero(), "0");
}

TEST_F(Rules, Bank244Carteira80CarriesSeuNumero) {
    auto t = title("244");
    t->Cedente().ContaBancaria().SetCodigoAgencia("234");
    t->SetCarteira("80");
    t->SetSeuNumero("1234567890123");
    EXPECT_EQ(campo("244", *t), "234004321980" "1234567890123");
}

TEST_F(Rules, Bank104FreeFieldIsNotVerified) {
    auto t = title("104");
    t->SetNossoNumero("9876543210");
    EXPECT_EQ(campo("104", *t), "9876543210123400000004321");
    t->SetNossoNumero("98765432101");
    EXPECT_EQ(campo("104", *t).size(), 26u);
    t->SetEspecieDocumento(edWarrant);
    EXPECT_EQ(boleto("104", *t).especie, "");
}

TEST_F(Rules, Banks320394409745AreIdentical) {
    auto t = title("320");
    t->SetNossoNumero("12345678901234");
    t->Cedente().SetCodigoCedente("55");
    for (const char* bank : {"394", "409", "745"}) {
        SCOPED_TRACE(bank);
        EXPECT_EQ(digito(bank, *t), digito("320", *t));
        EXPECT_EQ(campo(bank, *t), campo("320", *t));
        EXPECT_EQ(boleto(bank, *t), boleto("320", *t));
    }
}

TEST_F(Rules, DigitFromAnotherBanksLookupFails) {
    // DV comes from the payee's bank: with no plug-in for it, the lookup error passes through.
    auto t = title("002");
    try {
        campo("038", *t);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Os boletos para o banco 002 não estão disponíveis");
    }
    t->Cedente().ContaBancaria().Banco().SetCodigo("038");
    t->SetNossoNumero("4a");
    EXPECT_THROW(digito("038", *t), EConvertError);
    // An error of the operation passes through the model's lookup unchanged.
    EXPECT_THROW(t->DigitoNossoNumero(), EConvertError);
}

TEST_F(Rules, Banks001And999CheckDigit) {
    for (const char* bank : {"001", "999"}) {
        SCOPED_TRACE(bank);
        auto t = title(bank);
        t->SetNossoNumero("6");  // remainder 10
        EXPECT_EQ(digito(bank, *t), "X");
        t->SetNossoNumero("14");  // remainder 0
        EXPECT_EQ(digito(bank, *t), "0");
        t->SetNossoNumero("12-3");
        EXPECT_THROW(digito(bank, *t), EConvertError);
    }
}

TEST_F(Rules, Bank001Carteiras) {
    auto t = title("001");
    t->Cedente().SetCodigoCedente("12345678");
    // Carteira 18: the payee code takes 8 digits without its check digit.
    t->SetCarteira("18");
    EXPECT_EQ(campo("001", *t), "00000000042" "1234" "12345678" "18");
    EXPECT_EQ(boleto("001", *t), (Texts{"123400012345678", "000000000426", "18", ""}));
    // Carteira 17: the general free field, 17-digit nosso número in the texts.
    t->SetCarteira("17");
    // The general free field has 7 places for the payee code: 12345678 is refused, not cut to 2345678.
    EXPECT_THROW(campo("001", *t), billing::ECampoNaoCabe);
    EXPECT_EQ(boleto("001", *t), (Texts{"1234 00012345678.9", "000000000000000426", "17", ""}));
    // Carteira 11: texts unchanged, general free field.
    t->SetCarteira("11");
    EXPECT_EQ(boleto("001", *t), Texts{});
    EXPECT_THROW(campo("001", *t), billing::ECampoNaoCabe);
    // Another payee bank: general texts.
    t->Cedente().ContaBancaria().Banco().SetCodigo("999");
    t->SetCarteira("18");
    EXPECT_EQ(boleto("001", *t).agencia, "1234 00012345678.9");
    t->Cedente().SetCodigoCedente("2345678");
    EXPECT_EQ(campo("001", *t), "00000000042" "1234" "2345678" "9" "18");
}

TEST_F(Rules, Bank001Carteira18With17DigitNossoNumero) {
    auto t = title("001");
    t->SetCarteira("18");
    t->Cedente().SetCodigoCedente("123456");
    t->SetNossoNumero(" 12345-678901234567 ");
    EXPECT_EQ(campo("001", *t), "123456" "12345678901234567" "21");
    EXPECT_EQ(boleto("001", *t).nosso, "12345678901234567");
}

TEST_F(Rules, Bank001Counts17NossoNumeroCharactersNotBytes) {
    auto t = title("001");
    t->SetCarteira("18");
    t->Cedente().SetCodigoCedente("123456");
    // 17 characters in 18 bytes: the 17-character layout, shown as stored.
    t->SetNossoNumero("1234567890123456Á");
    EXPECT_EQ(boleto("001", *t).nosso, "1234567890123456Á");
    // 16 characters in 17 bytes: the general layout, whose 11 places cannot hold them.
    t->SetNossoNumero("123456789012345Á");
    EXPECT_THROW(campo("001", *t), billing::ECampoNaoCabe);
    t->SetNossoNumero("000006789012345Á");
    EXPECT_EQ(campo("001", *t), "6789012345A" "1234" "00123456" "18");
}

TEST_F(Rules, Bank999Carteira18UsesTheGeneralFreeField) {
    auto t = title("999");
    t->SetCarteira("18");
    EXPECT_EQ(campo("999", *t), "00000000042" "1234" "0004321" "9" "18");
}

TEST_F(Rules, Bank021TwoDigits) {
    auto t = title("021");
    const std::string dv = t->DigitoNossoNumero();
    ASSERT_EQ(dv.size(), 2u);
    EXPECT_EQ(dv, Modulo11("00000042", 9, false) + Modulo11("00000042" + dv.substr(0, 1), 10, false));
    const std::string field = campo("021", *t);
    ASSERT_EQ(field.size(), 25u);
    EXPECT_EQ(field.substr(23), CalcularDuploDigito(field.substr(0, 23)));
}

TEST_F(Rules, Bank151) {
    auto t = title("151");
    t->SetCarteira("1");
    t->Cedente().ContaBancaria().SetCodigoAgencia("123");
    t->Cedente().ContaBancaria().SetNumeroConta("456789");
    t->Cedente().ContaBancaria().SetDigitoConta("5");
    t->SetNossoNumero("1234");
    EXPECT_EQ(t->DigitoNossoNumero(), "8");  // weighted sum 292
    try {
        campo("151", *t);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Geração de boleto bancário não está disponível para o banco 151 - Nossa Caixa");
    }
    t->SetEspecieDocumento(edFatura);
    EXPECT_EQ(boleto("151", *t), (Texts{"0123.00000004321.9", "0000001234.8", "1 ", "FT"}));
}

TEST_F(Rules, Bank399DueDate) {
    auto t = title("399");
    EXPECT_EQ(t->DigitoNossoNumero().substr(1, 1), "5");
    EXPECT_EQ(campo("399", *t).substr(20, 4), "0000");

    t->SetDataVencimento(EncodeDate(2027, 2, 1));
    EXPECT_EQ(t->DigitoNossoNumero().substr(1, 1), "4");
    EXPECT_EQ(campo("399", *t).substr(20, 4), "0327");
    const std::string first = t->DigitoNossoNumero();
    t->SetDataVencimento(EncodeDate(2027, 2, 2));
    EXPECT_NE(t->DigitoNossoNumero(), first);
    t->SetDataVencimento(EncodeDate(2028, 12, 31));  // leap year
    EXPECT_EQ(campo("399", *t).substr(20, 4), "3668");
    // d1 = 6; 000000000004264 + 0004321 + 010227 (01/02/27) = 18812.
    t->SetDataVencimento(EncodeDate(2027, 2, 1));
    EXPECT_EQ(t->DigitoNossoNumero(), "64" + Modulo11("18812", 9, false));
}

TEST_F(Rules, Banks275And356) {
    auto t = title("275");
    t->Cedente().ContaBancaria().SetDigitoConta("7");
    const std::string f275 = campo("275", *t);
    t->Cedente().ContaBancaria().Banco().SetCodigo("356");
    const std::string f356 = campo("356", *t);
    EXPECT_EQ(f275.substr(11, 1), "7");                      // the account's digit
    EXPECT_EQ(f356.substr(11, 1), t->DigitoNossoNumero());   // the computed digit
    EXPECT_EQ(boleto("356", *t).nosso, "0000000000042");     // no check digit shown
}

TEST_F(Rules, Bank341UsesTheAccountButShowsThePayeeCode) {
    auto t = title("341");
    t->Cedente().ContaBancaria().SetDigitoConta("");
    t->Cedente().SetCodigoCedente("11111");
    const std::string before = t->DigitoNossoNumero();
    const std::string field = campo("341", *t);
    t->Cedente().SetCodigoCedente("22222");
    EXPECT_EQ(t->DigitoNossoNumero(), before);
    EXPECT_EQ(campo("341", *t), field);
    EXPECT_EQ(boleto("341", *t).agencia, "1234/22222-9");
    t->Cedente().ContaBancaria().SetNumeroConta("67891");
    EXPECT_NE(campo("341", *t), field);
}

// Bank 341's free field carries the account's own digit (modulo 10 of agency
// and account); a DigitoConta that disagrees with it is refused, in the free
// field and in the remittance alike.
TEST_F(Rules, Bank341RefusesADigitoContaThatDisagrees) {
    auto t = title("341");  // agency 1234, account 67890: digit 0
    t->Cedente().ContaBancaria().SetDigitoConta("1");
    try {
        campo("341", *t);
        FAIL() << "a wrong account digit made a free field";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "DigitoConta 1 não confere com o dígito 0 da agência 1234 e conta 67890 do banco 341");
    }
    t->Cedente().ContaBancaria().SetDigitoConta("0");
    EXPECT_EQ(campo("341", *t).substr(20, 1), "0");
}

TEST_F(Rules, Bank033InstallationCode236) {
    install(236);
    auto t = title("033");
    const std::pair<const char*, const char*> cases[] = {{"5", "1"}, {"14", "0"}, {"6", "0"}};
    for (auto [doc, digit] : cases) {
        SCOPED_TRACE(doc);
        t->SetNumeroDocumento(doc);
        EXPECT_EQ(t->DigitoNossoNumero(), digit);
    }
    t->SetNumeroDocumento("555");
    t->SetCarteira("101");
    EXPECT_EQ(campo("033", *t), "9" "0004321" "000000000042" + t->DigitoNossoNumero() + "0" "101");
}

TEST_F(Rules, Bank033StandardRules) {
    auto t = title("033");
    // Remainders 0 and 1 give 0 (never "11" or "10"); remainder 2 gives 9.
    const std::pair<const char*, const char*> cases[] = {{"14", "0"}, {"6", "0"}, {"1", "9"}};
    for (auto [doc, digit] : cases) {
        SCOPED_TRACE(doc);
        t->SetNumeroDocumento(doc);
        EXPECT_EQ(t->DigitoNossoNumero(), digit);
    }
    // The digit covers the document number, not the nosso número.
    t->SetNumeroDocumento("1");
    t->SetNossoNumero("99");
    EXPECT_EQ(t->DigitoNossoNumero(), "9");
    t->SetNumeroDocumento("2");
    EXPECT_NE(t->DigitoNossoNumero(), "9");
    t->SetCarteira("101");
    EXPECT_EQ(campo("033", *t), "9" "0004321" "00000" "00000099" "0" "101");
}

TEST_F(Rules, Bank748TurnOfTheYear) {
    auto t = title("748");
    billing::today_slot.install([] { return EncodeDate(2026, 12, 31); });
    const Texts texts_2026 = boleto("748", *t);
    billing::today_slot.install([] { return EncodeDate(2027, 1, 1); });
    EXPECT_EQ(texts_2026.nosso.substr(0, 3), "26/");
    EXPECT_EQ(boleto("748", *t).nosso.substr(0, 3), "27/");
    EXPECT_EQ(t->DigitoNossoNumero(),
              Modulo11("1234" "05" "67890" "27" "2" "00042", 9, false));
    EXPECT_NE(boleto("748", *t).nosso, texts_2026.nosso);
}

TEST_F(Rules, Bank748InstallationCode1) {
    auto t = title("748");
    EXPECT_EQ(campo("748", *t).substr(0, 1), "3");
    EXPECT_EQ(campo("748", *t).substr(17, 5), "04321");
    install(1);
    const std::string field = campo("748", *t);
    EXPECT_EQ(field.substr(0, 24), "1" "1" "000000042" "2345" "07" "24680" "1" "0");
    EXPECT_EQ(field.substr(24), Modulo11(field.substr(0, 24), 9, false));
    t->SetCarteira("1");
    EXPECT_EQ(boleto("748", *t).carteira, "  1");
}

TEST_F(Rules, AbbreviationTablesAreWellFormed) {
    using billing::rules::Especie;
    const std::pair<std::span<const Especie>, std::size_t> tables[] = {
        {billing::rules::especies_104(), 22}, {billing::rules::especies_244(), 9},
        {billing::rules::especies_347(), 6},  {billing::rules::especies_151(), 15},
        {billing::rules::especies_748(), 10},
    };
    for (auto [table, size] : tables) {
        EXPECT_EQ(table.size(), size);
        std::set<int> kinds;
        for (const Especie& e : table) {
            EXPECT_TRUE(kinds.insert(e.kind).second) << "kind listed twice: " << int(e.kind);
            EXPECT_LE(e.kind, edWarrant);
            EXPECT_FALSE(e.text.empty());
        }
    }
    EXPECT_EQ(billing::rules::abreviatura(billing::rules::especies_748(), edNotaPromissoriaRural), "NR");
    EXPECT_EQ(billing::rules::abreviatura(billing::rules::especies_104(), edNotaPromissoriaRural), "NPR");
}

// What a boleto shows of its nosso número: check digit, free field and
// boleto text ("!" where the rule raises).
struct Uses {
    std::string digit, campo, nosso;
};

// For each use: does it change when the digit at `pos` of an n-digit nosso
// número takes the values 0 to 9?
std::array<bool, 3> varies(const std::string& bank, TcbTitulo& t, std::size_t n, std::size_t pos) {
    std::array<std::set<std::string>, 3> seen;
    for (char d = '0'; d <= '9'; ++d) {
        std::string nn;
        for (std::size_t i = 0; i < n; ++i) nn += static_cast<char>('1' + (i * 7) % 9);
        nn[pos] = d;
        t.SetNossoNumero(nn);
        auto attempt = [](auto f) {
            try {
                return f();
            } catch (const std::exception&) {
                return std::string("!");
            }
        };
        seen[0].insert(attempt([&] { return t.DigitoNossoNumero(); }));
        seen[1].insert(attempt([&] { return Rules::campo(bank, t); }));
        seen[2].insert(attempt([&] { return Rules::boleto(bank, t).nosso; }));
    }
    return {seen[0].size() > 1, seen[1].size() > 1, seen[2].size() > 1};
}

TEST_F(Rules, NossoNumeroWidthIsTheMostEveryRuleCarriesWhole) {
    // Every bank with carteira 09, and the cases whose widths differ.
    struct Case {
        std::string bank;
        std::string carteira;
        int installation;
    };
    std::vector<Case> cases;
    for (const billing::BankRow& row : billing::bank_table()) cases.push_back({std::string(row.code), "09", 0});
    cases.push_back({"001", "18", 0});
    cases.push_back({"001", "17", 0});
    cases.push_back({"033", "009", 236});
    cases.push_back({"244", "80", 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bank + " carteira " + c.carteira + " installation " + std::to_string(c.installation));
        install(c.installation);
        auto t = title(c.bank.c_str());
        t->SetCarteira(c.carteira);
        const std::size_t w = billing::nosso_numero_max(*t);
        ASSERT_GT(w, 0u);
        // At w digits, every use that shows the last digit shows the first too;
        // at w + 1, some use loses the first digit.
        const auto last_w = varies(c.bank, *t, w, w - 1), first_w = varies(c.bank, *t, w, 0);
        const auto last_more = varies(c.bank, *t, w + 1, w), first_more = varies(c.bank, *t, w + 1, 0);
        for (std::size_t u = 0; u < 3; ++u) {
            EXPECT_TRUE(!last_w[u] || first_w[u]) << "use " << u << " cuts " << w << " digits";
            // One more digit is refused where it does not fit, never cut away; bank 748's check digit
            // and text keep the last five digits (the sequence after year and "2") by its rule.
            if (c.bank != "748") {
                EXPECT_FALSE(last_more[u] && !first_more[u]) << "use " << u << " cuts " << w + 1 << " digits";
            }
        }
        t->SetNossoNumero(std::string(w + 1, '1'));
        const bool refused = [&] {
            bool any = false;
            const std::function<void()> uses[] = {[&] { Rules::campo(c.bank, *t); },
                                                  [&] { (void)t->DigitoNossoNumero(); },
                                                  [&] { (void)Rules::boleto(c.bank, *t); }};
            for (const auto& use : uses) {
                try {
                    use();
                } catch (const billing::ECampoNaoCabe&) {
                    any = true;
                } catch (const Exception&) {
                }
            }
            return any;
        }();
        if (c.bank != "748") {
            EXPECT_TRUE(refused) << w + 1 << " digits reach every use whole";
        }
        t->SetNossoNumero(std::string(w, '1'));
        EXPECT_NO_THROW(billing::verificar_nosso_numero(*t));
        t->SetNossoNumero(" " + std::string(w + 1, '1') + " ");
        EXPECT_THROW(billing::verificar_nosso_numero(*t), Exception);
    }
}

TEST_F(Rules, NossoNumeroCheckCountsCharactersAndKnowsThe17DigitLayout) {
    auto t = title("001");
    t->SetCarteira("18");
    t->SetNossoNumero("12345-678901234567");  // the 17-digit layout, hyphen and all
    EXPECT_NO_THROW(billing::verificar_nosso_numero(*t));
    t->SetNossoNumero("123456789012");
    try {
        billing::verificar_nosso_numero(*t);
        ADD_FAILURE() << "12 digits accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "O nosso número \"123456789012\" não cabe no campo de 11 caracteres do banco 001: "
                               "boleto não gerado");
    }
    t = title("748");
    t->SetNossoNumero("1234É");  // five characters in six bytes
    EXPECT_NO_THROW(billing::verificar_nosso_numero(*t));
    // A bank without plug-in has no width: its lookups refuse it.
    t->Cedente().ContaBancaria().Banco().SetCodigo("002");
    t->SetNossoNumero(std::string(30, '1'));
    EXPECT_NO_THROW(billing::verificar_nosso_numero(*t));
}

}  // namespace

// The text-cutting helpers of the bank rules count characters, not bytes;
// a byte that starts no valid sequence counts as one.
TEST(RulesText, CuttingCountsCharacters) {
    using namespace billing::rules;
    struct Case {
        std::string_view text;
        std::size_t n;
        std::string_view first, after, last;
    };
    const Case cases[] = {
        {"JOSÉ", 3, "JOS", "É", "OSÉ"},
        {"ÁÉÍ", 1, "Á", "ÉÍ", "Í"},
        {"ab", 5, "ab", "", "ab"},
        {"", 2, "", "", ""},
        {"a\xC3z\xE2\x82\xAC", 2, "a\xC3", "z\xE2\x82\xAC", "z\xE2\x82\xAC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(first_chars(c.text, c.n), c.first);
        EXPECT_EQ(after_chars(c.text, c.n), c.after);
        EXPECT_EQ(last_chars(c.text, c.n), c.last);
    }
    EXPECT_EQ(chars("ÀBÇDÊ", 2, 3), "BÇD");
    EXPECT_EQ(chars("ÀBÇDÊ", 4, 9), "DÊ");
    EXPECT_EQ(chars("ÀB", 5, 1), "");
}
