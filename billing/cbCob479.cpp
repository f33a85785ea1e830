#include "billing/cbCob479.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco479::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(t.NossoNumero(), 8), 9);
}

std::string TcbBanco479::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return F(CodigoCedente(t), 9) + F(t.NossoNumero(), 15) + "9";
}

void TcbBanco479::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = Agencia(t) + "/" + CodigoCedente(t) + "-" + DigitoCodigoCedente(t);
    NossoNumeroDigito = F(t.NossoNumero(), 14) + "-" + DV(t);
    CarteiraBoleto = L(t.Carteira(), 3);
    EspecieBoleto = "";
}

bool TcbBanco479::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("479", batch, remessa);
}

TClass TcbBanco479::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco479>("479");
    return &info;
}
