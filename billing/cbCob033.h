#pragma once
// Bank plug-in TcbBanco033: check digit over the document number; installation code 236 selects 12 digits.

#include "billing/cbPlugin.h"

class TcbBanco033 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
