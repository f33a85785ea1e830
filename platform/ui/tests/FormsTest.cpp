#include "platform/ui/ExtCtrls.h"
#include "platform/ui/FormWindow.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Headless.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Startup.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Forms : public testing::Test {
protected:
    void SetUp() override {
        ui::unit_startup();
        Application->SetTitle("Tamblero");
    }
    void TearDown() override { ui::unit_shutdown(); }
};

// The application's main form made in code: white, 200 x 100, one label.
TForm* make_form() {
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->ClientWidth = 200;
    form->ClientHeight = 100;
    form->Color = ui::clWindow;
    form->BorderStyle = bsNone;
    form->Position = poScreenCenter;
    auto* label = new TLabel(form);
    label->SetName("lbVorq");
    label->Left = 10;
    label->Top = 20;
    label->Caption = "Vorq SISTEMAS";
    label->ParentFont = false;
    label->Transparent = true;
    label->Font.Name = "Calibri";
    label->Font.Height = -16;
    label->Font.Style = 1 << ui::fsBold;
    label->Font.FontColor = ui::RGB(0, 107, 159);
    label->SetParent(form);
    return form;
}

// The bounding box of the pixels that are not the background.
QRect ink_box(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST_F(Forms, RendersBackgroundAndVisibleLabelsWhereTheyArePlaced) {
    TForm* form = make_form();
    const QImage image = form->Render();
    ASSERT_EQ(image.size(), QSize(200, 100));
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    const QRect ink = ink_box(image, 0xFFFFFF);
    ASSERT_FALSE(ink.isNull());
    // Text starts at the label's position and is about a character height tall.
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.left(), 12);
    EXPECT_GE(ink.top(), 20);
    EXPECT_LE(ink.bottom(), 20 + 20);
    EXPECT_GE(ink.height(), 10);
    // The label's blue is among the painted pixels.
    bool blue = false;
    for (int y = ink.top(); y <= ink.bottom() && !blue; ++y)
        for (int x = ink.left(); x <= ink.right() && !blue; ++x) blue = (image.pixel(x, y) & 0xFFFFFF) == 0x006B9F;
    EXPECT_TRUE(blue);

    // An invisible label paints nothing.
    As<TLabel>(form->FindComponent("lbVorq"))->Visible = false;
    EXPECT_TRUE(ink_box(form->Render(), 0xFFFFFF).isNull());
}

TEST_F(Forms, ImageWithoutAPictureFormatPaintsTheFormColour) {
    TForm* form = make_form();
    As<TLabel>(form->FindComponent("lbVorq"))->Visible = false;
    auto* image = new TImage(form);
    image->Align = alClient;
    image->Stretch = true;
    image->PictureData = {9, 'T', 'G', 'I', 'F', 'I', 'm', 'a', 'g', 'e', 0, 0, 0, 0};
    image->SetParent(form);
    EXPECT_EQ(image->PictureClassName(), "TGIFImage");
    EXPECT_TRUE(ink_box(form->Render(), 0xFFFFFF).isNull());

    // Once a format is there, the picture fills the client area.
    TImage::SetDecoder([](const std::vector<std::uint8_t>&, QImage& out) {
        out = QImage(4, 2, QImage::Format_RGB32);
        out.fill(QColor(10, 20, 30));
        return true;
    });
    const QImage painted = form->Render();
    TImage::SetDecoder(nullptr);
    EXPECT_EQ(painted.pixel(0, 0) & 0xFFFFFF, 0x0A141Eu);
    EXPECT_EQ(painted.pixel(199, 99) & 0xFFFFFF, 0x0A141Eu);
}

TEST_F(Forms, ShowHandlerRunsBeforeAnyWindowAndTerminateKeepsItOffTheScreen) {
    TForm* form = make_form();
    bool had_window = true;
    form->OnShow = [&](TObject*) {
        had_window = form->Window() != nullptr;
        Application->Terminate();
    };
    EXPECT_EQ(Application->MainForm(), form);
    Application->Run();
    EXPECT_FALSE(had_window);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(Application->AbandonedWait());
    EXPECT_EQ(form->Window(), nullptr);
}

TEST_F(Forms, ExceptionLeavingTheShowHandlerGetsTheErrorBoxAndRunDoesNotWait) {
    ASSERT_TRUE(ui::is_headless());
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->OnShow = [](TObject*) { throw Exception("Write on \"D:\\x.bak\" failed: Access denied"); };
    testing::internal::CaptureStderr();
    Application->Run();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Tamblero: Write on \"D:\\x.bak\" failed: Access denied.\n");
    EXPECT_FALSE(Application->Terminated());
    EXPECT_TRUE(Application->AbandonedWait());
}

TEST_F(Forms, ClosingTheMainFormRunsOnCloseAndEndsTheApplication) {
    TForm* form = nullptr;
    Application->CreateForm(form);
    std::vector<std::string> calls;
    form->OnClose = [&](TObject*, TCloseAction& action) {
        calls.push_back(action == caHide ? "caHide" : "other");
        action = caNone;
    };
    form->Show();
    form->Close();
    EXPECT_FALSE(Application->Terminated()) << "caNone keeps the form";
    form->OnClose = [&](TObject*, TCloseAction& action) { action = caFree; };
    form->Close();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(calls, std::vector<std::string>{"caHide"});
}

TEST_F(Forms, ErrorInTheCloseHandlerIsReportedAndTheFormStays) {
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->Show();
    form->OnClose = [](TObject*, TCloseAction&) { throw Exception("Falhou"); };
    testing::internal::CaptureStderr();
    form->Close();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tamblero: Falhou.\n");
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(Application->Terminated());
}

TEST_F(Forms, ApplicationFreesItsFormsAndTheirComponents) {
    TForm* form = make_form();
    EXPECT_EQ(form->Controls().size(), 1u);
    // Freeing a control takes it off its form.
    delete form->FindComponent("lbVorq");
    EXPECT_TRUE(form->Controls().empty());
    // The rest goes with the application at shut-down (checked by the sanitizer pass).
}

TEST(FontFamily, DesktopFamiliesUseTheirMetricCompatibleStandIns) {
    EXPECT_EQ(ui::font_family("Calibri"), "Carlito");
    EXPECT_EQ(ui::font_family("arial"), "Liberation Sans");
    EXPECT_EQ(ui::font_family("MS Sans Serif"), "Liberation Sans");
    EXPECT_EQ(ui::font_family("DejaVu Sans"), "DejaVu Sans");
}
