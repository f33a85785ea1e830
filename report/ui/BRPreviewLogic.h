#pragma once
// What the preview control and the standard preview decide, without widgets:
// zoom and image size, hyperlink areas, the go-to-page answer, the status
// and progress texts. The Qt classes (BRPrev.h, BRStdPrev.h) hold these and
// only show what they decide.

#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/Graphics.h"

class TBRPrinter;

enum TBRZoomState { brZoomToFit, brZoomToWidth, brZoomOther };
enum TBRHyperlinkEventType { heCursorMoveOver, heCursorMoveAway, heGoto };

namespace report {

// A hyperlink area: a rectangle in page pixels at 100 % (edges included) and its link.
struct HyperlinkArea {
    TRect Area;
    std::string Link;
};

// Zoom and placement of the page image inside a control of a given size.
class PreviewGeometry {
public:
    // The printer whose paper sizes the image (nullptr: Letter's millimetres as pixels).
    void SetPrinter(const TBRPrinter* printer) { printer_ = printer; }
    int Zoom() const { return zoom_; }
    int ImageZoom() const { return image_zoom_; }
    TBRZoomState ZoomState() const { return state_; }
    void SetZoomState(TBRZoomState s) { state_ = s; }
    // Takes 2..2000 (false and nothing changes otherwise); the state becomes brZoomOther.
    bool SetZoom(int value);
    // The image's rectangle in the control for its current size (width, height),
    // from the zoom the image had; the image then takes the zoom.
    TRect SizePreviewImage(int controlWidth, int controlHeight);
    // Zooms to show the whole page, or the page's width; then sizes the image.
    TRect FitPageToWindow(int controlWidth, int controlHeight);
    TRect FitPageToWidth(int controlWidth, int controlHeight);
    // The page's size in device pixels at 100 %.
    double PageWidthPixels() const;
    double PageHeightPixels() const;

private:
    const TBRPrinter* printer_ = nullptr;
    int zoom_ = 100;
    int image_zoom_ = 100;
    TBRZoomState state_ = brZoomOther;
};

// The link of the first area holding (x, y) of the image at zoom percent, or "".
std::string LinkAt(const std::vector<HyperlinkArea>& areas, int x, int y, int zoom);

// The go-to-page box's answer: a whole number within 1..pageCount, else 1;
// no answer (cancelled) keeps current.
int GoToPageAnswer(const std::optional<std::string>& text, int current, int pageCount);

// "Page 3 of 12".
std::string PageStatusText(int page, int pageCount);

// What the preview says in place of a page when a finished run or a stored
// stream has no pages.
inline constexpr const char* kEmptyReportText = "The report is empty";

// The progress panel: the text to show for a notice of percent, or nothing
// when the panel stays as it is.
class ProgressPanel {
public:
    std::optional<std::string> Update(int percent);

private:
    int last_shown_ = 0;
};

// The progress form: the label for a notice of percent, or nothing when the
// form stays as it is (only multiples of 5 show).
std::optional<std::string> ProgressFormText(int percent);

}  // namespace report
