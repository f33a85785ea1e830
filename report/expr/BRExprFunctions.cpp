// The built-in functions, their registry and the library's start-up.

#include "report/expr/BRExpr.h"

#include <cmath>
#include <limits>

#include "platform/core/CodePages.h"
#include "platform/core/DateUtils.h"
#include "platform/os/Files.h"

char ArgumentSeparator = ',';

// ------------------------------------------------------------ base element

void TBREvElementFunction::CollectArguments(TBRFiFo& fifo) {
    args_.clear();
    while (TBREvElement* e = fifo.NextElement()) {
        if (dynamic_cast<TBREvElementArgumentEnd*>(e)) break;
        EvalValue v;
        e->ComputeValue(fifo, v);
        args_.push_back(std::move(v));
    }
}

void TBREvElementFunction::ArgumentAt(int index, EvalValue& target) const {
    if (index >= 0 && index < ArgumentCount()) target = args_[static_cast<std::size_t>(index)];
}

void TBREvElementFunction::ComputeValue(TBRFiFo& fifo, EvalValue& result) {
    struct Clear {
        TBREvElementFunction* f;
        ~Clear() { f->ClearArguments(); }
    } clear{this};
    CollectArguments(fifo);
    if (fifo.AggregateMode) Accumulate();
    ComputeResult(result);
}

void TBREvElementFunction::ComputeResult(EvalValue& result) { result = EvalValue::Error(); }

namespace {

bool numeric(const EvalValue& v) { return v.Kind == vkInteger || v.Kind == vkFloat; }
double as_double(const EvalValue& v) { return v.Kind == vkInteger ? v.IntValue : v.FloatValue; }

EvalValue wrong_arguments(const char* name) { return EvalValue::Error(std::string("Wrong arguments for ") + name); }

// ------------------------------------------------------------ plain functions

class TBREvIfFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        if (ArgumentCount() != 3 || Arg(0).Kind != vkBoolean) {
            r = wrong_arguments("IF");
            return;
        }
        r = Arg(Arg(0).BoolValue ? 1 : 2);
    }
};

class TBREvStrFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        if (ArgumentCount() == 1) {
            const EvalValue& a = Arg(0);
            switch (a.Kind) {
            case vkInteger: r = EvalValue::String(IntToStr(a.IntValue)); return;
            case vkFloat: r = EvalValue::String(FloatToStr(a.FloatValue, report::ReportFormatSettings())); return;
            case vkBoolean: r = EvalValue::String(a.BoolValue ? "True" : "False"); return;
            default: break;
            }
        }
        r = EvalValue::Error("Conversion error");
    }
};

// UPPER, LOWER and PRETTY: one string argument.
class TBREvCaseFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        if (ArgumentCount() != 1) {
            r = EvalValue::Error(std::string("Missing argument for ") + name());
            return;
        }
        const EvalValue& a = Arg(0);
        if (a.Kind != vkString) {
            r = EvalValue::Error(a.Text);
            return;
        }
        r = EvalValue::String(convert(a.Text));
    }

protected:
    virtual const char* name() const = 0;
    virtual std::string convert(const std::string& s) const = 0;
};

class TBREvUpperFunction : public TBREvCaseFunction {
    const char* name() const override { return "UPPER"; }
    std::string convert(const std::string& s) const override { return AnsiUpperCase(s); }
};

class TBREvLowerFunction : public TBREvCaseFunction {
    const char* name() const override { return "LOWER"; }
    std::string convert(const std::string& s) const override { return AnsiLowerCase(s); }
};

class TBREvPrettyFunction : public TBREvCaseFunction {
    const char* name() const override { return "PRETTY"; }
    std::string convert(const std::string& s) const override {
        std::string_view first = core::utf8_prefix(s, 1);
        return AnsiUpperCase(first) + AnsiLowerCase(std::string_view(s).substr(first.size()));
    }
};

class TBREvTimeFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        r = ArgumentCount() == 0 ? EvalValue::String(TimeToStr(Now(), report::ReportFormatSettings())) : EvalValue::Error();
    }
};

class TBREvDateFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        r = ArgumentCount() == 0 ? EvalValue::String(DateToStr(Now(), report::ReportFormatSettings())) : EvalValue::Error();
    }
};

// COPY(X, St, Len): Len characters of X from character St (0 counts as 1).
class TBREvCopyFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        if (ArgumentCount() != 3 || Arg(0).Kind != vkString || Arg(1).Kind != vkInteger ||
            Arg(2).Kind != vkInteger) {
            r = EvalValue::Error();
            return;
        }
        const std::string& s = Arg(0).Text;
        std::int64_t start = Arg(1).IntValue < 1 ? 1 : Arg(1).IntValue;
        std::int64_t length = Arg(2).IntValue;
        if (length <= 0) {
            r = EvalValue::String({});
            return;
        }
        std::size_t from = core::utf8_prefix(s, static_cast<std::size_t>(start - 1)).size();
        std::string_view rest = std::string_view(s).substr(from);
        r = EvalValue::String(std::string(core::utf8_prefix(rest, static_cast<std::size_t>(length))));
    }
};

class TBREvTrue : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        r = ArgumentCount() == 0 ? EvalValue::Boolean(true) : EvalValue::Error("Too many arguments");
    }
};

class TBREvFalse : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        r = ArgumentCount() == 0 ? EvalValue::Boolean(false) : EvalValue::Error("Too many arguments");
    }
};

// The whole part toward zero; one beyond 32 bits stays a float.
class TBREvIntFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        if (ArgumentCount() != 1 || !numeric(Arg(0))) {
            r = wrong_arguments("INT");
            return;
        }
        if (Arg(0).Kind == vkInteger) {
            r = Arg(0);
            return;
        }
        double t = std::trunc(Arg(0).FloatValue);
        if (t >= std::numeric_limits<std::int32_t>::min() && t <= std::numeric_limits<std::int32_t>::max())
            r = EvalValue::Integer(static_cast<std::int32_t>(t));
        else
            r = EvalValue::Float(t);
    }
};

class TBREvFracFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        if (ArgumentCount() != 1 || !numeric(Arg(0))) {
            r = EvalValue::Error();
            return;
        }
        double v = as_double(Arg(0));
        r = EvalValue::Float(Arg(0).Kind == vkInteger ? 0.0 : v - std::trunc(v));
    }
};

class TBREvSQRTFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        if (ArgumentCount() != 1 || !numeric(Arg(0)) || as_double(Arg(0)) < 0) {
            r = EvalValue::Error("Invalid argument to SQRT function");
            return;
        }
        r = EvalValue::Float(std::sqrt(as_double(Arg(0))));
    }
};

// DIV(X, Y): 32-bit quotient toward zero; floats rounded half to even first.
class TBREvDivFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        std::int32_t x = 0, y = 0;
        if (ArgumentCount() != 2 || !whole(Arg(0), x) || !whole(Arg(1), y)) {
            r = wrong_arguments("DIV");
            return;
        }
        if (y == 0) {
            r = EvalValue::Error("Division by Zero");
            return;
        }
        if (x == std::numeric_limits<std::int32_t>::min() && y == -1) {
            r = EvalValue::Error("Integer overflow");
            return;
        }
        r = EvalValue::Integer(x / y);
    }

private:
    static bool whole(const EvalValue& v, std::int32_t& out) {
        if (v.Kind == vkInteger) {
            out = v.IntValue;
            return true;
        }
        if (v.Kind != vkFloat) return false;
        double d = std::nearbyint(v.FloatValue);  // the default rounding: half to even
        if (!(d >= std::numeric_limits<std::int32_t>::min() && d <= std::numeric_limits<std::int32_t>::max()))
            return false;
        out = static_cast<std::int32_t>(d);
        return true;
    }
};

class TBREvTypeOfFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        r = ArgumentCount() == 1 ? EvalValue::String(report::ValueKindName(Arg(0).Kind)) : wrong_arguments("TypeOf");
    }
};

class TBREvFormatNumericFunction : public TBREvElementFunction {
public:
    void ComputeResult(EvalValue& r) override {
        if (ArgumentCount() != 2 || Arg(0).Kind != vkString || !numeric(Arg(1))) {
            r = EvalValue::Error();
            return;
        }
        try {
            r = EvalValue::String(FormatFloat(Arg(0).Text, as_double(Arg(1)), report::ReportFormatSettings()));
        } catch (const Exception&) {
            r = EvalValue::Error("Invalid format or value specified");
        }
    }
};

// ------------------------------------------------------------ aggregates

class TBREvSumFunction : public TBREvElementFunction {
public:
    TBREvSumFunction() { IsAggregate = true; }
    void Accumulate() override {
        if (ArgumentCount() != 1) return;
        const EvalValue& v = Arg(0);
        if (!assigned_) {
            running_ = numeric(v) ? v : EvalValue::Error();
            assigned_ = true;
            return;
        }
        if (running_.Kind == vkError) return;
        if (v.Kind == vkString) {
            running_ = EvalValue::Error();
        } else if (v.Kind == vkInteger && running_.Kind == vkInteger) {
            running_ = EvalValue::Whole(std::int64_t(running_.IntValue) + v.IntValue);
        } else if (numeric(v)) {
            double s = as_double(running_) + as_double(v);
            running_ = std::isfinite(s) ? EvalValue::Float(s) : EvalValue::Error("Floating point overflow");
        }
    }
    void ComputeResult(EvalValue& r) override { r = assigned_ ? running_ : EvalValue::Integer(0); }
    void ResetState() override { assigned_ = false; }

private:
    EvalValue running_;
    bool assigned_ = false;
};

class TBREvAverageFunction : public TBREvSumFunction {
public:
    void ResetState() override {
        TBREvSumFunction::ResetState();
        result_ = EvalValue::Float(0);
        count_ = 0;
    }
    void Accumulate() override {
        TBREvSumFunction::Accumulate();
        ++count_;
        EvalValue sum;
        TBREvSumFunction::ComputeResult(sum);
        result_ = numeric(sum) ? EvalValue::Float(as_double(sum) / static_cast<double>(count_)) : EvalValue::Error();
    }
    void ComputeResult(EvalValue& r) override { r = result_; }

private:
    std::int64_t count_ = 0;
    EvalValue result_;
};

// MAX and MIN: the greatest or smallest value of the first value's kind.
class TBREvExtremeFunction : public TBREvElementFunction {
public:
    TBREvExtremeFunction() { IsAggregate = true; }
    void Accumulate() override {
        if (ArgumentCount() != 1) return;
        const EvalValue& v = Arg(0);
        if (!assigned_) {
            running_ = v;
            assigned_ = true;
            return;
        }
        int c = 0;
        if (numeric(running_) && numeric(v)) {
            double a = as_double(v), b = as_double(running_);
            c = a < b ? -1 : a > b ? 1 : 0;
        } else if (running_.Kind == vkString && v.Kind == vkString) {
            c = CompareStr(v.Text, running_.Text);
        } else if (running_.Kind == vkBoolean && v.Kind == vkBoolean) {
            c = int(v.BoolValue) - int(running_.BoolValue);
        } else {
            return;
        }
        if (replaces(c)) running_ = v;
    }
    void ComputeResult(EvalValue& r) override { r = assigned_ ? running_ : EvalValue::Integer(0); }
    void ResetState() override { assigned_ = false; }

protected:
    virtual bool replaces(int comparison) const = 0;

private:
    EvalValue running_;
    bool assigned_ = false;
};

class TBREvMaxFunction : public TBREvExtremeFunction {
    bool replaces(int c) const override { return c > 0; }
};

class TBREvMinFunction : public TBREvExtremeFunction {
    bool replaces(int c) const override { return c < 0; }
};

class TBREvCountFunction : public TBREvElementFunction {
public:
    TBREvCountFunction() { IsAggregate = true; }
    void ComputeValue(TBRFiFo& fifo, EvalValue& result) override {
        struct Clear {
            TBREvCountFunction* f;
            ~Clear() { f->ClearArguments(); }
        } clear{this};
        CollectArguments(fifo);
        if (ArgumentCount() > 0) {
            result = EvalValue::Error("COUNT - Too many arguments");
            return;
        }
        if (fifo.AggregateMode) ++count_;
        result = EvalValue::Whole(count_);
    }
    void ResetState() override { count_ = 0; }

private:
    std::int64_t count_ = 0;
};

// ------------------------------------------------------------ the table

template <class F>
std::unique_ptr<TBREvElementFunction> make() {
    return std::make_unique<F>();
}

struct BuiltinFunction {
    const char* name;
    TBRFunctionFactory factory;
    const char* syntax;
    const char* explanation;
    const char* signature;
};

const BuiltinFunction kBuiltinFunctionTable[] = {
    {"IF", make<TBREvIfFunction>, "IF(<Exp>, <X>, <Y>)", "Returns <X> or <Y> depending on the boolean expression <Exp>", "5BVV"},
    {"STR", make<TBREvStrFunction>, "STR(<X>)", "Convert a numeric <X> to a string", "7N"},
    {"UPPER", make<TBREvUpperFunction>, "UPPER(<X>)", "Converts a string to upper case letters", "7S"},
    {"LOWER", make<TBREvLowerFunction>, "LOWER(<X>)", "Converts a string to lower case letters", "7S"},
    {"PRETTY", make<TBREvPrettyFunction>, "PRETTY(<X>)", "Makes the first character upper case and the rest lower case", "7S"},
    {"TIME", make<TBREvTimeFunction>, "TIME", "Return current time as a string", "1"},
    {"DATE", make<TBREvDateFunction>, "DATE", "Return current date as a string", "1"},
    {"COPY", make<TBREvCopyFunction>, "COPY(<X>, <St>,<Len>)", "Returns a substring of string X", "7SNN"},
    {"SUM", make<TBREvSumFunction>, "SUM(<X>)", "Sums the numeric <X>", "3N"},
    {"COUNT", make<TBREvCountFunction>, "COUNT", "Increments for each iteration", "3"},
    {"MAX", make<TBREvMaxFunction>, "MAX(<X>)", "Returns the highest <X>", "3V"},
    {"MIN", make<TBREvMinFunction>, "MIN(<X>)", "Returns the lowest <X>", "3V"},
    {"AVERAGE", make<TBREvAverageFunction>, "AVERAGE(<X>)", "Returns the average of numeric <X>", "3N"},
    {"TRUE", make<TBREvTrue>, "TRUE", "boolean value", "5"},
    {"FALSE", make<TBREvFalse>, "FALSE", "boolean value", "5"},
    {"INT", make<TBREvIntFunction>, "INT(<X>)", "Returns the integer part of <X>", "2N"},
    {"FRAC", make<TBREvFracFunction>, "FRAC(<X>)", "Returns the fractional part of <X>", "2N"},
    {"SQRT", make<TBREvSQRTFunction>, "SQRT(<X>)", "Returns square root of <X>", "2N"},
    {"DIV", make<TBREvDivFunction>, "DIV(<X>, <Y>)", "Integer division of <X> by <Y>", "2NN"},
    {"TYPEOF", make<TBREvTypeOfFunction>, "TYPEOF(<Exp>)", "Returns the data type of <Exp>", "6N"},
    {"FORMATNUMERIC", make<TBREvFormatNumericFunction>, "FORMATNUMERIC(<F>,<N>)", "Formats numeric <N> using the mask in <F>", "7SN"},
};

// The vendor text stored with every built-in entry.
constexpr const char* kVendor = "Built-in";

// The library's process-wide state. Torn down in order, also at exit when no
// shut-down ran: the application environment is out of reach before it goes,
// so that releasing its entries does not call back into it.
struct LibraryState {
    int start_count = 0;
    std::unique_ptr<TBRFunctionLibrary> library;
    std::unique_ptr<TBREvEnvironment> application_environment;
    std::optional<std::string> title;

    void tear_down() {
        std::unique_ptr<TBREvEnvironment> env = std::move(application_environment);
        env.reset();
        library.reset();
    }
    ~LibraryState() { tear_down(); }
};

LibraryState g_state;

std::string quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

extern bool GlobalUnprepareGuard;

// ---------------------------------------------------------------- registry

TBRLibrary::TBRLibrary() = default;

TBRLibrary::~TBRLibrary() {
    for (int i = 0; i < EntryList.Count(); ++i) delete EntryList.Objects(i);
}

void TBRLibrary::AddEntry(TBRFunctionFactory item, const std::string& name, const std::string& description,
                          const std::string& vendor, const std::string& data) {
    auto entry = std::make_unique<TBRLibraryEntry>();
    entry->Description = description;
    entry->Data = data;
    entry->Item = item;
    entry->Name = name;
    entry->Vendor = vendor;
    EntryList.AddObject(name, entry.release());
}

TBRLibraryEntry* TBRLibrary::EntryAt(int index) const {
    if (index < 0 || index >= EntryList.Count()) return nullptr;
    return static_cast<TBRLibraryEntry*>(EntryList.Objects(index));
}

std::unique_ptr<TBREvElement> TBRFunctionLibrary::CreateFunctionElement(const std::string& name) const {
    int i = EntryList.IndexOf(name);
    if (i < 0) return std::make_unique<TBREvElementError>("Unknown function : " + name);
    return EntryAt(i)->Item();
}

void RegisterBuiltinFunction(TBRFunctionFactory item, const std::string& name, const std::string& description,
                             const std::string& vendor, const std::string& data) {
    FunctionLibrary().AddEntry(item, name, description, vendor, data);
}

// ---------------------------------------------------------------- start-up

void InitExpressionLibrary() {
    if (g_state.start_count++ > 0) return;
    GlobalUnprepareGuard = false;
    ArgumentSeparator = ',';
    g_state.library = std::make_unique<TBRFunctionLibrary>();
    for (const BuiltinFunction& f : kBuiltinFunctionTable) {
        const std::string bar = std::string(f.name) == "DIV" ? " | " : "|";
        g_state.library->AddEntry(f.factory, f.name, f.syntax + bar + f.explanation, kVendor, f.signature);
    }
    g_state.application_environment = std::make_unique<TBREvEnvironment>();
    const TFormatSettings& fs = report::ReportFormatSettings();
    const TDateTime now = Now();
    g_state.application_environment->DefineEntry("AppStartTime", quoted(TimeToStr(now, fs)));
    g_state.application_environment->DefineEntry("AppStartDate", quoted(DateToStr(now, fs)));
    g_state.application_environment->DefineEntry("AppName", quoted(report::application_title()));
}

void report::DoneExpressionLibrary() {
    if (g_state.start_count == 0 || --g_state.start_count > 0) return;
    g_state.tear_down();
}

TBRFunctionLibrary& FunctionLibrary() {
    if (!g_state.library) InitExpressionLibrary();
    return *g_state.library;
}

TBREvEnvironment& ApplicationEnvironment() {
    if (!g_state.application_environment) InitExpressionLibrary();
    return *g_state.application_environment;
}

namespace report {

void set_application_title(const std::string& title) { g_state.title = title; }

std::string application_title() {
    if (g_state.title) return *g_state.title;
    try {
        std::string name = ExtractFileName(os::executable_path());
        return ChangeFileExt(name, "");
    } catch (const Exception&) {
        return {};
    }
}

TBREvEnvironment* application_environment_if_started() { return g_state.application_environment.get(); }

}  // namespace report
