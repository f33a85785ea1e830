#include "billing/cbCob341.h"

#include "billing/BankClass.h"
#include "billing/BarCode.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbCodeTexts.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco341::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod10(F(Agencia(t), 4) + F(Conta(t), 5) + F(t.Carteira(), 3) + F(t.NossoNumero(), 8));
}

std::string TcbBanco341::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    verificar_digito_conta_341(t);
    const std::string agencia_conta = F(Agencia(t), 4) + F(Conta(t), 5);
    const std::string carteira_nosso = F(t.Carteira(), 3) + F(t.NossoNumero(), 8);
    return carteira_nosso + Mod10(agencia_conta + carteira_nosso) + agencia_conta + Mod10(agencia_conta) + "000";
}

void TcbBanco341::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "/" + F(CodigoCedente(t), 5) + "-" + DigitoCodigoCedente(t);
    NossoNumeroDigito = F(t.Carteira(), 3) + "/" + F(t.NossoNumero(), 8) + "-" + DV(t);
    CarteiraBoleto = F(t.Carteira(), 3);
    EspecieBoleto = "";
}

bool TcbBanco341::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("341", batch, remessa);
}

bool TcbBanco341::GerarRemessaCNAB400(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa_cnab400("341", batch, remessa);
}

TClass TcbBanco341::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco341>("341", [](auto& ops) {
        ops.Operation("LerRetornoCNAB400", [](TcbCobranca& b, LinhasRetorno l) { return ler_retorno_cnab400("341", b, l); })
            .Operation("VerificaOcorrenciaOriginal", [](const std::string& c) { return codetext::ocorrencia(*codetext::find_bank("341"), c); })
            .Operation("VerificaMotivoRejeicaoComando", [](const std::string& c) { return codetext::motivo(*codetext::find_bank("341"), c); })
            .Operation("GerarRemessaCNAB400", &TcbBanco341::GerarRemessaCNAB400);
    });
    return &info;
}
