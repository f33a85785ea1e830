#pragma once
// Test support: starts the SQL Server stand-in (sqlserver_standin.py) on
// 127.0.0.1, and a few helpers that tests of the backup path share.

#include <string>
#include <sys/types.h>
#include <vector>

#include "tests/support/TestSupport.h"

namespace standin {

// A running stand-in, stopped (SIGTERM, then waited for) when destroyed.
// Arguments are those of the script (--clock, --size, --map, --fault, ...);
// --port 0 and a --deadline are added by the fixture.
class SqlServerStandIn {
public:
    explicit SqlServerStandIn(const std::vector<std::string>& args = {});
    ~SqlServerStandIn();
    SqlServerStandIn(const SqlServerStandIn&) = delete;
    SqlServerStandIn& operator=(const SqlServerStandIn&) = delete;

    int port() const { return port_; }  // the port it listens on
    static std::string script();        // full path of the stand-in script

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// The password of the backup login that the stand-in accepts by default.
inline constexpr const char* kBackupPassword = "Hq4Zp7Wm3c519";

// The eleven lines of the backup batch for a database and a backup folder,
// exactly as the backup job sends them.
std::vector<std::string> backup_batch_lines(const std::string& banco, const std::string& caminho);

// A fresh folder under $TMPDIR, removed with its content when destroyed.
class TempDir : public test_support::ScratchDir {
public:
    TempDir() : ScratchDir("tamblero-data") {}
};

// Commands through /bin/sh and files: the shared test-support library's.
using test_support::CommandResult;
using test_support::read_file;
using test_support::shell_quote;
using test_support::write_file;
// Runs a command through /bin/sh; its standard output and error, and its exit status.
inline CommandResult run_command(const std::string& command) { return test_support::run(command); }

}  // namespace standin
