#pragma once
// The printable controls of reports: one header per control class, gathered
// here. The printable base they derive from is report/bands' TBRPrintable.

#include "report/bands/BandRpt.h"
