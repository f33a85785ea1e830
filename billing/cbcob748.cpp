#include "billing/cbcob748.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco748::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    return Mod11(F(Agencia(t), 4) + F(DigitoAgencia(t), 2) + F(Conta(t), 5) + rules::ano_corrente() + "2" +
                     U(t.NossoNumero(), 5),
                 9);
}

std::string TcbBanco748::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    const Installation inst = current_installation();
    const bool tipo1 = inst.codigo_instalacao == 1;
    const std::string field = std::string(tipo1 ? "1" : "3") + "1" + F(t.NossoNumero(), 9) +
                              U(Agencia(t) + DigitoAgencia(t), 4) + F(inst.posto_748, 2) +
                              (tipo1 ? F(inst.cedente_748, 5) : F(CodigoCedente(t), 5)) + "1" + "0";
    return field + Mod11(field, 9);
}

void TcbBanco748::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    boleto_748(t, [&] { return DV(t); }, abreviatura(especies_748(), t.EspecieDocumento()), AgenciaCodigoCedente,
               NossoNumeroDigito, CarteiraBoleto, EspecieBoleto);
}

std::uint8_t TcbBanco748::GetImagem() { return 19; }

bool TcbBanco748::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("748", batch, remessa);
}

TClass TcbBanco748::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco748>("748", [](auto& ops) {
        ops.Operation("GetImagem", &TcbBanco748::GetImagem);
    });
    return &info;
}
