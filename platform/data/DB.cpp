#include "platform/data/DB.h"

#include <charconv>

#include "platform/core/ClassBuilder.h"
#include <cmath>
#include <limits>

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

const data::Value kNull;

}  // namespace

// ---------------------------------------------------------------- TField

const data::Value& TField::value() const {
    dataset_->check_active();
    const auto& rows = dataset_->buffer_.rows;
    if (rows.empty()) return kNull;
    return rows[static_cast<size_t>(dataset_->cursor_)][static_cast<size_t>(index_)];
}

bool TField::IsNull() const { return !value().has_value(); }

std::string TField::AsString() const {
    const auto& v = value();
    if (!v) return {};
    if (type_ == ftBoolean) return AsBoolean() ? "True" : "False";
    return *v;
}

std::int64_t TField::AsLargeInt() const {
    const auto& v = value();
    if (!v) return 0;
    if (type_ == ftBoolean) return AsBoolean() ? 1 : 0;
    std::int64_t n = 0;
    if (parse_int64(*v, n)) return n;
    double d = 0;
    if ((type_ == ftFloat || type_ == ftBCD) && parse_double(*v, d) && std::isfinite(d) &&
        std::fabs(d) < 9.2e18)
        return static_cast<std::int64_t>(std::nearbyint(d));
    throw EDatabaseError("'" + *v + "' is not an integer");
}

int TField::AsInteger() const {
    std::int64_t n = AsLargeInt();
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        throw EDatabaseError("'" + *value() + "' is not an integer");
    return static_cast<int>(n);
}

double TField::AsFloat() const {
    const auto& v = value();
    if (!v) return 0.0;
    if (type_ == ftBoolean) return AsBoolean() ? 1.0 : 0.0;
    double d = 0;
    if (parse_double(*v, d)) return d;
    throw EDatabaseError("'" + *v + "' is not a number");
}

bool TField::AsBoolean() const {
    const auto& v = value();
    if (!v) return false;
    std::string t = trim(*v);
    for (const char* yes : {"1", "true", "t", "yes", "y"})
        if (same_nocase(t, yes)) return true;
    for (const char* no : {"0", "false", "f", "no", "n"})
        if (same_nocase(t, no)) return false;
    double d = 0;
    if (type_ != ftString && type_ != ftWideString && type_ != ftMemo && type_ != ftWideMemo &&
        parse_double(t, d))
        return d != 0.0;
    throw EDatabaseError("'" + *v + "' is not a truth value");
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

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner) { fields_.dataset_ = this; }

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

void TDataSet::Open() {
    if (active_) return;
    data::ResultSet rows = OpenCursor();
    buffer_ = std::move(rows);
    fields_.fields_.clear();
    for (size_t i = 0; i < buffer_.columns.size(); ++i) {
        const auto& c = buffer_.columns[i];
        int size = c.size > static_cast<size_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                                : static_cast<int>(c.size);
        fields_.fields_.push_back(std::unique_ptr<TField>(
            new TField(this, static_cast<int>(i), c.name, field_type(c), size)));
    }
    active_ = true;
    First();
}

void TDataSet::Close() {
    if (!active_) return;
    active_ = false;
    fields_.fields_.clear();
    buffer_ = {};
    cursor_ = 0;
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

void TDataSet::First() {
    check_active();
    cursor_ = 0;
    bof_ = true;
    eof_ = buffer_.rows.empty();
}

void TDataSet::Last() {
    check_active();
    cursor_ = buffer_.rows.empty() ? 0 : static_cast<int>(buffer_.rows.size()) - 1;
    eof_ = true;
    bof_ = buffer_.rows.empty();
}

void TDataSet::Next() {
    check_active();
    if (cursor_ + 1 < static_cast<int>(buffer_.rows.size())) {
        ++cursor_;
        bof_ = false;
        eof_ = false;
    } else {
        eof_ = true;
    }
}

void TDataSet::Prior() {
    check_active();
    if (cursor_ > 0) {
        --cursor_;
        bof_ = false;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

bool TDataSet::Eof() const { return !active_ || eof_; }
bool TDataSet::Bof() const { return !active_ || bof_; }

int TDataSet::RecordCount() const {
    check_active();
    return static_cast<int>(buffer_.rows.size());
}

int TDataSet::RecNo() const {
    if (!active_ || buffer_.rows.empty()) return 0;
    return cursor_ + 1;
}

TFields& TDataSet::Fields() { return fields_; }

TField* TDataSet::FindField(const std::string& name) const { return fields_.FindField(name); }

TField& TDataSet::FieldByName(const std::string& name) const {
    check_active();
    return fields_.FieldByName(name);
}
