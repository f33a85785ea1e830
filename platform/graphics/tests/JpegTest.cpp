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
