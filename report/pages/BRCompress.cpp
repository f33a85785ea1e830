#include "report/pages/BRPageStream.h"

#include <cstring>

#include "platform/core/ByteOrder.h"

// The code tree: the two children of every node, and for every node its
// parent and its side under it (0 left, 1 right) packed as parent * 2 +
// side. A leaf's children are the leaf itself, so a descent may step past a
// leaf without a test and stay there.
struct TBRCompress::Tree {
    uint16_t child[513][2];
    uint16_t up[513];
    // Decoding moves children only; parents and sides are rebuilt from the
    // children before a walk upwards needs them.
    bool stale = false;

    void rebuild() {
        for (unsigned i = 0; i < 256; ++i) {
            up[child[i][0]] = uint16_t(i << 1);
            up[child[i][1]] = uint16_t(i << 1 | 1);
        }
        stale = false;
    }

    void reset() {
        for (int i = 0; i < 256; ++i) {
            child[i][0] = uint16_t(2 * i + 1);
            child[i][1] = uint16_t(2 * i + 2);
        }
        for (int i = 256; i <= 512; ++i) child[i][0] = child[i][1] = uint16_t(i);
        up[0] = 0;
        for (int i = 1; i <= 512; ++i) up[i] = uint16_t(((i - 1) / 2) << 1 | ((i - 1) % 2));
        stale = false;
    }

    // One semi-splay step: a (side sa under c, c side sc under d) swaps
    // places with c's sibling b.
    void rotate(unsigned a, unsigned c, unsigned d, unsigned sa, unsigned sc) {
        unsigned b = child[d][sc ^ 1];
        child[d][sc ^ 1] = uint16_t(a);
        child[c][sa] = uint16_t(b);
        up[a] = uint16_t(d << 1 | (sc ^ 1));
        up[b] = uint16_t(c << 1 | sa);
    }

    // Semi-splaying: each step swaps the node with its parent's sibling and
    // continues from the grandparent.
    void splay(unsigned value) {
        if (stale) rebuild();
        unsigned a = value + 256;
        for (;;) {
            unsigned ua = up[a], c = ua >> 1;
            if (c == 0) return;
            unsigned uc = up[c];
            rotate(a, c, uc >> 1, ua & 1, uc & 1);
            a = uc >> 1;
            if (a == 0) return;
        }
    }

    // Appends n <= 56 bits (first bit lowest) above the `count` pending ones
    // of `bits` and writes the whole bytes to out (8 bytes of room needed).
    static void put(uint64_t v, int n, uint64_t& bits, int& count, uint8_t*& out) {
        bits |= v << count;
        count += n;
        std::memcpy(out, &bits, 8);  // little-endian: the lowest bits first
        out += count >> 3;
        bits >>= (count & ~7);  // count <= 63: a shift of at most 56
        count &= 7;
    }

    // Appends the code of value (bits root first) and splays, in one walk
    // from the leaf up: the bits of a node and its parent are read before
    // the step that moves them. The bits collect leaf first from the top of
    // a word of kWord bits; a longer code fills more words.
    static constexpr int kWord = 64;
    [[gnu::always_inline]] inline void encode(unsigned value, uint64_t& bits, int& count, uint8_t*& out) {
        if (stale) [[unlikely]]
            rebuild();
        uint64_t code = 0;  // bit k from the leaf at bit 63 - k
        int depth = 0;
        uint64_t full[512 / kWord];  // earlier words of a long code (at most 256 bits)
        int words = 0;
        unsigned a = value + 256;
        for (;;) {
            unsigned ua = up[a], c = ua >> 1, sa = ua & 1;
            code |= uint64_t(sa) << (63 - depth);
            ++depth;
            if (c == 0) break;
            unsigned uc = up[c], d = uc >> 1, sc = uc & 1;
            if (depth == kWord) [[unlikely]] {
                full[words++] = code;
                code = 0;
                depth = 0;
            }
            code |= uint64_t(sc) << (63 - depth);
            ++depth;
            rotate(a, c, d, sa, sc);
            a = d;
            if (a == 0) break;
            if (depth == kWord) [[unlikely]] {
                full[words++] = code;
                code = 0;
                depth = 0;
            }
        }
        if (words == 0 && depth <= 56) [[likely]] {
            put(code >> (64 - depth), depth, bits, count, out);
            return;
        }
        // Root first: this word's bits, then the full words back to the leaf's.
        put_long(code >> (64 - depth), depth, bits, count, out);  // depth >= 1
        while (words > 0) put_long(full[--words] >> (64 - kWord), kWord, bits, count, out);
    }

    // put() of up to 64 bits, in two halves.
    static void put_long(uint64_t v, int n, uint64_t& bits, int& count, uint8_t*& out) {
        if (n > 32) {
            put(v & 0xFFFFFFFFu, 32, bits, count, out);
            put(v >> 32, n - 32, bits, count, out);
        } else {
            put(v, n, bits, count, out);
        }
    }

    // Follows code bits from the root to a leaf, then splays that leaf
    // along the path it came down (children only: parents go stale).
    // `bits` holds `count` pending bits, lowest first; refill() gives the
    // next 8 to 64 bits and their count when they run out.
    template <class Refill>
    [[gnu::always_inline]] inline unsigned decode(uint64_t& bits, int& count, Refill&& refill) {
        uint16_t nodes[520];
        uint8_t sides[520];
        uint64_t b = bits;
        int n = count;
        if (n == 0) [[unlikely]] {
            auto more = refill();
            b = more.first;
            n = more.second;
        }
        // The first step: the leaf of a one-bit code needs no splaying.
        unsigned bit = unsigned(b & 1);
        b >>= 1;
        --n;
        nodes[0] = 0;
        sides[0] = uint8_t(bit);
        unsigned node = child[0][bit];
        int depth = 1;
        while (node < 256) {
            if (n == 0) [[unlikely]] {
                auto more = refill();
                b = more.first;
                n = more.second;
            }
            bit = unsigned(b & 1);
            b >>= 1;
            --n;
            nodes[depth] = uint16_t(node);
            sides[depth] = uint8_t(bit);
            node = child[node][bit];
            ++depth;
        }
        bits = b;
        count = n;
        if (depth > 1) {
            nodes[depth] = uint16_t(node);
            // nodes[k] is the node at depth k; sides[k] the side of nodes[k + 1].
            for (int k = depth; k >= 2; k -= 2) {
                unsigned a = nodes[k], c = nodes[k - 1], d = nodes[k - 2], sc = sides[k - 2];
                unsigned sib = child[d][sc ^ 1];
                child[d][sc ^ 1] = uint16_t(a);
                child[c][sides[k - 1]] = uint16_t(sib);
            }
            stale = true;
        }
        return node - 256;
    }
};

namespace {
[[noreturn]] void code_ended() { throw EReadError("Stream read error"); }
constexpr size_t kChunk = 65536;
}  // namespace

TBRCompress::TBRCompress(TStream& stream, bool coding)
    : tree_(std::make_unique<Tree>()), stream_(stream), coding_(coding) {
    tree_->reset();
}

TBRCompress::~TBRCompress() {
    try {
        if (coding_) {
            Flush();
            if (count_ > 0) {
                uint8_t last = uint8_t(bits_);
                stream_.WriteBuffer(&last, 1);
            }
        } else {
            // Whole bytes read ahead, in the buffer or among the pending bits.
            std::int64_t ahead = std::int64_t(buffer_.size() - at_) + count_ / 8;
            if (ahead > 0) stream_.Seek(-ahead, soCurrent);
        }
    } catch (...) {
        // A destructor reports nothing; Flush() first to see write errors.
    }
}

void TBRCompress::ResetSplayTree() { tree_->reset(); }
void TBRCompress::SplayAtSymbol(uint8_t value) { tree_->splay(value); }

void TBRCompress::EncodeSymbol(uint8_t value) { EncodeSymbols(std::span(&value, 1)); }

void TBRCompress::EncodeSymbols(std::span<const uint8_t> plain) {
    if (buffer_.size() < kChunk + 80) buffer_.resize(kChunk + 80);
    Tree& tree = *tree_;
    uint8_t* out = buffer_.data() + at_;
    uint8_t* full = buffer_.data() + kChunk;
    // The pending bits in locals: stores through out could alias the members.
    uint64_t bits = bits_;
    int count = count_;
    for (uint8_t v : plain) {
        tree.encode(v, bits, count, out);
        if (out >= full) [[unlikely]] {
            at_ = size_t(out - buffer_.data());
            bits_ = bits;
            count_ = count;
            Flush();
            out = buffer_.data();
        }
    }
    bits_ = bits;
    count_ = count;
    at_ = size_t(out - buffer_.data());
}

void TBRCompress::Flush() {
    if (!coding_ || at_ == 0) return;
    stream_.WriteBuffer(buffer_.data(), std::int64_t(at_));
    at_ = 0;
}

void TBRCompress::refill() {
    size_t left = buffer_.size() - at_;
    if (left > 0) std::memmove(buffer_.data(), buffer_.data() + at_, left);
    buffer_.resize(kChunk);
    std::int64_t got = stream_.Read(buffer_.data() + left, std::int64_t(kChunk - left));
    buffer_.resize(left + size_t(std::max<std::int64_t>(got, 0)));
    at_ = 0;
}

uint8_t TBRCompress::ReadCodeByte() {
    if (at_ == buffer_.size()) refill();
    if (at_ == buffer_.size()) code_ended();
    return buffer_[at_++];
}

std::pair<uint64_t, int> TBRCompress::more_bits() {
    if (buffer_.size() - at_ < 8) refill();
    if (buffer_.size() - at_ >= 8) {
        uint64_t bits = core::get_le64(&buffer_[at_]);
        at_ += 8;
        return {bits, 64};
    }
    return {ReadCodeByte(), 8};
}

uint8_t TBRCompress::DecodeSymbol() {
    return uint8_t(tree_->decode(bits_, count_, [this] { return more_bits(); }));
}

void TBRCompress::DecodeSymbols(std::span<uint8_t> out) {
    Tree& tree = *tree_;
    uint64_t bits = bits_;
    int count = count_;
    auto more = [this] { return more_bits(); };
    for (uint8_t& v : out) v = uint8_t(tree.decode(bits, count, more));
    bits_ = bits;
    count_ = count;
}

std::vector<uint8_t> TBRCompress::Encode(std::span<const uint8_t> plain) {
    Tree tree;
    tree.reset();
    std::vector<uint8_t> out(plain.size() / 2 + 64);
    uint8_t* at = out.data();
    uint64_t bits = 0;
    int count = 0;
    for (uint8_t v : plain) {
        if (size_t(out.data() + out.size() - at) < 80) {
            size_t used = size_t(at - out.data());
            out.resize(out.size() * 2);
            at = out.data() + used;
        }
        tree.encode(v, bits, count, at);
    }
    size_t used = size_t(at - out.data());
    out.resize(used);
    if (count > 0) out.push_back(uint8_t(bits));
    return out;
}

std::vector<uint8_t> TBRCompress::Decode(std::span<const uint8_t> code, size_t plainSize) {
    // Every byte takes at least one bit.
    if (plainSize / 8 > code.size()) code_ended();
    Tree tree;
    tree.reset();
    std::vector<uint8_t> out(plainSize);
    const uint8_t* in = code.data();
    const uint8_t* end = in + code.size();
    uint64_t bits = 0;
    int count = 0;
    auto more = [&]() -> std::pair<uint64_t, int> {
        if (end - in >= 8) {
            uint64_t b = core::get_le64(in);
            in += 8;
            return {b, 64};
        }
        if (in == end) code_ended();
        return {*in++, 8};
    };
    for (size_t i = 0; i < plainSize; ++i) out[i] = uint8_t(tree.decode(bits, count, more));
    return out;
}
