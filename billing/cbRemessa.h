#pragma once
// Remittance writers behind one face, and the rule that chooses one: which
// writer GerarRemessa of an engine bank runs for the batch's layout (the
// CNAB 400 writer, or at banks 001, 104 and 999 the CNAB 240 writer for a
// laCNAB240 batch). billing-tool remessa streams a batch through the same rule.

#include "billing/cbCobranca.h"

#include <memory>
#include <string>
#include <string_view>

namespace billing {

// Receives a remittance's lines, in file order, without terminator.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void line(std::string_view text) = 0;
};

// A sink that appends each line to a string list.
class ListSink final : public LineSink {
public:
    explicit ListSink(TStringList& list) : list_(list) {}
    void line(std::string_view text) override { list_.Add(std::string(text)); }

private:
    TStringList& list_;
};

// A remittance writer of one layout. Titles arrive one at a time, so that a
// caller may stream them: header (with the first title), a detail per title,
// trailer.
class RemessaWriter {
public:
    virtual ~RemessaWriter() = default;
    // Writes the header records from the batch and its first title.
    virtual void header(const TcbTitulo& first) = 0;
    // Checks a title and writes its records.
    virtual void detail(const TcbTitulo& titulo) = 0;
    // Writes the trailer records.
    virtual void trailer() = 0;
    // Raises the layout's error for a batch without titles.
    [[noreturn]] virtual void no_titles() const = 0;
    // True when a failed write is to leave no line at all; otherwise the
    // lines of the titles before the failing one stay.
    virtual bool all_or_nothing() const { return false; }
};

// Writes the title at 0-based `index` of a batch: the header first when it is
// the first title, then its records. An error names the title by its
// position (from 1) and its nosso número before the writer's own message.
void escrever_titulo(RemessaWriter& writer, const TcbTitulo& titulo, int index);

// Clears the list and writes the batch's titles (read through the profile's
// GetTitulo) into it with `writer`, whose sink appends to that list. True
// when written.
bool write_list(RemessaWriter& writer, const ModelProfile& profile, TcbCobranca& batch, TStringList& list);

// The writer that GerarRemessa of engine bank `code` (named `name`) runs for
// the batch's LayoutArquivo, writing to `out`: the CNAB 240 writer for
// laCNAB240 at banks 001, 104 and 999, else the CNAB 400 writer where the
// bank's frame writes that layout; null where the frame answers False.
// Raises the frame's messages (clearing `list`, when given, where the bank does).
std::unique_ptr<RemessaWriter> remessa_writer(std::string_view code, std::string_view name, const TcbCobranca& batch,
                                              LineSink& out, TStringList* list = nullptr);

// GerarRemessa of an engine bank.
bool gerar_remessa(std::string_view code, TcbCobranca& batch, TStringList& list);

}  // namespace billing
