#include "billing/cbCob275.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco275::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod10(F(t.NossoNumero(), 15) + F(Agencia(t), 4) + F(Conta(t), 7));
}

std::string TcbBanco275::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return F(Agencia(t), 4) + F(Conta(t), 7) + F(DigitoConta(t), 1) + F(t.NossoNumero(), 13);
}

void TcbBanco275::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "/" + F(Conta(t), 7) + "-" + DigitoConta(t);
    NossoNumeroDigito = F(t.NossoNumero(), 15) + "-" + DV(t);
    CarteiraBoleto = F(t.Carteira(), 1);
    EspecieBoleto = "";
}

bool TcbBanco275::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("275", batch, remessa);
}

TClass TcbBanco275::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco275>("275");
    return &info;
}
