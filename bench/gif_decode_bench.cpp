// Times decoding every frame of a GIF file into RGB pixels with the picture
// library: read the stream, decode each frame's bitmap, map it through its
// palette. Usage: gif_decode_bench FILE [REPEATS]; prints the best time in ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/PicGIF.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gif_decode_bench FILE [REPEATS]\n");
        return 2;
    }
    int repeats = argc > 2 ? std::stoi(argv[2]) : 5;
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    double best = 1e300;
    size_t checksum = 0;
    std::vector<uint8_t> rgb;
    for (int r = 0; r < repeats; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        TGIFImage gif;
        TByteReader reader(bytes);
        gif.ReadGifStream(int64_t(bytes.size()), reader, false);
        for (int i = 0; i < gif.FrameCount(); ++i) {
            TBitmap& b = gif.FrameAt(i).EnsureBitmap();
            int w = b.PixelWidth(), h = b.PixelHeight();
            rgb.resize(size_t(w) * size_t(h) * 3);
            const auto& pal = b.Palette();
            uint8_t* o = rgb.data();
            for (int y = 0; y < h; ++y) {
                const uint8_t* row = b.ScanLine(y);
                if (b.BitsPerPixel() == 8) {
                    for (int x = 0; x < w; ++x, o += 3) {
                        auto& e = pal[row[x]];
                        o[0] = e.R;
                        o[1] = e.G;
                        o[2] = e.B;
                    }
                } else {
                    for (int x = 0; x < w; ++x, o += 3) {
                        auto& e = pal[size_t(b.PixelIndex(x, y))];
                        o[0] = e.R;
                        o[1] = e.G;
                        o[2] = e.B;
                    }
                }
            }
            checksum += rgb[rgb.size() / 2];
        }
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, ms);
    }
    std::printf("%.2f\n", best);
    std::fprintf(stderr, "checksum %zu\n", checksum);
    return 0;
}
