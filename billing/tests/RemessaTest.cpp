// CNAB 400 remittances: the layout tables, the GerarRemessa frames, the
// fields the banks' layouts state, and the refusals that keep every record
// at 400 positions. Fields are compared by their positions, as `cut -c`
// reads them.

#include "billing/Startup.h"
#include "billing/cbCobranca.h"
#include "billing/cbLayouts.h"
#include "billing/cbPlugin.h"
#include "billing/cbRemessa240.h"
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
    t.SetDataProcessamento(EncodeDate(2005, 2, 2));
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

// Banks whose records have narrower agency or account fields get values that
// fit them (the fixture's would be refused, not cut).
void fit_narrow_fields(TcbTitulo& t, const std::string& bank) {
    TcbContaBancaria& c = t.Cedente().ContaBancaria();
    if (bank == "033" || bank == "291") c.SetCodigoAgencia("0034");
    if (bank == "353" || bank == "409") c.SetCodigoAgencia("0234");
    if (bank == "389") c.SetNumeroConta("08765");
    if (bank == "341") c.SetDigitoConta("7");  // the account's own digit at Itau
}

// A message without the "Título N (Nosso Número: X): " that names the title.
std::string sem_titulo(const std::string& message) {
    if (message.rfind("Título ", 0) != 0) return message;
    const std::size_t end = message.find("): ");
    return end == std::string::npos ? message : message.substr(end + 3);
}

using TitleEdit = std::function<void(TcbTitulo&)>;

class Remessa : public ::testing::Test {
protected:
    void SetUp() override {
        billing::unit_startup();
        batch.DataArquivo = EncodeDate(2005, 2, 3);
    }

    // A batch of `n` titles of `bank`, each changed by `edit` (given the index).
    void batch_of(const std::string& bank, int n, const std::function<void(TcbTitulo&, int)>& edit = {}) {
        batch.Titulos.Clear();
        for (int i = 0; i < n; ++i) {
            auto t = std::make_unique<TcbTitulo>();
            fill_title(*t, bank);
            fit_narrow_fields(*t, bank);
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
            return sem_titulo(e.Message());
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
        std::string text(Source) const override { return "12345678000199"; }
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
        {"001", laCNAB240, "T", 6},
        {"104", laCNAB240, "T", 6},
        {"999", laCNAB240, "T", 6},
        {"104", laInvalido, "F", -1},
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
            outcome = sem_titulo(e.Message());
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
// What a record needs and the title lacks, or would lose digits of, is refused
// naming the title and the field, never written as the zero date 301299, an
// agency 0000 or a number cut on the left.
TEST_F(Remessa, MissingOrOverlongValuesAreRefusedNamingTheTitleAndField) {
    const struct {
        const char* bank;
        std::function<void(TcbTitulo&)> edit;
        const char* message;
    } cases[] = {
        {"001", [](TcbTitulo& t) { t.SetDataDocumento(0); },
         "Título 2 (Nosso Número: 4321): Falta DataDocumento, que o registro da remessa exige (posições 151 a 156)"},
        {"237", [](TcbTitulo& t) { t.SetDataVencimento(0); },
         "Título 2 (Nosso Número: 4321): Falta DataVencimento, que o registro da remessa exige (posições 121 a 126)"},
        {"001", [](TcbTitulo& t) { t.SetCarteira(""); },
         "Título 2 (Nosso Número: 4321): Falta Carteira, que o registro da remessa exige (posições 107 a 108)"},
        {"001", [](TcbTitulo& t) { t.Sacado().SetNome(" "); },
         "Título 2 (Nosso Número: 4321): Falta Sacado.Nome, que o registro da remessa exige (posições 235 a 271)"},
        {"001", [](TcbTitulo& t) { t.Sacado().SetNumeroCPFCGC(""); },
         "Título 2 (Nosso Número: 4321): Falta Sacado.NumeroCPFCGC, que o registro da remessa exige (posições 221 a 234)"},
        {"341", [](TcbTitulo& t) { t.Cedente().ContaBancaria().SetCodigoAgencia("12345"); },
         "Título 2 (Nosso Número: 4321): O valor \"12345\" de Cedente.ContaBancaria.CodigoAgencia não cabe nas 4 "
         "posições do campo (18 a 21)"},
        {"237", [](TcbTitulo& t) { t.Cedente().ContaBancaria().SetCodigoAgencia("912345"); },
         "Título 2 (Nosso Número: 4321): O valor \"912345\" de Cedente.ContaBancaria.CodigoAgencia não cabe nas 5 "
         "posições do campo (25 a 29)"},
        {"341", [](TcbTitulo& t) { t.Cedente().ContaBancaria().SetDigitoConta("3"); },
         "Título 2 (Nosso Número: 4321): DigitoConta 3 não confere com o dígito 7 da agência 1234 e conta 98765 do "
         "banco 341"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        batch_of(c.bank, 2, [&](TcbTitulo& t, int i) {
            if (i == 1) c.edit(t);
        });
        try {
            gerar(c.bank);
            ADD_FAILURE() << "written";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    // A batch without its date gets no header dated 30/12/1899.
    batch_of("001", 1);
    batch.DataArquivo = 0;
    batch.LayoutArquivo = laCNAB240;
    EXPECT_EQ(message_of("001"), "Falta DataArquivo do lote, que a remessa exige");
}

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
        {"CEP left-aligned", "001", [](TcbTitulo& t) { t.Sacado().Endereco().SetCEP("1234"); }, 1, "327-334", "12340000"},
        {"one-letter state", "001", [](TcbTitulo& t) { t.Sacado().Endereco().SetEstado("S"); }, 1, "350-351", " S"},
        {"discount not in table O", "001", [](TcbTitulo& t) { t.SetTipoOcorrencia(toRemessaConcederDesconto); }, 1,
         "109-110", "00"},
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
    EXPECT_EQ(message_of("237"), "Não há títulos para gerar remessa: a lista \"Titulos\" do lote está vazia");
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

// ---------------------------------------------------------------- CNAB 240

namespace {

// A title of the CNAB 240 cases: the common title with the account digits
// of a real-looking payee and a due date with a time of day in the file.
class Remessa240 : public Remessa {
protected:
    bool gerar240(const std::string& bank, TLayoutArquivo layout = laCNAB240) {
        batch.LayoutArquivo = layout;
        batch.NumeroArquivo = 7;
        batch.DataArquivo = EncodeDate(2024, 3, 5) + EncodeTime(14, 30, 59, 0);
        return gerar(bank);
    }
};

}  // namespace

TEST(RemessaLayout240, EveryRecordCoversItsPositionsOnce) {
    ASSERT_EQ(L::cnab240_layouts().size(), 3u);
    for (const L::BankLayout240* b : L::cnab240_layouts()) {
        SCOPED_TRACE(std::string(b->code));
        for (const Record* r : {&b->file_header, &b->batch_header, &b->segment_p, &b->segment_q, &b->batch_trailer,
                                &b->file_trailer}) {
            EXPECT_EQ(r->width, 240);
            EXPECT_EQ(L::record_fault(*r), nullptr);
            EXPECT_EQ(cut(std::string(r->Rows()[0].text), "1-3"), b->code);  // every record opens with the bank
        }
    }
}

TEST_F(Remessa240, OneTitleGivesSixLinesOfRecordsInOrder) {
    for (const char* bank : {"001", "999", "104"}) {
        SCOPED_TRACE(bank);
        batch_of(bank, 1);
        ASSERT_TRUE(gerar240(bank));
        ASSERT_EQ(lines.Count(), 6);
        const char* kinds[] = {"0000" "0", "0001" "1", "0001" "3", "0001" "3", "0001" "5", "9999" "9"};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(lines[i].size(), 240u) << i;
            EXPECT_EQ(cut(lines[i], "1-3"), bank) << i;
            EXPECT_EQ(cut(lines[i], "4-8"), kinds[i]) << i;
        }
        EXPECT_EQ(cut(lines[2], "9-14"), "00001P");
        EXPECT_EQ(cut(lines[3], "9-14"), "00002Q");
        EXPECT_EQ(cut(lines[4], "18-23"), "000004");
        EXPECT_EQ(cut(lines[5], "18-29"), "000001000006");
    }
}

TEST_F(Remessa240, CountsGrowWithTheTitles) {
    batch_of("104", 3);
    ASSERT_TRUE(gerar240("104"));
    ASSERT_EQ(lines.Count(), 10);
    EXPECT_EQ(cut(lines[6], "9-14"), "00005P");
    EXPECT_EQ(cut(lines[7], "9-14"), "00006Q");
    EXPECT_EQ(cut(lines[8], "18-23"), "000008");
    EXPECT_EQ(cut(lines[9], "18-29"), "000001000010");
}

// Fields stated for given values, by position.
TEST_F(Remessa240, StatedFields) {
    struct Case {
        const char* what;
        const char* bank;
        TitleEdit edit;
        int record;  // 0 file header, 1 batch header, 2 P, 3 Q, 4 batch trailer, 5 file trailer
        const char* range;
        const char* expected;
    };
    auto none = [](TcbTitulo&) {};
    auto occurrence = [](TTipoOcorrencia o) { return [o](TcbTitulo& t) { t.SetTipoOcorrencia(o); }; };
    auto nosso = [](TcbTitulo& t) { t.SetNossoNumero("12345"); };
    auto interest = [](TcbTitulo& t) {
        t.SetValorMoraJuros(Currency::FromCents(1234));
        t.SetDataMoraJuros(EncodeDate(2005, 3, 11));
    };
    auto discount = [](TcbTitulo& t) { t.SetValorDesconto(Currency::FromCents(500)); };
    auto protest_after = [](int days) {
        return [days](TcbTitulo& t) { t.SetDataProtesto(t.DataVencimento() + days); };
    };
    auto writeoff_after = [](int days) { return [days](TcbTitulo& t) { t.SetDataBaixa(t.DataVencimento() + days); }; };
    const Case cases[] = {
        {"registration", "001", none, 2, "16-17", "01"},
        {"dispense interest", "001", occurrence(toRemessaDispensarJuros), 2, "16-17", "31"},
        {"change payer name", "001", occurrence(toRemessaAlterarNomeEnderecoSacado), 3, "16-17", "31"},
        {"change due date", "104", occurrence(toRemessaAlterarVencimento), 3, "16-17", "06"},
        {"interest 12.34", "001", interest, 2, "127-141", "000000000001234"},
        {"interest code", "001", interest, 2, "118-126", "111032005"},
        {"no interest 001", "001", none, 2, "118-141", "0" "00000000" "000000000000000"},
        {"no interest 104", "104", none, 2, "118-141", "4" "00000000" "000000000000000"},
        {"interest without a date", "104", [](TcbTitulo& t) { t.SetValorMoraJuros(Currency::FromCents(1)); }, 2,
         "118-126", "100000000"},
        {"discount 001 without a date", "001", discount, 2, "142-165", "1" "00000000" "000000000000500"},
        {"discount 104 without a date is the due date", "104", discount, 2, "142-150", "110032005"},
        {"no discount 104", "104", none, 2, "142-150", "010032005"},
        {"no discount 001", "001", none, 2, "142-150", "000000000"},
        {"protest on the due date", "001", protest_after(0), 2, "221-223", "300"},
        {"no protest date", "104", none, 2, "221-223", "300"},
        {"protest after 20 days", "104", protest_after(20), 2, "221-223", "120"},
        {"protest after 99 days", "001", protest_after(99), 2, "221-223", "199"},
        {"no write-off date", "001", none, 2, "224-229", "200009"},
        {"write-off after 120 days", "001", writeoff_after(120), 2, "224-227", "1120"},
        {"nosso numero 001", "001", nosso, 2, "38-57", "12345000000000000000"},
        {"nosso numero 104", "104", nosso, 2, "38-57", "         00000012345"},
        {"seu numero 001", "001", none, 2, "63-77", "000000000000SN1"},
        {"seu numero 104", "104", none, 2, "63-77", "00000000SN1    "},
        {"seu numero again", "104", none, 2, "196-220", "SN1                      "},
        {"amount, kind, acceptance, dates", "001", none, 2, "78-117",
         "10032005" "000000000001234" "00000" " " "17" "N" "01022005"},
        {"104 kind of an insurance policy", "104", [](TcbTitulo& t) { t.SetEspecieDocumento(edApoliceSeguro); }, 2,
         "106-108", "020"},
        {"001 kind of an insurance policy", "001", [](TcbTitulo& t) { t.SetEspecieDocumento(edApoliceSeguro); }, 2,
         "106-108", " 99"},
        {"banks issue", "001", [](TcbTitulo& t) { t.SetEmissaoBoleto(ebBancoEmite); }, 2, "58-62", "11111"},
        {"client issues", "104", none, 2, "58-62", "11222"},
        {"account 001", "001", none, 2, "18-37", "012345000000098765" "1 "},
        {"CEP of four digits", "001", [](TcbTitulo& t) { t.Sacado().Endereco().SetCEP("1234"); }, 3, "129-136",
         "12340000"},
        {"payer", "104", none, 3, "18-33", "1" "000012345678901"},
        {"payer of another kind", "104", [](TcbTitulo& t) { t.Sacado().SetTipoInscricao(tiOutro); }, 3, "18", "9"},
        {"payer address", "001", none, 3, "34-153",
         "MARIA SOUZA                             " "RUA UM 10                               "
         "CENTRO         " "29000000" "VITORIA        " "ES"},
        {"Q tail", "001", none, 3, "154-170", "0000000000000000 "},
        {"file header 001 payee", "001", none, 0, "18-72", "2" "12345678000199" "00000000000001234567"
                                                           "01234" "5" "000000098765" "1" " "},
        {"file header 001 bank and date", "001", none, 0, "103-171",
         "BANCO DO BRASIL               " "          " "1" "05032024" "143059" "000007" "030" "00000"},
        {"file header 001 tail", "001", none, 0, "212-240", "           CSP0              "},
        {"file header 999 bank", "999", none, 0, "103-132", "TOLVARENA                     "},
        {"file header 104 payee code", "104", none, 0, "33-52", "1234" "00001234567" "8" "    "},
        {"file header 104 bank", "104", none, 0, "103-132", "CAIXA ECONOMICA FEDERAL       "},
        {"file header 104 outside tests", "104", none, 0, "192-240",
         "                                                 "},
        {"batch header 001", "001", none, 1, "9-18", "R0100020 2"},
        {"batch header 001 file", "001", none, 1, "184-208", "00000007" "05032024" "0       " " "},
        {"batch header 104 file", "104", none, 1, "184-207", "00000007" "05032024" "05032024"},
        {"batch header 104 payee code", "104", none, 1, "34-53", "1234" "00001234567" "8" "    "},
        {"batch trailer zeros", "001", none, 4, "24-46", "00000000000000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bank) + ": " + c.what);
        batch_of(c.bank, 1, [&](TcbTitulo& t, int) { c.edit(t); });
        ASSERT_TRUE(gerar240(c.bank));
        ASSERT_EQ(lines.Count(), 6);
        EXPECT_EQ(cut(lines[c.record], c.range), c.expected);
    }
}

TEST_F(Remessa240, Bank104CarriesTheAgencyAndAccountDigit) {
    batch_of("104", 2, [](TcbTitulo& t, int i) { t.Cedente().ContaBancaria().SetNumeroConta(i == 0 ? "98765" : "555"); });
    ASSERT_TRUE(gerar240("104"));
    const std::string first = Modulo11("01234" "000000098765", 9, false);
    const std::string second = Modulo11("01234" "000000000555", 9, false);
    ASSERT_NE(first, second);
    EXPECT_EQ(cut(lines[0], "72"), first);
    EXPECT_EQ(cut(lines[1], "73"), first);
    EXPECT_EQ(cut(lines[2], "37"), first);   // each title its own account
    EXPECT_EQ(cut(lines[4], "37"), second);
    for (const char* bank : {"001", "999"}) {
        batch_of(bank, 1);
        ASSERT_TRUE(gerar240(bank));
        EXPECT_EQ(cut(lines[0], "72"), " ");
        EXPECT_EQ(cut(lines[1], "73"), " ");
        EXPECT_EQ(cut(lines[2], "37"), " ");
    }
    batch_of("104", 1, [](TcbTitulo& t, int) { t.Cedente().ContaBancaria().SetNumeroConta("98A65"); });
    EXPECT_THROW(gerar240("104"), EConvertError);
}

TEST_F(Remessa240, TestFileMarkOfBank104) {
    batch_of("104", 1);
    batch.AmbienteArquivo = 2;
    ASSERT_TRUE(gerar240("104"));
    EXPECT_EQ(cut(lines[0], "192-211"), "REMESSA-TESTE       ");
    batch_of("001", 1);
    ASSERT_TRUE(gerar240("001"));
    EXPECT_EQ(cut(lines[0], "192-211"), std::string(20, ' '));
}

// Refusals: the message, and the lines that stay in the list (those of the
// titles before; never half a title).
TEST_F(Remessa240, Refusals) {
    struct Case {
        const char* what;
        const char* bank;
        TLayoutArquivo layout;
        int failing;  // index of the title that the edit changes
        TitleEdit edit;
        const char* message;
        int lines_left;
    };
    const Case cases[] = {
        {"protest after 120 days", "001", laCNAB240, 1,
         [](TcbTitulo& t) { t.SetDataProtesto(t.DataVencimento() + 120); },
         "O prazo de protesto de 120 dias do título de nosso número 4321 não cabe em 2 dígitos", 4},
        {"protest after 100 days", "104", laCNAB240, 0,
         [](TcbTitulo& t) { t.SetDataProtesto(t.DataVencimento() + 100); },
         "O prazo de protesto de 100 dias do título de nosso número 4321 não cabe em 2 dígitos", 2},
        {"write-off after 1000 days", "104", laCNAB240, 0,
         [](TcbTitulo& t) { t.SetDataBaixa(t.DataVencimento() + 1000); },
         "O prazo de baixa de 1000 dias do título de nosso número 4321 não cabe em 3 dígitos", 2},
        {"negative amount", "001", laCNAB240, 0, [](TcbTitulo& t) { t.SetValorDocumento(Currency::FromCents(-1)); },
         "O valor -0.01 de ValorDocumento do título de nosso número 4321 é negativo", 2},
        {"negative interest", "001", laCNAB240, 0, [](TcbTitulo& t) { t.SetValorMoraJuros(Currency::FromCents(-5)); },
         "O valor -0.05 de ValorMoraJuros do título de nosso número 4321 é negativo", 2},
        {"amount of 16 digits", "104", laCNAB240, 1,
         [](TcbTitulo& t) { t.SetValorAbatimento(Currency::FromCents(1000000000000000)); },
         "O valor 10000000000000 de ValorAbatimento do título de nosso número 4321 não cabe em 15 dígitos", 4},
        {"debit in account", "001", laCNAB240, 0,
         [](TcbTitulo& t) { t.SetTipoOcorrencia(toRemessaDebitarEmConta); },
         "Ocorrência inválida em remessa - Nosso número: 4321 / Seu número: SN1", 2},
        {"another bank", "104", laCNAB240, 1,
         [](TcbTitulo& t) { t.Cedente().ContaBancaria().Banco().SetCodigo("001"); },
         "O título (Nosso Número: 4321) não pertence ao banco 104 (Caixa Econ. Federal)", 4},
        {"another bank first", "999", laCNAB240, 0,
         [](TcbTitulo& t) { t.Cedente().ContaBancaria().Banco().SetCodigo("001"); },
         "O título (Nosso Número: 4321) não pertence ao banco 999 (TOLVARENA)", 0},
        {"file number of 7 digits", "001", laCNAB240, -1, {}, "O valor 1234567 de NumeroArquivo da remessa não cabe em 6 dígitos", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bank) + ": " + c.what);
        batch_of(c.bank, 2, [&](TcbTitulo& t, int i) {
            if (i == c.failing) c.edit(t);
        });
        lines.Clear();
        lines.Add("sentinel");
        std::string message = "(no exception)";
        try {
            batch.LayoutArquivo = c.layout;
            batch.DataArquivo = EncodeDate(2024, 3, 5);
            batch.NumeroArquivo = c.failing < 0 ? 1234567 : 7;
            billing::gerar_remessa_cnab240(c.bank, batch, lines);
        } catch (const Exception& e) {
            message = sem_titulo(e.Message());
        }
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(lines.Count(), c.lines_left);
        for (int i = 0; i < lines.Count(); ++i) EXPECT_EQ(lines[i].size(), 240u);
    }
}

// A negative file number is refused as negative in either layout, before
// any line is written.
TEST_F(Remessa240, NegativeFileNumberIsRefusedAsNegative) {
    for (TLayoutArquivo layout : {laCNAB400, laCNAB240}) {
        SCOPED_TRACE(layout == laCNAB240 ? "CNAB 240" : "CNAB 400");
        batch_of("001", 1);
        batch.LayoutArquivo = layout;
        batch.NumeroArquivo = -5;
        lines.Clear();
        EXPECT_EQ(message_of("001"), "O valor -5 de NumeroArquivo da remessa é negativo");
        EXPECT_EQ(lines.Count(), 0);
    }
}

TEST_F(Remessa240, WriterChecks) {
    auto message = [&](const std::string& bank, TLayoutArquivo layout) -> std::string {
        batch.LayoutArquivo = layout;
        try {
            billing::gerar_remessa_cnab240(bank, batch, lines);
        } catch (const Exception& e) {
            return sem_titulo(e.Message());
        }
        return "(no exception)";
    };
    batch.Titulos.Clear();
    EXPECT_EQ(message("104", laCNAB240), "Não há títulos para gerar remessa");
    batch_of("001", 1);
    EXPECT_EQ(message("001", laCNAB400), "CNAB240 é o único layout disponível para o banco 001 - BANCO DO BRASIL");
    batch_of("999", 1);
    EXPECT_EQ(message("999", laInvalido), "CNAB240 é o único layout disponível para o banco 999 - TOLVARENA");
    batch_of("104", 1);
    EXPECT_EQ(message("104", laCNAB400), "(no exception)");  // bank 104's writer does not look at the layout
    EXPECT_EQ(lines.Count(), 6);
}

TEST_F(Remessa240, LinesArePrintableAsciiOf240WhateverTheText) {
    batch_of("001", 2, [](TcbTitulo& t, int) {
        t.Sacado().SetNome("João Ávila Müller da Conceição — «ç» \t tab");
        t.Sacado().Endereco().SetRua("Rua São José, nº 12 ½ muito longa que passa de quarenta caracteres");
        t.Sacado().Endereco().SetCidade("São Paulo");
        t.Cedente().SetNome("Açúcar & Café Ltda. " + std::string(50, 'x'));
        t.SetSeuNumero("ñ-123");
    });
    ASSERT_TRUE(gerar240("001"));
    for (int i = 0; i < lines.Count(); ++i) {
        ASSERT_EQ(lines[i].size(), 240u);
        for (char ch : lines[i]) EXPECT_TRUE(ch >= ' ' && ch <= '~') << i;
    }
    EXPECT_EQ(cut(lines[3], "34-63"), "JOAO AVILA MULLER DA CONCEICAO");
}
