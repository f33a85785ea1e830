#pragma once
// TLabel: a line of text painted on its form.

#include "platform/ui/Controls.h"

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* AOwner);
    static TClass StaticClass();
    TClass ClassType() const override;

    std::string Caption;
    ui::Color Color = ui::clBtnFace;  // background when not Transparent
    bool Transparent = false;
    bool AutoSize = true;

    void Paint(QPainter& painter, const QRect& bounds) const override;
};
