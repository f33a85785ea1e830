#include "platform/graphics/Metafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/core/ClassBuilder.h"
#include "platform/core/CodePages.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/EmfRecords.h"

using core::get_le32;
using core::put_le32;
namespace emf = graphics::emf;

namespace {

constexpr const char* kInvalidMetafile = "Metafile is not valid";
constexpr const char* kNoDrawing = "Canvas does not allow drawing";

[[noreturn]] void invalid() { throw EInvalidGraphic(kInvalidMetafile); }

// The byte count an EMF header announces, after checking the fixed part of
// the header in its first 52 bytes; 0 when they are no EMF header.
uint32_t announced_size(const uint8_t* p) {
    uint32_t type = get_le32(p), size = get_le32(p + 4), bytes = get_le32(p + 48);
    if (type != emf::HEADER || size < emf::kMinHeaderSize || size % 4 != 0 || get_le32(p + 40) != emf::kSignature)
        return 0;
    if (bytes < size + 20 || bytes % 4 != 0) return 0;
    return bytes;
}

// Checks a whole EMF: header, a chain of records of whole sizes that ends
// with the end-of-file record exactly at the byte count.
void check_chain(std::span<const uint8_t> b) {
    if (b.size() < 52 || announced_size(b.data()) != b.size()) invalid();
    size_t at = 0;
    uint32_t last = 0;
    while (at < b.size()) {
        if (b.size() - at < 8) invalid();
        uint32_t size = get_le32(&b[at + 4]);
        if (size < 8 || size % 4 != 0 || size > b.size() - at) invalid();
        last = get_le32(&b[at]);
        if (at > 0 && last == emf::HEADER) invalid();
        at += size;
    }
    if (last != emf::EOF_) invalid();
}

void put_rect(core::ByteWriter& w, int l, int t, int r, int b) { w.le32(uint32_t(l)).le32(uint32_t(t)).le32(uint32_t(r)).le32(uint32_t(b)); }
void put_rect(uint8_t* p, int l, int t, int r, int b) {
    put_le32(p, uint32_t(l));
    put_le32(p + 4, uint32_t(t));
    put_le32(p + 8, uint32_t(r));
    put_le32(p + 12, uint32_t(b));
}

uint32_t colorref(TColor c) { return uint32_t(ColorToRGB(c)) & 0xFFFFFF; }

std::vector<uint8_t> header_record(int width, int height, uint32_t total, uint32_t records) {
    std::vector<uint8_t> h;
    core::ByteWriter w(h);
    w.le32(emf::HEADER).le32(emf::kHeaderSize);
    put_rect(w, 0, 0, std::max(width - 1, 0), std::max(height - 1, 0));  // bounds, inclusive
    put_rect(w, 0, 0, emf::pixels_to_frame(width), emf::pixels_to_frame(height));  // frame in 0.01 mm
    w.le32(emf::kSignature).le32(emf::kVersion).le32(total).le32(records);
    w.le16(emf::kHandleCount).le16(0);
    w.le32(0).le32(0).le32(0);  // description, palette
    w.le32(emf::kDevicePixels).le32(emf::kDevicePixels);
    w.le32(emf::kDeviceMillimeters).le32(emf::kDeviceMillimeters);
    w.le32(0).le32(0).le32(0);  // pixel format, OpenGL
    w.le32(emf::kDeviceMillimeters * 1000).le32(emf::kDeviceMillimeters * 1000);
    return h;
}

void append_eof(std::vector<uint8_t>& out) {
    core::ByteWriter(out).le32(emf::EOF_).le32(20).le32(0).le32(16).le32(20);
}

}  // namespace

// ---- the page

TClass TMetafile::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TMetafile, TGraphic>("TMetafile").Build();
    return &info;
}
TClass TMetafile::ClassType() const { return StaticClass(); }

void TMetafile::SetWidth(int value) {
    if (value < 0) throw EInvalidGraphicOperation("Invalid metafile size");
    width_ = value;
}

void TMetafile::SetHeight(int value) {
    if (value < 0) throw EInvalidGraphicOperation("Invalid metafile size");
    height_ = value;
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) {
    if (const graphics::MetafileDrawer drawer = graphics::metafile_drawer_slot.get();
        drawer != nullptr && drawer(*this, canvas, rect))
        return;
    throw EInvalidGraphicOperation(kNoDrawing);
}

std::vector<uint8_t> TMetafile::Bytes() const {
    if (!bytes_.empty()) return bytes_;
    std::vector<uint8_t> out = header_record(width_, height_, emf::kHeaderSize + 20, 2);
    append_eof(out);
    return out;
}

void TMetafile::SetBytes(std::vector<uint8_t> bytes) {
    check_chain(bytes);
    int32_t l = int32_t(get_le32(&bytes[24])), t = int32_t(get_le32(&bytes[28]));
    int32_t r = int32_t(get_le32(&bytes[32])), b = int32_t(get_le32(&bytes[36]));
    int w = emf::frame_to_pixels(int64_t(r) - l), h = emf::frame_to_pixels(int64_t(b) - t);
    if (w < 0 || h < 0) invalid();
    width_ = w;
    height_ = h;
    bytes_ = std::move(bytes);
    Changed();
}

void TMetafile::Clear() {
    bytes_.clear();
    Changed();
}

void TMetafile::LoadFromStream(TStream& stream) {
    uint8_t head[52];
    if (stream.Read(head, 52) != 52) invalid();
    uint32_t total = announced_size(head);
    if (total == 0 || total - 52 > uint64_t(std::max<int64_t>(stream.Size() - stream.Position(), 0))) invalid();
    std::vector<uint8_t> bytes(head, head + 52);
    bytes.resize(total);
    if (stream.Read(bytes.data() + 52, total - 52) != int64_t(total - 52)) invalid();
    SetBytes(std::move(bytes));
}

void TMetafile::LoadFromStream(TByteReader& reader) {
    if (reader.Remaining() < 52) invalid();
    uint32_t total = announced_size(reader.Rest().data());
    if (total == 0 || total > reader.Remaining()) invalid();
    auto span = reader.Rest().first(total);
    SetBytes(std::vector<uint8_t>(span.begin(), span.end()));
    reader.Skip(total);
}

void TMetafile::SaveToStream(TStream& stream) const {
    std::vector<uint8_t> b = Bytes();
    stream.WriteBuffer(b.data(), int64_t(b.size()));
}

void TMetafile::SaveToStream(std::vector<uint8_t>& out) {
    std::vector<uint8_t> b = Bytes();
    out.insert(out.end(), b.begin(), b.end());
}

std::vector<TMetafile::Record> TMetafile::Records() const {
    std::vector<Record> out;
    std::span<const uint8_t> b(bytes_);
    for (size_t at = 0; at + 8 <= b.size();) {
        uint32_t size = get_le32(&b[at + 4]);
        out.push_back(Record{get_le32(&b[at]), b.subspan(at, size)});
        at += size;
    }
    return out;
}

namespace graphics {

void record_text(const TFont& font, std::string_view utf8, TRecordedText& out) {
    thread_local std::vector<double> advances;
    font_engine().Advances(font, utf8, advances);
    out.Units.clear();
    out.Advances.clear();
    out.Units.reserve(utf8.size());
    out.Advances.reserve(utf8.size());
    size_t pos = 0, i = 0;
    double sum = 0;
    int placed = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        if (!core::next_code_point(utf8, pos, cp)) cp = 0xFFFD;
        core::append_utf16(out.Units, cp);
        if (i < advances.size()) sum += advances[i++];
        int width = int(std::lround(sum));
        // The advance goes with the first unit of a surrogate pair.
        out.Advances.push_back(width - placed);
        if (cp >= 0x10000) out.Advances.push_back(0);
        placed = width;
    }
    out.Width = placed;
}

TRecordedText record_text(const TFont& font, std::string_view utf8) {
    TRecordedText out;
    record_text(font, utf8, out);
    return out;
}

}  // namespace graphics

// ---- the recorder

struct TMetafileCanvas::State {
    std::vector<uint8_t> records;
    uint32_t count = 0;
    bool closed = false;
    // The pen in slot 1 and what is selected: 0 nothing yet, 1 slot 1, 2 the null pen.
    struct PenKey {
        int style, width;
        uint32_t color;
        bool operator==(const PenKey&) const = default;
    };
    std::optional<PenKey> pen;
    int penSelected = 0;
    std::optional<uint32_t> brush;  // solid colour in slot 2
    int brushSelected = 0;           // 0 nothing yet, 1 slot 2, 2 the null brush
    struct FontKey {
        std::string name;
        int height, style, charset;
        bool operator==(const FontKey&) const = default;
    };
    std::optional<FontKey> font;
    bool fontSelected = false;
    uint32_t textColor = 0;
    int textAlign = 0;
    std::optional<TPoint> position;  // the current position as recorded
    // The clip as recorded, and whether the canvas's clip changed since: the
    // clip records are written before the next drawing record, and only when
    // they change what it is clipped to.
    std::optional<TRect> clip;
    bool clipChanged = false;
    graphics::TRecordedText text;    // the text being recorded, its storage reused
};

TMetafileCanvas::TMetafileCanvas(TMetafile& target, size_t expected)
    : target_(&target), state_(std::make_unique<State>()) {
    // Room for the header, written when the page is complete: the records
    // then become the page's bytes without a copy.
    state_->records.reserve(std::max<size_t>(16384, expected));
    state_->records.resize(emf::kHeaderSize);
    // Text backgrounds are recorded as opaque rectangles of the text record.
    uint8_t p[4];
    put_le32(p, emf::TRANSPARENT);
    record(emf::SETBKMODE, p);
}

TMetafileCanvas::~TMetafileCanvas() {
    try {
        Close();
    } catch (...) {
        // A page that cannot be finished (out of memory) is left as it was.
    }
}

void TMetafileCanvas::Close() {
    if (state_->closed) return;
    state_->closed = true;
    State& s = *state_;
    append_eof(s.records);
    std::vector<uint8_t> header = header_record(target_->width_, target_->height_, uint32_t(s.records.size()), s.count + 2);
    std::copy(header.begin(), header.end(), s.records.begin());
    // A page keeps little more memory than its bytes.
    if (s.records.capacity() - s.records.size() > s.records.size() / 4) s.records.shrink_to_fit();
    target_->bytes_ = std::move(s.records);
    s.records = {};
    target_->Changed();
}

void TMetafileCanvas::check_open() const {
    if (state_->closed) throw EInvalidGraphicOperation(kNoDrawing);
}

void TMetafileCanvas::record(uint32_t type, std::span<const uint8_t> params) {
    check_open();
    core::ByteWriter(state_->records).le32(type).le32(uint32_t(8 + params.size())).bytes(params);
    ++state_->count;
}

void TMetafileCanvas::select_pen(TPenStyle style, int width, TColor color) {
    State& s = *state_;
    uint8_t p[16];
    if (style == psClear) {
        if (s.penSelected != 2) {
            put_le32(p, emf::NULL_PEN);
            record(emf::SELECTOBJECT, std::span(p, 4));
            s.penSelected = 2;
        }
        return;
    }
    State::PenKey key{style == psInsideFrame ? int(psSolid) : int(style), std::max(width, 1), colorref(color)};
    if (s.pen != key) {
        if (s.pen) {
            put_le32(p, emf::kPenSlot);
            record(emf::DELETEOBJECT, std::span(p, 4));
        }
        std::vector<uint8_t> b;
        core::ByteWriter(b).le32(emf::kPenSlot).le32(uint32_t(key.style)).le32(uint32_t(key.width)).le32(0).le32(key.color);
        record(emf::CREATEPEN, b);
        s.pen = key;
        s.penSelected = 0;
    }
    if (s.penSelected != 1) {
        put_le32(p, emf::kPenSlot);
        record(emf::SELECTOBJECT, std::span(p, 4));
        s.penSelected = 1;
    }
}

void TMetafileCanvas::select_brush(bool solid, TColor color) {
    State& s = *state_;
    uint8_t p[4];
    if (!solid) {
        if (s.brushSelected != 2) {
            put_le32(p, emf::NULL_BRUSH);
            record(emf::SELECTOBJECT, p);
            s.brushSelected = 2;
        }
        return;
    }
    uint32_t c = colorref(color);
    if (s.brush != c) {
        if (s.brush) {
            put_le32(p, emf::kBrushSlot);
            record(emf::DELETEOBJECT, p);
        }
        std::vector<uint8_t> b;
        core::ByteWriter(b).le32(emf::kBrushSlot).le32(emf::BS_SOLID).le32(c).le32(0);
        record(emf::CREATEBRUSHINDIRECT, b);
        s.brush = c;
        s.brushSelected = 0;
    }
    if (s.brushSelected != 1) {
        put_le32(p, emf::kBrushSlot);
        record(emf::SELECTOBJECT, p);
        s.brushSelected = 1;
    }
}

void TMetafileCanvas::select_font() {
    State& s = *state_;
    uint8_t p[4];
    State::FontKey key{Font.Name, Font.Height, Font.Style, Font.Charset};
    if (s.font != key) {
        if (s.font) {
            put_le32(p, emf::kFontSlot);
            record(emf::DELETEOBJECT, p);
        }
        std::vector<uint8_t> b;
        core::ByteWriter w(b);
        w.le32(emf::kFontSlot);
        w.le32(uint32_t(Font.Height)).le32(0).le32(0).le32(0);
        w.le32(Font.HasStyle(fsBold) ? 700 : 400);
        w.u8(Font.HasStyle(fsItalic)).u8(Font.HasStyle(fsUnderline)).u8(Font.HasStyle(fsStrikeOut));
        w.u8(uint32_t(Font.Charset)).u8(0).u8(0).u8(0).u8(0);
        std::vector<uint16_t> face = core::utf8_to_utf16(Font.Name);
        for (size_t i = 0; i < 32; ++i) w.le16(i < 31 && i < face.size() ? face[i] : 0);
        b.resize(4 + emf::kLogFontPanoseSize, 0);  // full name, style, version ... panose: all zero
        record(emf::EXTCREATEFONTINDIRECTW, b);
        s.font = key;
        s.fontSelected = false;
    }
    if (!s.fontSelected) {
        put_le32(p, emf::kFontSlot);
        record(emf::SELECTOBJECT, p);
        s.fontSelected = true;
    }
}

void TMetafileCanvas::set_text_color(TColor color) {
    uint32_t c = colorref(color);
    if (c == state_->textColor) return;
    uint8_t p[4];
    put_le32(p, c);
    record(emf::SETTEXTCOLOR, p);
    state_->textColor = c;
}

void TMetafileCanvas::set_text_align(int align) {
    align &= TA_CENTER | TA_BASELINE;
    if (align == state_->textAlign) return;
    uint8_t p[4];
    put_le32(p, uint32_t(align));
    record(emf::SETTEXTALIGN, p);
    state_->textAlign = align;
}

void TMetafileCanvas::DoSetPixel(int x, int y, TColor color) {
    record_clip();
    std::vector<uint8_t> b;
    core::ByteWriter(b).le32(uint32_t(x)).le32(uint32_t(y)).le32(colorref(color));
    record(emf::SETPIXELV, b);
}

void TMetafileCanvas::DoFillRect(const TRect& rect, TColor color) {
    record_clip();
    // A rectangle without a pen covers one pixel less each way.
    select_pen(psClear, 0, 0);
    select_brush(true, color);
    uint8_t p[16];
    put_rect(p, rect.Left, rect.Top, rect.Right + 1, rect.Bottom + 1);
    record(emf::RECTANGLE, p);
}

void TMetafileCanvas::DoLine(TPoint from, TPoint to) {
    record_clip();
    select_pen(Pen.Style, Pen.Width, Pen.Color);
    State& s = *state_;
    std::vector<uint8_t> b;
    if (!s.position || s.position->X != from.X || s.position->Y != from.Y) {
        core::ByteWriter(b).le32(uint32_t(from.X)).le32(uint32_t(from.Y));
        record(emf::MOVETOEX, b);
        b.clear();
    }
    core::ByteWriter(b).le32(uint32_t(to.X)).le32(uint32_t(to.Y));
    record(emf::LINETO, b);
    s.position = to;
}

void TMetafileCanvas::DoShape(const TRect& rect, int cw, int ch) {
    record_clip();
    bool clear = Pen.Style == psClear;
    select_pen(clear ? psClear : psSolid, Pen.Width, Pen.Color);
    select_brush(Brush.Style != bsClear, Brush.Color);
    int grow = clear ? 1 : 0;
    std::vector<uint8_t> b;
    core::ByteWriter w(b);
    put_rect(w, rect.Left, rect.Top, rect.Right + grow, rect.Bottom + grow);
    if (cw == 0 && ch == 0) {
        record(emf::RECTANGLE, b);
    } else if (cw == rect.Width() && ch == rect.Height()) {
        record(emf::ELLIPSE, b);
    } else {
        w.le32(uint32_t(cw)).le32(uint32_t(ch));
        record(emf::ROUNDRECT, b);
    }
}

void TMetafileCanvas::record_text(int x, int y, const graphics::TRecordedText& t, const TRect* clip, bool opaque,
                                  const TRect& cell) {
    record_clip();
    select_font();
    set_text_color(Font.Color);
    set_text_align(TextAlign);
    if (opaque) {
        uint8_t p[4];
        put_le32(p, colorref(Brush.Color));
        record(emf::SETBKCOLOR, p);
    }
    check_open();
    uint32_t n = uint32_t(t.Units.size());
    uint32_t stringBytes = (2 * n + 3) & ~3u;
    uint32_t offDx = 76 + stringBytes;
    uint32_t size = offDx + 4 * n;
    TRect bounds = clip ? *clip : cell;
    TRect box = clip ? *clip : (opaque ? cell : TRect{});
    // Written in place: the record's size is known before its first byte.
    std::vector<uint8_t>& out = state_->records;
    size_t start = out.size();
    out.resize(start + size);
    uint8_t* p = out.data() + start;
    auto le32 = [&p](auto... values) {
        ((put_le32(p, uint32_t(values)), p += 4), ...);
    };
    le32(emf::EXTTEXTOUTW, size);
    le32(bounds.Left, bounds.Top, bounds.Right - 1, bounds.Bottom - 1);
    le32(emf::GM_COMPATIBLE, 0, 0);
    le32(x, y, n, 76);
    le32((clip ? emf::ETO_CLIPPED : 0) | (opaque ? emf::ETO_OPAQUE : 0));
    le32(box.Left, box.Top, box.Right, box.Bottom);
    le32(offDx);
    for (uint16_t u : t.Units) {
        core::put_le16(p, u);
        p += 2;
    }
    if (n % 2) {
        core::put_le16(p, 0);
        p += 2;
    }
    for (int32_t a : t.Advances) le32(a);
    ++state_->count;
}

// TextOut and TextRect: the text is measured once, for its cell and its record.
void TMetafileCanvas::text_out(int x, int y, std::string_view text, const TRect* clip) {
    check_open();
    changing();
    graphics::TRecordedText& t = state_->text;
    graphics::record_text(Font, text, t);
    graphics::TTextMetric metric = graphics::font_engine().Metric(Font);
    TPoint at = graphics::text_origin(TextAlign, x, y, t.Width, metric);
    TRect cell{at.X, at.Y, at.X + t.Width, at.Y + metric.Height()};
    record_text(x, y, t, clip, Brush.Style != bsClear, cell);
    if (!clip) PenPos = TPoint{x + t.Width, y};
}

void TMetafileCanvas::TextOut(int x, int y, std::string_view text) { text_out(x, y, text, nullptr); }

void TMetafileCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) { text_out(x, y, text, &rect); }

void TMetafileCanvas::DoText(int x, int y, std::string_view text) {
    int align = TextAlign;
    TextAlign = TA_LEFT | TA_TOP;
    graphics::TRecordedText& t = state_->text;
    graphics::record_text(Font, text, t);
    int height = graphics::font_engine().Metric(Font).Height();
    record_text(x, y, t, nullptr, false, TRect{x, y, x + t.Width, y + height});
    TextAlign = align;
}

void TMetafileCanvas::ClipChanged() { state_->clipChanged = true; }

void TMetafileCanvas::record_clip() {
    State& s = *state_;
    if (!s.clipChanged) return;
    s.clipChanged = false;
    const std::optional<TRect>& clip = ClipRect();
    if (clip == s.clip) return;
    uint8_t p[16];
    put_le32(p, 0);
    put_le32(p + 4, emf::RGN_COPY);
    record(emf::EXTSELECTCLIPRGN, std::span(p, 8));
    if (clip) {
        put_rect(p, clip->Left, clip->Top, clip->Right, clip->Bottom);
        record(emf::INTERSECTCLIPRECT, p);
    }
    s.clip = clip;
}

void TMetafileCanvas::record_bits(const TRect& dest, const TBitmap&, const TRect& sourceRect, uint32_t rop,
                                  const std::function<TColor(int x, int y)>& pixel) {
    record_clip();
    int sw = sourceRect.Width(), sh = sourceRect.Height();
    uint32_t stride = (uint32_t(sw) * 3 + 3) & ~3u;
    uint32_t bits = stride * uint32_t(sh);
    std::vector<uint8_t> b;
    b.reserve(72 + 40 + bits);
    core::ByteWriter w(b);
    put_rect(w, dest.Left, dest.Top, dest.Right - 1, dest.Bottom - 1);
    w.le32(uint32_t(dest.Left)).le32(uint32_t(dest.Top)).le32(0).le32(0).le32(uint32_t(sw)).le32(uint32_t(sh));
    w.le32(80).le32(40).le32(120).le32(bits).le32(0).le32(rop);
    w.le32(uint32_t(dest.Width())).le32(uint32_t(dest.Height()));
    // BITMAPINFOHEADER: 24 bits a pixel, rows bottom-up.
    w.le32(40).le32(uint32_t(sw)).le32(uint32_t(sh)).le16(1).le16(24).le32(0).le32(bits).le32(3780).le32(3780)
        .le32(0).le32(0);
    size_t start = b.size();
    b.resize(start + bits, 0);
    for (int row = 0; row < sh; ++row) {
        uint8_t* line = &b[start + size_t(sh - 1 - row) * stride];
        for (int col = 0; col < sw; ++col) {
            TColor c = pixel(sourceRect.Left + col, sourceRect.Top + row);
            line[3 * col] = GetBValue(c);
            line[3 * col + 1] = GetGValue(c);
            line[3 * col + 2] = GetRValue(c);
        }
    }
    record(emf::STRETCHDIBITS, b);
}

void TMetafileCanvas::StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode,
                                    const std::function<bool(int x, int y)>& skip) {
    check_open();
    if (dest.Width() <= 0 || dest.Height() <= 0 || sourceRect.Width() <= 0 || sourceRect.Height() <= 0) return;
    changing();
    auto outside = [&](int x, int y) { return x < 0 || y < 0 || x >= source.PixelWidth() || y >= source.PixelHeight(); };
    auto hidden = [&](int x, int y) { return outside(x, y) || (skip && skip(x, y)); };
    bool masked = false;
    for (int y = sourceRect.Top; y < sourceRect.Bottom && !masked; ++y)
        for (int x = sourceRect.Left; x < sourceRect.Right && !masked; ++x) masked = hidden(x, y);
    static constexpr uint32_t rops[] = {emf::SRCCOPY, emf::SRCAND, emf::SRCPAINT, emf::SRCINVERT};
    if (!masked) {
        record_bits(dest, source, sourceRect, rops[mode], [&](int x, int y) { return source.Pixel(x, y); });
        return;
    }
    // Pixels that stay as they were: a mask (white where hidden) and-ed in,
    // then the picture (black where hidden) or-ed over it.
    record_bits(dest, source, sourceRect, emf::SRCAND,
                [&](int x, int y) { return hidden(x, y) ? clWhite : clBlack; });
    record_bits(dest, source, sourceRect, mode == cmSrcCopy ? emf::SRCPAINT : rops[mode],
                [&](int x, int y) { return hidden(x, y) ? clBlack : source.Pixel(x, y); });
}
