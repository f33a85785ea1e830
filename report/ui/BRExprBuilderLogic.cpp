#include "report/ui/BRExprBuilderLogic.h"

#include "platform/core/StringList.h"
#include "platform/core/SysUtils.h"
#include "platform/data/DB.h"
#include "platform/ui/Forms.h"
#include "report/bands/BandRptControl.h"
#include "report/controls/BRExprControl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <exception>

std::string StripLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            // One blank for the break, so the lines stay apart: "1\n2" is
            // not 12, "TRUE\nAND FALSE" not a name TRUEAND.
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += ' ';
            continue;
        }
        out += text[i];
    }
    return out;
}

namespace report {

namespace {

std::string format_number(const char* pattern, int number) {
    char buf[128];
    std::snprintf(buf, sizeof buf, pattern, number);
    return buf;
}

// One row per argument letter: its caption pattern.
struct ArgumentKind {
    char letter;
    const char* caption;
};
constexpr ArgumentKind kArgumentKinds[] = {
    {'B', "Argument %d - logical value"},
    {'N', "Argument %d - numeric value"},
    {'S', "Argument %d - text Value"},
    {'V', "Argument %d - value"},
};

}  // namespace

const std::vector<std::string>& function_categories() {
    static const std::vector<std::string> names = {"All",      "Date & time", "Math & trig", "Statistical",
                                                   "Database", "Logical",     "Information", "Other"};
    return names;
}

std::vector<TBRLibraryEntry*> functions_in_category(int category) {
    std::vector<TBRLibraryEntry*> out;
    TBRFunctionLibrary& library = FunctionLibrary();
    for (int i = 0; i < library.Count(); ++i) {
        TBRLibraryEntry* entry = library.EntryAt(i);
        if (!entry) continue;
        if (category > 0 && (entry->Data.empty() || entry->Data[0] != char('0' + category))) continue;
        out.push_back(entry);
    }
    return out;
}

FunctionInfo function_info(const TBRLibraryEntry* entry) {
    if (!entry) return {};
    const std::size_t bar = entry->Description.find('|');
    if (bar == std::string::npos) return {entry->Description, {}};
    return {entry->Description.substr(0, bar), entry->Description.substr(bar + 1)};
}

std::string argument_letters(const std::string& signature) {
    return signature.size() >= 2 ? signature.substr(1) : std::string();
}

std::string argument_caption(char letter, int number) {
    for (const ArgumentKind& k : kArgumentKinds)
        if (k.letter == letter) return format_number(k.caption, number);
    return format_number("Argument %d - value", number);
}

std::string argument_heading(int number, const std::string& function_name) {
    return format_number("Enter %d. parameter for ", number) + function_name;
}

std::string function_call_text(const std::string& name, const std::vector<std::string>& arguments) {
    std::string out = name + "(";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i) out += ',';
        out += arguments[i];
    }
    return out + ")";
}

std::string data_field_text(TList* datasets, const std::string& dataset, const std::string& field) {
    if (dataset.empty() || field.empty()) return {};
    const std::string bare = dataset + "." + field;
    TBREvaluator evaluator;
    evaluator.UseDataSetList(datasets);
    evaluator.CompileExpression(bare);
    auto* element = dynamic_cast<TBREvElementDataField*>(evaluator.CompiledElementAt(0));
    const bool one_field = element && evaluator.CompiledElementAt(1) == nullptr &&
                           element->DataSet->Fields().FindField(field) != nullptr &&
                           element->DataSet->Fields().FindField(field)->Index() == element->FieldIndex;
    return one_field ? bare : "[" + bare + "]";
}

std::vector<std::string> field_names(TDataSet* dataset) {
    std::vector<std::string> out;
    if (!dataset) return out;
    TFields& fields = dataset->Fields();
    for (int i = 0; i < fields.Count(); ++i) out.push_back(fields[i].FieldName());
    return out;
}

std::vector<std::string> variable_names(TBREvEnvironment* environment) {
    std::vector<std::string> out;
    if (environment)
        for (int i = 0; i < environment->Count(); ++i) out.push_back(environment->Strings(i));
    TBREvEnvironment& app = ApplicationEnvironment();
    for (int i = 0; i < app.Count(); ++i) out.push_back(app.Strings(i));
    return out;
}

std::string variable_value(TBREvEnvironment* environment, const std::string& name) {
    for (TBREvEnvironment* env : {environment, &ApplicationEnvironment()}) {
        if (!env) continue;
        const int i = env->IndexOf(name);
        if (i >= 0 && env->Entry(i)) return env->Entry(i)->ExpressionText();
    }
    return {};
}

std::string validation_value_text(const EvalValue& value) {
    switch (value.Kind) {
    case vkInteger: return IntToStr(value.IntValue);
    case vkFloat: return FloatToStr(value.FloatValue, report::ReportFormatSettings());
    case vkString: return value.Text;
    case vkBoolean: return value.BoolValue ? "True" : "False";
    case vkError: return value.Text;
    }
    return {};
}

std::string validation_text(const std::string& expression, TStringList* datasets, TBREvEnvironment* environment) {
    TBREvEnvironment& app = ApplicationEnvironment();
    TList list;
    if (datasets)
        for (int i = 0; i < datasets->Count(); ++i)
            if (auto* ds = dynamic_cast<TDataSet*>(datasets->Objects(i))) list.Add(ds);
    EvalValue value;
    std::string failure;
    bool failed = false;
    // Compiling entries prepares the application environment again, and
    // not every such preparation is given back: both environments are left
    // as prepared as they were found, so the grid can still edit them.
    const int app_before = app.PreparationCount();
    const int env_before = environment ? environment->PreparationCount() : 0;
    app.PrepareEntries();
    if (environment) environment->PrepareEntries();
    try {
        TBREvaluator evaluator;
        evaluator.UseDataSetList(&list);
        evaluator.NameEnvironment = environment;
        evaluator.EvaluateOnce(StripLineBreaks(expression), value);
    } catch (const std::exception& e) {
        failed = true;
        failure = e.what();
    }
    if (environment) environment->UnprepareEntries();
    app.UnprepareEntries();
    while (environment && environment->PreparationCount() > env_before) environment->UnprepareEntries();
    while (app.PreparationCount() > app_before) app.UnprepareEntries();
    if (failed) return "ERROR: " + failure;
    if (value.Kind == vkError) return "ERROR: " + value.Text;
    return "There are no errors. The result is : " + validation_value_text(value);
}

// ------------------------------------------------------------ environment grid

int EnvironmentGrid::rows() const { return environment_ ? environment_->Count() : 0; }

std::string EnvironmentGrid::name(int row) const {
    return row >= 0 && row < rows() ? environment_->Strings(row) : std::string();
}

std::string EnvironmentGrid::expression(int row) const {
    if (row < 0 || row >= rows() || !environment_->Entry(row)) return {};
    return environment_->Entry(row)->ExpressionText();
}

std::optional<std::string> EnvironmentGrid::set_name(int row, const std::string& text) {
    if (row < 0 || row >= rows()) return std::nullopt;
    const std::string upper = UpperCase(Trim(text));
    if (upper.empty()) return std::string("A name is needed");
    const int other = environment_->IndexOf(upper);
    if (other >= 0 && other != row) return upper + " is already defined";
    environment_->Put(row, upper);
    return std::nullopt;
}

bool EnvironmentGrid::set_expression(int row, const std::string& text) {
    if (row < 0 || row >= rows() || environment_->IsPrepared()) return false;
    environment_->PutObject(row, new TBREvEmbeddedFunction(text));
    return true;
}

std::optional<std::string> EnvironmentGrid::add_entry(const std::string& name, const std::string& text) {
    if (!environment_) return std::nullopt;
    const std::string upper = UpperCase(Trim(name));
    if (upper.empty()) return std::string("A name is needed");
    if (environment_->IndexOf(upper) >= 0) return upper + " is already defined";
    environment_->DefineEntry(upper, text);
    return std::nullopt;
}

void EnvironmentGrid::remove_row(int row) {
    if (row >= 0 && row < rows()) environment_->Delete(row);
}

// ------------------------------------------------------------ control editors

namespace {

// Decimals a size field shows, per unit (TBRUnit order): what the unit tells
// apart at the native 0.1 mm.
constexpr int kSizeDecimals[] = {1, 3, 0, 2, 0};   // MM, Inches, Pixels, Characters, Native

}  // namespace

std::string size_text(long double value, TBRUnit unit) {
    const std::size_t u = std::size_t(unit);
    const int decimals = u < std::size(kSizeDecimals) ? kSizeDecimals[u] : 0;
    const double scale = std::pow(10.0, decimals);
    double shown = std::round(double(value) * scale) / scale;
    if (shown == 0) shown = 0;   // no "-0"
    return FloatToStr(shown, report::ReportFormatSettings());
}

bool parse_size(const std::string& text, double& value) {
    std::string t = Trim(text);
    std::replace(t.begin(), t.end(), ',', '.');
    if (std::count(t.begin(), t.end(), '.') > 1) return false;
    TFormatSettings dot;
    dot.ThousandSeparator = '\0';
    return TryStrToFloat(t, value, dot);
}

EditorValues editor_values(const TBRCustomLabel& control, bool expression) {
    EditorValues v;
    const auto* expr = expression ? dynamic_cast<const TBRExpr*>(&control) : nullptr;
    v.value = expr ? expr->Expression() : control.Caption();
    const TBRUnit unit = control.Size()->CurrentUnit();
    v.width = size_text(control.Size()->Width(), unit);
    v.height = size_text(control.Size()->Height(), unit);
    v.auto_size = control.AutoSize;
    v.stretch = control.AutoStretch();
    v.transparent = control.Transparent();
    if (expr) v.mask = expr->Mask();
    return v;
}

EditorChanges editor_changes(const EditorValues& shown, const EditorValues& chosen) {
    const auto size_changed = [](const std::string& a, const std::string& b) {
        double x = 0, y = 0;
        return !(parse_size(a, x) && parse_size(b, y) && x == y);
    };
    EditorChanges c;
    c.value = shown.value != chosen.value;
    c.width = size_changed(shown.width, chosen.width);
    c.height = size_changed(shown.height, chosen.height);
    c.auto_size = shown.auto_size != chosen.auto_size;
    c.stretch = shown.stretch != chosen.stretch;
    c.transparent = shown.transparent != chosen.transparent;
    c.mask = shown.mask != chosen.mask;
    return c;
}

std::optional<std::string> check_editor_values(const EditorValues& values) {
    for (const std::string* text : {&values.width, &values.height}) {
        double number = 0;
        if (!parse_size(*text, number)) return "'" + *text + "' is not a valid floating point value";
        if (number < 0) return "'" + *text + "' is not a valid size";
    }
    return std::nullopt;
}

void apply_editor_values(TBRCustomLabel& control, const EditorValues& values, bool expression,
                         const EditorChanges& changes) {
    auto* expr = expression ? dynamic_cast<TBRExpr*>(&control) : nullptr;
    double width = 0, height = 0;
    if (changes.width && !parse_size(values.width, width))
        throw EConvertError("'" + values.width + "' is not a valid floating point value");
    if (changes.height && !parse_size(values.height, height))
        throw EConvertError("'" + values.height + "' is not a valid floating point value");
    if (changes.value) {
        if (expr) expr->SetExpression(values.value);
        else control.SetCaption(values.value);
    }
    if (changes.width) control.Size()->SetWidth(width);
    if (changes.height) control.Size()->SetHeight(height);
    if (changes.auto_size) control.AutoSize = values.auto_size;
    if (changes.stretch) control.SetAutoStretch(values.stretch);
    if (changes.transparent) control.SetTransparent(values.transparent);
    if (expr && changes.mask) expr->SetMask(values.mask);
}

TComponent* dataset_component(TComponent* control) {
    TComponent* at = control;
    TComponent* last = control;
    while (at) {
        if (dynamic_cast<TForm*>(at)) return at;
        last = at;
        auto* visual = dynamic_cast<report::Control*>(at);
        at = visual && visual->Parent() ? visual->Parent() : at->Owner();
    }
    return last;
}

}  // namespace report
