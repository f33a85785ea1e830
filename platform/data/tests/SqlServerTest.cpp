// The connection and query components against the SQL Server stand-in, over FreeTDS.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "platform/data/ADODB.h"
#include "platform/data/DBTables.h"
#include "tests/sqlserver_standin/StandIn.h"

namespace fs = std::filesystem;
using standin::SqlServerStandIn;

#if defined(__SANITIZE_ADDRESS__)
// FreeTDS reads a length out of an unreadable reply and asks malloc for that
// much (exabytes), then copes with the NULL it gets back; the sanitizer's
// allocator aborts instead unless told to return NULL as malloc does.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

const std::string kClock = "2024-01-31T23:59:59";

// The backup job's connection string for a server, a database and a password.
std::string job_string(int port, const std::string& banco = "Loja",
                       const std::string& password = standin::kBackupPassword) {
    return "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=127.0.0.1," + std::to_string(port) +
           ";Initial Catalog=" + banco + ";User ID = BKP;Password=" + password;
}

// The components as the backup window sets them up.
struct Job {
    TADOConnection connection{nullptr};
    TADOQuery query{nullptr};
    explicit Job(const std::string& connection_string) {
        connection.SetName("ADOConnection1");
        connection.SetProvider("SQLOLEDB.1");
        connection.SetCommandTimeout(120);
        connection.SetConnectionTimeout(5000000);
        connection.SetLoginPrompt(false);
        connection.SetConnectionString(connection_string);
        query.SetName("qBackup");
        query.SetConnection(&connection);
        query.SetLockType(ltReadOnly);
        query.SetCommandTimeout(5000000);
    }
    void batch(const std::string& banco, const std::string& caminho) {
        query.Close();
        query.SQL()->Clear();
        for (const auto& line : standin::backup_batch_lines(banco, caminho)) query.SQL()->Add(line);
    }
};

// A port on loopback that nothing listens on.
int closed_port() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Resident memory of this process in MiB, from /proc.
long resident_mib() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

// Runs `check` in a child process (a death test) that a watchdog ends with
// status 3 when it outgrows `mib` of memory or `seconds` of time, so that a
// regression to an endless walk fails the test instead of eating the machine.
// The child ends with status 0 when `check` found everything as it should be;
// `check` prints what it found wrong on stderr and returns false otherwise.
template <class Check>
void in_guarded_child(Check check, long mib = 512, double seconds = 30) {
    EXPECT_EXIT(
        {
            const auto start = std::chrono::steady_clock::now();
            std::thread([=] {
                for (;;) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    if (resident_mib() > mib || seconds_since(start) > seconds) {
                        std::fprintf(stderr, "runaway: %ld MiB after %.1f s\n", resident_mib(), seconds_since(start));
                        std::fflush(stderr);
                        _exit(3);
                    }
                }
            }).detach();
            std::fflush(stderr);
            _exit(check() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace

TEST(SqlServerQuery, TheBackupBatchOpensOnTheFileName) {
    standin::TempDir tmp;
    fs::create_directory(tmp.path() + "/Copias");
    std::string record = tmp.path() + "/batch.txt";
    SqlServerStandIn server({"--clock", kClock, "--size", "200000", "--map", "D:\\=" + tmp.path() + "/",
                             "--record", record});
    Job job(job_string(server.port()));
    job.connection.Open();
    ASSERT_TRUE(job.connection.Connected());
    job.batch("Loja", "D:\\Copias");
    job.query.Open();
    ASSERT_TRUE(job.query.Active());
    EXPECT_EQ(job.query.RecordCount(), 1);
    EXPECT_EQ(job.query.FieldByName("NomeArquivo").AsString(), "Backup_Loja_20240131_235959.bak");
    EXPECT_EQ(job.query.FieldByName("nomearquivo").DataType(), ftString);
    EXPECT_EQ(standin::read_file(record), job.query.CommandText());
    EXPECT_EQ(fs::file_size(tmp.path() + "/Copias/Backup_Loja_20240131_235959.bak"), 200000u);
    bool completed = false;
    for (const auto& m : job.query.Messages()) completed |= m.native == 3014;
    EXPECT_TRUE(completed) << "the server's messages are kept";
    job.query.Close();
}

TEST(SqlServerQuery, TheQueryOpensItsConnectionWhenTheFirstOpenFailed) {
    standin::TempDir tmp;
    SqlServerStandIn server({"--clock", kClock, "--map", "D:\\=" + tmp.path() + "/"});
    Job job(job_string(server.port()));
    job.batch("Loja", "D:");
    job.query.Open();
    EXPECT_TRUE(job.connection.Connected());
    EXPECT_EQ(job.query.FieldByName("NomeArquivo").AsString(), "Backup_Loja_20240131_235959.bak");
    EXPECT_TRUE(fs::exists(tmp.path() + "/Backup_Loja_20240131_235959.bak"));
}

TEST(SqlServerQuery, TextOutsideAsciiSurvivesTheRoundTrip) {
    standin::TempDir tmp;
    SqlServerStandIn server({"--clock", kClock, "--map", "D:\\=" + tmp.path() + "/", "--database", "Padaria_São_João",
                             "--password", "p;wd é"});
    Job job(job_string(server.port(), "Padaria_São_João", "\"p;wd é\""));
    job.batch("Padaria_São_João", "D:");
    job.query.Open();
    EXPECT_EQ(job.query.FieldByName("NomeArquivo").AsString(), "Backup_Padaria_São_João_20240131_235959.bak");
    EXPECT_TRUE(fs::exists(tmp.path() + "/Backup_Padaria_São_João_20240131_235959.bak"));
}

// Errors anywhere in the batch make Open raise with the server's text, rows or not.
TEST(SqlServerQuery, ServerErrorsRaiseWithTheServersText) {
    struct Case {
        std::string fault;
        std::string caminho;
        std::string message_start;
        std::vector<long> numbers;
    };
    const Case cases[] = {
        {"backup-refused", "D:\\Copias",
         "Cannot open backup device 'D:\\Copias\\Backup_Loja_20240131_235959.bak'. Operating system error 5",
         {3201, 3013}},
        {"", "D:\\Nowhere", "Cannot open backup device 'D:\\Nowhere\\Backup_Loja_20240131_235959.bak'. "
                            "Operating system error 3", {3201, 3013}},
        {"no-fformatdate", "D:\\Copias", "Cannot find either column \"dbo\" or the user-defined function", {4121}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault + " " + c.caminho);
        standin::TempDir tmp;
        fs::create_directory(tmp.path() + "/Copias");
        std::vector<std::string> args = {"--clock", kClock, "--map", "D:\\=" + tmp.path() + "/"};
        if (!c.fault.empty()) args.insert(args.end(), {"--fault", c.fault});
        SqlServerStandIn server(args);
        Job job(job_string(server.port()));
        job.batch("Loja", c.caminho);
        try {
            job.query.Open();
            FAIL() << "Open did not raise";
        } catch (const data::OdbcError& e) {
            EXPECT_EQ(e.Message().rfind(c.message_start, 0), 0u) << e.Message();
            std::vector<long> numbers;
            for (const auto& d : e.Diagnostics())
                if (d.error) numbers.push_back(d.native);
            EXPECT_EQ(numbers, c.numbers);
        }
        EXPECT_FALSE(job.query.Active());
        EXPECT_FALSE(fs::exists(tmp.path() + "/Copias/Backup_Loja_20240131_235959.bak"));
    }
}

TEST(SqlServerConnection, LoginFailuresRaiseWithoutShowingTheConnectionString) {
    struct Case {
        std::vector<std::string> args;
        std::string banco, password, message;
    };
    const Case cases[] = {
        {{}, "Loja", "wrong-pass", "Login failed for user 'BKP'."},
        {{"--fault", "login-refused"}, "Loja", standin::kBackupPassword, "Login failed for user 'BKP'."},
        {{}, "Nada", standin::kBackupPassword,
         "Cannot open database \"Nada\" requested by the login. The login failed."},
        {{"--fault", "unknown-database"}, "Loja", standin::kBackupPassword,
         "Cannot open database \"Loja\" requested by the login. The login failed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        SqlServerStandIn server(c.args);
        Job job(job_string(server.port(), c.banco, c.password));
        try {
            job.connection.Open();
            FAIL() << "no error";
        } catch (const data::OdbcError& e) {
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
            EXPECT_EQ(e.Message().find(c.password), std::string::npos);
            for (const auto& d : e.Diagnostics()) EXPECT_EQ(d.text.find(c.password), std::string::npos);
        }
        EXPECT_FALSE(job.connection.Connected());
    }
}

TEST(SqlServerConnection, AClosedPortFailsInSeconds) {
    Job job(job_string(closed_port()));
    auto start = std::chrono::steady_clock::now();
    try {
        job.connection.Open();
        FAIL() << "no error";
    } catch (const data::OdbcError& e) {
        EXPECT_NE(e.Message().find("Unable to connect"), std::string::npos) << e.Message();
    }
    EXPECT_LT(seconds_since(start), 30.0);
}

TEST(SqlServerConnection, AServerThatNeverAnswersFailsAfterTheLoginTimeout) {
    SqlServerStandIn server({"--fault", "no-reply"});
    Job job(job_string(server.port()));
    job.connection.SetConnectionTimeout(2);
    auto start = std::chrono::steady_clock::now();
    try {
        job.connection.Open();
        FAIL() << "no error";
    } catch (const data::OdbcError& e) {
        EXPECT_NE(e.Message().find("Timeout expired"), std::string::npos) << e.Message();
    }
    double took = seconds_since(start);
    EXPECT_GE(took, 1.5);
    EXPECT_LT(took, 30.0);
}

TEST(SqlServerConnection, ADroppedConnectionIsAnError) {
    SqlServerStandIn server({"--fault", "drop-connection"});
    Job job(job_string(server.port()));
    job.batch("Loja", "D:\\Copias");
    EXPECT_THROW(job.query.Open(), data::OdbcError);
    EXPECT_FALSE(job.query.Active());
    EXPECT_FALSE(job.connection.Connected()) << "a broken link is closed; the next Open connects afresh";
    EXPECT_THROW(job.query.Open(), data::OdbcError);
}

// A reply the driver cannot read (a varchar(max) value not sent in PLP
// chunks) leaves it failing on every further call on a dead link: the walk
// over the batch's results ends, the failure is told once, and the link is
// closed so that the next open connects afresh.
TEST(SqlServerConnection, AnUnreadableReplyEndsTheBatchOnceAndClosesTheLink) {
    standin::TempDir tmp;
    fs::create_directory(tmp.path() + "/Copias");
    SqlServerStandIn server({"--clock", kClock, "--map", "D:\\=" + tmp.path() + "/", "--fault",
                             "malformed-varchar-max"});
    const int port = server.port();
    in_guarded_child([port] {
        Job job(job_string(port));
        job.batch("Loja", "D:\\Copias");
        try {
            job.query.Open();
            std::fprintf(stderr, "Open did not raise\n");
            return false;
        } catch (const data::OdbcError& e) {
            bool ok = true;
            if (e.Message().find("The connection to the server was lost.") == std::string::npos) {
                std::fprintf(stderr, "the message does not say the link is lost: %s\n", e.Message().c_str());
                ok = false;
            }
            std::map<std::tuple<std::string, long, std::string>, int> seen;
            for (const auto& d : e.Diagnostics()) {
                if (++seen[{d.state, d.native, d.text}] == 2) {
                    std::fprintf(stderr, "told more than once: %s\n", d.text.c_str());
                    ok = false;
                }
            }
            if (job.query.Active() || job.connection.Connected()) {
                std::fprintf(stderr, "the dead link is still taken for open\n");
                ok = false;
            }
            return ok;
        }
    });
}

TEST(SqlServerConnection, AnEmptyServerNameFails) {
    Job job("Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=;Initial Catalog=;User ID = BKP;"
            "Password=Hq4Zp7Wm3c519");
    EXPECT_THROW(job.connection.Open(), EDatabaseError);
    job.batch("", "");
    EXPECT_THROW(job.query.Open(), EDatabaseError);
}

TEST(SqlServerQuery, AReportQueryReadsItsRowsOverTheServerLink) {
    standin::TempDir tmp;
    SqlServerStandIn server({"--clock", kClock, "--map", "D:\\=" + tmp.path() + "/"});
    for (bool forward : {false, true}) {
        TQuery query(nullptr);
        query.SetName("Remote");
        query.SetDatabaseName(job_string(server.port()));
        query.SetUniDirectional(forward);
        query.SQL()->Add("SELECT 'Padaria São João' AS Nome");
        query.Open();
        EXPECT_EQ(query.FieldByName("nome").AsString(), "Padaria São João");
        EXPECT_EQ(query.RecordCount(), 1);
        query.Next();
        EXPECT_TRUE(query.Eof());
        EXPECT_EQ(query.FieldByName("nome").AsString(), "Padaria São João");
        query.Close();
        query.SQL()->SetText("SELECT nonsense FROM nowhere");
        try {
            query.Open();
            ADD_FAILURE();
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message().rfind("Remote: ", 0), 0u) << e.Message();
        }
    }
}
