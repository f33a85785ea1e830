#include "platform/graphics/qt/QtGraphics.h"

#include <QBitmap>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/qt/QtCanvas.h"

namespace graphics::qt {

QImage to_qimage(const TBitmap& bitmap) {
    int w = bitmap.PixelWidth(), h = bitmap.PixelHeight();
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            TColor c = bitmap.Pixel(x, y);
            line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    return image;
}

void paint_raster(QPainter& painter, const TBitmap& bitmap, int x, int y) {
    QImage image = to_qimage(bitmap);
    qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    image.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(x / ratio, y / ratio), image);
}

bool stored_picture_to_qimage(const std::vector<uint8_t>& stored, QImage& out) {
    TPicture picture;
    picture.ReadStoredData(stored);
    TGraphic* g = picture.Graphic();
    if (!g || g->Empty()) return false;
    int w = g->Width(), h = g->Height();
    // drawn over black and over white: pixels that differ are transparent
    TBitmap black(w, h, pf24bit), white(w, h, pf24bit);
    white.Canvas().Brush.Color = clWhite;
    white.Canvas().FillRect(TRect{0, 0, w, h});
    black.Canvas().Draw(0, 0, *g);
    white.Canvas().Draw(0, 0, *g);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            TColor a = black.Pixel(x, y), b = white.Pixel(x, y);
            line[x] = a == b ? qRgba(GetRValue(a), GetGValue(a), GetBValue(a), 255) : qRgba(0, 0, 0, 0);
        }
    }
    out = image;
    return true;
}

// ---- clipboard

namespace {
// The application's clipboard; a window-less application is made when the
// process has none yet (a tool that copies without windows).
QClipboard& system_clipboard() {
    ensure_gui_application();
    return *QGuiApplication::clipboard();
}
}  // namespace

unsigned QtClipboard::RegisterFormat(const std::string& name) {
    auto it = names_.find(name);
    if (it != names_.end()) return it->second;
    unsigned n = 0xC000 + unsigned(names_.size());
    names_[name] = n;
    return n;
}

std::string QtClipboard::FormatName(unsigned format) const {
    for (auto& [name, n] : names_)
        if (n == format) return name;
    return {};
}

std::string QtClipboard::mimeOf(unsigned format) const {
    if (format == CF_BITMAP) return "image/bmp";
    return "application/x-tamblero-clip;name=" + FormatName(format);
}

bool QtClipboard::HasFormat(unsigned format) const {
    const QMimeData* m = system_clipboard().mimeData();
    if (!m) return false;
    if (format == CF_BITMAP) return m->hasImage() || m->hasFormat("image/bmp");
    return m->hasFormat(QString::fromStdString(mimeOf(format)));
}

std::optional<std::vector<uint8_t>> QtClipboard::Data(unsigned format) const {
    const QMimeData* m = system_clipboard().mimeData();
    if (!m) return std::nullopt;
    QString mime = QString::fromStdString(mimeOf(format));
    if (m->hasFormat(mime)) {
        QByteArray b = m->data(mime);
        return std::vector<uint8_t>(b.begin(), b.end());
    }
    if (format == CF_BITMAP && m->hasImage()) {
        QImage image = qvariant_cast<QImage>(m->imageData()).convertToFormat(QImage::Format_RGB32);
        TBitmap bmp(image.width(), image.height(), pf24bit);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                QRgb p = image.pixel(x, y);
                bmp.SetPixel(x, y, RGBColor(uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p))));
            }
        return bmp.SaveToBmp();
    }
    return std::nullopt;
}

void QtClipboard::SetData(unsigned format, std::vector<uint8_t> bytes) {
    QClipboard* board = &system_clipboard();
    auto* data = new QMimeData;
    if (const QMimeData* old = board->mimeData())
        for (const QString& f : old->formats()) data->setData(f, old->data(f));
    data->setData(QString::fromStdString(mimeOf(format)),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    board->setMimeData(data);
}

void QtClipboard::Clear() { system_clipboard().clear(); }

// ---- cursors

void QtCursorTable::SetCursor(int id, const CursorImage& image) {
    ensure_gui_application();  // Qt's bitmaps need an application
    images_[id] = image;
    // Qt's bitmap/mask pair: bitmap 1 = black, mask 1 = drawn; XOR-only
    // pixels (screen inverted) have no Qt counterpart and are drawn black.
    QImage bits(image.Width, image.Height, QImage::Format_Mono), mask(image.Width, image.Height, QImage::Format_Mono);
    bits.fill(0);
    mask.fill(0);
    int rowBytes = (image.Width + 31) / 32 * 4;
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) {
            size_t at = size_t(y * rowBytes + x / 8);
            int bit = 0x80 >> (x & 7);
            bool andBit = at < image.AndMask.size() && (image.AndMask[at] & bit);
            bool xorBit = at < image.XorMask.size() && (image.XorMask[at] & bit);
            if (!andBit) {
                mask.setPixel(x, y, 1);
                bits.setPixel(x, y, xorBit ? 0 : 1);
            } else if (xorBit) {
                mask.setPixel(x, y, 1);
                bits.setPixel(x, y, 1);
            }
        }
    cursors_[id] = QCursor(QBitmap::fromImage(bits), QBitmap::fromImage(mask), image.HotSpot.X, image.HotSpot.Y);
}

const CursorImage* QtCursorTable::Cursor(int id) const {
    auto it = images_.find(id);
    return it == images_.end() ? nullptr : &it->second;
}

void QtCursorTable::RemoveCursor(int id) {
    images_.erase(id);
    cursors_.erase(id);
}

QCursor QtCursorTable::QtCursor(int id) const {
    auto it = cursors_.find(id);
    return it == cursors_.end() ? QCursor(Qt::ArrowCursor) : it->second;
}

}  // namespace graphics::qt
