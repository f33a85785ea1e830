// billing-tool remessa and layout from the outside: random batches checked by
// the python3 oracle, bad batches that must leave no file (and an existing
// one as it was), and the layout listing.

#include "billing/tests/RunTool.h"

#include <gtest/gtest.h>

#include <regex>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using billing_test::oracle;
using billing_test::Outcome;
using billing_test::run;
using billing_test::tool;

std::string read(const std::string& path) { return test_support::read_file(path); }
void write(const std::string& path, const std::string& data) { test_support::write_file(path, data); }

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

// A title of bank 237 in JSON, with `extra` fields added.
std::string title(const std::string& bank, const std::string& extra = "") {
    return R"({"NossoNumero":"12345","SeuNumero":"A1","Carteira":"9","ValorDocumento":"10.00",)"
           R"("DataVencimento":"2025-01-10","DataDocumento":"2025-01-02","DataProcessamento":"2025-01-03",)" +
           extra +
           R"("Cedente":{"NumeroCPFCGC":"12345678000199","Nome":"Empresa","CodigoCedente":"7","ContaBancaria":{"Banco":{"Codigo":")" +
           bank + R"("},"CodigoAgencia":"1","NumeroConta":"2"}},"Sacado":{"Nome":"Fulano","NumeroCPFCGC":"12345678901"}})";
}

std::string repeat(const std::string& text, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += text;
    return s;
}

std::string batch(const std::vector<std::string>& titles,
                  const std::string& fields = R"("NumeroArquivo":3,"DataArquivo":"2025-01-03",)") {
    std::string s = "{" + fields + R"("Titulos":[)";
    for (std::size_t i = 0; i < titles.size(); ++i) s += (i ? "," : "") + titles[i];
    return s + "]}";
}

class RemessaTool : public ::testing::Test {
protected:

    Outcome remessa(const std::string& bank, const std::string& doc) {
        write(dir + "/batch.json", doc);
        return run(tool() + " remessa --bank " + bank + " '" + dir + "/batch.json' '" + dir + "/out.rem'");
    }

    test_support::ScratchDir scratch{"remessa-tool"};
    std::string dir = scratch.path();
};

TEST_F(RemessaTool, RandomBatchesOfEveryBankAgreeWithTheOracle) {
    Outcome r = run(test_support::oracle_command("remessa_check.py") + " " + tool() + " 300");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find(", 0 failures"), std::string::npos) << r.output;
}

TEST_F(RemessaTool, WritesCrLfLinesOf400) {
    Outcome r = remessa("237", batch({title("237"), title("237")}));
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string data = read(dir + "/out.rem");
    ASSERT_EQ(data.size(), 4u * 402u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(data.substr(i * 402 + 400, 2), "\r\n");
    EXPECT_EQ(entries(dir).size(), 2u);  // the batch and the remittance, no temporary left
}

// CNAB 240 files, checked as a bank's intake would read them: awk for the
// line width, a byte scan for printable ASCII, the records' kinds.
TEST_F(RemessaTool, WritesCnab240LinesOfPrintableAscii) {
    const std::string accented = R"("Sacado":{"Nome":"João Ávila Conceição","NumeroCPFCGC":"1",)"
                                 R"("Endereco":{"Rua":"Praça São Tomé","Cidade":"Maceió","CEP":"5702"}},)";
    for (const std::string bank : {"001", "104", "999"}) {
        SCOPED_TRACE(bank);
        std::string t = title(bank);
        t.replace(t.find(R"("Sacado")"), std::string::npos, accented.substr(0, accented.size() - 1) + "}");
        Outcome r = remessa(bank + " --layout 240", batch({t, title(bank)}, R"("NumeroArquivo":3,"DataArquivo":"2025-01-03","LayoutArquivo":"laCNAB400",)"));
        ASSERT_EQ(r.status, 0) << r.output;
        const std::string out = dir + "/out.rem";
        EXPECT_EQ(run("tr -d '\\r' < '" + out + "' | awk 'length($0)!=240{exit 1}'").status, 0);
        EXPECT_NE(run("tr -d '\\r\\n' < '" + out + "' | LC_ALL=C grep -q '[^ -~]'").status, 0);
        const std::string data = read(out);
        ASSERT_EQ(data.size(), 8u * 242u);
        std::string kinds;
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(data.substr(i * 242 + 240, 2), "\r\n");
            kinds += data.substr(i * 242 + 7, 1) + data.substr(i * 242 + 13, 1);
        }
        EXPECT_EQ(kinds.substr(0, 4), "0 10");  // record kind at 8, segment at 14
        EXPECT_EQ(kinds.substr(4), "3P3Q3P3Q5 9 ");
        EXPECT_EQ(data.substr(242 * 3 + 33, 40), "JOAO AVILA CONCEICAO                    ");
        EXPECT_EQ(data.substr(242 * 3 + 128, 8), "57020000");
    }
}

TEST_F(RemessaTool, BadBatchesLeaveNoFile) {
    struct Case {
        const char* what;
        std::string bank;
        std::string doc;
        const char* message;
    };
    const Case cases[] = {
        {"foreign title", "237", batch({title("237"), title("001")}), "Titulo não pertence ao banco 237 - BRADESCO"},
        {"negative amount", "001", batch({title("001", R"("ValorAbatimento":"-1.50",)")}),
         "O valor -1.5 de ValorAbatimento do título de nosso número 12345 é negativo"},
        {"unknown occurrence 275", "275", batch({title("275", R"("TipoOcorrencia":"toRemessaDispensarJuros",)")}),
         "Ocorrência de remessa inválida ou não disponível para o banco 275 - Banco Real S.A."},
        {"unknown occurrence 356", "356", batch({title("356", R"("TipoOcorrencia":"toRemessaDispensarJuros",)")}),
         "Ocorrência de remessa inválida ou não disponível para o banco 356 - BANCO REAL           "},
        {"unknown occurrence 341", "341", batch({title("341", R"("TipoOcorrencia":"toRemessaDebitarEmConta",)")}),
         "Ocorrência inválida em remessa - Nosso número: 12345 / Seu número: A1"},
        {"unknown occurrence 479", "479", batch({title("479", R"("TipoOcorrencia":"toRemessaDebitarEmConta",)")}),
         "Ocorrência não disponível para Bank Boston"},
        {"detail layout unknown", "353", batch({title("353")}),
         "O layout CNAB400 do registro de detalhe não está disponível para o banco 353 - Banco Santander"},
        {"no titles", "001", batch({}), "Não há títulos para gerar remessa: a lista \"Titulos\" do lote está vazia"},
        // A refusal names the title by its position and nosso número, and the field.
        {"foreign second title", "237", batch({title("237"), title("001")}),
         "billing-tool: Título 2 (Nosso Número: 12345): Titulo não pertence ao banco 237 - BRADESCO"},
        {"bad amount", "237", batch({title("237"), title("237", R"("ValorMoraJuros":"1,5",)")}),
         "billing-tool: Título 2 (Nosso Número: 12345): Valor monetário inválido em \"ValorMoraJuros\": \"1,5\""},
        {"digit that is none", "237",
         batch({std::regex_replace(title("237"), std::regex("12345"), "12AB5")}),
         "billing-tool: Título 1 (Nosso Número: 12AB5): 'B' is not a valid integer value"},
        {"unknown kind", "237", batch({title("237", R"("AceiteDocumento":"S",)")}),
         "Título 1 (Nosso Número: 12345): Valor desconhecido em \"AceiteDocumento\": S (aceitos: adSim, adNao)"},
        {"layout 240 at 275", "275", batch({title("275")}, R"("DataArquivo":"2025-01-03","LayoutArquivo":"laCNAB240",)"),
         "CNAB400 é o único layout de cobrança disponível para o banco 275 - Banco Real S.A."},
        {"120-day protest in layout 240 at 001", "001",
         batch({title("001"), title("001", R"("DataProtesto":"2025-05-10",)")}, R"("DataArquivo":"2025-01-03","LayoutArquivo":"laCNAB240",)"),
         "O prazo de protesto de 120 dias do título de nosso número 12345 não cabe em 2 dígitos"},
        {"--layout 240 without titles", "104 --layout 240", batch({}), "Não há títulos para gerar remessa"},
        {"--layout 240 at 237", "237 --layout 240", batch({title("237")}),
         "A geração de arquivo de remessa para o BRADESCO não está está disponível para o layout laCNAB240"},
        {"--layout 240 with a foreign title", "104 --layout 240", batch({title("104"), title("001")}),
         "O título (Nosso Número: 12345) não pertence ao banco 104 (Caixa Econ. Federal)"},
        {"layout 240 at 033", "033", batch({title("033")}, R"("DataArquivo":"2025-01-03","LayoutArquivo":"laCNAB240",)"),
         "Nenhuma remessa gerada: o banco 033 - SANTANDER não gera remessa no layout laCNAB240"},
        {"bank without remittances", "399", batch({title("399")}),
         "Geração de arquivo remessa não está disponível para o banco 399 - HSBC"},
        {"malformed JSON", "001", "{\"Titulos\":[" + title("001"), "JSON inválido"},
        {"repeated key in a title", "001", batch({title("001", R"("NossoNumero":"9",)")}), "Chave repetida no JSON: \"NossoNumero\""},
        {"repeated batch field", "001", batch({title("001")}, R"("NumeroArquivo":1,"NumeroArquivo":2,)"),
         "Chave repetida no JSON: \"NumeroArquivo\""},
        {"bank code of four digits", "1237", batch({title("237")}), "Código de banco inválido: \"1237\""},
        {"unknown field", "001", batch({title("001", R"("Nosso":"1",)")}), "Campo desconhecido em Titulo: \"Nosso\""},
        // Values nested far deeper than a batch's six levels: a clear refusal, no crash.
        {"deep batch field", "237",
         R"({"X":)" + repeat(R"({"a":)", 100000) + "1" + std::string(100000, '}') + "," + batch({title("237")}).substr(1),
         "Lote de títulos inválido: mais de 64 níveis de objetos e listas"},
        {"deep title", "237", batch({title("237", R"("Instrucoes":)" + std::string(100000, '[') +
                                                      std::string(100000, ']') + ",")}),
         "Lote de títulos inválido: mais de 64 níveis de objetos e listas"},
        {"deep list of titles", "237", R"({"Titulos":)" + std::string(70, '[') + std::string(70, ']') + "}",
         "Lote de títulos inválido: mais de 64 níveis de objetos e listas"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // No file before: none after.
        Outcome r = remessa(c.bank, c.doc);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(entries(dir), std::vector<std::string>{"batch.json"});

        // An existing file stays as it was.
        write(dir + "/out.rem", "previous remittance\r\n");
        r = remessa(c.bank, c.doc);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(read(dir + "/out.rem"), "previous remittance\r\n");
        EXPECT_EQ(entries(dir).size(), 2u);
        std::remove((dir + "/out.rem").c_str());
    }
}

TEST_F(RemessaTool, ReplacesAnExistingFileWhenWritten) {
    write(dir + "/out.rem", "previous remittance\r\n");
    Outcome r = remessa("001", batch({title("001")}));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read(dir + "/out.rem").size(), 3u * 402u);
}

// OUT gets the usual permissions and keeps its kind: a link is followed and
// the file it names replaced, a device is written directly, and a file the
// user may not write is refused as a shell's redirect refuses it.
TEST_F(RemessaTool, OutKeepsItsKindAndTheUsualPermissions) {
    write(dir + "/batch.json", batch({title("237")}));
    const std::string command = tool() + " remessa --bank 237 '" + dir + "/batch.json' ";
    const std::string out = dir + "/out.rem";
    const test_support::OutputModes modes = test_support::output_modes(command + "'" + out + "'", out);
    EXPECT_EQ(modes.made, 0644);
    EXPECT_EQ(modes.replaced, 0664);
    const std::string expected = read(out);
    ASSERT_EQ(expected.size(), 3u * 402u);

    ASSERT_EQ(::symlink("out.rem", (dir + "/link.rem").c_str()), 0);
    write(out, "old");
    Outcome r = run(command + "'" + dir + "/link.rem'");
    EXPECT_EQ(r.status, 0) << r.output;
    struct stat st {};
    ASSERT_EQ(::lstat((dir + "/link.rem").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(read(out), expected);

    r = run(command + "/dev/null");
    EXPECT_EQ(r.status, 0) << r.output;
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    // As an ordinary user (root may write anything).
    const std::string locked = dir + "/locked.rem";
    write(locked, "old");
    ::chmod(locked.c_str(), 0444);
    ::chmod(dir.c_str(), 0777);
    const std::string as_user = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    r = run(as_user + command + "'" + locked + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Permission denied"), std::string::npos) << r.output;
    EXPECT_EQ(read(locked), "old");
    std::vector<std::string> names = entries(dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"batch.json", "link.rem", "locked.rem", "out.rem"}));
}

// A run ended by SIGTERM while it writes leaves the old OUT and no
// temporary file (the batch comes through a FIFO, so the run waits mid-way).
TEST_F(RemessaTool, ASignalLeavesNoTemporaryFile) {
    const std::string fifo = dir + "/batch.fifo", out = dir + "/out.rem";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    write(out, "previous remittance\r\n");
    const std::string program = tool();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), "remessa", "--bank", "237", fifo.c_str(), out.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::string part = R"({"NumeroArquivo":3,"Titulos":[)" + title("237") + ",";
    ASSERT_EQ(::write(fd, part.data(), part.size()), ssize_t(part.size()));
    bool writing = false;
    for (int i = 0; i < 500 && !writing; ++i) {
        writing = entries(dir).size() > 2;
        if (!writing) ::usleep(10000);
    }
    EXPECT_TRUE(writing);
    ::usleep(100000);  // past the moment the file is made and registered; the run then waits for input
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(fd);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(read(out), "previous remittance\r\n");
    std::vector<std::string> names = entries(dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"batch.fifo", "out.rem"}));
}

// Whatever a command prints must reach standard output, or the run fails.
TEST(BillingTool, AFullStandardOutputFailsTheRun) {
    const Outcome r = run("{ " + tool() + " bank 237 >/dev/full; }");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "billing-tool: cannot write standard output: No space left on device\n");
}

TEST_F(RemessaTool, BatchFieldsAfterTheTitlesGiveTheSameFile) {
    const std::string fields = R"("NumeroArquivo":42,"DataArquivo":"2024-02-29",)";
    ASSERT_EQ(remessa("237", batch({title("237"), title("237")}, fields)).status, 0);
    const std::string first = read(dir + "/out.rem");
    const std::string late = R"({"Titulos":[)" + title("237") + "," + title("237") +
                             R"(],"NumeroArquivo":42,"DataArquivo":"2024-02-29"})";
    Outcome r = remessa("237", late);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read(dir + "/out.rem"), first);
    EXPECT_EQ(first.substr(94, 6), "290224");      // DataArquivo at 95-100
    EXPECT_EQ(first.substr(110, 7), "0000042");    // NumeroArquivo at 111-117
}

// A pipe is read once: a batch whose fields follow the titles is refused
// with a message saying so; one whose fields come first is written.
TEST_F(RemessaTool, ABatchFromAPipeIsReadOnce) {
    const std::string fields = R"("NumeroArquivo":42,"DataArquivo":"2024-02-29",)";
    ASSERT_EQ(remessa("237", batch({title("237"), title("237")}, fields)).status, 0);
    const std::string from_file = read(dir + "/out.rem");
    write(dir + "/early.json", batch({title("237"), title("237")}, fields));
    write(dir + "/late.json", R"({"Titulos":[)" + title("237") + "," + title("237") +
                                  R"(],"NumeroArquivo":42,"DataArquivo":"2024-02-29"})");
    std::remove((dir + "/out.rem").c_str());
    Outcome r = run("cat '" + dir + "/early.json' | " + tool() + " remessa --bank 237 /dev/stdin '" + dir + "/out.rem'");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(read(dir + "/out.rem"), from_file);
    std::remove((dir + "/out.rem").c_str());
    r = run("cat '" + dir + "/late.json' | " + tool() + " remessa --bank 237 /dev/stdin '" + dir + "/out.rem'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "billing-tool: O lote /dev/stdin traz campos depois de \"Titulos\" e não é um arquivo comum, "
                        "que se possa ler de novo: ponha os campos antes de \"Titulos\" ou dê o lote num arquivo\n");
    std::vector<std::string> left = entries(dir);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"batch.json", "early.json", "late.json"}));
}

// A batch file is read the fast way (each title straight from its text) and
// a pipe with the parser's events; both must give the same remittance and
// word every refusal alike, the refusal of the first title (in list order)
// that has one, and of its field that comes first by name. Each case is run
// both ways and the answers compared; a few are pinned as well.
TEST_F(RemessaTool, AFileAndAPipeGiveTheSameAnswer) {
    const std::string ok = title("237");
    // A title with its own fields (no defaults to repeat).
    auto own = [](const std::string& fields) {
        return R"({"NossoNumero":"777","Carteira":"9","ValorDocumento":"1.00","DataVencimento":"2025-01-10",)"
               R"("Cedente":{"ContaBancaria":{"Banco":{"Codigo":"237"},"CodigoAgencia":"1","NumeroConta":"2"}},)" +
               fields + "}";
    };
    struct Case {
        const char* what;
        std::string doc;
        const char* message;  // pinned, when not empty
    };
    const std::string huge_line(3 << 20, 'x');
    const Case cases[] = {
        {"two bad fields: the first by name", batch({ok, title("237", R"("ValorMoraJuros":"1,5","DataDesconto":"2025-13-01",)")}),
         "billing-tool: Título 2 (Nosso Número: 12345): Data inválida em \"DataDesconto\": 2025-13-01\n"},
        {"unknown key after a bad value", batch({ok, ok, own(R"("Zeta":"1","Carteira ":"x","LocalPagamento":5.5)")}),
         "billing-tool: Título 3 (Nosso Número: 777): Campo desconhecido em Titulo: \"Carteira \"\n"},
        {"repeated key after a bad value", batch({ok, title("237", R"("ValorMoraJuros":"x","SeuNumero":"B",)")}),
         "billing-tool: Chave repetida no JSON: \"SeuNumero\"\n"},
        {"repeated key written with an escape", batch({ok, title("237", R"("Nosso\u004eumero":"1",)")}), ""},
        {"malformed title after a bad value in it", batch({ok, ok, title("237", R"("ValorMoraJuros":"x",,)")}), ""},
        {"malformed title after a bad title", batch({ok, title("237", R"("ValorMoraJuros":"x",)"), "{\"NossoNumero\":}"}),
         "billing-tool: Título 2 (Nosso Número: 12345): Valor monetário inválido em \"ValorMoraJuros\": \"x\" "
         "(esperado um número ou um texto como \"1234.56\")\n"},
        {"escapes and numbers", batch({ok, title("237", R"("SeuNumero":"A\"1\\","ValorMoraJuros":1.25,"ValorDesconto":2,)"
                                                        R"("MargemBoleto":3,"Instrucoes":[1,"linha \u00e9 \t"],)")}), ""},
        {"accented text", batch({own(R"("Sacado":{"Nome":"João Ávila","NumeroCPFCGC":"1"},"Instrucoes":["Não"])")}), ""},
        {"bytes that are no UTF-8", batch({ok, own("\"Sacado\":{\"Nome\":\"Jo\xff\xfe\"}")}), ""},
        {"a title that is no object", batch({ok, "1"}), "billing-tool: Título 2 (Nosso Número: ): Esperado um objeto JSON em Titulo\n"},
        {"a title list that is no list", R"({"Titulos":{}})", ""},
        {"null titles", R"({"Titulos":null})", ""},
        {"a class of another name", batch({title("237", R"("Classe":"TOutroTitulo",)")}), ""},
        {"no such month", batch({ok, title("237", R"("DataDesconto":"2025-13-01",)")}), ""},
        {"no such day", batch({ok, title("237", R"("DataDesconto":"2025-02-29",)")}), ""},
        {"a date of other digits", batch({ok, title("237", R"("DataDesconto":"+025-01-01",)")}), ""},
        {"null text", batch({title("237", R"("LocalPagamento":null,)")}), ""},
        {"null date", batch({title("237", R"("DataDesconto":null,"ExibirInstrucoesAutomaticas":false,)")}), ""},
        {"a nested unknown key", batch({own(R"("Sacado":{"Nome":"x","Endereco":{"Rua":"a","Bloco":"b"}})")}), ""},
        {"a nested repeated key", batch({own(R"("Sacado":{"Nome":"x","Nome":"y"})")}), ""},
        {"text after the batch", batch({ok}) + " x", ""},
        {"a byte-order mark", "\xEF\xBB\xBF" + batch({ok}), ""},
        {"blanks everywhere", " \n{ \"NumeroArquivo\" : 3 ,\r\n\t\"Titulos\" : [ \n" + ok + " ,\n " + ok + " ] } \n", ""},
        {"a title longer than the reading block",
         batch({ok, title("237", "\"Instrucoes\":[\"" + huge_line + "\"],"), ok}), ""},
        {"a batch field that does not convert", batch({ok}, R"("DataArquivo":"2025-02-30",)"), ""},
        {"an empty list", batch({}), ""},
        {"a title of nothing", batch({"{}"}), ""},
        {"a title whose bracket never closes", batch({ok, ok.substr(0, ok.size() - 1), ok, ok}), ""},
        {"ends inside a title", batch({ok, ok}).substr(0, batch({ok, ok}).size() - 20), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write(dir + "/batch.json", c.doc);
        const Outcome from_file = remessa("237", c.doc);
        const std::string file_out = from_file.status == 0 ? read(dir + "/out.rem") : "";
        std::remove((dir + "/out.rem").c_str());
        const Outcome piped =
            run("cat '" + dir + "/batch.json' | " + tool() + " remessa --bank 237 /dev/stdin '" + dir + "/out.rem'");
        EXPECT_EQ(from_file.status, piped.status);
        EXPECT_EQ(from_file.output, piped.output);
        if (piped.status == 0) {
            EXPECT_EQ(file_out, read(dir + "/out.rem"));
        }
        std::remove((dir + "/out.rem").c_str());
        if (*c.message != '\0') {
            EXPECT_EQ(from_file.output, c.message);
        }
    }
}

TEST_F(RemessaTool, LayoutListing) {
    Outcome r = run(tool() + " layout --bank 422 --record detail");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("174-179   6  DataDesconto ddmmaa; \"      \" quando zero\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("395-400   6  sequencial do registro (R0)\n"), std::string::npos) << r.output;

    r = run(tool() + " layout --bank 341 --record detail");
    EXPECT_NE(r.output.find("391-394   4  4 brancos  [reconstruído]\n"), std::string::npos) << r.output;

    r = run(tool() + " layout --bank 394 --record trailer");
    EXPECT_NE(r.output.find("  3- 10   8  quantidade de titulos (R0)\n"), std::string::npos) << r.output;

    r = run(tool() + " layout --bank 104 --layout 240 --record segment-p");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("143-150   8  DataDesconto quando ValorDesconto > 0, senão DataVencimento ddmmaaaa\n"),
              std::string::npos) << r.output;
    r = run(tool() + " layout --bank 001 --layout 240 --record segment-p");
    EXPECT_NE(r.output.find("119-126   8  DataMoraJuros quando ValorMoraJuros > 0 ddmmaaaa; \"00000000\" quando zero\n"),
              std::string::npos) << r.output;
    r = run(tool() + " layout --bank 237 --layout 240 --record segment-p");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("O layout CNAB240 não está disponível para o banco 237 - BRADESCO"), std::string::npos) << r.output;

    r = run(tool() + " layout --bank 479 --record detail");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("não está disponível para o banco 479 - Bank Boston"), std::string::npos) << r.output;
}

}  // namespace

namespace {

// The README's examples, run as the README shows them: a boleto of the title,
// a remittance of the batch, and the return read back.
TEST(Examples, ReadmeCommandsRunOnTheExamples) {
    const std::string title = test_support::source_path("examples/titulo-237.json");
    const std::string batch = test_support::source_path("examples/lote-237.json");
    const std::string ret = test_support::source_path("examples/retorno-237.ret");
    test_support::ScratchDir scratch{"examples"};

    const Outcome boleto = run(tool() + " boleto --bank 237 '" + title + "'");
    ASSERT_EQ(boleto.status, 0) << boleto.output;
    EXPECT_NE(boleto.output.find("\"CodigoBarras\": \"23791166600000150751234090000001234500123450\""),
              std::string::npos)
        << boleto.output;
    EXPECT_NE(boleto.output.find("\"NossoNumeroDigito\": \"009/00000012345-8\""), std::string::npos) << boleto.output;

    const std::string out = scratch.path() + "/remessa.txt";
    const Outcome remessa = run(tool() + " remessa --bank 237 '" + batch + "' '" + out + "'");
    ASSERT_EQ(remessa.status, 0) << remessa.output;
    const std::string data = read(out);
    ASSERT_EQ(data.size(), 4u * 402u);  // header, two details, trailer
    EXPECT_EQ(data.substr(94, 6), "011226");  // DataArquivo in the header

    const Outcome retorno = run(tool() + " retorno --bank 237 '" + ret + "'");
    ASSERT_EQ(retorno.status, 0) << retorno.output;
    EXPECT_NE(retorno.output.find("\"LayoutArquivo\": \"laCNAB400\""), std::string::npos) << retorno.output;
    EXPECT_NE(retorno.output.find("\"NossoNumero\""), std::string::npos) << retorno.output;
}

}  // namespace
