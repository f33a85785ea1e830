#include "billing/clients/UnibancoFamily.h"

#include "billing/clients/FamilyClass.h"
#include "billing/cbLayouts.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

#include <utility>

namespace billing::clients {

namespace {

using D = itau_safra::DigitRule;
using FF = itau_safra::FreeFieldRule;
using B = itau_safra::BoletoRule;

constexpr std::string_view kItau = "Banco Itaú SA";
constexpr std::string_view kSafra = "Banco Safra";

constexpr UnibancoClassRow kRows[] = {
    {"TMovrentaBanco409", "MovrentaCobUNIBANCO", "409", "UNIBANCO", "MovrentaCobranca", D::MovrentaAccount,
     FF::MovrentaAccount, B::Fourteen},
    {"TPrentalvaBanco341", "PrentalvaCobItau", "341", kItau, "PrentalvaCobranca", D::ItauStored, FF::ItauTitleDigit,
     B::TitleDigit},
    {"TQuistralSaudeBanco341", "QuistralSaudeCobItau", "341", kItau, "QuistralSaudeCobranca", D::ItauPadded,
     FF::ItauTitleDigit, B::TitleDigit},
    {"TTrelvaniBanco341", "TrelvaniCobItau", "341", kItau, "TrelvaniCobranca", D::ItauStored, FF::ItauTitleDigit,
     B::TitleDigit},
    {"TTrelvaniBanco341Unicred", "TrelvaniCobItauUnicred", "341", kItau, "TrelvaniCobrancaItauUnicred", D::ItauStored,
     FF::Carteira198, B::NoDigit},
    {"TCrestalvoBanco341", "CrestalvoCobItau", "341", kItau, "CrestalvoCobrancaItau", D::ItauPadded,
     FF::ItauCarteiraDigit, B::TitleDigit},
    {"TFendrasilBanco341", "FendrasilCobItau", "341", kItau, "", D::ItauStored, FF::ItauAccountDigitSix,
     B::EngineDigit},
    {"TKavrinoBanco422", "KavrinoCobSAFRA", "422", kSafra, "KavrinoCobrancaSAFRA", D::Safra, FF::Safra, B::TitleDigit},
    {"TKavrinoBanco422_Bradesco", "KavrinoCobSAFRA_Bradesco", "422", kSafra, "KavrinoCobrancaSAFRA_Bradesco", D::Safra,
     FF::SafraBradesco, B::TitleDigit},
    {"TKavrinoBanco341", "KavrinoCobItau", "341", kItau, "KavrinoCobranca", D::ItauStored, FF::ItauAccountDigit,
     B::TitleDigit},
    {"TKavrinoBanco341Safra", "KavrinoCobItauSafra", "341", kItau, "KavrinoCobrancaItauSafra", D::ItauStoredAgency,
     FF::ItauStandard, B::TitleDigit},
};

// The engine's 409 layout under the row's bank code (the code each title is checked against).
layout::BankLayout layout_of(const UnibancoClassRow& row) {
    layout::BankLayout l = *layout::cnab400_layout("409");
    l.code = row.code;
    return l;
}

RetornoComo reader_of(const UnibancoClassRow& row) {
    return RetornoComo{"409", row.code, row.bank_name, &family_model(row.model)};
}

// The class of row I: stateless, every operation reads its row.
template <std::size_t I>
class UnibancoClass : public TPersistent {
public:
    static constexpr const UnibancoClassRow& row = kRows[I];

    CB_BANK_PLUGIN_OPERATIONS
    static std::string GetNomeBanco();

    static bool LerRetorno(TcbCobranca& batch, LinhasRetorno lines) {
        return ler_retorno(reader_of(row), batch, lines);
    }
    static bool GerarRemessaCNAB400(TcbCobranca& batch, TStringList& list) {
        return gerar_remessa_400(layout_of(row), row.bank_name, family_model(row.model), batch, list);
    }
};

template <std::size_t I>
std::string UnibancoClass<I>::GetNomeBanco() {
    return std::string(row.bank_name);
}

template <std::size_t I>
std::string UnibancoClass<I>::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return itau_safra::check_digit(row.digit, family_model(row.model), t);
}

template <std::size_t I>
std::string UnibancoClass<I>::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return itau_safra::free_field(row.free_field, family_model(row.model), t);
}

template <std::size_t I>
void UnibancoClass<I>::FormatarBoleto(const TcbTitulo& t, std::string& agencia, std::string& nosso,
                                      std::string& carteira, std::string& especie) {
    itau_safra::boleto_texts(row.boleto, family_model(row.model), t, agencia, nosso, carteira, especie);
}

// A layout other than CNAB 400 writes nothing, leaves the list and answers false.
template <std::size_t I>
bool UnibancoClass<I>::GerarRemessa(TcbCobranca& batch, TStringList& list) {
    if (!remessa_frame_writes("409", row.bank_name, batch.LayoutArquivo, &list)) return false;
    return GerarRemessaCNAB400(batch, list);
}

template <std::size_t I>
TClass UnibancoClass<I>::StaticClass() {
    return family_class<UnibancoClass<I>>();
}

}  // namespace

std::span<const UnibancoClassRow> unibanco_family() { return kRows; }

void register_unibanco_family() { register_family<UnibancoClass>(std::make_index_sequence<std::size(kRows)>()); }

}  // namespace billing::clients
