#pragma once
// Connection strings: the key=value form of the backup job's settings,
// translated for the ODBC driver manager.

#include <string>
#include <utility>
#include <vector>

namespace data {

// Pairs of a "key=value;..." text in order. Keys and unquoted values are trimmed;
// values may be quoted with "...", '...' (a doubled quote inside) or {...} ("}}" inside).
std::vector<std::pair<std::string, std::string>> parse_connection_string(const std::string& text);

// The ODBC connection string for a connection string of either kind:
// - with DRIVER= or DSN=, an ODBC string already; a driver given by its usual
//   name (FreeTDS, SQLite3) is pointed at the driver library found on this machine;
// - otherwise a SQL Server string (Provider, Data Source, Initial Catalog, User ID,
//   Password), for the FreeTDS driver with TDS 7.4 and UTF-8 text.
// Raises EDatabaseError for a provider other than SQL Server's; the text of the
// string never appears in an error.
std::string odbc_connection_string(const std::string& connection_string);

// A value as an ODBC connection string carries it: in braces when it holds ';',
// begins with '{' or has blanks at either end. A value that needs braces and
// holds '}' cannot be passed (the drivers know no escape): EDatabaseError.
std::string odbc_quote(const std::string& value);

}  // namespace data
