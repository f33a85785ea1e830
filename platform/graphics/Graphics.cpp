#include "platform/graphics/Graphics.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/core/ClassBuilder.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Jpeg.h"
#include "platform/os/Files.h"
#include "platform/os/ReplacingFile.h"

namespace {

// A light desktop theme for the system colours (index = low byte).
constexpr TColor kSystemColors[] = {
    RGBColor(200, 200, 200),  // scroll bar
    RGBColor(58, 110, 165),   // background
    RGBColor(10, 36, 106),    // active caption
    RGBColor(128, 128, 128),  // inactive caption
    RGBColor(240, 240, 240),  // menu
    RGBColor(255, 255, 255),  // window
    RGBColor(100, 100, 100),  // window frame
    RGBColor(0, 0, 0),        // menu text
    RGBColor(0, 0, 0),        // window text
    RGBColor(255, 255, 255),  // caption text
    RGBColor(212, 208, 200),  // active border
    RGBColor(212, 208, 200),  // inactive border
    RGBColor(128, 128, 128),  // application workspace
    RGBColor(10, 36, 106),    // highlight
    RGBColor(255, 255, 255),  // highlight text
    RGBColor(240, 240, 240),  // button face
    RGBColor(160, 160, 160),  // button shadow
    RGBColor(128, 128, 128),  // gray text
    RGBColor(0, 0, 0),        // button text
    RGBColor(212, 208, 200),  // inactive caption text
    RGBColor(255, 255, 255),  // button highlight
    RGBColor(64, 64, 64),     // 3D dark shadow
    RGBColor(227, 227, 227),  // 3D light
    RGBColor(0, 0, 0),        // info text
    RGBColor(255, 255, 225),  // info background
};

struct FileFormat {
    std::string Extension;
    std::string Description;
    TClass Class;
};
struct ClipFormat {
    unsigned Format;
    TClass Class;
};
std::vector<FileFormat>& file_formats() {
    static std::vector<FileFormat> formats;
    return formats;
}
std::vector<ClipFormat>& clip_formats() {
    static std::vector<ClipFormat> formats;
    return formats;
}

std::string lower(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

std::string extension_of(const std::string& path) {
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lower(path.substr(dot + 1));
}

std::vector<uint8_t> read_file(const std::string& path) {
    const std::string bytes = os::read_file(path);  // its error names the system's reason
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

[[noreturn]] void assign_error(std::string_view source, std::string_view target) {
    throw EConvertError("Cannot assign a " + std::string(source.empty() ? "nil" : source) + " to a " +
                        std::string(target));
}

}  // namespace

TColor ColorToRGB(TColor color) {
    if (color == clNone || color == clDefault) return clBlack;
    if (uint32_t(color) & 0x80000000u) {
        unsigned index = unsigned(color) & 0xFF;
        return index < std::size(kSystemColors) ? kSystemColors[index] : clBlack;
    }
    return color & 0xFFFFFF;
}

TClass TGraphic::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TGraphic, TPersistent>("TGraphic").Build();
    return &info;
}
TClass TGraphic::ClassType() const { return StaticClass(); }

void TGraphic::Assign(const TPersistent* source) {
    if (!source || dynamic_cast<const TGraphic*>(source)) {
        Assign(static_cast<const TGraphic*>(source));
        return;
    }
    TPersistent::Assign(source);
}

void TGraphic::AssignTo(TPersistent* dest) const {
    if (auto* g = dynamic_cast<TGraphic*>(dest)) {
        AssignTo(*g);
        return;
    }
    TPersistent::AssignTo(dest);
}

void TGraphic::Assign(const TGraphic* source) {
    if (source) {
        source->AssignTo(*this);
        return;
    }
    assign_error({}, ClassName());
}

void TGraphic::AssignTo(TGraphic& dest) const { assign_error(ClassName(), dest.ClassName()); }

bool TGraphic::Equals(const TGraphic& other) const {
    if (&other == this) return true;
    if (other.ClassType() != ClassType()) return false;
    auto& a = const_cast<TGraphic&>(*this);
    auto& b = const_cast<TGraphic&>(other);
    if (a.Empty() || b.Empty()) return a.Empty() && b.Empty();
    std::vector<uint8_t> x, y;
    a.WriteData(x);
    b.WriteData(y);
    return x == y;
}

void TGraphic::SetTransparent(bool value) {
    if (value != transparent_) {
        transparent_ = value;
        Changed();
    }
}

void TGraphic::ReadData(TByteReader& reader) {
    int32_t count = reader.ReadInt32();
    if (count < 0 || size_t(count) > reader.Remaining()) throw EReadError("Stream read error");
    TByteReader part(reader.Read(size_t(count)));
    LoadFromStream(part);
}

void TGraphic::WriteData(std::vector<uint8_t>& out) {
    std::vector<uint8_t> data;
    SaveToStream(data);
    core::ByteWriter(out).le32(uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

void TGraphic::LoadFromFile(const std::string& path) {
    auto bytes = read_file(path);
    TByteReader reader(bytes);
    LoadFromStream(reader);
}

void TGraphic::SaveToFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    SaveToStream(bytes);
    os::write_file(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TGraphic::LoadFromClipboardFormat(unsigned, const TClipboardData&, const TPalette&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(unsigned&, TClipboardData&, TPalette&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::Changed() {
    Modified = true;
    OnChange(this);
}

void TGraphic::Progress(TProgressStage stage, int percent, bool redraw, const TRect& rect,
                        const std::string& message) {
    if (OnProgress) OnProgress(*this, stage, percent, redraw, rect, message);
}

// ---- TPicture

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_) {
        graphic_->OnProgress = OnProgress;
    }
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const std::string& path) {
    auto ext = extension_of(path);
    auto* cls = FindExtension(ext);
    if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
    auto g = graphics::create_graphic(cls);
    g->OnProgress = OnProgress;
    g->LoadFromFile(path);
    graphic_ = std::move(g);
}

void TPicture::SaveToFile(const std::string& path) {
    if (graphic_) graphic_->SaveToFile(path);
}

void TPicture::ReadStoredData(std::span<const uint8_t> data) {
    if (data.empty()) {
        graphic_.reset();
        return;
    }
    TByteReader reader(data);
    size_t n = reader.ReadByte();
    auto nameBytes = reader.Read(n);
    std::string name(nameBytes.begin(), nameBytes.end());
    if (name.empty()) {
        graphic_.reset();
        return;
    }
    auto* cls = FindClassName(name);
    if (!cls) throw EInvalidGraphic("Unknown picture class " + name);
    auto g = graphics::create_graphic(cls);
    g->OnProgress = OnProgress;
    g->ReadData(reader);
    graphic_ = std::move(g);
}

std::vector<uint8_t> TPicture::WriteStoredData() const {
    std::vector<uint8_t> out;
    if (!graphic_) {
        out.push_back(0);
        return out;
    }
    auto name = graphic_->ClassName();
    out.push_back(uint8_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    graphic_->WriteData(out);
    return out;
}

void TPicture::Assign(const TGraphic* graphic) {
    if (!graphic) {
        graphic_.reset();
        return;
    }
    auto g = graphics::create_graphic(graphic->ClassType());
    g->Assign(graphic);
    g->OnProgress = OnProgress;
    graphic_ = std::move(g);
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TClass cls) {
    auto ext = lower(extension);
    auto& f = file_formats();
    std::erase_if(f, [&](const FileFormat& x) { return x.Extension == ext; });
    f.push_back({ext, description, cls});
}

void TPicture::UnregisterGraphicClass(TClass cls) {
    std::erase_if(file_formats(), [&](const FileFormat& x) { return x.Class->InheritsFrom(cls); });
    std::erase_if(clip_formats(), [&](const ClipFormat& x) { return x.Class->InheritsFrom(cls); });
}

void TPicture::RegisterClipboardFormat(unsigned format, TClass cls) {
    auto& f = clip_formats();
    std::erase_if(f, [&](const ClipFormat& x) { return x.Format == format; });
    f.push_back({format, cls});
}

TClass TPicture::FindExtension(std::string_view extension) {
    auto ext = lower(extension);
    for (auto& f : file_formats())
        if (f.Extension == ext) return f.Class;
    return nullptr;
}

TClass TPicture::FindClassName(std::string_view name) {
    auto n = lower(name);
    for (auto& f : file_formats())
        if (lower(f.Class->Name) == n) return f.Class;
    return nullptr;
}

TClass TPicture::FindClipboardFormat(unsigned format) {
    for (auto& f : clip_formats())
        if (f.Format == format) return f.Class;
    return nullptr;
}

std::string TPicture::FileFormatDescription(std::string_view extension) {
    auto ext = lower(extension);
    for (auto& f : file_formats())
        if (f.Extension == ext) return f.Description;
    return {};
}

std::vector<std::string> TPicture::RegisteredExtensions() {
    std::vector<std::string> r;
    for (auto& f : file_formats()) r.push_back(f.Extension);
    return r;
}

namespace graphics {
std::unique_ptr<TGraphic> create_graphic(TClass cls) {
    if (cls && cls->InheritsFrom(TGraphic::StaticClass()) && !cls->IsAbstract())
        return std::unique_ptr<TGraphic>(static_cast<TGraphic*>(cls->Create()));
    throw EInvalidGraphic("Unknown picture class " + (cls ? cls->Name : std::string()));
}

void unit_startup() {
    RegisterClasses({TGraphic::StaticClass(), TBitmap::StaticClass(), TJPEGImage::StaticClass()});
    TPicture::RegisterFileFormat("bmp", "Bitmaps", TBitmap::StaticClass());
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
    TPicture::RegisterFileFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
}
void unit_shutdown() {
    TPicture::UnregisterGraphicClass(TJPEGImage::StaticClass());
    TPicture::UnregisterGraphicClass(TBitmap::StaticClass());
    for (TClass cls : {TJPEGImage::StaticClass(), TBitmap::StaticClass(), TGraphic::StaticClass()}) UnRegisterClass(cls);
}
}  // namespace graphics
