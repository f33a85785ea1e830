// Values, their text form, operators and the elements that read them.

#include "report/expr/BRExpr.h"

#include <cmath>
#include <limits>

#include "platform/core/DateUtils.h"
#include "platform/data/DB.h"
#include "platform/os/Locale.h"

EvalValue EvalValue::Integer(std::int32_t v) {
    EvalValue r;
    r.Kind = vkInteger;
    r.IntValue = v;
    return r;
}

EvalValue EvalValue::Float(double v) {
    EvalValue r;
    r.Kind = vkFloat;
    r.FloatValue = v;
    return r;
}

EvalValue EvalValue::String(std::string v) {
    EvalValue r;
    r.Kind = vkString;
    r.Text = std::move(v);
    return r;
}

EvalValue EvalValue::Boolean(bool v) {
    EvalValue r;
    r.Kind = vkBoolean;
    r.BoolValue = v;
    return r;
}

EvalValue EvalValue::Error(std::string message) {
    EvalValue r;
    r.Kind = vkError;
    r.Text = std::move(message);
    return r;
}

EvalValue EvalValue::Whole(std::int64_t v) {
    if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
        return Integer(static_cast<std::int32_t>(v));
    return Float(static_cast<double>(v));
}

TFormatSettings& report::ReportFormatSettings() {
    static TFormatSettings settings = os::named_locale_format_settings();
    return settings;
}

std::string FormatEvalResult(const EvalValue& v) {
    switch (v.Kind) {
    case vkInteger: return IntToStr(v.IntValue);
    case vkFloat: return FloatToStr(v.FloatValue, report::ReportFormatSettings());
    case vkString: return v.Text;
    case vkBoolean: return v.BoolValue ? "True" : "False";
    case vkError: break;
    }
    throw Exception("Error in expression : " + v.Text);
}

const char* report::ValueKindName(ValueKind kind) {
    switch (kind) {
    case vkInteger: return "INTEGER";
    case vkFloat: return "FLOAT";
    case vkString: return "STRING";
    case vkBoolean: return "BOOLEAN";
    case vkError: break;
    }
    return "ERROR";
}

// ---------------------------------------------------------------- operators

namespace {

const char* const kOperatorText[] = {"<", "<=", ">", ">=", "=", "<>", "+", "-", "OR", "*", "/", "AND"};

EvalValue not_compatible(EvalOperator op, const char* kind) {
    return EvalValue::Error(std::string("Operator ") + kOperatorText[op] + " is not compatible with " + kind +
                            " expressions");
}

EvalValue cannot(const char* verb, const char* kind) {
    return EvalValue::Error(std::string("Cannot ") + verb + " " + kind + " expressions");
}

// A float result: overflow and invalid operations are error values.
EvalValue checked_float(double v) {
    if (std::isnan(v)) return EvalValue::Error("Invalid floating point operation");
    if (std::isinf(v)) return EvalValue::Error("Floating point overflow");
    return EvalValue::Float(v);
}

template <class T>
EvalValue compare(EvalOperator op, const T& a, const T& b) {
    switch (op) {
    case eoLess: return EvalValue::Boolean(a < b);
    case eoLessEqual: return EvalValue::Boolean(a <= b);
    case eoGreater: return EvalValue::Boolean(a > b);
    case eoGreaterEqual: return EvalValue::Boolean(a >= b);
    case eoEqual: return EvalValue::Boolean(a == b);
    case eoNotEqual: return EvalValue::Boolean(a != b);
    default: return EvalValue::Error();
    }
}

EvalValue integer_op(EvalOperator op, std::int32_t a, std::int32_t b) {
    const std::int64_t x = a, y = b;
    switch (op) {
    case eoAdd: return EvalValue::Whole(x + y);
    case eoSubtract: return EvalValue::Whole(x - y);
    case eoMultiply: return EvalValue::Whole(x * y);
    case eoDivide:
        if (b == 0) return EvalValue::Error("Cannot divide by 0");
        return EvalValue::Float(static_cast<double>(a) / static_cast<double>(b));
    case eoOr: return EvalValue::Integer(a | b);
    case eoAnd: return EvalValue::Integer(a & b);
    default: return compare(op, a, b);
    }
}

EvalValue float_op(EvalOperator op, double a, double b) {
    switch (op) {
    case eoAdd: return checked_float(a + b);
    case eoSubtract: return checked_float(a - b);
    case eoMultiply: return checked_float(a * b);
    case eoDivide:
        if (b == 0.0) return EvalValue::Error("Cannot divide by 0");
        return checked_float(a / b);
    case eoOr:
    case eoAnd: return not_compatible(op, "numeric");
    default: return compare(op, a, b);
    }
}

EvalValue string_op(EvalOperator op, const std::string& a, const std::string& b) {
    switch (op) {
    case eoAdd: return EvalValue::String(a + b);
    case eoSubtract: return cannot("subtract", "string");
    case eoMultiply: return cannot("multiply", "string");
    case eoDivide: return cannot("divide", "string");
    case eoOr:
    case eoAnd: return not_compatible(op, "string");
    case eoEqual: return EvalValue::Boolean(a == b);
    case eoNotEqual: return EvalValue::Boolean(a != b);
    default: {
        // byte order, a proper prefix first
        int c = CompareStr(a, b);
        return compare(op, c, 0);
    }
    }
}

EvalValue boolean_op(EvalOperator op, bool a, bool b) {
    switch (op) {
    case eoEqual: return EvalValue::Boolean(a == b);
    case eoNotEqual: return EvalValue::Boolean(a != b);
    case eoAdd: return cannot("add", "boolean");
    case eoSubtract: return cannot("subtract", "boolean");
    case eoMultiply: return cannot("multiply", "boolean");
    case eoDivide: return cannot("divide", "boolean");
    case eoOr: return EvalValue::Boolean(a || b);
    case eoAnd: return EvalValue::Boolean(a && b);
    default: return not_compatible(op, "boolean");
    }
}

}  // namespace

EvalValue report::ApplyOperator(EvalOperator op, EvalValue left, EvalValue right) {
    if (left.Kind == vkError) return left;
    if (right.Kind == vkError) return right;
    if (left.Kind != right.Kind) {
        if (left.Kind == vkInteger && right.Kind == vkFloat) {
            left = EvalValue::Float(left.IntValue);
        } else if (left.Kind == vkFloat && right.Kind == vkInteger) {
            right = EvalValue::Float(right.IntValue);
        } else {
            left = EvalValue::String(FormatEvalResult(left));
            right = EvalValue::String(FormatEvalResult(right));
        }
    }
    switch (left.Kind) {
    case vkInteger: return integer_op(op, left.IntValue, right.IntValue);
    case vkFloat: return float_op(op, left.FloatValue, right.FloatValue);
    case vkString: return string_op(op, left.Text, right.Text);
    case vkBoolean: return boolean_op(op, left.BoolValue, right.BoolValue);
    case vkError: break;
    }
    return left;
}

// ---------------------------------------------------------------- elements

void TBREvElement::ComputeValue(TBRFiFo&, EvalValue&) {}

void TBRFiFo::AppendElement(std::unique_ptr<TBREvElement> element) { elements_.push_back(std::move(element)); }

TBREvElement* TBRFiFo::NextElement() {
    if (next_ >= elements_.size()) return nullptr;
    return elements_[next_++].get();
}

TBREvElement* TBRFiFo::ElementAt(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return elements_[static_cast<std::size_t>(index)].get();
}

namespace {

// The value of the next element of the list (an error when the list ran out).
void next_value(TBRFiFo& fifo, EvalValue& v) {
    if (TBREvElement* e = fifo.NextElement())
        e->ComputeValue(fifo, v);
    else
        v = EvalValue::Error();
}

}  // namespace

void TBREvElementOperator::ComputeValue(TBRFiFo& fifo, EvalValue& result) {
    EvalValue left, right;
    next_value(fifo, left);
    next_value(fifo, right);
    result = report::ApplyOperator(Operator, std::move(left), std::move(right));
}

void report::TBREvElementNot::ComputeValue(TBRFiFo& fifo, EvalValue& result) {
    EvalValue v;
    next_value(fifo, v);
    if (v.Kind == vkBoolean)
        result = EvalValue::Boolean(!v.BoolValue);
    else
        result = EvalValue::Error("Invalid use of NOT");
}

namespace {

// A date, time or date-time field as the report locale writes it; the
// driver's text when it is not one the driver writes.
std::string date_text(const TField& f) {
    std::string text = f.AsString();
    if (text.empty()) return text;
    static const TFormatSettings iso = [] {
        TFormatSettings fs;
        fs.ShortDateFormat = "yyyy-mm-dd";
        fs.DateSeparator = '-';
        fs.TimeSeparator = ':';
        return fs;
    }();
    TDateTime v = 0;
    const TFormatSettings& fs = report::ReportFormatSettings();
    switch (f.DataType()) {
    case ftDate:
        if (TryStrToDate(text, v, iso)) return DateToStr(v, fs);
        break;
    case ftTime:
        if (TryStrToTime(text, v, iso)) return TimeToStr(v, fs);
        break;
    default:
        if (TryStrToDateTime(text, v, iso)) return DateTimeToStr(v, fs);
        break;
    }
    return text;
}

}  // namespace

TBREvElementDataField::TBREvElementDataField(TField* field)
    : DataSet(field->DataSet()), FieldIndex(field->Index()) {}

void TBREvElementDataField::ComputeValue(TBRFiFo&, EvalValue& result) {
    const TField& f = DataSet->Fields()[FieldIndex];
    switch (f.DataType()) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftWideMemo:
    case ftGuid: result = EvalValue::String(f.AsString()); return;
    case ftDate:
    case ftTime:
    case ftDateTime: result = EvalValue::String(date_text(f)); return;
    case ftSmallint:
    case ftInteger:
    case ftLargeint: result = EvalValue::Whole(f.AsLargeInt()); return;
    case ftFloat:
    case ftBCD: result = checked_float(f.AsFloat()); return;
    case ftBoolean: result = EvalValue::Boolean(f.AsBoolean()); return;
    case ftUnknown:
    case ftBlob: break;
    }
    result = EvalValue::Error("Field " + f.FieldName() + " is of unknown type");
}
