#pragma once
// TLabel: a line of text painted on its form.

#include "platform/ui/Controls.h"

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* AOwner);
    static TClass StaticClass();
    TClass ClassType() const override;

    std::string Caption;
    TColor Color = clBtnFace;  // background when not Transparent
    bool Transparent = false;
    bool AutoSize = true;

    void Paint(TCanvas& canvas, const TRect& bounds) const override;
};
