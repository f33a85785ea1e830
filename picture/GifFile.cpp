#include "picture/GifFile.h"

#include <algorithm>
#include <cstring>

#include "picture/PicTexts.h"
#include "platform/core/SysUtils.h"
#include "platform/graphics/Bitmap.h"

namespace picture {

namespace {

constexpr const char* kTooManyFrames = "GIF image has more than 65536 frames";
static_assert(kMaxGifFrames == 65536, "the text names the limit");

[[noreturn]] void gif_error(int number) { throw EInvalidGraphicOperation(GifErrorText(number)); }
[[noreturn]] void stream_read_error() { throw EInvalidGraphicOperation("Stream read error"); }

uint16_t le16(std::span<const uint8_t> b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

void put16(std::vector<uint8_t>& v, int x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

bool equal_nocase(std::span<const uint8_t> a, const char* b) {
    for (size_t i = 0; i < a.size(); ++i) {
        int x = a[i], y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
        if (x != y) return false;
    }
    return true;
}

// Reads the next non-zero byte; 0 at the end of the data.
uint8_t next_separator(TByteReader& in) {
    while (in.Remaining() > 0) {
        uint8_t b = in.ReadByte();
        if (b != 0) return b;
    }
    return 0;
}

void read_table(TByteReader& in, GifColorTable& table, int bits) {
    int count = 1 << bits;
    auto bytes = in.Read(size_t(3 * count));
    std::copy(bytes.begin(), bytes.end(), table.Entries.begin());
    table.Count = count;
}

// Reads extension blocks while the separator is "!": application and
// plain-text blocks go to the file, graphic-control and comment blocks to
// kept (a plain-text block empties it first). The separator becomes the
// byte after the run, ";" at the end of the data.
void read_extensions(TByteReader& in, uint8_t& separator, std::vector<GifExtension>& kept, GifFile& file) {
    while (separator == '!') {
        GifExtension ext;
        ext.Label = in.ReadByte();
        int fixed = GifFixedLength(ext.Label);
        if (fixed < 0) throw EInvalidGraphicOperation(Format(GifErrorText(kGifUnknownExtension), ext.Label));
        auto bytes = in.Read(size_t(fixed));
        std::copy(bytes.begin(), bytes.end(), ext.Fixed.begin());
        if (ext.Label != kGifGraphicControl) {
            while (in.Remaining() > 0) {
                size_t n = in.ReadByte();
                if (n == 0) break;
                auto block = in.Read(n);
                ext.SubBlocks.emplace_back(block.begin(), block.end());
            }
        }
        if (ext.Label == kGifPlainText) kept.clear();
        if (ext.Label == kGifPlainText || ext.Label == kGifApplication)
            file.Applications.push_back(std::move(ext));
        else
            kept.push_back(std::move(ext));
        separator = in.Remaining() == 0 ? uint8_t(';') : next_separator(in);
    }
}

// Reads an image block after its separator: descriptor, local table, code
// size byte and data sub-blocks, copied in one piece.
void read_image(TByteReader& in, GifImage& image, const GifFile& file, bool tolerant) {
    auto d = in.Read(9);
    image.Left = le16(d, 0);
    image.Top = le16(d, 2);
    image.Width = le16(d, 4);
    image.Height = le16(d, 6);
    image.Flags = d[8];
    if (image.Flags & 0x80) read_table(in, image.LocalTable, (image.Flags & 7) + 1);
    int64_t w = image.Width ? image.Width : file.Width, h = image.Height ? image.Height : file.Height;
    if (w * h > kMaxGifPixels) gif_error(kGifCorrupt);
    in.ReadByte();  // the code size byte
    // the sub-blocks up to the terminator, the end of the data, or a length
    // byte that promises more than is left (left out, and the rest skipped)
    auto rest = in.Rest();
    size_t at = 0, end = 0;
    while (at < rest.size()) {
        size_t n = rest[at];
        if (n > rest.size() - at - 1) {
            image.Truncated = true;
            break;
        }
        at += 1 + n;
        end = at;
        if (n == 0) break;
    }
    const uint8_t* from = rest.data() - 1;  // the code size byte
    graphics::reserve_large(image.Data, 1 + end);
    image.Data.assign(from, from + 1 + end);
    in.Skip(image.Truncated ? rest.size() : end);
    if (image.Truncated && !tolerant) stream_read_error();
}

constexpr int kFixedLengths[] = {6, 13, 12, 0};

}  // namespace

int GifFixedLength(uint8_t label) {
    switch (label) {
        case kGifGraphicControl: return kFixedLengths[0];
        case kGifPlainText: return kFixedLengths[1];
        case kGifApplication: return kFixedLengths[2];
        case kGifComment: return kFixedLengths[3];
        default: return -1;
    }
}

std::optional<uint16_t> GifLoopCount(uint8_t label, const std::array<uint8_t, 13>& fixed,
                                     const std::vector<std::string>* subBlocks) {
    if (label != kGifApplication && label != kGifPlainText) return std::nullopt;
    // identifier and authentication code, compared over the length the block-size byte gives
    size_t n = fixed[0];
    size_t limit = label == kGifApplication ? 11 : 12;
    if (n == 0 || n > limit) return std::nullopt;
    auto matches = [&](const char* name) {  // name has 11 characters and a terminating zero
        return std::memcmp(fixed.data() + 1, name, std::min<size_t>(n, 12)) == 0;
    };
    if (!matches("NETSCAPE2.0") && !matches("ANIMEXTS1.0")) return std::nullopt;
    if (!subBlocks || subBlocks->empty()) return std::nullopt;
    const std::string& first = subBlocks->front();
    if (first.size() < 3 || uint8_t(first[0]) != 1) return std::nullopt;
    return uint16_t(uint8_t(first[1]) | uint8_t(first[2]) << 8);
}

void ReadGifFile(std::span<const uint8_t> bytes, GifFile& file, bool tolerant) {
    if (bytes.empty()) return;
    TByteReader in(bytes);
    auto sig = in.Read(6);
    if (!equal_nocase(sig.subspan(0, 3), "GIF")) gif_error(kGifUnknownVersion);
    if (equal_nocase(sig.subspan(3, 3), "87a"))
        file.Version = 1;
    else if (equal_nocase(sig.subspan(3, 3), "89a"))
        file.Version = 2;
    else
        gif_error(kGifUnknownVersion);
    auto sd = in.Read(7);
    file.HasScreen = true;
    file.Width = le16(sd, 0);
    file.Height = le16(sd, 2);
    file.Flags = sd[4];
    file.Background = sd[5];
    file.Aspect = sd[6];
    if (int64_t(file.Width) * file.Height > kMaxGifPixels) gif_error(kGifCorrupt);
    if (file.Flags & 0x80) read_table(in, file.GlobalTable, (file.Flags & 7) + 1);

    uint8_t separator = next_separator(in);
    while (separator != 0 && separator != ';' && in.Remaining() > 0) {
        std::vector<GifExtension> kept;
        read_extensions(in, separator, kept, file);
        if (separator == ',') {
            if (file.Images.size() >= kMaxGifFrames) throw EInvalidGraphicOperation(kTooManyFrames);
            GifImage image;
            image.Extensions = std::move(kept);
            read_image(in, image, file, tolerant);
            file.Images.push_back(std::move(image));
            separator = in.Remaining() == 0 ? uint8_t(';') : next_separator(in);
            if (separator != '!' && separator != ',' && separator != ';') separator = 0;
        } else if (!kept.empty() && file.Trailing.empty()) {
            // blocks after the last image; whatever follows them ends reading
            // (quietly only at the end of the data)
            file.Trailing = std::move(kept);
        } else if (separator != 0 && separator != ';') {
            stream_read_error();
        }
    }
}

// ---- writing

void PutGifScreen(std::vector<uint8_t>& out, const GifFile& file) {
    const char* version = file.Version == 2 ? "GIF89a" : "GIF87a";
    out.insert(out.end(), version, version + 6);
    put16(out, file.Width);
    put16(out, file.Height);
    out.push_back(file.Flags);
    out.push_back(file.Background);
    out.push_back(file.Aspect);
    out.insert(out.end(), file.GlobalTable.Entries.begin(), file.GlobalTable.Entries.begin() + 3 * file.GlobalTable.Count);
}

void PutGifExtension(std::vector<uint8_t>& out, const GifExtension& ext) {
    out.push_back(0x21);
    out.push_back(ext.Label);
    out.insert(out.end(), ext.Fixed.begin(), ext.Fixed.begin() + std::max(GifFixedLength(ext.Label), 0));
    if (ext.Label == kGifGraphicControl) return;
    for (auto& text : ext.SubBlocks)
        for (size_t at = 0; at < text.size(); at += 255) {
            size_t n = std::min<size_t>(255, text.size() - at);
            out.push_back(uint8_t(n));
            out.insert(out.end(), text.begin() + ptrdiff_t(at), text.begin() + ptrdiff_t(at + n));
        }
    out.push_back(0);
}

void PutGifImage(std::vector<uint8_t>& out, const GifImage& image, std::span<const uint8_t> data) {
    out.push_back(0x2C);
    put16(out, image.Left);
    put16(out, image.Top);
    put16(out, image.Width);
    put16(out, image.Height);
    out.push_back(image.Flags);
    if (image.Flags & 0x80) {
        size_t declared = size_t(3) << ((image.Flags & 7) + 1);
        size_t held = std::min(size_t(3 * std::clamp(image.LocalTable.Count, 0, 256)), declared);
        out.insert(out.end(), image.LocalTable.Entries.begin(), image.LocalTable.Entries.begin() + ptrdiff_t(held));
        out.insert(out.end(), declared - held, uint8_t(0));
    }
    if (data.empty()) {
        out.insert(out.end(), {2, 0});  // a code size byte and no codes
        return;
    }
    size_t at = 1;
    while (at < data.size()) {
        size_t n = data[at];
        if (n == 0) {
            out.insert(out.end(), data.begin(), data.begin() + ptrdiff_t(at + 1));
            return;
        }
        if (at + 1 + n > data.size()) break;
        at += 1 + n;
    }
    out.insert(out.end(), data.begin(), data.begin() + ptrdiff_t(std::min(at, data.size())));
    out.push_back(0);
}

void PutGifTrailer(std::vector<uint8_t>& out) { out.push_back(0x3B); }

void WriteGifFile(const GifFile& file, std::vector<uint8_t>& out) {
    PutGifScreen(out, file);
    for (auto& ext : file.Applications) PutGifExtension(out, ext);
    for (auto& image : file.Images) {
        for (auto& ext : image.Extensions) PutGifExtension(out, ext);
        PutGifImage(out, image, image.Data);
    }
    for (auto& ext : file.Trailing) PutGifExtension(out, ext);
    PutGifTrailer(out);
}

}  // namespace picture
