#include "billing/cbCob320.h"

#include "billing/Installation.h"
#include "billing/cbBancos.h"
#include "billing/cbRegras.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco320::GetNomeBanco() { return std::string(bank_row("320").name); }

std::string TcbBanco320::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_quatorze(t);
}

std::string TcbBanco320::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return rules::campo_livre_quinze(t);
}

void TcbBanco320::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    rules::boleto_quinze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}


const PluginClass& TcbBanco320::Class() {
    static const PublishedOperation kOperations[] = {
        {"GetNomeBanco", &TcbBanco320::GetNomeBanco},
        {"CalcularDigitoNossoNumero", &TcbBanco320::CalcularDigitoNossoNumero},
        {"GetCampoLivreCodigoBarra", &TcbBanco320::GetCampoLivreCodigoBarra},
        {"FormatarBoleto", &TcbBanco320::FormatarBoleto},
    };
    static const PluginClass kClass{"TcbBanco320", "cbCob320", kOperations};
    return kClass;
}
