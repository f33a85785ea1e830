#include "platform/core/UnitStartup.h"
#include "platform/core/SysUtils.h"

#include <gtest/gtest.h>

namespace {
std::vector<core::UnitEntry> units(std::vector<std::string>& log, const std::string& failing_start,
                                   const std::string& failing_stop = "") {
    std::vector<core::UnitEntry> out;
    for (std::string n : {"picture", "archive", "app", "interbase", "report"}) {
        out.push_back({n,
                       [&log, n, failing_start] {
                           if (n == failing_start) throw Exception("Unable to locate DLL import isc_attach_database");
                           log.push_back("start " + n);
                       },
                       [&log, n, failing_stop] {
                           log.push_back("stop " + n);
                           if (n == failing_stop) throw Exception("stop failed " + n);
                       }});
    }
    return out;
}
}  // namespace

TEST(UnitTable, StartsInOrderAndStopsInReverse) {
    std::vector<std::string> log;
    core::UnitTable t(units(log, ""));
    t.Startup();
    EXPECT_EQ(t.StartedCount(), 5);
    t.Shutdown();
    t.Shutdown();  // nothing left to stop
    EXPECT_EQ(log, (std::vector<std::string>{"start picture", "start archive", "start app", "start interbase",
                                             "start report", "stop report", "stop interbase", "stop app",
                                             "stop archive", "stop picture"}));
}

TEST(UnitTable, FailingStartupStopsTheStartedOnesAndRethrows) {
    std::vector<std::string> log;
    core::UnitTable t(units(log, "interbase", "archive"));
    try {
        t.Startup();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to locate DLL import isc_attach_database");
    }
    EXPECT_EQ(t.StartedCount(), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"start picture", "start archive", "start app", "stop app",
                                             "stop archive", "stop picture"}));
}

TEST(UnitTable, ShutdownRunsEveryUnitAndReportsTheFirstFailure) {
    std::vector<std::string> log;
    {
        core::UnitTable t(units(log, "", "app"));
        t.Startup();
        log.clear();
        try {
            t.Shutdown();
            ADD_FAILURE();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "stop failed app");
        }
        EXPECT_EQ(log.size(), 5u);
    }
    // the destructor stops what is still started
    log.clear();
    {
        core::UnitTable t(units(log, ""));
        t.Startup();
    }
    EXPECT_EQ(log.back(), "stop picture");
    core::UnitTable empty({{"none", nullptr, nullptr}});
    empty.Startup();
    empty.Shutdown();
}

// Two start-ups and one shut-down leave every unit started; the shut-down
// that matches the first start-up stops them.
TEST(UnitTable, StartupsAndShutdownsAreCounted) {
    std::vector<std::string> log;
    core::UnitTable t(units(log, ""));
    t.Startup();
    t.Startup();
    t.Shutdown();
    EXPECT_EQ(t.StartedCount(), 5);
    EXPECT_EQ(log.size(), 5u) << "each unit started once, none stopped";
    t.Shutdown();
    EXPECT_EQ(t.StartedCount(), 0);
    EXPECT_EQ(log.back(), "stop picture");
    EXPECT_EQ(log.size(), 10u);
}
