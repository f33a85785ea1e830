#pragma once
// The headless run of a stored report layout: what tools and tests call.
// A layout is a form resource whose root is a report (TBandReport); the
// datasets it holds are opened before the run, those that name no database
// on the SQLite file given. The run lays the bands out on the paper and
// orientation the layout stores and ends in a page stream, a PDF or a
// printer. Nothing here needs a screen; a PDF or a printer needs a print
// device (platform/print's CUPS device in the tools).

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Classes.h"

class TCanvas;
class TCustomBandReport;
namespace graphics {
class PrintDevice;
}

namespace report {

// A layout read from its file, with the components it owns.
struct Layout {
    std::unique_ptr<TComponent> root;
    TCustomBandReport* report = nullptr;
};

// Reads a layout: EReadError "Not a report layout: FILE" when its root is no
// report; the reader's own errors for a damaged file or an unknown class.
Layout read_layout(const std::string& file);

// Opens the layout's datasets: a query without a connection, and a query or
// table that names no database, read `database` (an SQLite file;
// EDatabaseError when none is given or it does not exist).
void open_datasets(Layout& layout, const std::string& database);

enum class RunTarget { PageStream, Pdf, Printer };

struct RunRequest {
    std::string layout;     // the layout file
    // Further layouts run after it as one chain: one output, one page
    // numbering, the last page ended by the last layout.
    std::vector<std::string> chained;
    std::string database;   // SQLite file for datasets that name none
    // Report variables NAME=EXPR defined in the report's environment.
    std::vector<std::pair<std::string, std::string>> variables;
    RunTarget target = RunTarget::PageStream;
    // The page stream or PDF file (replaced whole, or left as it was when
    // the run fails), or the printer's name.
    std::string output;
    // The device of a PDF or a printer.
    graphics::PrintDevice* device = nullptr;
};

struct RunResult {
    int pages = 0;
    // The run was cancelled through the host's progress: the target holds
    // the pages printed until then.
    bool cancelled = false;
};

// Runs a layout into its target. Raises on every failure, before the target
// is touched: an output that is one of the inputs, and a run that prints no
// page (EBRError), are failures. While the report's ShowProgress is set, the run's progress
// goes to the host's progress service, and a cancel there stops the run at
// the next record. A PDF is written as the run keeps its pages (drawn on a
// thread of their own, a few pages behind) and finished when the run ends:
// a cancelled run's PDF holds the pages printed until then, a failed run
// leaves the old file as it was.
RunResult run_layout(const RunRequest& request);

// Runs a report that is already read into its printer's page stream (made
// on `device`, which gives no printers when nullptr); answers the pages.
// A cancelled run raises EBRError, unless `cancelled` is given: then it is
// set and the pages printed so far are kept.
int run_to_page_stream(TCustomBandReport& report, graphics::PrintDevice* device = nullptr, bool* cancelled = nullptr);

// Paints the report's design surface (the report with its rulers, margins,
// page frame and column marks, then every band and control on it at its
// place) on a canvas of the report's size.
void paint_design(TCustomBandReport& report, TCanvas& canvas);

}  // namespace report
