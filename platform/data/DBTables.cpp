#include "platform/data/DBTables.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "platform/core/ClassBuilder.h"
#include "platform/data/ConnectionString.h"

namespace data {

namespace {

bool ident_start(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool ident_char(char c) { return ident_start(c) || (c >= '0' && c <= '9'); }

}  // namespace

std::string sql_without_markers(const std::string& sql, std::vector<std::string>& names) {
    names.clear();
    std::string out;
    out.reserve(sql.size());
    size_t i = 0;
    const size_t n = sql.size();
    // Copies a quoted run up to its closing `close` (a doubled one stays inside).
    auto copy_quoted = [&](char close) {
        out += sql[i++];
        while (i < n) {
            char c = sql[i++];
            out += c;
            if (c == close) {
                if (i < n && sql[i] == close) {
                    out += sql[i++];
                    continue;
                }
                return;
            }
        }
    };
    while (i < n) {
        char c = sql[i];
        if (c == '\'' || c == '"') {
            copy_quoted(c);
        } else if (c == '[') {
            copy_quoted(']');
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            size_t end = sql.find('\n', i);
            end = end == std::string::npos ? n : end;
            out.append(sql, i, end - i);
            i = end;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            size_t end = sql.find("*/", i + 2);
            end = end == std::string::npos ? n : end + 2;
            out.append(sql, i, end - i);
            i = end;
        } else if (c == ':' && i + 1 < n && sql[i + 1] == ':') {
            out += "::";
            i += 2;
        } else if (c == ':' && i + 1 < n && ident_start(sql[i + 1])) {
            size_t start = ++i;
            while (i < n && ident_char(sql[i])) ++i;
            names.push_back(sql.substr(start, i - start));
            out += '?';
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::string sqlite_read_only_uri(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?mode=ro";
}

bool is_connection_string(const std::string& database_name) {
    std::size_t start = database_name.find_first_not_of(" \t");
    if (start == std::string::npos) return false;
    std::size_t eq = database_name.find('=', start);
    if (eq == std::string::npos) return false;
    std::string key = database_name.substr(start, eq - start);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* k : {"driver", "dsn", "filedsn", "provider", "data source", "server"})
        if (key == k) return true;
    return false;
}

void check_database_file(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) throw EDatabaseError("no such database: " + path);
    // A FIFO or a device would hold the open for ever, a folder is no database.
    if (!S_ISREG(st.st_mode)) throw EDatabaseError(path + " is not a database file");
}

std::string read_only_command_problem(const std::string& sql) {
    static const char* const kWriting[] = {
        "insert",  "update",   "delete",   "replace", "merge",   "into",     "create",     "drop",
        "alter",   "truncate", "exec",     "execute", "grant",   "revoke",   "deny",       "attach",
        "detach",  "vacuum",   "reindex",  "pragma",  "begin",   "commit",   "rollback",   "savepoint",
        "release", "backup",   "restore",  "dbcc",    "declare", "set",      "use",        "openrowset",
        "opendatasource", "openquery", "shutdown", "kill", "reconfigure", "bulk", "writetext", "updatetext"};
    const std::string not_read = "the command would change the database";
    std::vector<std::string> words;
    bool after_end = false;  // a ';' ended the first statement
    const std::size_t n = sql.size();
    std::size_t i = 0;
    auto skip_quoted = [&](char close) {
        ++i;
        while (i < n) {
            if (sql[i++] == close) {
                if (i < n && sql[i] == close) {
                    ++i;
                    continue;
                }
                return;
            }
        }
    };
    while (i < n) {
        const char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            std::size_t end = sql.find('\n', i);
            i = end == std::string::npos ? n : end;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            std::size_t end = sql.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
        } else if (c == ';') {
            after_end = true;
            ++i;
        } else if (after_end) {
            return "only one SQL statement allowed";
        } else if (c == '\'' || c == '"' || c == '`') {
            skip_quoted(c);
            words.emplace_back();
        } else if (c == '[') {
            skip_quoted(']');
            words.emplace_back();
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#') {
            std::size_t start = i;
            while (i < n && (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_' || sql[i] == '@' ||
                             sql[i] == '#' || sql[i] == '$'))
                ++i;
            std::string w = sql.substr(start, i - start);
            for (char& ch : w) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            words.push_back(std::move(w));
        } else {
            ++i;
        }
    }
    if (words.empty()) return "the command is empty";
    if (words[0] != "select" && words[0] != "with" && words[0] != "values") return not_read;
    for (const auto& w : words)
        if (std::find(std::begin(kWriting), std::end(kWriting), w) != std::end(kWriting)) return not_read;
    return {};
}

std::string database_connection_string(const std::string& database_name, bool read_only) {
    if (!read_only) return odbc_connection_string(database_name);
    // The SQLite driver opens a file named in SQLite's URI form with
    // mode=ro read-only: every change fails.
    auto pairs = parse_connection_string(database_name);
    bool sqlite = false;
    for (const auto& [key, value] : pairs) {
        std::string k, v;
        for (char c : key) k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char c : value) v += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        sqlite |= k == "driver" && v.find("sqlite") != std::string::npos;
    }
    if (!sqlite) return odbc_connection_string(database_name);
    std::string out;
    for (const auto& [key, value] : pairs) {
        std::string k;
        for (char c : key) k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string v = value;
        if (k == "database" && v.rfind("file:", 0) != 0) v = sqlite_read_only_uri(value);
        out += key + "=" + odbc_quote(v) + ";";
    }
    return odbc_connection_string(out);
}

}  // namespace data

// ---------------------------------------------------------------- TDBDataSet

TDBDataSet::TDBDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TDBDataSet::~TDBDataSet() { Close(); }

TClass TDBDataSet::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TDBDataSet, TDataSet>("TDBDataSet")
                                       .String("DatabaseName", &TDBDataSet::DatabaseName, &TDBDataSet::SetDatabaseName)
                                       .Abstract()
                                       .Build();
    return &info;
}

TClass TDBDataSet::ClassType() const { return StaticClass(); }

void TDBDataSet::SetDatabaseName(const std::string& name) {
    if (name == database_name_) return;
    Close();
    odbc_.disconnect();
    sqlite_.close();
    database_name_ = name;
}

void TDBDataSet::SetReadOnlyDatabase(bool value) {
    if (value == read_only_) return;
    Close();
    odbc_.disconnect();
    sqlite_.close();
    read_only_ = value;
}

bool TDBDataSet::is_sqlite_file() const { return !data::is_connection_string(database_name_); }

void TDBDataSet::open_file(data::SqliteDatabase& database) const {
    if (database_name_.empty()) throw EDatabaseError(error_text("no database name"));
    try {
        database.open(database_name_, read_only_);
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(error_text(e.Message()));
    }
}

void TDBDataSet::connect(data::OdbcConnection& connection) const {
    try {
        connection.connect(data::database_connection_string(database_name_, read_only_), 15);
    } catch (const data::OdbcError& e) {
        throw data::OdbcError(error_text(e.Message()), e.Diagnostics());
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(error_text(e.Message()));
    }
}

std::unique_ptr<data::RowSource> TDBDataSet::OpenCursor(const data::ColumnAdjuster& adjust) {
    std::vector<data::Param> params = Bindings();
    std::string command = Command();
    if (is_sqlite_file()) {
        if (!sqlite_.is_open()) open_file(sqlite_);
        try {
            return sqlite_.open_cursor(command, params, adjust);
        } catch (const EDatabaseError& e) {
            throw EDatabaseError(error_text(e.Message()));
        }
    }
    if (std::string problem = data::read_only_command_problem(command); !problem.empty())
        throw EDatabaseError(error_text(problem));
    if (!odbc_.connected()) connect(odbc_);
    try {
        return odbc_.open_cursor(command, params, 0, adjust);
    } catch (const data::OdbcError& e) {
        throw data::OdbcError(error_text(e.Message()), e.Diagnostics());
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(error_text(e.Message()));
    }
}

std::size_t TDBDataSet::CountRecords() {
    std::string command = Command();
    while (!command.empty() && (command.back() == ';' || std::isspace(static_cast<unsigned char>(command.back()))))
        command.pop_back();
    try {
        const std::string sql = "SELECT COUNT(*) FROM (" + command + "\n) counted_rows";
        const data::ColumnAdjuster as_integer = [](data::ColumnInfo& c) {
            c.kind = data::ValueKind::Integer;
            c.storage = data::Storage::Integer;
        };
        data::OdbcConnection counter;
        data::SqliteDatabase file;
        std::unique_ptr<data::RowSource> cursor;
        if (is_sqlite_file()) {
            open_file(file);
            cursor = file.open_cursor(sql, Bindings(), as_integer);
        } else {
            connect(counter);
            cursor = counter.open_cursor(sql, Bindings(), 0, as_integer);
        }
        data::RowBlock block;
        if (cursor->next_block(block) && block.rows == 1 && block.columns.size() == 1 &&
            cursor->columns()[0].storage == data::Storage::Integer && !block.columns[0].nulls[0])
            return static_cast<std::size_t>(block.columns[0].ints[0]);
    } catch (const EDatabaseError&) {
        // Not a command the database can count over: count its rows.
    }
    return TDataSet::CountRecords();
}

// ---------------------------------------------------------------- TQuery

TQuery::TQuery(TComponent* AOwner)
    : TDBDataSet(AOwner), sql_(std::make_unique<TStringList>()), params_(std::make_unique<TParams>()) {
    sql_->OnChange = [this](TObject*) {
        Close();
        sync();
    };
}

TQuery::~TQuery() {
    Close();
    sql_->OnChange.Clear();
}

TClass TQuery::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TQuery, TDBDataSet>("TQuery")
            .Strings("FieldKinds", &TQuery::FieldKinds, &TQuery::SetFieldKinds)
            .Strings("SQL", &TQuery::SQL, &TQuery::SetSQL)
            .Collection("Params", &TQuery::Params, &TQuery::SetParams)
            .Bool("UniDirectional", &TQuery::UniDirectional, &TQuery::SetUniDirectional)
            .Build();
    return &info;
}

TClass TQuery::ClassType() const { return StaticClass(); }

TParams* TQuery::Params() const {
    sync();
    return params_.get();
}

void TQuery::sync() const {
    std::string text = sql_->Text();
    if (text == parsed_) return;
    parsed_ = text;
    command_ = data::sql_without_markers(text, marks_);
    // The parameters in order of first appearance; those already there keep
    // their type and value.
    TParams fresh;
    for (const auto& name : marks_) {
        if (fresh.FindParam(name)) continue;
        TParam* p = fresh.AddParam(name);
        if (TParam* old = params_->FindParam(name)) p->Assign(old);
    }
    params_->Assign(&fresh);
}

std::string TQuery::Command() const {
    sync();
    return command_;
}

std::vector<data::Param> TQuery::Bindings() const {
    sync();
    std::vector<data::Param> out;
    out.reserve(marks_.size());
    for (const auto& name : marks_) {
        TParam* p = params_->FindParam(name);
        if (!p) throw EDatabaseError(error_text("Parameter '" + name + "' not found"));
        try {
            out.push_back(p->ToBinding());
        } catch (const EDatabaseError& e) {
            throw EDatabaseError(error_text(e.Message()));
        }
    }
    return out;
}

// ---------------------------------------------------------------- TTable

TTable::TTable(TComponent* AOwner) : TDBDataSet(AOwner) {}

TClass TTable::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TTable, TDBDataSet>("TTable")
                                       .Strings("FieldKinds", &TTable::FieldKinds, &TTable::SetFieldKinds)
                                       .String("TableName", &TTable::TableName, &TTable::SetTableName)
                                       .Build();
    return &info;
}

TClass TTable::ClassType() const { return StaticClass(); }

void TTable::SetTableName(const std::string& name) {
    if (name == table_name_) return;
    Close();
    table_name_ = name;
}

std::string TTable::Command() const {
    if (table_name_.empty()) throw EDatabaseError(error_text("no table name"));
    // Each part of the name quoted, a quote inside doubled: the name is never SQL.
    std::string quoted;
    size_t start = 0;
    for (;;) {
        size_t dot = table_name_.find('.', start);
        std::string part = table_name_.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty()) throw EDatabaseError(error_text("'" + table_name_ + "' is not a table name"));
        std::string q = "\"";
        for (char c : part) q += c == '"' ? std::string("\"\"") : std::string(1, c);
        quoted += (quoted.empty() ? "" : ".") + q + "\"";
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return "SELECT * FROM " + quoted;
}
