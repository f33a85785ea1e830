// The remittance commands of billing-tool.
//
// remessa reads the batch one title at a time and writes each line, in
// Windows-1252 with CR LF, to a temporary file beside OUT, which replaces OUT
// only when the whole remittance is written: on any error OUT is left as it
// was (or absent) and nothing else remains.

#include "billing/tool/RemessaCommands.h"

#include "billing/BatchStream.h"
#include "billing/cbBancos.h"
#include "billing/cbLayouts.h"
#include "billing/cbLayouts240.h"
#include "billing/cbRemessa.h"
#include "billing/cbRemessa240.h"
#include "billing/cbRemessa400.h"
#include "billing/tool/BankCode.h"
#include "platform/core/CodePages.h"
#include "platform/os/Files.h"
#include "platform/os/InputFile.h"
#include "platform/os/ReplacingFile.h"

#include <exception>
#include <iostream>
#include <optional>

namespace {

using billing::layout::Mark;
using billing::layout::Row;

int usage() {
    std::cerr << "uso: billing-tool remessa --bank CÓDIGO [--layout 240|400] LOTE.json SAÍDA\n"
                 "     billing-tool layout --bank CÓDIGO --record header|detail|trailer\n"
                 "     billing-tool layout --bank CÓDIGO --layout 240 --record "
                 "file-header|batch-header|segment-p|segment-q|batch-trailer|file-trailer\n";
    return 2;
}

// The remittance's lines written into the platform's replacing file: OUT is
// replaced by commit(), and left as it was when the writer is dropped.
class RemittanceFile final : public billing::LineSink {
public:
    explicit RemittanceFile(const std::string& target) : file_(target) {}

    // Bank files are Windows-1252 bytes, one record a line, CR LF.
    void line(std::string_view text) override {
        bool ascii = true;
        for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) {
            write(text);
        } else {
            std::optional<std::string> bytes = core::from_utf8(text, core::CodePage::Windows1252);
            if (!bytes) throw Exception("Registro com caracteres fora do Windows-1252");
            write(*bytes);
        }
        write("\r\n");
    }

    void commit() { file_.commit(); }

private:
    void write(std::string_view bytes) { core::write_all(file_.stream(), bytes.data(), std::int64_t(bytes.size())); }

    os::ReplacingFile file_;
};

const char* const kLayoutNames[] = {"laCNAB240", "laCNAB400", "laInvalido"};

enum class Pass : std::uint8_t {
    kWritten,
    kAgain,         // a batch field came after the titles: again with the fields found
    kAgainExactly,  // the fast reading left the document to the SAX reading: the same pass with it
};

// One pass over the batch document. A document that can be read again is
// read the fast way first (read_batch_fast), else with read_batch_stream.
Pass write_pass(const std::string& code, const std::string& name, const std::string& batch_file,
                const std::string& out_file, std::optional<TLayoutArquivo> layout, nlohmann::json& known,
                bool last_pass, bool can_reread, bool exactly) {
    std::unique_ptr<os::InputFile> file;
    try {
        file = std::make_unique<os::InputFile>(batch_file);
    } catch (const EFOpenError&) {
        throw Exception("Não foi possível abrir o lote " + batch_file);
    }
    std::istream& in = file->stream();
    RemittanceFile out(out_file);
    TcbCobranca batch;
    std::unique_ptr<billing::RemessaWriter> writer;
    auto on_fields = [&](const TcbCobranca&) {
        if (writer) return;
        if (layout) batch.LayoutArquivo = *layout;
        // The writer GerarRemessa runs for this bank and layout.
        writer = billing::remessa_writer(code, name, batch, out);
        if (writer == nullptr) {
            throw Exception(Format("Nenhuma remessa gerada: o banco %s - %s não gera remessa no layout %s",
                                   {code, name, std::string(kLayoutNames[batch.LayoutArquivo])}));
        }
    };
    // A header that fails for want of DataArquivo may find it among fields after the titles: the pass then
    // writes nothing more, and its error stands only if no such field comes.
    std::exception_ptr header_error;
    auto on_title = [&](const TcbTitulo& t, int index) {
        if (header_error) return;
        try {
            billing::escrever_titulo(*writer, t, index);
        } catch (const Exception&) {
            if (index != 0 || batch.DataArquivo != 0 || last_pass) throw;
            header_error = std::current_exception();
        }
    };
    billing::BatchStreamResult r;
    if (!can_reread || exactly) {
        r = billing::read_batch_stream(in, billing::engine_profile(), batch, known, on_fields, on_title);
    } else if (!billing::read_batch_fast(in, billing::engine_profile(), batch, known, on_fields, on_title, r)) {
        return Pass::kAgainExactly;
    }
    if (r.fields_after_titles && !last_pass) {
        // A pipe or device is read once: its titles were read without the fields after them.
        if (!can_reread) {
            throw Exception("O lote " + batch_file +
                            " traz campos depois de \"Titulos\" e não é um arquivo comum, que se possa ler de novo: "
                            "ponha os campos antes de \"Titulos\" ou dê o lote num arquivo");
        }
        return Pass::kAgain;
    }
    if (header_error) std::rethrow_exception(header_error);
    if (r.titles == 0) writer->no_titles();
    writer->trailer();
    out.commit();
    return Pass::kWritten;
}

// --layout 240 or 400.
bool parse_layout(const std::vector<std::string>& a, std::size_t& i, std::optional<TLayoutArquivo>& layout) {
    if (a[i] != "--layout" || i + 1 >= a.size()) return false;
    const std::string& v = a[++i];
    if (v == "240") {
        layout = laCNAB240;
    } else if (v == "400") {
        layout = laCNAB400;
    } else {
        throw Exception("Layout inválido: \"" + v + "\" (esperado 240 ou 400)");
    }
    return true;
}

bool parse_bank(const std::vector<std::string>& a, std::size_t& i, std::string& code) {
    if (a[i] != "--bank" || i + 1 >= a.size()) return false;
    code = billing::tool::bank_code(a[++i]);
    return true;
}

// The bank's three-digit code and name, as TcbBanco.Nome finds them.
std::string bank_name(std::string& code) {
    TcbBanco banco;
    banco.SetCodigo(code);
    code = Formatar(banco.Codigo(), 3, false, '0');
    return banco.Nome();
}

std::string describe(const Row& row) {
    const std::string source(billing::layout::source_name(row.source));
    switch (row.mark) {
        case Mark::Text:
            return "\"" + std::string(row.text) + "\"";
        case Mark::Fill:
            return std::to_string(row.width) + (row.fill == '0' ? " zeros" : row.fill == ' ' ? " brancos" : " x '" + std::string(1, row.fill) + "'");
        case Mark::Date:
        case Mark::Date8:
            return source + (row.mark == Mark::Date ? " ddmmaa" : " ddmmaaaa") +
                   (row.text.empty() ? "" : "; \"" + std::string(row.text) + "\" quando zero");
        case Mark::Cents:
            return source + " em centavos";
        default:
            return source + " (" + std::string(billing::layout::mark_name(row.mark)) + ")";
    }
}

// One line per row: positions, width, what it writes.
void print_rows(const billing::layout::Record& rec) {
    std::string out;
    for (const Row& row : rec.Rows()) {
        char pos[32];
        std::snprintf(pos, sizeof pos, "%3d-%3d %3d  ", row.first, row.last, row.width);
        out += pos + describe(row) + (row.rebuilt ? "  [reconstruído]" : "") + "\n";
    }
    std::cout << out;
}

}  // namespace

int remessa_command(const std::vector<std::string>& a) {
    std::string code, batch_file, out_file;
    std::optional<TLayoutArquivo> layout;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (parse_bank(a, i, code)) continue;
        if (parse_layout(a, i, layout)) continue;
        if (a[i].rfind("--", 0) == 0) return usage();
        if (batch_file.empty()) {
            batch_file = a[i];
        } else if (out_file.empty()) {
            out_file = a[i];
        } else {
            return usage();
        }
    }
    if (code.empty() || out_file.empty()) return usage();
    const std::string name = bank_name(code);
    nlohmann::json known = nlohmann::json::object();
    const std::optional<os::FileStatus> status = os::file_status(batch_file);
    const bool can_reread = status && status->is_regular();
    bool last = false, exactly = false;
    for (;;) {
        const Pass pass = write_pass(code, name, batch_file, out_file, layout, known, last, can_reread, exactly);
        if (pass == Pass::kWritten) break;
        if (pass == Pass::kAgain) last = true;
        if (pass == Pass::kAgainExactly) exactly = true;
    }
    return 0;
}

int layout_command(const std::vector<std::string>& a) {
    std::string code, record;
    std::optional<TLayoutArquivo> layout;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (parse_bank(a, i, code)) continue;
        if (parse_layout(a, i, layout)) continue;
        if (a[i] == "--record" && i + 1 < a.size()) {
            record = a[++i];
        } else {
            return usage();
        }
    }
    if (code.empty()) return usage();
    const std::string name = bank_name(code);
    const billing::layout::Record* rec = nullptr;
    if (layout == laCNAB240) {
        const billing::layout::BankLayout240* bank = billing::layout::cnab240_layout(code);
        if (bank == nullptr) {
            throw Exception(Format("O layout CNAB240 não está disponível para o banco %s - %s", {code, name}));
        }
        const std::pair<const char*, const billing::layout::Record*> records[] = {
            {"file-header", &bank->file_header},   {"batch-header", &bank->batch_header},
            {"segment-p", &bank->segment_p},       {"segment-q", &bank->segment_q},
            {"batch-trailer", &bank->batch_trailer}, {"file-trailer", &bank->file_trailer},
        };
        for (const auto& [n, r] : records) {
            if (record == n) rec = r;
        }
        if (rec == nullptr) return usage();
        print_rows(*rec);
        return 0;
    }
    if (record != "header" && record != "detail" && record != "trailer") return usage();
    const billing::layout::BankLayout* bank = billing::layout::cnab400_layout(code);
    if (bank == nullptr) {
        throw Exception(Format("Geração de arquivo remessa não está disponível para o banco %s - %s", {code, name}));
    }
    if (record == "detail" && !bank->has_detail) {
        throw Exception(Format("O layout CNAB400 do registro de detalhe não está disponível para o banco %s - %s",
                               {code, name}));
    }
    print_rows(record == "header" ? bank->header : record == "detail" ? bank->detail : bank->trailer);
    return 0;
}
