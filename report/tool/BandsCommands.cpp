#include "report/tool/BandsCommands.h"

#include "platform/core/FormResource.h"
#include "report/bands/BandRpt.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/ReplacingFile.h"
#include "report/controls/BRCtrls.h"
#include "report/engine/BRRegister.h"
#include "report/engine/ReportRun.h"

#include <memory>

namespace report::tool {
namespace {

int usage(std::ostream& err) {
    err << "usage: report-tool bands run LAYOUT.json OUT.brp [RECORDS]\n";
    return 2;
}

// Runs the layout with the engine's run, its detail band driven `records`
// times (OnNeedData), into a page stream. Every band print is listed as
// "band NAME PAGE LEFT TOP RIGHT BOTTOM", its frame rectangle in device
// pixels on its last page, and the page count last as "pages N".
int run(const std::string& layout_file, const std::string& target, int records, std::ostream& out) {
    os::refuse_output_over_inputs(target, {layout_file});
    // Text on the controls is measured and drawn with the fonts of the fixed device.
    graphics::qt::GraphicsScope qt;
    report::register_report_classes();
    report::RegisterControlClasses();
    // A layout's queries and tables are read too (they are not opened).
    RegisterReportClasses();
    Layout layout = read_layout(layout_file);
    TCustomBandReport* report = layout.report;
    std::vector<std::string> lines;
    for (TBRCustomBand* band : report->BandList()) {
        band->AfterPrint = [&lines, report](TBRCustomBand* sender, bool printed) {
            if (!printed) return;
            const TRect& r = sender->PrintRect;
            lines.push_back("band\t" + sender->Name() + "\t" + std::to_string(report->PageCount()) + "\t" +
                            std::to_string(r.Left) + "\t" + std::to_string(r.Top) + "\t" + std::to_string(r.Right) +
                            "\t" + std::to_string(r.Bottom));
        };
    }
    int left = records;
    report->OnNeedData = [&left](TObject*, bool& more) { more = left-- > 0; };
    const int pages = run_to_page_stream(*report);
    report->ReportPrinter()->SavePageStreamFile(target);
    for (const std::string& line : lines) out << line << '\n';
    out << "pages\t" << pages << '\n';
    return 0;
}

}  // namespace

int bands_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if ((args.size() != 3 && args.size() != 4) || args[0] != "run") return usage(err);
    int records = 1;
    if (args.size() == 4) {
        try {
            records = std::stoi(args[3]);
        } catch (const std::exception&) {
            records = -1;
        }
        if (records < 0) {
            err << "report-tool: bad record count: " << args[3] << '\n';
            return 2;
        }
    }
    return run(args[1], args[2], records, out);
}

}  // namespace report::tool
