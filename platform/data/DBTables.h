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
// the SQLite library), or a connection string over ODBC, which begins with
// one of its keys (SQL Server's "Data Source=...;Initial Catalog=...", or an
// ODBC one with DRIVER= or DSN=); any other name is a file, '=' and ';' in
// it included. Connects when it first opens. It only reads: the database
// is opened read-only and a command that would change it is refused before
// it runs.
class TDBDataSet : public TDataSet {
public:
    explicit TDBDataSet(TComponent* AOwner);
    ~TDBDataSet() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    const std::string& DatabaseName() const { return database_name_; }
    void SetDatabaseName(const std::string& name);  // closes the dataset and its connection
    // Opens the database read-only (the default), so that no command can
    // change it even past the check of the command.
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
    // A dataset only reads, so its command can run again.
    bool CanRunAgain() const override { return true; }

private:
    bool is_sqlite_file() const;
    void connect(data::OdbcConnection& connection) const;
    void open_file(data::SqliteDatabase& database) const;
    std::string database_name_;
    bool read_only_ = true;
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
// A SQLite file as a URI that the library opens read-only ("file:" and the
// path with every character but letters, digits and "/.-_~" percent-coded,
// "?mode=ro"): no character of the name can end an ODBC value or make a file.
std::string sqlite_read_only_uri(const std::string& path);
// True when a database name is a connection string: it begins with one of
// the keys DRIVER, DSN, FILEDSN, Provider, Data Source or Server and '='.
bool is_connection_string(const std::string& database_name);
// Raises EDatabaseError unless `path` is an existing regular file (a link
// to one counts): "no such database: PATH", "PATH is not a database file".
void check_database_file(const std::string& path);
// Why a command text over ODBC cannot be taken for one that only reads
// (empty when it can): one SELECT, WITH or VALUES statement holding none of
// the words that change a database or a session (INSERT, UPDATE, DELETE,
// INTO, CREATE, PRAGMA, EXEC, ...) outside quotes, brackets and comments.
std::string read_only_command_problem(const std::string& sql);
// The ODBC connection string for a database name that is a connection string;
// a SQLite file opened through the SQLite ODBC driver when `read_only` asks
// so is opened read-only too.
std::string database_connection_string(const std::string& database_name, bool read_only);
}  // namespace data
