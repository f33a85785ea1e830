#include "platform/print/PdfWriter.h"

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QString>
#include <QTextLayout>

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/core/CodePages.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Printers.h"
#include "platform/graphics/MetafileWalk.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/os/Process.h"
#include "platform/print/TrueTypeSubset.h"

namespace print {

namespace {

using graphics::WalkBrush;
using graphics::WalkPen;
using graphics::WalkText;

// Numbers as PDF writes them: integers plain, others to three decimals.
void put_num(std::string& s, double v) {
    const double r = std::round(v);
    char buf[32];
    if (std::fabs(v - r) < 0.0005) {
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(r));
        s.append(buf, end);
        return;
    }
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    char* e = end;
    while (e > buf && e[-1] == '0') --e;
    if (e > buf && e[-1] == '.') --e;
    s.append(buf, e);
}
void put_int(std::string& s, long long v) {
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, end);
}

constexpr char kHex[] = "0123456789ABCDEF";
void put_hex16(std::string& s, unsigned v) {
    s.push_back(kHex[(v >> 12) & 15]);
    s.push_back(kHex[(v >> 8) & 15]);
    s.push_back(kHex[(v >> 4) & 15]);
    s.push_back(kHex[v & 15]);
}

// The level of page contents: they are large, many and simple.
constexpr int kContentLevel = 1;

// A zlib stream kept from one piece of data to the next (deflateReset in
// between): what it makes is what compress2 makes of the same data.
class Deflater {
public:
    explicit Deflater(int level) : level_(level) {}
    ~Deflater() {
        if (open_) deflateEnd(&z_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses data into out (replacing it); false when zlib fails.
    bool pack(const std::string& data, std::string& out) {
        if (!open_) {
            z_ = z_stream{};
            if (deflateInit(&z_, level_) != Z_OK) return false;
            open_ = true;
        } else if (deflateReset(&z_) != Z_OK) {
            return false;
        }
        // Into a buffer kept from page to page: nothing to clear or map afresh.
        const size_t bound = deflateBound(&z_, uLong(data.size()));
        if (bound > room_) {
            room_ = std::max(bound, room_ * 2);
            buffer_ = std::make_unique_for_overwrite<char[]>(room_);
        }
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z_.avail_in = uInt(data.size());
        z_.next_out = reinterpret_cast<Bytef*>(buffer_.get());
        z_.avail_out = uInt(bound);
        if (deflate(&z_, Z_FINISH) != Z_STREAM_END) return false;
        out.assign(buffer_.get(), bound - z_.avail_out);
        return true;
    }

private:
    z_stream z_{};
    int level_;
    bool open_ = false;
    std::unique_ptr<char[]> buffer_;
    size_t room_ = 0;
};

std::string deflate(const std::string& data, int level) {
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                  uLong(data.size()), level) != Z_OK)
        throw EOutOfMemory("Out of memory");
    out.resize(size);
    return out;
}

// Page contents on their way into the file: compressed by worker threads
// while the document goes on, written in the order they were made. The
// bytes that follow a stream before the next one (the page's object, an
// image) wait with it. At most `limit` streams wait, so memory stays flat
// however long the document.
class ContentQueue {
public:
    // One run of the file's bytes: a Flate stream object, then what follows it.
    struct Piece {
        int object = 0;     // starts here; 0: plain bytes
        std::string bytes;
    };
    struct Chunk {
        int object = 0;
        std::string extra;  // for the stream's dictionary
        std::string data, packed;
        bool ready = false, failed = false;
        std::vector<Piece> after;
    };

    explicit ContentQueue(int workers) : workers_(workers), limit_(size_t(2 * workers + 6)) {}
    ~ContentQueue() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    ContentQueue(const ContentQueue&) = delete;
    ContentQueue& operator=(const ContentQueue&) = delete;

    // A chunk written, to be used again with the storage it holds; data
    // takes the storage of the page contents it held.
    void recycle(std::unique_ptr<Chunk> c, std::string& data) {
        data.swap(c->data);
        data.clear();
        c->ready = c->failed = false;
        c->after.clear();
        c->extra.clear();
        if (spare_.size() < limit_) spare_.push_back(std::move(c));
    }

    bool empty() const { return chunks_.empty(); }
    bool full() const { return chunks_.size() >= limit_; }
    Chunk& back() { return *chunks_.back(); }

    // Hands a stream to the workers (started on the first one). Idle
    // workers are woken once a few streams wait: each wake-up costs.
    void add(int object, std::string extra, std::string data) {
        if (threads_.empty())
            for (int i = 0; i < workers_; ++i) threads_.emplace_back([this] { work(); });
        std::unique_ptr<Chunk> chunk;
        if (spare_.empty()) {
            chunk = std::make_unique<Chunk>();
        } else {
            chunk = std::move(spare_.back());
            spare_.pop_back();
        }
        chunk->object = object;
        chunk->extra = std::move(extra);
        chunk->data.swap(data);
        Chunk* c = chunk.get();
        std::lock_guard lock(mutex_);
        chunks_.push_back(std::move(chunk));
        todo_.push_back(c);
        if (idle_ > 0 && todo_.size() >= size_t(workers_)) work_.notify_all();
    }
    // The first chunk once it is compressed (wait: until it is; else
    // nothing while it is not), taken off the queue.
    std::unique_ptr<Chunk> take(bool wait) {
        std::unique_lock lock(mutex_);
        if (chunks_.empty()) return nullptr;
        if (!chunks_.front()->ready) {
            if (!wait) return nullptr;
            if (idle_ > 0 && !todo_.empty()) work_.notify_all();
            waiting_ = true;
            done_.wait(lock, [this] { return chunks_.front()->ready; });
            waiting_ = false;
        }
        std::unique_ptr<Chunk> c = std::move(chunks_.front());
        chunks_.pop_front();
        return c;
    }

private:
    void work() {
        Deflater z(kContentLevel);
        std::unique_lock lock(mutex_);
        for (;;) {
            while (!stop_ && todo_.empty()) {
                ++idle_;
                work_.wait(lock);
                --idle_;
            }
            if (stop_) return;
            Chunk* c = todo_.front();
            todo_.pop_front();
            lock.unlock();
            const bool ok = z.pack(c->data, c->packed);
            lock.lock();
            c->failed = !ok;
            c->ready = true;
            if (waiting_ && chunks_.front()->ready) done_.notify_one();
        }
    }

    const int workers_;
    const size_t limit_;
    std::vector<std::thread> threads_;
    std::deque<std::unique_ptr<Chunk>> chunks_;  // the queue's order; only the caller's thread adds and takes
    std::mutex mutex_;
    std::condition_variable work_, done_;
    std::vector<std::unique_ptr<Chunk>> spare_;  // the caller's thread only
    std::deque<Chunk*> todo_;
    int idle_ = 0;          // workers waiting for streams
    bool waiting_ = false;  // the caller waits for the first chunk
    bool stop_ = false;
};

// Threads that compress page contents beside the one that draws them. A
// report run keeps a processor busy making the pages and one drawing them
// into the document; compression needs about half of one more.
int content_workers(int asked) {
    if (asked >= 0) return std::min(asked, 16);
    return std::clamp(os::available_processors() - 2, 0, 2);
}

// A PDF text string: plain where it is printable ASCII, else UTF-16 with a
// byte-order mark, as a hexadecimal string.
std::string text_string(const std::string& utf8) {
    bool plain = std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    std::string s;
    if (plain) {
        s = "(";
        for (char c : utf8) {
            if (c == '(' || c == ')' || c == '\\') s.push_back('\\');
            s.push_back(c);
        }
        return s + ")";
    }
    s = "<FEFF";
    for (uint16_t u : core::utf8_to_utf16(utf8)) put_hex16(s, u);
    return s + ">";
}

// A PDF name from a font name: letters, digits and hyphens only.
std::string name_of(const QString& family, const QString& style) {
    std::string out;
    auto add = [&](const QString& s) {
        for (char c : s.toStdString())
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') out.push_back(c);
    };
    add(family);
    if (!style.isEmpty() && style != QStringLiteral("Regular")) {
        out.push_back('-');
        add(style);
    }
    return out.empty() ? "Font" : out;
}

void rgb(std::string& s, TColor color) {
    const TColor c = ColorToRGB(color);
    const int v[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
    for (int k : v) {
        if (k == 0 || k == 255) {
            s.push_back(k ? '1' : '0');
        } else {
            put_num(s, k / 255.0);
        }
        s.push_back(' ');
    }
}

// An embedded font: one variant (family and style) of the installed fonts.
struct FontEntry {
    QRawFont raw;
    QFont query;              // what found it, for the fallback of missing characters
    std::string resource;     // F1, F2, ...
    std::string baseName;     // subset tag and PostScript name
    int object = 0;           // Type0 font; the CID font, descriptor, file and ToUnicode follow
    bool italic = false;
    std::optional<FontFacts> facts;
    std::vector<int> widths;  // per glyph id, thousandths of the em
    std::vector<char32_t> unicode;  // per glyph id; 0: not used
    std::vector<bool> used;
    // Character -> (font index << 16 | glyph id); -1 not looked up yet.
    std::vector<int32_t> bmp;
    std::unordered_map<char32_t, int32_t> astral;
};

// What a TFont draws with.
struct FontUse {
    std::string name;
    int height = 0, style = 0;
    size_t font = 0;   // primary entry
    double px = 11;    // the em in pixels
    double underline = 1, thickness = 1, strike = 3;
};

// The clip of one drawing level: what the drawing wants and what the
// content stream has applied.
struct ClipState {
    std::optional<TRect> wanted;
    std::optional<TRect> applied;
    bool open = false;  // a clip group is open in the content stream
};

}  // namespace

struct PdfWriter::Impl : graphics::MetafileSink {
    // ---- the file
    Output out;
    PdfSetup setup;
    std::string buffer;
    uint64_t written = 0;
    std::vector<uint64_t> offsets{0};  // per object number; 0: not written
    static constexpr int kCatalog = 1, kPages = 2, kInfo = 3, kResources = 4;
    std::vector<int> pages;
    bool finished = false;
    // Page contents being compressed (none: compressed here as they end).
    std::unique_ptr<ContentQueue> queue;
    Deflater contentDeflater{kContentLevel};
    std::string packed;                // the last page's contents, compressed here
    std::vector<std::string> spare;    // emptied content buffers, to be filled again

    // ---- fonts and images
    std::vector<FontEntry> fonts;
    std::map<std::string, size_t> fontByName;
    std::vector<FontUse> uses;
    size_t lastUse = SIZE_MAX;
    std::vector<std::pair<std::string, int>> images;       // resource name, object
    std::unordered_map<std::string, size_t> imageByData;  // pixel data -> index in images

    // ---- the open page
    std::string content;
    ClipState canvasClip, pageClip;
    ClipState* clip = &canvasClip;
    int fill = -1, stroke = -1, lineWidth = -1, dash = -1;

    class Canvas;
    std::unique_ptr<Canvas> canvas;

    Impl(Output o, PdfSetup s);

    int reserve(int n = 1) {
        const int first = int(offsets.size());
        offsets.resize(offsets.size() + size_t(n), 0);
        return first;
    }
    // Bytes of the file, after whatever waits in the queue.
    void put(std::string_view s) {
        if (queue && !queue->empty()) {
            std::vector<ContentQueue::Piece>& after = queue->back().after;
            if (after.empty()) after.emplace_back();
            after.back().bytes.append(s);
            return;
        }
        write(s);
    }
    void write(std::string_view s) {
        buffer.append(s);
        written += s.size();
        if (buffer.size() >= (1 << 16)) flush();
    }
    void flush() {
        if (!buffer.empty()) out(buffer.data(), buffer.size());
        buffer.clear();
    }
    void begin_object(int n) {
        if (queue && !queue->empty()) {
            queue->back().after.push_back({n, {}});
        } else {
            offsets[size_t(n)] = written;
        }
        char s[32];
        auto [end, ec] = std::to_chars(s, s + sizeof s - 8, n);
        std::memcpy(end, " 0 obj\n", 7);
        put(std::string_view(s, size_t(end - s) + 7));
    }
    void object(int n, std::string_view body) {
        begin_object(n);
        put(body);
        put("\nendobj\n");
    }
    // A stream object, written where the file stands; extra goes into its dictionary.
    void write_stream(int n, std::string_view body, std::string_view extra, bool compressed) {
        offsets[size_t(n)] = written;
        std::string d;
        put_int(d, n);
        d += " 0 obj\n<< /Length ";
        put_int(d, long(body.size()));
        if (compressed) d += " /Filter /FlateDecode";
        d += extra;
        d += " >>\nstream\n";
        write(d);
        write(body);
        write("\nendstream\nendobj\n");
    }
    // A stream object; extra goes into its dictionary.
    void stream(int n, const std::string& data, std::string_view extra, bool compress, int level = 1) {
        const std::string packedHere = compress ? deflate(data, level) : std::string();
        const std::string& body = compress ? packedHere : data;
        if (queue && !queue->empty()) {
            begin_object(n);
            std::string d = "<< /Length ";
            put_int(d, long(body.size()));
            if (compress) d += " /Filter /FlateDecode";
            d += extra;
            d += " >>\nstream\n";
            put(d);
            put(body);
            put("\nendstream\nendobj\n");
            return;
        }
        write_stream(n, body, extra, compress);
    }
    // The open page's contents as stream n: to the workers when there are
    // some, else compressed here.
    void content_stream(int n) {
        if (!queue) {
            if (!contentDeflater.pack(content, packed)) throw EOutOfMemory("Out of memory");
            write_stream(n, packed, {}, true);
            return;
        }
        // The contents go to the queue; the open page takes the storage of
        // contents written before.
        std::string data;
        data.swap(content);
        if (!spare.empty()) {
            content.swap(spare.back());
            spare.pop_back();
        }
        queue->add(n, {}, std::move(data));
        // What is ready goes out; a full queue waits for its first.
        while (auto c = queue->take(queue->full())) {
            write_chunk(*c);
            std::string emptied;
            queue->recycle(std::move(c), emptied);
            if (spare.size() < 2) spare.push_back(std::move(emptied));
        }
    }
    // Writes a compressed page's contents and what followed it.
    void write_chunk(ContentQueue::Chunk& c) {
        if (c.failed) throw EOutOfMemory("Out of memory");
        write_stream(c.object, c.packed, c.extra, true);
        for (const ContentQueue::Piece& p : c.after) {
            if (p.object) offsets[size_t(p.object)] = written;
            write(p.bytes);
        }
    }
    // Writes every page still in the queue.
    void drain() {
        if (!queue) return;
        while (auto c = queue->take(true)) write_chunk(*c);
    }

    // ---- state of the content stream
    void forget_state() { fill = stroke = lineWidth = dash = -1; }
    void set_fill(TColor c) {
        const int v = int(ColorToRGB(c) & 0xFFFFFF);
        if (v == fill) return;
        fill = v;
        rgb(content, c);
        content += "rg\n";
    }
    void set_stroke(TColor c) {
        const int v = int(ColorToRGB(c) & 0xFFFFFF);
        if (v == stroke) return;
        stroke = v;
        rgb(content, c);
        content += "RG\n";
    }
    void rect_path(double x, double y, double w, double h) {
        put_num(content, x);
        content.push_back(' ');
        put_num(content, y);
        content.push_back(' ');
        put_num(content, w);
        content.push_back(' ');
        put_num(content, h);
        content += " re\n";
    }
    void close_clip(ClipState& c) {
        if (!c.open) return;
        content += "Q\n";
        c.open = false;
        c.applied.reset();
        forget_state();
    }
    // Applies the wanted clip before anything is drawn.
    void ensure_clip() {
        ClipState& c = *clip;
        if (c.open ? (c.wanted && *c.wanted == *c.applied) : !c.wanted) return;
        close_clip(c);
        if (!c.wanted) return;
        content += "q ";
        const TRect& r = *c.wanted;
        rect_path(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
        content += "W n\n";
        c.open = true;
        c.applied = r;
    }

    // ---- the sink
    void Clip(const std::optional<TRect>& r) override { clip->wanted = r; }
    void Fill(const TRect& r, TColor color) override {
        if (r.Width() <= 0 || r.Height() <= 0) return;
        ensure_clip();
        set_fill(color);
        rect_path(r.Left, r.Top, r.Width(), r.Height());
        content += "f\n";
    }
    void Dot(int x, int y, TColor color) override { Fill(TRect{x, y, x + 1, y + 1}, color); }
    void Line(TPoint from, TPoint to, const WalkPen& pen) override;
    void Shape(const TRect& rect, int cw, int ch, const WalkPen& pen, const WalkBrush& brush) override;
    void Text(const WalkText& t) override;
    void Bits(const TRect& dest, const TRect& src, const TBitmap& bitmap, TCopyMode mode,
              const std::function<bool(int, int)>& skip) override;

    void rounded(const TRect& r, int cw, int ch);
    FontUse& use_of(const TFont& font);
    size_t entry_of(const QRawFont& raw, const QFont& query);
    int32_t glyph(size_t font, char32_t cp);

    void start_page();
    void end_page();
    void draw_metafile(const TMetafile& page, const TRect& dest);
    void finish();
    void write_font(FontEntry& f);
};

// The job's canvas: drawing goes straight into the open page.
class PdfWriter::Impl::Canvas : public TCanvas {
public:
    explicit Canvas(Impl& doc) : doc_(doc) {}
    void StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode,
                       const std::function<bool(int x, int y)>& skip = {}) override {
        if (dest.Width() <= 0 || dest.Height() <= 0 || sourceRect.Width() <= 0 || sourceRect.Height() <= 0) return;
        changing();
        doc_.Bits(dest, sourceRect, source, mode, skip);
    }

protected:
    void DoSetPixel(int x, int y, TColor color) override { doc_.Dot(x, y, color); }
    void DoFillRect(const TRect& rect, TColor color) override { doc_.Fill(rect, color); }
    void DoLine(TPoint from, TPoint to) override {
        if (Pen.Style == psClear) return;
        doc_.Line(from, to, WalkPen{Pen.Style == psInsideFrame ? psSolid : Pen.Style, std::max(Pen.Width, 1), Pen.Color});
    }
    void DoShape(const TRect& rect, int cw, int ch) override {
        doc_.Shape(rect, cw, ch, WalkPen{Pen.Style == psClear ? psClear : psSolid, std::max(Pen.Width, 1), Pen.Color},
                   WalkBrush{Brush.Style != bsClear, Brush.Color});
    }
    void DoText(int x, int y, std::string_view text) override {
        const graphics::TRecordedText recorded = graphics::record_text(Font, text);
        WalkText t;
        t.X = x;
        t.Y = y;
        t.Ascent = graphics::font_engine().Metric(Font).Ascent;
        t.Utf8 = text;
        t.Units = recorded.Units;
        t.Advances = recorded.Advances;
        t.Font = &Font;
        doc_.Text(t);
    }
    void ClipChanged() override { doc_.canvasClip.wanted = ClipRect(); }

private:
    Impl& doc_;
};

PdfWriter::Impl::Impl(Output o, PdfSetup s) : out(std::move(o)), setup(std::move(s)) {
    if (setup.Dpi <= 0) setup.Dpi = 600;
    if (const int workers = content_workers(setup.Threads); workers > 0)
        queue = std::make_unique<ContentQueue>(workers);
    reserve(4);
    put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    canvas = std::make_unique<Canvas>(*this);
    start_page();
}

void PdfWriter::Impl::start_page() {
    content.clear();
    forget_state();
    canvasClip = ClipState{canvas->ClipRect(), std::nullopt, false};
    pageClip = ClipState{};
    clip = &canvasClip;
    // Device pixels, y downwards, from the canvas's origin.
    const double s = 72.0 / setup.Dpi;
    content += "q ";
    put_num(content, s);
    content += " 0 0 ";
    put_num(content, -s);
    content.push_back(' ');
    put_num(content, setup.OffsetX * s);
    content.push_back(' ');
    put_num(content, setup.HeightPt - setup.OffsetY * s);
    content += " cm 0 J 0 j\n";
}

void PdfWriter::Impl::end_page() {
    close_clip(canvasClip);
    content += "Q\n";
    const int contents = reserve(), page = reserve();
    content_stream(contents);
    std::string d = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
    put_num(d, setup.WidthPt);
    d.push_back(' ');
    put_num(d, setup.HeightPt);
    d += "] /Resources 4 0 R /Contents ";
    put_int(d, contents);
    d += " 0 R >>";
    object(page, d);
    pages.push_back(page);
    content.clear();
}

void PdfWriter::Impl::draw_metafile(const TMetafile& page, const TRect& dest) {
    const int w = std::max(page.PageWidth(), 1), h = std::max(page.PageHeight(), 1);
    if (page.RecordedBytes().empty() || dest.Width() <= 0 || dest.Height() <= 0) return;
    close_clip(canvasClip);
    content += "q ";
    put_num(content, double(dest.Width()) / w);
    content += " 0 0 ";
    put_num(content, double(dest.Height()) / h);
    content.push_back(' ');
    put_num(content, dest.Left);
    content.push_back(' ');
    put_num(content, dest.Top);
    content += " cm ";
    rect_path(0, 0, w, h);
    content += "W n\n";
    pageClip = ClipState{};
    clip = &pageClip;
    try {
        graphics::walk_metafile(page, *this);
    } catch (...) {
        clip = &canvasClip;
        throw;
    }
    close_clip(pageClip);
    content += "Q\n";
    forget_state();
    clip = &canvasClip;
}

// ---- lines and shapes

void PdfWriter::Impl::Line(TPoint from, TPoint to, const WalkPen& pen) {
    if (pen.Style == psClear) return;
    ensure_clip();
    set_stroke(pen.Color);
    if (pen.Width != lineWidth) {
        lineWidth = pen.Width;
        put_int(content, pen.Width);
        content += " w\n";
    }
    const int style = pen.Width == 1 ? int(pen.Style) : int(psSolid);
    if (style != dash) {
        dash = style;
        content.push_back('[');
        for (int len : graphics::pen_pattern(TPenStyle(style))) {
            put_int(content, len);
            content.push_back(' ');
        }
        content += "] 0 d\n";
    }
    // A line of whole pixels lies along the pixel centres across it.
    const bool flat = std::abs(to.X - from.X) >= std::abs(to.Y - from.Y);
    const double ox = flat ? 0 : 0.5, oy = flat ? 0.5 : 0;
    put_num(content, from.X + ox);
    content.push_back(' ');
    put_num(content, from.Y + oy);
    content += " m ";
    put_num(content, to.X + ox);
    content.push_back(' ');
    put_num(content, to.Y + oy);
    content += " l S\n";
}

void PdfWriter::Impl::rounded(const TRect& r, int cw, int ch) {
    const double x = r.Left, y = r.Top, w = r.Width(), h = r.Height();
    const double rx = std::min(double(cw), w) / 2, ry = std::min(double(ch), h) / 2;
    if (rx <= 0 || ry <= 0) {
        rect_path(x, y, w, h);
        return;
    }
    constexpr double k = 0.5522847498;
    auto pt = [&](double px, double py, const char* op) {
        put_num(content, px);
        content.push_back(' ');
        put_num(content, py);
        content.push_back(' ');
        if (op) content += op;
    };
    auto curve = [&](double x1, double y1, double x2, double y2, double x3, double y3) {
        pt(x1, y1, nullptr);
        pt(x2, y2, nullptr);
        pt(x3, y3, "c\n");
    };
    pt(x + rx, y, "m\n");
    pt(x + w - rx, y, "l\n");
    curve(x + w - rx + k * rx, y, x + w, y + ry - k * ry, x + w, y + ry);
    pt(x + w, y + h - ry, "l\n");
    curve(x + w, y + h - ry + k * ry, x + w - rx + k * rx, y + h, x + w - rx, y + h);
    pt(x + rx, y + h, "l\n");
    curve(x + rx - k * rx, y + h, x, y + h - ry + k * ry, x, y + h - ry);
    pt(x, y + ry, "l\n");
    curve(x, y + ry - k * ry, x + rx - k * rx, y, x + rx, y);
    content += "h\n";
}

void PdfWriter::Impl::Shape(const TRect& rect, int cw, int ch, const WalkPen& pen, const WalkBrush& brush) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    ensure_clip();
    // The pen lies inside the rectangle; the brush fills what it leaves.
    const int w = pen.Style == psClear ? 0 : std::max(pen.Width, 1);
    const TRect inner{rect.Left + w, rect.Top + w, rect.Right - w, rect.Bottom - w};
    const bool hasInner = inner.Width() > 0 && inner.Height() > 0;
    const int icw = std::max(cw - 2 * w, 0), ich = std::max(ch - 2 * w, 0);
    if (brush.Solid && hasInner) {
        set_fill(brush.Color);
        rounded(inner, icw, ich);
        content += "f\n";
    }
    if (w > 0) {
        set_fill(pen.Color);
        rounded(rect, cw, ch);
        if (hasInner) rounded(inner, icw, ich);
        content += "f*\n";
    }
}

// ---- images

void PdfWriter::Impl::Bits(const TRect& dest, const TRect& src, const TBitmap& bitmap, TCopyMode mode,
                           const std::function<bool(int, int)>& skip) {
    if (src.Width() <= 0 || src.Height() <= 0 || dest.Width() <= 0 || dest.Height() <= 0) return;
    // Only the part of src inside the bitmap shows; dest shrinks with it.
    const TRect part{std::max(src.Left, 0), std::max(src.Top, 0), std::min(src.Right, bitmap.PixelWidth()),
                     std::min(src.Bottom, bitmap.PixelHeight())};
    const int sw = part.Width(), sh = part.Height();
    if (sw <= 0 || sh <= 0) return;
    const double fx = double(dest.Width()) / src.Width(), fy = double(dest.Height()) / src.Height();
    const double left = dest.Left + (part.Left - src.Left) * fx, top = dest.Top + (part.Top - src.Top) * fy;
    const double width = sw * fx, height = sh * fy;
    // Raster operations have no PDF counterpart: and-ing leaves what is
    // under white pixels, or-ing what is under black ones; the rest is copied.
    std::string pixels, alpha;
    pixels.reserve(size_t(sw) * size_t(sh) * 3);
    bool masked = false;
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) {
            const int sx = part.Left + x, sy = part.Top + y;
            bool hidden = skip && skip(sx, sy);
            const TColor c = hidden ? clBlack : ColorToRGB(bitmap.Pixel(sx, sy));
            if (!hidden && mode == cmSrcAnd) hidden = (c & 0xFFFFFF) == 0xFFFFFF;
            if (!hidden && mode == cmSrcPaint) hidden = (c & 0xFFFFFF) == 0;
            pixels.push_back(char(GetRValue(c)));
            pixels.push_back(char(GetGValue(c)));
            pixels.push_back(char(GetBValue(c)));
            alpha.push_back(hidden ? '\0' : '\xFF');
            masked = masked || hidden;
        }
    std::string key = std::to_string(sw) + "x" + std::to_string(sh) + ":" + pixels;
    if (masked) key += alpha;
    size_t index = 0;
    if (auto it = imageByData.find(key); it != imageByData.end()) {
        index = it->second;
    } else {
        std::string dict = " /Type /XObject /Subtype /Image /Width " + std::to_string(sw) + " /Height " +
                           std::to_string(sh) + " /BitsPerComponent 8";
        const int object = reserve();
        if (masked) {
            const int mask = reserve();
            stream(mask, alpha, dict + " /ColorSpace /DeviceGray", true);
            dict += " /SMask " + std::to_string(mask) + " 0 R";
        }
        stream(object, pixels, dict + " /ColorSpace /DeviceRGB", true);
        index = images.size();
        images.emplace_back("Im" + std::to_string(images.size() + 1), object);
        imageByData.emplace(std::move(key), index);
    }
    ensure_clip();
    content += "q ";
    put_num(content, width);
    content += " 0 0 ";
    put_num(content, -height);
    content.push_back(' ');
    put_num(content, left);
    content.push_back(' ');
    put_num(content, top + height);
    content += " cm /";
    content += images[index].first;
    content += " Do Q\n";
}

// ---- text

size_t PdfWriter::Impl::entry_of(const QRawFont& raw, const QFont& query) {
    const std::string key = raw.familyName().toStdString() + "\x1F" + raw.styleName().toStdString() + "\x1F" +
                            std::to_string(int(raw.weight())) + "\x1F" + std::to_string(int(raw.style()));
    if (auto it = fontByName.find(key); it != fontByName.end()) return it->second;
    FontEntry f;
    f.raw = raw;
    f.query = query;
    f.italic = raw.style() != QFont::StyleNormal;
    const size_t index = fonts.size();
    f.resource = "F" + std::to_string(index + 1);
    // The subset tag: six capitals of the font's number.
    std::string tag;
    for (size_t n = index, i = 0; i < 6; ++i, n /= 26) tag.insert(tag.begin(), char('A' + n % 26));
    f.baseName = tag + "+" + name_of(raw.familyName(), raw.styleName());
    f.object = reserve(5);
    QRawFont table = raw;
    f.facts = read_font_facts([&table](std::string_view t) {
        const QByteArray b = table.fontTable(std::string(t).c_str());
        return std::string(b.constData(), size_t(b.size()));
    });
    const size_t n = f.facts ? f.facts->Advances.size() : 1;
    f.widths.resize(n, 0);
    if (f.facts)
        for (size_t g = 0; g < n; ++g)
            f.widths[g] = int(std::lround(f.facts->Advances[g] * 1000.0 / f.facts->UnitsPerEm));
    f.unicode.assign(n, 0);
    f.used.assign(n, false);
    fonts.push_back(std::move(f));
    fontByName.emplace(key, index);
    return index;
}

FontUse& PdfWriter::Impl::use_of(const TFont& font) {
    const int style = font.Style & ((1 << fsBold) | (1 << fsItalic) | (1 << fsUnderline) | (1 << fsStrikeOut));
    if (lastUse < uses.size()) {
        FontUse& u = uses[lastUse];
        if (u.height == font.Height && u.style == style && u.name == font.Name) return u;
    }
    for (size_t i = 0; i < uses.size(); ++i)
        if (uses[i].height == font.Height && uses[i].style == style && uses[i].name == font.Name) {
            lastUse = i;
            return uses[i];
        }
    const QFont q = graphics::qt::to_qfont(font);
    const QRawFont raw = QRawFont::fromFont(q);
    FontUse u;
    u.name = font.Name;
    u.height = font.Height;
    u.style = style;
    u.px = q.pixelSize() > 0 ? q.pixelSize() : 11;
    u.font = entry_of(raw, q);
    u.thickness = std::max(1.0, std::round(raw.lineThickness()));
    u.underline = std::max(1.0, std::round(raw.underlinePosition()));
    u.strike = std::round(raw.ascent() / 3);
    uses.push_back(std::move(u));
    lastUse = uses.size() - 1;
    return uses.back();
}

// The font and glyph that draw a character: the primary font's, else the
// one Qt falls back to, else the primary font's missing glyph.
int32_t PdfWriter::Impl::glyph(size_t font, char32_t cp) {
    FontEntry& f = fonts[font];
    int32_t* slot = nullptr;
    if (cp < 0x10000) {
        if (f.bmp.empty()) f.bmp.assign(0x10000, -1);
        slot = &f.bmp[cp];
    } else {
        slot = &f.astral.try_emplace(cp, -1).first->second;
    }
    if (*slot >= 0) return *slot;
    int32_t found = int32_t(font << 16);
    const QString s = QString::fromUcs4(&cp, 1);
    quint32 ids[2] = {0, 0};
    int count = 2;
    if (f.raw.glyphIndexesForChars(s.constData(), int(s.size()), ids, &count) && count >= 1 && ids[0] != 0 &&
        ids[0] < f.used.size()) {
        found |= int32_t(ids[0]);
    } else if (cp >= 0x20) {
        QTextLayout layout(s, f.query);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QList<quint32> g = run.glyphIndexes();
            if (g.isEmpty() || g.front() == 0) continue;
            const size_t other = entry_of(run.rawFont(), f.query);
            FontEntry& o = fonts[other];  // fonts may have grown: f is not used below
            if (g.front() < o.used.size() && other < 0x7FFF) found = int32_t(other << 16) | int32_t(g.front());
            break;
        }
    }
    // entry_of may have moved the entries: find the slot again.
    FontEntry& again = fonts[font];
    if (cp < 0x10000)
        again.bmp[cp] = found;
    else
        again.astral[cp] = found;
    return found;
}

void PdfWriter::Impl::Text(const WalkText& t) {
    if (t.Utf8.empty()) return;
    // Nothing below adds a use: the reference stays good.
    const FontUse& u = use_of(*t.Font);
    ensure_clip();
    set_fill(t.Font->Color);
    const double baseline = t.Y + t.Ascent;
    content += "BT\n";
    size_t current = SIZE_MAX;
    bool inString = false, inArray = false;
    double carry = 0;
    int64_t total = 0;
    size_t unit = 0;
    bool positioned = false;
    for (size_t pos = 0; pos < t.Utf8.size();) {
        char32_t cp = 0;
        core::next_code_point(t.Utf8, pos, cp);
        int advance = 0;
        for (int k = cp >= 0x10000 ? 2 : 1; k > 0 && unit < t.Advances.size(); --k) advance += t.Advances[unit++];
        total += advance;
        const int32_t g = glyph(u.font, cp);
        const size_t font = size_t(g >> 16);
        const unsigned gid = unsigned(g & 0xFFFF);
        FontEntry& f = fonts[font];
        if (font != current) {
            if (inString) content.push_back('>');
            if (inArray) content += "] TJ\n";
            inString = inArray = false;
            content.push_back('/');
            content += f.resource;
            content.push_back(' ');
            put_num(content, u.px);
            content += " Tf\n";
            if (!positioned) {
                content += "1 0 0 -1 ";
                put_num(content, t.X);
                content.push_back(' ');
                put_num(content, baseline);
                content += " Tm\n";
                positioned = true;
            }
            current = font;
        }
        if (!inArray) {
            content.push_back('[');
            inArray = true;
        }
        if (!inString) {
            content.push_back('<');
            inString = true;
        }
        const char hex[4] = {kHex[(gid >> 12) & 15], kHex[(gid >> 8) & 15], kHex[(gid >> 4) & 15], kHex[gid & 15]};
        content.append(hex, 4);
        if (gid < f.used.size()) {
            f.used[gid] = true;
            if (f.unicode[gid] == 0) f.unicode[gid] = cp;
        }
        const int width = gid < f.widths.size() ? f.widths[gid] : 0;
        // What moves the next glyph from where the font puts it to where
        // the page measured it, rounding carried on (halves away from 0).
        const double exact = width - advance * 1000.0 / u.px + carry;
        const double rounded = exact >= 0 ? double(int64_t(exact + 0.5)) : -double(int64_t(0.5 - exact));
        carry = exact - rounded;
        if (rounded != 0) {
            content.push_back('>');
            inString = false;
            put_int(content, int64_t(rounded));
        }
    }
    if (inString) content.push_back('>');
    if (inArray) content += "] TJ\n";
    content += "ET\n";
    if (u.style & (1 << fsUnderline)) {
        rect_path(t.X, baseline + u.underline - std::floor(u.thickness / 2), double(total), u.thickness);
        content += "f\n";
    }
    if (u.style & (1 << fsStrikeOut)) {
        rect_path(t.X, baseline - u.strike - std::floor(u.thickness / 2), double(total), u.thickness);
        content += "f\n";
    }
}

// ---- the end

void PdfWriter::Impl::write_font(FontEntry& f) {
    const int type0 = f.object, cid = f.object + 1, descriptor = f.object + 2, file = f.object + 3,
              toUnicode = f.object + 4;
    std::vector<uint16_t> used;
    for (size_t g = 0; g < f.used.size(); ++g)
        if (f.used[g]) used.push_back(uint16_t(g));

    // The font file.
    QRawFont& raw = f.raw;
    const std::string subset = subset_truetype(
        [&raw](std::string_view t) {
            const QByteArray b = raw.fontTable(std::string(t).c_str());
            return std::string(b.constData(), size_t(b.size()));
        },
        used);
    const double scale = f.facts ? 1000.0 / f.facts->UnitsPerEm : 1.0;
    auto scaled = [&](int v) { return long(std::lround(v * scale)); };

    std::string d = "<< /Type /Font /Subtype /Type0 /BaseFont /" + f.baseName +
                    " /Encoding /Identity-H /DescendantFonts [" + std::to_string(cid) + " 0 R] /ToUnicode " +
                    std::to_string(toUnicode) + " 0 R >>";
    object(type0, d);

    d = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + f.baseName +
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " +
        std::to_string(descriptor) + " 0 R /CIDToGIDMap /Identity /DW 0 /W [";
    for (size_t i = 0; i < used.size();) {
        size_t j = i;
        while (j + 1 < used.size() && used[j + 1] == used[j] + 1) ++j;
        put_int(d, used[i]);
        d += " [";
        for (size_t k = i; k <= j; ++k) {
            put_int(d, f.widths[used[k]]);
            if (k < j) d.push_back(' ');
        }
        d += "] ";
        i = j + 1;
    }
    d += "] >>";
    object(cid, d);

    d = "<< /Type /FontDescriptor /FontName /" + f.baseName + " /Flags " + std::to_string(f.italic ? 4 + 64 : 4) +
        " /FontBBox [";
    if (f.facts) {
        d += std::to_string(scaled(f.facts->XMin)) + " " + std::to_string(scaled(f.facts->YMin)) + " " +
             std::to_string(scaled(f.facts->XMax)) + " " + std::to_string(scaled(f.facts->YMax));
    } else {
        d += "0 0 1000 1000";
    }
    d += "] /ItalicAngle " + std::string(f.italic ? "-12" : "0");
    const long ascent = f.facts ? scaled(f.facts->Ascent) : 800, descent = f.facts ? scaled(f.facts->Descent) : -200;
    d += " /Ascent " + std::to_string(ascent) + " /Descent " + std::to_string(descent) + " /CapHeight " +
         std::to_string(ascent) + " /StemV 80";
    if (!subset.empty()) d += " /FontFile2 " + std::to_string(file) + " 0 R";
    d += " >>";
    object(descriptor, d);
    if (!subset.empty())
        stream(file, subset, " /Length1 " + std::to_string(subset.size()), true, Z_DEFAULT_COMPRESSION);
    else
        object(file, "null");

    // ToUnicode: each used glyph to its character.
    std::string map =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<uint16_t> mapped;
    for (uint16_t g : used)
        if (f.unicode[g] != 0) mapped.push_back(g);
    for (size_t i = 0; i < mapped.size(); i += 100) {
        const size_t n = std::min<size_t>(100, mapped.size() - i);
        put_int(map, long(n));
        map += " beginbfchar\n";
        for (size_t k = i; k < i + n; ++k) {
            map.push_back('<');
            put_hex16(map, mapped[k]);
            map += "> <";
            char32_t cp = f.unicode[mapped[k]];
            if (cp >= 0x10000) {
                cp -= 0x10000;
                put_hex16(map, 0xD800 + unsigned(cp >> 10));
                put_hex16(map, 0xDC00 + unsigned(cp & 0x3FF));
            } else {
                put_hex16(map, unsigned(cp));
            }
            map += ">\n";
        }
        map += "endbfchar\n";
    }
    map += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    stream(toUnicode, map, {}, true);
}

void PdfWriter::Impl::finish() {
    end_page();
    drain();
    queue.reset();
    for (FontEntry& f : fonts) write_font(f);

    std::string d = "<< /ProcSet [/PDF /Text /ImageB /ImageC]";
    if (!fonts.empty()) {
        d += " /Font <<";
        for (const FontEntry& f : fonts) d += " /" + f.resource + " " + std::to_string(f.object) + " 0 R";
        d += " >>";
    }
    if (!images.empty()) {
        d += " /XObject <<";
        for (const auto& [name, obj] : images) d += " /" + name + " " + std::to_string(obj) + " 0 R";
        d += " >>";
    }
    d += " >>";
    object(kResources, d);

    // The page tree and the cross-reference table go out a piece at a time:
    // a long document's would be megabytes as one string.
    begin_object(kPages);
    put("<< /Type /Pages /Count " + std::to_string(pages.size()) + " /Kids [");
    d.clear();
    for (int p : pages) {
        put_int(d, p);
        d += " 0 R ";
        if (d.size() >= 4096) {
            put(d);
            d.clear();
        }
    }
    d += "] >>\nendobj\n";
    put(d);
    object(kCatalog, "<< /Type /Catalog /Pages 2 0 R >>");

    char date[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (gmtime_r(&now, &tm)) std::strftime(date, sizeof date, "D:%Y%m%d%H%M%SZ", &tm);
    d = "<< /Title " + text_string(setup.Title) + " /Creator (Tamblero) /Producer (Tamblero)";
    if (*date) d += " /CreationDate (" + std::string(date) + ")";
    d += " >>";
    object(kInfo, d);

    const uint64_t xref = written;
    d = "xref\n0 " + std::to_string(offsets.size()) + "\n0000000000 65535 f \n";
    char line[24];
    for (size_t n = 1; n < offsets.size(); ++n) {
        std::snprintf(line, sizeof line, "%010llu 00000 n \n", static_cast<unsigned long long>(offsets[n]));
        d += line;
        if (d.size() >= 4096) {
            put(d);
            d.clear();
        }
    }
    d += "trailer\n<< /Size " + std::to_string(offsets.size()) + " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
    put(d);
    flush();
}

PdfWriter::PdfWriter(Output out, PdfSetup setup) : impl_(std::make_unique<Impl>(std::move(out), std::move(setup))) {}
PdfWriter::~PdfWriter() = default;

TCanvas& PdfWriter::Canvas() { return *impl_->canvas; }

void PdfWriter::DrawMetafile(const TMetafile& page, const TRect& dest) {
    if (impl_->finished) throw EPrinter("Printer is not currently printing");
    impl_->draw_metafile(page, dest);
}

void PdfWriter::NewPage() {
    if (impl_->finished) throw EPrinter("Printer is not currently printing");
    impl_->end_page();
    impl_->start_page();
}

void PdfWriter::Finish() {
    if (impl_->finished) return;
    impl_->finished = true;
    impl_->finish();
}

}  // namespace print
