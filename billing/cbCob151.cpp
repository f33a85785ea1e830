#include "billing/cbCob151.h"

#include "billing/BankClass.h"
#include "billing/cbBancos.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco151::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    static constexpr std::string_view kPesos = "31973197319731319731973";
    const std::vector<int> d = digit_values(F(Agencia(t), 4) + F(Conta(t), 9) + F(DigitoConta(t), 1) + F(t.NossoNumero(), 9));
    int s = 0;
    for (std::size_t i = 0; i < d.size() && i < kPesos.size(); ++i) s += d[i] * (kPesos[i] - '0');
    return std::to_string(s % 10 == 0 ? 0 : 10 - s % 10);
}

std::string TcbBanco151::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    (void)t;
    throw Exception(Format("Geração de boleto bancário não está disponível para o banco %s - %s",
                                   {"151", std::string(bank_row("151").name)}));
}

void TcbBanco151::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "." + F(CodigoCedente(t), 11) + "." + DigitoCodigoCedente(t);
    NossoNumeroDigito = F(t.NossoNumero(), 10) + "." + DV(t);
    CarteiraBoleto = L(t.Carteira(), 2);
    EspecieBoleto = abreviatura(especies_151(), t.EspecieDocumento());
}

bool TcbBanco151::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("151", batch, remessa);
}

TClass TcbBanco151::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco151>("151");
    return &info;
}
