#include "platform/graphics/Jpeg.h"

#include "platform/core/ClassBuilder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

#include "platform/graphics/Canvas.h"

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
};

void on_error(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}
void on_message(j_common_ptr, int) {}

// Runs one step of libjpeg calls with its error exit armed; false when
// libjpeg gave up (its text is in err.message). The jump lands in this frame,
// which changes nothing between setjmp and longjmp, so no local of the caller
// is left indeterminate. A step keeps only trivially destructible locals
// across its libjpeg calls (a jump skips their destructors).
template <class Step>
bool guarded(ErrorManager& err, Step&& step) {
    if (setjmp(err.jump)) return false;
    step();
    return true;
}

}  // namespace

namespace graphics {

void jpeg_decode(std::span<const uint8_t> data, TBitmap& out) {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = on_error;
    err.pub.emit_message = on_message;
    // Destroys the decompressor on every way out, a thrown error included.
    struct Destroy {
        jpeg_decompress_struct* c;
        ~Destroy() { jpeg_destroy_decompress(c); }
    } destroy{&cinfo};
    auto fail = [&err] { return EInvalidGraphic(std::string("JPEG error: ") + err.message); };

    bool ok = guarded(err, [&] {
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&cinfo, TRUE);
    });
    if (!ok) throw fail();
    if (int64_t(cinfo.image_width) * cinfo.image_height > kMaxBitmapPixels)
        throw EInvalidGraphic("JPEG image is too large");
    cinfo.out_color_space = JCS_RGB;
    if (!guarded(err, [&] { jpeg_start_decompress(&cinfo); })) throw fail();

    TBitmap result;
    result.SetSize(int(cinfo.output_width), int(cinfo.output_height));
    std::vector<uint8_t> row(size_t(cinfo.output_width) * 3);
    ok = guarded(err, [&] {
        while (cinfo.output_scanline < cinfo.output_height) {
            int y = int(cinfo.output_scanline);
            JSAMPROW rows[1] = {row.data()};
            jpeg_read_scanlines(&cinfo, rows, 1);
            uint8_t* d = result.ScanLine(y);
            for (size_t x = 0; x < cinfo.output_width; ++x) {
                d[3 * x] = row[3 * x + 2];
                d[3 * x + 1] = row[3 * x + 1];
                d[3 * x + 2] = row[3 * x];
            }
        }
        jpeg_finish_decompress(&cinfo);
    });
    if (!ok) throw fail();
    out.Assign(&result);
}

std::vector<uint8_t> jpeg_encode(const TBitmap& bitmap, int quality) {
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = on_error;
    err.pub.emit_message = on_message;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    struct Destroy {
        jpeg_compress_struct* c;
        unsigned char** buffer;
        ~Destroy() {
            jpeg_destroy_compress(c);
            std::free(*buffer);
        }
    } destroy{&cinfo, &buffer};
    auto& bm = const_cast<TBitmap&>(bitmap);
    int w = bm.GetWidth(), h = bm.GetHeight();
    std::vector<uint8_t> row(size_t(w) * 3);
    bool ok = guarded(err, [&] {
        jpeg_create_compress(&cinfo);
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = JDIMENSION(w);
        cinfo.image_height = JDIMENSION(h);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            int y = int(cinfo.next_scanline);
            for (int x = 0; x < w; ++x) {
                TColor c = bitmap.Pixel(x, y);
                row[size_t(3 * x)] = GetRValue(c);
                row[size_t(3 * x + 1)] = GetGValue(c);
                row[size_t(3 * x + 2)] = GetBValue(c);
            }
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_compress(&cinfo);
    });
    if (!ok) throw EInvalidGraphic(std::string("JPEG error: ") + err.message);
    return std::vector<uint8_t>(buffer, buffer + size);
}

}  // namespace graphics

TClass TJPEGImage::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TJPEGImage, TGraphic>("TJPEGImage").Build();
    return &info;
}

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

TBitmap& TJPEGImage::Bitmap() {
    if (!bitmap_) {
        auto b = std::make_unique<TBitmap>();
        if (!data_.empty()) graphics::jpeg_decode(data_, *b);
        bitmap_ = std::move(b);
    }
    return *bitmap_;
}

void TJPEGImage::Assign(const TGraphic* source) {
    if (source == this) return;
    if (!source) {
        data_.clear();
        bitmap_.reset();
        Changed();
        return;
    }
    if (auto* j = dynamic_cast<const TJPEGImage*>(source)) {
        data_ = j->data_;
        bitmap_.reset();
        if (j->bitmap_) {
            bitmap_ = std::make_unique<TBitmap>();
            bitmap_->Assign(j->bitmap_.get());
        }
        CompressionQuality = j->CompressionQuality;
        Changed();
        return;
    }
    if (auto* b = dynamic_cast<const TBitmap*>(source)) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(b);
        data_.clear();
        bitmap_ = std::move(copy);
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TGraphic& dest) const {
    if (auto* b = dynamic_cast<TBitmap*>(&dest)) {
        b->Assign(&const_cast<TJPEGImage*>(this)->Bitmap());
        return;
    }
    TGraphic::AssignTo(dest);
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) {
    if (GetEmpty()) return;
    Bitmap().Draw(canvas, rect);
}

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::LoadFromStream(TByteReader& reader) {
    auto rest = reader.Rest();
    auto b = std::make_unique<TBitmap>();
    graphics::jpeg_decode(rest, *b);
    data_.assign(rest.begin(), rest.end());
    reader.Skip(rest.size());
    bitmap_ = std::move(b);
    Changed();
}

void TJPEGImage::SaveToStream(std::vector<uint8_t>& out) {
    if (data_.empty() && bitmap_ && !bitmap_->Empty()) data_ = graphics::jpeg_encode(*bitmap_, CompressionQuality);
    out.insert(out.end(), data_.begin(), data_.end());
}
