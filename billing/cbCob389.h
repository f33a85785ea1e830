#pragma once
// Bank plug-in TcbBanco389: plain modulo-11 rules over agency and nosso número.

#include "billing/cbPlugin.h"

class TcbBanco389 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
