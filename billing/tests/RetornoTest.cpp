// CNAB 400 return readers: the frames, the header checks and values, the
// field conversions, and what a failed read leaves in the batch.

#include "billing/Startup.h"
#include "billing/cbCobranca.h"
#include "billing/cbPlugin.h"
#include "billing/cbRetorno400.h"
#include "platform/core/Streams.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace billing;

namespace {

// A record of `size` blanks with texts at 1-based positions.
std::string rec(std::vector<std::pair<int, std::string>> at, std::size_t size = 400) {
    std::string s(400, ' ');
    for (auto& [pos, text] : at) s.replace(std::size_t(pos - 1), text.size(), text);
    s.resize(size, ' ');
    return s;
}

std::string head(const std::string& bank, std::vector<std::pair<int, std::string>> more = {}, std::size_t size = 400) {
    more.insert(more.begin(), {{1, "02RETORNO01COBRANCA"}, {47, "EMPRESA"}, {77, bank}, {95, "150324"},
                               {101, "0000007"}, {109, "0000007"}, {389, "000007"}});
    return rec(more, size);
}

// A standard detail record: occurrence code, its date, and the amount.
std::string det(const std::string& occ = "06", const std::string& day = "150324",
                std::vector<std::pair<int, std::string>> more = {}) {
    more.insert(more.begin(), {{1, "1"}, {2, "02"}, {109, occ}, {111, day}, {153, "0000000012345"},
                               {215, "0000000000000"}, {228, "0000000000000"}, {241, "0000000000000"},
                               {267, "0000000000000"}, {280, "0000000000000"}, {176, "0000000000000"},
                               {189, "0000000000000"}, {202, "0000000000000"}, {296, "000000"}});
    return rec(more);
}

const std::string kTrailer = rec({{1, "9"}});

struct Read {
    bool ok = false;
    std::string error;
};

Read read(const std::string& bank, TcbCobranca& batch, const std::vector<std::string>& lines, bool reader = false) {
    std::vector<std::string_view> views(lines.begin(), lines.end());
    try {
        reader ? ler_retorno_cnab400(bank, batch, views) : ler_retorno(bank, batch, views);
        return {true, {}};
    } catch (const Exception& e) {
        return {false, e.Message()};
    }
}

TcbTitulo& title(TcbCobranca& b, int i) { return GetTitulo(b.Titulos, i); }

class Retorno : public ::testing::Test {
protected:
    void SetUp() override { unit_startup(); }
};

TEST_F(Retorno, FramesAndHeaderChecks) {
    struct Case {
        const char* bank;
        std::vector<std::string> lines;
        const char* error;  // "" when the read succeeds
        TLayoutArquivo layout;
    };
    const Case cases[] = {
        {"001", {}, "O retorno está vazio. Não há dados para processar", laCNAB240},
        {"001", {head("001")}, "", laCNAB400},
        {"001", {head("001"), kTrailer}, "", laCNAB400},
        {"001", {std::string(240, ' ')},
         "A leitura de arquivo de retorno para o BANCO DO BRASIL não está está disponível para o layout laCNAB240",
         laCNAB240},
        {"237", {std::string(240, ' ')},
         "A leitura de arquivo de retorno para o BRADESCO não está está disponível para o layout laCNAB240",
         laCNAB240},
        {"748", {std::string(240, ' ')}, "Tamanho de registro inválido: 240", laInvalido},
        {"001", {std::string(399, ' ')}, "Tamanho de registro inválido: 399", laInvalido},
        {"275", {head("275", {}, 399)}, "Tamanho de registro diferente de 400 bytes. Tamanho = 399 bytes", laInvalido},
        {"389", {head("389", {}, 399)}, "", laCNAB240},  // no length step: the layout stays
        {"021", {head("021", {}, 240)}, "", laCNAB240},
        {"001", {rec({{1, "02RETORNO01COBRANCB"}, {77, "001"}})},
         "retorno.txt não é um arquivo de retorno de cobrança com layout CNAB400", laCNAB400},
        {"341", {rec({{1, "02RETORNO01COBRANCB"}, {77, "341"}})}, "retorno.txt não é um arquivo de retorno de cobrança",
         laCNAB400},
        {"237", {rec({{1, "02RETORNO01COBRANCB"}, {77, "237"}})}, "retorno.txt não é um arquivo de retorno de cobrança",
         laCNAB400},
        {"001", {head("237")}, "Este não é um retorno de cobrança do banco 001 - BANCO DO BRASIL", laCNAB400},
        {"356", {head("001")}, "Este não é um retorno de cobrança do banco 356 - BANCO REAL           ", laCNAB400},
        {"033", {head("033")}, "Processamento de arquivo retorno não está disponível para o banco 033 - SANTANDER",
         laCNAB240},
        {"347", {head("347")}, "Processamento de arquivo remessa não está disponível para o banco 347 - SUDAMERIS",
         laCNAB240},
        {"104", {head("104"), kTrailer}, "O retorno está vazio. Não há dados para processar", laCNAB400},
    };
    for (const Case& c : cases) {
        TcbCobranca batch;
        batch.NomeArquivoRetorno = "retorno.txt";
        batch.LayoutArquivo = laCNAB240;
        const Read r = read(c.bank, batch, c.lines);
        SCOPED_TRACE(std::string(c.bank) + ": " + c.error);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.ok, std::string(c.error).empty());
        EXPECT_EQ(batch.LayoutArquivo, c.layout);
        EXPECT_EQ(batch.Titulos.Count(), 0);
    }
}

TEST_F(Retorno, AnEmptyNameGivesAMessageThatBeginsWithABlank) {
    TcbCobranca batch;
    EXPECT_EQ(read("001", batch, {rec({{1, "02RETORNO01COBRANCB"}, {77, "001"}})}).error,
              " não é um arquivo de retorno de cobrança com layout CNAB400");
}

TEST_F(Retorno, FieldConversions) {
    struct Case {
        const char* bank;
        std::string detail;
        const char* error;
        TDateTime ocorrencia;
        std::int64_t valor;  // ten-thousandths
    };
    const Case cases[] = {
        {"001", det("06", "010170"), "", EncodeDate(1970, 1, 1), 1234500},
        {"001", det("06", "311269"), "", EncodeDate(2069, 12, 31), 1234500},
        {"001", det("06", "000000"), "Invalid argument to date encode na linha 2", 0, 0},
        {"001", det("06", "150324", {{153, "0000000000000"}}), "", EncodeDate(2024, 3, 15), 0},
        {"001", det("06", "150324", {{153, "             "}}), "'             ' is not a valid floating point value na linha 2", 0,
         0},
        {"748", det("06", "150324", {{215, "             "}}), "", EncodeDate(2024, 3, 15), 1234500},
        {"748", det("06", "150324", {{153, "             "}}), "'             ' is not a valid floating point value na linha 2", 0,
         0},
        {"104", det("06", "000000", {{153, "             "}}), "", 0, 0},
        {"001", det("AB"), "'AB' is not a valid integer value na linha 2", 0, 0},
        {"001", det("06", "150324", {{153, "00000000ABC45"}}), "'00000000ABC45' is not a valid floating point value na linha 2",
         0, 0},
        {"237", det("06", "150324", {{296, "      "}}), "", EncodeDate(2024, 3, 15), 1234500},
        {"341", det("06", "150324", {{174, "A1"}}), "'A1' is not a valid integer value na linha 2", 0, 0},
    };
    for (const Case& c : cases) {
        TcbCobranca batch;
        std::string header = head(c.bank);
        if (std::string(c.bank) == "748") header.replace(94, 8, "20240315");
        const Read r = read(c.bank, batch, {header, c.detail, kTrailer});
        SCOPED_TRACE(std::string(c.bank) + " " + c.detail.substr(108, 8) + " " + c.error);
        EXPECT_EQ(r.error, c.error);
        if (!r.ok) {
            EXPECT_EQ(batch.Titulos.Count(), 0);
            continue;
        }
        ASSERT_EQ(batch.Titulos.Count(), 1);
        EXPECT_EQ(title(batch, 0).DataOcorrencia(), c.ocorrencia);
        EXPECT_EQ(title(batch, 0).ValorDocumento().Raw(), c.valor);
    }
}

TEST_F(Retorno, OccurrenceKinds) {
    struct Case {
        const char* bank;
        const char* occ;
        TTipoOcorrencia kind;
    };
    const Case cases[] = {
        // The shared table where a bank's texts name no kind ...
        {"001", "01", toRetornoRegistroConfirmado}, {"001", "13", toRetornoAbatimentoCancelado},
        {"001", "99", toRetornoRegistroRecusado},   {"291", "02", toRetornoRegistroConfirmado},
        {"291", "13", toRetornoAbatimentoCancelado}, {"291", "99", toRetornoRegistroRecusado},
        {"291", "40", toRetornoOutrasOcorrencias},  {"291", "26", toRetornoEncaminhadoACartorio},
        // ... and the bank's own where they do: payments are payments.
        {"001", "06", toRetornoLiquidado},          {"001", "02", toRetornoRegistroConfirmado},
        {"999", "06", toRetornoLiquidado},          {"748", "28", toRetornoDebitoTarifas},
        {"001", "28", toRetornoManutencaoTituloVencido}, {"394", "99", toRetornoOutrasOcorrencias},
        {"422", "16", toRetornoBaixadoFrancoPagamento},
        // The readers with tables of their own.
        {"104", "22", toRetornoLiquidadoEmCartorio}, {"237", "24", toRetornoRegistroRecusado},
        {"341", "01", toRetornoOutrasOcorrencias},  {"341", "26", toRetornoDebitoTarifas},
        {"479", "90", toRetornoBaixado},            {"479", "91", toRetornoBaixaSolicitada},
        {"021", "06", toRemessaRegistrar},          {"389", "06", toRemessaRegistrar},
    };
    for (const Case& c : cases) {
        TcbCobranca batch;
        SCOPED_TRACE(std::string(c.bank) + " " + c.occ);
        std::string header = head(c.bank, {{391, "0007"}});
        if (std::string(c.bank) == "748") header.replace(94, 8, "20240315");
        const Read r = read(c.bank, batch, {header, det(c.occ, "150324", {{296, "      "}, {319, "00"}}), kTrailer});
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(batch.Titulos.Count(), 1);
        EXPECT_EQ(title(batch, 0).TipoOcorrencia(), c.kind);
    }
}

TEST_F(Retorno, PayeeKindAndTwoIndependentCopies) {
    TcbCobranca batch;
    ASSERT_TRUE(read("001", batch, {head("001"), det("06", "150324", {{2, "03"}}), det("06", "150324", {{2, "  "}}),
                                    det("06", "150324", {{2, "01"}}), kTrailer})
                    .ok);
    ASSERT_EQ(batch.Titulos.Count(), 3);
    EXPECT_EQ(title(batch, 0).Cedente().TipoInscricao(), tiOutro);
    EXPECT_EQ(title(batch, 1).Cedente().TipoInscricao(), tiOutro);
    EXPECT_EQ(title(batch, 2).Cedente().TipoInscricao(), tiPessoaFisica);
    title(batch, 0).SetNossoNumero("changed");
    EXPECT_NE(title(batch, 1).NossoNumero(), "changed");
    EXPECT_EQ(title(batch, 0).Cedente().Nome(), "EMPRESA");
    EXPECT_EQ(title(batch, 0).Cedente().ContaBancaria().Banco().Codigo(), "001");
}

TEST_F(Retorno, NoRecordIsLostAndATrailerInTheMiddleIsSkipped) {
    TcbCobranca batch;
    ASSERT_TRUE(read("001", batch, {head("001"), det("06"), kTrailer, det("02")}).ok);
    ASSERT_EQ(batch.Titulos.Count(), 2);
    EXPECT_EQ(title(batch, 1).OcorrenciaOriginal(), "02");
    // 104 wants three lines, but a header and one detail are not an empty return.
    TcbCobranca b104;
    ASSERT_TRUE(read("104", b104, {head("104", {{390, "00000"}}), det("21")}).ok);
    EXPECT_EQ(b104.Titulos.Count(), 1);
}

TEST_F(Retorno, AFailedReadKeepsOnlyTheTitlesBeforeItsBadRecord) {
    struct Case {
        std::vector<std::string> lines;
        const char* error;
        int titles;      // left in Titulos
        int numero;      // NumeroArquivo afterwards
        TDateTime data;  // DataArquivo afterwards
    };
    const TDateTime before = EncodeDate(2024, 3, 15);
    const Case cases[] = {
        {{head("001", {{95, "311224"}, {101, "0000099"}}), det("06"), det("06", "150324", {{153, "0000000ABC"}})},
         "'0000000ABC345' is not a valid floating point value na linha 3", 1, 99, EncodeDate(2024, 12, 31)},
        {{head("001"), det("06"), det("06").substr(0, 300)},
         "Tamanho de registro diferente de 400 bytes. Tamanho = 300 bytes na linha 3", 1, 7, before},
        {{head("001"), det("06"), det("06") + "X"},
         "Tamanho de registro diferente de 400 bytes. Tamanho = 401 bytes na linha 3",
         1, 7, before},
        {{head("001"), det("06"), det("06"), det("XX")}, "'XX' is not a valid integer value na linha 4", 2, 7, before},
        // Cleared before anything is tested.
        {{}, "O retorno está vazio. Não há dados para processar", 0, 3, before},
        {{head("237")}, "Este não é um retorno de cobrança do banco 001 - BANCO DO BRASIL", 0, 3, before},
        {{std::string(399, ' ')}, "Tamanho de registro inválido: 399", 0, 3, before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        TcbCobranca batch;
        ASSERT_TRUE(read("001", batch, {head("001"), det("02"), det("02"), det("02"), kTrailer}).ok);
        ASSERT_EQ(batch.Titulos.Count(), 3);
        batch.NumeroArquivo = 3;
        const Read r = read("001", batch, c.lines);
        EXPECT_EQ(r.error, c.error);
        ASSERT_EQ(batch.Titulos.Count(), c.titles);
        for (int i = 0; i < c.titles; ++i) EXPECT_EQ(title(batch, i).OcorrenciaOriginal(), "06");
        EXPECT_EQ(batch.NumeroArquivo, c.numero);
        EXPECT_EQ(batch.DataArquivo, c.data);
    }
    // A bank without a reader clears nothing.
    TcbCobranca batch;
    ASSERT_TRUE(read("001", batch, {head("001"), det("02"), kTrailer}).ok);
    EXPECT_FALSE(read("033", batch, {head("033")}).ok);
    EXPECT_EQ(batch.Titulos.Count(), 1);
}

// A detail one byte too long (a stray byte, a file saved again as UTF-8)
// would be read at shifted positions: every reader refuses it as it refuses
// a short one.
TEST_F(Retorno, EveryReaderRefusesADetailOfAnotherLength) {
    const char* banks[] = {"001", "999", "748", "291", "320", "353", "394", "409", "422",
                           "745", "104", "237", "341", "021", "389", "479", "275", "356"};
    for (const char* bank : banks) {
        // 745 reads its motives in pairs over 302-321.
        const std::string good = det("06", "150324", {{296, "      "}, {319, std::string(bank) == "745" ? "  " : "00"}});
        for (const std::string& detail : {good + "X", good.substr(0, 399) + "\xC3\x89", good + "  "}) {
            SCOPED_TRACE(std::string(bank) + " " + std::to_string(detail.size()));
            TcbCobranca batch;
            std::string header = head(bank, {{391, "0007"}});
            if (std::string(bank) == "748") header.replace(94, 8, "20240315");
            const Read r = read(bank, batch, {header, good, detail, kTrailer});
            EXPECT_EQ(r.error, "Tamanho de registro diferente de 400 bytes. Tamanho = " +
                                   std::to_string(detail.size()) + " bytes na linha 3");
            EXPECT_EQ(batch.Titulos.Count(), 1);
        }
    }
}

// 021, 389 and 479 take a first line of any length up to a record's; a
// longer one (a file without LF line ends) is no header.
TEST_F(Retorno, ReadersWithoutALayoutStepRefuseAFirstLineLongerThanARecord) {
    for (const char* bank : {"021", "389", "479"}) {
        SCOPED_TRACE(bank);
        TcbCobranca batch;
        batch.LayoutArquivo = laCNAB240;
        const std::string header = head(bank, {{391, "0007"}});
        EXPECT_EQ(read(bank, batch, {header + det("06") + kTrailer}).error, "Tamanho de registro inválido: 1200");
        EXPECT_EQ(read(bank, batch, {header + " "}).error, "Tamanho de registro inválido: 401");
        EXPECT_EQ(batch.LayoutArquivo, laCNAB240);
        // Lines ended by lone CRs are lines.
        const std::string file = header + "\r" + det("06") + "\r" + det("02") + "\r" + kTrailer + "\r";
        const std::vector<std::string_view> lines = split_lines(file);
        ASSERT_TRUE(ler_retorno(bank, batch, lines));
        EXPECT_EQ(batch.Titulos.Count(), 2);
        EXPECT_EQ(batch.NumeroArquivo, 7);
    }
}

TEST_F(Retorno, HeaderValues) {
    TcbCobranca batch;
    batch.NumeroArquivo = 5;
    ASSERT_TRUE(read("745", batch, {head("745", {{95, "010170"}})}).ok);
    EXPECT_EQ(batch.NumeroArquivo, 5);  // 745 does not read it
    EXPECT_EQ(batch.DataArquivo, EncodeDate(1970, 1, 1));

    // 748: the file date as yyyymmdd; the number only when 101-107 converts.
    ASSERT_TRUE(read("748", batch, {head("748", {{95, "20240229"}, {101, "29AB   "}})}).ok);
    EXPECT_EQ(batch.DataArquivo, EncodeDate(2024, 2, 29));
    EXPECT_EQ(batch.NumeroArquivo, 5);
    ASSERT_TRUE(read("748", batch, {head("748", {{95, "20240229"}, {101, "2900012"}})}).ok);
    EXPECT_EQ(batch.NumeroArquivo, 2900012);

    // 104: zero-tested date and number.
    ASSERT_TRUE(read("104", batch, {head("104", {{95, "000000"}, {390, "     "}}), det("21"), kTrailer}).ok);
    EXPECT_EQ(batch.DataArquivo, 0);
    EXPECT_EQ(batch.NumeroArquivo, 0);

    // 479: the payee's code and name come from the header.
    ASSERT_TRUE(read("479", batch, {head("479", {{30, "CED47901"}, {38, "BANCO PAYEE                            "}, {391, "0001"}}), det("90")}).ok);
    EXPECT_EQ(title(batch, 0).Cedente().CodigoCedente(), "CED47901");
    EXPECT_EQ(title(batch, 0).Cedente().Nome(), "BANCO PAYEE");
}

TEST_F(Retorno, ReadersCalledWithoutTheirFrame) {
    TcbCobranca batch;
    batch.LayoutArquivo = laInvalido;
    ASSERT_TRUE(read("237", batch, {head("237"), det("06")}, true).ok);
    EXPECT_EQ(batch.LayoutArquivo, laInvalido);  // 237's reader has no length step
    ASSERT_TRUE(read("320", batch, {head("320")}, true).ok);
    EXPECT_EQ(batch.LayoutArquivo, laCNAB400);
    EXPECT_EQ(read("320", batch, {std::string(240, ' ')}, true).error,
              "Tamanho de registro diferente de 400 bytes. Tamanho = 240 bytes");
}

TEST_F(Retorno, PublishedOperations) {
    const TClass cls = GetClass("TcbBanco341");
    auto ler = find_operation<SigLerRetorno>(cls, "LerRetorno");
    auto occ = find_operation<SigCodeText>(cls, "VerificaOcorrenciaOriginal");
    ASSERT_NE(ler, nullptr);
    ASSERT_NE(occ, nullptr);
    EXPECT_NE(find_operation<SigLerRetorno>(cls, "LerRetornoCNAB400"), nullptr);
    EXPECT_EQ((*occ)("02"), "02-ENTRADA CONFIRMADA");
    EXPECT_NE(find_operation<SigCodeText>(GetClass("TcbBanco320"), "VeriRejeicao"), nullptr);
    EXPECT_EQ(find_operation<SigLerRetorno>(GetClass("TcbBanco001"), "LerRetornoCNAB400"), nullptr);
    const std::vector<std::string> lines = {head("341"), det("06", "150324", {{174, "13"}})};
    std::vector<std::string_view> views(lines.begin(), lines.end());
    TcbCobranca batch;
    EXPECT_TRUE((*ler)(batch, views));
    ASSERT_EQ(batch.Titulos.Count(), 1);
    EXPECT_EQ(title(batch, 0).EspecieDocumento(), edNotaDebito);
    EXPECT_EQ(title(batch, 0).Sacado().TipoInscricao(), tiOutro);
    EXPECT_EQ(title(batch, 0).DataCredito(), 0);  // a blank credit date is no date
}

// Line ends: LF, CR LF or a lone CR; a last line without an end is a line.
const std::pair<std::string_view, std::vector<std::string_view>> kLineCases[] = {
    {"a\r\nb\nc", {"a", "b", "c"}},
    {"a\r\n\r\n", {"a", ""}},
    {"a\rb\n", {"a", "b"}},
    {"a\r\rb\r", {"a", "", "b"}},
    {"a\n\rb\r\n\n", {"a", "", "b", ""}},
    {"\r\n", {""}},
    {"abc", {"abc"}},
    {"", {}},
};

TEST(SplitLines, LineEnds) {
    for (const auto& [bytes, lines] : kLineCases) EXPECT_EQ(split_lines(bytes), lines) << bytes;
}

// A stream gives the lines split_lines gives, whatever its buffer's size.
TEST(StreamLines, LinesAsSplitLinesGivesThem) {
    for (const auto& [bytes, want] : kLineCases) {
        for (std::size_t buffer : {1, 2, 3, 4096}) {
            TMemoryStream in;
            in.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
            in.SetPosition(0);
            StreamLines source(in, StreamLines::kBound, buffer);
            std::vector<std::string> got;
            std::string_view line;
            while (source.next(line)) got.emplace_back(line);
            EXPECT_EQ(got, std::vector<std::string>(want.begin(), want.end())) << bytes << " " << buffer;
        }
    }
}

// Of a long line only the first bytes are kept; its length is whole.
TEST(StreamLines, ALongLineIsCutButMeasured) {
    const std::string bytes = std::string(5000, 'x') + "\r\n" + std::string(400, 'y') + "\n" + std::string(70000, 'z');
    for (std::size_t buffer : {7, 1024, 65536}) {
        SCOPED_TRACE(buffer);
        TMemoryStream in;
        in.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
        in.SetPosition(0);
        StreamLines source(in, 1024, buffer);
        std::string_view line;
        ASSERT_TRUE(source.next(line));
        EXPECT_EQ(line, std::string(1024, 'x'));
        EXPECT_EQ(source.length_of(line), 5000u);
        ASSERT_TRUE(source.next(line));
        EXPECT_EQ(line, std::string(400, 'y'));
        EXPECT_EQ(source.length_of(line), 400u);
        ASSERT_TRUE(source.next(line));
        EXPECT_EQ(source.length_of(line), 70000u);
        EXPECT_FALSE(source.next(line));
    }
}

// The streamed read gives what the batch read gives, and measures a first
// line longer than any record without keeping it.
TEST_F(Retorno, AStreamedReadGivesTheBatchRead) {
    const std::string file = head("104", {{390, "00012"}}) + "\r\n" + det("21") + "\r\n" + det("06") + "\r\n" +
                             kTrailer + "\r\n";
    TcbCobranca whole;
    const std::vector<std::string_view> lines = split_lines(file);
    ASSERT_TRUE(ler_retorno("104", whole, lines));
    TMemoryStream in;
    in.WriteBuffer(file.data(), std::int64_t(file.size()));
    in.SetPosition(0);
    StreamLines source(in, StreamLines::kBound, 5);
    TcbCobranca streamed;
    std::vector<std::string> seen;
    ASSERT_TRUE(ler_retorno("104", streamed, source, [&](const TcbTitulo& t) {
        EXPECT_EQ(streamed.NumeroArquivo, 12);  // the header's values come first
        seen.push_back(t.OcorrenciaOriginal());
    }));
    EXPECT_EQ(seen, (std::vector<std::string>{"21", "06"}));
    EXPECT_EQ(whole.Titulos.Count(), 2);
    EXPECT_EQ(streamed.Titulos.Count(), 0);
    EXPECT_EQ(streamed.DataArquivo, whole.DataArquivo);
    EXPECT_EQ(streamed.LayoutArquivo, whole.LayoutArquivo);

    // 104 calls a header and trailer alone empty, streamed as well.
    const std::string two = head("104") + "\n" + kTrailer + "\n";
    TMemoryStream short_in;
    short_in.WriteBuffer(two.data(), std::int64_t(two.size()));
    short_in.SetPosition(0);
    StreamLines short_source(short_in);
    EXPECT_THROW(ler_retorno("104", streamed, short_source, [](const TcbTitulo&) {}), Exception);

    const std::string big = std::string(100000, '0') + "\n";
    TMemoryStream big_in;
    big_in.WriteBuffer(big.data(), std::int64_t(big.size()));
    big_in.SetPosition(0);
    StreamLines big_source(big_in);
    try {
        ler_retorno("237", streamed, big_source, [](const TcbTitulo&) {});
        ADD_FAILURE() << "a 100,000-byte first line was read";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Tamanho de registro inválido: 100000");
    }
}

}  // namespace
