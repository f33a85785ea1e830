#pragma once
// Bank plug-in TcbBanco999: the rules of bank 001 without its carteiras of their own.

#include "billing/cbPlugin.h"

class TcbBanco999 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
