#include "interbase/Startup.h"

#include "interbase/IBL_ClientLib.h"
#include "interbase/IBL_Grid.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace interbase;

namespace {
// Points the binding at one file for the length of a test. A run's start-up
// and shut-down leave the hold count at 0, not at the -1 a process starts
// with, so every hold left is given back first and last: each test starts
// from "nothing held", whichever tests ran before it in this process.
struct Override {
    explicit Override(const std::string& path) {
        release_all();
        setenv(kClientLibraryVariable, path.c_str(), 1);
    }
    ~Override() {
        release_all();
        unsetenv(kClientLibraryVariable);
    }
    static void release_all() {
        while (ClientLibraryHoldCount() >= 0) ReleaseClientLibrary();
    }
};
}  // namespace

TEST(InterbaseUnits, StartAndStopWithAFullLibrary) {
    Override over(IB_STUB_FULL);
    unit_startup();
    EXPECT_TRUE(ClientLibraryLoaded());
    EXPECT_EQ(ClientLibraryHoldCount(), 2);
    ASSERT_NE(GridSortImages(), nullptr);
    EXPECT_EQ(GridSortImages()->Count(), 9);
    ASSERT_NE(ScrollFixTimer(), nullptr);
    unit_shutdown();
    EXPECT_FALSE(ClientLibraryLoaded());
    EXPECT_EQ(ClientLibraryHoldCount(), 0);
    EXPECT_EQ(GridSortImages(), nullptr);
    EXPECT_EQ(ScrollFixTimer(), nullptr);
    unit_shutdown();  // a second shut-down has nothing left to do
    EXPECT_EQ(ClientLibraryHoldCount(), 0);
}

TEST(InterbaseUnits, IncompleteLibraryStopsStartUpAndLeavesNothingStarted) {
    Override over(IB_STUB_LACKING);
    try {
        unit_startup();
        FAIL() << "start-up went on";
    } catch (const EIBL_Error& e) {
        EXPECT_EQ(e.Message(), "Unable to locate DLL import isc_event_block");
    }
    EXPECT_EQ(ClientLibraryHoldCount(), -1);
    EXPECT_FALSE(ClientLibraryLoaded());
    EXPECT_EQ(GridCheckImages(), nullptr);
    EXPECT_EQ(ScrollFixTimer(), nullptr);
}

TEST(InterbaseUnits, MissingLibraryLetsStartUpGoOn) {
    Override over(std::string(TAMBLERO_BINARY_DIR) + "/no/such/libfbclient.so.2");
    ASSERT_NO_THROW(unit_startup());
    EXPECT_FALSE(ClientLibraryLoaded());
    EXPECT_EQ(ClientEntryPoint(ClientEntry::isc_attach_database), nullptr);
    EXPECT_NE(GridCheckImages(), nullptr);
    unit_shutdown();
}
