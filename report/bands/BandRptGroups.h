#pragma once
// Group bands: a group header band breaks the records of its level into
// groups by the value of an expression, prints again when the value changes
// and prints its footer band when a group ends. Also the refresh of a
// query's parameters from the report's environment before a level opens it.

#include "report/bands/BandRptBands.h"
#include "report/expr/BRExpr.h"

#include <memory>
#include <string>

class TDataSet;
class TQuery;

class TBRGroup : public TBRCustomBand {
public:
    explicit TBRGroup(TComponent* owner);
    ~TBRGroup() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    // ---- published
    const std::string& Expression() const { return expression_; }
    // Stored as given; compiled at the start of each run.
    void SetExpression(const std::string& text) { expression_ = text; }
    TBRCustomBand* FooterBand() const { return footer_band_; }
    // The band given becomes a group footer band.
    void SetFooterBand(TBRCustomBand* band);
    TComponent* Master() const { return master_; }
    // A report or controller band; anything else, none included, is ignored.
    void SetMaster(TComponent* master);
    bool ReprintOnNewPage = false;

    // ---- run state
    bool GroupChanged = false;    // result of the last change or reprint test
    EvalValue GroupValue;         // value at the last change
    bool GroupHasValue = false;   // GroupValue holds a value of this pass
    bool GroupHeaderOpen = false; // the header printed and the footer not yet
    int GroupHeaderPage = 1;      // the report's page count when the header last printed

    void SetParent(report::Control* parent) override;
    void Notification(TComponent* component, TOperation operation) override;

    // Prints the group band and opens the group.
    void PrintGroupHeader();
    // Prints the footer band, when there is one, and closes the group.
    void PrintGroupFooter();
    // Compiles the expression over the run's datasets and environment.
    void PrepareGroup();
    void UnprepareGroup();
    // Evaluates the expression and takes its value as a new group's.
    void TakeGroupValue();
    // Compares the expression's value with the group's: sets GroupChanged
    // (and takes the new value) on a change; an error value is no change.
    bool CheckGroupChange();
    // GroupChanged := the header should print again on this new page.
    bool CheckGroupReprint();
    // Open, repeating on a new page, and its header not yet on this page.
    bool ReprintDue() const;

private:
    EvalValue evaluate();
    std::unique_ptr<TBREvaluator> evaluator_;
    std::string expression_;
    TBRCustomBand* footer_band_ = nullptr;
    TComponent* master_ = nullptr;
};

// True when two group values differ: values the expression language's `=`
// calls equal never differ (0.0 and -0.0, 2 and 2.0); otherwise another
// kind differs, and floats bit for bit. An error value never differs.
namespace report {
bool GroupValueChanged(const EvalValue& before, const EvalValue& now);
}  // namespace report

// Closes `query` (a TQuery), gives each parameter that names an entry of
// `environment` the entry's value converted to the parameter's type (an
// untyped parameter takes the value's kind), and opens the query again. A
// value that cannot take the type, or a parameter left without a value,
// raises EDatabaseError naming the query and the parameter. Any other
// dataset is left alone.
void RefreshQueryParameters(TDataSet* query, TBREvEnvironment* environment);
// Raises EDatabaseError "NAME: parameter P has no value" for the first
// parameter of the query that has none.
namespace report {
void CheckQueryParameters(const TQuery& query);
}  // namespace report
