#include "billing/cbCob341.h"

#include "billing/Installation.h"
#include "billing/cbBancos.h"
#include "billing/cbRegras.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco341::GetNomeBanco() { return std::string(bank_row("341").name); }

std::string TcbBanco341::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod10(F(Agencia(t), 4) + F(Conta(t), 5) + F(t.Carteira(), 3) + F(t.NossoNumero(), 8));
}

std::string TcbBanco341::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    const std::string agencia_conta = F(Agencia(t), 4) + F(Conta(t), 5);
    const std::string carteira_nosso = F(t.Carteira(), 3) + F(t.NossoNumero(), 8);
    return carteira_nosso + Mod10(agencia_conta + carteira_nosso) + agencia_conta + Mod10(agencia_conta) + "000";
}

void TcbBanco341::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "/" + F(CodigoCedente(t), 5) + "-" + DigitoCodigoCedente(t);
    NossoNumeroDigito = F(t.Carteira(), 3) + "/" + F(t.NossoNumero(), 8) + "-" + DV(t);
    CarteiraBoleto = F(t.Carteira(), 3);
    EspecieBoleto = "";
}


const PluginClass& TcbBanco341::Class() {
    static const PublishedOperation kOperations[] = {
        {"GetNomeBanco", &TcbBanco341::GetNomeBanco},
        {"CalcularDigitoNossoNumero", &TcbBanco341::CalcularDigitoNossoNumero},
        {"GetCampoLivreCodigoBarra", &TcbBanco341::GetCampoLivreCodigoBarra},
        {"FormatarBoleto", &TcbBanco341::FormatarBoleto},
    };
    static const PluginClass kClass{"TcbBanco341", "cbCob341", kOperations};
    return kClass;
}
