#pragma once
// Bank plug-in TcbBanco151: a fixed weight string over agency, account and nosso número; no free field.

#include "billing/cbPlugin.h"

class TcbBanco151 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
