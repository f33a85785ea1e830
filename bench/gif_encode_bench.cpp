// Times encoding with the picture library: the frames of a GIF file, decoded
// beforehand into 8-bit bitmaps (not timed), become the frames of a new
// picture that is saved into memory (EncodeFrames, the BMP hand-over, LZW,
// the stream). Usage: gif_encode_bench FILE [REPEATS] [OUT.gif]; prints
// "best-ms bytes" and writes the last result to OUT.gif when given.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "picture/PicGIF.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gif_encode_bench FILE [REPEATS] [OUT.gif]\n");
        return 2;
    }
    int repeats = argc > 2 ? std::stoi(argv[2]) : 5;
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    TGIFImage source;
    TByteReader reader(bytes);
    source.ReadGifStream(int64_t(bytes.size()), reader, false);
    std::vector<std::unique_ptr<TBitmap>> frames;
    for (int i = 0; i < source.FrameCount(); ++i) {
        frames.push_back(std::make_unique<TBitmap>());
        frames.back()->Assign(&source.FrameAt(i).EnsureBitmap());
    }
    double best = 1e300;
    std::vector<uint8_t> out;
    for (int r = 0; r < repeats; ++r) {
        TGIFImage gif;
        for (auto& f : frames) gif.AppendFrame(f.get());
        out.clear();
        auto t0 = std::chrono::steady_clock::now();
        gif.SaveToStream(out);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, ms);
    }
    std::printf("%.2f %zu\n", best, out.size());
    if (argc > 3) {
        std::ofstream o(argv[3], std::ios::binary);
        o.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    }
    return 0;
}
