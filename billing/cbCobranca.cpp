#include "billing/cbCobranca.h"

#include "billing/DigitSchemes.h"
#include "billing/cbPlugin.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/CodePages.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>

using billing::digit_values;
using billing::ModelProfile;
using core::PropValue;

// ---------------------------------------------------------------------------
// Digit texts

std::vector<int> billing::digit_values(std::string_view text) {
    // Each character goes through the class library's integer conversion, from
    // the last to the first, as the check-digit functions read them.
    std::vector<std::string_view> chars;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        char32_t c;
        core::next_code_point(text, i, c);
        chars.push_back(text.substr(start, i - start));
    }
    std::vector<int> digits(chars.size());
    for (std::size_t k = chars.size(); k-- > 0;) {
        const std::string_view c = chars[k];
        if (c.size() == 1 && c[0] >= '0' && c[0] <= '9') {
            digits[k] = c[0] - '0';
        } else {
            digits[k] = StrToInt(c);  // raises the conversion error for anything but a digit
            if (digits[k] < 0 || digits[k] > 9) throw EConvertError(Format("'%s' is not a valid integer value", {c}));
        }
    }
    return digits;
}

// ---------------------------------------------------------------------------
// Check digits

std::string Modulo10(std::string_view digits) { return billing::digit_of(billing::scheme_modulo10(), digits); }

std::string Modulo11(std::string_view digits, int base, bool raw) {
    return billing::Modulo11(billing::engine_profile(), digits, base, raw);
}

std::string billing::Modulo11(const ModelProfile& profile, std::string_view digits, int base, bool raw) {
    const DigitScheme& scheme =
        profile.modulo11 == Modulo11Rule::OneForSmall ? scheme_modulo11_one() : scheme_modulo11();
    return raw ? remainder_of(scheme, digits, base) : digit_of(scheme, digits, base);
}

std::string Modulo11Decrescente(std::string_view digits, int base, bool raw) {
    const billing::DigitScheme& scheme = billing::scheme_modulo11_decrescente();
    return raw ? billing::remainder_of(scheme, digits, base) : billing::digit_of(scheme, digits, base);
}

// ---------------------------------------------------------------------------
// Formatar

namespace {

// Decodes UTF-8 into code points; a byte that starts no valid sequence stands
// for itself as a code point above 0x10FFFF, which the formatter blanks.
std::vector<char32_t> decode_utf8(std::string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        char32_t cp;
        out.push_back(core::next_code_point(s, i, cp) ? cp : char32_t(0x110000));
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

billing::ECampoNaoCabe::ECampoNaoCabe(std::string value, int width)
    : Exception(Format("O valor \"%s\" não cabe no campo de %d caracteres", {value, width})),
      valor_(std::move(value)),
      largura_(width) {}

namespace {

std::string formatar(std::string_view text, int width, bool left_aligned, char fill, bool check) {
    bool usable = (fill >= '0' && fill <= '9') || (fill >= 'A' && fill <= 'Z') || (fill >= 'a' && fill <= 'z');
    char pad = ascii_upper(usable ? fill : ' ');
    std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;

    std::string cleaned;
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        // ASCII: each byte is its code point.
        std::size_t first = 0;
        std::size_t last = text.size();
        while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
        while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
        cleaned.resize(last - first);
        for (std::size_t i = first; i < last; ++i) cleaned[i - first] = clean(upper(static_cast<unsigned char>(text[i])));
    } else {
        std::vector<char32_t> cps = decode_utf8(text);
        std::size_t first = 0;
        std::size_t last = cps.size();
        while (first < last && cps[first] <= 32) ++first;
        while (last > first && cps[last - 1] <= 32) --last;
        cleaned.reserve(last - first);
        for (std::size_t i = first; i < last; ++i) cleaned += clean(upper(cps[i]));
    }

    std::size_t n = cleaned.size();
    if (check && n > w) {
        const std::string_view lost =
            left_aligned ? std::string_view(cleaned).substr(w) : std::string_view(cleaned).substr(0, n - w);
        for (char c : lost) {
            if (c >= '1' && c <= '9') throw billing::ECampoNaoCabe(Trim(std::string(text)), width);
        }
    }
    const std::size_t p = w > n ? w - n : 0;
    if (left_aligned) {
        cleaned.resize(std::min(n, w));
        cleaned.append(p, pad);
        return cleaned;
    }
    if (n > w) return cleaned.substr(n - w);
    cleaned.insert(0, p, pad);
    return cleaned;
}

}  // namespace

std::string Formatar(std::string_view text, int width, bool left_aligned, char fill) {
    return formatar(text, width, left_aligned, fill, true);
}

std::string billing::formatar_cortando(std::string_view text, int width, bool left_aligned, char fill) {
    return formatar(text, width, left_aligned, fill, false);
}

// ---------------------------------------------------------------------------
// Model

void billing::check_same_model(const ModelProfile& a, const ModelProfile& b) {
    if (&a != &b) throw EInvalidCast("Invalid class typecast");
}

void TcbEndereco::SetEstado(const std::string& value) { Estado_ = core::utf8_prefix(value, 2); }

void TcbEndereco::SetCEP(const std::string& value) { CEP_ = core::utf8_prefix(value, 8); }

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

void TcbBanco::SetCodigo(const std::string& value) {
    // The setter keeps the code's last three characters (1234 stores 234).
    std::string code = billing::formatar_cortando(value, 3, false, '0');
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

TcbTitulo::TcbTitulo(const ModelProfile& profile, TComponent* AOwner)
    : TComponent(AOwner),
      LocalPagamento_(profile.local_pagamento),
      profile_(&profile),
      Cedente_(std::make_unique<TcbCedente>(profile)),
      Sacado_(std::make_unique<TcbPessoa>(profile)),
      Instrucoes_(std::make_unique<TStringList>()),
      Mensagens_(std::make_unique<TStringList>()) {
    if (!profile.full) throw EInvalidCast("Invalid class typecast");
}

TcbTitulo::~TcbTitulo() = default;

void TcbTitulo::CopiarDe(const TcbTitulo& source) {
    billing::check_same_model(*profile_, *source.profile_);
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
    Instrucoes_->Assign(source.Instrucoes_.get());
    Mensagens_->Assign(source.Mensagens_.get());
    EmissaoBoleto_ = source.EmissaoBoleto_;
    NumeroAns_ = source.NumeroAns_;
    EspecieDoc2_ = source.EspecieDoc2_;
    Sacador_ = source.Sacador_;
}

std::string TcbTitulo::DigitoNossoNumero() const { return billing::DigitoNossoNumero(Profile(), *this); }

// ---------------------------------------------------------------------------
// Class descriptions: one set per model, named after the model's classes.

namespace {

using Classes = std::array<TClassInfo, 6>;

std::vector<std::string> names_of(std::span<const std::string_view> names) {
    return {names.begin(), names.end()};
}

void describe(const ModelProfile& profile, Classes& c) {
    const ModelProfile* p = &profile;
    using billing::kBanco;
    using billing::kCedente;
    using billing::kContaBancaria;
    using billing::kEndereco;
    using billing::kPessoa;
    using billing::kTitulo;

    c[kEndereco] = core::ClassBuilder<TcbEndereco>(std::string(profile.part_classes[kEndereco]))
                       .String("Rua", &TcbEndereco::Rua, &TcbEndereco::SetRua)
                       .String("Numero", &TcbEndereco::Numero, &TcbEndereco::SetNumero)
                       .String("Complemento", &TcbEndereco::Complemento, &TcbEndereco::SetComplemento)
                       .String("Bairro", &TcbEndereco::Bairro, &TcbEndereco::SetBairro)
                       .String("Cidade", &TcbEndereco::Cidade, &TcbEndereco::SetCidade)
                       .String("Estado", &TcbEndereco::Estado, &TcbEndereco::SetEstado)
                       .String("CEP", &TcbEndereco::CEP, &TcbEndereco::SetCEP)
                       .String("EMail", &TcbEndereco::EMail, &TcbEndereco::SetEMail)
                       .Factory([p](TComponent*) -> TObject* { return new TcbEndereco(*p); })
                       .Build();
    c[kBanco] = core::ClassBuilder<TcbBanco>(std::string(profile.part_classes[kBanco]))
                    .String("Codigo", &TcbBanco::Codigo, &TcbBanco::SetCodigo)
                    .String("Digito", &TcbBanco::Digito)
                    .String("Nome", &TcbBanco::Nome)
                    .Factory([p](TComponent*) -> TObject* { return new TcbBanco(*p); })
                    .Build();
    c[kContaBancaria] =
        core::ClassBuilder<TcbContaBancaria>(std::string(profile.part_classes[kContaBancaria]))
            .Object("Banco", [](const TcbContaBancaria& x) { return const_cast<TcbBanco*>(&x.Banco()); })
            .String("CodigoAgencia", &TcbContaBancaria::CodigoAgencia, &TcbContaBancaria::SetCodigoAgencia)
            .String("DigitoAgencia", &TcbContaBancaria::DigitoAgencia, &TcbContaBancaria::SetDigitoAgencia)
            .String("NumeroConta", &TcbContaBancaria::NumeroConta, &TcbContaBancaria::SetNumeroConta)
            .String("DigitoConta", &TcbContaBancaria::DigitoConta, &TcbContaBancaria::SetDigitoConta)
            .String("NomeCliente", &TcbContaBancaria::NomeCliente, &TcbContaBancaria::SetNomeCliente)
            .Factory([p](TComponent*) -> TObject* { return new TcbContaBancaria(*p); })
            .Build();
    c[kPessoa] = core::ClassBuilder<TcbPessoa>(std::string(profile.part_classes[kPessoa]))
                     .Enum("TipoInscricao", names_of(billing::tipo_inscricao_names()), &TcbPessoa::TipoInscricao,
                           &TcbPessoa::SetTipoInscricao)
                     .String("NumeroCPFCGC", &TcbPessoa::NumeroCPFCGC, &TcbPessoa::SetNumeroCPFCGC)
                     .String("Nome", &TcbPessoa::Nome, &TcbPessoa::SetNome)
                     .Object("Endereco", [](const TcbPessoa& x) { return const_cast<TcbEndereco*>(&x.Endereco()); })
                     .Object("ContaBancaria", [](const TcbPessoa& x) { return const_cast<TcbContaBancaria*>(&x.ContaBancaria()); })
                     .Factory([p](TComponent*) -> TObject* { return new TcbPessoa(*p); })
                     .Build();
    c[kCedente] = core::ClassBuilder<TcbCedente>(std::string(profile.part_classes[kCedente]))
                      .String("CodigoCedente", &TcbCedente::CodigoCedente, &TcbCedente::SetCodigoCedente)
                      .String("DigitoCodigoCedente", &TcbCedente::DigitoCodigoCedente,
                              &TcbCedente::SetDigitoCodigoCedente)
                      .Factory([p](TComponent*) -> TObject* { return new TcbCedente(*p); })
                      .Build();
    using T = TcbTitulo;
    c[kTitulo] =
        core::ClassBuilder<T>(std::string(profile.title_class))
            .Enum("TipoOcorrencia", names_of(billing::tipo_ocorrencia_names()), &T::TipoOcorrencia,
                  &T::SetTipoOcorrencia)
            .Default(int(toRemessaRegistrar))
            .String("OcorrenciaOriginal", &T::OcorrenciaOriginal, &T::SetOcorrenciaOriginal)
            .String("DescricaoOcorrenciaOriginal", &T::DescricaoOcorrenciaOriginal, &T::SetDescricaoOcorrenciaOriginal)
            .String("MotivoRejeicaoComando", &T::MotivoRejeicaoComando, &T::SetMotivoRejeicaoComando)
            .String("DescricaoMotivoRejeicaoComando", &T::DescricaoMotivoRejeicaoComando,
                    &T::SetDescricaoMotivoRejeicaoComando)
            .String("LocalPagamento", &T::LocalPagamento, &T::SetLocalPagamento)
            .Default(PropValue(std::string(profile.local_pagamento)))
            .Object("Cedente", [](const T& x) { return const_cast<TcbCedente*>(&x.Cedente()); })
            .Object("Sacado", [](const T& x) { return const_cast<TcbPessoa*>(&x.Sacado()); })
            .String("SeuNumero", &T::SeuNumero, &T::SetSeuNumero)
            .String("NossoNumero", &T::NossoNumero, &T::SetNossoNumero)
            .String("NumeroDocumento", &T::NumeroDocumento, &T::SetNumeroDocumento)
            .String("Carteira", &T::Carteira, &T::SetCarteira)
            .Enum("AceiteDocumento", names_of(billing::aceite_documento_names()), &T::AceiteDocumento,
                  &T::SetAceiteDocumento)
            .Default(int(adNao))
            .Enum("EspecieDocumento", names_of(billing::especie_documento_names()), &T::EspecieDocumento,
                  &T::SetEspecieDocumento)
            .Default(int(edRecibo))
            .DateTime("DataProcessamento", &T::DataProcessamento, &T::SetDataProcessamento)
            .DateTime("DataDocumento", &T::DataDocumento, &T::SetDataDocumento)
            .DateTime("DataVencimento", &T::DataVencimento, &T::SetDataVencimento)
            .DateTime("DataOcorrencia", &T::DataOcorrencia, &T::SetDataOcorrencia)
            .DateTime("DataCredito", &T::DataCredito, &T::SetDataCredito)
            .DateTime("DataAbatimento", &T::DataAbatimento, &T::SetDataAbatimento)
            .DateTime("DataDesconto", &T::DataDesconto, &T::SetDataDesconto)
            .DateTime("DataMoraJuros", &T::DataMoraJuros, &T::SetDataMoraJuros)
            .DateTime("DataProtesto", &T::DataProtesto, &T::SetDataProtesto)
            .DateTime("DataBaixa", &T::DataBaixa, &T::SetDataBaixa)
            .Money("ValorDocumento", &T::ValorDocumento, &T::SetValorDocumento)
            .Money("ValorDespesaCobranca", &T::ValorDespesaCobranca, &T::SetValorDespesaCobranca)
            .Money("ValorAbatimento", &T::ValorAbatimento, &T::SetValorAbatimento)
            .Money("ValorDesconto", &T::ValorDesconto, &T::SetValorDesconto)
            .Money("ValorMoraJuros", &T::ValorMoraJuros, &T::SetValorMoraJuros)
            .Money("ValorIOF", &T::ValorIOF, &T::SetValorIOF)
            .Money("ValorOutrasDespesas", &T::ValorOutrasDespesas, &T::SetValorOutrasDespesas)
            .Money("ValorOutrosCreditos", &T::ValorOutrosCreditos, &T::SetValorOutrosCreditos)
            .Strings("Instrucoes", &T::Instrucoes, &T::SetInstrucoes)
            .Bool("ExibirInstrucoesAutomaticas", &T::ExibirInstrucoesAutomaticas, &T::SetExibirInstrucoesAutomaticas)
            .Enum("EmissaoBoleto", names_of(billing::emissao_boleto_names()), &T::EmissaoBoleto, &T::SetEmissaoBoleto)
            .Default(int(ebClienteEmite))
            .String("NumeroAns", &T::NumeroAns, &T::SetNumeroAns)
            .String("EspecieDoc2", &T::EspecieDoc2, &T::SetEspecieDoc2)
            .String("Sacador", &T::Sacador, &T::SetSacador)
            .Integer("MargemBoleto", &T::MargemBoleto, &T::SetMargemBoleto)
            .Strings("Mensagens", &T::Mensagens, &T::SetMensagens)
            .Factory([p](TComponent* owner) -> TObject* { return new TcbTitulo(*p, owner); })
            .Build();

    // Parents and the classes of the owned parts are this model's own.
    for (TClassInfo* info : {&c[kEndereco], &c[kBanco], &c[kContaBancaria], &c[kPessoa]}) {
        info->Parent = TPersistent::StaticClass();
    }
    c[kCedente].Parent = &c[kPessoa];
    c[kTitulo].Parent = TComponent::StaticClass();
    auto own = [&](TClassInfo& info, const char* property, billing::ModelClass cls) {
        for (core::PropInfo& prop : info.Properties) {
            if (prop.name == property) prop.value_class = &c[cls];
        }
    };
    own(c[kContaBancaria], "Banco", kBanco);
    own(c[kPessoa], "Endereco", kEndereco);
    own(c[kPessoa], "ContaBancaria", kContaBancaria);
    own(c[kTitulo], "Cedente", kCedente);
    own(c[kTitulo], "Sacado", kPessoa);
}

}  // namespace

TClass billing::model_class(const ModelProfile& profile, ModelClass which) {
    // Described on first use, once per model; the descriptions refer to one
    // another, so a description being built may already be pointed at.
    static std::recursive_mutex mutex;
    static std::map<const ModelProfile*, std::unique_ptr<Classes>> models;
    std::lock_guard lock(mutex);
    std::unique_ptr<Classes>& classes = models[&profile];
    if (!classes) {
        classes = std::make_unique<Classes>();
        describe(profile, *classes);
    }
    return &(*classes)[which];
}

TClass TcbEndereco::StaticClass() { return billing::model_class(billing::engine_profile(), billing::kEndereco); }
TClass TcbBanco::StaticClass() { return billing::model_class(billing::engine_profile(), billing::kBanco); }
TClass TcbContaBancaria::StaticClass() {
    return billing::model_class(billing::engine_profile(), billing::kContaBancaria);
}
TClass TcbPessoa::StaticClass() { return billing::model_class(billing::engine_profile(), billing::kPessoa); }
TClass TcbCedente::StaticClass() { return billing::model_class(billing::engine_profile(), billing::kCedente); }
TClass TcbTitulo::StaticClass() { return billing::model_class(billing::engine_profile(), billing::kTitulo); }

// ---------------------------------------------------------------------------
// Title list

TcbTitulo& billing::GetTitulo(const ModelProfile& profile, TcbTitulos& list, int index) {
    TcbTitulo* title = As<TcbTitulo>(list.Items(index));  // the list's index error, or the cast error
    if (title == nullptr || &title->Profile() != &profile) throw EInvalidCast("Invalid class typecast");
    return *title;
}

void billing::AdicionarCopia(const ModelProfile& profile, TcbTitulos& list, const TcbTitulo& title) {
    auto copy = std::make_unique<TcbTitulo>(profile);
    copy->CopiarDe(title);
    list.Add(copy.get());
    copy.release();
}

TcbTitulo& GetTitulo(TcbTitulos& list, int index) { return billing::GetTitulo(billing::engine_profile(), list, index); }

void AdicionarCopia(TcbTitulos& list, const TcbTitulo& title) {
    billing::AdicionarCopia(billing::engine_profile(), list, title);
}

// ---------------------------------------------------------------------------
// Plug-in lookups

namespace {

// Finds the class of the model's name rule (an empty name finds none),
// creates an instance around the call as the model always has (freed on every
// path) and calls the published operation `op` with args. Missing class and
// missing operation raise the two messages, formatted with the three-digit code.
template <class Sig, class... Args>
std::string call_plugin(const std::string& class_name, const std::string& code, const char* op_name,
                        const char* no_class, const char* no_operation, Args&&... args) {
    const TClass cls = class_name.empty() ? nullptr : GetClass(class_name);
    if (cls == nullptr) throw Exception(Format(no_class, {code}));
    std::unique_ptr<TObject> instance(cls->Create());
    const std::function<Sig>* op = billing::find_operation<Sig>(cls, op_name);
    if (op == nullptr) throw Exception(Format(no_operation, {code}));
    return (*op)(std::forward<Args>(args)...);
}

}  // namespace

std::string billing::NomeBanco(const ModelProfile& profile, std::string_view codigo) {
    const std::string code = Formatar(codigo, 3, false, '0');
    return call_plugin<SigGetNomeBanco>(plugin_class_name(profile, Lookup::Nome, code), code, "GetNomeBanco",
                                        "O banco %s não está disponível",
                                        "O nome do banco %s não está disponível");
}

std::string billing::DigitoNossoNumero(const ModelProfile& profile, const TcbTitulo& title) {
    const std::string code = Formatar(title.Cedente().ContaBancaria().Banco().Codigo(), 3, false, '0');
    return call_plugin<SigTitulo>(plugin_class_name(profile, Lookup::Digito, code), code,
                                  "CalcularDigitoNossoNumero", "Os boletos para o banco %s não estão disponíveis",
                                  "O cálculo do dígito do nosso número para o banco %s não está disponível", title);
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

std::string billing::campo_do_titulo(const TcbTitulo& t, std::string_view value) {
    const TcbCedente& c = t.Cedente();
    const TcbContaBancaria& conta = c.ContaBancaria();
    const TcbPessoa& s = t.Sacado();
    const std::pair<const char*, std::string> fields[] = {
        {"NossoNumero", t.NossoNumero()},
        {"Cedente.ContaBancaria.CodigoAgencia", conta.CodigoAgencia()},
        {"Cedente.ContaBancaria.NumeroConta", conta.NumeroConta()},
        {"Cedente.CodigoCedente", c.CodigoCedente()},
        {"Carteira", t.Carteira()},
        {"NumeroDocumento", t.NumeroDocumento()},
        {"SeuNumero", t.SeuNumero()},
        {"Cedente.ContaBancaria.DigitoAgencia", conta.DigitoAgencia()},
        {"Cedente.ContaBancaria.DigitoConta", conta.DigitoConta()},
        {"Cedente.DigitoCodigoCedente", c.DigitoCodigoCedente()},
        {"Cedente.CodigoCedente + Cedente.DigitoCodigoCedente", c.CodigoCedente() + c.DigitoCodigoCedente()},
        {"Cedente.NumeroCPFCGC", c.NumeroCPFCGC()},
        {"Sacado.NumeroCPFCGC", s.NumeroCPFCGC()},
        {"Sacado.Nome", s.Nome()},
        {"Cedente.Nome", c.Nome()},
    };
    const std::string wanted = Trim(value);
    for (const auto& [name, v] : fields) {
        if (!wanted.empty() && Trim(v) == wanted) return name;
    }
    return {};
}
