#include "platform/graphics/qt/MetafilePlayer.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/core/CodePages.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/MetafileWalk.h"
#include "platform/graphics/qt/QtCanvas.h"

namespace graphics::qt {

namespace {

// The Qt sink of the metafile walk: QtCanvas's primitives.
class Player : public QtCanvas, public MetafileSink {
public:
    Player(QPainter& painter, const TRect& page, bool identity)
        : QtCanvas(painter), page_(page), identity_(identity) {}

    void Clip(const std::optional<TRect>& clip) override {
        if (clip)
            SetClipRect(*clip);
        else
            ResetClip();
    }
    void Fill(const TRect& rect, TColor color) override { DoFillRect(rect, color); }
    void Dot(int x, int y, TColor color) override { DoSetPixel(x, y, color); }
    void Line(TPoint from, TPoint to, const WalkPen& pen) override {
        use_pen(pen);
        DoLine(from, to);
    }
    void Shape(const TRect& rect, int cw, int ch, const WalkPen& pen, const WalkBrush& brush) override {
        use_pen(pen);
        Brush.Style = brush.Solid ? bsSolid : bsClear;
        Brush.Color = brush.Color;
        DoShape(rect, cw, ch);
    }

    void Text(const WalkText& t) override {
        Font.Assign(t.Font);
        if (record_text(Font, t.Utf8).Advances == std::vector<int32_t>(t.Advances.begin(), t.Advances.end())) {
            DoText(t.X, t.Y, t.Utf8);
            return;
        }
        // Each character where the page measured it.
        size_t unit = 0;
        int at = t.X;
        for (size_t pos = 0; pos < t.Utf8.size();) {
            size_t start = pos;
            char32_t cp = 0;
            core::next_code_point(t.Utf8, pos, cp);
            DoText(at, t.Y, t.Utf8.substr(start, pos - start));
            for (int k = cp >= 0x10000 ? 2 : 1; k > 0 && unit < t.Advances.size(); --k) at += t.Advances[unit++];
        }
    }

    void Bits(const TRect& dest, const TRect& src, const TBitmap& bitmap, TCopyMode mode,
              const std::function<bool(int, int)>& skip) override {
        if (identity_ || mode != cmSrcCopy) {
            StretchBitmap(dest, bitmap, src, mode, skip);
            return;
        }
        QImage image(src.Width(), src.Height(), QImage::Format_ARGB32);
        for (int y = 0; y < src.Height(); ++y)
            for (int x = 0; x < src.Width(); ++x) {
                int sx = src.Left + x, sy = src.Top + y;
                bool hidden = sx < 0 || sy < 0 || sx >= bitmap.PixelWidth() || sy >= bitmap.PixelHeight() ||
                              (skip && skip(sx, sy));
                TColor c = hidden ? clBlack : bitmap.Pixel(sx, sy);
                image.setPixel(x, y, hidden ? qRgba(0, 0, 0, 0) : qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
            }
        Painter().drawImage(QRectF(dest.Left, dest.Top, dest.Width(), dest.Height()), image);
    }

protected:
    void ClipChanged() override {
        TRect c = ClipRect() ? intersect(*ClipRect(), page_) : page_;
        Painter().setClipRect(QRect(c.Left, c.Top, c.Width(), c.Height()));
    }

private:
    void use_pen(const WalkPen& pen) {
        Pen.Style = pen.Style;
        Pen.Width = pen.Width;
        Pen.Color = pen.Color;
    }

    static TRect intersect(const TRect& a, const TRect& b) {
        TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                std::min(a.Bottom, b.Bottom)};
        r.Right = std::max(r.Right, r.Left);
        r.Bottom = std::max(r.Bottom, r.Top);
        return r;
    }

    TRect page_;
    bool identity_;
};

}  // namespace

void play_metafile(const TMetafile& page, QPainter& painter, const QRectF& target) {
    int w = std::max(page.PageWidth(), 1), h = std::max(page.PageHeight(), 1);
    if (page.RecordedBytes().empty() || target.width() <= 0 || target.height() <= 0) return;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / w, target.height() / h);
    bool identity = painter.worldTransform().isIdentity();
    {
        Player player(painter, TRect{0, 0, w, h}, identity);
        walk_metafile(page, player);
    }
    painter.restore();
}

QImage render_metafile(const TMetafile& page, double dpi) {
    double w = std::round(page.PageWidth() * dpi / 96), h = std::round(page.PageHeight() * dpi / 96);
    if (!(w >= 1 && h >= 1 && w <= 20000 && h <= 20000)) throw EInvalidGraphicOperation("Invalid metafile size");
    QImage image(int(w), int(h), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    play_metafile(page, painter, QRectF(0, 0, w, h));
    return image;
}

bool draw_on_qt_canvas(const TMetafile& page, TCanvas& canvas, const TRect& rect) {
    auto* qt = dynamic_cast<QtCanvas*>(&canvas);
    if (!qt) return false;
    play_metafile(page, qt->Painter(), QRectF(rect.Left, rect.Top, rect.Width(), rect.Height()));
    return true;
}

}  // namespace graphics::qt
