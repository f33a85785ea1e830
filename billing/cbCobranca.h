#pragma once
// The boleto engine's title model (title, payee, payer, address, bank
// account, bank), the title list and batch, the check-digit functions and
// the fixed-width field formatter.
//
// One implementation serves the engine and every client copy of the model:
// each object carries the profile (billing/ModelProfile.h) of the model it
// belongs to, which names its classes, chooses its modulo-11 rule and the
// class names under which its bank plug-ins are looked up.

#include "billing/ModelProfile.h"
#include "platform/core/Classes.h"
#include "platform/core/DateUtils.h"
#include "platform/core/StringList.h"
#include "platform/core/SysUtils.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum TTipoInscricao : std::uint8_t { tiPessoaFisica, tiPessoaJuridica, tiOutro };

enum TAceiteDocumento : std::uint8_t { adSim, adNao };

enum TEmissaoBoleto : std::uint8_t { ebBancoEmite, ebClienteEmite, ebBancoReemite, ebBancoNaoReemite };

enum TEspecieDocumento : std::uint8_t {
    edAluguel, edApoliceSeguro, edCheque, edContrato, edContribuicaoConfederativa, edCosseguros,
    edDividaAtivaEstado, edDividaAtivaMunicipio, edDividaAtivaUniao, edDuplicataMercantil,
    edDuplicataMercantialIndicacao, edDuplicataRural, edDuplicataServico, edDuplicataServicoIndicacao, edFatura,
    edLetraCambio, edMensalidadeEscolar, edNotaCreditoComercial, edNotaCreditoExportacao, edNotaCreditoIndustrial,
    edNotaCreditoRural, edNotaDebito, edNotaPromissoria, edNotaPromissoriaRural, edNotaSeguro, edOutros,
    edParcelaConsorcio, edRecibo, edTriplicataMercantil, edTriplicataServico, edWarrant,
};

enum TTipoOcorrencia : std::uint8_t {
    toRemessaRegistrar, toRemessaBaixar, toRemessaDebitarEmConta, toRemessaConcederAbatimento,
    toRemessaCancelarAbatimento, toRemessaConcederDesconto, toRemessaCancelarDesconto, toRemessaAlterarVencimento,
    toRemessaProtestar, toRemessaCancelarInstrucaoProtesto, toRemessaDispensarJuros,
    toRemessaAlterarNomeEnderecoSacado, toRemessaAlterarNumeroControle, toRemessaOutrasOcorrencias,
    toRetornoRegistroConfirmado, toRetornoRegistroRecusado, toRetornoComandoRecusado, toRetornoLiquidado,
    toRetornoLiquidadoEmCartorio, toRetornoLiquidadoParcialmente, toRetornoLiquidadoSaldoRestante,
    toRetornoLiquidadoSemRegistro, toRetornoLiquidadoPorConta, toRetornoBaixaSolicitada, toRetornoBaixado,
    toRetornoBaixadoPorDevolucao, toRetornoBaixadoFrancoPagamento, toRetornoBaixaPorProtesto,
    toRetornoRecebimentoInstrucaoBaixar, toRetornoBaixaOuLiquidacaoEstornada, toRetornoTituloEmSer,
    toRetornoRecebimentoInstrucaoConcederAbatimento, toRetornoAbatimentoConcedido,
    toRetornoRecebimentoInstrucaoCancelarAbatimento, toRetornoAbatimentoCancelado,
    toRetornoRecebimentoInstrucaoConcederDesconto, toRetornoDescontoConcedido,
    toRetornoRecebimentoInstrucaoCancelarDesconto, toRetornoDescontoCancelado,
    toRetornoRecebimentoInstrucaoAlterarDados, toRetornoDadosAlterados, toRetornoRecebimentoInstrucaoAlterarVencimento,
    toRetornoVencimentoAlterado, toRetornoAlteracaoDadosNovaEntrada, toRetornoAlteracaoDadosBaixa,
    toRetornoRecebimentoInstrucaoProtestar, toRetornoProtestado, toRetornoRecebimentoInstrucaoSustarProtesto,
    toRetornoProtestoSustado, toRetornoInstrucaoProtestoRejeitadaSustadaOuPendente, toRetornoDebitoEmConta,
    toRetornoRecebimentoInstrucaoAlterarNomeSacado, toRetornoNomeSacadoAlterado,
    toRetornoRecebimentoInstrucaoAlterarEnderecoSacado, toRetornoEnderecoSacadoAlterado,
    toRetornoEncaminhadoACartorio, toRetornoRetiradoDeCartorio, toRetornoRecebimentoInstrucaoDispensarJuros,
    toRetornoJurosDispensados, toRetornoManutencaoTituloVencido, toRetornoRecebimentoInstrucaoAlterarTipoCobranca,
    toRetornoTipoCobrancaAlterado, toRetornoDespesasProtesto, toRetornoDespesasSustacaoProtesto,
    toRetornoDebitoCustasAntecipadas, toRetornoCustasCartorioDistribuidor, toRetornoCustasEdital,
    toRetornoProtestoOuSustacaoEstornado, toRetornoDebitoTarifas, toRetornoAcertoDepositaria,
    toRetornoOutrasOcorrencias,
};

enum TLayoutArquivo : std::uint8_t { laCNAB240, laCNAB400, laInvalido };

// ---------------------------------------------------------------------------
// Check digits and field formatting (the engine's own helpers).

// Modulo-10 check digit: weights 2, 1, 2, ... from the last digit, digits of the products summed.
std::string Modulo10(std::string_view digits);
// Modulo-11 check digit: weights 2 .. base from the last digit; raw gives the remainder ("0" to "10").
std::string Modulo11(std::string_view digits, int base, bool raw);
// Modulo-11 with weights base .. 2 from the last digit; not raw, remainders 0 and 1 give "1".
std::string Modulo11Decrescente(std::string_view digits, int base, bool raw);
// Fixed-width field in the banks' character set: upper case, trimmed, accents dropped, padded to width.
// A text longer than the width is cut to it, unless the characters cut away hold a digit other than
// zero: a number never loses digits silently, and billing::ECampoNaoCabe is raised instead.
std::string Formatar(std::string_view text, int width, bool left_aligned, char fill);

class TcbTitulo;

namespace billing {
// Raised by Formatar when a value would lose a digit other than zero to its field's width.
class ECampoNaoCabe : public Exception {
public:
    ECampoNaoCabe(std::string value, int width);
    const std::string& Valor() const { return valor_; }
    int Largura() const { return largura_; }

private:
    std::string valor_;
    int largura_;
};
// Formatar that cuts whatever the text holds: for the places where a rule keeps
// only part of a value on purpose (the bank code setter keeps its last three).
std::string formatar_cortando(std::string_view text, int width, bool left_aligned, char fill);
// The name of the title's text field (as the JSON and the layouts name it:
// "CodigoAgencia", "Sacado.Nome", ...) whose value, as Formatar cleans it,
// equals `value`; empty when none does.
std::string campo_do_titulo(const ::TcbTitulo& titulo, std::string_view value);

// The class library's integer conversion of each character of a digit text:
// the digit values from left to right. The rightmost character that is not a
// decimal digit raises EConvertError naming it.
std::vector<int> digit_values(std::string_view text);
// The modulo-11 function of a model: the engine's, or a client copy's variant.
std::string Modulo11(const ModelProfile& profile, std::string_view digits, int base, bool raw);
}  // namespace billing

// ---------------------------------------------------------------------------
// The model. Each object belongs to one profile, fixed at construction;
// CopiarDe from an object of another profile raises EInvalidCast.

#define CB_TEXT_PROPERTY(Name)                                  \
public:                                                         \
    const std::string& Name() const { return Name##_; }         \
    void Set##Name(std::string value) { Name##_ = std::move(value); } \
                                                                \
private:                                                        \
    std::string Name##_;

#define CB_VALUE_PROPERTY(Type, Name, Default)                  \
public:                                                         \
    Type Name() const { return Name##_; }                       \
    void Set##Name(Type value) { Name##_ = value; }             \
                                                                \
private:                                                        \
    Type Name##_ = Default;

namespace billing {
// Raises EInvalidCast unless both objects belong to the same model.
void check_same_model(const ModelProfile& a, const ModelProfile& b);
// The class descriptions of a model: address, bank, account, person, payee, title.
enum ModelClass { kEndereco, kBanco, kContaBancaria, kPessoa, kCedente, kTitulo };
TClass model_class(const ModelProfile& profile, ModelClass which);
}  // namespace billing

// Base of the model's persistent parts: the model they belong to.
class TcbModelObject : public TPersistent {
public:
    // A partial copy of the model has no classes: its profile raises EInvalidCast.
    explicit TcbModelObject(const billing::ModelProfile& profile) : profile_(&profile) {
        if (!profile.full) billing::check_same_model(profile, billing::engine_profile());
    }
    const billing::ModelProfile& Profile() const { return *profile_; }

protected:
    void CheckSameModel(const TcbModelObject& other) const { billing::check_same_model(*profile_, *other.profile_); }

private:
    const billing::ModelProfile* profile_;
};

class TcbEndereco : public TcbModelObject {
public:
    explicit TcbEndereco(const billing::ModelProfile& profile = billing::engine_profile()) : TcbModelObject(profile) {}
    static TClass StaticClass();
    TClass ClassType() const override { return billing::model_class(Profile(), billing::kEndereco); }
    void CopiarDe(const TcbEndereco& source);

    CB_TEXT_PROPERTY(Rua)
    CB_TEXT_PROPERTY(Numero)
    CB_TEXT_PROPERTY(Complemento)
    CB_TEXT_PROPERTY(Bairro)
    CB_TEXT_PROPERTY(Cidade)
public:
    // State, at most 2 characters: a longer value is cut.
    const std::string& Estado() const { return Estado_; }
    void SetEstado(const std::string& value);
    // Postal code, at most 8 characters: a longer value is cut.
    const std::string& CEP() const { return CEP_; }
    void SetCEP(const std::string& value);
    CB_TEXT_PROPERTY(EMail)

private:
    std::string Estado_;
    std::string CEP_;
};

class TcbBanco : public TcbModelObject {
public:
    explicit TcbBanco(const billing::ModelProfile& profile = billing::engine_profile()) : TcbModelObject(profile) {}
    static TClass StaticClass();
    TClass ClassType() const override { return billing::model_class(Profile(), billing::kBanco); }
    void CopiarDe(const TcbBanco& source);

    // Three-digit bank code, or empty.
    const std::string& Codigo() const { return Codigo_; }
    // Stores the code formatted to three digits; "000" stores the empty text.
    void SetCodigo(const std::string& value);
    // Check digit of the code (modulo 11, base 9), empty for no code.
    std::string Digito() const;
    // The name that the bank's plug-in gives.
    std::string Nome() const;

private:
    std::string Codigo_;
};

class TcbContaBancaria : public TcbModelObject {
public:
    explicit TcbContaBancaria(const billing::ModelProfile& profile = billing::engine_profile())
        : TcbModelObject(profile), Banco_(profile) {}
    static TClass StaticClass();
    TClass ClassType() const override { return billing::model_class(Profile(), billing::kContaBancaria); }
    void CopiarDe(const TcbContaBancaria& source);

    TcbBanco& Banco() { return Banco_; }
    const TcbBanco& Banco() const { return Banco_; }
    CB_TEXT_PROPERTY(CodigoAgencia)
    CB_TEXT_PROPERTY(DigitoAgencia)
    CB_TEXT_PROPERTY(NumeroConta)
    CB_TEXT_PROPERTY(DigitoConta)
    CB_TEXT_PROPERTY(NomeCliente)

private:
    TcbBanco Banco_;
};

class TcbPessoa : public TcbModelObject {
public:
    explicit TcbPessoa(const billing::ModelProfile& profile = billing::engine_profile())
        : TcbModelObject(profile), Endereco_(profile), ContaBancaria_(profile) {}
    static TClass StaticClass();
    TClass ClassType() const override { return billing::model_class(Profile(), billing::kPessoa); }
    void CopiarDe(const TcbPessoa& source);

    CB_VALUE_PROPERTY(TTipoInscricao, TipoInscricao, tiPessoaFisica)
    CB_TEXT_PROPERTY(NumeroCPFCGC)
    CB_TEXT_PROPERTY(Nome)
public:
    TcbEndereco& Endereco() { return Endereco_; }
    const TcbEndereco& Endereco() const { return Endereco_; }
    TcbContaBancaria& ContaBancaria() { return ContaBancaria_; }
    const TcbContaBancaria& ContaBancaria() const { return ContaBancaria_; }

private:
    TcbEndereco Endereco_;
    TcbContaBancaria ContaBancaria_;
};

class TcbCedente : public TcbPessoa {
public:
    explicit TcbCedente(const billing::ModelProfile& profile = billing::engine_profile()) : TcbPessoa(profile) {}
    static TClass StaticClass();
    TClass ClassType() const override { return billing::model_class(Profile(), billing::kCedente); }
    void CopiarDe(const TcbCedente& source);

    CB_TEXT_PROPERTY(CodigoCedente)
    CB_TEXT_PROPERTY(DigitoCodigoCedente)
};

class TcbTitulo : public TComponent {
public:
    // A new title of the engine's model with its defaults; the owner (if any) frees it.
    explicit TcbTitulo(TComponent* AOwner = nullptr) : TcbTitulo(billing::engine_profile(), AOwner) {}
    // A new title of the given model (EInvalidCast for a model without classes).
    explicit TcbTitulo(const billing::ModelProfile& profile, TComponent* AOwner = nullptr);
    ~TcbTitulo() override;

    static TClass StaticClass();
    TClass ClassType() const override { return billing::model_class(Profile(), billing::kTitulo); }
    const billing::ModelProfile& Profile() const { return *profile_; }
    // Copies every value of source except ExibirInstrucoesAutomaticas, MargemBoleto, Name and Tag.
    void CopiarDe(const TcbTitulo& source);
    // The check digit of the nosso número, computed by the plug-in of the payee's bank.
    std::string DigitoNossoNumero() const;

    CB_VALUE_PROPERTY(TTipoOcorrencia, TipoOcorrencia, toRemessaRegistrar)
    CB_TEXT_PROPERTY(OcorrenciaOriginal)
    CB_TEXT_PROPERTY(DescricaoOcorrenciaOriginal)
    CB_TEXT_PROPERTY(MotivoRejeicaoComando)
    CB_TEXT_PROPERTY(DescricaoMotivoRejeicaoComando)
    CB_TEXT_PROPERTY(LocalPagamento)
public:
    TcbCedente& Cedente() { return *Cedente_; }
    const TcbCedente& Cedente() const { return *Cedente_; }
    TcbPessoa& Sacado() { return *Sacado_; }
    const TcbPessoa& Sacado() const { return *Sacado_; }
    CB_TEXT_PROPERTY(SeuNumero)
    CB_TEXT_PROPERTY(NossoNumero)
    CB_TEXT_PROPERTY(NumeroDocumento)
    CB_TEXT_PROPERTY(Carteira)
    CB_VALUE_PROPERTY(TAceiteDocumento, AceiteDocumento, adNao)
    CB_VALUE_PROPERTY(TEspecieDocumento, EspecieDocumento, edRecibo)
    CB_VALUE_PROPERTY(TDateTime, DataProcessamento, 0)
    CB_VALUE_PROPERTY(TDateTime, DataDocumento, 0)
    CB_VALUE_PROPERTY(TDateTime, DataVencimento, 0)
    CB_VALUE_PROPERTY(TDateTime, DataOcorrencia, 0)
    CB_VALUE_PROPERTY(TDateTime, DataCredito, 0)
    CB_VALUE_PROPERTY(TDateTime, DataAbatimento, 0)
    CB_VALUE_PROPERTY(TDateTime, DataDesconto, 0)
    CB_VALUE_PROPERTY(TDateTime, DataMoraJuros, 0)
    CB_VALUE_PROPERTY(TDateTime, DataProtesto, 0)
    CB_VALUE_PROPERTY(TDateTime, DataBaixa, 0)
    CB_VALUE_PROPERTY(Currency, ValorDocumento, Currency())
    CB_VALUE_PROPERTY(Currency, ValorDespesaCobranca, Currency())
    CB_VALUE_PROPERTY(Currency, ValorAbatimento, Currency())
    CB_VALUE_PROPERTY(Currency, ValorDesconto, Currency())
    CB_VALUE_PROPERTY(Currency, ValorMoraJuros, Currency())
    CB_VALUE_PROPERTY(Currency, ValorIOF, Currency())
    CB_VALUE_PROPERTY(Currency, ValorOutrasDespesas, Currency())
    CB_VALUE_PROPERTY(Currency, ValorOutrosCreditos, Currency())
public:
    // Instruction and message lines; the setters copy the given lines.
    TStringList* Instrucoes() const { return Instrucoes_.get(); }
    void SetInstrucoes(TStrings* lines) { Instrucoes_->Assign(lines); }
    CB_VALUE_PROPERTY(bool, ExibirInstrucoesAutomaticas, false)
    CB_VALUE_PROPERTY(TEmissaoBoleto, EmissaoBoleto, ebClienteEmite)
    CB_TEXT_PROPERTY(NumeroAns)
    CB_TEXT_PROPERTY(EspecieDoc2)
    CB_TEXT_PROPERTY(Sacador)
    CB_VALUE_PROPERTY(int, MargemBoleto, 0)
public:
    TStringList* Mensagens() const { return Mensagens_.get(); }
    void SetMensagens(TStrings* lines) { Mensagens_->Assign(lines); }

private:
    const billing::ModelProfile* profile_;
    std::unique_ptr<TcbCedente> Cedente_;
    std::unique_ptr<TcbPessoa> Sacado_;
    std::unique_ptr<TStringList> Instrucoes_;
    std::unique_ptr<TStringList> Mensagens_;
};

#undef CB_TEXT_PROPERTY
#undef CB_VALUE_PROPERTY

// The titles of a batch; the list owns them (clearing it or removing a title frees the title).
class TcbTitulos : public TObjectList {
public:
    TcbTitulos() : TObjectList(true) {}
};

// The title at a 0-based index: EListError outside the list, EInvalidCast for a title of another model.
TcbTitulo& GetTitulo(TcbTitulos& list, int index);
// Appends an ownerless copy of title (made with CopiarDe) to list; the caller keeps its title.
void AdicionarCopia(TcbTitulos& list, const TcbTitulo& title);

namespace billing {
// The title-list functions of a given model.
TcbTitulo& GetTitulo(const ModelProfile& profile, TcbTitulos& list, int index);
void AdicionarCopia(const ModelProfile& profile, TcbTitulos& list, const TcbTitulo& title);
// The check-digit lookup of a model on any title (a partial copy's DigitoNossoNumero).
std::string DigitoNossoNumero(const ModelProfile& profile, const TcbTitulo& title);
// The bank-name lookup of a model for a bank code.
std::string NomeBanco(const ModelProfile& profile, std::string_view codigo);
}  // namespace billing

// The batch: the fields the engine's remittance writers and return readers use.
struct TcbCobranca {
    TcbCobranca() = default;
    TcbCobranca(const TcbCobranca&) = delete;
    TcbCobranca& operator=(const TcbCobranca&) = delete;

    std::string NomeArquivoRetorno;
    int NumeroArquivo = 0;
    TDateTime DataArquivo = 0;
    TLayoutArquivo LayoutArquivo = laCNAB400;
    std::uint8_t AmbienteArquivo = 0;
    TcbTitulos Titulos;
};

namespace billing {
// Names of the enumeration values, in order ("edRecibo", ...), and their inverses (-1 when unknown).
std::span<const std::string_view> especie_documento_names();
std::span<const std::string_view> tipo_ocorrencia_names();
std::span<const std::string_view> tipo_inscricao_names();
std::span<const std::string_view> aceite_documento_names();
std::span<const std::string_view> emissao_boleto_names();
int enum_value(std::span<const std::string_view> names, std::string_view name);
}  // namespace billing
