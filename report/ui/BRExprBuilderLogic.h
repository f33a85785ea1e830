#pragma once
// What the expression builder, the environment editor and the label and
// expression editors decide, without a widget: the function categories and
// argument prompts, the texts they insert, the validation text, the
// environment grid's rules and the values the editors show and apply. The
// dialogs (BRExprBuilder.h, BREnvEditor.h, BRLabelEditor.h) only show these.

#include <optional>
#include <string>
#include <vector>

#include "report/bands/BandRptUnits.h"
#include "report/expr/BRExpr.h"

class TComponent;
class TStringList;
class TBRCustomLabel;

// The text on one line: every line break (a CR and the LF after it, a lone
// LF, a lone CR) becomes one blank. Nothing else changes.
std::string StripLineBreaks(const std::string& text);

namespace report {

// ------------------------------------------------------------ functions

// "All", "Date & time", ... "Other": the categories' list, index = category.
const std::vector<std::string>& function_categories();
// The library's entries in registration order; a category above 0 keeps
// those whose argument signature starts with that digit.
std::vector<TBRLibraryEntry*> functions_in_category(int category);
// The description of an entry split at its first '|': the syntax line and
// the explanation (empty texts for no entry).
struct FunctionInfo {
    std::string name;
    std::string description;
};
FunctionInfo function_info(const TBRLibraryEntry* entry);
// The letters to prompt for: the signature without its first character
// (empty when the function is inserted bare).
std::string argument_letters(const std::string& signature);
// The caption of argument `number` (from 1) of kind `letter` (B, N, S, V).
std::string argument_caption(char letter, int number);
// The heading of a nested builder for an argument: "Enter %d. parameter for %s".
std::string argument_heading(int number, const std::string& function_name);
// NAME(a,b,c).
std::string function_call_text(const std::string& name, const std::vector<std::string>& arguments);

// ------------------------------------------------------------ data fields

// DATASET.FIELD; bracketed as [DATASET.FIELD] when the bare form would not
// compile to that one field against `datasets` (a blank or an operator sign
// in a name). Empty when either name is empty.
std::string data_field_text(TList* datasets, const std::string& dataset, const std::string& field);
// The field names of a dataset in field order (none for no dataset).
std::vector<std::string> field_names(TDataSet* dataset);

// ------------------------------------------------------------ variables

// The names of `environment` (when there is one) followed by those of the
// application environment.
std::vector<std::string> variable_names(TBREvEnvironment* environment);
// The expression text of `name`: from `environment` when it holds the name,
// else from the application environment; empty when neither does.
std::string variable_value(TBREvEnvironment* environment, const std::string& name);

// ------------------------------------------------------------ validation

// A value as the validation shows it: integers and floats in the report
// locale's form, the string itself, True or False.
std::string validation_value_text(const EvalValue& value);
// Evaluates `expression` once against `datasets` (a list whose objects are
// the datasets, in order) and `environment`, and answers what the person is
// shown: "ERROR: " and the message for an error value or for a failure of a
// dataset, else "There are no errors. The result is : " and the value.
// The environments are prepared around the evaluation and unprepared after.
std::string validation_text(const std::string& expression, TStringList* datasets, TBREvEnvironment* environment);

// ------------------------------------------------------------ environment grid

// The rows of an environment editor's grid over an environment (or none).
class EnvironmentGrid {
public:
    explicit EnvironmentGrid(TBREvEnvironment* environment) : environment_(environment) {}
    TBREvEnvironment* environment() const { return environment_; }
    // Data rows: one per entry (none without an environment).
    int rows() const;
    std::string name(int row) const;
    std::string expression(int row) const;
    // A name typed in row `row`: the entry takes it upper-cased. An empty
    // name or the name of another entry is refused: the answer is the
    // message, and nothing changes.
    std::optional<std::string> set_name(int row, const std::string& text);
    // An expression typed in row `row`: a new compiled entry for the text,
    // unless the environment is prepared (false: nothing changes).
    bool set_expression(int row, const std::string& text);
    // Defines a new entry (or replaces the expression of one so named); an
    // empty name is refused with the message.
    std::optional<std::string> add_entry(const std::string& name, const std::string& text);
    // Removes the entry of `row`.
    void remove_row(int row);

private:
    TBREvEnvironment* environment_;
};

// ------------------------------------------------------------ control editors

// What the label and expression editors show and apply.
struct EditorValues {
    std::string value;      // the caption, or the expression
    std::string width;      // in the control's current units, rounded to
    std::string height;     // what the unit tells apart (size_text)
    bool auto_size = false;
    bool stretch = false;
    bool transparent = false;
    std::string mask;       // expression controls only
};
// Which fields an editor applies.
struct EditorChanges {
    bool value = true, width = true, height = true, auto_size = true, stretch = true, transparent = true,
         mask = true;
    bool any() const { return value || width || height || auto_size || stretch || transparent || mask; }
};
// A size in a field: the value rounded to what its unit tells apart at the
// native 0.1 mm (millimetres 1 decimal, inches 3, characters 2, pixels and
// native units none), in the report locale's form.
std::string size_text(long double value, TBRUnit unit);
// A size typed in a field: digits with '.' or ',' as the decimal separator,
// whatever the locale's (the fields let either be typed).
bool parse_size(const std::string& text, double& value);
// The control's values; `expression` takes the expression and mask of an
// expression control instead of the caption.
EditorValues editor_values(const TBRCustomLabel& control, bool expression);
// The fields of `chosen` that differ from `shown`, what the form was filled
// with: a size counts when its number differs, not its spelling.
EditorChanges editor_changes(const EditorValues& shown, const EditorValues& chosen);
// Checks every value before applying any: a width or height that is no
// number is refused with the message, and the control is left as it was.
std::optional<std::string> check_editor_values(const EditorValues& values);
// Applies checked values, those `changes` names only: the main text
// (caption or expression), width, height, the three switches and, for an
// expression control, the mask.
void apply_editor_values(TBRCustomLabel& control, const EditorValues& values, bool expression,
                         const EditorChanges& changes = {});

// The component whose datasets an editor offers for `control`: the first
// form up its parents, else the root of its owners (the layout).
TComponent* dataset_component(TComponent* control);

}  // namespace report
