// The CNAB 400 remittance layouts of the engine's banks: header, detail and
// trailer records as rows, and each bank's occurrence and document-kind codes.
// Details that follow the common detail record list only the rows that
// replace its bank blocks and rows. Every record is checked at compile time.

#include "billing/cbLayouts.h"

#include <algorithm>

namespace billing::layout {

namespace {

using S = Source;
using M = Mark;

// Rows shared by the headers: the file kind and the payee's name and bank.
constexpr Row kRemessa = text(1, 11, 11, "01REMESSA01");
constexpr Row kCobranca15 = text(12, 26, 15, "COBRANCA       ");
constexpr Row kCedenteNome = field(47, 76, 30, M::Lb, S::CedenteNome);
constexpr Row kCodigoBanco = field(77, 79, 3, M::R0, S::CodigoBanco);
constexpr Row kPrimeiroRegistro = text(395, 400, 6, "000001");
constexpr Row kSequencia = field(395, 400, 6, M::R0, S::Sequencia);

// "9", 393 blanks, record sequence number.
constexpr Row kTrailerSimples[] = {text(1, 1, 1, "9"), blanks(2, 394, 393), kSequencia};

// ---------------------------------------------------------------- common detail

constexpr Row kCommonDetailRows[] = {
    text(1, 1, 1, "1"),
    field(2, 3, 2, M::R0, S::CedenteInscricao),
    field(4, 17, 14, M::R0, S::CedenteCPFCGC),
    block(18, 37, 20),
    field(38, 62, 25, M::Lb, S::SeuNumero),
    block(63, 107, 45),
    field(108, 108, 1, M::Lb, S::Carteira),
    field(109, 110, 2, M::R0, S::Ocorrencia),
    field(111, 120, 10, M::Lb, S::NumeroDocumento),
    date(121, 126, S::DataVencimento),
    cents(127, 139, 13, S::ValorDocumento),
    field(140, 142, 3, M::R0, S::CodigoBanco),
    text(143, 147, 5, "00000"),
    field(148, 149, 2, M::R0, S::Especie),
    field(150, 150, 1, M::Lb, S::Aceite),
    date(151, 156, S::DataDocumento),
    text(157, 160, 4, "0000"),
    cents(161, 173, 13, S::ValorMoraJuros),
    date(174, 179, S::DataDesconto, "000000"),
    cents(180, 192, 13, S::ValorDesconto),
    cents(193, 205, 13, S::ValorIOF),
    cents(206, 218, 13, S::ValorAbatimento),
    field(219, 220, 2, M::R0, S::SacadoInscricao),
    field(221, 234, 14, M::R0, S::SacadoCPFCGC),
    field(235, 274, 40, M::Lb, S::SacadoNome),
    field(275, 314, 40, M::Lb, S::SacadoEndereco),
    field(315, 326, 12, M::Lb, S::SacadoBairro),
    field(327, 334, 8, M::L0, S::SacadoCEP),
    field(335, 349, 15, M::Lb, S::SacadoCidade),
    field(350, 351, 2, M::Rb, S::SacadoEstado),
    block(352, 394, 43),
    kSequencia,
};
constexpr Record kCommonDetail = make_record(kCommonDetailRows, 400);

// The common detail with a bank's rows.
constexpr Record on_common(std::span<const Row> rows) { return merge(kCommonDetail, rows); }

// The record with the rows from position `from` on marked as reconstructed.
constexpr Record rebuilt_from(Record r, int from) {
    for (std::size_t i = 0; i < r.count; ++i) {
        if (r.rows[i].first >= from) r.rows[i] = r.rows[i].reconstructed();
    }
    return r;
}

// ---------------------------------------------------------------- 001, 999, 748

constexpr Row kHeader001Rows[] = {
    kRemessa,
    text(12, 19, 8, "COBRANCA"),
    blanks(20, 26, 7),
    field(27, 30, 4, M::Rb, S::CodigoAgencia),
    field(31, 31, 1, M::Rb, S::DigitoAgencia),
    field(32, 46, 15, M::Lb, S::CodigoCedente),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "BANCO DO BRASIL"),
    date(95, 100, S::DataProcessamento),
    field(101, 107, 7, M::R0, S::NumeroArquivo),
    blanks(108, 394, 287),
    kPrimeiroRegistro,
};
constexpr Record kHeader001 = make_record(kHeader001Rows, 400);
constexpr Row kNome999[] = {text(80, 94, 15, "TOLVARENA      ")};
constexpr Row kNome748[] = {text(80, 94, 15, "BANSICREDI     ")};

// On the common detail it differs in these rows.
constexpr Row kDetail001[] = {
    field(18, 21, 4, M::R0, S::CodigoAgencia),
    field(22, 22, 1, M::R0, S::DigitoAgencia),
    field(23, 37, 15, M::Lb, S::CodigoCedente),
    field(38, 62, 25, M::Lb, S::DigitoCodigoCedente),
    field(63, 78, 16, M::L0, S::NossoNumero),
    blanks(79, 82, 4),
    text(83, 85, 3, "AI "),
    text(86, 88, 3, "019"),
    zeros(89, 101, 13),
    blanks(102, 106, 5),
    field(107, 108, 2, M::Lb, S::Carteira),
    field(235, 271, 37, M::Lb, S::SacadoNome),
    blanks(272, 274, 3),
    field(275, 311, 37, M::Lb, S::SacadoEndereco),
    blanks(312, 326, 15),
    blanks(352, 394, 43),
};

constexpr OcorrenciaCode kO001[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaDebitarEmConta, "03"},
    {toRemessaConcederAbatimento, "04"}, {toRemessaCancelarAbatimento, "05"}, {toRemessaAlterarVencimento, "06"},
    {toRemessaAlterarNumeroControle, "07"}, {toRemessaProtestar, "09"}, {toRemessaCancelarInstrucaoProtesto, "10"},
    {toRemessaDispensarJuros, "11"}, {toRemessaAlterarNomeEnderecoSacado, "12"},
};
constexpr EspecieCode kE001[] = {
    {edDuplicataMercantil, "01"}, {edNotaPromissoria, "02"}, {edNotaSeguro, "03"}, {edRecibo, "05"},
    {edLetraCambio, "08"}, {edWarrant, "09"}, {edCheque, "10"}, {edDuplicataServico, "12"}, {edNotaDebito, "13"},
    {edApoliceSeguro, "15"}, {edDividaAtivaUniao, "25"}, {edDividaAtivaEstado, "26"},
    {edDividaAtivaMunicipio, "27"}, {edOutros, "99"},
};

constexpr BankLayout kBank001 = {"001", Frame::Cnab240And400, kHeader001,
                                 on_common(kDetail001), true, make_record(kTrailerSimples, 400),
                                 kO001, UnknownOcorrencia::EmptyCode, kE001, ""};
constexpr BankLayout kBank999 = {"999", Frame::Cnab240And400, merge(kHeader001, kNome999),
                                 kBank001.detail, true, kBank001.trailer,
                                 kO001, UnknownOcorrencia::EmptyCode, kE001, ""};
constexpr BankLayout kBank748 = {"748", Frame::Cnab400, merge(kHeader001, kNome748),
                                 kBank001.detail, true, kBank001.trailer,
                                 kO001, UnknownOcorrencia::EmptyCode, kE001, ""};

// ---------------------------------------------------------------- 409

constexpr Row kHeader409[] = {
    kRemessa,
    text(12, 19, 8, "COBRANCA"),
    blanks(20, 26, 7),
    field(27, 29, 3, M::R0, S::CodigoAgencia),
    field(30, 30, 1, M::R0, S::DigitoAgencia),
    field(31, 36, 6, M::R0, S::NumeroConta),
    field(37, 37, 1, M::Lb, S::DigitoConta),
    zeros(38, 46, 9),
    kCedenteNome,
    kCodigoBanco,
    text(80, 87, 8, "UNIBANCO"),
    blanks(88, 94, 7),
    date(95, 100, S::DataProcessamento),
    text(101, 105, 5, "01600"),
    text(106, 108, 3, "BPI"),
    zeros(109, 394, 286),
    kPrimeiroRegistro,
};
constexpr Row kDetail409[] = {
    field(18, 20, 3, M::R0, S::CodigoAgencia),
    field(21, 21, 1, M::R0, S::DigitoAgencia),
    field(22, 27, 6, M::L0, S::NumeroConta),
    field(28, 28, 1, M::Lb, S::DigitoConta),
    zeros(29, 37, 9),
    field(63, 73, 11, M::L0, S::NossoNumero),
    field(74, 103, 30, M::Rb, S::Instrucoes),
    text(104, 107, 4, "R$14"),
    text(157, 160, 4, "0100"),
    field(235, 264, 30, M::Lb, S::SacadoNome),
    zeros(265, 274, 10),
    blanks(352, 381, 30),
    zeros(382, 391, 10),
    text(392, 394, 3, "000"),
};
constexpr Row kTrailer409[] = {
    text(1, 1, 1, "9"),
    zeros(2, 391, 390),
    field(392, 394, 3, M::R0, S::NumeroArquivo),
    kSequencia,
};
constexpr OcorrenciaCode kO409[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaConcederAbatimento, "04"},
    {toRemessaAlterarVencimento, "06"}, {toRemessaProtestar, "09"},
};
constexpr EspecieCode kE409[] = {
    {edDuplicataMercantil, "01"}, {edNotaPromissoria, "02"}, {edRecibo, "05"},
    {edLetraCambio, "10"}, {edDuplicataServico, "11"}, {edOutros, "99"},
};
constexpr BankLayout kBank409 = {"409", Frame::Cnab400, make_record(kHeader409, 400), on_common(kDetail409), true,
                                 make_record(kTrailer409, 400), kO409, UnknownOcorrencia::EmptyCode, kE409, ""};

// ---------------------------------------------------------------- 291

constexpr Row kHeader291[] = {
    kRemessa,
    kCobranca15,
    blanks(27, 36, 10),
    field(37, 38, 2, M::R0, S::CodigoAgencia),
    field(39, 39, 1, M::R0, S::DigitoAgencia),
    field(40, 45, 6, M::R0, S::NumeroConta),
    field(46, 46, 1, M::Lb, S::DigitoConta),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "BCN            "),
    date(95, 100, S::DataProcessamento),
    text(101, 105, 5, "01600"),
    text(106, 108, 3, "BPI"),
    blanks(109, 388, 280),
    field(389, 394, 6, M::R0, S::NumeroArquivo),
    kPrimeiroRegistro,
};
constexpr Row kDetail291[] = {
    blanks(18, 27, 10),
    field(28, 29, 2, M::R0, S::CodigoAgencia),
    field(30, 30, 1, M::R0, S::DigitoAgencia),
    field(31, 36, 6, M::R0, S::NumeroConta),
    field(37, 37, 1, M::Lb, S::DigitoConta),
    blanks(63, 74, 12),
    field(75, 82, 8, M::Lb, S::NossoNumero),
    blanks(83, 107, 25),
    blanks(352, 394, 43),
};
constexpr OcorrenciaCode kO291[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaConcederAbatimento, "04"},
    {toRemessaCancelarAbatimento, "05"}, {toRemessaAlterarVencimento, "06"}, {toRemessaProtestar, "09"},
};
// Duplicata "01", anything else "07": the table of banks 033, 291, 394, 422 and 745.
constexpr EspecieCode kEDuplicataOutros[] = {{edDuplicataMercantil, "01"}, {edOutros, "07"}};
constexpr BankLayout kBank291 = {"291", Frame::Cnab400, make_record(kHeader291, 400), on_common(kDetail291), true,
                                 make_record(kTrailerSimples, 400), kO291, UnknownOcorrencia::EmptyCode,
                                 kEDuplicataOutros, ""};

// ---------------------------------------------------------------- 320

constexpr Row kHeader320[] = {
    kRemessa,
    kCobranca15,
    field(27, 36, 10, M::Rb, S::CodigoCedente),
    blanks(37, 46, 10),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "BIC BANCO      "),
    date(95, 100, S::DataProcessamento),
    text(101, 105, 5, "01600"),
    text(106, 108, 3, "BPI"),
    zeros(109, 115, 7),
    blanks(116, 394, 279),
    kPrimeiroRegistro,
};
constexpr Row kDetail320[] = {
    field(18, 27, 10, M::Rb, S::CodigoCedente),
    blanks(28, 37, 10),
    field(63, 70, 8, M::L0, S::NossoNumero),
    blanks(71, 107, 37),
    blanks(352, 391, 40),
    text(392, 394, 3, "009"),
};
constexpr OcorrenciaCode kO320[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaConcederAbatimento, "04"},
    {toRemessaCancelarAbatimento, "05"}, {toRemessaAlterarVencimento, "06"}, {toRemessaProtestar, "09"},
    {toRemessaDispensarJuros, "11"},
};
constexpr BankLayout kBank320 = {"320", Frame::Cnab400, make_record(kHeader320, 400), on_common(kDetail320), true,
                                 make_record(kTrailerSimples, 400), kO320, UnknownOcorrencia::EmptyCode, kE409, ""};

// ---------------------------------------------------------------- 394

constexpr Row kHeader394[] = {
    kRemessa,
    kCobranca15,
    field(27, 46, 20, M::Lb, S::CodigoCedente),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "BMC            "),
    date(95, 100, S::DataProcessamento),
    text(101, 105, 5, "01600"),
    text(106, 108, 3, "BPI"),
    field(109, 114, 6, M::R0, S::NumeroArquivo),
    blanks(115, 394, 280),
    kPrimeiroRegistro,
};
constexpr Row kDetail394[] = {
    field(18, 37, 20, M::Lb, S::CodigoCedente),
    field(63, 76, 14, M::L0, S::NossoNumero),
    blanks(77, 107, 31),
    blanks(352, 393, 42),
    text(394, 394, 1, "9"),
};
constexpr Row kTrailer394[] = {
    text(1, 2, 2, "91"),
    field(3, 10, 8, M::R0, S::QuantidadeTitulos),
    cents(11, 23, 13, S::ValorTotal),
    blanks(24, 391, 368),
    field(392, 394, 3, M::R0, S::NumeroArquivo),
    kSequencia,
};
constexpr OcorrenciaCode kO394[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaConcederAbatimento, "04"},
    {toRemessaCancelarAbatimento, "05"}, {toRemessaAlterarVencimento, "06"}, {toRemessaProtestar, "09"},
    {toRemessaCancelarInstrucaoProtesto, "10"}, {toRemessaConcederDesconto, "18"},
    {toRemessaCancelarDesconto, "19"},
};
constexpr BankLayout kBank394 = {"394", Frame::Cnab400, make_record(kHeader394, 400), on_common(kDetail394), true,
                                 make_record(kTrailer394, 400), kO394, UnknownOcorrencia::EmptyCode,
                                 kEDuplicataOutros, ""};

// ---------------------------------------------------------------- 422

constexpr Row kHeader422[] = {
    kRemessa,
    text(12, 19, 8, "COBRANCA"),
    blanks(20, 26, 7),
    field(27, 40, 14, M::Lb, S::CodigoCedente),
    blanks(41, 46, 6),
    kCedenteNome,
    kCodigoBanco,
    text(80, 90, 11, "BANCO SAFRA"),
    blanks(91, 94, 4),
    date(95, 100, S::DataProcessamento),
    blanks(101, 391, 291),
    field(392, 394, 3, M::R0, S::NumeroArquivo),
    kPrimeiroRegistro,
};
constexpr Row kDetail422[] = {
    field(18, 31, 14, M::Lb, S::CodigoCedente),
    blanks(32, 37, 6),
    field(63, 71, 9, M::Lb, S::NossoNumero),
    blanks(72, 101, 30),
    text(102, 104, 3, "000"),
    blanks(105, 105, 1),
    text(106, 107, 2, "00"),
    field(143, 146, 4, M::Lb, S::CodigoAgencia),
    field(147, 147, 1, M::Rb, S::DigitoAgencia),
    date(174, 179, S::DataDesconto, "      "),
    field(315, 324, 10, M::Lb, S::SacadoBairro),
    blanks(325, 326, 2),
    blanks(352, 388, 37),
    field(389, 391, 3, M::R0, S::CodigoBanco),
    field(392, 394, 3, M::R0, S::NumeroArquivo),
};
constexpr Row kTrailer422[] = {
    text(1, 1, 1, "9"),
    blanks(2, 368, 367),
    field(369, 376, 8, M::R0, S::QuantidadeTitulos),
    cents(377, 391, 15, S::ValorTotal),
    field(392, 394, 3, M::R0, S::NumeroArquivo),
    kSequencia,
};
// Registration, rebate and protest: the table of banks 422 and 745.
constexpr OcorrenciaCode kO422[] = {
    {toRemessaRegistrar, "01"}, {toRemessaConcederAbatimento, "04"}, {toRemessaProtestar, "09"},
};
constexpr BankLayout kBank422 = {"422", Frame::Cnab400, make_record(kHeader422, 400), on_common(kDetail422), true,
                                 make_record(kTrailer422, 400), kO422, UnknownOcorrencia::EmptyCode,
                                 kEDuplicataOutros, ""};

// ---------------------------------------------------------------- 745

constexpr Row kHeader745[] = {
    kRemessa,
    text(12, 19, 8, "COBRANCA"),
    blanks(20, 26, 7),
    field(27, 46, 20, M::Lb, S::CodigoCedente),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "CITIBANK       "),
    date(95, 100, S::DataProcessamento),
    text(101, 105, 5, "01600"),
    text(106, 108, 3, "BPI"),
    blanks(109, 394, 286),
    kPrimeiroRegistro,
};
constexpr Row kDetail745[] = {
    field(18, 37, 20, M::Lb, S::CodigoCedente),
    text(63, 64, 2, "00"),
    field(65, 76, 12, M::L0, S::NossoNumero),
    zeros(77, 107, 31),
    blanks(352, 391, 40),
    text(392, 394, 3, "009"),
};
constexpr BankLayout kBank745 = {"745", Frame::Cnab400, make_record(kHeader745, 400), on_common(kDetail745), true,
                                 make_record(kTrailerSimples, 400), kO422, UnknownOcorrencia::EmptyCode,
                                 kEDuplicataOutros, ""};

// ---------------------------------------------------------------- 021

constexpr Row kHeader021[] = {
    kRemessa,
    kCobranca15,
    field(27, 36, 10, M::R0, S::NumeroConta),
    field(37, 37, 1, M::Lb, S::DigitoConta),
    blanks(38, 46, 9),
    kCedenteNome,
    kCodigoBanco,
    field(80, 87, 8, M::Lb, S::NomeBanco),
    blanks(88, 94, 7),
    date(95, 100, S::DataArquivo),
    blanks(101, 394, 294),
    kPrimeiroRegistro,
};
constexpr Row kDetail021[] = {
    field(18, 27, 10, M::R0, S::NumeroConta),
    field(28, 28, 1, M::Lb, S::DigitoConta),
    blanks(29, 37, 9),
    field(63, 70, 8, M::R0, S::NossoNumero),
    field(71, 72, 2, M::R0, S::DigitoNossoNumero),
    blanks(73, 88, 16),
    zeros(89, 92, 4),
    blanks(93, 107, 15),
    field(108, 108, 1, M::R0, S::Carteira),
    text(109, 110, 2, "01"),
    field(111, 120, 10, M::Lb, S::SeuNumero),
    text(127, 129, 3, "000"),
    cents(130, 139, 10, S::ValorDocumento),
    text(148, 149, 2, "05"),
    text(150, 150, 1, "N"),
    text(157, 161, 5, "00009"),
    zeros(162, 173, 12),
    blanks(174, 179, 6),
    zeros(180, 218, 39),
    field(352, 391, 40, M::Lb, S::Instrucoes),
    text(392, 394, 3, "000"),
};
constexpr BankLayout kBank021 = {"021", Frame::AnyLayout, make_record(kHeader021, 400), on_common(kDetail021), true,
                                 make_record(kTrailerSimples, 400), {}, UnknownOcorrencia::EmptyCode, {}, ""};

// ---------------------------------------------------------------- 104

constexpr Row kHeader104[] = {
    kRemessa,
    kCobranca15,
    field(27, 30, 4, M::R0, S::CodigoAgencia),
    field(31, 41, 11, M::R0, S::NumeroConta),
    field(42, 42, 1, M::Lb, S::DigitoConta),
    blanks(43, 46, 4),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "C ECON FEDERAL "),
    date(95, 100, S::DataArquivo),
    blanks(101, 389, 289),
    field(390, 394, 5, M::R0, S::NumeroArquivo),
    kPrimeiroRegistro,
};
constexpr Row kDetail104[] = {
    field(18, 21, 4, M::R0, S::CodigoAgencia),
    field(22, 32, 11, M::R0, S::NumeroConta),
    field(33, 33, 1, M::Lb, S::DigitoConta),
    blanks(34, 35, 2),
    text(36, 37, 2, "00"),
    field(63, 72, 10, M::R0, S::NossoNumero),
    field(73, 73, 1, M::R0, S::DigitoNossoNumero),
    blanks(74, 76, 3),
    field(77, 106, 30, M::Lb, S::Instrucoes),
    field(107, 108, 2, M::R0, S::Carteira),
    text(109, 110, 2, "01"),
    field(111, 120, 10, M::Lb, S::SeuNumero),
    text(148, 149, 2, "09"),
    text(150, 150, 1, "N"),
    blanks(157, 160, 4),
    zeros(161, 218, 58),
    zeros(352, 367, 16),
    blanks(368, 389, 22),
    zeros(390, 393, 4),
    text(394, 394, 1, "1"),
};
constexpr BankLayout kBank104 = {"104", Frame::Cnab240And400, make_record(kHeader104, 400), on_common(kDetail104),
                                 true, make_record(kTrailerSimples, 400), {}, UnknownOcorrencia::EmptyCode, {}, ""};

// ---------------------------------------------------------------- 237

constexpr Row kHeader237[] = {
    kRemessa,
    kCobranca15,
    text(27, 29, 3, "000"),
    field(30, 33, 4, M::R0, S::Carteira),
    field(34, 38, 5, M::R0, S::CodigoAgencia),
    field(39, 45, 7, M::R0, S::NumeroConta),
    field(46, 46, 1, M::Lb, S::DigitoConta),
    kCedenteNome,
    kCodigoBanco,
    field(80, 94, 15, M::Lb, S::NomeBanco),
    date(95, 100, S::DataArquivo),
    blanks(101, 108, 8),
    text(109, 110, 2, "MX"),
    field(111, 117, 7, M::R0, S::NumeroArquivo),
    blanks(118, 394, 277),
    kPrimeiroRegistro,
};
constexpr Row kDetail237[] = {
    text(1, 1, 1, "1"),
    zeros(2, 20, 19),
    text(21, 21, 1, "0"),
    field(22, 24, 3, M::R0, S::Carteira),
    field(25, 29, 5, M::R0, S::CodigoAgencia),
    field(30, 36, 7, M::R0, S::NumeroConta),
    field(37, 37, 1, M::Lb, S::DigitoConta),
    field(38, 62, 25, M::Lb, S::SeuNumero),
    field(63, 65, 3, M::R0, S::CodigoBanco),
    text(66, 70, 5, "00000"),
    field(71, 81, 11, M::R0, S::NossoNumero),
    field(82, 82, 1, M::R0, S::DigitoNossoNumero),
    zeros(83, 92, 10),
    text(93, 94, 2, "1N"),
    blanks(95, 105, 11),
    text(106, 106, 1, "2"),
    blanks(107, 108, 2),
    text(109, 110, 2, "01"),
    field(111, 120, 10, M::Lb, S::SeuNumero),
    date(121, 126, S::DataVencimento),
    cents(127, 139, 13, S::ValorDocumento),
    field(140, 142, 3, M::R0, S::CodigoBanco),
    zeros(143, 147, 5),
    text(148, 149, 2, "05"),
    text(150, 150, 1, "N"),
    date(151, 156, S::DataDocumento),
    blanks(157, 160, 4),
    zeros(161, 173, 13),
    blanks(174, 179, 6),
    zeros(180, 218, 39),
    field(219, 220, 2, M::R0, S::SacadoInscricao),
    field(221, 234, 14, M::R0, S::SacadoCPFCGC),
    field(235, 274, 40, M::Lb, S::SacadoNome),
    field(275, 314, 40, M::Lb, S::SacadoEnderecoCompleto),
    blanks(315, 326, 12),
    field(327, 334, 8, M::L0, S::SacadoCEP),
    field(335, 394, 60, M::Lb, S::Instrucoes),
    kSequencia,
};
constexpr BankLayout kBank237 = {"237", Frame::Bradesco, make_record(kHeader237, 400), make_record(kDetail237, 400),
                                 true, make_record(kTrailerSimples, 400), {}, UnknownOcorrencia::EmptyCode, {}, ""};

// ---------------------------------------------------------------- 389

constexpr Row kHeader389[] = {
    kRemessa,
    kCobranca15,
    field(27, 30, 4, M::R0, S::CodigoAgencia),
    field(31, 45, 15, M::R0, S::CedenteCPFCGC),
    blanks(46, 46, 1),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "BANCANTIL      "),
    date(95, 100, S::DataArquivo),
    blanks(101, 381, 281),
    text(382, 386, 5, "01600"),
    blanks(387, 389, 3),
    field(390, 394, 5, M::Lb, S::NumeroArquivo),
    kPrimeiroRegistro,
};
constexpr Row kDetail389[] = {
    field(18, 21, 4, M::R0, S::CodigoAgencia),
    field(22, 28, 7, M::R0, S::NumeroConta),
    field(29, 37, 9, M::R0, S::CodigoCedenteComDigito),
    field(63, 66, 4, M::R0, S::NumeroConta),
    field(67, 76, 10, M::R0, S::NossoNumero),
    field(77, 77, 1, M::R0, S::DigitoNossoNumero),
    blanks(78, 82, 5),
    field(83, 97, 15, M::R0, S::CedenteCPFCGC),
    zeros(98, 107, 10),
    text(108, 108, 1, "1"),
    text(109, 110, 2, "01"),
    field(111, 120, 10, M::Lb, S::SeuNumero),
    text(148, 149, 2, "03"),
    text(150, 150, 1, "N"),
    zeros(161, 218, 58),
    blanks(352, 393, 42),
    text(394, 394, 1, "1"),
};
constexpr BankLayout kBank389 = {"389", Frame::AnyLayout, make_record(kHeader389, 400), on_common(kDetail389), true,
                                 make_record(kTrailerSimples, 400), {}, UnknownOcorrencia::EmptyCode, {}, ""};

// ---------------------------------------------------------------- 033

constexpr Row kHeader033[] = {
    kRemessa,
    kCobranca15,
    text(27, 37, 11, "0          "),
    blanks(38, 46, 9),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "BANESPA        "),
    date(95, 100, S::DataProcessamento),
    text(101, 105, 5, "01600"),
    text(106, 108, 3, "BPI"),
    blanks(109, 394, 286),
    kPrimeiroRegistro,
};
// Bank 291's detail with the registration number blank-filled over 14
// positions and 10 zeros after it. The layout as given ran to 446 positions
// (the number over 25, the zeros, 35 blanks, then bank 291's fields 46
// positions further right): every row from position 4 on is reconstructed.
constexpr Row kDetail033[] = {
    field(4, 17, 14, M::Rb, S::CedenteCPFCGC),
    zeros(18, 27, 10),
};
constexpr BankLayout kBank033 = {"033", Frame::Cnab400, make_record(kHeader033, 400),
                                 rebuilt_from(merge(kBank291.detail, kDetail033), 4), true,
                                 make_record(kTrailerSimples, 400), kO291, UnknownOcorrencia::EmptyCode,
                                 kEDuplicataOutros, ""};

// ---------------------------------------------------------------- 275, 356

constexpr Row kHeader275[] = {
    text(1, 1, 1, "0"),
    text(2, 26, 25, "1REMESSA01COBRANCA       "),
    text(27, 27, 1, "0"),
    field(28, 31, 4, M::R0, S::CodigoAgencia),
    text(32, 32, 1, "0"),
    field(33, 39, 7, M::R0, S::NumeroConta),
    blanks(40, 46, 7),
    kCedenteNome,
    kCodigoBanco,
    field(80, 94, 15, M::Lb, S::NomeBanco),
    date(95, 100, S::DataArquivo),
    text(101, 108, 8, "01600BPI"),
    blanks(109, 394, 286),
    kPrimeiroRegistro,
};
// On the common detail it differs in these rows.
constexpr Row kDetail275[] = {
    field(4, 17, 14, M::R0, S::CedenteRegistro),
    text(18, 18, 1, "0"),
    field(19, 22, 4, M::R0, S::CodigoAgencia),
    text(23, 23, 1, "0"),
    field(24, 30, 7, M::R0, S::NumeroConta),
    blanks(31, 37, 7),
    text(63, 64, 2, "00"),
    field(65, 71, 7, M::R0, S::NossoNumero),
    text(72, 75, 4, "0000"),
    zeros(76, 88, 13),
    blanks(89, 95, 7),
    zeros(96, 104, 9),
    blanks(105, 107, 3),
    field(108, 108, 1, M::R0, S::Carteira),
    field(111, 120, 10, M::Lb, S::SeuNumero),
    field(157, 158, 2, M::Lb, S::DiasProtesto),
    blanks(159, 160, 2),
    text(161, 161, 1, "0"),
    cents(162, 173, 12, S::ValorMoraJuros),
    date(174, 179, S::DataDesconto, "999999"),
    field(221, 234, 14, M::R0, S::SacadoRegistro),
    blanks(352, 391, 40),
    text(392, 392, 1, "0"),
    text(393, 394, 2, "07"),
};
constexpr Row kTrailer275[] = {
    text(1, 1, 1, "9"),
    field(2, 7, 6, M::R0, S::QuantidadeTitulos),
    cents(8, 20, 13, S::ValorTotal),
    blanks(21, 394, 374),
    kSequencia,
};
constexpr OcorrenciaCode kO275[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaConcederAbatimento, "04"},
    {toRemessaCancelarAbatimento, "05"}, {toRemessaAlterarVencimento, "06"},
    {toRemessaAlterarNumeroControle, "07"}, {toRemessaProtestar, "09"},
    {toRemessaCancelarInstrucaoProtesto, "10"}, {toRemessaConcederDesconto, "17"},
};
constexpr EspecieCode kE275[] = {
    {edDuplicataMercantil, "01"}, {edDuplicataMercantialIndicacao, "01"}, {edDuplicataRural, "01"},
    {edNotaPromissoria, "02"}, {edNotaPromissoriaRural, "02"}, {edNotaSeguro, "03"}, {edRecibo, "05"},
    {edDuplicataServico, "08"}, {edDuplicataServicoIndicacao, "08"},
};
constexpr BankLayout kBank275 = {"275", Frame::Only400, make_record(kHeader275, 400), on_common(kDetail275),
                                 true, make_record(kTrailer275, 400), kO275, UnknownOcorrencia::RaiseBanco, kE275,
                                 "99"};
constexpr BankLayout kBank356 = {"356", Frame::Only400, kBank275.header, kBank275.detail, true, kBank275.trailer,
                                 kO275, UnknownOcorrencia::RaiseBanco, kE275, "99"};

// ---------------------------------------------------------------- 341

constexpr Row kHeader341[] = {
    kRemessa,
    kCobranca15,
    field(27, 30, 4, M::R0, S::CodigoAgencia),
    text(31, 32, 2, "00"),
    field(33, 37, 5, M::R0, S::NumeroConta),
    field(38, 38, 1, M::Lb, S::DigitoConta),
    blanks(39, 46, 8),
    kCedenteNome,
    kCodigoBanco,
    field(80, 94, 15, M::Lb, S::NomeBanco),
    date(95, 100, S::DataArquivo),
    blanks(101, 394, 294),
    kPrimeiroRegistro,
};
// On the common detail it differs in these rows. The layout as given stopped
// at 396 positions with the sequence number at 391-396: four reconstructed
// blanks come before the sequence number at 395-400.
constexpr Row kDetail341[] = {
    field(18, 21, 4, M::R0, S::CodigoAgencia),
    text(22, 23, 2, "00"),
    field(24, 28, 5, M::R0, S::NumeroConta),
    field(29, 29, 1, M::Lb, S::DigitoConta),
    blanks(30, 37, 8),
    field(63, 70, 8, M::R0, S::NossoNumero),
    zeros(71, 83, 13),
    field(84, 86, 3, M::R0, S::Carteira),
    blanks(87, 107, 21),
    text(108, 108, 1, "I"),
    field(235, 264, 30, M::Lb, S::SacadoNome),
    blanks(265, 274, 10),
    blanks(352, 381, 30),
    text(382, 387, 6, "000000"),
    text(388, 389, 2, "00"),
    blanks(390, 390, 1),
    blanks(391, 394, 4).reconstructed(),
    kSequencia.reconstructed(),
};
constexpr OcorrenciaCode kO341[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaConcederAbatimento, "04"},
    {toRemessaCancelarAbatimento, "05"}, {toRemessaAlterarVencimento, "06"}, {toRemessaProtestar, "09"},
    {toRemessaCancelarInstrucaoProtesto, "18"}, {toRemessaDispensarJuros, "47"},
};
constexpr EspecieCode kE341[] = {
    {edDuplicataMercantil, "01"}, {edDuplicataMercantialIndicacao, "01"}, {edNotaPromissoria, "02"},
    {edNotaPromissoriaRural, "02"}, {edNotaSeguro, "03"}, {edMensalidadeEscolar, "04"}, {edRecibo, "05"},
    {edContrato, "06"}, {edCosseguros, "07"}, {edDuplicataServico, "08"}, {edDuplicataServicoIndicacao, "08"},
    {edLetraCambio, "09"}, {edNotaDebito, "13"},
};
constexpr BankLayout kBank341 = {"341", Frame::Cnab400, make_record(kHeader341, 400), on_common(kDetail341),
                                 true, make_record(kTrailerSimples, 400), kO341, UnknownOcorrencia::RaiseTitulo,
                                 kE341, "99"};

// ---------------------------------------------------------------- 353

constexpr Row kHeader353[] = {
    kRemessa,
    kCobranca15,
    field(27, 29, 3, M::R0, S::CodigoAgencia),
    field(30, 30, 1, M::R0, S::DigitoAgencia),
    field(31, 37, 7, M::R0, S::NumeroConta),
    field(38, 38, 1, M::Lb, S::DigitoConta),
    field(39, 46, 8, M::Lb, S::CodigoCedente),
    kCedenteNome,
    kCodigoBanco,
    text(80, 94, 15, "SANTANDER      "),
    date(95, 100, S::DataProcessamento),
    zeros(101, 116, 16),
    blanks(117, 391, 275),
    field(392, 394, 3, M::R0, S::NumeroArquivo),
    kPrimeiroRegistro,
};
constexpr Row kTrailer353[] = {
    text(1, 1, 1, "9"),
    field(2, 9, 8, M::R0, S::QuantidadeTitulos),
    cents(10, 24, 15, S::ValorTotal),
    zeros(25, 394, 370),
    kSequencia,
};
constexpr OcorrenciaCode kO353[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaConcederAbatimento, "04"},
    {toRemessaCancelarAbatimento, "05"}, {toRemessaAlterarVencimento, "06"},
    {toRemessaAlterarNumeroControle, "07"}, {toRemessaProtestar, "09"},
};
constexpr EspecieCode kE353[] = {
    {edDuplicataMercantil, "01"}, {edNotaPromissoria, "02"}, {edApoliceSeguro, "03"}, {edRecibo, "05"},
    {edDuplicataServico, "06"},
};
// The detail as given has 391 positions and nothing tells which of its
// fields are short: the bank writes no detail until its layout is known.
constexpr BankLayout kBank353 = {"353", Frame::Cnab400, make_record(kHeader353, 400), Record{}, false,
                                 make_record(kTrailer353, 400), kO353, UnknownOcorrencia::EmptyCode, kE353, ""};

// ---------------------------------------------------------------- 479

constexpr Row kHeader479[] = {
    kRemessa,
    kCobranca15,
    text(27, 29, 3, "001"),
    field(30, 37, 8, M::R0, S::CodigoCedente),
    blanks(38, 46, 9),
    kCedenteNome,
    text(77, 79, 3, "479"),
    text(80, 94, 15, "BANKBOSTON     "),
    date(95, 100, S::DataArquivo),
    text(101, 108, 8, "01600BPI"),
    blanks(109, 199, 91),
    zeros(200, 207, 8),
    blanks(208, 394, 187),
    kPrimeiroRegistro,
};
constexpr OcorrenciaCode kO479[] = {
    {toRemessaRegistrar, "01"}, {toRemessaBaixar, "02"}, {toRemessaConcederAbatimento, "04"},
    {toRemessaCancelarAbatimento, "05"}, {toRemessaAlterarNumeroControle, "08"}, {toRemessaProtestar, "09"},
    {toRemessaDispensarJuros, "14"}, {toRemessaCancelarInstrucaoProtesto, "18"},
    {toRemessaConcederDesconto, "71"}, {toRemessaCancelarDesconto, "72"}, {toRemessaAlterarVencimento, "74"},
};
constexpr EspecieCode kE479[] = {
    {edDuplicataMercantil, "DM"}, {edDuplicataServico, "DS"}, {edMensalidadeEscolar, "RE"}, {edRecibo, "RE"},
    {edNotaDebito, "ND"}, {edNotaSeguro, "NS"},
};
// The detail as given has 384 positions: no detail until its layout is known.
constexpr BankLayout kBank479 = {"479", Frame::Only400, make_record(kHeader479, 400), Record{}, false,
                                 make_record(kTrailerSimples, 400), kO479, UnknownOcorrencia::RaiseNome, kE479, "OT"};

// ---------------------------------------------------------------- index

constexpr const BankLayout* kLayouts[] = {
    &kBank001, &kBank021, &kBank033, &kBank104, &kBank237, &kBank275, &kBank291, &kBank320, &kBank341, &kBank353,
    &kBank356, &kBank389, &kBank394, &kBank409, &kBank422, &kBank479, &kBank745, &kBank748, &kBank999,
};

constexpr bool layouts_sound() {
    for (const BankLayout* b : kLayouts) {
        if (record_fault(b->header) != nullptr || record_fault(b->trailer) != nullptr) return false;
        if (b->has_detail && record_fault(b->detail) != nullptr) return false;
    }
    return true;
}
static_assert(layouts_sound(), "every CNAB 400 record covers positions 1 to 400 exactly once");

}  // namespace

const Record& common_detail_400() { return kCommonDetail; }

std::span<const BankLayout* const> cnab400_layouts() { return kLayouts; }

const BankLayout* cnab400_layout(std::string_view code) {
    auto it = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                           [&](const BankLayout* b) { return b->code == code; });
    return it == std::end(kLayouts) ? nullptr : *it;
}

Frame remessa_frame(std::string_view code) {
    const BankLayout* b = cnab400_layout(code);
    return b == nullptr ? Frame::None : b->frame;
}

std::string_view mark_name(Mark m) {
    switch (m) {
        case Mark::R0: return "R0";
        case Mark::Rb: return "Rb";
        case Mark::Lb: return "Lb";
        case Mark::L0: return "L0";
        case Mark::Text: return "texto";
        case Mark::Fill: return "preenchimento";
        case Mark::Date: return "ddmmaa";
        case Mark::Cents: return "centavos";
        case Mark::Date8: return "ddmmaaaa";
        case Mark::Time: return "hhmmss";
    }
    return "?";
}

std::string_view source_name(Source s) {
    switch (s) {
        case S::None: return "";
        case S::BankBlock: return "bloco do banco";
        case S::CedenteInscricao: return "Cedente.TipoInscricao (tabela K)";
        case S::CedenteCPFCGC: return "Cedente.NumeroCPFCGC";
        case S::CedenteNome: return "Cedente.Nome";
        case S::CodigoCedente: return "Cedente.CodigoCedente";
        case S::DigitoCodigoCedente: return "Cedente.DigitoCodigoCedente";
        case S::CodigoCedenteComDigito: return "Cedente.CodigoCedente + Cedente.DigitoCodigoCedente";
        case S::CodigoAgencia: return "Cedente.ContaBancaria.CodigoAgencia";
        case S::DigitoAgencia: return "Cedente.ContaBancaria.DigitoAgencia";
        case S::NumeroConta: return "Cedente.ContaBancaria.NumeroConta";
        case S::DigitoConta: return "Cedente.ContaBancaria.DigitoConta";
        case S::CodigoBanco: return "Cedente.ContaBancaria.Banco.Codigo";
        case S::NomeBanco: return "Cedente.ContaBancaria.Banco.Nome";
        case S::CedenteRegistro: return "Cedente.NumeroCPFCGC (registro)";
        case S::SeuNumero: return "SeuNumero";
        case S::NossoNumero: return "NossoNumero";
        case S::DigitoNossoNumero: return "DigitoNossoNumero";
        case S::NumeroDocumento: return "NumeroDocumento";
        case S::Carteira: return "Carteira";
        case S::Ocorrencia: return "TipoOcorrencia (tabela O)";
        case S::Especie: return "EspecieDocumento (tabela E)";
        case S::Aceite: return "AceiteDocumento";
        case S::Instrucoes: return "Instrucoes";
        case S::DataProcessamento: return "DataProcessamento";
        case S::DataVencimento: return "DataVencimento";
        case S::DataDocumento: return "DataDocumento";
        case S::DataDesconto: return "DataDesconto";
        case S::DiasProtesto: return "dias de protesto";
        case S::ValorDocumento: return "ValorDocumento";
        case S::ValorMoraJuros: return "ValorMoraJuros";
        case S::ValorDesconto: return "ValorDesconto";
        case S::ValorIOF: return "ValorIOF";
        case S::ValorAbatimento: return "ValorAbatimento";
        case S::SacadoInscricao: return "Sacado.TipoInscricao (tabela K)";
        case S::SacadoCPFCGC: return "Sacado.NumeroCPFCGC";
        case S::SacadoNome: return "Sacado.Nome";
        case S::SacadoEndereco: return "Sacado.Endereco: Rua Numero Complemento";
        case S::SacadoEnderecoCompleto: return "Sacado.Endereco: Rua Numero Complemento Bairro Cidade Estado";
        case S::SacadoBairro: return "Sacado.Endereco.Bairro";
        case S::SacadoCEP: return "Sacado.Endereco.CEP";
        case S::SacadoCidade: return "Sacado.Endereco.Cidade";
        case S::SacadoEstado: return "Sacado.Endereco.Estado";
        case S::SacadoRegistro: return "Sacado.NumeroCPFCGC (registro)";
        case S::NumeroArquivo: return "NumeroArquivo";
        case S::DataArquivo: return "DataArquivo";
        case S::Sequencia: return "sequencial do registro";
        case S::QuantidadeTitulos: return "quantidade de titulos";
        case S::ValorTotal: return "total de ValorDocumento";
        case S::SacadoInscricao240: return "Sacado.TipoInscricao (1, 2, 9)";
        case S::DigitoAgenciaConta: return "DV de CodigoAgencia (5) + NumeroConta (12)";
        case S::AmbienteTeste: return "\"REMESSA-TESTE\" quando AmbienteArquivo = 2";
        case S::Emissao: return "EmissaoBoleto";
        case S::CodigoJuros: return "ValorMoraJuros > 0: \"1\", senão \"0\"";
        case S::CodigoJurosCaixa: return "ValorMoraJuros > 0: \"1\", senão \"4\"";
        case S::DataJuros: return "DataMoraJuros quando ValorMoraJuros > 0";
        case S::CodigoDesconto: return "ValorDesconto > 0: \"1\", senão \"0\"";
        case S::DataDesconto240: return "DataDesconto quando ValorDesconto > 0";
        case S::DataDescontoCaixa: return "DataDesconto quando ValorDesconto > 0, senão DataVencimento";
        case S::CodigoProtesto: return "DataProtesto após o vencimento: \"1\", senão \"3\"";
        case S::DiasProtesto240: return "dias do vencimento ao protesto";
        case S::CodigoBaixa: return "DataBaixa após o vencimento: \"1\", senão \"2\"";
        case S::DiasBaixa: return "dias do vencimento à baixa";
        case S::QuantidadeRegistros: return "quantidade de registros";
    }
    return "?";
}

}  // namespace billing::layout
