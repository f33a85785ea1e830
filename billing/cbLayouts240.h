#pragma once
// CNAB 240 remittance layouts: the six records of a bank's file as rows of
// the same kind as the CNAB 400 layouts (billing/cbLayouts.h), and the
// bank's movement and document-kind codes.

#include "billing/cbLayouts.h"

namespace billing::layout {

struct BankLayout240 {
    std::string_view code;
    bool only_240;  // the writer refuses a batch whose layout is not laCNAB240
    Record file_header;
    Record batch_header;
    Record segment_p;
    Record segment_q;
    Record batch_trailer;
    Record file_trailer;
    std::span<const OcorrenciaCode> movimentos;  // a command not listed is refused
    std::span<const EspecieCode> especies;
    std::string_view especie_default;
};

// The CNAB 240 layout of an engine bank (001, 104, 999), or nullptr.
const BankLayout240* cnab240_layout(std::string_view code);
// Every engine bank with a CNAB 240 layout, in code order.
std::span<const BankLayout240* const> cnab240_layouts();

}  // namespace billing::layout
