#pragma once
// The datasets a report layout names: a query with `:NAME` parameters and a
// table, each over its own ODBC connection to the database its DatabaseName
// gives. Parameters are bound through the driver, never written into the
// command text.

#include <memory>
#include <string>
#include <vector>

#include "platform/data/DB.h"
#include "platform/data/Sqlite.h"

// A dataset over a database named by text: a SQLite file path (read through
// the SQLite library), or a connection string over ODBC (SQL Server's
// "Data Source=...;Initial Catalog=...", or an ODBC one with DRIVER= or
// DSN=). Connects when it first opens.
class TDBDataSet : public TDataSet {
public:
    explicit TDBDataSet(TComponent* AOwner);
    ~TDBDataSet() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    const std::string& DatabaseName() const { return database_name_; }
    void SetDatabaseName(const std::string& name);  // closes the dataset and its connection
    // Opens a SQLite file read-only, so that no command can change it.
    bool ReadOnlyDatabase() const { return read_only_; }
    void SetReadOnlyDatabase(bool value);

protected:
    // The command that gives the rows, with `?` where a parameter goes.
    virtual std::string Command() const = 0;
    // The values of the command's `?` markers, in order.
    virtual std::vector<data::Param> Bindings() const { return {}; }
    std::unique_ptr<data::RowSource> OpenCursor(const data::ColumnAdjuster& adjust) override;
    // SELECT COUNT(*) over the command on a second connection; the default
    // count when the database cannot answer that.
    std::size_t CountRecords() override;

private:
    bool is_sqlite_file() const;
    void connect(data::OdbcConnection& connection) const;
    void open_file(data::SqliteDatabase& database) const;
    std::string database_name_;
    bool read_only_ = false;
    data::OdbcConnection odbc_;
    data::SqliteDatabase sqlite_;
};

// A query: its SQL may name parameters as `:NAME` (letters, digits and '_';
// text in quotes, brackets and comments is left alone, `::` is no marker).
// Setting SQL makes Params list the names in order of first appearance,
// keeping the type and value of a parameter already there.
class TQuery : public TDBDataSet {
public:
    explicit TQuery(TComponent* AOwner);
    ~TQuery() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    TStrings* SQL() const { return sql_.get(); }
    void SetSQL(TStrings* lines) { sql_->Assign(lines); }
    TParams* Params() const;
    void SetParams(TParams* params) { Params()->Assign(params); }
    int ParamCount() const { return Params()->Count(); }
    TParam* ParamByName(const std::string& name) const { return Params()->ParamByName(name); }

protected:
    std::string Command() const override;
    std::vector<data::Param> Bindings() const override;

private:
    // Brings the command and the parameters up to the SQL's text (a list
    // changed between BeginUpdate and EndUpdate tells no one).
    void sync() const;
    std::unique_ptr<TStringList> sql_;
    std::unique_ptr<TParams> params_;
    mutable std::string parsed_;              // the SQL text the command was made from
    mutable std::string command_;             // the SQL with each marker a `?`
    mutable std::vector<std::string> marks_;  // the parameter name of each `?`, in order
};

// Every row of one table (TableName may be schema-qualified, "dbo.Orders").
class TTable : public TDBDataSet {
public:
    explicit TTable(TComponent* AOwner);
    static TClass StaticClass();
    TClass ClassType() const override;

    const std::string& TableName() const { return table_name_; }
    void SetTableName(const std::string& name);  // closes the table

protected:
    std::string Command() const override;

private:
    std::string table_name_;
};

namespace data {
// The SQL text with every `:NAME` marker replaced by `?`, and the names in order.
std::string sql_without_markers(const std::string& sql, std::vector<std::string>& names);
// The ODBC connection string for a database name that is a connection string;
// a SQLite file opened through the SQLite ODBC driver when `read_only` asks
// so is opened read-only too.
std::string database_connection_string(const std::string& database_name, bool read_only);
}  // namespace data
