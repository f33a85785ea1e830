#include "platform/data/Sqlite.h"

#include <sqlite3.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/core/DateUtils.h"
#include "platform/data/DBTables.h"

namespace data {

namespace {

// Rows a block holds, as for the ODBC cursors.
constexpr std::size_t kBlockRows = 512;

struct TypeRow {
    const char* name;  // the declared type without its size, upper case
    ValueKind kind;
    int sql_type;
    std::size_t size;  // 0: the declared size, else 255
    bool long_data;
};

// How the SQLite ODBC driver describes declared types; anything else is text of 255.
constexpr TypeRow kTypes[] = {
    {"INTEGER", ValueKind::Integer, 4, 10, false},
    {"INT", ValueKind::Integer, 4, 10, false},
    {"INT8", ValueKind::Integer, 4, 10, false},
    {"BIGINT", ValueKind::Integer, -5, 20, false},
    {"SMALLINT", ValueKind::Integer, 5, 6, false},
    {"TINYINT", ValueKind::Integer, -6, 4, false},
    {"REAL", ValueKind::Float, 8, 54, false},
    {"FLOAT", ValueKind::Float, 8, 54, false},
    {"DOUBLE", ValueKind::Float, 8, 54, false},
    {"DOUBLE PRECISION", ValueKind::Float, 8, 54, false},
    {"NUMERIC", ValueKind::Float, 8, 54, false},
    {"TEXT", ValueKind::Text, -1, 65536, true},
    {"LONGVARCHAR", ValueKind::Text, -1, 65536, true},
    {"VARCHAR", ValueKind::Text, 12, 0, false},
    {"NVARCHAR", ValueKind::Text, 12, 0, false},
    {"CHAR", ValueKind::Text, 12, 0, false},
    {"DECIMAL", ValueKind::Text, 12, 0, false},
    {"BOOLEAN", ValueKind::Boolean, -7, 1, false},
    {"BIT", ValueKind::Boolean, -7, 1, false},
    {"DATE", ValueKind::Date, 91, 10, false},
    {"TIME", ValueKind::Time, 92, 8, false},
    {"DATETIME", ValueKind::DateTime, 93, 32, false},
    {"TIMESTAMP", ValueKind::DateTime, 93, 32, false},
    {"BLOB", ValueKind::Binary, -4, 255, true},
    {"VARBINARY", ValueKind::Binary, -3, 0, false},
};

std::string error_of(sqlite3* db) { return db ? sqlite3_errmsg(db) : "out of memory"; }

class Cursor : public RowSource {
public:
    Cursor(sqlite3_stmt* stmt, std::vector<ColumnInfo> columns) : stmt_(stmt), columns_(std::move(columns)) {}
    ~Cursor() override { sqlite3_finalize(stmt_); }
    const std::vector<ColumnInfo>& columns() const override { return columns_; }

    bool next_block(RowBlock& block) override {
        const std::size_t n = columns_.size();
        block.rows = 0;
        block.columns.assign(n, ColumnValues{});
        if (done_) return false;
        while (block.rows < kBlockRows) {
            int rc = sqlite3_step(stmt_);
            if (rc == SQLITE_DONE) {
                done_ = true;
                break;
            }
            if (rc != SQLITE_ROW) {
                done_ = true;
                throw EDatabaseError(error_of(sqlite3_db_handle(stmt_)));
            }
            for (std::size_t c = 0; c < n; ++c) take(block.columns[c], columns_[c], static_cast<int>(c));
            ++block.rows;
        }
        return block.rows > 0;
    }

private:
    void take(ColumnValues& v, const ColumnInfo& info, int c) {
        const int type = sqlite3_column_type(stmt_, c);
        bool null = type == SQLITE_NULL;
        if (info.storage != Storage::Text) {
            // Text in a numeric column counts when it is a number, else it reads
            // as NULL (as the driver has it), never as a made-up 0.
            std::int64_t i = 0;
            double d = 0;
            if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
                const char* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
                std::string text = p ? p : "";
                while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
                size_t start = 0;
                while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
                const char* b = text.data() + start;
                const char* e = text.data() + text.size();
                if (b != e && *b == '+') ++b;
                bool ok = false;
                if (info.storage == Storage::Integer) {
                    auto r = std::from_chars(b, e, i);
                    ok = r.ec == std::errc() && r.ptr == e && b != e;
                    if (!ok) {
                        auto rd = std::from_chars(b, e, d);
                        ok = rd.ec == std::errc() && rd.ptr == e && b != e && std::fabs(d) < 9.2e18;
                        i = static_cast<std::int64_t>(d);
                    }
                } else {
                    auto r = std::from_chars(b, e, d);
                    ok = r.ec == std::errc() && r.ptr == e && b != e;
                }
                null = !ok;
            } else if (!null) {
                i = sqlite3_column_int64(stmt_, c);
                d = sqlite3_column_double(stmt_, c);
            }
            v.nulls.push_back(null ? 1 : 0);
            if (info.storage == Storage::Integer)
                v.ints.push_back(null ? 0 : i);
            else
                v.reals.push_back(null ? 0.0 : d);
            return;
        }
        v.nulls.push_back(null ? 1 : 0);
        if (null) {
            v.texts.emplace_back();
        } else if (info.kind == ValueKind::Binary) {
            const void* p = sqlite3_column_blob(stmt_, c);
            v.texts.emplace_back(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, c)));
        } else {
            const unsigned char* p = sqlite3_column_text(stmt_, c);
            v.texts.emplace_back(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, c)));
        }
    }

    sqlite3_stmt* stmt_;
    std::vector<ColumnInfo> columns_;
    bool done_ = false;
};

std::string two_digits(unsigned a, unsigned b, unsigned c, char sep) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02u%c%02u%c%02u", a, sep, b, sep, c);
    return buf;
}

// Dates and times bound as the text SQLite's date functions read.
std::string date_param(TDateTime v) {
    Word y = 0, m = 0, d = 0;
    DecodeDate(v, y, m, d);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", unsigned(y), unsigned(m), unsigned(d));
    return buf;
}

std::string time_param(TDateTime v, bool with_msec) {
    Word h = 0, mi = 0, s = 0, ms = 0;
    DecodeTime(v, h, mi, s, ms);
    std::string out = two_digits(h, mi, s, ':');
    if (with_msec && ms) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ".%03u", unsigned(ms));
        out += buf;
    }
    return out;
}

void bind(sqlite3_stmt* stmt, int index, const Param& p) {
    int rc = SQLITE_OK;
    if (p.null) {
        rc = sqlite3_bind_null(stmt, index);
    } else {
        switch (p.kind) {
        case ValueKind::Integer:
        case ValueKind::Boolean: rc = sqlite3_bind_int64(stmt, index, p.integer); break;
        case ValueKind::Float:
        case ValueKind::Decimal: rc = sqlite3_bind_double(stmt, index, p.real); break;
        case ValueKind::Date: rc = sqlite3_bind_text(stmt, index, date_param(p.real).c_str(), -1, SQLITE_TRANSIENT); break;
        case ValueKind::Time:
            rc = sqlite3_bind_text(stmt, index, time_param(p.real, false).c_str(), -1, SQLITE_TRANSIENT);
            break;
        case ValueKind::DateTime:
            rc = sqlite3_bind_text(stmt, index, (date_param(p.real) + " " + time_param(p.real, true)).c_str(), -1,
                                   SQLITE_TRANSIENT);
            break;
        default:
            rc = sqlite3_bind_text(stmt, index, p.text.data(), static_cast<int>(p.text.size()), SQLITE_TRANSIENT);
            break;
        }
    }
    if (rc != SQLITE_OK) throw EDatabaseError(error_of(sqlite3_db_handle(stmt)));
}

// True when nothing but blanks and comments is left of a statement text.
bool only_blanks(const char* tail) {
    while (*tail) {
        if (std::isspace(static_cast<unsigned char>(*tail))) {
            ++tail;
        } else if (tail[0] == '-' && tail[1] == '-') {
            while (*tail && *tail != '\n') ++tail;
        } else if (tail[0] == '/' && tail[1] == '*') {
            tail += 2;
            while (*tail && !(tail[0] == '*' && tail[1] == '/')) ++tail;
            if (*tail) tail += 2;
        } else if (*tail == ';') {
            ++tail;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

ColumnInfo sqlite_column(const std::string& name, const std::string& declared_type) {
    std::string type;
    for (char c : declared_type) type += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::size_t size = 0;
    auto paren = type.find('(');
    if (paren != std::string::npos) {
        for (std::size_t i = paren + 1; i < type.size() && std::isdigit(static_cast<unsigned char>(type[i])); ++i)
            size = size * 10 + static_cast<std::size_t>(type[i] - '0');
        type.erase(paren);
    }
    while (!type.empty() && std::isspace(static_cast<unsigned char>(type.back()))) type.pop_back();
    while (!type.empty() && std::isspace(static_cast<unsigned char>(type.front()))) type.erase(0, 1);
    ColumnInfo c;
    c.name = name;
    c.kind = ValueKind::Text;
    c.sql_type = 12;
    c.size = 255;
    for (const auto& row : kTypes) {
        if (type != row.name) continue;
        c.kind = row.kind;
        c.sql_type = row.sql_type;
        c.size = row.size ? row.size : (size ? size : 255);
        c.long_data = row.long_data;
        break;
    }
    c.storage = storage_of(c.kind);
    return c;
}

SqliteDatabase::~SqliteDatabase() { close(); }

void SqliteDatabase::open(const std::string& path, bool read_only) {
    close();
    check_database_file(path);
    int flags = (read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = error_of(db);
        sqlite3_close_v2(db);
        throw EDatabaseError(text);
    }
    sqlite3_busy_timeout(db, 15000);
    db_ = db;
}

void SqliteDatabase::close() {
    // A connection with statements still open is closed when the last one ends.
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

std::unique_ptr<RowSource> SqliteDatabase::open_cursor(const std::string& sql, const std::vector<Param>& params,
                                                       const ColumnAdjuster& adjust) {
    if (!db_) throw EDatabaseError("The connection is not open.");
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
    if (rc != SQLITE_OK) throw EDatabaseError(error_of(db_));
    struct Guard {
        sqlite3_stmt*& s;
        ~Guard() {
            if (s) sqlite3_finalize(s);
        }
    } guard{stmt};
    if (!stmt) throw EDatabaseError("the command returned no result set");
    if (tail && !only_blanks(tail)) throw EDatabaseError("only one SQL statement allowed");
    // Datasets read: a statement that would write (a DELETE ... RETURNING,
    // a PRAGMA that sets something) never runs, read-only file or not.
    if (!sqlite3_stmt_readonly(stmt)) throw EDatabaseError("the command would change the database");
    const int count = sqlite3_column_count(stmt);
    if (count == 0) throw EDatabaseError("the command returned no result set");
    if (static_cast<int>(params.size()) != sqlite3_bind_parameter_count(stmt))
        throw EDatabaseError("the command has " + std::to_string(sqlite3_bind_parameter_count(stmt)) +
                             " parameter markers for " + std::to_string(params.size()) + " values");
    for (std::size_t i = 0; i < params.size(); ++i) bind(stmt, static_cast<int>(i + 1), params[i]);
    std::vector<ColumnInfo> columns;
    for (int c = 0; c < count; ++c) {
        const char* name = sqlite3_column_name(stmt, c);
        const char* declared = sqlite3_column_decltype(stmt, c);
        ColumnInfo info = sqlite_column(name ? name : "", declared ? declared : "");
        if (adjust) adjust(info);
        columns.push_back(std::move(info));
    }
    auto cursor = std::make_unique<Cursor>(stmt, std::move(columns));
    stmt = nullptr;
    return cursor;
}

}  // namespace data
