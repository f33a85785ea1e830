#pragma once
// Datasets, fields and parameters. A dataset reads its rows in blocks as the
// cursor moves; fields read the current row. Field and parameter names are
// matched without regard to case.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Collection.h"
#include "platform/core/DateUtils.h"
#include "platform/core/StringList.h"
#include "platform/data/DBErrors.h"
#include "platform/data/Odbc.h"

enum TFieldType {
    ftUnknown, ftString, ftWideString, ftMemo, ftWideMemo, ftSmallint, ftInteger, ftLargeint,
    ftBoolean, ftFloat, ftBCD, ftDate, ftTime, ftDateTime, ftBlob, ftGuid
};

// The names of TFieldType's values in order ("ftUnknown", "ftString", ...).
const std::vector<std::string>& FieldTypeNames();

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
    // The conversions raise EDatabaseError naming the dataset, the field and
    // the row ("Orders: field paid, row 2: 'maybe' is not a truth value").
    int AsInteger() const;         // raises EDatabaseError when the value is no integer or out of range
    std::int64_t AsLargeInt() const;
    double AsFloat() const;        // raises EDatabaseError when the value is no number
    bool AsBoolean() const;        // raises EDatabaseError when the value is no truth value

private:
    friend class TDataSet;
    TField(TDataSet* dataset, int index, std::string name, TFieldType type, int size, data::Storage storage)
        : dataset_(dataset), index_(index), name_(std::move(name)), type_(type), size_(size), storage_(storage) {}
    // The column's values in the current block and the row in it; null column without a row.
    const data::ColumnValues* values(std::size_t& row) const;
    // Raises EDatabaseError "DATASET: field NAME, row N: text".
    [[noreturn]] void conversion_error(const std::string& text) const;

    TDataSet* dataset_;
    int index_;
    std::string name_;
    TFieldType type_;
    int size_;
    data::Storage storage_;
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

// A set of rows with a cursor (a component, abstract: its descendants say
// where the rows come from). Rows are read a block at a time as the cursor
// reaches them, so opening costs one block whatever the size of the result.
// A dataset opened for a forward pass (UniDirectional), or one whose command
// can run again (CanRunAgain), keeps only the block of the current row and
// the one before it, so memory stays flat however many rows pass; the
// latter reads the rows before those again when the cursor goes back to
// them.
class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* AOwner);
    ~TDataSet() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    void Open();   // runs the dataset's command; the cursor on the first row
    void Close();  // drops the rows and fields
    bool Active() const { return active_; }
    void SetActive(bool active);  // while a form resource is read, opens once it is loaded
    void Loaded() override;

    void First();  // a dataset that has dropped its first rows runs its command again
    void Last();
    void Next();   // on the last row, Eof becomes true and the cursor stays on it
    // Before the first row, Bof becomes true and the cursor stays. A forward
    // pass steps back at most into the block before the current one; further
    // raises EDatabaseError "Operation not allowed on a unidirectional dataset".
    // A dataset that can run its command again steps back anywhere: past the
    // kept rows it runs the command again and reads up to the row wanted.
    void Prior();
    bool Eof() const;
    bool Bof() const;
    // Rows of the result. A dataset that keeps only rows near its cursor
    // and has not reached its end counts them without keeping them
    // (CountRecords); any other reads them all. Kept until Close.
    int RecordCount() const;
    int RecNo() const;  // 1-based number of the current row; 0 when there is none

    // A forward pass: only the rows near the cursor are kept. Set while closed.
    bool UniDirectional() const { return unidirectional_; }
    void SetUniDirectional(bool value);

    // The kinds of fields given by name, one "NAME=ftKind" a line (ftString,
    // ftInteger, ftFloat, ...), for columns whose kind the driver cannot tell
    // (a computed column reported as text). Fetched and read as that kind.
    // An unknown kind or a name that is no column raises EDatabaseError at Open.
    TStrings* FieldKinds() const { return field_kinds_.get(); }
    void SetFieldKinds(TStrings* lines) { field_kinds_->Assign(lines); }

    TFields& Fields();
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(const std::string& name) const;
    TField& FieldByName(const std::string& name) const;

protected:
    // Runs the command and hands back its rows, described columns adjusted
    // with `adjust`; raises on failure.
    virtual std::unique_ptr<data::RowSource> OpenCursor(const data::ColumnAdjuster& adjust) = 0;
    // The number of rows of the command, without keeping them: by default the
    // command runs again and its rows are counted as they come.
    virtual std::size_t CountRecords();
    // True when running the command again gives the same rows and changes
    // nothing (a query that only reads): the dataset then drops the rows
    // behind its cursor and reads them again when it goes back. False by
    // default: the dataset keeps every row it has read.
    virtual bool CanRunAgain() const { return false; }
    // The text of an error raised by this dataset: prefixed with its name.
    std::string error_text(const std::string& text) const;
    // Applies FieldKinds to a described column.
    data::ColumnAdjuster column_adjuster() const;

private:
    friend class TField;
    void check_active() const;
    bool fetch_block();       // appends the next block; false at the end of the result
    void keep_recent();       // a forward pass drops the blocks before the previous one
    void restart();           // runs the command again from its first row
    void seek(std::size_t target);  // runs the command again up to row `target` (from 0)
    void check_field_kinds(const std::vector<data::ColumnInfo>& columns) const;

    bool active_ = false;
    bool stream_active_ = false;
    bool unidirectional_ = false;
    std::unique_ptr<TStringList> field_kinds_;
    std::unique_ptr<data::RowSource> source_;
    std::deque<data::RowBlock> blocks_;
    std::size_t rows_read_ = 0;       // rows fetched from the source so far
    bool at_end_ = true;              // the source has no more rows
    mutable std::optional<std::size_t> count_;
    std::size_t block_ = 0;           // index in blocks_ of the current row's block
    std::size_t row_ = 0;             // the current row within it
    TFields fields_;
    bool bof_ = true;
    bool eof_ = true;
};

// ------------------------------------------------------------- parameters

class TParams;

// A value given to a `:NAME` marker of a query. Assigning through an As...
// setter sets DataType to that kind; the value is kept as its text (numbers
// in their shortest exact form, dates as yyyy-mm-dd, times as hh:nn:ss.zzz)
// and converted to DataType when the query is run.
class TParam : public TCollectionItem {
public:
    explicit TParam(TCollection* collection = nullptr) : TCollectionItem(collection) {}
    static TClass StaticClass();
    TClass ClassType() const override;
    void Assign(const TPersistent* source) override;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    TFieldType DataType() const { return type_; }
    void SetDataType(TFieldType type) { type_ = type; }

    bool IsNull() const { return !value_.has_value(); }
    void Clear() { value_.reset(); }
    // The value's text ("" when NULL); published as "Value".
    std::string Text() const { return value_.value_or(std::string()); }
    void SetText(const std::string& text) { value_ = text; }
    bool ValueStored() const { return value_.has_value(); }

    std::string AsString() const { return Text(); }
    void SetAsString(const std::string& value);
    int AsInteger() const;                  // EDatabaseError when the text is no integer
    void SetAsInteger(int value);
    double AsFloat() const;                 // EDatabaseError when the text is no number
    void SetAsFloat(double value);
    bool AsBoolean() const;                 // EDatabaseError when the text is no truth value
    void SetAsBoolean(bool value);
    TDateTime AsDate() const;               // EDatabaseError when the text is no date
    void SetAsDate(TDateTime value);
    TDateTime AsTime() const;
    void SetAsTime(TDateTime value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value);

    // The value as the driver binds it: converted to DataType (ftUnknown binds
    // text); EDatabaseError when the text does not fit the type.
    data::Param ToBinding() const;

private:
    std::string name_;
    TFieldType type_ = ftUnknown;
    std::optional<std::string> value_;
};

// The parameters of a query, in the order their markers first appear.
class TParams : public TCollection {
public:
    TParams() = default;
    static TClass StaticClass();
    TClass ClassType() const override;

    TParam* Items(int index) const { return static_cast<TParam*>(TCollection::Items(index)); }
    TParam* operator[](int index) const { return Items(index); }
    TParam* AddParam(const std::string& name);
    TParam* FindParam(const std::string& name) const;   // nullptr when there is none
    // EDatabaseError "Parameter 'NAME' not found" when there is none.
    TParam* ParamByName(const std::string& name) const;

protected:
    TCollectionItem* NewItem() override { return new TParam(this); }
};
