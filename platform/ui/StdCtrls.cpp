#include "platform/ui/StdCtrls.h"

#include "platform/core/ClassBuilder.h"

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
    Width = 65;
    Height = 13;
}

void TLabel::Paint(TCanvas& canvas, const TRect& bounds) const {
    if (!Transparent) {
        canvas.Brush.Color = Color;
        canvas.Brush.Style = bsSolid;
        canvas.FillRect(bounds);
    }
    canvas.Font.Assign(&EffectiveFont());
    canvas.Brush.Style = bsClear;
    canvas.TextAlign = TA_LEFT | TA_TOP;
    // An auto-sized label grows with its text; a fixed one clips it.
    if (AutoSize) canvas.TextOut(bounds.Left, bounds.Top, Caption);
    else canvas.TextRect(bounds, bounds.Left, bounds.Top, Caption);
}

TClass TLabel::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TLabel, TControl>("TLabel")
        .String("Caption", &TLabel::Caption, &TLabel::Caption)
        .Integer("Color", &TLabel::Color, &TLabel::Color).Default(int(clBtnFace))
        .Bool("Transparent", &TLabel::Transparent, &TLabel::Transparent)
        .Bool("AutoSize", &TLabel::AutoSize, &TLabel::AutoSize).Default(true)
        .Build();
    return &info;
}
TClass TLabel::ClassType() const { return StaticClass(); }
