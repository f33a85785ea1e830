#include "billing/cbCob353.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbCodeTexts.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco353::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(t.NossoNumero(), 7), 9);
}

std::string TcbBanco353::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    return "9" + F(CodigoCedente(t), 7) + "00000" + F(t.NossoNumero(), 8) + "0" + t.Carteira();
}

void TcbBanco353::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "/" + F(Conta(t), 8) + "-" + DigitoConta(t);
    NossoNumeroDigito = F(t.NossoNumero(), 7) + "-" + DV(t);
    CarteiraBoleto = L(t.Carteira(), 3);
    EspecieBoleto = "";
}

bool TcbBanco353::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("353", batch, remessa);
}

bool TcbBanco353::GerarRemessaCNAB400(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa_cnab400("353", batch, remessa);
}

TClass TcbBanco353::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco353>("353", [](auto& ops) {
        ops.Operation("LerRetornoCNAB400", [](TcbCobranca& b, LinhasRetorno l) { return ler_retorno_cnab400("353", b, l); })
            .Operation("VerificaOcorrenciaOriginal", [](const std::string& c) { return codetext::ocorrencia(*codetext::find_bank("353"), c); })
            .Operation("GerarRemessaCNAB400", &TcbBanco353::GerarRemessaCNAB400);
    });
    return &info;
}
