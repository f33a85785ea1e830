#pragma once
// Report expressions: values, the compiled element list, the evaluator, the
// built-in function library and the named environments.
//
//   TBREvaluator ev;
//   ev.UseDataSetList(&datasets);          // TList of TDataSet*
//   ev.NameEnvironment = &report_env;      // may stay null
//   ev.CompileExpression("SUM([Orders.Amount])");
//   ev.ResetAggregates();
//   for each record: ev.AccumulateAggregates();
//   EvalValue v; ev.EvaluateCompiled(v);
//
// A bad expression never raises: it compiles to error elements and evaluates
// to a value of kind vkError that carries its message. Only misuse of the
// evaluator raises (Exception "Evaluator not prepared"), and exceptions of a
// dataset while a field is read pass through.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Lifeline.h"
#include "platform/core/StringList.h"

class TDataSet;
class TField;
class TBREvEnvironment;
class TBREvaluator;

// ------------------------------------------------------------------ values

enum ValueKind : std::uint8_t { vkInteger, vkFloat, vkString, vkBoolean, vkError };

// The value of an expression, copied whole. Text holds the string of vkString
// and the message of vkError (UTF-8, never cut).
struct EvalValue {
    ValueKind Kind = vkInteger;
    std::int32_t IntValue = 0;
    double FloatValue = 0.0;
    bool BoolValue = false;
    std::string Text;

    static EvalValue Integer(std::int32_t v);
    static EvalValue Float(double v);
    static EvalValue String(std::string v);
    static EvalValue Boolean(bool v);
    static EvalValue Error(std::string message = {});
    // An integer when `v` fits 32 bits, else the same number as a float.
    static EvalValue Whole(std::int64_t v);
};

// The value as text: integers and floats in the report locale's form,
// "True"/"False", strings as they are; an error raises Exception
// "Error in expression : %s".
std::string FormatEvalResult(const EvalValue& v);
// "INTEGER", "FLOAT", "STRING", "BOOLEAN" or "ERROR".
namespace report {
const char* ValueKindName(ValueKind kind);
}  // namespace report

enum EvalOperator : std::uint8_t {
    eoLess, eoLessEqual, eoGreater, eoGreaterEqual, eoEqual, eoNotEqual,
    eoAdd, eoSubtract, eoOr, eoMultiply, eoDivide, eoAnd
};

// The number, date and time forms of report texts (masks, STR, DATE, TIME):
// those of the LC_NUMERIC and LC_TIME locales (LC_ALL, then the category,
// then LANG) when they name a locale the system has; under C or POSIX, or a
// locale the system lacks, '.' decimals, ',' thousands, "dd/mm/yyyy" and
// "hh:nn:ss". Read once; tests may change it.
namespace report {
TFormatSettings& ReportFormatSettings();
}  // namespace report

// ---------------------------------------------------------------- elements

class TBRFiFo;

// One element of a compiled expression.
class TBREvElement : public TObject {
public:
    bool IsAggregate = false;
    // Computes this element's value, taking its operands from the list.
    virtual void ComputeValue(TBRFiFo& fifo, EvalValue& result);
    // Restarts running state (aggregates).
    virtual void ResetState() {}
};

// The compiled form of one expression: elements in prefix order.
class TBRFiFo {
public:
    bool AggregateMode = false;
    void AppendElement(std::unique_ptr<TBREvElement> element);
    TBREvElement* NextElement();  // null past the end
    void Rewind() { next_ = 0; }
    int Count() const { return static_cast<int>(elements_.size()); }
    TBREvElement* ElementAt(int index) const;  // null out of range

private:
    std::vector<std::unique_ptr<TBREvElement>> elements_;
    std::size_t next_ = 0;
};

class TBREvElementOperator : public TBREvElement {
public:
    explicit TBREvElementOperator(EvalOperator op) : Operator(op) {}
    void ComputeValue(TBRFiFo& fifo, EvalValue& result) override;
    EvalOperator Operator;
};

// Applies an operator to two values (coercion included).
namespace report {
EvalValue ApplyOperator(EvalOperator op, EvalValue left, EvalValue right);
}  // namespace report

class TBREvElementConstant : public TBREvElement {
public:
    explicit TBREvElementConstant(EvalValue v) : Value(std::move(v)) {}
    void ComputeValue(TBRFiFo&, EvalValue& result) override { result = Value; }
    EvalValue Value;
};

class TBREvElementString : public TBREvElement {
public:
    explicit TBREvElementString(std::string text) : Text(std::move(text)) {}
    void ComputeValue(TBRFiFo&, EvalValue& result) override { result = EvalValue::String(Text); }
    std::string Text;
};

// A dataset field, read on the dataset's current record. The field is taken
// again by position at each read: datasets recreate their fields when they open.
class TBREvElementDataField : public TBREvElement {
public:
    explicit TBREvElementDataField(TField* field);
    void ComputeValue(TBRFiFo&, EvalValue& result) override;
    TDataSet* DataSet;
    int FieldIndex;
};

class TBREvElementError : public TBREvElement {
public:
    explicit TBREvElementError(std::string message) : Message(std::move(message)) {}
    void ComputeValue(TBRFiFo&, EvalValue& result) override { result = EvalValue::Error(Message); }
    std::string Message;
};

class TBREvElementArgumentEnd : public TBREvElement {};

// The negation of a word `not`: a boolean operand negated, anything else
// "Invalid use of NOT".
namespace report {
class TBREvElementNot : public TBREvElement {
public:
    void ComputeValue(TBRFiFo& fifo, EvalValue& result) override;
};
}  // namespace report

// ---------------------------------------------------------------- evaluator

namespace report {
// A dataset list in use (not owned), or an own empty one made on demand.
class DataSetListSlot {
public:
    // Uses `list`; the own list goes when it was in use and `list` differs.
    void use(TList* list);
    // The list in use; an own empty list when there is none.
    TList* get();
    TList* in_use() const { return list_; }

private:
    std::unique_ptr<TList> own_;
    TList* list_ = nullptr;
};
}  // namespace report

class TBREvaluator {
public:
    TBREvaluator();
    virtual ~TBREvaluator();
    TBREvaluator(const TBREvaluator&) = delete;
    TBREvaluator& operator=(const TBREvaluator&) = delete;

    // The datasets (TDataSet*) that names resolve against; not owned.
    void UseDataSetList(TList* list);
    // The list in use; an own empty list when there is none.
    TList* DataSetList();
    // Consulted by name resolution when compiling; not owned, may be null.
    TBREvEnvironment* NameEnvironment = nullptr;

    // Compiles `text` once (fields and environment entries bound now); never
    // fails: problems become error elements. An empty text is a blank string.
    void CompileExpression(const std::string& text);
    // Frees the compiled form and its aggregates' state.
    void ReleaseCompiled();
    // The value on the current records; Exception "Evaluator not prepared"
    // when nothing is compiled.
    void EvaluateCompiled(EvalValue& result);
    // Restarts every aggregate of the expression.
    void ResetAggregates();
    // While on, an evaluation accumulates its aggregates (and COUNT counts).
    void SetAggregateMode(bool on);
    // Accumulates the current records into the aggregates; the value is dropped.
    void AccumulateAggregates();
    // True when the expression holds an aggregate (it wants every record).
    bool HasAggregates() const;
    // Compiles, evaluates and releases.
    void EvaluateOnce(const std::string& text, EvalValue& result);

    bool Compiled() const { return compiled_; }
    // The deepest nesting of the grammar the compiled expression reached
    // (its evaluation recurses no deeper).
    int NestingDepth() const { return deepest_; }
    // The element at `index` of the compiled form; null when not compiled or out of range.
    TBREvElement* CompiledElementAt(int index) const;

protected:
    virtual void ParseFunctionCall(const std::string& name, const std::optional<std::string>& arguments);
    virtual void ResolveFieldReference(const std::string& name);
    void ResolveEnvironmentName(const std::string& name);
    void Append(std::unique_ptr<TBREvElement> element);

private:
    void ParseComparison(const std::string& text);
    void ParseAdditive(const std::string& text);
    void ParseMultiplicative(const std::string& text);
    void ParseOperand(const std::string& text);
    void ParseNumber(const std::string& text);
    void ParseCallOrName(const std::string& text);

    class Nesting;
    int depth_ = 0;
    int deepest_ = 0;
    report::DataSetListSlot datasets_;
    std::unique_ptr<TBRFiFo> fifo_;
    bool compiled_ = false;
};

// ------------------------------------------------------------ functions

// A built-in function: its arguments are evaluated, then ComputeResult runs.
class TBREvElementFunction : public TBREvElement {
public:
    void ComputeValue(TBRFiFo& fifo, EvalValue& result) override;
    virtual void Accumulate() {}
    virtual void ComputeResult(EvalValue& result);

protected:
    void CollectArguments(TBRFiFo& fifo);
    void ClearArguments() { args_.clear(); }
    int ArgumentCount() const { return static_cast<int>(args_.size()); }
    void ArgumentAt(int index, EvalValue& target) const;
    const EvalValue& Arg(int index) const { return args_[static_cast<std::size_t>(index)]; }

private:
    std::vector<EvalValue> args_;
};

using TBRFunctionFactory = std::unique_ptr<TBREvElementFunction> (*)();

class TBRLibraryEntry : public TObject {
public:
    std::string Description;  // "syntax|explanation"
    std::string Data;         // the argument signature
    TBRFunctionFactory Item = nullptr;
    std::string Name;
    std::string Vendor;
};

// Registered entries by name (case ignored, first added wins); owns them.
class TBRLibrary {
public:
    TBRLibrary();
    virtual ~TBRLibrary();
    void AddEntry(TBRFunctionFactory item, const std::string& name, const std::string& description,
                  const std::string& vendor, const std::string& data);
    virtual TBRLibraryEntry* EntryAt(int index) const;  // null at or past the count
    int Count() const { return EntryList.Count(); }
    TStringList EntryList;
};

class TBRFunctionLibrary : public TBRLibrary {
public:
    // A new element of the function registered under `name`, or an error
    // element "Unknown function : %s".
    std::unique_ptr<TBREvElement> CreateFunctionElement(const std::string& name) const;
};

// Unit start-up and shut-down of the expression library (counted): the
// function library, the argument separator and the application environment.
void InitExpressionLibrary();
namespace report {
void DoneExpressionLibrary();
}  // namespace report
// The function library and the application environment; start the library when needed.
TBRFunctionLibrary& FunctionLibrary();
TBREvEnvironment& ApplicationEnvironment();
void RegisterBuiltinFunction(TBRFunctionFactory item, const std::string& name, const std::string& description,
                             const std::string& vendor, const std::string& data);
extern char ArgumentSeparator;

namespace report {
// The application title that AppName takes at start-up (default: the
// executable's file name).
void set_application_title(const std::string& title);
std::string application_title();
// The library's state, for the evaluator's release: the application
// environment or null when the library is not started.
TBREvEnvironment* application_environment_if_started();
}  // namespace report

// ----------------------------------------------------------- environments

// An entry of an environment: an expression compiled by its own evaluator.
class TBREvEmbeddedFunction : public TBREvElement {
public:
    explicit TBREvEmbeddedFunction(std::string text);
    ~TBREvEmbeddedFunction() override;
    void ComputeValue(TBRFiFo& fifo, EvalValue& result) override;
    void ResetState() override;
    const std::string& ExpressionText() const { return text_; }
    TBREvElement* CompiledElementAt(int index) const { return evaluator_->CompiledElementAt(index); }
    TBREvaluator& Evaluator() { return *evaluator_; }
    // A weak handle: null once this entry is freed.
    core::Lifeline<TBREvEmbeddedFunction>::Watch Handle() const { return handle_.watch(); }

private:
    std::unique_ptr<TBREvaluator> evaluator_;
    std::string text_;
    bool in_evaluation_ = false;
    core::Lifeline<TBREvEmbeddedFunction> handle_{this};
    // The value of the entry in the evaluation it was computed in (0: none).
    std::uint64_t cached_in_ = 0;
    EvalValue cached_;
};

namespace report::detail {
// Each evaluation that no other evaluation encloses is one number: an
// environment entry computes its value once in it, however often the
// expression names it, directly or through other entries.
class OuterEvaluation {
public:
    OuterEvaluation();
    ~OuterEvaluation();
    OuterEvaluation(const OuterEvaluation&) = delete;
    OuterEvaluation& operator=(const OuterEvaluation&) = delete;
    // The evaluation under way (0: none).
    static std::uint64_t Current();
};
}  // namespace report::detail

// What a compiled expression holds for a reference to an environment entry.
// An entry freed since gives "Unknown function : %s".
class TBREvElementWrapper : public TBREvElement {
public:
    TBREvElementWrapper(TBREvEmbeddedFunction* target, std::string name);
    void ComputeValue(TBRFiFo& fifo, EvalValue& result) override;
    TBREvEmbeddedFunction* TargetEntry() const { return *target_; }

private:
    core::Lifeline<TBREvEmbeddedFunction>::Watch target_;
    std::string name_;
};

// Named expressions (names upper-cased, found without regard to case); the
// list's objects are the entries, owned. Stored in form resources as the
// names ("Strings") and the expression texts ("DATA").
class TBREvEnvironment : public TStringList {
public:
    TBREvEnvironment();
    ~TBREvEnvironment() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    void Clear() override;
    void Delete(int index) override;
    int AddObject(const std::string& s, TObject* obj) override;
    void InsertObject(int index, const std::string& s, TObject* obj) override;
    void PutObject(int index, TObject* obj) override;
    // As the list compares, through an index of the names: a lookup does
    // not walk the list.
    int IndexOf(std::string_view s) const override;

    void DefineEntry(const std::string& name, const std::string& text);
    void RemoveEntry(const std::string& name);
    std::unique_ptr<TBREvElement> MakeElement(const std::string& name);
    void EntryValue(const std::string& name, EvalValue& result);
    TBREvElement* FirstCompiledElement(const std::string& name);
    TBREvEmbeddedFunction* Entry(int index) const;

    static void StoreStringConstant(TBREvElement* element, const std::string& text);
    static void StoreIntegerConstant(TBREvElement* element, std::int32_t value);
    static void StoreConstant(TBREvElement* element, const EvalValue& value);

    void PrepareEntries();
    void UnprepareEntries();
    bool IsPrepared() const { return preparation_count_ > 0; }
    int PreparationCount() const { return preparation_count_; }

    void UseDataSetList(TList* list);
    TList* DataSetList();

    // The expression texts as a string list ("DATA" of the form resource).
    TStrings* Data() const;

protected:
    void ItemsChanged() override { index_valid_ = false; }

private:
    void compile_entry(TBREvEmbeddedFunction& entry);
    std::string index_key(std::string_view name) const;
    class DataList;
    // The first line of each name (its key as the list compares), rebuilt
    // after a change; an append keeps it.
    mutable std::unordered_map<std::string, int> index_;
    mutable bool index_valid_ = false;
    int preparation_count_ = 0;
    report::DataSetListSlot datasets_;
    std::unique_ptr<DataList> data_;
};
