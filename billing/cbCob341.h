#pragma once
// Bank plug-in TcbBanco341: modulo-10 digits over agency, account, carteira and nosso número.

#include "billing/cbPlugin.h"

class TcbBanco341 : public TPersistent {
public:
    CB_BANK_PLUGIN_OPERATIONS
    // The CNAB 400 writer itself.
    static bool GerarRemessaCNAB400(TcbCobranca& batch, TStringList& remessa);
};
