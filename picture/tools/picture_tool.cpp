// picture-tool: reads GIF (and other registered) pictures and shows what they hold.
//   picture-tool info FILE
//   picture-tool decode FILE OUT.ppm|OUT.png [--frame N]
//   picture-tool draw FILE W H BACKGROUND OUT.ppm|OUT.png   (BACKGROUND as RRGGBB)
//   picture-tool save IN... OUT.gif [--method N] [--gray] [--delay MS] [--loop N]
//                     [--disposal N] [--transparent RRGGBB] [--comment TEXT]...
//     IN is a BMP, binary PPM (P6), JPEG or GIF file. One GIF is re-saved with
//     its frames and coded data; several inputs become the frames of one GIF.
//   picture-tool reduce IN OUT.bmp --method N   (IN: BMP, GIF, JPEG or binary PPM;
//                                                 N 0-5 gives 8 bits, 1bit/4bit the plain conversion)
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>
#include <zlib.h>

#include "picture/PicGIF.h"
#include "picture/PicGraph.h"
#include "platform/core/HostServices.h"
#include "platform/core/SysUtils.h"
#include "picture/Startup.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Jpeg.h"
#include "platform/os/Files.h"
#include "platform/os/ReplacingFile.h"
#include "platform/os/SignalCleanup.h"
#include "platform/os/StandardOutput.h"
#include "platform/os/ToolOptions.h"

namespace {

const char* const kUsage =
    "usage: picture-tool info FILE\n"
    "       picture-tool decode FILE OUT.ppm|OUT.png [--frame N]\n"
    "       picture-tool draw FILE WIDTH HEIGHT BACKGROUND OUT.ppm|OUT.png\n"
    "       picture-tool save IN... OUT.gif [--method N] [--gray] [--delay MS] [--loop N]\n"
    "                         [--disposal N] [--transparent RRGGBB] [--comment TEXT]...\n"
    "       picture-tool reduce IN OUT.bmp --method 0|1|2|3|4|5|1bit|4bit\n";

int usage() { return os::usage_error("picture-tool", kUsage, std::cerr); }

std::vector<uint8_t> read_file(const std::string& path) {
    const std::string bytes = os::read_file(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void put_be32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 3; i >= 0; --i) v.push_back(uint8_t(x >> (8 * i)));
}

void png_chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put_be32(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// A file replaced whole or not at all, written in parts.
class FileReplacement {
public:
    explicit FileReplacement(const std::string& path) : file_(path) {}
    void Write(const uint8_t* data, size_t size) { core::write_all(file_.stream(), data, std::int64_t(size)); }
    void Commit() { file_.commit(); }

private:
    os::ReplacingFile file_;
};

void write_file(const std::string& path, const uint8_t* data, size_t size) {
    os::write_file(path, std::string_view(reinterpret_cast<const char*>(data), size));
}

// The RGB bytes of rows of a bitmap, a row at a time: palette formats
// through a table of the palette's colours, the others from their bytes.
class RgbRows {
public:
    explicit RgbRows(const TBitmap& b) : b_(b), bits_(b.BitsPerPixel()) {
        auto& pal = b.Palette();
        for (size_t i = 0; i < pal.size() && i < 256; ++i) {
            lut_[3 * i] = pal[i].R;
            lut_[3 * i + 1] = pal[i].G;
            lut_[3 * i + 2] = pal[i].B;
        }
    }
    // Writes the row's width * 3 bytes at out.
    void Row(int y, uint8_t* out) const {
        const uint8_t* row = b_.ScanLine(y);
        const int w = b_.PixelWidth();
        switch (bits_) {
            case 8:
                for (int x = 0; x < w; ++x, out += 3) std::memcpy(out, &lut_[3 * size_t(row[x])], 3);
                return;
            case 4:
            case 1:
                for (int x = 0; x < w; ++x, out += 3) std::memcpy(out, &lut_[3 * size_t(b_.PixelIndex(x, y))], 3);
                return;
            case 24:
            case 32: {
                const size_t step = size_t(bits_ / 8);
                for (int x = 0; x < w; ++x, out += 3, row += step) {
                    out[0] = row[2];
                    out[1] = row[1];
                    out[2] = row[0];
                }
                return;
            }
            default:
                for (int x = 0; x < w; ++x, out += 3) {
                    TColor c = b_.Pixel(x, y);
                    out[0] = GetRValue(c);
                    out[1] = GetGValue(c);
                    out[2] = GetBValue(c);
                }
        }
    }

private:
    const TBitmap& b_;
    int bits_;
    std::array<uint8_t, 256 * 3> lut_{};
};

// Writes the bitmap's RGB pixels as PPM or PNG (by extension), replacing the file whole.
// A PNG when the name ends in .png (any case), else a binary PPM; "-" is
// standard output (PPM).
void write_rgb(const TBitmap& b, const std::string& path) {
    const int w = b.PixelWidth(), h = b.PixelHeight();
    const size_t rowBytes = size_t(w) * 3;
    RgbRows rows(b);
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    const bool png = ext == ".png" && path != "-";
    if (!png) {
        // the rows go out a batch at a time: no copy of the whole picture
        std::unique_ptr<FileReplacement> f;
        if (path != "-") f = std::make_unique<FileReplacement>(path);
        auto write = [&](const uint8_t* data, size_t size) {
            if (f) f->Write(data, size);
            else std::cout.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        };
        std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        write(reinterpret_cast<const uint8_t*>(head.data()), head.size());
        const int batch = int(std::max<size_t>(1, (size_t(1) << 18) / std::max<size_t>(rowBytes, 1)));
        std::vector<uint8_t> buffer(rowBytes * size_t(std::min(batch, std::max(h, 1))));
        for (int y = 0; y < h; y += batch) {
            int n = std::min(batch, h - y);
            for (int i = 0; i < n; ++i) rows.Row(y + i, buffer.data() + size_t(i) * rowBytes);
            write(buffer.data(), size_t(n) * rowBytes);
        }
        if (f) f->Commit();
        return;
    }
    std::vector<uint8_t> rgb(size_t(h) * (rowBytes + 1));
    for (int y = 0; y < h; ++y) {
        uint8_t* r = rgb.data() + size_t(y) * (rowBytes + 1);
        r[0] = 0;  // filter type of the row
        rows.Row(y, r + 1);
    }
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> out(sig, sig + 8);
    std::vector<uint8_t> ihdr;
    put_be32(ihdr, uint32_t(w));
    put_be32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    png_chunk(out, "IHDR", ihdr);
    uLongf size = compressBound(uLong(rgb.size()));
    std::vector<uint8_t> z(size);
    if (compress2(z.data(), &size, rgb.data(), uLong(rgb.size()), 6) != Z_OK) throw Exception("Stream write error");
    z.resize(size);
    png_chunk(out, "IDAT", z);
    png_chunk(out, "IEND", {});
    write_file(path, out.data(), out.size());
}

std::string hex_colour(TColor c) {
    char s[16];
    std::snprintf(s, sizeof s, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

std::string printable(const std::string& s) {
    std::string r;
    for (unsigned char c : s) {
        if (c == '\n') r += "\\n";
        else if (c == '\r') r += "\\r";
        else if (c == '\\') r += "\\\\";
        else if (c < 32 || c == 127) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02x", c);
            r += b;
        } else r += char(c);
    }
    return r;
}

const char* kDisposal[8] = {"unspecified", "none", "background", "previous", "4", "5", "6", "7"};

int info(TGIFImage& gif) {
    std::cout << "version: " << (gif.GifVersion == 1 ? "87a" : gif.GifVersion == 2 ? "89a" : "?") << "\n";
    std::cout << "screen: " << gif.LogicalWidth << "x" << gif.LogicalHeight << "\n";
    auto& sd = *gif.SharedData;
    std::cout << "global colors: " << sd.GlobalTable.Count << "\n";
    std::cout << "background: " << (gif.BackColor == clNone ? std::string("none") : hex_colour(gif.BackColor)) << "\n";
    std::cout << "loops: " << (gif.LoopEnabled ? std::to_string(gif.LoopCount) : std::string("none")) << "\n";
    for (auto& line : sd.CommentLines) std::cout << "comment: " << printable(line) << "\n";
    std::cout << "frames: " << gif.FrameCount() << "\n";
    for (int i = 0; i < gif.FrameCount(); ++i) {
        auto& f = gif.FrameAt(i);
        auto& d = *f.FrameData;
        std::cout << "frame " << i << ": " << d.FrameWidth << "x" << d.FrameHeight << " at " << f.OffsetX << ","
                  << f.OffsetY << " depth " << int(d.BitDepth) << (f.UsesLocalTable ? " local" : " global")
                  << (f.IsInterlaced ? " interlaced" : "") << " delay " << f.DelayMs << "ms disposal "
                  << kDisposal[f.Disposal & 7] << " transparent "
                  << (f.TransparentIndex >= 0 ? std::to_string(f.TransparentIndex) : std::string("none"))
                  << (f.DamageFound ? " damaged" : "") << "\n";
        if (auto* lines = f.FindCommentLines(false))
            for (auto& line : *lines) std::cout << "frame " << i << " comment: " << printable(line) << "\n";
    }
    return 0;
}

TColor parse_colour(const std::string& s) {
    std::string h = s[0] == '#' ? s.substr(1) : s;
    if (h.size() != 6 || h.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw Exception("Background must be RRGGBB: " + s);
    unsigned v = unsigned(std::stoul(h, nullptr, 16));
    return RGBColor(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
}

// Reads a binary PPM (P6, maxval 255) into a 24-bit bitmap.
std::unique_ptr<TBitmap> read_ppm(const std::vector<uint8_t>& b) {
    size_t at = 2;
    auto number = [&]() {
        for (;;) {
            while (at < b.size() && std::isspace(b[at])) ++at;
            if (at < b.size() && b[at] == '#')
                while (at < b.size() && b[at] != '\n') ++at;
            else
                break;
        }
        long v = 0;
        size_t start = at;
        while (at < b.size() && std::isdigit(b[at]) && v < 1000000) v = v * 10 + (b[at++] - '0');
        if (at == start) throw EInvalidGraphic("Bitmap image is not valid");
        return v;
    };
    long w = number(), h = number(), maxval = number();
    ++at;  // the single white-space character before the pixels
    if (w <= 0 || h <= 0 || maxval != 255 || w * h > graphics::kMaxBitmapPixels ||
        at > b.size() || b.size() - at < size_t(w * h * 3))
        throw EInvalidGraphic("Bitmap image is not valid");
    auto bmp = std::make_unique<TBitmap>(int(w), int(h), pf24bit);
    for (long y = 0; y < h; ++y) {
        uint8_t* row = bmp->ScanLine(int(y));
        const uint8_t* p = &b[at + size_t(y * w * 3)];
        for (long x = 0; x < w; ++x, p += 3, row += 3) {
            row[0] = p[2];
            row[1] = p[1];
            row[2] = p[0];
        }
    }
    return bmp;
}

bool is_gif(const std::vector<uint8_t>& b) { return b.size() >= 3 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F'; }

// A picture file of any kind the tool reads, as a bitmap.
void load_bitmap(const std::string& path, const std::vector<uint8_t>& b, TBitmap& bmp) {
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M')
        bmp.LoadFromBmp(b);
    else if (b.size() >= 2 && b[0] == 'P' && b[1] == '6')
        bmp.Assign(read_ppm(b).get());
    else if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xD8)
        graphics::jpeg_decode(b, bmp);
    else
        throw Exception("\"" + path + "\" is not a BMP, PPM, JPEG or GIF file");
}

// The formats each command writes, by its output's extension.
const std::vector<std::string_view> kRgbFormats = {"ppm", "pnm", "png"};

// Refuses an output named for a format the command does not write.
int refuse_output(const std::string& path, const std::vector<std::string_view>& written) {
    const std::string line = os::refused_output("picture-tool", path, written);
    if (line.empty()) return 0;
    std::cerr << line << "\n";
    return 2;
}

int option_number(const std::string& name, const std::string& value, int low, int high) {
    size_t used = 0;
    long v = -1;
    try {
        v = std::stol(value, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != value.size() || v < low || v > high)
        throw Exception(name + " must be a number from " + std::to_string(low) + " to " + std::to_string(high));
    return int(v);
}

int save(int argc, char** argv) {
    std::vector<std::string> files, comments;
    int method = -1, delay = -1, loop = -1, disposal = -1;
    bool gray = false;
    TColor transparent = clNone;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw Exception(a + " needs a value");
            return argv[++i];
        };
        if (a == "--method") method = option_number(a, value(), 0, 5);
        else if (a == "--delay") delay = option_number(a, value(), 0, 65535);
        else if (a == "--loop") loop = option_number(a, value(), 0, 65535);
        else if (a == "--disposal") disposal = option_number(a, value(), 0, 7);
        else if (a == "--transparent") transparent = parse_colour(value());
        else if (a == "--comment") comments.push_back(value());
        else if (a == "--gray") gray = true;
        else if (a.size() > 2 && a.compare(0, 2, "--") == 0) return usage();
        else files.push_back(a);
    }
    if (files.size() < 2) return usage();
    std::string target = files.back();
    files.pop_back();
    if (int refused = refuse_output(target, {"gif"})) return refused;

    TGIFImage gif;
    std::vector<std::unique_ptr<TGIFImage>> sources;  // GIFs whose frames are copied
    if (method >= 0) picture::ReduceMethod = method;
    for (auto& path : files) {
        auto bytes = read_file(path);
        if (is_gif(bytes) && files.size() == 1) {
            // saved again as read: blocks, tables and coded data kept
            TByteReader reader(bytes);
            gif.ReadGifStream(int64_t(bytes.size()), reader, false);
            if (gif.FrameCount() == 0) throw Exception("\"" + path + "\" holds no picture");
        } else if (is_gif(bytes)) {
            auto src = std::make_unique<TGIFImage>();
            TByteReader reader(bytes);
            src->ReadGifStream(int64_t(bytes.size()), reader, false);
            if (src->FrameCount() == 0) throw Exception("\"" + path + "\" holds no picture");
            for (auto& f : src->FrameList) {
                gif.FrameList.push_back(std::make_unique<TGIFFrame>(&gif));
                gif.FrameList.back()->Assign(f.get());
            }
            gif.GifVersion = 2;
            sources.push_back(std::move(src));
        } else {
            TBitmap bmp;
            load_bitmap(path, bytes, bmp);
            if (bmp.Empty()) throw Exception("\"" + path + "\" holds no picture");
            int index = gif.AppendFrame(&bmp);
            gif.FrameAt(index).IsGray = gray;
        }
    }
    for (auto& f : gif.FrameList) {
        if (delay >= 0) f->DelayMs = uint16_t(delay);
        if (disposal >= 0) f->Disposal = uint8_t(disposal);
        if (transparent != clNone) f->TransparentKey = transparent;
    }
    if (loop >= 0) {
        gif.LoopEnabled = true;
        gif.LoopCount = uint16_t(loop);
    }
    for (auto& c : comments) gif.SharedData->CommentLines.push_back(c);
    std::vector<uint8_t> out;
    gif.SaveToStream(out);
    write_file(target, out.data(), out.size());
    return 0;
}

// picture-tool reduce IN OUT --method N
int reduce(const std::string& in, const std::string& out, const std::string& method) {
    auto bytes = read_file(in);
    TPixelFormat target = pf8bit;
    int number = 0;
    if (method == "1bit" || method == "4bit") {
        target = method == "1bit" ? pf1bit : pf4bit;
    } else if (method.size() == 1 && std::isdigit(static_cast<unsigned char>(method[0]))) {
        number = method[0] - '0';
    } else {
        return usage();
    }
    TPicture picture;
    std::unique_ptr<TBitmap> own;
    TBitmap* bitmap = nullptr;
    if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] == '6') {
        own = read_ppm(bytes);
        bitmap = own.get();
    } else {
        // From the bytes read above: a pipe gives them once.
        const std::string name = in.substr(in.find_last_of('/') + 1);
        const std::size_t dot = name.find_last_of('.');
        std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        TClass cls = TPicture::FindExtension(ext);
        if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
        auto loaded = graphics::create_graphic(cls);
        TByteReader reader(bytes);
        loaded->LoadFromStream(reader);
        picture.SetGraphic(std::move(loaded));
        TGraphic* g = picture.Graphic();
        if (auto* b = dynamic_cast<TBitmap*>(g)) {
            bitmap = b;
        } else if (auto* jpeg = dynamic_cast<TJPEGImage*>(g)) {
            bitmap = &jpeg->Bitmap();
        } else if (auto* gif = dynamic_cast<TGIFImage*>(g); gif && gif->FrameCount() > 0) {
            bitmap = &gif->FrameAt(0).EnsureBitmap();
        } else if (g) {
            own = std::make_unique<TBitmap>(g->GetWidth(), g->GetHeight(), pf24bit);
            own->Canvas().Draw(0, 0, *g);
            bitmap = own.get();
        }
    }
    auto stream = ReduceBitmap(bitmap, target, number);
    write_file(out, stream->Memory(), size_t(stream->Size()));
    return 0;
}

int run(int argc, char** argv) {
    if (argc < 3) return usage();
    std::string cmd = argv[1];
    // The output, where the command has one, before anything is read.
    if (cmd == "decode" && argc >= 4) {
        if (int refused = refuse_output(argv[3], kRgbFormats)) return refused;
    } else if (cmd == "draw" && argc == 7) {
        if (int refused = refuse_output(argv[6], kRgbFormats)) return refused;
    } else if (cmd == "reduce" && argc >= 4) {
        if (int refused = refuse_output(argv[3], {"bmp", "dib"})) return refused;
    }
    if (cmd == "save") return save(argc, argv);
    if (cmd == "reduce") {
        if (argc != 6 || std::strcmp(argv[4], "--method") != 0) return usage();
        return reduce(argv[2], argv[3], argv[5]);
    }
    os::FileBytes file(argv[2]);
    const std::span<const uint8_t> bytes(file.data(), file.size());
    TGIFImage gif;
    TByteReader reader(bytes);
    if (cmd == "info") {
        gif.ReadGifStream(int64_t(bytes.size()), reader, false);
        return info(gif);
    }
    if (cmd == "decode" && (argc == 4 || argc == 6)) {
        int frame = 0;
        if (argc == 6) {
            if (std::strcmp(argv[4], "--frame") != 0) return usage();
            frame = std::stoi(argv[5]);
        }
        gif.ReadGifStream(int64_t(bytes.size()), reader, false);
        if (frame < 0 || frame >= gif.FrameCount())
            throw Exception("No frame " + std::to_string(frame) + " (the picture has " +
                            std::to_string(gif.FrameCount()) + ")");
        write_rgb(gif.FrameAt(frame).EnsureBitmap(), argv[3]);
        return 0;
    }
    if (cmd == "draw" && argc == 7) {
        int w = std::stoi(argv[3]), h = std::stoi(argv[4]);
        if (w <= 0 || h <= 0) throw Exception("Width and height must be positive");
        TColor bg = parse_colour(argv[5]);
        gif.LoadFromStream(reader);
        TBitmap target(w, h, pf24bit);
        target.Canvas().Brush.Color = bg;
        target.Canvas().FillRect(TRect{0, 0, w, h});
        target.Canvas().StretchDraw(TRect{0, 0, w, h}, gif);
        write_rgb(target, argv[6]);
        return 0;
    }
    return usage();
}

}  // namespace

int main(int argc, char** argv) {
    if (auto answered = os::answer_help_or_version("picture-tool", std::vector<std::string>(argv + 1, argv + argc),
                                                   kUsage, std::cout))
        return os::finish_standard_output("picture-tool", *answered);
    // An interrupted run leaves no temporary file behind.
    os::remove_temp_files_on_signals();
    graphics::unit_startup();
    picture::unit_startup();
    // the library's information boxes become lines on stderr
    core::ConsoleHost console("picture-tool");
    core::ScopedService host(core::host_slot, &console);
    // The file a command reads, named when its data end early.
    const std::string command = argc > 2 ? argv[1] : "";
    const std::string input = command == "save" ? std::string() : argc > 2 ? argv[2] : "";
    int rc;
    try {
        rc = run(argc, argv);
    } catch (const EAbort&) {
        rc = 1;  // already reported through the host
    } catch (const std::exception& e) {
        std::cerr << os::error_line("picture-tool", e.what(), input) << "\n";
        rc = 1;
    }
    picture::unit_shutdown();
    graphics::unit_shutdown();
    return os::finish_standard_output("picture-tool", rc);
}
