#include "billing/cbRetorno240.h"

#include "billing/cbBancos.h"
#include "billing/cbCodeTexts.h"
#include "billing/cbRetornoCampos.h"

#include <algorithm>

namespace billing {

using namespace retorno;

namespace {

constexpr KindRow kTipos[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {6, toRetornoLiquidado},
    {9, toRetornoBaixado},
    {12, toRetornoRecebimentoInstrucaoConcederAbatimento},
    {13, toRetornoRecebimentoInstrucaoCancelarAbatimento},
    {14, toRetornoRecebimentoInstrucaoAlterarVencimento},
    {17, toRetornoLiquidado},
    {19, toRetornoRecebimentoInstrucaoProtestar},
    {20, toRetornoRecebimentoInstrucaoSustarProtesto},
    {23, toRetornoEncaminhadoACartorio},
    {24, toRetornoRetiradoDeCartorio},
    {25, toRetornoProtestado},
    {26, toRetornoComandoRecusado},
    {27, toRetornoRecebimentoInstrucaoAlterarDados},
    {28, toRetornoDebitoTarifas},
    {30, toRetornoRegistroRecusado},
    {36, toRetornoRecebimentoInstrucaoConcederDesconto},
    {37, toRetornoRecebimentoInstrucaoCancelarDesconto},
    {43, toRetornoProtestoOuSustacaoEstornado},
    {44, toRetornoBaixaOuLiquidacaoEstornada},
    {45, toRetornoDadosAlterados},
};
constexpr KindTable kTabela{kTipos, nullptr, toRetornoOutrasOcorrencias};

constexpr std::string_view kCaixa = "104";

[[noreturn]] void fail(const std::string& message) { throw Exception(message); }

[[noreturn]] void fail_length(std::uint64_t length) {
    fail(Format("Tamanho de registro diferente de 240 bytes. Tamanho = %d bytes", {length}));
}

// ddmmyyyy; an empty field (zero test) is no date.
TDateTime date8(std::string_view raw) {
    if (zero_test(raw, 8)) return 0;
    return EncodeDate(integer(slice(raw, 5, 8)), integer(slice(raw, 3, 4)), integer(slice(raw, 1, 2)));
}

// Whole cents; an empty field (zero test) is 0.
Currency amount(std::string_view raw) {
    return zero_test(raw, int(raw.size())) ? Currency() : money(Trim(std::string(raw)));
}

// A title holding only the payee data of the file header.
void fill_payee(TcbTitulo& t, std::string_view h) {
    TcbCedente& c = t.Cedente();
    const std::string_view kind = slice(h, 18, 18);
    c.SetTipoInscricao(kind == "1" ? tiPessoaFisica : kind == "2" ? tiPessoaJuridica : tiOutro);
    c.SetNumeroCPFCGC(decode(slice(h, 19, 32)));
    c.SetCodigoCedente(decode(slice(h, 33, 47)));
    c.SetDigitoCodigoCedente(decode(slice(h, 48, 48)));
    c.SetNome(Trim(decode(slice(h, 73, 102))));
    TcbContaBancaria& conta = c.ContaBancaria();
    conta.Banco().SetCodigo(decode(slice(h, 1, 3)));
    conta.SetCodigoAgencia(decode(slice(h, 53, 57)));
    conta.SetDigitoAgencia(decode(slice(h, 58, 58)));
    conta.SetNumeroConta(decode(slice(h, 59, 70)));
    conta.SetDigitoConta(decode(slice(h, 71, 71)));
}

void read_t(TcbTitulo& t, std::string_view l) {
    const std::string_view code = slice(l, 16, 17);
    t.SetOcorrenciaOriginal(decode(code));
    t.SetTipoOcorrencia(kind_of(kTabela, integer(code)));
    t.SetNossoNumero(decode(slice(l, 47, 56)));
    t.SetSeuNumero(decode(slice(l, 59, 69)));
    t.SetDataVencimento(date8(slice(l, 74, 81)));
    t.SetValorDocumento(amount(slice(l, 82, 96)));
    const std::string_view kind = slice(l, 133, 133);
    t.Sacado().SetTipoInscricao(kind == "1" ? tiPessoaFisica : kind == "2" ? tiPessoaJuridica : tiOutro);
    t.Sacado().SetNumeroCPFCGC(decode(slice(l, 135, 148)));
    t.Sacado().SetNome(Trim(decode(slice(l, 149, 188))));
    t.SetValorDespesaCobranca(amount(slice(l, 199, 213)));
    if (t.TipoOcorrencia() == toRetornoRegistroRecusado || t.TipoOcorrencia() == toRetornoComandoRecusado) {
        const std::string motive = decode(slice(l, 214, 215));
        const std::string_view text = codetext::text_of(codetext::motivos_104_cnab240(), integer(motive));
        t.SetDescricaoMotivoRejeicaoComando(text.empty() ? motive + " - Outros motivos" : std::string(text));
        t.SetMotivoRejeicaoComando(motive);
    }
}

void read_u(TcbTitulo& t, std::string_view l) {
    t.SetValorMoraJuros(amount(slice(l, 18, 32)));
    t.SetValorDesconto(amount(slice(l, 33, 47)));
    t.SetValorAbatimento(amount(slice(l, 48, 62)));
    t.SetValorIOF(amount(slice(l, 63, 77)));
    t.SetValorOutrasDespesas(amount(slice(l, 108, 122)));
    t.SetValorOutrosCreditos(amount(slice(l, 123, 137)));
    t.SetDataOcorrencia(date8(slice(l, 138, 145)));
    t.SetDataCredito(date8(slice(l, 146, 153)));
}

bool is_detail(std::string_view l) { return slice(l, 8, 8) == "3"; }

}  // namespace

void ler_cnab240(TcbCobranca& batch, std::string_view header, LineSource& rest, std::size_t count,
                 const TitleSink& sink) {
    // Fewer than four lines (headers and trailers) hold no title, unless the
    // file was cut after a detail.
    std::vector<std::string_view> few;
    SpanLines few_lines(few);
    LineSource* source = &rest;
    if (count < 4) {
        std::string_view l;
        while (rest.next(l)) few.push_back(l);
        if (std::none_of(few.begin(), few.end(), is_detail)) fail("O retorno está vazio. Não há dados para processar");
        few_lines = SpanLines(few);
        source = &few_lines;
    }
    if (header.size() != 240) {
        batch.LayoutArquivo = laInvalido;
        fail_length(header.size());
    }
    batch.LayoutArquivo = laCNAB240;
    if (slice(header, 143, 143) != "2") {
        fail(batch.NomeArquivoRetorno + " não é um arquivo de retorno de cobrança com layout CNAB240");
    }
    if (slice(header, 1, 3) != kCaixa) {
        fail(Format("Este não é um retorno de cobrança do banco %s - %s",
                    {std::string(kCaixa), std::string(bank_row(kCaixa).name)}));
    }
    if (slice(header, 8, 8) != "0") {
        fail("Este não é um registro HEADER válido para arquivo de retorno de cobrança com layout CNAB240");
    }

    // The checks above judge the file; from the batch header on, a refusal
    // names the line of its record.
    std::string_view lote;
    if (!source->next(lote)) fail("Este não é um lote de retorno de cobrança");
    at_line(2, [&] {
        if (lote.size() != 240) fail_length(source->length_of(lote));
        if (slice(lote, 9, 11) != "T01") fail("Este não é um lote de retorno de cobrança");
        const std::string_view numero = slice(lote, 184, 191);
        const int numero_arquivo = zero_test(numero, 8) ? 0 : integer(Trim(std::string(numero)));
        const TDateTime data_arquivo = date8(slice(lote, 192, 199));
        batch.NumeroArquivo = numero_arquivo;
        batch.DataArquivo = data_arquivo;
    });

    TcbTitulo payee;  // a new title with the header's payee data
    fill_payee(payee, header);
    TcbTitulo titulo;
    bool pending = false;  // a T segment waiting for its U
    auto fresh = [&] { titulo.CopiarDe(payee); };
    std::string_view line;
    std::uint64_t number = 2;  // the batch header's; counted where each record is read
    while (source->next(line)) {
        ++number;
        if (line.empty()) continue;  // a blank line (one at the end of a file) holds no record
        if (line.size() != 240) at_line(number, [&] { fail_length(source->length_of(line)); });
        const std::string_view segment = slice(line, 14, 14);
        const bool t = is_detail(line) && segment == "T";
        const bool u = is_detail(line) && segment == "U";
        if (pending && !u) {
            sink(titulo);
            pending = false;
        }
        if (t) {
            fresh();
            at_line(number, [&] { read_t(titulo, line); });
            pending = true;
        } else if (u) {
            if (!pending) fresh();
            at_line(number, [&] { read_u(titulo, line); });
            sink(titulo);
            pending = false;
        }
    }
    if (pending) sink(titulo);
}

}  // namespace billing
