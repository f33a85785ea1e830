#pragma once
// Bank plug-in TcbBanco021: two check digits, and the double digit that closes its free field.

#include "billing/cbPlugin.h"

class TcbBanco021 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};

// The two-digit check of a free field: a modulo-10 digit, raised until the
// modulo-11 (base 7) remainder over the text and that digit is not 1, then
// the modulo-11 digit.
std::string CalcularDuploDigito(std::string_view digits);
