#include "billing/cbCob745.h"

#include "billing/Installation.h"
#include "billing/cbBancos.h"
#include "billing/cbRegras.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco745::GetNomeBanco() { return std::string(bank_row("745").name); }

std::string TcbBanco745::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_quatorze(t);
}

std::string TcbBanco745::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return rules::campo_livre_quinze(t);
}

void TcbBanco745::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    rules::boleto_quinze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}


const PluginClass& TcbBanco745::Class() {
    static const PublishedOperation kOperations[] = {
        {"GetNomeBanco", &TcbBanco745::GetNomeBanco},
        {"CalcularDigitoNossoNumero", &TcbBanco745::CalcularDigitoNossoNumero},
        {"GetCampoLivreCodigoBarra", &TcbBanco745::GetCampoLivreCodigoBarra},
        {"FormatarBoleto", &TcbBanco745::FormatarBoleto},
    };
    static const PluginClass kClass{"TcbBanco745", "cbCob745", kOperations};
    return kClass;
}
