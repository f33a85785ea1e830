#include "billing/clients/SicrediFamily.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/PluginClasses.h"
#include "billing/clients/FamilyClass.h"
#include "billing/cbLayouts.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa400.h"

#include "platform/core/CodePages.h"

#include <array>
#include <utility>

namespace billing::clients::sicredi {

using namespace billing::rules;

namespace {

using D = DigitRule;
using C = FieldRule;
using N = NossoRule;

// Name, unit, bank code, bank name, model, digit, free field, nosso-número
// builder, own digit in FormatarBoleto, "DMI"/"DSI", fixed account texts.
constexpr SicrediClass kClasses[] = {
    // The 748 layout written and read for the clients' own banks.
    {"TBanco748", "GorlindoCobSicredi", "748", "SICREDI", "", D::Cedente, C::Sicredi, N::None, false, false,
     &kContaJorvella},
    // Its model's lookup (prefix "TBanco") finds no class for 033: the boleto
    // takes the class's own digit.
    {"TVantorimBanco033", "DorvessaCob", "033", "SANTANDER", "DorvessaCobranca", D::Cedente, C::Santander101,
     N::None, true, false, &kContaNenhuma},
    {"TBrevantaBanco341", "BrevantaCob", "341", "ITAU", "BrevantaCobranca", D::Itau, C::Santander101, N::None, false,
     false, &kContaNenhuma},
    {"TXandreloBanco033", "XandreloCob", "033", "SANTANDER", "XandreloCobranca", D::CedenteSemHifen, C::Santander104,
     N::None, false, false, &kContaNenhuma},
    {"TLirvantoBanco341", "LirvantoCob", "341", "ITAU", "LirvantoCobranca", D::Itau, C::Santander101, N::None, false,
     false, &kContaNenhuma},
    // The Sicredi-code classes: the engine's model and titles.
    {"TJorvellaBanco409", "JorvellaCobSicredi", "409", "SICREDI", "", D::Cedente, C::Sicredi, N::None, false, false,
     &kContaJorvella},
    {"TBancoDravomir748", "DravomirCobSicredi", "748", "SICREDI", "", D::Cedente, C::Unicred, N::Primeiros5, false,
     true, &kContaDravomir},
    {"TBancoHeldruna748", "HeldrunaCobSicredi", "748", "SICREDI", "", D::Cedente, C::Heldruna, N::Um, false, true,
     &kContaNenhuma},
    {"TBancoGorvaine748", "GorvaineCobSicredi", "748", "SICREDI", "", D::Cedente, C::UnicredInicial, N::Primeiros5,
     false, true, &kContaGorvaine},
    {"TBancoOstravel748", "OstravelCobSicredi", "748", "SICREDI", "", D::Cedente, C::UnicredInicial, N::Primeiros5,
     false, true, &kContaGorvaine},
    {"TBancoTaldrimo748", "TaldrimoCobSicredi", "748", "SICREDI", "", D::Cedente, C::Taldrimo, N::Ultimos5, false,
     true, &kContaTaldrimo},
};

constexpr Especie kInterior[] = {{edDuplicataMercantil, "DMI"}, {edDuplicataServico, "DSI"}};

const ModelProfile& profile_of(const SicrediClass& c) { return family_model(c.model); }

std::string mod11(const SicrediClass& c, std::string_view digits) { return Modulo11(profile_of(c), digits, 9, false); }

std::string ano(TDateTime date) { return U(std::to_string(decode_date(date).year % 100), 2); }

std::string first_char(std::string_view text) { return first_chars(text, 1); }

// Positions 12-25 of the free fields with a check digit: agency, posto, payee code, "10", digit.
std::string closed(const SicrediClass& c, const TcbTitulo& t, std::string body, std::string_view posto) {
    body += U(Agencia(t), 4) + std::string(posto) + U(CodigoCedente(t), 5) + "1" + "0";
    return body + mod11(c, body);
}

// One class of the family: row I of kClasses.
template <std::size_t I>
class TSicrediClient : public TPersistent {
public:
    static constexpr const SicrediClass& row = kClasses[I];
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    static std::string GetNomeBanco() { return std::string(row.bank_name); }
    static std::string CalcularDigitoNossoNumero(const TcbTitulo& t) { return digito_nosso_numero(row, t); }
    static std::string GetCampoLivreCodigoBarra(const TcbTitulo& t) { return campo_livre(row, t); }
    static void FormatarBoleto(const TcbTitulo& t, std::string& a, std::string& n, std::string& c, std::string& e) {
        formatar_boleto(row, t, a, n, c, e);
    }
    static bool GerarRemessa(TcbCobranca& batch, TStringList& list) { return gerar_remessa(row, batch, list); }
    static bool LerRetorno(TcbCobranca& batch, LinhasRetorno lines) { return ler_retorno(row, batch, lines); }
};

template <std::size_t I>
TClass TSicrediClient<I>::StaticClass() {
    using Self = TSicrediClient<I>;
    return family_class<Self>([](auto& b) {
        b.Operation("GetImagem", []() -> std::uint8_t { return 19; });
        if (Self::row.nosso == N::Um) {
            b.Operation("CalculaNossoNumeroUnicred",
                        [](const std::string& numero) { return nosso_numero_unicred(Self::row, numero); });
        } else if (Self::row.nosso != N::None) {
            b.Operation("CalculaNossoNumeroUnicred", [](const std::string& numero, const std::string& agencia,
                                                        const std::string& posto, const std::string& cedente) {
                return nosso_numero_unicred(Self::row, numero, agencia, posto, cedente);
            });
        }
    });
}

template <std::size_t... I>
std::array<TClass, sizeof...(I)> all_classes(std::index_sequence<I...>) {
    return {TSicrediClient<I>::StaticClass()...};
}

const std::array<TClass, std::size(kClasses)>& classes() {
    static const auto all = all_classes(std::make_index_sequence<std::size(kClasses)>());
    return all;
}

}  // namespace

std::span<const SicrediClass> sicredi_classes() { return kClasses; }

const SicrediClass* find_sicredi_class(std::string_view name) {
    for (const SicrediClass& c : kClasses) {
        if (SameText(c.class_name, name)) return &c;
    }
    return nullptr;
}

TClass class_of(const SicrediClass& c) { return classes()[static_cast<std::size_t>(&c - kClasses)]; }

void register_classes() { register_family<TSicrediClient>(std::make_index_sequence<std::size(kClasses)>()); }

std::string digito_nosso_numero(const SicrediClass& c, const TcbTitulo& t) {
    switch (c.digit) {
        case D::Itau:
            return Modulo10(U(Agencia(t), 4) + U(Conta(t), 5) + U(t.Carteira(), 3) + U(t.NossoNumero(), 8));
        case D::Cedente:
        case D::CedenteSemHifen: {
            std::string nosso = t.NossoNumero();
            if (c.digit == D::CedenteSemHifen) std::erase(nosso, '-');
            return mod11(c, U(Agencia(t), 4) + std::string(kPostoDigito) + U(CodigoCedente(t), 5) +
                                ano(t.DataDocumento()) + "2" + U(nosso, 5));
        }
    }
    return "0";
}

std::string nosso_numero_unicred(const SicrediClass& c, std::string_view numero, std::string_view agencia,
                                 std::string_view posto, std::string_view cedente) {
    const std::string n = Trim(numero);
    switch (c.nosso) {
        case N::None:
            break;
        case N::Um:
            return n + mod11(c, n);
        case N::Primeiros5:
        case N::Ultimos5: {
            const std::string n5 = c.nosso == N::Primeiros5 ? first_chars(n, 5) : last_chars("00000" + n, 5);
            const std::string nosso = ano(today()) + "2" + n5;
            return nosso + mod11(c, Trim(agencia) + Trim(posto) + Trim(cedente) + nosso);
        }
    }
    throw Exception(Format("%s não calcula o nosso número", {std::string(c.class_name)}));
}

std::string campo_livre(const SicrediClass& c, const TcbTitulo& t) {
    const ContaFixa& k = *c.conta;
    switch (c.field) {
        case C::Sicredi:
            return closed(c, t, "3" + std::string("1") + t.NossoNumero() + digito_nosso_numero(c, t), kPostoDigito);
        case C::Santander101:
            return "9" + U(CodigoCedente(t), 7) + U(t.NossoNumero(), 13) + "0" + "101";
        case C::Santander104: {
            // Characters 6 to 12 of the payee code.
            return "9" + U(chars(CodigoCedente(t), 6, 7), 7) + U(t.NossoNumero(), 13) + "0" + "104";
        }
        case C::Unicred:
        case C::UnicredInicial: {
            const std::string carteira = c.field == C::Unicred ? t.Carteira() : first_char(t.Carteira());
            return closed(c, t,
                          "1" + carteira +
                              nosso_numero_unicred(c, t.NumeroDocumento(), k.agencia_nn, k.posto_nn, k.cedente_nn),
                          k.posto_campo_livre);
        }
        case C::Taldrimo:
            return closed(c, t, "3" + first_char(t.Carteira()) + t.NossoNumero(), k.posto_campo_livre);
        case C::Heldruna:
            return U(Agencia(t), 4) + last_chars("0000000000" + Trim(CodigoCedente(t)), 10) +
                   last_chars("00000000000" + nosso_numero_unicred(c, t.NumeroDocumento()), 11);
    }
    return {};
}

void formatar_boleto(const SicrediClass& c, const TcbTitulo& t, std::string& AgenciaCodigoCedente,
                     std::string& NossoNumeroDigito, std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    // The class's own digit serves its own bank's titles only; any other
    // title goes through the model's lookup, which refuses a bank it has no class for.
    const bool own = c.own_boleto_digit && U(t.Cedente().ContaBancaria().Banco().Codigo(), 3) == c.code;
    const std::string interior = c.especies_interior ? abreviatura(kInterior, t.EspecieDocumento()) : std::string();
    boleto_748(
        t, [&] { return own ? digito_nosso_numero(c, t) : DigitoNossoNumero(profile_of(c), t); },
        interior.empty() ? abreviatura(especies_748(), t.EspecieDocumento()) : interior, AgenciaCodigoCedente,
        NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}

bool gerar_remessa(const SicrediClass& c, TcbCobranca& batch, TStringList& list, bool frame) {
    if (frame && !remessa_frame_writes("748", c.bank_name, batch.LayoutArquivo, &list)) return false;
    layout::BankLayout own = *layout::cnab400_layout("748");
    own.code = c.code;
    return gerar_remessa_400(own, c.bank_name, profile_of(c), batch, list);
}

bool ler_retorno(const SicrediClass& c, TcbCobranca& batch, LinhasRetorno lines, bool frame) {
    const RetornoComo como{"748", c.code, c.bank_name, &profile_of(c)};
    return frame ? billing::ler_retorno(como, batch, lines) : billing::ler_retorno_cnab400(como, batch, lines);
}

}  // namespace billing::clients::sicredi
