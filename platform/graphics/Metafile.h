#pragma once
// Metafile pages: TMetafile, one page as an Enhanced Metafile (EMF), and
// TMetafileCanvas, the canvas back-end that records a page. The records are
// those of the published EMF format, so other programs read our pages; the
// player that replays a page onto a QPainter lives in
// platform/graphics/qt/MetafilePlayer.h.
//
// The reference device is the fixed 96-dpi screen: a page's Width and
// Height are pixels of it, every coordinate of a record is one of its
// pixels, and text is measured on it through graphics::font_engine(). Text
// is recorded as UTF-16 with the advance of every character, so a replay
// places characters where the recording measured them, whatever fonts are
// installed where it is played.
//
// What a page holds, in order: the header (its frame in 0.01 mm from
// Width and Height, the 96-dpi device), then per drawing call the state
// records it needs (pen, brush and font objects created and selected into
// slots 1, 2 and 3, text colour and alignment, clip), the drawing record,
// and the end-of-file record.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/core/ServiceSlot.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Canvas.h"

namespace graphics {
struct TRecordedText;
}

class TMetafile : public TGraphic {
public:
    static TClass StaticClass();
    TClass ClassType() const override;

    TMetafile() = default;
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    // Page size in pixels of the 96-dpi device; set before recording.
    int GetWidth() override { return width_; }
    int PageWidth() const { return width_; }
    int PageHeight() const { return height_; }
    int GetHeight() override { return height_; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    // True until a page has been recorded or loaded.
    bool GetEmpty() override { return bytes_.empty(); }

    // Draws the page stretched into rect through the drawer a back-end
    // installed (platform/graphics/qt installs the player for its canvas);
    // EInvalidGraphicOperation "Canvas does not allow drawing" elsewhere.
    void Draw(TCanvas& canvas, const TRect& rect) override;

    // The EMF bytes: header, records, end-of-file record. An empty metafile
    // answers a page with no drawing records of its Width and Height.
    std::vector<uint8_t> Bytes() const;
    const std::vector<uint8_t>& RecordedBytes() const { return bytes_; }
    // Takes EMF bytes (checked as LoadFromStream checks them).
    void SetBytes(std::vector<uint8_t> bytes);
    void Clear();

    // Reads one EMF at the position and consumes exactly its byte count (the
    // header's nBytes). EInvalidGraphic "Metafile is not valid" for a damaged
    // header or record chain; nothing is taken then, and the stream is only
    // read up to the damage.
    void LoadFromStream(TStream& stream);
    void LoadFromStream(TByteReader& reader) override;
    void SaveToStream(TStream& stream) const;
    void SaveToStream(std::vector<uint8_t>& out) override;

    // Records of the page in file order, header and end-of-file included:
    // (type, record bytes including its 8-byte type and size).
    struct Record {
        uint32_t Type;
        std::span<const uint8_t> Bytes;
    };
    std::vector<Record> Records() const;

private:
    friend class TMetafileCanvas;
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> bytes_;
};

// Records drawing on a metafile. The page is complete when the canvas is
// closed or destroyed; until then the metafile keeps what it had.
class TMetafileCanvas : public TCanvas {
public:
    // expected: the bytes the page will likely take (the last page's, say),
    // room made for at once.
    explicit TMetafileCanvas(TMetafile& target, size_t expected = 0);
    ~TMetafileCanvas() override;
    // Finishes the page and hands it to the metafile; further drawing is
    // refused (EInvalidGraphicOperation "Canvas does not allow drawing").
    void Close();

    void TextOut(int x, int y, std::string_view text) override;
    void TextRect(const TRect& rect, int x, int y, std::string_view text) override;
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
    struct State;
    void check_open() const;
    void select_pen(TPenStyle style, int width, TColor color);
    void select_brush(bool solid, TColor color);
    void select_font();
    void set_text_color(TColor color);
    void set_text_align(int align);
    void record_clip();
    void record(uint32_t type, std::span<const uint8_t> params);
    void record_text(int x, int y, const graphics::TRecordedText& text, const TRect* clip, bool opaque,
                     const TRect& cell);
    void text_out(int x, int y, std::string_view text, const TRect* clip);
    void record_bits(const TRect& dest, const TBitmap& source, const TRect& sourceRect, uint32_t rop,
                     const std::function<TColor(int x, int y)>& pixel);

    TMetafile* target_;
    std::unique_ptr<State> state_;
};

namespace graphics {
// How a back-end draws a metafile on its own canvases: answers false for a
// canvas it does not serve. One drawer a process (nullptr: none, pages are
// played record by record on any canvas).
using MetafileDrawer = bool (*)(const TMetafile& page, TCanvas& canvas, const TRect& rect);
inline core::ServiceSlot<MetafileDrawer> metafile_drawer_slot;

// The text and per-character advances that a text record holds: UTF-16 code
// units and, for each, its advance in pixels (the running sum of the font
// engine's character advances, rounded at every character, so the advances
// add up to the text's width; the second unit of a pair carries 0). Invalid
// UTF-8 bytes become U+FFFD. Measured in one pass over the text.
struct TRecordedText {
    std::vector<uint16_t> Units;
    std::vector<int32_t> Advances;
    int Width = 0;  // the sum of Advances: the font engine's TextWidth
};
TRecordedText record_text(const TFont& font, std::string_view utf8);
// The same into `out`, whose storage is reused.
void record_text(const TFont& font, std::string_view utf8, TRecordedText& out);
}  // namespace graphics
