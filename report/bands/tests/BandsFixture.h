#pragma once
// Helpers of the report model's tests: a canvas that records what is drawn,
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
                       const std::function<bool(int, int)>& = {}) override {}

protected:
    void DoSetPixel(int, int, TColor) override {}
    void DoFillRect(const TRect& rect, TColor color) override {
        TRect shown = rect;
        if (ClipRect()) {
            const TRect& c = *ClipRect();
            shown = TRect{std::max(rect.Left, c.Left), std::max(rect.Top, c.Top), std::min(rect.Right, c.Right),
                          std::min(rect.Bottom, c.Bottom)};
        }
        fills.push_back({rect, shown, color});
    }
    void DoLine(TPoint from, TPoint to) override { lines.push_back({from, to, Pen.Style, Pen.Color}); }
    void DoShape(const TRect&, int, int) override {}
    void DoText(int x, int y, std::string_view text) override { texts.push_back({x, y, std::string(text)}); }
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

    TCanvas& Canvas() override { return *pages.back(); }
    RecordingCanvas& page(int number) { return *pages.at(std::size_t(number - 1)); }
    int ToDeviceX(long double x) override { return int(report::Rnd(x * factor_)); }
    int ToDeviceY(long double y) override { return int(report::Rnd(y * factor_)); }
    int ToDeviceWidth(long double w) override { return int(report::Rnd(w * factor_)); }
    int ToDeviceHeight(long double h) override { return int(report::Rnd(h * factor_)); }
    long double XFactor() const override { return factor_; }
    long double YFactor() const override { return factor_; }
    void StartNewPage() override { pages.push_back(std::make_unique<RecordingCanvas>()); }
    int PageCount() const override { return int(pages.size()); }
    int PaperWidth() const override { return width_; }
    int PaperLength() const override { return length_; }

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

    void PrepareForRun() override {
        report::Printable::PrepareForRun();
        ++prepared;
        next_ = 0;
        PrintFinished = true;
    }
    void UnprepareAfterRun() override {
        report::Printable::UnprepareAfterRun();
        ++unprepared;
    }
    void SetZoom(int zoom) override {
        report::Printable::SetZoom(zoom);
        ++zoom_calls;
    }
    void PrintAt(int, int offset_y) override {
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
    explicit RunFixture(int width = 2100, int length = 2970, int margin = 100) {
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
    TBRCustomBand* band(TBRBandType type, long double height_native) {
        TBRCustomBand* b = report.CreateStandardBand(type);
        b->Size()->SetCurrentUnit(TBRUnit::Native);
        b->Size()->SetHeight(height_native);
        return b;
    }
    void begin() { report.BeginRun(*output); }
    void finish() { report.FinishRun(); }
};

}  // namespace bands_test
