#pragma once
// Helpers of the printable controls' tests: the report model's recording
// canvas and outputs, the fixed font engine (7 pixels a character, 'W' 11,
// cells 12 high), and a one-page raster output for looking at pixels.

#include "report/controls/BRCtrls.h"

#include "platform/graphics/Bitmap.h"
#include "report/bands/tests/BandsFixture.h"

#include <memory>

namespace controls_test {

using bands_test::RecordingCanvas;
using bands_test::RecordingOutput;
using bands_test::RunFixture;
using bands_test::ScopedFontEngine;

// One page drawn into a white bitmap at `factor` device pixels per native unit.
class BitmapOutput : public report::OutputDevice {
public:
    BitmapOutput(int width_px, int height_px, long double factor)
        : bitmap(width_px, height_px), canvas(bitmap), factor_(factor) {
        canvas.Brush.Color = clWhite;
        canvas.FillRect(TRect{0, 0, width_px, height_px});
    }
    TBitmap bitmap;
    TBitmapCanvas canvas;

    TCanvas& Canvas() override { return canvas; }
    int ToDeviceX(long double x) override { return int(report::Rnd(x * factor_)); }
    int ToDeviceY(long double y) override { return int(report::Rnd(y * factor_)); }
    int ToDeviceWidth(long double w) override { return int(report::Rnd(w * factor_)); }
    int ToDeviceHeight(long double h) override { return int(report::Rnd(h * factor_)); }
    long double XFactor() const override { return factor_; }
    long double YFactor() const override { return factor_; }
    void StartNewPage() override {}
    int PageCount() const override { return 1; }
    int PaperWidth() const override { return int(bitmap.PixelWidth() / factor_); }
    int PaperLength() const override { return int(bitmap.PixelHeight() / factor_); }

private:
    long double factor_;
};

// The texts of every page of a recording output, page by page.
inline std::vector<std::vector<std::string>> page_texts(const RecordingOutput& out) {
    std::vector<std::vector<std::string>> pages;
    for (const auto& p : out.pages) {
        pages.emplace_back();
        for (const auto& t : p->texts) pages.back().push_back(t.text);
    }
    return pages;
}

}  // namespace controls_test
