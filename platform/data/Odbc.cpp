#include "platform/data/Odbc.h"

#include "platform/core/CodePages.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <type_traits>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
#include <sys/stat.h>

namespace data {

namespace {

std::vector<SQLWCHAR> to_wide(const std::string& text);
std::string from_wide(const SQLWCHAR* text, size_t count);

std::vector<Diagnostic> read_diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::vector<Diagnostic> out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        std::vector<SQLWCHAR> text(1024);
        SQLSMALLINT len = 0;
        SQLRETURN rc = SQLGetDiagRecW(type, handle, i, state, &native, text.data(),
                                      static_cast<SQLSMALLINT>(text.size()), &len);
        if (rc == SQL_SUCCESS_WITH_INFO && len >= static_cast<SQLSMALLINT>(text.size())) {
            text.resize(static_cast<size_t>(len) + 1);
            rc = SQLGetDiagRecW(type, handle, i, state, &native, text.data(),
                                static_cast<SQLSMALLINT>(text.size()), &len);
        }
        if (!SQL_SUCCEEDED(rc)) break;
        Diagnostic d;
        d.state = from_wide(state, 5);
        d.native = native;
        d.text = from_wide(text.data(), std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(len, 0)),
                                                         text.size() - 1));
        // "01xxx" are warnings and informational messages; everything else is an error.
        d.error = d.state.rfind("01", 0) != 0;
        out.push_back(std::move(d));
    }
    return out;
}

void append(std::vector<Diagnostic>& to, std::vector<Diagnostic> from) {
    for (auto& d : from) to.push_back(std::move(d));
}

// After a call that failed: its records are errors even when the driver gave
// them all informational states.
void mark_failure(std::vector<Diagnostic>& diagnostics, size_t from) {
    for (size_t i = from; i < diagnostics.size(); ++i)
        if (diagnostics[i].error) return;
    for (size_t i = from; i < diagnostics.size(); ++i) diagnostics[i].error = true;
}

ValueKind kind_of(SQLSMALLINT type, bool& wide, bool& long_data) {
    wide = false;
    long_data = false;
    switch (type) {
    case SQL_WCHAR:
    case SQL_WVARCHAR:
        wide = true;
        return ValueKind::Text;
    case SQL_WLONGVARCHAR:
        wide = long_data = true;
        return ValueKind::Text;
    case SQL_LONGVARCHAR:
        long_data = true;
        return ValueKind::Text;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        return ValueKind::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return ValueKind::Float;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return ValueKind::Decimal;
    case SQL_BIT:
        return ValueKind::Boolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return ValueKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return ValueKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return ValueKind::DateTime;
    case SQL_LONGVARBINARY:
        long_data = true;
        return ValueKind::Binary;
    case SQL_BINARY:
    case SQL_VARBINARY:
        return ValueKind::Binary;
    case SQL_GUID:
        return ValueKind::Guid;
    default:
        return ValueKind::Text;
    }
}

// Reads a column of the current row as text, through wide characters (the
// drivers' narrow text is in their own default character set, not UTF-8).
// Buffers reused for every value of a result.
struct Scratch {
    std::vector<SQLWCHAR> wide = std::vector<SQLWCHAR>(4096);
    std::vector<SQLWCHAR> text;
    std::vector<char> bytes = std::vector<char>(8192);
};

Value read_text(SQLHSTMT stmt, SQLUSMALLINT column, std::vector<Diagnostic>& diagnostics, Scratch& scratch) {
    std::vector<SQLWCHAR>& text = scratch.text;
    std::vector<SQLWCHAR>& buf = scratch.wide;
    text.clear();
    for (;;) {
        SQLLEN ind = 0;
        SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buf.data(),
                                  static_cast<SQLLEN>(buf.size() * sizeof(SQLWCHAR)), &ind);
        if (rc == SQL_NO_DATA) break;
        if (rc == SQL_ERROR) {
            append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt));
            return std::nullopt;
        }
        if (ind == SQL_NULL_DATA) return std::nullopt;
        if (rc == SQL_SUCCESS_WITH_INFO) {
            bool truncated = false;
            for (auto& d : read_diagnostics(SQL_HANDLE_STMT, stmt)) {
                if (d.state == "01004")
                    truncated = true;
                else
                    diagnostics.push_back(std::move(d));
            }
            if (truncated) {
                text.insert(text.end(), buf.begin(), buf.end() - 1);
                continue;
            }
        }
        size_t units = 0;
        if (ind == SQL_NO_TOTAL) {
            while (units + 1 < buf.size() && buf[units] != 0) ++units;
        } else {
            units = std::min(static_cast<size_t>(ind) / sizeof(SQLWCHAR), buf.size() - 1);
        }
        text.insert(text.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(units));
        break;
    }
    return from_wide(text.data(), text.size());
}

// Reads one column of the current row; records the driver's messages.
Value read_value(SQLHSTMT stmt, SQLUSMALLINT column, const ColumnInfo& info,
                 std::vector<Diagnostic>& diagnostics, Scratch& scratch) {
    if (info.kind == ValueKind::Float) {
        double d = 0;
        SQLLEN ind = 0;
        SQLRETURN rc = SQLGetData(stmt, column, SQL_C_DOUBLE, &d, sizeof d, &ind);
        if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR)
            append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt));
        if (!SQL_SUCCEEDED(rc) || ind == SQL_NULL_DATA) return std::nullopt;
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, d);
        return std::string(buf, res.ptr);
    }
    const bool binary = info.kind == ValueKind::Binary;
    if (!binary) return read_text(stmt, column, diagnostics, scratch);
    const SQLSMALLINT ctype = SQL_C_BINARY;
    const size_t terminator = 0;
    std::string value;
    std::vector<char>& buf = scratch.bytes;
    for (;;) {
        SQLLEN ind = 0;
        SQLRETURN rc = SQLGetData(stmt, column, ctype, buf.data(), static_cast<SQLLEN>(buf.size()), &ind);
        if (rc == SQL_NO_DATA) break;
        if (rc == SQL_ERROR) {
            append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt));
            return std::nullopt;
        }
        if (ind == SQL_NULL_DATA) return std::nullopt;
        if (rc == SQL_SUCCESS_WITH_INFO) {
            auto more = read_diagnostics(SQL_HANDLE_STMT, stmt);
            bool truncated = false;
            for (auto& d : more) {
                if (d.state == "01004")
                    truncated = true;
                else
                    diagnostics.push_back(std::move(d));
            }
            if (truncated) {
                value.append(buf.data(), buf.size() - terminator);
                continue;
            }
        }
        if (ind == SQL_NO_TOTAL) {
            value.append(buf.data(), std::strlen(buf.data()));
        } else {
            value.append(buf.data(), std::min(static_cast<size_t>(ind), buf.size() - terminator));
        }
        break;
    }
    return value;
}

ResultSet read_result(SQLHSTMT stmt, SQLSMALLINT count, std::vector<Diagnostic>& diagnostics) {
    ResultSet result;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(count); ++c) {
        std::vector<SQLWCHAR> name(256);
        SQLSMALLINT name_len = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLRETURN rc = SQLDescribeColW(stmt, c, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                       &name_len, &type, &size, &digits, &nullable);
        if (SQL_SUCCEEDED(rc) && name_len >= static_cast<SQLSMALLINT>(name.size())) {
            name.resize(static_cast<size_t>(name_len) + 1);
            rc = SQLDescribeColW(stmt, c, name.data(), static_cast<SQLSMALLINT>(name.size()), &name_len,
                                 &type, &size, &digits, &nullable);
        }
        if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR)
            append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt));
        ColumnInfo info;
        info.name = SQL_SUCCEEDED(rc) ? from_wide(name.data(), std::min<size_t>(static_cast<size_t>(
                                                                   std::max<SQLSMALLINT>(name_len, 0)), name.size() - 1))
                                      : std::string();
        info.sql_type = type;
        info.size = size;
        info.kind = kind_of(type, info.wide, info.long_data);
        result.columns.push_back(std::move(info));
    }
    Scratch scratch;
    for (;;) {
        SQLRETURN rc = SQLFetch(stmt);
        if (rc == SQL_NO_DATA) break;
        if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR)
            append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt));
        if (!SQL_SUCCEEDED(rc)) break;
        Row row;
        row.reserve(result.columns.size());
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(count); ++c)
            row.push_back(read_value(stmt, c, result.columns[c - 1], diagnostics, scratch));
        result.rows.push_back(std::move(row));
    }
    return result;
}

// UTF-8 to the driver manager's 16-bit wide characters (invalid bytes become U+FFFD).
std::vector<SQLWCHAR> to_wide(const std::string& text) {
    static_assert(std::is_same_v<SQLWCHAR, std::uint16_t>, "the driver manager's wide characters are UTF-16 units");
    std::vector<SQLWCHAR> out = core::utf8_to_utf16(text);
    out.push_back(0);
    return out;
}

// The driver manager's 16-bit wide characters to UTF-8 (lone surrogates become U+FFFD).
std::string from_wide(const SQLWCHAR* text, size_t count) {
    return core::utf16_to_utf8(std::span<const std::uint16_t>(text, count));
}

struct Statement {
    SQLHSTMT h = SQL_NULL_HSTMT;
    ~Statement() {
        if (h != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, h);
    }
};

bool lost_connection(const std::vector<Diagnostic>& diagnostics, size_t from) {
    for (size_t i = from; i < diagnostics.size(); ++i) {
        const auto& s = diagnostics[i].state;
        if (s.rfind("08", 0) == 0 || s == "HYT00" || s == "HYT01") return true;
    }
    return false;
}

// Whether the driver has found the link to the server broken.
bool connection_dead(SQLHDBC dbc) {
    SQLUINTEGER dead = SQL_CD_FALSE;
    return SQL_SUCCEEDED(SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

// Two failed calls that gave the same records, all of the driver's own (no
// server message number): the driver is stuck where it was, not moving on
// through the batch's statements, which may well fail alike one after another.
bool same_driver_failure(const std::vector<Diagnostic>& now, const std::vector<Diagnostic>& before) {
    if (now.empty() || now.size() != before.size()) return false;
    for (size_t i = 0; i < now.size(); ++i) {
        if (now[i].native != 0 || now[i].state != before[i].state || now[i].text != before[i].text) return false;
    }
    return true;
}

}  // namespace

struct OdbcConnection::Handles {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
};

OdbcConnection::OdbcConnection() : h_(std::make_unique<Handles>()) {}

OdbcConnection::~OdbcConnection() {
    disconnect();
    if (h_->dbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, h_->dbc);
    if (h_->env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, h_->env);
}

void OdbcConnection::connect(const std::string& odbc_string, int login_timeout) {
    disconnect();
    // A fresh connection handle for every attempt: a failed attempt leaves nothing behind.
    if (h_->dbc != SQL_NULL_HDBC) {
        SQLFreeHandle(SQL_HANDLE_DBC, h_->dbc);
        h_->dbc = SQL_NULL_HDBC;
    }
    if (h_->env == SQL_NULL_HENV) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h_->env)))
            throw OdbcError("The ODBC driver manager cannot be initialised.", {});
        SQLSetEnvAttr(h_->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, h_->env, &h_->dbc))) {
        auto diags = read_diagnostics(SQL_HANDLE_ENV, h_->env);
        throw OdbcError(diags.empty() ? "The ODBC driver manager cannot open a connection." : error_text(diags),
                        diags);
    }
    if (login_timeout < 1) login_timeout = 1;
    if (login_timeout > kMaxTimeoutSeconds) login_timeout = kMaxTimeoutSeconds;
    SQLSetConnectAttr(h_->dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(login_timeout)), 0);
    // Through the wide entry point: the drivers read a narrow connection string in
    // their own default character set, which would garble names and passwords
    // outside ASCII.
    std::vector<SQLWCHAR> wide = to_wide(odbc_string);
    SQLSMALLINT out_len = 0;
    SQLRETURN rc = SQLDriverConnectW(h_->dbc, nullptr, wide.data(), static_cast<SQLSMALLINT>(wide.size() - 1),
                                     nullptr, 0, &out_len, SQL_DRIVER_NOPROMPT);
    std::fill(wide.begin(), wide.end(), SQLWCHAR(0));
    if (!SQL_SUCCEEDED(rc)) {
        auto diags = read_diagnostics(SQL_HANDLE_DBC, h_->dbc);
        mark_failure(diags, 0);
        SQLFreeHandle(SQL_HANDLE_DBC, h_->dbc);
        h_->dbc = SQL_NULL_HDBC;
        throw OdbcError(diags.empty() ? "Cannot connect to the data source." : error_text(diags), diags);
    }
    connected_ = true;
}

void OdbcConnection::disconnect() {
    if (connected_) {
        SQLDisconnect(h_->dbc);
        connected_ = false;
    }
}

BatchResult OdbcConnection::execute(const std::string& sql, int query_timeout) {
    BatchResult out;
    if (!connected_) throw OdbcError("The connection is not open.", {});
    Statement stmt;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, h_->dbc, &stmt.h))) {
        auto diags = read_diagnostics(SQL_HANDLE_DBC, h_->dbc);
        throw OdbcError(diags.empty() ? "Cannot run a command on this connection." : error_text(diags), diags);
    }
    if (query_timeout < 0 || query_timeout > kMaxTimeoutSeconds) query_timeout = 0;
    SQLSetStmtAttr(stmt.h, SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(query_timeout)), 0);

    std::vector<SQLWCHAR> wide = to_wide(sql);
    SQLRETURN rc = SQLExecDirectW(stmt.h, wide.data(), static_cast<SQLINTEGER>(wide.size() - 1));
    bool link_lost = false;
    // The records of the last call that failed, to tell a driver stuck on the
    // same failure from a batch whose statements fail one after another.
    std::vector<Diagnostic> last_failure;
    for (;;) {
        size_t before = out.diagnostics.size();
        if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR)
            append(out.diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt.h));
        if (rc == SQL_ERROR) {
            mark_failure(out.diagnostics, before);
            out.failed = true;
            // An error record with nothing to say, a broken link, or the driver
            // failing again exactly as before: nothing more will come.
            if (out.diagnostics.size() == before || lost_connection(out.diagnostics, before)) break;
            if (connection_dead(h_->dbc)) {
                link_lost = true;
                break;
            }
            std::vector<Diagnostic> failure(out.diagnostics.begin() + static_cast<std::ptrdiff_t>(before),
                                            out.diagnostics.end());
            if (same_driver_failure(failure, last_failure)) {
                // Told once already; a statement stuck half-read leaves the
                // link of no further use either.
                out.diagnostics.resize(before);
                link_lost = true;
                break;
            }
            last_failure = std::move(failure);
        } else {
            last_failure.clear();
        }
        if (rc == SQL_NO_DATA || rc == SQL_INVALID_HANDLE) break;
        if (SQL_SUCCEEDED(rc)) {
            SQLSMALLINT count = 0;
            if (SQL_SUCCEEDED(SQLNumResultCols(stmt.h, &count)) && count > 0) {
                before = out.diagnostics.size();
                out.results.push_back(read_result(stmt.h, count, out.diagnostics));
                if (lost_connection(out.diagnostics, before)) break;
                if (out.diagnostics.size() != before && connection_dead(h_->dbc)) {
                    mark_failure(out.diagnostics, before);
                    link_lost = true;
                    break;
                }
            }
        }
        rc = SQLMoreResults(stmt.h);
    }
    for (const auto& d : out.diagnostics) {
        if (d.error) out.failed = true;
        if (d.state.rfind("08", 0) == 0) link_lost = true;
    }
    if (out.failed && !link_lost) link_lost = connection_dead(h_->dbc);
    // A broken link cannot run another command: the next open connects afresh.
    out.link_lost = link_lost;
    if (link_lost) {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt.h);
        stmt.h = SQL_NULL_HSTMT;
        disconnect();
    }
    return out;
}

namespace {

std::string without_prefixes(std::string text) {
    // Drop the "[vendor][component]..." prefixes that drivers put before the message.
    while (!text.empty() && text[0] == '[') {
        auto end = text.find(']');
        if (end == std::string::npos) break;
        text.erase(0, end + 1);
    }
    return text;
}

}  // namespace

std::string error_text(const std::vector<Diagnostic>& diagnostics) {
    // The server's own error messages, each once, in the order the driver gives them;
    // failing those, the driver's first error (or first message).
    std::vector<std::string> texts;
    for (const auto& d : diagnostics) {
        if (!d.error || d.native == 0) continue;
        std::string t = without_prefixes(d.text);
        if (std::find(texts.begin(), texts.end(), t) == texts.end()) texts.push_back(t);
    }
    if (texts.empty()) {
        const Diagnostic* pick = nullptr;
        for (const auto& d : diagnostics)
            if (d.error) {
                pick = &d;
                break;
            }
        if (!pick && !diagnostics.empty()) pick = &diagnostics.front();
        return pick ? without_prefixes(pick->text) : std::string();
    }
    std::string out;
    for (const auto& t : texts) out += (out.empty() ? "" : "\n") + t;
    return out;
}

std::string find_driver(const std::string& library) {
    static const char* const dirs[] = {TAMBLERO_ODBC_DRIVER_DIR, "/usr/lib/odbc", "/usr/local/lib/odbc",
                                       "/usr/lib64", "/usr/local/lib"};
    for (const char* dir : dirs) {
        std::string path = std::string(dir) + "/" + library;
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
    }
    return {};
}

}  // namespace data
