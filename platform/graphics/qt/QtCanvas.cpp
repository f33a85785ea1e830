#include "platform/graphics/qt/QtCanvas.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainterPath>
#include <QRawFont>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "platform/core/CodePages.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/qt/MetafilePlayer.h"
#include "platform/graphics/qt/QtGraphics.h"

namespace graphics::qt {

namespace {

bool env_set(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
}

bool decide_headless() {
    if (const char* qpa = std::getenv("QT_QPA_PLATFORM"); qpa != nullptr && *qpa != '\0')
        return std::strncmp(qpa, "offscreen", 9) == 0 || std::strncmp(qpa, "minimal", 7) == 0;
    return !env_set("DISPLAY") && !env_set("WAYLAND_DISPLAY");
}

QColor qcolor(TColor c) {
    TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

// The measuring device: 96 pixels per inch whatever the screen says.
const QImage& measuring_device() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        return image;
    }();
    return device;
}

QFontMetricsF metrics(const QFont& font) { return QFontMetricsF(font, &measuring_device()); }

QtFontEngine engine;
// The application made for measuring and drawing, when the process had none.
// Ended by unit_shutdown(), never by a static destructor (Qt is gone by then).
QGuiApplication* own_app = nullptr;

// Set while a Qt application is being made (PlatformStart).
std::atomic<bool> platform_starting{false};

// The display a windowing platform would open, for a message.
std::string display_name() {
    std::string name;
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY"})
        if (env_set(var)) name += (name.empty() ? "" : ", ") + std::string(var) + "=" + std::getenv(var);
    return name.empty() ? "(none)" : name;
}

// Qt's own notes (a missing runtime folder, a platform that cannot raise a
// window) are no business of the person reading a tool's or a scheduled job's
// output; only its critical and fatal messages reach stderr. A fatal message
// while the application is being made is its platform failing to start: the
// program says which display it could not open and ends with status 1.
void qt_messages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg && platform_starting.load()) {
        const std::string line =
            std::string(program_invocation_short_name) + ": cannot open the display " + display_name() + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        const QByteArray line = "Qt: " + text.toUtf8() + "\n";
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    }
}

}  // namespace

bool is_headless() {
    static const bool headless = decide_headless();
    return headless;
}

void prepare_platform() {
    if (is_headless() && !env_set("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

void install_message_filter() { qInstallMessageHandler(qt_messages); }

PlatformStart::PlatformStart() {
    install_message_filter();
    platform_starting = true;
}

PlatformStart::~PlatformStart() { platform_starting = false; }

void ensure_gui_application() {
    if (QCoreApplication::instance() != nullptr) return;
    prepare_platform();
    // A window-less application shows nothing: it runs on the in-memory
    // platform whatever display there is (one that cannot be opened
    // included), unless the in-memory "minimal" one was asked for. The
    // environment is left as it was for the programs this one starts.
    static char name[] = "tamblero", option[] = "-platform", offscreen[] = "offscreen";
    static char* argv[] = {name, option, offscreen, nullptr};
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    static int argc = qpa != nullptr && std::strncmp(qpa, "minimal", 7) == 0 ? 1 : 3;
    PlatformStart starting;
    own_app = new QGuiApplication(argc, argv);
}

// ---- fonts and their advances

namespace {

constexpr double kUnmeasured = -1.0;

// A face: one family at one pixel size, weight and slant, as measured.
struct Face {
    QFont font;  // without underline and strike-out, which change no advance
    QRawFont raw;
    TTextMetric metric;
    std::array<double, 256> low;  // advances of U+0000..U+00FF; kUnmeasured until asked
    std::unordered_map<char32_t, double> other;

    explicit Face(const QFont& f) : font(f), raw(QRawFont::fromFont(f)) {
        QFontMetricsF m = metrics(font);
        // The cell is the rounded sum, so it stays within a pixel of the font's own.
        int ascent = int(std::lround(m.ascent()));
        metric = TTextMetric{ascent, int(std::lround(m.ascent() + m.descent())) - ascent};
        low.fill(kUnmeasured);
    }

    double measure(char32_t cp) const {
        char16_t units[2];
        int n = 1;
        if (cp >= 0x10000) {
            units[0] = char16_t(0xD800 + ((cp - 0x10000) >> 10));
            units[1] = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
            n = 2;
        } else {
            units[0] = char16_t(cp);
        }
        quint32 glyphs[2] = {0, 0};
        int count = 2;
        if (raw.isValid() && raw.glyphIndexesForChars(reinterpret_cast<const QChar*>(units), n, glyphs, &count) &&
            count == 1 && glyphs[0] != 0) {
            QPointF advance;
            if (raw.advancesForGlyphIndexes(glyphs, &advance, 1)) return advance.x();
        }
        // Not the font's own: as wide as the font Qt draws it with makes it.
        return metrics(font).horizontalAdvance(QString::fromUcs4(&cp, 1));
    }

    double advance(char32_t cp) {
        if (cp == '\t') cp = ' ';
        if (cp == 0xAD) cp = '-';
        if (cp < low.size()) {
            double& a = low[cp];
            if (a == kUnmeasured) a = measure(cp);
            return a;
        }
        auto it = other.find(cp);
        if (it == other.end()) it = other.emplace(cp, measure(cp)).first;
        return it->second;
    }
};

// Reads one code point of UTF-8 text; an invalid byte is U+FFFD.
inline char32_t next_char(std::string_view text, size_t& pos) {
    auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
        ++pos;
        return b;
    }
    char32_t cp = 0;
    return core::next_code_point(text, pos, cp) ? cp : char32_t(0xFFFD);
}

// The characters as they are measured: invalid bytes as U+FFFD, tabs as
// spaces, a soft hyphen as a hyphen (Qt's layout would leave it out).
QString drawn_text(std::string_view text) {
    QString out;
    out.reserve(qsizetype(text.size()));
    for (size_t pos = 0; pos < text.size();) {
        char32_t cp = next_char(text, pos);
        if (cp == '\t') cp = ' ';
        if (cp == 0xAD) cp = '-';
        if (cp >= 0x10000) {
            out.append(QChar(char16_t(0xD800 + ((cp - 0x10000) >> 10))));
            out.append(QChar(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF))));
        } else {
            out.append(QChar(char16_t(cp)));
        }
    }
    return out;
}

void forget_fonts();

}  // namespace

struct QtFontEngine::Cache {
    // What a TFont is looked up by; Style keeps bold and italic only.
    struct NameKey {
        std::string name;
        int height = 0, style = 0;
        bool operator==(const NameKey&) const = default;
    };
    struct NameHash {
        size_t operator()(const NameKey& k) const {
            return std::hash<std::string>()(k.name) ^ (size_t(uint32_t(k.height)) * 31 + size_t(k.style)) * 0x9E3779B97F4A7C15ull;
        }
    };
    // A face is the family, pixel size, weight and slant: names that stand
    // for the same family, and heights that give the same em, share one.
    using FaceKey = std::tuple<QString, int, bool, bool>;
    // Fonts seen beyond this many are forgotten and measured afresh.
    static constexpr size_t kMaxNames = 4096;

    std::mutex mutex;
    std::unordered_map<NameKey, Face*, NameHash> byName;
    std::map<FaceKey, std::unique_ptr<Face>> faces;
    NameKey lastKey;
    Face* last = nullptr;
    bool cleanupAdded = false;

    Face& face(const TFont& font) {
        int style = font.Style & ((1 << fsBold) | (1 << fsItalic));
        if (last != nullptr && lastKey.height == font.Height && lastKey.style == style && lastKey.name == font.Name)
            return *last;
        NameKey key{font.Name, font.Height, style};
        auto it = byName.find(key);
        if (it == byName.end()) {
            if (byName.size() >= kMaxNames) clear();
            it = byName.emplace(key, &make_face(font)).first;
        }
        lastKey = std::move(key);
        last = it->second;
        return *last;
    }

    Face& make_face(const TFont& font) {
        ensure_gui_application();
        if (!cleanupAdded) {
            qAddPostRoutine(forget_fonts);
            cleanupAdded = true;
        }
        QFont f(QString::fromStdString(font_family(font.Name)));
        f.setHintingPreference(QFont::PreferNoHinting);
        // Characters side by side: no kerning, no ligatures, as measured.
        f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::PreferNoShaping));
        f.setKerning(false);
        f.setBold(font.HasStyle(fsBold));
        f.setItalic(font.HasStyle(fsItalic));
        int px = 11;
        if (font.Height < 0) {
            px = -font.Height;
        } else if (font.Height > 0) {
            // A cell height: the em that gives this ascent plus descent.
            f.setPixelSize(1000);
            QFontMetricsF m = metrics(f);
            px = std::max(1, int(std::lround(font.Height * 1000.0 / (m.ascent() + m.descent()))));
        }
        f.setPixelSize(px);
        std::unique_ptr<Face>& slot = faces[FaceKey{f.family(), px, f.bold(), f.italic()}];
        if (!slot) slot = std::make_unique<Face>(f);
        return *slot;
    }

    void clear() {
        last = nullptr;
        byName.clear();
        faces.clear();
    }
};

QtFontEngine::QtFontEngine() : cache_(std::make_unique<Cache>()) {}
QtFontEngine::~QtFontEngine() = default;

void QtFontEngine::Clear() {
    std::lock_guard lock(cache_->mutex);
    cache_->clear();
    if (cache_->cleanupAdded && QCoreApplication::instance() != nullptr) qRemovePostRoutine(forget_fonts);
    cache_->cleanupAdded = false;
}

QFont QtFontEngine::Font(const TFont& font) {
    QFont f;
    {
        std::lock_guard lock(cache_->mutex);
        f = cache_->face(font).font;
    }
    f.setUnderline(font.HasStyle(fsUnderline));
    f.setStrikeOut(font.HasStyle(fsStrikeOut));
    return f;
}

QFont to_qfont(const TFont& font) { return engine.Font(font); }

TTextMetric QtFontEngine::Metric(const TFont& font) {
    std::lock_guard lock(cache_->mutex);
    return cache_->face(font).metric;
}

int QtFontEngine::TextWidth(const TFont& font, std::string_view text) {
    std::lock_guard lock(cache_->mutex);
    Face& face = cache_->face(font);
    double sum = 0;
    for (size_t pos = 0; pos < text.size();) sum += face.advance(next_char(text, pos));
    return int(std::lround(sum));
}

void QtFontEngine::Advances(const TFont& font, std::string_view text, std::vector<double>& out) {
    out.clear();
    std::lock_guard lock(cache_->mutex);
    Face& face = cache_->face(font);
    for (size_t pos = 0; pos < text.size();) out.push_back(face.advance(next_char(text, pos)));
}

TGlyphRun QtFontEngine::Render(const TFont& font, std::string_view text) {
    QFont f = Font(font);
    TTextMetric metric = Metric(font);
    TGlyphRun run;
    // Room for glyphs that reach past the advance (italics) or the cell.
    int margin = metric.Height() / 4 + 1;
    run.Top = -margin;
    run.Height = metric.Height() + 2 * margin;
    run.Width = TextWidth(font, text) + metric.Height() / 2 + 1;
    run.Coverage.assign(size_t(run.Width) * size_t(run.Height), 0);
    if (text.empty()) return run;
    QImage image(run.Width, run.Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QPointF(0, margin + metric.Ascent), drawn_text(text));
    }
    for (int y = 0; y < run.Height; ++y) {
        auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < run.Width; ++x) run.Coverage[size_t(y) * size_t(run.Width) + size_t(x)] = uint8_t(qAlpha(line[x]));
    }
    return run;
}

namespace {
// Qt's fonts end with the application that made them.
void forget_fonts() { engine.Clear(); }
}  // namespace

// ---- the canvas

QtCanvas::QtCanvas(QPainter& painter) : painter_(painter) {}

TColor QtCanvas::Pixel(int x, int y) const {
    QPaintDevice* device = painter_.device();
    if (device == nullptr || device->devType() != QInternal::Image) return clNone;
    auto* image = static_cast<QImage*>(device);
    if (!image->valid(x, y)) return clNone;
    QRgb p = image->pixel(x, y);
    return RGBColor(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)));
}

void QtCanvas::DoSetPixel(int x, int y, TColor color) { painter_.fillRect(QRect(x, y, 1, 1), qcolor(color)); }

void QtCanvas::DoFillRect(const TRect& rect, TColor color) {
    painter_.fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), qcolor(color));
}

void QtCanvas::DoLine(TPoint from, TPoint to) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(qcolor(Pen.Color));
    int width = std::max(Pen.Width, 1);
    pen.setWidth(width);
    pen.setCapStyle(Qt::FlatCap);
    auto pattern = width == 1 ? pen_pattern(Pen.Style) : std::span<const int>{};
    if (!pattern.empty()) pen.setDashPattern(QList<qreal>(pattern.begin(), pattern.end()));
    painter_.setPen(pen);
    // With a flat cap an aliased line leaves out its last point.
    painter_.drawLine(QPoint(from.X, from.Y), QPoint(to.X, to.Y));
    painter_.restore();
}

void QtCanvas::DoShape(const TRect& rect, int cw, int ch) {
    auto path = [](const TRect& r, int w, int h) {
        QPainterPath p;
        QRectF box(r.Left, r.Top, r.Width(), r.Height());
        double rx = std::min(double(w), box.width()) / 2, ry = std::min(double(h), box.height()) / 2;
        if (rx > 0 && ry > 0)
            p.addRoundedRect(box, rx, ry);
        else
            p.addRect(box);
        return p;
    };
    int w = Pen.Style == psClear ? 0 : std::max(Pen.Width, 1);
    TRect inner{rect.Left + w, rect.Top + w, rect.Right - w, rect.Bottom - w};
    QPainterPath outer = path(rect, cw, ch);
    QPainterPath in = inner.Width() > 0 && inner.Height() > 0
                          ? path(inner, std::max(cw - 2 * w, 0), std::max(ch - 2 * w, 0))
                          : QPainterPath();
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    if (Brush.Style != bsClear && !in.isEmpty()) painter_.fillPath(in, qcolor(Brush.Color));
    if (w > 0) painter_.fillPath(outer.subtracted(in), qcolor(Pen.Color));
    painter_.restore();
}

void QtCanvas::DoText(int x, int y, std::string_view text) {
    painter_.save();
    painter_.setFont(to_qfont(Font));
    painter_.setPen(qcolor(Font.Color));
    painter_.drawText(QPointF(x, y + font_engine().Metric(Font).Ascent), drawn_text(text));
    painter_.restore();
}

void QtCanvas::ClipChanged() {
    if (ClipRect()) {
        const TRect& r = *ClipRect();
        painter_.setClipRect(QRect(r.Left, r.Top, r.Width(), r.Height()));
    } else {
        painter_.setClipping(false);
    }
}

void QtCanvas::StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode,
                             const std::function<bool(int x, int y)>& skip) {
    int dw = dest.Width(), dh = dest.Height(), sw = sourceRect.Width(), sh = sourceRect.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    changing();
    // Only the part of dest that can show is sampled.
    QRect area(dest.Left, dest.Top, dw, dh);
    if (QPaintDevice* device = painter_.device()) area &= QRect(0, 0, device->width(), device->height());
    if (ClipRect()) area &= QRect(ClipRect()->Left, ClipRect()->Top, ClipRect()->Width(), ClipRect()->Height());
    if (area.isEmpty()) return;
    std::vector<int> xs = stretch_map(sw, dw), ys = stretch_map(sh, dh);
    QImage image(area.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < area.height(); ++y) {
        int sy = sourceRect.Top + ys[size_t(area.top() + y - dest.Top)];
        if (sy < 0 || sy >= source.PixelHeight()) continue;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < area.width(); ++x) {
            int sx = sourceRect.Left + xs[size_t(area.left() + x - dest.Left)];
            if (sx < 0 || sx >= source.PixelWidth() || (skip && skip(sx, sy))) continue;
            TColor c = source.Pixel(sx, sy);
            line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    painter_.save();
    switch (mode) {
        case cmSrcCopy: break;
        case cmSrcAnd: painter_.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
        case cmSrcPaint: painter_.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
        case cmSrcInvert: painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    }
    painter_.drawImage(area.topLeft(), image);
    painter_.restore();
}

namespace {
// The Qt clipboard and cursors, made at start-up and ended at shut-down,
// while the application whose pixmaps and clipboard they use still exists.
std::unique_ptr<QtClipboard> qt_clipboard;
std::unique_ptr<QtCursorTable> qt_cursors;
}  // namespace

void unit_startup() {
    font_engine_slot.install(&engine);
    metafile_drawer_slot.install(&draw_on_qt_canvas);
    if (!qt_clipboard) qt_clipboard = std::make_unique<QtClipboard>();
    if (!qt_cursors) qt_cursors = std::make_unique<QtCursorTable>();
    clipboard_slot.install(qt_clipboard.get());
    cursors_slot.install(qt_cursors.get());
}
void unit_shutdown() {
    cursors_slot.install(nullptr);
    clipboard_slot.install(nullptr);
    qt_cursors.reset();
    qt_clipboard.reset();
    metafile_drawer_slot.install(nullptr);
    font_engine_slot.install(nullptr);
    engine.Clear();
    delete own_app;
    own_app = nullptr;
}

}  // namespace graphics::qt
