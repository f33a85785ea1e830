#pragma once
// The ODBC layer under the data-access components: one connection handle,
// batches run to their last result, rows buffered as text.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/data/DBErrors.h"

namespace data {

// How a column's values are read and shown.
enum class ValueKind { Text, Integer, Float, Decimal, Boolean, Date, Time, DateTime, Binary, Guid };

struct ColumnInfo {
    std::string name;
    int sql_type = 0;       // the driver's SQL data type
    ValueKind kind = ValueKind::Text;
    std::size_t size = 0;   // the driver's column size
    bool wide = false;      // Unicode character type on the server
    bool long_data = false; // text or binary of unbounded length
};

// A value as read: UTF-8 text, bytes for binary columns, nothing for NULL.
// Floating-point values are held as their shortest round-trip text.
using Value = std::optional<std::string>;
using Row = std::vector<Value>;

struct ResultSet {
    std::vector<ColumnInfo> columns;
    std::vector<Row> rows;
};

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
    BatchResult execute(const std::string& sql, int query_timeout);

private:
    struct Handles;
    std::unique_ptr<Handles> h_;
    bool connected_ = false;
};

// The message a person should read for a list of diagnostics: the server's error
// messages, one a line, or else the driver's first error, without the drivers'
// "[vendor][component]" prefixes.
std::string error_text(const std::vector<Diagnostic>& diagnostics);

// Full path of a driver library installed in the system's ODBC driver folder
// ("libtdsodbc.so", "libsqlite3odbc.so"), or empty when it is not there.
std::string find_driver(const std::string& library);

}  // namespace data
