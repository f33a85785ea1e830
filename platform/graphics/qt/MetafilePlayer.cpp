#include "platform/graphics/qt/MetafilePlayer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <variant>

#include "platform/core/CodePages.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/EmfRecords.h"
#include "platform/graphics/qt/QtCanvas.h"

namespace graphics::qt {

namespace {

namespace emf = graphics::emf;
using core::get_le16;
using core::get_le32;

struct PenObject {
    int style = psSolid, width = 1;
    TColor color = clBlack;
};
struct BrushObject {
    bool solid = true;
    TColor color = clWhite;
};
struct FontObject {
    std::string name = "MS Sans Serif";
    int height = -11, style = 0, charset = 1;
};
using Object = std::variant<PenObject, BrushObject, FontObject>;

// The drawing state that SaveDC keeps.
struct DcState {
    PenObject pen;
    bool nullPen = false;
    BrushObject brush;
    FontObject font;
    TColor textColor = clBlack, bkColor = clWhite;
    int textAlign = 0;
    std::optional<TRect> clip;
};

int32_t i32(std::span<const uint8_t> r, size_t at) { return int32_t(get_le32(&r[at])); }

// Coordinates and lengths a page can hold; records with others are skipped,
// so no arithmetic on them can overflow.
constexpr int32_t kFar = 1 << 24;
bool sane(int64_t v) { return v > -kFar && v < kFar; }
// Pen widths and font heights are held to these; saved states to this many.
constexpr int32_t kMaxPen = 4096, kMaxFont = 4096;
constexpr size_t kMaxSaved = 1024;
bool sane(const TRect& r) { return sane(r.Left) && sane(r.Top) && sane(r.Right) && sane(r.Bottom); }

TRect rect_at(std::span<const uint8_t> r, size_t at) { return TRect{i32(r, at), i32(r, at + 4), i32(r, at + 8), i32(r, at + 12)}; }

TRect normalized(TRect r) {
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}

TRect intersect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    r.Right = std::max(r.Right, r.Left);
    r.Bottom = std::max(r.Bottom, r.Top);
    return r;
}

// A device-independent bitmap inside a record: 24 or 32 bits a pixel,
// either row order. Null when its fields do not fit the record.
std::unique_ptr<TBitmap> dib(std::span<const uint8_t> r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                             uint32_t cbBits) {
    if (offBmi > r.size() || cbBmi < 40 || cbBmi > r.size() - offBmi) return nullptr;
    if (offBits > r.size() || cbBits > r.size() - offBits) return nullptr;
    auto h = r.subspan(offBmi, cbBmi);
    int32_t w = i32(h, 4), height = i32(h, 8);
    int bpp = get_le16(&h[14]);
    uint32_t compression = get_le32(&h[16]);
    if (w <= 0 || height == 0 || height == INT32_MIN || (bpp != 24 && bpp != 32) || compression != 0) return nullptr;
    int rows = std::abs(height);
    uint64_t stride = (uint64_t(w) * uint64_t(bpp) / 8 + 3) & ~uint64_t(3);
    if (stride * uint64_t(rows) > cbBits) return nullptr;
    auto bitmap = std::make_unique<TBitmap>(w, rows, pf24bit);
    for (int y = 0; y < rows; ++y) {
        const uint8_t* line = &r[offBits + size_t(height > 0 ? rows - 1 - y : y) * stride];
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = line + size_t(x) * size_t(bpp / 8);
            bitmap->SetPixel(x, y, RGBColor(p[2], p[1], p[0]));
        }
    }
    return bitmap;
}

std::string utf8_of(std::span<const uint8_t> r, size_t at, size_t units) {
    std::vector<uint16_t> text(units);
    for (size_t i = 0; i < units; ++i) text[i] = get_le16(&r[at + 2 * i]);
    return core::utf16_to_utf8(text);
}

// The canvas that replays: QtCanvas's primitives, state from the records.
class Player : public QtCanvas {
public:
    Player(QPainter& painter, const TRect& page, bool identity)
        : QtCanvas(painter), page_(page), identity_(identity) {}

    void play(const TMetafile& metafile) {
        auto records = metafile.Records();
        apply(dc_);
        for (size_t i = 0; i < records.size(); ++i) {
            const auto& rec = records[i];
            // Every record's parameters are checked against its size before use.
            std::span<const uint8_t> r = rec.Bytes;
            if (rec.Type == emf::STRETCHDIBITS && i + 1 < records.size() && masked_pair(r, records[i + 1].Bytes)) {
                ++i;
                continue;
            }
            record(rec.Type, r);
        }
    }

protected:
    void ClipChanged() override {
        TRect c = ClipRect() ? intersect(*ClipRect(), page_) : page_;
        Painter().setClipRect(QRect(c.Left, c.Top, c.Width(), c.Height()));
    }

private:
    void apply(const DcState& s) {
        if (s.clip)
            SetClipRect(*s.clip);
        else
            ResetClip();
    }

    void use_pen(bool forShape) {
        Pen.Style = dc_.nullPen ? psClear : TPenStyle(forShape || dc_.pen.style > psDashDotDot ? psSolid : dc_.pen.style);
        if (dc_.pen.style == psClear) Pen.Style = psClear;
        Pen.Width = std::max(dc_.pen.width, 1);
        Pen.Color = dc_.pen.color;
    }

    void use_font() {
        Font.Name = dc_.font.name;
        Font.Height = dc_.font.height;
        Font.Style = dc_.font.style;
        Font.Charset = dc_.font.charset;
        Font.Color = dc_.textColor;
    }

    void shape(std::span<const uint8_t> r, uint32_t type) {
        if (r.size() < 24 || (type == emf::ROUNDRECT && r.size() < 32)) return;
        use_pen(true);
        Brush.Style = dc_.brush.solid ? bsSolid : bsClear;
        Brush.Color = dc_.brush.color;
        TRect box = normalized(rect_at(r, 8));
        if (!sane(box)) return;
        // Without a pen a shape covers one pixel less each way.
        if (Pen.Style == psClear) {
            box.Right -= 1;
            box.Bottom -= 1;
        }
        if (box.Width() <= 0 || box.Height() <= 0) return;
        int cw = 0, ch = 0;
        if (type == emf::ELLIPSE) {
            cw = box.Width();
            ch = box.Height();
        } else if (type == emf::ROUNDRECT) {
            if (!sane(i32(r, 24)) || !sane(i32(r, 28))) return;
            cw = std::abs(i32(r, 24));
            ch = std::abs(i32(r, 28));
        }
        DoShape(box, cw, ch);
    }

    void text(std::span<const uint8_t> r) {
        if (r.size() < 76) return;
        TPoint ref{i32(r, 36), i32(r, 40)};
        uint32_t n = get_le32(&r[44]), offString = get_le32(&r[48]), options = get_le32(&r[52]);
        TRect box = normalized(rect_at(r, 56));
        uint32_t offDx = get_le32(&r[72]);
        if (!sane(ref.X) || !sane(ref.Y) || !sane(box)) return;
        if (n > r.size() / 2 || offString > r.size() || 2 * size_t(n) > r.size() - offString) return;
        bool haveDx = offDx != 0 && offDx <= r.size() && 4 * size_t(n) <= r.size() - offDx;
        std::string utf8 = utf8_of(r, offString, n);
        use_font();
        // What this machine measures; the page's own advances where it has them.
        std::vector<int32_t> measured = record_text(Font, utf8).Advances;
        std::vector<int32_t> dx;
        if (haveDx) {
            dx.reserve(n);
            for (uint32_t i = 0; i < n; ++i) dx.push_back(i32(r, offDx + 4 * i));
        } else {
            dx = measured;
        }
        int64_t width = 0;
        for (int32_t a : dx) {
            if (!sane(a)) return;
            width += a;
        }
        if (!sane(width)) return;
        TPoint at = text_origin(dc_.textAlign, ref.X, ref.Y, int(width), font_engine().Metric(Font));
        int x = at.X, y = at.Y;
        std::optional<TRect> saved = ClipRect();
        if (options & emf::ETO_CLIPPED) SetClipRect(saved ? intersect(*saved, box) : box);
        if (options & emf::ETO_OPAQUE) DoFillRect(box, ColorToRGB(dc_.bkColor));
        if (measured == dx) {
            DoText(x, y, utf8);
        } else {
            // Each character where the page measured it.
            size_t unit = 0;
            int at = x;
            for (size_t pos = 0; pos < utf8.size();) {
                size_t start = pos;
                char32_t cp = 0;
                core::next_code_point(utf8, pos, cp);
                DoText(at, y, std::string_view(utf8).substr(start, pos - start));
                for (int k = cp >= 0x10000 ? 2 : 1; k > 0 && unit < dx.size(); --k) at += dx[unit++];
            }
        }
        if (options & emf::ETO_CLIPPED) {
            if (saved)
                SetClipRect(*saved);
            else
                ResetClip();
        }
    }

    void bits(const TRect& dest, const TRect& src, const TBitmap& bitmap, uint32_t rop,
              const std::function<bool(int, int)>& skip) {
        TCopyMode mode = rop == emf::SRCAND ? cmSrcAnd : rop == emf::SRCPAINT ? cmSrcPaint
                       : rop == emf::SRCINVERT ? cmSrcInvert : cmSrcCopy;
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

    struct Stretch {
        TRect dest, src;
        uint32_t rop;
        std::unique_ptr<TBitmap> bitmap;
    };
    std::optional<Stretch> stretch(std::span<const uint8_t> r) {
        if (r.size() < 80) return std::nullopt;
        Stretch s;
        int x = i32(r, 24), y = i32(r, 28), xs = i32(r, 32), ys = i32(r, 36), cx = i32(r, 40), cy = i32(r, 44);
        s.rop = get_le32(&r[68]);
        int cxd = i32(r, 72), cyd = i32(r, 76);
        s.bitmap = dib(r, get_le32(&r[48]), get_le32(&r[52]), get_le32(&r[56]), get_le32(&r[60]));
        if (!s.bitmap || cx <= 0 || cy <= 0 || cxd <= 0 || cyd <= 0) return std::nullopt;
        if (!sane(x) || !sane(y) || !sane(xs) || !sane(ys) || !sane(cx) || !sane(cy) || !sane(cxd) || !sane(cyd))
            return std::nullopt;
        s.dest = TRect{x, y, x + cxd, y + cyd};
        s.src = TRect{xs, ys, xs + cx, ys + cy};
        return s;
    }

    // A mask and-ed in and a picture or-ed over it: the picture drawn with
    // the mask's white pixels left out.
    bool masked_pair(std::span<const uint8_t> first, std::span<const uint8_t> second) {
        if (second.size() < 8 || get_le32(&second[0]) != emf::STRETCHDIBITS) return false;
        auto mask = stretch(first), picture = stretch(second);
        if (!mask || !picture || mask->rop != emf::SRCAND || picture->rop != emf::SRCPAINT) return false;
        if (!(mask->dest == picture->dest) || !(mask->src == picture->src)) return false;
        const TBitmap& m = *mask->bitmap;
        if (m.PixelWidth() != picture->bitmap->PixelWidth() || m.PixelHeight() != picture->bitmap->PixelHeight())
            return false;
        bits(picture->dest, picture->src, *picture->bitmap, emf::SRCCOPY, [&m](int x, int y) {
            return x < m.PixelWidth() && y < m.PixelHeight() && m.Pixel(x, y) == clWhite;
        });
        return true;
    }

    void record(uint32_t type, std::span<const uint8_t> r) {
        auto has = [&](size_t n) { return r.size() >= n; };
        switch (type) {
            case emf::SAVEDC:
                if (saved_.size() < kMaxSaved) saved_.push_back(dc_);
                break;
            case emf::RESTOREDC: {
                if (!has(12)) break;
                int32_t rel = i32(r, 8);
                size_t pop = rel < 0 ? size_t(-int64_t(rel)) : 0;
                if (pop == 0 || pop > saved_.size()) break;
                saved_.resize(saved_.size() - pop + 1);
                dc_ = saved_.back();
                saved_.pop_back();
                apply(dc_);
                break;
            }
            case emf::SETTEXTALIGN:
                if (has(12)) dc_.textAlign = i32(r, 8);
                break;
            case emf::SETTEXTCOLOR:
                if (has(12)) dc_.textColor = TColor(get_le32(&r[8]) & 0xFFFFFF);
                break;
            case emf::SETBKCOLOR:
                if (has(12)) dc_.bkColor = TColor(get_le32(&r[8]) & 0xFFFFFF);
                break;
            case emf::CREATEPEN:
                if (has(28))
                    objects_[get_le32(&r[8])] =
                        PenObject{i32(r, 12) & 0xFF, std::clamp(i32(r, 16), 1, kMaxPen), TColor(get_le32(&r[24]) & 0xFFFFFF)};
                break;
            case emf::CREATEBRUSHINDIRECT:
                if (has(24))
                    objects_[get_le32(&r[8])] = BrushObject{get_le32(&r[12]) != emf::BS_NULL, TColor(get_le32(&r[16]) & 0xFFFFFF)};
                break;
            case emf::EXTCREATEFONTINDIRECTW:
                if (has(12 + emf::kLogFontSize)) {
                    FontObject f;
                    f.height = std::clamp(i32(r, 12), -kMaxFont, kMaxFont);
                    f.style = (i32(r, 28) >= 600 ? 1 << fsBold : 0) | (r[32] ? 1 << fsItalic : 0) |
                              (r[33] ? 1 << fsUnderline : 0) | (r[34] ? 1 << fsStrikeOut : 0);
                    f.charset = r[35];
                    size_t len = 0;
                    while (len < 32 && get_le16(&r[40 + 2 * len]) != 0) ++len;
                    f.name = utf8_of(r, 40, len);
                    objects_[get_le32(&r[8])] = f;
                }
                break;
            case emf::SELECTOBJECT: {
                if (!has(12)) break;
                uint32_t h = get_le32(&r[8]);
                if (h == emf::NULL_PEN) {
                    dc_.nullPen = true;
                } else if (h == emf::NULL_BRUSH) {
                    dc_.brush.solid = false;
                } else if (h & emf::kStockObject) {
                    // other stock objects: white brush 0, black pen 7
                    if (h == (emf::kStockObject | 0)) dc_.brush = BrushObject{true, clWhite};
                    if (h == (emf::kStockObject | 7)) {
                        dc_.pen = PenObject{};
                        dc_.nullPen = false;
                    }
                } else if (auto it = objects_.find(h); it != objects_.end()) {
                    if (auto* p = std::get_if<PenObject>(&it->second)) {
                        dc_.pen = *p;
                        dc_.nullPen = false;
                    } else if (auto* b = std::get_if<BrushObject>(&it->second)) {
                        dc_.brush = *b;
                    } else if (auto* f = std::get_if<FontObject>(&it->second)) {
                        dc_.font = *f;
                    }
                }
                break;
            }
            case emf::DELETEOBJECT:
                if (has(12)) objects_.erase(get_le32(&r[8]));
                break;
            case emf::MOVETOEX:
                if (has(16) && sane(i32(r, 8)) && sane(i32(r, 12))) position_ = TPoint{i32(r, 8), i32(r, 12)};
                break;
            case emf::LINETO:
                if (has(16) && sane(i32(r, 8)) && sane(i32(r, 12))) {
                    TPoint to{i32(r, 8), i32(r, 12)};
                    use_pen(false);
                    if (Pen.Style != psClear) DoLine(position_, to);
                    position_ = to;
                }
                break;
            case emf::SETPIXELV:
                if (has(20) && sane(i32(r, 8)) && sane(i32(r, 12))) DoSetPixel(i32(r, 8), i32(r, 12), TColor(get_le32(&r[16]) & 0xFFFFFF));
                break;
            case emf::RECTANGLE:
            case emf::ELLIPSE:
            case emf::ROUNDRECT: shape(r, type); break;
            case emf::EXTTEXTOUTW: text(r); break;
            case emf::INTERSECTCLIPRECT:
                if (has(24) && sane(rect_at(r, 8))) {
                    TRect c = normalized(rect_at(r, 8));
                    dc_.clip = dc_.clip ? intersect(*dc_.clip, c) : c;
                    apply(dc_);
                }
                break;
            case emf::EXTSELECTCLIPRGN:
                if (has(16)) {
                    uint32_t cb = get_le32(&r[8]);
                    // RGN_COPY without data: no clip; with data: its bounds.
                    if (cb == 0) {
                        dc_.clip.reset();
                    } else if (cb >= 32 && cb <= r.size() - 16 && sane(rect_at(r, 16 + 16))) {
                        TRect bound = normalized(rect_at(r, 16 + 16));
                        dc_.clip = get_le32(&r[12]) == emf::RGN_COPY || !dc_.clip ? bound : intersect(*dc_.clip, bound);
                    }
                    apply(dc_);
                }
                break;
            case emf::STRETCHDIBITS:
                if (auto s = stretch(r)) bits(s->dest, s->src, *s->bitmap, s->rop, {});
                break;
            default: break;  // not drawn here
        }
    }

    TRect page_;
    bool identity_;
    DcState dc_;
    std::vector<DcState> saved_;
    std::map<uint32_t, Object> objects_;
    TPoint position_;
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
        player.play(page);
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
