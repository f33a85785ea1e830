#pragma once
// Helpers of the report model's tests (built once, in the bands test-support
// library): a canvas that records what is drawn,
// the fixed font engine installed, an output device of recorded pages, and
// a printable control that prints lines of text a page at a time.

#include "report/bands/BandRpt.h"

#include "platform/graphics/tests/FixedFontEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace bands_test {

struct Line {
    TPoint from, to;
    TPenStyle style;
    TColor color;
};
struct Fill {
    TRect rect;   // as asked for
    TRect shown;  // the part inside the clip
    TColor color;
};
struct Text {
    int x, y;
    std::string text;
};

// Records the primitives it is asked to draw.
class RecordingCanvas : public TCanvas {
public:
    std::vector<Line> lines;
    std::vector<Fill> fills;
    std::vector<Text> texts;
    void StretchBitmap(const TRect&, const TBitmap&, const TRect&, TCopyMode,
                       const std::function<bool(int, int)>& = {}) override;

protected:
    void DoSetPixel(int, int, TColor) override;
    void DoFillRect(const TRect& rect, TColor color) override;
    void DoLine(TPoint from, TPoint to) override;
    void DoShape(const TRect&, int, int) override;
    void DoText(int x, int y, std::string_view text) override;
};

// Installs the fixed font engine of the graphics tests for the lifetime of a test.
struct ScopedFontEngine {
    test_support::FixedFontEngine engine;
    core::ScopedService<graphics::FontEngine*> installed{graphics::font_engine_slot, &engine};
};

// Pages of recording canvases at `factor` device pixels per native unit.
class RecordingOutput : public report::OutputDevice {
public:
    RecordingOutput(int paper_width, int paper_length, long double factor = 96.0L / 254.0L)
        : width_(paper_width), length_(paper_length), factor_(factor) {}
    std::vector<std::unique_ptr<RecordingCanvas>> pages;

    TCanvas& Canvas() override;
    RecordingCanvas& page(int number) { return *pages.at(std::size_t(number - 1)); }
    int ToDeviceX(long double x) override;
    int ToDeviceY(long double y) override;
    int ToDeviceWidth(long double w) override;
    int ToDeviceHeight(long double h) override;
    long double XFactor() const override;
    long double YFactor() const override;
    void StartNewPage() override;
    int PageCount() const override;
    int PaperWidth() const override;
    int PaperLength() const override;

private:
    int width_, length_;
    long double factor_;
};

// A control with `lines` lines of `line_height` native units; each print
// grows its band by as many lines as fit and notes the page and position
// of each line it prints.
class LinesPrintable : public report::Printable {
public:
    LinesPrintable(TComponent* owner, int lines, long double line_height)
        : report::Printable(owner), total_(lines), line_height_(line_height) {}
    struct Printed {
        int page;
        int line;
        long double y;
    };
    std::vector<Printed> printed;
    int prepared = 0, unprepared = 0, zoom_calls = 0;

    void PrepareForRun() override;
    void UnprepareAfterRun() override;
    void SetZoom(int zoom) override;
    void PrintAt(int, int offset_y) override;

private:
    int total_;
    long double line_height_;
    int next_ = 0;
};

// Page geometry and run state set up for the print tests: a report on a
// custom page, units native, run begun on a recording output.
struct RunFixture {
    TBandReport report{nullptr};
    std::unique_ptr<RecordingOutput> output;

    // A page of width x length native units with the given margins.
    explicit RunFixture(int width = 2100, int length = 2970, int margin = 100);
    TBRCustomBand* band(TBRBandType type, long double height_native);
    void begin() { report.BeginRun(*output); }
    void finish() { report.FinishRun(); }
};

}  // namespace bands_test
