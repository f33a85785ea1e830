#include "report/tool/PrintCommands.h"
#include "report/tool/ToolText.h"

#include "report/print/BRPrntr.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/ReplacingFile.h"
#include "platform/print/Printers.h"

#include <algorithm>
#include <charconv>
#include <ostream>

namespace report::tool {
namespace {

using namespace report;

std::string_view paper_ident(int code) {
    for (const PaperRow& row : PaperRows)
        if (row.Code == code) return row.Ident;
    return "-";
}

std::string_view bin_ident(int code) {
    for (const BinRow& row : BinRows)
        if (row.Code == code) return row.Ident;
    return "-";
}

std::string fields(std::uint32_t f) {
    static const std::pair<std::uint32_t, const char*> names[] = {
        {DM_COPIES, "copies"},         {DM_DUPLEX, "duplex"},   {DM_ORIENTATION, "orientation"},
        {DM_PAPERSIZE, "paper"},       {DM_DEFAULTSOURCE, "bin"}, {DM_COLOR, "color"},
        {DM_PRINTQUALITY, "quality"}, {DM_COLLATE, "collate"},
    };
    std::string out;
    for (const auto& [bit, name] : names)
        if (f & bit) out += (out.empty() ? "" : ",") + std::string(name);
    return out.empty() ? "-" : out;
}

}  // namespace

// printer  INDEX NAME DRIVER PORT default|-
// settings INDEX DPI-X DPI-Y FIELDS
// paper    INDEX CODE IDENT MEDIA WIDTH-MM HEIGHT-MM
// bin      INDEX CODE IDENT SOURCE
int printers_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const std::string& a : args)
        if (!print::is_printer_uri(a)) {
            err << "usage: report-tool printers [ipp://HOST:PORT/PATH ...]\n";
            return 2;
        }
    print::CupsPrintDevice device(args);
    const auto destinations = device.Destinations(DevicePaperTable());
    for (std::size_t i = 0; i < destinations.size(); ++i) {
        const graphics::DestinationInfo& d = destinations[i];
        out << "printer\t" << i << '\t' << d.Name << '\t' << (d.Driver.empty() ? "-" : d.Driver) << '\t'
            << (d.Port.empty() ? "-" : d.Port) << '\t' << (d.IsDefault ? "default" : "-") << '\n';
        out << "settings\t" << i << '\t' << d.DpiX << '\t' << d.DpiY << '\t' << fields(d.Defaults.Fields) << '\n';
        for (const graphics::MediaInfo& m : d.Media)
            out << "paper\t" << i << '\t' << m.Code << '\t' << paper_ident(m.Code) << '\t' << m.Name << '\t'
                << number(m.WidthMM) << '\t' << number(m.HeightMM) << '\n';
        for (const graphics::SourceInfo& s : d.Sources)
            out << "bin\t" << i << '\t' << s.Code << '\t' << bin_ident(s.Code) << '\t' << s.Name << '\n';
    }
    return out.good() ? 0 : 1;
}

}  // namespace report::tool

namespace report::tool {
namespace {

using namespace report;

constexpr const char* kPrintUsage =
    "usage: report-tool print FILE.brp [--printer NAME | --pdf OUT.pdf] [--first N --last M] [--copies N] "
    "[--duplex 1|2|3]\n";

bool parse_int(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto res = std::from_chars(text.data(), end, value);
    return res.ec == std::errc() && res.ptr == end;
}

struct PrintArgs {
    std::string file, printer, pdf;
    int first = 0, last = 0, copies = 0, duplex = 0;
};

bool parse_print_args(const std::vector<std::string>& args, PrintArgs& a, std::ostream& err) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        // A number out of its range says what the range is.
        auto number = [&](int& into, int low, int high) {
            if (has_value && parse_int(args[++i], into) && into >= low && into <= high) return true;
            err << "report-tool print: " << arg << " takes a whole number from " << low << " to " << high << '\n';
            return false;
        };
        if (arg == "--printer" && has_value) a.printer = args[++i];
        else if (arg == "--pdf" && has_value) a.pdf = args[++i];
        else if (arg == "--first") {
            if (!number(a.first, 1, 1 << 30)) return false;
        } else if (arg == "--last") {
            if (!number(a.last, 1, 1 << 30)) return false;
        } else if (arg == "--copies") {
            if (!number(a.copies, 1, 999)) return false;
        } else if (arg == "--duplex") {
            if (!number(a.duplex, 1, 3)) return false;
        } else if (!arg.empty() && arg[0] != '-' && a.file.empty()) a.file = arg;
        else return false;
    }
    return !a.file.empty() && (a.printer.empty() || a.pdf.empty()) && (a.printer.empty() || a.printer[0] != '-');
}

}  // namespace

int print_command(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    PrintArgs a;
    if (!parse_print_args(args, a, err)) {
        err << kPrintUsage;
        return 2;
    }
    if (!a.pdf.empty()) os::refuse_output_over_inputs(a.pdf, {a.file});
    if (!a.pdf.empty() && wrong_output_format(a.pdf, {"pdf"}, err)) return 2;
    graphics::qt::GraphicsScope qt;

    std::vector<std::string> uris;
    if (print::is_printer_uri(a.printer)) uris.push_back(a.printer);
    print::CupsPrintDevice device(uris);
    TBRPrinter printer(nullptr, nullptr, &device);

    if (a.pdf.empty()) {
        const std::vector<std::string> names = printer.Printer().Printers();
        if (!a.printer.empty()) {
            const auto it = std::find(names.begin(), names.end(), a.printer);
            if (it == names.end()) {
                err << "report-tool: unknown printer \"" << a.printer << "\"\n";
                return 1;
            }
            printer.SelectPrinter(int(it - names.begin()));
        } else if (names.empty()) {
            err << "report-tool: there is no printer\n";
            return 1;
        }
    }

    printer.LoadPageStreamFile(a.file);
    const int count = printer.PageCount();
    const int first = a.first > 0 ? a.first : 1;
    const int last = a.last > 0 ? a.last : count;
    if (count == 0 || first > last || last > count) {
        err << "report-tool: pages " << first << " to " << last << " are not within the " << count
            << " pages of " << a.file << '\n';
        return 1;
    }
    printer.FirstPage = first;
    printer.LastPage = last;
    const std::string name = a.file.substr(a.file.rfind('/') + 1);
    printer.Title = name.substr(0, name.rfind('.'));
    TPrinterSettings& s = printer.Settings();
    if (a.copies > 0) s.SetCopies(a.copies);
    if (a.duplex > 0) {
        s.SetDuplex(a.duplex != DMDUP_SIMPLEX);
        s.ExtendedDuplex = a.duplex;
    }
    printer.OutputFile = a.pdf;
    printer.PrintStoredPages();
    return 0;
}

}  // namespace report::tool
