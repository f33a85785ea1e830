#include "report/print/tests/IppPrinter.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace report::testing {
namespace {

// A port nothing listens on now (the kernel's choice for an ephemeral bind).
int free_port() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env_extra,
            const std::string& log) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), env_extra.begin(), env_extra.end());
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void stop(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

}  // namespace

IppPrinter::IppPrinter(const std::string& name) {
    std::filesystem::create_directories(spool());
    const std::string bus = "unix:path=" + (dir_ / "bus");
    bus_ = spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + bus}, {},
                 dir_ / "dbus.log");
    for (int i = 0; i < 50 && !std::filesystem::exists(dir_ / "bus"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int port = free_port();
    // -r off: no DNS-SD registration; -k: keep the documents; -2: two-sided;
    // -s: "prints" 6000 pages a minute.
    printer_ = spawn({"ippeveprinter", "-2", "-k", "-r", "off", "-s", "6000", "-n", "localhost", "-p", std::to_string(port),
                      "-d", spool(), "-f", "application/pdf", name},
                     {"DBUS_SYSTEM_BUS_ADDRESS=" + bus}, dir_ / "ippeveprinter.log");
    for (int i = 0; i < 100 && printer_ > 0 && !accepts(port); ++i) {
        if (::waitpid(printer_, nullptr, WNOHANG) == printer_) printer_ = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (printer_ > 0 && accepts(port)) {
        uri_ = "ipp://localhost:" + std::to_string(port) + "/ipp/print";
    } else {
        why_ = "ippeveprinter did not start: " + test_support::read_file(dir_ / "ippeveprinter.log");
        stop(printer_);
    }
}

IppPrinter::~IppPrinter() {
    stop(printer_);
    stop(bus_);
}

std::vector<std::string> IppPrinter::spooled(const std::string& extension) const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(spool()))
        if (e.is_regular_file() && e.path().extension() == extension) out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> IppPrinter::await_spooled() const {
    std::vector<std::string> files;
    for (int i = 0; i < 100 && files.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        files = spooled();
    }
    if (!files.empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));   // written whole
        files = spooled();
    }
    return files;
}

std::string IppPrinter::job_attributes(int job_id) const {
    const std::string test = dir_ / "get-job.test";
    test_support::write_file(test,
                             "{\n OPERATION Get-Job-Attributes\n GROUP operation-attributes-tag\n"
                             " ATTR charset attributes-charset utf-8\n ATTR naturalLanguage attributes-natural-language en\n"
                             " ATTR uri printer-uri $uri\n ATTR integer job-id " +
                                 std::to_string(job_id) +
                                 "\n ATTR name requesting-user-name $user\n STATUS successful-ok\n}\n");
    return test_support::capture("ipptool -tv " + test_support::shell_quote(uri_) + " " +
                                 test_support::shell_quote(test) + " 2>&1");
}

}  // namespace report::testing
