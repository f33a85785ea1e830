#pragma once
// Bank plug-in TcbBanco038: plain modulo-11 rules.

#include "billing/cbPlugin.h"

class TcbBanco038 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
