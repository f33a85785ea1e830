#include "report/bands/BandRptPanel.h"

#include "platform/core/ClassBuilder.h"

#include <cmath>

using report::grey;
using report::rgb;
using report::Rnd;

namespace {

const TBRDesignColorScheme kHighColor = {psSolid, psSolid, grey(249), grey(240), "Small Fonts", grey(112), 6,
                                         psDot,   rgb(128, 128, 255), psDot, grey(96)};
const TBRDesignColorScheme kLowColor = {psDot, psSolid, grey(192), grey(192), "Small Fonts", grey(192), 6,
                                        psDash, grey(128), psSolid, grey(128)};
const TBRDesignColorScheme* g_scheme = &kHighColor;

}  // namespace

const TBRDesignColorScheme& DesignColorScheme() { return *g_scheme; }
void UseHighColorScheme() { g_scheme = &kHighColor; }
void UseLowColorScheme() { g_scheme = &kLowColor; }
void SelectDesignColorScheme(int num_colors) {
    if (num_colors > 256 || num_colors < 0) UseHighColorScheme();
    else UseLowColorScheme();
}

// --------------------------------------------------------------- Printable

namespace report {

Printable::Printable(TComponent* owner) : Control(owner) {}

TClass Printable::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<Printable, Control>("TBRModelPrintable").Abstract().Build();
    return &info;
}
TClass Printable::ClassType() const { return StaticClass(); }

}  // namespace report

// ----------------------------------------------------------- TBRBasePanel

TBRBasePanel::TBRBasePanel(TComponent* owner) : Control(owner), frame_(std::make_unique<TBRFrame>()) {
    frame_->Control = this;
}

TBRBasePanel::~TBRBasePanel() = default;

TClass TBRBasePanel::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRBasePanel, report::Control>("TBRBasePanel")
            .Abstract()
            .Integer("Tag", &TBRBasePanel::Tag, &TBRBasePanel::SetTag)
            .Integer("Left", &TBRBasePanel::Left, &TBRBasePanel::SetLeft)
            .NoDefault()
            .Integer("Top", &TBRBasePanel::Top, &TBRBasePanel::SetTop)
            .NoDefault()
            .Integer("Width", &TBRBasePanel::Width, &TBRBasePanel::SetWidth)
            .NoDefault()
            .Integer("Height", &TBRBasePanel::Height, &TBRBasePanel::SetHeight)
            .NoDefault()
            .Object("Frame", &TBRBasePanel::Frame)
            .Build();
    return &info;
}
TClass TBRBasePanel::ClassType() const { return StaticClass(); }

void TBRBasePanel::SetFrame(const TBRFrame* frame) {
    if (frame && frame != frame_.get()) frame_->Assign(frame);
    Invalidate();
}

void TBRBasePanel::SetZoom(int zoom) {
    if (zoom == 0) return;
    zoom_ = zoom;
    for (int i = 0; i < ControlCount(); ++i) {
        Control* c = Controls(i);
        if (auto* p = dynamic_cast<report::Printable*>(c)) p->SetZoom(zoom);
        else if (auto* panel = dynamic_cast<TBRBasePanel*>(c)) panel->SetZoom(zoom);
    }
}

void TBRBasePanel::Paint(TCanvas& canvas) {
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = Enabled() ? Color() : grey(192);
    canvas.FillRect(ClientRect());
    canvas.Brush.Style = bsClear;
}

void TBRBasePanel::DrawRulers(TCanvas& canvas, TBRUnit unit) {
    if (unit != TBRUnit::Inches && unit != TBRUnit::MM && unit != TBRUnit::Characters) return;
    const TBRDesignColorScheme& scheme = DesignColorScheme();
    canvas.Font.Name = scheme.RulerFontName;
    canvas.Font.SetSize(scheme.RulerFontSize);
    canvas.Font.Color = scheme.RulerFontColor;
    canvas.Pen.Color = grey(192);
    canvas.Pen.Width = 1;
    const bool labelled = LabelledRulers();
    const long double R = report::screen_pixels_per_inch();
    const long double Z = zoom_ > 0 ? zoom_ : 100;
    const long double W = Width(), H = Height();
    auto vertical = [&](int x) {
        canvas.MoveTo(x, 0);
        canvas.LineTo(x, int(H));
    };
    auto horizontal = [&](int y) {
        canvas.MoveTo(0, y);
        canvas.LineTo(int(W), y);
    };
    auto pen_for = [&](bool major) {
        canvas.Pen.Style = major ? scheme.MajorRulerStyle : scheme.MinorRulerStyle;
        canvas.Pen.Color = major ? scheme.MajorRulerColor : scheme.MinorRulerColor;
    };
    switch (unit) {
    case TBRUnit::Inches: {
        const bool minor = Z >= 50;
        const long double s = R / 4 * Z / 100;
        for (std::int64_t i = 1, n = Rnd(W / R / Z * 400); i <= n; ++i) {
            const bool major = i % 4 == 0;
            pen_for(major);
            const int x = int(Rnd(i * s));
            if (major || minor) vertical(x);
            if (major && labelled) canvas.TextOut(x + 2, 2, std::to_string(i / 4));
        }
        for (std::int64_t j = 1, n = Rnd(H / R / Z * 400); j <= n; ++j) {
            const bool major = j % 4 == 0;
            pen_for(major);
            const int y = int(Rnd(j * s));
            if (major || minor) horizontal(y);
            if (major && labelled) canvas.TextOut(2, y + 2, std::to_string(j / 4));
        }
        break;
    }
    case TBRUnit::MM: {
        const bool minor = Z >= 60;
        const long double f = 1 / R * 5.08L / Z * 100;
        for (std::int64_t i = 1, n = Rnd(W * f); i <= n; ++i) {
            const bool major = i % 2 == 0;
            pen_for(major);
            const int x = int(Rnd(i / f));
            if (major && labelled && minor) canvas.TextOut(x + 2, 2, std::to_string(i / 2));
            if (major || minor) vertical(x);
        }
        for (std::int64_t j = 1, n = Rnd(H * f); j <= n; ++j) {
            const bool major = j % 2 == 0;
            pen_for(major);
            const int y = int(Rnd(j / f));
            if (major && labelled && minor) canvas.TextOut(2, y + 2, std::to_string(j / 2));
            if (major || minor) horizontal(y);
        }
        break;
    }
    default: {
        canvas.Pen.Style = psDot;
        const long double points = CharacterPointSize != 0 ? std::fabs(static_cast<long double>(CharacterPointSize))
                                                           : report::kDefaultCharacterPoints;
        const long double c = CharColumnMM(points);
        for (std::int64_t i = 1, n = Rnd(W / R * 25.4L / c / 10); i <= n; ++i) {
            const int x = int(Rnd(c * i * R / 2.54L));
            vertical(x);
            if (labelled) canvas.TextOut(x + 2, 2, std::to_string(i * 10));
        }
        const long double l = CharLineMM(points);
        for (std::int64_t j = 1, n = Rnd(H / R * 25.4L / l); j <= n; ++j) {
            const int y = int(Rnd(l * j * R / 25.4L));
            horizontal(y);
            if (labelled) canvas.TextOut(2, y + 2, std::to_string(j));
        }
        break;
    }
    }
    canvas.Pen.Style = psSolid;
}

void TBRBasePanel::PreparePrintables() {
    for (int i = 0; i < ControlCount(); ++i) {
        Control* c = Controls(i);
        if (auto* p = dynamic_cast<report::Printable*>(c)) p->PrepareForRun();
        else if (auto* panel = dynamic_cast<TBRBasePanel*>(c)) panel->PreparePrintables();
    }
}

void TBRBasePanel::UnpreparePrintables() {
    for (int i = 0; i < ControlCount(); ++i) {
        Control* c = Controls(i);
        if (auto* p = dynamic_cast<report::Printable*>(c)) p->UnprepareAfterRun();
        else if (auto* panel = dynamic_cast<TBRBasePanel*>(c)) panel->UnpreparePrintables();
    }
}
