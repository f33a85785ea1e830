// Metafile pages: the records the recorder writes and the checks of the loader.
#include <gtest/gtest.h>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/EmfRecords.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/tests/FixedFontEngine.h"

namespace emf = graphics::emf;
using core::get_le32;

namespace {

using Metafile = test_support::FixedFontTest;

// A page with one of every kind of drawing call.
void record_sample(TMetafile& page) {
    page.SetWidth(794);
    page.SetHeight(1123);
    TMetafileCanvas c(page);
    c.Pen.Color = clRed;
    c.Pen.Width = 2;
    c.MoveTo(10, 10);
    c.LineTo(200, 10);
    c.Brush.Color = clLime;
    c.Rectangle(20, 20, 120, 80);
    c.Brush.Style = bsClear;
    c.Ellipse(130, 20, 230, 80);
    c.RoundRect(240, 20, 340, 80, 20, 20);
    c.Font.Name = "Arial";
    c.Font.Height = -16;
    c.Font.Color = clBlue;
    c.TextAlign = TA_RIGHT | TA_BASELINE;
    c.TextOut(400, 200, "WaW");
    c.TextRect(TRect{10, 300, 60, 320}, 12, 302, "Olá 𝄞");
    TBitmap bits(3, 2, pf24bit);
    bits.SetPixel(1, 1, clRed);
    c.StretchDraw(TRect{0, 400, 30, 420}, bits);
    c.SetClipRect(TRect{0, 0, 100, 100});
    c.MoveTo(0, 50);
    c.LineTo(150, 50);
    c.ResetClip();
    c.SetPixel(120, 50, clBlack);
}

const TMetafile::Record* find(const std::vector<TMetafile::Record>& records, uint32_t type, int nth = 0) {
    for (const auto& r : records)
        if (r.Type == type && nth-- == 0) return &r;
    return nullptr;
}

}  // namespace

TEST_F(Metafile, PageIsAnEmfWithHeaderFrameAndEndRecord) {
    TMetafile page;
    record_sample(page);
    std::vector<uint8_t> b = page.Bytes();
    ASSERT_GE(b.size(), 128u);
    EXPECT_EQ(get_le32(&b[0]), 1u);
    EXPECT_EQ(get_le32(&b[40]), emf::kSignature);
    EXPECT_EQ(get_le32(&b[48]), b.size());
    // Frame in 0.01 mm of 794 x 1123 pixels at 96 dpi (an A4 page).
    EXPECT_EQ(int32_t(get_le32(&b[32])), 21008);
    EXPECT_EQ(int32_t(get_le32(&b[36])), 29713);
    auto records = page.Records();
    EXPECT_EQ(get_le32(&b[52]), records.size());
    EXPECT_EQ(records.back().Type, uint32_t(emf::EOF_));
    for (uint32_t type : {emf::CREATEPEN, emf::CREATEBRUSHINDIRECT, emf::EXTCREATEFONTINDIRECTW, emf::SELECTOBJECT,
                          emf::MOVETOEX, emf::LINETO, emf::RECTANGLE, emf::ELLIPSE, emf::ROUNDRECT,
                          emf::EXTTEXTOUTW, emf::SETTEXTALIGN, emf::STRETCHDIBITS, emf::INTERSECTCLIPRECT,
                          emf::EXTSELECTCLIPRGN})
        EXPECT_NE(find(records, type), nullptr) << type;
}

// Clip records are written before the drawing they clip, and only when they
// change its clip: clips set and reset with nothing drawn leave no records.
TEST_F(Metafile, ClipRecordsComeOnlyBeforeTheDrawingTheyClip) {
    TMetafile page;
    page.SetWidth(200);
    page.SetHeight(200);
    {
        TMetafileCanvas c(page);
        c.SetClipRect(TRect{0, 0, 10, 10});
        c.ResetClip();
        c.SetClipRect(TRect{5, 5, 50, 50});
        c.SetPixel(1, 1, clRed);       // clipped to the second rectangle
        c.ResetClip();
        c.SetClipRect(TRect{5, 5, 50, 50});
        c.SetPixel(2, 2, clRed);       // the same clip: no new records
        c.SetClipRect(TRect{6, 6, 50, 50});
        c.ResetClip();
        c.SetPixel(3, 3, clRed);       // no clip
        c.SetClipRect(TRect{7, 7, 9, 9});  // nothing drawn after it
    }
    std::vector<std::string> seen;
    for (const auto& r : page.Records()) {
        if (r.Type == emf::EXTSELECTCLIPRGN) seen.push_back("reset");
        if (r.Type == emf::INTERSECTCLIPRECT)
            seen.push_back("clip " + std::to_string(get_le32(&r.Bytes[8])) + "," + std::to_string(get_le32(&r.Bytes[12])));
        if (r.Type == emf::SETPIXELV) seen.push_back("pixel " + std::to_string(get_le32(&r.Bytes[8])));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"reset", "clip 5,5", "pixel 1", "pixel 2", "reset", "pixel 3"}));
}

TEST_F(Metafile, TextIsUtf16WithAdvancesThatAddUpToItsWidth) {
    TMetafile page;
    record_sample(page);
    auto records = page.Records();
    const auto* out = find(records, emf::EXTTEXTOUTW);
    ASSERT_NE(out, nullptr);
    auto r = out->Bytes;
    EXPECT_EQ(int32_t(get_le32(&r[36])), 400);  // the reference point, as aligned by the record
    EXPECT_EQ(int32_t(get_le32(&r[40])), 200);
    ASSERT_EQ(get_le32(&r[44]), 3u);
    uint32_t offString = get_le32(&r[48]), offDx = get_le32(&r[72]);
    EXPECT_EQ(core::get_le16(&r[offString]), 'W');
    EXPECT_EQ(core::get_le16(&r[offString + 2]), 'a');
    EXPECT_EQ(get_le32(&r[offDx]), 11u);
    EXPECT_EQ(get_le32(&r[offDx + 4]), 7u);
    // The second text: a character outside the basic plane takes two units,
    // the second with no advance; the clip rectangle rides along.
    auto second = find(records, emf::EXTTEXTOUTW, 1)->Bytes;
    ASSERT_EQ(get_le32(&second[44]), 6u);
    EXPECT_EQ(get_le32(&second[52]) & emf::ETO_CLIPPED, emf::ETO_CLIPPED);
    offString = get_le32(&second[48]);
    offDx = get_le32(&second[72]);
    EXPECT_EQ(core::get_le16(&second[offString + 4]), 0xE1);  // á
    EXPECT_EQ(core::get_le16(&second[offString + 8]), 0xD834);
    EXPECT_EQ(get_le32(&second[offDx + 16]), 7u);
    EXPECT_EQ(get_le32(&second[offDx + 20]), 0u);
    auto font = find(records, emf::EXTCREATEFONTINDIRECTW)->Bytes;
    EXPECT_EQ(font.size(), 12u + emf::kLogFontPanoseSize);
    EXPECT_EQ(int32_t(get_le32(&font[12])), -16);
    EXPECT_EQ(core::get_le16(&font[12 + 28]), 'A');
}

TEST_F(Metafile, LoadConsumesExactlyItsOwnBytes) {
    TMetafile page;
    record_sample(page);
    std::vector<uint8_t> b = page.Bytes();
    TMemoryStream s;
    page.SaveToStream(s);
    s.WriteBuffer("tail", 4);
    s.SetPosition(0);
    TMetafile back;
    back.LoadFromStream(s);
    EXPECT_EQ(s.Position(), int64_t(b.size()));
    EXPECT_EQ(back.Bytes(), b);
    EXPECT_EQ(back.Width(), 794);
    EXPECT_EQ(back.Height(), 1123);
    std::vector<uint8_t> more = b;
    more.push_back(7);
    TByteReader reader(more);
    TMetafile again;
    again.LoadFromStream(reader);
    EXPECT_EQ(reader.Remaining(), 1u);
    // An empty page still saves as an EMF of its size.
    TMetafile empty;
    empty.SetWidth(100);
    empty.SetHeight(50);
    EXPECT_TRUE(empty.Empty());
    TMetafile loaded;
    loaded.SetBytes(empty.Bytes());
    EXPECT_EQ(loaded.Width(), 100);
    EXPECT_EQ(loaded.Height(), 50);
}

TEST_F(Metafile, DamagedPagesAreRefused) {
    TMetafile page;
    record_sample(page);
    const std::vector<uint8_t> good = page.Bytes();
    auto set32 = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        core::put_le32(&b[at], v);
        return b;
    };
    uint32_t first = get_le32(&good[4]);  // the header's size: where the second record starts
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"no signature", set32(good, 40, 0)},
        {"not a header first", set32(good, 0, 2)},
        {"count past the end", set32(good, 48, uint32_t(good.size() + 4))},
        {"count not whole", set32(good, 48, uint32_t(good.size() - 2))},
        {"huge count", set32(good, 48, 0xFFFFFFF0u)},
        {"record of size 0", set32(good, first + 4, 0)},
        {"record past the end", set32(good, first + 4, 0x7FFFFFF0u)},
        {"no end record", set32(good, good.size() - 20, emf::SAVEDC)},
        {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + 60)},
        {"empty", {}},
    };
    for (const auto& c : cases) {
        TMemoryStream s;
        if (!c.bytes.empty()) s.WriteBuffer(c.bytes.data(), int64_t(c.bytes.size()));
        s.SetPosition(0);
        TMetafile m;
        EXPECT_THROW(m.LoadFromStream(s), EInvalidGraphic) << c.what;
        EXPECT_TRUE(m.Empty()) << c.what;
        TByteReader r(c.bytes);
        EXPECT_THROW(m.LoadFromStream(r), EInvalidGraphic) << c.what;
    }
}

TEST_F(Metafile, ClosedCanvasRefusesDrawingAndRasterCanvasesRefuseThePage) {
    TMetafile page;
    page.SetWidth(10);
    page.SetHeight(10);
    TMetafileCanvas c(page);
    c.Rectangle(0, 0, 5, 5);
    EXPECT_TRUE(page.Empty());  // not yet finished
    c.Close();
    EXPECT_FALSE(page.Empty());
    EXPECT_THROW(c.Rectangle(0, 0, 5, 5), EInvalidGraphicOperation);
    TBitmap bitmap(10, 10);
    EXPECT_THROW(bitmap.Canvas().Draw(0, 0, page), EInvalidGraphicOperation);
}
