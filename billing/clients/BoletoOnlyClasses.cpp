#include "billing/clients/BoletoOnlyClasses.h"

#include "billing/BankClass.h"
#include "billing/DigitSchemes.h"
#include "billing/PluginClasses.h"
#include "billing/clients/FamilyClass.h"
#include "billing/cbCob104.h"
#include "billing/cbRegras.h"

#include "platform/core/CodePages.h"

#include <iterator>
#include <vector>

namespace billing::clients {

namespace {

using namespace billing::rules;

using B = BoletoBank;
using D = DigitRule;
using FF = FreeFieldRule;
using BR = BoletoRule;

// Name, unit, model unit of its helpers and lookup, bank, check digit, free field, boleto texts.
constexpr BoletoOnlyClass kClasses[] = {
    // Santander (033).
    {"THalvekBanco033", "HalvekCobBanespaSantander", "HalvekCobranca", B::Santander, D::DocumentNumber,
     FF::SevenLookedUp, BR::Santander7},
    {"TSeltravoBanco033", "SeltravoCobBanespaSantander", "SeltravoCobranca", B::Santander, D::DocumentNumber,
     FF::PlainNosso, BR::Santander13},
    {"TBenthavorBanco033", "BenthavorCobBanespaSantander", "BenthavorCobranca", B::Santander, D::DocumentNumber,
     FF::PlainNosso, BR::Santander13},
    {"TCalderunaBanco033", "CalderunaCobSantander", "CalderunaCobranca", B::Santander, D::TwelveDigits,
     FF::PlainNosso, BR::Santander7},
    {"TKavrinoBanco033", "KavrinoCobSantander", "KavrinoCobrancaSantander", B::Santander, D::TwelveDigits,
     FF::PlainNosso, BR::Santander7},
    {"TQuistralBanco033", "QuistralCobSantander", "QuistralCobrancaSantander", B::Santander, D::TwelveDigits,
     FF::AppendedTrimmed, BR::Santander7},
    {"TWendoricBanco033", "WendoricCobSantander", "WendoricCobrancaSantander", B::Santander, D::TwelveDigits,
     FF::AppendedTrimmed, BR::Santander7},
    {"TNobrellaBanco033", "NobrellaCobSantander", "NobrellaCobranca", B::Santander, D::TwelveDigits,
     FF::AppendedDigit, BR::Santander7},
    {"TEsquilorBanco033", "EsquilorCobSantander", "EsquilorCobranca", B::Santander, D::TwelveDigits,
     FF::AppendedDigit, BR::Santander7},
    {"TYorlandeBanco033", "YorlandeCobSantander", "YorlandeCobrancaSantander", B::Santander, D::TwelveDigits,
     FF::AppendedDigit, BR::Santander7},
    {"TBrevantaBanco033", "BrevantaCobSantander", "BrevantaCobrancaSantander", B::Santander, D::TwelveDigits,
     FF::AppendedDigit, BR::Santander7},
    {"TFendrasilBanco033", "FendrasilCobSantander", "FendrasilCobrancaSantander", B::Santander, D::TwelveDigits,
     FF::TwelveWithDigit, BR::Santander7},
    {"TUlveraneBancoSantander033", "UlveraneCobSantander", "UlveraneCobranca", B::Santander, D::TwelveDigits,
     FF::TwelveWithDigit, BR::Santander7},
    {"TVorqBancoSantander033", "VorqCobSantander", "VorqCobranca", B::Santander, D::TwelveDigits,
     FF::TwelveWithDigit, BR::Santander7},
    {"TFalmorenBanco033", "FalmorenCobSantander", "FalmorenCobranca", B::Santander, D::TwelveDigits,
     FF::SevenLookedUp, BR::Santander7},
    {"TVantorimBancoSantander033", "VantorimCobSantander", "VantorimCobranca", B::Santander, D::TwelveDigits,
     FF::SevenLookedUp, BR::Santander7},
    // Caixa (104).
    {"TCrestalvoBanco104", "CrestalvoCobCaixa", "CrestalvoCobrancaCaixa", B::Caixa, D::Caixa, FF::Caixa, BR::Caixa},
    {"TPilvastroBanco104", "PilvastroCobCaixa", "PilvastroCobranca", B::Caixa, D::Caixa, FF::Caixa, BR::Caixa},
    {"TZelvoriaBanco104", "ZelvoriaCobCaixa", "ZelvoriaCobranca", B::Caixa, D::Caixa, FF::Caixa, BR::Caixa},
    // Banco do Brasil (001), on the engine's helpers.
    {"TFendrasilBanco001", "FendrasilCobBB", "", B::BancoDoBrasil, D::BBEleven, FF::BBCarteira18, BR::BancoDoBrasil},
    {"TQuembraBanco001", "QuembraCobBB", "", B::BancoDoBrasil, D::BBEleven, FF::BBCarteira18, BR::BancoDoBrasil},
    {"TSarlentaBanco001", "SarlentaCobBB", "", B::BancoDoBrasil, D::BBEleven, FF::BBCarteira18, BR::BancoDoBrasil},
    {"TKavrinoBanco001", "KavrinoCobBB", "", B::BancoDoBrasil, D::BBStored, FF::BBCarteira18, BR::BancoDoBrasil},
    {"TMorvelBanco001", "MorvelCobBB", "", B::BancoDoBrasil, D::BBStored, FF::BBAccountPrefix, BR::BancoDoBrasil},
    // SICOOB (756).
    {"TFendrasilBanco756", "FendrasilCobSICOOB", "FendrasilCobranca", B::Sicoob, D::Sicoob, FF::Sicoob, BR::Sicoob},
    {"TSarlentaBanco756", "SarlentaCobSICOOB", "SarlentaCobrancaSICOOB", B::Sicoob, D::Sicoob, FF::Sicoob,
     BR::Sicoob},
};

std::string_view nome_banco(BoletoBank bank) {
    switch (bank) {
    case B::Santander: return "SANTANDER";
    case B::Caixa: return "Caixa Econ. Federal";
    case B::BancoDoBrasil: return "BANCO DO BRASIL";
    case B::Sicoob: return "SICOOB";
    }
    return {};
}

// The model whose Modulo11 and DigitoNossoNumero the class calls.
const ModelProfile& model_of(const BoletoOnlyClass& c) { return family_model(c.model); }

const DigitScheme& scheme(std::string_view name) {
    const DigitScheme* s = find_digit_scheme(name);
    if (s == nullptr) throw Exception("unknown digit scheme: " + std::string(name));
    return *s;
}

std::string mod11(const BoletoOnlyClass& c, std::string_view digits) {
    return Modulo11(model_of(c), digits, 9, false);
}

std::string digito(const BoletoOnlyClass& c, const TcbTitulo& t) {
    switch (c.digit) {
    // The document-number digit weighs 7 digits with 2 .. 8: base 9 never wraps.
    case D::DocumentNumber: return ::Modulo11(U(t.NumeroDocumento(), 7), 9, false);
    case D::TwelveDigits: return mod11(c, U(t.NossoNumero(), 12));
    case D::Caixa: return mod11(c, t.NossoNumero());
    case D::BBEleven: return digit_of(scheme("bb"), U(t.NossoNumero(), 11));
    case D::BBStored: return digit_of(scheme("bb"), t.NossoNumero());
    case D::Sicoob:
        return digit_of(scheme("sicoob"), U(Agencia(t), 4) + U(CodigoCedente(t), 10) + U(t.NossoNumero(), 7));
    }
    return {};
}

std::string santander(const TcbTitulo& t, const std::string& nosso) {
    return "9" + U(CodigoCedente(t), 7) + nosso + "0" + t.Carteira();
}

// Bank 001's 17-character nosso número (first hyphen removed, trimmed) in the
// layout of a 6-digit agreement: payee code, the 17 characters, service "21".
bool bb_17(const TcbTitulo& t, std::string& campo) {
    std::string n17;
    if (!nosso_numero_17(t, n17)) return false;
    campo = U(CodigoCedente(t), 6) + n17 + "21";
    return true;
}

std::string campo_livre(const BoletoOnlyClass& c, const TcbTitulo& t) {
    const std::string& nn = t.NossoNumero();
    std::string campo;
    switch (c.free_field) {
    case FF::PlainNosso: return santander(t, U(nn, 13));
    case FF::AppendedDigit: return santander(t, U(AcrescentarDVModulo11(nn), 13));
    case FF::AppendedTrimmed: return santander(t, U(AcrescentarDVModulo11(Trim(nn)), 13));
    case FF::TwelveWithDigit: {
        const std::string n12 = U(nn, 12);
        return santander(t, n12 + mod11(c, n12));
    }
    case FF::SevenLookedUp: return santander(t, "00000" + U(nn, 7) + DigitoNossoNumero(model_of(c), t));
    case FF::Caixa: {
        const std::string p = U(CodigoCedente(t), 6) + DigitoCodigoCedente(t) + chars(nn, 3, 3) + chars(nn, 1, 1) +
                              chars(nn, 6, 3) + chars(nn, 2, 1) + chars(nn, 9, 12);
        return p + mod11(c, p);
    }
    case FF::BBCarteira18:
        if (CodigoBanco(t) == "001" && t.Carteira() == "18") {
            if (bb_17(t, campo)) return campo;
            return U(nn, 11) + U(Agencia(t), 4) + U(CodigoCedente(t), 8) + U(t.Carteira(), 2);
        }
        // The 7-digit agreement layout: six zeros, the nosso número's first 7
        // characters (the agreement), its last 10, the carteira.
        return "000000" + first_chars(nn, 7) + U(nn, 10) + U(t.Carteira(), 2);
    case FF::BBAccountPrefix:
        if (bb_17(t, campo)) return campo;
        return U(nn, 11) + U(Agencia(t), 4) + U(first_chars(Conta(t), 4), 8) +
               U(t.Carteira(), 2);
    case FF::Sicoob:
        return U(t.Carteira(), 1) + U(Agencia(t), 4) + "02" + U(CodigoCedente(t), 7) + U(nn, 7) +
               DigitoNossoNumero(model_of(c), t) + "001";
    }
    return {};
}

// Widths of the first row of the bank-001 decision (payee bank code not "001").
struct FirstRow {
    int cedente;
    int nosso;
    int carteira;
};

// The bank-001 boleto decision. dv is the check digit the texts show; it is
// asked for after S1 is set, so a failing lookup leaves S1 assigned.
template <class Dv>
void boleto_bb(const TcbTitulo& t, FirstRow w, Dv dv, std::string& s1, std::string& s2, std::string& s3,
               std::string& s4) {
    if (CodigoBanco(t) != "001") {
        s1 = U(Agencia(t), 4) + " " + U(CodigoCedente(t), w.cedente) + "." + DigitoCodigoCedente(t);
        s2 = U(t.NossoNumero(), w.nosso) + dv();
        s3 = LU(t.Carteira(), w.carteira);
        s4 = "";
    } else if (t.Carteira() == "18") {
        s1 = U(Agencia(t), 4) + U(CodigoCedente(t), 11);
        std::string n17;
        // A 17-character nosso número is shown whole, without a check digit.
        s2 = nosso_numero_17(t, n17) ? n17 : U(t.NossoNumero(), 11) + dv();
        s3 = LU(t.Carteira(), 2);
        s4 = "";
    } else if (t.Carteira() == "17") {
        s1 = U(Agencia(t), 4) + " " + U(CodigoCedente(t), 11) + "." + DigitoCodigoCedente(t);
        s2 = U(t.NossoNumero(), 17);
        s3 = LU(t.Carteira(), 2);
        s4 = "";
    }
}

void formatar_boleto(const BoletoOnlyClass& c, const TcbTitulo& t, std::string& s1, std::string& s2,
                     std::string& s3, std::string& s4) {
    switch (c.boleto) {
    case BR::Santander13:
    case BR::Santander7:
        s2 = U(t.NossoNumero(), c.boleto == BR::Santander13 ? 13 : 7);
        s3 = LU(t.Carteira(), 3);
        s4 = "";
        return;
    case BR::Caixa:
        // The engine's bank-104 texts, kind table included.
        TcbBanco104::FormatarBoleto(t, s1, s2, s3, s4);
        return;
    case BR::BancoDoBrasil:
        boleto_bb(t, {11, 11, 2}, [&] { return DigitoNossoNumero(engine_profile(), t); }, s1, s2, s3, s4);
        return;
    case BR::Sicoob:
        boleto_bb(t, {10, 7, 1}, [&] { return DigitoNossoNumero(model_of(c), t); }, s1, s2, s3, s4);
        return;
    }
}

// An instance made around one call: it answers its row's description.
class TBoletoOnlyBank : public TPersistent {
public:
    explicit TBoletoOnlyBank(TClass cls) : cls_(cls) {}
    TClass ClassType() const override { return cls_; }

private:
    TClass cls_;
};

TClassInfo describe(const BoletoOnlyClass* row, std::size_t index);

const std::vector<TClassInfo>& descriptions() {
    static const std::vector<TClassInfo> infos = [] {
        std::vector<TClassInfo> v;
        v.reserve(std::size(kClasses));
        for (std::size_t i = 0; i < std::size(kClasses); ++i) v.push_back(describe(&kClasses[i], i));
        return v;
    }();
    return infos;
}

TClassInfo describe(const BoletoOnlyClass* row, std::size_t index) {
    BankClassBuilder<TBoletoOnlyBank> b{std::string(row->name)};
    b.Factory([index](TComponent*) -> TObject* { return new TBoletoOnlyBank(&descriptions()[index]); })
        .Operation("GetNomeBanco", [row]() { return std::string(nome_banco(row->bank)); })
        .Operation("GetCampoLivreCodigoBarra", [row](const TcbTitulo& t) { return campo_livre(*row, t); })
        .Operation("CalcularDigitoNossoNumero", [row](const TcbTitulo& t) { return digito(*row, t); })
        .Operation("FormatarBoleto", [row](const TcbTitulo& t, std::string& s1, std::string& s2, std::string& s3,
                                           std::string& s4) { formatar_boleto(*row, t, s1, s2, s3, s4); });
    return b.Build();
}

}  // namespace

std::span<const BoletoOnlyClass> boleto_only_classes() { return kClasses; }

TClass boleto_only_class(const BoletoOnlyClass& row) {
    return &descriptions()[static_cast<std::size_t>(&row - kClasses)];
}

void register_boleto_only_classes() {
    for (const BoletoOnlyClass& row : kClasses) register_plugin_class(boleto_only_class(row), row.unit);
}

}  // namespace billing::clients
