#include "billing/cbCob409.h"

#include "billing/Installation.h"
#include "billing/cbBancos.h"
#include "billing/cbRegras.h"

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


const PluginClass& TcbBanco409::Class() {
    static const PublishedOperation kOperations[] = {
        {"GetNomeBanco", &TcbBanco409::GetNomeBanco},
        {"CalcularDigitoNossoNumero", &TcbBanco409::CalcularDigitoNossoNumero},
        {"GetCampoLivreCodigoBarra", &TcbBanco409::GetCampoLivreCodigoBarra},
        {"FormatarBoleto", &TcbBanco409::FormatarBoleto},
    };
    static const PluginClass kClass{"TcbBanco409", "cbCob409", kOperations};
    return kClass;
}
