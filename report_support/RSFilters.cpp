#include "report_support/RSFilters.h"

#include "platform/core/ClassBuilder.h"

#include <algorithm>
#include <memory>

namespace report_support {
namespace {

std::unique_ptr<TList>& active_filters() {
    static std::unique_ptr<TList> list;
    return list;
}

}  // namespace

// ------------------------------------------------------------------ filters

TRSCustomFilter::TRSCustomFilter(TComponent* owner) : TComponent(owner) {
    if (TList* list = ActiveFilterList()) list->Add(this);
}

TRSCustomFilter::~TRSCustomFilter() {
    if (TList* list = ActiveFilterList()) list->Remove(this);
    if (storage_) DetachFilterFromStorage(storage_, this);
}

TClass TRSCustomFilter::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TRSCustomFilter, TComponent>("TRSCustomFilter").Build();
    return &info;
}

void TRSCustomFilter::TitleText(std::string& text) const { text = title_.empty() ? Name() : title_; }

void TRSCustomFilter::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == storage_) storage_ = nullptr;
}

TClass TRSCustomPrintFilter::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TRSCustomPrintFilter, TRSCustomFilter>("TRSCustomPrintFilter").Build();
    return &info;
}

TClass TRSCustomSaveFilter::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TRSCustomSaveFilter, TRSCustomFilter>("TRSCustomSaveFilter").Build();
    return &info;
}

// ------------------------------------------------------------------ storage

TRSFilterStorage::TRSFilterStorage(TComponent* owner) : TComponent(owner) {}

TRSFilterStorage::~TRSFilterStorage() {
    // Filters detaching from here on leave this storage alone.
    SetState(csDestroying, true);
    for (TRSCustomFilter* filter : filters_) {
        filter->storage_ = nullptr;
        RemoveFreeNotification(filter);
    }
    filters_.clear();
}

TClass TRSFilterStorage::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TRSFilterStorage, TComponent>("TRSFilterStorage").Build();
    return &info;
}

TRSCustomFilter* TRSFilterStorage::Filters(int index) const {
    if (index < 0 || index >= FilterCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
    return filters_[std::size_t(index)];
}

int TRSFilterStorage::IndexOfFilter(const TRSCustomFilter* filter) const {
    auto it = std::find(filters_.begin(), filters_.end(), filter);
    return it == filters_.end() ? -1 : int(it - filters_.begin());
}

void TRSFilterStorage::AddFilter(TRSCustomFilter* filter) {
    if (!filter || filter->storage_ == this) return;
    if (filter->storage_) DetachFilterFromStorage(filter->storage_, filter);
    filters_.push_back(filter);
    filter->storage_ = this;
    FreeNotification(filter);
}

void TRSFilterStorage::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    // A filter freed without detaching first (never by its own destructor,
    // which detaches) only leaves the list.
    filters_.erase(std::remove(filters_.begin(), filters_.end(), AComponent), filters_.end());
}

void DetachFilterFromStorage(TRSFilterStorage* storage, TRSCustomFilter* filter) {
    if (!storage || !filter || storage->InState(csDestroying)) return;
    auto& filters = storage->filters_;
    auto it = std::find(filters.begin(), filters.end(), filter);
    if (it == filters.end()) return;
    filters.erase(it);
    if (filter->storage_ == storage) {
        filter->storage_ = nullptr;
        storage->RemoveFreeNotification(filter);
    }
    if (!storage->Owner() && filters.empty()) delete storage;
}

// -------------------------------------------------------------- the list

TList* ActiveFilterList() { return active_filters().get(); }

void InitFilters() {
    if (!active_filters()) active_filters() = std::make_unique<TList>();
    RegisterClasses({TRSCustomFilter::StaticClass(), TRSCustomPrintFilter::StaticClass(),
                     TRSCustomSaveFilter::StaticClass(), TRSFilterStorage::StaticClass()});
}

void DoneFilters() {
    UnRegisterClass(TRSFilterStorage::StaticClass());
    UnRegisterClass(TRSCustomSaveFilter::StaticClass());
    UnRegisterClass(TRSCustomPrintFilter::StaticClass());
    UnRegisterClass(TRSCustomFilter::StaticClass());
    active_filters().reset();
}

}  // namespace report_support
