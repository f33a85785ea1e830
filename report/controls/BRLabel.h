#pragma once
// TBRLabel: the static text control (TBRCustomLabel with its properties
// published).

#include "report/controls/BRCustomLabel.h"

class TBRLabel : public TBRCustomLabel {
public:
    explicit TBRLabel(TComponent* owner) : TBRCustomLabel(owner) {}
    static TClass StaticClass();
    TClass ClassType() const override;
};
