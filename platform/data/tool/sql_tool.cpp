// sql-tool: runs one command text over a connection and prints its rows.
//
//   sql-tool --connect "Data Source=host,port;Initial Catalog=db;User ID=u;Password=p"
//            (--query "SQL" | --file FILE) [--login-timeout S] [--timeout S] [--messages]
//
// The connection string is of the SQL Server kind or an ODBC one
// ("DRIVER=SQLite3;Database=file.db"). Prints a header line with the column
// names, then one line per row, values separated by tabs, NULL as "NULL".
// --messages prints the server's messages on stderr. Errors go to stderr, exit 1.
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/data/ADODB.h"
#include "platform/os/Files.h"
#include "platform/os/StandardOutput.h"
#include "platform/os/ToolOptions.h"

namespace {

const char* const kUsage =
    "usage: sql-tool --connect STRING (--query SQL | --file FILE) [--login-timeout S] [--timeout S] [--messages]\n";

int usage() { return os::usage_error("sql-tool", kUsage, std::cerr); }

int run(int argc, char** argv) {
    if (auto answered = os::answer_help_or_version("sql-tool", std::vector<std::string>(argv + 1, argv + argc), kUsage,
                                                   std::cout))
        return *answered;
    std::string connect, sql;
    bool have_sql = false, messages = false;
    int login_timeout = 15, timeout = 30;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--messages") {
            messages = true;
        } else if ((a == "--connect") && (v = next())) {
            connect = v;
        } else if (a == "--query" && (v = next())) {
            sql = v;
            have_sql = true;
        } else if (a == "--file" && (v = next())) {
            if (const int error = os::read_open_error(v)) {
                std::cerr << os::file_error_line("sql-tool", v, error) << "\n";
                return 1;
            }
            sql = os::read_file(v);
            have_sql = true;
        } else if (a == "--login-timeout" && (v = next())) {
            login_timeout = std::atoi(v);
        } else if (a == "--timeout" && (v = next())) {
            timeout = std::atoi(v);
        } else {
            return usage();
        }
    }
    if (connect.empty() || !have_sql) return usage();

    TADOConnection connection(nullptr);
    TADOQuery query(nullptr);
    connection.SetLoginPrompt(false);
    connection.SetConnectionTimeout(login_timeout);
    connection.SetConnectionString(connect);
    query.SetConnection(&connection);
    query.SetCommandTimeout(timeout);
    query.SQL()->SetText(sql);
    try {
        query.Open();
    } catch (const data::OdbcError& e) {
        if (messages)
            for (const auto& m : e.Diagnostics()) std::cerr << m.text << "\n";
        std::cerr << os::error_line("sql-tool", e.Message()) << "\n";
        return 1;
    } catch (const Exception& e) {
        std::cerr << os::error_line("sql-tool", e.Message()) << "\n";
        return 1;
    }
    if (messages)
        for (const auto& m : query.Messages()) std::cerr << m.text << "\n";
    for (int c = 0; c < query.FieldCount(); ++c) std::cout << (c ? "\t" : "") << query.Fields()[c].FieldName();
    std::cout << "\n";
    for (query.First(); !query.Eof(); query.Next()) {
        for (int c = 0; c < query.FieldCount(); ++c) {
            const TField& f = query.Fields()[c];
            std::cout << (c ? "\t" : "") << (f.IsNull() ? "NULL" : f.AsString());
        }
        std::cout << "\n";
    }
    query.Close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return os::finish_standard_output("sql-tool", run(argc, argv)); }
