#include "report/tool/RunCommands.h"

#include "platform/core/HostServices.h"
#include "platform/core/ServiceSlot.h"
#include "platform/data/Startup.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/Files.h"
#include "platform/os/Interrupt.h"
#include "platform/os/Process.h"
#include "platform/os/ReplacingFile.h"
#include "report/tool/ToolText.h"
#include "platform/os/SignalCleanup.h"
#include "platform/print/Printers.h"
#include "report/bands/BandRpt.h"
#include "report/engine/ReportRun.h"
#include "report/engine/Startup.h"
#include "report/expr/ExpressionErrors.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <charconv>
#include <cstring>
#include <set>
#include <tuple>

namespace report::tool {
namespace {

constexpr const char* kRunUsage =
    "usage: report-tool run LAYOUT.json [LAYOUT.json]... [--db FILE] [--env NAME=EXPR]... (--pdf OUT.pdf | --brp OUT.brp | "
    "--printer NAME|URI | --preview)\n";
// The status of a run that printed expression errors in place of values.
constexpr int kExpressionErrorStatus = 4;
constexpr const char* kDesignUsage = "usage: report-tool design LAYOUT.json OUT.png [--zoom N]\n";

// The units a run needs: fonts measured by Qt on the fixed device, the
// dataset and report classes registered.
struct Units {
    graphics::qt::GraphicsScope qt;
    Units() {
        data::unit_startup();
        report::unit_startup();
    }
    ~Units() {
        report::unit_shutdown();
        data::unit_shutdown();
    }
};

// The console host whose progress answers "cancel" once after Ctrl-C was
// pressed: the run stops at its next record and keeps the pages printed so
// far, which are then printed.
class InterruptibleHost : public core::ConsoleHost {
public:
    InterruptibleHost() : core::ConsoleHost("report-tool") {}
    std::unique_ptr<core::ProgressMonitor> BeginProgress(const std::string&) override {
        struct Progress : core::ProgressMonitor {
            explicit Progress(bool& answered) : answered_(answered) {}
            bool Step(int, const std::string&) override {
                if (answered_ || !os::interrupt_requested()) return true;
                answered_ = true;
                return false;
            }
            bool& answered_;
        };
        return std::make_unique<Progress>(answered_);
    }

private:
    bool answered_ = false;
};

// The page stream of a run shown in the preview: a temporary file, gone when
// the preview is closed (or the tool ends on a signal).
class PreviewFile {
public:
    PreviewFile() : path_(os::create_temp_file("report-run-")), cleanup_(path_) {}
    ~PreviewFile() { DeleteFile(path_); }
    PreviewFile(const PreviewFile&) = delete;
    PreviewFile& operator=(const PreviewFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    os::SignalCleanupPath cleanup_;
};

}  // namespace

int run_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    RunRequest request;
    int targets = 0;
    bool preview = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if ((a == "--db" || a == "--env" || a == "--pdf" || a == "--brp" || a == "--printer") && !has_value) {
            err << "report-tool run: " << a << " needs a value\n" << kRunUsage;
            return 2;
        }
        if (a == "--db") {
            request.database = args[++i];
        } else if (a == "--env") {
            const std::string& v = args[++i];
            const std::size_t eq = v.find('=');
            if (eq == std::string::npos || eq == 0) {
                err << "report-tool run: --env takes NAME=EXPR\n" << kRunUsage;
                return 2;
            }
            request.variables.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        } else if (a == "--preview") {
            request.target = RunTarget::PageStream;
            preview = true;
            ++targets;
        } else if (a == "--pdf" || a == "--brp" || a == "--printer") {
            request.target = a == "--pdf" ? RunTarget::Pdf : a == "--brp" ? RunTarget::PageStream : RunTarget::Printer;
            request.output = args[++i];
            ++targets;
        } else if (!a.empty() && a[0] != '-') {
            if (request.layout.empty()) request.layout = a;
            else request.chained.push_back(a);
        } else {
            err << "report-tool run: unexpected argument " << a << '\n' << kRunUsage;
            return 2;
        }
    }
    if (request.layout.empty() || targets != 1 || (request.output.empty() && !preview)) {
        err << kRunUsage;
        return 2;
    }
    if ((request.target == RunTarget::Pdf && wrong_output_format(request.output, {"pdf"}, err)) ||
        (request.target == RunTarget::PageStream && !preview && wrong_output_format(request.output, {"brp"}, err)))
        return 2;
    // The preview is refused before the run when no one could see it.
    if (preview && graphics::qt::is_headless()) {
        err << "report-tool: preview needs a display (DISPLAY or WAYLAND_DISPLAY)\n";
        return 1;
    }
    std::unique_ptr<PreviewFile> shown;
    if (preview) {
        shown = std::make_unique<PreviewFile>();
        request.output = shown->path();
    }
    Units units;
    InterruptibleHost host;
    core::ScopedService<core::HostServices*> installed{core::host_slot, &host};
    os::catch_interrupt();
    std::vector<std::string> uris;
    if (request.target == RunTarget::Printer && print::is_printer_uri(request.output)) uris.push_back(request.output);
    print::CupsPrintDevice device(uris);
    request.device = &device;
    // Each distinct expression error is told once, as it first happens; the
    // page shows the message wherever the value would be.
    std::set<std::tuple<std::string, std::string, std::string>> told;
    core::ScopedService<report::ExpressionErrorListener> listener{
        report::expression_error_slot, [&](const report::ExpressionError& e) {
            if (!told.emplace(e.owner, e.expression, e.message).second) return;
            err << "report-tool run: " << e.owner << ": expression \"" << e.expression << "\": " << e.message << '\n';
        }};
    const RunResult result = run_layout(request);
    out << "pages\t" << result.pages << '\n';
    if (result.cancelled)
        err << "report-tool run: the run was cancelled; the output holds the pages printed until then\n";
    if (shown) {
        // The viewer shows the layout's name; the tool returns when it is closed.
        const std::string viewer = os::executable_dir() + "report-preview";
        const std::string title = request.layout.substr(request.layout.rfind('/') + 1);
        int error = 0;
        const int status = os::run_program(viewer, {shown->path(), title}, &error);
        if (status < 0) {
            err << "report-tool: cannot run " << viewer << ": " << std::strerror(error) << '\n';
            return 1;
        }
        if (status != 0) return status;
    }
    if (result.cancelled) return 3;
    return told.empty() ? 0 : kExpressionErrorStatus;
}

int design_command(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    int zoom = 100;
    if (args.size() == 4 && args[2] == "--zoom") {
        const char* end = args[3].data() + args[3].size();
        const auto r = std::from_chars(args[3].data(), end, zoom);
        if (r.ec != std::errc() || r.ptr != end || zoom < 1 || zoom > 300) {
            err << "report-tool design: the zoom is a percentage from 1 to 300\n";
            return 2;
        }
    } else if (args.size() != 2) {
        err << kDesignUsage;
        return 2;
    }
    os::refuse_output_over_inputs(args[1], {args[0]});
    if (wrong_output_format(args[1], {"png"}, err)) return 2;
    Units units;
    Layout layout = read_layout(args[0]);
    TCustomBandReport& report = *layout.report;
    report.SetZoom(zoom);
    // A picture is 4 bytes a pixel: one larger than the pictures this
    // system reads and writes elsewhere is refused before it is made.
    constexpr long long kMaxDesignPixels = 1LL << 26;
    if (static_cast<long long>(std::max(report.Width(), 1)) * std::max(report.Height(), 1) > kMaxDesignPixels) {
        err << "report-tool design: a picture of " << report.Width() << " x " << report.Height()
            << " pixels is larger than the " << kMaxDesignPixels << " pixels allowed\n";
        return 1;
    }
    QImage image(std::max(report.Width(), 1), std::max(report.Height(), 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        graphics::qt::QtCanvas canvas(painter);
        paint_design(report, canvas);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw EWriteError("Stream write error");
    os::write_file(args[1], std::string_view(png.constData(), std::size_t(png.size())));
    return 0;
}

}  // namespace report::tool
