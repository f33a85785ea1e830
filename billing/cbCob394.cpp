#include "billing/cbCob394.h"

#include "billing/Installation.h"
#include "billing/cbBancos.h"
#include "billing/cbRegras.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco394::GetNomeBanco() { return std::string(bank_row("394").name); }

std::string TcbBanco394::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_quatorze(t);
}

std::string TcbBanco394::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return rules::campo_livre_quinze(t);
}

void TcbBanco394::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    rules::boleto_quinze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}


const PluginClass& TcbBanco394::Class() {
    static const PublishedOperation kOperations[] = {
        {"GetNomeBanco", &TcbBanco394::GetNomeBanco},
        {"CalcularDigitoNossoNumero", &TcbBanco394::CalcularDigitoNossoNumero},
        {"GetCampoLivreCodigoBarra", &TcbBanco394::GetCampoLivreCodigoBarra},
        {"FormatarBoleto", &TcbBanco394::FormatarBoleto},
    };
    static const PluginClass kClass{"TcbBanco394", "cbCob394", kOperations};
    return kClass;
}
