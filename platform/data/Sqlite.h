#pragma once
// A SQLite file read through the SQLite library itself: the embedded
// database's rows reach a dataset as typed values, a block at a time, with
// the columns described as the SQLite ODBC driver describes them (so a
// layout sees the same field types whichever way its database is reached).

#include <memory>
#include <string>
#include <vector>

#include "platform/data/Odbc.h"

struct sqlite3;

namespace data {

class SqliteDatabase {
public:
    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Opens an existing regular file; read_only makes every change fail.
    // Raises EDatabaseError "no such database: NAME", "NAME is not a
    // database file" or the library's text.
    void open(const std::string& path, bool read_only);
    void close();  // cursors still open stay readable until they end
    bool is_open() const { return db_ != nullptr; }

    // Prepares one statement with `params` bound to its `?` markers in order
    // and hands its rows over as they are stepped through. A statement that
    // gives no columns is never run: EDatabaseError "the command returned no
    // result set"; a text of several statements: "only one SQL statement
    // allowed"; one that would write: "the command would change the database".
    std::unique_ptr<RowSource> open_cursor(const std::string& sql, const std::vector<Param>& params,
                                           const ColumnAdjuster& adjust = {});

private:
    sqlite3* db_ = nullptr;
};

// The column a declared SQLite type gives, as the SQLite ODBC driver
// describes it ("INTEGER" an integer of size 10, "VARCHAR(20)" text of 20,
// "TEXT" long text, no type at all text of 255, ...).
ColumnInfo sqlite_column(const std::string& name, const std::string& declared_type);

}  // namespace data
