// Bank 104's CNAB 240 return reader from inside: the ways in (LerRetorno by
// name, the reader itself, a stream of lines), what a failed read leaves in
// the batch, and the records the reader passes over. Whole files, field by
// field, are checked from the outside with tests/cnab240_returns.py.

#include "billing/Startup.h"
#include "billing/cbCobranca.h"
#include "billing/cbPlugin.h"
#include "billing/cbRetorno240.h"
#include "billing/cbRetornoCampos.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace billing;

namespace {

// A 240-byte record with texts at 1-based positions.
std::string rec(std::vector<std::pair<int, std::string>> at, std::size_t size = 240) {
    std::string s(240, ' ');
    for (auto& [pos, text] : at) s.replace(std::size_t(pos - 1), text.size(), text);
    s.resize(size, ' ');
    return s;
}

const std::string kHeader = rec({{1, "1040000"}, {8, "0"}, {18, "2"}, {19, "12345678000199"}, {33, "000000001234567"},
                                 {48, "8"}, {53, "01234"}, {58, "5"}, {59, "000000098765"}, {71, "1"},
                                 {73, "EMPRESA MODELO"}, {143, "2"}});
const std::string kLote = rec({{1, "1040001"}, {8, "1"}, {9, "T01"}, {184, "00000042"}, {192, "15032024"}});
const std::string kTrailerLote = rec({{1, "1040001"}, {8, "5"}});
const std::string kTrailerArquivo = rec({{1, "1049999"}, {8, "9"}});

std::string seg_t(const std::string& occ, const std::string& nosso, const std::string& motive = "  ") {
    return rec({{1, "1040001"}, {8, "3"}, {14, "T"}, {16, occ}, {47, nosso}, {82, "000000000012345"}, {214, motive}});
}
std::string seg_u(const std::string& juros) {
    return rec({{1, "1040001"}, {8, "3"}, {14, "U"}, {18, juros}, {138, "10032024"}});
}

std::vector<std::string_view> views(const std::vector<std::string>& lines) { return {lines.begin(), lines.end()}; }

class Retorno240 : public ::testing::Test {
protected:
    void SetUp() override { unit_startup(); }

    // LerRetorno of bank 104 found by name, as an application calls it.
    std::string ler(const std::vector<std::string>& lines) {
        const auto* op = find_operation<SigLerRetorno>(GetClass("TcbBanco104"), "LerRetorno");
        if (op == nullptr) return "no operation";
        try {
            (*op)(batch, views(lines));
        } catch (const Exception& e) {
            return e.Message();
        }
        return "";
    }

    TcbCobranca batch;
};

TEST_F(Retorno240, LerRetornoOf104ReadsA240ByteFile) {
    batch.LayoutArquivo = laCNAB400;
    ASSERT_EQ(ler({kHeader, kLote, seg_t("06", "0000000001"), seg_u("000000000000150"), seg_t("17", "0000000002"),
                   seg_u("               "), kTrailerLote, kTrailerArquivo}),
              "");
    EXPECT_EQ(batch.LayoutArquivo, laCNAB240);
    EXPECT_EQ(batch.NumeroArquivo, 42);
    EXPECT_EQ(batch.DataArquivo, EncodeDate(2024, 3, 15));
    ASSERT_EQ(batch.Titulos.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        const TcbTitulo& t = GetTitulo(batch.Titulos, i);
        EXPECT_EQ(t.TipoOcorrencia(), toRetornoLiquidado);
        EXPECT_EQ(t.ValorDocumento(), Currency::FromCents(12345));
        EXPECT_EQ(t.DataOcorrencia(), EncodeDate(2024, 3, 10));
        EXPECT_EQ(t.Cedente().ContaBancaria().Banco().Codigo(), "104");
        EXPECT_EQ(t.Cedente().Nome(), "EMPRESA MODELO");
        EXPECT_EQ(t.Cedente().TipoInscricao(), tiPessoaJuridica);
        EXPECT_EQ(t.Cedente().CodigoCedente(), "000000001234567");
        EXPECT_EQ(t.DescricaoOcorrenciaOriginal(), "");
    }
    EXPECT_EQ(GetTitulo(batch.Titulos, 0).ValorMoraJuros(), Currency::FromCents(150));
    EXPECT_EQ(GetTitulo(batch.Titulos, 1).ValorMoraJuros(), Currency());
    EXPECT_EQ(GetTitulo(batch.Titulos, 1).OcorrenciaOriginal(), "17");
}

TEST_F(Retorno240, AFailedReadKeepsOnlyTheTitlesBeforeItsBadRecord) {
    auto old = std::make_unique<TcbTitulo>();
    old->SetNossoNumero("ANTIGO");
    batch.Titulos.Add(old.release());
    batch.NumeroArquivo = 7;
    batch.DataArquivo = EncodeDate(2020, 1, 1);
    // The second title's occurrence does not convert: the first stays, the old one is gone.
    EXPECT_EQ(ler({kHeader, kLote, seg_t("06", "1"), seg_u("0"), seg_t("XY", "2"), kTrailerLote, kTrailerArquivo}),
              "'XY' is not a valid integer value na linha 5");
    ASSERT_EQ(batch.Titulos.Count(), 1);
    EXPECT_EQ(Trim(GetTitulo(batch.Titulos, 0).NossoNumero()), "1");
    EXPECT_EQ(batch.NumeroArquivo, 42);
    EXPECT_EQ(batch.DataArquivo, EncodeDate(2024, 3, 15));
    EXPECT_EQ(batch.LayoutArquivo, laCNAB240);
    // A bad batch header: the titles are cleared, the header values not yet read.
    EXPECT_EQ(ler({kHeader, rec({{9, "X01"}}), seg_t("06", "1"), kTrailerLote, kTrailerArquivo}),
              "Este não é um lote de retorno de cobrança na linha 2");
    EXPECT_EQ(batch.Titulos.Count(), 0);
    EXPECT_EQ(batch.NumeroArquivo, 42);
}

TEST_F(Retorno240, TheReaderItselfChecksTheLength) {
    struct Case {
        std::vector<std::string> lines;
        const char* error;
        TLayoutArquivo layout;
        int titles;
    };
    const Case cases[] = {
        {{std::string(400, ' '), kLote, kTrailerLote, kTrailerArquivo},
         "Tamanho de registro diferente de 240 bytes. Tamanho = 400 bytes", laInvalido, 0},
        {{kHeader, kLote, kTrailerLote, kTrailerArquivo}, "", laCNAB240, 0},
        {{kHeader, kLote}, "O retorno está vazio. Não há dados para processar", laCNAB400, 0},
        {{kHeader, kLote, seg_u("000000000000001")}, "", laCNAB240, 1},
        {{kHeader, kLote, seg_t("06", "1"), "", kTrailerLote, kTrailerArquivo, ""}, "", laCNAB240, 1},
        {{kHeader, kLote, seg_t("06", "1"), " ", kTrailerLote, kTrailerArquivo},
         "Tamanho de registro diferente de 240 bytes. Tamanho = 1 bytes na linha 4", laCNAB240, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        TcbCobranca b;
        std::string error;
        try {
            ler_retorno_cnab240(b, views(c.lines));
        } catch (const Exception& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(b.LayoutArquivo, c.layout);
        EXPECT_EQ(b.Titulos.Count(), c.titles);
    }
}

TEST_F(Retorno240, RecordsThatAreNoTitle) {
    // A trailer with "T" at 14, a record of another segment, a second batch
    // header: none is a title, and the segment between a T and a U parts them.
    const std::string trailer_t = rec({{1, "1040001"}, {8, "5"}, {14, "T"}, {16, "06"}});
    const std::string seg_y = rec({{1, "1040001"}, {8, "3"}, {14, "Y"}, {16, "XX"}});
    ASSERT_EQ(ler({kHeader, kLote, seg_t("02", "1"), seg_y, seg_u("000000000000700"), kLote, trailer_t,
                   kTrailerArquivo}),
              "");
    ASSERT_EQ(batch.Titulos.Count(), 2);
    const TcbTitulo& t = GetTitulo(batch.Titulos, 0);
    const TcbTitulo& u = GetTitulo(batch.Titulos, 1);
    EXPECT_EQ(t.TipoOcorrencia(), toRetornoRegistroConfirmado);
    EXPECT_EQ(t.ValorMoraJuros(), Currency());
    EXPECT_EQ(u.NossoNumero(), "");  // nothing of the T before it
    EXPECT_EQ(u.TipoOcorrencia(), toRemessaRegistrar);
    EXPECT_EQ(u.ValorMoraJuros(), Currency::FromCents(700));
    EXPECT_EQ(u.Cedente().Nome(), "EMPRESA MODELO");
}

TEST_F(Retorno240, ALineStreamGivesTheSameTitles) {
    const std::vector<std::string> lines = {kHeader, kLote, seg_t("03", "9", "08"), seg_u("000000000000001"),
                                            kTrailerLote, kTrailerArquivo};
    const std::vector<std::string_view> v = views(lines);
    retorno::SpanLines source(v);
    std::vector<std::string> seen;
    TcbCobranca b;
    ler_retorno("104", b, source, [&](const TcbTitulo& t) {
        seen.push_back(t.NossoNumero() + "|" + t.MotivoRejeicaoComando() + "|" + t.DescricaoMotivoRejeicaoComando());
    });
    EXPECT_EQ(seen, std::vector<std::string>{"9         |08|08 - Nosso numero invalido"});
    EXPECT_EQ(b.NumeroArquivo, 42);
    EXPECT_EQ(b.LayoutArquivo, laCNAB240);
}

}  // namespace
