#pragma once
// Containers of components that are no windows here: data modules, which
// hold the datasets and connections the whole application reaches, and
// frames, which group components placed on a form. Every data module in
// existence is listed, oldest first, without any screen.

#include "platform/core/Classes.h"

#include <vector>

class TDataModule : public TComponent {
public:
    explicit TDataModule(TComponent* AOwner);
    ~TDataModule() override;
    static TClass StaticClass();
    TClass ClassType() const override;
};

class TFrame : public TComponent {
public:
    explicit TFrame(TComponent* AOwner) : TComponent(AOwner) {}
    static TClass StaticClass();
    TClass ClassType() const override;
};

namespace core {
// The application's data modules, oldest first.
const std::vector<TDataModule*>& data_modules();
}  // namespace core
