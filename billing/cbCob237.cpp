#include "billing/cbCob237.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco237::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    const int r = Mod11raw(F(t.Carteira(), 2) + F(t.NossoNumero(), 11), 7);
    if (r == 1) return "P";
    if (r == 0) return "0";
    return std::to_string(11 - r);
}

std::string TcbBanco237::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return F(Agencia(t), 4) + F(t.Carteira(), 2) + F(t.NossoNumero(), 11) + F(Conta(t), 7) + "0";
}

void TcbBanco237::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    boleto_237(t, F(t.NossoNumero(), 11), [&] { return DV(t); }, AgenciaCodigoCedente, NossoNumeroDigito,
               CarteiraBoleto, EspecieBoleto);
}

bool TcbBanco237::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("237", batch, remessa);
}

TClass TcbBanco237::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco237>("237");
    return &info;
}
