#include "billing/cbRemessa400.h"

#include "billing/BarCode.h"
#include "billing/cbBancos.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace billing {

using layout::Kind;
using layout::Mark;
using layout::Row;
using layout::Source;

namespace {

constexpr std::int64_t kPow10[] = {1,           10,           100,           1000,           10000,
                                   100000,      1000000,      10000000,      100000000,      1000000000,
                                   10000000000, 100000000000, 1000000000000, 10000000000000, 100000000000000,
                                   1000000000000000, 10000000000000000, 100000000000000000, 1000000000000000000};

// The highest record sequence number: six digits.
constexpr int kMaxSequencia = 999999;

bool fits(std::int64_t value, int digits) {
    return value >= 0 && (digits >= 19 || value < kPow10[digits]);
}

// Names, addresses and instructions: texts that a record may shorten. Every
// other field is a number or code and is refused rather than cut.
bool texto_livre(Source s) {
    switch (s) {
        case Source::CedenteNome:
        case Source::NomeBanco:
        case Source::Instrucoes:
        case Source::SacadoNome:
        case Source::SacadoEndereco:
        case Source::SacadoEnderecoCompleto:
        case Source::SacadoBairro:
        case Source::SacadoCidade:
            return true;
        default:
            return false;
    }
}

// Writes Formatar of value at the row's place in line.
void put_formatted(std::string& line, const Row& row, std::string_view value) {
    const bool left = row.mark == Mark::Lb || row.mark == Mark::L0;
    const char fill = row.mark == Mark::R0 || row.mark == Mark::L0 ? '0' : ' ';
    const std::string f = texto_livre(row.source) ? formatar_cortando(value, row.width, left, fill)
                                                   : Formatar(value, row.width, left, fill);
    if (static_cast<int>(f.size()) != row.width) throw Exception("Campo de largura inesperada na remessa");
    line.replace(static_cast<std::size_t>(row.first - 1), f.size(), f);
}

void put_digits(std::string& line, const Row& row, std::int64_t value) {
    char* out = line.data() + row.first - 1;
    for (int i = row.width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// ddmmyy, or ddmmyyyy in an 8-position row; a zero date writes the row's
// literal (the bank's "no date"). A row without one needs its date: a zero
// date there is refused, never written as the zero date 30/12/1899.
void put_date(std::string& line, const Row& row, TDateTime date, const RecordValues& values) {
    if (date == 0) {
        if (row.text.empty()) values.missing(row);
        line.replace(static_cast<std::size_t>(row.first - 1), row.text.size(), row.text);
        return;
    }
    Word y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    // ddmmyy[yy], each part its last digits.
    char buf[8];
    auto digits = [](char* out, unsigned v, int n) {
        for (int i = n - 1; i >= 0; --i, v /= 10) out[i] = static_cast<char>('0' + v % 10);
    };
    digits(buf, d, 2);
    digits(buf + 2, m, 2);
    digits(buf + 4, y, row.width == 8 ? 4 : 2);
    line.replace(static_cast<std::size_t>(row.first - 1), static_cast<std::size_t>(row.width), buf,
                 static_cast<std::size_t>(row.width));
}

void put_time(std::string& line, const Row& row, TDateTime date) {
    Word h = 0, m = 0, s = 0, ms = 0;
    DecodeTime(date, h, m, s, ms);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u%02u%02u", unsigned(h) % 100, unsigned(m) % 100, unsigned(s) % 100);
    line.replace(static_cast<std::size_t>(row.first - 1), 6, buf, 6);
}

std::string inscricao(TTipoInscricao kind) {
    switch (kind) {
        case tiPessoaFisica: return "01";
        case tiPessoaJuridica: return "02";
        case tiOutro: return "03";
    }
    return {};
}

// Formatar's text of a value, as wide as it comes (its cleaned characters).
std::string cleaned(std::string_view value) {
    std::string s = Formatar(value, static_cast<int>(value.size()), true, ' ');
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The parts joined by single blanks.
std::string join(std::initializer_list<std::string_view> parts) {
    std::string s;
    bool first = true;
    for (std::string_view p : parts) {
        if (!first) s += ' ';
        s += p;
        first = false;
    }
    return s;
}

// The values of one record: a title (none for the trailer) and the file's counters.
class TitleValues final : public RecordValues {
public:
    TitleValues(const TcbCobranca& batch, const TcbTitulo* titulo, int sequencia, int quantidade, Currency total)
        : batch_(batch), t_(titulo), sequencia_(sequencia), quantidade_(quantidade), total_(total) {}

    std::string ocorrencia;
    std::string especie;

    const TcbTitulo* titulo_ptr() const override { return t_; }

    std::string text(Source s) const override {
        const TcbTitulo& t = titulo();
        const TcbCedente& c = t.Cedente();
        const TcbContaBancaria& conta = c.ContaBancaria();
        const TcbPessoa& p = t.Sacado();
        const TcbEndereco& e = p.Endereco();
        switch (s) {
            case Source::CedenteInscricao: return inscricao(c.TipoInscricao());
            case Source::CedenteCPFCGC: return c.NumeroCPFCGC();
            case Source::CedenteNome: return c.Nome();
            case Source::CodigoCedente: return c.CodigoCedente();
            case Source::DigitoCodigoCedente: return c.DigitoCodigoCedente();
            case Source::CodigoCedenteComDigito: return c.CodigoCedente() + c.DigitoCodigoCedente();
            case Source::CodigoAgencia: return conta.CodigoAgencia();
            case Source::DigitoAgencia: return conta.DigitoAgencia();
            case Source::NumeroConta: return conta.NumeroConta();
            case Source::DigitoConta: return conta.DigitoConta();
            case Source::CodigoBanco: return conta.Banco().Codigo();
            case Source::NomeBanco: return conta.Banco().Nome();
            case Source::CedenteRegistro: return registro(c);
            case Source::SeuNumero: return t.SeuNumero();
            case Source::NossoNumero: return t.NossoNumero();
            case Source::DigitoNossoNumero: return t.DigitoNossoNumero();
            case Source::NumeroDocumento: return t.NumeroDocumento();
            case Source::Carteira: return t.Carteira();
            case Source::Ocorrencia: return ocorrencia;
            case Source::Especie: return especie;
            case Source::Aceite: return t.AceiteDocumento() == adSim ? "A" : "N";
            case Source::Instrucoes: return t.Instrucoes()->Text();
            case Source::DiasProtesto: return dias_protesto(t);
            case Source::SacadoInscricao: return inscricao(p.TipoInscricao());
            case Source::SacadoCPFCGC: return p.NumeroCPFCGC();
            case Source::SacadoNome: return p.Nome();
            case Source::SacadoEndereco: return join({e.Rua(), e.Numero(), e.Complemento()});
            case Source::SacadoEnderecoCompleto:
                return join({e.Rua(), e.Numero(), e.Complemento(), e.Bairro(), e.Cidade(), e.Estado()});
            case Source::SacadoBairro: return e.Bairro();
            case Source::SacadoCEP: return e.CEP();
            case Source::SacadoCidade: return e.Cidade();
            case Source::SacadoEstado: return e.Estado();
            case Source::SacadoRegistro: return registro(p);
            default: throw Exception("Campo de texto desconhecido na remessa");
        }
    }

    TDateTime date(Source s) const override {
        switch (s) {
            case Source::DataArquivo: return batch_.DataArquivo;
            case Source::DataProcessamento: return titulo().DataProcessamento();
            case Source::DataVencimento: return titulo().DataVencimento();
            case Source::DataDocumento: return titulo().DataDocumento();
            case Source::DataDesconto: return titulo().DataDesconto();
            default: throw Exception("Campo de data desconhecido na remessa");
        }
    }

    Currency money(Source s) const override {
        switch (s) {
            case Source::ValorTotal: return total_;
            case Source::ValorDocumento: return titulo().ValorDocumento();
            case Source::ValorMoraJuros: return titulo().ValorMoraJuros();
            case Source::ValorDesconto: return titulo().ValorDesconto();
            case Source::ValorIOF: return titulo().ValorIOF();
            case Source::ValorAbatimento: return titulo().ValorAbatimento();
            default: throw Exception("Campo de valor desconhecido na remessa");
        }
    }

    std::int64_t integer(Source s) const override {
        switch (s) {
            case Source::NumeroArquivo: return batch_.NumeroArquivo;
            case Source::Sequencia: return sequencia_;
            case Source::QuantidadeTitulos: return quantidade_;
            default: throw Exception("Campo numérico desconhecido na remessa");
        }
    }

    [[noreturn]] void refuse(const Row& row, std::string_view shown) const override {
        const std::string what(layout::source_name(row.source));
        const std::string digits = std::to_string(row.width);
        if (t_ != nullptr && layout::source_kind(row.source) == Kind::Money) {
            if (!shown.empty() && shown[0] == '-') {
                throw Exception(Format("O valor %s de %s do título de nosso número %s é negativo",
                                       {std::string(shown), what, t_->NossoNumero()}));
            }
            throw Exception(Format("O valor %s de %s do título de nosso número %s não cabe em %s dígitos",
                                   {std::string(shown), what, t_->NossoNumero(), digits}));
        }
        if (!shown.empty() && shown[0] == '-')
            throw Exception(Format("O valor %s de %s da remessa é negativo", {std::string(shown), what}));
        throw Exception(Format("O valor %s de %s da remessa não cabe em %s dígitos", {std::string(shown), what, digits}));
    }

private:
    const TcbTitulo& titulo() const {
        if (t_ == nullptr) throw Exception("Campo de título em registro sem título");
        return *t_;
    }

    // Banks 275 and 356: a person's eleven-digit CPF as its first nine digits,
    // "000" and its last two (a shorter one right-aligned with zeros first);
    // any other number over 14 positions. A number that cannot fit 14
    // positions is refused rather than cut.
    std::string registro(const TcbPessoa& p) const {
        const std::string n = cleaned(p.NumeroCPFCGC());
        if (n.size() > 14) {
            throw Exception(Format("O CPF/CNPJ %s do título de nosso número %s tem mais de 14 dígitos",
                                   {p.NumeroCPFCGC(), titulo().NossoNumero()}));
        }
        if (p.TipoInscricao() == tiPessoaFisica && n.size() <= 11) {
            const std::string d = Formatar(n, 11, false, '0');
            return d.substr(0, 9) + "000" + d.substr(9, 2);
        }
        return n;
    }

    // Banks 275 and 356: whole days from the due date to the protest date;
    // "00" below 4 days and for a title without a protest date.
    static std::string dias_protesto(const TcbTitulo& t) {
        if (t.DataProtesto() == 0) return "00";
        const double days = std::trunc(std::fabs(t.DataProtesto() - t.DataVencimento()));
        if (days < 4) return "00";
        if (days >= 100) {
            throw Exception(Format("O prazo de protesto de %s dias do título de nosso número %s não cabe em 2 dígitos",
                                   {std::to_string(static_cast<std::int64_t>(std::fmin(days, 1e15))), t.NossoNumero()}));
        }
        return std::to_string(static_cast<int>(days));
    }

    const TcbCobranca& batch_;
    const TcbTitulo* t_;
    int sequencia_;
    int quantidade_;
    Currency total_;
};

std::string codigo3(std::string_view code) { return Formatar(code, 3, false, '0'); }

}  // namespace

bool RecordValues::from_batch(layout::Source source) const {
    return source == Source::DataArquivo || source == Source::NumeroArquivo;
}

void RecordValues::missing(const layout::Row& row) const {
    const std::string what(layout::source_name(row.source));
    if (from_batch(row.source)) throw Exception(Format("Falta %s do lote, que a remessa exige", {what}));
    throw Exception(Format("Falta %s, que o registro da remessa exige (posições %d a %d)", {what, row.first, row.last}));
}

void RecordValues::too_long(const layout::Row& row, const ECampoNaoCabe& e) const {
    throw Exception(Format("O valor \"%s\" de %s não cabe nas %d posições do campo (%d a %d)",
                           {e.Valor(), std::string(layout::source_name(row.source)), row.width, row.first, row.last}));
}

bool campo_obrigatorio(layout::Source source, const TcbTitulo* titulo) {
    switch (source) {
        case Source::CedenteCPFCGC:
        case Source::CedenteNome:
        case Source::CodigoCedente:
        case Source::CodigoCedenteComDigito:
        case Source::CodigoAgencia:
        case Source::NumeroConta:
        case Source::CodigoBanco:
        case Source::CedenteRegistro:
        case Source::Carteira:
        case Source::SacadoCPFCGC:
        case Source::SacadoNome:
        case Source::SacadoRegistro:
            return true;
        case Source::NossoNumero:
            return titulo == nullptr || titulo->EmissaoBoleto() != ebBancoEmite;
        default:
            return false;
    }
}

std::unique_ptr<RecordValues> title_values(const TcbCobranca& batch, const TcbTitulo* titulo, int sequencia,
                                           std::string ocorrencia, std::string especie) {
    auto v = std::make_unique<TitleValues>(batch, titulo, sequencia, 0, Currency());
    v->ocorrencia = std::move(ocorrencia);
    v->especie = std::move(especie);
    return v;
}

void write_record(const layout::Record& rec, const RecordValues& values, std::string& line) {
    line.assign(static_cast<std::size_t>(rec.width), ' ');
    for (const Row& row : rec.Rows()) {
        switch (row.mark) {
            case Mark::Text:
                line.replace(static_cast<std::size_t>(row.first - 1), row.text.size(), row.text);
                break;
            case Mark::Fill:
                line.replace(static_cast<std::size_t>(row.first - 1), static_cast<std::size_t>(row.width),
                             static_cast<std::size_t>(row.width), row.fill);
                break;
            case Mark::Date:
            case Mark::Date8:
                put_date(line, row, values.date(row.source), values);
                break;
            case Mark::Time:
                put_time(line, row, values.date(row.source));
                break;
            case Mark::Cents: {
                const Currency value = values.money(row.source);
                const std::int64_t c = value.ToCents();
                if (!fits(c, row.width)) values.refuse(row, CurrToStr(value));
                put_digits(line, row, c);
                break;
            }
            default:
                if (layout::source_kind(row.source) == Kind::Integer) {
                    const std::int64_t n = values.integer(row.source);
                    if (!fits(n, row.width)) values.refuse(row, std::to_string(n));
                    put_formatted(line, row, std::to_string(n));
                } else {
                    const std::string text = values.text(row.source);
                    if (campo_obrigatorio(row.source, values.titulo_ptr()) && Trim(text).empty()) values.missing(row);
                    try {
                        put_formatted(line, row, text);
                    } catch (const ECampoNaoCabe& e) {
                        values.too_long(row, e);
                    }
                }
        }
    }
    if (static_cast<int>(line.size()) != rec.width) throw Exception("Registro de largura inesperada na remessa");
}

// ---------------------------------------------------------------------------

Remessa400::Remessa400(const layout::BankLayout& layout, std::string_view name, const TcbCobranca& batch,
                       LineSink& out)
    : layout_(layout), name_(name), batch_(batch), out_(out) {
    for (const Row& row : layout.trailer.Rows()) {
        if (row.source == Source::ValorTotal) total_digits_ = row.width;
    }
}

void Remessa400::header(const TcbTitulo& first) {
    TitleValues v(batch_, &first, 1, 0, Currency());
    write_record(layout_.header, v, line_);
    out_.line(line_);
}

void Remessa400::detail(const TcbTitulo& t) {
    const std::string code(layout_.code);
    if (codigo3(t.Cedente().ContaBancaria().Banco().Codigo()) != codigo3(code)) {
        throw Exception(Format("Titulo não pertence ao banco %s - %s", {code, name_}));
    }

    TitleValues v(batch_, &t, titles_ + 2, 0, Currency());
    v.ocorrencia = [&]() -> std::string {
        for (const layout::OcorrenciaCode& o : layout_.ocorrencias) {
            if (o.value == t.TipoOcorrencia()) return std::string(o.code);
        }
        switch (layout_.unknown_ocorrencia) {
            case layout::UnknownOcorrencia::EmptyCode:
                return {};
            case layout::UnknownOcorrencia::RaiseBanco:
                throw Exception(Format("Ocorrência de remessa inválida ou não disponível para o banco %s - %s", {code, name_}));
            case layout::UnknownOcorrencia::RaiseTitulo:
                throw Exception(Format("Ocorrência inválida em remessa - Nosso número: %s / Seu número: %s",
                                       {t.NossoNumero(), t.SeuNumero()}));
            case layout::UnknownOcorrencia::RaiseNome:
                throw Exception(Format("Ocorrência não disponível para %s", {name_}));
        }
        return {};
    }();
    v.especie = std::string(layout_.especie_default);
    for (const layout::EspecieCode& e : layout_.especies) {
        if (e.value == t.EspecieDocumento()) v.especie = std::string(e.code);
    }

    // The detail and the trailer after it must both be numbered in six digits.
    if (titles_ + 3 > kMaxSequencia) {
        throw Exception(Format("O título de nosso número %s passa do limite de %s registros do arquivo",
                               {t.NossoNumero(), std::to_string(kMaxSequencia)}));
    }
    const Currency total = total_ + t.ValorDocumento();
    if (total_digits_ > 0 && total.ToCents() >= 0 && !fits(total.ToCents(), total_digits_)) {
        throw Exception(Format("O total dos títulos passa de %s dígitos no título de nosso número %s",
                               {std::to_string(total_digits_), t.NossoNumero()}));
    }
    if (!layout_.has_detail) {
        throw Exception(Format("O layout CNAB400 do registro de detalhe não está disponível para o banco %s - %s",
                               {code, name_}));
    }

    write_record(layout_.detail, v, line_);
    if (code == "341") verificar_digito_conta_341(t);
    out_.line(line_);
    ++titles_;
    total_ = total;
}

void Remessa400::trailer() {
    TitleValues v(batch_, nullptr, titles_ + 2, titles_, total_);
    write_record(layout_.trailer, v, line_);
    out_.line(line_);
}

// ---------------------------------------------------------------------------

void Remessa400::no_titles() const {
    // The list's own error, worded for a person: which list is empty.
    TcbTitulos none;
    try {
        GetTitulo(none, 0);
    } catch (EListError& e) {
        e.SetMessage("Não há títulos para gerar remessa: a lista \"Titulos\" do lote está vazia");
        throw;
    }
    throw Exception("Não há títulos para gerar remessa");  // not reached: the list raises first
}

bool gerar_remessa_400(const layout::BankLayout& layout, std::string_view name, const ModelProfile& profile,
                       TcbCobranca& batch, TStringList& list) {
    ListSink sink(list);
    Remessa400 writer(layout, name, batch, sink);
    return write_list(writer, profile, batch, list);
}

bool remessa_frame_writes(std::string_view code, std::string_view name, TLayoutArquivo layout, TStringList* list) {
    const std::string c(code);
    const std::string n(name);
    switch (layout::remessa_frame(code)) {
        case layout::Frame::None:
            throw Exception(Format("Geração de arquivo remessa não está disponível para o banco %s - %s", {c, n}));
        case layout::Frame::Cnab400:
            return layout == laCNAB400;
        case layout::Frame::Cnab240And400:
            return layout == laCNAB400;  // laCNAB240 goes to the CNAB 240 writer
        case layout::Frame::Bradesco:
            if (layout == laCNAB240) {
                throw Exception(Format(
                    "A geração de arquivo de remessa para o %s não está está disponível para o layout laCNAB240", {n}));
            }
            if (layout != laCNAB400) throw Exception("Layout de arquivo inválido. Diferente de laCNAB400");
            return true;
        case layout::Frame::Only400:
            if (layout != laCNAB400) {
                if (list != nullptr) list->Clear();
                throw Exception(Format("CNAB400 é o único layout de cobrança disponível para o banco %s - %s", {c, n}));
            }
            return true;
        case layout::Frame::AnyLayout:
            return true;
    }
    return false;
}

bool gerar_remessa_cnab400(std::string_view code, TcbCobranca& batch, TStringList& list) {
    const std::string_view name = bank_row(code).name;
    return gerar_remessa_400(*layout::cnab400_layout(code), name, engine_profile(), batch, list);
}

}  // namespace billing
