#pragma once
// Colours, geometry, graphic errors, the abstract picture class TGraphic,
// TPicture and the picture-format registry (file extensions, stored class
// names, clipboard formats).

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/ByteOrder.h"
#include "platform/core/Classes.h"

class TCanvas;
class TGraphic;

// 0x00BBGGRR; the high byte marks special values (system colours 0x80..., clNone, clDefault).
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBtnFace = TColor(0x8000000F);
constexpr TColor clWindow = TColor(0x80000005);
constexpr TColor clWindowText = TColor(0x80000008);

// The RGB value of a colour: system colours resolved through the one fixed
// light theme that every drawing surface uses; clNone and clDefault have
// none and give black.
TColor ColorToRGB(TColor color);
constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) { return TColor(r | (g << 8) | (b << 16)); }
constexpr uint8_t GetRValue(TColor c) { return uint8_t(c); }
constexpr uint8_t GetGValue(TColor c) { return uint8_t(c >> 8); }
constexpr uint8_t GetBValue(TColor c) { return uint8_t(c >> 16); }

struct TPoint { int X = 0, Y = 0; };
struct TSize {
    int cx = 0, cy = 0;
    bool operator==(const TSize&) const = default;
};
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};
inline TRect Rect(int l, int t, int r, int b) { return TRect{l, t, r, b}; }

// One palette entry in file order.
struct TRGBEntry {
    uint8_t R = 0, G = 0, B = 0;
    bool operator==(const TRGBEntry&) const = default;
};
// A palette; an empty one stands for "no palette".
using TPalette = std::vector<TRGBEntry>;

TAMBLERO_EXCEPTION(EInvalidGraphic, Exception)
TAMBLERO_EXCEPTION(EInvalidGraphicOperation, Exception)

// Reads picture data from a byte range, front to back; every read that finds
// fewer bytes than it needs raises EReadError "Stream read error". The core's
// one bounded little-endian reader (platform/core/ByteOrder.h), under the name
// the picture formats use.
using TByteReader = core::ByteReader;

enum class TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TGraphic& sender, TProgressStage stage, int percent, bool redraw,
                                          const TRect& rect, const std::string& message)>;

// Clipboard exchange data of a graphic: the bytes of one clipboard format.
struct TClipboardData {
    std::vector<uint8_t> Bytes;
};

// A picture of some format. Subclasses read and write their own data and
// draw themselves stretched into a rectangle of a canvas. Every format is a
// described class (StaticClass) that the unit start-up registers with the
// class registry and, for its file extensions, with TPicture.
class TGraphic : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override;

    // Copies source into this graphic; nullptr clears it. The default asks
    // the source to assign itself and refuses pairs that neither converts
    // (EConvertError "Cannot assign a %s to a %s").
    virtual void Assign(const TGraphic* source);
    // Graphics go to the graphic overload; other objects are refused.
    void Assign(const TPersistent* source) override;
    // Assigns this graphic to dest; the default refuses with the assignment error.
    virtual void AssignTo(TGraphic& dest) const;

    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    virtual bool Equals(const TGraphic& other) const;
    virtual bool GetEmpty() = 0;
    bool Empty() { return GetEmpty(); }
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    int Width() { return GetWidth(); }
    int Height() { return GetHeight(); }
    virtual TPalette GetPalette() { return {}; }
    virtual bool GetTransparent() { return transparent_; }
    bool Transparent() { return GetTransparent(); }
    virtual void SetTransparent(bool value);

    // Stored data as kept in form resources, each class its own layout;
    // the default is a 32-bit byte count followed by the file format.
    virtual void ReadData(TByteReader& reader);
    virtual void WriteData(std::vector<uint8_t>& out);
    // The file format: everything from the reader's position to its end.
    virtual void LoadFromStream(TByteReader& reader) = 0;
    virtual void SaveToStream(std::vector<uint8_t>& out) = 0;
    void LoadFromFile(const std::string& path);
    // Writes a temporary file beside path and renames it over path.
    void SaveToFile(const std::string& path);
    virtual void LoadFromClipboardFormat(unsigned format, const TClipboardData& data, const TPalette& palette);
    virtual void SaveToClipboardFormat(unsigned& format, TClipboardData& data, TPalette& palette);

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;
    bool PaletteModified = false;
    bool Modified = false;

    // The change notification: marks the graphic modified and calls OnChange.
    void Changed();
    void Progress(TProgressStage stage, int percent, bool redraw, const TRect& rect, const std::string& message);

protected:
    void AssignTo(TPersistent* dest) const override;
    bool transparent_ = false;
};

namespace graphics {
// A new, empty graphic of a registered or described class; EInvalidGraphic
// "Unknown picture class %s" for a class that is no graphic or cannot be made.
std::unique_ptr<TGraphic> create_graphic(TClass cls);
}  // namespace graphics

// A picture holder: one graphic of any registered format, chosen by file
// extension or by the class name in stored data.
class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    int Width() const;
    int Height() const;
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path);
    // Stored picture data as in form resources: the class name as a
    // length-prefixed string, then the class's own data (ReadData). An empty
    // name (or empty data) stands for no graphic.
    void ReadStoredData(std::span<const uint8_t> data);
    std::vector<uint8_t> WriteStoredData() const;
    void Assign(const TGraphic* graphic);

    // Registry of picture formats, shared by the process.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   TClass cls);
    static void UnregisterGraphicClass(TClass cls);
    static void RegisterClipboardFormat(unsigned format, TClass cls);
    static TClass FindExtension(std::string_view extension);
    // Looks a class name up among the classes registered for file extensions (ASCII case ignored).
    static TClass FindClassName(std::string_view name);
    static TClass FindClipboardFormat(unsigned format);
    static std::string FileFormatDescription(std::string_view extension);
    static std::vector<std::string> RegisteredExtensions();

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

private:
    std::unique_ptr<TGraphic> graphic_;
};

namespace graphics {
// Registers the formats the platform itself provides ("bmp", "jpg", "jpeg")
// with TPicture and the graphic classes with the class registry.
void unit_startup();
void unit_shutdown();
// Nearest-neighbour sampling when a source extent src is stretched over a
// destination extent dst: destination d samples floor((d + 0.5) * src / dst),
// evaluated as python3-pil's NEAREST resize does (in double precision, 0.5 *
// scale advanced by repeated addition of the scale), so pixels agree exactly.
std::vector<int> stretch_map(int src, int dst);
}  // namespace graphics
