// The engine's class registration and the datasets a report can reach.
#include <gtest/gtest.h>

#include <memory>

#include "platform/core/Containers.h"
#include "platform/core/FormResource.h"
#include "platform/data/DBTables.h"
#include "platform/data/MemoryDataSet.h"
#include "report/bands/BandRpt.h"
#include "report/engine/BRRegister.h"
#include "report/engine/Startup.h"

namespace {

template <class T>
T* make(TComponent* owner, const std::string& name) {
    auto* c = new T(owner);
    c->SetName(name);
    return c;
}

// "Name:Class" for each entry, its object checked to be the dataset named.
std::vector<std::string> listed(TComponent* root, bool modules) {
    std::unique_ptr<TStringList> list(CollectDataSets(root, modules));
    std::vector<std::string> out;
    for (int i = 0; i < list->Count(); ++i) {
        auto* dataset = dynamic_cast<TDataSet*>(list->GetObject(i));
        EXPECT_NE(dataset, nullptr);
        if (dataset) {
            EXPECT_EQ(dataset->Name(), list->Get(i));
        }
        out.push_back(list->Get(i) + ":" + (dataset ? dataset->ClassName() : "?"));
    }
    return out;
}

}  // namespace

TEST(CollectDataSets, FormFirstThroughItsWindowedControlsThenTheDataModules) {
    TComponent form(nullptr);
    make<TTable>(&form, "Table1");
    auto* frame = make<TFrame>(&form, "Frame1");
    make<TQuery>(frame, "Query1");
    auto* report = make<TBandReport>(&form, "Report");
    auto* band = make<TBRBand>(report, "Detail");
    make<TMemoryDataSet>(band, "InBand");
    make<TMemoryDataSet>(report, "OnReport");
    auto* outer = make<TQuery>(&form, "Outer");
    make<TQuery>(outer, "Inner");        // a dataset is not searched further
    make<TComponent>(&form, "Plain");
    make<TQuery>(form.FindComponent("Plain"), "Hidden");  // nor a component that is no windowed control

    auto module1 = std::make_unique<TDataModule>(nullptr);
    module1->SetName("Module1");
    make<TTable>(module1.get(), "Table2");
    auto* module_frame = make<TFrame>(module1.get(), "ModuleFrame");
    make<TQuery>(module_frame, "Deep");  // a data module's own datasets only
    auto module2 = std::make_unique<TDataModule>(nullptr);
    module2->SetName("Module2");
    make<TQuery>(module2.get(), "Query2");

    struct Case {
        TComponent* root;
        bool modules;
        std::vector<std::string> want;
    } cases[] = {
        {&form, true,
         {"Table1:TTable", "Query1:TQuery", "InBand:TMemoryDataSet", "OnReport:TMemoryDataSet", "Outer:TQuery",
          "Table2:TTable", "Query2:TQuery"}},
        {&form, false,
         {"Table1:TTable", "Query1:TQuery", "InBand:TMemoryDataSet", "OnReport:TMemoryDataSet", "Outer:TQuery"}},
        {frame, false, {"Query1:TQuery"}},
        {nullptr, true, {"Table2:TTable", "Query2:TQuery"}},
        {nullptr, false, {}},
        // A data module given as the root is reached twice, and listed twice.
        {module2.get(), true, {"Query2:TQuery", "Table2:TTable", "Query2:TQuery"}},
    };
    for (const auto& c : cases) EXPECT_EQ(listed(c.root, c.modules), c.want);

    module1.reset();
    EXPECT_EQ(listed(nullptr, true), std::vector<std::string>{"Query2:TQuery"}) << "a freed module leaves the list";
}

TEST(RegisterReportClasses, LetsAnyLayoutBeReadWithoutTheProgramRegistering) {
    for (const char* name : {"TBandReport", "TBRBand", "TBRSubDetail", "TBRExpr", "TBRShape", "TTable", "TQuery", "TBRChildBand"})
        if (TClass cls = GetClass(name)) UnRegisterClass(cls);
    EXPECT_EQ(GetClass("TQuery"), nullptr);
    RegisterReportClasses();
    for (const char* name : {"TBandReport", "TBRBand", "TBRSubDetail", "TBRExpr", "TBRShape", "TTable", "TQuery", "TBRChildBand"})
        EXPECT_NE(GetClass(name), nullptr) << name;
    EXPECT_EQ(GetClass("TBRLabel"), nullptr) << "controls are registered by the units that declare them";

    // Counted: a second start-up registers nothing again.
    UnRegisterClass(TQuery::StaticClass());
    RegisterReportClasses();
    EXPECT_EQ(GetClass("TQuery"), nullptr);
    ClearSearchText();
    ClearSearchText();
    RegisterReportClasses();
    EXPECT_NE(GetClass("TQuery"), nullptr);

    auto form = std::make_unique<TComponent>(nullptr);
    core::read_component_into(*form, R"({
      "class": "TComponent", "name": "Form",
      "children": [
        {"class": "TQuery", "name": "Orders",
         "properties": {"DatabaseName": "shop.db", "SQL": ["SELECT * FROM o WHERE c = :Cust"],
                        "Params": [{"Name": "Cust", "DataType": "ftInteger", "Value": "7"}],
                        "FieldKinds": ["total=ftFloat"]}},
        {"class": "TTable", "name": "Customers", "properties": {"TableName": "customer"}},
        {"class": "TBandReport", "name": "Report",
         "children": [{"class": "TBRBand", "name": "Detail"}]}
      ]})");
    std::unique_ptr<TStringList> list(CollectDataSets(form.get(), false));
    ASSERT_EQ(list->Count(), 2);
    auto* orders = dynamic_cast<TQuery*>(list->GetObject(0));
    ASSERT_NE(orders, nullptr);
    EXPECT_EQ(orders->ParamByName("CUST")->AsInteger(), 7);
    EXPECT_EQ(orders->FieldKinds()->Get(0), "total=ftFloat");
    EXPECT_NE(dynamic_cast<TBandReport*>(form->FindComponent("Report")), nullptr);
    ClearSearchText();
}

// The engine's start-up is counted as a whole: after two start-ups and one
// shut-down every class a layout names is still registered; the second
// shut-down unregisters them.
TEST(EngineStartup, TwoStartupsAndOneShutdownLeaveTheClassesRegistered) {
    const char* const names[] = {"TBandReport", "TBRBand", "TBRGroup", "TBRSubDetail", "TBRExpr",
                                 "TBRShape", "TTable", "TQuery", "TBRChildBand", "TBRLabel"};
    report::unit_startup();
    report::unit_startup();
    report::unit_shutdown();
    for (const char* name : names) EXPECT_NE(GetClass(name), nullptr) << name;
    report::unit_shutdown();
    EXPECT_EQ(GetClass("TBRExpr"), nullptr);
    EXPECT_EQ(GetClass("TBandReport"), nullptr);
}
