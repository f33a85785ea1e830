#include "billing/cbRetorno400.h"

#include "billing/cbBancos.h"
#include "billing/cbCodeTexts.h"
#include "billing/cbRetorno240.h"
#include "billing/cbRetornoCampos.h"
#include "platform/core/CodePages.h"
#include "platform/core/DateUtils.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <memory>

namespace billing {

namespace {

using namespace retorno;


// The occurrence table shared by the standard family.
constexpr KindRow kComum[] = {
    {1, toRetornoRegistroConfirmado},   {2, toRetornoBaixado},
    {3, toRetornoAbatimentoConcedido},  {4, toRetornoAbatimentoCancelado},
    {5, toRetornoVencimentoAlterado},   {6, toRetornoDadosAlterados},
    {7, toRetornoDadosAlterados},       {8, toRetornoDadosAlterados},
    {9, toRetornoDadosAlterados},       {10, toRetornoDadosAlterados},
    {11, toRetornoDadosAlterados},      {12, toRetornoDadosAlterados},
    {20, toRetornoTituloEmSer},         {21, toRetornoLiquidado},
    {22, toRetornoLiquidado},           {23, toRetornoBaixado},
    {24, toRetornoBaixado},             {25, toRetornoProtestado},
    {26, toRetornoEncaminhadoACartorio}, {27, toRetornoProtestoSustado},
    {28, toRetornoProtestoOuSustacaoEstornado}, {29, toRetornoProtestoOuSustacaoEstornado},
    {30, toRetornoDadosAlterados},      {31, toRetornoDebitoTarifas},
    {32, toRetornoDebitoTarifas},       {33, toRetornoBaixaOuLiquidacaoEstornada},
    {99, toRetornoRegistroRecusado},
};
constexpr KindTable kTabelaComum{kComum, nullptr, toRetornoOutrasOcorrencias};

// Per bank of the standard family: the kinds its own occurrence texts name;
// other codes keep the shared table's kind.
constexpr KindRow kTipos001[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoComandoRecusado},
    {5, toRetornoLiquidadoSemRegistro},
    {6, toRetornoLiquidado},
    {7, toRetornoLiquidadoPorConta},
    {8, toRetornoLiquidadoSaldoRestante},
    {9, toRetornoBaixado},
    {10, toRetornoBaixaSolicitada},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {13, toRetornoAbatimentoCancelado},
    {14, toRetornoVencimentoAlterado},
    {15, toRetornoLiquidadoEmCartorio},
    {19, toRetornoRecebimentoInstrucaoProtestar},
    {20, toRetornoDebitoEmConta},
    {21, toRetornoNomeSacadoAlterado},
    {22, toRetornoEnderecoSacadoAlterado},
    {23, toRetornoEncaminhadoACartorio},
    {24, toRetornoRecebimentoInstrucaoSustarProtesto},
    {25, toRetornoJurosDispensados},
    {28, toRetornoManutencaoTituloVencido},
    {72, toRetornoTipoCobrancaAlterado},
    {96, toRetornoDespesasProtesto},
    {97, toRetornoDespesasSustacaoProtesto},
    {98, toRetornoDebitoCustasAntecipadas},
};
// 748's texts are 001's but for 28.
constexpr KindRow kTipos748[] = {
    {28, toRetornoDebitoTarifas},
};
constexpr KindRow kTipos291[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {6, toRetornoLiquidado},
    {8, toRetornoLiquidadoEmCartorio},
    {9, toRetornoBaixado},
    {10, toRetornoBaixado},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {13, toRetornoAbatimentoCancelado},
    {14, toRetornoVencimentoAlterado},
    {15, toRetornoRecebimentoInstrucaoProtestar},
    {20, toRetornoRecebimentoInstrucaoSustarProtesto},
    {28, toRetornoDespesasProtesto},
    {30, toRetornoComandoRecusado},
    {33, toRetornoRecebimentoInstrucaoAlterarDados},
    {52, toRetornoComandoRecusado},
    {54, toRetornoComandoRecusado},
    {55, toRetornoComandoRecusado},
    {56, toRetornoComandoRecusado},
    {59, toRetornoInstrucaoProtestoRejeitadaSustadaOuPendente},
    {68, toRetornoComandoRecusado},
    {91, toRetornoProtestado},
};
constexpr KindRow kTipos320[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {4, toRetornoOutrasOcorrencias},
    {5, toRetornoBaixado},
    {6, toRetornoLiquidado},
    {7, toRetornoLiquidadoPorConta},
    {8, toRetornoLiquidadoSaldoRestante},
    {9, toRetornoBaixado},
    {10, toRetornoBaixado},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {13, toRetornoAbatimentoCancelado},
    {14, toRetornoVencimentoAlterado},
    {15, toRetornoLiquidadoEmCartorio},
    {16, toRetornoRetiradoDeCartorio},
    {17, toRetornoEncaminhadoACartorio},
    {18, toRetornoComandoRecusado},
    {19, toRetornoBaixado},
};
constexpr KindRow kTipos353[] = {
    {1, toRetornoComandoRecusado},
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {6, toRetornoLiquidado},
    {7, toRetornoLiquidadoPorConta},
    {8, toRetornoLiquidadoSaldoRestante},
    {9, toRetornoBaixado},
    {10, toRetornoBaixado},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {13, toRetornoAbatimentoCancelado},
    {14, toRetornoVencimentoAlterado},
    {15, toRetornoRecebimentoInstrucaoProtestar},
    {16, toRetornoComandoRecusado},
    {17, toRetornoLiquidadoEmCartorio},
};
constexpr KindRow kTipos394[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {4, toRetornoOutrasOcorrencias},
    {5, toRetornoBaixado},
    {6, toRetornoLiquidado},
    {7, toRetornoLiquidadoPorConta},
    {8, toRetornoLiquidadoSaldoRestante},
    {9, toRetornoBaixado},
    {10, toRetornoBaixado},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {13, toRetornoAbatimentoCancelado},
    {14, toRetornoVencimentoAlterado},
    {15, toRetornoLiquidadoEmCartorio},
    {16, toRetornoLiquidado},
    {17, toRetornoLiquidado},
    {18, toRetornoJurosDispensados},
    {19, toRetornoDebitoTarifas},
    {20, toRetornoBaixado},
    {21, toRetornoLiquidado},
    {22, toRetornoOutrasOcorrencias},
    {23, toRetornoDadosAlterados},
    {24, toRetornoOutrasOcorrencias},
    {25, toRetornoEncaminhadoACartorio},
    {26, toRetornoProtestoSustado},
    {27, toRetornoInstrucaoProtestoRejeitadaSustadaOuPendente},
    {28, toRetornoOutrasOcorrencias},
    {29, toRetornoDespesasProtesto},
    {30, toRetornoBaixado},
    {31, toRetornoRecebimentoInstrucaoSustarProtesto},
    {32, toRetornoRecebimentoInstrucaoProtestar},
    {33, toRetornoRecebimentoInstrucaoProtestar},
    {34, toRetornoOutrasOcorrencias},
    {35, toRetornoProtestoSustado},
    {36, toRetornoRecebimentoInstrucaoProtestar},
    {37, toRetornoRecebimentoInstrucaoSustarProtesto},
    {38, toRetornoRecebimentoInstrucaoSustarProtesto},
    {39, toRetornoDescontoConcedido},
    {40, toRetornoDescontoCancelado},
    {41, toRetornoProtestado},
    {42, toRetornoLiquidadoParcialmente},
    {43, toRetornoDebitoTarifas},
    {44, toRetornoLiquidadoEmCartorio},
    {45, toRetornoBaixado},
    {46, toRetornoBaixaPorProtesto},
    {49, toRetornoRecebimentoInstrucaoBaixar},
    {50, toRetornoComandoRecusado},
    {51, toRetornoComandoRecusado},
    {52, toRetornoRecebimentoInstrucaoAlterarDados},
    {53, toRetornoDadosAlterados},
    {54, toRetornoDadosAlterados},
    {55, toRetornoDadosAlterados},
    {56, toRetornoDadosAlterados},
    {86, toRetornoLiquidado},
    {87, toRetornoLiquidadoParcialmente},
    {88, toRetornoLiquidadoSemRegistro},
    {98, toRetornoLiquidadoParcialmente},
    {99, toRetornoOutrasOcorrencias},
};
constexpr KindRow kTipos409[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {6, toRetornoLiquidado},
    {7, toRetornoLiquidadoPorConta},
    {8, toRetornoLiquidadoSaldoRestante},
    {9, toRetornoBaixado},
    {10, toRetornoBaixado},
    {12, toRetornoAbatimentoConcedido},
    {14, toRetornoVencimentoAlterado},
    {16, toRetornoDadosAlterados},
    {18, toRetornoDespesasProtesto},
    {19, toRetornoDespesasSustacaoProtesto},
    {20, toRetornoCustasCartorioDistribuidor},
    {21, toRetornoRecebimentoInstrucaoSustarProtesto},
    {22, toRetornoOutrasOcorrencias},
    {23, toRetornoOutrasOcorrencias},
    {30, toRetornoBaixado},
    {31, toRetornoProtestoSustado},
    {33, toRetornoRecebimentoInstrucaoProtestar},
    {34, toRetornoEncaminhadoACartorio},
    {35, toRetornoDebitoTarifas},
    {36, toRetornoDebitoTarifas},
    {37, toRetornoDebitoTarifas},
    {38, toRetornoDebitoTarifas},
    {39, toRetornoDebitoTarifas},
    {41, toRetornoEncaminhadoACartorio},
    {45, toRetornoDebitoTarifas},
    {77, toRetornoComandoRecusado},
    {86, toRetornoLiquidado},
    {87, toRetornoLiquidadoParcialmente},
    {88, toRetornoLiquidadoSemRegistro},
    {89, toRetornoLiquidadoEmCartorio},
    {98, toRetornoLiquidadoSemRegistro},
    {99, toRetornoLiquidadoEmCartorio},
};
constexpr KindRow kTipos422[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {4, toRetornoOutrasOcorrencias},
    {5, toRetornoBaixado},
    {6, toRetornoLiquidado},
    {7, toRetornoLiquidadoParcialmente},
    {9, toRetornoBaixado},
    {10, toRetornoBaixado},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {13, toRetornoAbatimentoCancelado},
    {14, toRetornoVencimentoAlterado},
    {15, toRetornoLiquidadoEmCartorio},
    {16, toRetornoBaixadoFrancoPagamento},
    {19, toRetornoRecebimentoInstrucaoProtestar},
    {20, toRetornoRecebimentoInstrucaoSustarProtesto},
    {21, toRetornoOutrasOcorrencias},
    {23, toRetornoEncaminhadoACartorio},
    {40, toRetornoBaixaPorProtesto},
    {41, toRetornoLiquidadoSemRegistro},
    {42, toRetornoRetiradoDeCartorio},
    {43, toRetornoDespesasProtesto},
    {51, toRetornoDadosAlterados},
};
constexpr KindRow kTipos745[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {6, toRetornoLiquidado},
    {10, toRetornoBaixado},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {14, toRetornoVencimentoAlterado},
    {15, toRetornoLiquidadoEmCartorio},
    {23, toRetornoEncaminhadoACartorio},
    {34, toRetornoRetiradoDeCartorio},
    {51, toRetornoCustasCartorioDistribuidor},
    {52, toRetornoDespesasProtesto},
    {53, toRetornoDespesasSustacaoProtesto},
};
constexpr KindTable kTabela001{kTipos001, &kTabelaComum, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela748{kTipos748, &kTabela001, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela291{kTipos291, &kTabelaComum, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela320{kTipos320, &kTabelaComum, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela353{kTipos353, &kTabelaComum, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela394{kTipos394, &kTabelaComum, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela409{kTipos409, &kTabelaComum, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela422{kTipos422, &kTabelaComum, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela745{kTipos745, &kTabelaComum, toRetornoOutrasOcorrencias};

// 104 differs from the shared table in these codes only.
constexpr KindRow kTipos104[] = {
    {22, toRetornoLiquidadoEmCartorio},
    {23, toRetornoBaixadoPorDevolucao},
    {24, toRetornoBaixadoFrancoPagamento},
    {25, toRetornoBaixaPorProtesto},
    {31, toRetornoManutencaoTituloVencido},
};
// The readers with tables of their own.
constexpr KindRow kTipos237[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {6, toRetornoLiquidado},
    {9, toRetornoBaixado},
    {10, toRetornoBaixado},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {13, toRetornoAbatimentoCancelado},
    {14, toRetornoVencimentoAlterado},
    {15, toRetornoLiquidadoEmCartorio},
    {17, toRetornoLiquidadoSemRegistro},
    {18, toRetornoAcertoDepositaria},
    {19, toRetornoRecebimentoInstrucaoProtestar},
    {20, toRetornoRecebimentoInstrucaoSustarProtesto},
    {21, toRetornoDadosAlterados},
    {23, toRetornoEncaminhadoACartorio},
    {24, toRetornoRegistroRecusado},
    {27, toRetornoComandoRecusado},
    {28, toRetornoDebitoTarifas},
    {30, toRetornoComandoRecusado},
    {32, toRetornoComandoRecusado},
    {33, toRetornoRecebimentoInstrucaoAlterarDados},
    {34, toRetornoRetiradoDeCartorio},
    {99, toRetornoRegistroRecusado},
};
constexpr KindRow kTipos341[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {6, toRetornoLiquidado},
    {8, toRetornoLiquidado},
    {9, toRetornoBaixado},
    {11, toRetornoTituloEmSer},
    {12, toRetornoAbatimentoConcedido},
    {13, toRetornoAbatimentoCancelado},
    {14, toRetornoVencimentoAlterado},
    {16, toRetornoComandoRecusado},
    {17, toRetornoComandoRecusado},
    {19, toRetornoRecebimentoInstrucaoProtestar},
    {20, toRetornoRecebimentoInstrucaoSustarProtesto},
    {23, toRetornoEncaminhadoACartorio},
    {26, toRetornoDebitoTarifas},
    {27, toRetornoDebitoTarifas},
    {28, toRetornoDebitoTarifas},
    {29, toRetornoDebitoTarifas},
    {30, toRetornoDebitoTarifas},
    {32, toRetornoProtestado},
    {33, toRetornoDebitoTarifas},
    {34, toRetornoDespesasProtesto},
    {35, toRetornoDespesasSustacaoProtesto},
    {36, toRetornoDebitoTarifas},
    {37, toRetornoDebitoTarifas},
    {38, toRetornoDebitoTarifas},
    {39, toRetornoDebitoTarifas},
    {40, toRetornoDebitoTarifas},
    {41, toRetornoDebitoTarifas},
    {42, toRetornoDebitoTarifas},
    {43, toRetornoDebitoTarifas},
    {44, toRetornoDebitoTarifas},
    {45, toRetornoDespesasProtesto},
    {46, toRetornoDespesasSustacaoProtesto},
    {48, toRetornoDebitoTarifas},
    {51, toRetornoDebitoTarifas},
    {52, toRetornoDebitoTarifas},
    {53, toRetornoDebitoTarifas},
    {54, toRetornoDebitoTarifas},
    {55, toRetornoDebitoTarifas},
    {56, toRetornoDebitoTarifas},
};
constexpr KindRow kTipos479[] = {
    {2, toRetornoRegistroConfirmado},
    {3, toRetornoRegistroRecusado},
    {6, toRetornoLiquidado},
    {9, toRetornoBaixado},
    {10, toRetornoComandoRecusado},
    {11, toRetornoTituloEmSer},
    {13, toRetornoVencimentoAlterado},
    {14, toRetornoComandoRecusado},
    {15, toRetornoProtestado},
    {16, toRetornoComandoRecusado},
    {17, toRetornoAbatimentoConcedido},
    {18, toRetornoComandoRecusado},
    {19, toRetornoProtestoSustado},
    {20, toRetornoComandoRecusado},
    {21, toRetornoComandoRecusado},
    {22, toRetornoAbatimentoCancelado},
    {23, toRetornoComandoRecusado},
    {24, toRetornoLiquidadoEmCartorio},
    {25, toRetornoDadosAlterados},
    {26, toRetornoComandoRecusado},
    {28, toRetornoComandoRecusado},
    {29, toRetornoLiquidadoParcialmente},
    {30, toRetornoComandoRecusado},
    {31, toRetornoJurosDispensados},
    {32, toRetornoComandoRecusado},
    {33, toRetornoEncaminhadoACartorio},
    {36, toRetornoDespesasProtesto},
    {90, toRetornoBaixado},
    {91, toRetornoBaixaSolicitada},
    {92, toRetornoBaixaPorProtesto},
};
constexpr KindTable kTabela104{kTipos104, &kTabelaComum, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela237{kTipos237, nullptr, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela341{kTipos341, nullptr, toRetornoOutrasOcorrencias};
constexpr KindTable kTabela479{kTipos479, nullptr, toRetornoOutrasOcorrencias};

// ---------------------------------------------------------------------------
// Reader rows.

enum class Target : std::uint8_t {
    SeuNumero, NumeroDocumento, NossoNumero, Carteira, Agencia, NumeroConta, DigitoConta, CodigoCedente,
    DigitoCodigoCedente, SacadoNome, DataOcorrencia, DataCredito, ValorDocumento, ValorIOF, ValorAbatimento,
    ValorDesconto, ValorMoraJuros, ValorOutrosCreditos, ValorDespesaCobranca, ValorOutrasDespesas,
};

enum class Conv : std::uint8_t {
    kText,          // the bytes as they stand, decoded
    kEmpty,         // the empty text, whatever the positions hold
    kMoney,         // decimal number / 100; raises
    kMoneyOrZero,   // as kMoney, 0 when it does not convert
    kZeroMoney,     // 0 when the zero test passes, else kMoney
    kDate,          // ddmmyy with the two-digit-year pivot; raises
    kZeroDate,      // 0 when the zero test passes, else kDate
    kDateYmd,       // yyyymmdd through the short-date conversion; 0 when blank
};

struct Field {
    Target target;
    int from;  // 1-based byte positions, inclusive
    int to;
    Conv conv;
};

enum class Frame : std::uint8_t {
    kStandard,     // 240: the layout is set and the read refused; 400: the reader; else invalid
    k104,          // 240: the CNAB 240 reader
    k237,          // 240: refused without setting the layout
    k748,          // no 240 case
    kReaderOnly,   // the reader is LerRetorno itself
};

enum class HeaderCheck : std::uint8_t { kLong, kShort, kShortThenLong };

enum class Number : std::uint8_t {
    kNone,          // not read: NumeroArquivo keeps its value
    kInteger,       // integer of the trimmed text
    kZeroInteger,   // 0 when the zero test passes, else kInteger
    kIfConverts,    // kInteger when the text converts, else NumeroArquivo keeps its value
};

enum class FileDate : std::uint8_t { kDate95, kZeroDate95, kDateYmd95 };

enum class Occurrence : std::uint8_t {
    kNone,         // nothing written
    kKindOnly,     // TipoOcorrencia only
    kCodeAndKind,  // OcorrenciaOriginal and TipoOcorrencia, no description
    kDescribed,    // code, description (the bank's texts) and kind
};

enum class Motive : std::uint8_t {
    kNone,
    kLookup,       // code at the positions, description by the bank's motive texts
    kSameText,     // the description repeats the code text
    kOnRejection,  // only for a refused record: the reader's own table
};

struct Reader {
    std::string_view code;  // the bank's name is its row's in the engine's bank table
    Frame frame;
    bool length_step;       // the reader itself refuses a first line that is not 400 bytes
    HeaderCheck header;
    std::size_t min_lines;  // fewer lines: the empty-return message
    Number number;
    int number_from, number_to;
    FileDate date;
    std::span<const Field> fields;
    Occurrence occurrence;
    const KindTable* kinds;
    Motive motive;
    int motive_from, motive_to;
    codetext::Table (*own_motives)();  // kOnRejection
    // Bank code where a reader really differs: called after the fields.
    void (*extra)(std::string_view line, TcbTitulo& titulo);
};

using T = Target;
using C = Conv;

#define COMMON_VALUES(money)                                                                   \
    {T::ValorDocumento, 153, 165, C::kMoney}, {T::ValorIOF, 215, 227, money},                   \
        {T::ValorAbatimento, 228, 240, money}, {T::ValorDesconto, 241, 253, money},             \
        {T::ValorMoraJuros, 267, 279, money}, {T::ValorOutrosCreditos, 280, 292, money}

constexpr Field k001[] = {
    {T::SeuNumero, 38, 62, C::kText},     {T::NumeroDocumento, 117, 126, C::kText},
    {T::NossoNumero, 63, 73, C::kText},   {T::Carteira, 107, 108, C::kText},
    {T::Agencia, 18, 21, C::kText},       {T::DigitoConta, 22, 22, C::kText},
    {T::DataOcorrencia, 111, 116, C::kDate}, COMMON_VALUES(C::kMoney),
    {T::ValorDespesaCobranca, 189, 201, C::kMoney}, {T::SacadoNome, 347, 376, C::kText},
    {T::DataCredito, 111, 116, C::kDate},
};
constexpr Field k748[] = {
    {T::SeuNumero, 117, 126, C::kText},   {T::NumeroDocumento, 117, 126, C::kText},
    {T::NossoNumero, 48, 62, C::kText},   {T::Carteira, 107, 108, C::kText},
    {T::Agencia, 18, 21, C::kText},       {T::DigitoConta, 22, 22, C::kText},
    {T::DataOcorrencia, 111, 116, C::kDate}, COMMON_VALUES(C::kMoneyOrZero),
    {T::ValorDespesaCobranca, 189, 201, C::kMoneyOrZero}, {T::SacadoNome, 347, 376, C::kText},
    {T::DataCredito, 329, 336, C::kDateYmd},
};
constexpr Field k291[] = {
    {T::SeuNumero, 38, 62, C::kText},     {T::NumeroDocumento, 117, 126, C::kText},
    {T::NossoNumero, 139, 146, C::kText}, {T::Carteira, 108, 108, C::kText},
    {T::Agencia, 169, 172, C::kText},     {T::DigitoConta, 173, 173, C::kText},
    {T::DataOcorrencia, 111, 116, C::kDate}, COMMON_VALUES(C::kMoney),
    {T::ValorDespesaCobranca, 202, 214, C::kMoney}, {T::DataCredito, 111, 116, C::kDate},
};
constexpr Field k320[] = {
    {T::SeuNumero, 38, 62, C::kText},     {T::NumeroDocumento, 117, 126, C::kText},
    {T::NossoNumero, 63, 70, C::kText},   {T::Carteira, 108, 108, C::kText},
    {T::Agencia, 169, 172, C::kText},     {T::DigitoConta, 173, 173, C::kText},
    {T::DataOcorrencia, 111, 116, C::kDate}, {T::ValorDocumento, 153, 165, C::kMoney},
    {T::ValorIOF, 215, 227, C::kMoney},   {T::ValorAbatimento, 228, 240, C::kMoney},
    {T::ValorDesconto, 228, 240, C::kMoney}, {T::ValorMoraJuros, 267, 279, C::kMoney},
    {T::ValorOutrosCreditos, 280, 292, C::kMoney}, {T::ValorDespesaCobranca, 176, 188, C::kMoney},
    {T::DataCredito, 111, 116, C::kDate},
};
// 353, 394 and 422 differ only in the nosso número's width.
#define FIELDS_169(nn_to)                                                                         \
    {T::SeuNumero, 38, 62, C::kText}, {T::NumeroDocumento, 117, 126, C::kText},                  \
        {T::NossoNumero, 63, nn_to, C::kText}, {T::Carteira, 108, 108, C::kText},                 \
        {T::Agencia, 169, 172, C::kText}, {T::DigitoConta, 173, 173, C::kText},                   \
        {T::DataOcorrencia, 111, 116, C::kDate}, COMMON_VALUES(C::kMoney),                        \
        {T::ValorDespesaCobranca, 176, 188, C::kMoney}, {T::DataCredito, 111, 116, C::kDate}
constexpr Field k353[] = {FIELDS_169(70)};
constexpr Field k394[] = {FIELDS_169(76)};
constexpr Field k422[] = {FIELDS_169(71)};
constexpr Field k409[] = {
    {T::SeuNumero, 38, 62, C::kText},     {T::NumeroDocumento, 117, 126, C::kText},
    {T::NossoNumero, 63, 72, C::kText},   {T::Carteira, 108, 108, C::kText},
    {T::Agencia, 18, 21, C::kText},       {T::NumeroConta, 22, 27, C::kText},
    {T::DigitoConta, 28, 28, C::kText},   {T::DataOcorrencia, 111, 116, C::kDate},
    {T::ValorDocumento, 153, 165, C::kMoney}, {T::ValorAbatimento, 228, 240, C::kMoney},
    {T::ValorDesconto, 241, 253, C::kMoney}, {T::ValorMoraJuros, 267, 279, C::kMoney},
    {T::ValorDespesaCobranca, 176, 188, C::kMoney}, {T::SacadoNome, 347, 376, C::kText},
    {T::DataCredito, 111, 116, C::kDate},
};
constexpr Field k745[] = {
    {T::SeuNumero, 38, 62, C::kText},     {T::NumeroDocumento, 117, 126, C::kText},
    {T::NossoNumero, 65, 76, C::kText},   {T::Carteira, 108, 108, C::kText},
    {T::Agencia, 169, 173, C::kText},     {T::DataOcorrencia, 111, 116, C::kDate},
    {T::ValorDocumento, 153, 165, C::kMoney}, {T::ValorIOF, 215, 227, C::kMoney},
    {T::ValorAbatimento, 228, 240, C::kMoney}, {T::ValorDesconto, 241, 253, C::kMoney},
    {T::ValorMoraJuros, 267, 279, C::kMoney}, {T::ValorDespesaCobranca, 176, 188, C::kMoney},
    {T::DataCredito, 111, 116, C::kDate},
};
constexpr Field k104[] = {
    {T::NumeroDocumento, 38, 62, C::kText}, {T::NossoNumero, 63, 72, C::kText},
    {T::Agencia, 18, 21, C::kText},       {T::NumeroConta, 22, 32, C::kText},
    {T::DigitoConta, 33, 33, C::kText},   {T::Carteira, 107, 108, C::kText},
    {T::DataOcorrencia, 111, 116, C::kZeroDate}, {T::DataCredito, 294, 299, C::kZeroDate},
    {T::ValorDocumento, 153, 165, C::kZeroMoney}, {T::ValorIOF, 215, 227, C::kZeroMoney},
    {T::ValorAbatimento, 228, 240, C::kZeroMoney}, {T::ValorDesconto, 241, 253, C::kZeroMoney},
    {T::ValorMoraJuros, 267, 279, C::kZeroMoney}, {T::ValorOutrosCreditos, 280, 292, C::kZeroMoney},
    {T::ValorDespesaCobranca, 176, 188, C::kZeroMoney},
};
constexpr Field k237[] = {
    {T::NumeroDocumento, 38, 62, C::kText}, {T::NossoNumero, 71, 81, C::kText},
    {T::Carteira, 22, 24, C::kText},      {T::Agencia, 25, 29, C::kText},
    {T::NumeroConta, 30, 36, C::kText},   {T::DigitoConta, 37, 37, C::kText},
    {T::DataOcorrencia, 111, 116, C::kDate}, COMMON_VALUES(C::kMoney),
    {T::ValorDespesaCobranca, 176, 188, C::kMoney}, {T::ValorOutrasDespesas, 189, 201, C::kMoney},
    {T::DataCredito, 296, 301, C::kZeroDate},
};
constexpr Field k341[] = {
    {T::Agencia, 18, 21, C::kText},       {T::NumeroConta, 24, 28, C::kText},
    {T::DigitoConta, 29, 29, C::kText},   {T::CodigoCedente, 24, 28, C::kText},
    {T::DigitoCodigoCedente, 29, 29, C::kText}, {T::SeuNumero, 38, 62, C::kText},
    {T::NossoNumero, 63, 70, C::kText},   {T::Carteira, 83, 85, C::kText},
    {T::DataOcorrencia, 111, 116, C::kDate}, {T::ValorDocumento, 153, 165, C::kMoney},
    {T::ValorDespesaCobranca, 176, 188, C::kMoney}, {T::ValorIOF, 215, 227, C::kMoney},
    {T::ValorAbatimento, 228, 240, C::kMoney}, {T::ValorDesconto, 241, 253, C::kMoney},
    {T::ValorMoraJuros, 267, 279, C::kMoney}, {T::ValorOutrosCreditos, 280, 292, C::kMoney},
    {T::DataCredito, 296, 301, C::kZeroDate}, {T::SacadoNome, 325, 354, C::kText},
};
constexpr Field k021[] = {
    {T::SeuNumero, 38, 62, C::kText},     {T::NossoNumero, 63, 70, C::kText},
    {T::NumeroConta, 18, 28, C::kText},   {T::CodigoCedente, 18, 28, C::kText},
    {T::DataOcorrencia, 111, 116, C::kDate}, COMMON_VALUES(C::kMoney),
    {T::ValorDespesaCobranca, 176, 188, C::kMoney}, {T::ValorOutrasDespesas, 189, 201, C::kMoney},
};
constexpr Field k389[] = {
    {T::SeuNumero, 38, 62, C::kText},     {T::NossoNumero, 67, 76, C::kText},
    {T::Agencia, 18, 21, C::kText},       {T::NumeroConta, 24, 30, C::kText},
    {T::CodigoCedente, 29, 37, C::kText}, {T::DataOcorrencia, 111, 116, C::kDate},
    COMMON_VALUES(C::kMoney),             {T::ValorDespesaCobranca, 176, 188, C::kMoney},
    {T::DataCredito, 296, 301, C::kZeroDate},
};
// 275 and 356 differ only in the nosso número's width.
#define FIELDS_REAL(nn_to)                                                                        \
    {T::SeuNumero, 38, 62, C::kEmpty}, {T::NossoNumero, 45, nn_to, C::kText},                     \
        {T::Carteira, 108, 108, C::kText}, {T::Agencia, 19, 22, C::kText},                        \
        {T::NumeroConta, 24, 30, C::kText}, {T::CodigoCedente, 24, 30, C::kText},                 \
        {T::DataOcorrencia, 111, 116, C::kDate}, COMMON_VALUES(C::kMoney),                        \
        {T::DataCredito, 296, 301, C::kZeroDate}
constexpr Field k275[] = {FIELDS_REAL(59)};
constexpr Field k356[] = {FIELDS_REAL(57)};
constexpr Field k479[] = {
    {T::SeuNumero, 38, 62, C::kText},     {T::NossoNumero, 63, 71, C::kText},
    {T::DataOcorrencia, 111, 116, C::kDate}, {T::ValorDocumento, 153, 165, C::kMoney},
    {T::ValorIOF, 215, 227, C::kMoney},   {T::ValorDesconto, 228, 240, C::kMoney},
    {T::ValorMoraJuros, 267, 279, C::kMoney}, {T::DataCredito, 286, 291, C::kZeroDate},
    {T::SacadoNome, 292, 331, C::kText},
};

#undef COMMON_VALUES
#undef FIELDS_169
#undef FIELDS_REAL

void extra_341(std::string_view line, TcbTitulo& titulo);

constexpr Reader kReaders[] = {
    // The standard family.
    {"001", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kInteger, 101, 107,
     FileDate::kDate95, k001, Occurrence::kDescribed, &kTabela001, Motive::kLookup, 81, 82, nullptr, nullptr},
    {"999", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kInteger, 101, 107,
     FileDate::kDate95, k001, Occurrence::kDescribed, &kTabela001, Motive::kLookup, 81, 82, nullptr, nullptr},
    {"748", Frame::k748, true, HeaderCheck::kLong, 1, Number::kIfConverts, 101, 107,
     FileDate::kDateYmd95, k748, Occurrence::kDescribed, &kTabela748, Motive::kLookup, 319, 320, nullptr, nullptr},
    {"291", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kInteger, 389, 394,
     FileDate::kDate95, k291, Occurrence::kDescribed, &kTabela291, Motive::kLookup, 299, 308, nullptr, nullptr},
    {"320", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kInteger, 109, 115,
     FileDate::kDate95, k320, Occurrence::kDescribed, &kTabela320, Motive::kLookup, 135, 136, nullptr, nullptr},
    {"353", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kInteger, 392, 394,
     FileDate::kDate95, k353, Occurrence::kDescribed, &kTabela353, Motive::kNone, 0, 0, nullptr, nullptr},
    {"394", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kInteger, 109, 114,
     FileDate::kDate95, k394, Occurrence::kDescribed, &kTabela394, Motive::kSameText, 302, 351, nullptr, nullptr},
    {"409", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kInteger, 392, 394,
     FileDate::kDate95, k409, Occurrence::kDescribed, &kTabela409, Motive::kLookup, 380, 381, nullptr, nullptr},
    {"422", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kInteger, 392, 394,
     FileDate::kDate95, k422, Occurrence::kDescribed, &kTabela422, Motive::kLookup, 105, 107, nullptr, nullptr},
    {"745", Frame::kStandard, true, HeaderCheck::kLong, 1, Number::kNone, 0, 0,
     FileDate::kDate95, k745, Occurrence::kDescribed, &kTabela745, Motive::kLookup, 302, 321, nullptr, nullptr},
    // Readers with rules of their own.
    {"104", Frame::k104, true, HeaderCheck::kLong, 3, Number::kZeroInteger, 390, 394,
     FileDate::kZeroDate95, k104, Occurrence::kCodeAndKind, &kTabela104, Motive::kOnRejection, 80, 82,
     &codetext::motivos_104, nullptr},
    {"237", Frame::k237, false, HeaderCheck::kShort, 1, Number::kInteger, 109, 113,
     FileDate::kDate95, k237, Occurrence::kDescribed, &kTabela237, Motive::kOnRejection, 319, 320,
     &codetext::motivos_237, nullptr},
    {"341", Frame::kStandard, true, HeaderCheck::kShortThenLong, 1, Number::kInteger, 109, 113,
     FileDate::kDate95, k341, Occurrence::kDescribed, &kTabela341, Motive::kLookup, 378, 385, nullptr, &extra_341},
    // Readers without occurrence texts: LerRetorno is the reader.
    {"021", Frame::kReaderOnly, false, HeaderCheck::kShort, 1, Number::kInteger, 101, 107,
     FileDate::kDate95, k021, Occurrence::kNone, nullptr, Motive::kNone, 0, 0, nullptr, nullptr},
    {"389", Frame::kReaderOnly, false, HeaderCheck::kShort, 1, Number::kInteger, 390, 394,
     FileDate::kDate95, k389, Occurrence::kNone, nullptr, Motive::kNone, 0, 0, nullptr, nullptr},
    {"479", Frame::kReaderOnly, false, HeaderCheck::kShort, 1, Number::kInteger, 391, 394,
     FileDate::kDate95, k479, Occurrence::kKindOnly, &kTabela479, Motive::kNone, 0, 0, nullptr, nullptr},
    {"275", Frame::kReaderOnly, true, HeaderCheck::kShort, 1, Number::kInteger, 109, 116,
     FileDate::kDate95, k275, Occurrence::kNone, nullptr, Motive::kNone, 0, 0, nullptr, nullptr},
    {"356", Frame::kReaderOnly, true, HeaderCheck::kShort, 1, Number::kInteger, 109, 116,
     FileDate::kDate95, k356, Occurrence::kNone, nullptr, Motive::kNone, 0, 0, nullptr, nullptr},
};

const Reader* find_reader(std::string_view code) {
    for (const Reader& r : kReaders) {
        if (r.code == code) return &r;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Field conversions.

// ddmmyy: two-digit years above 69 are 19xx, the others 20xx.
TDateTime short_date(std::string_view raw) {
    if (raw.size() == 6 && all_digits(raw)) {
        const int day = (raw[0] - '0') * 10 + (raw[1] - '0');
        const int month = (raw[2] - '0') * 10 + (raw[3] - '0');
        const int yy = (raw[4] - '0') * 10 + (raw[5] - '0');
        return EncodeDate(yy > 69 ? 1900 + yy : 2000 + yy, month, day);
    }
    const int day = integer(raw.substr(0, std::min<std::size_t>(2, raw.size())));
    const int month = integer(raw.size() > 2 ? raw.substr(2, 2) : std::string_view());
    const std::string yy(raw.size() > 4 ? raw.substr(4, 2) : std::string_view());
    const int year = integer(yy) > 69 ? integer("19" + yy) : integer("20" + yy);
    return EncodeDate(year, month, day);
}

const TFormatSettings& day_month_year() {
    static const TFormatSettings settings = [] {
        TFormatSettings fs;
        fs.ShortDateFormat = "dd/mm/yyyy";
        fs.DateSeparator = '/';
        return fs;
    }();
    return settings;
}

// yyyymmdd as the text dd/mm/yyyy read by the short-date conversion.
TDateTime date_ymd(std::string_view raw) {
    const std::string text = decode(slice(raw, 7, 8)) + "/" + decode(slice(raw, 5, 6)) + "/" +
                             decode(slice(raw, 1, 4));
    return StrToDate(text, day_month_year());
}

// ---------------------------------------------------------------------------
// The skeleton.



[[noreturn]] void fail(const std::string& message) { throw Exception(message); }

constexpr std::string_view kVazio = "O retorno está vazio. Não há dados para processar";

[[noreturn]] void fail_length_400(std::uint64_t length) {
    fail(Format("Tamanho de registro diferente de 400 bytes. Tamanho = %d bytes", {length}));
}

[[noreturn]] void fail_invalid_length(std::uint64_t length) {
    fail(Format("Tamanho de registro inválido: %d", {length}));
}

// The lines after the header, the first few read ahead so that a short file
// is told apart from a long one without knowing the line count.
class Ahead final : public LineSource {
public:
    static constexpr std::size_t kLines = 3;  // the most that a short-file rule counts after the header
    explicit Ahead(LineSource& rest) : rest_(rest) {
        std::string_view l;
        while (kept_.size() < kLines && rest_.next(l)) kept_.push_back({std::string(l), rest_.length_of(l)});
        ended_ = kept_.size() < kLines;
    }
    // The number of lines in all, the header included, when the file is that short.
    std::size_t count(std::size_t given) const { return ended_ ? 1 + kept_.size() : given; }
    bool next(std::string_view& line) override {
        if (i_ < kept_.size()) {
            line = kept_[i_++].text;
            return true;
        }
        return rest_.next(line);
    }
    std::uint64_t length_of(std::string_view line) const override {
        for (const Kept& k : kept_) {
            if (line.data() == k.text.data()) return k.length;
        }
        return rest_.length_of(line);
    }

private:
    struct Kept {
        std::string text;
        std::uint64_t length;
    };
    LineSource& rest_;
    std::vector<Kept> kept_;
    std::size_t i_ = 0;
    bool ended_ = false;
};

struct HeaderValues {
    bool has_number = false;
    int number = 0;
    TDateTime date = 0;
};

void check_header_name(const TcbCobranca& batch, std::string_view header, bool long_form) {
    if (slice(header, 1, 19) != "02RETORNO01COBRANCA") {
        fail(batch.NomeArquivoRetorno + (long_form ? " não é um arquivo de retorno de cobrança com layout CNAB400"
                                                   : " não é um arquivo de retorno de cobrança"));
    }
}

void check_length(TcbCobranca& batch, std::string_view header, std::uint64_t length) {
    if (header.size() != 400) {
        batch.LayoutArquivo = laInvalido;
        fail_length_400(length);
    }
    batch.LayoutArquivo = laCNAB400;
}

void read_header_values(const Reader& r, std::string_view header, HeaderValues& v);

HeaderValues read_header(const Reader& r, const RetornoComo& como, TcbCobranca& batch, std::string_view header,
                         std::uint64_t length) {
    if (r.header == HeaderCheck::kShortThenLong) check_header_name(batch, header, false);
    if (r.length_step) {
        check_length(batch, header, length);
    } else if (header.size() > 400) {
        // No layout step, but a first line longer than a record is no header:
        // a file whose lines end in lone CRs, or one without line ends at all.
        fail_invalid_length(length);
    }
    check_header_name(batch, header, r.header != HeaderCheck::kShort);
    if (slice(header, 77, 79) != como.code) {
        fail(Format("Este não é um retorno de cobrança do banco %s - %s", {como.code, como.name}));
    }
    // The checks above judge the file; a header field that does not convert
    // is a fault of its record, line 1.
    HeaderValues v;
    at_line(1, [&] { read_header_values(r, header, v); });
    return v;
}

void read_header_values(const Reader& r, std::string_view header, HeaderValues& v) {
    switch (r.date) {
        case FileDate::kDate95:
            v.date = short_date(slice(header, 95, 100));
            break;
        case FileDate::kZeroDate95:
            v.date = zero_test(slice(header, 95, 100), 6) ? 0 : short_date(slice(header, 95, 100));
            break;
        case FileDate::kDateYmd95:
            v.date = date_ymd(slice(header, 95, 102));
            break;
    }
    const std::string_view number = slice(header, r.number_from, r.number_to);
    switch (r.number) {
        case Number::kNone:
            break;
        case Number::kInteger:
            v.has_number = true;
            v.number = integer(Trim(number));
            break;
        case Number::kZeroInteger:
            v.has_number = true;
            v.number = zero_test(number, r.number_to - r.number_from + 1) ? 0 : integer(Trim(number));
            break;
        case Number::kIfConverts:
            v.has_number = TryStrToInt(Trim(number), v.number);
            break;
    }
}

void set_text(std::string_view raw, std::string& scratch, TcbTitulo& t, Target target) {
    decode_into(raw, scratch);
    switch (target) {
        case T::SeuNumero: t.SetSeuNumero(scratch); break;
        case T::NumeroDocumento: t.SetNumeroDocumento(scratch); break;
        case T::NossoNumero: t.SetNossoNumero(scratch); break;
        case T::Carteira: t.SetCarteira(scratch); break;
        case T::Agencia: t.Cedente().ContaBancaria().SetCodigoAgencia(scratch); break;
        case T::NumeroConta: t.Cedente().ContaBancaria().SetNumeroConta(scratch); break;
        case T::DigitoConta: t.Cedente().ContaBancaria().SetDigitoConta(scratch); break;
        case T::CodigoCedente: t.Cedente().SetCodigoCedente(scratch); break;
        case T::DigitoCodigoCedente: t.Cedente().SetDigitoCodigoCedente(scratch); break;
        case T::SacadoNome: t.Sacado().SetNome(scratch); break;
        default: break;
    }
}

void set_date(TcbTitulo& t, Target target, TDateTime d) {
    if (target == T::DataOcorrencia) t.SetDataOcorrencia(d);
    if (target == T::DataCredito) t.SetDataCredito(d);
}

void set_money(TcbTitulo& t, Target target, Currency v) {
    switch (target) {
        case T::ValorDocumento: t.SetValorDocumento(v); break;
        case T::ValorIOF: t.SetValorIOF(v); break;
        case T::ValorAbatimento: t.SetValorAbatimento(v); break;
        case T::ValorDesconto: t.SetValorDesconto(v); break;
        case T::ValorMoraJuros: t.SetValorMoraJuros(v); break;
        case T::ValorOutrosCreditos: t.SetValorOutrosCreditos(v); break;
        case T::ValorDespesaCobranca: t.SetValorDespesaCobranca(v); break;
        case T::ValorOutrasDespesas: t.SetValorOutrasDespesas(v); break;
        default: break;
    }
}

void read_field(const Field& f, std::string_view line, std::string& scratch, TcbTitulo& t) {
    const std::string_view raw = slice(line, f.from, f.to);
    const int width = f.to - f.from + 1;
    switch (f.conv) {
        case C::kText: set_text(raw, scratch, t, f.target); break;
        case C::kEmpty: set_text({}, scratch, t, f.target); break;
        case C::kMoney: set_money(t, f.target, money(raw)); break;
        case C::kMoneyOrZero: set_money(t, f.target, money_or_zero(raw)); break;
        case C::kZeroMoney: set_money(t, f.target, zero_test(raw, width) ? Currency() : money(raw)); break;
        case C::kDate: set_date(t, f.target, short_date(raw)); break;
        case C::kZeroDate: set_date(t, f.target, zero_test(raw, width) ? 0 : short_date(raw)); break;
        case C::kDateYmd: set_date(t, f.target, Trim(raw).empty() ? 0 : date_ymd(raw)); break;
    }
}

void read_occurrence(const Reader& r, const codetext::BankTexts* texts, std::string_view line, TcbTitulo& t) {
    const std::string_view code = slice(line, 109, 110);
    switch (r.occurrence) {
        case Occurrence::kNone:
            return;
        case Occurrence::kKindOnly:
            t.SetTipoOcorrencia(kind_of(*r.kinds, integer(code)));
            return;
        case Occurrence::kCodeAndKind:
            t.SetOcorrenciaOriginal(decode(code));
            t.SetTipoOcorrencia(kind_of(*r.kinds, integer(code)));
            return;
        case Occurrence::kDescribed:
            t.SetOcorrenciaOriginal(decode(code));
            t.SetDescricaoOcorrenciaOriginal(codetext::ocorrencia(*texts, t.OcorrenciaOriginal()));
            t.SetTipoOcorrencia(kind_of(*r.kinds, integer(code)));
            return;
    }
}

void read_motive(const Reader& r, const codetext::BankTexts* texts, std::string_view line, TcbTitulo& t) {
    switch (r.motive) {
        case Motive::kNone:
            return;
        case Motive::kLookup:
            t.SetMotivoRejeicaoComando(decode(slice(line, r.motive_from, r.motive_to)));
            t.SetDescricaoMotivoRejeicaoComando(codetext::motivo(*texts, t.MotivoRejeicaoComando()));
            return;
        case Motive::kSameText:
            t.SetMotivoRejeicaoComando(decode(slice(line, r.motive_from, r.motive_to)));
            t.SetDescricaoMotivoRejeicaoComando(t.MotivoRejeicaoComando());
            return;
        case Motive::kOnRejection: {
            if (t.TipoOcorrencia() != toRetornoRegistroRecusado && t.TipoOcorrencia() != toRetornoComandoRecusado) {
                t.SetMotivoRejeicaoComando({});
                t.SetDescricaoMotivoRejeicaoComando({});
                return;
            }
            const std::string code = decode(slice(line, r.motive_from, r.motive_to));
            const std::string_view text = codetext::text_of(r.own_motives(), integer(code));
            t.SetDescricaoMotivoRejeicaoComando(text.empty() ? code + " - Outros motivos" : std::string(text));
            t.SetMotivoRejeicaoComando(code);
            return;
        }
    }
}

// 341: a document-kind code of the record, and a payer of kind tiOutro.
void extra_341(std::string_view line, TcbTitulo& t) {
    static constexpr std::pair<int, TEspecieDocumento> kEspecies[] = {
        {1, edDuplicataMercantil}, {2, edNotaPromissoria}, {3, edNotaSeguro}, {4, edMensalidadeEscolar},
        {5, edRecibo},             {6, edContrato},        {7, edCosseguros}, {8, edDuplicataServico},
        {9, edLetraCambio},        {13, edNotaDebito},
    };
    const std::string_view raw = slice(line, 174, 175);
    TEspecieDocumento especie = edOutros;
    if (!Trim(raw).empty()) {
        const int code = integer(raw);
        for (const auto& [c, e] : kEspecies) {
            if (c == code) especie = e;
        }
    }
    t.SetEspecieDocumento(especie);
    t.Sacado().SetTipoInscricao(tiOutro);
}

void commit(TcbCobranca& batch, const HeaderValues& v) {
    if (v.has_number) batch.NumeroArquivo = v.number;
    batch.DataArquivo = v.date;
}

// Reads the header and every detail record; sink receives each title.
void read_400(const Reader& r, const RetornoComo& como, TcbCobranca& batch, std::string_view header,
              std::uint64_t header_length, LineSource& rest, std::size_t available, const TitleSink& sink) {
    // 104 wants header, detail and trailer; a short file is empty unless it
    // holds a detail record (the trailer may be missing).
    std::vector<std::string_view> few;
    SpanLines few_lines(few);
    LineSource* source = &rest;
    if (available < r.min_lines) {
        std::string_view l;
        while (rest.next(l)) few.push_back(l);
        if (std::none_of(few.begin(), few.end(), [](std::string_view x) { return !x.empty() && x[0] == '1'; })) {
            fail(std::string(kVazio));
        }
        few_lines = SpanLines(few);
        source = &few_lines;
    }
    commit(batch, read_header(r, como, batch, header, header_length));
    const codetext::BankTexts* texts = codetext::find_bank(r.code);

    TcbTitulo titulo(*como.profile);
    titulo.Cedente().ContaBancaria().Banco().SetCodigo(std::string(como.code));
    if (r.code == "479") {
        titulo.Cedente().SetCodigoCedente(decode(slice(header, 30, 37)));
        titulo.Cedente().SetNome(Trim(decode(slice(header, 38, 76))));
    } else {
        titulo.Cedente().SetNome(Trim(decode(slice(header, 47, 76))));
    }
    std::string scratch;
    std::string_view line;
    // Lines are counted here, where each is read as a record: the source
    // may have read ahead of it.
    std::uint64_t number = 1;  // the header's
    while (source->next(line)) {
        ++number;
        if (line.empty() || line[0] != '1') continue;
        at_line(number, [&] {
            if (line.size() != 400) fail_length_400(source->length_of(line));
            const std::string_view kind = slice(line, 2, 3);
            titulo.Cedente().SetTipoInscricao(kind == "01"   ? tiPessoaFisica
                                              : kind == "02" ? tiPessoaJuridica
                                                             : tiOutro);
            decode_into(slice(line, 4, 17), scratch);
            titulo.Cedente().SetNumeroCPFCGC(scratch);
            for (const Field& f : r.fields) read_field(f, line, scratch, titulo);
            read_occurrence(r, texts, line, titulo);
            read_motive(r, texts, line, titulo);
            if (r.extra != nullptr) r.extra(line, titulo);
        });
        sink(titulo);
    }
}

const BankRow* bank_of(std::string_view code) {
    for (const BankRow& row : bank_table()) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

// Which part of LerRetorno runs.
enum class Mode : std::uint8_t {
    kFrame,      // LerRetorno: the layout from the first line, then its reader
    kReader400,  // LerRetornoCNAB400
    kReader240,  // LerRetornoCNAB240 (bank 104)
};

// The frame: false when the bank has no CNAB 400 reader for this file.
// `clear` empties the batch's titles once the bank is known to read.
bool frame(const RetornoComo& binding, TcbCobranca& batch, LineSource& lines, std::size_t count, const TitleSink& sink,
           Mode mode, bool clear) {
    const std::string_view code = binding.layout;
    const BankRow* bank = bank_of(code);
    if (bank == nullptr) fail(Format("O banco %s não está disponível", {code}));
    // The frame's messages name the bound class's bank, else the engine bank.
    const std::string_view frame_name = binding.name.empty() ? std::string_view(bank->name) : binding.name;
    const Reader* r = find_reader(code);
    if (r == nullptr) {
        if (code == "347") {
            fail(Format("Processamento de arquivo remessa não está disponível para o banco %s - %s", {code, bank->name}));
        }
        fail(Format("Processamento de arquivo retorno não está disponível para o banco %s - %s", {code, bank->name}));
    }
    if (clear) batch.Titulos.Clear();
    std::string_view header;
    if (count == 0 || !lines.next(header)) fail(std::string(kVazio));
    // The header stays valid while lines are read ahead: a copy.
    const std::uint64_t length = lines.length_of(header);
    const std::string first(header);
    header = first;
    Ahead rest(lines);
    count = rest.count(count);
    if (mode == Mode::kReader240) {
        ler_cnab240(batch, header, rest, count, sink);
        return true;
    }
    if (mode == Mode::kFrame) {
        switch (r->frame) {
            case Frame::k104:
                if (header.size() == 240) {
                    batch.LayoutArquivo = laCNAB240;
                    ler_cnab240(batch, header, rest, count, sink);
                    return true;
                }
                [[fallthrough]];
            case Frame::kStandard:
                if (header.size() == 240) {
                    batch.LayoutArquivo = laCNAB240;
                    fail(Format("A leitura de arquivo de retorno para o %s não está está disponível para o layout "
                                "laCNAB240",
                                {frame_name}));
                }
                [[fallthrough]];
            case Frame::k748:
                if (header.size() != 400) {
                    batch.LayoutArquivo = laInvalido;
                    fail_invalid_length(length);
                }
                batch.LayoutArquivo = laCNAB400;
                break;
            case Frame::k237:
                if (header.size() == 240) {
                    fail(Format("A leitura de arquivo de retorno para o %s não está está disponível para o layout "
                                "laCNAB240",
                                {frame_name}));
                }
                if (header.size() != 400) {
                    batch.LayoutArquivo = laInvalido;
                    fail_invalid_length(length);
                }
                batch.LayoutArquivo = laCNAB400;
                break;
            case Frame::kReaderOnly:
                break;
        }
    }
    RetornoComo como = binding;
    if (como.code.empty()) como.code = r->code;
    if (como.name.empty()) como.name = bank->name;
    if (como.profile == nullptr) como.profile = &engine_profile();
    read_400(*r, como, batch, header, length, rest, count, sink);
    return true;
}

// Reads into the batch's title list: cleared first, a copy of each title
// appended as it is read.
bool read_into_batch(const RetornoComo& como, TcbCobranca& batch, LinhasRetorno lines, Mode mode) {
    const ModelProfile& profile = como.profile == nullptr ? engine_profile() : *como.profile;
    SpanLines source(lines);
    const TitleSink sink = [&](const TcbTitulo& t) {
        auto copy = std::make_unique<TcbTitulo>(profile);
        copy->CopiarDe(t);
        batch.Titulos.Add(copy.release());
    };
    return frame(como, batch, source, lines.size(), sink, mode, true);
}

}  // namespace

std::vector<std::string_view> split_lines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

StreamLines::StreamLines(TStream& in, std::size_t bound, std::size_t buffer)
    : in_(in), bound_(bound), buffer_(std::max<std::size_t>(buffer, 1)) {}

bool StreamLines::fill() {
    const std::int64_t got = in_.Read(buffer_.data(), std::int64_t(buffer_.size()));
    if (in_.LastError() != 0) throw EReadError("Stream read error");
    pos_ = 0;
    end_ = got > 0 ? std::size_t(got) : 0;
    return end_ > 0;
}

bool StreamLines::next(std::string_view& line) {
    long_.clear();
    std::uint64_t length = 0;
    bool started = false;
    for (;;) {
        if (pos_ == end_ && !fill()) {
            if (!started) return false;
            break;  // a last line without an end
        }
        if (skip_lf_) {
            skip_lf_ = false;
            if (buffer_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        started = true;
        const char* from = buffer_.data() + pos_;
        const char* to = buffer_.data() + end_;
        const char* stop = std::find_if(from, to, [](char c) { return c == '\n' || c == '\r'; });
        const std::size_t n = std::size_t(stop - from);
        if (stop != to && length == 0 && n <= bound_) {
            // The whole line lies in the buffer.
            pos_ += n + 1;
            skip_lf_ = *stop == '\r';
            last_ = line = std::string_view(from, n);
            last_length_ = n;
            return true;
        }
        if (long_.size() < bound_) long_.append(from, std::min(n, bound_ - long_.size()));
        length += n;
        pos_ += n;
        if (stop != to) {
            ++pos_;
            skip_lf_ = *stop == '\r';
            break;
        }
    }
    last_ = line = long_;
    last_length_ = length;
    return true;
}

std::uint64_t StreamLines::length_of(std::string_view line) const {
    return line.data() == last_.data() && line.size() == last_.size() ? last_length_ : line.size();
}

bool ler_retorno(std::string_view code, TcbCobranca& batch, LinhasRetorno lines) {
    return read_into_batch({code}, batch, lines, Mode::kFrame);
}

bool ler_retorno_cnab400(std::string_view code, TcbCobranca& batch, LinhasRetorno lines) {
    return read_into_batch({code}, batch, lines, Mode::kReader400);
}

bool ler_retorno_cnab240(TcbCobranca& batch, LinhasRetorno lines) {
    return read_into_batch({"104"}, batch, lines, Mode::kReader240);
}

bool ler_retorno(std::string_view code, TcbCobranca& batch, LineSource& lines, const TitleSink& sink) {
    return frame({code}, batch, lines, std::size_t(-1), sink, Mode::kFrame, false);
}

bool ler_retorno(const RetornoComo& como, TcbCobranca& batch, LinhasRetorno lines) {
    return read_into_batch(como, batch, lines, Mode::kFrame);
}

bool ler_retorno_cnab400(const RetornoComo& como, TcbCobranca& batch, LinhasRetorno lines) {
    return read_into_batch(como, batch, lines, Mode::kReader400);
}


}  // namespace billing
