#pragma once
// Concrete filters for the tests (the library has only abstract ones), a
// component that records the components freed while it watches them, and a
// container component for form resources.

#include "platform/core/ClassBuilder.h"
#include "report_support/RSFilters.h"

#include <vector>

namespace rs_test {

// A filter of branch Base that writes nothing, registered as Name.
template <class Base, const char* Name>
class TestFilter : public Base {
public:
    using Base::Base;
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<TestFilter, Base>(Name).Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    void BeginDoc() override {}
    void EndDoc() override {}
    void BeginPage() override {}
    void EndPage() override {}
};

inline constexpr char kTestPrintFilter[] = "TTestPrintFilter";
inline constexpr char kTestSaveFilter[] = "TTestSaveFilter";
using TTestPrintFilter = TestFilter<report_support::TRSCustomPrintFilter, kTestPrintFilter>;
using TTestSaveFilter = TestFilter<report_support::TRSCustomSaveFilter, kTestSaveFilter>;

// Records every watched component that is freed.
class Watcher : public TComponent {
public:
    Watcher() : TComponent(nullptr) {}
    void Watch(TComponent* c) { FreeNotification(c); }
    bool Freed(const TComponent* c) const {
        for (const TComponent* f : freed_)
            if (f == c) return true;
        return false;
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove) freed_.push_back(AComponent);
    }

private:
    std::vector<const TComponent*> freed_;
};

// A plain container to store components in a form resource.
class TTestReportForm : public TComponent {
public:
    using TComponent::TComponent;
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<TTestReportForm, TComponent>("TTestReportForm").Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
};

}  // namespace rs_test
