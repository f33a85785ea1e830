// The backup program run as cron runs it (no screen) against the SQL Server
// stand-in: exit status, messages on stderr, the file written, and the batch
// text the server received.

#include "app/backup/BackupJob.h"
#include "tests/sqlserver_standin/StandIn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using standin::SqlServerStandIn;
using standin::TempDir;

namespace {

const std::string kClock = "2024-01-31T23:59:59";
const std::string kBackupName = "Backup_Loja_20240131_235959.bak";

std::string program() { return test_support::tool_path("tamblero-backup"); }

// A copy of the program in its own folder (it reads KESTROVAN.INI beside itself),
// and a server-side drive D: mapped to a folder of the test.
struct Job {
    TempDir tmp;
    std::string prog_dir = tmp.path() + "/prog";
    std::string drive_d = tmp.path() + "/d";
    std::string record = tmp.path() + "/batch.sql";

    Job() {
        fs::create_directories(prog_dir);
        fs::create_directories(drive_d + "/Copias");
        fs::copy_file(program(), prog_dir + "/tamblero-backup");
    }
    std::vector<std::string> server_args(std::vector<std::string> extra = {}) const {
        std::vector<std::string> args = {"--clock", kClock, "--record", record, "--map", "D:\\=" + drive_d + "/"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    std::string ini_path() const { return prog_dir + "/KESTROVAN.INI"; }
    void write_ini(const std::string& body) const { standin::write_file(prog_dir + "/KESTROVAN.INI", body); }
    std::string ini_for(const SqlServerStandIn& server, const std::string& banco = "Loja",
                        const std::string& caminho = "D:\\Copias") const {
        return "[Kestrovan]\r\nServidor=127.0.0.1," + std::to_string(server.port()) + "\r\nBanco=" + banco +
               "\r\nCaminho=" + caminho + "\r\nCompactarArquivo=N\r\n";
    }
    // Runs the program with no screen at all, as from cron; `timeout` guards
    // against a program that waits (status 124).
    standin::CommandResult run(const std::string& env = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM") const {
        return standin::run_command("cd " + standin::shell_quote(tmp.path()) + " && env " + env + " timeout 60 " +
                                    standin::shell_quote(prog_dir + "/tamblero-backup"));
    }
};

// Options never run the job: --help and --version print and end, anything
// else is refused with the usage line. No server is needed: a run that
// started the job would fail to connect and leave its status 1.
// The stand-in answers the batch it keeps a copy of; the job must send
// exactly that.
TEST(BackupRun, TheJobSendsTheBatchTheStandInAnswers) {
    const std::pair<const char*, const char*> cases[] = {
        {"Loja", "D:\\Copias"}, {"Banco X", "/srv/copias"}, {"", ""},
    };
    for (const auto& [banco, caminho] : cases)
        EXPECT_EQ(app::backup_batch(banco, caminho), standin::backup_batch_lines(banco, caminho)) << banco;
}

TEST(BackupArguments, OptionsNeverRunTheJob) {
    Job job;
    job.write_ini("[Kestrovan]\r\nServidor=127.0.0.1,1\r\nBanco=Loja\r\nCaminho=" + job.drive_d + "\r\n");
    const std::string prog = standin::shell_quote(job.prog_dir + "/tamblero-backup");
    auto run = [&](const std::string& args) {
        return standin::run_command("env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 " + prog + " " + args);
    };
    const auto help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("uso: tamblero-backup [--help | --version]\n", 0), 0u) << help.output;
    EXPECT_NE(help.output.find("KESTROVAN.INI"), std::string::npos) << help.output;
    const auto version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("tamblero-backup ", 0), 0u) << version.output;
    for (const char* bad : {"-h", "--backup", "now", "--help --version"}) {
        SCOPED_TRACE(bad);
        const auto r = run(bad);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.output, "tamblero-backup: argumento inesperado: " + std::string(bad).substr(0, std::string(bad).find(' ')) +
                                "\nuso: tamblero-backup [--help | --version]\n");
    }
}

std::string golden(const std::string& name) {
    return standin::read_file(test_support::source_path("app/tests/golden/" + name));
}

} // namespace

TEST(BackupRun, WritesTheBackupAndEndsWithStatusZero) {
    Job job;
    SqlServerStandIn server(job.server_args());
    job.write_ini(job.ini_for(server));
    const auto run = job.run();
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(fs::is_regular_file(job.drive_d + "/Copias/" + kBackupName));
    EXPECT_EQ(standin::read_file(job.record), golden("backup_Loja_D_Copias.sql"));
}

TEST(BackupRun, OffscreenPlatformCountsAsNoScreen) {
    Job job;
    SqlServerStandIn server(job.server_args());
    job.write_ini(job.ini_for(server));
    const auto run = job.run("QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::is_regular_file(job.drive_d + "/Copias/" + kBackupName));
}

TEST(BackupRun, WithoutSettingsBothBoxesGoToStderrAndTheStatusIsNonZero) {
    Job job;
    const auto run = job.run();
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.status, 124) << "the program waited";
    const std::string erro = "Erro: Conexão ao Servidor(ADO) não acessível,\nconfira o usuário ou senha !\n";
    const std::size_t first = run.output.find(erro);
    ASSERT_NE(first, std::string::npos) << run.output;
    const std::size_t second = run.output.find("\nTamblero: ", first + erro.size() - 1);
    EXPECT_NE(second, std::string::npos) << run.output;
}

TEST(BackupRun, RefusedBackupReportsTheServersTextAndFails) {
    Job job;
    SqlServerStandIn server(job.server_args({"--fault", "backup-refused"}));
    job.write_ini(job.ini_for(server));
    const auto run = job.run();
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Tamblero: "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Cannot open backup device 'D:\\Copias\\" + kBackupName +
                              "'. Operating system error 5(Access is denied.)"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Erro: "), std::string::npos) << run.output;
}

TEST(BackupRun, MissingFolderOnTheServerFails) {
    Job job;
    SqlServerStandIn server(job.server_args());
    job.write_ini(job.ini_for(server, "Loja", "D:\\NaoExiste"));
    const auto run = job.run();
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Operating system error 3"), std::string::npos) << run.output;
}

TEST(BackupRun, BlanksAroundTheDatabaseNameAreTrimmedForTheLoginOnly) {
    Job job;
    SqlServerStandIn server(job.server_args());
    job.write_ini(job.ini_for(server, "\" Loja \""));
    const auto run = job.run();
    // The login names database Loja (no "Erro" box); the batch keeps the blanks.
    EXPECT_EQ(run.output.find("Erro: "), std::string::npos) << run.output;
    const std::string batch = standin::read_file(job.record);
    EXPECT_EQ(batch.substr(0, batch.find("\r\n")), "USE  Loja ");
    EXPECT_NE(batch.find("'Backup_ Loja _'"), std::string::npos) << batch;
    EXPECT_NE(batch.find("BACKUP DATABASE [ Loja ]"), std::string::npos) << batch;
}

TEST(BackupRun, ValuesThatWouldBreakTheBatchAreRefusedBeforeAnythingIsSent) {
    struct Case { const char* banco; const char* caminho; const char* message; };
    const Case cases[] = {
        {"Loja'; DROP DATABASE Loja --", "D:\\Copias",
         "Tamblero: O valor de Banco em KESTROVAN.INI contém um apóstrofo (') e não pode ser usado no comando de "
         "cópia de segurança.\n"},
        {"Loja", "D:\\Copias]", "Tamblero: O valor de Caminho em KESTROVAN.INI contém um colchete (]) e não pode ser "
                                "usado no comando de cópia de segurança.\n"},
    };
    for (const Case& c : cases) {
        Job job;
        SqlServerStandIn server(job.server_args());
        job.write_ini(job.ini_for(server, c.banco, c.caminho));
        const auto run = job.run();
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output, c.message);
        EXPECT_FALSE(fs::exists(job.record)) << "a batch reached the server";
    }
}

// The libraries start on every run, the backup job's included: the client
// library of the InterBase binding is loaded when present and let go at exit,
// a client library that lacks a mandatory entry point stops the program
// before its window exists, and a stale report log beside the program goes.
TEST(BackupRun, LibraryStartUpsRunOnEveryRun) {
    Job job;
    SqlServerStandIn server(job.server_args());
    job.write_ini(job.ini_for(server));
    standin::write_file(job.prog_dir + "/RSLib.log", "stale");

    const auto run = job.run("-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u TAMBLERO_INTERBASE_CLIENT "
                             "LD_DEBUG=files");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(fs::exists(job.prog_dir + "/RSLib.log"));
    EXPECT_TRUE(fs::is_regular_file(job.drive_d + "/Copias/" + kBackupName));
    // Loaded by name at start-up, and unmapped (not merely finalised) at exit.
    EXPECT_NE(run.output.find("file=libfbclient.so.2 [0];  dynamically loaded"), std::string::npos);
    EXPECT_NE(run.output.find("libfbclient.so.2 [0];  destroying link map"), std::string::npos);
}

TEST(BackupRun, AClientLibraryLackingAMandatoryEntryPointStopsTheStart) {
    Job job;
    SqlServerStandIn server(job.server_args());
    job.write_ini(job.ini_for(server));

    const auto run = job.run("-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TAMBLERO_INTERBASE_CLIENT=" +
                             standin::shell_quote(IB_STUB_LACKING));
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.status, 124) << "the program waited";
    EXPECT_NE(run.output.find("Unable to locate DLL import isc_event_block"), std::string::npos) << run.output;
    // Nothing of the job ran: no box, no batch, no backup.
    EXPECT_EQ(run.output.find("Erro"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(job.record));
    EXPECT_FALSE(fs::exists(job.drive_d + "/Copias/" + kBackupName));
}

// The database and the folder are needed by the batch: without either the run
// fails before anything reaches the server (a folder of "" would have the
// server write at the root of its drive, and the packing scan from "/").
TEST(BackupRun, AMissingDatabaseOrFolderFailsBeforeTheBatch) {
    struct Case { const char* settings; const char* key; };
    const Case cases[] = {
        {"Caminho=D:\\Copias\r\n", "Banco"},
        {"Banco=\r\nCaminho=D:\\Copias\r\n", "Banco"},
        {"Banco=  \r\nCaminho=D:\\Copias\r\n", "Banco"},
        {"Banco=Loja\r\n", "Caminho"},
        {"Banco=Loja\r\nCaminho=\r\nCompactarArquivo=S\r\n", "Caminho"},
        {"Banco=Loja\r\nCaminho= \t\r\n", "Caminho"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        Job job;
        SqlServerStandIn server(job.server_args());
        job.write_ini("[Kestrovan]\r\nServidor=127.0.0.1," + std::to_string(server.port()) + "\r\n" + c.settings);
        const auto run = job.run();
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output, std::string("Tamblero: O valor de ") + c.key + " em " + job.ini_path() +
                                  " (seção [Kestrovan]) está vazio ou ausente e é necessário para o comando de "
                                  "cópia de segurança.\n");
        EXPECT_FALSE(fs::exists(job.record)) << "a batch reached the server";
    }
}

// An empty server name is no settings error of the job's own: the connection
// box comes first, then the batch fails in the error box, as with no
// settings file at all.
TEST(BackupRun, AnEmptyServerShowsTheConnectionBoxThenTheErrorBox) {
    Job job;
    job.write_ini("[Kestrovan]\r\nServidor=\r\nBanco=Loja\r\nCaminho=D:\\Copias\r\nCompactarArquivo=S\r\n");
    const auto run = job.run();
    EXPECT_EQ(run.status, 1) << run.output;
    const std::string erro = "Erro: Conexão ao Servidor(ADO) não acessível,\nconfira o usuário ou senha !\n";
    ASSERT_EQ(run.output.rfind(erro, 0), 0u) << run.output;
    EXPECT_EQ(run.output.find("Tamblero: ", erro.size()), erro.size()) << run.output;
    EXPECT_EQ(run.output.find("KESTROVAN.INI"), std::string::npos) << run.output;
}

// The folder stands inside a quoted text of the batch, where ";" is an
// ordinary character of a folder name.
TEST(BackupRun, ASemicolonInTheFolderIsKept) {
    Job job;
    fs::create_directories(job.drive_d + "/Cópias;1");
    SqlServerStandIn server(job.server_args());
    job.write_ini(job.ini_for(server, "Loja", "D:\\Cópias;1"));
    const auto run = job.run();
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(fs::is_regular_file(job.drive_d + "/Cópias;1/" + kBackupName));
}

// With no file name back (the date function gave NULL, so EXEC ran nothing,
// or the name came back empty) there is no backup: the run fails.
TEST(BackupRun, NoFileNameFromTheServerIsAFailedRun) {
    const std::vector<std::string> faults[] = {
        {"--fault", "null-fformatdate"}, {"--reply-name", ""}, {"--reply-name", "  "}};
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault[1]);
        Job job;
        SqlServerStandIn server(job.server_args(fault));
        job.write_ini(job.ini_for(server));
        const auto run = job.run();
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(run.output, "Tamblero: O servidor não devolveu o nome do arquivo de backup: a cópia de segurança "
                              "não foi confirmada.\n");
    }
}

// A reply the driver cannot read (a varchar(max) value not sent in PLP
// chunks) ends the run with one report, at once, and without eating memory.
TEST(BackupRun, AnUnreadableReplyFailsTheRunOnce) {
    Job job;
    SqlServerStandIn server(job.server_args({"--fault", "malformed-varchar-max"}));
    job.write_ini(job.ini_for(server));
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer reserves more address space than any limit would allow;
    // and FreeTDS asks malloc for exabytes on this reply and copes with NULL,
    // where the sanitizer's allocator would abort.
    const std::string limit = " ASAN_OPTIONS=${ASAN_OPTIONS}:allocator_may_return_null=1";
#else
    const std::string limit = " prlimit --as=1000000000";
#endif
    const auto run = job.run("-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM" + limit);
    EXPECT_EQ(run.status, 1) << run.output;
    // (The sanitizer may add a line of its own about the allocation it refused.)
    const std::string told = "Tamblero: Unknown error\nThe connection to the server was lost.\n";
    EXPECT_NE(run.output.find(told), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Unknown error"), run.output.rfind("Unknown error")) << run.output;
}

// The job sets no time limit of its own (a server that accepts and never
// answers holds it for weeks); the README shows how to run it under
// timeout(1) from cron. That very command, with a short limit, ends a job
// whose server never answers, with timeout's status 124.
TEST(BackupRun, TheReadmesTimeoutCommandEndsAJobWhoseServerNeverAnswers) {
    const std::string readme = standin::read_file(std::string(TAMBLERO_SOURCE_DIR) + "/README.md");
    std::string command;
    for (std::size_t from = 0, end; from < readme.size(); from = end + 1) {
        end = readme.find('\n', from);
        if (end == std::string::npos) end = readme.size();
        const std::string line = readme.substr(from, end - from);
        const std::size_t at = line.find("timeout ");
        if (at != std::string::npos && line.find("tamblero-backup", at) != std::string::npos) {
            command = line.substr(at);
            break;
        }
    }
    ASSERT_FALSE(command.empty()) << "no cron line with timeout in README.md";
    // timeout [OPTION]... DURATION PROGRAM: the last two words.
    const std::size_t program_at = command.rfind(' ');
    const std::size_t duration_at = command.rfind(' ', program_at - 1);
    ASSERT_NE(duration_at, std::string::npos) << command;
    ASSERT_EQ(command.substr(0, 8), "timeout ") << command;

    Job job;
    SqlServerStandIn server(job.server_args({"--fault", "no-reply"}));
    job.write_ini(job.ini_for(server));
    const auto start = std::chrono::steady_clock::now();
    const auto run = standin::run_command(
        "cd " + standin::shell_quote(job.tmp.path()) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
        command.substr(0, duration_at) + " 3s " + standin::shell_quote(job.prog_dir + "/tamblero-backup"));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(run.status, 124) << command << "\n" << run.output;
    EXPECT_LT(took, 60.0);
    EXPECT_FALSE(fs::exists(job.record));
}

// scripts/demo's status is the job's: 0 for a backup written, non-zero when
// the stand-in, told to misbehave, makes the job fail.
TEST(Demo, EndsWithTheJobsStatus) {
    struct Case { const char* fault; int status; };
    const Case cases[] = {{"", 0}, {"null-fformatdate", 1}, {"backup-refused", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        const auto run = standin::run_command(
            "TAMBLERO_DEMO_FAULT=" + standin::shell_quote(c.fault) + " timeout 120 " +
            standin::shell_quote(std::string(TAMBLERO_SOURCE_DIR) + "/scripts/demo") + " --built " +
            standin::shell_quote(TAMBLERO_BINARY_DIR));
        EXPECT_EQ(run.status, c.status) << run.output;
        EXPECT_NE(run.output.find("demo: exit status " + std::to_string(c.status) + "\n"), std::string::npos)
            << run.output;
    }
}
