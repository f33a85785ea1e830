// libFuzzer target over the GIF reader, decoder and writer: any input must
// end in a read picture or one of the reader's errors, never a crash, a hang
// or a runaway allocation; whatever was read is written back and the written
// stream must read again.
#include <cstddef>
#include <cstdint>

#include "picture/PicGIF.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // the first byte chooses tolerant or strict reading
    bool strict = size > 0 && (data[0] & 0x80);
    picture::TolerantReading = !strict;
    TGIFImage gif;
    TByteReader reader(std::span<const uint8_t>(data, size));
    try {
        gif.ReadGifStream(int64_t(size), reader, false);
    } catch (const Exception&) {
    }
    TBitmap target(16, 12, pf24bit);
    for (int i = 0; i < gif.FrameCount() && i < 8; ++i) {
        try {
            gif.ActiveFrame = i;
            auto& bmp = gif.FrameAt(i).EnsureBitmap();
            (void)bmp.SaveToBmp();
            target.Canvas().StretchDraw(TRect{0, 0, 16, 12}, gif);
        } catch (const Exception&) {
        }
    }
    if (gif.FrameCount() > 0) {
        std::vector<uint8_t> written;
        try {
            gif.SaveToStream(written);
        } catch (const Exception&) {
            written.clear();
        }
        if (!written.empty()) {
            TGIFImage back;
            TByteReader again(written);
            back.ReadGifStream(int64_t(written.size()), again, false);  // a written stream always reads
            if (back.FrameCount() != gif.FrameCount()) __builtin_trap();
        }
    }
    picture::TolerantReading = true;
    return 0;
}
