#include "platform/graphics/Printers.h"

#include <algorithm>
#include <cmath>

namespace graphics {
PrintDevice* print_device() { return print_device_slot.get(); }

int match_paper(std::span<const PaperSizeRow> table, double width_mm, double height_mm) {
    for (const PaperSizeRow& row : table)
        if (std::fabs(row.WidthMM - width_mm) < 1.0 && std::fabs(row.HeightMM - height_mm) < 1.0) return row.Code;
    return 0;
}

}  // namespace graphics

using namespace graphics;

namespace {
constexpr int kFileDpi = 600;

int to_pixels(double mm, int dpi) { return int(std::lround(mm / 25.4 * dpi)); }
}  // namespace

TPrinter::TPrinter(PrintDevice* device, std::vector<PaperSizeRow> papers)
    : device_(device ? device : print_device()) {
    Refresh(std::move(papers));
}

TPrinter::~TPrinter() {
    if (job_) job_->Abort();
}

void TPrinter::Refresh(std::vector<PaperSizeRow> papers) {
    papers_ = std::move(papers);
    destinations_ = device_ ? device_->Destinations(papers_) : std::vector<DestinationInfo>{};
    index_ = default_index();
    ResetDevMode();
}

int TPrinter::default_index() const {
    for (std::size_t i = 0; i < destinations_.size(); ++i)
        if (destinations_[i].IsDefault) return int(i);
    return destinations_.empty() ? -1 : 0;
}

std::vector<std::string> TPrinter::Printers() const {
    std::vector<std::string> names;
    for (const DestinationInfo& d : destinations_) names.push_back(d.Name);
    return names;
}

const DestinationInfo* TPrinter::Destination() const { return index_ >= 0 ? &destinations_[std::size_t(index_)] : nullptr; }

void TPrinter::SetPrinterIndex(int index) {
    if (index == -1 && PrinterCount() > 0) index = default_index();
    if (index < 0 || index >= PrinterCount()) throw EPrinter("Printer index out of range");
    if (Printing()) throw EPrinter("Printing in progress");
    index_ = index;
    ResetDevMode();
}

std::string TPrinter::Device() const { return Destination() ? Destination()->Name : std::string(); }
std::string TPrinter::Driver() const { return Destination() ? Destination()->Driver : std::string(); }
std::string TPrinter::Port() const { return Destination() ? Destination()->Port : std::string(); }

void TPrinter::ResetDevMode() { mode_ = Destination() ? Destination()->Defaults : TDeviceMode{}; }

int TPrinter::PixelsPerInchX() const {
    const DestinationInfo* d = Destination();
    return d ? d->DpiX : kFileDpi;
}

int TPrinter::PixelsPerInchY() const {
    const DestinationInfo* d = Destination();
    return d ? d->DpiY : kFileDpi;
}

// The destination's paper the device mode names (by code), if it offers it.
const MediaInfo* TPrinter::current_media() const {
    const DestinationInfo* d = Destination();
    if (!d || (mode_.Fields & DM_PAPERSIZE) == 0 || mode_.PaperSize == 0 || mode_.PaperSize == DMPAPER_USER)
        return nullptr;
    for (const MediaInfo& m : d->Media)
        if (m.Code == mode_.PaperSize) return &m;
    return nullptr;
}

// The paper as it stands, in millimetres.
double TPrinter::paper_mm(bool width) const {
    double w = 0, h = 0;
    if (const MediaInfo* m = current_media()) {
        w = m->WidthMM;
        h = m->HeightMM;
    } else {
        w = mode_.PaperWidth / 10.0;
        h = mode_.PaperLength / 10.0;
    }
    if (mode_.Orientation == DMORIENT_LANDSCAPE) std::swap(w, h);
    return width ? w : h;
}

int TPrinter::PhysicalWidth() const { return to_pixels(paper_mm(true), PixelsPerInchX()); }
int TPrinter::PhysicalHeight() const { return to_pixels(paper_mm(false), PixelsPerInchY()); }

int TPrinter::PhysicalOffsetX() const {
    const MediaInfo* m = current_media();
    if (!m) return 0;
    return to_pixels(mode_.Orientation == DMORIENT_LANDSCAPE ? m->TopMM : m->LeftMM, PixelsPerInchX());
}

int TPrinter::PhysicalOffsetY() const {
    const MediaInfo* m = current_media();
    if (!m) return 0;
    return to_pixels(mode_.Orientation == DMORIENT_LANDSCAPE ? m->LeftMM : m->TopMM, PixelsPerInchY());
}

std::vector<int> TPrinter::PaperCodes() const {
    std::vector<int> codes;
    if (const DestinationInfo* d = Destination())
        for (const MediaInfo& m : d->Media)
            if (m.Code != 0 && std::find(codes.begin(), codes.end(), m.Code) == codes.end()) codes.push_back(m.Code);
    return codes;
}

void TPrinter::BeginDoc() {
    if (Printing()) throw EPrinter("Printing in progress");
    const DestinationInfo* d = OutputFile.empty() ? Destination() : nullptr;
    if (!device_ || (!d && OutputFile.empty())) throw EPrinter("No printer selected");
    JobSettings s;
    s.Title = Title;
    s.Mode = mode_;
    s.PageWidthMM = paper_mm(true);
    s.PageHeightMM = paper_mm(false);
    if (const MediaInfo* m = current_media()) s.MediaName = m->Name;
    if (d && (mode_.Fields & DM_DEFAULTSOURCE))
        for (const SourceInfo& src : d->Sources)
            if (src.Code == mode_.DefaultSource) s.SourceName = src.Name;
    s.Dpi = PixelsPerInchX() > 0 ? PixelsPerInchX() : kFileDpi;
    s.OutputFile = OutputFile;
    if (d) {
        s.OffsetX = PhysicalOffsetX();
        s.OffsetY = PhysicalOffsetY();
    }
    aborted_ = false;
    job_ = device_->StartJob(d, s);
    page_number_ = 1;
}

DeviceJob& TPrinter::job() {
    if (!job_) throw EPrinter("Printer is not currently printing");
    return *job_;
}

void TPrinter::NewPage() {
    job().NewPage();
    ++page_number_;
}

void TPrinter::EndDoc() {
    DeviceJob& j = job();
    std::unique_ptr<DeviceJob> done = std::move(job_);
    page_number_ = 0;
    j.Finish();
}

void TPrinter::Abort() {
    DeviceJob& j = job();
    std::unique_ptr<DeviceJob> done = std::move(job_);
    page_number_ = 0;
    aborted_ = true;
    j.Abort();
}

TCanvas& TPrinter::Canvas() { return job().Canvas(); }

void TPrinter::DrawMetafile(const TMetafile& page, const TRect& dest) { job().DrawMetafile(page, dest); }

namespace {
std::unique_ptr<TPrinter> application_printer;
}

TPrinter& Printer() {
    if (!application_printer) application_printer = std::make_unique<TPrinter>();
    return *application_printer;
}

void FreePrinter() { application_printer.reset(); }
