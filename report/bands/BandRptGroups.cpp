#include "report/bands/BandRptGroups.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/DateUtils.h"
#include "platform/data/DBTables.h"
#include "report/bands/BandRptReport.h"
#include "report/expr/ExpressionErrors.h"

#include <cstring>

// --------------------------------------------------------------- TBRGroup

TBRGroup::TBRGroup(TComponent* owner) : TBRCustomBand(owner), evaluator_(std::make_unique<TBREvaluator>()) {
    SetBandType(rbGroupHeader);
}

TBRGroup::~TBRGroup() {
    SetState(csDestroying, true);
    evaluator_.reset();
}

TClass TBRGroup::StaticClass() {
    using T = TBRGroup;
    static const TClassInfo info =
        core::ClassBuilder<T, TBRCustomBand>("TBRGroup")
            .String("Expression", &T::Expression, &T::SetExpression)
            .Component("FooterBand", &T::FooterBand, &T::SetFooterBand)
            .Component("Master", &T::Master, &T::SetMaster)
            .Bool("ReprintOnNewPage", [](const T& g) { return g.ReprintOnNewPage; },
                  [](T& g, bool v) { g.ReprintOnNewPage = v; })
            .Build();
    return &info;
}
TClass TBRGroup::ClassType() const { return StaticClass(); }

void TBRGroup::SetFooterBand(TBRCustomBand* band) {
    if (band == this) return;
    if (footer_band_) footer_band_->RemoveFreeNotification(this);
    footer_band_ = band;
    if (band) {
        band->SetBandType(rbGroupFooter);
        band->FreeNotification(this);
    }
    if (Report() && !Report()->InState(csDestroying)) {
        Report()->RebuildBandOrder();
        Report()->ArrangeBands();
    }
}

void TBRGroup::SetMaster(TComponent* master) {
    if (!master || (!dynamic_cast<TCustomBandReport*>(master) && !dynamic_cast<TBRControllerBand*>(master))) return;
    if (master_) master_->RemoveFreeNotification(this);
    master_ = master;
    if (Report() && !Report()->InState(csDestroying)) {
        Report()->RebuildBandOrder();
        Report()->ArrangeBands();
    }
    master->FreeNotification(this);
}

void TBRGroup::SetParent(report::Control* parent) {
    TBRCustomBand::SetParent(parent);
    if (!master_)
        if (auto* report = dynamic_cast<TCustomBandReport*>(Parent())) SetMaster(report);
}

void TBRGroup::Notification(TComponent* component, TOperation operation) {
    TBRCustomBand::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == footer_band_) footer_band_ = nullptr;
    if (component == master_) master_ = nullptr;
}

void TBRGroup::PrintGroupHeader() {
    TCustomBandReport* report = Report();
    if (!report) return;
    report->PrintBand(this);
    GroupHeaderOpen = true;
    GroupHeaderPage = report->PageCount;
}

void TBRGroup::PrintGroupFooter() {
    if (!footer_band_ || !Report()) return;
    Report()->PrintBand(footer_band_);
    GroupHeaderOpen = false;
}

void TBRGroup::PrepareGroup() {
    TCustomBandReport* report = Report();
    evaluator_->UseDataSetList(report ? report->RunDataSets() : nullptr);
    evaluator_->NameEnvironment = report ? report->Functions() : nullptr;
    evaluator_->CompileExpression(expression_);
    GroupHasValue = false;
    GroupChanged = false;
    GroupHeaderOpen = false;
    GroupHeaderPage = 1;
}

void TBRGroup::UnprepareGroup() {
    evaluator_->ReleaseCompiled();
    evaluator_->UseDataSetList(nullptr);
    evaluator_->NameEnvironment = nullptr;
}

EvalValue TBRGroup::evaluate() {
    EvalValue value;
    evaluator_->EvaluateCompiled(value);
    if (value.Kind == vkError) report::report_expression_error({Name(), expression_, value.Text});
    return value;
}

void TBRGroup::TakeGroupValue() {
    GroupValue = evaluate();
    GroupChanged = true;
    GroupHasValue = true;
}

bool TBRGroup::CheckGroupChange() {
    GroupChanged = false;
    if (!GroupHasValue) {
        TakeGroupValue();
        return true;
    }
    EvalValue now = evaluate();
    if (GroupValueChanged(GroupValue, now)) {
        GroupValue = std::move(now);
        GroupChanged = true;
    }
    return GroupChanged;
}

bool TBRGroup::CheckGroupReprint() {
    TCustomBandReport* report = Report();
    GroupChanged = ReprintOnNewPage && GroupHeaderOpen && report && report->PageCount != GroupHeaderPage;
    if (GroupChanged) GroupHeaderPage = report->PageCount;
    return GroupChanged;
}

bool GroupValueChanged(const EvalValue& before, const EvalValue& now) {
    if (now.Kind == vkError) return false;
    if (before.Kind != now.Kind) return true;
    switch (now.Kind) {
    case vkInteger: return before.IntValue != now.IntValue;
    case vkFloat: return std::memcmp(&before.FloatValue, &now.FloatValue, sizeof(double)) != 0;
    case vkString: return before.Text != now.Text;
    case vkBoolean: return before.BoolValue != now.BoolValue;
    case vkError: return false;
    }
    return false;
}

// ------------------------------------------------- query parameter refresh

void RefreshQueryParameters(TDataSet* data_set, TBREvEnvironment* environment) {
    auto* query = dynamic_cast<TQuery*>(data_set);
    if (!query || !environment) return;
    query->Close();
    TParams* params = query->Params();
    for (int i = 0; i < params->Count(); ++i) {
        TParam* param = params->Items(i);
        if (environment->IndexOf(param->Name()) < 0) continue;
        EvalValue value;
        environment->EntryValue(param->Name(), value);
        // The setters take the type of their value; the parameter keeps its own.
        const TFieldType type = param->DataType();
        switch (type) {
        case ftString:
            if (value.Kind == vkString) param->SetAsString(value.Text);
            break;
        case ftSmallint:
        case ftInteger:
            if (value.Kind == vkInteger) param->SetAsInteger(value.IntValue);
            break;
        case ftBoolean:
            if (value.Kind == vkBoolean) param->SetAsBoolean(value.BoolValue);
            break;
        case ftFloat:
        case ftBCD:
            if (value.Kind == vkFloat) param->SetAsFloat(value.FloatValue);
            break;
        case ftDate:
            if (value.Kind == vkString) param->SetAsDate(StrToDate(value.Text));
            break;
        case ftTime:
            if (value.Kind == vkString) param->SetAsTime(StrToTime(value.Text));
            break;
        case ftDateTime:
            if (value.Kind == vkString) param->SetAsDateTime(StrToDateTime(value.Text));
            break;
        default:
            break;
        }
        param->SetDataType(type);
    }
    query->Open();
}
