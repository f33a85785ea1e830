#include "platform/data/DB.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/core/ClassBuilder.h"
#include "platform/core/DateUtils.h"

namespace {

bool same_nocase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    auto e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

TFieldType field_type(const data::ColumnInfo& c) {
    using data::ValueKind;
    switch (c.kind) {
    case ValueKind::Text:
        if (c.long_data) return c.wide ? ftWideMemo : ftMemo;
        return c.wide ? ftWideString : ftString;
    case ValueKind::Integer:
        if (c.sql_type == -5) return ftLargeint;                  // BIGINT
        if (c.sql_type == -6 || c.sql_type == 5) return ftSmallint; // TINYINT, SMALLINT
        return ftInteger;
    case ValueKind::Float: return ftFloat;
    case ValueKind::Decimal: return ftBCD;
    case ValueKind::Boolean: return ftBoolean;
    case ValueKind::Date: return ftDate;
    case ValueKind::Time: return ftTime;
    case ValueKind::DateTime: return ftDateTime;
    case ValueKind::Binary: return ftBlob;
    case ValueKind::Guid: return ftGuid;
    }
    return ftUnknown;
}

// The kind of value a field type is fetched as.
data::ValueKind value_kind(TFieldType type) {
    using data::ValueKind;
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint: return ValueKind::Integer;
    case ftFloat: return ValueKind::Float;
    case ftBCD: return ValueKind::Decimal;
    case ftBoolean: return ValueKind::Boolean;
    case ftDate: return ValueKind::Date;
    case ftTime: return ValueKind::Time;
    case ftDateTime: return ValueKind::DateTime;
    case ftBlob: return ValueKind::Binary;
    case ftGuid: return ValueKind::Guid;
    default: return ValueKind::Text;
    }
}

bool parse_int64(const std::string& text, std::int64_t& out) {
    std::string t = trim(text);
    const char* b = t.data();
    const char* e = t.data() + t.size();
    if (b != e && *b == '+') ++b;
    auto r = std::from_chars(b, e, out);
    return r.ec == std::errc() && r.ptr == e && b != e;
}

bool parse_double(const std::string& text, double& out) {
    std::string t = trim(text);
    const char* b = t.data();
    const char* e = t.data() + t.size();
    if (b != e && *b == '+') ++b;
    auto r = std::from_chars(b, e, out);
    return r.ec == std::errc() && r.ptr == e && b != e;
}

std::string double_text(double d) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, res.ptr);
}

// Truth values as drivers and people write them; false when the text is none.
bool parse_truth(const std::string& text, bool& out) {
    std::string t = trim(text);
    for (const char* yes : {"1", "true", "t", "yes", "y"})
        if (same_nocase(t, yes)) return out = true, true;
    for (const char* no : {"0", "false", "f", "no", "n"})
        if (same_nocase(t, no)) return out = false, true;
    return false;
}

// TField and TParam index kinds by their names.
int field_type_index(const std::string& name) {
    const auto& names = FieldTypeNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (same_nocase(names[i], name)) return static_cast<int>(i);
    return -1;
}

}  // namespace

const std::vector<std::string>& FieldTypeNames() {
    static const std::vector<std::string> names = {
        "ftUnknown", "ftString", "ftWideString", "ftMemo", "ftWideMemo", "ftSmallint", "ftInteger", "ftLargeint",
        "ftBoolean", "ftFloat",  "ftBCD",        "ftDate", "ftTime",     "ftDateTime", "ftBlob",    "ftGuid"};
    return names;
}

// ---------------------------------------------------------------- TField

const data::ColumnValues* TField::values(std::size_t& row) const {
    dataset_->check_active();
    const auto& blocks = dataset_->blocks_;
    if (blocks.empty()) return nullptr;
    const data::RowBlock& block = blocks[dataset_->block_];
    if (dataset_->row_ >= block.rows) return nullptr;
    row = dataset_->row_;
    return &block.columns[static_cast<size_t>(index_)];
}

void TField::conversion_error(const std::string& text) const {
    std::string where = "field " + name_;
    if (int row = dataset_->RecNo(); row > 0) where += ", row " + std::to_string(row);
    throw EDatabaseError(dataset_->error_text(where + ": " + text));
}

bool TField::IsNull() const {
    std::size_t row = 0;
    const data::ColumnValues* v = values(row);
    return !v || v->nulls[row] != 0;
}

std::string TField::AsString() const {
    std::size_t row = 0;
    const data::ColumnValues* v = values(row);
    if (!v || v->nulls[row]) return {};
    if (type_ == ftBoolean) return AsBoolean() ? "True" : "False";
    switch (storage_) {
    case data::Storage::Integer: return std::to_string(v->ints[row]);
    case data::Storage::Real: return double_text(v->reals[row]);
    case data::Storage::Text: break;
    }
    return v->texts[row];
}

std::int64_t TField::AsLargeInt() const {
    std::size_t row = 0;
    const data::ColumnValues* v = values(row);
    if (!v || v->nulls[row]) return 0;
    if (type_ == ftBoolean) return AsBoolean() ? 1 : 0;
    if (storage_ == data::Storage::Integer) return v->ints[row];
    double d = 0;
    if (storage_ == data::Storage::Real) {
        d = v->reals[row];
        if (std::isfinite(d) && std::fabs(d) < 9.2e18) return static_cast<std::int64_t>(std::nearbyint(d));
        conversion_error("'" + double_text(d) + "' is not an integer");
    }
    const std::string& text = v->texts[row];
    std::int64_t n = 0;
    if (parse_int64(text, n)) return n;
    if ((type_ == ftFloat || type_ == ftBCD) && parse_double(text, d) && std::isfinite(d) && std::fabs(d) < 9.2e18)
        return static_cast<std::int64_t>(std::nearbyint(d));
    conversion_error("'" + text + "' is not an integer");
}

int TField::AsInteger() const {
    std::int64_t n = AsLargeInt();
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        conversion_error("'" + AsString() + "' is not an integer");
    return static_cast<int>(n);
}

double TField::AsFloat() const {
    std::size_t row = 0;
    const data::ColumnValues* v = values(row);
    if (!v || v->nulls[row]) return 0.0;
    if (storage_ == data::Storage::Real) return v->reals[row];
    if (type_ == ftBoolean) return AsBoolean() ? 1.0 : 0.0;
    if (storage_ == data::Storage::Integer) return static_cast<double>(v->ints[row]);
    double d = 0;
    if (parse_double(v->texts[row], d)) return d;
    conversion_error("'" + v->texts[row] + "' is not a number");
}

bool TField::AsBoolean() const {
    std::size_t row = 0;
    const data::ColumnValues* v = values(row);
    if (!v || v->nulls[row]) return false;
    if (storage_ == data::Storage::Integer) return v->ints[row] != 0;
    if (storage_ == data::Storage::Real) return v->reals[row] != 0.0;
    const std::string& text = v->texts[row];
    bool b = false;
    if (parse_truth(text, b)) return b;
    double d = 0;
    if (type_ != ftString && type_ != ftWideString && type_ != ftMemo && type_ != ftWideMemo && parse_double(text, d))
        return d != 0.0;
    conversion_error("'" + text + "' is not a truth value");
}

// ---------------------------------------------------------------- TFields

TField& TFields::operator[](int index) const {
    if (index < 0 || index >= Count())
        throw EDatabaseError(dataset_->Name().empty() ? "no field at that position"
                                                      : dataset_->Name() + ": no field at that position");
    return *fields_[static_cast<size_t>(index)];
}

TField* TFields::FindField(const std::string& name) const {
    for (const auto& f : fields_)
        if (same_nocase(f->FieldName(), name)) return f.get();
    return nullptr;
}

TField& TFields::FieldByName(const std::string& name) const {
    if (TField* f = FindField(name)) return *f;
    std::string text = "no field named '" + name + "'";
    throw EDatabaseError(dataset_->Name().empty() ? text : dataset_->Name() + ": " + text);
}

// ---------------------------------------------------------------- TDataSet

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner), field_kinds_(std::make_unique<TStringList>()) {
    fields_.dataset_ = this;
}

TDataSet::~TDataSet() = default;

TClass TDataSet::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TDataSet, TComponent>("TDataSet")
                                       .Bool("Active", &TDataSet::Active, &TDataSet::SetActive)
                                       .Abstract()
                                       .Build();
    return &info;
}

TClass TDataSet::ClassType() const { return StaticClass(); }

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (stream_active_) {
        stream_active_ = false;
        Open();
    }
}

std::string TDataSet::error_text(const std::string& text) const {
    return Name().empty() ? text : Name() + ": " + text;
}

void TDataSet::check_active() const {
    if (!active_) throw EDatabaseError(error_text("the dataset is not open"));
}

void TDataSet::SetUniDirectional(bool value) {
    if (value == unidirectional_) return;
    if (active_) throw EDatabaseError(error_text("the dataset is open"));
    unidirectional_ = value;
}

data::ColumnAdjuster TDataSet::column_adjuster() const {
    if (field_kinds_->Count() == 0) return {};
    // A copy: the adjuster may run after the list has changed.
    std::vector<std::pair<std::string, int>> kinds;
    for (int i = 0; i < field_kinds_->Count(); ++i)
        kinds.emplace_back(trim(field_kinds_->Names(i)), field_type_index(trim(field_kinds_->ValueFromIndex(i))));
    return [kinds](data::ColumnInfo& c) {
        for (const auto& [name, type] : kinds) {
            if (type <= 0 || !same_nocase(name, c.name)) continue;
            c.kind = value_kind(static_cast<TFieldType>(type));
            c.storage = data::storage_of(c.kind);
        }
    };
}

void TDataSet::check_field_kinds(const std::vector<data::ColumnInfo>& columns) const {
    for (int i = 0; i < field_kinds_->Count(); ++i) {
        std::string line = field_kinds_->Get(i);
        if (trim(line).empty()) continue;
        std::string name = trim(field_kinds_->Names(i));
        std::string kind = trim(field_kinds_->ValueFromIndex(i));
        if (line.find('=') == std::string::npos || name.empty())
            throw EDatabaseError(error_text("a field kind is given as NAME=ftKind, not '" + line + "'"));
        if (field_type_index(kind) <= 0)
            throw EDatabaseError(error_text("unknown field kind '" + kind + "' for " + name));
        bool found = false;
        for (const auto& c : columns) found = found || same_nocase(c.name, name);
        if (!found) throw EDatabaseError(error_text("no field named '" + name + "'"));
    }
}

void TDataSet::Open() {
    if (active_) return;
    std::unique_ptr<data::RowSource> source = OpenCursor(column_adjuster());
    const auto& columns = source->columns();
    check_field_kinds(columns);
    fields_.fields_.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
        const auto& c = columns[i];
        int size = c.size > static_cast<size_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                                : static_cast<int>(c.size);
        TFieldType type = field_type(c);
        // A kind given in FieldKinds names the field's type exactly.
        for (int k = 0; k < field_kinds_->Count(); ++k)
            if (same_nocase(trim(field_kinds_->Names(k)), c.name))
                type = static_cast<TFieldType>(field_type_index(trim(field_kinds_->ValueFromIndex(k))));
        fields_.fields_.push_back(
            std::unique_ptr<TField>(new TField(this, static_cast<int>(i), c.name, type, size, c.storage)));
    }
    source_ = std::move(source);
    blocks_.clear();
    rows_read_ = 0;
    at_end_ = false;
    count_.reset();
    block_ = row_ = 0;
    active_ = true;
    try {
        fetch_block();
    } catch (...) {
        Close();
        throw;
    }
    bof_ = true;
    eof_ = blocks_.empty();
}

void TDataSet::Close() {
    if (!active_) return;
    active_ = false;
    fields_.fields_.clear();
    source_.reset();
    blocks_.clear();
    rows_read_ = 0;
    at_end_ = true;
    count_.reset();
    block_ = row_ = 0;
    bof_ = eof_ = true;
}

void TDataSet::SetActive(bool active) {
    if (InState(csLoading)) {
        stream_active_ = active;
        return;
    }
    if (active)
        Open();
    else
        Close();
}

bool TDataSet::fetch_block() {
    while (!at_end_) {
        data::RowBlock block;
        if (!source_->next_block(block)) {
            at_end_ = true;
            source_.reset();
            count_ = rows_read_;
            return false;
        }
        if (block.rows == 0) continue;
        block.first = rows_read_;
        rows_read_ += block.rows;
        blocks_.push_back(std::move(block));
        return true;
    }
    return false;
}

void TDataSet::keep_recent() {
    if (!unidirectional_ && !CanRunAgain()) return;
    while (block_ > 1) {
        blocks_.pop_front();
        --block_;
    }
}

void TDataSet::restart() {
    // The old cursor ends first: a connection may hold one open result only.
    source_.reset();
    at_end_ = true;
    std::unique_ptr<data::RowSource> source = OpenCursor(column_adjuster());
    if (source->columns().size() != static_cast<size_t>(fields_.Count()))
        throw EDatabaseError(error_text("the command gave other columns when run again"));
    source_ = std::move(source);
    blocks_.clear();
    rows_read_ = 0;
    at_end_ = false;
    block_ = row_ = 0;
    fetch_block();
}

void TDataSet::seek(std::size_t target) {
    restart();
    while (!blocks_.empty() && blocks_.back().first + blocks_.back().rows <= target) {
        if (!fetch_block()) throw EDatabaseError(error_text("the command gave fewer rows when run again"));
        block_ = blocks_.size() - 1;
        keep_recent();
    }
    if (blocks_.empty()) throw EDatabaseError(error_text("the command gave fewer rows when run again"));
    block_ = blocks_.size() - 1;
    row_ = target - blocks_[block_].first;
}

void TDataSet::First() {
    check_active();
    if (!blocks_.empty() && blocks_.front().first > 0) restart();
    block_ = row_ = 0;
    bof_ = true;
    eof_ = blocks_.empty();
}

void TDataSet::Last() {
    check_active();
    while (fetch_block()) {
        block_ = blocks_.size() - 1;
        keep_recent();
    }
    if (!blocks_.empty()) {
        block_ = blocks_.size() - 1;
        row_ = blocks_[block_].rows - 1;
    }
    eof_ = true;
    bof_ = blocks_.empty();
}

void TDataSet::Next() {
    check_active();
    if (blocks_.empty()) {
        eof_ = true;
        return;
    }
    if (row_ + 1 < blocks_[block_].rows) {
        ++row_;
    } else if (block_ + 1 < blocks_.size() || fetch_block()) {
        ++block_;
        row_ = 0;
        keep_recent();
    } else {
        eof_ = true;
        return;
    }
    bof_ = false;
    eof_ = false;
}

void TDataSet::Prior() {
    check_active();
    if (blocks_.empty()) {
        bof_ = true;
        return;
    }
    if (row_ > 0) {
        --row_;
    } else if (block_ > 0) {
        --block_;
        row_ = blocks_[block_].rows - 1;
    } else if (blocks_.front().first > 0) {
        if (unidirectional_) throw EDatabaseError(error_text("Operation not allowed on a unidirectional dataset"));
        // The rows before the kept ones are read again.
        seek(blocks_[block_].first - 1);
    } else {
        bof_ = true;
        return;
    }
    bof_ = false;
    eof_ = false;
}

bool TDataSet::Eof() const { return !active_ || eof_; }
bool TDataSet::Bof() const { return !active_ || bof_; }

std::size_t TDataSet::CountRecords() {
    std::unique_ptr<data::RowSource> source = OpenCursor({});
    std::size_t n = 0;
    data::RowBlock block;
    while (source->next_block(block)) n += block.rows;
    return n;
}

int TDataSet::RecordCount() const {
    check_active();
    if (!count_) {
        auto* self = const_cast<TDataSet*>(this);
        if (unidirectional_ || CanRunAgain()) {
            count_ = self->CountRecords();
        } else {
            while (self->fetch_block()) {
            }
        }
    }
    return *count_ > static_cast<size_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                         : static_cast<int>(*count_);
}

int TDataSet::RecNo() const {
    if (!active_ || blocks_.empty()) return 0;
    return static_cast<int>(blocks_[block_].first + row_ + 1);
}

TFields& TDataSet::Fields() { return fields_; }

TField* TDataSet::FindField(const std::string& name) const { return fields_.FindField(name); }

TField& TDataSet::FieldByName(const std::string& name) const {
    check_active();
    return fields_.FieldByName(name);
}

// ---------------------------------------------------------------- TParam

namespace {

std::string date_text(TDateTime value) {
    Word y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", unsigned(y), unsigned(m), unsigned(d));
    return buf;
}

std::string time_text(TDateTime value) {
    Word h = 0, mi = 0, s = 0, ms = 0;
    DecodeTime(value, h, mi, s, ms);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u.%03u", unsigned(h), unsigned(mi), unsigned(s), unsigned(ms));
    return buf;
}

// "yyyy-mm-dd", "hh:nn[:ss[.zzz]]" or both, separated by a blank or 'T'.
bool parse_iso(const std::string& text, bool want_date, bool want_time, TDateTime& out) {
    std::string t = trim(text);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    size_t pos = 0;
    auto number = [&](int digits_min, int digits_max, int& v) {
        size_t start = pos;
        v = 0;
        while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9' && pos - start < size_t(digits_max))
            v = v * 10 + (t[pos++] - '0');
        return pos - start >= size_t(digits_min);
    };
    auto expect = [&](char c) { return pos < t.size() && t[pos] == c ? (++pos, true) : false; };
    TDateTime date = 0, time = 0;
    if (want_date) {
        if (!number(4, 4, y) || !expect('-') || !number(1, 2, mo) || !expect('-') || !number(1, 2, d)) return false;
        if (!TryEncodeDate(y, mo, d, date)) return false;
        if (pos < t.size() && want_time && (t[pos] == ' ' || t[pos] == 'T')) ++pos;
    }
    if (want_time && pos < t.size()) {
        if (!number(1, 2, h) || !expect(':') || !number(1, 2, mi)) return false;
        if (expect(':')) {
            if (!number(1, 2, s)) return false;
            if (expect('.')) {
                size_t start = pos;
                if (!number(1, 3, ms)) return false;
                for (size_t k = pos - start; k < 3; ++k) ms *= 10;
            }
        }
        if (!TryEncodeTime(h, mi, s, ms, time)) return false;
    } else if (want_time && !want_date) {
        return false;
    }
    if (pos != t.size()) return false;
    out = date < 0 ? date - time : date + time;
    return true;
}

}  // namespace

TClass TParam::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TParam, TCollectionItem>("TParam")
            .String("Name", &TParam::Name, &TParam::SetName)
            .Enum("DataType", FieldTypeNames(), &TParam::DataType, &TParam::SetDataType)
            .String("Value", &TParam::Text, &TParam::SetText)
            .Stored(&TParam::ValueStored)
            .NoDefault()
            .Build();
    return &info;
}

TClass TParam::ClassType() const { return StaticClass(); }

void TParam::Assign(const TPersistent* source) {
    if (auto* p = dynamic_cast<const TParam*>(source)) {
        name_ = p->name_;
        type_ = p->type_;
        value_ = p->value_;
        return;
    }
    TCollectionItem::Assign(source);
}

void TParam::SetAsString(const std::string& value) {
    type_ = ftString;
    value_ = value;
}

void TParam::SetAsInteger(int value) {
    type_ = ftInteger;
    value_ = std::to_string(value);
}

void TParam::SetAsFloat(double value) {
    type_ = ftFloat;
    value_ = double_text(value);
}

void TParam::SetAsBoolean(bool value) {
    type_ = ftBoolean;
    value_ = value ? "True" : "False";
}

void TParam::SetAsDate(TDateTime value) {
    type_ = ftDate;
    value_ = date_text(value);
}

void TParam::SetAsTime(TDateTime value) {
    type_ = ftTime;
    value_ = time_text(value);
}

void TParam::SetAsDateTime(TDateTime value) {
    type_ = ftDateTime;
    value_ = date_text(value) + " " + time_text(value);
}

int TParam::AsInteger() const {
    if (!value_) return 0;
    std::int64_t n = 0;
    if (!parse_int64(*value_, n) || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        throw EDatabaseError("'" + *value_ + "' is not an integer");
    return static_cast<int>(n);
}

double TParam::AsFloat() const {
    if (!value_) return 0;
    double d = 0;
    if (!parse_double(*value_, d)) throw EDatabaseError("'" + *value_ + "' is not a number");
    return d;
}

bool TParam::AsBoolean() const {
    if (!value_) return false;
    bool b = false;
    if (!parse_truth(*value_, b)) throw EDatabaseError("'" + *value_ + "' is not a truth value");
    return b;
}

TDateTime TParam::AsDate() const {
    TDateTime v = 0;
    if (value_ && !parse_iso(*value_, true, false, v)) throw EDatabaseError("'" + *value_ + "' is not a date");
    return v;
}

TDateTime TParam::AsTime() const {
    TDateTime v = 0;
    if (value_ && !parse_iso(*value_, false, true, v)) throw EDatabaseError("'" + *value_ + "' is not a time");
    return v;
}

TDateTime TParam::AsDateTime() const {
    TDateTime v = 0;
    if (value_ && !parse_iso(*value_, true, true, v)) throw EDatabaseError("'" + *value_ + "' is not a date and time");
    return v;
}

data::Param TParam::ToBinding() const {
    data::Param p;
    p.null = !value_.has_value();
    try {
        switch (type_) {
        case ftSmallint:
        case ftInteger:
        case ftLargeint:
            p.kind = data::ValueKind::Integer;
            if (value_ && !parse_int64(*value_, p.integer)) throw EDatabaseError("'" + *value_ + "' is not an integer");
            break;
        case ftBoolean:
            p.kind = data::ValueKind::Boolean;
            p.integer = AsBoolean() ? 1 : 0;
            break;
        case ftFloat:
        case ftBCD:
            p.kind = data::ValueKind::Float;
            p.real = AsFloat();
            break;
        case ftDate:
            p.kind = data::ValueKind::Date;
            p.real = AsDate();
            break;
        case ftTime:
            p.kind = data::ValueKind::Time;
            p.real = AsTime();
            break;
        case ftDateTime:
            p.kind = data::ValueKind::DateTime;
            p.real = AsDateTime();
            break;
        default:
            p.kind = data::ValueKind::Text;
            p.text = value_.value_or(std::string());
            break;
        }
    } catch (const EDatabaseError& e) {
        throw EDatabaseError("parameter " + name_ + ": " + e.Message());
    }
    return p;
}

// ---------------------------------------------------------------- TParams

TClass TParams::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TParams, TCollection>("TParams").Build();
    return &info;
}

TClass TParams::ClassType() const { return StaticClass(); }

TParam* TParams::AddParam(const std::string& name) {
    auto* p = static_cast<TParam*>(Add());
    p->SetName(name);
    return p;
}

TParam* TParams::FindParam(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (same_nocase(Items(i)->Name(), name)) return Items(i);
    return nullptr;
}

TParam* TParams::ParamByName(const std::string& name) const {
    if (TParam* p = FindParam(name)) return p;
    throw EDatabaseError("Parameter '" + name + "' not found");
}
