#pragma once
// Bank plug-in TcbBanco394: the fourteen-digit modulo-11 rules it shares with banks 320, 394, 409 and 745.

#include "billing/cbPlugin.h"

class TcbBanco394 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
