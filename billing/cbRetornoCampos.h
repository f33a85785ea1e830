#pragma once
// What the return readers share: cutting fields from a line of Windows-1252
// bytes, converting them, and the occurrence-kind tables.

#include "billing/cbCobranca.h"
#include "billing/cbRetorno400.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace billing::retorno {

// Positions from..to (1-based, inclusive) of a line; what exists of them.
std::string_view slice(std::string_view line, int from, int to);
// Windows-1252 bytes to UTF-8.
void decode_into(std::string_view bytes, std::string& out);
std::string decode(std::string_view bytes);
bool all_digits(std::string_view s);
// The platform's integer conversion; raises with the decoded text.
int integer(std::string_view raw);
// A decimal number of cents as money; raises with the decoded text.
Currency money(std::string_view raw);
// As money, 0 when the text does not convert.
Currency money_or_zero(std::string_view raw);
// The zero test: the text formatted right-aligned with fill "0" is all zeros
// (so blanks are zero too).
bool zero_test(std::string_view raw, int width);

// Adds " na linha NUMBER" to a refusal's text.
void name_line(Exception& e, std::uint64_t number);

// Runs `read` on the record of line `number` (1-based, in the file); a
// refusal it raises names that line (" na linha 17" after its text) and
// keeps its class.
template <class Read>
void at_line(std::uint64_t number, Read&& read) {
    try {
        read();
    } catch (Exception& e) {
        name_line(e, number);
        throw;
    }
}

// The lines of a span, one at a time.
class SpanLines final : public LineSource {
public:
    explicit SpanLines(LinhasRetorno lines) : lines_(lines) {}
    bool next(std::string_view& line) override {
        if (i_ >= lines_.size()) return false;
        line = lines_[i_++];
        return true;
    }

private:
    LinhasRetorno lines_;
    std::size_t i_ = 0;
};

// Occurrence kinds: a code's kind, else the fallback table's, else `other`.
struct KindRow {
    int code;
    TTipoOcorrencia kind;
};

struct KindTable {
    std::span<const KindRow> rows;  // sorted by code
    const KindTable* fallback;
    TTipoOcorrencia other;
};

TTipoOcorrencia kind_of(const KindTable& table, int code);

}  // namespace billing::retorno
