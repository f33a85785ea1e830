#include "report/tool/PrintCommands.h"

#include "report/print/BRPrnSu.h"
#include "platform/ui/Printers.h"

#include <charconv>
#include <ostream>

namespace report_tool {
namespace {

using namespace report;

std::string number(double value) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string_view paper_ident(int code) {
    for (const TBRPaperRow& row : PaperRows)
        if (row.Code == code) return row.Ident;
    return "-";
}

std::string_view bin_ident(int code) {
    for (const TBRBinRow& row : BinRows)
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
        if (!ui::is_printer_uri(a)) {
            err << "usage: report-tool printers [ipp://HOST:PORT/PATH ...]\n";
            return 2;
        }
    ui::CupsPrintDevice device(args);
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

}  // namespace report_tool
