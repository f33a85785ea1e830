#include "billing/cbCob244.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco244::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(t.NossoNumero(), 6), 7);
}

std::string TcbBanco244::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    std::string field = F(Agencia(t), 3) + F(CodigoCedente(t), 6) + F(DigitoCodigoCedente(t), 1) + F(t.Carteira(), 2);
    if (F(t.Carteira(), 2) != "80") return field + F(t.NossoNumero(), 9) + F(DV(t), 1) + "000";
    return field + F(t.SeuNumero(), 13);
}

void TcbBanco244::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "." + F(CodigoCedente(t), 11) + "." + DigitoCodigoCedente(t);
    NossoNumeroDigito = F(t.NossoNumero(), 10) + "." + DV(t);
    CarteiraBoleto = L(t.Carteira(), 2);
    EspecieBoleto = abreviatura(especies_244(), t.EspecieDocumento());
}

bool TcbBanco244::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("244", batch, remessa);
}

TClass TcbBanco244::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco244>("244");
    return &info;
}
