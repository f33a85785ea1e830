#include "platform/data/ConnectionString.h"

#include <algorithm>

#include "platform/data/DBErrors.h"
#include "platform/data/Odbc.h"

namespace data {

namespace {

std::string trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    auto b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return {};
    auto e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool starts_with_nocase(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && lower(s.substr(0, prefix.size())) == lower(prefix);
}

const std::string* find_key(const std::vector<std::pair<std::string, std::string>>& pairs,
                            std::initializer_list<const char*> names) {
    // The last occurrence of a key wins, as with the providers.
    const std::string* found = nullptr;
    for (const auto& [key, value] : pairs)
        for (const char* name : names)
            if (lower(key) == name) found = &value;
    return found;
}

// Known drivers by the names they are usually registered under.
std::string resolve_driver(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    std::string n = lower(name);
    const char* library = nullptr;
    if (n == "freetds" || n == "tds" || n == "tdsodbc")
        library = "libtdsodbc.so";
    else if (n == "sqlite3" || n == "sqlite" || n == "sqlite3 odbc driver")
        library = "libsqlite3odbc.so";
    if (!library) return name;
    std::string path = find_driver(library);
    return path.empty() ? name : path;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> parse_connection_string(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    size_t i = 0;
    while (i < text.size()) {
        size_t eq = text.find_first_of("=;", i);
        if (eq == std::string::npos || text[eq] == ';') {
            // A piece without '=' carries nothing.
            i = eq == std::string::npos ? text.size() : eq + 1;
            continue;
        }
        std::string key = trim(text.substr(i, eq - i));
        size_t p = eq + 1;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
        std::string value;
        if (p < text.size() && (text[p] == '"' || text[p] == '\'' || text[p] == '{')) {
            char open = text[p];
            char close = open == '{' ? '}' : open;
            ++p;
            while (p < text.size()) {
                if (text[p] == close) {
                    if (p + 1 < text.size() && text[p + 1] == close) {
                        value += close;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                value += text[p++];
            }
            size_t semi = text.find(';', p);
            i = semi == std::string::npos ? text.size() : semi + 1;
        } else {
            size_t semi = text.find(';', p);
            size_t end = semi == std::string::npos ? text.size() : semi;
            value = trim(text.substr(p, end - p));
            i = semi == std::string::npos ? text.size() : semi + 1;
        }
        if (!key.empty()) out.emplace_back(key, value);
    }
    return out;
}

std::string odbc_quote(const std::string& value) {
    bool needs = value.find(';') != std::string::npos ||
                 (!value.empty() && (value.front() == ' ' || value.back() == ' ' || value.front() == '{'));
    if (!needs) return value;
    // The drivers end a braced value at its first '}' and know no escape for it.
    if (value.find('}') != std::string::npos)
        throw EDatabaseError("A value of the connection string holds both ';' and '}', which the driver cannot take.");
    return "{" + value + "}";
}

std::string odbc_connection_string(const std::string& connection_string) {
    auto pairs = parse_connection_string(connection_string);

    if (find_key(pairs, {"driver"}) || find_key(pairs, {"dsn"}) || find_key(pairs, {"filedsn"})) {
        std::string out;
        for (const auto& [key, value] : pairs) {
            std::string v = lower(key) == "driver" ? resolve_driver(value) : value;
            out += key + "=" + odbc_quote(v) + ";";
        }
        return out;
    }

    if (const std::string* provider = find_key(pairs, {"provider"})) {
        std::string p = lower(*provider);
        bool sql_server = p.empty() || starts_with_nocase(p, "sqloledb") || starts_with_nocase(p, "sqlncli") ||
                          starts_with_nocase(p, "msoledbsql");
        if (!sql_server) throw EDatabaseError("Provider cannot be found. It may not be properly installed.");
    }

    std::string server;
    if (const std::string* ds = find_key(pairs, {"data source", "server", "address", "addr", "network address"}))
        server = *ds;
    if (starts_with_nocase(server, "tcp:")) server = trim(server.substr(4));
    std::string host = server, instance, port;
    if (auto comma = host.find(','); comma != std::string::npos) {
        port = trim(host.substr(comma + 1));
        host = trim(host.substr(0, comma));
    }
    if (auto slash = host.find('\\'); slash != std::string::npos) {
        instance = trim(host.substr(slash + 1));
        host = trim(host.substr(0, slash));
    }
    if (host == "." || lower(host) == "(local)") host = "127.0.0.1";

    std::string driver = find_driver("libtdsodbc.so");
    std::string out = "DRIVER=" + odbc_quote(driver.empty() ? "FreeTDS" : driver) + ";";
    // A port, when given, wins over an instance name (as with the SQL Server clients).
    if (!instance.empty() && port.empty())
        out += "Server=" + odbc_quote(host + "\\" + instance) + ";";
    else
        out += "Server=" + odbc_quote(host) + ";";
    if (!port.empty()) out += "Port=" + odbc_quote(port) + ";";
    if (const std::string* db = find_key(pairs, {"initial catalog", "database"}))
        out += "Database=" + odbc_quote(*db) + ";";
    if (const std::string* uid = find_key(pairs, {"user id", "uid", "user"}))
        out += "UID=" + odbc_quote(*uid) + ";";
    if (const std::string* pwd = find_key(pairs, {"password", "pwd"}))
        out += "PWD=" + odbc_quote(*pwd) + ";";
    out += "TDS_Version=7.4;ClientCharset=UTF-8;";
    return out;
}

}  // namespace data
