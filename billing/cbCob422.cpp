#include "billing/cbCob422.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco422::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(t.NossoNumero(), 8), 9);
}

std::string TcbBanco422::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return "7" + F(Agencia(t), 4) + F(CodigoCedente(t) + DigitoCodigoCedente(t), 10) + F(t.NossoNumero(), 9) + "2";
}

void TcbBanco422::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = Agencia(t) + "/" + CodigoCedente(t);
    NossoNumeroDigito = F(t.NossoNumero(), 9) + "-" + DV(t);
    CarteiraBoleto = F(t.Carteira(), 1);
    EspecieBoleto = "";
}

bool TcbBanco422::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("422", batch, remessa);
}

TClass TcbBanco422::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco422>("422");
    return &info;
}
