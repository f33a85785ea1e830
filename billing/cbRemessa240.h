#pragma once
// CNAB 240 remittances of banks 001, 999 and 104: file header, batch header,
// segments P and Q for each title, batch and file trailers, written by the
// same record routine as the CNAB 400 layouts.
//
// Every line is 240 characters: a day count, amount, record number or file
// number that does not fit its field is refused with a message naming the
// title, before any line of that title is written.

#include "billing/cbCobranca.h"
#include "billing/cbLayouts240.h"
#include "billing/cbRemessa400.h"

#include <string>
#include <string_view>

namespace billing {

// The writer procedure of one bank's CNAB 240 layout; titles arrive one at
// a time, so a caller may stream them.
class Remessa240 final : public RemessaWriter {
public:
    // name is the bank's, as its messages give it.
    Remessa240(const layout::BankLayout240& layout, std::string_view name, const TcbCobranca& batch, LineSink& out);

    // Checks the batch's layout and the first title's bank; writes both headers.
    void header(const TcbTitulo& first) override;
    // Checks the title's bank, movement and issue codes; writes segments P and Q.
    void detail(const TcbTitulo& titulo) override;
    // Writes the batch and file trailers.
    void trailer() override;
    // "Não há títulos para gerar remessa".
    [[noreturn]] void no_titles() const override;

private:
    void check_bank(const TcbTitulo& titulo) const;

    const layout::BankLayout240& layout_;
    std::string name_;
    const TcbCobranca& batch_;
    LineSink& out_;
    int titles_ = 0;
    std::string line_;
    std::string second_;
};

// The CNAB 240 writer of a bank: clears the list, then writes the whole file
// of the batch's titles (read through the profile's GetTitulo). True when written.
bool gerar_remessa_240(const layout::BankLayout240& layout, std::string_view name, const ModelProfile& profile,
                       TcbCobranca& batch, TStringList& list);
// GerarRemessaCNAB240 of an engine bank (001, 104, 999).
bool gerar_remessa_cnab240(std::string_view code, TcbCobranca& batch, TStringList& list);

}  // namespace billing
