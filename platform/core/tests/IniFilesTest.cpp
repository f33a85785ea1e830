#include "platform/core/IniFiles.h"
#include "platform/core/detail/Files.h"

#include <gtest/gtest.h>

#include "TestDir.h"

#include <filesystem>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string temp_ini(const std::string& name, const std::string& bytes) {
    std::string path = test_dir() + name;
    core::detail::save_file(path, bytes);
    return path;
}
}  // namespace

TEST(IniFile, ProfileStringRules) {
    std::string path = temp_ini("rules.ini",
                                "; settings\r\n"
                                "orphan=1\r\n"
                                "[Kestrovan]\r\n"
                                "  Servidor =  db1  \r\n"
                                "Banco=\"Vendas 2\"\r\n"
                                "Caminho='/var/backups'\r\n"
                                "Odd=\"half\r\n"
                                "Semi=a;b\r\n"
                                ";Servidor=commented\r\n"
                                "servidor=second\r\n"
                                "Empty=\r\n"
                                "CompactarArquivo=1\r\n"
                                "[kestrovan]\r\n"
                                "Banco=later section\r\n"
                                "Extra=only here\r\n");
    TIniFile ini(path);
    struct Case {
        const char* section;
        const char* key;
        const char* want;
    } cases[] = {
        {"Kestrovan", "Servidor", "db1"},          // trimmed, first match wins
        {"KESTROVAN", "SERVIDOR", "db1"},          // case ignored
        {"Kestrovan", "Banco", "Vendas 2"},        // quotes dropped
        {"Kestrovan", "Caminho", "/var/backups"},
        {"Kestrovan", "Odd", "\"half"},            // unmatched quote kept
        {"Kestrovan", "Semi", "a;b"},              // no inline comments
        {"Kestrovan", "Empty", ""},
        {"Kestrovan", "Extra", "dflt"},            // only the first section of a name is read
        {"Kestrovan", "orphan", "dflt"},
        {"Missing", "Servidor", "dflt"},
    };
    for (const auto& c : cases) EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.want) << c.key;
    EXPECT_EQ(ini.ReadInteger("Kestrovan", "CompactarArquivo", 0), 1);
    EXPECT_TRUE(ini.ReadBool("Kestrovan", "CompactarArquivo", false));
    EXPECT_EQ(ini.ReadInteger("Kestrovan", "Servidor", 7), 7);
    EXPECT_TRUE(ini.SectionExists("KESTROVAN"));
    EXPECT_TRUE(ini.ValueExists("Kestrovan", "empty"));
    EXPECT_FALSE(ini.ValueExists("Kestrovan", "nothing"));
    TStringList keys;
    ini.ReadSection("Kestrovan", keys);
    EXPECT_EQ(keys.CommaText(), "Servidor,Banco,Caminho,Odd,Semi,servidor,Empty,CompactarArquivo");
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections.Count(), 1);
    DeleteFile(path);
}

TEST(IniFile, MissingFileGivesDefaults) {
    TIniFile ini(test_dir() + "does-not-exist.ini");
    EXPECT_EQ(ini.ReadString("A", "B", "x"), "x");
    EXPECT_EQ(ini.ReadInteger("A", "B", 3), 3);
    EXPECT_FALSE(ini.SectionExists("A"));
}

TEST(IniFile, Windows1252AndUtf8) {
    std::string path = temp_ini("latin.ini", "[S]\r\nCidade=S\xE3o Paulo\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "Cidade", ""), "São Paulo");
    ini.WriteString("S", "Rua", "Ipiranga");
    // still Windows-1252 bytes with CR LF
    EXPECT_EQ(core::detail::read_file(path), "[S]\r\nCidade=S\xE3o Paulo\r\nRua=Ipiranga\r\n");
    // a text Windows-1252 cannot hold turns the file into UTF-8, nothing lost
    ini.WriteString("S", "Nome", "日本");
    EXPECT_EQ(ini.ReadString("S", "Cidade", ""), "São Paulo");
    EXPECT_EQ(ini.ReadString("S", "Nome", ""), "日本");
    std::string utf8 = temp_ini("utf8.ini", "\xEF\xBB\xBF[S]\nCidade=São Paulo\n");
    TIniFile u(utf8);
    EXPECT_EQ(u.ReadString("s", "cidade", ""), "São Paulo");
    DeleteFile(path);
    DeleteFile(utf8);
}

TEST(IniFile, WritesInPlace) {
    std::string path = test_dir() + "write.ini";
    DeleteFile(path);
    TIniFile ini(path);
    ini.WriteString("Kestrovan", "Servidor", "db1");
    ini.WriteInteger("Kestrovan", "CompactarArquivo", 1);
    ini.WriteBool("Other", "On", true);
    EXPECT_EQ(core::detail::read_file(path), "[Kestrovan]\nServidor=db1\nCompactarArquivo=1\n\n[Other]\nOn=1\n");
    ini.WriteString("KESTROVAN", "servidor", "db2");  // replaces the first match
    EXPECT_EQ(ini.ReadString("Kestrovan", "Servidor", ""), "db2");
    ini.DeleteKey("Kestrovan", "Servidor");
    EXPECT_FALSE(ini.ValueExists("Kestrovan", "Servidor"));
    ini.EraseSection("Other");
    EXPECT_FALSE(ini.SectionExists("Other"));
    EXPECT_EQ(ini.ReadInteger("Kestrovan", "CompactarArquivo", 0), 1);
    EXPECT_THROW(ini.WriteString("S", "K", "two\nlines"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "K=V", "x"), EIniFileException);
    DeleteFile(path);
}

// A write that cannot complete (here: the file-size limit of the process, which
// holds for root too) raises and leaves the old file as it was.
TEST(IniFile, FailedWriteLeavesTheFileWhole) {
    std::string path = temp_ini("full.ini", "[S]\nK=1\n");
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 12;
    setrlimit(RLIMIT_FSIZE, &small);
    TIniFile ini(path);
    bool raised = false;
    try {
        ini.WriteString("S", "Longer", "a value that does not fit");
    } catch (const EIniFileException& e) {
        raised = true;
        EXPECT_EQ(e.Message(), "Unable to write to " + path);
    }
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, old_handler);
    EXPECT_TRUE(raised);
    EXPECT_EQ(core::detail::read_file(path), "[S]\nK=1\n");
    // no temporary file left beside it
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(test_dir()))
        if (e.path().filename().string().find("full.ini") != std::string::npos) ++entries;
    EXPECT_EQ(entries, 1);
    DeleteFile(path);
}
