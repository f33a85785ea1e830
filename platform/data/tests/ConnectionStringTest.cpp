// Translation of connection strings for the ODBC driver manager.
#include <gtest/gtest.h>

#include "platform/data/ConnectionString.h"
#include "platform/data/DBErrors.h"
#include "platform/data/Odbc.h"

using data::odbc_connection_string;

namespace {

std::string tds_driver() {
    std::string path = data::find_driver("libtdsodbc.so");
    return path.empty() ? "FreeTDS" : path;
}

}  // namespace

TEST(ConnectionString, SqlServerStringsBecomeFreeTdsStrings) {
    const std::string tail = "TDS_Version=7.4;ClientCharset=UTF-8;";
    const std::string head = "DRIVER=" + tds_driver() + ";";
    struct Case {
        std::string ado, odbc;
    };
    const Case cases[] = {
        // The backup job's own string: blanks round "=" and no ";" after the password.
        {"Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=SRV01;Initial Catalog=Loja;"
         "User ID = BKP;Password=Hq4Zp7Wm3c519",
         "Server=SRV01;Database=Loja;UID=BKP;PWD=Hq4Zp7Wm3c519;"},
        {"Data Source=db.example.com,1500;Initial Catalog=Loja", "Server=db.example.com;Port=1500;Database=Loja;"},
        {"Data Source=SRV01\\SQLEXPRESS;Initial Catalog=Loja", "Server=SRV01\\SQLEXPRESS;Database=Loja;"},
        {"Data Source=SRV01\\SQLEXPRESS,1500", "Server=SRV01;Port=1500;"},
        {"Data Source=tcp:10.0.0.5,1433", "Server=10.0.0.5;Port=1433;"},
        {"Data Source=(local);Initial Catalog=Loja", "Server=127.0.0.1;Database=Loja;"},
        {"Data Source=.", "Server=127.0.0.1;"},
        {"Data Source=", "Server=;"},
        {"Server=SRV;Database=Loja;UID=u;PWD=p", "Server=SRV;Database=Loja;UID=u;PWD=p;"},
        // Values that the ODBC form must brace: ';', braces, blanks at the ends.
        {"Data Source=SRV;Password=\"a;b\"", "Server=SRV;PWD={a;b};"},
        {"Data Source=SRV;Password='it''s'", "Server=SRV;PWD=it's;"},
        {"Data Source=SRV;Password={x}}y}", "Server=SRV;PWD=x}y;"},
        {"Data Source=SRV;Initial Catalog=\" Loja \"", "Server=SRV;Database={ Loja };"},
        // Keys without regard to case; the last one given wins.
        {"data source=A;DATA SOURCE=B", "Server=B;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(odbc_connection_string(c.ado), head + c.odbc + tail) << c.ado;
}

TEST(ConnectionString, OdbcStringsPassWithTheDriverFound) {
    std::string sqlite = data::find_driver("libsqlite3odbc.so");
    ASSERT_FALSE(sqlite.empty()) << "the SQLite ODBC driver is not installed";
    EXPECT_EQ(odbc_connection_string("DRIVER=SQLite3;Database=/tmp/a b.db"),
              "DRIVER=" + sqlite + ";Database=/tmp/a b.db;");
    EXPECT_EQ(odbc_connection_string("Driver={SQLite3};Database={/tmp/x;y.db}"),
              "Driver=" + sqlite + ";Database={/tmp/x;y.db};");
    EXPECT_EQ(odbc_connection_string("DSN=Stock;UID=me"), "DSN=Stock;UID=me;");
    EXPECT_EQ(odbc_connection_string("DRIVER={ODBC Driver 18 for SQL Server};Server=s"),
              "DRIVER=ODBC Driver 18 for SQL Server;Server=s;");
}

TEST(ConnectionString, WhatCannotBePassedIsRefusedWithoutShowingTheString) {
    for (const char* text : {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=c:\\x.mdb;Password=s3cret",
                             "Data Source=c:\\x.mdb;Password=\"s3cret;}\""}) {
        try {
            odbc_connection_string(text);
            FAIL() << "no error for " << text;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message().find("s3cret"), std::string::npos);
            EXPECT_EQ(e.Message().find("x.mdb"), std::string::npos);
        }
    }
}

TEST(ConnectionString, ParsingKeepsOrderAndSkipsEmptyPieces) {
    auto pairs = data::parse_connection_string(";;A = 1 ; junk;B=\"x;\"\"y\";C=");
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"A", "1"}));
    EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"B", "x;\"y"}));
    EXPECT_EQ(pairs[2], (std::pair<std::string, std::string>{"C", ""}));
}
