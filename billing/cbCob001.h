#pragma once
// Bank plug-in TcbBanco001: descending modulo-11 with X for the remainder 10; carteiras 17 and 18 of its own.

#include "billing/cbPlugin.h"

class TcbBanco001 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
};
