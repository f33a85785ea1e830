#include "billing/cbCob021.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco021::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    const std::string n = F(t.NossoNumero(), 8);
    const std::string d1 = Mod11(n, 9);
    return d1 + Mod11(n + d1, 10);
}

std::string TcbBanco021::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    const std::string field = F(t.NossoNumero(), 8) + F(Conta(t), 11) + "2" + "021";
    return field + CalcularDuploDigito(field);
}

void TcbBanco021::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "/" + F(CodigoCedente(t), 11) + "-" + DigitoCodigoCedente(t);
    NossoNumeroDigito = F(t.NossoNumero(), 8) + "-" + DV(t);
    CarteiraBoleto = F(t.Carteira(), 1);
    EspecieBoleto = "";
}

std::string CalcularDuploDigito(std::string_view digits) {
    int d1 = std::stoi(Modulo10(digits));
    const std::string text(digits);
    int r = Mod11raw(text + std::to_string(d1), 7);
    while (r == 1) {
        d1 = (d1 + 1) % 10;
        r = Mod11raw(text + std::to_string(d1), 7);
    }
    return std::to_string(d1) + std::to_string(r == 0 ? 0 : 11 - r);
}
bool TcbBanco021::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("021", batch, remessa);
}

TClass TcbBanco021::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco021>("021");
    return &info;
}
