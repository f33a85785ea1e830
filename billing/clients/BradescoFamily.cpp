#include "billing/clients/BradescoFamily.h"

#include "billing/clients/FamilyClass.h"
#include "billing/cbBancos.h"
#include "billing/cbCob237.h"
#include "billing/cbLayouts.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

#include <utility>

namespace billing::clients {

namespace {

constexpr std::string_view kCode = "237";

constexpr BradescoClassRow kRows[] = {
    {"TTrelvaniBanco237", "TrelvaniCobBradescoUnicred", "TrelvaniCobrancaBradescoUnicred", BradescoBoleto::Engine},
    {"TQuembraBanco237", "QuembraCobBradescoUnicred", "QuembraCobrancaBradescoUnicred", BradescoBoleto::Engine},
    {"TBrevantaBanco237", "BrevantaCobBradesco", "", BradescoBoleto::AsStored},
};

template <std::size_t I>
class BradescoClass : public TPersistent {
public:
    static constexpr const BradescoClassRow& row = kRows[I];

    CB_BANK_PLUGIN_OPERATIONS
    static std::string GetNomeBanco();

    static bool LerRetorno(TcbCobranca& batch, LinhasRetorno lines) {
        return ler_retorno(RetornoComo{kCode, kCode, name(), &family_model(row.model)}, batch, lines);
    }
    static bool GerarRemessaCNAB400(TcbCobranca& batch, TStringList& list) {
        return gerar_remessa_400(*layout::cnab400_layout(kCode), name(), family_model(row.model), batch, list);
    }

private:
    static std::string name() { return std::string(bank_row(kCode).name); }
};

template <std::size_t I>
std::string BradescoClass<I>::GetNomeBanco() {
    return name();
}

template <std::size_t I>
std::string BradescoClass<I>::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return TcbBanco237::CalcularDigitoNossoNumero(t);
}

template <std::size_t I>
std::string BradescoClass<I>::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return TcbBanco237::GetCampoLivreCodigoBarra(t);
}

template <std::size_t I>
void BradescoClass<I>::FormatarBoleto(const TcbTitulo& t, std::string& agencia, std::string& nosso,
                                      std::string& carteira, std::string& especie) {
    const std::string nosso11 = row.boleto == BradescoBoleto::AsStored
                                    ? rules::last_chars("00000000000" + Trim(t.NossoNumero()), 11)
                                    : rules::U(t.NossoNumero(), 11);
    rules::boleto_237(t, nosso11, [&] { return DigitoNossoNumero(family_model(row.model), t); }, agencia, nosso,
                      carteira, especie);
}

template <std::size_t I>
bool BradescoClass<I>::GerarRemessa(TcbCobranca& batch, TStringList& list) {
    if (!remessa_frame_writes(kCode, name(), batch.LayoutArquivo, &list)) return false;
    return GerarRemessaCNAB400(batch, list);
}

template <std::size_t I>
TClass BradescoClass<I>::StaticClass() {
    return family_class<BradescoClass<I>>();
}

}  // namespace

std::span<const BradescoClassRow> bradesco_family() { return kRows; }

void register_bradesco_family() { register_family<BradescoClass>(std::make_index_sequence<std::size(kRows)>()); }

}  // namespace billing::clients
