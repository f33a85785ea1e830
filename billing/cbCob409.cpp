#include "billing/cbCob409.h"

#include "billing/Installation.h"
#include "billing/cbBancos.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco409::GetNomeBanco() { return std::string(bank_row("409").name); }

std::string TcbBanco409::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_quatorze(t);
}

std::string TcbBanco409::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return rules::campo_livre_quinze(t);
}

void TcbBanco409::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    rules::boleto_quinze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}

bool TcbBanco409::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("409", batch, remessa);
}

TClass TcbBanco409::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TcbBanco409, TPersistent>("TcbBanco409")
        .Operation("LerRetorno", [](TcbCobranca& b, LinhasRetorno l) { return ler_retorno("409", b, l); })
        .Operation("GetNomeBanco", &TcbBanco409::GetNomeBanco)
        .Operation("CalcularDigitoNossoNumero", &TcbBanco409::CalcularDigitoNossoNumero)
        .Operation("GetCampoLivreCodigoBarra", &TcbBanco409::GetCampoLivreCodigoBarra)
        .Operation("FormatarBoleto", &TcbBanco409::FormatarBoleto)
        .Operation("GerarRemessa", &TcbBanco409::GerarRemessa)
        .Build();
    return &info;
}
