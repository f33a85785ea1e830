// billing-tool retorno against the return files and answers that
// tests/cnab400_returns.py writes from the banks' record positions.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

Outcome run(const std::string& command, const fs::path& dir) {
    Outcome r;
    const fs::path err = dir / "stderr.txt";
    FILE* p = popen((command + " 2>" + err.string()).c_str(), "r");
    if (p == nullptr) return r;
    std::array<char, 65536> buf;
    while (std::size_t n = fread(buf.data(), 1, buf.size(), p)) r.out.append(buf.data(), n);
    r.status = pclose(p);
    r.err = slurp(err);
    return r;
}

std::string replace_path(std::string text, const std::string& path) {
    const std::string mark = "{path}";
    if (auto at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), path);
    return text;
}

// Runs the generator `script` (under tests/) and billing-tool retorno on every file it makes.
void check_generated_returns(const std::string& script) {
    const fs::path dir = fs::temp_directory_path() / (script + "_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string tool = std::string(TAMBLERO_BINARY_DIR) + "/bin/billing-tool";
    Outcome made = run("/usr/bin/python3 " + std::string(TAMBLERO_SOURCE_DIR) + "/tests/" + script + ".py " +
                           dir.string(),
                       dir);
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
        }
    }
    EXPECT_GT(cases, 0);
    fs::remove_all(dir);
}

TEST(RetornoTool, EveryReaderGivesTheGeneratedAnswer) { check_generated_returns("cnab400_returns"); }

// Bank 104's CNAB 240 returns: accented names, segments alone, files cut
// before their trailers, and the files that must be refused.
TEST(RetornoTool, Cnab240ReturnsGiveTheGeneratedAnswer) { check_generated_returns("cnab240_returns"); }

TEST(RetornoTool, CodeTexts) {
    const fs::path dir = fs::temp_directory_path();
    const std::string tool = std::string(TAMBLERO_BINARY_DIR) + "/bin/billing-tool";
    Outcome occ = run(tool + " codetext --bank 237 occ 23 24 22 '  '", dir);
    EXPECT_EQ(occ.status, 0);
    EXPECT_EQ(occ.out, "22-Entrada do Título em Cartório\n23-Entrada rejeitada por CEP Irregular\n\n\n");
    Outcome motive = run(tool + " codetext --bank 341 motive '0304    ' 11", dir);
    EXPECT_EQ(motive.out, "ESTADO - SIGLA DO ESTADO INVÁLIDA\nCEP\t- CEP NÃO NUMÉRICO\n");
    Outcome letters = run(tool + " codetext --bank 1 occ AB", dir);
    EXPECT_NE(letters.status, 0);
    EXPECT_NE(letters.err.find("'AB' is not a valid integer value"), std::string::npos);
}

}  // namespace
