#include "platform/ui/Forms.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/FormResource.h"
#include "platform/graphics/qt/QtCanvas.h"
#include "platform/ui/FormWindow.h"
#include "platform/ui/Headless.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <map>

TApplication* Application = nullptr;

// ------------------------------------------------------------------ resources

namespace {
std::map<std::string, std::string, std::less<>>& resources() {
    static std::map<std::string, std::string, std::less<>> r;
    return r;
}
std::string upper_ascii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}
} // namespace

void RegisterFormResource(const std::string& class_name, std::string json) {
    resources()[upper_ascii(class_name)] = std::move(json);
}

const std::string* FindFormResource(const std::string& class_name) {
    auto it = resources().find(upper_ascii(class_name));
    return it == resources().end() ? nullptr : &it->second;
}

// ----------------------------------------------------------------------- form

TForm::TForm(TComponent* AOwner) : TComponent(AOwner) {
    Font.Name = "MS Sans Serif";
    Font.Height = -11;
}

TForm::~TForm() {
    SetState(csDestroying, true);
    for (TControl* c : controls_) c->parent_ = nullptr;
    controls_.clear();
    if (window_) window_->hide();
    window_.reset();
    if (Application != nullptr) Application->form_destroyed(this);
}

void TForm::add_control(TControl* c) {
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) controls_.push_back(c);
    Invalidate();
}

void TForm::remove_control(TControl* c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
    Invalidate();
}

void TForm::Invalidate() {
    if (window_) window_->update();
}

void TForm::PaintClient(TCanvas& canvas) const {
    const TRect client = Rect(0, 0, ClientWidth, ClientHeight);
    canvas.Brush.Color = Color;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(client);
    for (const TControl* c : controls_) {
        if (!c->Visible) continue;
        c->Paint(canvas, c->BoundsIn(client));
        canvas.ResetClip();
    }
}

QImage TForm::Render() const {
    QImage image(std::max(ClientWidth, 1), std::max(ClientHeight, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    graphics::qt::QtCanvas canvas(painter);
    PaintClient(canvas);
    return image;
}

ui::FormWindow& TForm::window() {
    if (!window_) {
        ui::FormWindow::Hooks hooks;
        hooks.paint = [this](QPainter& p) {
            graphics::qt::QtCanvas canvas(p);
            PaintClient(canvas);
        };
        hooks.close_requested = [this]() {
            Close();
            return !visible_;
        };
        window_ = std::make_unique<ui::FormWindow>(std::move(hooks));
    }
    return *window_;
}

void TForm::place_window() {
    ui::FormWindow& w = window();
    w.setWindowTitle(QString::fromStdString(Caption));
    w.set_frame(BorderStyle == bsNone, FormStyle == fsStayOnTop);
    w.set_client_size(ClientWidth, ClientHeight);
    if (Position == poScreenCenter || Position == poDesktopCenter || Position == poMainFormCenter ||
        Position == poOwnerFormCenter)
        w.centre_on_screen();
    else
        w.move(Left, Top);
}

void TForm::Show() {
    if (visible_) {
        if (window_) window_->raise();
        return;
    }
    visible_ = true;
    try {
        OnShow(this);
    } catch (...) {
        if (Application != nullptr) Application->HandleException(this);
    }
    // A form whose show handler already asked the application to end is
    // never put on the screen; nor is any form when there is no screen.
    if (!visible_ || released_) return;
    if (Application != nullptr && Application->Terminated()) return;
    if (ui::is_headless()) return;
    place_window();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void TForm::Hide() {
    if (!visible_) return;
    visible_ = false;
    try {
        OnHide(this);
    } catch (...) {
        if (Application != nullptr) Application->HandleException(this);
    }
    if (window_) window_->hide();
}

void TForm::Close() {
    TCloseAction action = caHide;
    try {
        OnClose(this, action);
    } catch (...) {
        if (Application != nullptr) Application->HandleException(this);
        return;
    }
    if (action == caNone) return;
    const bool main = Application != nullptr && Application->MainForm() == this;
    if (action == caFree) released_ = true;
    if (main) {
        Hide();
        Application->Terminate();
    } else if (action == caHide || action == caMinimize) {
        Hide();
    } else {
        Hide(); // caFree: the owner frees the form with the rest
    }
}

void TForm::ReadResource(TClass cls) {
    const std::string* json = FindFormResource(cls->Name);
    if (json == nullptr) throw EResNotFound("Resource " + cls->Name + " not found");
    ReadResource(*json);
}

void TForm::ReadResource(const std::string& json) {
    core::read_component_into(*this, json);
}

void TForm::DoCreate() {
    try {
        OnCreate(this);
    } catch (...) {
        if (Application != nullptr) Application->HandleException(this);
    }
}

// ---------------------------------------------------------------- application

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
    SetState(csDestroying, true);
    DestroyComponents();
    main_form_ = nullptr;
    if (Application == this) Application = nullptr;
}

void TApplication::form_destroyed(TForm* form) {
    if (main_form_ == form) main_form_ = nullptr;
}

void TApplication::Initialize() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) app->setQuitOnLastWindowClosed(false);
}

void TApplication::Run() {
    running_ = true;
    if (main_form_ == nullptr) return;
    main_form_->Show();
    if (terminated_) return;
    if (ui::is_headless()) {
        abandoned_wait_ = true;
        return;
    }
    if (QCoreApplication::instance() != nullptr) QCoreApplication::exec();
}

void TApplication::Terminate() {
    terminated_ = true;
    if (QCoreApplication::instance() != nullptr) QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return ui::message_box(text, caption, flags);
}

void TApplication::ShowException(const std::exception& e) {
    MessageBox(ui::error_box_text(e.what()), title_, ui::MB_OK | ui::MB_ICONERROR);
}

void TApplication::HandleException(TObject*) {
    try {
        throw;
    } catch (const EAbort&) {
        // silent by design
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
}

TClass TForm::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TForm, TComponent>("TForm")
        .Enum("BorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
              &TForm::BorderStyle, &TForm::BorderStyle).Default(int(bsSizeable))
        .String("Caption", &TForm::Caption, &TForm::Caption)
        .Integer("ClientHeight", &TForm::ClientHeight, &TForm::ClientHeight).NoDefault()
        .Integer("ClientWidth", &TForm::ClientWidth, &TForm::ClientWidth).NoDefault()
        .Integer("Color", &TForm::Color, &TForm::Color).Default(int(clBtnFace))
        .Bool("Ctl3D", &TForm::Ctl3D, &TForm::Ctl3D).Default(true)
        .Object("Font", [](const TForm& f) { return const_cast<TFont*>(&f.Font); })
        .Enum("FormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}, &TForm::FormStyle,
              &TForm::FormStyle)
        .Integer("Left", &TForm::Left, &TForm::Left)
        .Enum("Position", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                           "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
              &TForm::Position, &TForm::Position)
        .Integer("Top", &TForm::Top, &TForm::Top)
        .Event("OnClose", &TForm::OnClose)
        .Event("OnCreate", &TForm::OnCreate)
        .Event("OnHide", &TForm::OnHide)
        .Event("OnShow", &TForm::OnShow)
        .Build();
    return &info;
}
TClass TForm::ClassType() const { return StaticClass(); }

TClass TApplication::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TApplication, TComponent>("TApplication")
        .String("Title", &TApplication::Title, &TApplication::SetTitle)
        .Build();
    return &info;
}
TClass TApplication::ClassType() const { return StaticClass(); }
