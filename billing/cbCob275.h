#pragma once
// Bank plug-in TcbBanco275: a modulo-10 digit over nosso número, agency and account.

#include "billing/cbPlugin.h"

class TcbBanco275 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
