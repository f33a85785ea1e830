#pragma once
// What the print and save parameters share: the file, the page range, the
// filter and the help context. Each parameters class is described to the
// class registry as a TComponent of its own; this base only holds the code.

#include "platform/core/ClassBuilder.h"

#include <memory>
#include <string>

namespace report_support {

template <class FilterClass>
class OutputParams : public TComponent {
public:
    using TComponent::TComponent;

    const std::string& FileName() const { return file_name_; }
    void SetFileName(const std::string& value) { file_name_ = value; }
    int MaxPage() const { return max_page_; }
    // A range that ran to the last page (ToPage = MaxPage) keeps running to it.
    void SetMaxPage(int value) {
        if (to_page_ == max_page_) to_page_ = value;
        max_page_ = value;
    }
    int ToPage() const { return to_page_; }
    void SetToPage(int value) { to_page_ = value; }
    int MinPage() const { return min_page_; }
    void SetMinPage(int value) { min_page_ = value; }
    int FromPage() const { return from_page_; }
    void SetFromPage(int value) { from_page_ = value; }
    // The filter to write through (not owned); cleared when that filter is freed.
    FilterClass* Filter() const { return filter_; }
    void SetFilter(FilterClass* value) {
        if (filter_ == value) return;
        if (filter_) RemoveFreeNotification(filter_);
        filter_ = value;
        if (filter_) FreeNotification(filter_);
    }
    int HelpContext() const { return help_context_; }
    void SetHelpContext(int value) { help_context_ = value; }

    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent && AComponent == static_cast<TComponent*>(filter_)) filter_ = nullptr;
    }

private:
    std::string file_name_;
    int max_page_ = 0, to_page_ = 0, min_page_ = 0, from_page_ = 0;
    FilterClass* filter_ = nullptr;
    int help_context_ = 0;
};

// Publishes MaxPage, MinPage, FromPage and ToPage of T, in that order and
// always stored, so a stored range reads back as written (MaxPage first).
template <class T>
void PublishPageRange(core::ClassBuilder<T, TComponent>& b) {
    b.Integer("MaxPage", &T::MaxPage, &T::SetMaxPage).NoDefault()
        .Integer("MinPage", &T::MinPage, &T::SetMinPage).NoDefault()
        .Integer("FromPage", &T::FromPage, &T::SetFromPage).NoDefault()
        .Integer("ToPage", &T::ToPage, &T::SetToPage).NoDefault();
}

// Publishes Filter and HelpContext of T (the help context always stored).
template <class T>
void PublishFilter(core::ClassBuilder<T, TComponent>& b) {
    b.Component("Filter", &T::Filter, &T::SetFilter)
        .Integer("HelpContext", &T::HelpContext, &T::SetHelpContext).NoDefault();
}

// The program's one instance of parameters class T (no owner): null until
// StartDefaultParams<T>() registers T and makes it, and after StopDefaultParams<T>().
template <class T>
std::unique_ptr<T>& DefaultParams() {
    static std::unique_ptr<T> params;
    return params;
}
template <class T>
void StartDefaultParams() {
    RegisterClass(T::StaticClass());
    DefaultParams<T>() = std::make_unique<T>(nullptr);
}
template <class T>
void StopDefaultParams() {
    DefaultParams<T>().reset();
    UnRegisterClass(T::StaticClass());
}

}  // namespace report_support
