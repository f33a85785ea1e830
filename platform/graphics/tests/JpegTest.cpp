// JPEG through libjpeg-turbo, checked against python3-pil.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/graphics/Jpeg.h"
#include "platform/graphics/tests/OracleUtil.h"

TEST(Jpeg, DecodesLikePil) {
    for (const char* mode : {"RGB", "L"}) {
        auto jpg = oracle::scratch(std::string("pil-") + mode + ".jpg");
        ASSERT_EQ(oracle::pil("make-jpeg " + jpg + " 67 45 " + mode), 0);
        ASSERT_EQ(oracle::pil("to-ppm " + jpg + " " + jpg + ".ppm"), 0);
        TPicture p;
        graphics::unit_startup();
        p.LoadFromFile(jpg);
        auto& img = dynamic_cast<TJPEGImage&>(*p.Graphic());
        EXPECT_EQ(img.Width(), 67);
        EXPECT_EQ(oracle::rgb_of(img.Bitmap()), oracle::read_ppm(jpg + ".ppm").rgb) << mode;
        // saved unchanged
        std::vector<uint8_t> out;
        img.SaveToStream(out);
        EXPECT_EQ(out, oracle::read_file(jpg));
        std::remove(jpg.c_str());
        std::remove((jpg + ".ppm").c_str());
    }
}

TEST(Jpeg, EncodesWhatPilReads) {
    TBitmap b(40, 30, pf24bit);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) b.SetPixel(x, y, RGBColor(uint8_t(x * 6), uint8_t(y * 8), 128));
    TJPEGImage j;
    j.Assign(&b);
    auto file = oracle::scratch("ours.jpg");
    j.SaveToFile(file);
    ASSERT_EQ(oracle::pil("to-ppm " + file + " " + file + ".ppm"), 0);
    auto theirs = oracle::read_ppm(file + ".ppm");
    ASSERT_EQ(theirs.w, 40);
    TJPEGImage back;
    back.LoadFromFile(file);
    EXPECT_EQ(oracle::rgb_of(back.Bitmap()), theirs.rgb);  // same decoder, same pixels
    double err = 0;
    auto src = oracle::rgb_of(b);
    for (size_t i = 0; i < src.size(); ++i) err += std::pow(double(src[i]) - theirs.rgb[i], 2);
    double psnr = 10 * std::log10(255.0 * 255.0 / (err / double(src.size())));
    EXPECT_GT(psnr, 35.0);
    std::remove(file.c_str());
    std::remove((file + ".ppm").c_str());
}

TEST(Jpeg, BadDataIsRefused) {
    std::vector<uint8_t> junk{0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3};
    TJPEGImage j;
    TByteReader r(junk);
    EXPECT_THROW(j.LoadFromStream(r), EInvalidGraphic);
    EXPECT_TRUE(j.Empty());
}

namespace {
// A small JPEG of ours whose frame header claims width x height.
std::vector<uint8_t> jpeg_claiming(int width, int height) {
    TBitmap b(8, 8, pf24bit);
    auto bytes = graphics::jpeg_encode(b, 90);
    for (size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {  // SOF0: length, precision, height, width
            bytes[i + 5] = uint8_t(height >> 8), bytes[i + 6] = uint8_t(height);
            bytes[i + 7] = uint8_t(width >> 8), bytes[i + 8] = uint8_t(width);
            return bytes;
        }
    }
    ADD_FAILURE() << "no frame header";
    return bytes;
}
}  // namespace

// The message of a refused file is ours or libjpeg's, whole and readable:
// never bytes the decoder did not write.
TEST(Jpeg, RefusalsSayWhy) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string message;  // exact, or the prefix for libjpeg's own texts
        bool exact;
    };
    std::vector<uint8_t> cut = jpeg_claiming(8, 8);
    cut.resize(cut.size() / 2);
    const Case cases[] = {
        {"over the pixel limit", jpeg_claiming(10000, 10000), "JPEG image is too large", true},
        {"just over the limit", jpeg_claiming(8193, 8192), "JPEG image is too large", true},
        {"no JPEG at all", {'G', 'I', 'F', '8', '9', 'a'}, "JPEG error: Not a JPEG file", false},
        {"cut short", cut, "JPEG error: ", false},
    };
    for (const Case& c : cases) {
        TJPEGImage j;
        TByteReader r(c.bytes);
        try {
            j.LoadFromStream(r);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const EInvalidGraphic& e) {
            const std::string m = e.Message();
            if (c.exact) EXPECT_EQ(m, c.message) << c.what;
            else EXPECT_EQ(m.rfind(c.message, 0), 0u) << c.what << ": " << m;
            EXPECT_GT(m.size(), std::string("JPEG error: ").size()) << c.what;
            for (unsigned char ch : m) EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << c.what << ": " << m;
        }
        EXPECT_TRUE(j.Empty()) << c.what;
    }
    // the same file with its own size decodes
    EXPECT_NO_THROW({
        TJPEGImage j;
        auto ok = jpeg_claiming(8, 8);
        TByteReader r(ok);
        j.LoadFromStream(r);
    });
}
