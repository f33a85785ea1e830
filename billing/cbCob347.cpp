#include "billing/cbCob347.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco347::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(t.Carteira(), 2) + F(t.NossoNumero(), 6), 9);
}

std::string TcbBanco347::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return F(Agencia(t), 3) + F(CodigoCedente(t), 8) + F(t.NossoNumero(), 9) + "00000";
}

void TcbBanco347::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "." + F(CodigoCedente(t), 11) + "." + DigitoCodigoCedente(t);
    NossoNumeroDigito = F(t.NossoNumero(), 10) + "." + DV(t);
    CarteiraBoleto = L(t.Carteira(), 2);
    EspecieBoleto = abreviatura(especies_347(), t.EspecieDocumento());
}

bool TcbBanco347::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("347", batch, remessa);
}

TClass TcbBanco347::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco347>("347");
    return &info;
}
