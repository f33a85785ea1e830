#include "app/backup/BackupJob.h"

#include "platform/core/SysUtils.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace app;

TEST(ConnectionString, TrimsServerAndDatabaseAndKeepsEveryFixedPiece) {
    EXPECT_EQ(connection_string("  sql01\\LOJA ", "\t Loja "),
              "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=sql01\\LOJA;Initial Catalog=Loja;"
              "User ID = BKP;Password=Hq4Zp7Wm3c519");
    EXPECT_EQ(connection_string("", ""),
              "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=;Initial Catalog=;"
              "User ID = BKP;Password=Hq4Zp7Wm3c519");
}

TEST(BackupBatch, ElevenLinesWithTheValuesAsRead) {
    const std::vector<std::string> lines = backup_batch(" Loja ", "D:\\Copias\\");
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "USE  Loja ");
    EXPECT_EQ(lines[2], "DECLARE @sSELECT VARCHAR(8000)    ");
    EXPECT_EQ(lines[3], "DECLARE @sNomeArquivo VARCHAR(200) ");
    EXPECT_EQ(lines[4], "SET @sNomeArquivo = 'Backup_ Loja _'+dbo.fFormatDate('AAAAMMDD',GETDATE()) +'_'+ "
                        "dbo.fFormatDate('HHmmSS',GETDATE())+'.bak'");
    // A trailing backslash in the folder gives two in a row.
    EXPECT_EQ(lines[6], "SET @sSELECT = 'BACKUP DATABASE [ Loja ] TO  DISK = N''D:\\Copias\\\\'+ @sNomeArquivo +''' "
                        "WITH NOFORMAT, INIT,  NAME = N'' Loja -Full Database Backup'', SKIP, NOREWIND, NOUNLOAD, "
                        "STATS = 10'");
    EXPECT_EQ(lines[8], "EXEC(@sSELECT)");
    EXPECT_EQ(lines[10], "SELECT @sNomeArquivo NomeArquivo");
    for (int empty : {1, 5, 7, 9}) EXPECT_EQ(lines[empty], "") << empty;
}

TEST(CheckBatchValue, RefusesWhatWouldBreakOutOfTheBatch) {
    const std::string refused[] = {"Lo'ja", "Loja]", "Loja\r\nDROP", "Loja\n", "Lo\tja",
                                   std::string("Lo\0ja", 5), "Loja\x7f"};
    for (const std::string& v : refused) {
        EXPECT_THROW(check_batch_value("Banco", v, BatchPlace::Bare), Exception) << v;
        EXPECT_THROW(check_batch_value("Caminho", v, BatchPlace::Quoted), Exception) << v;
    }
    const char* kept[] = {"Loja", " Loja ", "Loja [1x", "Lojas São João", "D:\\Copias\\", "/srv/cópias", ""};
    for (const char* v : kept) {
        EXPECT_NO_THROW(check_batch_value("Banco", v, BatchPlace::Bare)) << v;
        EXPECT_NO_THROW(check_batch_value("Caminho", v, BatchPlace::Quoted)) << v;
    }
}

// ";" would end the USE statement where the database name stands bare; inside
// the quoted folder it is an ordinary character of a folder name.
TEST(CheckBatchValue, ASemicolonIsRefusedBareAndKeptQuoted) {
    EXPECT_THROW(check_batch_value("Banco", "Lo;ja", BatchPlace::Bare), Exception);
    EXPECT_NO_THROW(check_batch_value("Caminho", "/srv/c;x", BatchPlace::Quoted));
}

TEST(CheckBatchValue, MessageNamesTheSettingAndTheCharacter) {
    try {
        check_batch_value("Banco", "Lo;ja", BatchPlace::Bare);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "O valor de Banco em KESTROVAN.INI contém um ponto e vírgula (;) e não pode ser "
                               "usado no comando de cópia de segurança");
    }
}

TEST(CheckRequiredValue, RefusesNothingButBlanks) {
    const std::string missing = "/nonexistent-tamblero/KESTROVAN.INI";
    for (const char* v : {"", " ", " \t "}) EXPECT_THROW(check_required_value(missing, "Caminho", v), Exception) << v;
    for (const char* v : {"Loja", " Loja ", "/"}) EXPECT_NO_THROW(check_required_value(missing, "Banco", v)) << v;
    // The message names the file looked for and the key: a missing file, or an empty key in it.
    try {
        check_required_value(missing, "Caminho", "");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "O arquivo de configuração /nonexistent-tamblero/KESTROVAN.INI não existe: a chave "
                               "Caminho da seção [Kestrovan] é necessária para o comando de cópia de segurança");
    }
    const std::string present = ::testing::TempDir() + "/KESTROVAN.INI";
    { std::ofstream(present) << "[Kestrovan]\r\nBanco=\r\n"; }
    try {
        check_required_value(present, "Banco", "");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "O valor de Banco em " + present + " (seção [Kestrovan]) está vazio ou ausente e é "
                               "necessário para o comando de cópia de segurança");
    }
}

TEST(IsPlainFileName, OnlyANameInItsFolderWithoutMasks) {
    const std::string refused[] = {"", ".", "..", "../victim/secret.txt", "sub/Backup.bak", "Backup.bak/",
                                   "x\\Backup.bak", "*.bak", "Backup_?.bak", "*", std::string("a\0b.bak", 7)};
    for (const std::string& v : refused) EXPECT_FALSE(is_plain_file_name(v)) << v;
    const char* kept[] = {"Backup_Loja_20240131_235959.bak", "...", ".bak", "Backup São João.bak", "a..b", " x "};
    for (const char* v : kept) EXPECT_TRUE(is_plain_file_name(v)) << v;
}

TEST(BackupFilePath, ReadsBackslashAsSeparator) {
    struct Case { const char* caminho; const char* path; };
    const Case cases[] = {
        {"/srv/copias", "/srv/copias/Backup_Loja_20240131_235959.bak"},
        {"/srv/copias/", "/srv/copias//Backup_Loja_20240131_235959.bak"},
        {"\\srv\\copias\\", "/srv/copias//Backup_Loja_20240131_235959.bak"},
        {"", "/Backup_Loja_20240131_235959.bak"},
    };
    for (const Case& c : cases) EXPECT_EQ(backup_file_path(c.caminho, "Backup_Loja_20240131_235959.bak"), c.path);
}

TEST(WantsPacking, OnlyAnUpperCaseSTrimmed) {
    for (const char* v : {"S", " S ", "\tS"}) EXPECT_TRUE(wants_packing(v)) << v;
    for (const char* v : {"s", "Sim", "N", "", "SS"}) EXPECT_FALSE(wants_packing(v)) << v;
}

TEST(ArchivePathFor, ReplacesTheLastBakOfTheFileNameOnly) {
    struct Case { const char* backup; const char* archive; };
    const Case cases[] = {
        {"/srv/copias/Backup_Loja_20240131_235959.bak", "/srv/copias/Backup_Loja_20240131_235959.zip"},
        // A folder named like a backup keeps its name.
        {"/srv/x.bak/Copias/Backup_Loja_20240131_235959.bak", "/srv/x.bak/Copias/Backup_Loja_20240131_235959.zip"},
        {"/srv/copias/Backup_a.bak_20240131_235959.bak", "/srv/copias/Backup_a.bak_20240131_235959.zip"},
        {"/srv/copias/Backup_a.bak_x", "/srv/copias/Backup_a.zip_x"},
        // Case-sensitive, and never the backup's own name.
        {"/srv/copias/Backup_Loja.BAK", "/srv/copias/Backup_Loja.BAK.zip"},
        {"/srv/x.bak/Backup_Loja", "/srv/x.bak/Backup_Loja.zip"},
        {"Backup_Loja.bak", "Backup_Loja.zip"},
    };
    for (const Case& c : cases) EXPECT_EQ(archive_path_for(c.backup), c.archive) << c.backup;
}
