#pragma once
// Shared helpers of every folder's tests: scratch folders, running a command
// and capturing what it prints, files, the python3 oracles and the built tools.

#include <string>
#include <utility>
#include <vector>

namespace test_support {

// A fresh folder under $TMPDIR (else /tmp) named "<prefix>-XXXXXX", removed
// with everything in it (made writable first) when destroyed.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix = "tamblero-test");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// One scratch folder for the whole test process ("<prefix>-XXXXXX" under
// $TMPDIR, made on first use with the prefix of that call and removed at exit).
const std::string& process_dir(const std::string& prefix = "tamblero-test");

// A command's exit status (-1 when it did not run or was killed) and what it printed.
struct CommandResult {
    int status = -1;
    std::string output;
};
// Runs a command through /bin/sh; output is its stdout and stderr together.
CommandResult run(const std::string& command);
// Runs a command through /bin/sh; its stdout only (stderr goes where the
// test's goes), and its exit status in *status when asked.
std::string capture(const std::string& command, int* status = nullptr);
// A command's exit status and its stdout and stderr apart.
struct SplitResult {
    int status = -1;
    std::string out;
    std::string err;
};
// Runs a command through /bin/sh; what it printed on stdout and on stderr.
SplitResult run_split(const std::string& command);
// Runs a command through /bin/sh without capturing anything; its exit status.
int run_status(const std::string& command);
// Quotes a text for /bin/sh: 'it'\''s'.
std::string shell_quote(const std::string& text);

// pdfinfo's page count of a PDF (-1 when pdfinfo cannot read it) and the
// size of page n in points ({0, 0} when it cannot).
int pdf_pages(const std::string& pdf);
std::pair<double, double> pdf_page_size(const std::string& pdf, int n = 1);

// The lines of a command's output, without their line ends.
std::vector<std::string> output_lines(const std::string& text);

// The whole content of a file ("" when it cannot be read).
std::string read_file(const std::string& path);
// Writes bytes over a file (nothing when its folder is missing or closed).
void write_file(const std::string& path, const std::string& bytes);
// Writes bytes over a file, making the folders above it first.
void make_file(const std::string& path, const std::string& bytes);

// The permissions a command gives a file it writes, under umask 022: `made`
// where no file stood, `replaced` when it runs again over that file, set to
// mode 0664 (-1 when the command failed or left no regular file). The command runs through /bin/sh; its
// output goes where the test's goes.
struct OutputModes {
    int made = -1;
    int replaced = -1;
};
OutputModes output_modes(const std::string& command, const std::string& path);

// Debian's python3, the one that sees python3-pil and python3-stdnum.
inline constexpr const char* kPython3 = "/usr/bin/python3";
// The path of a file of the source tree: <source>/<relative>.
std::string source_path(const std::string& relative);
// The path of an oracle script: <source>/tests/oracles/<name>.
std::string oracle(const std::string& name);
// The command that runs a python3 script of the source tree (relative to it):
// "/usr/bin/python3 <source>/<relative>".
std::string python_script(const std::string& relative);
// The command that runs an oracle: "/usr/bin/python3 <source>/tests/oracles/<name>".
std::string oracle_command(const std::string& name);
// A box of one colour found on a picture: its corners in pixels.
struct ColourBox {
    int left, top, right, bottom;
};
// The boxes of `colour` (0xBBGGRR) on a PNG picture, as the colour_boxes.py
// oracle (python3-pil) finds them; raises when the oracle fails.
std::vector<ColourBox> colour_boxes(const std::string& png, unsigned colour);
// The path of a built tool: $TAMBLERO_BIN_DIR/<name>, else <build>/bin/<name>.
std::string tool_path(const std::string& name);
// The path of something in the build folder: <build>/<relative>.
std::string build_path(const std::string& relative);

}  // namespace test_support
