#include "billing/cbCob394.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco394::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_quatorze(t);
}

std::string TcbBanco394::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return rules::campo_livre_quinze(t);
}

void TcbBanco394::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    rules::boleto_quinze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}

bool TcbBanco394::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("394", batch, remessa);
}

TClass TcbBanco394::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco394>("394");
    return &info;
}
