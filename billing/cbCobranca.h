#pragma once
// The boleto engine's title model (title, payee, payer, address, bank
// account, bank), the title list and batch, the check-digit functions and
// the fixed-width field formatter.
//
// One implementation serves the engine and every client copy of the model:
// each object carries the profile (billing/ModelProfile.h) of the model it
// belongs to, which names its classes, chooses its modulo-11 rule and the
// class names under which its bank plug-ins are looked up.

#include "billing/Compat.h"
#include "billing/ModelProfile.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using billing::Currency;
using billing::TDateTime;

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
// Fixed-width field in the banks' character set: upper case, trimmed, accents dropped, padded or cut to width.
std::string Formatar(std::string_view text, int width, bool left_aligned, char fill);

namespace billing {
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

class TcbModelObject {
public:
    explicit TcbModelObject(const billing::ModelProfile& profile) : profile_(&profile) {}
    const billing::ModelProfile& Profile() const { return *profile_; }

protected:
    // Raises EInvalidCast unless other belongs to the same model.
    void CheckSameModel(const TcbModelObject& other) const;

private:
    const billing::ModelProfile* profile_;
};

class TcbEndereco : public TcbModelObject {
public:
    explicit TcbEndereco(const billing::ModelProfile& profile = billing::engine_profile()) : TcbModelObject(profile) {}
    std::string_view ClassName() const { return Profile().part_classes[0]; }
    void CopiarDe(const TcbEndereco& source);

    CB_TEXT_PROPERTY(Rua)
    CB_TEXT_PROPERTY(Numero)
    CB_TEXT_PROPERTY(Complemento)
    CB_TEXT_PROPERTY(Bairro)
    CB_TEXT_PROPERTY(Cidade)
public:
    // State, at most 2 characters: a longer value is cut.
    const std::string& Estado() const { return Estado_; }
    void SetEstado(std::string_view value);
    // Postal code, at most 8 characters: a longer value is cut.
    const std::string& CEP() const { return CEP_; }
    void SetCEP(std::string_view value);
    CB_TEXT_PROPERTY(EMail)

private:
    std::string Estado_;
    std::string CEP_;
};

class TcbBanco : public TcbModelObject {
public:
    explicit TcbBanco(const billing::ModelProfile& profile = billing::engine_profile()) : TcbModelObject(profile) {}
    std::string_view ClassName() const { return Profile().part_classes[1]; }
    void CopiarDe(const TcbBanco& source);

    // Three-digit bank code, or empty.
    const std::string& Codigo() const { return Codigo_; }
    // Stores the code formatted to three digits; "000" stores the empty text.
    void SetCodigo(std::string_view value);
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
    std::string_view ClassName() const { return Profile().part_classes[2]; }
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
    virtual ~TcbPessoa() = default;
    virtual std::string_view ClassName() const { return Profile().part_classes[3]; }
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
    std::string_view ClassName() const override { return Profile().part_classes[4]; }
    void CopiarDe(const TcbCedente& source);

    CB_TEXT_PROPERTY(CodigoCedente)
    CB_TEXT_PROPERTY(DigitoCodigoCedente)
};

class TcbTitulo : public TcbModelObject {
public:
    // A new title of the given model with the model's defaults.
    explicit TcbTitulo(const billing::ModelProfile& profile = billing::engine_profile());
    TcbTitulo(const TcbTitulo&) = delete;
    TcbTitulo& operator=(const TcbTitulo&) = delete;

    std::string_view ClassName() const { return Profile().title_class; }
    // Copies every value of source except ExibirInstrucoesAutomaticas, MargemBoleto, Name and Tag.
    void CopiarDe(const TcbTitulo& source);
    // The check digit of the nosso número, computed by the plug-in of the payee's bank.
    std::string DigitoNossoNumero() const;

    CB_TEXT_PROPERTY(Name)
    CB_VALUE_PROPERTY(std::intptr_t, Tag, 0)

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
    CB_VALUE_PROPERTY(Currency, ValorDocumento, 0)
    CB_VALUE_PROPERTY(Currency, ValorDespesaCobranca, 0)
    CB_VALUE_PROPERTY(Currency, ValorAbatimento, 0)
    CB_VALUE_PROPERTY(Currency, ValorDesconto, 0)
    CB_VALUE_PROPERTY(Currency, ValorMoraJuros, 0)
    CB_VALUE_PROPERTY(Currency, ValorIOF, 0)
    CB_VALUE_PROPERTY(Currency, ValorOutrasDespesas, 0)
    CB_VALUE_PROPERTY(Currency, ValorOutrosCreditos, 0)
public:
    // Instruction and message lines; the setters copy the given lines.
    const std::vector<std::string>& Instrucoes() const { return Instrucoes_; }
    std::vector<std::string>& Instrucoes() { return Instrucoes_; }
    void SetInstrucoes(const std::vector<std::string>& lines) { Instrucoes_ = lines; }
    CB_VALUE_PROPERTY(bool, ExibirInstrucoesAutomaticas, false)
    CB_VALUE_PROPERTY(TEmissaoBoleto, EmissaoBoleto, ebClienteEmite)
    CB_TEXT_PROPERTY(NumeroAns)
    CB_TEXT_PROPERTY(EspecieDoc2)
    CB_TEXT_PROPERTY(Sacador)
    CB_VALUE_PROPERTY(int, MargemBoleto, 0)
public:
    const std::vector<std::string>& Mensagens() const { return Mensagens_; }
    std::vector<std::string>& Mensagens() { return Mensagens_; }
    void SetMensagens(const std::vector<std::string>& lines) { Mensagens_ = lines; }

private:
    std::unique_ptr<TcbCedente> Cedente_;
    std::unique_ptr<TcbPessoa> Sacado_;
    std::vector<std::string> Instrucoes_;
    std::vector<std::string> Mensagens_;
};

#undef CB_TEXT_PROPERTY
#undef CB_VALUE_PROPERTY

// The titles of a batch; the list owns them.
using TcbTitulos = std::vector<std::unique_ptr<TcbTitulo>>;

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
