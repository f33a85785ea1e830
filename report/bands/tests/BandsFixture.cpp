#include "report/bands/tests/BandsFixture.h"

#include <algorithm>

namespace bands_test {

void RecordingCanvas::StretchBitmap(const TRect&, const TBitmap&, const TRect&, TCopyMode,
                                    const std::function<bool(int, int)>&) {}
void RecordingCanvas::DoSetPixel(int, int, TColor) {}
void RecordingCanvas::DoFillRect(const TRect& rect, TColor color) {
    TRect shown = rect;
    if (ClipRect()) {
        const TRect& c = *ClipRect();
        shown = TRect{std::max(rect.Left, c.Left), std::max(rect.Top, c.Top), std::min(rect.Right, c.Right),
                      std::min(rect.Bottom, c.Bottom)};
    }
    fills.push_back({rect, shown, color});
}
void RecordingCanvas::DoLine(TPoint from, TPoint to) { lines.push_back({from, to, Pen.Style, Pen.Color}); }
void RecordingCanvas::DoShape(const TRect&, int, int) {}
void RecordingCanvas::DoText(int x, int y, std::string_view text) { texts.push_back({x, y, std::string(text)}); }

TCanvas& RecordingOutput::Canvas() { return *pages.back(); }
int RecordingOutput::ToDeviceX(long double x) { return int(report::Rnd(x * factor_)); }
int RecordingOutput::ToDeviceY(long double y) { return int(report::Rnd(y * factor_)); }
int RecordingOutput::ToDeviceWidth(long double w) { return int(report::Rnd(w * factor_)); }
int RecordingOutput::ToDeviceHeight(long double h) { return int(report::Rnd(h * factor_)); }
long double RecordingOutput::XFactor() const { return factor_; }
long double RecordingOutput::YFactor() const { return factor_; }
void RecordingOutput::StartNewPage() { pages.push_back(std::make_unique<RecordingCanvas>()); }
int RecordingOutput::PageCount() const { return int(pages.size()); }
int RecordingOutput::PaperWidth() const { return width_; }
int RecordingOutput::PaperLength() const { return length_; }

void LinesPrintable::PrepareForRun() {
    report::Printable::PrepareForRun();
    ++prepared;
    next_ = 0;
    PrintFinished = true;
}
void LinesPrintable::UnprepareAfterRun() {
    report::Printable::UnprepareAfterRun();
    ++unprepared;
}
void LinesPrintable::SetZoom(int zoom) {
    report::Printable::SetZoom(zoom);
    ++zoom_calls;
}
void LinesPrintable::PrintAt(int, int offset_y) {
    auto* band = dynamic_cast<TBRCustomBand*>(Parent());
    if (!band) return;
    if (PrintFinished) next_ = 0;
    long double top = 0;
    bool grown = false;
    while (next_ < total_) {
        const long double before = band->Expanded;
        // True: the line fits in the band's growth so far.
        const bool absorbed = band->GrowBand(line_height_, top, grown);
        if (!absorbed && band->Expanded == before) break;  // no room for the line
        printed.push_back({band->Report()->PageCount(), next_, offset_y + before});
        ++next_;
    }
    PrintFinished = next_ >= total_;
}

RunFixture::RunFixture(int width, int length, int margin) {
    TBRPage& page = *report.Page();
    page.SetPaperSize(TBRPaperSize::Custom);
    page.SetCurrentUnit(TBRUnit::Native);
    report.SetUnits(TBRUnit::Native);
    page.SetWidth(width);
    page.SetLength(length);
    page.SetTopMargin(margin);
    page.SetBottomMargin(margin);
    page.SetLeftMargin(margin);
    page.SetRightMargin(margin);
    output = std::make_unique<RecordingOutput>(width, length);
}
TBRCustomBand* RunFixture::band(TBRBandType type, long double height_native) {
    TBRCustomBand* b = report.CreateStandardBand(type);
    b->Size()->SetCurrentUnit(TBRUnit::Native);
    b->Size()->SetHeight(height_native);
    return b;
}

}  // namespace bands_test
