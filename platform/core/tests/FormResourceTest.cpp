#include "platform/core/ClassBuilder.h"
#include "platform/core/DateUtils.h"
#include "platform/core/FormResource.h"

#include <gtest/gtest.h>

#include <memory>

#include "TestDir.h"
#include "platform/core/StringList.h"

namespace {

// An owned sub-object with its own published properties.
class TFontX : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    void Assign(const TPersistent* src) override {
        if (auto* f = dynamic_cast<const TFontX*>(src)) {
            Size = f->Size;
            Face = f->Face;
            Style = f->Style;
            return;
        }
        TPersistent::Assign(src);
    }
    int Size = 8;
    std::string Face = "Arial";
    int Style = 0;
};

TClass TFontX::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TFontX, TPersistent>("TFontX")
                                       .Integer("Size", &TFontX::Size, &TFontX::Size).Default(8)
                                       .String("Face", &TFontX::Face, &TFontX::Face).Default("Arial")
                                       .Set("Style", {"fsBold", "fsItalic", "fsUnderline"}, &TFontX::Style, &TFontX::Style)
                                       .Build();
    return &info;
}

enum TAlignX { alNone, alTop, alClient };
int g_loaded = 0;

class TWidget : public TComponent {
public:
    explicit TWidget(TComponent* owner) : TComponent(owner) {}
    ~TWidget() override { delete Font; delete Lines; }
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    void Notification(TComponent* c, TOperation op) override {
        if (op == opRemove && c == Peer) Peer = nullptr;
        TComponent::Notification(c, op);
    }
    void Loaded() override {
        TComponent::Loaded();
        ++g_loaded;
    }
    void SetParentComponent(TComponent* p) override { Parent = p; }
    int Left = 0;
    bool Visible = true;
    TAlignX Align = alNone;
    int Anchors = 0;
    std::string Caption;
    double Ratio = 0;
    Currency Price;
    TDateTime When = 0;
    core::Bytes Picture;
    TComponent* Peer = nullptr;
    TStringList* Lines = new TStringList;
    TFontX* Font = new TFontX;
    TNotifyEvent OnClick;
    TComponent* Parent = nullptr;
};

TClass TWidget::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TWidget, TComponent>("TWidget")
            .Integer("Left", &TWidget::Left, &TWidget::Left)
            .Bool("Visible", &TWidget::Visible, &TWidget::Visible).Default(true)
            .Enum("Align", {"alNone", "alTop", "alClient"}, &TWidget::Align, &TWidget::Align)
            .Set("Anchors", {"akLeft", "akTop", "akRight"}, &TWidget::Anchors, &TWidget::Anchors)
            .String("Caption", &TWidget::Caption, &TWidget::Caption)
            .Float("Ratio", &TWidget::Ratio, &TWidget::Ratio)
            .Money("Price", &TWidget::Price, &TWidget::Price)
            .DateTime("When", &TWidget::When, &TWidget::When)
            .Binary("Picture", &TWidget::Picture, &TWidget::Picture)
            .Component("Peer", &TWidget::Peer, [](TWidget& w, TComponent* c) {
                w.Peer = c;
                if (c) c->FreeNotification(&w);
            })
            .Strings("Lines", [](const TWidget& w) { return w.Lines; })
            .Object("Font", [](const TWidget& w) { return w.Font; })
            .Event("OnClick", &TWidget::OnClick)
            .Build();
    return &info;
}

class TTestForm : public TWidget {
public:
    explicit TTestForm(TComponent* owner) : TWidget(owner) {}
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    void ButtonClick(TObject*) { ++clicks; }
    int clicks = 0;
};

TClass TTestForm::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TTestForm, TWidget>("TTestForm")
                                       .Operation("ButtonClick", &TTestForm::ButtonClick)
                                       .Build();
    return &info;
}

void register_classes() { RegisterClasses({TWidget::StaticClass(), TTestForm::StaticClass(), TFontX::StaticClass()}); }

const char* kDocument = R"({
  "class": "TTestForm",
  "name": "FormCopia",
  "properties": {
    "Tag": 7,
    "Caption": "Cópia de segurança",
    "OnClick": "ButtonClick"
  },
  "children": [
    {
      "class": "TWidget",
      "name": "Panel1",
      "properties": {
        "Left": -12,
        "Visible": false,
        "Align": "alClient",
        "Anchors": [
          "akLeft",
          "akRight"
        ],
        "Ratio": 0.1,
        "Price": "1234.5678",
        "When": 45369.5,
        "Picture": "R0lGODlhAQABAAAAACw=",
        "Peer": "Button1",
        "Lines": [
          "first",
          "",
          "third \"quoted\""
        ],
        "Font": {
          "Size": 12,
          "Style": [
            "fsBold"
          ]
        }
      },
      "children": [
        {
          "class": "TWidget",
          "name": "Button1",
          "properties": {
            "Caption": "OK",
            "Peer": "FormCopia",
            "OnClick": "ButtonClick"
          }
        }
      ]
    }
  ]
}
)";

}  // namespace

TEST(FormResource, ReadWriteReadRoundTrip) {
    register_classes();
    g_loaded = 0;
    TComponent app(nullptr);
    TComponent* root = core::read_component(kDocument, &app);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(g_loaded, 3);
    auto* form = As<TTestForm>(root);
    EXPECT_EQ(form->Name(), "FormCopia");
    EXPECT_EQ(form->Tag(), 7);
    EXPECT_EQ(form->Caption, "Cópia de segurança");
    auto* panel = As<TWidget>(form->FindComponent("Panel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Parent, form);
    EXPECT_EQ(panel->Left, -12);
    EXPECT_FALSE(panel->Visible);
    EXPECT_EQ(panel->Align, alClient);
    EXPECT_EQ(panel->Anchors, 5);
    EXPECT_DOUBLE_EQ(panel->Ratio, 0.1);
    EXPECT_EQ(panel->Price.Raw(), 12345678);
    EXPECT_DOUBLE_EQ(panel->When, EncodeDate(2024, 3, 18) + 0.5);
    EXPECT_EQ(panel->Picture, (core::Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, ',' }));
    EXPECT_EQ(panel->Lines->Count(), 3);
    EXPECT_EQ(panel->Font->Size, 12);
    EXPECT_EQ(panel->Font->Face, "Arial");
    EXPECT_EQ(panel->Font->Style, 1);
    auto* button = As<TWidget>(panel->FindComponent("Button1"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(panel->Peer, button);
    EXPECT_EQ(button->Peer, form);
    EXPECT_FALSE(button->InState(csLoading | csReading));
    button->OnClick(button);
    form->OnClick(form);
    EXPECT_EQ(form->clicks, 2);

    std::string written = core::write_component(*form);
    EXPECT_EQ(written, kDocument);
    TComponent* again = core::read_component(written, nullptr);
    EXPECT_EQ(core::write_component(*again), written);
    delete again;

    // the reference goes away with the component
    delete button;
    EXPECT_EQ(panel->Peer, nullptr);
}

TEST(FormResource, ReadsIntoAnExistingRoot) {
    register_classes();
    TTestForm form(nullptr);
    core::read_component_into(form, kDocument);
    EXPECT_EQ(form.Name(), "FormCopia");
    EXPECT_EQ(form.ComponentCount(), 1);
    TWidget other(nullptr);
    EXPECT_THROW(core::read_component_into(other, R"({"class": "TTestForm"})"), EReadError);
}

// A reference names a component of the tree read, in any case; of a name
// held under two owners, the first one the walk from the root meets (the
// owner before its components, components in order) is the one.
TEST(FormResource, ReferencesFindTheFirstComponentOfTheirName) {
    register_classes();
    const char* doc = R"({"class": "TWidget", "name": "Root", "properties": {"Peer": "deep"},
      "children": [
        {"class": "TWidget", "name": "P1", "properties": {"Peer": "TWIN"},
         "children": [{"class": "TWidget", "name": "Twin", "properties": {"Peer": "root"},
                       "children": [{"class": "TWidget", "name": "Deep"}]}]},
        {"class": "TWidget", "name": "P2", "properties": {"Peer": "twin"},
         "children": [{"class": "TWidget", "name": "Twin", "properties": {"Peer": "P2"}}]}]})";
    std::unique_ptr<TComponent> root(core::read_component(doc, nullptr));
    auto* r = dynamic_cast<TWidget*>(root.get());
    ASSERT_NE(r, nullptr);
    auto* p1 = dynamic_cast<TWidget*>(r->Components(0));
    auto* p2 = dynamic_cast<TWidget*>(r->Components(1));
    auto* twin1 = dynamic_cast<TWidget*>(p1->Components(0));
    auto* twin2 = dynamic_cast<TWidget*>(p2->Components(0));
    EXPECT_EQ(r->Peer, twin1->Components(0));
    EXPECT_EQ(p1->Peer, twin1);
    EXPECT_EQ(p2->Peer, twin1);
    EXPECT_EQ(twin1->Peer, r);
    EXPECT_EQ(twin2->Peer, p2);
}

TEST(FormResource, BadDocumentsFailCleanly) {
    register_classes();
    struct Case {
        const char* doc;
        const char* message;  // empty: only the type is checked
    } cases[] = {
        {"{not json", "Invalid stream format"},
        {R"({"name": "x"})", "Invalid stream format"},
        {R"({"class": "TNoSuch"})", "Class TNoSuch not found"},
        {R"({"class": "TFontX"})", "Invalid stream format"},
        {R"({"class": "TWidget", "name": "W", "properties": {"Nope": 1}})", "Error reading W.Nope: Property Nope does not exist"},
        {R"({"class": "TWidget", "name": "W", "properties": {"Left": "1"}})", "Error reading W.Left: Invalid property value"},
        {R"({"class": "TWidget", "name": "W", "properties": {"Align": "alBottom"}})", "Error reading W.Align: Invalid property value"},
        {R"({"class": "TWidget", "name": "W", "properties": {"Picture": "***"}})", "Error reading W.Picture: Invalid base64 data"},
        {R"({"class": "TWidget", "name": "W", "properties": {"Peer": "Ghost"}})", "Error reading W.Peer: Component Ghost not found"},
        {R"({"class": "TWidget", "name": "W", "properties": {"OnClick": "Missing"}})", "Error reading W.OnClick: Method Missing not found"},
        {R"({"class": "TWidget", "name": "W", "properties": {"Font": {"Size": true}}})", "Error reading W.Font.Size: Invalid property value"},
        {R"({"class": "TWidget", "name": "1W"})", "Error reading TWidget.Name: '1W' is not a valid component name"},
        {R"({"class": "TWidget", "children": [{"class": "TWidget", "name": "A"}, {"class": "TWidget", "name": "A"}]})",
         "Error reading TWidget.Name: A component named A already exists"},
    };
    for (const auto& c : cases) {
        TComponent owner(nullptr);
        try {
            core::read_component(c.doc, &owner);
            ADD_FAILURE() << c.doc;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message) << c.doc;
        }
        EXPECT_EQ(owner.ComponentCount(), 0) << c.doc;  // nothing left behind
    }
}

// Children nested one inside another: 256 levels below the root read, one
// more is refused with a message and leaves nothing behind, and a nesting
// far past the stack's depth is refused the same way.
TEST(FormResource, NestingIsBoundedWithAMessage) {
    register_classes();
    auto nested = [](int levels) {
        std::string doc = R"({"class": "TWidget", "name": "W0")";
        for (int i = 1; i <= levels; ++i) doc += R"(, "children": [{"class": "TWidget", "name": "W)" + std::to_string(i) + "\"";
        for (int i = 1; i <= levels; ++i) doc += "}]";
        return doc + "}";
    };
    {
        TComponent owner(nullptr);
        TComponent* root = core::read_component(nested(256), &owner);
        EXPECT_EQ(owner.ComponentCount(), 1);
        int depth = 0;
        for (TComponent* c = root; c->ComponentCount() > 0; c = c->Components(0)) ++depth;
        EXPECT_EQ(depth, 256);
    }
    for (int levels : {257, 100000}) {
        TComponent owner(nullptr);
        try {
            core::read_component(nested(levels), &owner);
            ADD_FAILURE() << levels;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), "Error reading W256: components nested more than 256 levels deep");
        }
        EXPECT_EQ(owner.ComponentCount(), 0);
    }
}

TEST(FormResource, Base64) {
    struct Case {
        core::Bytes data;
        const char* text;
    } cases[] = {{{}, ""}, {{'f'}, "Zg=="}, {{'f', 'o'}, "Zm8="}, {{'f', 'o', 'o'}, "Zm9v"}, {{0xFF, 0x00, 0xFE, 0x7F}, "/wD+fw=="}};
    for (const auto& c : cases) {
        EXPECT_EQ(core::base64_encode(c.data), c.text);
        EXPECT_EQ(core::base64_decode(c.text), c.data);
    }
    for (const char* bad : {"Zg=", "Z===", "Zm9v!A==", "=Zg="}) EXPECT_THROW(core::base64_decode(bad), EConvertError) << bad;
}

TEST(FormResource, FileRoundTrip) {
    register_classes();
    TTestForm form(nullptr);
    form.SetName("F");
    form.Caption = "x";
    std::string path = test_dir() + "form.json";
    core::write_component_file(form, path);
    TComponent* back = core::read_component_file(path, nullptr);
    EXPECT_EQ(As<TTestForm>(back)->Caption, "x");
    delete back;
    DeleteFile(path);
}
