#include "report/controls/BRExprControl.h"

#include "report/bands/BandRptReport.h"
#include "report/controls/BRTextProperties.h"
#include "report/expr/BRExpr.h"
#include "report/expr/ExpressionErrors.h"

#include <algorithm>

TBRExpr::TBRExpr(TComponent* owner) : TBRCustomLabel(owner), evaluator_(std::make_unique<TBREvaluator>()) {}

TBRExpr::~TBRExpr() {
    unsubscribe();
    SetMaster(nullptr);
}

TClass TBRExpr::StaticClass() {
    static const TClassInfo info = [] {
        core::ClassBuilder<TBRExpr, TBRCustomLabel> b("TBRExpr");
        report::detail::publish_text_properties(b);
        b.String("Expression", &TBRExpr::Expression, &TBRExpr::SetExpression)
            .String("Mask", &TBRExpr::Mask, &TBRExpr::SetMask)
            .Component("Master", &TBRExpr::Master, &TBRExpr::SetMaster)
            .Bool("ResetAfterPrint", &TBRExpr::ResetAfterPrint, &TBRExpr::ResetAfterPrint);
        return b.Build();
    }();
    return &info;
}
TClass TBRExpr::ClassType() const { return StaticClass(); }

void TBRExpr::SetExpression(const std::string& text) {
    expression_ = text;
    SetCaption(text.empty() ? "(none)" : text);
    Invalidate();
}

void TBRExpr::SetMask(const std::string& mask) {
    mask_ = mask;
    const std::string text = expression_;
    SetExpression(text);
}

void TBRExpr::SetMaster(TComponent* master) {
    if (master == master_) return;
    // Expressions naming each other as masters, directly or round a chain,
    // are refused.
    for (auto* m = dynamic_cast<TBRExpr*>(master); m; m = dynamic_cast<TBRExpr*>(m->master_))
        if (m == this) throw EComponentError("Circular linking not allowed");
    TComponent* old = master_;
    master_ = master;
    if (old) release_link(old);
    if (master_) master_->FreeNotification(this);
}

void TBRExpr::release_link(TComponent* other) {
    // The notification link is one for both directions: it stays while
    // either side still refers to the other.
    if (other == master_ || other == subscribed_) return;
    if (auto* expr = dynamic_cast<TBRExpr*>(other); expr && expr->master_ == this) return;
    other->RemoveFreeNotification(this);
}

void TBRExpr::Notification(TComponent* component, TOperation operation) {
    TBRCustomLabel::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == master_) master_ = nullptr;
    if (component == subscribed_) subscribed_ = nullptr;
}

std::string TBRExpr::FormatValue(const EvalValue& value) const {
    try {
        switch (value.Kind) {
        case vkInteger: return FormatFloat(mask_, double(value.IntValue), report::ReportFormatSettings());
        case vkFloat: return FormatFloat(mask_, value.FloatValue, report::ReportFormatSettings());
        case vkString: return value.Text;
        case vkBoolean: return value.BoolValue ? "True" : "False";
        case vkError: return value.Text;
        }
    } catch (const Exception& e) {
        // A mask the formatter refuses prints its message, as an error does.
        report::report_expression_error({Name(), expression_, e.Message()});
        return e.Message();
    }
    return {};
}

void TBRExpr::unsubscribe() {
    if (!subscribed_) return;
    auto& list = subscribed_->DetailListeners;
    list.erase(std::remove(list.begin(), list.end(), static_cast<report::Printable*>(this)), list.end());
    TComponent* level = subscribed_;
    subscribed_ = nullptr;
    release_link(level);
}

void TBRExpr::PrepareForRun() {
    TBRCustomLabel::PrepareForRun();
    evaluator_->UseDataSetList(ParentReport ? ParentReport->RunDataSets() : nullptr);
    evaluator_->NameEnvironment = ParentReport ? ParentReport->Functions() : nullptr;
    evaluator_->CompileExpression(expression_);
    unsubscribe();
    TBRCustomController* level = nullptr;
    if (auto* report = dynamic_cast<TBandReport*>(master_)) level = report->Controller();
    else if (auto* sub = dynamic_cast<TBRSubDetail*>(master_)) level = sub->Controller();
    else if (!master_ && evaluator_->HasAggregates() && ParentReport) level = ParentReport->Controller();
    // One subscription per control, however many runs it takes part in.
    if (level) {
        auto& list = level->DetailListeners;
        if (std::find(list.begin(), list.end(), static_cast<report::Printable*>(this)) == list.end())
            level->AddDetailListener(this);
        subscribed_ = level;
        level->FreeNotification(this);
    }
    evaluator_->ResetAggregates();
}

void TBRExpr::LevelNotification(TComponent* sender, std::uint8_t code) {
    TBRCustomLabel::LevelNotification(sender, code);
    if (code == 0 && evaluator_->Compiled()) evaluator_->AccumulateAggregates();
}

void TBRExpr::PrintAt(int offset_x, int offset_y) {
    if (!IsPrintable()) return;
    // A part printed on a further page shows the value its first part
    // showed; the aggregates start over only after the last part.
    if (PrintFinished && evaluator_->Compiled()) {
        EvalValue value;
        evaluator_->EvaluateCompiled(value);
        if (value.Kind == vkError) report::report_expression_error({Name(), expression_, value.Text});
        OutputText = FormatValue(value);
    }
    TBRCustomLabel::PrintAt(offset_x, offset_y);
    if (ResetAfterPrint && PrintFinished && evaluator_->Compiled()) evaluator_->ResetAggregates();
}

void TBRExpr::UnprepareAfterRun() {
    evaluator_->UseDataSetList(nullptr);
    evaluator_->ReleaseCompiled();
    unsubscribe();
    TBRCustomLabel::UnprepareAfterRun();
    const std::string text = expression_;
    SetExpression(text);
}
