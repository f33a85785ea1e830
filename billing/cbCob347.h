#pragma once
// Bank plug-in TcbBanco347: plain modulo-11 rules over carteira and nosso número.

#include "billing/cbPlugin.h"

class TcbBanco347 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
