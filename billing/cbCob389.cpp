#include "billing/cbCob389.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco389::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(Agencia(t), 4) + F(t.NossoNumero(), 10), 9);
}

std::string TcbBanco389::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return F(Agencia(t), 4) + F(t.NossoNumero(), 10) + L(DV(t), 1) + F(CodigoCedente(t), 9) + "2";
}

void TcbBanco389::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + " / " + F(CodigoCedente(t), 9);
    NossoNumeroDigito = F(t.NossoNumero(), 10) + DV(t);
    CarteiraBoleto = L(t.Carteira(), 3);
    EspecieBoleto = "";
}

bool TcbBanco389::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("389", batch, remessa);
}

TClass TcbBanco389::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco389>("389");
    return &info;
}
