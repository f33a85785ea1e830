// The evaluator: the grammar, compiled once into a list of elements in
// prefix order, and the evaluation of that list.

#include "report/expr/BRExpr.h"

#include <cmath>

#include "platform/data/DB.h"

namespace {

// Where a text's states stand while it is walked: quotes, brackets and the
// depth of parentheses. A quote inside brackets and a bracket inside quotes
// are ordinary characters.
struct ScanState {
    bool in_quote = false;
    bool in_bracket = false;
    int depth = 0;

    // Updates the states for `c`; true when `c` is at the top level (depth 0,
    // outside quotes and brackets) and changed no state.
    bool step(char c) {
        switch (c) {
        case '\'':
            if (!in_bracket) {
                in_quote = !in_quote;
                return false;
            }
            break;
        case '(':
            if (!in_quote && !in_bracket) {
                ++depth;
                return false;
            }
            break;
        case ')':
            if (!in_quote && !in_bracket) {
                --depth;
                return false;
            }
            break;
        case '[':
            if (!in_quote && !in_bracket) {
                in_bracket = true;
                return false;
            }
            break;
        case ']':
            if (!in_quote) {
                bool was = in_bracket;
                in_bracket = false;
                if (was) return false;
            }
            break;
        default: break;
        }
        return depth == 0 && !in_quote && !in_bracket;
    }
};

struct Split {
    std::size_t pos = std::string::npos;  // first character of the operator
    std::size_t length = 0;
    EvalOperator op = eoEqual;
    bool found() const { return pos != std::string::npos; }
};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when the characters of `text` from `at` are `word` (lower case), any case.
bool word_at(const std::string& text, std::size_t at, const char* word) {
    for (std::size_t k = 0; word[k]; ++k)
        if (at + k >= text.size() || lower(text[at + k]) != word[k]) return false;
    return true;
}

// The first top-level operator of a level. The last character is never
// examined, and one in the first position is the operand's sign.
template <class Match>
Split scan(const std::string& text, Match match) {
    ScanState st;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (!st.step(text[i]) || i == 0) continue;
        Split s = match(text, i);
        if (s.found()) return s;
    }
    return {};
}

Split comparison_at(const std::string& t, std::size_t i) {
    switch (t[i]) {
    case '<':
        if (t[i + 1] == '>') return {i, 2, eoNotEqual};
        if (t[i + 1] == '=') return {i, 2, eoLessEqual};
        return {i, 1, eoLess};
    case '=': return {i, 1, eoEqual};
    case '>':
        if (t[i + 1] == '=') return {i, 2, eoGreaterEqual};
        return {i, 1, eoGreater};
    default: return {};
    }
}

Split additive_at(const std::string& t, std::size_t i) {
    if (t[i] == '+') return {i, 1, eoAdd};
    if (t[i] == '-') return {i, 1, eoSubtract};
    if (t[i] == ' ' && word_at(t, i + 1, "or ")) return {i + 1, 2, eoOr};
    return {};
}

Split multiplicative_at(const std::string& t, std::size_t i) {
    if (t[i] == '*') return {i, 1, eoMultiply};
    if (t[i] == '/') return {i, 1, eoDivide};
    if (t[i] == ' ' && word_at(t, i + 1, "and ")) return {i + 1, 3, eoAnd};
    return {};
}

// Exchanges a and b at the top level, so that a chain on the right of a
// subtraction or division evaluates from left to right.
std::string swap_signs_outside_groups(std::string text, char a, char b) {
    ScanState st;
    for (char& c : text) {
        if (!st.step(c)) continue;
        if (c == a)
            c = b;
        else if (c == b)
            c = a;
    }
    return text;
}

// Leading and trailing blanks removed; a text of blanks keeps one.
std::string trim_blanks(const std::string& text) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return text.empty() ? text : std::string(" ");
    std::size_t e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_word_char(char c) {
    return is_letter(c) || is_digit(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// Deeper nesting than this compiles to an error: the compiler and the
// evaluation recurse once a level.
constexpr int kMaxNesting = 3000;

std::unique_ptr<TBREvElement> error_element(std::string message) {
    return std::make_unique<TBREvElementError>(std::move(message));
}

// The arguments of a call, split at the top-level separators.
std::vector<std::string> split_arguments(const std::string& text) {
    std::vector<std::string> out;
    std::string rest = text;
    for (;;) {
        ScanState st;
        std::size_t at = std::string::npos;
        for (std::size_t i = 0; i + 1 < rest.size(); ++i) {
            if (st.step(rest[i]) && rest[i] == ArgumentSeparator) {
                at = i;
                break;
            }
        }
        if (at == std::string::npos) {
            if (!rest.empty()) out.push_back(rest);
            return out;
        }
        out.push_back(rest.substr(0, at));
        rest = rest.substr(at + 1);
    }
}

}  // namespace

// ---------------------------------------------------------------- evaluator

// One level of the grammar's recursion while it lasts. Past the limit the
// text compiles to an error and the level is not entered.
class TBREvaluator::Nesting {
public:
    Nesting(TBREvaluator& ev, const std::string& text) : depth_(ev.depth_) {
        if (++depth_ > kMaxNesting) ev.Append(error_element("Error in expression : " + text));
        if (depth_ > ev.deepest_) ev.deepest_ = depth_;
    }
    ~Nesting() { --depth_; }
    explicit operator bool() const { return depth_ <= kMaxNesting; }

private:
    int& depth_;
};

TBREvaluator::TBREvaluator() = default;

TBREvaluator::~TBREvaluator() {
    if (compiled_) ReleaseCompiled();
}

void report::DataSetListSlot::use(TList* list) {
    if (own_ && list_ == own_.get() && list != list_) own_.reset();
    list_ = list;
}

TList* report::DataSetListSlot::get() {
    if (!list_) {
        own_ = std::make_unique<TList>();
        list_ = own_.get();
    }
    return list_;
}

void TBREvaluator::UseDataSetList(TList* list) { datasets_.use(list); }

TList* TBREvaluator::DataSetList() { return datasets_.get(); }

void TBREvaluator::CompileExpression(const std::string& text) {
    if (compiled_) ReleaseCompiled();
    ApplicationEnvironment().PrepareEntries();
    fifo_ = std::make_unique<TBRFiFo>();
    compiled_ = true;
    deepest_ = 0;
    ParseComparison(text.empty() ? std::string("' '") : text);
}

void TBREvaluator::ReleaseCompiled() {
    fifo_.reset();
    compiled_ = false;
    if (TBREvEnvironment* app = report::application_environment_if_started()) app->UnprepareEntries();
}

namespace {
thread_local int evaluation_depth = 0;
thread_local std::uint64_t evaluation_number = 0;
thread_local std::uint64_t evaluations_made = 0;
}  // namespace

report::detail::OuterEvaluation::OuterEvaluation() {
    if (evaluation_depth++ == 0) evaluation_number = ++evaluations_made;
}

report::detail::OuterEvaluation::~OuterEvaluation() {
    if (--evaluation_depth == 0) evaluation_number = 0;
}

std::uint64_t report::detail::OuterEvaluation::Current() { return evaluation_number; }

void TBREvaluator::EvaluateCompiled(EvalValue& result) {
    if (!compiled_) throw Exception("Evaluator not prepared");
    const report::detail::OuterEvaluation scope;
    fifo_->Rewind();
    TBREvElement* first = fifo_->NextElement();
    if (!first) {
        result = EvalValue::Error();
        return;
    }
    first->ComputeValue(*fifo_, result);
}

void TBREvaluator::ResetAggregates() {
    if (!fifo_) return;
    for (int i = 0; i < fifo_->Count(); ++i) fifo_->ElementAt(i)->ResetState();
}

void TBREvaluator::SetAggregateMode(bool on) {
    if (fifo_) fifo_->AggregateMode = on;
}

void TBREvaluator::AccumulateAggregates() {
    struct ModeOff {
        TBREvaluator* ev;
        ~ModeOff() { ev->SetAggregateMode(false); }
    } off{this};
    SetAggregateMode(true);
    EvalValue discarded;
    EvaluateCompiled(discarded);
}

bool TBREvaluator::HasAggregates() const {
    if (!fifo_) return false;
    for (int i = 0; i < fifo_->Count(); ++i)
        if (fifo_->ElementAt(i)->IsAggregate) return true;
    return false;
}

void TBREvaluator::EvaluateOnce(const std::string& text, EvalValue& result) {
    CompileExpression(text);
    struct Release {
        TBREvaluator* ev;
        ~Release() { ev->ReleaseCompiled(); }
    } release{this};
    EvaluateCompiled(result);
}

TBREvElement* TBREvaluator::CompiledElementAt(int index) const {
    if (!compiled_ || !fifo_) return nullptr;
    return fifo_->ElementAt(index);
}

void TBREvaluator::Append(std::unique_ptr<TBREvElement> element) { fifo_->AppendElement(std::move(element)); }

// ---------------------------------------------------------------- grammar

void TBREvaluator::ParseComparison(const std::string& text) {
    Split s = scan(text, comparison_at);
    if (!s.found()) {
        ParseAdditive(text);
        return;
    }
    Append(std::make_unique<TBREvElementOperator>(s.op));
    ParseAdditive(text.substr(0, s.pos));
    ParseAdditive(text.substr(s.pos + s.length));
}

void TBREvaluator::ParseAdditive(const std::string& text) {
    Nesting nesting(*this, text);
    if (!nesting) return;
    Split s = scan(text, additive_at);
    if (!s.found()) {
        ParseMultiplicative(text);
        return;
    }
    Append(std::make_unique<TBREvElementOperator>(s.op));
    ParseMultiplicative(text.substr(0, s.pos));
    std::string right = text.substr(s.pos + s.length);
    if (s.op == eoSubtract) right = swap_signs_outside_groups(std::move(right), '+', '-');
    ParseAdditive(right);
}

void TBREvaluator::ParseMultiplicative(const std::string& text) {
    Nesting nesting(*this, text);
    if (!nesting) return;
    Split s = scan(text, multiplicative_at);
    if (!s.found()) {
        ParseOperand(text);
        return;
    }
    Append(std::make_unique<TBREvElementOperator>(s.op));
    ParseOperand(text.substr(0, s.pos));
    std::string right = text.substr(s.pos + s.length);
    if (s.op == eoDivide) right = swap_signs_outside_groups(std::move(right), '*', '/');
    ParseMultiplicative(right);
}

void TBREvaluator::ParseOperand(const std::string& raw) {
    Nesting nesting(*this, raw);
    if (!nesting) return;
    const std::string op = trim_blanks(raw);
    if (op.empty()) {
        Append(error_element("Error in expression : "));
        return;
    }
    // "not" as a word of its own negates the rest of the operand.
    if (word_at(op, 0, "not") && (op.size() == 3 || !is_word_char(op[3]))) {
        Append(std::make_unique<report::TBREvElementNot>());
        ParseAdditive(op.substr(3));
        return;
    }
    const char first = op.front();
    const char last = op.back();
    if (first == '\'') {
        if (op.size() >= 2 && last == '\'')
            Append(std::make_unique<TBREvElementString>(op.substr(1, op.size() - 2)));
        else
            Append(error_element("Missing '"));
    } else if (first == '(') {
        if (op.size() >= 2 && last == ')')
            ParseComparison(op.substr(1, op.size() - 2));
        else
            Append(error_element("Missing )"));
    } else if (first == '+') {
        ParseOperand(op.substr(1));
    } else if (first == '-') {
        ParseAdditive("0-" + op.substr(1));
    } else if (is_digit(first)) {
        ParseNumber(op);
    } else if (is_letter(first)) {
        ParseCallOrName(op);
    } else if (first == '[') {
        if (op.size() >= 2 && last == ']')
            ResolveFieldReference(op.substr(1, op.size() - 2));
        else
            Append(error_element("Missing ]"));
    } else {
        Append(error_element("Error in expression : " + op));
    }
}

void TBREvaluator::ParseNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && is_digit(text[i])) ++i;
    bool is_float = false;
    while (i < text.size()) {
        char c = text[i];
        if (c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e' || is_digit(c)) {
            is_float = true;
            ++i;
        } else {
            break;
        }
    }
    const std::string bad = "Illegal character in numeric contant \"";
    if (i < text.size()) {
        Append(error_element(bad + text + "\""));
        return;
    }
    if (!is_float) {
        int n = 0;
        if (TryStrToInt(text, n)) {
            Append(std::make_unique<TBREvElementConstant>(EvalValue::Integer(n)));
            return;
        }
    }
    const TFormatSettings& fs = report::ReportFormatSettings();
    std::string t = text;
    if (fs.DecimalSeparator != '.')
        for (char& c : t)
            if (c == '.') c = fs.DecimalSeparator;
    double d = 0;
    if (TryStrToFloat(t, d, fs) && std::isfinite(d))
        Append(std::make_unique<TBREvElementConstant>(EvalValue::Float(d)));
    else
        Append(error_element(bad + t + "\""));
}

void TBREvaluator::ParseCallOrName(const std::string& text) {
    std::size_t open = text.find('(');
    if (open == std::string::npos) {
        ParseFunctionCall(text, std::nullopt);
    } else if (text.back() == ')') {
        ParseFunctionCall(text.substr(0, open), text.substr(open + 1, text.size() - open - 2));
    } else {
        ParseFunctionCall("", std::nullopt);
    }
}

void TBREvaluator::ParseFunctionCall(const std::string& name, const std::optional<std::string>& arguments) {
    const std::string upper = UpperCase(name);
    std::unique_ptr<TBREvElement> element = FunctionLibrary().CreateFunctionElement(upper);
    if (dynamic_cast<TBREvElementError*>(element.get())) {
        if (!arguments)
            ResolveFieldReference(upper);
        else
            Append(std::move(element));
        return;
    }
    Append(std::move(element));
    if (arguments)
        for (const std::string& arg : split_arguments(*arguments)) ParseComparison(arg);
    Append(std::make_unique<TBREvElementArgumentEnd>());
}

void TBREvaluator::ResolveFieldReference(const std::string& name) {
    TList* list = datasets_.in_use();
    if (!list) {
        ResolveEnvironmentName(name);
        return;
    }
    std::string dataset_name, field_name;
    std::size_t dot = name.find('.');
    if (dot == std::string::npos) {
        field_name = UpperCase(name);
    } else {
        dataset_name = UpperCase(name.substr(0, dot));
        field_name = UpperCase(name.substr(dot + 1));
    }
    TField* field = nullptr;
    for (int i = 0; i < list->Count() && !field; ++i) {
        auto* ds = static_cast<TDataSet*>(list->Items(i));
        if (!ds) continue;
        if (dataset_name.empty()) {
            field = ds->FindField(field_name);
        } else if (UpperCase(ds->Name()) == dataset_name) {
            field = ds->FindField(field_name);
            break;
        }
    }
    if (field)
        Append(std::make_unique<TBREvElementDataField>(field));
    else
        ResolveEnvironmentName(name);
}

void TBREvaluator::ResolveEnvironmentName(const std::string& name) {
    if (NameEnvironment) {
        std::unique_ptr<TBREvElement> element = NameEnvironment->MakeElement(name);
        if (!dynamic_cast<TBREvElementError*>(element.get())) {
            Append(std::move(element));
            return;
        }
    }
    Append(ApplicationEnvironment().MakeElement(name));
}
