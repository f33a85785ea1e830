#include "billing/cbCob104.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco104::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(t.NossoNumero(), 10), 9);
}

std::string TcbBanco104::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return t.NossoNumero() + F(Agencia(t), 4) + F(CodigoCedente(t), 11);
}

void TcbBanco104::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "." + F(CodigoCedente(t), 11) + "." + DigitoCodigoCedente(t);
    NossoNumeroDigito = t.NossoNumero();
    CarteiraBoleto = L(t.Carteira(), 2);
    EspecieBoleto = abreviatura(especies_104(), t.EspecieDocumento());
}

bool TcbBanco104::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("104", batch, remessa);
}

TClass TcbBanco104::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco104>("104");
    return &info;
}
