#include "tests/sqlserver_standin/StandIn.h"

#include "app/BackupJob.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace standin {

std::string SqlServerStandIn::script() { return STANDIN_SCRIPT; }

SqlServerStandIn::SqlServerStandIn(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/python3", script(), "--port", "0", "--deadline", "300"};
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

std::vector<std::string> backup_batch_lines(const std::string& banco, const std::string& caminho) {
    return app::backup_batch(banco, caminho);
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/tamblero-data-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

CommandResult run_command(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) result.output.append(buf, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string shell_quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

}  // namespace standin
