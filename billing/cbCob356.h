#pragma once
// Bank plug-in TcbBanco356: a modulo-10 digit over nosso número, agency and account, carried in its free field.

#include "billing/cbPlugin.h"

class TcbBanco356 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
