#include "platform/ui/ExtCtrls.h"
#include "platform/ui/FormWindow.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Headless.h"
#include "platform/core/ClassBuilder.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Startup.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace graphics {
void unit_startup();
void unit_shutdown();
} // namespace graphics

namespace {

// Stored picture data of a 2 x 1 24-bit bitmap, red then blue: the class
// name, a 32-bit count, then the BMP file.
std::vector<std::uint8_t> stored_two_pixel_bitmap() {
    std::vector<std::uint8_t> bmp;
    auto u16 = [&](unsigned v) { bmp.push_back(v & 0xFF); bmp.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
    const unsigned row = 8;  // 2 pixels x 3 bytes, padded to 4
    bmp.push_back('B'); bmp.push_back('M'); u32(14 + 40 + row); u32(0); u32(14 + 40);
    u32(40); u32(2); u32(1); u16(1); u16(24); u32(0); u32(row); u32(2835); u32(2835); u32(0); u32(0);
    for (std::uint8_t b : {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}) bmp.push_back(b);  // BGR red, BGR blue
    std::vector<std::uint8_t> stored = {7, 'T', 'B', 'i', 't', 'm', 'a', 'p'};
    const unsigned n = static_cast<unsigned>(bmp.size());
    for (int i = 0; i < 4; ++i) stored.push_back((n >> (8 * i)) & 0xFF);
    stored.insert(stored.end(), bmp.begin(), bmp.end());
    return stored;
}

class Forms : public testing::Test {
protected:
    void SetUp() override {
        graphics::unit_startup();
        ui::unit_startup();
        Application->SetTitle("Tamblero");
    }
    void TearDown() override {
        ui::unit_shutdown();
        graphics::unit_shutdown();
    }
};

// The application's main form made in code: white, 200 x 100, one label.
TForm* make_form() {
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->ClientWidth = 200;
    form->ClientHeight = 100;
    form->Color = clWindow;
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
    label->Font.Style = 1 << fsBold;
    label->Font.Color = RGBColor(0, 107, 159);
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

TEST_F(Forms, ImageDrawsItsStoredPictureStretchedOverTheClientArea) {
    TForm* form = make_form();
    As<TLabel>(form->FindComponent("lbVorq"))->Visible = false;
    auto* image = new TImage(form);
    image->Align = alClient;
    image->Stretch = true;
    image->SetParent(form);
    EXPECT_TRUE(ink_box(form->Render(), 0xFFFFFF).isNull()) << "no picture paints nothing";

    image->SetPictureData(stored_two_pixel_bitmap());
    const QImage painted = form->Render();
    EXPECT_EQ(painted.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(painted.pixel(99, 99) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(painted.pixel(100, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(painted.pixel(199, 99) & 0xFFFFFF, 0x0000FFu);

    // Data of a format nobody registered is refused.
    std::vector<std::uint8_t> unknown = {4, 'T', 'X', 'Y', 'Z', 0, 0, 0, 0};
    EXPECT_THROW(image->SetPictureData(unknown), Exception);
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
    EXPECT_EQ(graphics::font_family("Calibri"), "Carlito");
    EXPECT_EQ(graphics::font_family("arial"), "Liberation Sans");
    EXPECT_EQ(graphics::font_family("MS Sans Serif"), "Liberation Sans");
    EXPECT_EQ(graphics::font_family("DejaVu Sans"), "DejaVu Sans");
}

namespace {

// A form class with published handlers, built from a resource.
class TFormTeste : public TForm {
public:
    explicit TFormTeste(TComponent* AOwner) : TForm(AOwner) {
        ReadResource(StaticClass());
        DoCreate();
    }
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<TFormTeste, TForm>("TFormTeste")
            .Operation("FormCreate", &TFormTeste::FormCreate)
            .Operation("FormShow", &TFormTeste::FormShow)
            .Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    void FormCreate(TObject*) { calls.push_back("FormCreate"); }
    void FormShow(TObject*) {
        calls.push_back("FormShow");
        Application->Terminate();
    }
    std::vector<std::string> calls;
};

} // namespace

TEST_F(Forms, ResourceSetsPropertiesBuildsControlsAndBindsHandlersByName) {
    RegisterFormResource("TFormTeste", R"({
      "class": "TFormTeste", "name": "FormTeste",
      "properties": {"BorderStyle": "bsNone", "FormStyle": "fsStayOnTop", "Position": "poScreenCenter",
                     "ClientWidth": 391, "ClientHeight": 310, "Color": -2147483643, "Caption": "Atualização",
                     "Font": {"Name": "MS Sans Serif", "Height": -11},
                     "OnCreate": "FormCreate", "OnShow": "FormShow"},
      "children": [
        {"class": "TLabel", "name": "lbVorq", "properties": {"Left": 24, "Top": 24, "Caption": "Vorq SISTEMAS",
          "ParentFont": false, "Transparent": true,
          "Font": {"Name": "Calibri", "Height": -16, "Color": 10447616, "Style": ["fsBold"]}}},
        {"class": "TLabel", "name": "lbOculto", "properties": {"Visible": false}}
      ]})");
    TFormTeste* form = nullptr;
    Application->CreateForm(form);
    EXPECT_EQ(form->calls, std::vector<std::string>{"FormCreate"});
    EXPECT_EQ(form->Name(), "FormTeste");
    EXPECT_EQ(form->BorderStyle, bsNone);
    EXPECT_EQ(form->FormStyle, fsStayOnTop);
    EXPECT_EQ(form->Position, poScreenCenter);
    EXPECT_EQ(form->ClientWidth, 391);
    EXPECT_EQ(form->Caption, "Atualização");
    ASSERT_EQ(form->Controls().size(), 2u);
    auto* vorq = As<TLabel>(form->FindComponent("lbVorq"));
    EXPECT_EQ(vorq->Parent(), form);
    EXPECT_EQ(vorq->Font.Name, "Calibri");
    EXPECT_EQ(vorq->Font.Height, -16);
    EXPECT_EQ(vorq->Font.Style, 1 << fsBold);
    EXPECT_EQ(vorq->Font.Color, RGBColor(0, 107, 159));
    EXPECT_FALSE(As<TLabel>(form->FindComponent("lbOculto"))->Visible);

    Application->Run();
    EXPECT_EQ(form->calls, (std::vector<std::string>{"FormCreate", "FormShow"}));
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(Forms, AHandlerNameTheFormDoesNotPublishIsAReadError) {
    RegisterFormResource("TFormTeste", R"({"class": "TFormTeste", "properties": {"OnShow": "FormFechar"}})");
    TFormTeste* form = nullptr;
    EXPECT_THROW(Application->CreateForm(form), Exception);
}
