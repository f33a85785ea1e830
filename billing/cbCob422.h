#pragma once
// Bank plug-in TcbBanco422: plain modulo-11 rules.

#include "billing/cbPlugin.h"

class TcbBanco422 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
