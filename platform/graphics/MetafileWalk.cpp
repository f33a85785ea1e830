#include "platform/graphics/MetafileWalk.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <variant>
#include <vector>

#include "platform/core/CodePages.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/EmfRecords.h"

namespace graphics {

namespace {

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

std::vector<uint16_t> units_of(std::span<const uint8_t> r, size_t at, size_t units) {
    std::vector<uint16_t> text(units);
    for (size_t i = 0; i < units; ++i) text[i] = get_le16(&r[at + 2 * i]);
    return text;
}

class Walk {
public:
    explicit Walk(MetafileSink& sink) : sink_(sink) {}

    void play(const TMetafile& metafile) {
        auto records = metafile.Records();
        set_clip(std::nullopt);
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

private:
    void set_clip(const std::optional<TRect>& clip) {
        clip_ = clip;
        sink_.Clip(clip_);
    }

    WalkPen pen(bool forShape) const {
        WalkPen p;
        p.Style = dc_.nullPen ? psClear
                              : TPenStyle(forShape || dc_.pen.style > psDashDotDot ? psSolid : dc_.pen.style);
        if (dc_.pen.style == psClear) p.Style = psClear;
        p.Width = std::max(dc_.pen.width, 1);
        p.Color = dc_.pen.color;
        return p;
    }

    void use_font() {
        font_.Name = dc_.font.name;
        font_.Height = dc_.font.height;
        font_.Style = dc_.font.style;
        font_.Charset = dc_.font.charset;
        font_.Color = dc_.textColor;
    }

    void shape(std::span<const uint8_t> r, uint32_t type) {
        if (r.size() < 24 || (type == emf::ROUNDRECT && r.size() < 32)) return;
        WalkPen p = pen(true);
        WalkBrush b{dc_.brush.solid, dc_.brush.color};
        TRect box = normalized(rect_at(r, 8));
        if (!sane(box)) return;
        // Without a pen a shape covers one pixel less each way.
        if (p.Style == psClear) {
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
        sink_.Shape(box, cw, ch, p, b);
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
        // The texts of a page are many and short: their buffers are reused.
        std::vector<uint16_t>& units = units_;
        units.resize(n);
        for (size_t i = 0; i < n; ++i) units[i] = get_le16(&r[offString + 2 * i]);
        std::string& utf8 = utf8_;
        utf8.clear();
        for (size_t i = 0; i < n; ++i) {
            char32_t cp = units[i];
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                cp = 0xFFFD;
            }
            if (cp < 0x80) utf8.push_back(char(cp));
            else core::append_utf8(utf8, cp);
        }
        use_font();
        std::vector<int32_t>& dx = dx_;
        dx.clear();
        if (haveDx) {
            for (uint32_t i = 0; i < n; ++i) dx.push_back(i32(r, offDx + 4 * i));
        } else {
            record_text(font_, utf8, measured_);
            dx.assign(measured_.Advances.begin(), measured_.Advances.end());
        }
        int64_t width = 0;
        for (int32_t a : dx) {
            if (!sane(a)) return;
            width += a;
        }
        if (!sane(width)) return;
        // Pages draw run after run in one font: measured once a font.
        if (!metric_ || metricFont_.name != dc_.font.name || metricFont_.height != dc_.font.height ||
            metricFont_.style != dc_.font.style) {
            metric_ = font_engine().Metric(font_);
            metricFont_ = dc_.font;
        }
        const TTextMetric metric = *metric_;
        TPoint at = text_origin(dc_.textAlign, ref.X, ref.Y, int(width), metric);
        std::optional<TRect> saved = clip_;
        if (options & emf::ETO_CLIPPED) set_clip(saved ? intersect(*saved, box) : box);
        if (options & emf::ETO_OPAQUE) sink_.Fill(box, ColorToRGB(dc_.bkColor));
        WalkText t;
        t.X = at.X;
        t.Y = at.Y;
        t.Ascent = metric.Ascent;
        t.Utf8 = utf8;
        t.Units = units;
        t.Advances = dx;
        t.Font = &font_;
        sink_.Text(t);
        if (options & emf::ETO_CLIPPED) set_clip(saved);
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
        if (cx <= 0 || cy <= 0 || cxd <= 0 || cyd <= 0) return std::nullopt;
        if (!sane(x) || !sane(y) || !sane(xs) || !sane(ys) || !sane(cx) || !sane(cy) || !sane(cxd) || !sane(cyd))
            return std::nullopt;
        s.bitmap = dib(r, get_le32(&r[48]), get_le32(&r[52]), get_le32(&r[56]), get_le32(&r[60]));
        if (!s.bitmap) return std::nullopt;
        s.dest = TRect{x, y, x + cxd, y + cyd};
        s.src = TRect{xs, ys, xs + cx, ys + cy};
        return s;
    }

    static TCopyMode mode_of(uint32_t rop) {
        return rop == emf::SRCAND ? cmSrcAnd : rop == emf::SRCPAINT ? cmSrcPaint
             : rop == emf::SRCINVERT ? cmSrcInvert : cmSrcCopy;
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
        sink_.Bits(picture->dest, picture->src, *picture->bitmap, cmSrcCopy, [&m](int x, int y) {
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
                set_clip(dc_.clip);
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
                    f.name = core::utf16_to_utf8(units_of(r, 40, len));
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
                    WalkPen p = pen(false);
                    if (p.Style != psClear) sink_.Line(position_, to, p);
                    position_ = to;
                }
                break;
            case emf::SETPIXELV:
                if (has(20) && sane(i32(r, 8)) && sane(i32(r, 12)))
                    sink_.Dot(i32(r, 8), i32(r, 12), TColor(get_le32(&r[16]) & 0xFFFFFF));
                break;
            case emf::RECTANGLE:
            case emf::ELLIPSE:
            case emf::ROUNDRECT: shape(r, type); break;
            case emf::EXTTEXTOUTW: text(r); break;
            case emf::INTERSECTCLIPRECT:
                if (has(24) && sane(rect_at(r, 8))) {
                    TRect c = normalized(rect_at(r, 8));
                    dc_.clip = dc_.clip ? intersect(*dc_.clip, c) : c;
                    set_clip(dc_.clip);
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
                    set_clip(dc_.clip);
                }
                break;
            case emf::STRETCHDIBITS:
                if (auto s = stretch(r)) sink_.Bits(s->dest, s->src, *s->bitmap, mode_of(s->rop), {});
                break;
            default: break;  // not drawn here
        }
    }

    MetafileSink& sink_;
    DcState dc_;
    std::vector<DcState> saved_;
    std::map<uint32_t, Object> objects_;
    TPoint position_;
    TFont font_;
    std::optional<TTextMetric> metric_;
    FontObject metricFont_;
    std::vector<uint16_t> units_;
    std::string utf8_;
    std::vector<int32_t> dx_;
    TRecordedText measured_;
    std::optional<TRect> clip_;
};

}  // namespace

void walk_metafile(const TMetafile& page, MetafileSink& sink) { Walk(sink).play(page); }

}  // namespace graphics
