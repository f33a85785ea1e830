#include "billing/tool/retorno_commands.h"

#include "billing/TitleJson.h"
#include "billing/cbCodeTexts.h"
#include "billing/cbPlugin.h"
#include "billing/cbRetorno400.h"
#include "billing/cbRetornoCampos.h"
#include "billing/tool/BankCode.h"
#include "platform/core/Streams.h"

#include <functional>
#include <iostream>

namespace billing::tool {

namespace {

int usage() {
    std::cerr << "uso: billing-tool retorno --bank CÓDIGO ARQUIVO\n"
                 "     billing-tool retorno --class NOME ARQUIVO\n"
                 "     billing-tool codetext --bank CÓDIGO occ|motive CÓDIGO...\n";
    return 2;
}

// The lines of a file, each a copy, for a reader that takes them all at
// once. Lines are read with a bound: one longer than any record is refused
// before it is kept, naming its line as the readers do after the first.
std::vector<std::string> read_lines(const std::string& file) {
    TFileStream in(file, fmOpenRead);
    StreamLines source(in);
    std::vector<std::string> lines;
    std::string_view line;
    while (source.next(line)) {
        if (source.length_of(line) > line.size()) {
            Exception e(Format("Tamanho de registro inválido: %d", {source.length_of(line)}));
            if (!lines.empty()) retorno::name_line(e, lines.size() + 1);
            throw e;
        }
        lines.emplace_back(line);
    }
    return lines;
}

// Reads a return file with `read` (a published LerRetorno) and prints the batch as JSON.
int read_and_print(const std::string& file, const std::function<bool(TcbCobranca&, LinhasRetorno)>& read) {
    TcbCobranca batch;
    batch.NomeArquivoRetorno = file;
    const std::vector<std::string> kept = read_lines(file);
    const std::vector<std::string_view> lines(kept.begin(), kept.end());
    read(batch, lines);
    std::cout << cobranca_to_json(batch).dump(2) << "\n";
    return 0;
}

// The batch's JSON (as cobranca_to_json(...).dump(2) writes it) built one
// title at a time: what lies before the title list once the header is read,
// each title as it comes. Output goes out in blocks; what a failed read has
// not yet sent is dropped, so a read that fails early prints nothing.
class JsonTitles {
public:
    explicit JsonTitles(const TcbCobranca& batch) : batch_(batch) { out_.reserve(kBlock + kBlock / 4); }

    void title(const TcbTitulo& t) {
        if (count_++ == 0) {
            const std::string head = cobranca_to_json(batch_).dump(2);
            out_.append(head, 0, head.rfind("[]") + 1);  // up to the list's opening bracket
            out_ += "\n    ";
        } else {
            out_ += ",\n    ";
        }
        append_titulo_json(t, 2, out_);
        if (out_.size() >= kBlock) send();
    }

    void finish() {
        if (count_ == 0) {
            out_ += cobranca_to_json(batch_).dump(2);
        } else {
            out_ += "\n  ]\n}";
        }
        out_ += '\n';
        send();
    }

private:
    static constexpr std::size_t kBlock = std::size_t(1) << 20;
    void send() {
        std::cout.write(out_.data(), std::streamsize(out_.size()));
        out_.clear();
    }
    const TcbCobranca& batch_;
    std::string out_;
    std::size_t count_ = 0;
};

// Reads a return file of bank `code` one title at a time and prints the batch as JSON.
int stream_and_print(const std::string& file, const std::string& code) {
    TcbCobranca batch;
    batch.NomeArquivoRetorno = file;
    TFileStream in(file, fmOpenRead);
    StreamLines lines(in);
    JsonTitles json(batch);
    ler_retorno(code, batch, lines, [&](const TcbTitulo& t) { json.title(t); });
    json.finish();
    return 0;
}

}  // namespace

int retorno(const std::vector<std::string>& a) {
    if (a.size() == 3 && a[0] == "--class") {
        // The LerRetorno that the named bank class (a client's too) publishes.
        const TClass cls = GetClass(a[1]);
        if (cls == nullptr) throw Exception("Classe de banco desconhecida: \"" + a[1] + "\"");
        const auto* ler = find_operation<SigLerRetorno>(cls, "LerRetorno");
        if (ler == nullptr) throw Exception(a[1] + " não publica LerRetorno");
        return read_and_print(a[2], *ler);
    }
    if (a.size() != 3 || a[0] != "--bank") return usage();
    return stream_and_print(a[2], Formatar(bank_code(a[1]), 3, false, '0'));
}

int codetext(const std::vector<std::string>& a) {
    if (a.size() < 4 || a[0] != "--bank" || (a[2] != "occ" && a[2] != "motive")) return usage();
    const std::string code = Formatar(bank_code(a[1]), 3, false, '0');
    const codetext::BankTexts* bank = codetext::find_bank(code);
    if (bank == nullptr) throw Exception("o banco " + code + " não tem textos de códigos");
    std::string out;
    for (std::size_t i = 3; i < a.size(); ++i) {
        out += a[2] == "occ" ? codetext::ocorrencia(*bank, a[i]) : codetext::motivo(*bank, a[i]);
        out += '\n';
    }
    std::cout << out;
    return 0;
}

}  // namespace billing::tool
