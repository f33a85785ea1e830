#include "billing/cbCob038.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco038::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(t.NossoNumero(), 11), 9);
}

std::string TcbBanco038::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return "1" + F(Agencia(t), 3) + F(Conta(t), 6) + F(DigitoConta(t), 1) + F(t.NossoNumero(), 11) + F(DV(t), 1) + "00";
}

void TcbBanco038::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 3) + "/" + F(Conta(t), 6) + "-" + DigitoConta(t);
    NossoNumeroDigito = F(t.NossoNumero(), 11) + "-" + DV(t);
    CarteiraBoleto = L(t.Carteira(), 3);
    EspecieBoleto = "";
}

bool TcbBanco038::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("038", batch, remessa);
}

TClass TcbBanco038::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco038>("038");
    return &info;
}
