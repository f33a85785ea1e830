// Metafile pages replayed by the Qt player against the same drawing done
// straight on QtCanvas.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <random>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/EmfRecords.h"
#include "platform/graphics/qt/MetafilePlayer.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/graphics/tests/SamplePage.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

QImage direct() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    graphics::qt::QtCanvas canvas(p);
    graphics::test::draw_sample_page(canvas);
    return image;
}

std::unique_ptr<TMetafile> recorded() {
    auto page = std::make_unique<TMetafile>();
    page->SetWidth(kWidth);
    page->SetHeight(kHeight);
    TMetafileCanvas canvas(*page);
    graphics::test::draw_sample_page(canvas);
    return page;
}

}  // namespace

TEST(MetafilePlayer, ReplayAtScaleOneMatchesTheCanvasPixelForPixel) {
    graphics::qt::GraphicsScope engine;
    QImage want = direct();
    auto page = recorded();
    QImage got = graphics::qt::render_metafile(*page);
    ASSERT_EQ(got.size(), want.size());
    int differ = 0, inked = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            differ += got.pixel(x, y) != want.pixel(x, y);
            inked += want.pixel(x, y) != qRgb(255, 255, 255);
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(inked, 5000);
    // The page also loads back from its bytes and plays the same.
    TMetafile back;
    back.SetBytes(page->Bytes());
    EXPECT_EQ(graphics::qt::render_metafile(back), got);
    // TMetafile::Draw on a QtCanvas goes through the player.
    QImage viaDraw(kWidth, kHeight, QImage::Format_RGB32);
    viaDraw.fill(Qt::white);
    {
        QPainter p(&viaDraw);
        graphics::qt::QtCanvas canvas(p);
        canvas.Draw(0, 0, *page);
    }
    EXPECT_EQ(viaDraw, got);
}

TEST(MetafilePlayer, ScaledReplayKeepsThePageInItsTarget) {
    graphics::qt::GraphicsScope engine;
    auto page = recorded();
    QImage big = graphics::qt::render_metafile(*page, 192);
    EXPECT_EQ(big.size(), QSize(2 * kWidth, 2 * kHeight));
    // The yellow rectangle's inside, doubled.
    EXPECT_EQ(QColor(big.pixel(90, 90)), QColor(255, 255, 0));
    // Nothing drawn outside a target rectangle.
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        graphics::qt::play_metafile(*page, p, QRectF(100, 100, kWidth / 2, kHeight / 2));
    }
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            if (x < 100 || y < 100 || x >= 100 + kWidth / 2 || y >= 100 + kHeight / 2) {
                ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
            }
    EXPECT_THROW(graphics::qt::render_metafile(*page, 0), EInvalidGraphicOperation);
}

TEST(MetafilePlayer, RecordsWithLyingFieldsAndUnknownRecordsAreSkipped) {
    graphics::qt::GraphicsScope engine;
    auto page = recorded();
    std::vector<uint8_t> b = page->Bytes();
    // Every text and bitmap record gets counts and offsets far past its end,
    // and every object handle a stranger one; an unknown record type too.
    size_t at = core::get_le32(&b[4]);
    while (at < b.size()) {
        uint32_t type = core::get_le32(&b[at]), size = core::get_le32(&b[at + 4]);
        if (type == graphics::emf::EXTTEXTOUTW) {
            core::put_le32(&b[at + 44], 0x7FFFFFFF);
            core::put_le32(&b[at + 72], 0xFFFFFF00);
        } else if (type == graphics::emf::STRETCHDIBITS) {
            core::put_le32(&b[at + 48], size - 4);
            core::put_le32(&b[at + 60], 0xFFFFFFFF);
        } else if (type == graphics::emf::SELECTOBJECT) {
            core::put_le32(&b[at + 8], 0x7FFFFFFF);
        } else if (type == graphics::emf::SETBKMODE) {
            core::put_le32(&b[at], 0x4242);
        }
        at += size;
    }
    TMetafile bad;
    bad.SetBytes(b);
    QImage image = graphics::qt::render_metafile(bad);
    EXPECT_EQ(image.size(), QSize(kWidth, kHeight));
}

TEST(MetafilePlayer, RandomlyDamagedPagesPlayOrAreRefused) {
    graphics::qt::GraphicsScope engine;
    const std::vector<uint8_t> good = recorded()->Bytes();
    std::mt19937 rng(130);
    int played = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> b = good;
        for (int k = 0, n = 1 + int(rng() % 8); k < n; ++k) {
            size_t at = 108 + rng() % (b.size() - 108);  // the header stays, so most pages still load
            b[at] = round % 2 ? uint8_t(rng()) : uint8_t(b[at] ^ (1u << (rng() % 8)));
        }
        TMetafile page;
        try {
            page.SetBytes(b);
        } catch (const EInvalidGraphic&) {
            continue;
        }
        QImage image = graphics::qt::render_metafile(page, round % 3 ? 96 : 48);
        EXPECT_FALSE(image.isNull());
        ++played;
    }
    EXPECT_GT(played, 50);
}
