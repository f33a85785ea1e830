#include "picture/PicGIF.h"

#include "platform/core/ByteOrder.h"
#include "platform/core/ClassBuilder.h"

#include <algorithm>
#include <exception>

#include "picture/GfxUtils.h"
#include "picture/GifDecode.h"
#include "picture/GifEncode.h"
#include "picture/PicGraph.h"
#include "platform/graphics/Clipboard.h"

namespace picture {
bool TolerantReading = true;
int ReduceMethod = 0;
namespace {
unsigned gif_clipboard_format = 0;
}
unsigned GifClipboardFormat() { return gif_clipboard_format; }
}  // namespace picture

namespace {

[[noreturn]] void gif_error(int number) { throw EInvalidGraphicOperation(GifErrorText(number)); }

// Bit count (1 to 8) of a colour count that is a power of two from 2 to 256.
int bits_of_count(int count) {
    for (int b = 1; b <= 8; ++b)
        if (count == 1 << b) return b;
    gif_error(kGifColorCount);
}

constexpr uint8_t kExtensionLabels[4] = {picture::kGifGraphicControl, picture::kGifPlainText,
                                         picture::kGifApplication, picture::kGifComment};
uint8_t gif_label(TExtensionKind kind) { return kExtensionLabels[size_t(kind) & 3]; }
TExtensionKind extension_kind(uint8_t label) {
    switch (label) {
        case picture::kGifPlainText: return ekPlainText;
        case picture::kGifApplication: return ekApplication;
        case picture::kGifComment: return ekComment;
        default: return ekGraphicControl;
    }
}

int bmp_bits(int depth) {
    if (depth == 1) return 1;
    if (depth >= 2 && depth <= 4) return 4;
    if (depth >= 5 && depth <= 8) return 8;
    gif_error(kGifColorCount);
}

}  // namespace

int ColorIndexOf(const GifColorTable& table, TColor color) {
    if (color == clNone) return -1;
    TColor rgb = ColorToRGB(color);
    for (int i = 0; i < table.Count; ++i)
        if (table.Color(i) == rgb) return i;
    return -1;
}

void TExtension::Assign(const TExtension& source) {
    if (&source == this) return;
    Kind = source.Kind;
    FixedBytes = source.FixedBytes;
    if (source.DataLines) DataLines = *source.DataLines;
}

TExtension* LastExtensionOfKind(const TExtensionList* list, TExtensionKind kind) {
    if (!list) return nullptr;
    for (auto it = list->rbegin(); it != list->rend(); ++it)
        if ((*it)->Kind == kind) return it->get();
    return nullptr;
}

bool IsLoopBlock(const TExtension& ext) {
    return picture::GifLoopCount(gif_label(ext.Kind), ext.FixedBytes, ext.DataLines ? &*ext.DataLines : nullptr)
        .has_value();
}

// ---- TGIFFrame

TGIFFrame::TGIFFrame(TGIFImage* owner) : OwnerImage(owner) { NewFrameData(); }
TGIFFrame::~TGIFFrame() = default;

void TGIFFrame::NewFrameData() {
    FrameData = std::make_shared<TGIFItem>();
    IsGray = false;
    DamageFound = false;
    TransparentKey = clNone;
    TransparentIndex = -1;
    OffsetX = OffsetY = 0;
    IsInterlaced = false;
    UsesLocalTable = false;
    DelayMs = 0;
    Disposal = 0;
}

void TGIFFrame::NewFrameBitmap() { FrameBitmap = std::make_unique<TBitmap>(); }

void TGIFFrame::assignCleared() {
    NewFrameData();
    FrameBitmap.reset();
}

void TGIFFrame::Assign(const TGIFFrame* source) {
    if (!source) {
        assignCleared();
    } else if (source != this) {
        FrameData = source->FrameData;
        UsesLocalTable = source->OwnerImage == OwnerImage ? source->UsesLocalTable : true;
        OffsetX = source->OffsetX;
        OffsetY = source->OffsetY;
        IsInterlaced = source->IsInterlaced;
        if (source->FrameBitmap) {
            auto b = std::make_unique<TBitmap>();
            b->Assign(source->FrameBitmap.get());
            FrameBitmap = std::move(b);
        }
        TransparentKey = source->TransparentKey;
        TransparentIndex = source->TransparentIndex;
        DelayMs = source->DelayMs;
        Disposal = source->Disposal;
        IsGray = source->IsGray;
        DamageFound = source->DamageFound;
        if (auto* lines = const_cast<TGIFFrame*>(source)->FindCommentLines(false)) {
            auto copy = *lines;
            SetFrameComment(copy);
        }
    }
    if (OwnerImage) OwnerImage->UpdateLogicalSize();
}

void TGIFFrame::Assign(const TGIFImage* source) {
    if (!source || source->FrameList.empty()) {
        Assign(static_cast<const TGIFFrame*>(nullptr));
        return;
    }
    int index = source->ActiveFrame < 0 ? 0 : source->ActiveFrame;
    Assign(source->FrameList.at(size_t(index)).get());
}

void TGIFFrame::Assign(const TGraphic* source) {
    if (!source) {
        Assign(static_cast<const TGIFFrame*>(nullptr));
        return;
    }
    if (auto* image = dynamic_cast<const TGIFImage*>(source)) {
        Assign(image);
        return;
    }
    auto& g = const_cast<TGraphic&>(*source);
    if (g.Empty()) {
        Assign(static_cast<const TGIFFrame*>(nullptr));
        return;
    }
    NewFrameData();
    NewFrameBitmap();
    auto* sourceBitmap = dynamic_cast<const TBitmap*>(source);
    try {
        FrameBitmap->Assign(source);
        if (sourceBitmap && sourceBitmap->Monochrome()) FrameBitmap->SetMonochrome(true);
    } catch (const Exception&) {
        // the graphic cannot become a bitmap itself: draw it on a magenta background
        FrameBitmap = std::make_unique<TBitmap>(g.Width(), g.Height());
        FrameBitmap->Canvas().Brush.Color = TColor(0xFF00FF);
        FrameBitmap->Canvas().FillRect(TRect{0, 0, g.Width(), g.Height()});
        FrameBitmap->Canvas().Draw(0, 0, g);
    }
    if (g.Transparent()) {
        if (sourceBitmap)
            TransparentKey = sourceBitmap->TransparentColor();
        else
            TransparentKey = FrameBitmap->Palette().empty()
                                 ? ColorToRGB(FrameBitmap->Canvas().Brush.Color)
                                 : [&] {
                                       auto& e = FrameBitmap->Palette()[size_t(
                                           FrameBitmap->NearestIndex(FrameBitmap->Canvas().Brush.Color))];
                                       return RGBColor(e.R, e.G, e.B);
                                   }();
    }
    if (OwnerImage) OwnerImage->UpdateLogicalSize();
}

void TGIFFrame::AssignTo(TGraphic& dest) {
    if (auto* image = dynamic_cast<TGIFImage*>(&dest)) {
        image->Assign(this);
        return;
    }
    auto& bmp = EnsureBitmap();
    dest.Assign(&bmp);
    if (auto* b = dynamic_cast<TBitmap*>(&dest); b && TransparentKey != clNone) {
        b->SetTransparentColor(ColorToRGB(TransparentKey));
        b->SetTransparent(true);
    }
}

TBitmap& TGIFFrame::EnsureBitmap() {
    if (FrameBitmap && !FrameBitmap->Empty()) return *FrameBitmap;
    FrameBitmap = std::make_unique<TBitmap>();
    if (FrameData->EncodedData) {
        auto b = decodeBitmap();
        if (!b->Monochrome()) b->SetHandleType(bmDDB);
        FrameBitmap = std::move(b);
    }
    return *FrameBitmap;
}

std::unique_ptr<TBitmap> TGIFFrame::decodeBitmap() {
    auto& item = *FrameData;
    int bits = bmp_bits(item.BitDepth);
    int64_t w = item.FrameWidth, h = item.FrameHeight;
    if (w < 0 || h < 0 || w * h > picture::kMaxGifPixels) gif_error(kGifCorrupt);
    // the palette: the frame's table, entries beyond its count grey (128, 128, 128)
    TPalette palette(size_t(1) << bits, TRGBEntry{128, 128, 128});
    for (int i = 0; i < item.LocalTable.Count && i < int(palette.size()); ++i)
        palette[size_t(i)] = {item.LocalTable.Entries[size_t(3 * i)], item.LocalTable.Entries[size_t(3 * i + 1)],
                              item.LocalTable.Entries[size_t(3 * i + 2)]};
    auto b = std::make_unique<TBitmap>(int(w), int(h), bits == 1 ? pf1bit : bits == 4 ? pf4bit : pf8bit);
    if (bits == 1 && palette == TPalette{{0, 0, 0}, {255, 255, 255}})
        b->SetMonochrome(true);
    else
        b->SetPalette(palette);
    b->PaletteModified = false;
    b->Modified = false;
    if (w > 0 && h > 0) {
        picture::LzwProgress progress;
        if (OwnerImage && OwnerImage->OnProgress) {
            auto* image = OwnerImage;
            progress = [image](int stage, int percent, const std::string& message) {
                image->Progress(TProgressStage(stage), percent, false, TRect{}, message);
            };
        }
        bool damage = picture::LzwDecode(*item.EncodedData, int(w), int(h), bits, IsInterlaced, progress,
                                         b->ScanLine(0), b->Stride(), item.BitDepth, picture::TolerantReading);
        DamageFound = DamageFound || damage;
    }
    return b;
}

std::vector<uint8_t> TGIFFrame::BuildFrameBmp() {
    if (!FrameData->EncodedData) return TBitmap().SaveToBmp();
    return decodeBitmap()->SaveToBmp();
}

std::vector<std::string>* TGIFFrame::FindCommentLines(bool create) {
    if (auto* ext = LastExtensionOfKind(ExtensionList.get(), ekComment)) {
        if (!ext->DataLines && create) ext->DataLines.emplace();
        if (ext->DataLines) return &*ext->DataLines;
    }
    if (!create) return nullptr;
    if (!ExtensionList) ExtensionList = std::make_unique<TExtensionList>();
    auto ext = std::make_unique<TExtension>();
    ext->Kind = ekComment;
    ext->DataLines.emplace();
    ExtensionList->push_back(std::move(ext));
    return &*ExtensionList->back()->DataLines;
}

void TGIFFrame::DrawFrame(TCanvas& canvas, const TRect& rect, bool transparent) {
    auto& bmp = EnsureBitmap();
    if (TransparentKey != clNone && transparent)
        StretchBitmapRectMasked(canvas, rect, bmp, TRect{0, 0, bmp.GetWidth(), bmp.GetHeight()}, TransparentKey,
                                TransparentIndex);
    else
        canvas.StretchDraw(rect, bmp);
}

// ---- TGIFImage

TClass TGIFFrame::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TGIFFrame, TPersistent>("TGIFFrame").Build();
    return &info;
}

TClass TGIFImage::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TGIFImage, TGraphic>("TGIFImage").Build();
    return &info;
}

TGIFImage::TGIFImage() {
    ClearImage();
    transparent_ = true;
}

TGIFImage::~TGIFImage() {
    OnChange = nullptr;
    SharedData.reset();
    FrameList.clear();
}

void TGIFImage::ClearImage() {
    SharedData = std::make_shared<TGIFData>();
    FrameList.clear();
    DamageFound = false;
    ActiveFrame = -1;
    BackColor = clNone;
    LoopCount = 1;
    LoopEnabled = false;
    GifVersion = 0;
}

void TGIFImage::AssignTo(TGraphic& dest) const {
    auto& self = const_cast<TGIFImage&>(*this);
    if (auto* image = dynamic_cast<TGIFImage*>(&dest)) {
        image->Assign(this);
        return;
    }
    if (FrameList.empty()) {
        dest.Assign(static_cast<const TGraphic*>(nullptr));
        return;
    }
    if (ActiveFrame < 0) {
        dest.Assign(&self.CurrentBitmap());
        return;
    }
    self.FrameList.at(size_t(std::min<int>(ActiveFrame, FrameCount() - 1)))->AssignTo(dest);
}

void TGIFImage::Assign(const TGraphic* source) {
    if (source == this) return;
    if (!source) {
        ClearImage();
        Changed();
        return;
    }
    if (auto* other = dynamic_cast<const TGIFImage*>(source)) {
        SharedData = other->SharedData;
        GifVersion = other->GifVersion;
        BackColor = other->BackColor;
        LoopCount = other->LoopCount;
        LoopEnabled = other->LoopEnabled;
        DamageFound = other->DamageFound;
        FrameList.clear();
        for (auto& f : other->FrameList) {
            auto frame = std::make_unique<TGIFFrame>(this);
            frame->Assign(f.get());
            frame->UsesLocalTable = f->UsesLocalTable;
            FrameList.push_back(std::move(frame));
        }
        LogicalWidth = other->LogicalWidth;
        LogicalHeight = other->LogicalHeight;
        ActiveFrame = other->ActiveFrame;
        Changed();
        return;
    }
    if (auto* bmp = dynamic_cast<const TBitmap*>(source)) {
        ClearImage();
        AppendFrame(bmp);
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TGIFImage::Assign(const TGIFFrame* source) {
    if (!source) {
        Assign(static_cast<const TGraphic*>(nullptr));
        return;
    }
    auto shared = source->OwnerImage ? source->OwnerImage->SharedData : nullptr;
    ClearImage();
    if (shared) {
        SharedData->AspectByte = shared->AspectByte;
        SharedData->BitDepth = shared->BitDepth;
        SharedData->ColorResolution = shared->ColorResolution;
        SharedData->GlobalTable = shared->GlobalTable;
    }
    FrameList.push_back(std::make_unique<TGIFFrame>(this));
    ActiveFrame = FrameCount() - 1;
    FrameList.back()->Assign(source);
    if (GifVersion == 0) GifVersion = 1;
    Changed();
}

int TGIFImage::AppendFrame(const TGraphic* graphic) {
    FrameList.push_back(std::make_unique<TGIFFrame>(this));
    int index = FrameCount() - 1;
    ActiveFrame = index;
    try {
        FrameList.back()->Assign(graphic);
    } catch (...) {
        FrameList.pop_back();
        ActiveFrame = FrameCount() - 1;
        throw;
    }
    if (GifVersion == 0) GifVersion = 1;
    if (FrameCount() > 1) GifVersion = 2;
    return index;
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) {
    if (ActiveFrame < 0 || ActiveFrame >= FrameCount()) return;
    FrameList[size_t(ActiveFrame)]->DrawFrame(canvas, rect, GetTransparent());
}

bool TGIFImage::Equals(const TGraphic& other) const {
    auto* image = dynamic_cast<const TGIFImage*>(&other);
    return image && image->SharedData == SharedData;
}

bool TGIFImage::GetEmpty() {
    if (FrameList.empty()) return true;
    auto& f = *FrameList[size_t(std::clamp(ActiveFrame, 0, FrameCount() - 1))];
    if (f.FrameBitmap) return false;
    return !f.FrameData->EncodedData || f.FrameData->EncodedData->empty();
}

int TGIFImage::GetHeight() {
    if (GetEmpty() || ActiveFrame < 0 || ActiveFrame >= FrameCount()) return 0;
    return FrameList[size_t(ActiveFrame)]->EnsureBitmap().GetHeight();
}

int TGIFImage::GetWidth() {
    if (GetEmpty() || ActiveFrame < 0 || ActiveFrame >= FrameCount()) return 0;
    return FrameList[size_t(ActiveFrame)]->EnsureBitmap().GetWidth();
}

TPalette TGIFImage::GetPalette() {
    if (FrameList.empty()) return {};
    return CurrentBitmap().GetPalette();
}

bool TGIFImage::GetTransparent() {
    if (!transparent_) return false;
    for (auto& f : FrameList)
        if (f->TransparentKey != clNone) return true;
    return false;
}

void TGIFImage::SetHeight(int) { gif_error(kGifSizeChange); }
void TGIFImage::SetWidth(int) { gif_error(kGifSizeChange); }

void TGIFImage::ReadData(TByteReader& reader) {
    int32_t count = reader.ReadInt32();
    ReadGifStream(count, reader, true);
}

void TGIFImage::WriteData(std::vector<uint8_t>& out) { WriteGifStream(out, true); }

void TGIFImage::LoadFromStream(TByteReader& reader) { ReadGifStream(int64_t(reader.Remaining()), reader, true); }

void TGIFImage::SaveToStream(std::vector<uint8_t>& out) { WriteGifStream(out, false); }

TBitmap& TGIFImage::CurrentBitmap() {
    if (FrameList.empty()) {
        ActiveFrame = 0;
        TBitmap empty;
        Assign(&empty);
        return FrameList.at(0)->EnsureBitmap();
    }
    int index = ActiveFrame >= 0 && ActiveFrame < FrameCount() ? ActiveFrame : 0;
    return FrameList[size_t(index)]->EnsureBitmap();
}

void TGIFImage::UpdateLogicalSize() {
    int w = 0, h = 0;
    for (auto& f : FrameList) {
        int fw = 0, fh = 0;
        if (f->FrameBitmap || f->FrameData->EncodedData) {
            auto& b = f->EnsureBitmap();
            fw = b.GetWidth();
            fh = b.GetHeight();
        }
        w = std::max(w, fw + f->OffsetX);
        h = std::max(h, fh + f->OffsetY);
    }
    LogicalWidth = uint16_t(std::clamp(w, 0, 65535));
    LogicalHeight = uint16_t(std::clamp(h, 0, 65535));
}

namespace {

// The picture's extension blocks from the file's.
std::unique_ptr<TExtensionList> extension_list(std::vector<picture::GifExtension>& blocks) {
    if (blocks.empty()) return nullptr;
    auto list = std::make_unique<TExtensionList>();
    for (auto& block : blocks) {
        auto ext = std::make_unique<TExtension>();
        ext->Kind = extension_kind(block.Label);
        ext->FixedBytes = block.Fixed;
        if (block.Label != picture::kGifGraphicControl) ext->DataLines = std::move(block.SubBlocks);
        list->push_back(std::move(ext));
    }
    return list;
}

}  // namespace

void TGIFImage::readFrame(TGIFFrame& frame, picture::GifImage& image) {
    auto& item = *frame.FrameData;
    if (SharedData->GlobalTable.Count > 0) item.BitDepth = uint8_t(bits_of_count(SharedData->GlobalTable.Count));
    frame.ExtensionList = extension_list(image.Extensions);
    uint8_t flags = image.Flags;
    frame.IsInterlaced = (flags & 0x40) != 0;
    if (flags & 0x80) {
        item.BitDepth = uint8_t((flags & 7) + 1);
        item.LocalTable = image.LocalTable;
        frame.UsesLocalTable = true;
    } else {
        frame.UsesLocalTable = false;
        item.LocalTable = SharedData->GlobalTable;
    }
    item.EncodedData = std::move(image.Data);
    frame.DamageFound = image.Truncated;
    frame.OffsetX = image.Left;
    frame.OffsetY = image.Top;
    item.FrameWidth = image.Width ? image.Width : LogicalWidth;
    item.FrameHeight = image.Height ? image.Height : LogicalHeight;
    item.DescriptorFlags = flags;
    frame.DelayMs = 0;
    if (frame.ExtensionList) {
        for (auto& ext : *frame.ExtensionList) {
            if (ext->Kind != ekGraphicControl) continue;
            auto& f = ext->FixedBytes;  // size, flags, delay (2), index, terminator
            if (f[1] & 1) {
                if (f[4] < item.LocalTable.Count) {
                    frame.TransparentKey = item.LocalTable.Color(f[4]);
                    frame.TransparentIndex = f[4];
                }
            } else {
                frame.TransparentKey = clNone;
                frame.TransparentIndex = -1;
            }
            frame.DelayMs = uint16_t(std::max<int>(std::min<int>((f[2] | f[3] << 8) * 10, 65535), frame.DelayMs));
            frame.Disposal = uint8_t((f[1] >> 2) & 7);
        }
    }
}

void TGIFImage::adoptFile(picture::GifFile& file) {
    if (file.Version) GifVersion = uint8_t(file.Version);
    if (file.HasScreen) {
        LogicalWidth = file.Width;
        LogicalHeight = file.Height;
        SharedData->ColorResolution = uint8_t(((file.Flags >> 4) & 7) + 1);
        SharedData->BitDepth = uint8_t((file.Flags & 7) + 1);
        SharedData->AspectByte = file.Aspect;
        if (file.Flags & 0x80) {
            auto& t = SharedData->GlobalTable;
            t = file.GlobalTable;
            if (t.Count == 0)
                t.Count = 1 << SharedData->BitDepth;  // a table cut short: its count, no entries
            else if (file.Background < t.Count)
                BackColor = t.Color(file.Background);
        }
    }
    for (auto& block : file.Applications)
        if (auto count = picture::GifLoopCount(block.Label, block.Fixed, &block.SubBlocks)) {
            LoopEnabled = true;
            LoopCount = std::min<uint16_t>(*count, 30000);
        }
    for (auto& image : file.Images) {
        auto frame = std::make_unique<TGIFFrame>(this);
        readFrame(*frame, image);
        FrameList.push_back(std::move(frame));
    }
    // the comments after the last image, a line of two line breaks between two comments
    bool firstComment = true;
    for (auto& block : file.Trailing) {
        if (block.Label != picture::kGifComment) continue;
        if (!firstComment) SharedData->CommentLines.push_back("\r\n\r\n");
        firstComment = false;
        for (auto& line : block.SubBlocks) SharedData->CommentLines.push_back(line);
    }
}

void TGIFImage::ReadGifStream(int64_t count, TByteReader& reader, bool decodeFirst) {
    ClearImage();
    // the count is checked against what is there before anything is copied
    if (count > int64_t(reader.Remaining())) throw EReadError("Stream read error");
    auto bytes = reader.Read(size_t(std::max<int64_t>(count, 0)));
    // what was read before an error stays in the picture
    picture::GifFile file;
    std::exception_ptr failure;
    try {
        picture::ReadGifFile(bytes, file, picture::TolerantReading);
    } catch (...) {
        failure = std::current_exception();
    }
    adoptFile(file);
    if (failure) std::rethrow_exception(failure);
    if (!FrameList.empty()) {
        ActiveFrame = 0;
        if (decodeFirst) {
            try {
                CurrentBitmap();
            } catch (...) {
                FrameList.erase(FrameList.begin());
                if (FrameList.empty()) ActiveFrame = -1;
                throw;
            }
        }
    }
    for (auto& f : FrameList) DamageFound = DamageFound || f->DamageFound;
    PaletteModified = true;
    Changed();
}

// ---- Writing

namespace {

picture::GifExtension gif_extension(const TExtension& ext) {
    picture::GifExtension block;
    block.Label = gif_label(ext.Kind);
    block.Fixed = ext.FixedBytes;
    if (ext.Kind != ekGraphicControl && ext.DataLines) block.SubBlocks = *ext.DataLines;
    return block;
}

uint32_t rd32(std::span<const uint8_t> b, size_t at) { return core::get_le32(&b[at]); }

// The smallest bit count from 1 upward whose power of two holds count entries.
uint8_t depth_for(int count) {
    uint8_t b = 1;
    while (b < 8 && (1 << b) < count) ++b;
    return b;
}

}  // namespace

void TGIFFrame::EncodeFrame() {
    if (!FrameBitmap || FrameBitmap->Empty()) gif_error(kGifNoData);
    switch (FrameBitmap->PixelFormat()) {
        case pf1bit:
        case pf4bit:
        case pf8bit: {
            // the bitmap's own rows and palette: what its BMP image would hold
            auto& b = *FrameBitmap;
            int bits = b.BitsPerPixel();
            GifColorTable table;
            table.Count = 1 << bits;
            auto& palette = b.Palette();
            for (size_t i = 0; i < palette.size() && i < size_t(table.Count); ++i) {
                table.Entries[3 * i] = palette[i].R;
                table.Entries[3 * i + 1] = palette[i].G;
                table.Entries[3 * i + 2] = palette[i].B;
            }
            encodePixels(table, b.PixelWidth(), b.PixelHeight(), bits, b.ScanLine(0), b.Stride());
            return;
        }
        default: {
            int method = IsGray ? 5 : picture::ReduceMethod;
            auto bmp = ReduceBitmap(FrameBitmap.get(), pf8bit, method);
            if (method == 5) IsGray = true;
            EncodeFrameFromBmp(bmp->Bytes());
            return;
        }
    }
}

void TGIFFrame::EncodeFrameFromBmp(std::span<const uint8_t> bmp) {
    // file header, info header, colour table, rows bottom-up (top-down with a negative height)
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') gif_error(kGifEncodingError);
    uint32_t pixelOffset = rd32(bmp, 10), headerSize = rd32(bmp, 14);
    int32_t width = int32_t(rd32(bmp, 18)), height = int32_t(rd32(bmp, 22));
    int bits = bmp[28] | bmp[29] << 8;
    uint32_t compression = rd32(bmp, 30);
    int colors = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    if (colors == 0 || compression != 0 || headerSize < 40 || width <= 0 || height == 0 ||
        height == INT32_MIN)
        gif_error(kGifEncodingError);
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (width > 65535 || height > 65535 || int64_t(width) * height > picture::kMaxGifPixels)
        gif_error(kGifEncodingError);
    int64_t stride = ((int64_t(width) * bits + 31) / 32) * 4;
    if (pixelOffset > bmp.size() || int64_t(bmp.size() - pixelOffset) < stride * height)
        gif_error(kGifEncodingError);

    GifColorTable table;
    table.Count = colors;
    // entries the file does not hold (a short colour table) stay black
    size_t tableAt = 14 + size_t(headerSize);
    for (int i = 0; i < colors; ++i) {
        size_t at = tableAt + 4 * size_t(i);
        if (at + 4 > pixelOffset || at + 4 > bmp.size()) break;
        table.Entries[size_t(3 * i)] = bmp[at + 2];
        table.Entries[size_t(3 * i + 1)] = bmp[at + 1];
        table.Entries[size_t(3 * i + 2)] = bmp[at];
    }
    const uint8_t* firstRow = bmp.data() + pixelOffset + (topDown ? 0 : (height - 1) * stride);
    encodePixels(table, width, height, bits, firstRow, topDown ? stride : -stride);
}

void TGIFFrame::encodePixels(const GifColorTable& table, int width, int height, int bits, const uint8_t* firstRow,
                             ptrdiff_t stride) {
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
        int64_t(width) * height > picture::kMaxGifPixels)
        gif_error(kGifEncodingError);
    if (OffsetX < 0 || OffsetY < 0 || int64_t(OffsetX) + width > 65535 || int64_t(OffsetY) + height > 65535)
        gif_error(kGifEncodingError);
    IsInterlaced = false;
    auto& item = *FrameData;
    if (item.EncodedData)
        item.EncodedData->clear();
    else
        item.EncodedData.emplace();
    item.LocalTable = table;
    std::vector<uint8_t> encoded;
    picture::LzwProgress progress;
    if (OwnerImage && OwnerImage->OnProgress) {
        auto* image = OwnerImage;
        progress = [image](int stage, int percent, const std::string& message) {
            image->Progress(TProgressStage(stage), percent, false, TRect{}, message);
        };
    }
    // room for as many bytes as the packed pixels take: a picture that
    // compresses at all needs no more
    const size_t count = size_t(width) * size_t(height);
    graphics::reserve_large(encoded, count * size_t(bits) / 8 + count / 2000 + 64);
    try {
        picture::LzwEncode(encoded, width, height, bits, progress, firstRow, stride);
    } catch (const EAbort&) {
        NewFrameData();
        throw;
    }
    item.EncodedData = std::move(encoded);
    item.BitDepth = depth_for(table.Count);
    if (OwnerImage) {
        auto& shared = *OwnerImage->SharedData;
        if (shared.GlobalTable.Count > 0) {
            UsesLocalTable = true;
        } else {
            shared.GlobalTable = item.LocalTable;
            shared.BitDepth = item.BitDepth;
            UsesLocalTable = false;
        }
    } else {
        UsesLocalTable = true;
    }
    item.FrameWidth = width;
    item.FrameHeight = height;
    if (OwnerImage) {
        OwnerImage->LogicalWidth = uint16_t(std::max<int64_t>(OwnerImage->LogicalWidth, int64_t(width) + OffsetX));
        OwnerImage->LogicalHeight =
            uint16_t(std::max<int64_t>(OwnerImage->LogicalHeight, int64_t(height) + OffsetY));
    }
}

void TGIFFrame::UpdateGraphicControl() {
    TExtension* gce = LastExtensionOfKind(ExtensionList.get(), ekGraphicControl);
    if (!gce && (DelayMs != 0 || TransparentKey != clNone || Disposal != 0)) {
        if (!ExtensionList) ExtensionList = std::make_unique<TExtensionList>();
        auto ext = std::make_unique<TExtension>();
        ext->Kind = ekGraphicControl;
        ext->FixedBytes[0] = 4;  // block size; flags, delay, index and terminator 0
        gce = ext.get();
        ExtensionList->push_back(std::move(ext));
    }
    if (gce) {
        auto& f = gce->FixedBytes;
        int delay = DelayMs / 10;
        f[2] = uint8_t(delay);
        f[3] = uint8_t(delay >> 8);
        auto& table = FrameData->LocalTable;
        // the index read from the file stays while its entry still holds the
        // transparent colour; otherwise the first entry of that colour
        int index = -1;
        if (TransparentKey != clNone) {
            if (TransparentIndex >= 0 && TransparentIndex < table.Count &&
                table.Color(TransparentIndex) == ColorToRGB(TransparentKey))
                index = TransparentIndex;
            else
                index = ColorIndexOf(table, TransparentKey);
        }
        if (index >= 0) {
            f[4] = uint8_t(index);
            f[1] = uint8_t(f[1] | 1);
            TransparentIndex = index;
        } else {
            f[1] = uint8_t(f[1] & ~1);
            TransparentIndex = -1;
        }
        f[1] = uint8_t((f[1] & ~0x1C) | ((Disposal & 7) << 2));
    }
    if (ExtensionList) {
        std::erase_if(*ExtensionList, [](const std::unique_ptr<TExtension>& e) {
            if (e->Kind != ekComment || !e->DataLines) return e->Kind == ekComment;
            return std::all_of(e->DataLines->begin(), e->DataLines->end(),
                               [](const std::string& l) { return l.empty(); });
        });
        if (!ExtensionList->empty() && OwnerImage) OwnerImage->GifVersion = 2;
    }
}

void TGIFImage::EncodeFrames() {
    for (auto& f : FrameList) {
        auto& data = f->FrameData->EncodedData;
        if (!data || data->empty()) {
            data.reset();
            f->EncodeFrame();
        }
    }
    for (auto& f : FrameList) f->UpdateGraphicControl();
}

void TGIFImage::WriteGifStream(std::vector<uint8_t>& out, bool withCount) {
    if (FrameList.empty()) gif_error(kGifNoData);
    // never a file that the reader would refuse
    if (FrameList.size() > picture::kMaxGifFrames) gif_error(kGifEncodingError);
    EncodeFrames();
    auto& shared = *SharedData;
    if (!shared.CommentLines.empty()) GifVersion = 2;
    bool loopBlock = LoopEnabled && FrameList.size() > 1;
    if (loopBlock) GifVersion = 2;

    // The logical screen covers every frame; a screen read larger than its
    // frames keeps its size.
    int64_t screenW = LogicalWidth, screenH = LogicalHeight;
    for (auto& f : FrameList) {
        auto& d = *f->FrameData;
        if (f->OffsetX < 0 || f->OffsetY < 0) gif_error(kGifEncodingError);
        screenW = std::max<int64_t>(screenW, int64_t(d.FrameWidth) + f->OffsetX);
        screenH = std::max<int64_t>(screenH, int64_t(d.FrameHeight) + f->OffsetY);
    }
    // the reader's own size limit holds for what is written too
    if (screenW > 65535 || screenH > 65535 || screenW * screenH > picture::kMaxGifPixels)
        gif_error(kGifEncodingError);
    LogicalWidth = uint16_t(screenW);
    LogicalHeight = uint16_t(screenH);

    picture::GifFile head;
    head.Version = GifVersion == 2 ? 2 : 1;
    head.Width = LogicalWidth;
    head.Height = LogicalHeight;
    auto& global = shared.GlobalTable;
    if (global.Count > 0) {
        int b = bits_of_count(global.Count);
        head.Flags = uint8_t(0x80 + 16 * (b - 1) + (b - 1));
        int background = BackColor != clNone ? ColorIndexOf(global, BackColor) : -1;
        head.Background = uint8_t(std::max(background, 0));
        head.GlobalTable = global;
    }
    head.Aspect = shared.AspectByte;

    size_t estimate = 1024 + 3 * 256 * FrameList.size();
    for (auto& f : FrameList)
        if (f->FrameData->EncodedData) estimate += f->FrameData->EncodedData->size();
    // built straight into an empty output (emptied again on failure), else
    // apart and appended when whole
    std::vector<uint8_t> apart;
    const bool inPlace = out.empty();
    std::vector<uint8_t>& s = inPlace ? out : apart;
    if (s.empty())
        graphics::reserve_large(s, estimate + 4);
    else
        s.reserve(estimate + 4);
    if (withCount) s.resize(4);
    try {
        writeStream(s, head, loopBlock);
    } catch (...) {
        if (inPlace) out.clear();
        throw;
    }
    if (withCount) {
        uint32_t n = uint32_t(s.size() - 4);
        for (int i = 0; i < 4; ++i) s[size_t(i)] = uint8_t(n >> (8 * i));
    }
    if (!inPlace) out.insert(out.end(), apart.begin(), apart.end());
}

void TGIFImage::writeStream(std::vector<uint8_t>& s, const picture::GifFile& head, bool loopBlock) {
    auto& shared = *SharedData;
    picture::PutGifScreen(s, head);
    if (loopBlock) {
        picture::GifExtension loop;
        loop.Label = picture::kGifApplication;
        const char id[] = "\x0BNETSCAPE2.0";
        std::copy(id, id + 12, loop.Fixed.begin());
        loop.SubBlocks = {{'\x01', char(LoopCount & 0xFF), char(LoopCount >> 8)}};
        picture::PutGifExtension(s, loop);
    }
    for (auto& f : FrameList) {
        if (f->ExtensionList)
            for (auto& ext : *f->ExtensionList) picture::PutGifExtension(s, gif_extension(*ext));
        auto& d = *f->FrameData;
        picture::GifImage image;
        image.Left = uint16_t(f->OffsetX);
        image.Top = uint16_t(f->OffsetY);
        image.Width = uint16_t(d.FrameWidth);
        image.Height = uint16_t(d.FrameHeight);
        if (f->UsesLocalTable) {
            d.BitDepth = depth_for(d.LocalTable.Count);
            image.Flags = uint8_t(0x80 + d.BitDepth - 1);
            image.LocalTable = d.LocalTable;
        }
        if (f->IsInterlaced) image.Flags |= 0x40;
        picture::PutGifImage(s, image, d.EncodedData ? std::span<const uint8_t>(*d.EncodedData) : std::span<const uint8_t>());
    }
    if (!shared.CommentLines.empty()) {
        picture::GifExtension comment;
        comment.Label = picture::kGifComment;
        comment.SubBlocks = shared.CommentLines;
        picture::PutGifExtension(s, comment);
    }
    picture::PutGifTrailer(s);
}

void TGIFImage::LoadFromClipboardFormat(unsigned format, const TClipboardData& data, const TPalette& palette) {
    auto& board = graphics::clipboard();
    unsigned gif = picture::GifClipboardFormat();
    if (gif != 0 && board.HasFormat(gif)) {
        auto bytes = *board.Data(gif);
        TByteReader reader(bytes);
        int32_t count = reader.ReadInt32();
        ReadGifStream(count, reader, false);
        if (!FrameList.empty()) {
            ActiveFrame = 0;
            if (auto bmp = board.Data(graphics::CF_BITMAP)) {
                auto b = std::make_unique<TBitmap>();
                b->LoadFromBmp(*bmp);
                FrameList[0]->FrameBitmap = std::move(b);
            }
        }
        return;
    }
    TBitmap b;
    b.LoadFromClipboardFormat(format, data, palette);
    Assign(&b);
}

void TGIFImage::SaveToClipboardFormat(unsigned& format, TClipboardData& data, TPalette& palette) {
    if (FrameList.empty()) return;
    FrameList[0]->EnsureBitmap().SaveToClipboardFormat(format, data, palette);
    for (auto& f : FrameList)
        if (!f->FrameData->EncodedData || f->FrameData->EncodedData->empty()) return;
    std::vector<uint8_t> bytes;
    WriteGifStream(bytes, true);
    graphics::clipboard().SetData(picture::GifClipboardFormat(), std::move(bytes));
}

namespace picture {
void PicGIF_startup() {
    gif_clipboard_format = graphics::clipboard().RegisterFormat("GIF Image");
    RegisterClasses({TGIFFrame::StaticClass(), TGIFImage::StaticClass()});
    TPicture::RegisterFileFormat("gif", GifErrorText(kGifDescription), TGIFImage::StaticClass());
    TPicture::RegisterClipboardFormat(gif_clipboard_format, TGIFImage::StaticClass());
}
void PicGIF_shutdown() { TPicture::UnregisterGraphicClass(TGIFImage::StaticClass()); }
}  // namespace picture
