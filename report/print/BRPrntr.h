#pragma once
// TBRPrinter: the output device of a report run. The report draws each page
// on Canvas() in device pixels (ToDeviceX/Y/Width/Height convert its tenths
// of a millimetre) and calls StartNewPage between pages. Destination 0
// collects the pages as metafiles in a page stream (preview, saving,
// printing later); destination 1 draws them straight on the printer, pages
// outside FirstPage..LastPage going to discarded metafiles.
//
// States: 0 idle, 1 running, 2 finished.
//   idle     --BeginOutput-->                       running
//   running  --EndOutput / AbortOutput-->           finished
//   idle, finished --LoadPageStreamFile-->          finished
//   finished --ResetOutput-->                       idle
//
// Notices to the preview (page-available and progress) are posted to the
// application's message loop, or delivered at once where there is none.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Lifeline.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Printers.h"
#include "report/pages/BRPageStream.h"
#include "report/print/BRPrnSu.h"

// Misuse of the printer engine ("BRPrinter not ready", "Illegal call to NewPage").
TAMBLERO_EXCEPTION(EBRError, Exception)

class TBRPrinter;

// Takes each page a run keeps in its page stream, as it is kept (after it
// joined the page list), on the run's thread. What it raises stops the run.
class TBRPageConsumer {
public:
    virtual ~TBRPageConsumer() = default;
    // number: the page's number in the page list, from 1; the page is the
    // consumer's from now on.
    virtual void PageKept(int number, std::unique_ptr<TMetafile> page) = 0;
};

namespace report {

// The notices of the engine.
constexpr unsigned WM_USER = 0x400;
constexpr unsigned BRM_PROGRESS = WM_USER;            // wParam: percent
constexpr unsigned BRM_PAGES_AVAILABLE = WM_USER + 1; // wParam: pages available
constexpr unsigned BRM_PRINT_AGAIN = WM_USER + 2;     // to the report window
constexpr unsigned BRM_PREVIEW_CLOSED = WM_USER + 4;  // to the report window; lParam: the printer

// A window that takes the engine's notices: a preview, a progress form, a
// report window. wParam is a full int (page numbers are never cut).
class NoticeWindow {
public:
    virtual ~NoticeWindow() = default;
    virtual void Notice(unsigned message, std::int64_t wParam, TBRPrinter* lParam) = 0;
};

}  // namespace report

class TBRPrinter : public TPersistent {
public:
    // report: the report that owns the printer (nothing for a printer of its
    // own); settings: that report's printer settings, from which
    // UseStandardprinter and MemoryLimit are taken. device: the print device
    // of the printer object (nullptr: the installed one).
    explicit TBRPrinter(TObject* report = nullptr, const TBRPrinterSettings* settings = nullptr,
                        graphics::PrintDevice* device = nullptr);
    ~TBRPrinter() override;
    TBRPrinter(const TBRPrinter&) = delete;
    TBRPrinter& operator=(const TBRPrinter&) = delete;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    // Life cycle.
    void BeginOutput();   // EBRError "BRPrinter not ready" unless idle
    void StartNewPage();  // EBRError "Illegal call to NewPage" unless running
    void EndOutput();     // nothing unless running
    void CancelOutput() { cancelled_ = true; }
    // Ends a running output early: the printer's job is discarded; a page
    // stream keeps the pages so far, its header rewritten to their count.
    void AbortOutput();
    void ResetOutput();
    bool Cancelled() const { return cancelled_; }
    int State() const { return state_; }

    // Page n of the stream as a new metafile; nothing unless running or
    // finished with 1 <= n <= page count.
    std::unique_ptr<TMetafile> GetStoredPage(int n);
    // Reads a stored stream and guesses paper and orientation from page 1.
    void LoadPageStreamFile(const std::string& fileName);
    // Writes the stream to a file (only when finished).
    void SavePageStreamFile(const std::string& fileName);
    // Prints the stored pages FirstPage..LastPage (0: open ends) on the
    // printer, within the stored count, with progress and cancel. Only when
    // finished, with printers present or an output file set.
    void PrintStoredPages();
    // Prints the pages a run into the page stream keeps on the printer (or
    // into OutputFile) as they are kept, rather than after the run as
    // PrintStoredPages does: set before the run. The job begins with the
    // first page within FirstPage..LastPage, each page as PrintStoredPages
    // draws it, on a thread of its own a few pages behind the run (none
    // when this process may use one processor only: drawn as kept).
    // FinishPrintingAsKept ends the job (a cancelled run's job holds the
    // pages kept until then), raises what the job raised, and answers
    // whether there was one; a job not finished is discarded when the
    // output is reset or the printer goes. The run's progress is the job's:
    // there is no second one. store: the pages also join the page stream
    // (false: they go to the job only, and the stream stays empty).
    void PrintAsKept(bool store = true);
    bool FinishPrintingAsKept();
    // The consumer of the pages kept from now on (nullptr: none; the caller
    // keeps it alive while set). PrintAsKept sets one of the printer's own.
    void SetPageConsumer(TBRPageConsumer* consumer) { consumer_ = consumer; }

    // Selects printer index on the own printer object and reads its settings.
    void SelectPrinter(int index);

    // Notices.
    void NotifyPageAvailable(int count);
    void NotifyProgress(int percent);
    void SendCloseNotice();
    void SetShowingPreview(bool value);
    bool ShowingPreview() const { return showing_preview_; }

    // Report coordinates (0.1 mm) to device pixels.
    std::int32_t ToDeviceX(double x) const;
    std::int32_t ToDeviceWidth(double w) const;
    std::int32_t ToDeviceY(double y) const;
    std::int32_t ToDeviceHeight(double h) const;
    double XFactor() const { return x_factor_; }
    double YFactor() const { return y_factor_; }
    // The paper in 0.1 mm, turned for landscape.
    std::int32_t PagePaperWidth() const;
    std::int32_t PagePaperLength() const;

    // Where the current page is drawn (nothing outside a page).
    TCanvas* Canvas() const { return canvas_; }
    // Objects the current page owns, freed when the page ends.
    void AddPageObject(std::unique_ptr<TObject> object) { page_objects_.push_back(std::move(object)); }

    // Pass-through to the settings and the page list.
    TPrinterSettings& Settings() { return settings_; }
    const TPrinterSettings& Settings() const { return settings_; }
    TBRPageList& PageList() { return page_list_; }
    TPrinter& Printer() { return *printer_; }
    void SetCompression(bool value) { page_list_.SetCompression(value); }
    TPrinterOrientation Orientation() const { return settings_.Orientation(); }
    bool SetOrientation(TPrinterOrientation value) { return settings_.SetOrientation(value); }
    TBRPaperSize PaperSize() const { return settings_.PaperSize(); }
    bool SetPaperSize(TBRPaperSize value) { return settings_.SetPaperSize(value); }
    bool SetOutputBin(TBRBin value) { return settings_.SetOutputBin(value); }
    bool SetCopies(std::int32_t value) { return settings_.SetCopies(value); }
    bool SetDuplex(bool value) { return settings_.SetDuplex(value); }
    void SetPaperWidth(std::int32_t value) { settings_.SetPaperWidth(value); }
    void SetPaperLength(std::int32_t value) { settings_.SetPaperLength(value); }
    // The outline view: its nodes show the page list's outline from now on
    // (nullptr: none; the caller keeps them alive while set).
    void SetOutline(TBROutlineNodes* nodes);
    bool PrintersPresent() const { return printers_present_; }

    // 0: page stream, 1: printer.
    std::uint8_t Destination = 0;
    std::int32_t FirstPage = 0, LastPage = 0;
    std::string Title;
    // Where a printed job goes instead of the printer: a PDF file kept whole
    // (written beside it and renamed over it when the job ends).
    std::string OutputFile;

    int PageCount() const { return page_count_; }
    int AvailablePages() const { return available_pages_; }
    int OpenPageNumber() const { return open_page_; }
    // Taken only within 1..page count.
    void SetOpenPageNumber(int value);
    int LastProgress() const { return last_progress_; }
    bool LoadedFromFile() const { return loaded_from_file_; }
    // Waste: the printer's unprintable margins while printing, else 0.
    std::int32_t LeftWaste() const;
    std::int32_t TopWaste() const;

    TObject* ParentReport() const { return report_; }
    // Tells whether the printer still exists: the pointer it holds becomes
    // null when the printer is destroyed. A window that keeps a printer keeps
    // this and reads the printer only while it is set.
    core::Lifeline<TBRPrinter>::Watch AliveToken() const { return alive_.watch(); }
    report::NoticeWindow* Preview = nullptr;
    report::NoticeWindow* ReportWindow = nullptr;
    std::function<void(TObject* Sender)> OnAfterPrint;
    std::function<void(TObject* Sender)> OnAfterPreview;
    std::function<void(TObject* filter)> ExportHook;
    void CallExportHook(TObject* filter) {
        if (ExportHook) ExportHook(filter);
    }

private:
    bool page_in_range() const;
    void finish_metafile_page(bool keep);
    void begin_stored_print(TRect& target);
    void abort_printing_as_kept();
    class KeptPagePrinter;
    void start_metafile_page();
    void start_printer_page();
    void screen_factors();
    void post(report::NoticeWindow* window, unsigned message, std::int64_t wParam);
    int device_dpi(bool x) const;

    TObject* report_ = nullptr;
    TPrinterSettings settings_;
    std::unique_ptr<TPrinter> own_printer_;
    TPrinter* printer_ = nullptr;
    TBRPageList page_list_;
    TBROutlineNodes* outline_ = nullptr;
    bool printers_present_ = false;
    bool cancelled_ = false;
    bool showing_preview_ = false;
    bool loaded_from_file_ = false;
    int state_ = 0;
    int page_count_ = 0;
    int open_page_ = 0;
    int available_pages_ = 0;
    int last_progress_ = 0;
    double x_factor_ = 0.37795, y_factor_ = 0.37795;
    std::unique_ptr<TMetafile> page_;
    std::unique_ptr<TMetafileCanvas> page_canvas_;
    TCanvas* canvas_ = nullptr;
    std::vector<std::unique_ptr<TObject>> page_objects_;
    TBRPageConsumer* consumer_ = nullptr;
    bool store_pages_ = true;
    size_t last_page_bytes_ = 0;
    int kept_pages_ = 0;
    std::unique_ptr<KeptPagePrinter> kept_printer_;
    // Shared with posted notices, which are dropped once the printer is gone.
    core::Lifeline<TBRPrinter> alive_{this};
};

// Whether a stored stream was loaded into a printer since the last report was created.
namespace report {
extern bool StoredFileLoaded;
}  // namespace report
