#pragma once
// Bank plug-in TcbBanco353: plain modulo-11 rules; the carteira enters the free field as stored.

#include "billing/cbPlugin.h"

class TcbBanco353 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
    // The CNAB 400 writer itself.
    static bool GerarRemessaCNAB400(TcbCobranca& batch, TStringList& remessa);
};
