#include "report_support/RSFilters.h"
#include "report_support/RSPrintDialog.h"
#include "report_support/RSSaveDialog.h"
#include "report_support/Startup.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "report_support/tests/FilterClasses.h"

using namespace report_support;
using rs_test::TTestPrintFilter;
using rs_test::TTestSaveFilter;
using rs_test::Watcher;

namespace {

class FiltersTest : public ::testing::Test {
protected:
    void SetUp() override { unit_startup(); }
    void TearDown() override { unit_shutdown(); }
};

std::vector<void*> listed() { return ActiveFilterList()->List(); }

}  // namespace

TEST_F(FiltersTest, TheActiveListHoldsLiveFiltersInCreationOrder) {
    EXPECT_EQ(ActiveFilterList()->Count(), 0);
    auto* a = new TTestPrintFilter(nullptr);
    auto* b = new TTestSaveFilter(nullptr);
    TComponent owner(nullptr);
    auto* c = new TTestPrintFilter(&owner);
    EXPECT_EQ(listed(), (std::vector<void*>{a, b, c}));
    delete b;
    EXPECT_EQ(listed(), (std::vector<void*>{a, c}));
    owner.DestroyComponents();   // an owner frees its filters: they leave the list
    EXPECT_EQ(listed(), (std::vector<void*>{a}));
    delete a;
    EXPECT_EQ(ActiveFilterList()->Count(), 0);
}

// Shut-down frees the list but not the filters: a filter that outlives it,
// or is made without it, is freed safely and listed nowhere.
TEST(FilterList, FiltersOutsideStartUpAreNotListedAndFreeSafely) {
    unit_startup();
    auto* outlives = new TTestPrintFilter(nullptr);
    unit_shutdown();
    EXPECT_EQ(ActiveFilterList(), nullptr);
    auto* orphan = new TTestSaveFilter(nullptr);
    delete outlives;
    unit_startup();
    EXPECT_EQ(ActiveFilterList()->Count(), 0) << "a filter made before start-up is not listed";
    delete orphan;
    EXPECT_EQ(ActiveFilterList()->Count(), 0);
    unit_shutdown();
}

TEST_F(FiltersTest, TitleIsFilterTitleOrTheComponentName) {
    struct Case {
        const char* name;
        const char* filter_title;
        const char* shown;
    } cases[] = {
        {"PdfFilter", "", "PdfFilter"},
        {"PdfFilter", "PDF Document", "PDF Document"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        TTestPrintFilter filter(nullptr);
        filter.SetName(c.name);
        filter.SetFilterTitle(c.filter_title);
        std::string text = "unchanged";
        filter.TitleText(text);
        EXPECT_EQ(text, c.shown) << c.name << " / " << c.filter_title;
    }
}

TEST_F(FiltersTest, AFreedFilterLeavesTheParametersWithoutOne) {
    auto* print = new TTestPrintFilter(nullptr);
    auto* save = new TTestSaveFilter(nullptr);
    DefaultPrintParams()->SetFilter(print);
    DefaultSaveParams()->SetFilter(save);
    delete print;
    delete save;
    EXPECT_EQ(DefaultPrintParams()->Filter(), nullptr);
    EXPECT_EQ(DefaultSaveParams()->Filter(), nullptr);

    // A replaced filter is no longer watched: freeing it leaves the new one.
    auto* first = new TTestPrintFilter(nullptr);
    auto* second = new TTestPrintFilter(nullptr);
    DefaultPrintParams()->SetFilter(first);
    DefaultPrintParams()->SetFilter(second);
    delete first;
    EXPECT_EQ(DefaultPrintParams()->Filter(), second);
    delete second;
    EXPECT_EQ(DefaultPrintParams()->Filter(), nullptr);
}

// The storage's detach contract, case by case: what is left of the storage
// after the filters named are freed or detached.
TEST_F(FiltersTest, StorageDetachContract) {
    struct Case {
        const char* what;
        bool storage_owned;
        int filters;                 // attached to the storage
        int freed;                   // the first `freed` filters are then freed
        bool storage_frees_itself;
    } cases[] = {
        {"ownerless, last filter freed", false, 1, 1, true},
        {"ownerless, both filters freed", false, 2, 2, true},
        {"ownerless, one of two freed", false, 2, 1, false},
        {"owned, last filter freed", true, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TComponent owner(nullptr);
        Watcher watcher;
        auto* storage = new TRSFilterStorage(c.storage_owned ? &owner : nullptr);
        watcher.Watch(storage);
        std::vector<TTestPrintFilter*> filters;
        for (int i = 0; i < c.filters; ++i) {
            filters.push_back(new TTestPrintFilter(nullptr));
            storage->AddFilter(filters.back());
            EXPECT_EQ(filters.back()->Storage(), storage);
        }
        for (int i = 0; i < c.freed; ++i) delete filters[i];
        EXPECT_EQ(watcher.Freed(storage), c.storage_frees_itself);
        if (!c.storage_frees_itself) {
            EXPECT_EQ(storage->FilterCount(), c.filters - c.freed);
            for (int i = c.freed; i < c.filters; ++i) EXPECT_EQ(storage->IndexOfFilter(filters[i]), i - c.freed);
        }
        for (int i = c.freed; i < c.filters; ++i) delete filters[i];
        if (!c.storage_owned && !watcher.Freed(storage)) delete storage;
    }
}

TEST_F(FiltersTest, AFreedStorageLeavesItsFiltersWithoutOne) {
    auto* storage = new TRSFilterStorage(nullptr);
    TTestPrintFilter a(nullptr), b(nullptr);
    storage->AddFilter(&a);
    storage->AddFilter(&b);
    delete storage;
    EXPECT_EQ(a.Storage(), nullptr);
    EXPECT_EQ(b.Storage(), nullptr);
}

TEST_F(FiltersTest, AStorageFreeingItsOwnFiltersDoesNotDetachThem) {
    // The filters are owned by the storage and attached to it.
    Watcher watcher;
    auto* storage = new TRSFilterStorage(nullptr);
    auto* a = new TTestPrintFilter(storage);
    auto* b = new TTestSaveFilter(storage);
    storage->AddFilter(a);
    storage->AddFilter(b);
    watcher.Watch(a);
    watcher.Watch(b);
    delete storage;
    EXPECT_TRUE(watcher.Freed(a));
    EXPECT_TRUE(watcher.Freed(b));
    EXPECT_EQ(ActiveFilterList()->Count(), 0);
}

// Detaching directly clears the filter's Storage as well, so a storage that
// frees itself leaves no filter pointing at it.
TEST_F(FiltersTest, DetachingClearsTheFiltersStorage) {
    Watcher watcher;
    auto* storage = new TRSFilterStorage(nullptr);
    TTestPrintFilter filter(nullptr);
    storage->AddFilter(&filter);
    watcher.Watch(storage);
    DetachFilterFromStorage(storage, &filter);
    EXPECT_TRUE(watcher.Freed(storage));
    EXPECT_EQ(filter.Storage(), nullptr);

    // A filter moved to another storage leaves the first.
    TComponent owner(nullptr);
    auto* first = new TRSFilterStorage(&owner);
    auto* second = new TRSFilterStorage(&owner);
    first->AddFilter(&filter);
    second->AddFilter(&filter);
    EXPECT_EQ(first->FilterCount(), 0);
    EXPECT_EQ(second->IndexOfFilter(&filter), 0);
    EXPECT_EQ(filter.Storage(), second);
}

TEST_F(FiltersTest, TheAbstractFiltersCannotBeCreatedByName) {
    for (const char* name : {"TRSCustomFilter", "TRSCustomPrintFilter", "TRSCustomSaveFilter"}) {
        TClass cls = FindClass(name);
        EXPECT_TRUE(cls->IsAbstract()) << name;
        EXPECT_THROW(cls->Create(nullptr), EInvalidOperation) << name;
    }
    EXPECT_FALSE(FindClass("TRSFilterStorage")->IsAbstract());
}
