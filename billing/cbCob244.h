#pragma once
// Bank plug-in TcbBanco244: plain modulo-11 rules; carteira 80 carries the payee's own number.

#include "billing/cbPlugin.h"

class TcbBanco244 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
