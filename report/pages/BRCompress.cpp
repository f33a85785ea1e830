#include "report/pages/BRPageStream.h"

#include <cstring>

#include "platform/core/ByteOrder.h"

// The code tree: parents of the 513 nodes, children of the 256 inner ones.
struct TBRCompress::Tree {
    uint16_t parent[513];
    uint16_t left[256];
    uint16_t right[256];

    void reset() {
        for (int i = 1; i <= 512; ++i) parent[i] = uint16_t((i - 1) / 2);
        parent[0] = 0;
        for (int i = 0; i < 256; ++i) {
            left[i] = uint16_t(2 * i + 1);
            right[i] = uint16_t(2 * i + 2);
        }
    }

    // Semi-splaying: each step swaps the node with its parent's sibling and
    // continues from the grandparent.
    void splay(unsigned value) {
        unsigned a = value + 256;
        for (;;) {
            unsigned c = parent[a];
            if (c == 0) return;
            unsigned d = parent[c];
            unsigned b;
            if (left[d] == c) {
                b = right[d];
                right[d] = uint16_t(a);
            } else {
                b = left[d];
                left[d] = uint16_t(a);
            }
            if (left[c] == a)
                left[c] = uint16_t(b);
            else
                right[c] = uint16_t(b);
            parent[a] = uint16_t(d);
            parent[b] = uint16_t(c);
            a = d;
            if (a == 0) return;
        }
    }

    // Appends the code of value (bits root first into the lowest free bits
    // of `bits`, `count` of them pending) and flushes whole bytes to out.
    // out must have room for 40 more bytes.
    void encode(unsigned value, uint64_t& bits, int& count, uint8_t*& out) {
        unsigned n = value + 256;
        uint64_t code = 0;
        int depth = 0;
        // The path is found leaf first: bit k from the leaf goes to bit
        // 63 - k, and the shift below brings the root's bit lowest.
        while (n != 0 && depth < 56) {
            unsigned p = parent[n];
            code |= uint64_t(right[p] == n) << (63 - depth);
            ++depth;
            n = p;
        }
        if (n == 0) {
            bits |= (code >> (64 - depth)) << count;
            count += depth;
            while (count >= 8) {
                *out++ = uint8_t(bits);
                bits >>= 8;
                count -= 8;
            }
        } else {
            // A deep leaf: the whole path, then its bits one at a time.
            uint8_t path[512];
            int len = 0;
            for (unsigned m = value + 256; m != 0; m = parent[m]) path[len++] = uint8_t(right[parent[m]] == m);
            while (len > 0) {
                bits |= uint64_t(path[--len]) << count;
                if (++count == 8) {
                    *out++ = uint8_t(bits);
                    bits = 0;
                    count = 0;
                }
            }
        }
        splay(value);
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
        } else if (at_ < buffer_.size()) {
            stream_.Seek(-std::int64_t(buffer_.size() - at_), soCurrent);
        }
    } catch (...) {
        // A destructor reports nothing; Flush() first to see write errors.
    }
}

void TBRCompress::ResetSplayTree() { tree_->reset(); }
void TBRCompress::SplayAtSymbol(uint8_t value) { tree_->splay(value); }

void TBRCompress::EncodeSymbol(uint8_t value) {
    if (buffer_.size() < at_ + 40) buffer_.resize(std::max(at_ + 40, kChunk));
    uint8_t* out = buffer_.data() + at_;
    tree_->encode(value, bits_, count_, out);
    at_ = size_t(out - buffer_.data());
    if (at_ >= kChunk) Flush();
}

void TBRCompress::Flush() {
    if (!coding_ || at_ == 0) return;
    stream_.WriteBuffer(buffer_.data(), std::int64_t(at_));
    at_ = 0;
}

uint8_t TBRCompress::read_code_byte() {
    if (at_ == buffer_.size()) {
        buffer_.resize(kChunk);
        std::int64_t got = stream_.Read(buffer_.data(), std::int64_t(kChunk));
        buffer_.resize(size_t(std::max<std::int64_t>(got, 0)));
        at_ = 0;
        if (buffer_.empty()) code_ended();
    }
    return buffer_[at_++];
}

uint8_t TBRCompress::DecodeSymbol() {
    const Tree& t = *tree_;
    unsigned node = 0;
    do {
        if (count_ == 0) {
            bits_ = read_code_byte();
            count_ = 8;
        }
        node = (bits_ & 1) ? t.right[node] : t.left[node];
        bits_ >>= 1;
        --count_;
    } while (node < 256);
    uint8_t value = uint8_t(node - 256);
    tree_->splay(value);
    return value;
}

std::vector<uint8_t> TBRCompress::Encode(std::span<const uint8_t> plain) {
    Tree tree;
    tree.reset();
    std::vector<uint8_t> out(plain.size() / 2 + 64);
    uint8_t* at = out.data();
    uint64_t bits = 0;
    int count = 0;
    for (uint8_t v : plain) {
        if (size_t(out.data() + out.size() - at) < 40) {
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
    for (size_t i = 0; i < plainSize; ++i) {
        unsigned node = 0;
        do {
            if (count == 0) {
                if (end - in >= 8) {
                    bits = core::get_le64(in);
                    in += 8;
                    count = 64;
                } else if (in < end) {
                    bits = *in++;
                    count = 8;
                } else {
                    code_ended();
                }
            }
            node = (bits & 1) ? tree.right[node] : tree.left[node];
            bits >>= 1;
            --count;
        } while (node < 256);
        out[i] = uint8_t(node - 256);
        tree.splay(node - 256);
    }
    return out;
}
