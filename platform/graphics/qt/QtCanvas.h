#pragma once
// The Qt back-end of the canvas and the Qt font engine. Windows paint their
// controls through QtCanvas; text everywhere is measured and rendered by
// QtFontEngine on a fixed 96-dpi device.

#include <QFont>
#include <QPainter>

#include <memory>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Font.h"

namespace graphics::qt {

// True when there is no screen (no DISPLAY nor WAYLAND_DISPLAY, or
// QT_QPA_PLATFORM=offscreen or minimal); decided once.
bool is_headless();
// Chooses Qt's in-memory platform when there is no screen.
void prepare_platform();
// Keeps Qt's debug, info and warning messages off stderr; critical and fatal
// ones are printed as "Qt: text".
void install_message_filter();
// Makes a window-less Qt application (QGuiApplication: fonts, images, PDF)
// with the message filter when the process has none yet, always on the
// in-memory platform, so it never needs a display; unit_shutdown() ends it.
// A program that shows windows makes its own first (platform/ui).
void ensure_gui_application();

// Held while a Qt application is made: when its platform cannot start (a
// display that cannot be opened), the program prints "NAME: cannot open the
// display DISPLAY=..." on stderr and ends with status 1 instead of Qt's abort.
class PlatformStart {
public:
    PlatformStart();
    ~PlatformStart();
    PlatformStart(const PlatformStart&) = delete;
    PlatformStart& operator=(const PlatformStart&) = delete;
};

// The Qt font a TFont draws with: its stand-in family, an em of -Height
// pixels (a positive Height is the cell, ascent plus descent), no hinting,
// no kerning and no ligatures, so metrics are the fonts' own at 96 dpi and
// drawn text is as wide as measured text.
QFont to_qfont(const TFont& font);

// Metrics from the fonts' own tables on the 96-dpi device. Per font (family,
// pixel size, weight, slant) it keeps the Qt font, its ascent and descent,
// and each character's advance once measured: a character of the font's own
// from its glyph, any other from the font Qt draws it with. Tabs measure and
// draw as spaces, soft hyphens as hyphens. Safe to call from any thread.
class QtFontEngine : public FontEngine {
public:
    QtFontEngine();
    ~QtFontEngine() override;
    TTextMetric Metric(const TFont& font) override;
    int TextWidth(const TFont& font, std::string_view text) override;
    void Advances(const TFont& font, std::string_view text, std::vector<double>& out) override;
    TGlyphRun Render(const TFont& font, std::string_view text) override;
    // The font a TFont draws with (to_qfont).
    QFont Font(const TFont& font);
    // Forgets every font (done when the application ends, whose fonts they are).
    void Clear();

private:
    struct Cache;
    std::unique_ptr<Cache> cache_;
};

// A canvas over a QPainter whose coordinates are the device's pixels (no
// world transform). Pixels can be read back when the device is a QImage.
class QtCanvas : public TCanvas {
public:
    explicit QtCanvas(QPainter& painter);
    QPainter& Painter() const { return painter_; }

    TColor Pixel(int x, int y) const override;
    void StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode,
                       const std::function<bool(int x, int y)>& skip = {}) override;

protected:
    void DoSetPixel(int x, int y, TColor color) override;
    void DoFillRect(const TRect& rect, TColor color) override;
    void DoLine(TPoint from, TPoint to) override;
    void DoShape(const TRect& rect, int cw, int ch) override;
    void DoText(int x, int y, std::string_view text) override;
    void ClipChanged() override;

private:
    QPainter& painter_;
};

// Installs the Qt font engine, metafile drawer, clipboard and cursor table
// for the process; shut-down takes them out and ends the application
// ensure_gui_application() made.
void unit_startup();
void unit_shutdown();

// The one start-up call of a tool or test that measures, draws or prints
// without windows: the in-memory platform when there is no screen, the
// message filter, a window-less Qt application when the process has none,
// and the Qt graphics units, all ended with the scope. Tools call nothing
// else of Qt's set-up.
class GraphicsScope {
public:
    GraphicsScope() {
        ensure_gui_application();
        unit_startup();
    }
    ~GraphicsScope() { unit_shutdown(); }
    GraphicsScope(const GraphicsScope&) = delete;
    GraphicsScope& operator=(const GraphicsScope&) = delete;
};

}  // namespace graphics::qt
