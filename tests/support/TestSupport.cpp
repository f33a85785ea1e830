#include "tests/support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test_support {
namespace {

int exit_status(int raw) { return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

std::string read_pipe(FILE* pipe) {
    std::string out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    return out;
}

}  // namespace

ScratchDir::ScratchDir(const std::string& prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed for " + tmpl);
    path_ = tmpl;
}

ScratchDir::~ScratchDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Folders a test made read-only are opened up first, so everything goes.
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

const std::string& process_dir(const std::string& prefix) {
    static const ScratchDir dir(prefix);
    return dir.path();
}

CommandResult run(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    result.output = read_pipe(pipe);
    result.status = exit_status(::pclose(pipe));
    return result;
}

std::string capture(const std::string& command, int* status) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return {};
    }
    std::string out = read_pipe(pipe);
    const int rc = exit_status(::pclose(pipe));
    if (status) *status = rc;
    return out;
}

SplitResult run_split(const std::string& command) {
    SplitResult result;
    const char* base = std::getenv("TMPDIR");
    std::string err = std::string(base && *base ? base : "/tmp") + "/stderr-XXXXXX";
    const int fd = ::mkstemp(err.data());
    if (fd < 0) return result;
    ::close(fd);
    result.out = capture(command + " 2>" + shell_quote(err), &result.status);
    result.err = read_file(err);
    ::unlink(err.c_str());
    return result;
}

int run_status(const std::string& command) { return exit_status(std::system(command.c_str())); }

OutputModes output_modes(const std::string& command, const std::string& path) {
    namespace fs = std::filesystem;
    auto mode_after = [&]() {
        if (run_status("umask 022; " + command) != 0) return -1;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
        return int(st.st_mode & 07777);
    };
    OutputModes m;
    std::error_code ec;
    fs::remove(path, ec);
    m.made = mode_after();
    if (m.made < 0) return m;
    ::chmod(path.c_str(), 0664);
    m.replaced = mode_after();
    return m;
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

int pdf_pages(const std::string& pdf) {
    const std::string info = capture("pdfinfo " + shell_quote(pdf) + " 2>/dev/null");
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::pair<double, double> pdf_page_size(const std::string& pdf, int n) {
    const std::string page = std::to_string(n);
    const std::string info = capture("pdfinfo -f " + page + " -l " + page + " " + shell_quote(pdf) + " 2>/dev/null");
    const auto at = info.find("size:");
    if (at == std::string::npos) return {0, 0};
    double w = 0, h = 0;
    std::sscanf(info.c_str() + at + 5, " %lf x %lf", &w, &h);
    return {w, h};
}

std::vector<std::string> output_lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void make_file(const std::string& path, const std::string& bytes) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    write_file(path, bytes);
}

std::string source_path(const std::string& relative) { return std::string(TAMBLERO_SOURCE_DIR) + "/" + relative; }

std::string oracle(const std::string& name) { return source_path("tests/oracles/" + name); }

std::string python_script(const std::string& relative) { return std::string(kPython3) + " " + source_path(relative); }

std::string oracle_command(const std::string& name) { return python_script("tests/oracles/" + name); }

std::vector<ColourBox> colour_boxes(const std::string& png, unsigned colour) {
    std::ostringstream cmd;
    cmd << oracle_command("colour_boxes.py") << ' ' << shell_quote(png) << ' ' << (colour & 0xFF) << ' '
        << ((colour >> 8) & 0xFF) << ' ' << ((colour >> 16) & 0xFF);
    int status = -1;
    std::istringstream in(capture(cmd.str(), &status));
    if (status != 0) throw std::runtime_error("the colour box oracle failed: " + cmd.str());
    std::string word;  // "size"
    int width = 0, height = 0;
    in >> word >> width >> height;
    std::vector<ColourBox> boxes;
    ColourBox b;
    while (in >> b.left >> b.top >> b.right >> b.bottom) boxes.push_back(b);
    return boxes;
}

std::string tool_path(const std::string& name) {
    const char* bin = std::getenv("TAMBLERO_BIN_DIR");
    return (bin && *bin ? std::string(bin) : std::string(TAMBLERO_BINARY_DIR) + "/bin") + "/" + name;
}

std::string build_path(const std::string& relative) { return std::string(TAMBLERO_BINARY_DIR) + "/" + relative; }

}  // namespace test_support
