// The PDF writer against poppler (pdftoppm, pdftotext, pdffonts, pdfinfo)
// and qpdf, its pages against the Qt player's rendering of the same pages.
#include <gtest/gtest.h>

#include <QImage>
#include <QRawFont>

#include <cmath>
#include <random>
#include <sstream>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/qt/MetafilePlayer.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/print/PdfWriter.h"
#include "platform/print/Printers.h"
#include "platform/print/TrueTypeSubset.h"
#include "platform/graphics/tests/SamplePage.h"
#include "tests/support/TestSupport.h"

using namespace test_support;

namespace {

constexpr int kWidth = 320, kHeight = 240;

class Pdf : public ::testing::Test {
protected:
    graphics::qt::GraphicsScope engine;
    ScratchDir dir{"pdf-writer"};
};

// Lines of text: accented Latin, Greek, and characters Liberation Sans has
// not (Georgian, a snowman), which come from a fallback font.
const char* const kLines[] = {"Ação café über", "Ωμέγα λόγος", "ქართ ☃"};

void draw_texts(TCanvas& c) {
    c.Brush.Style = bsClear;
    c.Font.Name = "Arial";
    c.Font.Height = -18;
    c.Font.Color = clBlack;
    int y = 20;
    for (const char* line : kLines) {
        c.TextOut(30, y, line);
        y += 50;
    }
    c.Font.Name = "Times New Roman";
    c.Font.Style = 1 << fsItalic;
    c.TextOut(30, y, "Página 3 de 7");
}

std::unique_ptr<TMetafile> record(void (*draw)(TCanvas&)) {
    auto page = std::make_unique<TMetafile>();
    page->SetWidth(kWidth);
    page->SetHeight(kHeight);
    TMetafileCanvas canvas(*page);
    draw(canvas);
    return page;
}

// A PDF of pages of kWidth x kHeight pixels at 96 dpi, one page each.
std::string write_pdf(const std::vector<const TMetafile*>& pages) {
    std::string bytes;
    print::PdfSetup setup;
    setup.Title = "Pages";
    setup.WidthPt = kWidth * 72.0 / 96;
    setup.HeightPt = kHeight * 72.0 / 96;
    setup.Dpi = 96;
    print::PdfWriter pdf([&bytes](const char* d, std::size_t n) { bytes.append(d, n); }, setup);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i) pdf.NewPage();
        if (pages[i]) pdf.DrawMetafile(*pages[i], TRect{0, 0, kWidth, kHeight});
    }
    pdf.Finish();
    return bytes;
}

// The words pdftotext -bbox finds on page 1: text, xMin, yMin in points.
struct Word {
    std::string text;
    double x = 0, y = 0;
};
std::vector<Word> words(const std::string& pdf) {
    const std::string html = capture("pdftotext -bbox -f 1 -l 1 " + shell_quote(pdf) + " -");
    std::vector<Word> out;
    for (size_t at = html.find("<word "); at != std::string::npos; at = html.find("<word ", at + 1)) {
        Word w;
        std::sscanf(html.c_str() + html.find("xMin=", at), "xMin=\"%lf\" yMin=\"%lf\"", &w.x, &w.y);
        const size_t open = html.find('>', at) + 1;
        w.text = html.substr(open, html.find("</word>", open) - open);
        out.push_back(w);
    }
    return out;
}

}  // namespace

// Each page, rendered by poppler, looks like the Qt player's rendering of
// it; the file is sound for qpdf.
TEST_F(Pdf, PagesLookAsTheQtPlayerDrawsThem) {
    struct Case {
        const char* what;
        void (*draw)(TCanvas&);
    } cases[] = {{"shapes, bitmaps, clip", graphics::test::draw_sample_page}, {"texts", draw_texts}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto page = record(c.draw);
        const std::string pdf = dir / "page.pdf";
        write_file(pdf, write_pdf({page.get()}));
        EXPECT_EQ(run("qpdf --check " + shell_quote(pdf)).status, 0) << run("qpdf --check " + pdf).output;
        ASSERT_EQ(run("pdftoppm -r 96 -singlefile -png " + shell_quote(pdf) + " " + shell_quote(dir / "poppler")).status,
                  0);
        const std::string ours = dir / "qt.png";
        ASSERT_TRUE(graphics::qt::render_metafile(*page, 96).save(QString::fromStdString(ours)));
        const CommandResult m = run(oracle_command("image_match.py") + " " + ours + " " + (dir / "poppler.png"));
        EXPECT_EQ(m.status, 0) << m.output;
    }
}

// Shapes and bitmaps in their colours where they were drawn.
TEST_F(Pdf, ShapesAndBitmapsKeepTheirColours) {
    auto page = record(graphics::test::draw_sample_page);
    const std::string pdf = dir / "shapes.pdf";
    write_file(pdf, write_pdf({page.get()}));
    ASSERT_EQ(run("pdftoppm -r 96 -singlefile -png " + shell_quote(pdf) + " " + shell_quote(dir / "p")).status, 0);
    struct Probe {
        int x, y, r, g, b;
    } probes[] = {
        {45, 45, 255, 255, 0},    // the rectangle's inside
        {20, 45, 0, 0, 255},      // its outline
        {195, 35, 0, 255, 0},     // the ellipse's inside
        {161, 35, 255, 0, 0},     // its thick outline
        {275, 35, 255, 0, 255},   // the rounded rectangle
        {241, 11, 255, 255, 255}, // outside its corner
        {150, 170, 255, 0, 0},    // the clipped ellipse inside the clip
        {95, 170, 255, 255, 255}, // and outside it
        {235, 155, 0, 0, 200},    // the bitmap's first pixel
        {265, 175, 180, 160, 200},// its last
        {30, 215, 200, 220, 240}, // the filled rectangle
        {5, 235, 255, 0, 0},      // the pixel
    };
    std::string points;
    for (const Probe& p : probes) points += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    std::istringstream got(capture(oracle_command("pixels_at.py") + " " + (dir / "p.png") + points));
    for (const Probe& p : probes) {
        int x = 0, y = 0, r = 0, g = 0, b = 0;
        got >> x >> y >> r >> g >> b;
        EXPECT_NEAR(r, p.r, 8) << x << "," << y;
        EXPECT_NEAR(g, p.g, 8) << x << "," << y;
        EXPECT_NEAR(b, p.b, 8) << x << "," << y;
    }
}

// A source rectangle reaching past the bitmap draws the bitmap's part, in
// its place, and nothing beyond; a vast one costs no more than the bitmap.
TEST_F(Pdf, BitmapsReachingPastTheirSourceDrawTheirOwnPart) {
    std::string bytes;
    print::PdfSetup setup;
    setup.WidthPt = kWidth * 0.75;
    setup.HeightPt = kHeight * 0.75;
    setup.Dpi = 96;
    print::PdfWriter pdf([&bytes](const char* d, std::size_t n) { bytes.append(d, n); }, setup);
    TBitmap bits(2, 2, pf24bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) bits.SetPixel(x, y, clBlue);
    pdf.Canvas().StretchBitmap(TRect{100, 20, 300, 220}, bits, TRect{0, 0, 4, 4}, cmSrcCopy);
    pdf.Canvas().StretchBitmap(TRect{0, 0, 1 << 22, 1 << 22}, bits, TRect{-(1 << 20), 0, 1 << 20, 1 << 21}, cmSrcCopy);
    pdf.Finish();
    const std::string file = dir / "bits.pdf";
    write_file(file, bytes);
    EXPECT_LT(bytes.size(), 20000u);
    ASSERT_EQ(run("pdftoppm -r 96 -singlefile -png " + shell_quote(file) + " " + shell_quote(dir / "b")).status, 0);
    // Inside the bitmap's part, past it, and where the vast one's part falls (off the page).
    std::istringstream got(capture(oracle_command("pixels_at.py") + " " + (dir / "b.png") + " 150,70 250,170 10,10"));
    const int want[3][3] = {{0, 0, 255}, {255, 255, 255}, {255, 255, 255}};
    for (const auto& w : want) {
        int x = 0, y = 0, r = 0, g = 0, b = 0;
        got >> x >> y >> r >> g >> b;
        EXPECT_NEAR(r, w[0], 8) << x << "," << y;
        EXPECT_NEAR(g, w[1], 8) << x << "," << y;
        EXPECT_NEAR(b, w[2], 8) << x << "," << y;
    }
}

// Text stays text: pdftotext reads every line back, each word where the
// page measured it, from fonts embedded as subsets (the fallback one too).
TEST_F(Pdf, TextIsSearchableAndInPlace) {
    auto page = record(draw_texts);
    const std::string pdf = dir / "texts.pdf";
    write_file(pdf, write_pdf({page.get()}));
    const std::string text = capture("pdftotext -layout " + shell_quote(pdf) + " -");
    for (const char* line : kLines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_NE(text.find("Página 3 de 7"), std::string::npos) << text;

    // The first word of each line at its recorded x and cell top (points).
    std::vector<Word> found = words(pdf);
    struct Want {
        const char* word;
        double x, y;
    } wants[] = {{"Ação", 30, 20}, {"Ωμέγα", 30, 70}, {"ქართ", 30, 120}, {"Página", 30, 170}};
    for (const Want& w : wants) {
        auto it = std::find_if(found.begin(), found.end(), [&](const Word& f) { return f.text == w.word; });
        ASSERT_NE(it, found.end()) << w.word;
        EXPECT_NEAR(it->x, w.x * 0.75, 1.5) << w.word;
        EXPECT_NEAR(it->y, w.y * 0.75, 3.0) << w.word;
    }
    // "über" begins where the recorded advances put it.
    TFont font;
    font.Name = "Arial";
    font.Height = -18;
    const int before = graphics::text_extent(font, "Ação café ").cx;
    auto uber = std::find_if(found.begin(), found.end(), [](const Word& f) { return f.text == "über"; });
    ASSERT_NE(uber, found.end());
    EXPECT_NEAR(uber->x, (30 + before) * 0.75, 1.5);

    // Text whose recorded advances are not the font's: each character where
    // the page put it (every 20 pixels here).
    {
        auto spaced = std::make_unique<TMetafile>();
        spaced->SetWidth(kWidth);
        spaced->SetHeight(kHeight);
        {
            TMetafileCanvas c(*spaced);
            c.Brush.Style = bsClear;
            c.Font.Name = "Arial";
            c.Font.Height = -18;
            c.TextOut(30, 20, "WW WW WW");
        }
        std::vector<uint8_t> bytes = spaced->Bytes();
        for (const TMetafile::Record& r : spaced->Records())
            if (r.Type == 84) {  // the text record: its advances at offDx
                const size_t at = size_t(r.Bytes.data() - spaced->RecordedBytes().data());
                const uint32_t n = r.Bytes[44] | r.Bytes[45] << 8, offDx = r.Bytes[72] | r.Bytes[73] << 8;
                for (uint32_t i = 0; i < n; ++i) bytes[at + offDx + 4 * i] = 20;
            }
        spaced->SetBytes(bytes);
        const std::string spacedPdf = dir / "spaced.pdf";
        write_file(spacedPdf, write_pdf({spaced.get()}));
        std::vector<Word> ws = words(spacedPdf);
        ASSERT_EQ(ws.size(), 3u);
        for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(ws[i].x, (30 + 60 * double(i)) * 0.75, 1.0) << ws[i].text;
    }

    const std::string fonts = capture("pdffonts " + shell_quote(pdf));
    std::vector<std::string> rows = output_lines(fonts);
    ASSERT_GE(rows.size(), 5u) << fonts;  // heading, rule, Liberation Sans, the fallback, Liberation Serif
    for (size_t i = 2; i < rows.size(); ++i) {
        EXPECT_NE(rows[i].find("CID TrueType      Identity-H       yes yes yes"), std::string::npos) << rows[i];
        EXPECT_EQ(rows[i][6], '+') << rows[i];
    }
    EXPECT_NE(fonts.find("+LiberationSans "), std::string::npos) << fonts;
    EXPECT_NE(fonts.find("+LiberationSerif-Italic"), std::string::npos) << fonts;
}

// A job of the print device: pages of the job's paper (turned for a sheet
// wider than high), empty pages too, drawing on the job's canvas between
// the recorded pages in the order it came, the title and creator.
TEST_F(Pdf, JobsWriteTheirPagesInOrder) {
    struct Case {
        const char* what;
        double widthMM, heightMM, widthPt, heightPt;
    } cases[] = {{"A4 portrait", 210, 297, 595, 842}, {"A4 landscape", 297, 210, 842, 595}};
    auto shapes = record(graphics::test::draw_sample_page);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        graphics::JobSettings settings;
        settings.Title = "Relatório";
        settings.PageWidthMM = c.widthMM;
        settings.PageHeightMM = c.heightMM;
        settings.Dpi = 300;
        settings.OffsetX = 30;
        settings.OffsetY = 60;
        settings.OutputFile = dir / "job.pdf";
        print::CupsPrintDevice device;
        auto job = device.StartJob(nullptr, settings);
        job->DrawMetafile(*shapes, TRect{0, 0, kWidth * 2, kHeight * 2});
        TCanvas& canvas = job->Canvas();
        // Over the recorded page's yellow rectangle: drawn after it, so on top.
        canvas.Brush.Color = clBlack;
        canvas.FillRect(TRect{60, 80, 100, 100});
        canvas.Font.Name = "Arial";
        canvas.Font.Height = -60;
        canvas.Font.Color = clBlack;
        canvas.Brush.Style = bsClear;
        canvas.TextOut(100, 900, "Direto na página");
        job->NewPage();  // an empty page
        job->NewPage();
        job->DrawMetafile(*shapes, TRect{0, 0, kWidth, kHeight});
        job->Finish();
        const std::string pdf = settings.OutputFile;
        EXPECT_EQ(run("qpdf --check " + shell_quote(pdf)).status, 0) << run("qpdf --check " + pdf).output;
        ASSERT_EQ(pdf_pages(pdf), 3);
        for (int n = 1; n <= 3; ++n) {
            const auto [w, h] = pdf_page_size(pdf, n);
            EXPECT_NEAR(w, c.widthPt, 0.5);
            EXPECT_NEAR(h, c.heightPt, 0.5);
        }
        const std::string info = capture("pdfinfo " + shell_quote(pdf));
        EXPECT_NE(info.find("Title:           Relatório\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Creator:         Tamblero\n"), std::string::npos) << info;
        EXPECT_NE(capture("pdftotext -f 1 -l 1 " + shell_quote(pdf) + " -").find("Direto na página"), std::string::npos);
        EXPECT_EQ(capture("pdftotext -f 2 -l 2 " + shell_quote(pdf) + " -"), "\f");
        // Page 1 at 72 dpi (300-dpi pixels times 0.24): the black box over the
        // yellow rectangle, the rectangle beside it, the offset applied.
        ASSERT_EQ(run("pdftoppm -r 72 -f 1 -l 1 -singlefile -png " + shell_quote(pdf) + " " + shell_quote(dir / "j"))
                      .status,
                  0);
        std::istringstream got(capture(oracle_command("pixels_at.py") + " " + (dir / "j.png") + " " +
                                       "26,36 30,39 " /* (30+80)*.24, (60+90)*.24: box; (30+95)*.24, (60+105)*.24: yellow */));
        int x = 0, y = 0, r = 0, g = 0, b = 0;
        got >> x >> y >> r >> g >> b;
        EXPECT_LT(r + g + b, 60) << "box at " << x << "," << y;
        got >> x >> y >> r >> g >> b;
        EXPECT_TRUE(r > 200 && g > 200 && b < 60) << "yellow at " << x << "," << y << ": " << r << " " << g << " " << b;
    }
}

// Damaged pages draw what is sound in them; the document stays sound.
TEST_F(Pdf, DamagedPagesLeaveASoundDocument) {
    auto both = [](TCanvas& c) {
        graphics::test::draw_sample_page(c);
        draw_texts(c);
    };
    const std::vector<uint8_t> good = record(both)->Bytes();
    std::mt19937 rng(41);
    std::vector<std::unique_ptr<TMetafile>> pages;
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> b = good;
        for (int k = 0, n = 1 + int(rng() % 8); k < n; ++k) {
            const size_t at = 108 + rng() % (b.size() - 108);  // the header stays, so most pages still load
            b[at] = round % 2 ? uint8_t(rng()) : uint8_t(b[at] ^ (1u << (rng() % 8)));
        }
        auto page = std::make_unique<TMetafile>();
        try {
            page->SetBytes(b);
        } catch (const EInvalidGraphic&) {
            continue;
        }
        pages.push_back(std::move(page));
    }
    ASSERT_GT(pages.size(), 50u);
    std::vector<const TMetafile*> list;
    for (const auto& p : pages) list.push_back(p.get());
    const std::string pdf = dir / "damaged.pdf";
    write_file(pdf, write_pdf(list));
    EXPECT_EQ(run("qpdf --check " + shell_quote(pdf)).status, 0) << run("qpdf --check " + pdf).output;
    EXPECT_EQ(pdf_pages(pdf), int(pages.size()));
    const CommandResult r = run("pdftoppm -r 24 -png " + shell_quote(pdf) + " " + shell_quote(dir / "d"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output.find("Error"), std::string::npos) << r.output;
}

// ---- the font subset

namespace {

uint32_t be32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
           uint8_t(s[at + 3]);
}
uint16_t be16(const std::string& s, size_t at) { return uint16_t(uint8_t(s[at]) << 8 | uint8_t(s[at + 1])); }

// A table of a font file; empty when it has none.
std::string table_of(const std::string& file, const std::string& tag) {
    const int count = be16(file, 4);
    for (int i = 0; i < count; ++i) {
        const size_t entry = 12 + 16 * size_t(i);
        if (file.compare(entry, 4, tag) == 0) return file.substr(be32(file, entry + 8), be32(file, entry + 12));
    }
    return {};
}

// The length of each glyph's outline through a long loca.
std::vector<uint32_t> glyph_lengths(const std::string& loca) {
    std::vector<uint32_t> out;
    for (size_t at = 0; at + 8 <= loca.size(); at += 4) out.push_back(be32(loca, at + 4) - be32(loca, at));
    return out;
}

}  // namespace

TEST_F(Pdf, SubsetKeepsTheUsedGlyphsAndTheirComponents) {
    TFont arial;
    arial.Name = "Arial";
    QRawFont raw = QRawFont::fromFont(graphics::qt::to_qfont(arial));
    const print::FontTables tables = [&raw](std::string_view tag) {
        const QByteArray b = raw.fontTable(std::string(tag).c_str());
        return std::string(b.constData(), size_t(b.size()));
    };
    const auto facts = print::read_font_facts(tables);
    ASSERT_TRUE(facts);
    // A composite glyph of the font and the glyph it is made of.
    const std::string glyf = tables("glyf"), loca = tables("loca");
    const bool longLoca = be16(tables("head"), 50) != 0;
    auto offset = [&](int g) { return longLoca ? be32(loca, size_t(g) * 4) : uint32_t(be16(loca, size_t(g) * 2)) * 2; };
    int composite = -1, component = -1;
    for (int g = 1; g < facts->NumGlyphs && composite < 0; ++g)
        if (offset(g + 1) > offset(g) && int16_t(be16(glyf, offset(g))) < 0) {
            composite = g;
            component = be16(glyf, offset(g) + 12);
        }
    ASSERT_GT(composite, 0);
    quint32 ids[1] = {0};
    int n = 1;
    raw.glyphIndexesForChars(QString("A").constData(), 1, ids, &n);
    const int a = int(ids[0]);

    const std::vector<uint16_t> used{uint16_t(a), uint16_t(composite)};
    const std::string subset = print::subset_truetype(tables, used);
    ASSERT_FALSE(subset.empty());
    const std::vector<uint32_t> lengths = glyph_lengths(table_of(subset, "loca"));
    ASSERT_EQ(lengths.size(), size_t(facts->NumGlyphs));
    for (int g = 0; g < facts->NumGlyphs; ++g) {
        const bool kept = g == 0 || g == a || g == composite || g == component;
        const uint32_t own = offset(g + 1) - offset(g);
        EXPECT_EQ(lengths[size_t(g)], kept ? (own + 3) / 4 * 4 : 0u) << "glyph " << g;
    }
    EXPECT_EQ(be16(table_of(subset, "head"), 50), 1);  // long offsets
    // The outline of A is the font's own.
    const std::string newGlyf = table_of(subset, "glyf");
    uint32_t at = 0;
    for (int g = 0; g < a; ++g) at += lengths[size_t(g)];
    EXPECT_EQ(newGlyf.substr(at, offset(a + 1) - offset(a)), glyf.substr(offset(a), offset(a + 1) - offset(a)));
}

// Damaged tables give no subset (or a sound one), never a crash.
TEST_F(Pdf, DamagedFontTablesAreRefused) {
    TFont arial;
    arial.Name = "Arial";
    QRawFont raw = QRawFont::fromFont(graphics::qt::to_qfont(arial));
    auto real = [&raw](std::string_view tag) {
        const QByteArray b = raw.fontTable(std::string(tag).c_str());
        return std::string(b.constData(), size_t(b.size()));
    };
    struct Case {
        const char* what;
        std::function<std::string(std::string_view, std::string)> damage;
        bool refused;
    } cases[] = {
        {"no glyf", [](std::string_view t, std::string b) { return t == "glyf" ? std::string() : b; }, true},
        {"short loca", [](std::string_view t, std::string b) { return t == "loca" ? b.substr(0, 8) : b; }, true},
        {"short head", [](std::string_view t, std::string b) { return t == "head" ? b.substr(0, 20) : b; }, true},
        {"glyf cut short", [](std::string_view t, std::string b) { return t == "glyf" ? b.substr(0, 100) : b; }, true},
        {"no hmtx", [](std::string_view t, std::string b) { return t == "hmtx" ? std::string() : b; }, true},
        {"loca all 0xFF", [](std::string_view t, std::string b) { return t == "loca" ? std::string(b.size(), '\xFF') : b; },
         true},
        {"glyf all 0xFF (composites pointing everywhere)",
         [](std::string_view t, std::string b) { return t == "glyf" ? std::string(b.size(), '\xFF') : b; }, false},
    };
    std::vector<uint16_t> used;
    for (uint16_t g = 0; g < 400; ++g) used.push_back(g);
    used.push_back(65535);  // beyond the font
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const print::FontTables tables = [&](std::string_view tag) { return c.damage(tag, real(tag)); };
        const std::string subset = print::subset_truetype(tables, used);
        if (c.refused) EXPECT_TRUE(subset.empty());
        else EXPECT_FALSE(subset.empty());
    }
}

// Page contents compressed on worker threads come out as one thread makes
// them, byte for byte: many pages of different lengths (so the workers end
// them out of order), images between them written as they come, and
// drawing on the job's canvas between the recorded pages.
TEST_F(Pdf, WorkerThreadsWriteTheSameBytesAsOne) {
    std::vector<std::unique_ptr<TMetafile>> pages;
    for (int n = 0; n < 60; ++n) {
        auto page = std::make_unique<TMetafile>();
        page->SetWidth(kWidth);
        page->SetHeight(kHeight);
        TMetafileCanvas c(*page);
        if (n % 25 == 7) graphics::test::draw_sample_page(c);
        c.Brush.Style = bsClear;
        c.Font.Name = n % 2 ? "Arial" : "Times New Roman";
        c.Font.Height = -10 - n % 5;
        for (int line = 0; line < (n * 7) % 13 + 1; ++line)
            c.TextOut(10, 5 + line * 16, "Page " + std::to_string(n) + " line " + std::to_string(line) + " ação");
        pages.push_back(std::move(page));
    }
    // The bytes of the document, its creation time taken out.
    auto document = [&](int threads) {
        std::string bytes;
        print::PdfSetup setup;
        setup.Title = "Threads";
        setup.WidthPt = kWidth * 72.0 / 96;
        setup.HeightPt = kHeight * 72.0 / 96;
        setup.Dpi = 96;
        setup.Threads = threads;
        print::PdfWriter pdf([&bytes](const char* d, std::size_t n) { bytes.append(d, n); }, setup);
        for (size_t i = 0; i < pages.size(); ++i) {
            if (i) pdf.NewPage();
            pdf.DrawMetafile(*pages[i], TRect{0, 0, kWidth, kHeight});
            if (i % 10 == 3) {
                TCanvas& canvas = pdf.Canvas();
                canvas.Brush.Color = TColor(0x102030 * int(i));
                canvas.FillRect(TRect{0, 0, 20, 20});
                TBitmap bitmap;
                bitmap.SetSize(4, 3);
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 4; ++x) bitmap.SetPixel(x, y, RGBColor(uint8_t(i), uint8_t(x * 60), uint8_t(y * 80)));
                canvas.StretchBitmap(TRect{30, 30, 70, 60}, bitmap, TRect{0, 0, 4, 3}, cmSrcCopy);
            }
        }
        pdf.Finish();
        return bytes;
    };
    // The creation time's digits (the same length at every time) taken out.
    auto timeless = [](std::string bytes) {
        const size_t at = bytes.find("/CreationDate (D:");
        if (at != std::string::npos) bytes.replace(at + 17, 14, std::string(14, '0'));
        return bytes;
    };
    const std::string pdf = dir / "threads.pdf";
    write_file(pdf, document(0));
    const std::string one = timeless(read_file(pdf));
    ASSERT_EQ(run("qpdf --check " + shell_quote(pdf)).status, 0) << run("qpdf --check " + pdf).output;
    ASSERT_EQ(pdf_pages(pdf), 60);
    EXPECT_NE(capture("pdftotext -f 59 -l 59 " + shell_quote(pdf) + " -").find("Page 58 line 0 ação"), std::string::npos);
    for (const int threads : {1, 3, 8}) {
        SCOPED_TRACE(threads);
        EXPECT_TRUE(timeless(document(threads)) == one);
    }
}
