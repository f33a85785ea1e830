#include "billing/cbCob291.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco291::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(t.NossoNumero(), 7), 9);
}

std::string TcbBanco291::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return F(Agencia(t), 3) + F(CodigoCedente(t), 7) + F(t.NossoNumero(), 13) + "1" + "7";
}

void TcbBanco291::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 3) + "/" + F(CodigoCedente(t), 6) + "-" + DigitoCodigoCedente(t);
    NossoNumeroDigito = F(t.NossoNumero(), 7) + "-" + DV(t);
    CarteiraBoleto = L(t.Carteira(), 3);
    EspecieBoleto = "";
}

bool TcbBanco291::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("291", batch, remessa);
}

TClass TcbBanco291::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco291>("291");
    return &info;
}
