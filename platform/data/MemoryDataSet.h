#pragma once
// A dataset whose rows are given in memory (tests, tools): declare its fields,
// append its records, open it like any other dataset.

#include <string>
#include <vector>

#include "platform/data/DB.h"

class TMemoryDataSet : public TDataSet {
public:
    explicit TMemoryDataSet(TComponent* AOwner);
    static TClass StaticClass();
    TClass ClassType() const override;

    // A field of the rows to come; `size` is the column size a driver would give.
    void AddField(const std::string& name, TFieldType type, int size = 0);
    // One record, a value per field in order (std::nullopt for NULL); text as
    // a driver gives it ("12.5", "1" for true). Takes effect at the next Open.
    void AppendRecord(std::vector<data::Value> values);
    // Drops the fields and records (the dataset must be closed to see it).
    void ClearData();

protected:
    std::unique_ptr<data::RowSource> OpenCursor(const data::ColumnAdjuster& adjust) override;

private:
    std::vector<data::ColumnInfo> columns_;
    std::vector<data::Row> rows_;
};
