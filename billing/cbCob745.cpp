#include "billing/cbCob745.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbCodeTexts.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco745::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return rules::digito_quatorze(t);
}

std::string TcbBanco745::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return rules::campo_livre_quinze(t);
}

void TcbBanco745::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    rules::boleto_quinze(t, AgenciaCodigoCedente, NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}

bool TcbBanco745::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("745", batch, remessa);
}

bool TcbBanco745::GerarRemessaCNAB400(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa_cnab400("745", batch, remessa);
}

TClass TcbBanco745::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco745>("745", [](auto& ops) {
        ops.Operation("LerRetornoCNAB400", [](TcbCobranca& b, LinhasRetorno l) { return ler_retorno_cnab400("745", b, l); })
            .Operation("VerificaOcorrenciaOriginal", [](const std::string& c) { return codetext::ocorrencia(*codetext::find_bank("745"), c); })
            .Operation("VerificaMotivoRejeicaoComando", [](const std::string& c) { return codetext::motivo(*codetext::find_bank("745"), c); })
            .Operation("GerarRemessaCNAB400", &TcbBanco745::GerarRemessaCNAB400);
    });
    return &info;
}
