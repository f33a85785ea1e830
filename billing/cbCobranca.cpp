#include "billing/cbCobranca.h"

#include "billing/cbPlugin.h"

#include <algorithm>
#include <array>

using billing::digit_values;
using billing::format_message;
using billing::ModelProfile;

// ---------------------------------------------------------------------------
// Check digits

std::string Modulo10(std::string_view digits) {
    std::vector<int> d = digit_values(digits);
    int sum = 0;
    int weight = 2;
    for (auto it = d.rbegin(); it != d.rend(); ++it) {
        int product = *it * weight;
        sum += product / 10 + product % 10;
        weight = weight == 2 ? 1 : 2;
    }
    int result = 10 - sum % 10;
    return std::to_string(result == 10 ? 0 : result);
}

namespace {

int weighted_sum_rising(std::string_view digits, int base) {
    std::vector<int> d = digit_values(digits);
    int sum = 0;
    int weight = 2;
    for (auto it = d.rbegin(); it != d.rend(); ++it) {
        sum += *it * weight;
        if (++weight > base) weight = 2;
    }
    return sum;
}

}  // namespace

std::string Modulo11(std::string_view digits, int base, bool raw) {
    return billing::Modulo11(billing::engine_profile(), digits, base, raw);
}

std::string billing::Modulo11(const ModelProfile& profile, std::string_view digits, int base, bool raw) {
    int r = weighted_sum_rising(digits, base) % 11;
    if (raw) return std::to_string(r);
    if (profile.modulo11 == Modulo11Rule::OneForSmall) {
        return (r == 0 || r == 1 || r == 10) ? "1" : std::to_string(11 - r);
    }
    return (r == 0 || r == 1) ? "0" : std::to_string(11 - r);
}

std::string Modulo11Decrescente(std::string_view digits, int base, bool raw) {
    std::vector<int> d = digit_values(digits);
    int sum = 0;
    int weight = base;
    for (auto it = d.rbegin(); it != d.rend(); ++it) {
        sum += *it * weight;
        if (--weight < 2) weight = base;
    }
    int r = sum % 11;
    if (raw) return std::to_string(r);
    return (r == 0 || r == 1) ? "1" : std::to_string(11 - r);
}

// ---------------------------------------------------------------------------
// Formatar

namespace {

// Decodes UTF-8 into code points; a byte that starts no valid sequence stands
// for itself as a code point above 0x10FFFF, which the formatter blanks.
std::vector<char32_t> decode_utf8(std::string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    constexpr char32_t kInvalid = 0x110000;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            n = 1;
            cp = b;
        } else if (b >= 0xC2 && b < 0xE0) {
            n = 2;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b < 0xF0) {
            n = 3;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b < 0xF5) {
            n = 4;
            cp = b & 0x07;
        }
        bool ok = n > 0 && i + n <= s.size();
        for (std::size_t k = 1; ok && k < n; ++k) {
            unsigned char c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out.push_back(kInvalid);
            ++i;
        } else {
            out.push_back(cp);
            i += n;
        }
    }
    return out;
}

// Upper case as the Windows-1252 locale conversion does it for the letters
// the formatter keeps (ASCII and the accented Latin-1 letters).
char32_t upper(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    return c;
}

char clean(char32_t c) {
    if (c >= 32 && c <= 126 && c != '?') return static_cast<char>(c);
    if (c >= 0xC0 && c <= 0xC4) return 'A';
    if (c == 0xC7) return 'C';
    if (c >= 0xC8 && c <= 0xCB) return 'E';
    if (c >= 0xCC && c <= 0xCF) return 'I';
    if (c == 0xD1) return 'N';
    if (c >= 0xD2 && c <= 0xD6) return 'O';
    if (c >= 0xD9 && c <= 0xDC) return 'U';
    return ' ';
}

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

}  // namespace

std::string Formatar(std::string_view text, int width, bool left_aligned, char fill) {
    bool usable = (fill >= '0' && fill <= '9') || (fill >= 'A' && fill <= 'Z') || (fill >= 'a' && fill <= 'z');
    char pad = ascii_upper(usable ? fill : ' ');
    std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;

    std::vector<char32_t> cps = decode_utf8(text);
    std::size_t first = 0;
    std::size_t last = cps.size();
    while (first < last && cps[first] <= 32) ++first;
    while (last > first && cps[last - 1] <= 32) --last;

    std::string cleaned;
    cleaned.reserve(last - first);
    for (std::size_t i = first; i < last; ++i) cleaned += clean(upper(cps[i]));

    std::size_t n = cleaned.size();
    std::size_t p = w > n ? w - n : 0;
    if (left_aligned) return cleaned.substr(0, w) + std::string(p, pad);
    return std::string(p, pad) + (n > w ? cleaned.substr(n - w) : cleaned);
}

// ---------------------------------------------------------------------------
// Model

void TcbModelObject::CheckSameModel(const TcbModelObject& other) const {
    if (other.profile_ != profile_) throw EInvalidCast("Invalid class typecast");
}

void TcbEndereco::SetEstado(std::string_view value) { Estado_ = std::string(value.substr(0, 2)); }

void TcbEndereco::SetCEP(std::string_view value) { CEP_ = std::string(value.substr(0, 8)); }

void TcbEndereco::CopiarDe(const TcbEndereco& source) {
    CheckSameModel(source);
    Rua_ = source.Rua_;
    Numero_ = source.Numero_;
    Complemento_ = source.Complemento_;
    Bairro_ = source.Bairro_;
    Cidade_ = source.Cidade_;
    Estado_ = source.Estado_;
    CEP_ = source.CEP_;
    EMail_ = source.EMail_;
}

void TcbBanco::SetCodigo(std::string_view value) {
    std::string code = Formatar(value, 3, false, '0');
    if (code == "000") {
        Codigo_.clear();
    } else if (code != Codigo_) {
        Codigo_ = std::move(code);
    }
}

std::string TcbBanco::Digito() const {
    if (Codigo_.empty()) return {};
    return billing::Modulo11(Profile(), Codigo_, 9, false);
}

std::string TcbBanco::Nome() const { return billing::NomeBanco(Profile(), Codigo_); }

void TcbBanco::CopiarDe(const TcbBanco& source) {
    CheckSameModel(source);
    SetCodigo(source.Codigo_);
}

void TcbContaBancaria::CopiarDe(const TcbContaBancaria& source) {
    CheckSameModel(source);
    Banco_.CopiarDe(source.Banco_);
    CodigoAgencia_ = source.CodigoAgencia_;
    DigitoAgencia_ = source.DigitoAgencia_;
    NumeroConta_ = source.NumeroConta_;
    DigitoConta_ = source.DigitoConta_;
    NomeCliente_ = source.NomeCliente_;
}

void TcbPessoa::CopiarDe(const TcbPessoa& source) {
    CheckSameModel(source);
    TipoInscricao_ = source.TipoInscricao_;
    NumeroCPFCGC_ = source.NumeroCPFCGC_;
    Nome_ = source.Nome_;
    Endereco_.CopiarDe(source.Endereco_);
    ContaBancaria_.CopiarDe(source.ContaBancaria_);
}

void TcbCedente::CopiarDe(const TcbCedente& source) {
    TcbPessoa::CopiarDe(source);
    SetCodigoCedente(source.CodigoCedente());
    SetDigitoCodigoCedente(source.DigitoCodigoCedente());
}

TcbTitulo::TcbTitulo(const ModelProfile& profile)
    : TcbModelObject(profile),
      LocalPagamento_(profile.local_pagamento),
      Cedente_(std::make_unique<TcbCedente>(profile)),
      Sacado_(std::make_unique<TcbPessoa>(profile)) {
    if (!profile.full) throw EInvalidCast("Invalid class typecast");
}

void TcbTitulo::CopiarDe(const TcbTitulo& source) {
    CheckSameModel(source);
    OcorrenciaOriginal_ = source.OcorrenciaOriginal_;
    DescricaoOcorrenciaOriginal_ = source.DescricaoOcorrenciaOriginal_;
    TipoOcorrencia_ = source.TipoOcorrencia_;
    MotivoRejeicaoComando_ = source.MotivoRejeicaoComando_;
    DescricaoMotivoRejeicaoComando_ = source.DescricaoMotivoRejeicaoComando_;
    Cedente_->CopiarDe(*source.Cedente_);
    Sacado_->CopiarDe(*source.Sacado_);
    LocalPagamento_ = source.LocalPagamento_;
    SeuNumero_ = source.SeuNumero_;
    NossoNumero_ = source.NossoNumero_;
    NumeroDocumento_ = source.NumeroDocumento_;
    Carteira_ = source.Carteira_;
    AceiteDocumento_ = source.AceiteDocumento_;
    EspecieDocumento_ = source.EspecieDocumento_;
    DataProcessamento_ = source.DataProcessamento_;
    DataDocumento_ = source.DataDocumento_;
    DataVencimento_ = source.DataVencimento_;
    DataOcorrencia_ = source.DataOcorrencia_;
    DataCredito_ = source.DataCredito_;
    DataAbatimento_ = source.DataAbatimento_;
    DataDesconto_ = source.DataDesconto_;
    DataMoraJuros_ = source.DataMoraJuros_;
    DataProtesto_ = source.DataProtesto_;
    DataBaixa_ = source.DataBaixa_;
    ValorDocumento_ = source.ValorDocumento_;
    ValorDespesaCobranca_ = source.ValorDespesaCobranca_;
    ValorAbatimento_ = source.ValorAbatimento_;
    ValorDesconto_ = source.ValorDesconto_;
    ValorMoraJuros_ = source.ValorMoraJuros_;
    ValorIOF_ = source.ValorIOF_;
    ValorOutrasDespesas_ = source.ValorOutrasDespesas_;
    ValorOutrosCreditos_ = source.ValorOutrosCreditos_;
    Instrucoes_ = source.Instrucoes_;
    Mensagens_ = source.Mensagens_;
    EmissaoBoleto_ = source.EmissaoBoleto_;
    NumeroAns_ = source.NumeroAns_;
    EspecieDoc2_ = source.EspecieDoc2_;
    Sacador_ = source.Sacador_;
}

std::string TcbTitulo::DigitoNossoNumero() const { return billing::DigitoNossoNumero(Profile(), *this); }

// ---------------------------------------------------------------------------
// Title list

TcbTitulo& billing::GetTitulo(const ModelProfile& profile, TcbTitulos& list, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        throw EListError(format_message("List index out of bounds (%d)", {std::to_string(index)}));
    }
    TcbTitulo* title = list[static_cast<std::size_t>(index)].get();
    if (title == nullptr || &title->Profile() != &profile) throw EInvalidCast("Invalid class typecast");
    return *title;
}

void billing::AdicionarCopia(const ModelProfile& profile, TcbTitulos& list, const TcbTitulo& title) {
    auto copy = std::make_unique<TcbTitulo>(profile);
    copy->CopiarDe(title);
    list.push_back(std::move(copy));
}

TcbTitulo& GetTitulo(TcbTitulos& list, int index) { return billing::GetTitulo(billing::engine_profile(), list, index); }

void AdicionarCopia(TcbTitulos& list, const TcbTitulo& title) {
    billing::AdicionarCopia(billing::engine_profile(), list, title);
}

// ---------------------------------------------------------------------------
// Plug-in lookups

namespace {

std::string class_name(const ModelProfile& profile, const std::string& code, std::string_view suffix) {
    return std::string(profile.prefix) + code + std::string(suffix);
}

}  // namespace

std::string billing::NomeBanco(const ModelProfile& profile, std::string_view codigo) {
    const std::string code = Formatar(codigo, 3, false, '0');
    const PluginClass* cls = profile.prefix.empty() ? nullptr
                                                    : FindPluginClass(class_name(profile, code, profile.name_suffix));
    if (cls == nullptr) throw Exception(format_message("O banco %s não está disponível", {code}));
    auto op = cls->Find<OpGetNomeBanco>("GetNomeBanco");
    if (op == nullptr) throw Exception(format_message("O nome do banco %s não está disponível", {code}));
    return op();
}

std::string billing::DigitoNossoNumero(const ModelProfile& profile, const TcbTitulo& title) {
    const std::string code = Formatar(title.Cedente().ContaBancaria().Banco().Codigo(), 3, false, '0');
    const PluginClass* cls = profile.holds(kHelperDigitoNossoNumero)
                                 ? FindPluginClass(class_name(profile, code, profile.digit_suffix))
                                 : nullptr;
    if (cls == nullptr) {
        throw Exception(format_message("Os boletos para o banco %s não estão disponíveis", {code}));
    }
    auto op = cls->Find<OpTituloTexto>("CalcularDigitoNossoNumero");
    if (op == nullptr) {
        throw Exception(
            format_message("O cálculo do dígito do nosso número para o banco %s não está disponível", {code}));
    }
    return op(title);
}

// ---------------------------------------------------------------------------
// Enumeration names

namespace {

constexpr std::array<std::string_view, 31> kEspecieNames = {
    "edAluguel", "edApoliceSeguro", "edCheque", "edContrato", "edContribuicaoConfederativa", "edCosseguros",
    "edDividaAtivaEstado", "edDividaAtivaMunicipio", "edDividaAtivaUniao", "edDuplicataMercantil",
    "edDuplicataMercantialIndicacao", "edDuplicataRural", "edDuplicataServico", "edDuplicataServicoIndicacao",
    "edFatura", "edLetraCambio", "edMensalidadeEscolar", "edNotaCreditoComercial", "edNotaCreditoExportacao",
    "edNotaCreditoIndustrial", "edNotaCreditoRural", "edNotaDebito", "edNotaPromissoria", "edNotaPromissoriaRural",
    "edNotaSeguro", "edOutros", "edParcelaConsorcio", "edRecibo", "edTriplicataMercantil", "edTriplicataServico",
    "edWarrant",
};

constexpr std::array<std::string_view, 71> kOcorrenciaNames = {
    "toRemessaRegistrar", "toRemessaBaixar", "toRemessaDebitarEmConta", "toRemessaConcederAbatimento",
    "toRemessaCancelarAbatimento", "toRemessaConcederDesconto", "toRemessaCancelarDesconto",
    "toRemessaAlterarVencimento", "toRemessaProtestar", "toRemessaCancelarInstrucaoProtesto",
    "toRemessaDispensarJuros", "toRemessaAlterarNomeEnderecoSacado", "toRemessaAlterarNumeroControle",
    "toRemessaOutrasOcorrencias", "toRetornoRegistroConfirmado", "toRetornoRegistroRecusado",
    "toRetornoComandoRecusado", "toRetornoLiquidado", "toRetornoLiquidadoEmCartorio",
    "toRetornoLiquidadoParcialmente", "toRetornoLiquidadoSaldoRestante", "toRetornoLiquidadoSemRegistro",
    "toRetornoLiquidadoPorConta", "toRetornoBaixaSolicitada", "toRetornoBaixado", "toRetornoBaixadoPorDevolucao",
    "toRetornoBaixadoFrancoPagamento", "toRetornoBaixaPorProtesto", "toRetornoRecebimentoInstrucaoBaixar",
    "toRetornoBaixaOuLiquidacaoEstornada", "toRetornoTituloEmSer", "toRetornoRecebimentoInstrucaoConcederAbatimento",
    "toRetornoAbatimentoConcedido", "toRetornoRecebimentoInstrucaoCancelarAbatimento",
    "toRetornoAbatimentoCancelado", "toRetornoRecebimentoInstrucaoConcederDesconto", "toRetornoDescontoConcedido",
    "toRetornoRecebimentoInstrucaoCancelarDesconto", "toRetornoDescontoCancelado",
    "toRetornoRecebimentoInstrucaoAlterarDados", "toRetornoDadosAlterados",
    "toRetornoRecebimentoInstrucaoAlterarVencimento", "toRetornoVencimentoAlterado",
    "toRetornoAlteracaoDadosNovaEntrada", "toRetornoAlteracaoDadosBaixa", "toRetornoRecebimentoInstrucaoProtestar",
    "toRetornoProtestado", "toRetornoRecebimentoInstrucaoSustarProtesto", "toRetornoProtestoSustado",
    "toRetornoInstrucaoProtestoRejeitadaSustadaOuPendente", "toRetornoDebitoEmConta",
    "toRetornoRecebimentoInstrucaoAlterarNomeSacado", "toRetornoNomeSacadoAlterado",
    "toRetornoRecebimentoInstrucaoAlterarEnderecoSacado", "toRetornoEnderecoSacadoAlterado",
    "toRetornoEncaminhadoACartorio", "toRetornoRetiradoDeCartorio", "toRetornoRecebimentoInstrucaoDispensarJuros",
    "toRetornoJurosDispensados", "toRetornoManutencaoTituloVencido",
    "toRetornoRecebimentoInstrucaoAlterarTipoCobranca", "toRetornoTipoCobrancaAlterado",
    "toRetornoDespesasProtesto", "toRetornoDespesasSustacaoProtesto", "toRetornoDebitoCustasAntecipadas",
    "toRetornoCustasCartorioDistribuidor", "toRetornoCustasEdital", "toRetornoProtestoOuSustacaoEstornado",
    "toRetornoDebitoTarifas", "toRetornoAcertoDepositaria", "toRetornoOutrasOcorrencias",
};

constexpr std::array<std::string_view, 3> kInscricaoNames = {"tiPessoaFisica", "tiPessoaJuridica", "tiOutro"};
constexpr std::array<std::string_view, 2> kAceiteNames = {"adSim", "adNao"};
constexpr std::array<std::string_view, 4> kEmissaoNames = {"ebBancoEmite", "ebClienteEmite", "ebBancoReemite",
                                                           "ebBancoNaoReemite"};

static_assert(kEspecieNames.size() == edWarrant + 1);
static_assert(kOcorrenciaNames.size() == toRetornoOutrasOcorrencias + 1);

}  // namespace

std::span<const std::string_view> billing::especie_documento_names() { return kEspecieNames; }
std::span<const std::string_view> billing::tipo_ocorrencia_names() { return kOcorrenciaNames; }
std::span<const std::string_view> billing::tipo_inscricao_names() { return kInscricaoNames; }
std::span<const std::string_view> billing::aceite_documento_names() { return kAceiteNames; }
std::span<const std::string_view> billing::emissao_boleto_names() { return kEmissaoNames; }

int billing::enum_value(std::span<const std::string_view> names, std::string_view name) {
    auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}
