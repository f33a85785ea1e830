#pragma once
// A GIF file as plain data: the logical screen, the global colour table, the
// application blocks, the images with the extension blocks that belong to
// them, and the blocks after the last image. Read from bytes and written to
// bytes without the picture classes (TGIFImage is the adapter over it).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/graphics/Graphics.h"

// A colour table in file order (red, green, blue per entry).
struct GifColorTable {
    int32_t Count = 0;  // 0 = no table
    std::array<uint8_t, 256 * 3> Entries{};
    TColor Color(int index) const {
        return RGBColor(Entries[size_t(3 * index)], Entries[size_t(3 * index + 1)], Entries[size_t(3 * index + 2)]);
    }
};

namespace picture {

// Largest image or logical screen accepted, in pixels; larger sizes are
// refused before anything is allocated.
constexpr int64_t kMaxGifPixels = int64_t(1) << 26;
// Most images one file holds. An image costs about a kilobyte before it is
// decoded (its records and colour table) though the file may spend 12 bytes
// on it, so the count is bounded as the pixels are: the records of the most
// images take about what one image of the most pixels does.
constexpr size_t kMaxGifFrames = size_t(1) << 16;

constexpr uint8_t kGifGraphicControl = 0xF9, kGifComment = 0xFE, kGifPlainText = 0x01, kGifApplication = 0xFF;

// One extension block.
struct GifExtension {
    uint8_t Label = kGifGraphicControl;
    // The fixed part, read at its label's length whatever its block-size byte
    // says: 6 bytes for graphic control (size, flags, delay, transparent
    // index, terminator), 13 for plain text, 12 for application, none for a comment.
    std::array<uint8_t, 13> Fixed{};
    std::vector<std::string> SubBlocks;  // data sub-blocks; a graphic-control block has none
};
// The length of the fixed part of a label's blocks; -1 for an unknown label.
int GifFixedLength(uint8_t label);
// The repeat count of a looping block: an application or plain-text block
// whose identifier and authentication code, compared over the length its
// block-size byte gives, are "NETSCAPE2.0" or "ANIMEXTS1.0", and whose first
// sub-block has at least 3 bytes and starts with 1. None for other blocks.
std::optional<uint16_t> GifLoopCount(uint8_t label, const std::array<uint8_t, 13>& fixed,
                                     const std::vector<std::string>* subBlocks);

struct GifImage {
    // The graphic-control and comment blocks before the image, in file order;
    // a plain-text block drops those before it (they belong to the text).
    std::vector<GifExtension> Extensions;
    uint16_t Left = 0, Top = 0, Width = 0, Height = 0;  // as stored: a size of 0 takes the screen's
    uint8_t Flags = 0;  // bit 7 local table, bit 6 interlaced, bits 0-2 the table's bits - 1
    GifColorTable LocalTable;  // read when flagged; written at the length the flags declare
    // The code size byte and the data sub-blocks with their length bytes, up
    // to and with the terminator: exactly as stored.
    std::vector<uint8_t> Data;
    bool Truncated = false;  // a sub-block ran past the end of the file (read tolerantly)
};

struct GifFile {
    int Version = 0;  // 1 "87a", 2 "89a"
    bool HasScreen = false;  // the logical screen descriptor was read
    uint16_t Width = 0, Height = 0;
    uint8_t Flags = 0;  // bit 7 global table, bits 4-6 colour resolution - 1, bits 0-2 the table's bits - 1
    uint8_t Background = 0, Aspect = 0;
    GifColorTable GlobalTable;  // read whole or not at all; written when it has entries
    std::vector<GifExtension> Applications;  // application and plain-text blocks, written before the first image
    std::vector<GifImage> Images;
    std::vector<GifExtension> Trailing;  // graphic-control and comment blocks after the last image
};

// Reads a GIF stream. Errors are raised as the stream is read, and what was
// read before one stays in file (an image only when it was read whole):
// "Unknown GIF version", "GIF encoded data is corrupt" for a screen or an
// image over kMaxGifPixels, "Unrecognized extension block: %.2x", too many
// images, the platform's read error for fixed parts cut short,
// EInvalidGraphicOperation "Stream read error" for an unexpected byte after
// extensions and, unless tolerant, for image data running past the end.
// An unexpected byte after an image ends reading quietly.
void ReadGifFile(std::span<const uint8_t> bytes, GifFile& file, bool tolerant);

// Appends the whole file to out: the screen and global table, the
// application blocks, each image with its extensions, the trailing blocks and
// the trailer.
void WriteGifFile(const GifFile& file, std::vector<uint8_t>& out);
// The pieces WriteGifFile writes, for writers that keep the parts elsewhere.
// Signature, screen descriptor and the global table's entries.
void PutGifScreen(std::vector<uint8_t>& out, const GifFile& file);
// Label, fixed part and, except for graphic control, the sub-blocks (one
// longer than 255 bytes goes on in further sub-blocks, an empty one adds
// nothing) and the terminator.
void PutGifExtension(std::vector<uint8_t>& out, const GifExtension& ext);
// The descriptor, the local table when flagged (padded with black to the
// length the flags declare) and data, given apart from the image. Data whose
// sub-blocks stop without the terminator keep their whole sub-blocks and get
// it; no data at all are written as a code size of 2 and no codes.
void PutGifImage(std::vector<uint8_t>& out, const GifImage& image, std::span<const uint8_t> data);
void PutGifTrailer(std::vector<uint8_t>& out);

}  // namespace picture
