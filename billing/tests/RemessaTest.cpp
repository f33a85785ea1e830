// CNAB 400 remittances: the layout tables, the GerarRemessa frames, the
// fields the banks' layouts state, and the refusals that keep every record
// at 400 positions. Fields are compared by their positions, as `cut -c`
// reads them.

#include "billing/Startup.h"
#include "billing/cbCobranca.h"
#include "billing/cbLayouts.h"
#include "billing/cbPlugin.h"
#include "billing/cbRemessa400.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using billing::layout::Record;
using billing::layout::Row;
using billing::layout::Source;
namespace L = billing::layout;

const char* const kCnab400Banks[] = {"001", "021", "033", "104", "237", "275", "291", "320", "341", "353",
                                     "356", "389", "394", "409", "422", "479", "745", "748", "999"};

// `cut -c A-B` of a line.
std::string cut(const std::string& line, const std::string& range) {
    const std::size_t dash = range.find('-');
    const int a = std::stoi(range.substr(0, dash));
    const int b = dash == std::string::npos ? a : std::stoi(range.substr(dash + 1));
    return line.substr(static_cast<std::size_t>(a - 1), static_cast<std::size_t>(b - a + 1));
}

void fill_title(TcbTitulo& t, const std::string& bank) {
    TcbCedente& c = t.Cedente();
    c.ContaBancaria().Banco().SetCodigo(bank);
    c.SetTipoInscricao(tiPessoaJuridica);
    c.SetNumeroCPFCGC("12345678000199");
    c.SetNome("Empresa Modelo");
    c.SetCodigoCedente("1234567");
    c.SetDigitoCodigoCedente("8");
    c.ContaBancaria().SetCodigoAgencia("1234");
    c.ContaBancaria().SetDigitoAgencia("5");
    c.ContaBancaria().SetNumeroConta("98765");
    c.ContaBancaria().SetDigitoConta("1");
    t.SetNossoNumero("4321");
    t.SetSeuNumero("SN1");
    t.SetNumeroDocumento("DOC1");
    t.SetCarteira("9");
    t.SetDataVencimento(EncodeDate(2005, 3, 10));
    t.SetDataDocumento(EncodeDate(2005, 2, 1));
    t.SetValorDocumento(Currency::FromCents(1234));
    TcbPessoa& s = t.Sacado();
    s.SetTipoInscricao(tiPessoaFisica);
    s.SetNumeroCPFCGC("12345678901");
    s.SetNome("Maria Souza");
    s.Endereco().SetRua("Rua Um");
    s.Endereco().SetNumero("10");
    s.Endereco().SetBairro("Centro");
    s.Endereco().SetCidade("Vitoria");
    s.Endereco().SetEstado("ES");
    s.Endereco().SetCEP("29000000");
}

using TitleEdit = std::function<void(TcbTitulo&)>;

class Remessa : public ::testing::Test {
protected:
    void SetUp() override { billing::unit_startup(); }

    // A batch of `n` titles of `bank`, each changed by `edit` (given the index).
    void batch_of(const std::string& bank, int n, const std::function<void(TcbTitulo&, int)>& edit = {}) {
        batch.Titulos.Clear();
        for (int i = 0; i < n; ++i) {
            auto t = std::make_unique<TcbTitulo>();
            fill_title(*t, bank);
            if (edit) edit(*t, i);
            batch.Titulos.Add(t.release());
        }
    }

    // GerarRemessa found by name on the bank's plug-in, as an application calls it.
    bool gerar(const std::string& bank, const char* operation = "GerarRemessa") {
        const TClass cls = GetClass("TcbBanco" + bank);
        if (cls == nullptr) throw Exception("no class");
        const auto* op = billing::find_operation<billing::SigGerarRemessa>(cls, operation);
        if (op == nullptr) throw Exception(std::string("no operation ") + operation);
        return (*op)(batch, lines);
    }

    std::string message_of(const std::string& bank) {
        try {
            gerar(bank);
        } catch (const Exception& e) {
            return e.Message();
        }
        return "(no exception)";
    }

    TcbCobranca batch;
    TStringList lines;
};

// ---------------------------------------------------------------- tables

TEST(RemessaLayout, EveryRecordCoversItsPositionsOnce) {
    EXPECT_EQ(L::cnab400_layouts().size(), std::size(kCnab400Banks));
    for (const L::BankLayout* b : L::cnab400_layouts()) {
        SCOPED_TRACE(std::string(b->code));
        EXPECT_EQ(L::record_fault(b->header), nullptr);
        EXPECT_EQ(L::record_fault(b->trailer), nullptr);
        if (b->has_detail) {
            EXPECT_EQ(L::record_fault(b->detail), nullptr);
        }
        EXPECT_EQ(b->header.width, 400);
    }
    // Only the banks whose detail the given layouts leave short or long carry reconstructed rows.
    for (const L::BankLayout* b : L::cnab400_layouts()) {
        bool rebuilt = false;
        for (const Row& r : b->detail.Rows()) rebuilt = rebuilt || r.rebuilt;
        EXPECT_EQ(rebuilt, b->code == "033" || b->code == "341") << b->code;
        EXPECT_EQ(b->has_detail, b->code != "353" && b->code != "479") << b->code;
    }
}

TEST(RemessaLayout, RecordFaultsAreFound) {
    const Record& common = L::common_detail_400();
    EXPECT_STREQ(L::record_fault(common), "bank block not replaced");

    struct Case {
        std::vector<Row> rows;
        const char* fault;
    };
    const Case cases[] = {
        {{L::text(1, 2, 2, "AB"), L::blanks(3, 4, 2)}, nullptr},
        {{L::text(1, 2, 2, "AB"), L::blanks(2, 4, 3)}, "positions overlap"},
        {{L::text(1, 2, 2, "AB"), L::blanks(4, 4, 1)}, "positions left uncovered"},
        {{L::text(1, 2, 2, "AB"), L::blanks(3, 3, 1)}, "positions left uncovered at the end"},
        {{L::text(1, 2, 2, "ABC"), L::blanks(3, 4, 2)}, "literal of another width"},
        {{L::text(1, 2, 3, "ABC"), L::blanks(3, 4, 2)}, "width differs from positions"},
        {{L::text(1, 2, 2, "a\n"), L::blanks(3, 4, 2)}, "literal outside printable ASCII"},
        {{L::cents(1, 2, 2, Source::SeuNumero), L::blanks(3, 4, 2)}, "amount row without an amount"},
        {{L::field(1, 2, 2, L::Mark::R0, Source::DataVencimento), L::blanks(3, 4, 2)},
         "formatted row without a text or number"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(L::record_fault(L::make_record(c.rows, 4)) == nullptr ? std::string("ok") : L::record_fault(L::make_record(c.rows, 4)),
                  c.fault == nullptr ? std::string("ok") : c.fault);
    }
}

TEST(RemessaLayout, MergeReplacesOverlappedRowsAndKeepsTheRest) {
    // A client layout: bank 237's detail with other literals in two places.
    const L::BankLayout& b237 = *L::cnab400_layout("237");
    const Row client[] = {L::text(93, 94, 2, "2S"), L::text(106, 106, 1, "1")};
    const Record merged = L::merge(b237.detail, client);
    EXPECT_EQ(L::record_fault(merged), nullptr);
    EXPECT_EQ(merged.count, b237.detail.count);

    // A replacement over part of a row leaves the rest of that row uncovered.
    const Row partial[] = {L::text(95, 96, 2, "XX")};
    EXPECT_STREQ(L::record_fault(L::merge(b237.detail, partial)), "positions left uncovered");
}

// The record routine takes its width from the record: a 240-position record
// built from the same kind of rows.
TEST_F(Remessa, RecordWidthIsTheRecordsOwn) {
    const Row rows[] = {L::text(1, 3, 3, "001"), L::field(4, 17, 14, L::Mark::R0, Source::CedenteCPFCGC),
                        L::blanks(18, 234, 217), L::field(235, 240, 6, L::Mark::R0, Source::Sequencia)};
    const Record rec = L::make_record(rows, 240);
    ASSERT_EQ(L::record_fault(rec), nullptr);

    struct Values : billing::RecordValues {
        std::string text(Source) const override { return "12.345.678/0001-99"; }
        TDateTime date(Source) const override { return 0; }
        Currency money(Source) const override { return {}; }
        std::int64_t integer(Source) const override { return 7; }
        [[noreturn]] void refuse(const Row&, std::string_view) const override { throw Exception("refused"); }
    } values;
    std::string line;
    billing::write_record(rec, values, line);
    ASSERT_EQ(line.size(), 240u);
    EXPECT_EQ(cut(line, "1-3"), "001");
    EXPECT_EQ(cut(line, "235-240"), "000007");
}

// ---------------------------------------------------------------- frames

TEST_F(Remessa, FramesByLayout) {
    // Result per layout: "T" written, "F" False with the list untouched, else the message raised.
    struct Case {
        const char* bank;
        TLayoutArquivo layout;
        const char* outcome;
        int lines_after;  // -1: as before the call (one sentinel line)
    };
    const Case cases[] = {
        {"001", laCNAB400, "T", 3},
        {"001", laInvalido, "F", -1},
        {"001", laCNAB240,
         "A geração de arquivo de remessa no layout laCNAB240 ainda não está disponível para o banco 001 - BANCO DO BRASIL", -1},
        {"104", laCNAB240,
         "A geração de arquivo de remessa no layout laCNAB240 ainda não está disponível para o banco 104 - Caixa Econ. Federal", -1},
        {"033", laCNAB240, "F", -1},
        {"033", laInvalido, "F", -1},
        {"748", laCNAB240, "F", -1},
        {"237", laCNAB240,
         "A geração de arquivo de remessa para o BRADESCO não está está disponível para o layout laCNAB240", -1},
        {"237", laInvalido, "Layout de arquivo inválido. Diferente de laCNAB400", -1},
        {"275", laCNAB240, "CNAB400 é o único layout de cobrança disponível para o banco 275 - Banco Real S.A.", 0},
        {"356", laInvalido,
         "CNAB400 é o único layout de cobrança disponível para o banco 356 - BANCO REAL           ", 0},
        {"479", laCNAB240, "CNAB400 é o único layout de cobrança disponível para o banco 479 - Bank Boston", 0},
        {"021", laCNAB240, "T", 3},
        {"389", laInvalido, "T", 3},
        {"038", laCNAB400, "Geração de arquivo remessa não está disponível para o banco 038 - BANESTADO", -1},
        {"151", laCNAB400, "Geração de arquivo remessa não está disponível para o banco 151 - Nossa Caixa", -1},
        {"244", laCNAB240, "Geração de arquivo remessa não está disponível para o banco 244 - Banco Cidade", -1},
        {"347", laCNAB400, "Geração de arquivo remessa não está disponível para o banco 347 - SUDAMERIS", -1},
        {"399", laCNAB400, "Geração de arquivo remessa não está disponível para o banco 399 - HSBC", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bank) + " layout " + std::to_string(c.layout));
        batch_of(c.bank, 1);
        batch.LayoutArquivo = c.layout;
        lines.Clear();
        lines.Add("sentinel");
        std::string outcome;
        try {
            outcome = gerar(c.bank) ? "T" : "F";
        } catch (const Exception& e) {
            outcome = e.Message();
        }
        EXPECT_EQ(outcome, c.outcome);
        if (c.lines_after < 0) {
            ASSERT_EQ(lines.Count(), 1);
            EXPECT_EQ(lines[0], "sentinel");
        } else {
            EXPECT_EQ(lines.Count(), c.lines_after);
        }
    }
}

TEST_F(Remessa, Banks021And389WriteTheSameFileForEveryLayout) {
    for (const char* bank : {"021", "389"}) {
        batch_of(bank, 2);
        std::vector<std::string> files;
        for (TLayoutArquivo layout : {laCNAB240, laCNAB400, laInvalido}) {
            batch.LayoutArquivo = layout;
            ASSERT_TRUE(gerar(bank));
            files.push_back(lines.Text());
        }
        EXPECT_EQ(files[0], files[1]) << bank;
        EXPECT_EQ(files[1], files[2]) << bank;
    }
}

TEST_F(Remessa, GerarRemessaCNAB400IsPublishedByFourBanks) {
    for (const char* bank : kCnab400Banks) {
        const auto* op = billing::find_operation<billing::SigGerarRemessa>(GetClass(std::string("TcbBanco") + bank),
                                                                          "GerarRemessaCNAB400");
        const std::string b = bank;
        EXPECT_EQ(op != nullptr, b == "320" || b == "341" || b == "353" || b == "745") << bank;
    }
    batch_of("745", 1);
    batch.LayoutArquivo = laCNAB240;  // the writer itself does not look at the layout
    EXPECT_TRUE(gerar("745", "GerarRemessaCNAB400"));
    EXPECT_EQ(lines.Count(), 3);
}

// ---------------------------------------------------------------- whole files

TEST_F(Remessa, EveryBankWritesRecordsOf400WithSequenceNumbers) {
    for (const char* bank : kCnab400Banks) {
        if (std::string(bank) == "353" || std::string(bank) == "479") continue;
        SCOPED_TRACE(bank);
        batch_of(bank, 3);
        ASSERT_TRUE(gerar(bank));
        ASSERT_EQ(lines.Count(), 5);
        for (int i = 0; i < lines.Count(); ++i) {
            ASSERT_EQ(lines[i].size(), 400u) << i;
            char seq[16];
            std::snprintf(seq, sizeof seq, "%06d", i + 1);
            EXPECT_EQ(cut(lines[i], "395-400"), seq);
        }
    }
}

TEST_F(Remessa, SameBatchAt748And999DiffersOnlyInTheHeaderName) {
    batch_of("001", 1);
    ASSERT_TRUE(gerar("001"));
    const std::string h001 = lines[0], d001 = lines[1], t001 = lines[2];
    for (const char* bank : {"748", "999"}) {
        batch_of(bank, 1);
        ASSERT_TRUE(gerar(bank));
        EXPECT_EQ(cut(lines[0], "80-94"), std::string(bank) == "748" ? "BANSICREDI     " : "TOLVARENA      ");
        EXPECT_EQ(lines[0].substr(0, 76), h001.substr(0, 76));
        EXPECT_EQ(lines[0].substr(94), h001.substr(94));
        EXPECT_EQ(cut(lines[1], "1-139"), cut(d001, "1-139"));
        EXPECT_EQ(cut(lines[1], "143-400"), cut(d001, "143-400"));
        EXPECT_EQ(lines[2], t001);
    }
}

// Fields that the banks' layouts state for given values.
TEST_F(Remessa, StatedFields) {
    struct Case {
        const char* what;
        const char* bank;
        TitleEdit edit;
        int record;  // 0 header, 1 first detail, -1 trailer
        const char* range;
        const char* expected;
    };
    auto none = [](TcbTitulo&) {};
    const Case cases[] = {
        {"amount 12.34", "001", none, 1, "127-139", "0000000001234"},
        {"amount 0", "001", [](TcbTitulo& t) { t.SetValorDocumento(Currency()); }, 1, "127-139", "0000000000000"},
        {"no discount date", "001", none, 1, "174-179", "000000"},
        {"no document date", "001", [](TcbTitulo& t) { t.SetDataDocumento(0); }, 1, "151-156", "301299"},
        {"CEP left-aligned", "001", [](TcbTitulo& t) { t.Sacado().Endereco().SetCEP("1234"); }, 1, "327-334", "12340000"},
        {"one-letter state", "001", [](TcbTitulo& t) { t.Sacado().Endereco().SetEstado("S"); }, 1, "350-351", " S"},
        {"discount not in table O", "001", [](TcbTitulo& t) { t.SetTipoOcorrencia(toRemessaConcederDesconto); }, 1,
         "109-110", "00"},
        {"header date of no processing date", "001", none, 0, "95-100", "301299"},
        {"422 no discount date", "422", none, 1, "174-179", "      "},
        {"291 no discount date", "291", none, 1, "174-179", "000000"},
        {"394 long payee code keeps its start", "394",
         [](TcbTitulo& t) { t.Cedente().SetCodigoCedente("ABCDEFGHIJKLMNOPQRSTUVWXYZ"); }, 1, "18-37",
         "ABCDEFGHIJKLMNOPQRST"},
        {"422 long payee code keeps its start", "422",
         [](TcbTitulo& t) { t.Cedente().SetCodigoCedente("ABCDEFGHIJKLMNOPQRSTUVWXYZ"); }, 1, "18-31", "ABCDEFGHIJKLMN"},
        {"745 long payee code keeps its start", "745",
         [](TcbTitulo& t) { t.Cedente().SetCodigoCedente("ABCDEFGHIJKLMNOPQRSTUVWXYZ"); }, 1, "18-37",
         "ABCDEFGHIJKLMNOPQRST"},
        {"320 long payee code keeps its end", "320",
         [](TcbTitulo& t) { t.Cedente().SetCodigoCedente("ABCDEFGHIJKLMNOPQRSTUVWXYZ"); }, 1, "18-27", "QRSTUVWXYZ"},
        {"745 write-off not in table O", "745", [](TcbTitulo& t) { t.SetTipoOcorrencia(toRemessaBaixar); }, 1,
         "109-110", "00"},
        {"237 never the payee kind", "237", none, 1, "2-20", "0000000000000000000"},
        {"104 two instruction lines", "104",
         [](TcbTitulo& t) {
             t.Instrucoes()->Add("Nao receber apos o vencimento");
             t.Instrucoes()->Add("Multa de 2%");
         },
         1, "77-106", "NAO RECEBER APOS O VENCIMENTO "},
        {"021 two instruction lines", "021",
         [](TcbTitulo& t) {
             t.Instrucoes()->Add("Protestar");
             t.Instrucoes()->Add("Juros de mora");
         },
         1, "352-391", "PROTESTAR  JUROS DE MORA                "},
        {"021 amount over ten digits after 000", "021", none, 1, "127-139", "0000000001234"},
        {"275 person CPF", "275", [](TcbTitulo& t) { t.Cedente().SetTipoInscricao(tiPessoaFisica); t.Cedente().SetNumeroCPFCGC("12345678901"); },
         1, "4-17", "12345678900001"},
        {"275 company number unchanged", "275", none, 1, "4-17", "12345678000199"},
        {"275 payer CPF", "275", none, 1, "221-234", "12345678900001"},
        {"275 protest after 10 days", "275", [](TcbTitulo& t) { t.SetDataProtesto(EncodeDate(2005, 3, 20)); }, 1,
         "157-158", "10"},
        {"275 protest after 2 days", "275", [](TcbTitulo& t) { t.SetDataProtesto(EncodeDate(2005, 3, 12)); }, 1,
         "157-158", "00"},
        {"275 protest days left-aligned", "275", [](TcbTitulo& t) { t.SetDataProtesto(EncodeDate(2005, 3, 15)); }, 1,
         "157-158", "5 "},
        {"275 no discount date", "275", none, 1, "174-179", "999999"},
        {"275 interest half cent to even, down", "275",
         [](TcbTitulo& t) { t.SetValorMoraJuros(Currency::FromRaw(1250)); }, 1, "162-173", "000000000012"},
        {"275 interest half cent to even, up", "275",
         [](TcbTitulo& t) { t.SetValorMoraJuros(Currency::FromRaw(1350)); }, 1, "162-173", "000000000014"},
        {"356 header bank name", "356", none, 0, "80-94", "BANCO REAL     "},
        {"389 header file number left-aligned", "389", none, 0, "390-394", "7    "},
        {"001 header file number", "001", none, 0, "101-107", "0000007"},
        {"341 detail sequence at 395-400", "341", none, 1, "388-400", "00     000002"},
        {"033 agency where bank 291 has it", "033", none, 1, "28-29", "34"},
        {"033 registration number over 14", "033", none, 1, "4-27", "123456780001990000000000"},
        {"033 nosso numero", "033", none, 1, "75-82", "4321    "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bank) + ": " + c.what);
        batch_of(c.bank, 1, [&](TcbTitulo& t, int) { c.edit(t); });
        batch.NumeroArquivo = 7;
        ASSERT_TRUE(gerar(c.bank));
        const int index = c.record < 0 ? lines.Count() - 1 : c.record;
        EXPECT_EQ(cut(lines[index], c.range), c.expected);
    }
}

TEST_F(Remessa, TrailerCountAndTotal) {
    auto amounts = [](TcbTitulo& t, int i) { t.SetValorDocumento(Currency::FromCents(i == 0 ? 1000 : 250)); };
    batch_of("394", 2, amounts);
    ASSERT_TRUE(gerar("394"));
    ASSERT_EQ(lines.Count(), 4);
    EXPECT_EQ(cut(lines[3], "1-23"), "91000000020000000001250");
    EXPECT_EQ(cut(lines[3], "395-400"), "000004");

    batch_of("422", 2, amounts);
    ASSERT_TRUE(gerar("422"));
    EXPECT_EQ(cut(lines[3], "369-376"), "00000002");
    EXPECT_EQ(cut(lines[3], "377-391"), "000000000001250");

    batch_of("275", 2, amounts);
    ASSERT_TRUE(gerar("275"));
    EXPECT_EQ(cut(lines[3], "1-20"), "90000020000000001250");
}

// ---------------------------------------------------------------- failures

TEST_F(Remessa, ForeignTitleStopsBeforeItsDetail) {
    batch_of("001", 3, [](TcbTitulo& t, int i) {
        if (i == 1) t.Cedente().ContaBancaria().Banco().SetCodigo("237");
    });
    EXPECT_EQ(message_of("001"), "Titulo não pertence ao banco 001 - BANCO DO BRASIL");
    EXPECT_EQ(lines.Count(), 2);

    batch_of("275", 1, [](TcbTitulo& t, int) { t.Cedente().ContaBancaria().Banco().SetCodigo("356"); });
    EXPECT_EQ(message_of("275"), "Titulo não pertence ao banco 275 - Banco Real S.A.");
}

TEST_F(Remessa, EmptyBatchRaisesTheListIndexError) {
    batch.Titulos.Clear();
    lines.Add("old");
    EXPECT_THROW(gerar("001"), EListError);
    EXPECT_EQ(lines.Count(), 0);
}

TEST_F(Remessa, OccurrencesOutsideTheTable) {
    struct Case {
        const char* bank;
        const char* message;
    };
    const Case cases[] = {
        {"275", "Ocorrência de remessa inválida ou não disponível para o banco 275 - Banco Real S.A."},
        {"356", "Ocorrência de remessa inválida ou não disponível para o banco 356 - BANCO REAL           "},
        {"341", "Ocorrência inválida em remessa - Nosso número: 4321 / Seu número: SN1"},
        {"479", "Ocorrência não disponível para Bank Boston"},
        // Bank 353 gives such a title the empty code: it reaches the detail, which the bank does not write.
        {"353", "O layout CNAB400 do registro de detalhe não está disponível para o banco 353 - Banco Santander"},
    };
    for (const Case& c : cases) {
        batch_of(c.bank, 1, [](TcbTitulo& t, int) { t.SetTipoOcorrencia(toRemessaDebitarEmConta); });
        EXPECT_EQ(message_of(c.bank), c.message);
    }
    // The list keeps the header and the detail before the refused title.
    batch_of("341", 2, [](TcbTitulo& t, int i) {
        if (i == 1) t.SetTipoOcorrencia(toRemessaDebitarEmConta);
    });
    message_of("341");
    EXPECT_EQ(lines.Count(), 2);
}

TEST_F(Remessa, DetailLayoutsNotKnownAreRefusedWithNothingWritten) {
    batch_of("353", 1);
    EXPECT_EQ(message_of("353"), "O layout CNAB400 do registro de detalhe não está disponível para o banco 353 - Banco Santander");
    EXPECT_EQ(lines.Count(), 0);
    batch_of("479", 1);
    EXPECT_EQ(message_of("479"), "O layout CNAB400 do registro de detalhe não está disponível para o banco 479 - Bank Boston");
    EXPECT_EQ(lines.Count(), 0);
}

TEST_F(Remessa, NumbersThatDoNotFitAreRefusedNamingTheTitle) {
    struct Case {
        const char* bank;
        TitleEdit edit;
        const char* message;
    };
    const Case cases[] = {
        {"001", [](TcbTitulo& t) { t.SetValorDocumento(Currency::FromCents(-1)); },
         "O valor -0.01 de ValorDocumento do título de nosso número 4321 é negativo"},
        {"001", [](TcbTitulo& t) { t.SetValorDocumento(Currency::FromCents(10000000000000)); },
         "O valor 100000000000 de ValorDocumento do título de nosso número 4321 não cabe em 13 dígitos"},
        {"021", [](TcbTitulo& t) { t.SetValorDocumento(Currency::FromCents(10000000000)); },
         "O valor 100000000 de ValorDocumento do título de nosso número 4321 não cabe em 10 dígitos"},
        {"275", [](TcbTitulo& t) { t.SetValorMoraJuros(Currency::FromCents(1000000000000)); },
         "O valor 10000000000 de ValorMoraJuros do título de nosso número 4321 não cabe em 12 dígitos"},
        {"275", [](TcbTitulo& t) { t.SetDataProtesto(EncodeDate(2005, 6, 18)); },
         "O prazo de protesto de 100 dias do título de nosso número 4321 não cabe em 2 dígitos"},
        {"356", [](TcbTitulo& t) { t.Sacado().SetNumeroCPFCGC("123456789012345"); },
         "O CPF/CNPJ 123456789012345 do título de nosso número 4321 tem mais de 14 dígitos"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        batch_of(c.bank, 2, [&](TcbTitulo& t, int i) {
            if (i == 1) c.edit(t);
        });
        EXPECT_EQ(message_of(c.bank), c.message);
        EXPECT_EQ(lines.Count(), 2);  // header and the first detail, none grown past 400
        for (int i = 0; i < lines.Count(); ++i) EXPECT_EQ(lines[i].size(), 400u);
    }
}

TEST_F(Remessa, TotalThatOutgrowsItsTrailerFieldIsRefused) {
    // Bank 394's trailer total has 13 digits; each amount fits its own field.
    batch_of("394", 2, [](TcbTitulo& t, int) { t.SetValorDocumento(Currency::FromCents(6000000000000)); });
    EXPECT_EQ(message_of("394"), "O total dos títulos passa de 13 dígitos no título de nosso número 4321");
    EXPECT_EQ(lines.Count(), 2);
}

TEST_F(Remessa, Bank275CpfShortOrWithoutProtestDate) {
    batch_of("275", 1, [](TcbTitulo& t, int) {
        t.Sacado().SetNumeroCPFCGC("345678901");  // leading zeros dropped
    });
    ASSERT_TRUE(gerar("275"));
    EXPECT_EQ(cut(lines[1], "221-234"), "00345678900001");
    EXPECT_EQ(cut(lines[1], "157-158"), "00");  // no protest date
}

TEST_F(Remessa, SequenceBeyondSixDigitsIsRefused) {
    // Streams one title as a batch of a million through a layout of blanks and
    // sequence numbers: the detail that would leave the trailer without a
    // six-digit number is refused.
    struct Count : billing::LineSink {
        int n = 0;
        void line(std::string_view) override { ++n; }
    } sink;
    const Row rows[] = {L::blanks(1, 394, 394), L::field(395, 400, 6, L::Mark::R0, Source::Sequencia)};
    const Record plain = L::make_record(rows, 400);
    const L::BankLayout bank = {"291", L::Frame::Cnab400, plain, plain, true, plain, {}, L::UnknownOcorrencia::EmptyCode, {}, ""};
    batch_of("291", 1);
    const TcbTitulo& t = GetTitulo(batch.Titulos, 0);
    billing::Remessa400 w(bank, "BCN", batch, sink);
    w.header(t);
    for (int i = 0; i < 999997; ++i) w.detail(t);
    try {
        w.detail(t);
        FAIL() << "no refusal";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "O título de nosso número 4321 passa do limite de 999999 registros do arquivo");
    }
    w.trailer();
    EXPECT_EQ(sink.n, 999999);
}

}  // namespace
