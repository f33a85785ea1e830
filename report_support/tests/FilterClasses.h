#pragma once
// Concrete filters for the tests (the library has only abstract ones), a
// component that records the components freed while it watches them, and a
// container component for form resources.

#include "platform/core/ClassBuilder.h"
#include "report_support/RSFilters.h"

#include <vector>

namespace rs_test {

class TTestPrintFilter : public report_support::TRSCustomPrintFilter {
public:
    using TRSCustomPrintFilter::TRSCustomPrintFilter;
    static TClass StaticClass() {
        static const TClassInfo info =
            core::ClassBuilder<TTestPrintFilter, report_support::TRSCustomPrintFilter>("TTestPrintFilter").Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    void BeginDoc() override {}
    void EndDoc() override {}
    void BeginPage() override {}
    void EndPage() override {}
};

class TTestSaveFilter : public report_support::TRSCustomSaveFilter {
public:
    using TRSCustomSaveFilter::TRSCustomSaveFilter;
    static TClass StaticClass() {
        static const TClassInfo info =
            core::ClassBuilder<TTestSaveFilter, report_support::TRSCustomSaveFilter>("TTestSaveFilter").Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    void BeginDoc() override {}
    void EndDoc() override {}
    void BeginPage() override {}
    void EndPage() override {}
};

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
