#pragma once
// Forms and the application object: a form is a top-level window built from
// its form resource; the application runs the message loop, owns the forms,
// shows message boxes and the error box of exceptions no handler caught.

#include "platform/ui/Controls.h"
#include "platform/ui/Dialogs.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

class QImage;
namespace ui { class FormWindow; }

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = TMethodEvent<void(TObject* Sender, TCloseAction& Action)>;

// A top-level window. A described subclass is built from the form resource
// registered under its class name: its properties, its components, and its
// events bound by name to its published handlers; then OnCreate runs.
class TForm : public TComponent {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    // Published properties.
    std::string Caption;
    TFormBorderStyle BorderStyle = bsSizeable;
    TFormStyle FormStyle = fsNormal;
    TPosition Position = poDesigned;
    int Left = 0, Top = 0;
    int ClientWidth = 0, ClientHeight = 0;
    TColor Color = clBtnFace;
    bool Ctl3D = true;
    TFont Font;
    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;

    // Makes the form visible: OnShow runs first, while nothing is on the
    // screen yet; then the window is placed and shown. When the handler asked
    // the application to terminate, the window is not put on the screen.
    void Show();
    void Hide();
    bool Visible() const { return visible_; }
    // Runs OnClose (default action caHide; the main form's close ends the
    // application) and does what the action says.
    void Close();

    // The controls placed on the form, in painting order.
    const std::vector<TControl*>& Controls() const { return controls_; }
    // Paints the client area (background, then every visible control).
    void PaintClient(TCanvas& canvas) const;
    // The client area painted into an image (what the window shows).
    QImage Render() const;
    // The Qt window, created on first use; null before.
    ui::FormWindow* Window() const { return window_.get(); }
    void Invalidate();

    // Reads the form resource registered for `cls` into this form
    // (EResNotFound "Resource %s not found" when there is none).
    void ReadResource(TClass cls);
    // Reads a form resource document into this form.
    void ReadResource(const std::string& json);
    // Runs OnCreate, reporting an exception through the application.
    void DoCreate();

private:
    friend class TControl;
    void add_control(TControl* c);
    void remove_control(TControl* c);
    ui::FormWindow& window();
    void place_window();

    std::vector<TControl*> controls_;
    std::unique_ptr<ui::FormWindow> window_;
    bool visible_ = false;
    bool released_ = false;
};

// A form class whose form resource is missing.
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

// Registers the JSON form resource for a form class (by class name). Forms
// of that class read it when they are created.
void RegisterFormResource(const std::string& class_name, std::string json);
const std::string* FindFormResource(const std::string& class_name);

// The application: owns the forms, runs the message loop.
class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    void Initialize();
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    // Creates a form owned by the application; the first becomes the main form.
    // The form's own exceptions during creation are reported, not raised.
    template <class F>
    void CreateForm(F*& reference) {
        reference = new F(this);
        if (main_form_ == nullptr) main_form_ = reference;
    }
    TForm* MainForm() const { return main_form_; }

    // Shows the main form and handles messages until Terminate. Without a
    // screen, a form left open would wait for no one: Run returns at once.
    void Run();
    // Asks the message loop to end (a quit request).
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles the messages waiting in the queue, then returns.
    void ProcessMessages();

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
    // The error box of an exception: its message (with a full stop when the
    // last character sorts after "."), captioned with the title, error icon, OK.
    void ShowException(const std::exception& e);
    // Reports the exception being handled (call inside a catch block).
    void HandleException(TObject* Sender);

    // True when Run ended because the main form stayed open with no screen
    // to show it on.
    bool AbandonedWait() const { return abandoned_wait_; }

private:
    friend class TForm;
    void form_destroyed(TForm* form);

    std::string title_;
    TForm* main_form_ = nullptr;
    bool terminated_ = false;
    bool running_ = false;
    bool abandoned_wait_ = false;
};

// The program's application object, made by the unit start-up of platform/ui.
extern TApplication* Application;
