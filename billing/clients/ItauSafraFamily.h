#pragma once
// The boleto rules of the Itaú, Safra and Unibanco-account client classes:
// nosso-número check digits, bar-code free fields and boleto texts. Each rule
// reads one title and returns texts; none writes to the title. A rule that
// needs the title's own check digit asks the class's model for it (the
// model's DigitoNossoNumero lookup), whatever model the title belongs to.

#include "billing/cbCobranca.h"

#include <string>

namespace billing::clients::itau_safra {

// CalcularDigitoNossoNumero. NN8 is the nosso número formatted to 8 digits.
enum class DigitRule {
    MovrentaAccount,  // Modulo10(K12 + NN8)
    ItauStored,       // Modulo10(agency, account and carteira as stored + NN8)
    ItauPadded,       // Modulo10(agency[4] + account[5] + carteira as stored + NN8)
    ItauStoredAgency, // Modulo10(agency as stored + account[5] + carteira as stored + NN8)
    Safra,            // the model's Modulo11(NN8, base 9)
};

// GetCampoLivreCodigoBarra.
enum class FreeFieldRule {
    MovrentaAccount,      // K3 + NN8 + K7 + K5 + Modulo10 of those + "0"
    ItauTitleDigit,       // carteira + NN8 + the title's digit + agency[4] + account[5] + Modulo10(both) + "000"
    ItauCarteiraDigit,    // as ItauTitleDigit with Modulo10(carteira + NN8) as the digit
    ItauAccountDigit,     // carteira + NN8 + digit + agency[4] + the account as stored + "000"
    ItauAccountDigitSix,  // as ItauAccountDigit with the account's first 6 characters, formatted to 6
    ItauStandard,         // the account's first 5 characters, formatted to 5, and both Itaú digits
    Carteira198,          // "198" + document number + seu número + client code + digit + "0"
    Safra,                // "7" + Safra agency + account[9] + NN8 + the title's digit + "2"
    SafraBradesco,        // Bradesco agency + "09" + year + NN8 and its digit + Bradesco account[7] + "0"
};

// FormatarBoleto (agency/payee code, nosso número, carteira, document kind).
enum class BoletoRule {
    Fourteen,     // nosso número[14] + "-" + the title's digit
    TitleDigit,   // NN8 + "-" + the title's digit
    NoDigit,      // NN8 alone
    EngineDigit,  // as TitleDigit, the carteira filled before the nosso número
};

// `model` is the class's model: its lookup gives the title's check digit.
std::string check_digit(DigitRule rule, const ModelProfile& model, const TcbTitulo& title);
std::string free_field(FreeFieldRule rule, const ModelProfile& model, const TcbTitulo& title);
void boleto_texts(BoletoRule rule, const ModelProfile& model, const TcbTitulo& title, std::string& agencia,
                  std::string& nosso, std::string& carteira, std::string& especie);

}  // namespace billing::clients::itau_safra
