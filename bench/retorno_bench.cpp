// Reads a CNAB 400 return through the bank's reader and writes the fields of
// every title as TSV (the columns of bench/retorno_fields.awk).
//
//   retorno_bench BANK FILE            streams the file: one title at a time
//   retorno_bench BANK FILE --batch    reads the whole file into the batch first

#include "billing/Startup.h"
#include "billing/cbRetorno400.h"
#include "platform/core/DateUtils.h"
#include "platform/os/Files.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

class FileLines : public billing::LineSource {
public:
    explicit FileLines(const char* path) : in_(path, std::ios::binary) {
        in_.rdbuf()->pubsetbuf(buffer_.data(), std::streamsize(buffer_.size()));
        if (!in_) throw Exception(std::string("cannot open ") + path);
    }
    bool next(std::string_view& line) override {
        if (!std::getline(in_, line_)) return false;
        if (!line_.empty() && line_.back() == '\r') line_.pop_back();
        line = line_;
        return true;
    }

private:
    std::vector<char> buffer_ = std::vector<char>(1 << 20);
    std::ifstream in_;
    std::string line_;
};

class Tsv {
public:
    ~Tsv() { flush(); }
    void title(const TcbTitulo& t) {
        const TcbContaBancaria& c = t.Cedente().ContaBancaria();
        text(t.NossoNumero());
        text(t.NumeroDocumento());
        text(t.SeuNumero());
        text(t.Carteira());
        text(c.CodigoAgencia());
        text(c.NumeroConta());
        text(c.DigitoConta());
        text(t.OcorrenciaOriginal());
        date(t.DataOcorrencia());
        money(t.ValorDocumento());
        money(t.ValorDespesaCobranca());
        money(t.ValorIOF());
        money(t.ValorAbatimento());
        money(t.ValorDesconto());
        money(t.ValorMoraJuros());
        money(t.ValorOutrosCreditos());
        date(t.DataCredito());
        text(t.MotivoRejeicaoComando());
        out_ += t.Sacado().Nome();
        out_ += '\n';
        if (out_.size() > (1 << 20)) flush();
    }

private:
    void text(const std::string& s) {
        out_ += s;
        out_ += '\t';
    }
    // YYYY-MM-DD as billing::date_text writes it, without printf.
    void date(TDateTime d) {
        if (d != 0) {
            Word y = 0, m = 0, day = 0;
            DecodeDate(d, y, m, day);
            char b[10] = {char('0' + y / 1000), char('0' + y / 100 % 10), char('0' + y / 10 % 10), char('0' + y % 10),
                          '-', char('0' + m / 10), char('0' + m % 10), '-', char('0' + day / 10), char('0' + day % 10)};
            out_.append(b, sizeof b);
        }
        out_ += '\t';
    }
    // Whole cents as billing::currency_text writes them ("123.45"), without printf.
    void money(Currency v) {
        std::int64_t cents = v.ToCents();
        if (cents < 0) {
            out_ += '-';
            cents = -cents;
        }
        out_ += std::to_string(cents / 100);
        out_ += '.';
        out_ += char('0' + cents / 10 % 10);
        out_ += char('0' + cents % 10);
        out_ += '\t';
    }
    void flush() {
        std::fwrite(out_.data(), 1, out_.size(), stdout);
        out_.clear();
    }
    std::string out_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: retorno_bench BANK FILE [--batch]\n";
        return 2;
    }
    billing::unit_startup();
    try {
        TcbCobranca batch;
        batch.NomeArquivoRetorno = argv[2];
        Tsv tsv;
        if (argc > 3 && std::string(argv[3]) == "--batch") {
            const std::string bytes = os::read_file(argv[2]);
            const std::vector<std::string_view> lines = billing::split_lines(bytes);
            billing::ler_retorno(argv[1], batch, lines);
            for (int i = 0; i < batch.Titulos.Count(); ++i) tsv.title(GetTitulo(batch.Titulos, i));
        } else {
            FileLines lines(argv[2]);
            billing::ler_retorno(argv[1], batch, lines, [&](const TcbTitulo& t) { tsv.title(t); });
        }
    } catch (const std::exception& e) {
        std::cerr << "retorno_bench: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
