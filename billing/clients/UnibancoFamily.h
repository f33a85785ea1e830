#pragma once
// The client bank classes on the bank-409 file layout: the engine's 409
// CNAB 400 writer and reader, their header literals and code texts, bound to
// each class's bank code and name, with the Itaú, Safra or Unibanco-account
// boleto rules of billing/clients/ItauSafraFamily.h. One implementation; every
// class is a row.

#include "billing/clients/ItauSafraFamily.h"

#include <span>
#include <string_view>

namespace billing::clients {

struct UnibancoClassRow {
    std::string_view class_name;
    std::string_view unit;
    std::string_view code;       // checked against each title and the return header
    std::string_view bank_name;  // GetNomeBanco and the bank messages
    std::string_view model;      // the title-model unit; empty: the engine's
    itau_safra::DigitRule digit;
    itau_safra::FreeFieldRule free_field;
    itau_safra::BoletoRule boleto;
};

// Every class of the family, in registration order.
std::span<const UnibancoClassRow> unibanco_family();
// Registers each row's class with its unit (billing/PluginClasses.h).
void register_unibanco_family();

}  // namespace billing::clients
