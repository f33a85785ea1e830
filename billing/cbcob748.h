#pragma once
// Bank plug-in TcbBanco748: check digit and nosso número over the current year; installation code 1 selects collection type 1.

#include "billing/cbPlugin.h"

class TcbBanco748 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
    // Returns the one-byte value 19.
    static std::uint8_t GetImagem();
};
