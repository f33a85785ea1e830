#pragma once
// Bank plug-in TcbBanco104: plain modulo-11 rules; the nosso número enters the free field as stored.

#include "billing/cbPlugin.h"

class TcbBanco104 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
