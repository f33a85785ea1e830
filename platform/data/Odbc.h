#pragma once
// The ODBC layer under the data-access components: one connection handle,
// batches run to their last result, and cursors that hand a result over in
// blocks of rows as they are fetched. Numbers are fetched as numbers, into
// bound buffers a block of rows at a time where every column can be bound.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/data/DBErrors.h"

namespace data {

// How a column's values are read and shown.
enum class ValueKind { Text, Integer, Float, Decimal, Boolean, Date, Time, DateTime, Binary, Guid };

// How the values of a column are held once fetched.
enum class Storage { Integer, Real, Text };

// The storage a kind of value is fetched into: integers as 64-bit integers,
// floating-point values as doubles, everything else (decimals, truth values,
// dates and times, identifiers) as the driver's text; binary as bytes.
Storage storage_of(ValueKind kind);

struct ColumnInfo {
    std::string name;
    int sql_type = 0;       // the driver's SQL data type
    ValueKind kind = ValueKind::Text;
    std::size_t size = 0;   // the driver's column size
    bool wide = false;      // Unicode character type on the server
    bool long_data = false; // text or binary of unbounded length
    Storage storage = Storage::Text;
};

// A value as given in memory: UTF-8 text, bytes for binary, nothing for NULL.
using Value = std::optional<std::string>;
using Row = std::vector<Value>;

// The values of one column over a run of rows; only the vector of the
// column's storage is filled, and `nulls` marks the NULLs.
struct ColumnValues {
    std::vector<std::int64_t> ints;
    std::vector<double> reals;
    std::vector<std::string> texts;
    std::vector<std::uint8_t> nulls;
};

// A run of consecutive rows of a result, held column by column.
struct RowBlock {
    std::size_t first = 0;  // number of the block's first row in its result, from 0
    std::size_t rows = 0;
    std::vector<ColumnValues> columns;
};

// Appends one row given as text (NULL as nothing) to a block of `columns`;
// text that does not fit an Integer or Real storage raises EDatabaseError.
void append_text_row(RowBlock& block, const std::vector<ColumnInfo>& columns, const Row& row);

// A result read in blocks, front to back.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual const std::vector<ColumnInfo>& columns() const = 0;
    // Fills `block` (cleared first) with the next rows; false when none are left.
    virtual bool next_block(RowBlock& block) = 0;
};

// A result read whole, kept as blocks.
struct ResultSet {
    std::vector<ColumnInfo> columns;
    std::vector<RowBlock> blocks;
    std::size_t row_count() const;
};

// A RowSource over a result held in memory.
class BufferedRows : public RowSource {
public:
    explicit BufferedRows(ResultSet result) : result_(std::move(result)) {}
    const std::vector<ColumnInfo>& columns() const override { return result_.columns; }
    bool next_block(RowBlock& block) override;

private:
    ResultSet result_;
    std::size_t next_ = 0;
};

// A value bound to a `?` marker of a command. Dates and times are TDateTime
// values (days since 1899-12-30) in `real`.
struct Param {
    ValueKind kind = ValueKind::Text;  // Text, Integer, Float, Boolean, Date, Time or DateTime
    bool null = true;
    std::int64_t integer = 0;          // Integer; Boolean as 0 or 1
    double real = 0;                   // Float, Date, Time, DateTime
    std::string text;                  // Text
};

// Lets a caller change a described column (its kind, for instance) before
// its values are fetched.
using ColumnAdjuster = std::function<void(ColumnInfo&)>;

// Everything a batch gave back: its result sets (in order), the row counts of
// the statements that changed rows, and every message of the server and driver.
struct BatchResult {
    std::vector<ResultSet> results;
    std::vector<Diagnostic> diagnostics;
    bool failed = false; // an error record came back somewhere in the batch
    bool link_lost = false; // the link to the server broke; the connection is closed
};

// Largest time-out, in seconds, that the drivers can hold (they count milliseconds in an int).
inline constexpr int kMaxTimeoutSeconds = 2147483;

// One ODBC connection (environment and connection handles). Not thread-safe.
class OdbcConnection {
public:
    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // Connects with a complete ODBC connection string; login_timeout in seconds (> 0).
    // Raises OdbcError with the driver's or server's text; the string itself is never shown.
    void connect(const std::string& odbc_string, int login_timeout);
    void disconnect();
    bool connected() const { return connected_; }

    // Runs one command text (which may hold several statements) to its last result.
    // query_timeout 0 means no limit. Errors of the server and the driver come back
    // in the result (failed, diagnostics); raises OdbcError only when not connected.
    // `adjust` may change each described column before its values are fetched.
    BatchResult execute(const std::string& sql, int query_timeout, const ColumnAdjuster& adjust = {});

    // Runs one command with `params` bound to its `?` markers in order and
    // opens its first result that has columns, to be read block by block as
    // the caller goes. Raises OdbcError with the server's or driver's text on
    // failure, EDatabaseError when the command gives no result with columns.
    // The cursor must not outlive the connection; disconnecting ends it.
    class Cursor;
    std::unique_ptr<Cursor> open_cursor(const std::string& sql, const std::vector<Param>& params,
                                        int query_timeout, const ColumnAdjuster& adjust = {});

private:
    friend class Cursor;
    struct Handles;
    std::unique_ptr<Handles> h_;
    bool connected_ = false;
    std::vector<Cursor*> cursors_;
};

// An open result of a command, fetched a block of rows at a time.
class OdbcConnection::Cursor : public RowSource {
public:
    ~Cursor() override;
    const std::vector<ColumnInfo>& columns() const override;
    bool next_block(RowBlock& block) override;
    // The messages of the driver and the server so far.
    const std::vector<Diagnostic>& diagnostics() const;

private:
    friend class OdbcConnection;
    struct State;
    explicit Cursor(OdbcConnection* connection);
    void release();
    OdbcConnection* connection_;
    std::unique_ptr<State> s_;
    bool finished_ = false;
};

// The message a person should read for a list of diagnostics: the server's error
// messages, one a line, or else the driver's first error, without the drivers'
// "[vendor][component]" prefixes.
std::string error_text(const std::vector<Diagnostic>& diagnostics);

// Full path of a driver library installed in the system's ODBC driver folder
// ("libtdsodbc.so", "libsqlite3odbc.so"), or empty when it is not there.
std::string find_driver(const std::string& library);

}  // namespace data
