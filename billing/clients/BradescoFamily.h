#pragma once
// The client bank classes of Bradesco (bank 237): the engine's 237 rules,
// CNAB 400 writer and reader on a client's title model, one of them with a
// boleto text of its own. One implementation; every class is a row.

#include <span>
#include <string_view>

namespace billing::clients {

// How FormatarBoleto shows the nosso número.
enum class BradescoBoleto {
    Engine,    // carteira[3] + "/" + nosso número[11] + "-" + digit, as bank 237
    AsStored,  // the nosso número trimmed and forced to 11 characters, neither folded nor upper-cased
};

struct BradescoClassRow {
    std::string_view class_name;
    std::string_view unit;
    std::string_view model;  // the title-model unit; empty: the engine's
    BradescoBoleto boleto;
};

// Every class of the family, in registration order.
std::span<const BradescoClassRow> bradesco_family();

// Registers each row's class with its unit (billing/PluginClasses.h).
void register_bradesco_family();

}  // namespace billing::clients
