#include "report/tool/BandsCommands.h"

#include "platform/core/FormResource.h"
#include "report/bands/BandRpt.h"
#include "report/bands/BandRptPrinter.h"
#include "report/controls/BRCtrls.h"
#include "platform/graphics/qt/QtCanvas.h"

#include <memory>

namespace report::tool {
namespace {

int usage(std::ostream& err) {
    err << "usage: report-tool bands run LAYOUT.json OUT.brp [RECORDS]\n";
    return 2;
}

// Plays the report's run over its standard bands: the title, the detail
// band once per record, the summary; page headers, footers and column
// headers come with the pages. Every band print is listed as
// "band NAME PAGE LEFT TOP RIGHT BOTTOM", its frame rectangle in device
// pixels on its last page, and the page count last as "pages N".
int run(const std::string& layout, const std::string& target, int records, std::ostream& out) {
    report::register_report_classes();
    report::RegisterControlClasses();
    // Text is measured and drawn with the fonts of the fixed 96-dpi device.
    graphics::qt::prepare_platform();
    graphics::qt::unit_startup();
    struct Shutdown {
        ~Shutdown() { graphics::qt::unit_shutdown(); }
    } shutdown;
    std::unique_ptr<TComponent> root(core::read_component_file(layout, nullptr));
    auto* report = dynamic_cast<TCustomBandReport*>(root.get());
    if (!report) throw EReadError("Not a report layout: " + layout);

    TBRPrinter printer;
    report::PrinterOutput output(printer);
    std::vector<std::string> lines;
    for (TBRCustomBand* band : report->BandList()) {
        band->AfterPrint = [&lines, &printer](TBRCustomBand* sender, bool printed) {
            if (!printed) return;
            const TRect& r = sender->PrintRect;
            lines.push_back("band\t" + sender->Name() + "\t" + std::to_string(printer.PageCount()) + "\t" +
                            std::to_string(r.Left) + "\t" + std::to_string(r.Top) + "\t" + std::to_string(r.Right) +
                            "\t" + std::to_string(r.Bottom));
        };
    }
    printer.BeginOutput();
    try {
        report->BeginRun(output);
        report->PrintBand(report->FindBand(rbTitle));
        for (int i = 0; i < records; ++i) report->PrintBand(report->FindBand(rbDetail));
        report->PrintBand(report->FindBand(rbSummary));
        report->FinishRun();
    } catch (...) {
        printer.AbortOutput();
        throw;
    }
    printer.EndOutput();
    printer.SavePageStreamFile(target);
    for (const std::string& line : lines) out << line << '\n';
    out << "pages\t" << printer.PageCount() << '\n';
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
