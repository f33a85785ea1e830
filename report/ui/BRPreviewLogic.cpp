#include "report/ui/BRPreviewLogic.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "report/print/BRPrntr.h"

namespace report {
namespace {

// Without a printer the page is Letter, its millimetres taken as pixels.
constexpr double kLetterWidth = 215.9, kLetterLength = 279.4;

int round_even(double v) { return int(std::lrint(v)); }

}  // namespace

bool PreviewGeometry::SetZoom(int value) {
    if (value < 2 || value > 2000) return false;
    state_ = brZoomOther;
    zoom_ = value;
    return true;
}

double PreviewGeometry::PageWidthPixels() const {
    return printer_ ? printer_->ToDeviceWidth(printer_->PagePaperWidth()) : kLetterWidth;
}

double PreviewGeometry::PageHeightPixels() const {
    return printer_ ? printer_->ToDeviceHeight(printer_->PagePaperLength()) : kLetterLength;
}

TRect PreviewGeometry::SizePreviewImage(int controlWidth, int controlHeight) {
    // The image takes the zoom first, so that it always shows the zoom chosen.
    image_zoom_ = zoom_;
    int w, h;
    if (printer_) {
        w = printer_->ToDeviceWidth(printer_->PagePaperWidth() / 100.0 * image_zoom_) + 4;
        h = printer_->ToDeviceHeight(printer_->PagePaperLength() / 100.0 * image_zoom_) + 4;
    } else {
        w = round_even(kLetterWidth / 100 * image_zoom_) + 4;
        h = round_even(kLetterLength / 100 * image_zoom_) + 4;
    }
    const int left = w < controlWidth ? (controlWidth - w) / 2 : 0;
    const int top = h < controlHeight ? (controlHeight - h) / 2 : 0;
    return TRect{left, top, left + w, top + h};
}

TRect PreviewGeometry::FitPageToWindow(int controlWidth, int controlHeight) {
    const double pw = std::max(PageWidthPixels(), 1.0), ph = std::max(PageHeightPixels(), 1.0);
    const int a = round_even(controlWidth / pw * 95), b = round_even(controlHeight / ph * 95);
    SetZoom(std::min(a, b));
    TRect r = SizePreviewImage(controlWidth, controlHeight);
    state_ = brZoomToFit;
    return r;
}

TRect PreviewGeometry::FitPageToWidth(int controlWidth, int controlHeight) {
    if (printer_) SetZoom(round_even(controlWidth / std::max(PageWidthPixels(), 1.0) * 90));
    else SetZoom(round_even(controlWidth / kLetterWidth * 95));
    TRect r = SizePreviewImage(controlWidth, controlHeight);
    state_ = brZoomToWidth;
    return r;
}

std::string LinkAt(const std::vector<HyperlinkArea>& areas, int x, int y, int zoom) {
    if (zoom <= 0) return {};
    const int px = round_even(double(x) / zoom * 100), py = round_even(double(y) / zoom * 100);
    for (const HyperlinkArea& a : areas)
        if (px >= a.Area.Left && px <= a.Area.Right && py >= a.Area.Top && py <= a.Area.Bottom) return a.Link;
    return {};
}

int GoToPageAnswer(const std::optional<std::string>& text, int current, int pageCount) {
    if (!text) return current;
    int v = 0;
    const char* end = text->data() + text->size();
    const char* begin = text->data();
    while (begin < end && *begin == ' ') ++begin;
    while (end > begin && end[-1] == ' ') --end;
    if (begin < end && *begin == '+') ++begin;
    const auto res = std::from_chars(begin, end, v);
    if (res.ec != std::errc() || res.ptr != end || v < 1 || v > pageCount) return 1;
    return v;
}

std::string PageStatusText(int page, int pageCount) {
    return "Page " + std::to_string(page) + " of " + std::to_string(pageCount);
}

std::optional<std::string> ProgressPanel::Update(int percent) {
    std::optional<std::string> text;
    if (percent >= last_shown_ + 5) {
        text = std::to_string(percent) + "%";
        last_shown_ = percent;
    }
    if (percent == 0 || percent == 100) text = std::string();
    // A new run counts from its own start.
    if (percent == 0) last_shown_ = 0;
    return text;
}

std::optional<std::string> ProgressFormText(int percent) {
    if (percent % 5 != 0) return std::nullopt;
    return std::to_string(percent) + "%  Completed";
}

}  // namespace report
