#include "report/engine/BRRegister.h"

#include "report/controls/BRCtrls.h"

#include "platform/core/Containers.h"
#include "platform/data/DBTables.h"
#include "report/bands/BandRpt.h"

namespace {

int registrations = 0;

// A control with a window of its own in the class library: components it
// owns are searched like the form's.
bool windowed(const TComponent* c) {
    return dynamic_cast<const TFrame*>(c) || dynamic_cast<const report::Control*>(c);
}

void collect_owned(TComponent* component, TStringList& list) {
    for (int i = 0; i < component->ComponentCount(); ++i) {
        TComponent* c = component->Components(i);
        if (auto* dataset = dynamic_cast<TDataSet*>(c))
            list.AddObject(dataset->Name(), dataset);
        else if (windowed(c))
            collect_owned(c, list);
    }
}

}  // namespace

void RegisterReportClasses() {
    if (registrations++ > 0) return;
    RegisterClasses({TBandReport::StaticClass(), TBRBand::StaticClass(), TBRSubDetail::StaticClass(),
                     TBRExpr::StaticClass(), TBRShape::StaticClass(), TTable::StaticClass(), TQuery::StaticClass(),
                     TBRChildBand::StaticClass(), TBRGroup::StaticClass()});
}

void ClearSearchText() {
    if (registrations > 0) --registrations;
}

TStringList* CollectDataSets(TComponent* root, bool include_data_modules) {
    auto* list = new TStringList;
    if (root) collect_owned(root, *list);
    if (include_data_modules)
        for (TDataModule* module : core::data_modules())
            for (int i = 0; i < module->ComponentCount(); ++i)
                if (auto* dataset = dynamic_cast<TDataSet*>(module->Components(i)))
                    list->AddObject(dataset->Name(), dataset);
    return list;
}
