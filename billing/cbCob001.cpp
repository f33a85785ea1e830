#include "billing/cbCob001.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco001::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_decrescente_x(t);
}

std::string TcbBanco001::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    if (CodigoBanco(t) == "001" && t.Carteira() == "18") {
        std::string n17;
        const std::string n = rules::nosso_numero_17(t, n17) ? F(CodigoCedente(t), 6) + n17 + "21"
                                                              : F(t.NossoNumero(), 11) + F(Agencia(t), 4) +
                                                                    F(CodigoCedente(t), 8) + F(t.Carteira(), 2);
        return n;
    }
    return rules::campo_livre_onze(t);
}

void TcbBanco001::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    if (CodigoBanco(t) != "001") {
        rules::boleto_onze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
        return;
    }
    if (t.Carteira() == "18") {
        std::string n17;
        AgenciaCodigoCedente = F(Agencia(t), 4) + F(CodigoCedente(t), 11);
        NossoNumeroDigito = rules::nosso_numero_17(t, n17) ? n17 : F(t.NossoNumero(), 11) + DV(t);
        CarteiraBoleto = L(t.Carteira(), 2);
        EspecieBoleto = "";
    } else if (t.Carteira() == "17") {
        AgenciaCodigoCedente = F(Agencia(t), 4) + " " + F(CodigoCedente(t), 11) + "." + DigitoCodigoCedente(t);
        NossoNumeroDigito = F(t.NossoNumero(), 17) + DV(t);
        CarteiraBoleto = L(t.Carteira(), 2);
        EspecieBoleto = "";
    }
}

bool TcbBanco001::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("001", batch, remessa);
}

TClass TcbBanco001::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco001>("001");
    return &info;
}
