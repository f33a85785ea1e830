#include "platform/data/MemoryDataSet.h"

#include "platform/core/ClassBuilder.h"

namespace {

// The column a driver would describe for a field type.
data::ColumnInfo column(const std::string& name, TFieldType type, int size) {
    using data::ValueKind;
    data::ColumnInfo c;
    c.name = name;
    c.size = static_cast<std::size_t>(size < 0 ? 0 : size);
    switch (type) {
    case ftString: c.kind = ValueKind::Text; c.sql_type = 12; break;
    case ftWideString: c.kind = ValueKind::Text; c.sql_type = -9; c.wide = true; break;
    case ftMemo: c.kind = ValueKind::Text; c.sql_type = -1; c.long_data = true; break;
    case ftWideMemo: c.kind = ValueKind::Text; c.sql_type = -10; c.wide = c.long_data = true; break;
    case ftSmallint: c.kind = ValueKind::Integer; c.sql_type = 5; break;
    case ftInteger: c.kind = ValueKind::Integer; c.sql_type = 4; break;
    case ftLargeint: c.kind = ValueKind::Integer; c.sql_type = -5; break;
    case ftBoolean: c.kind = ValueKind::Boolean; c.sql_type = -7; break;
    case ftFloat: c.kind = ValueKind::Float; c.sql_type = 8; break;
    case ftBCD: c.kind = ValueKind::Decimal; c.sql_type = 3; break;
    case ftDate: c.kind = ValueKind::Date; c.sql_type = 91; break;
    case ftTime: c.kind = ValueKind::Time; c.sql_type = 92; break;
    case ftDateTime: c.kind = ValueKind::DateTime; c.sql_type = 93; break;
    case ftGuid: c.kind = ValueKind::Guid; c.sql_type = -11; break;
    case ftBlob:
    case ftUnknown: c.kind = ValueKind::Binary; c.sql_type = -4; c.long_data = true; break;
    }
    return c;
}

}  // namespace

TMemoryDataSet::TMemoryDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TClass TMemoryDataSet::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TMemoryDataSet, TDataSet>("TMemoryDataSet").Build();
    return &info;
}

TClass TMemoryDataSet::ClassType() const { return StaticClass(); }

void TMemoryDataSet::AddField(const std::string& name, TFieldType type, int size) {
    columns_.push_back(column(name, type, size));
    for (auto& row : rows_) row.resize(columns_.size());
}

void TMemoryDataSet::AppendRecord(std::vector<data::Value> values) {
    values.resize(columns_.size());
    rows_.push_back(std::move(values));
}

void TMemoryDataSet::ClearData() {
    columns_.clear();
    rows_.clear();
}

std::unique_ptr<data::RowSource> TMemoryDataSet::OpenCursor(const data::ColumnAdjuster& adjust) {
    // Values stay the text they were given, read as the field's type asks.
    data::ResultSet result;
    result.columns = columns_;
    for (auto& c : result.columns) {
        if (adjust) adjust(c);
        c.storage = data::Storage::Text;
    }
    data::RowBlock block;
    block.columns.resize(result.columns.size());
    for (const auto& row : rows_) data::append_text_row(block, result.columns, row);
    if (block.rows > 0) result.blocks.push_back(std::move(block));
    return std::make_unique<data::BufferedRows>(std::move(result));
}
