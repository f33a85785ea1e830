#include "billing/cbCob999.h"

#include "billing/Installation.h"
#include "billing/cbBancos.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco999::GetNomeBanco() { return std::string(bank_row("999").name); }

std::string TcbBanco999::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_decrescente_x(t);
}

std::string TcbBanco999::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return rules::campo_livre_onze(t);
}

void TcbBanco999::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    rules::boleto_onze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}

bool TcbBanco999::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("999", batch, remessa);
}

TClass TcbBanco999::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TcbBanco999, TPersistent>("TcbBanco999")
        .Operation("LerRetorno", [](TcbCobranca& b, LinhasRetorno l) { return ler_retorno("999", b, l); })
        .Operation("GetNomeBanco", &TcbBanco999::GetNomeBanco)
        .Operation("CalcularDigitoNossoNumero", &TcbBanco999::CalcularDigitoNossoNumero)
        .Operation("GetCampoLivreCodigoBarra", &TcbBanco999::GetCampoLivreCodigoBarra)
        .Operation("FormatarBoleto", &TcbBanco999::FormatarBoleto)
        .Operation("GerarRemessa", &TcbBanco999::GerarRemessa)
        .Build();
    return &info;
}
