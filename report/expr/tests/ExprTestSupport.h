#pragma once
// Shared by the expression tests: a value as one line ("INTEGER 10",
// "ERROR Missing )"), and evaluation of a text against datasets and an
// environment.

#include <string>

#include <vector>

#include "platform/data/MemoryDataSet.h"
#include "report/expr/BRExpr.h"

namespace expr_test {

inline std::string describe(const EvalValue& v) {
    return std::string(report::ValueKindName(v.Kind)) + " " + (v.Kind == vkError ? v.Text : FormatEvalResult(v));
}

inline std::string eval(const std::string& text, TList* datasets = nullptr, TBREvEnvironment* env = nullptr) {
    TBREvaluator ev;
    if (datasets) ev.UseDataSetList(datasets);
    ev.NameEnvironment = env;
    EvalValue v;
    ev.EvaluateOnce(text, v);
    return describe(v);
}

// Report texts in the invariant form while a test runs.
class InvariantLocale {
public:
    InvariantLocale() : saved_(report::ReportFormatSettings()) { report::ReportFormatSettings() = TFormatSettings(); }
    ~InvariantLocale() { report::ReportFormatSettings() = saved_; }

private:
    TFormatSettings saved_;
};

// An open dataset of one field with its records, alone in a dataset list.
struct OneField {
    OneField(const std::string& dataset, const std::string& field, TFieldType type,
             const std::vector<data::Value>& values) {
        ds.SetName(dataset);
        ds.AddField(field, type);
        for (const auto& v : values) ds.AppendRecord({v});
        ds.Open();
        list.Add(&ds);
    }
    TMemoryDataSet ds{nullptr};
    TList list;
};

}  // namespace expr_test
