#pragma once
// Runs the python3-pil oracle script and reads PPM files for the graphics tests.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "tests/support/TestSupport.h"

namespace oracle {

// A file of this test process's scratch folder (removed at exit).
inline std::string scratch(const std::string& name) { return test_support::process_dir("graphics-tests") + "/" + name; }

// Runs the python3-pil oracle with these arguments; its exit status.
inline int pil(const std::string& args) { return test_support::run_status(test_support::oracle_command("pil_image.py") + " " + args); }

inline std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Width, height and RGB bytes of a binary PPM.
struct Ppm {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
};
inline Ppm read_ppm(const std::string& path) {
    auto b = read_file(path);
    Ppm p;
    int maxv = 0, consumed = 0;
    std::string head(b.begin(), b.begin() + long(std::min<size_t>(b.size(), 64)));
    if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &p.w, &p.h, &maxv, &consumed) != 3) return p;
    p.rgb.assign(b.begin() + consumed + 1, b.end());
    return p;
}
inline void write_ppm(const std::string& path, TBitmap& bmp) {
    std::string head = "P6\n" + std::to_string(bmp.GetWidth()) + " " + std::to_string(bmp.GetHeight()) + "\n255\n";
    std::vector<uint8_t> v(head.begin(), head.end());
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x) {
            TColor c = bmp.Pixel(x, y);
            v.insert(v.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    write_file(path, v);
}
inline std::vector<uint8_t> rgb_of(TBitmap& bmp) {
    std::vector<uint8_t> v;
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x) {
            TColor c = bmp.Pixel(x, y);
            v.insert(v.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    return v;
}

}  // namespace oracle
