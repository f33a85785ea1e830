#include "picture/PicGraph.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "picture/PicTexts.h"
#include "platform/core/ByteOrder.h"
#include "platform/core/HostServices.h"
#include "platform/core/SysUtils.h"
#include "platform/graphics/Dib.h"

void ShowNotImplemented() {
    core::host().Information(GifErrorText(kGifNotImplemented));
    Abort();
}

namespace {

constexpr const char* kInvalidBitmap = "Bitmap image is not valid";

// The levels of the fixed palettes.
constexpr std::array<uint8_t, 4> kLevels4{0x00, 0x55, 0xAA, 0xFF};
constexpr std::array<uint8_t, 6> kLevels6{0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF};
constexpr std::array<uint8_t, 7> kLevels7{0x00, 0x2B, 0x55, 0x80, 0xAA, 0xD5, 0xFF};
constexpr std::array<uint8_t, 8> kLevels8{0x00, 0x24, 0x49, 0x6D, 0x92, 0xB6, 0xDB, 0xFF};

// For every byte value the index of the nearest level (the lower on a tie).
template <size_t N>
constexpr std::array<uint8_t, 256> nearest_table(const std::array<uint8_t, N>& levels) {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v) {
        int best = 0;
        for (int i = 1; i < int(N); ++i) {
            int d = v > levels[size_t(i)] ? v - levels[size_t(i)] : levels[size_t(i)] - v;
            int bd = v > levels[size_t(best)] ? v - levels[size_t(best)] : levels[size_t(best)] - v;
            if (d < bd) best = i;
        }
        t[size_t(v)] = uint8_t(best);
    }
    return t;
}
constexpr auto kNearest4 = nearest_table(kLevels4);
constexpr auto kNearest6 = nearest_table(kLevels6);
constexpr auto kNearest7 = nearest_table(kLevels7);
constexpr auto kNearest8 = nearest_table(kLevels8);

using core::get_le16;
using core::get_le32;
using core::put_le32;

// The 24-bit work image: rows of blue, green, red in memory order (the bottom
// row first), padded to 4 bytes; each method writes its 8-bit indices row by
// row into the output rows. A 24-bit bitmap is read in place; other formats
// are converted to 24 bits first.
struct WorkImage {
    std::vector<uint8_t> converted;  // a 24-bit BMP file image, when one was needed
    std::vector<const uint8_t*> rows;
    uint8_t* output = nullptr;
    int width = 0, height = 0;
    size_t stride8 = 0;
    const uint8_t* px(int x, int y) const { return rows[size_t(y)] + size_t(x) * 3; }
    uint8_t* out(int y) { return output + stride8 * size_t(y); }
};

// Palette of 256 entries: blue, green, red, reserved per entry.
using ColorTable = std::array<uint8_t, 256 * 4>;

void set_entry(ColorTable& t, int i, uint8_t r, uint8_t g, uint8_t b, uint8_t reserved = 0) {
    t[size_t(4 * i)] = b;
    t[size_t(4 * i + 1)] = g;
    t[size_t(4 * i + 2)] = r;
    t[size_t(4 * i + 3)] = reserved;
}

// ---- method 0: histogram of exact colours ----

constexpr int kMaxColors = 2049;
constexpr int kSlots = 5191;

struct Histogram {
    int count = 0;
    std::array<uint8_t, kMaxColors> r{}, g{}, b{};
    std::array<int64_t, kMaxColors> pixels{};
    std::array<int16_t, kSlots> slot{};

    // A direct-mapped cache of recent colours in front of the slot index:
    // it changes no result, it only spares the probing.
    static constexpr size_t kCache = 4096;
    std::array<uint32_t, kCache> cacheKey{};
    std::array<int16_t, kCache> cacheIndex{};

    void clear() {
        count = 0;
        slot.fill(-1);
        cacheKey.fill(UINT32_MAX);
    }
    static size_t cache_slot(uint32_t key) { return size_t((key * 2654435761u) >> 20) & (kCache - 1); }
    // Index of a colour already in the table (key = red << 16 | green << 8 | blue), or -1.
    int lookup(uint32_t key, int& at) {
        size_t c = cache_slot(key);
        if (cacheKey[c] == key) return cacheIndex[c];
        int i = find(uint8_t(key >> 16), uint8_t(key >> 8), uint8_t(key), at);
        if (i >= 0) remember(key, i);
        return i;
    }
    void remember(uint32_t key, int i) {
        size_t c = cache_slot(key);
        cacheKey[c] = key;
        cacheIndex[c] = int16_t(i);
    }
    static int hash(int r, int g, int b) { return ((r + g) * (g + b) * (r + b)) % kSlots; }
    // Index of the colour, or -1 with `at` the free slot where it belongs.
    int find(uint8_t cr, uint8_t cg, uint8_t cb, int& at) const {
        int s = hash(cr, cg, cb);
        while (slot[size_t(s)] >= 0) {
            int i = slot[size_t(s)];
            if (r[size_t(i)] == cr && g[size_t(i)] == cg && b[size_t(i)] == cb) return i;
            s = s == kSlots - 1 ? 0 : s + 1;
        }
        at = s;
        return -1;
    }
};

// Drops the lowest remaining bit of one mask: green when red is below it,
// else red when it is above blue, else blue.
void drop_mask_bit(uint8_t& mr, uint8_t& mg, uint8_t& mb) {
    uint8_t& m = mr < mg ? mg : (mr > mb ? mr : mb);
    m = uint8_t(m & (m - 1));
}

int method_histogram(WorkImage& w, ColorTable& table) {
    auto h = std::make_unique<Histogram>();
    uint8_t mr = 0xFF, mg = 0xFF, mb = 0xFF;
    for (bool counted = false; !counted;) {
        h->clear();
        counted = true;
        // runs of one colour are counted without a look-up
        uint32_t last = UINT32_MAX;
        int lastIndex = 0;
        for (int y = 0; y < w.height && counted; ++y) {
            const uint8_t* p = w.px(0, y);
            for (int x = 0; x < w.width; ++x, p += 3) {
                uint8_t cb = p[0] & mb, cg = p[1] & mg, cr = p[2] & mr;
                uint32_t key = uint32_t(cr) << 16 | uint32_t(cg) << 8 | cb;
                if (key == last) {
                    ++h->pixels[size_t(lastIndex)];
                    continue;
                }
                int at = 0;
                int i = h->lookup(key, at);
                if (i >= 0) {
                    ++h->pixels[size_t(i)];
                    last = key;
                    lastIndex = i;
                    continue;
                }
                if (h->count == kMaxColors) {
                    drop_mask_bit(mr, mg, mb);
                    counted = false;
                    break;
                }
                i = h->count++;
                h->r[size_t(i)] = cr;
                h->g[size_t(i)] = cg;
                h->b[size_t(i)] = cb;
                h->pixels[size_t(i)] = 1;
                h->slot[size_t(at)] = int16_t(i);
                h->remember(key, i);
                last = key;
                lastIndex = i;
            }
        }
    }
    // the most frequent colours in order, the first entered on equal counts
    std::vector<int> order(size_t(h->count));
    for (int i = 0; i < h->count; ++i) order[size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return h->pixels[size_t(a)] > h->pixels[size_t(b)]; });
    int chosen = std::min(h->count, 256);
    std::vector<int> entry(size_t(h->count), -1);
    for (int i = 0; i < 256; ++i) {
        if (i < chosen) {
            int c = order[size_t(i)];
            set_entry(table, i, h->r[size_t(c)], h->g[size_t(c)], h->b[size_t(c)]);
            entry[size_t(c)] = i;
        } else {
            set_entry(table, i, 128, 128, 128);
        }
    }
    for (int c = 0; c < h->count; ++c) {
        if (entry[size_t(c)] >= 0) continue;
        int best = 0;
        long bestD = LONG_MAX;
        for (int i = 0; i < 256; ++i) {
            long db = long(table[size_t(4 * i)]) - h->b[size_t(c)];
            long dg = long(table[size_t(4 * i + 1)]) - h->g[size_t(c)];
            long dr = long(table[size_t(4 * i + 2)]) - h->r[size_t(c)];
            long d = dr * dr + dg * dg + db * db;
            if (d < bestD) {
                bestD = d;
                best = i;
            }
        }
        entry[size_t(c)] = best;
    }
    uint32_t last = UINT32_MAX;
    uint8_t lastEntry = 0;
    for (int y = 0; y < w.height; ++y) {
        const uint8_t* p = w.px(0, y);
        uint8_t* out = w.out(y);
        for (int x = 0; x < w.width; ++x, p += 3) {
            uint8_t cb = p[0] & mb, cg = p[1] & mg, cr = p[2] & mr;
            uint32_t key = uint32_t(cr) << 16 | uint32_t(cg) << 8 | cb;
            if (key != last) {
                int at = 0;
                last = key;
                lastEntry = uint8_t(entry[size_t(h->lookup(key, at))]);
            }
            out[x] = lastEntry;
        }
    }
    return 0;
}

// ---- method 1: median cut over a 4-4-4 histogram ----

int cell_of(const uint8_t* p) { return (p[2] >> 4) << 8 | (p[1] >> 4) << 4 | (p[0] >> 4); }
// The nibble of channel 0 (red), 1 (green) or 2 (blue) of a cell.
int nibble(int cell, int channel) { return (cell >> (8 - 4 * channel)) & 15; }

struct Box {
    int first = 0, cells = 0;  // a range of the cell list
    int64_t total = 0;         // pixels of its cells
    std::array<int, 3> lower{0, 0, 0}, extent{255, 255, 255};
};

// Ascending by nibble: insertion sort for fewer than 8 cells (each cell moves
// before earlier cells of equal value), else the quicksort below.
void quick_sort(int* c, int lo, int hi, int channel) {
    if (lo >= hi) return;
    int pivot = nibble(c[lo + (hi - lo + 1) / 2], channel);
    int i = lo - 1, j = hi + 1;
    for (;;) {
        do ++i;
        while (nibble(c[i], channel) < pivot);
        do --j;
        while (nibble(c[j], channel) > pivot);
        if (j <= i) break;
        std::swap(c[i], c[j]);
    }
    quick_sort(c, lo, i - 1, channel);
    quick_sort(c, i, hi, channel);
}

void sort_cells(int* c, int n, int channel) {
    if (n < 8) {
        for (int i = 1; i < n; ++i) {
            int cell = c[i], v = nibble(cell, channel), j = i;
            while (j > 0 && nibble(c[j - 1], channel) >= v) {
                c[j] = c[j - 1];
                --j;
            }
            c[j] = cell;
        }
        return;
    }
    quick_sort(c, 0, n - 1, channel);
}

int method_median_cut(WorkImage& w, ColorTable& table) {
    std::vector<int64_t> count(4096, 0);
    for (int y = 0; y < w.height; ++y) {
        const uint8_t* p = w.px(0, y);
        for (int x = 0; x < w.width; ++x, p += 3) ++count[size_t(cell_of(p))];
    }
    std::vector<int> cells;
    for (int c = 0; c < 4096; ++c)
        if (count[size_t(c)]) cells.push_back(c);
    std::vector<Box> boxes(1);
    boxes[0].cells = int(cells.size());
    boxes[0].total = int64_t(w.width) * w.height;
    while (boxes.size() < 256) {
        int pick = -1, channel = 0, widest = INT_MIN;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].cells <= 1) continue;
            for (int ch = 0; ch < 3; ++ch)
                if (boxes[b].extent[size_t(ch)] > widest) {
                    widest = boxes[b].extent[size_t(ch)];
                    pick = int(b);
                    channel = ch;
                }
        }
        if (pick < 0) break;
        Box& old = boxes[size_t(pick)];
        int* c = cells.data() + old.first;
        sort_cells(c, old.cells, channel);
        // the first part takes cells while its sum stays within half the total
        int64_t half = old.total / 2, sum = count[size_t(c[0])];
        int k = 1;
        while (k < old.cells - 1 && sum + count[size_t(c[k])] <= half) sum += count[size_t(c[k++])];
        Box box = old;
        box.first = old.first + k;
        box.cells = old.cells - k;
        box.total = old.total - sum;
        old.cells = k;
        old.total = sum;
        size_t ch = size_t(channel);
        box.lower[ch] = 16 * nibble(c[k], channel);
        box.extent[ch] = old.extent[ch] - (box.lower[ch] - old.lower[ch]);
        old.extent[ch] = 16 * nibble(c[k - 1], channel) - old.lower[ch];
        boxes.push_back(box);
    }
    std::vector<uint8_t> boxOf(4096, 0);
    for (size_t b = 0; b < 256; ++b) {
        if (b >= boxes.size()) {
            set_entry(table, int(b), 0, 0, 0);
            continue;
        }
        const Box& box = boxes[b];
        std::array<int, 3> sum{0, 0, 0}, value{};
        for (int i = 0; i < box.cells; ++i) {
            int cell = cells[size_t(box.first + i)];
            boxOf[size_t(cell)] = uint8_t(b);
            for (int ch = 0; ch < 3; ++ch) sum[size_t(ch)] += nibble(cell, ch);
        }
        for (size_t ch = 0; ch < 3; ++ch) value[ch] = (sum[ch] * 16 + 15) / box.cells;
        if (value[0] <= 16 && value[1] <= 16 && value[2] <= 16) value = {0, 0, 0};
        set_entry(table, int(b), uint8_t(value[0]), uint8_t(value[1]), uint8_t(value[2]));
    }
    for (int y = 0; y < w.height; ++y) {
        const uint8_t* p = w.px(0, y);
        uint8_t* out = w.out(y);
        for (int x = 0; x < w.width; ++x, p += 3) out[x] = boxOf[size_t(cell_of(p))];
    }
    return int(boxes.size());
}

// ---- methods 2 and 3: fixed palettes ----

int method_fixed(WorkImage& w, ColorTable& table, bool palette224) {
    int used = palette224 ? 224 : 216;
    for (int i = 0; i < 256; ++i) {
        if (i >= used)
            set_entry(table, i, 128, 128, 128, 128);
        else if (palette224)
            set_entry(table, i, kLevels7[size_t(i / 32)], kLevels8[size_t(i / 4 % 8)], kLevels4[size_t(i % 4)]);
        else
            set_entry(table, i, kLevels6[size_t(i / 36)], kLevels6[size_t(i / 6 % 6)], kLevels6[size_t(i % 6)]);
    }
    for (int y = 0; y < w.height; ++y) {
        const uint8_t* p = w.px(0, y);
        uint8_t* out = w.out(y);
        for (int x = 0; x < w.width; ++x, p += 3) {
            if (palette224)
                out[x] = uint8_t(kNearest7[p[2]] * 32 + kNearest8[p[1]] * 4 + kNearest4[p[0]]);
            else
                out[x] = uint8_t(kNearest6[p[2]] * 36 + kNearest6[p[1]] * 6 + kNearest6[p[0]]);
        }
    }
    return used;
}

// ---- method 4: interleaved channel ramps ----

int method_ramps(WorkImage& w, ColorTable& table) {
    for (int i = 0; i < 256; ++i) {
        auto v = uint8_t(4 * (i % 64));
        if (i < 64)
            set_entry(table, i, v, 0, 0);
        else if (i < 128)
            set_entry(table, i, 0, v, 0);
        else if (i < 192)
            set_entry(table, i, 0, 0, v);
        else
            set_entry(table, i, 0, 0, 0);
    }
    for (int y = 0; y < w.height; ++y) {
        const uint8_t* p = w.px(0, y);
        uint8_t* out = w.out(y);
        for (int x = 0; x < w.width; ++x, p += 3) {
            switch ((y + x) % 3) {
                case 0: out[x] = uint8_t(p[2] / 4); break;
                case 1: out[x] = uint8_t(64 + p[1] / 4); break;
                default: out[x] = uint8_t(128 + p[0] / 4); break;
            }
        }
    }
    return 0;
}

// ---- method 5: grayscale ----

// (77 * red + 150 * green + 29 * blue) / 256 for n pixels of blue, green, red.
void gray_pixels(const uint8_t* p, uint8_t* out, int n) {
    for (int x = 0; x < n; ++x, p += 3) out[x] = uint8_t((77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8);
}

#if defined(__x86_64__) || defined(__i386__)
// The same sums 16 pixels at a time: the three channels gathered from 48
// bytes, widened to 16 bits (the largest sum, 255 * 256, fits), summed,
// shifted and narrowed again.
__attribute__((target("ssse3"))) void gray_pixels_ssse3(const uint8_t* p, uint8_t* out, int n) {
    const __m128i blueA = _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i blueB = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1);
    const __m128i blueC = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13);
    const __m128i greenA = _mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i greenB = _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1);
    const __m128i greenC = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14);
    const __m128i redA = _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i redB = _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1);
    const __m128i redC = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15);
    const __m128i wr = _mm_set1_epi16(77), wg = _mm_set1_epi16(150), wb = _mm_set1_epi16(29);
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 16 <= n; x += 16, p += 48) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        __m128i blue = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, blueA), _mm_shuffle_epi8(b, blueB)),
                                    _mm_shuffle_epi8(c, blueC));
        __m128i green = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, greenA), _mm_shuffle_epi8(b, greenB)),
                                     _mm_shuffle_epi8(c, greenC));
        __m128i red = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, redA), _mm_shuffle_epi8(b, redB)),
                                   _mm_shuffle_epi8(c, redC));
        auto sum = [&](__m128i r, __m128i g, __m128i bl) {
            return _mm_srli_epi16(
                _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(r, wr), _mm_mullo_epi16(g, wg)), _mm_mullo_epi16(bl, wb)),
                8);
        };
        __m128i low = sum(_mm_unpacklo_epi8(red, zero), _mm_unpacklo_epi8(green, zero), _mm_unpacklo_epi8(blue, zero));
        __m128i high = sum(_mm_unpackhi_epi8(red, zero), _mm_unpackhi_epi8(green, zero), _mm_unpackhi_epi8(blue, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
    gray_pixels(p, out + x, n - x);
}
#endif

int method_gray(WorkImage& w, ColorTable& table) {
    for (int i = 0; i < 256; ++i) set_entry(table, i, uint8_t(i), uint8_t(i), uint8_t(i));
    auto row = gray_pixels;
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("ssse3")) row = gray_pixels_ssse3;
#endif
    for (int y = 0; y < w.height; ++y) row(w.px(0, y), w.out(y), w.width);
    return 0;
}

std::unique_ptr<TMemoryStream> stream_of(const uint8_t* data, size_t size) {
    auto stream = std::make_unique<TMemoryStream>();
    stream->SetSize(int64_t(size));
    if (size) std::memcpy(stream->Memory(), data, size);
    stream->SetPosition(0);
    return stream;
}

std::unique_ptr<TMemoryStream> reduce_to_8bit(TBitmap& bitmap, int method) {
    WorkImage w;
    w.width = bitmap.PixelWidth();
    w.height = bitmap.PixelHeight();
    w.stride8 = (size_t(w.width) + 3) & ~size_t(3);
    w.rows.resize(size_t(w.height));
    if (bitmap.PixelFormat() == pf24bit) {
        for (int y = 0; y < w.height; ++y) w.rows[size_t(y)] = bitmap.ScanLine(w.height - 1 - y);
    } else {
        w.converted = graphics::dib_bits(bitmap, 24);
        if (w.converted.size() < 54 || get_le16(&w.converted[28]) != 24) ShowNotImplemented();
        size_t stride24 = (size_t(w.width) * 3 + 3) & ~size_t(3);
        const uint8_t* pixels = w.converted.data() + get_le32(&w.converted[10]);
        for (int y = 0; y < w.height; ++y) w.rows[size_t(y)] = pixels + stride24 * size_t(y);
    }

    size_t image = w.stride8 * size_t(w.height);
    size_t offset = 14 + 40 + 256 * 4;
    auto stream = std::make_unique<TMemoryStream>();
    stream->SetSize(int64_t(offset + image));
    uint8_t* head = stream->Memory();
    w.output = head + offset;

    ColorTable table{};
    int used = 0;
    switch (method) {
        case 0: used = method_histogram(w, table); break;
        case 1: used = method_median_cut(w, table); break;
        case 2: used = method_fixed(w, table, true); break;
        case 3: used = method_fixed(w, table, false); break;
        case 4: used = method_ramps(w, table); break;
        default: used = method_gray(w, table); break;
    }

    std::memset(head, 0, 54);
    head[0] = 'B';
    head[1] = 'M';
    put_le32(&head[2], uint32_t(offset + image));
    put_le32(&head[10], uint32_t(offset));
    put_le32(&head[14], 40);
    put_le32(&head[18], uint32_t(w.width));
    put_le32(&head[22], uint32_t(w.height));
    head[26] = 1;
    head[28] = 8;
    put_le32(&head[34], uint32_t(image));
    put_le32(&head[46], uint32_t(used));
    std::memcpy(head + 54, table.data(), table.size());
    // row padding is part of the pixel data: zero, not whatever the rows held
    if (w.stride8 > size_t(w.width))
        for (int y = 0; y < w.height; ++y) std::memset(w.out(y) + w.width, 0, w.stride8 - size_t(w.width));
    stream->SetPosition(0);
    return stream;
}

}  // namespace

std::unique_ptr<TMemoryStream> ReduceBitmap(TBitmap* bitmap, TPixelFormat target, int method) {
    if (!bitmap || bitmap->PixelWidth() <= 0 || bitmap->PixelHeight() <= 0) throw EInvalidGraphic(kInvalidBitmap);
    if (bitmap->PixelFormat() == target && method != 5) {
        auto bmp = bitmap->SaveToBmp();
        return stream_of(bmp.data(), bmp.size());
    }
    switch (target) {
        case pf1bit:
        case pf4bit: {
            auto bmp = graphics::dib_bits(*bitmap, target == pf1bit ? 1 : 4);
            return stream_of(bmp.data(), bmp.size());
        }
        case pf8bit:
            if (method < 0 || method > 5) ShowNotImplemented();
            return reduce_to_8bit(*bitmap, method);
        default: ShowNotImplemented();
    }
}
