#include "billing/cbCob356.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco356::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod10(F(t.NossoNumero(), 13) + F(Agencia(t), 4) + F(Conta(t), 7));
}

std::string TcbBanco356::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return F(Agencia(t), 4) + F(Conta(t), 7) + F(DV(t), 1) + F(t.NossoNumero(), 13);
}

void TcbBanco356::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "/" + F(Conta(t), 7) + "-" + DigitoConta(t);
    NossoNumeroDigito = F(t.NossoNumero(), 13);
    CarteiraBoleto = F(t.Carteira(), 2);
    EspecieBoleto = "DM";
}

bool TcbBanco356::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("356", batch, remessa);
}

TClass TcbBanco356::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco356>("356");
    return &info;
}
