// The CNAB 240 remittance layouts of banks 001, 999 and 104: file header,
// batch header, segments P and Q, batch and file trailers. Bank 001's
// records are given whole; 999 changes the bank code and name, 104 the
// rows where the Caixa's layout differs. Every record is checked at compile
// time.

#include "billing/cbLayouts240.h"

#include <algorithm>

namespace billing::layout {

namespace {

using S = Source;
using M = Mark;

// ---------------------------------------------------------------- 001

constexpr Row kFileHeader001[] = {
    text(1, 3, 3, "001"),
    text(4, 7, 4, "0000"),
    text(8, 8, 1, "0"),
    blanks(9, 17, 9),
    // The payee's kind in one digit: the last of table K's "01", "02", "03".
    field(18, 18, 1, M::R0, S::CedenteInscricao),
    field(19, 32, 14, M::R0, S::CedenteCPFCGC),
    field(33, 52, 20, M::R0, S::CodigoCedente),
    field(53, 57, 5, M::R0, S::CodigoAgencia),
    field(58, 58, 1, M::R0, S::DigitoAgencia),
    field(59, 70, 12, M::R0, S::NumeroConta),
    field(71, 71, 1, M::R0, S::DigitoConta),
    blanks(72, 72, 1),
    field(73, 102, 30, M::Lb, S::CedenteNome),
    text(103, 132, 30, "BANCO DO BRASIL               "),
    blanks(133, 142, 10),
    text(143, 143, 1, "1"),
    date8(144, 151, S::DataArquivo),
    time_of_day(152, 157, S::DataArquivo),
    field(158, 163, 6, M::R0, S::NumeroArquivo),
    text(164, 166, 3, "030"),
    text(167, 171, 5, "00000"),
    blanks(172, 191, 20),
    blanks(192, 211, 20),
    blanks(212, 222, 11),
    text(223, 225, 3, "CSP"),
    text(226, 228, 3, "0  "),
    blanks(229, 240, 12),
};

constexpr Row kBatchHeader001[] = {
    text(1, 3, 3, "001"),
    text(4, 7, 4, "0001"),
    text(8, 8, 1, "1"),
    text(9, 9, 1, "R"),
    text(10, 11, 2, "01"),
    text(12, 13, 2, "00"),
    text(14, 16, 3, "020"),
    blanks(17, 17, 1),
    field(18, 18, 1, M::R0, S::CedenteInscricao),
    field(19, 33, 15, M::R0, S::CedenteCPFCGC),
    field(34, 53, 20, M::R0, S::CodigoCedente),
    field(54, 58, 5, M::R0, S::CodigoAgencia),
    field(59, 59, 1, M::R0, S::DigitoAgencia),
    field(60, 71, 12, M::R0, S::NumeroConta),
    field(72, 72, 1, M::R0, S::DigitoConta),
    blanks(73, 73, 1),
    field(74, 103, 30, M::Lb, S::CedenteNome),
    blanks(104, 143, 40),
    blanks(144, 183, 40),
    field(184, 191, 8, M::R0, S::NumeroArquivo),
    date8(192, 199, S::DataArquivo),
    text(200, 207, 8, "0       "),
    blanks(208, 240, 33),
};

constexpr Row kSegmentP001[] = {
    text(1, 3, 3, "001"),
    text(4, 7, 4, "0001"),
    text(8, 8, 1, "3"),
    field(9, 13, 5, M::R0, S::Sequencia),
    text(14, 14, 1, "P"),
    blanks(15, 15, 1),
    field(16, 17, 2, M::R0, S::Ocorrencia),
    field(18, 22, 5, M::R0, S::CodigoAgencia),
    field(23, 23, 1, M::R0, S::DigitoAgencia),
    field(24, 35, 12, M::R0, S::NumeroConta),
    field(36, 36, 1, M::R0, S::DigitoConta),
    blanks(37, 37, 1),
    field(38, 57, 20, M::L0, S::NossoNumero),
    text(58, 58, 1, "1"),
    text(59, 59, 1, "1"),
    text(60, 60, 1, "1"),
    field(61, 62, 2, M::R0, S::Emissao),
    field(63, 77, 15, M::R0, S::SeuNumero),
    date8(78, 85, S::DataVencimento),
    cents(86, 100, 15, S::ValorDocumento),
    text(101, 105, 5, "00000"),
    blanks(106, 106, 1),
    field(107, 108, 2, M::R0, S::Especie),
    field(109, 109, 1, M::Lb, S::Aceite),
    date8(110, 117, S::DataDocumento),
    field(118, 118, 1, M::R0, S::CodigoJuros),
    date8(119, 126, S::DataJuros, "00000000"),
    cents(127, 141, 15, S::ValorMoraJuros),
    field(142, 142, 1, M::R0, S::CodigoDesconto),
    date8(143, 150, S::DataDesconto240, "00000000"),
    cents(151, 165, 15, S::ValorDesconto),
    cents(166, 180, 15, S::ValorIOF),
    cents(181, 195, 15, S::ValorAbatimento),
    field(196, 220, 25, M::Lb, S::SeuNumero),
    field(221, 221, 1, M::R0, S::CodigoProtesto),
    field(222, 223, 2, M::R0, S::DiasProtesto240),
    field(224, 224, 1, M::R0, S::CodigoBaixa),
    field(225, 227, 3, M::R0, S::DiasBaixa),
    text(228, 229, 2, "09"),
    blanks(230, 240, 11),
};

constexpr Row kSegmentQ001[] = {
    text(1, 3, 3, "001"),
    text(4, 7, 4, "0001"),
    text(8, 8, 1, "3"),
    field(9, 13, 5, M::R0, S::Sequencia),
    text(14, 14, 1, "Q"),
    blanks(15, 15, 1),
    field(16, 17, 2, M::R0, S::Ocorrencia),
    field(18, 18, 1, M::R0, S::SacadoInscricao240),
    field(19, 33, 15, M::R0, S::SacadoCPFCGC),
    field(34, 73, 40, M::Lb, S::SacadoNome),
    field(74, 113, 40, M::Lb, S::SacadoEndereco),
    field(114, 128, 15, M::Lb, S::SacadoBairro),
    field(129, 136, 8, M::L0, S::SacadoCEP),
    field(137, 151, 15, M::Lb, S::SacadoCidade),
    field(152, 153, 2, M::Rb, S::SacadoEstado),
    text(154, 154, 1, "0"),
    zeros(155, 169, 15),
    blanks(170, 209, 40),
    blanks(210, 212, 3),
    blanks(213, 232, 20),
    blanks(233, 240, 8),
};

constexpr Row kBatchTrailer001[] = {
    text(1, 3, 3, "001"),
    text(4, 7, 4, "0001"),
    text(8, 8, 1, "5"),
    blanks(9, 17, 9),
    field(18, 23, 6, M::R0, S::QuantidadeRegistros),
    zeros(24, 29, 6),
    zeros(30, 46, 17),
    blanks(47, 69, 23),
    zeros(70, 75, 6),
    zeros(76, 92, 17),
    blanks(93, 123, 31),
    blanks(124, 240, 117),
};

constexpr Row kFileTrailer001[] = {
    text(1, 3, 3, "001"),
    text(4, 7, 4, "9999"),
    text(8, 8, 1, "9"),
    blanks(9, 17, 9),
    text(18, 23, 6, "000001"),
    field(24, 29, 6, M::R0, S::QuantidadeRegistros),
    blanks(30, 35, 6),
    blanks(36, 240, 205),
};

constexpr OcorrenciaCode kMovimentos[] = {
    {toRemessaRegistrar, "01"},
    {toRemessaBaixar, "02"},
    {toRemessaConcederAbatimento, "04"},
    {toRemessaCancelarAbatimento, "05"},
    {toRemessaAlterarVencimento, "06"},
    {toRemessaConcederDesconto, "07"},
    {toRemessaCancelarDesconto, "08"},
    {toRemessaProtestar, "09"},
    {toRemessaCancelarInstrucaoProtesto, "10"},
    {toRemessaDispensarJuros, "31"},
    {toRemessaAlterarNomeEnderecoSacado, "31"},
};

#define CB_ESPECIES_240                                                                                        \
    {edCheque, "01"}, {edDuplicataMercantil, "02"}, {edDuplicataMercantialIndicacao, "03"},                    \
        {edDuplicataServico, "04"}, {edDuplicataServicoIndicacao, "05"}, {edDuplicataRural, "06"},             \
        {edLetraCambio, "07"}, {edNotaCreditoComercial, "08"}, {edNotaCreditoExportacao, "09"},                \
        {edNotaCreditoIndustrial, "10"}, {edNotaCreditoRural, "11"}, {edNotaPromissoria, "12"},                \
        {edNotaPromissoriaRural, "13"}, {edTriplicataMercantil, "14"}, {edTriplicataServico, "15"},            \
        {edNotaSeguro, "16"}, {edRecibo, "17"}, {edFatura, "18"}, {edNotaDebito, "19"},                        \
        {edMensalidadeEscolar, "21"}, {edParcelaConsorcio, "22"}

constexpr EspecieCode kEspecies001[] = {CB_ESPECIES_240};
constexpr EspecieCode kEspecies104[] = {CB_ESPECIES_240, {edApoliceSeguro, "20"}};
#undef CB_ESPECIES_240

// Bank 001's six records with each record's bank code replaced.
struct Records {
    Record file_header, batch_header, segment_p, segment_q, batch_trailer, file_trailer;
};

constexpr Records records_001() {
    return {make_record(kFileHeader001, 240),  make_record(kBatchHeader001, 240),
            make_record(kSegmentP001, 240),    make_record(kSegmentQ001, 240),
            make_record(kBatchTrailer001, 240), make_record(kFileTrailer001, 240)};
}

constexpr Records with_code(const Records& r, const Row& code) {
    const Row rows[] = {code};
    return {merge(r.file_header, rows),  merge(r.batch_header, rows),  merge(r.segment_p, rows),
            merge(r.segment_q, rows),    merge(r.batch_trailer, rows), merge(r.file_trailer, rows)};
}

constexpr Records k001 = records_001();

constexpr BankLayout240 kBank001 = {"001", true, k001.file_header, k001.batch_header, k001.segment_p,
                                    k001.segment_q, k001.batch_trailer, k001.file_trailer,
                                    kMovimentos, kEspecies001, "99"};

// ---------------------------------------------------------------- 999

constexpr Records k999 = with_code(k001, text(1, 3, 3, "999"));
constexpr Row kFileHeader999[] = {text(103, 132, 30, "TOLVARENA                     ")};

constexpr BankLayout240 kBank999 = {"999", true, merge(k999.file_header, kFileHeader999), k999.batch_header,
                                    k999.segment_p, k999.segment_q, k999.batch_trailer, k999.file_trailer,
                                    kMovimentos, kEspecies001, "99"};

// ---------------------------------------------------------------- 104

constexpr Records k104 = with_code(k001, text(1, 3, 3, "104"));

constexpr Row kFileHeader104[] = {
    field(33, 36, 4, M::R0, S::CodigoAgencia),
    field(37, 47, 11, M::R0, S::CodigoCedente),
    field(48, 48, 1, M::R0, S::DigitoCodigoCedente),
    blanks(49, 52, 4),
    field(72, 72, 1, M::R0, S::DigitoAgenciaConta),
    text(103, 132, 30, "CAIXA ECONOMICA FEDERAL       "),
    field(192, 211, 20, M::Lb, S::AmbienteTeste),
    blanks(212, 240, 29),
};

constexpr Row kBatchHeader104[] = {
    field(34, 37, 4, M::R0, S::CodigoAgencia),
    field(38, 48, 11, M::R0, S::CodigoCedente),
    field(49, 49, 1, M::R0, S::DigitoCodigoCedente),
    blanks(50, 53, 4),
    field(73, 73, 1, M::R0, S::DigitoAgenciaConta),
    date8(200, 207, S::DataArquivo),
};

constexpr Row kSegmentP104[] = {
    field(37, 37, 1, M::R0, S::DigitoAgenciaConta),
    blanks(38, 46, 9),
    field(47, 57, 11, M::R0, S::NossoNumero),
    text(60, 60, 1, "2"),
    field(63, 73, 11, M::R0, S::SeuNumero),
    blanks(74, 77, 4),
    text(106, 106, 1, "0"),
    field(118, 118, 1, M::R0, S::CodigoJurosCaixa),
    date8(143, 150, S::DataDescontoCaixa),
};

constexpr BankLayout240 kBank104 = {"104", false, merge(k104.file_header, kFileHeader104),
                                    merge(k104.batch_header, kBatchHeader104), merge(k104.segment_p, kSegmentP104),
                                    k104.segment_q, k104.batch_trailer, k104.file_trailer,
                                    kMovimentos, kEspecies104, "99"};

// ---------------------------------------------------------------- index

constexpr const BankLayout240* kLayouts[] = {&kBank001, &kBank104, &kBank999};

constexpr bool layouts_sound() {
    for (const BankLayout240* b : kLayouts) {
        for (const Record* r : {&b->file_header, &b->batch_header, &b->segment_p, &b->segment_q, &b->batch_trailer,
                                &b->file_trailer}) {
            if (r->width != 240 || record_fault(*r) != nullptr) return false;
        }
    }
    return true;
}
static_assert(layouts_sound(), "every CNAB 240 record covers positions 1 to 240 exactly once");

}  // namespace

std::span<const BankLayout240* const> cnab240_layouts() { return kLayouts; }

const BankLayout240* cnab240_layout(std::string_view code) {
    auto it = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                           [&](const BankLayout240* b) { return b->code == code; });
    return it == std::end(kLayouts) ? nullptr : *it;
}

}  // namespace billing::layout
