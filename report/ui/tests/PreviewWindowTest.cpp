// The preview control, the standard preview window, the search and the
// progress form, driven with QtTest on Qt's in-memory platform.
#include <gtest/gtest.h>

#include "tests/support/FakeOpener.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QFocusEvent>
#include <QPushButton>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/qt/MetafilePlayer.h"
#include "platform/ui/Startup.h"
#include "report/pages/BRPageStream.h"
#include "report/pages/BRTextSearch.h"
#include "report/print/BRPreviewFactory.h"
#include "report/print/tests/FakeDevice.h"
#include "report/pages/SamplePage.h"
#include "report/ui/BRPrev.h"
#include "report/ui/BRPrgres.h"
#include "report/ui/BRSearchDlg.h"
#include "report/ui/BRStdPrev.h"
#include "report/ui/Startup.h"
#include "tests/support/ScriptedHost.h"
#include "tests/support/TestSupport.h"

namespace {

using test_support::ScratchDir;

// The windowing layer for the whole test program, shut down after the last test.
class Windows : public ::testing::Environment {
public:
    void SetUp() override { ui::unit_startup(); }
    void TearDown() override { ui::unit_shutdown(); }
};
const auto* const windows = ::testing::AddGlobalTestEnvironment(new Windows);

void start_windows() { ASSERT_NE(windows, nullptr); }

// A stored stream of count generated pages (A4 on the 96-dpi device).
std::string make_stream(const std::string& path, int count) {
    TBRPageList list;
    list.SetPageStream(std::make_unique<TBRStream>(1 << 26));
    for (int n = 1; n <= count; ++n) {
        TMetafile page;
        report::sample_page(page, n);
        list.AppendPage(page);
    }
    list.FinishPageStreamHeader();
    list.SaveStoredPages(path);
    return path;
}

// A printer showing a stored stream of count pages.
struct Loaded {
    explicit Loaded(int count, const std::string& name = "pages.brp") {
        start_windows();
        printer->LoadPageStreamFile(make_stream(dir / name, count));
    }
    ScratchDir dir{"preview-test"};
    std::unique_ptr<TBRPrinter> printer = std::make_unique<TBRPrinter>();
};

class PreviewWindow : public ::testing::Test {
protected:
    void SetUp() override { start_windows(); }
    test_support::ScriptedHost host_;
    core::ScopedService<core::HostServices*> installed_{core::host_slot, &host_};
};

TEST_F(PreviewWindow, PageAtZoom100IsThePagePlayedAt96Dpi) {
    Loaded stream(3);
    TBRPreview preview;
    preview.resize(900, 1300);
    preview.AttachPrinter(stream.printer.get());
    preview.SetZoom(100);
    preview.SetPageNumber(2);
    ASSERT_EQ(preview.Image().size(), QSize(798, 1127));
    const QImage shot = preview.Image().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage sheet = shot.copy(1, 1, 794, 1123);
    const QImage page = graphics::qt::render_metafile(*stream.printer->GetStoredPage(2), 96).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(sheet.size(), page.size());
    EXPECT_TRUE(sheet == page);
    // Frame and shadow around the sheet.
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(795, 500), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(797, 1126), qRgb(0, 0, 0));

    // The same page as python3-pil reads the tool's rendering of it.
    ASSERT_TRUE(sheet.save(QString::fromStdString(stream.dir / "preview.png")));
    const std::string rendered = stream.dir / "rendered.png";
    ASSERT_EQ(test_support::run_status(test_support::tool_path("report-tool") + " pages render " +
                                       (stream.dir / "pages.brp") + " 2 " + rendered),
              0);
    const auto pil = test_support::run(std::string(test_support::kPython3) +
                                       " -c 'import sys; from PIL import Image, ImageChops;"
                                       " a = Image.open(sys.argv[1]).convert(\"RGB\"); b = Image.open(sys.argv[2]).convert(\"RGB\");"
                                       " print(a.size == b.size and ImageChops.difference(a, b).getbbox() is None)' " +
                                       (stream.dir / "preview.png") + " " + rendered);
    EXPECT_EQ(pil.output, "True\n");
}

TEST_F(PreviewWindow, PageNumberZoomAndNotices) {
    Loaded stream(4);
    TBRPreview preview;
    EXPECT_EQ(preview.Zoom(), 100);
    EXPECT_EQ(preview.PageNumber(), 1);
    preview.AttachPrinter(stream.printer.get());
    EXPECT_TRUE(stream.printer->ShowingPreview());
    EXPECT_EQ(stream.printer->Preview, &preview);

    struct Case {
        int set, page;
    };
    const Case pages[] = {{3, 3}, {0, 3}, {-1, 3}, {5, 3}, {4, 4}, {1, 1}};
    for (const Case& c : pages) {
        preview.SetPageNumber(c.set);
        EXPECT_EQ(preview.PageNumber(), c.page) << c.set;
        EXPECT_EQ(preview.Image().PageNumber(), c.page) << c.set;
        EXPECT_TRUE(preview.Image().HasPage()) << c.set;
    }
    // The current page is not read again while it is shown.
    const TMetafile* shown = preview.Image().Page();
    preview.SetPageNumber(1);
    EXPECT_EQ(preview.Image().Page(), shown);

    for (int z : {1, 2001}) {
        preview.SetZoom(z);
        EXPECT_EQ(preview.Zoom(), 100) << z;
    }
    preview.SetZoom(2);
    EXPECT_EQ(preview.Zoom(), 2);
    preview.SetZoom(2000);
    EXPECT_EQ(preview.Zoom(), 2000);

    std::vector<int> available, progress;
    preview.OnPageAvailable = [&](QObject*, int n) { available.push_back(n); };
    preview.OnProgressUpdate = [&](QObject*, int p) { progress.push_back(p); };
    preview.Notice(report::BRM_PAGES_AVAILABLE, 3, stream.printer.get());
    preview.Notice(report::BRM_PAGES_AVAILABLE, 70000, stream.printer.get());  // full numbers, never cut to 16 bits
    preview.Notice(report::BRM_PROGRESS, 45, stream.printer.get());
    EXPECT_EQ(available, (std::vector<int>{3, 70000}));
    EXPECT_EQ(progress, (std::vector<int>{45}));
    EXPECT_EQ(preview.PageNumber(), 1);

    // Detaching clears the printer's mark and runs its after-preview hook.
    int after = 0;
    stream.printer->OnAfterPreview = [&](TObject*) { ++after; };
    preview.AttachPrinter(nullptr);
    EXPECT_FALSE(stream.printer->ShowingPreview());
    EXPECT_EQ(stream.printer->Preview, nullptr);
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(preview.Image().HasPage());
}

// An outline view set on the preview shows the attached printer's outline.
// Focus coming to the preview (a click on the page) keeps the place the
// person scrolled to, at 100 % and fitted to the width alike.
TEST_F(PreviewWindow, FocusKeepsTheScrollPosition) {
    Loaded stream(2);
    TBRPreview preview;
    preview.resize(400, 300);
    preview.AttachPrinter(stream.printer.get());
    preview.show();
    for (bool width : {false, true}) {
        SCOPED_TRACE(width ? "to width" : "100 %");
        if (width) preview.FitPageToWidth();
        else preview.SetZoom(100);
        QApplication::processEvents();
        preview.horizontalScrollBar()->setValue(width ? 0 : 150);
        preview.verticalScrollBar()->setValue(150);
        const int x = preview.horizontalScrollBar()->value();
        ASSERT_EQ(preview.verticalScrollBar()->value(), 150);
        QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(&preview, &in);
        EXPECT_EQ(preview.horizontalScrollBar()->value(), x);
        EXPECT_EQ(preview.verticalScrollBar()->value(), 150);
    }
}

TEST_F(PreviewWindow, AttachedPrinterShowsItsOutlineInThePreviewsView) {
    struct Nodes : TBROutlineNodes {
        std::vector<std::string> captions;
        int cleared = 0;
        void Clear() override { ++cleared, captions.clear(); }
        int AddChild(int, const std::string& caption) override {
            captions.push_back(caption);
            return int(captions.size());
        }
    } nodes;
    Loaded stream(2);
    stream.printer->PageList().Outline().Entries().push_back({"Clientes", 1, {}, 2, 0});
    TBRPreview preview;
    preview.SetOutline(&nodes);
    preview.AttachPrinter(stream.printer.get());
    EXPECT_EQ(nodes.cleared, 1);
    EXPECT_EQ(nodes.captions, (std::vector<std::string>{"Clientes"}));
    preview.AttachPrinter(nullptr);
    stream.printer->SetOutline(nullptr);
}

TEST_F(PreviewWindow, PagesAppearAsARunMakesThem) {
    TBRPrinter printer;
    TBRPreview preview;
    preview.AttachPrinter(&printer);
    std::vector<int> available;
    preview.OnPageAvailable = [&](QObject*, int n) { available.push_back(n); };
    printer.BeginOutput();
    printer.StartNewPage();
    printer.Canvas()->TextOut(10, 10, "first");
    EXPECT_FALSE(preview.Image().HasPage());
    // Finishing page 1 makes it available, and the image loads it.
    printer.StartNewPage();
    EXPECT_TRUE(preview.Image().HasPage());
    printer.Canvas()->TextOut(10, 10, "second");
    printer.EndOutput();
    EXPECT_EQ(available, (std::vector<int>{1, 2}));
    EXPECT_TRUE(FindTextInPage("first", *preview.Image().Page(), true));
    EXPECT_EQ(printer.PageCount(), 2);
}

TEST_F(PreviewWindow, APrinterFreedUnderThePreviewIsLetGo) {
    Loaded stream(3);
    TBRStandardPreview* form = new TBRStandardPreview(nullptr, stream.printer.get());
    form->ShowPreview();
    form->GoToPage(2);
    stream.printer.reset();
    EXPECT_EQ(form->BRPreview->Printer(), nullptr);
    EXPECT_EQ(form->BRPreview->Image().Printer(), nullptr);
    form->NextPageClick();
    EXPECT_EQ(form->BRPreview->PageNumber(), 2);
    form->ZoomToWidthClick();
    form->PrintClick();
    form->LoadFile(stream.dir / "pages.brp");
    EXPECT_TRUE(host_.boxes.empty());
    form->LastPageClick();
    form->UpdateStatusText();
    EXPECT_EQ(form->StatusPage->text(), "Page 2 of 0");
    form->SearchQuery = [](std::string& text, bool&) { text = "x"; return true; };
    form->FindButtonClick();
    EXPECT_EQ(form->SearchResultBox->item(0)->text(), "No matching text");
    form->BRPreview->repaint();
    form->close();
}

TEST_F(PreviewWindow, HyperlinkAreasGiveEvents) {
    Loaded stream(1);
    TBRPreview preview;
    preview.resize(400, 400);
    preview.AttachPrinter(stream.printer.get());
    preview.SetZoom(50);
    TBRPreviewImage& image = preview.Image();
    image.HyperlinkAreas = {{{100, 100, 200, 150}, "https://example.invalid/a"}};
    struct Event {
        TBRHyperlinkEventType type;
        std::string link;
    };
    std::vector<Event> events;
    image.OnHyperlink = [&](TObject* sender, TBRHyperlinkEventType t, const std::string& link, bool& handled) {
        EXPECT_EQ(sender, stream.printer.get());
        events.push_back({t, link});
        handled = true;
    };
    preview.show();
    QTest::mouseMove(&image, QPoint(10, 10));
    QTest::mouseMove(&image, QPoint(75, 60));  // page (150, 120) at 50 %
    EXPECT_TRUE(image.OverLink());
    QTest::mouseMove(&image, QPoint(76, 61));  // still over: no new event
    QTest::mouseClick(&image, Qt::LeftButton, {}, QPoint(76, 61));
    QTest::mouseMove(&image, QPoint(300, 300));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, heCursorMoveOver);
    EXPECT_EQ(events[0].link, "https://example.invalid/a");
    EXPECT_EQ(events[1].type, heGoto);
    EXPECT_EQ(events[1].link, "https://example.invalid/a");
    EXPECT_EQ(events[2].type, heCursorMoveAway);
    EXPECT_EQ(events[2].link, "");
}

// An unhandled click follows the link: an EXT: target reaches the desktop's
// opener as its one argument, however it is quoted.
TEST_F(PreviewWindow, ClickedExternalLinkReachesTheOpenerWhole) {
    Loaded stream(1);
    TBRPreview preview;
    preview.resize(400, 400);
    preview.AttachPrinter(stream.printer.get());
    preview.SetZoom(50);
    TBRPreviewImage& image = preview.Image();
    const std::string target = "/srv/Q1 \"final\" report; it's done & $(id) `id`.pdf";
    image.HyperlinkAreas = {{{100, 100, 200, 150}, "Ext:" + target}};
    image.OnHyperlink = [](TObject*, TBRHyperlinkEventType, const std::string&, bool&) {};
    preview.show();
    test_support::FakeOpener desktop;
    QTest::mouseMove(&image, QPoint(75, 60));
    QTest::mouseClick(&image, Qt::LeftButton, {}, QPoint(75, 60));
    EXPECT_EQ(desktop.wait_for_call(), std::vector<std::string>{target});
}

TEST_F(PreviewWindow, StandardPreviewComponents) {
    Loaded stream(5);
    auto* form = new TBRStandardPreview(nullptr, stream.printer.get());
    form->ShowPreview();
    EXPECT_EQ(form->windowTitle(), "Print Preview");
    EXPECT_EQ(form->size(), QSize(800, 639));
    const std::pair<const char*, const char*> hints[] = {
        {"ZoomFit", "Zoom to fit"},         {"ZoomToWidth", "Zoom to width"}, {"Zoom100", "100%"},
        {"FirstPage", "First page"},        {"PreviousPage", "Previous page"}, {"ToolButton2", "Next page"},
        {"LastPage", "Last page"},          {"GotoPageButton", "Go to page"}, {"FindButton", "Search for text"},
        {"PrintSetup", "Printer setup"},    {"Print", "Print"},               {"SaveReport", "Save Report"},
        {"LoadReport", "Load Report"},
    };
    for (const auto& [name, hint] : hints) {
        auto* action = form->findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->toolTip(), hint) << name;
    }
    EXPECT_EQ(form->ExitButton->text(), "&Close");
    EXPECT_EQ(form->ExitButton->toolTip(), "Close preview");
    EXPECT_EQ(form->Tabs->tabText(0), "Thumbnails");
    EXPECT_EQ(form->Tabs->tabText(1), "Search result");
    EXPECT_EQ(form->GroupBox1->title(), "Search text");
    EXPECT_FALSE(form->SearchResultBox->isEnabled());
    EXPECT_EQ(form->StatusProgress->text(), "0%");
    EXPECT_EQ(form->StatusPage->text(), "Page 1 of 5");
    EXPECT_EQ(form->ThumbGrid->rowCount(), 5);
    EXPECT_EQ(form->BRPreview->ZoomState(), brZoomToFit);
    EXPECT_TRUE(form->ZoomFit->isChecked());
    EXPECT_EQ(form->Print->isEnabled(), stream.printer->PrintersPresent());

    // Progress notices in the status bar.
    const std::pair<int, const char*> progress[] = {{0, ""}, {3, ""}, {4, ""}, {5, "5%"}, {100, ""}};
    for (const auto& [percent, text] : progress) {
        form->BRPreview->Notice(report::BRM_PROGRESS, percent, stream.printer.get());
        EXPECT_EQ(form->StatusProgress->text(), text) << percent;
    }
    form->ZoomTo100Click();
    EXPECT_EQ(form->BRPreview->Zoom(), 100);
    form->ZoomToWidthClick();
    EXPECT_EQ(form->BRPreview->ZoomState(), brZoomToWidth);

    // A thumbnail chosen in the grid shows its page.
    form->ThumbGrid->setCurrentCell(3, 0);
    EXPECT_EQ(form->BRPreview->PageNumber(), 4);
    EXPECT_EQ(form->StatusPage->text(), "Page 4 of 5");
    form->close();
}

// A stream without pages shows no sheet ("Page 1 of 0" on a blank sheet
// before) but says the report is empty, and Print is off; loading a stream
// with pages shows its first page again.
TEST_F(PreviewWindow, AnEmptyStreamShowsNoPageAndSaysSo) {
    Loaded stream(0, "empty.brp");
    make_stream(stream.dir / "two.brp", 2);
    ASSERT_EQ(stream.printer->PageCount(), 0);
    auto* form = new TBRStandardPreview(nullptr, stream.printer.get());
    form->ShowPreview();
    auto* notice = form->BRPreview->findChild<QLabel*>("EmptyNotice");
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(form->BRPreview->Image().isVisibleTo(form));
    EXPECT_TRUE(notice->isVisibleTo(form));
    EXPECT_EQ(notice->text(), "The report is empty");
    EXPECT_EQ(form->StatusPage->text(), "The report is empty");
    EXPECT_FALSE(form->Print->isEnabled());
    // The notice stays in the middle of the view as it resizes.
    form->resize(900, 700);
    QApplication::processEvents();
    const QRect view = form->BRPreview->viewport()->rect();
    EXPECT_LE(std::abs(notice->geometry().center().x() - view.center().x()), 1);

    form->LoadFile(stream.dir / "two.brp");
    EXPECT_TRUE(form->BRPreview->Image().isVisibleTo(form));
    EXPECT_FALSE(notice->isVisibleTo(form));
    EXPECT_EQ(form->StatusPage->text(), "Page 1 of 2");
    form->LoadFile(stream.dir / "empty.brp");
    EXPECT_FALSE(form->BRPreview->Image().isVisibleTo(form));
    EXPECT_EQ(form->StatusPage->text(), "The report is empty");
    form->close();
}

TEST_F(PreviewWindow, GoToPageAndKeys) {
    Loaded stream(5);
    auto* form = new TBRStandardPreview(nullptr, stream.printer.get());
    form->ShowPreview();
    struct Case {
        std::optional<std::string> typed;
        int page;
    };
    std::string caption, prompt, value;
    const Case boxes[] = {{"3", 3}, {"0", 1}, {"6", 1}, {"abc", 1}, {"5", 5}, {std::nullopt, 5}, {"2", 2}};
    for (const Case& c : boxes) {
        form->InputQuery = [&](const std::string& a, const std::string& b, const std::string& v) {
            caption = a, prompt = b, value = v;
            return c.typed;
        };
        const int before = form->BRPreview->PageNumber();
        form->GotoPageButtonClick();
        EXPECT_EQ(form->BRPreview->PageNumber(), c.page) << c.typed.value_or("(cancelled)");
        EXPECT_EQ(form->ThumbGrid->currentRow(), c.page - 1);
        EXPECT_EQ(value, std::to_string(before));
    }
    EXPECT_EQ(caption, "Select a page from 1 to 5");
    EXPECT_EQ(prompt, "Go to page >>");

    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const Key keys[] = {
        {Qt::Key_PageDown, Qt::NoModifier, 3}, {Qt::Key_PageUp, Qt::NoModifier, 2},
        {Qt::Key_PageDown, Qt::ControlModifier, 5}, {Qt::Key_PageDown, Qt::NoModifier, 5},
        {Qt::Key_PageUp, Qt::ControlModifier, 1}, {Qt::Key_PageUp, Qt::NoModifier, 1},
        {Qt::Key_End, Qt::NoModifier, 5}, {Qt::Key_Home, Qt::NoModifier, 1},
        {Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier, 2},  // not Ctrl alone: next page
    };
    for (const Key& k : keys) {
        QTest::keyClick(form->BRPreview, k.key, k.modifiers);
        EXPECT_EQ(form->BRPreview->PageNumber(), k.page) << k.key << " " << k.modifiers;
    }
    QPointer<TBRStandardPreview> alive(form);
    QTest::keyClick(form->ThumbGrid, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST_F(PreviewWindow, SearchListsThePagesThatHoldTheText) {
    Loaded stream(12);
    auto* form = new TBRStandardPreview(nullptr, stream.printer.get());
    form->ShowPreview();
    struct Case {
        std::string text;
        bool match_case;
        std::vector<std::string> results;
        bool enabled;
    };
    const Case cases[] = {
        {"página 1", false, {"Page 1", "Page 10", "Page 11", "Page 12"}, true},
        {"PÁGINA 7", false, {"Page 7"}, true},
        {"PÁGINA 7", true, {"No matching text"}, false},
        {"cobrança - página 12", true, {"Page 12"}, true},
        {"Título 905", false, {"Page 9"}, true},
        {"inexistente", false, {"No matching text"}, false},
    };
    for (const Case& c : cases) {
        form->SearchQuery = [&](std::string& text, bool& match_case) {
            text = c.text;
            match_case = c.match_case;
            return true;
        };
        form->FindButtonClick();
        std::vector<std::string> got;
        for (int i = 0; i < form->SearchResultBox->count(); ++i)
            got.push_back(form->SearchResultBox->item(i)->text().toStdString());
        EXPECT_EQ(got, c.results) << c.text;
        EXPECT_EQ(form->SearchResultBox->isEnabled(), c.enabled) << c.text;
        EXPECT_EQ(form->SearchTextLabel->text().toStdString(), c.text);
    }
    // Cancelling the dialog keeps the last results.
    form->SearchQuery = [](std::string&, bool&) { return false; };
    form->FindButtonClick();
    EXPECT_EQ(form->SearchResultBox->item(0)->text(), "No matching text");
    form->close();
}

TEST_F(PreviewWindow, ASearchStartedWhileOneRunsIsRefused) {
    Loaded stream(120);
    auto* form = new TBRStandardPreview(nullptr, stream.printer.get());
    form->ShowPreview();
    int asked = 0;
    form->SearchQuery = [&](std::string& text, bool&) {
        ++asked;
        text = "página 11";
        // Clicked again while the search lets the message loop run.
        QTimer::singleShot(0, form, [form] { form->FindButtonClick(); });
        return true;
    };
    form->FindButtonClick();
    EXPECT_EQ(asked, 1);
    std::vector<std::string> got;
    for (int i = 0; i < form->SearchResultBox->count(); ++i) got.push_back(form->SearchResultBox->item(i)->text().toStdString());
    EXPECT_EQ(got, (std::vector<std::string>{"Page 11", "Page 110", "Page 111", "Page 112", "Page 113", "Page 114",
                                             "Page 115", "Page 116", "Page 117", "Page 118", "Page 119"}));
    form->close();
}

TEST_F(PreviewWindow, SearchDialogAnswers) {
    struct Case {
        bool search;
        bool answered;
    };
    for (const Case c : {Case{true, true}, Case{false, false}}) {
        TSearchDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), "BandReport Preview : Text Search");
        EXPECT_EQ(dialog.size(), QSize(305, 118));
        dialog.Edit1->setText("Ação");
        dialog.CheckBox1->setChecked(true);
        QTimer::singleShot(0, &dialog, [&] { (c.search ? dialog.SpeedButton2 : dialog.SpeedButton1)->click(); });
        dialog.exec();
        EXPECT_EQ(!dialog.Cancelled, c.answered);
    }
}

TEST_F(PreviewWindow, SaveAndLoadPageStreams) {
    Loaded stream(3);
    auto* form = new TBRStandardPreview(nullptr, stream.printer.get());
    form->ShowPreview();
    form->GoToPage(3);

    // Missing and damaged files leave the pages shown.
    struct Bad {
        std::string file;
        std::string message;
    };
    test_support::write_file(stream.dir / "damaged.brp", std::string(200, 'x'));
    const Bad bad[] = {{stream.dir / "gone.BRP", "File does not exist"}, {stream.dir / "damaged.brp", ""}};
    for (const Bad& b : bad) {
        host_.boxes.clear();
        form->LoadQuery = [&] { return std::optional<std::string>(b.file); };
        form->LoadClick();
        ASSERT_EQ(host_.boxes.size(), 1u) << b.file;
        if (!b.message.empty()) {
            EXPECT_EQ(host_.boxes[0].text, b.message);
        }
        EXPECT_EQ(stream.printer->PageCount(), 3) << b.file;
        EXPECT_EQ(form->BRPreview->PageNumber(), 3) << b.file;
    }

    // Both spellings of the extension load; a saved stream loads back whole.
    make_stream(stream.dir / "seven.BRP", 7);
    make_stream(stream.dir / "five.brp", 5);
    form->SaveQuery = [&] { return std::optional<std::string>(stream.dir / "saved.brp"); };
    const std::pair<std::string, int> loads[] = {{"seven.BRP", 7}, {"five.brp", 5}};
    for (const auto& [name, count] : loads) {
        host_.boxes.clear();
        form->LoadQuery = [&] { return std::optional<std::string>(stream.dir / name); };
        form->LoadClick();
        EXPECT_TRUE(host_.boxes.empty()) << name;
        EXPECT_EQ(stream.printer->PageCount(), count) << name;
        EXPECT_EQ(form->BRPreview->PageNumber(), 1);
        EXPECT_EQ(form->ThumbGrid->rowCount(), count);
        EXPECT_EQ(form->StatusPage->text().toStdString(), "Page 1 of " + std::to_string(count));
        EXPECT_EQ(PreviewTitleText, stream.dir / name);
        EXPECT_TRUE(report::StoredFileLoaded);
        // Print is on wherever there is a printer to print on.
        EXPECT_EQ(form->Print->isEnabled(), stream.printer->PrintersPresent());
    }
    form->SaveClick();
    TBRPrinter again;
    again.LoadPageStreamFile(stream.dir / "saved.brp");
    EXPECT_EQ(again.PageCount(), 5);
    EXPECT_EQ(again.GetStoredPage(5)->Bytes(), stream.printer->GetStoredPage(5)->Bytes());
    form->close();
}

TEST_F(PreviewWindow, PrintPrintsTheStoredPages) {
    Loaded stream(4);
    stream.printer->OutputFile = stream.dir / "printed.pdf";
    auto* form = new TBRStandardPreview(nullptr, stream.printer.get());
    form->ShowPreview();
    ASSERT_TRUE(form->Print->isEnabled());
    form->PrintClick();
    EXPECT_TRUE(host_.boxes.empty());
    EXPECT_EQ(stream.printer->Preview, form->BRPreview);
    const auto info = test_support::run("pdfinfo " + (stream.dir / "printed.pdf"));
    EXPECT_NE(info.output.find("Pages:           4"), std::string::npos) << info.output;
    const auto text = test_support::run("pdftotext -enc UTF-8 -f 3 -l 3 " + (stream.dir / "printed.pdf") + " -");
    EXPECT_NE(text.output.find("cobrança - página 3"), std::string::npos) << text.output;
    form->close();
}

// Without a printer Print is off and Print and Printer setup say so; with
// one, printing shows one progress window (the preview's form, not the
// host's progress besides it), whose Cancel stops the job.
TEST_F(PreviewWindow, PrintingSaysWhenThereIsNoPrinterAndShowsOneProgress) {
    start_windows();
    ScratchDir dir("preview-print");
    const std::string file = make_stream(dir / "pages.brp", 20);
    report::testing::FakeDevice none;
    TBRPrinter bare(nullptr, nullptr, &none);
    bare.LoadPageStreamFile(file);
    auto* form = new TBRStandardPreview(nullptr, &bare);
    form->ShowPreview();
    EXPECT_FALSE(form->Print->isEnabled());
    EXPECT_TRUE(form->PrintSetup->isEnabled());
    form->PrintSetupClick();
    form->PrintClick();
    EXPECT_EQ(host_.boxes.size(), 2u);
    for (const auto& box : host_.boxes) EXPECT_EQ(box.text, "There is no printer");
    EXPECT_FALSE(form->Print->isEnabled());
    EXPECT_TRUE(none.jobs.empty());
    form->close();
    host_.boxes.clear();

    for (bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "whole");
        report::testing::FakeDevice office;
        office.destinations = {report::testing::office_printer()};
        TBRPrinter printer(nullptr, nullptr, &office);
        printer.LoadPageStreamFile(file);
        auto* shown = new TBRStandardPreview(nullptr, &printer);
        shown->ShowPreview();
        ASSERT_TRUE(shown->Print->isEnabled());
        int progress_forms = 0;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* f = dynamic_cast<TBRProgressForm*>(w); f && f->isVisible()) {
                    ++progress_forms;
                    if (cancel) f->CancelButton->click();
                }
        });
        shown->PrintClick();
        EXPECT_EQ(progress_forms, 1);
        EXPECT_TRUE(host_.steps.empty()) << "a second progress window";
        ASSERT_EQ(office.jobs.size(), 1u);
        EXPECT_EQ(office.jobs[0]->aborted, cancel);
        EXPECT_EQ(office.jobs[0]->finished, !cancel);
        if (!cancel) {
            EXPECT_EQ(office.jobs[0]->pages.size(), 20u);
        }
        EXPECT_TRUE(host_.boxes.empty());
        shown->close();
    }
}

TEST_F(PreviewWindow, ProgressFormShowsMultiplesOfFiveAndCancelsTheRun) {
    TBRPrinter printer;
    TBRProgressForm form(&printer);
    EXPECT_EQ(form.windowTitle(), "Printing progress");
    EXPECT_EQ(form.CancelButton->text(), "Cancel");
    printer.Preview = &form;
    const std::pair<int, const char*> steps[] = {{5, "5%  Completed"}, {7, "5%  Completed"}, {10, "10%  Completed"}};
    for (const auto& [percent, text] : steps) {
        printer.NotifyProgress(percent);
        EXPECT_EQ(form.Info->text(), text) << percent;
    }
    EXPECT_EQ(form.Gauge->value(), 10);
    printer.BeginOutput();
    EXPECT_FALSE(printer.Cancelled());
    form.CancelButton->click();
    EXPECT_TRUE(printer.Cancelled());
    printer.EndOutput();

    // A printer destroyed under the form is not read again.
    auto gone = std::make_unique<TBRPrinter>();
    TBRProgressForm orphan(gone.get());
    gone.reset();
    EXPECT_EQ(orphan.Printer(), nullptr);
    orphan.CancelButton->click();
    orphan.Notice(report::BRM_PROGRESS, 50, nullptr);
    EXPECT_EQ(orphan.Info->text(), "");
}

TEST_F(PreviewWindow, FactoryShowsNothingUntilTheStandardOneIsInstalled) {
    Loaded stream(2);
    EXPECT_EQ(report::preview_factory().Show(stream.printer.get()), nullptr);
    EXPECT_EQ(report::preview_factory().ShowModal(stream.printer.get()), nullptr);
    EXPECT_FALSE(stream.printer->ShowingPreview());
    report::ui::unit_startup();
    // Without a screen a modal preview would wait for no one: it is not shown.
    EXPECT_EQ(report::preview_factory().ShowModal(stream.printer.get()), nullptr);
    EXPECT_FALSE(stream.printer->ShowingPreview());
    const auto windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); }));
    report::PreviewWindow* window = report::preview_factory().Show(stream.printer.get());
    auto* form = dynamic_cast<TBRStandardPreview*>(window);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(stream.printer->ShowingPreview());
    window->ClosePreview();
    EXPECT_FALSE(stream.printer->ShowingPreview());
    report::ui::unit_shutdown();
    EXPECT_EQ(report::preview_factory_slot.get(), nullptr);
}

}  // namespace
