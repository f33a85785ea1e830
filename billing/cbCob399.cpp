#include "billing/cbCob399.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco399::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    const std::string n = F(t.NossoNumero(), 13);
    const std::string d1 = Mod11(n, 9);
    const bool vencimento = t.DataVencimento() != 0;
    const std::string k = vencimento ? "4" : "5";
    std::int64_t s = to_int64(n + d1 + k) + to_int64(F(CodigoCedente(t), 7));
    if (vencimento) {
        const CivilDate d = decode_date(t.DataVencimento());
        s += to_int64(F(std::to_string(d.day), 2) + F(std::to_string(d.month), 2) + F(std::to_string(d.year % 100), 2));
    }
    return d1 + k + Mod11(std::to_string(s), 9);
}

std::string TcbBanco399::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    std::string data = "0000";
    if (t.DataVencimento() != 0) {
        data = F(std::to_string(day_of_year(t.DataVencimento())), 3) +
               std::to_string(decode_date(t.DataVencimento()).year % 10);
    }
    return F(CodigoCedente(t), 7) + F(t.NossoNumero(), 13) + data + "2";
}

void TcbBanco399::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    AgenciaCodigoCedente = F(Agencia(t), 4) + "-" + F(DigitoAgencia(t), 1) + "/" + F(CodigoCedente(t), 7);
    NossoNumeroDigito = F(t.NossoNumero(), 13) + DV(t);
    CarteiraBoleto = L(t.Carteira(), 3);
    EspecieBoleto = "";
}

bool TcbBanco399::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("399", batch, remessa);
}

TClass TcbBanco399::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco399>("399");
    return &info;
}
