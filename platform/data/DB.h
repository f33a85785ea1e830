#pragma once
// Datasets and fields. A dataset buffers its rows when it opens; fields read
// the current row. Field names are matched without regard to case.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/data/DBErrors.h"
#include "platform/data/Odbc.h"

enum TFieldType {
    ftUnknown, ftString, ftWideString, ftMemo, ftWideMemo, ftSmallint, ftInteger, ftLargeint,
    ftBoolean, ftFloat, ftBCD, ftDate, ftTime, ftDateTime, ftBlob, ftGuid
};

class TDataSet;

// One column of an open dataset, read on the dataset's current row.
// NULL reads as "" / 0 / 0.0 / false.
class TField {
public:
    const std::string& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }      // the column's size as the driver gives it
    int Index() const { return index_; }    // position in the dataset, from 0
    TDataSet* DataSet() const { return dataset_; }

    bool IsNull() const;
    std::string AsString() const;  // text as read; "True"/"False" for booleans; bytes for binary
    int AsInteger() const;         // raises EDatabaseError when the value is no integer or out of range
    std::int64_t AsLargeInt() const;
    double AsFloat() const;        // raises EDatabaseError when the value is no number
    bool AsBoolean() const;        // raises EDatabaseError when the value is no truth value

private:
    friend class TDataSet;
    TField(TDataSet* dataset, int index, std::string name, TFieldType type, int size)
        : dataset_(dataset), index_(index), name_(std::move(name)), type_(type), size_(size) {}
    const data::Value& value() const;

    TDataSet* dataset_;
    int index_;
    std::string name_;
    TFieldType type_;
    int size_;
};

// The fields of an open dataset, in column order.
class TFields {
public:
    int Count() const { return static_cast<int>(fields_.size()); }
    TField& operator[](int index) const;                   // raises EDatabaseError out of range
    TField* FindField(const std::string& name) const;      // nullptr when there is none
    TField& FieldByName(const std::string& name) const;    // raises EDatabaseError when there is none

private:
    friend class TDataSet;
    TDataSet* dataset_ = nullptr;
    std::vector<std::unique_ptr<TField>> fields_;
};

// A set of rows read at once, with a cursor. A component (abstract): its
// descendants say where the rows come from.
class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* AOwner);
    ~TDataSet() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    void Open();   // runs the dataset's command and buffers every row; the cursor on the first
    void Close();  // drops the rows and fields
    bool Active() const { return active_; }
    void SetActive(bool active);  // while a form resource is read, opens once it is loaded
    void Loaded() override;

    void First();
    void Last();
    void Next();   // past the last row, Eof becomes true and the cursor stays
    void Prior();  // before the first row, Bof becomes true and the cursor stays
    bool Eof() const;
    bool Bof() const;
    int RecordCount() const;
    int RecNo() const;  // 1-based number of the current row; 0 when there is none

    TFields& Fields();
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(const std::string& name) const;
    TField& FieldByName(const std::string& name) const;

protected:
    // Runs the command and hands back its rows; raises on failure.
    virtual data::ResultSet OpenCursor() = 0;
    // The text of an error raised by this dataset: prefixed with its name.
    std::string error_text(const std::string& text) const;

private:
    friend class TField;
    void check_active() const;

    bool active_ = false;
    bool stream_active_ = false;
    data::ResultSet buffer_;
    TFields fields_;
    int cursor_ = 0;
    bool bof_ = true;
    bool eof_ = true;
};
