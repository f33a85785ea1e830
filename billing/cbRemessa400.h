#pragma once
// CNAB 400 remittances: the record routine that fills a layout's rows from a
// title, the writer procedure (header, one detail per title, trailer) and the
// GerarRemessa frame of the engine's banks.

#include "billing/cbCobranca.h"
#include "billing/cbLayouts.h"
#include "billing/cbRemessa.h"

#include <memory>
#include <string>
#include <string_view>

namespace billing {

// The values a record's rows read, by source.
class RecordValues {
public:
    virtual ~RecordValues() = default;
    virtual std::string text(layout::Source source) const = 0;
    virtual TDateTime date(layout::Source source) const = 0;
    virtual Currency money(layout::Source source) const = 0;
    virtual std::int64_t integer(layout::Source source) const = 0;
    // Raises the error for a number that is negative or wider than its row.
    [[noreturn]] virtual void refuse(const layout::Row& row, std::string_view shown) const = 0;
    // The title whose record is written; none for a trailer.
    virtual const TcbTitulo* titulo_ptr() const { return nullptr; }
    // True when the row's value comes from the batch rather than from a title.
    virtual bool from_batch(layout::Source source) const;
    // Raises the error for a value the record needs that is missing, or for a
    // text that would lose digits to its row's width.
    [[noreturn]] void missing(const layout::Row& row) const;
    [[noreturn]] void too_long(const layout::Row& row, const ECampoNaoCabe& e) const;
};

// True for the text sources a record cannot be written without (agency,
// account, payee code, carteira, names and registration numbers, and the
// nosso número unless the bank issues the boleto and numbers it).
bool campo_obrigatorio(layout::Source source, const TcbTitulo* titulo);

// The values the CNAB 400 writer gives a record's rows: the batch's, the
// title's (none for a trailer), the sequence number and the bank's codes.
std::unique_ptr<RecordValues> title_values(const TcbCobranca& batch, const TcbTitulo* titulo, int sequencia,
                                           std::string ocorrencia, std::string especie);

// Fills `line` with the record: every row through its mark, `rec.width`
// characters in all. A number that does not fit its row is refused.
void write_record(const layout::Record& rec, const RecordValues& values, std::string& line);

// The writer procedure of one bank's layout: header from the batch and its
// first title, a detail per title, the trailer. Titles arrive one at a time,
// so a caller may stream them.
class Remessa400 final : public RemessaWriter {
public:
    // name is the bank's, as its messages give it; the code is the layout's.
    Remessa400(const layout::BankLayout& layout, std::string_view name, const TcbCobranca& batch, LineSink& out);

    void header(const TcbTitulo& first) override;
    // Checks the title's bank, derives its codes and writes its detail.
    void detail(const TcbTitulo& titulo) override;
    void trailer() override;
    // The list's error for a missing first title.
    [[noreturn]] void no_titles() const override;
    // A bank without a known detail layout leaves nothing behind.
    bool all_or_nothing() const override { return !layout_.has_detail; }

private:
    const layout::BankLayout& layout_;
    std::string name_;
    const TcbCobranca& batch_;
    LineSink& out_;
    int titles_ = 0;
    Currency total_;
    int total_digits_ = 0;
    std::string line_;
};

// The CNAB 400 writer of a bank: clears the list, then header, details of
// every title read through the profile's GetTitulo, trailer. True when written.
bool gerar_remessa_400(const layout::BankLayout& layout, std::string_view name, const ModelProfile& profile,
                       TcbCobranca& batch, TStringList& list);

// What a bank's GerarRemessa frame does with the batch's layout: true when
// the CNAB 400 writer is to run, false when the frame answers False with the
// list untouched or, at banks 001, 104 and 999, hands laCNAB240 to the CNAB
// 240 writer. Raises the frame's message otherwise (clearing the list
// first where the bank does).
bool remessa_frame_writes(std::string_view code, std::string_view name, TLayoutArquivo layout, TStringList* list);

// GerarRemessaCNAB400 of an engine bank (the writer alone).
bool gerar_remessa_cnab400(std::string_view code, TcbCobranca& batch, TStringList& list);

}  // namespace billing
