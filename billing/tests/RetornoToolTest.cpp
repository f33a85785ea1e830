// billing-tool retorno against the return files and answers that
// tests/cnab400_returns.py writes from the banks' record positions.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "billing/Startup.h"
#include "billing/TitleJson.h"
#include "billing/cbRetorno400.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using Outcome = test_support::SplitResult;

std::string slurp(const fs::path& p) { return test_support::read_file(p.string()); }

Outcome run(const std::string& command, const fs::path&) { return test_support::run_split(command); }

std::string replace_path(std::string text, const std::string& path) {
    const std::string mark = "{path}";
    if (auto at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), path);
    return text;
}

// Runs the generator `script` (under tests/) and billing-tool retorno on every file it makes.
void check_generated_returns(const std::string& script) {
    test_support::ScratchDir scratch(script);
    const fs::path dir = scratch.path();
    const std::string tool = test_support::tool_path("billing-tool");
    Outcome made = run(test_support::python_script("tests/" + script + ".py") + " " + dir.string(), dir);
    ASSERT_EQ(made.status, 0) << made.err;

    int cases = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".json") continue;
        ++cases;
        const json expected = json::parse(slurp(entry.path()));
        const std::string file = fs::path(entry.path()).replace_extension(".ret").string();
        SCOPED_TRACE(file);
        Outcome r = run(tool + " retorno --bank " + expected["bank"].get<std::string>() + " " + file, dir);
        if (expected.contains("error")) {
            EXPECT_NE(r.status, 0);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "billing-tool: " + replace_path(expected["error"].get<std::string>(), file) + "\n");
        } else {
            ASSERT_EQ(r.status, 0) << r.err;
            json want = expected["batch"];
            want["NomeArquivoRetorno"] = file;
            const json got = json::parse(r.out);
            EXPECT_EQ(got, want) << json::diff(want, got).dump(1);
            // The same return through a pipe reads to its end.
            Outcome piped = run("cat " + file + " | " + tool + " retorno --bank " +
                                    expected["bank"].get<std::string>() + " /dev/stdin",
                                dir);
            ASSERT_EQ(piped.status, 0) << piped.err;
            want["NomeArquivoRetorno"] = "/dev/stdin";
            EXPECT_EQ(json::parse(piped.out), want);
        }
    }
    EXPECT_GT(cases, 0);
}

TEST(RetornoTool, EveryReaderGivesTheGeneratedAnswer) { check_generated_returns("cnab400_returns"); }

// Bank 104's CNAB 240 returns: accented names, segments alone, files cut
// before their trailers, and the files that must be refused.
TEST(RetornoTool, Cnab240ReturnsGiveTheGeneratedAnswer) { check_generated_returns("cnab240_returns"); }

TEST(RetornoTool, CodeTexts) {
    const fs::path dir = fs::temp_directory_path();
    const std::string tool = test_support::tool_path("billing-tool");
    Outcome occ = run(tool + " codetext --bank 237 occ 23 24 22 '  '", dir);
    EXPECT_EQ(occ.status, 0);
    EXPECT_EQ(occ.out, "22-Entrada do Título em Cartório\n23-Entrada rejeitada por CEP Irregular\n\n\n");
    Outcome motive = run(tool + " codetext --bank 341 motive '0304    ' 11", dir);
    EXPECT_EQ(motive.out, "ESTADO - SIGLA DO ESTADO INVÁLIDA\nCEP\t- CEP NÃO NUMÉRICO\n");
    Outcome letters = run(tool + " codetext --bank 1 occ AB", dir);
    EXPECT_NE(letters.status, 0);
    EXPECT_NE(letters.err.find("'AB' is not a valid integer value"), std::string::npos);
}

// --bank takes one to three digits on every command: 1237 is no bank 237.
TEST(RetornoTool, BankCodesOfMoreThanThreeDigitsAreRefused) {
    test_support::ScratchDir scratch("retorno-bank");
    const std::string file = (fs::path(scratch.path()) / "r.ret").string();
    test_support::write_file(file, "x\n");
    const std::string tool = test_support::tool_path("billing-tool");
    for (const std::string& args : {"retorno --bank 1237 " + file, std::string("codetext --bank 1237 occ 02"),
                                    "retorno --bank -23 " + file, std::string("codetext --bank 23a motive 02")}) {
        SCOPED_TRACE(args);
        Outcome r = run(tool + " " + args, scratch.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Código de banco inválido"), std::string::npos) << r.err;
    }
}

// The streamed output is byte for byte the batch's document.
TEST(RetornoTool, StreamedOutputIsTheBatchDocument) {
    test_support::ScratchDir scratch("retorno-stream");
    const fs::path dir = scratch.path();
    Outcome made = run(test_support::python_script("tests/cnab400_returns.py") + " --records 237 3000 " +
                           (dir / "r237.ret").string(), dir);
    ASSERT_EQ(made.status, 0) << made.err;
    made = run(test_support::python_script("tests/cnab240_returns.py") + " " + dir.string(), dir);
    ASSERT_EQ(made.status, 0) << made.err;
    billing::unit_startup();
    std::vector<std::pair<std::string, fs::path>> files = {{"237", dir / "r237.ret"}};
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".json") continue;
        const json expected = json::parse(slurp(entry.path()));
        if (!expected.contains("error")) {
            files.push_back({expected["bank"], fs::path(entry.path()).replace_extension(".ret")});
        }
    }
    const std::string tool = test_support::tool_path("billing-tool");
    for (const auto& [bank, file] : files) {
        SCOPED_TRACE(file.string());
        TcbCobranca batch;
        batch.NomeArquivoRetorno = file.string();
        const std::string bytes = slurp(file);
        const std::vector<std::string_view> lines = billing::split_lines(bytes);
        billing::ler_retorno(bank, batch, lines);
        Outcome r = run(tool + " retorno --bank " + bank + " " + file.string(), dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, billing::cobranca_to_json(batch).dump(2) + "\n");
    }
}

// A record that does not read is named by its line in the file, whether the
// file is read as it streams (--bank, which reads ahead of the record) or
// all at once (--class); nothing is printed and the status is not 0.
TEST(RetornoTool, ARefusedRecordNamesItsLine) {
    test_support::ScratchDir scratch("retorno-line");
    const std::string example = slurp(test_support::source_path("examples/retorno-237.ret"));
    std::vector<std::string> lines;  // the example's lines, each with its line end
    for (std::size_t at = 0; at < example.size();) {
        const std::size_t end = example.find('\n', at);
        lines.push_back(example.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at));
        at = end == std::string::npos ? example.size() : end + 1;
    }
    ASSERT_EQ(lines.size(), 6u);  // header, four details, trailer
    struct Case {
        std::size_t line;  // 1-based
        std::string replacement;
        std::string error;
    };
    const std::string amount = "00000000ABC45";
    auto with_amount = [&](std::size_t n) { return lines[n - 1].substr(0, 152) + amount + lines[n - 1].substr(165); };
    const Case cases[] = {
        {2, with_amount(2), "'00000000ABC45' is not a valid floating point value na linha 2"},
        {5, with_amount(5), "'00000000ABC45' is not a valid floating point value na linha 5"},
        {3, lines[2].substr(0, 100) + "\r\n", "Tamanho de registro diferente de 400 bytes. Tamanho = 100 bytes na linha 3"},
        {4, std::string(3000, '1') + "\r\n", "Tamanho de registro inválido: 3000 na linha 4"},
    };
    const std::string tool = test_support::tool_path("billing-tool");
    const std::string file = scratch / "r.ret";
    for (const Case& c : cases) {
        std::string damaged;
        for (std::size_t i = 0; i < lines.size(); ++i) damaged += i + 1 == c.line ? c.replacement : lines[i];
        test_support::write_file(file, damaged);
        for (const std::string how : {"--bank 237", "--class TTrelvaniBanco237"}) {
            SCOPED_TRACE(how + " " + c.error);
            Outcome r = run(tool + " retorno " + how + " " + file, scratch.path());
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            std::string want = c.error;
            // Streamed, a line too long to be a record is measured and read as one.
            if (how == "--bank 237" && c.line == 4) {
                want = "Tamanho de registro diferente de 400 bytes. Tamanho = 3000 bytes na linha 4";
            }
            EXPECT_EQ(r.err, "billing-tool: " + want + "\n");
        }
    }
}

// A first line of more than 2 GiB is measured, not read whole, and its
// length is printed as it is.
TEST(RetornoTool, AHugeFirstLineIsMeasured) {
    test_support::ScratchDir scratch("retorno-huge");
    const fs::path file = fs::path(scratch.path()) / "huge.ret";
    test_support::write_file(file.string(), "0");
    fs::resize_file(file, (std::uintmax_t(1) << 31) + 5);  // sparse: no disk space taken
    const std::string tool = test_support::tool_path("billing-tool");
    Outcome r = run(tool + " retorno --bank 237 " + file.string(), scratch.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "billing-tool: Tamanho de registro inválido: 2147483653\n");
}

}  // namespace
