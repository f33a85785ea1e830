// interbase-tool from the outside; its glyph files are read back with Pillow.

#include "interbase/IBL_GridBitmaps.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;
using namespace interbase;

namespace {

struct Output {
    int status;
    std::string text;
};

Output run(const std::string& command) {
    Output out{-1, ""};
    out.text = test_support::capture(command, &out.status);
    return out;
}

const std::string kTool = test_support::tool_path("interbase-tool");

}  // namespace

TEST(InterbaseTool, GlyphFilesDecodeToTheSamePixelsElsewhere) {
    test_support::ScratchDir scratch("ib-glyphs");
    const fs::path dir = scratch.path();
    ASSERT_EQ(run(kTool + " glyphs " + dir.string()).status, 0);

    std::string files;
    std::size_t count = 0;
    const GridBitmap* all = GridBitmaps(count);
    for (std::size_t i = 0; i < count; ++i) files += " " + (dir / (std::string(all[i].name) + ".bmp")).string();
    const Output oracle = run(test_support::oracle_command("bmp_pixels.py") + files);
    fs::remove_all(dir);
    ASSERT_EQ(oracle.status, 0) << oracle.text;
    const auto seen = nlohmann::json::parse(oracle.text);
    ASSERT_EQ(seen.size(), count);

    for (std::size_t i = 0; i < count; ++i) {
        const GridBitmap& g = all[i];
        SCOPED_TRACE(std::string(g.name));
        const auto& s = seen.at(std::string(g.name) + ".bmp");
        EXPECT_EQ(s["mode"], "P");
        EXPECT_EQ(s["colours"], 16);
        ASSERT_EQ(s["size"], nlohmann::json::array({g.width, g.height}));
        for (int y = 0; y < g.height; ++y) {
            for (int x = 0; x < g.width; ++x) {
                const Rgb c = GridPalette[g.At(x, y)];
                ASSERT_EQ(s["pixels"][y * g.width + x], nlohmann::json::array({c.red, c.green, c.blue}))
                    << "pixel " << x << "," << y;
            }
        }
    }
}

TEST(InterbaseTool, StatusReportsFallbacksAndFailures) {
    const Output partial = run("TAMBLERO_INTERBASE_CLIENT=" IB_STUB_MANDATORY " " + kTool + " status");
    ASSERT_EQ(partial.status, 0) << partial.text;
    const auto j = nlohmann::json::parse(partial.text);
    EXPECT_EQ(j["library"], IB_STUB_MANDATORY);
    EXPECT_EQ(j["mandatory_bound"], 64);
    EXPECT_EQ(j["optional"]["isc_service_detach"], "fallback");
    EXPECT_EQ(j["optional"]["isc_rollback_retaining"], "empty");
    EXPECT_EQ(j["loaded_after_shutdown"], false);

    const Output failed = run("TAMBLERO_INTERBASE_CLIENT=" IB_STUB_LACKING " " + kTool + " status 2>&1");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.text, "interbase-tool: Unable to locate DLL import isc_event_block\n");
}

// The glyph files get the usual permissions: 0666 less the umask when new,
// the old mode when replaced.
TEST(InterbaseTool, GlyphFilesGetTheUsualPermissions) {
    test_support::ScratchDir scratch("ib-glyph-modes");
    const std::string file = scratch / "IBL_GRID_ARROW.bmp";
    const test_support::OutputModes modes =
        test_support::output_modes(kTool + " glyphs " + test_support::shell_quote(scratch.path()) + " >/dev/null", file);
    EXPECT_EQ(modes.made, 0644);
    EXPECT_EQ(modes.replaced, 0664);
}
