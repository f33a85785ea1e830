// Times reducing a 24-bit picture to an 8-bit palette BMP image with the
// picture library. Usage: reduce_bench FILE.ppm METHOD [REPEATS]; prints the
// best time in ms (the whole ReduceBitmap call, work image to BMP stream).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/PicGraph.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: reduce_bench FILE.ppm METHOD [REPEATS]\n");
        return 2;
    }
    int method = std::stoi(argv[2]);
    int repeats = argc > 3 ? std::stoi(argv[3]) : 3;
    std::ifstream in(argv[1], std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (magic != "P6" || w <= 0 || h <= 0 || maxval != 255) {
        std::fprintf(stderr, "not a binary PPM: %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> rgb((std::istreambuf_iterator<char>(in)), {});
    if (rgb.size() < size_t(w) * size_t(h) * 3) {
        std::fprintf(stderr, "short PPM: %s\n", argv[1]);
        return 1;
    }
    TBitmap bitmap(w, h, pf24bit);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        const uint8_t* p = &rgb[size_t(y) * size_t(w) * 3];
        for (int x = 0; x < w; ++x, p += 3, row += 3) {
            row[0] = p[2];
            row[1] = p[1];
            row[2] = p[0];
        }
    }
    double best = 1e300;
    size_t checksum = 0;
    for (int r = 0; r < repeats; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        auto stream = ReduceBitmap(&bitmap, pf8bit, method);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, ms);
        checksum += stream->Memory()[stream->Size() / 2];
    }
    std::printf("%.2f\n", best);
    std::fprintf(stderr, "checksum %zu\n", checksum);
    return 0;
}
