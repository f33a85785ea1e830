#pragma once
// TBRExpr: a text control whose text is the value of an expression,
// evaluated each time it prints, formatted by Mask, and accumulated over the
// records of a level when the expression holds aggregates.

#include "report/controls/BRCustomLabel.h"

#include <memory>
#include <string>

class TBREvaluator;
class TBRCustomController;

class TBRExpr : public TBRCustomLabel {
public:
    explicit TBRExpr(TComponent* owner);
    ~TBRExpr() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    const std::string& Expression() const { return expression_; }
    // The designer shows the expression, "(none)" when it is empty.
    void SetExpression(const std::string& text);
    const std::string& Mask() const { return mask_; }
    void SetMask(const std::string& mask);
    // The level whose records feed the aggregates: a TBandReport, a
    // TBRSubDetail, or none (the report's level when the expression has
    // aggregates). Forgotten when it is freed.
    TComponent* Master() const { return master_; }
    void SetMaster(TComponent* master);
    bool ResetAfterPrint = false;

    TBREvaluator& Evaluator() const { return *evaluator_; }
    // The text of a value as the control prints it.
    std::string FormatValue(const struct EvalValue& value) const;

    void PrepareForRun() override;
    void UnprepareAfterRun() override;
    void PrintAt(int offset_x, int offset_y) override;
    void LevelNotification(TComponent* sender, std::uint8_t code) override;
    void Notification(TComponent* component, TOperation operation) override;
    std::string EditorClass() const override { return "TBRExprEditor"; }

private:
    void unsubscribe();
    void release_link(TComponent* other);
    std::unique_ptr<TBREvaluator> evaluator_;
    std::string expression_;
    std::string mask_;
    TComponent* master_ = nullptr;
    TBRCustomController* subscribed_ = nullptr;
};
