#pragma once
// Bank plug-in TcbBanco745: the fourteen-digit modulo-11 rules it shares with banks 320, 394, 409 and 745.

#include "billing/cbPlugin.h"

class TcbBanco745 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
    // The CNAB 400 writer itself.
    static bool GerarRemessaCNAB400(TcbCobranca& batch, TStringList& remessa);
};
