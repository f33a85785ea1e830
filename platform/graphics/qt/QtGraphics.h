#pragma once
// Qt side of the graphics layer: painting a finished raster unscaled, and
// the Qt clipboard and cursors behind the graphics interfaces. QtGui only.

#include <QCursor>
#include <QImage>
#include <QPainter>
#include <map>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Clipboard.h"
#include "platform/graphics/Cursors.h"

namespace graphics::qt {

// The bitmap's pixels as a 32-bit RGB image, pixel for pixel.
QImage to_qimage(const TBitmap& bitmap);

// Paints the raster with its top-left corner at (x, y) in device pixels: one
// raster pixel is one pixel on the screen, whatever the device's scale.
void paint_raster(QPainter& painter, const TBitmap& bitmap, int x, int y);

// Stored picture data as kept in form resources (class name, then the
// format's data) drawn at the picture's own size: an ARGB image whose
// transparent parts have alpha 0. False when there is no picture; format
// errors propagate.
bool stored_picture_to_qimage(const std::vector<uint8_t>& stored, QImage& out);

// The system clipboard: a named format travels as the MIME type
// "application/x-tamblero-clip;name=<name>", the bitmap format as an image.
class QtClipboard : public Clipboard {
public:
    unsigned RegisterFormat(const std::string& name) override;
    std::string FormatName(unsigned format) const override;
    bool HasFormat(unsigned format) const override;
    std::optional<std::vector<uint8_t>> Data(unsigned format) const override;
    void SetData(unsigned format, std::vector<uint8_t> bytes) override;
    void Clear() override;

private:
    std::string mimeOf(unsigned format) const;
    std::map<std::string, unsigned> names_;
};

// Numbered cursors made into Qt cursors (monochrome, with their hot spots).
class QtCursorTable : public CursorTable {
public:
    void SetCursor(int id, const CursorImage& image) override;
    const CursorImage* Cursor(int id) const override;
    void RemoveCursor(int id) override;
    // The Qt cursor of a number (the arrow for an unknown number).
    QCursor QtCursor(int id) const;

private:
    std::map<int, CursorImage> images_;
    std::map<int, QCursor> cursors_;
};

}  // namespace graphics::qt
