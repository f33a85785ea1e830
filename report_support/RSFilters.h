#pragma once
// Output filters: the abstract filter with its print and save branches, the
// process-wide list of live filters, and the storage component that filters
// attach to.

#include "platform/core/Classes.h"

#include <string>
#include <vector>

namespace report_support {

class TRSFilterStorage;

// An output filter. Every filter alive is in ActiveFilterList(), in the order
// the filters were created.
class TRSCustomFilter : public TComponent {
public:
    explicit TRSCustomFilter(TComponent* owner);
    // Leaves ActiveFilterList() and detaches from its storage.
    ~TRSCustomFilter() override;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    const std::string& FilterTitle() const { return title_; }
    void SetFilterTitle(const std::string& title) { title_ = title; }
    // The storage this filter is attached to (not owned), or null.
    TRSFilterStorage* Storage() const { return storage_; }
    // The title to show: FilterTitle, or the component's Name when it is empty.
    virtual void TitleText(std::string& text) const;

    // What a concrete filter writes: a document of pages.
    virtual void BeginDoc() = 0;
    virtual void EndDoc() = 0;
    virtual void BeginPage() = 0;
    virtual void EndPage() = 0;

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TRSFilterStorage;
    friend void DetachFilterFromStorage(TRSFilterStorage* storage, TRSCustomFilter* filter);
    std::string title_;
    TRSFilterStorage* storage_ = nullptr;
};

// A filter that prints. The defaults ask for nothing in particular.
class TRSCustomPrintFilter : public TRSCustomFilter {
public:
    using TRSCustomFilter::TRSCustomFilter;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    // The device to print on; "" is the default device.
    virtual std::string DeviceName() const { return ""; }
    // The paper code to ask the device for; 0 keeps the device's paper.
    virtual int PaperCode() const { return 0; }
    // The printer to use by index; -1 is the default printer.
    virtual int PrinterIndex() const { return -1; }
    // Called around a print job.
    virtual void BeginJob() {}
    virtual void EndJob() {}
};

// A filter that saves to a file.
class TRSCustomSaveFilter : public TRSCustomFilter {
public:
    using TRSCustomFilter::TRSCustomFilter;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
};

// A component holding a list of filters. A storage with no owner frees itself
// when its last filter is detached.
class TRSFilterStorage : public TComponent {
public:
    explicit TRSFilterStorage(TComponent* owner);
    ~TRSFilterStorage() override;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    int FilterCount() const { return int(filters_.size()); }
    TRSCustomFilter* Filters(int index) const;   // EListError "List index out of bounds (%d)"
    int IndexOfFilter(const TRSCustomFilter* filter) const;
    // Attaches a filter (detaching it from the storage it had first).
    void AddFilter(TRSCustomFilter* filter);

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend void DetachFilterFromStorage(TRSFilterStorage* storage, TRSCustomFilter* filter);
    std::vector<TRSCustomFilter*> filters_;
};

// Takes `filter` out of `storage`'s list (nothing while the storage is being
// destroyed, or when the filter is not in it) and clears the filter's
// Storage; a storage left with no owner and no filter frees itself.
void DetachFilterFromStorage(TRSFilterStorage* storage, TRSCustomFilter* filter);

// Every live filter in creation order; null before start-up and after
// shut-down (filters made then are not listed).
TList* ActiveFilterList();

// Start-up: creates ActiveFilterList() and registers the filter classes.
void InitFilters();
// Shut-down: frees the list, not the filters.
void DoneFilters();

}  // namespace report_support
