#include "billing/cbCob999.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco999::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_decrescente_x(t);
}

std::string TcbBanco999::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return rules::campo_livre_onze(t);
}

void TcbBanco999::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    rules::boleto_onze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}

bool TcbBanco999::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("999", batch, remessa);
}

TClass TcbBanco999::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco999>("999");
    return &info;
}
