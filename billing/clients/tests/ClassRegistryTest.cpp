// The registry of the whole system: `billing-tool classes` against the list of
// every bank class, engine and client families alike.

#include "billing/clients/tests/SystemClasses.h"
#include "billing/tests/RunTool.h"

#include "platform/core/SysUtils.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

namespace {

using billing_test::Outcome;
using billing_test::run;
using billing_test::tool;
using clients_test::Family;

std::string key(const std::string& name) { return UpperCase(name); }

TEST(ClassRegistry, ClassesListsEveryBankClassOfTheSystemOnce) {
    Outcome r = run(tool() + " classes");
    ASSERT_EQ(r.status, 0) << r.output;
    std::map<std::string, int> listed;  // upper-cased name -> times listed
    std::map<std::string, std::string> spelled;
    std::istringstream in(r.output);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string kind, name, unit;
        fields >> kind >> name >> unit;
        if (kind != "class") continue;
        EXPECT_FALSE(unit.empty()) << line;
        ++listed[key(name)];
        spelled[key(name)] = name;
    }

    std::map<std::string, std::string> expected;  // upper-cased name -> family
    for (const Family& f : clients_test::system_families()) {
        for (const std::string& c : f.classes) {
            EXPECT_TRUE(expected.emplace(key(c), f.name).second) << c << " is given twice";
        }
    }
    for (const auto& [name, family] : expected) {
        EXPECT_EQ(listed[name], 1) << name << " (" << family << ") listed " << listed[name] << " times";
    }
    for (const auto& [name, times] : listed) {
        EXPECT_TRUE(expected.count(name)) << spelled[name] << " is no class of the system";
    }
}

TEST(ClassRegistry, ClassesNamesTheUnitOfEachClientClass) {
    Outcome r = run(tool() + " classes");
    for (const char* line : {"class\tTHalvekBanco033\tHalvekCobBanespaSantander\n",
                             "class\tTVantorimBancoSantander033\tVantorimCobSantander\n",
                             "class\tTCrestalvoBanco104\tCrestalvoCobCaixa\n", "class\tTMorvelBanco001\tMorvelCobBB\n",
                             "class\tTSarlentaBanco756\tSarlentaCobSICOOB\n", "class\tTcbBanco748\tcbcob748\n"}) {
        EXPECT_NE(r.output.find(line), std::string::npos) << line << r.output;
    }
}

}  // namespace
