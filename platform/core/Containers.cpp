#include "platform/core/Containers.h"

#include <algorithm>

#include "platform/core/ClassBuilder.h"


namespace {
std::vector<TDataModule*>& module_list() {
    static std::vector<TDataModule*> list;
    return list;
}
}  // namespace

TDataModule::TDataModule(TComponent* AOwner) : TComponent(AOwner) { module_list().push_back(this); }

TDataModule::~TDataModule() {
    auto& list = module_list();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

TClass TDataModule::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TDataModule, TComponent>("TDataModule").Build();
    return &info;
}

TClass TDataModule::ClassType() const { return StaticClass(); }

TClass TFrame::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TFrame, TComponent>("TFrame").Build();
    return &info;
}

TClass TFrame::ClassType() const { return StaticClass(); }

namespace core {
const std::vector<TDataModule*>& data_modules() { return module_list(); }
}  // namespace core
