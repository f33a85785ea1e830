#include "report/engine/ReportRun.h"

#include "platform/core/FormResource.h"
#include "platform/core/HostServices.h"
#include "platform/data/ADODB.h"
#include "platform/data/DBErrors.h"
#include "platform/data/DBTables.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Printers.h"
#include "platform/os/ReplacingFile.h"
#include "report/bands/BandRpt.h"
#include "report/bands/BandRptChain.h"

#include <algorithm>
#include <functional>

namespace report {

namespace {

// A print device without destinations: the run's paper is the layout's,
// never a printer's. Jobs to a file go to the device underneath, if any.
class FileOnlyDevice : public graphics::PrintDevice {
public:
    explicit FileOnlyDevice(graphics::PrintDevice* files) : files_(files) {}
    std::vector<graphics::DestinationInfo> Destinations(std::span<const graphics::PaperSizeRow>) override {
        return {};
    }
    std::unique_ptr<graphics::DeviceJob> StartJob(const graphics::DestinationInfo* destination,
                                                  const graphics::JobSettings& settings) override {
        if (!files_) throw EPrinter("There is no printer");
        return files_->StartJob(destination, settings);
    }

private:
    graphics::PrintDevice* files_;
};

// Every component `root` owns, and what those own, depth first.
void each_owned(TComponent* root, const std::function<void(TComponent*)>& f) {
    for (int i = 0; i < root->ComponentCount(); ++i) {
        TComponent* c = root->Components(i);
        f(c);
        each_owned(c, f);
    }
}

// The run's progress notices shown through the host's progress service; a
// cancel there cancels the run, which stops at its next record.
class HostProgress : public NoticeWindow {
public:
    HostProgress(TCustomBandReport& report, const std::string& caption)
        : report_(report), monitor_(core::host().BeginProgress(caption)) {}
    void Notice(unsigned message, std::int64_t wParam, TBRPrinter*) override {
        if (message != BRM_PROGRESS || !monitor_ || wParam == last_) return;
        last_ = wParam;
        if (!monitor_->Step(int(wParam), std::to_string(wParam) + "% Completed")) report_.CancelRun();
    }

private:
    TCustomBandReport& report_;
    std::unique_ptr<core::ProgressMonitor> monitor_;
    std::int64_t last_ = -1;
};

}  // namespace

Layout read_layout(const std::string& file) {
    Layout layout;
    {
        // A report reads: a dataset that opens as it is read already does.
        data::ReadOnlyComponents reads_only;
        layout.root.reset(core::read_component_file(file, nullptr));
    }
    layout.report = dynamic_cast<TCustomBandReport*>(layout.root.get());
    if (!layout.report) throw EReadError("Not a report layout: " + file);
    // A negative margin or column space would put the bands off the paper
    // (a blank page that looks like a run's): refused with the layout.
    const TBRPage& page = *layout.report->Page();
    const std::pair<const char*, long double> lengths[] = {
        {"BottomMargin", page.BottomMargin()}, {"TopMargin", page.TopMargin()},
        {"LeftMargin", page.LeftMargin()},     {"RightMargin", page.RightMargin()},
        {"ColumnSpace", page.ColumnSpace()},
    };
    for (const auto& [name, value] : lengths)
        if (value < 0)
            throw EReadError("Error reading " + layout.report->Name() + ".Page." + name +
                             ": a length cannot be negative (" + file + ")");
    return layout;
}

void open_datasets(Layout& layout, const std::string& database) {
    std::vector<TDataSet*> datasets;
    each_owned(layout.root.get(), [&](TComponent* c) {
        if (auto* ds = dynamic_cast<TDataSet*>(c)) datasets.push_back(ds);
        // A report reads, whatever its datasets' classes and databases.
        if (auto* connection = dynamic_cast<TADOConnection*>(c)) connection->SetReadOnly(true);
        if (auto* query = dynamic_cast<TADOQuery*>(c)) query->SetReadOnly(true);
        if (auto* db_set = dynamic_cast<TDBDataSet*>(c)) db_set->SetReadOnlyDatabase(true);
    });
    // --db is a file, whatever its name holds, unless it is a connection
    // string (DRIVER=..., DSN=..., Data Source=...).
    const bool connection_string = data::is_connection_string(database);
    auto require_database = [&](const TDataSet* ds) {
        if (database.empty())
            throw EDatabaseError(ds->Name() + ": the query names no database and none was given");
        if (connection_string) return;
        if (!FileExists(database)) throw EDatabaseError("No such database: " + database);
        data::check_database_file(database);
    };
    TADOConnection* shared = nullptr;
    for (TDataSet* ds : datasets) {
        if (auto* db_set = dynamic_cast<TDBDataSet*>(ds); db_set && db_set->DatabaseName().empty()) {
            require_database(db_set);
            db_set->SetDatabaseName(database);
            continue;
        }
        auto* query = dynamic_cast<TADOQuery*>(ds);
        if (query && !query->Connection()) {
            require_database(query);
            if (!shared) {
                shared = new TADOConnection(layout.root.get());
                shared->SetReadOnly(true);
                // StepAPI: rows come as SQLite steps through them. The file
                // goes to the driver as a read-only URI, so no character of
                // its name can end the value early or make a new file.
                shared->SetConnectionString(connection_string ? database
                                                              : "DRIVER=SQLite3;StepAPI=1;Database=" +
                                                                    data::sqlite_read_only_uri(database));
            }
            query->SetConnection(shared);
        }
    }
    // A parameter that no report variable fills must have a value of its
    // own: a query run with a NULL in its place would silently find nothing.
    TBREvEnvironment* variables = layout.report->Functions();
    for (TDataSet* ds : datasets) {
        auto* query = dynamic_cast<TQuery*>(ds);
        if (!query) continue;
        TParams* params = query->Params();
        for (int i = 0; i < params->Count(); ++i)
            if (params->Items(i)->IsNull() && variables->IndexOf(UpperCase(params->Items(i)->Name())) < 0)
                report::CheckQueryParameters(*query);
    }
    for (TDataSet* ds : datasets)
        if (!ds->Active()) ds->Open();
}

namespace {

// The run of run_to_page_stream; pdf: the file its pages are also printed
// into as they are kept (empty: none).
int run_report(TCustomBandReport& report, graphics::PrintDevice* device, bool* cancelled, const std::string& pdf) {
    FileOnlyDevice none(nullptr);
    report.CreateRunPrinter(device ? device : &none);
    TBRPrinter& printer = *report.ReportPrinter();
    printer.Destination = 0;
    if (!pdf.empty()) {
        printer.OutputFile = pdf;
        printer.PrintAsKept(false);
    }
    std::unique_ptr<HostProgress> progress;
    if (report.ShowProgress) progress = std::make_unique<HostProgress>(report, report.ReportTitle);
    printer.Preview = progress.get();
    try {
        report.RunReport();
    } catch (...) {
        if (report.ReportPrinter() == &printer) printer.Preview = nullptr;
        throw;
    }
    printer.Preview = nullptr;
    const bool stopped = printer.Cancelled() || report.CancelRequested();
    if (printer.State() != 2 || (stopped && !cancelled)) throw EBRError("The report run did not finish");
    if (cancelled) *cancelled = stopped;
    return printer.PageCount();
}

}  // namespace

int run_to_page_stream(TCustomBandReport& report, graphics::PrintDevice* device, bool* cancelled) {
    return run_report(report, device, cancelled, {});
}

RunResult run_layout(const RunRequest& request) {
    if (request.target != RunTarget::Printer) {
        std::vector<std::string> inputs{request.layout};
        inputs.insert(inputs.end(), request.chained.begin(), request.chained.end());
        if (!request.database.empty()) inputs.push_back(request.database);
        os::refuse_output_over_inputs(request.output, inputs);
    }
    std::vector<Layout> layouts;
    layouts.push_back(read_layout(request.layout));
    for (const std::string& file : request.chained) layouts.push_back(read_layout(file));
    for (Layout& layout : layouts) {
        // The command line wins over the layout's own entry of a name; of a
        // name given twice, the last.
        for (const auto& [name, text] : request.variables) {
            layout.report->Functions()->RemoveEntry(UpperCase(name));
            layout.report->Functions()->DefineEntry(name, text);
        }
        open_datasets(layout, request.database);
    }
    TCustomBandReport& report = *layouts.front().report;

    FileOnlyDevice file_only(request.device);
    graphics::PrintDevice* device = &file_only;
    if (request.target == RunTarget::Printer) {
        if (!request.device) throw EPrinter("There is no printer");
        device = request.device;
        TPrinter probe(device);
        const std::vector<std::string> names = probe.Printers();
        const auto it = std::find(names.begin(), names.end(), request.output);
        if (it == names.end()) throw EPrinter("Unknown printer \"" + request.output + "\"");
        report.PrinterSettings()->PrinterIndex = int(it - names.begin());
    }
    if (request.target == RunTarget::Pdf && !request.device) throw EPrinter("There is no print device to write a PDF");
    // A PDF is written as the run keeps its pages, and finished (fonts,
    // the page tree) when the run has ended; a run that fails leaves the
    // old file as it was.
    const std::string pdf = request.target == RunTarget::Pdf ? request.output : std::string();
    ReportChain chain;
    RunResult result;
    TBRPrinter* run_printer = nullptr;
    if (layouts.size() == 1) {
        result.pages = run_report(report, device, &result.cancelled, pdf);
        run_printer = report.ReportPrinter();
    } else {
        // The chain takes the first layout's paper and printer settings.
        chain.PrinterSettings()->Assign(report.PrinterSettings());
        chain.PrinterSettings()->PaperSize = report.Page()->PaperSize();
        chain.PrinterSettings()->Orientation = report.Page()->Orientation();
        chain.PrinterSettings()->Title = report.ReportTitle;
        chain.OnFillList = [&](TObject*) {
            for (Layout& layout : layouts) chain.Reports.push_back(layout.report);
        };
        TBRPrinter& printer = chain.EnsurePrinter(device);
        printer.Destination = 0;
        if (!pdf.empty()) {
            printer.OutputFile = pdf;
            printer.PrintAsKept(false);
        }
        chain.RunReportChain(device);
        run_printer = chain.ChainPrinter();
        if (!run_printer || run_printer->State() != 2 || run_printer->Cancelled())
            throw EBRError("The report run did not finish");
        result.pages = run_printer->PageCount();
    }
    // A run without pages writes nothing: an old output must not pass for
    // this run's, and a PDF cannot hold no page.
    if (result.pages == 0) {
        const std::string what = request.target == RunTarget::Printer ? "nothing was printed"
                                                                       : "nothing was written to \"" + request.output + "\"";
        throw EBRError(result.cancelled ? "The run was cancelled before its first page: " + what
                                        : "The report printed no page: " + what);
    }
    TBRPrinter& printer = *run_printer;
    switch (request.target) {
    case RunTarget::PageStream:
        printer.SavePageStreamFile(request.output);
        break;
    case RunTarget::Pdf:
        printer.FinishPrintingAsKept();
        break;
    case RunTarget::Printer:
        printer.PrintStoredPages();
        break;
    }
    // (A PDF's job was the run's: its cancel kept the pages so far.)
    if (request.target == RunTarget::Printer && printer.Cancelled())
        throw EBRError("The pages were not printed: printing was cancelled");
    return result;
}

// ----------------------------------------------------------- design surface

namespace {

// A canvas that draws on another one, shifted by an offset and clipped to
// a rectangle there: a control paints in its own pixels.
class OffsetCanvas : public TCanvas {
public:
    OffsetCanvas(TCanvas& inner, int dx, int dy, const TRect& clip) : inner_(inner), dx_(dx), dy_(dy), clip_(clip) {
        inner_.SetClipRect(clip_);
    }
    ~OffsetCanvas() override { inner_.ResetClip(); }

    TColor Pixel(int x, int y) const override { return inner_.Pixel(x + dx_, y + dy_); }
    void StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode,
                       const std::function<bool(int, int)>& skip = {}) override {
        inner_.StretchBitmap(shift(dest), source, sourceRect, mode, skip);
    }

protected:
    void DoSetPixel(int x, int y, TColor color) override { inner_.SetPixel(x + dx_, y + dy_, color); }
    void DoFillRect(const TRect& rect, TColor color) override {
        inner_.Brush.Style = bsSolid;
        inner_.Brush.Color = color;
        inner_.FillRect(shift(rect));
    }
    void DoLine(TPoint from, TPoint to) override {
        inner_.Pen.Assign(&Pen);
        inner_.MoveTo(from.X + dx_, from.Y + dy_);
        inner_.LineTo(to.X + dx_, to.Y + dy_);
    }
    void DoShape(const TRect& rect, int cw, int ch) override {
        inner_.Pen.Assign(&Pen);
        inner_.Brush.Assign(&Brush);
        const TRect r = shift(rect);
        if (cw == 0 && ch == 0) inner_.Rectangle(r);
        else if (cw == rect.Width() && ch == rect.Height()) inner_.Ellipse(r.Left, r.Top, r.Right, r.Bottom);
        else inner_.RoundRect(r.Left, r.Top, r.Right, r.Bottom, cw, ch);
    }
    void DoText(int x, int y, std::string_view text) override {
        inner_.Font.Assign(&Font);
        inner_.Brush.Style = bsClear;
        inner_.TextAlign = TA_LEFT | TA_TOP;
        inner_.TextOut(x + dx_, y + dy_, text);
    }
    void ClipChanged() override {
        TRect c = clip_;
        if (ClipRect()) {
            const TRect own = shift(*ClipRect());
            c = TRect{std::max(c.Left, own.Left), std::max(c.Top, own.Top), std::min(c.Right, own.Right),
                      std::min(c.Bottom, own.Bottom)};
        }
        inner_.SetClipRect(c);
    }

private:
    TRect shift(const TRect& r) const { return TRect{r.Left + dx_, r.Top + dy_, r.Right + dx_, r.Bottom + dy_}; }
    TCanvas& inner_;
    int dx_, dy_;
    TRect clip_;
};

void paint_children(Control& parent, TCanvas& canvas, int dx, int dy, const TRect& clip) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        Control& c = *parent.Controls(i);
        const int x = dx + c.Left(), y = dy + c.Top();
        const TRect r{std::max(clip.Left, x), std::max(clip.Top, y), std::min(clip.Right, x + c.Width()),
                      std::min(clip.Bottom, y + c.Height())};
        if (r.Left >= r.Right || r.Top >= r.Bottom) continue;
        {
            OffsetCanvas own(canvas, x, y, r);
            c.Paint(own);
        }
        paint_children(c, canvas, x, y, r);
    }
}

}  // namespace

void paint_design(TCustomBandReport& report, TCanvas& canvas) {
    report.Paint(canvas);
    paint_children(report, canvas, 0, 0, report.ClientRect());
}

}  // namespace report
