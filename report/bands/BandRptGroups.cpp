#include "report/bands/BandRptGroups.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/DateUtils.h"
#include "platform/data/DBTables.h"
#include "report/bands/BandRptReport.h"
#include "report/expr/ExpressionErrors.h"

#include <charconv>
#include <cmath>
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
    GroupHeaderPage = report->PageCount();
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
    if (report::GroupValueChanged(GroupValue, now)) {
        GroupValue = std::move(now);
        GroupChanged = true;
    }
    return GroupChanged;
}

bool TBRGroup::ReprintDue() const {
    const TCustomBandReport* report = Report();
    return ReprintOnNewPage && GroupHeaderOpen && report && report->PageCount() != GroupHeaderPage;
}

bool TBRGroup::CheckGroupReprint() {
    GroupChanged = ReprintDue();
    if (GroupChanged) GroupHeaderPage = Report()->PageCount();
    return GroupChanged;
}

bool report::GroupValueChanged(const EvalValue& before, const EvalValue& now) {
    if (now.Kind == vkError) return false;
    // Values the expression language calls equal (0.0 and -0.0, 2 and 2.0)
    // are one group.
    const EvalValue equal = report::ApplyOperator(eoEqual, before, now);
    if (equal.Kind == vkBoolean && equal.BoolValue) return false;
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

namespace {

// The shortest text that reads back as the same double.
std::string shortest(double d) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, res.ptr);
}

// Gives `param` the environment's value converted to the parameter's type
// (an untyped parameter takes the value's own kind); a value that cannot
// become that type raises EDatabaseError naming the parameter.
void fill_parameter(const TQuery& query, TParam& param, const EvalValue& value) {
    const std::string where = (query.Name().empty() ? "" : query.Name() + ": ") + "parameter " + param.Name() + ": ";
    if (value.Kind == vkError)
        throw EDatabaseError(where + (value.Text.empty() ? std::string("the value is an error") : value.Text));
    TFieldType type = param.DataType();
    if (type == ftUnknown) {
        switch (value.Kind) {
        case vkInteger: type = ftInteger; break;
        case vkFloat: type = ftFloat; break;
        case vkBoolean: type = ftBoolean; break;
        default: type = ftString; break;
        }
    }
    const bool numeric = type == ftSmallint || type == ftInteger || type == ftLargeint || type == ftFloat ||
                         type == ftBCD;
    std::string text;
    switch (value.Kind) {
    case vkInteger: text = std::to_string(value.IntValue); break;
    case vkFloat: {
        const bool whole = std::isfinite(value.FloatValue) && value.FloatValue == std::trunc(value.FloatValue) &&
                           std::fabs(value.FloatValue) < 9e18;
        text = whole && numeric && type != ftFloat && type != ftBCD
                   ? std::to_string(static_cast<std::int64_t>(value.FloatValue))
                   : shortest(value.FloatValue);
        break;
    }
    case vkBoolean: text = numeric ? (value.BoolValue ? "1" : "0") : (value.BoolValue ? "True" : "False"); break;
    default: text = value.Text; break;
    }
    switch (type) {
    case ftDate:
    case ftTime:
    case ftDateTime: {
        // A text in the locale's form (as the user types it), or a day count.
        const TDateTime when = value.Kind == vkString   ? (type == ftDate   ? StrToDate(value.Text)
                                                            : type == ftTime ? StrToTime(value.Text)
                                                                             : StrToDateTime(value.Text))
                               : value.Kind == vkFloat   ? value.FloatValue
                               : value.Kind == vkInteger ? TDateTime(value.IntValue)
                                                         : throw EDatabaseError(where + "'" + text + "' is not a date");
        if (type == ftDate) param.SetAsDate(when);
        else if (type == ftTime) param.SetAsTime(when);
        else param.SetAsDateTime(when);
        break;
    }
    default: param.SetText(text); break;
    }
    param.SetDataType(type);
    try {
        param.ToBinding();
    } catch (const EDatabaseError& e) {
        throw EDatabaseError((query.Name().empty() ? "" : query.Name() + ": ") + e.Message());
    }
}

}  // namespace

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
        fill_parameter(*query, *param, value);
    }
    report::CheckQueryParameters(*query);
    query->Open();
}

void report::CheckQueryParameters(const TQuery& query) {
    TParams* params = query.Params();
    for (int i = 0; i < params->Count(); ++i)
        if (params->Items(i)->IsNull())
            throw EDatabaseError((query.Name().empty() ? "" : query.Name() + ": ") + "parameter " +
                                 params->Items(i)->Name() + " has no value");
}
