// The GIF picture object: assignment, drawing, registration, stored data.
#include <gtest/gtest.h>

#include "picture/GfxUtils.h"
#include "picture/PicConst.h"
#include "picture/PicGIF.h"
#include "picture/Startup.h"
#include "picture/tests/GifBuilder.h"
#include "platform/core/ClassBuilder.h"
#include "platform/graphics/Clipboard.h"
#include "platform/graphics/Cursors.h"

using giftest::Gif;

namespace {

void load(TGIFImage& gif, const std::vector<uint8_t>& bytes) {
    TByteReader r(bytes);
    gif.LoadFromStream(r);
}

// 4 x 2 picture over a 2-bit table, index 2 transparent.
std::vector<uint8_t> small_transparent() {
    Gif g(4, 2, 2);
    g.gce(0, 0, 2).image(4, 2, {0, 1, 2, 3, 2, 2, 1, 0}, 2).trailer();
    return g.b;
}

// A graphic that cannot be turned into a bitmap by assignment and draws a cross.
class Sketch : public TGraphic {
public:
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<Sketch, TGraphic>("TSketch").Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    void Draw(TCanvas& canvas, const TRect& rect) override {
        for (int i = 0; i < rect.Width() && i < rect.Height(); ++i) canvas.SetPixel(rect.Left + i, rect.Top + i, clBlue);
    }
    bool GetEmpty() override { return false; }
    int GetWidth() override { return 3; }
    int GetHeight() override { return 2; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void LoadFromStream(TByteReader&) override {}
    void SaveToStream(std::vector<uint8_t>&) override {}
};

void fill(TBitmap& b, TColor bg) {
    b.Canvas().Brush.Color = bg;
    b.Canvas().FillRect(TRect{0, 0, b.GetWidth(), b.GetHeight()});
}

}  // namespace

TEST(GifImage, EmptyImage) {
    TGIFImage gif;
    EXPECT_TRUE(gif.Empty());
    EXPECT_EQ(gif.Width(), 0);
    EXPECT_EQ(gif.Height(), 0);
    EXPECT_EQ(gif.ActiveFrame, -1);
    TBitmap target(3, 3, pf24bit);
    fill(target, clRed);
    target.Canvas().StretchDraw(TRect{0, 0, 3, 3}, gif);
    EXPECT_EQ(target.Pixel(1, 1), clRed);
    // asking for the bitmap appends one empty frame and makes it current
    auto& bmp = gif.CurrentBitmap();
    EXPECT_TRUE(bmp.Empty());
    EXPECT_EQ(gif.FrameCount(), 1);
    EXPECT_EQ(gif.ActiveFrame, 0);
}

TEST(GifImage, SizeCannotBeChanged) {
    TGIFImage gif;
    for (auto set : {&TGIFImage::SetWidth, &TGIFImage::SetHeight}) {
        try {
            (gif.*set)(10);
            FAIL();
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_EQ(e.Message(), "Cannot change the Size of a GIF image");
        }
    }
}

TEST(GifImage, AssignShareAndEquals) {
    TGIFImage a, b;
    load(a, small_transparent());
    b.Assign(&a);
    EXPECT_TRUE(a.Equals(b));
    EXPECT_TRUE(b.Equals(a));
    EXPECT_EQ(b.FrameCount(), 1);
    EXPECT_EQ(b.FrameAt(0).FrameData, a.FrameAt(0).FrameData);
    EXPECT_EQ(b.FrameAt(0).TransparentIndex, 2);
    EXPECT_EQ(b.LogicalWidth, 4);
    // self-assignment changes nothing
    auto shared = a.SharedData;
    a.Assign(&a);
    EXPECT_EQ(a.SharedData, shared);
    EXPECT_EQ(a.FrameCount(), 1);
    // reading new data ends the sharing
    load(b, small_transparent());
    EXPECT_FALSE(a.Equals(b));
}

TEST(GifImage, AssignToBitmapCarriesTransparency) {
    TGIFImage gif;
    load(gif, small_transparent());
    TBitmap bmp;
    bmp.Assign(&gif);
    EXPECT_EQ(bmp.GetWidth(), 4);
    EXPECT_TRUE(bmp.Transparent());
    EXPECT_EQ(bmp.TransparentColor(), gif.FrameAt(0).TransparentKey);
    EXPECT_EQ(bmp.PixelIndex(2, 0), 2);
}

TEST(GifImage, AssignFromBitmapAndFrame) {
    TBitmap bmp(5, 4, pf24bit);
    bmp.SetPixel(1, 1, clRed);
    TGIFImage gif;
    gif.Assign(&bmp);
    EXPECT_EQ(gif.FrameCount(), 1);
    EXPECT_EQ(gif.GifVersion, 1);
    EXPECT_EQ(gif.Width(), 5);
    EXPECT_EQ(gif.LogicalWidth, 5);
    EXPECT_EQ(gif.CurrentBitmap().Pixel(1, 1), clRed);
    EXPECT_EQ(gif.AppendFrame(&bmp), 1);
    EXPECT_EQ(gif.GifVersion, 2);
    // an image made from one frame of another copies the screen data
    TGIFImage src;
    load(src, small_transparent());
    TGIFImage one;
    one.Assign(&src.FrameAt(0));
    EXPECT_EQ(one.FrameCount(), 1);
    EXPECT_EQ(one.SharedData->GlobalTable.Count, 4);
    EXPECT_NE(one.SharedData, src.SharedData);
    EXPECT_TRUE(one.FrameAt(0).UsesLocalTable);  // copied from another image
}

TEST(GifImage, FrameFromGraphicThatCannotBecomeABitmap) {
    TGIFImage gif;
    Sketch sketch;
    gif.AppendFrame(&sketch);
    auto& bmp = gif.CurrentBitmap();
    ASSERT_EQ(bmp.GetWidth(), 3);
    ASSERT_EQ(bmp.GetHeight(), 2);
    EXPECT_EQ(bmp.Pixel(0, 0), clBlue);
    EXPECT_EQ(bmp.Pixel(1, 1), clBlue);
    EXPECT_EQ(bmp.Pixel(2, 0), TColor(0xFF00FF));
}

TEST(GifImage, DrawTransparentAndOpaque) {
    TGIFImage gif;
    load(gif, small_transparent());
    auto colour = [&](int i) { return gif.FrameAt(0).FrameData->LocalTable.Color(i); };
    TBitmap target(8, 4, pf24bit);
    fill(target, clWhite);
    target.Canvas().StretchDraw(TRect{0, 0, 8, 4}, gif);
    EXPECT_EQ(target.Pixel(0, 0), colour(0));
    EXPECT_EQ(target.Pixel(4, 0), clWhite);  // index 2 shows the background
    EXPECT_EQ(target.Pixel(7, 3), colour(0));
    // with the image's transparent flag cleared it is drawn opaque
    gif.SetTransparent(false);
    target.Canvas().StretchDraw(TRect{0, 0, 8, 4}, gif);
    EXPECT_EQ(target.Pixel(4, 0), colour(2));
}

TEST(GifImage, TransparencyGoesByPaletteIndex) {
    // entries 1 and 3 hold the same colour; only index 3 is transparent
    Gif g(4, 1, 2);
    g.b[13 + 3 * 1] = g.b[13 + 3 * 3];
    g.b[13 + 3 * 1 + 1] = g.b[13 + 3 * 3 + 1];
    g.b[13 + 3 * 1 + 2] = g.b[13 + 3 * 3 + 2];
    g.gce(0, 0, 3).image(4, 1, {0, 1, 2, 3}, 2).trailer();
    TGIFImage gif;
    load(gif, g.b);
    TBitmap target(4, 1, pf24bit);
    fill(target, clWhite);
    target.Canvas().StretchDraw(TRect{0, 0, 4, 1}, gif);
    EXPECT_EQ(target.Pixel(1, 0), gif.FrameAt(0).FrameData->LocalTable.Color(1));
    EXPECT_EQ(target.Pixel(3, 0), clWhite);
}

TEST(GifImage, MaskedStretchKeys) {
    // clDefault takes the bottom-left pixel as the key
    TBitmap bmp(2, 2, pf24bit);
    bmp.SetPixel(0, 0, clRed);
    bmp.SetPixel(1, 0, clLime);
    bmp.SetPixel(0, 1, clBlue);
    bmp.SetPixel(1, 1, clRed);
    TBitmap target(2, 2, pf24bit);
    fill(target, clWhite);
    StretchBitmapMasked(target.Canvas(), 0, 0, 0, 0, bmp, 0, 0, 0, 0, clDefault);
    EXPECT_EQ(target.Pixel(0, 0), clRed);
    EXPECT_EQ(target.Pixel(0, 1), clWhite);
    // a monochrome bitmap always keys on white, whatever colour is given
    TBitmap mono(2, 1, pf24bit);
    mono.SetPixel(0, 0, clWhite);
    mono.SetPixel(1, 0, clBlack);
    mono.SetMonochrome(true);
    TBitmap t2(2, 1, pf24bit);
    fill(t2, clRed);
    StretchBitmapMasked(t2.Canvas(), 0, 0, 2, 1, mono, 0, 0, 2, 1, clBlack);
    EXPECT_EQ(t2.Pixel(0, 0), clRed);
    EXPECT_EQ(t2.Pixel(1, 0), clBlack);
    // clNone draws opaque
    TBitmap t3(2, 2, pf24bit);
    fill(t3, clWhite);
    StretchBitmapMasked(t3.Canvas(), 0, 0, 2, 2, bmp, 0, 0, 2, 2, clNone);
    EXPECT_EQ(t3.Pixel(0, 1), clBlue);
}

TEST(GifImage, ExtensionsAndComments) {
    TGIFFrame frame(nullptr);
    EXPECT_EQ(frame.FindCommentLines(false), nullptr);
    frame.SetFrameComment({"one", "two"});
    ASSERT_NE(frame.FindCommentLines(false), nullptr);
    EXPECT_EQ(frame.FindCommentLines(false)->size(), 2u);
    EXPECT_EQ(LastExtensionOfKind(frame.ExtensionList.get(), ekComment)->Kind, ekComment);
    EXPECT_EQ(LastExtensionOfKind(frame.ExtensionList.get(), ekGraphicControl), nullptr);
    EXPECT_EQ(LastExtensionOfKind(nullptr, ekComment), nullptr);
    TExtension a, b;
    a.Kind = ekComment;
    a.DataLines = std::vector<std::string>{"x"};
    b.Assign(a);
    EXPECT_EQ(b.DataLines->at(0), "x");
    TExtension none;
    none.Kind = ekApplication;
    b.Assign(none);  // a source without lines leaves the target's lines
    EXPECT_EQ(b.Kind, ekApplication);
    EXPECT_EQ(b.DataLines->at(0), "x");
}

TEST(GifImage, RegistrationAndStoredPictureData) {
    picture::unit_shutdown();
    Gif g(4, 2, 2);
    g.image(4, 2, {0, 1, 2, 3, 3, 2, 1, 0}, 2).trailer();
    std::vector<uint8_t> stored{9, 'T', 'G', 'I', 'F', 'I', 'm', 'a', 'g', 'e'};
    for (int i = 0; i < 4; ++i) stored.push_back(uint8_t(g.b.size() >> (8 * i)));
    stored.insert(stored.end(), g.b.begin(), g.b.end());
    TPicture picture;
    EXPECT_THROW(picture.ReadStoredData(stored), EInvalidGraphic);  // not registered yet
    picture::unit_startup();
    picture.ReadStoredData(stored);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassName(), "TGIFImage");
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(TPicture::FindExtension("GIF"), TGIFImage::StaticClass());
    EXPECT_EQ(GetClass("tgifimage"), TGIFImage::StaticClass());
    EXPECT_EQ(GetClass("TGIFFrame"), TGIFFrame::StaticClass());
    EXPECT_TRUE(TGIFImage::StaticClass()->InheritsFrom(TPersistent::StaticClass()));
    EXPECT_EQ(TPicture::FileFormatDescription("gif"), "CompuServe GIF Image");
    EXPECT_EQ(TPicture::FindClipboardFormat(picture::GifClipboardFormat()), TGIFImage::StaticClass());
    EXPECT_EQ(graphics::clipboard().FormatName(picture::GifClipboardFormat()), "GIF Image");
    auto* hand = graphics::cursors().Cursor(crHandPoint);
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(hand->HotSpot.X, 6);
    EXPECT_EQ(hand->HotSpot.Y, 16);
    ASSERT_NE(graphics::cursors().Cursor(crDragHand), nullptr);
    EXPECT_EQ(graphics::cursors().Cursor(crDragHand)->HotSpot.X, 15);
}

// The pointing hand's hot spot is the tip of its finger: a drawn pixel with
// nothing drawn beyond it in the direction the finger points (left); the
// grabbing hand's lies on the hand.
TEST(GifImage, CursorHotSpotsLieOnTheirHands) {
    picture::unit_startup();
    auto drawn = [](const graphics::CursorImage& c, int x, int y) {
        return (c.AndMask[size_t(y * 4 + x / 8)] & (0x80 >> (x & 7))) == 0;
    };
    const auto* hand = graphics::cursors().Cursor(crHandPoint);
    ASSERT_NE(hand, nullptr);
    ASSERT_EQ(hand->HotSpot.X, 6);
    ASSERT_EQ(hand->HotSpot.Y, 16);
    EXPECT_TRUE(drawn(*hand, 6, 16));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_FALSE(drawn(*hand, x, y)) << x << "," << y;
    const auto* grab = graphics::cursors().Cursor(crDragHand);
    ASSERT_NE(grab, nullptr);
    EXPECT_TRUE(drawn(*grab, grab->HotSpot.X, grab->HotSpot.Y));
}

TEST(GifImage, ClipboardReadsGifImageData) {
    picture::unit_startup();
    auto bytes = small_transparent();
    std::vector<uint8_t> data;
    for (int i = 0; i < 4; ++i) data.push_back(uint8_t(bytes.size() >> (8 * i)));
    data.insert(data.end(), bytes.begin(), bytes.end());
    auto& board = graphics::clipboard();
    board.Clear();
    board.SetData(picture::GifClipboardFormat(), data);
    TGIFImage gif;
    gif.LoadFromClipboardFormat(picture::GifClipboardFormat(), {}, {});
    EXPECT_EQ(gif.FrameCount(), 1);
    EXPECT_EQ(gif.ActiveFrame, 0);
    EXPECT_EQ(gif.FrameAt(0).FrameBitmap, nullptr);  // not decoded yet
    EXPECT_EQ(gif.Width(), 4);
    // without GIF data the clipboard bitmap is taken
    board.Clear();
    TBitmap bmp(3, 3, pf24bit);
    TClipboardData clip{bmp.SaveToBmp()};
    TGIFImage fromBitmap;
    fromBitmap.LoadFromClipboardFormat(graphics::CF_BITMAP, clip, {});
    EXPECT_EQ(fromBitmap.Width(), 3);
}
