// The Qt font engine: characters measured side by side and kept per font,
// record advances, fall-back characters, and drawn text that ends where it
// was measured on every drawing path.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/CodePages.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/qt/MetafilePlayer.h"
#include "platform/graphics/qt/QtCanvas.h"

namespace {

// A font as the tests name it; TFont itself is not copied.
struct FontSpecimen {
    std::string name;
    int height = 0, style = 0;
};

void set_font(TFont& f, const FontSpecimen& s) {
    f.Name = s.name;
    f.Height = s.height;
    f.Style = s.style;
}

// The engine's answers for a font given by its specimen.
struct Measure {
    graphics::FontEngine& engine = graphics::font_engine();
    int width(const FontSpecimen& s, std::string_view text) {
        TFont f;
        set_font(f, s);
        return engine.TextWidth(f, text);
    }
    void advances(const FontSpecimen& s, std::string_view text, std::vector<double>& out) {
        TFont f;
        set_font(f, s);
        engine.Advances(f, text, out);
    }
    graphics::TTextMetric metric(const FontSpecimen& s) {
        TFont f;
        set_font(f, s);
        return engine.Metric(f);
    }
    graphics::TRecordedText recorded(const FontSpecimen& s, std::string_view text) {
        TFont f;
        set_font(f, s);
        return graphics::record_text(f, text);
    }
};

// Qt's own advance of each character alone, summed: a font made here, not
// through the engine.
double side_by_side(const QString& family, int px, bool bold, bool italic, const std::string& text) {
    QFont f(family);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPixelSize(px);
    f.setBold(bold);
    f.setItalic(italic);
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780);
    device.setDotsPerMeterY(3780);
    QFontMetricsF m(f, &device);
    double sum = 0;
    for (char32_t cp : QString::fromUtf8(text.data(), qsizetype(text.size())).toUcs4())
        sum += m.horizontalAdvance(QString::fromUcs4(&cp, 1));
    return sum;
}

size_t code_points(std::string_view text) {
    size_t n = 0;
    for (size_t pos = 0; pos < text.size(); ++n) {
        char32_t cp = 0;
        core::next_code_point(text, pos, cp);
    }
    return n;
}

const std::vector<std::string> kTexts = {
    "Tamblero Wy", "AVATAR office ffi", "ação Página 3", "a\tb", "e\xcc\x81", "x\xe4\xb8\xad" "y",
    "\xf0\x9f\x98\x80 ok", "bad \xff\xfe bytes", "\xe2\x82\xac 1.234,56", "",
};

}  // namespace

TEST(FontEngine, WidthIsTheRoundedSumOfCharacterAdvances) {
    graphics::qt::GraphicsScope qt;
    Measure m;
    std::vector<double> advances;
    for (const FontSpecimen& font : {FontSpecimen{"Arial", -13}, FontSpecimen{"Calibri", -15, 1 << fsBold},
                             FontSpecimen{"Times New Roman", -37, 1 << fsItalic}, FontSpecimen{"Courier New", 20}}) {
        for (const std::string& text : kTexts) {
            m.advances(font, text, advances);
            ASSERT_EQ(advances.size(), code_points(text)) << font.name << " " << text;
            double sum = 0;
            for (double a : advances) {
                EXPECT_GE(a, 0) << font.name << " " << text;
                sum += a;
            }
            EXPECT_EQ(m.width(font, text), std::lround(sum)) << font.name << " " << text;
        }
    }
    // A tab is as wide as a space, a soft hyphen as a hyphen; every invalid
    // byte is one U+FFFD.
    FontSpecimen arial{"Arial", -16};
    EXPECT_EQ(m.width(arial, "a\tb"), m.width(arial, "a b"));
    EXPECT_EQ(m.width({"Calibri", -16}, "a\xc2\xad" "b"), m.width({"Calibri", -16}, "a-b"));
    EXPECT_EQ(m.width(arial, "\xff\xfe"), m.width(arial, "\xef\xbf\xbd\xef\xbf\xbd"));
    // Kerning pairs and ligatures take no part: AV and ffi are as wide as their letters.
    for (const char* text : {"AVAVAVAVAV", "office ffi fl", "TyTyTy Yo."})
        EXPECT_EQ(m.width(arial, text), std::lround(side_by_side(QStringLiteral("Liberation Sans"), 16, false, false, text)))
            << text;
}

TEST(FontEngine, RecordedAdvancesAreTheWidthsOfEveryPrefix) {
    graphics::qt::GraphicsScope qt;
    Measure m;
    for (const FontSpecimen& font : {FontSpecimen{"Arial", -13}, FontSpecimen{"Calibri", -11, 1 << fsItalic}}) {
        for (const std::string& text : kTexts) {
            graphics::TRecordedText t = m.recorded(font, text);
            ASSERT_EQ(t.Units.size(), t.Advances.size());
            EXPECT_EQ(t.Units, core::utf8_to_utf16(text)) << text;
            // After each character, the advances so far are the width of the text so far.
            size_t unit = 0;
            int placed = 0;
            for (size_t pos = 0; pos < text.size();) {
                char32_t cp = 0;
                if (!core::next_code_point(text, pos, cp)) cp = 0xFFFD;
                placed += t.Advances[unit++];
                if (cp >= 0x10000) {
                    EXPECT_EQ(t.Advances[unit++], 0) << text;  // the pair's second unit
                }
                EXPECT_EQ(placed, m.width(font, text.substr(0, pos))) << font.name << " " << text;
            }
            EXPECT_EQ(placed, t.Width);
            EXPECT_EQ(t.Width, m.width(font, text));
        }
    }
}

TEST(FontEngine, EveryAttributeThatChangesAdvancesIsItsOwnEntry) {
    graphics::qt::GraphicsScope qt;
    Measure m;
    const std::string text = "Tamblero SISTEMAS Wy 0123";
    const QString serif = QStringLiteral("Liberation Serif");
    struct Case {
        const char* what;
        FontSpecimen font;
        double expected;  // Qt's side-by-side width of a font made here; < 0: not compared
    };
    const std::vector<Case> cases = {
        {"regular", {"Times New Roman", -16}, side_by_side(serif, 16, false, false, text)},
        {"bold", {"Times New Roman", -16, 1 << fsBold}, side_by_side(serif, 16, true, false, text)},
        {"italic", {"Times New Roman", -16, 1 << fsItalic}, side_by_side(serif, 16, false, true, text)},
        {"size", {"Times New Roman", -21}, side_by_side(serif, 21, false, false, text)},
        {"family", {"Arial", -16}, side_by_side(QStringLiteral("Liberation Sans"), 16, false, false, text)},
        {"cell height", {"Times New Roman", 16}, -1},
    };
    // Asked in turns, twice, so an entry found under the wrong key shows.
    std::vector<int> first;
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < cases.size(); ++i) {
            int width = m.width(cases[i].font, text);
            if (round == 0) {
                first.push_back(width);
            } else {
                EXPECT_EQ(width, first[i]) << cases[i].what;
            }
            if (cases[i].expected >= 0) {
                EXPECT_EQ(width, std::lround(cases[i].expected)) << cases[i].what;
            }
            if (i > 0) {
                EXPECT_NE(width, first[0]) << cases[i].what << " measures as the regular font";
            }
        }
    }
    // A positive height is the cell: a smaller em than the same negative height.
    EXPECT_NEAR(m.metric({"Times New Roman", 16}).Height(), 16, 1);
    EXPECT_LT(first[5], first[0]);
    // Underline and strike-out change no advance.
    EXPECT_EQ(m.width({"Times New Roman", -16, (1 << fsUnderline) | (1 << fsStrikeOut)}, text), first[0]);
    // Names that stand for one family measure alike.
    EXPECT_EQ(m.width({"MS Sans Serif", -16}, text), first[4]);
}

TEST(FontEngine, CharactersTheFontLacksAreMeasuredWithTheFontQtDrawsThemWith) {
    graphics::qt::GraphicsScope qt;
    Measure m;
    FontSpecimen arial{"Arial", -16};
    std::vector<double> advances;
    for (const char* text : {"\xe4\xb8\xad", "\xf0\x9f\x98\x80", "\xd8\xa8"}) {  // 中, an emoji, Arabic beh
        m.advances(arial, text, advances);
        ASSERT_EQ(advances.size(), 1u) << text;
        EXPECT_GT(advances[0], 0) << text;
        EXPECT_NEAR(advances[0], side_by_side(QStringLiteral("Liberation Sans"), 16, false, false, text), 1.0 / 64)
            << text;
    }
    // Among the font's own characters the fall-back one adds its own advance.
    m.advances(arial, "a\xe4\xb8\xad" "b", advances);
    ASSERT_EQ(advances.size(), 3u);
    EXPECT_EQ(m.width(arial, "a\xe4\xb8\xad" "b"), std::lround(advances[0] + advances[1] + advances[2]));
    EXPECT_EQ(advances[0], advances[2]);
}

namespace {

struct Ink {
    int left = 1 << 20, right = -1;
};

Ink ink_of(const QImage& image) {
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x + 1);
            }
    return ink;
}

constexpr int kPageWidth = 400, kPageHeight = 40;

// Text drawn at (x, 8) on a white page through one of the drawing paths.
using Draw = std::function<QImage(const FontSpecimen& font, int x, const std::string& text)>;

void on_canvas(TCanvas& c, const FontSpecimen& font, int x, const std::string& text) {
    set_font(c.Font, font);
    c.Brush.Style = bsClear;
    c.TextOut(x, 8, text);
}

QImage through_qt_canvas(const FontSpecimen& font, int x, const std::string& text) {
    QImage image(kPageWidth, kPageHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    graphics::qt::QtCanvas canvas(p);
    on_canvas(canvas, font, x, text);
    return image;
}

QImage through_bitmap(const FontSpecimen& font, int x, const std::string& text) {
    TBitmap b(kPageWidth, kPageHeight, pf24bit);
    b.Canvas().Brush.Color = clWhite;
    b.Canvas().FillRect(Rect(0, 0, kPageWidth, kPageHeight));
    on_canvas(b.Canvas(), font, x, text);
    QImage image(kPageWidth, kPageHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPageHeight; ++y)
        for (int px = 0; px < kPageWidth; ++px) {
            TColor c = b.Pixel(px, y);
            image.setPixel(px, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    return image;
}

QImage through_metafile(const FontSpecimen& font, int x, const std::string& text) {
    TMetafile page;
    page.SetWidth(kPageWidth);
    page.SetHeight(kPageHeight);
    {
        TMetafileCanvas canvas(page);
        on_canvas(canvas, font, x, text);
    }
    return graphics::qt::render_metafile(page, 96);
}

}  // namespace

TEST(FontEngine, DrawnTextEndsWhereItWasMeasured) {
    graphics::qt::GraphicsScope qt;
    Measure m;
    const std::vector<std::pair<const char*, Draw>> paths = {
        {"QtCanvas", through_qt_canvas}, {"bitmap", through_bitmap}, {"metafile", through_metafile}};
    const std::vector<std::string> texts = {"AVAVAVAVAVAV", "TyTyTyTy Yo", "office ffi fl", "A\tV",
                                            "Tamblero Wy 1.234,56", "Silben\xc2\xadtrennung"};
    for (const FontSpecimen& font : {FontSpecimen{"Arial", -16}, FontSpecimen{"Calibri", -18}, FontSpecimen{"Times New Roman", -16}}) {
        for (const std::string& text : texts) {
            // The last character drawn alone where the text before it ends.
            std::string before = text.substr(0, text.size() - 1), last = text.substr(text.size() - 1);
            int x = 10, lastAt = x + m.width(font, before);
            for (const auto& [name, draw] : paths) {
                Ink whole = ink_of(draw(font, x, text)), alone = ink_of(draw(font, lastAt, last));
                ASSERT_GE(whole.right, 0) << name << " " << text;
                EXPECT_NEAR(whole.right, alone.right, 1) << name << " " << font.name << " '" << text << "'";
                EXPECT_LE(whole.right, x + m.width(font, text) + 1) << name << " " << text;
            }
        }
    }
}
