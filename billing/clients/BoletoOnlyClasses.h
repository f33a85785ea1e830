#pragma once
// The client bank classes that make boletos only (no remittance, no return):
// Santander (033), Caixa (104), Banco do Brasil (001) and SICOOB (756). Each
// class is a row: its name, its unit, the client model unit whose helpers
// and lookup it uses, and which of a few shared rules its check digit, free
// field and boleto texts follow. One implementation serves every row; each
// class publishes GetNomeBanco, GetCampoLivreCodigoBarra,
// CalcularDigitoNossoNumero and FormatarBoleto and nothing else.

#include "platform/core/ClassInfo.h"

#include <span>
#include <string_view>

namespace billing::clients {

// The bank a class serves: its code and name.
enum class BoletoBank { Santander, Caixa, BancoDoBrasil, Sicoob };

// Nosso-número check digit.
enum class DigitRule {
    DocumentNumber,  // Modulo11 (base 9) of NumeroDocumento[7]; remainders 0 and 1 give "0"
    TwelveDigits,    // the model's Modulo11 (base 9) of NossoNumero[12]
    Caixa,           // the model's Modulo11 (base 9) of NossoNumero as stored
    BBEleven,        // weights 9 .. 2 over NossoNumero[11]; the remainder, 10 as "X"
    BBStored,        // the same over NossoNumero as stored
    Sicoob,          // weights 3, 1, 9, 7 from the left over agency[4] + payee[10] + NossoNumero[7]
};

// Bar-code free field.
enum class FreeFieldRule {
    PlainNosso,        // "9" + payee[7] + NossoNumero[13] + "0" + carteira
    AppendedDigit,     // ... AcrescentarDVModulo11(NossoNumero as stored)[13] ...
    AppendedTrimmed,   // ... AcrescentarDVModulo11(NossoNumero trimmed)[13] ...
    TwelveWithDigit,   // ... NossoNumero[12] + its Modulo11 digit ...
    SevenLookedUp,     // ... "00000" + NossoNumero[7] + the model's DigitoNossoNumero ...
    Caixa,             // payee[6], its digit, the nosso número interleaved, Modulo11 of all that
    BBCarteira18,      // carteira 18 of bank 001, else the 7-digit agreement layout
    BBAccountPrefix,   // nosso número, agency, the account's first four characters, carteira
    Sicoob,            // carteira[1], agency, "02", payee[7], NossoNumero[7], digit, "001"
};

// Boleto texts.
enum class BoletoRule {
    Santander13,    // S1 kept, S2 NossoNumero[13], S3 carteira[3, left], S4 empty
    Santander7,     // the same with NossoNumero[7]
    Caixa,          // agency.payee.digit, nosso número as stored, carteira[2, left], kind table
    BancoDoBrasil,  // the bank-001 decision by payee bank code and carteira
    Sicoob,         // the same decision with the SICOOB widths outside bank 001
};

struct BoletoOnlyClass {
    std::string_view name;   // the class name in the class registry
    std::string_view unit;   // the unit that holds it
    std::string_view model;  // the client model unit of its helpers and lookup; empty: the engine's
    BoletoBank bank;
    DigitRule digit;
    FreeFieldRule free_field;
    BoletoRule boleto;
};

// Every boleto-only class, one row each.
std::span<const BoletoOnlyClass> boleto_only_classes();
// The class description of a row of boleto_only_classes().
TClass boleto_only_class(const BoletoOnlyClass& row);
// Registers every boleto-only class with its unit (a second call adds nothing).
void register_boleto_only_classes();

}  // namespace billing::clients
