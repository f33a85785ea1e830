#include "billing/cbRemessa240.h"

#include "billing/cbBancos.h"

#include <cmath>

namespace billing {

using layout::Source;

namespace {

// The highest record number in a batch: five digits.
constexpr int kMaxRegistroLote = 99999;

// Whole days from `from` to `to` when `to` lies after it, else 0.
std::int64_t days_after(TDateTime to, TDateTime from) {
    if (!(to > from)) return 0;
    return static_cast<std::int64_t>(std::fmin(std::trunc(to - from), 1e15));
}

std::string codigo3(std::string_view code) { return Formatar(code, 3, false, '0'); }

// The values of a CNAB 240 record: the CNAB 400 writer's, and the codes and
// counts that only this layout has.
class Values240 final : public RecordValues {
public:
    Values240(const TcbCobranca& batch, const TcbTitulo* titulo, int sequencia, std::string movimento,
              std::string especie, std::string emissao = {}, int registros = 0)
        : base_(title_values(batch, titulo, sequencia, std::move(movimento), std::move(especie))),
          batch_(batch),
          t_(titulo),
          emissao_(std::move(emissao)),
          registros_(registros) {}

    std::string text(Source s) const override {
        switch (s) {
            case Source::SacadoInscricao240:
                switch (titulo().Sacado().TipoInscricao()) {
                    case tiPessoaFisica: return "1";
                    case tiPessoaJuridica: return "2";
                    case tiOutro: return "9";
                }
                return "9";
            case Source::DigitoAgenciaConta: {
                const TcbContaBancaria& conta = titulo().Cedente().ContaBancaria();
                return ::Modulo11(Formatar(conta.CodigoAgencia(), 5, false, '0') +
                                    Formatar(conta.NumeroConta(), 12, false, '0'),
                                9, false);
            }
            case Source::AmbienteTeste: return batch_.AmbienteArquivo == 2 ? "REMESSA-TESTE" : "";
            case Source::Emissao: return emissao_;
            case Source::CodigoJuros: return juros() ? "1" : "0";
            case Source::CodigoJurosCaixa: return juros() ? "1" : "4";
            case Source::CodigoDesconto: return desconto() ? "1" : "0";
            case Source::CodigoProtesto: return titulo().DataProtesto() > titulo().DataVencimento() ? "1" : "3";
            case Source::CodigoBaixa: return titulo().DataBaixa() > titulo().DataVencimento() ? "1" : "2";
            default: return base_->text(s);
        }
    }

    TDateTime date(Source s) const override {
        switch (s) {
            case Source::DataJuros: return juros() ? titulo().DataMoraJuros() : 0;
            case Source::DataDesconto240: return desconto() ? titulo().DataDesconto() : 0;
            case Source::DataDescontoCaixa:
                return desconto() && titulo().DataDesconto() != 0 ? titulo().DataDesconto()
                                                                   : titulo().DataVencimento();
            default: return base_->date(s);
        }
    }

    Currency money(Source s) const override { return base_->money(s); }

    const TcbTitulo* titulo_ptr() const override { return t_; }

    std::int64_t integer(Source s) const override {
        switch (s) {
            case Source::DiasProtesto240: return days_after(titulo().DataProtesto(), titulo().DataVencimento());
            case Source::DiasBaixa: return days_after(titulo().DataBaixa(), titulo().DataVencimento());
            case Source::QuantidadeRegistros: return registros_;
            default: return base_->integer(s);
        }
    }

    [[noreturn]] void refuse(const layout::Row& row, std::string_view shown) const override {
        const std::string digits = std::to_string(row.width);
        if (row.source == Source::DiasProtesto240) {
            throw Exception(Format("O prazo de protesto de %s dias do título de nosso número %s não cabe em %s dígitos",
                                   {std::string(shown), titulo().NossoNumero(), digits}));
        }
        if (row.source == Source::DiasBaixa) {
            throw Exception(Format("O prazo de baixa de %s dias do título de nosso número %s não cabe em %s dígitos",
                                   {std::string(shown), titulo().NossoNumero(), digits}));
        }
        base_->refuse(row, shown);
        throw Exception("Campo recusado na remessa");  // not reached: refuse raises
    }

private:
    const TcbTitulo& titulo() const {
        if (t_ == nullptr) throw Exception("Campo de título em registro sem título");
        return *t_;
    }
    bool juros() const { return titulo().ValorMoraJuros() > Currency(); }
    bool desconto() const { return titulo().ValorDesconto() > Currency(); }

    std::unique_ptr<RecordValues> base_;
    const TcbCobranca& batch_;
    const TcbTitulo* t_;
    std::string emissao_;
    int registros_;
};

std::string emissao(const TcbTitulo& t) {
    switch (t.EmissaoBoleto()) {
        case ebBancoEmite: return "11";
        case ebClienteEmite: return "22";
        case ebBancoReemite: return "41";
        case ebBancoNaoReemite: return "52";
    }
    throw Exception(Format("Identificação inválida de emissão de boleto em remessa - Nosso número: %s / Seu número: %s",
                           {t.NossoNumero(), t.SeuNumero()}));
}

}  // namespace

Remessa240::Remessa240(const layout::BankLayout240& layout, std::string_view name, const TcbCobranca& batch,
                       LineSink& out)
    : layout_(layout), name_(name), batch_(batch), out_(out) {}

void Remessa240::check_bank(const TcbTitulo& t) const {
    if (codigo3(t.Cedente().ContaBancaria().Banco().Codigo()) != codigo3(layout_.code)) {
        throw Exception(Format("O título (Nosso Número: %s) não pertence ao banco %s (%s)",
                               {t.NossoNumero(), std::string(layout_.code), name_}));
    }
}

void Remessa240::header(const TcbTitulo& first) {
    if (layout_.only_240 && batch_.LayoutArquivo != laCNAB240) {
        throw Exception(Format("CNAB240 é o único layout disponível para o banco %s - %s",
                               {std::string(layout_.code), name_}));
    }
    check_bank(first);
    Values240 v(batch_, &first, 0, {}, {});
    write_record(layout_.file_header, v, line_);
    write_record(layout_.batch_header, v, second_);
    out_.line(line_);
    out_.line(second_);
}

void Remessa240::detail(const TcbTitulo& t) {
    check_bank(t);
    std::string movimento;
    for (const layout::OcorrenciaCode& o : layout_.movimentos) {
        if (o.value == t.TipoOcorrencia()) {
            movimento = o.code;
            break;
        }
    }
    if (movimento.empty()) {
        throw Exception(Format("Ocorrência inválida em remessa - Nosso número: %s / Seu número: %s",
                               {t.NossoNumero(), t.SeuNumero()}));
    }
    std::string especie(layout_.especie_default);
    for (const layout::EspecieCode& e : layout_.especies) {
        if (e.value == t.EspecieDocumento()) {
            especie = e.code;
            break;
        }
    }
    const std::string issue = emissao(t);
    const int p = 2 * titles_ + 1;
    if (p + 1 > kMaxRegistroLote) {
        throw Exception(Format("O título de nosso número %s passa do limite de %s registros do lote",
                               {t.NossoNumero(), std::to_string(kMaxRegistroLote)}));
    }
    // Both segments are made before either is written: a title is whole or absent.
    write_record(layout_.segment_p, Values240(batch_, &t, p, movimento, especie, issue), line_);
    write_record(layout_.segment_q, Values240(batch_, &t, p + 1, movimento, especie, issue), second_);
    out_.line(line_);
    out_.line(second_);
    ++titles_;
}

void Remessa240::trailer() {
    const int lines = 2 + 2 * titles_;
    write_record(layout_.batch_trailer, Values240(batch_, nullptr, 0, {}, {}, {}, lines), line_);
    write_record(layout_.file_trailer, Values240(batch_, nullptr, 0, {}, {}, {}, lines + 2), second_);
    out_.line(line_);
    out_.line(second_);
}

void Remessa240::no_titles() const { throw Exception("Não há títulos para gerar remessa"); }

bool gerar_remessa_240(const layout::BankLayout240& layout, std::string_view name, const ModelProfile& profile,
                       TcbCobranca& batch, TStringList& list) {
    ListSink sink(list);
    Remessa240 writer(layout, name, batch, sink);
    return write_list(writer, profile, batch, list);
}

bool gerar_remessa_cnab240(std::string_view code, TcbCobranca& batch, TStringList& list) {
    const layout::BankLayout240* layout = layout::cnab240_layout(code);
    if (layout == nullptr) {
        throw Exception(Format("A geração de arquivo de remessa no layout laCNAB240 não está disponível para o banco %s - %s",
                               {std::string(code), std::string(bank_row(code).name)}));
    }
    return gerar_remessa_240(*layout, bank_row(code).name, engine_profile(), batch, list);
}

}  // namespace billing
