#pragma once
// CNAB 400 return files: the LerRetorno frame of every bank plug-in and the
// readers of the eighteen banks that have one.
//
// A return file is Windows-1252 bytes; its lines are byte strings without
// line ends, positions are byte positions, and text fields are decoded to
// UTF-8 after they are cut from the line. Every reader is a row of one
// table (field positions and conversions, header values, occurrence and
// motive rules) walked by one skeleton; code of its own only where a bank
// really differs (341's header check and document kinds, 479's payee data).
//
// A read that reads at all clears the batch's titles first; NumeroArquivo
// and DataArquivo are set from the header before the first detail record,
// so a failed read leaves the titles of the records before the bad one and
// nothing older. LayoutArquivo records the layout found.

#include "billing/cbCobranca.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace billing {

// The lines of a return file (Windows-1252 bytes, no line ends).
using LinhasRetorno = std::span<const std::string_view>;

// Signature of the published LerRetorno and LerRetornoCNAB400 operations.
using SigLerRetorno = bool(TcbCobranca&, LinhasRetorno);
// Signature of the published code-text operations (code text in, its text out).
using SigCodeText = std::string(const std::string&);

// Splits file bytes at LF, CR LF or a lone CR. A last line without an end is
// a line; nothing after the last line end is.
std::vector<std::string_view> split_lines(std::string_view bytes);

// Lines read one at a time: a file in memory or a stream.
class LineSource {
public:
    virtual ~LineSource() = default;
    // The next line (valid until the next call); false at the end.
    virtual bool next(std::string_view& line) = 0;
    // The length of `line`, the line last given: a source may hand over only
    // the first bytes of a line too long to be a record.
    virtual std::uint64_t length_of(std::string_view line) const { return line.size(); }
};

// The lines of a stream, split as split_lines splits, read through a buffer
// of fixed size: of a line longer than `bound` bytes only the first `bound`
// are kept (length_of tells its whole length), so memory never grows with
// the file or with one line. A read error raises EReadError.
class StreamLines final : public LineSource {
public:
    static constexpr std::size_t kBound = 1024;  // well above any record
    explicit StreamLines(TStream& in, std::size_t bound = kBound, std::size_t buffer = std::size_t(1) << 16);
    bool next(std::string_view& line) override;
    std::uint64_t length_of(std::string_view line) const override;

private:
    bool fill();
    TStream& in_;
    std::size_t bound_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, end_ = 0;
    bool skip_lf_ = false;  // the last line ended with CR: an LF next belongs to it
    std::string long_;      // a line that crosses the buffer's end
    std::string_view last_;
    std::uint64_t last_length_ = 0;
};

// Receives each title as it is read; the title is reused for the next
// record, so a sink copies what it keeps.
using TitleSink = std::function<void(const TcbTitulo&)>;

// LerRetorno of bank code: chooses the layout from the first line and reads
// the file into the batch. Raises Exception with the bank's message.
bool ler_retorno(std::string_view code, TcbCobranca& batch, LinhasRetorno lines);
// LerRetornoCNAB400 of bank code: the reader without the frame.
bool ler_retorno_cnab400(std::string_view code, TcbCobranca& batch, LinhasRetorno lines);

// As ler_retorno, handing each title to sink instead of the batch's list
// (Titulos is left alone). LayoutArquivo, NumeroArquivo and DataArquivo are
// set before the sink receives the first title.
bool ler_retorno(std::string_view code, TcbCobranca& batch, LineSource& lines, const TitleSink& sink);

// One engine bank's reader run for a client class of another bank code, name
// and title model: `layout` is the engine bank whose reader (fields, frame,
// code texts) runs; the header must carry `code` at 77-79 and the mismatch
// message names `code` and `name`; the frame's messages (the 240-byte answer
// included) name `name`; titles are objects of `profile`'s model with the
// payee bank `code`. Empty or null members take the engine bank's own.
struct RetornoComo {
    std::string_view layout;
    std::string_view code = {};
    std::string_view name = {};
    const ModelProfile* profile = nullptr;
};
bool ler_retorno(const RetornoComo& como, TcbCobranca& batch, LinhasRetorno lines);
bool ler_retorno_cnab400(const RetornoComo& como, TcbCobranca& batch, LinhasRetorno lines);

}  // namespace billing
