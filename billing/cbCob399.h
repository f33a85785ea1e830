#pragma once
// Bank plug-in TcbBanco399: a three-character check that depends on the due date.

#include "billing/cbPlugin.h"

class TcbBanco399 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
