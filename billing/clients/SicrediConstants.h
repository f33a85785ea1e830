#pragma once
// INSTALLATION CONSTANTS of the Sicredi-layout client classes: the clients'
// account data at the bank (postos, agencies, payee codes). They are
// constants of the classes, not settings; an installation for other accounts
// changes this table and nothing else. Tests read them from here by name.

#include <string_view>

namespace billing::clients::sicredi {

// The posto that every class of the family puts into its nosso-número check
// digit (and the Sicredi free field puts beside the agency): one value for all.
inline constexpr std::string_view kPostoDigito = "27";

// Fixed account texts of one class: the free field's posto and, for the
// classes that build their nosso número, the agency, posto and payee code
// that go into its digit. Empty where the class holds no such text.
struct ContaFixa {
    std::string_view posto_campo_livre;  // 2 digits
    std::string_view agencia_nn;         // 4 digits
    std::string_view posto_nn;           // 2 digits, the free field's posto
    std::string_view cedente_nn;         // 5 digits
};

inline constexpr ContaFixa kContaNenhuma = {"", "", "", ""};
// The bank-409 class puts the check-digit posto into its free field.
inline constexpr ContaFixa kContaJorvella = {kPostoDigito, "", "", ""};
inline constexpr ContaFixa kContaDravomir = {"14", "0812", "14", "40317"};
// Shared by TBancoGorvaine748 and TBancoOstravel748.
inline constexpr ContaFixa kContaGorvaine = {"31", "2205", "31", "11842"};
inline constexpr ContaFixa kContaTaldrimo = {"08", "", "", ""};

}  // namespace billing::clients::sicredi
