// picture-tool against independent GIF readers (python3-pil, giflib's
// gif2rgb, giftext and gifbuild, gifsicle's gifdiff) on a corpus made here by
// PIL, ImageMagick, gifsicle and gifbuild, and on GIF files it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "TestCommands.h"

namespace fs = std::filesystem;

namespace {

// The command's output with its error output.
std::string capture(const std::string& command, int& status) {
    return picture_test::capture(command + " 2>&1", status);
}

std::string tool_path() { return test_support::tool_path("picture-tool"); }

// Makes the corpus in dir and answers the names of its files.
std::vector<std::string> make_corpus(const fs::path& dir) {
    fs::remove_all(dir);
    int status = 0;
    std::string list = capture(test_support::python_script("tests/make_gif_corpus.py") + " " + dir.string(), status);
    EXPECT_EQ(status, 0) << list;
    std::vector<std::string> files;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) files.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return files;
}

}  // namespace

TEST(GifOracle, CorpusDecodesInfoAndDrawingAgreeWithPeers) {
    const std::string tool = tool_path();
    fs::path dir = fs::path(TAMBLERO_BINARY_DIR) / ("gif-corpus-" + std::to_string(::getpid()));
    auto files = make_corpus(dir);
    ASSERT_GE(files.size(), 15u);
    int status = 0;
    for (auto& f : files) {
        std::string out = capture(test_support::oracle_command("gif_check.py") + " " + tool + " " +
                                      (dir / f).string() + " " + (dir / "work").string(),
                                  status);
        EXPECT_EQ(status, 0) << f << "\n" << out;
    }
    if (!HasFailure()) fs::remove_all(dir);
}

// Every corpus file saved again looks the same to gifdiff (pixels, delays,
// disposal, transparency, loop count) and reads in the peers as the file it came from.
TEST(GifOracle, CorpusSavedAgainIsTheSamePicture) {
    const std::string tool = tool_path();
    fs::path dir = fs::path(TAMBLERO_BINARY_DIR) / ("gif-resave-" + std::to_string(::getpid()));
    auto files = make_corpus(dir);
    ASSERT_GE(files.size(), 15u);
    int status = 0;
    for (auto& f : files) {
        std::string in = (dir / f).string(), out = (dir / ("saved-" + f)).string();
        std::string said = capture(tool + " save " + in + " " + out, status);
        ASSERT_EQ(status, 0) << f << "\n" << said;
        said = capture("gifdiff " + in + " " + out, status);
        EXPECT_EQ(status, 0) << f << "\n" << said;
        EXPECT_EQ(said, "") << f;
        said = capture(test_support::oracle_command("gif_check.py") + " " + tool + " " + out + " " +
                           (dir / "work").string(),
                       status);
        EXPECT_EQ(status, 0) << f << "\n" << said;
    }
    if (!HasFailure()) fs::remove_all(dir);
}

TEST(GifOracle, WrittenPicturesReadInThePeers) {
    fs::path dir = fs::path(TAMBLERO_BINARY_DIR) / ("gif-written-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    int status = 0;
    std::string said = capture(
        test_support::oracle_command("gif_write_check.py") + " " + tool_path() + " " + dir.string(), status);
    EXPECT_EQ(status, 0) << said;
    if (!HasFailure()) fs::remove_all(dir);
}

// Every picture picture-tool writes gets the usual permissions: 0666 less the
// umask for a new file, the old mode for a file it replaces.
TEST(PictureTool, OutputsGetTheUsualPermissions) {
    test_support::ScratchDir dir("picture-modes");
    std::string ppm = "P6\n4 3\n255\n";
    for (int i = 0; i < 4 * 3 * 3; ++i) ppm += char(i * 7);
    test_support::write_file(dir / "in.ppm", ppm);
    const std::string tool = tool_path(), in = test_support::shell_quote(dir / "in.ppm");
    int status = 0;
    capture(tool + " save " + in + " " + test_support::shell_quote(dir / "in.gif"), status);
    ASSERT_EQ(status, 0);
    const std::string gif = test_support::shell_quote(dir / "in.gif");
    struct Case {
        const char* out;
        std::string args;
    } cases[] = {
        {"a.gif", "save " + in},
        {"a.ppm", "decode " + gif},
        {"a.png", "decode " + gif},
        {"d.png", "draw " + gif + " 8 6 FF0000"},
        {"r.bmp", "reduce " + in},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        const std::string out = dir / c.out;
        std::string command = tool + " " + c.args + " " + test_support::shell_quote(out);
        if (c.args.rfind("reduce", 0) == 0) command += " --method 1";
        const test_support::OutputModes modes = test_support::output_modes(command, out);
        EXPECT_EQ(modes.made, 0644);
        EXPECT_EQ(modes.replaced, 0664);
    }
}
