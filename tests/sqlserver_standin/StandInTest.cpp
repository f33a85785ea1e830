// The SQL Server stand-in checked from the outside with FreeTDS's tsql.
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/sqlserver_standin/StandIn.h"

namespace fs = std::filesystem;
using standin::SqlServerStandIn;

namespace {

std::string join_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// Runs the lines as one batch through tsql; its output and status.
standin::CommandResult tsql(const SqlServerStandIn& server, const std::string& dir,
                            const std::vector<std::string>& lines,
                            const std::string& password = standin::kBackupPassword,
                            const std::string& database = "Loja") {
    std::string input = dir + "/batch.sql";
    standin::write_file(input, join_lines(lines) + "go\n");
    return standin::run_command("TDSVER=7.4 timeout 30 tsql -H 127.0.0.1 -p " +
                                std::to_string(server.port()) + " -U BKP -P " +
                                standin::shell_quote(password) + " -D " +
                                standin::shell_quote(database) + " < " + standin::shell_quote(input));
}

}  // namespace

TEST(SqlServerStandIn, TsqlRunsTheBackupBatchAndTheFileAppears) {
    standin::TempDir tmp;
    fs::create_directory(tmp.path() + "/Copias");
    std::string record = tmp.path() + "/batch.txt";
    SqlServerStandIn server({"--clock", "2024-01-31T23:59:59", "--size", "300000", "--map",
                             "D:\\=" + tmp.path() + "/", "--record", record});
    auto lines = standin::backup_batch_lines("Loja", "D:\\Copias");
    auto run = tsql(server, tmp.path(), lines);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Backup_Loja_20240131_235959.bak"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("BACKUP DATABASE successfully processed"), std::string::npos);
    EXPECT_NE(run.output.find("100 percent processed."), std::string::npos);

    std::string backup = tmp.path() + "/Copias/Backup_Loja_20240131_235959.bak";
    ASSERT_TRUE(fs::exists(backup));
    EXPECT_EQ(fs::file_size(backup), 300000u);
    // The exact text of the batch is recorded.
    EXPECT_EQ(standin::read_file(record), join_lines(lines));
    // The content compresses like a database file: well, but not to nothing.
    auto gz = standin::run_command("gzip -c " + standin::shell_quote(backup) + " | wc -c");
    long packed = std::stol(gz.output);
    EXPECT_LT(packed, 300000 / 2);
    EXPECT_GT(packed, 300000 / 50);
}

TEST(SqlServerStandIn, SameContentForTheSameSizeAndDatabase) {
    standin::TempDir tmp;
    SqlServerStandIn server({"--size", "50000", "--map", "C:\\=" + tmp.path() + "/"});
    auto first = tsql(server, tmp.path(), {"BACKUP DATABASE Loja TO DISK = 'C:\\a.bak'"});
    ASSERT_NE(first.output.find("Could not find stored procedure 'BACKUP'"), std::string::npos)
        << "a BACKUP is only run through EXEC";
    tsql(server, tmp.path(), {"EXEC('BACKUP DATABASE [Loja] TO DISK = N''C:\\a.bak''')"});
    tsql(server, tmp.path(), {"EXEC('BACKUP DATABASE [Loja] TO DISK = N''c:\\b.bak''')"});
    ASSERT_TRUE(fs::exists(tmp.path() + "/a.bak"));
    ASSERT_TRUE(fs::exists(tmp.path() + "/b.bak")) << "prefixes match without regard to case";
    EXPECT_EQ(standin::read_file(tmp.path() + "/a.bak"), standin::read_file(tmp.path() + "/b.bak"));
}

TEST(SqlServerStandIn, WrongPasswordIsALoginFailureAndWritesNothing) {
    standin::TempDir tmp;
    SqlServerStandIn server({"--map", "D:\\=" + tmp.path() + "/"});
    auto run = tsql(server, tmp.path(), standin::backup_batch_lines("Loja", "D:"), "hq4Zp7Wm3c519");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find("Login failed for user 'BKP'."), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find(".bak"), std::string::npos);
    int files = 0;
    for (auto& e : fs::directory_iterator(tmp.path()))
        if (e.path().extension() == ".bak") ++files;
    EXPECT_EQ(files, 0);
}

// Each fault, and the failures a real server gives on its own, seen through tsql.
TEST(SqlServerStandIn, FaultsAndErrorsAreReportedNeverSuccess) {
    struct Case {
        std::vector<std::string> args;
        std::string database;
        std::string caminho;
        std::vector<std::string> expected;  // texts in the output
        bool row;                           // the file name row comes back
    };
    const std::vector<Case> cases = {
        {{"--fault", "login-refused"}, "Loja", "D:\\Copias", {"Login failed for user 'BKP'."}, false},
        {{"--fault", "unknown-database"}, "Loja", "D:\\Copias",
         {"Cannot open database \"Loja\" requested by the login.", "Login failed"}, false},
        {{}, "Outra", "D:\\Copias", {"Cannot open database \"Outra\""}, false},
        {{"--fault", "no-fformatdate"}, "Loja", "D:\\Copias",
         {"Msg 4121", "dbo.fFormatDate"}, false},
        {{"--fault", "backup-refused"}, "Loja", "D:\\Copias",
         {"Msg 3201", "Cannot open backup device 'D:\\Copias\\Backup_Loja_20240131_235959.bak'",
          "Msg 3013", "BACKUP DATABASE is terminating abnormally."},
         true},
        // A folder that does not exist on the server's side.
        {{}, "Loja", "D:\\Nowhere", {"Msg 3201", "Operating system error 3", "Msg 3013"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? c.database + " " + c.caminho : c.args[1]);
        standin::TempDir tmp;
        fs::create_directory(tmp.path() + "/Copias");
        auto args = c.args;
        args.insert(args.end(), {"--clock", "2024-01-31T23:59:59", "--map", "D:\\=" + tmp.path() + "/"});
        SqlServerStandIn server(args);
        auto run = tsql(server, tmp.path(), standin::backup_batch_lines(c.database, c.caminho),
                        standin::kBackupPassword, c.database);
        for (const auto& text : c.expected)
            EXPECT_NE(run.output.find(text), std::string::npos) << text << "\n" << run.output;
        EXPECT_EQ(run.output.find("BACKUP DATABASE successfully"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("(1 row affected)") != std::string::npos, c.row) << run.output;
        EXPECT_FALSE(fs::exists(tmp.path() + "/Copias/Backup_Loja_20240131_235959.bak"));
    }
}

TEST(SqlServerStandIn, WhatItDoesNotUnderstandIsAnError) {
    standin::TempDir tmp;
    SqlServerStandIn server;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"DROP DATABASE Loja", "Msg 2812"},
        {"SELECT @x", "Must declare the scalar variable \"@x\"."},
        {"SET @", "Incorrect syntax"},
        {"USE Nada", "Database 'Nada' does not exist."},
        {"EXEC('DBCC CHECKDB')", "Msg 2812"},
    };
    for (const auto& [sql, expected] : cases) {
        auto run = tsql(server, tmp.path(), {sql});
        EXPECT_NE(run.output.find(expected), std::string::npos) << sql << "\n" << run.output;
        EXPECT_EQ(run.output.find("row affected"), std::string::npos) << sql << "\n" << run.output;
    }
}

// The faults that reply without an error, seen through tsql: the date
// function gives NULL (so EXEC runs nothing and the name is NULL), the name
// comes back other than the file written, or the name's column is declared
// varchar(max) but its value is not sent in PLP chunks, which tsql cannot
// read either.
TEST(SqlServerStandIn, RepliesWithoutAnErrorThatMisleadTheClient) {
    struct Case {
        std::vector<std::string> args;
        std::string shown;      // in tsql's output ("" for nothing to look for)
        std::string not_shown;  // never in tsql's output
        bool written;           // the backup file exists afterwards
    };
    const std::string name = "Backup_Loja_20240131_235959.bak";
    const std::vector<Case> cases = {
        {{"--fault", "null-fformatdate"}, "NULL", name, false},
        {{"--reply-name", "../outro/x.bak"}, "../outro/x.bak", name, true},
        {{"--fault", "malformed-varchar-max"}, "", name, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        standin::TempDir tmp;
        fs::create_directory(tmp.path() + "/Copias");
        auto args = c.args;
        args.insert(args.end(), {"--clock", "2024-01-31T23:59:59", "--map", "D:\\=" + tmp.path() + "/"});
        SqlServerStandIn server(args);
        auto run = tsql(server, tmp.path(), standin::backup_batch_lines("Loja", "D:\\Copias"));
        EXPECT_EQ(run.output.find("(severity 1"), std::string::npos) << "an error came back\n" << run.output;
        if (!c.shown.empty()) {
            EXPECT_NE(run.output.find(c.shown), std::string::npos) << run.output;
        }
        EXPECT_EQ(run.output.find(c.not_shown), std::string::npos) << run.output;
        EXPECT_EQ(fs::exists(tmp.path() + "/Copias/" + name), c.written);
    }
}
