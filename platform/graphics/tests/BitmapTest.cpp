// Bitmaps, BMP files, canvas drawing and the picture registry.
#include <gtest/gtest.h>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Clipboard.h"
#include "platform/graphics/tests/OracleUtil.h"

namespace {

// A bitmap with a different colour in every pixel that the format can hold.
void paint(TBitmap& b) {
    int colours = b.BitsPerPixel() <= 8 ? 1 << b.BitsPerPixel() : 0;
    if (colours) {
        TPalette p;
        for (int i = 0; i < colours; ++i) p.push_back({uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5 + 3)});
        b.SetPalette(p);
    }
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x) {
            if (colours)
                b.SetPixelIndex(x, y, (x * 3 + y * 5) % colours);
            else
                b.SetPixel(x, y, RGBColor(uint8_t(x * 9), uint8_t(y * 13), uint8_t(x * y)));
        }
}

}  // namespace

TEST(Bitmap, BmpRoundTripAndPilReadsOurFiles) {
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        TBitmap b(13, 7, f);  // odd width: rows are padded
        paint(b);
        auto bmp = b.SaveToBmp();
        TBitmap back;
        back.LoadFromBmp(bmp);
        EXPECT_EQ(back.PixelFormat(), f == pfDevice ? pf32bit : f);
        EXPECT_EQ(oracle::rgb_of(back), oracle::rgb_of(b)) << f;
        auto file = oracle::scratch("ours" + std::to_string(int(f)) + ".bmp");
        oracle::write_file(file, bmp);
        ASSERT_EQ(oracle::pil("to-ppm " + file + " " + file + ".ppm"), 0);
        EXPECT_EQ(oracle::read_ppm(file + ".ppm").rgb, oracle::rgb_of(b)) << f;
        std::remove(file.c_str());
        std::remove((file + ".ppm").c_str());
    }
}

TEST(Bitmap, ReadsPilBmpFiles) {
    TBitmap src(19, 11, pf24bit);
    paint(src);
    auto ppm = oracle::scratch("src.ppm");
    oracle::write_ppm(ppm, src);
    for (const char* mode : {"1", "P", "RGB"}) {
        auto bmp = oracle::scratch(std::string("pil") + mode + ".bmp");
        ASSERT_EQ(oracle::pil("to-bmp " + ppm + " " + bmp + " " + mode), 0);
        ASSERT_EQ(oracle::pil("to-ppm " + bmp + " " + bmp + ".ppm"), 0);
        TBitmap b;
        b.LoadFromFile(bmp);
        EXPECT_EQ(oracle::rgb_of(b), oracle::read_ppm(bmp + ".ppm").rgb) << mode;
        if (std::string(mode) == "1") {
            EXPECT_TRUE(b.Monochrome());
        }
        std::remove(bmp.c_str());
        std::remove((bmp + ".ppm").c_str());
    }
    std::remove(ppm.c_str());
}

TEST(Bitmap, BadBmpDataIsRefused) {
    TBitmap good(4, 4, pf8bit);
    auto bytes = good.SaveToBmp();
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
        size_t cut;
    } cases[] = {
        {"signature", 0, 'X', 0},        {"bit count 3", 28, 3, 0},     {"compression RLE", 30, 1, 0},
        {"huge width", 21, 0x7F, 0},     {"pixels cut short", 0, 'B', 20}, {"colours used above 256", 47, 2, 0},
    };
    for (auto& c : cases) {
        auto b = bytes;
        b[c.at] = c.value;
        if (c.cut) b.resize(b.size() - c.cut);
        TBitmap t;
        try {
            t.LoadFromBmp(b);
            ADD_FAILURE() << c.what;
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), "Bitmap image is not valid") << c.what;
        }
    }
}

TEST(Bitmap, FormatsAndPixels) {
    TBitmap b(3, 2, pf24bit);
    b.SetPixel(1, 1, clRed);
    EXPECT_EQ(b.Pixel(1, 1), clRed);
    EXPECT_EQ(b.Pixel(5, 5), clNone);
    b.SetMonochrome(true);
    EXPECT_EQ(b.PixelFormat(), pf1bit);
    EXPECT_EQ(b.Pixel(1, 1), clBlack);  // red is nearer black than white
    b.SetPixel(0, 0, TColor(0xE0E0E0));
    EXPECT_EQ(b.Pixel(0, 0), clWhite);
    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(b.Pixel(0, 0), clWhite);
    EXPECT_FALSE(b.Monochrome());
    // a 1-bit bitmap with white as entry 0 keeps its colours when made monochrome
    TBitmap inverted(9, 2, pf1bit);
    inverted.SetPalette({{255, 255, 255}, {0, 0, 0}});
    for (int x = 0; x < 9; x += 2) inverted.SetPixelIndex(x, 1, 1);
    auto before = oracle::rgb_of(inverted);
    inverted.SetMonochrome(true);
    EXPECT_EQ(oracle::rgb_of(inverted), before);
    EXPECT_EQ(inverted.PixelIndex(0, 0), 1);
    EXPECT_EQ(inverted.PixelIndex(0, 1), 0);
    // transparent colour: bottom-left pixel unless fixed
    EXPECT_EQ(b.TransparentColor(), b.Pixel(0, 1));
    b.SetTransparentColor(clRed);
    EXPECT_EQ(b.TransparentMode(), tmFixed);
    EXPECT_EQ(b.TransparentColor(), clRed);
    // sizes beyond the limit are refused before allocating
    EXPECT_THROW(TBitmap(65535, 65535), EInvalidGraphic);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(240, 240, 240));
}

TEST(Canvas, StretchSamplingTable) {
    struct Case {
        int src, dst;
        std::vector<int> map;
    } cases[] = {
        {4, 8, {0, 0, 1, 1, 2, 2, 3, 3}},
        {8, 4, {1, 3, 5, 7}},
        {3, 5, {0, 0, 1, 2, 2}},
        {120, 44, {}},  // 5.5 * 120 / 44 is 15 exactly; PIL's arithmetic gives 14
    };
    for (auto& c : cases) {
        auto m = graphics::stretch_map(c.src, c.dst);
        if (!c.map.empty()) {
            EXPECT_EQ(m, c.map) << c.src << "->" << c.dst;
        }
    }
    EXPECT_EQ(graphics::stretch_map(120, 44)[5], 14);
    EXPECT_EQ(graphics::stretch_map(120, 44)[16], 44);
}

TEST(Canvas, DrawStretchCopyModesAndClipping) {
    TBitmap src(2, 2, pf24bit);
    src.SetPixel(0, 0, clRed);
    src.SetPixel(1, 0, clLime);
    src.SetPixel(0, 1, clBlue);
    src.SetPixel(1, 1, clWhite);
    TBitmap dst(5, 5, pf24bit);
    dst.Canvas().Brush.Color = clBlack;
    dst.Canvas().FillRect(TRect{-3, -3, 9, 9});
    dst.Canvas().StretchDraw(TRect{1, 1, 5, 5}, src);
    EXPECT_EQ(dst.Pixel(0, 0), clBlack);
    EXPECT_EQ(dst.Pixel(1, 1), clRed);
    EXPECT_EQ(dst.Pixel(2, 2), clRed);
    EXPECT_EQ(dst.Pixel(3, 1), clLime);
    EXPECT_EQ(dst.Pixel(4, 4), clWhite);
    dst.Canvas().Draw(4, 4, src);  // clipped at the edge
    EXPECT_EQ(dst.Pixel(4, 4), clRed);
    // a transparent bitmap leaves pixels of its transparent colour alone
    src.SetTransparent(true);
    src.SetTransparentColor(clBlue);
    dst.Canvas().Brush.Color = clFuchsia;
    dst.Canvas().FillRect(TRect{0, 0, 5, 5});
    dst.Canvas().StretchDraw(TRect{0, 0, 2, 2}, src);
    EXPECT_EQ(dst.Pixel(0, 1), clFuchsia);
    EXPECT_EQ(dst.Pixel(1, 1), clWhite);
    // copy modes
    TBitmap a(1, 1, pf24bit), c(1, 1, pf24bit);
    a.SetPixel(0, 0, TColor(0x0F0F0F));
    c.SetPixel(0, 0, TColor(0x3C3C3C));
    c.Canvas().CopyMode = cmSrcAnd;
    c.Canvas().CopyRect(TRect{0, 0, 1, 1}, a.Canvas(), TRect{0, 0, 1, 1});
    EXPECT_EQ(c.Pixel(0, 0), TColor(0x0C0C0C));
    c.Canvas().CopyMode = cmSrcPaint;
    c.Canvas().CopyRect(TRect{0, 0, 1, 1}, a.Canvas(), TRect{0, 0, 1, 1});
    EXPECT_EQ(c.Pixel(0, 0), TColor(0x0F0F0F));
}

TEST(Picture, RegistryAndFiles) {
    graphics::unit_startup();
    EXPECT_EQ(TPicture::FindExtension("BMP"), TBitmap::StaticClass());
    EXPECT_EQ(TPicture::FindClassName("tbitmap"), TBitmap::StaticClass());
    EXPECT_EQ(TPicture::FindExtension("xyz"), nullptr);
    TBitmap b(3, 2, pf8bit);
    paint(b);
    auto file = oracle::scratch("pic.bmp");
    b.SaveToFile(file);
    TPicture p;
    p.LoadFromFile(file);
    ASSERT_NE(p.Graphic(), nullptr);
    EXPECT_EQ(p.Graphic()->ClassName(), "TBitmap");
    EXPECT_EQ(p.Width(), 3);
    try {
        p.LoadFromFile(oracle::scratch("pic.xyz"));
        ADD_FAILURE();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_EQ(p.Width(), 3);  // the failed load kept the picture
    // stored data: class name then the class's data
    auto stored = p.WriteStoredData();
    TPicture q;
    q.ReadStoredData(stored);
    EXPECT_EQ(oracle::rgb_of(dynamic_cast<TBitmap&>(*q.Graphic())), oracle::rgb_of(b));
    std::remove(file.c_str());
    // assignment of graphics that do not convert is refused
}
