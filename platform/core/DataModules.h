#pragma once
// Data modules: containers of non-visual components (datasets, connections)
// that the whole application reaches. Every data module in existence is
// listed, in the order they were created, without any screen.

#include "platform/core/Classes.h"

#include <vector>

class TDataModule : public TComponent {
public:
    explicit TDataModule(TComponent* AOwner);
    ~TDataModule() override;
    static TClass StaticClass();
    TClass ClassType() const override;
};

namespace core {
// The application's data modules, oldest first.
const std::vector<TDataModule*>& data_modules();
}  // namespace core
