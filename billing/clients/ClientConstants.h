#pragma once
// INSTALLATION CONSTANTS of the Unibanco-layout, Itaú/Safra and Bradesco
// client classes.
//
// Digit strings of the clients' bank accounts that the classes carry as
// constants, not settings: each belongs to one client's collection contract
// and ships with its class. This table is the only place that holds their
// values; code and tests use them by name (client_constant), never by value.
// The Sicredi-layout classes' constants are in SicrediConstants.h, marked the
// same way.

#include <cstddef>
#include <string_view>

namespace billing::clients {

struct ClientConstant {
    std::string_view name;   // the name code and tests use
    std::string_view value;  // decimal digits only
    std::size_t length;      // the length the class's layout expects
};

// ---- INSTALLATION CONSTANTS: replace the values, keep the lengths. -------
inline constexpr ClientConstant kClientConstants[] = {
    // TMovrentaBanco409: the collection account's digit strings K12, K3, K7, K5.
    {"MovrentaK12", "361500487212", 12},
    {"MovrentaK3", "512", 3},
    {"MovrentaK7", "0048721", 7},
    {"MovrentaK5", "30176", 5},
    // TTrelvaniBanco341Unicred: client code given by the bank; client number
    // that opens the seu-número part of the carteira-198 free field.
    {"UnicredCodigoCliente", "40917", 5},
    {"UnicredNumeroCliente", "2231", 4},
    // TKavrinoBanco422: the client's Safra agency.
    {"SafraAgencia", "01450", 5},
    // TKavrinoBanco422_Bradesco: the client's Bradesco agency and account.
    {"SafraBradescoAgencia", "3381", 4},
    {"SafraBradescoConta", "095821", 6},
};
// ---------------------------------------------------------------------------

constexpr bool constants_well_formed() {
    for (const ClientConstant& c : kClientConstants) {
        if (c.value.size() != c.length) return false;
        for (char ch : c.value) {
            if (ch < '0' || ch > '9') return false;
        }
    }
    return true;
}
static_assert(constants_well_formed(), "an installation constant is not a digit string of its length");

// The value of a named constant; an unknown name does not compile.
consteval std::string_view client_constant(std::string_view name) {
    for (const ClientConstant& c : kClientConstants) {
        if (c.name == name) return c.value;
    }
    throw "unknown client constant";
}

}  // namespace billing::clients
