#pragma once
// Bank file layouts as data. A record is a table of rows (positions, width,
// mark, source); one routine merges a base table with replacement rows (the
// common CNAB 400 detail and a bank's rows, or a bank's table and a client's
// rows), one routine checks that a record covers its positions exactly once.
// The record width is a parameter: the same rows serve 400- and 240-position
// records.

#include "billing/cbCobranca.h"

#include <array>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string_view>

namespace billing::layout {

// How a row writes its value.
enum class Mark : std::uint8_t {
    R0,     // Formatar, right-aligned, fill "0"
    Rb,     // Formatar, right-aligned, fill blank
    Lb,     // Formatar, left-aligned, fill blank
    L0,     // Formatar, left-aligned, fill "0"
    Text,   // the row's literal, as it stands
    Fill,   // the row's fill character, width times
    Date,   // ddmmyy; a zero date writes the row's literal, and is refused when it has none
    Cents,  // amount in whole cents (half to even), zero-padded to the width
    Date8,  // ddmmyyyy; a zero date writes the row's literal, and is refused when it has none
    Time,   // hhmmss of a date-time
};

// Where a row's value comes from. The names (source_name) are the model's paths.
enum class Source : std::uint8_t {
    None,  // literal and fill rows
    BankBlock,  // a block of the common detail that each bank fills with its own rows
    // Payee (title's Cedente)
    CedenteInscricao, CedenteCPFCGC, CedenteNome, CodigoCedente, DigitoCodigoCedente, CodigoCedenteComDigito,
    CodigoAgencia, DigitoAgencia, NumeroConta, DigitoConta, CodigoBanco, NomeBanco,
    CedenteRegistro,  // banks 275/356: registration field of the payee
    // Title
    SeuNumero, NossoNumero, DigitoNossoNumero, NumeroDocumento, Carteira, Ocorrencia, Especie, Aceite,
    Instrucoes, DataProcessamento, DataVencimento, DataDocumento, DataDesconto, DiasProtesto,
    ValorDocumento, ValorMoraJuros, ValorDesconto, ValorIOF, ValorAbatimento,
    // Payer (title's Sacado)
    SacadoInscricao, SacadoCPFCGC, SacadoNome, SacadoEndereco, SacadoEnderecoCompleto,
    SacadoBairro, SacadoCEP, SacadoCidade, SacadoEstado,
    SacadoRegistro,  // banks 275/356: registration field of the payer
    // Batch and file
    NumeroArquivo, DataArquivo, Sequencia, QuantidadeTitulos, ValorTotal,
    // CNAB 240
    SacadoInscricao240,   // payer kind: "1", "2", "9"
    DigitoAgenciaConta,   // modulo 11 (base 9) of the agency in 5 and the account in 12 digits
    AmbienteTeste,        // "REMESSA-TESTE" in a test file, else blanks
    Emissao,              // who issues and sends the boleto
    CodigoJuros,          // "1" with interest, else "0"
    CodigoJurosCaixa,     // "1" with interest, else "4"
    DataJuros,            // the interest date with interest, else none
    CodigoDesconto,       // "1" with a discount, else "0"
    DataDesconto240,      // the discount date with a discount, else none
    DataDescontoCaixa,    // the discount date with a discount, else the due date
    CodigoProtesto,       // "1" with a protest date after the due date, else "3"
    DiasProtesto240,      // days from the due date to the protest date, else 0
    CodigoBaixa,          // "1" with a write-off date after the due date, else "2"
    DiasBaixa,            // days from the due date to the write-off date, else 0
    QuantidadeRegistros,  // lines counted by a trailer
};

enum class Kind : std::uint8_t { None, Text, Date, Money, Integer };

constexpr Kind source_kind(Source s) {
    switch (s) {
        case Source::None:
        case Source::BankBlock:
            return Kind::None;
        case Source::DataProcessamento:
        case Source::DataVencimento:
        case Source::DataDocumento:
        case Source::DataDesconto:
        case Source::DataArquivo:
        case Source::DataJuros:
        case Source::DataDesconto240:
        case Source::DataDescontoCaixa:
            return Kind::Date;
        case Source::ValorDocumento:
        case Source::ValorMoraJuros:
        case Source::ValorDesconto:
        case Source::ValorIOF:
        case Source::ValorAbatimento:
        case Source::ValorTotal:
            return Kind::Money;
        case Source::NumeroArquivo:
        case Source::Sequencia:
        case Source::QuantidadeTitulos:
        case Source::DiasProtesto240:
        case Source::DiasBaixa:
        case Source::QuantidadeRegistros:
            return Kind::Integer;
        default:
            return Kind::Text;
    }
}

// The model path or description of a source, as the layout listing prints it.
std::string_view source_name(Source s);
std::string_view mark_name(Mark m);

struct Row {
    int first = 0;  // 1-based, inclusive
    int last = 0;
    int width = 0;
    Mark mark = Mark::Fill;
    Source source = Source::None;
    std::string_view text{};  // Text: the literal; Date: what a zero date writes
    char fill = ' ';          // Fill: the character
    bool rebuilt = false;     // a row reconstructed where the given layout did not make 400 positions

    // The same row, marked as reconstructed.
    constexpr Row reconstructed() const {
        Row r = *this;
        r.rebuilt = true;
        return r;
    }
};

// Row makers, positions as the banks' layouts give them (width given apart, and checked).
constexpr Row field(int first, int last, int width, Mark mark, Source source) {
    return Row{first, last, width, mark, source, {}, ' ', false};
}
constexpr Row text(int first, int last, int width, std::string_view literal) {
    return Row{first, last, width, Mark::Text, Source::None, literal, ' ', false};
}
constexpr Row blanks(int first, int last, int width) { return Row{first, last, width, Mark::Fill, Source::None, {}, ' ', false}; }
constexpr Row zeros(int first, int last, int width) { return Row{first, last, width, Mark::Fill, Source::None, {}, '0', false}; }
constexpr Row date(int first, int last, Source source, std::string_view when_zero = {}) {
    return Row{first, last, 6, Mark::Date, source, when_zero, ' ', false};
}
constexpr Row date8(int first, int last, Source source, std::string_view when_zero = {}) {
    return Row{first, last, 8, Mark::Date8, source, when_zero, ' ', false};
}
constexpr Row time_of_day(int first, int last, Source source) {
    return Row{first, last, 6, Mark::Time, source, {}, ' ', false};
}
constexpr Row cents(int first, int last, int width, Source source) {
    return Row{first, last, width, Mark::Cents, source, {}, ' ', false};
}
constexpr Row block(int first, int last, int width) {
    return Row{first, last, width, Mark::Fill, Source::BankBlock, {}, ' ', false};
}

inline constexpr std::size_t kMaxRows = 72;

// A record: its rows in position order and its width.
struct Record {
    std::array<Row, kMaxRows> rows{};
    std::size_t count = 0;
    int width = 0;

    constexpr std::span<const Row> Rows() const { return {rows.data(), count}; }
};

// A record of the given rows, sorted by position.
constexpr Record make_record(std::span<const Row> rows, int width) {
    Record r;
    r.width = width;
    for (const Row& row : rows) {
        if (r.count == kMaxRows) throw std::length_error("too many rows in a record");
        std::size_t i = r.count++;
        while (i > 0 && r.rows[i - 1].first > row.first) {
            r.rows[i] = r.rows[i - 1];
            --i;
        }
        r.rows[i] = row;
    }
    return r;
}

// The base record with replacement rows: every base row that a replacement
// overlaps is dropped, the replacements take their places.
constexpr Record merge(const Record& base, std::span<const Row> replacements) {
    std::array<Row, kMaxRows * 2> rows{};
    std::size_t n = 0;
    for (const Row& b : base.Rows()) {
        bool overlapped = false;
        for (const Row& r : replacements) overlapped = overlapped || (r.first <= b.last && b.first <= r.last);
        if (!overlapped) rows[n++] = b;
    }
    for (const Row& r : replacements) rows[n++] = r;
    return make_record(std::span<const Row>(rows.data(), n), base.width);
}

// What is wrong with a record, or nullptr: every position from 1 to the
// width exactly once, each row's width its positions', literals of their
// row's width, no bank block left, marks that suit their source.
constexpr const char* record_fault(const Record& rec) {
    int next = 1;
    for (const Row& row : rec.Rows()) {
        if (row.first < next) return "positions overlap";
        if (row.first > next) return "positions left uncovered";
        if (row.last < row.first || row.width != row.last - row.first + 1) return "width differs from positions";
        const Kind k = source_kind(row.source);
        switch (row.mark) {
            case Mark::Text:
                if (row.source != Source::None) return "literal row with a source";
                if (static_cast<int>(row.text.size()) != row.width) return "literal of another width";
                for (char c : row.text) {
                    if (c < ' ' || c > '~') return "literal outside printable ASCII";
                }
                break;
            case Mark::Fill:
                if (row.source == Source::BankBlock) return "bank block not replaced";
                if (row.source != Source::None) return "fill row with a source";
                if (row.fill < ' ' || row.fill > '~') return "fill outside printable ASCII";
                break;
            case Mark::Date:
                if (k != Kind::Date || row.width != 6) return "date row without a date";
                if (!row.text.empty() && static_cast<int>(row.text.size()) != 6) return "zero-date literal of another width";
                break;
            case Mark::Cents:
                if (k != Kind::Money) return "amount row without an amount";
                break;
            case Mark::Date8:
                if (k != Kind::Date || row.width != 8) return "date row without a date";
                if (!row.text.empty() && static_cast<int>(row.text.size()) != 8) return "zero-date literal of another width";
                break;
            case Mark::Time:
                if (k != Kind::Date || row.width != 6) return "time row without a date";
                break;
            default:
                if (k != Kind::Text && k != Kind::Integer) return "formatted row without a text or number";
        }
        next = row.last + 1;
    }
    if (next != rec.width + 1) return "positions left uncovered at the end";
    return nullptr;
}

// A code of a bank's table: occurrence (table O) or document kind (table E).
struct OcorrenciaCode {
    TTipoOcorrencia value;
    std::string_view code;
};
struct EspecieCode {
    TEspecieDocumento value;
    std::string_view code;
};

// What a bank does with an occurrence its table does not list.
enum class UnknownOcorrencia : std::uint8_t {
    EmptyCode,      // writes "00"
    RaiseBanco,     // "Ocorrência de remessa inválida ou não disponível para o banco %s - %s"
    RaiseTitulo,    // "Ocorrência inválida em remessa - Nosso número: %s / Seu número: %s"
    RaiseNome,      // "Ocorrência não disponível para %s"
};

// How a bank's GerarRemessa treats the batch's LayoutArquivo.
enum class Frame : std::uint8_t {
    None,         // no remittance for any layout
    Cnab400,      // laCNAB400 writes, the others answer False
    Cnab240And400,  // laCNAB240 goes to the CNAB 240 writer
    Bradesco,     // raises for laCNAB240 and laInvalido
    Only400,      // clears the list and raises for anything but laCNAB400
    AnyLayout,    // writes CNAB 400 whatever the layout
};

// A bank's CNAB 400 remittance: its three records and its code tables. A bank
// whose detail layout is not known has no detail (has_detail false).
struct BankLayout {
    std::string_view code;
    Frame frame;
    Record header;
    Record detail;
    bool has_detail;
    Record trailer;
    std::span<const OcorrenciaCode> ocorrencias;
    UnknownOcorrencia unknown_ocorrencia;
    std::span<const EspecieCode> especies;
    std::string_view especie_default;
};

// The CNAB 400 layout of an engine bank, or nullptr for a bank without one.
const BankLayout* cnab400_layout(std::string_view code);
// The frame of an engine bank's GerarRemessa (Frame::None for every bank without a CNAB 400 writer).
Frame remessa_frame(std::string_view code);
// Every engine bank with a CNAB 400 layout, in code order.
std::span<const BankLayout* const> cnab400_layouts();

// The common detail record of CNAB 400 (bank blocks still in it).
const Record& common_detail_400();

}  // namespace billing::layout
