#pragma once
// Bank plug-in TcbBanco237: modulo-11 base 7 over carteira and nosso número, P for the remainder 1.

#include "billing/cbPlugin.h"

class TcbBanco237 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
