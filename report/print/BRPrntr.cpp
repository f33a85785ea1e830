#include "report/print/BRPrntr.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/core/ClassBuilder.h"
#include "platform/core/HostServices.h"
#include "platform/os/Process.h"

using namespace report;

bool report::StoredFileLoaded = false;

namespace {
// Pixels per inch of the reference screen that pages are recorded on.
constexpr double kScreenDpi = 96.0;
constexpr double kDefaultFactor = 0.37795;
// A printer that reports no resolution is drawn at this one.
constexpr int kFallbackDpi = 600;
}  // namespace

TClass TBRPrinter::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRPrinter, TPersistent>("TBRPrinter").Abstract().Build();
    return &info;
}

TBRPrinter::TBRPrinter(TObject* report, const TBRPrinterSettings* settings, graphics::PrintDevice* device)
    : report_(report) {
    if (settings) {
        settings_.UseStandardPrinter = settings->UseStandardprinter;
        settings_.MemoryLimit = settings->MemoryLimit;
    }
    if (settings_.UseStandardPrinter && device == nullptr) {
        printer_ = &::Printer();
        if (printer_->Papers().empty()) printer_->Refresh(DevicePaperTable());
    } else {
        settings_.UseStandardPrinter = false;
        own_printer_ = std::make_unique<TPrinter>(device, DevicePaperTable());
        printer_ = own_printer_.get();
        // A printer of its own starts on the one the application has
        // selected, when it lists that many; the settings then read that one.
        const int index = ::Printer().PrinterIndex();
        if (index >= 0 && index < printer_->PrinterCount()) printer_->SetPrinterIndex(index);
    }
    printers_present_ = printer_->PrinterCount() > 0;
    if (printers_present_) settings_.SetPrinter(printer_);
}

// Prints each kept page on the printer's job, begun with the first page in
// range. The job begins on the run's thread; its pages are drawn on a thread
// of its own, at most a few behind the run, which also ends the job or
// discards it (the fonts a job finds belong to the thread that found them).
class TBRPrinter::KeptPagePrinter : public TBRPageConsumer {
public:
    explicit KeptPagePrinter(TBRPrinter& printer) : printer_(printer) {}
    ~KeptPagePrinter() override { abandon(); }

    void PageKept(int number, std::unique_ptr<TMetafile> page) override {
        TBRPrinter& p = printer_;
        if ((p.FirstPage > 0 && number < p.FirstPage) || (p.LastPage > 0 && number > p.LastPage)) return;
        if (!started) {
            if (!p.printers_present_ && p.OutputFile.empty()) return;
            p.begin_stored_print(target_);
            started = true;
            if (os::available_processors() > 1) thread_ = std::thread([this] { draw_pages(); });
        }
        if (!thread_.joinable()) {
            draw(*page);
            return;
        }
        // Each side sleeps only when it must and is woken only when there
        // is some way to go: each wake-up costs.
        std::unique_lock lock(mutex_);
        while (pages_.size() >= kWaiting && !failure_) {
            run_waits_ = true;
            room_.wait(lock);
            run_waits_ = false;
        }
        if (failure_) std::rethrow_exception(failure_);
        pages_.push_back(std::move(page));
        if (drawer_waits_ && pages_.size() >= kWaiting / 4) ready_.notify_one();
    }
    // Draws the pages kept so far and ends the job; raises what the job
    // raised (it is discarded then).
    void finish() {
        if (!started) return;
        if (thread_.joinable()) {
            stop(false);
            if (failure_) std::rethrow_exception(failure_);
        } else {
            printer_.printer_->EndDoc();
        }
    }
    // Discards the job, and the pages not drawn yet.
    void abandon() {
        if (thread_.joinable()) stop(true);
        else if (started) discard();
    }
    bool started = false;

private:
    static constexpr size_t kWaiting = 8;

    void draw(const TMetafile& page) {
        if (drawn_++ > 0) printer_.printer_->NewPage();
        printer_.printer_->DrawMetafile(page, target_);
    }
    void discard() {
        try {
            if (printer_.printer_->Printing()) printer_.printer_->Abort();
        } catch (...) {
        }
    }
    // The drawing thread: every page, then the job's end (or its discard).
    void draw_pages() {
        std::unique_lock lock(mutex_);
        for (;;) {
            while (pages_.empty() && !ending_ && !abandoned_) {
                drawer_waits_ = true;
                ready_.wait(lock);
                drawer_waits_ = false;
            }
            if (abandoned_) break;
            if (pages_.empty()) {
                lock.unlock();
                try {
                    printer_.printer_->EndDoc();
                } catch (...) {
                    lock.lock();
                    failure_ = std::current_exception();
                }
                return;
            }
            std::unique_ptr<TMetafile> page = std::move(pages_.front());
            pages_.pop_front();
            if (run_waits_ && pages_.size() <= kWaiting / 2) room_.notify_one();
            lock.unlock();
            try {
                draw(*page);
            } catch (...) {
                lock.lock();
                failure_ = std::current_exception();
                room_.notify_all();
                break;
            }
            page.reset();
            lock.lock();
        }
        pages_.clear();
        lock.unlock();
        discard();
    }
    void stop(bool abandon) {
        {
            std::lock_guard lock(mutex_);
            (abandon ? abandoned_ : ending_) = true;
        }
        ready_.notify_all();
        thread_.join();
    }

    TBRPrinter& printer_;
    TRect target_{};
    int drawn_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<std::unique_ptr<TMetafile>> pages_;
    std::exception_ptr failure_;
    bool ending_ = false, abandoned_ = false;
    bool run_waits_ = false, drawer_waits_ = false;
};

TBRPrinter::~TBRPrinter() {
    alive_.end();
    abort_printing_as_kept();
    if (state_ != 0) {
        try {
            ResetOutput();
        } catch (...) {
        }
    }
    if (printer_->Printing() && own_printer_) {
        try {
            printer_->Abort();
        } catch (...) {
        }
    }
}

// ---------------------------------------------------------------- notices

void TBRPrinter::post(NoticeWindow* window, unsigned message, std::int64_t wParam) {
    if (!window) return;
    core::Lifeline<TBRPrinter>::Watch alive = alive_.watch();
    core::host().Post([alive, window, message, wParam] {
        TBRPrinter* self = *alive;
        // A window that was detached meanwhile gets nothing.
        if (self && (self->Preview == window || self->ReportWindow == window)) window->Notice(message, wParam, self);
    });
}

void TBRPrinter::NotifyPageAvailable(int count) {
    available_pages_ = count;
    post(Preview, BRM_PAGES_AVAILABLE, count);
}

void TBRPrinter::NotifyProgress(int percent) {
    last_progress_ = percent;
    post(Preview, BRM_PROGRESS, percent);
}

void TBRPrinter::SendCloseNotice() {
    if (ReportWindow) ReportWindow->Notice(BRM_PREVIEW_CLOSED, 0, this);
}

void TBRPrinter::SetShowingPreview(bool value) {
    if (showing_preview_ && !value) {
        if (state_ == 1) CancelOutput();
        if (OnAfterPreview) OnAfterPreview(this);
    }
    showing_preview_ = value;
}

// ---------------------------------------------------------------- geometry

// A file has no unprintable margins.
std::int32_t TBRPrinter::LeftWaste() const { return Destination == 1 && OutputFile.empty() ? settings_.LeftOffset() : 0; }
std::int32_t TBRPrinter::TopWaste() const { return Destination == 1 && OutputFile.empty() ? settings_.TopOffset() : 0; }

std::int32_t TBRPrinter::ToDeviceX(double x) const { return RoundEven((x - LeftWaste()) * x_factor_); }
std::int32_t TBRPrinter::ToDeviceWidth(double w) const { return RoundEven(w * x_factor_); }
std::int32_t TBRPrinter::ToDeviceY(double y) const { return RoundEven((y - TopWaste()) * y_factor_); }
std::int32_t TBRPrinter::ToDeviceHeight(double h) const { return RoundEven(h * y_factor_); }

std::int32_t TBRPrinter::PagePaperWidth() const {
    return settings_.Orientation() == poLandscape ? settings_.PaperLength() : settings_.PaperWidth();
}

std::int32_t TBRPrinter::PagePaperLength() const {
    return settings_.Orientation() == poLandscape ? settings_.PaperWidth() : settings_.PaperLength();
}

void TBRPrinter::screen_factors() {
    y_factor_ = kScreenDpi / 254.0;
    x_factor_ = y_factor_;
}

int TBRPrinter::device_dpi(bool x) const {
    const int settings_dpi = x ? settings_.PixelsPerX() : settings_.PixelsPerY();
    if (settings_dpi > 0) return settings_dpi;
    const int printer_dpi = x ? printer_->PixelsPerInchX() : printer_->PixelsPerInchY();
    return printer_dpi > 0 ? printer_dpi : kFallbackDpi;
}

void TBRPrinter::SetOpenPageNumber(int value) {
    if (open_page_ >= 1 && open_page_ <= page_count_) open_page_ = value;
}

// ---------------------------------------------------------------- output

void TBRPrinter::BeginOutput() {
    page_.reset();
    available_pages_ = 0;
    cancelled_ = false;
    if (Destination == 1) {
        printer_->OutputFile = OutputFile;
        settings_.ApplyToDevice();
    }
    if (state_ != 0) throw EBRError("BRPrinter not ready");
    page_count_ = 0;
    kept_pages_ = 0;
    open_page_ = 0;
    state_ = 1;
    if (Destination == 0) {
        page_list_.SetPageStream(std::make_unique<TBRStream>(settings_.MemoryLimit));
        screen_factors();
    } else {
        x_factor_ = printer_->PixelsPerInchX() / 254.0;
        y_factor_ = printer_->PixelsPerInchY() / 254.0;
        if (x_factor_ < 0.1) x_factor_ = kDefaultFactor;
        if (y_factor_ < 0.1) y_factor_ = kDefaultFactor;
    }
}

bool TBRPrinter::page_in_range() const {
    return !((FirstPage > 0 && page_count_ < FirstPage) || (LastPage > 0 && page_count_ > LastPage));
}

// Ends the metafile page being drawn: into the page list when keep, else away.
void TBRPrinter::finish_metafile_page(bool keep) {
    canvas_ = nullptr;
    page_canvas_.reset();  // closes the page
    if (page_) last_page_bytes_ = std::min<size_t>(page_->RecordedBytes().size(), 64u << 20);
    if (page_ && keep) {
        ++kept_pages_;
        if (store_pages_ || !consumer_) page_list_.AppendPage(*page_);
        if (consumer_) {
            page_objects_.clear();
            consumer_->PageKept(kept_pages_, std::move(page_));
            return;
        }
    }
    page_.reset();
    page_objects_.clear();
}

void TBRPrinter::start_metafile_page() {
    page_ = std::make_unique<TMetafile>();
    page_->SetWidth(ToDeviceWidth(PagePaperWidth()));
    page_->SetHeight(ToDeviceHeight(PagePaperLength()));
    // Pages of a run are much alike: room for a little more than the last.
    page_canvas_ = std::make_unique<TMetafileCanvas>(*page_, last_page_bytes_ + last_page_bytes_ / 8);
    canvas_ = page_canvas_.get();
    screen_factors();
    page_objects_.clear();
}

void TBRPrinter::start_printer_page() {
    if (!printer_->Printing()) {
        printer_->Title = Title;
        printer_->BeginDoc();
    }
    canvas_ = &printer_->Canvas();
    x_factor_ = printer_->PixelsPerInchX() / 254.0;
    y_factor_ = printer_->PixelsPerInchY() / 254.0;
    if (y_factor_ < 0.1) y_factor_ = 1.0;
}

void TBRPrinter::StartNewPage() {
    if (state_ != 1) throw EBRError("Illegal call to NewPage");
    if (open_page_ > 0) {
        if (Destination == 0) {
            finish_metafile_page(true);
        } else if (page_in_range()) {
            canvas_ = nullptr;
            page_objects_.clear();
            if (printer_->Printing() && page_count_ != LastPage) printer_->NewPage();
        } else {
            finish_metafile_page(false);
        }
        NotifyPageAvailable(available_pages_ + 1);
    }
    ++page_count_;
    ++open_page_;
    if (Destination == 0 || !page_in_range()) start_metafile_page();
    else start_printer_page();
}

void TBRPrinter::EndOutput() {
    if (state_ != 1) return;
    if (Destination == 1) {
        canvas_ = nullptr;
        finish_metafile_page(false);
        if (printer_->Printing()) printer_->EndDoc();
    } else if (page_count_ > 0) {
        finish_metafile_page(true);
    }
    state_ = 2;
    NotifyPageAvailable(available_pages_ + 1);
    core::host().ProcessMessages();
    if (Destination == 0) page_list_.FinishPageStreamHeader();
    else if (OnAfterPrint) OnAfterPrint(this);
}

void TBRPrinter::AbortOutput() {
    if (state_ != 1) return;
    if (Destination == 1) {
        finish_metafile_page(false);
        if (printer_->Printing()) printer_->Abort();
    } else {
        if (page_) finish_metafile_page(true);
        // The header names the pages the stream holds.
        if (page_list_.PageStream()) page_list_.FinishPageStreamHeader();
    }
    canvas_ = nullptr;
    state_ = 2;
}

void TBRPrinter::ResetOutput() {
    if (state_ == 1) CancelOutput();
    abort_printing_as_kept();
    canvas_ = nullptr;
    page_canvas_.reset();
    page_.reset();
    page_objects_.clear();
    if (printer_->Printing() && Destination == 1) printer_->Abort();
    page_list_.SetPageStream(nullptr);
    page_list_.ResetPageCount();
    state_ = 0;
}

std::unique_ptr<TMetafile> TBRPrinter::GetStoredPage(int n) {
    if ((state_ != 1 && state_ != 2) || n < 1 || n > page_list_.PageCount() || !page_list_.PageStream())
        return nullptr;
    return page_list_.ReadPage(n);
}

// ---------------------------------------------------------------- stored pages

void TBRPrinter::LoadPageStreamFile(const std::string& fileName) {
    if (state_ != 0) ResetOutput();
    page_list_.OpenStoredPages(fileName);
    page_count_ = page_list_.PageCount();
    screen_factors();
    if (page_count_ >= 1) {
        std::unique_ptr<TMetafile> first = page_list_.ReadPage(1);
        // The page in millimetres. It was recorded in whole pixels, so it
        // may be a fraction of a millimetre short of its paper: sizes within
        // 2 mm (half the 4 mm step the comparison allows) match.
        const double w = first->PageWidth() / x_factor_ / 10, h = first->PageHeight() / x_factor_ / 10;
        first.reset();
        auto near = [](double a, double b) { return std::fabs(a - b) <= 2.0; };
        bool matched = false;
        for (int i = 1; i <= int(TBRPaperSize::ESheet); ++i) {
            const PaperDimension& d = PaperDimensionTable[std::size_t(i)];
            if (near(w, d.Width) && near(h, d.Height)) {
                matched = SetPaperSize(TBRPaperSize(i)) || matched;
                SetOrientation(poPortrait);
            } else if (near(h, d.Width) && near(w, d.Height)) {
                matched = SetPaperSize(TBRPaperSize(i)) || matched;
                SetOrientation(poLandscape);
            }
        }
        // A page of no listed size is printed on a custom paper of its own
        // size, as it stands, rather than on the printer's paper.
        if (!matched && SetPaperSize(TBRPaperSize::Custom)) {
            SetPaperWidth(std::int32_t(std::lround(w * 10)));
            SetPaperLength(std::int32_t(std::lround(h * 10)));
            SetOrientation(poPortrait);
        }
    }
    state_ = 2;
    ExportHook = nullptr;
    loaded_from_file_ = true;
    report::StoredFileLoaded = true;
}

void TBRPrinter::SavePageStreamFile(const std::string& fileName) {
    if (state_ != 2 || !page_list_.PageStream()) return;
    page_list_.SaveStoredPages(fileName);
}

void TBRPrinter::PrintStoredPages() {
    if (ReportWindow && !loaded_from_file_ && !settings_.PrintMetafile && state_ == 2) {
        post(ReportWindow, BRM_PRINT_AGAIN, 0);
        return;
    }
    if (state_ != 2 || (!printers_present_ && OutputFile.empty())) return;
    // The pages to print lie within the stream: no blank sheets past its
    // end, and no job at all when nothing is left.
    const int first = std::max(FirstPage > 0 ? FirstPage : 1, 1);
    const int last = std::min(LastPage > 0 ? LastPage : page_list_.PageCount(), page_list_.PageCount());
    if (first > last) return;

    TRect target;
    begin_stored_print(target);
    try {
        cancelled_ = false;
        auto progress = core::host().BeginProgress(Title);
        for (int p = first; p <= last; ++p) {
            core::host().ProcessMessages();
            const int percent = RoundEven(double(p - first + 1) / (last - first + 1) * 100);
            NotifyProgress(percent);
            if (!progress->Step(percent, "Page " + std::to_string(p))) CancelOutput();
            if (cancelled_) break;
            open_page_ = p;
            std::unique_ptr<TMetafile> page = GetStoredPage(p);
            if (page) printer_->DrawMetafile(*page, target);
            if (p < last) printer_->NewPage();
        }
        if (cancelled_) printer_->Abort();
        else printer_->EndDoc();
    } catch (...) {
        if (printer_->Printing()) printer_->Abort();
        throw;
    }
}

// Begins the printer's job for stored pages; target: where a page is drawn.
void TBRPrinter::begin_stored_print(TRect& target) {
    if (printer_->Printing()) printer_->Abort();
    printer_->Title = Title;
    printer_->OutputFile = OutputFile;
    // A file without a printer still gets the paper and orientation.
    if (!settings_.Printer()) settings_.SetPrinter(printer_);
    settings_.ApplyToDevice();
    printer_->BeginDoc();
    const double px = device_dpi(true) / 254.0, py = device_dpi(false) / 254.0;
    const int left = OutputFile.empty() ? settings_.LeftOffset() : 0;
    const int top = OutputFile.empty() ? settings_.TopOffset() : 0;
    target = TRect{-RoundEven(left * px), -RoundEven(top * py), RoundEven((PagePaperWidth() - left) * px),
                   RoundEven((PagePaperLength() - top) * py)};
}

void TBRPrinter::PrintAsKept(bool store) {
    abort_printing_as_kept();
    kept_printer_ = std::make_unique<KeptPagePrinter>(*this);
    consumer_ = kept_printer_.get();
    store_pages_ = store;
}

bool TBRPrinter::FinishPrintingAsKept() {
    if (!kept_printer_) return false;
    if (consumer_ == kept_printer_.get()) consumer_ = nullptr;
    store_pages_ = true;
    const std::unique_ptr<KeptPagePrinter> kept = std::move(kept_printer_);
    kept->finish();
    return kept->started;
}

void TBRPrinter::abort_printing_as_kept() {
    if (!kept_printer_) return;
    if (consumer_ == kept_printer_.get()) consumer_ = nullptr;
    store_pages_ = true;
    kept_printer_.reset();  // discards its job
}

void TBRPrinter::SetOutline(TBROutlineNodes* nodes) {
    outline_ = nodes;
    page_list_.Outline().SetOutlineTreeNodes(nodes);
}

void TBRPrinter::SelectPrinter(int index) {
    if (!printers_present_ || settings_.UseStandardPrinter) return;
    printer_->SetPrinterIndex(index);
    settings_.LoadFromDevice();
}
