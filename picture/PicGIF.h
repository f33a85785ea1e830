#pragma once
// TGIFImage: GIF87a/GIF89a pictures as a list of frames. Each frame keeps its
// LZW data as read and decodes it into a bitmap on first use.

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/GifFile.h"
#include "picture/PicTexts.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

class TGIFImage;

// The first index holding colour (converted to RGB), -1 for none or clNone.
int ColorIndexOf(const GifColorTable& table, TColor color);

// Logical-screen data shared by images assigned from one another.
class TGIFData {
public:
    std::vector<std::string> CommentLines;  // bytes of each comment sub-block, as stored
    uint8_t AspectByte = 0;
    uint8_t BitDepth = 0;
    uint8_t ColorResolution = 0;
    GifColorTable GlobalTable;
};

// One frame's stored data, shared by frames copied from one another.
class TGIFItem {
public:
    // code size byte, data sub-blocks and terminator, exactly as stored
    std::optional<std::vector<uint8_t>> EncodedData;
    int32_t FrameWidth = 0, FrameHeight = 0;
    uint8_t DescriptorFlags = 0;
    uint8_t BitDepth = 0;
    GifColorTable LocalTable;  // a copy of the global table when the frame has none
};

enum TExtensionKind : uint8_t { ekGraphicControl = 0, ekPlainText = 1, ekApplication = 2, ekComment = 3 };

// One extension block: its fixed part and its data sub-blocks.
class TExtension {
public:
    TExtensionKind Kind = ekGraphicControl;
    std::array<uint8_t, 13> FixedBytes{};
    std::optional<std::vector<std::string>> DataLines;
    void Assign(const TExtension& source);
};
using TExtensionList = std::vector<std::unique_ptr<TExtension>>;
// The last extension of a kind in list (searching from the end), or nullptr.
TExtension* LastExtensionOfKind(const TExtensionList* list, TExtensionKind kind);
// An application or plain-text block naming "NETSCAPE2.0" or "ANIMEXTS1.0"
// whose first sub-block starts with 1 and has at least 3 bytes.
bool IsLoopBlock(const TExtension& ext);

// One image of a GIF picture; described for the class registry, made only
// by its image.
class TGIFFrame : public TPersistent {
public:
    explicit TGIFFrame(TGIFImage* owner);
    ~TGIFFrame() override;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    TGIFImage* OwnerImage;
    std::unique_ptr<TBitmap> FrameBitmap;
    std::shared_ptr<TGIFItem> FrameData;
    std::unique_ptr<TExtensionList> ExtensionList;
    int32_t OffsetX = 0, OffsetY = 0;
    bool IsInterlaced = false;
    bool DamageFound = false;
    bool IsGray = false;
    TColor TransparentKey = clNone;
    // Palette index that is transparent in the decoded bitmap, -1 = by colour only.
    int TransparentIndex = -1;
    uint16_t DelayMs = 0;
    uint8_t Disposal = 0;
    bool UsesLocalTable = false;

    // nullptr clears the frame.
    void Assign(const TGIFFrame* source);
    void Assign(const TGIFImage* source);
    void Assign(const TGraphic* source);
    void AssignTo(TGraphic& dest);

    // The decoded bitmap (decoded now when missing or empty); decoding errors propagate.
    TBitmap& EnsureBitmap();
    void NewFrameData();
    void NewFrameBitmap();
    // Lines of the last comment extension; with create, one is appended when missing.
    std::vector<std::string>* FindCommentLines(bool create);
    std::vector<std::string>& FrameComment() { return *FindCommentLines(true); }
    void SetFrameComment(const std::vector<std::string>& lines) { FrameComment() = lines; }
    void DrawFrame(TCanvas& canvas, const TRect& rect, bool transparent);
    // The frame decoded into a BMP file image (bottom-up rows, palette from LocalTable).
    std::vector<uint8_t> BuildFrameBmp();

    // Encodes FrameBitmap into EncodedData; bitmaps of more than 8 bits per
    // pixel are first reduced to an 8-bit palette (grayscale when IsGray).
    void EncodeFrame();
    // Encodes a BMP file image of 1, 4 or 8 bits per pixel as the frame's
    // data and colour table (the image's global table when it has none yet).
    void EncodeFrameFromBmp(std::span<const uint8_t> bmp);
    // Rebuilds the graphic control block from DelayMs, TransparentKey and
    // Disposal and drops comment blocks without text.
    void UpdateGraphicControl();

private:
    // Encodes rows of packed pixels (image row r at firstRow + r * stride)
    // with the given table as the frame's data.
    void encodePixels(const GifColorTable& table, int width, int height, int bits, const uint8_t* firstRow,
                      ptrdiff_t stride);
    void assignCleared();
    std::unique_ptr<TBitmap> decodeBitmap();
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    std::shared_ptr<TGIFData> SharedData;
    uint8_t GifVersion = 0;  // 0 unset, 1 "87a", 2 "89a"
    std::vector<std::unique_ptr<TGIFFrame>> FrameList;
    int32_t ActiveFrame = -1;
    uint16_t LogicalWidth = 0, LogicalHeight = 0;
    TColor BackColor = clNone;
    bool LoopEnabled = false;
    bool DamageFound = false;
    uint16_t LoopCount = 1;

    void AssignTo(TGraphic& dest) const override;
    void Assign(const TGraphic* source) override;
    void Assign(const TGIFFrame* source);
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool Equals(const TGraphic& other) const override;
    bool GetEmpty() override;
    int GetHeight() override;
    int GetWidth() override;
    TPalette GetPalette() override;
    bool GetTransparent() override;
    void ReadData(TByteReader& reader) override;
    void SetHeight(int) override;
    void SetWidth(int) override;
    void WriteData(std::vector<uint8_t>& out) override;
    void LoadFromStream(TByteReader& reader) override;
    void SaveToStream(std::vector<uint8_t>& out) override;
    void LoadFromClipboardFormat(unsigned format, const TClipboardData& data, const TPalette& palette) override;
    void SaveToClipboardFormat(unsigned& format, TClipboardData& data, TPalette& palette) override;
    // Appends a frame assigned from graphic and makes it current; returns its index.
    virtual int AppendFrame(const TGraphic* graphic);

    void ClearImage();
    int FrameCount() const { return int(FrameList.size()); }
    TGIFFrame& FrameAt(int index) { return *FrameList.at(size_t(index)); }
    TBitmap& CurrentBitmap();
    void UpdateLogicalSize();
    // Reads count bytes of GIF stream from reader.
    void ReadGifStream(int64_t count, TByteReader& reader, bool decodeFirst);
    // Writes the picture as a GIF stream, with a 32-bit byte count in front
    // when asked; out is only appended to when the whole stream was built.
    void WriteGifStream(std::vector<uint8_t>& out, bool withCount);
    // Encodes the frames that have no encoded data and refreshes every
    // frame's graphic control block.
    void EncodeFrames();

private:
    friend class TGIFFrame;
    // Takes over what was read of a file: header, loop blocks, images, comments.
    void adoptFile(picture::GifFile& file);
    // Appends the stream after the logical screen's fields have been settled.
    void writeStream(std::vector<uint8_t>& s, const picture::GifFile& head, bool loopBlock);
    // Sets up a frame from an image block of the file.
    void readFrame(TGIFFrame& frame, picture::GifImage& image);
};

namespace picture {
// Damaged image data is accepted and marked instead of raising errors (on by default).
extern bool TolerantReading;
// Reduction method for writing frames of more than 8 bits per pixel that
// are not marked gray (initially 0, the histogram of exact colours).
extern int ReduceMethod;
// Number of the "GIF Image" clipboard format once registered, else 0.
unsigned GifClipboardFormat();
void PicGIF_startup();
void PicGIF_shutdown();
}  // namespace picture
