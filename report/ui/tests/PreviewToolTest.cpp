// report-tool's preview from the outside: refused without a display, a real
// window under xvfb-run, and its page search against pdftotext.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

using test_support::ScratchDir;
using test_support::shell_quote;

std::string tool() { return test_support::tool_path("report-tool"); }

// A layout listing the orders of an SQLite file in `dir` (orders.json over
// shop.db).
void make_orders_layout(const ScratchDir& dir) {
    test_support::write_file(dir / "orders.json", R"({
  "class": "TBandReport", "name": "OrdersReport",
  "properties": {"ReportTitle": "Orders", "DataSet": "Orders"},
  "children": [
    {"class": "TBRBand", "name": "PageHeaderBand1",
     "properties": {"BandType": "rbPageHeader", "Size": {"Values": ["150", "1900"]}, "Frame": {"DrawBottom": true}}},
    {"class": "TBRBand", "name": "DetailBand1",
     "properties": {"BandType": "rbDetail", "Size": {"Values": ["60", "1900"]}, "Frame": {"DrawBottom": true}}},
    {"class": "TQuery", "name": "Orders", "properties": {"SQL": ["select id, total from orders order by id"]}}
  ]})");
    ASSERT_EQ(test_support::run_status(
                  "sqlite3 " + shell_quote(dir / "shop.db") +
                  " 'create table orders(id integer primary key, total real);"
                  " insert into orders(total) values (12.5), (7), (3.25);'"),
              0);
}

TEST(PreviewTool, WithoutADisplayItFailsWithAMessage) {
    ScratchDir dir("preview-tool");
    ASSERT_EQ(test_support::run_status(tool() + " pages synth --pages 2 " + (dir / "two.brp")), 0);
    ASSERT_NO_FATAL_FAILURE(make_orders_layout(dir));
    test_support::run("mkdir -p " + shell_quote(dir / "tmp"));
    const std::string run = "run " + shell_quote(dir / "orders.json") + " --db " + shell_quote(dir / "shop.db");
    struct Case {
        const char* env;
        std::string args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"env -u DISPLAY -u WAYLAND_DISPLAY", "preview " + shell_quote(dir / "two.brp"), 1, "preview needs a display"},
        {"env QT_QPA_PLATFORM=offscreen DISPLAY=:99", "preview " + shell_quote(dir / "two.brp"), 1,
         "preview needs a display"},
        {"env -u DISPLAY -u WAYLAND_DISPLAY", "preview", 2, "usage: report-tool preview FILE.brp"},
        {"env -u DISPLAY -u WAYLAND_DISPLAY", run + " --preview", 1, "preview needs a display"},
        {"env QT_QPA_PLATFORM=offscreen DISPLAY=:99", run + " --preview", 1, "preview needs a display"},
        {"env -u DISPLAY -u WAYLAND_DISPLAY", run + " --preview --pdf x.pdf", 2, "usage: report-tool run"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const auto r = test_support::run(std::string(c.env) + " TMPDIR=" + shell_quote(dir / "tmp") +
                                         " timeout 20 " + tool() + " " + c.args);
        EXPECT_EQ(r.status, c.status) << c.env << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        // Refused before anything ran: no pages, no page stream left behind.
        EXPECT_EQ(r.output.find("pages"), std::string::npos) << r.output;
        EXPECT_EQ(test_support::capture("find " + shell_quote(dir / "tmp") + " -name 'report-run-*'"), "");
    }
}

// The number after "key:" in xwininfo's report; -1 when absent.
int xwininfo_value(const std::string& info, const std::string& key) {
    const std::size_t at = info.find(key + ":");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + key.size() + 1);
}

// Runs `command` (report-tool and its arguments) in an X session, where
// xvfb_preview.sh records the preview window into `out` and closes it.
void preview_session(const std::string& out, const std::string& command, const std::string& env = "") {
    test_support::run("mkdir -p " + shell_quote(out));
    // Under the sanitizers: the X11 keyboard library reads a bounded string
    // past its end the strict check flags, and the desktop libraries keep
    // some memory to the end; neither is ours.
    const std::string sanitizers =
        "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:strict_string_checks=0\" LSAN_OPTIONS=print_suppressions=0:suppressions=" +
        shell_quote(test_support::source_path("app/tests/lsan-desktop.supp"));
    const auto session = test_support::run(
        "env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY " + sanitizers + " " + env + " timeout 120 xvfb-run -a -e " +
        shell_quote(out + "/xvfb.err") + " -s '-screen 0 1280x1024x24 -nolisten tcp' " +
        shell_quote(test_support::source_path("report/ui/tests/xvfb_preview.sh")) + " " + shell_quote(out) + " " +
        command);
    ASSERT_EQ(session.status, 0) << session.output << test_support::read_file(out + "/xvfb.err");
    EXPECT_EQ(test_support::read_file(out + "/status"), "0\n") << test_support::read_file(out + "/stderr");
}

// What python3-pil prints for `checks` over a screenshot: w and h are its
// size; dark, light and white(box) count the pixels of a box darker than 96,
// lighter than 200 and 250 (grey levels).
std::string screenshot_counts(const std::string& shot, const std::string& checks) {
    return test_support::run(std::string(test_support::kPython3) + " -c '\n"
                             "import sys\n"
                             "from PIL import Image\n"
                             "im = Image.open(sys.argv[1]).convert(\"L\")\n"
                             "w, h = im.size\n"
                             "def count(box, test):\n"
                             "    return sum(1 for v in im.crop(box).getdata() if test(v))\n"
                             "def dark(box): return count(box, lambda v: v < 96)\n"
                             "def light(box): return count(box, lambda v: v > 200)\n"
                             "def white(box): return count(box, lambda v: v > 250)\n" +
                             checks + "' " + shell_quote(shot))
        .output;
}

TEST(PreviewTool, ShowsPageThumbnailsAndStatusOnAScreen) {
    ScratchDir dir("preview-xvfb");
    const std::string file = dir / "Pages.BRP";
    ASSERT_EQ(test_support::run_status(tool() + " pages synth --pages 4 " + file), 0);
    ASSERT_NO_FATAL_FAILURE(preview_session(dir / "out", tool() + " preview " + file));
    const std::string window = test_support::read_file(dir / "out/window.txt");
    EXPECT_EQ(xwininfo_value(window, "Width"), 800) << window;
    EXPECT_EQ(xwininfo_value(window, "Height"), 639) << window;

    // The screenshot: its size, and ink in the page area, the thumbnails and
    // the status bar (python3-pil counts the pixels that are not the background).
    const std::string counts = screenshot_counts(dir / "out/shot.png",
                                                 "print(w, h)\n"
                                                 "print(\"page\", dark((260, 80, w - 20, h - 40)) > 200 and "
                                                 "white((260, 80, w - 20, h - 40)) > 20000)\n"
                                                 "print(\"thumbs\", dark((0, 80, 200, h - 40)) > 100)\n"
                                                 "print(\"status\", dark((0, h - 24, 200, h)) > 10)\n");
    EXPECT_EQ(counts, "800 639\npage True\nthumbs True\nstatus True\n") << counts;
}

// A stream without pages on a screen: no blank sheet in the page area, only
// the line that says the report is empty (python3-pil counts the light
// pixels there; a sheet alone would be most of the area).
TEST(PreviewTool, AnEmptyStreamShowsNoSheet) {
    ScratchDir dir("preview-empty");
    const std::string file = dir / "empty.brp";
    ASSERT_EQ(test_support::run_status(tool() + " pages synth --pages 0 " + file), 0);
    ASSERT_NO_FATAL_FAILURE(preview_session(dir / "out", tool() + " preview " + file));
    const std::string counts =
        screenshot_counts(dir / "out/shot.png", "print(\"sheet\", light((260, 80, w - 20, h - 40)) > 20000)\n");
    EXPECT_EQ(counts, "sheet False\n") << counts;
}

// A run shown in the preview: the window opens on the run's pages, and the
// page stream it showed is gone once it is closed.
TEST(PreviewTool, ARunOpensInThePreview) {
    ScratchDir dir("preview-run");
    ASSERT_NO_FATAL_FAILURE(make_orders_layout(dir));
    test_support::run("mkdir -p " + shell_quote(dir / "tmp"));
    ASSERT_NO_FATAL_FAILURE(preview_session(dir / "out",
                                            tool() + " run " + shell_quote(dir / "orders.json") + " --db " +
                                                shell_quote(dir / "shop.db") + " --preview",
                                            "TMPDIR=" + shell_quote(dir / "tmp")));
    EXPECT_EQ(test_support::read_file(dir / "out/stdout"), "pages\t1\n");
    const std::string window = test_support::read_file(dir / "out/window.txt");
    EXPECT_EQ(xwininfo_value(window, "Width"), 800) << window;
    EXPECT_EQ(xwininfo_value(window, "Height"), 639) << window;
    EXPECT_EQ(test_support::capture("find " + shell_quote(dir / "tmp") + " -name 'report-run-*'"), "");
}

// The pages each text is on, by report-tool's search and by pdftotext of
// the same pages printed to PDF: the same pages.
TEST(PreviewTool, SearchFindsWhatPdftotextFinds) {
    ScratchDir dir("preview-search");
    const std::string brp = dir / "thousand.brp", pdf = dir / "thousand.pdf", txt = dir / "thousand.txt";
    ASSERT_EQ(test_support::run_status(tool() + " pages synth --pages 1000 --compress " + brp), 0);
    ASSERT_EQ(test_support::run_status("QT_QPA_PLATFORM=offscreen " + tool() + " print " + brp + " --pdf " + pdf), 0);
    ASSERT_EQ(test_support::run_status("pdftotext -enc UTF-8 " + pdf + " " + txt), 0);
    // Pages of the text, split at form feeds.
    std::vector<std::string> pages;
    std::stringstream all(test_support::read_file(txt));
    for (std::string page; std::getline(all, page, '\f');) pages.push_back(page);
    ASSERT_GE(pages.size(), 1000u);

    const char* texts[] = {"cobrança - página 517", "página 99", "Título 51703", "Total da página 1000",
                           "Sacado 99", "Demonstrativo", "ausente do relatório"};
    for (const char* text : texts) {
        std::string expected;
        for (std::size_t i = 0; i < 1000; ++i)
            if (pages[i].find(text) != std::string::npos) expected += std::to_string(i + 1) + "\n";
        const auto found = test_support::run(tool() + " pages find " + brp + " " + shell_quote(text) + " --match-case");
        EXPECT_EQ(found.status, 0);
        EXPECT_EQ(found.output, expected) << text;
    }
    // Without Match Case, capitals find the same pages as the text itself.
    const auto lower = test_support::run(tool() + " pages find " + brp + " " + shell_quote("título 5170"));
    const auto upper = test_support::run(tool() + " pages find " + brp + " " + shell_quote("TÍTULO 5170"));
    EXPECT_EQ(lower.output, "517\n");
    EXPECT_EQ(upper.output, "517\n");
}

}  // namespace
