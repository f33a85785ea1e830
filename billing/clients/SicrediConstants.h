#pragma once
// INSTALLATION CONSTANTS of the Sicredi-layout client classes.
//
// The clients' account data at the bank (postos, agencies, payee codes) that
// the classes carry as constants, not settings: each belongs to one client's
// collection contract and ships with its class. This table is the only place
// that holds their values; code and tests use them by name, never by value.
// The other client families' constants are in ClientConstants.h, marked the
// same way.

#include <cstddef>
#include <string_view>

namespace billing::clients::sicredi {

// Fixed account texts of one class: the free field's posto and, for the
// classes that build their nosso número, the agency, posto and payee code
// that go into its digit. Empty where the class holds no such text.
struct ContaFixa {
    std::string_view posto_campo_livre;  // 2 digits
    std::string_view agencia_nn;         // 4 digits
    std::string_view posto_nn;           // 2 digits, the free field's posto
    std::string_view cedente_nn;         // 5 digits
};

// ---- INSTALLATION CONSTANTS: replace the values, keep the lengths. -------

// The posto that every class of the family puts into its nosso-número check
// digit (and the Sicredi free field puts beside the agency): one value for all.
inline constexpr std::string_view kPostoDigito = "27";

inline constexpr ContaFixa kContaNenhuma = {"", "", "", ""};
// The bank-409 class puts the check-digit posto into its free field.
inline constexpr ContaFixa kContaJorvella = {kPostoDigito, "", "", ""};
inline constexpr ContaFixa kContaDravomir = {"14", "0812", "14", "40317"};
// Shared by TBancoGorvaine748 and TBancoOstravel748.
inline constexpr ContaFixa kContaGorvaine = {"31", "2205", "31", "11842"};
inline constexpr ContaFixa kContaTaldrimo = {"08", "", "", ""};
// ---------------------------------------------------------------------------

// Each text empty or a digit string of its length.
constexpr bool digits_of_length(std::string_view text, std::size_t length) {
    if (text.empty()) return true;
    if (text.size() != length) return false;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
    }
    return true;
}
constexpr bool well_formed(const ContaFixa& k) {
    return digits_of_length(k.posto_campo_livre, 2) && digits_of_length(k.agencia_nn, 4) &&
           digits_of_length(k.posto_nn, 2) && digits_of_length(k.cedente_nn, 5);
}
static_assert(kPostoDigito.size() == 2 && digits_of_length(kPostoDigito, 2) && well_formed(kContaJorvella) &&
                  well_formed(kContaDravomir) && well_formed(kContaGorvaine) && well_formed(kContaTaldrimo),
              "an installation constant is not a digit string of its length");

}  // namespace billing::clients::sicredi
