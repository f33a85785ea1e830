#include "platform/data/Odbc.h"

#include "platform/core/CodePages.h"
#include "platform/core/DateUtils.h"

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

// Buffers reused for every value of a result.
struct Scratch {
    std::vector<SQLWCHAR> wide = std::vector<SQLWCHAR>(4096);
    std::vector<SQLWCHAR> text;
    std::vector<char> bytes = std::vector<char>(8192);
};

// Reads a column of the current row whole with SQLGetData, a buffer at a
// time, handing each piece to `take(units, count)`. `terminated`: the
// driver ends every piece with a NUL unit (text), which is not data. False
// (diagnostics kept) for an error, and for NULL.
template <class Unit, class Take>
bool get_data(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT c_type, bool terminated, std::vector<Unit>& buf,
              std::vector<Diagnostic>& diagnostics, Take take) {
    const std::size_t room = buf.size() - (terminated ? 1 : 0);
    for (;;) {
        SQLLEN ind = 0;
        SQLRETURN rc = SQLGetData(stmt, column, c_type, buf.data(), static_cast<SQLLEN>(buf.size() * sizeof(Unit)), &ind);
        if (rc == SQL_NO_DATA) break;
        if (rc == SQL_ERROR) {
            append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt));
            return false;
        }
        if (ind == SQL_NULL_DATA) return false;
        if (rc == SQL_SUCCESS_WITH_INFO) {
            bool truncated = false;
            for (auto& d : read_diagnostics(SQL_HANDLE_STMT, stmt)) {
                if (d.state == "01004")
                    truncated = true;
                else
                    diagnostics.push_back(std::move(d));
            }
            if (truncated) {
                take(buf.data(), room);
                continue;
            }
        }
        size_t units = 0;
        if (ind == SQL_NO_TOTAL) {
            // A driver that cannot tell: text ends at its NUL; bytes came
            // as whole buffers above.
            if (terminated)
                while (units < room && buf[units] != 0) ++units;
        } else {
            units = std::min(static_cast<size_t>(ind) / sizeof(Unit), room);
        }
        take(buf.data(), units);
        break;
    }
    return true;
}

// Reads a column of the current row as text, through wide characters (the
// drivers' narrow text is in their own default character set, not UTF-8).
Value read_text(SQLHSTMT stmt, SQLUSMALLINT column, std::vector<Diagnostic>& diagnostics, Scratch& scratch) {
    std::vector<SQLWCHAR>& text = scratch.text;
    text.clear();
    const bool got = get_data(stmt, column, SQL_C_WCHAR, true, scratch.wide, diagnostics,
                              [&](const SQLWCHAR* units, size_t n) { text.insert(text.end(), units, units + n); });
    if (!got) return std::nullopt;
    return from_wide(text.data(), text.size());
}

// Reads a binary column of the current row whole.
Value read_bytes(SQLHSTMT stmt, SQLUSMALLINT column, std::vector<Diagnostic>& diagnostics, Scratch& scratch) {
    std::string value;
    const bool got = get_data(stmt, column, SQL_C_BINARY, false, scratch.bytes, diagnostics,
                              [&](const char* bytes, size_t n) { value.append(bytes, n); });
    if (!got) return std::nullopt;
    return value;
}

// Rows a block holds: enough to make the per-call cost of the driver small,
// few enough that a block of wide rows stays small.
constexpr SQLULEN kBlockRows = 512;

// Reads one result of a statement: describes its columns, binds the columns
// it can and fetches a block of rows at a time. Integer and floating-point
// columns are bound to typed buffers; when every column is bound the driver
// fills a whole block in one call (SQL_ATTR_ROW_ARRAY_SIZE). Other columns
// are read a row at a time with SQLGetData, as text (or bytes).
class Fetcher {
public:
    Fetcher(SQLHSTMT stmt, SQLHDBC dbc) : stmt_(stmt), dbc_(dbc) {}
    ~Fetcher() { unbind(); }
    Fetcher(const Fetcher&) = delete;
    Fetcher& operator=(const Fetcher&) = delete;

    void describe(SQLSMALLINT count, std::vector<Diagnostic>& diagnostics) {
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(count); ++c) {
            std::vector<SQLWCHAR> name(256);
            SQLSMALLINT name_len = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            SQLRETURN rc = SQLDescribeColW(stmt_, c, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                           &name_len, &type, &size, &digits, &nullable);
            if (SQL_SUCCEEDED(rc) && name_len >= static_cast<SQLSMALLINT>(name.size())) {
                name.resize(static_cast<size_t>(name_len) + 1);
                rc = SQLDescribeColW(stmt_, c, name.data(), static_cast<SQLSMALLINT>(name.size()), &name_len,
                                     &type, &size, &digits, &nullable);
            }
            if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR)
                append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt_));
            ColumnInfo info;
            if (SQL_SUCCEEDED(rc))
                info.name = from_wide(name.data(), std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(name_len, 0)),
                                                                   name.size() - 1));
            info.sql_type = type;
            info.size = size;
            info.kind = kind_of(type, info.wide, info.long_data);
            info.storage = storage_of(info.kind);
            columns_.push_back(std::move(info));
        }
    }

    std::vector<ColumnInfo>& columns() { return columns_; }

    // Decides which columns are bound and how many rows a fetch brings.
    void bind() {
        const size_t n = columns_.size();
        bound_.assign(n, Buffer{});
        bool all = n > 0;
        for (const auto& c : columns_) all = all && c.storage != Storage::Text;
        SQLULEN rows = 1;
        if (all) {
            SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
            SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlockRows), 0);
            SQLULEN granted = 1;
            if (SQL_SUCCEEDED(SQLGetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) && granted >= 1)
                rows = std::min(granted, kBlockRows);
            if (rows > 1) {
                status_.assign(rows, SQL_ROW_SUCCESS);
                SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_STATUS_PTR, status_.data(), 0);
                SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0);
            } else {
                SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{1}), 0);
            }
        }
        array_rows_ = rows;
        // Without a whole-row binding, bound columns may only come before the
        // ones read with SQLGetData, unless the driver allows any order.
        SQLUINTEGER extensions = 0;
        SQLGetInfo(dbc_, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr);
        const bool any_column = (extensions & SQL_GD_ANY_COLUMN) != 0;
        bool prefix = true;
        for (size_t i = 0; i < n; ++i) {
            const ColumnInfo& c = columns_[i];
            if (c.storage == Storage::Text) {
                prefix = false;
                continue;
            }
            if (!all && !prefix && !any_column) continue;
            Buffer& b = bound_[i];
            b.ind.assign(rows, 0);
            SQLRETURN rc;
            if (c.storage == Storage::Integer) {
                b.ints.assign(rows, 0);
                rc = SQLBindCol(stmt_, static_cast<SQLUSMALLINT>(i + 1), SQL_C_SBIGINT, b.ints.data(),
                                sizeof(std::int64_t), b.ind.data());
            } else {
                b.reals.assign(rows, 0);
                rc = SQLBindCol(stmt_, static_cast<SQLUSMALLINT>(i + 1), SQL_C_DOUBLE, b.reals.data(), sizeof(double),
                                b.ind.data());
            }
            b.bound = SQL_SUCCEEDED(rc);
            if (!b.bound && rows > 1) {
                // A driver that refuses a binding cannot fill blocks here: read row by row.
                unbind();
                bound_.assign(n, Buffer{});
                array_rows_ = 1;
                return;
            }
        }
    }

    // Fills `block` with up to a block of rows; false at the end of the result
    // (or at a failed fetch, whose messages go to `diagnostics`).
    bool fetch(RowBlock& block, std::vector<Diagnostic>& diagnostics) {
        const size_t n = columns_.size();
        block.rows = 0;
        block.columns.assign(n, ColumnValues{});
        if (done_) return false;
        if (array_rows_ > 1) {
            fetched_ = 0;
            SQLRETURN rc = SQLFetch(stmt_);
            if (!fetched_ok(rc, diagnostics)) return false;
            for (SQLULEN r = 0; r < fetched_; ++r) {
                if (status_[r] == SQL_ROW_NOROW) continue;
                const bool error = status_[r] == SQL_ROW_ERROR;
                for (size_t c = 0; c < n; ++c) take_bound(block.columns[c], columns_[c].storage, bound_[c], r, error);
                ++block.rows;
            }
            return block.rows > 0 || !done_;
        }
        while (block.rows < kBlockRows) {
            SQLRETURN rc = SQLFetch(stmt_);
            if (!fetched_ok(rc, diagnostics)) break;
            for (size_t c = 0; c < n; ++c) {
                ColumnValues& v = block.columns[c];
                if (bound_[c].bound) {
                    take_bound(v, columns_[c].storage, bound_[c], 0, false);
                    continue;
                }
                read_unbound(v, static_cast<SQLUSMALLINT>(c + 1), columns_[c], diagnostics);
            }
            ++block.rows;
        }
        return block.rows > 0;
    }

    void unbind() {
        if (stmt_ == SQL_NULL_HSTMT) return;
        SQLFreeStmt(stmt_, SQL_UNBIND);
        if (array_rows_ > 1) {
            SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
            SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
            SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{1}), 0);
        }
    }

private:
    struct Buffer {
        bool bound = false;
        std::vector<std::int64_t> ints;
        std::vector<double> reals;
        std::vector<SQLLEN> ind;
    };

    bool fetched_ok(SQLRETURN rc, std::vector<Diagnostic>& diagnostics) {
        if (rc == SQL_NO_DATA) {
            done_ = true;
            return false;
        }
        if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR)
            append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt_));
        if (!SQL_SUCCEEDED(rc)) {
            done_ = true;
            failed_ = true;
            return false;
        }
        return true;
    }

public:
    // A fetch failed: the rows handed over so far are not the whole result.
    bool failed() const { return failed_; }

private:

    static void take_bound(ColumnValues& v, Storage storage, const Buffer& b, SQLULEN r, bool error) {
        const bool null = error || b.ind[r] == SQL_NULL_DATA;
        v.nulls.push_back(null ? 1 : 0);
        if (storage == Storage::Integer)
            v.ints.push_back(null ? 0 : b.ints[r]);
        else
            v.reals.push_back(null ? 0.0 : b.reals[r]);
    }

    void read_unbound(ColumnValues& v, SQLUSMALLINT column, const ColumnInfo& info,
                      std::vector<Diagnostic>& diagnostics) {
        if (info.storage != Storage::Text) {
            SQLLEN ind = 0;
            SQLRETURN rc;
            std::int64_t i = 0;
            double d = 0;
            if (info.storage == Storage::Integer)
                rc = SQLGetData(stmt_, column, SQL_C_SBIGINT, &i, sizeof i, &ind);
            else
                rc = SQLGetData(stmt_, column, SQL_C_DOUBLE, &d, sizeof d, &ind);
            if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR)
                append(diagnostics, read_diagnostics(SQL_HANDLE_STMT, stmt_));
            const bool null = !SQL_SUCCEEDED(rc) || ind == SQL_NULL_DATA;
            v.nulls.push_back(null ? 1 : 0);
            if (info.storage == Storage::Integer)
                v.ints.push_back(null ? 0 : i);
            else
                v.reals.push_back(null ? 0.0 : d);
            return;
        }
        Value value = info.kind == ValueKind::Binary ? read_bytes(stmt_, column, diagnostics, scratch_)
                                                     : read_text(stmt_, column, diagnostics, scratch_);
        v.nulls.push_back(value ? 0 : 1);
        v.texts.push_back(value ? std::move(*value) : std::string());
    }

    SQLHSTMT stmt_;
    SQLHDBC dbc_;
    std::vector<ColumnInfo> columns_;
    std::vector<Buffer> bound_;
    std::vector<SQLUSMALLINT> status_;
    SQLULEN fetched_ = 0;
    SQLULEN array_rows_ = 1;
    bool done_ = false;
    bool failed_ = false;
    Scratch scratch_;
};

ResultSet read_result(SQLHSTMT stmt, SQLHDBC dbc, SQLSMALLINT count, std::vector<Diagnostic>& diagnostics,
                      const ColumnAdjuster& adjust) {
    Fetcher fetcher(stmt, dbc);
    fetcher.describe(count, diagnostics);
    if (adjust)
        for (auto& c : fetcher.columns()) adjust(c);
    fetcher.bind();
    ResultSet result;
    result.columns = fetcher.columns();
    std::size_t first = 0;
    for (;;) {
        RowBlock block;
        if (!fetcher.fetch(block, diagnostics)) break;
        block.first = first;
        first += block.rows;
        result.blocks.push_back(std::move(block));
    }
    fetcher.unbind();
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


Storage storage_of(ValueKind kind) {
    switch (kind) {
    case ValueKind::Integer: return Storage::Integer;
    case ValueKind::Float: return Storage::Real;
    default: return Storage::Text;
    }
}

void append_text_row(RowBlock& block, const std::vector<ColumnInfo>& columns, const Row& row) {
    if (block.columns.size() != columns.size()) block.columns.resize(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
        ColumnValues& v = block.columns[c];
        const Value* value = c < row.size() ? &row[c] : nullptr;
        const bool null = !value || !value->has_value();
        const std::string text = null ? std::string() : **value;
        std::int64_t i = 0;
        double d = 0;
        if (!null && columns[c].storage == Storage::Integer) {
            auto r = std::from_chars(text.data(), text.data() + text.size(), i);
            if (r.ec != std::errc() || r.ptr != text.data() + text.size() || text.empty())
                throw EDatabaseError("'" + text + "' is not an integer");
        } else if (!null && columns[c].storage == Storage::Real) {
            auto r = std::from_chars(text.data(), text.data() + text.size(), d);
            if (r.ec != std::errc() || r.ptr != text.data() + text.size() || text.empty())
                throw EDatabaseError("'" + text + "' is not a number");
        }
        v.nulls.push_back(null ? 1 : 0);
        switch (columns[c].storage) {
        case Storage::Integer: v.ints.push_back(i); break;
        case Storage::Real: v.reals.push_back(d); break;
        case Storage::Text: v.texts.push_back(text); break;
        }
    }
    ++block.rows;
}

std::size_t ResultSet::row_count() const {
    std::size_t n = 0;
    for (const auto& b : blocks) n += b.rows;
    return n;
}

bool BufferedRows::next_block(RowBlock& block) {
    if (next_ >= result_.blocks.size()) {
        block = RowBlock{};
        return false;
    }
    block = result_.blocks[next_++];
    return true;
}

namespace {

// A parameter's value in the form its binding reads it; kept until the
// statement is freed.
struct ParamBuffer {
    SQLLEN ind = 0;
    std::int64_t integer = 0;
    double real = 0;
    std::vector<SQLWCHAR> wide;
    SQL_DATE_STRUCT date{};
    SQL_TIME_STRUCT time{};
    SQL_TIMESTAMP_STRUCT stamp{};
};

std::vector<Diagnostic> bind_params(SQLHSTMT stmt, const std::vector<Param>& params, std::vector<ParamBuffer>& buffers) {
    buffers.assign(params.size(), ParamBuffer{});
    for (size_t i = 0; i < params.size(); ++i) {
        const Param& p = params[i];
        ParamBuffer& b = buffers[i];
        b.ind = p.null ? SQL_NULL_DATA : 0;
        SQLSMALLINT ctype = SQL_C_WCHAR, sqltype = SQL_WVARCHAR, digits = 0;
        SQLULEN size = 1;
        SQLPOINTER ptr = nullptr;
        SQLLEN length = 0;
        Word y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0, ms = 0;
        switch (p.kind) {
        case ValueKind::Integer:
        case ValueKind::Boolean:
            b.integer = p.kind == ValueKind::Boolean ? (p.integer != 0 ? 1 : 0) : p.integer;
            ctype = SQL_C_SBIGINT, sqltype = SQL_BIGINT, size = 19, ptr = &b.integer;
            break;
        case ValueKind::Float:
        case ValueKind::Decimal:
            b.real = p.real;
            ctype = SQL_C_DOUBLE, sqltype = SQL_DOUBLE, size = 15, ptr = &b.real;
            break;
        case ValueKind::Date:
            if (!p.null) DecodeDate(p.real, y, mo, d);
            b.date = {static_cast<SQLSMALLINT>(y), mo, d};
            ctype = SQL_C_TYPE_DATE, sqltype = SQL_TYPE_DATE, size = 10, ptr = &b.date;
            break;
        case ValueKind::Time:
            if (!p.null) DecodeTime(p.real, h, mi, se, ms);
            b.time = {h, mi, se};
            ctype = SQL_C_TYPE_TIME, sqltype = SQL_TYPE_TIME, size = 8, ptr = &b.time;
            break;
        case ValueKind::DateTime:
            if (!p.null) DecodeDateTime(p.real, y, mo, d, h, mi, se, ms);
            b.stamp = {static_cast<SQLSMALLINT>(y), mo, d, h, mi, se, static_cast<SQLUINTEGER>(ms) * 1000000u};
            ctype = SQL_C_TYPE_TIMESTAMP, sqltype = SQL_TYPE_TIMESTAMP, size = 23, digits = 3, ptr = &b.stamp;
            break;
        default:
            b.wide = core::utf8_to_utf16(p.null ? std::string() : p.text);
            size = std::max<SQLULEN>(1, b.wide.size());
            length = static_cast<SQLLEN>(b.wide.size() * sizeof(SQLWCHAR));
            if (!p.null) b.ind = length;
            b.wide.push_back(0);
            sqltype = size > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
            ptr = b.wide.data();
            length += sizeof(SQLWCHAR);
            break;
        }
        SQLRETURN rc = SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, ctype, sqltype, size,
                                        digits, ptr, length, &b.ind);
        if (!SQL_SUCCEEDED(rc)) {
            auto diags = read_diagnostics(SQL_HANDLE_STMT, stmt);
            mark_failure(diags, 0);
            return diags;
        }
    }
    return {};
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
    // The driver manager frees a connection's statements with it: end the cursors first.
    while (!cursors_.empty()) cursors_.back()->release();
    if (connected_) {
        SQLDisconnect(h_->dbc);
        connected_ = false;
    }
}

BatchResult OdbcConnection::execute(const std::string& sql, int query_timeout, const ColumnAdjuster& adjust) {
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
                out.results.push_back(read_result(stmt.h, h_->dbc, count, out.diagnostics, adjust));
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


// ---------------------------------------------------------------- cursors

struct OdbcConnection::Cursor::State {
    Statement stmt;
    std::unique_ptr<Fetcher> fetcher;
    std::vector<ColumnInfo> columns;
    std::vector<ParamBuffer> params;
    std::vector<Diagnostic> diagnostics;
};

OdbcConnection::Cursor::Cursor(OdbcConnection* connection) : connection_(connection), s_(std::make_unique<State>()) {}

OdbcConnection::Cursor::~Cursor() { release(); }

void OdbcConnection::Cursor::release() {
    if (s_->fetcher) {
        s_->fetcher->unbind();
        s_->fetcher.reset();
    }
    if (s_->stmt.h != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, s_->stmt.h);
        s_->stmt.h = SQL_NULL_HSTMT;
    }
    if (connection_) {
        auto& list = connection_->cursors_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        connection_ = nullptr;
    }
}

const std::vector<ColumnInfo>& OdbcConnection::Cursor::columns() const { return s_->columns; }

const std::vector<Diagnostic>& OdbcConnection::Cursor::diagnostics() const { return s_->diagnostics; }

bool OdbcConnection::Cursor::next_block(RowBlock& block) {
    if (!s_->fetcher) {
        block = RowBlock{};
        if (!connection_ && s_->stmt.h == SQL_NULL_HSTMT && !s_->columns.empty() && !finished_)
            throw OdbcError("The connection is not open.", {});
        return false;
    }
    size_t before = s_->diagnostics.size();
    bool more = s_->fetcher->fetch(block, s_->diagnostics);
    if (s_->fetcher->failed()) {
        std::vector<Diagnostic> failure(s_->diagnostics.begin() + static_cast<std::ptrdiff_t>(before),
                                        s_->diagnostics.end());
        mark_failure(failure, 0);
        std::string text = error_text(failure);
        OdbcConnection* connection = connection_;
        release();
        finished_ = true;
        if (connection && connection_dead(connection->h_->dbc)) connection->disconnect();
        throw OdbcError(text.empty() ? "Reading the rows failed." : text, std::move(failure));
    }
    if (!more) {
        // The whole result is read: the statement is of no further use.
        release();
        finished_ = true;
    }
    return more;
}

std::unique_ptr<OdbcConnection::Cursor> OdbcConnection::open_cursor(const std::string& sql,
                                                                    const std::vector<Param>& params,
                                                                    int query_timeout, const ColumnAdjuster& adjust) {
    if (!connected_) throw OdbcError("The connection is not open.", {});
    std::unique_ptr<Cursor> cursor(new Cursor(this));
    Cursor::State& st = *cursor->s_;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, h_->dbc, &st.stmt.h))) {
        auto diags = read_diagnostics(SQL_HANDLE_DBC, h_->dbc);
        throw OdbcError(diags.empty() ? "Cannot run a command on this connection." : error_text(diags), diags);
    }
    cursors_.push_back(cursor.get());
    if (query_timeout < 0 || query_timeout > kMaxTimeoutSeconds) query_timeout = 0;
    SQLSetStmtAttr(st.stmt.h, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(query_timeout)),
                   0);
    auto fail = [&](std::vector<Diagnostic> diags, const char* fallback) {
        mark_failure(diags, 0);
        std::string text = error_text(diags);
        cursor->release();
        if (connection_dead(h_->dbc)) disconnect();
        throw OdbcError(text.empty() ? fallback : text, std::move(diags));
    };
    if (auto diags = bind_params(st.stmt.h, params, st.params); !diags.empty())
        fail(std::move(diags), "A parameter cannot be bound.");
    std::vector<SQLWCHAR> wide = to_wide(sql);
    SQLRETURN rc = SQLExecDirectW(st.stmt.h, wide.data(), static_cast<SQLINTEGER>(wide.size() - 1));
    for (;;) {
        if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR) {
            auto diags = read_diagnostics(SQL_HANDLE_STMT, st.stmt.h);
            if (rc == SQL_ERROR) fail(std::move(diags), "The command failed.");
            append(st.diagnostics, std::move(diags));
        }
        if (!SQL_SUCCEEDED(rc)) break;
        SQLSMALLINT count = 0;
        if (SQL_SUCCEEDED(SQLNumResultCols(st.stmt.h, &count)) && count > 0) {
            st.fetcher = std::make_unique<Fetcher>(st.stmt.h, h_->dbc);
            st.fetcher->describe(count, st.diagnostics);
            if (adjust)
                for (auto& c : st.fetcher->columns()) adjust(c);
            st.fetcher->bind();
            st.columns = st.fetcher->columns();
            return cursor;
        }
        rc = SQLMoreResults(st.stmt.h);
    }
    cursor->release();
    throw EDatabaseError("the command returned no result set");
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
