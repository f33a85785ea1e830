#pragma once
// Bank plug-in TcbBanco479: plain modulo-11 rules.

#include "billing/cbPlugin.h"

class TcbBanco479 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
