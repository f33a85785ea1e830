#include "billing/cbCob033.h"

#include "billing/BankClass.h"
#include "billing/Installation.h"
#include "billing/cbRegras.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa400.h"
#include "billing/cbRetorno400.h"

using namespace billing;
using namespace billing::rules;

std::string TcbBanco033::CalcularDigitoNossoNumero(const TcbTitulo& t) {
    if (current_installation().codigo_instalacao == 236) {
        const int r = Mod11raw(F(t.NumeroDocumento(), 12), 13);
        if (r == 10) return "1";
        if (r == 0 || r == 1) return "0";
        return std::to_string(11 - r);
    }
    // Remainders 0 and 1 give 0, as the modulo-11 rule does everywhere else.
    const int r = Mod11raw(F(t.NumeroDocumento(), 7), 8);
    if (r == 0 || r == 1) return "0";
    return std::to_string(11 - r);
}

std::string TcbBanco033::GetCampoLivreCodigoBarra(const TcbTitulo& t) {
    if (current_installation().codigo_instalacao == 236) {
        return "9" + F(CodigoCedente(t), 7) + F(t.NossoNumero(), 12) + DV(t) + "0" + t.Carteira();
    }
    return "9" + F(CodigoCedente(t), 7) + "00000" + F(t.NossoNumero(), 8) + "0" + t.Carteira();
}

void TcbBanco033::FormatarBoleto(const TcbTitulo& t, std::string& AgenciaCodigoCedente, std::string& NossoNumeroDigito,
                                 std::string& CarteiraBoleto, std::string& EspecieBoleto) {
    (void)AgenciaCodigoCedente;
    NossoNumeroDigito = F(t.NossoNumero(), 13);
    CarteiraBoleto = L(t.Carteira(), 3);
    EspecieBoleto = "";
}

bool TcbBanco033::GerarRemessa(TcbCobranca& batch, TStringList& remessa) {
    return billing::gerar_remessa("033", batch, remessa);
}

TClass TcbBanco033::StaticClass() {
    static const TClassInfo info = engine_bank_class<TcbBanco033>("033");
    return &info;
}
