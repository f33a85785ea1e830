#include "interbase/IBL_ClientLib.h"
#include "interbase/IBL_SharedObjects.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <dlfcn.h>

using namespace interbase;

namespace {

using NameFn = const char* (*)();

// Points the binding at one file for the length of a test, and gives back
// every hold the test left out, so each test starts from "nothing held".
class ClientOverride {
public:
    explicit ClientOverride(const char* path) {
        if (path) setenv(kClientLibraryVariable, path, 1);
        else unsetenv(kClientLibraryVariable);
    }
    ~ClientOverride() {
        while (ClientLibraryHoldCount() >= 0) ReleaseClientLibrary();
        unsetenv(kClientLibraryVariable);
    }
};

// True while the file is mapped in the process.
bool mapped(const char* path) {
    void* h = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (h) dlclose(h);
    return h != nullptr;
}

ClientEntry entry_at(int slot) { return static_cast<ClientEntry>(slot); }

// The run's holds: the shared-object unit's one, then the binding unit's two.
void start_units() {
    SharedObjectsUnitStartup();
    try {
        BindingUnitStartup();
    } catch (...) {
        SharedObjectsUnitShutdown();
        throw;
    }
}
void stop_units() {
    BindingUnitShutdown();
    SharedObjectsUnitShutdown();
}

void expect_all_slots_empty() {
    for (int slot = 0; slot < kClientEntrySlotCount; ++slot)
        EXPECT_EQ(ClientEntryPoint(entry_at(slot)), nullptr) << ClientEntryName(entry_at(slot));
}

}  // namespace

TEST(ClientLibraryNames, DefaultsAndOverride) {
    struct Case {
        const char* env;
        std::vector<std::string> names;
    } cases[] = {
        {nullptr, {"libgds.so", "libfbclient.so.2"}},
        {"", {"libgds.so", "libfbclient.so.2"}},
        {"/opt/client/libother.so", {"/opt/client/libother.so"}},
    };
    for (const Case& c : cases) {
        ClientOverride over(c.env);
        EXPECT_EQ(ClientLibraryNames(), c.names) << (c.env ? c.env : "(unset)");
    }
}

TEST(ClientBinding, FullLibraryBindsEverySlotToItsOwnSymbol) {
    ClientOverride over(IB_STUB_FULL);
    std::fesetround(FE_TONEAREST);
    start_units();
    EXPECT_EQ(std::fegetround(), FE_TONEAREST) << "loading the library changed the rounding mode";
    EXPECT_TRUE(ClientLibraryLoaded());
    EXPECT_EQ(ClientLibraryName(), IB_STUB_FULL);
    EXPECT_EQ(ClientLibraryHoldCount(), 2);
    EXPECT_TRUE(ClientResourcesExist());
    for (int slot = 0; slot < kMandatoryEntryCount + kOptionalEntryCount; ++slot) {
        ClientEntry e = entry_at(slot);
        ASSERT_NE(ClientEntryPoint(e), nullptr) << ClientEntryName(e);
        EXPECT_STREQ(ClientEntryAs<NameFn>(e)(), ClientEntryName(e));
        EXPECT_FALSE(IsMissingEntryFallback(e)) << ClientEntryName(e);
    }
    EXPECT_EQ(ClientEntryPoint(ClientEntry::Unbound), nullptr);

    const MonitorEntryTable& monitor = MonitorEntries();
    for (int slot = 0; slot < kClientEntrySlotCount; ++slot)
        EXPECT_EQ(monitor.entries[slot], ClientEntryPoint(entry_at(slot))) << slot;
    for (EntryPoint notify : monitor.notifications) {
        ASSERT_NE(notify, nullptr);
        notify();
    }

    stop_units();
    EXPECT_EQ(ClientLibraryHoldCount(), 0);
    EXPECT_FALSE(ClientLibraryLoaded());
    EXPECT_FALSE(mapped(IB_STUB_FULL));
    EXPECT_FALSE(ClientResourcesExist());
    expect_all_slots_empty();
    EXPECT_EQ(MonitorEntries().entries[0], nullptr);
}

TEST(ClientBinding, MandatoryOnlyLibraryGetsFallbacks) {
    ClientOverride over(IB_STUB_MANDATORY);
    start_units();
    ASSERT_TRUE(ClientLibraryLoaded());
    struct Case {
        ClientEntry entry;
        const char* message;
    } cases[] = {
        {ClientEntry::isc_service_attach, "isc_service_attach() not implemented"},
        {ClientEntry::isc_service_detach, "isc_service_dettach() not implemented"},
        {ClientEntry::isc_service_query, "isc_service_query() not implemented"},
        {ClientEntry::isc_service_start, "isc_service_start() not implemented"},
        {ClientEntry::isc_add_user, "isc_add_user() not implemented"},
        {ClientEntry::isc_delete_user, "isc_delete_user() not implemented"},
        {ClientEntry::isc_modify_user, "isc_modify_user() not implemented"},
        {ClientEntry::isc_portable_integer, "isc_portable_integer() not implemented"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ClientEntryName(c.entry));
        EXPECT_TRUE(IsMissingEntryFallback(c.entry));
        try {
            ClientEntryPoint(c.entry)();
            ADD_FAILURE() << "fallback did not raise";
        } catch (const EIBL_Error& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    EXPECT_EQ(ClientEntryPoint(ClientEntry::isc_rollback_retaining), nullptr);
    EXPECT_FALSE(IsMissingEntryFallback(ClientEntry::isc_rollback_retaining));
    EXPECT_STREQ(ClientEntryAs<NameFn>(ClientEntry::isc_release_request)(), "isc_release_request");
    EXPECT_EQ(MonitorEntries().entries[static_cast<int>(ClientEntry::isc_add_user)],
              ClientEntryPoint(ClientEntry::isc_add_user));
    stop_units();
    EXPECT_FALSE(mapped(IB_STUB_MANDATORY));
}

TEST(ClientBinding, MissingMandatoryEntryFailsNamingTheFirstOneAndLeavesNothingHeld) {
    // The stub lacks isc_event_block and isc_release_request; the first in
    // binding order is named, after isc_event_counts was bound once already.
    ClientOverride over(IB_STUB_LACKING);
    try {
        start_units();
        ADD_FAILURE() << "start-up went on with an incomplete library";
    } catch (const EIBL_Error& e) {
        EXPECT_EQ(e.Message(), "Unable to locate DLL import isc_event_block");
    }
    EXPECT_EQ(ClientLibraryHoldCount(), -1);
    EXPECT_FALSE(ClientLibraryLoaded());
    EXPECT_FALSE(ClientResourcesExist());
    EXPECT_FALSE(mapped(IB_STUB_LACKING));
    expect_all_slots_empty();
    EXPECT_EQ(MonitorEntries().notifications[0], nullptr) << "entry table copied after a failed bind";

    // A later hold starts from scratch and fails the same way, instead of
    // finding a half-bound table.
    EXPECT_THROW(AcquireClientLibrary(), EIBL_Error);
    EXPECT_EQ(ClientLibraryHoldCount(), -1);
}

TEST(ClientBinding, MissingOrUnloadableLibraryIsNotAnError) {
    const std::string missing = std::string(TAMBLERO_BINARY_DIR) + "/no/such/libclient.so";
    for (const char* path : {missing.c_str(), IB_STUB_BROKEN}) {
        SCOPED_TRACE(path);
        ClientOverride over(path);
        ASSERT_NO_THROW(start_units());
        EXPECT_FALSE(ClientLibraryLoaded());
        EXPECT_EQ(ClientLibraryName(), "");
        EXPECT_EQ(ClientLibraryHoldCount(), 2);
        EXPECT_TRUE(ClientResourcesExist());
        expect_all_slots_empty();  // no fallbacks either
        stop_units();
        EXPECT_EQ(ClientLibraryHoldCount(), 0);
        EXPECT_FALSE(ClientResourcesExist());
    }
}

TEST(ClientBinding, ThreeHoldsAndTwoReleasesLoadOnceAndUnloadOnce) {
    ClientOverride over(IB_STUB_FULL);
    struct Step {
        bool acquire;
        int count;
        bool loaded;
    } steps[] = {
        {true, 0, true}, {true, 1, true}, {true, 2, true},
        {false, 1, true}, {false, 0, false},
        {false, -1, false},  // a third release does nothing
        {false, -1, false},  // nor does one with no hold out
        // The count runs one below the holds out: a lone hold loads the
        // library and its release, back to -1, leaves it loaded.
        {true, 0, true},
        {false, -1, true},
    };
    int n = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(n++);
        if (s.acquire) AcquireClientLibrary();
        else ReleaseClientLibrary();
        EXPECT_EQ(ClientLibraryHoldCount(), s.count);
        EXPECT_EQ(mapped(IB_STUB_FULL), s.loaded);
    }
}

TEST(ClientBinding, HoldsTakenOnManyThreadsAllSeeABoundTable) {
    ClientOverride over(IB_STUB_FULL);
    constexpr int kThreads = 8;
    std::vector<int> bound(kThreads, 0);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([i, &bound] {
                AcquireClientLibrary();
                bound[i] = ClientEntryPoint(ClientEntry::isc_release_request) != nullptr;
            });
    }
    for (int i = 0; i < kThreads; ++i) EXPECT_EQ(bound[i], 1) << "thread " << i;
    EXPECT_EQ(ClientLibraryHoldCount(), kThreads - 1);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i) threads.emplace_back([] { ReleaseClientLibrary(); });
    }
    EXPECT_EQ(ClientLibraryHoldCount(), -1);
    EXPECT_FALSE(mapped(IB_STUB_FULL));
}

TEST(ClientBinding, RealClientLibrary) {
    ClientOverride over(nullptr);
    void* probe = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!probe) GTEST_SKIP() << "libfbclient.so.2 is not installed";
    dlclose(probe);

    start_units();
    ASSERT_TRUE(ClientLibraryLoaded());
    EXPECT_EQ(ClientLibraryName(), "libfbclient.so.2");
    for (int slot = 0; slot < kMandatoryEntryCount + kOptionalEntryCount; ++slot) {
        EXPECT_NE(ClientEntryPoint(entry_at(slot)), nullptr) << ClientEntryName(entry_at(slot));
        EXPECT_FALSE(IsMissingEntryFallback(entry_at(slot))) << ClientEntryName(entry_at(slot));
    }
    // isc_portable_integer reads a little-endian integer of the given length.
    const unsigned char bytes[] = {0x34, 0x12};
    auto portable = ClientEntryAs<long long (*)(const unsigned char*, short)>(ClientEntry::isc_portable_integer);
    EXPECT_EQ(portable(bytes, 2), 0x1234);
    stop_units();
    EXPECT_FALSE(ClientLibraryLoaded());
    expect_all_slots_empty();
}

namespace {
struct Recorder : SharedObject {
    Recorder(std::vector<int>& log, int id) : log_(log), id_(id) {}
    ~Recorder() override { log_.push_back(id_); }
    std::vector<int>& log_;
    int id_;
};
}  // namespace

TEST(SharedObjects, ShutDownFreesTheListFirstToLastThenGivesBackItsHold) {
    ClientOverride over(IB_STUB_FULL);
    start_units();
    std::vector<int> freed;
    SharedObjects() = std::make_unique<SharedObjectList>();
    for (int id : {1, 2, 3}) SharedObjects()->Add(std::make_unique<Recorder>(freed, id));
    BindingUnitShutdown();
    EXPECT_TRUE(freed.empty());
    EXPECT_TRUE(ClientLibraryLoaded());
    SharedObjectsUnitShutdown();
    EXPECT_EQ(freed, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(SharedObjects(), nullptr);
    EXPECT_FALSE(ClientLibraryLoaded());
}
