#pragma once
// GerarRemessa of an engine bank: the frame that hands the batch to the CNAB
// 400 writer, or at banks 001, 104 and 999 a laCNAB240 batch to the CNAB 240
// writer.

#include "billing/cbCobranca.h"

#include <string_view>

namespace billing {

bool gerar_remessa(std::string_view code, TcbCobranca& batch, TStringList& list);

}  // namespace billing
