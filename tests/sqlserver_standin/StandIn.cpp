#include "tests/sqlserver_standin/StandIn.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace standin {

std::string SqlServerStandIn::script() { return STANDIN_SCRIPT; }

SqlServerStandIn::SqlServerStandIn(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {test_support::kPython3, script(), "--port", "0", "--deadline", "300"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    int rc = posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        throw std::runtime_error(std::string("cannot start the stand-in: ") + std::strerror(rc));
    }
    // The stand-in prints its port as the first line once it listens.
    std::string line;
    pollfd pfd{fds[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos) {
        if (poll(&pfd, 1, 20000) <= 0) break;
        char buf[64];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("the stand-in did not report its port");
    }
}

SqlServerStandIn::~SqlServerStandIn() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

// The stand-in's own copy of the batch: the data layer's tests, below the
// program, drive the stand-in with it; the program's tests check that the
// backup job sends the same lines.
std::vector<std::string> backup_batch_lines(const std::string& banco, const std::string& caminho) {
    return {
        "USE " + banco,
        "",
        "DECLARE @sSELECT VARCHAR(8000)    ",
        "DECLARE @sNomeArquivo VARCHAR(200) ",
        "SET @sNomeArquivo = 'Backup_" + banco +
            "_'+dbo.fFormatDate('AAAAMMDD',GETDATE()) +'_'+ dbo.fFormatDate('HHmmSS',GETDATE())+'.bak'",
        "",
        "SET @sSELECT = 'BACKUP DATABASE [" + banco + "] TO  DISK = N''" + caminho +
            "\\'+ @sNomeArquivo +''' WITH NOFORMAT, INIT,  NAME = N''" + banco +
            "-Full Database Backup'', SKIP, NOREWIND, NOUNLOAD, STATS = 10'",
        "",
        "EXEC(@sSELECT)",
        "",
        "SELECT @sNomeArquivo NomeArquivo",
    };
}

}  // namespace standin
