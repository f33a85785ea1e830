#pragma once
// Bank plug-in TcbBanco291: plain modulo-11 rules.

#include "billing/cbPlugin.h"

class TcbBanco291 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
