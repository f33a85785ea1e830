// The dataset interface over the SQLite driver, checked against the sqlite3 tool.
#include <cmath>
#include <gtest/gtest.h>

#include "platform/data/ADODB.h"
#include "tests/sqlserver_standin/StandIn.h"

namespace {

// A database file made by the sqlite3 tool, with a connection and a query on it.
class SqliteDataSet : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = tmp_.path() + "/stock.db";
        auto made = standin::run_command("sqlite3 " + standin::shell_quote(file_) + " " + standin::shell_quote(R"(
            CREATE TABLE item(id INTEGER, price REAL, name TEXT, photo BLOB, qty NUMERIC, note,
                              code VARCHAR(10), active BOOLEAN, big BIGINT, small SMALLINT);
            INSERT INTO item VALUES (1, 1.5, 'Café com açúcar', x'00ff10', 12.5, 'x', 'A1', 1, 1, 2);
            INSERT INTO item VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
            INSERT INTO item VALUES (-9223372036854775808, 1e300, 'it''s', x'', 3, 4.25, '', 0,
                                     9223372036854775807, -32768);
            INSERT INTO item VALUES (4, -0.1, 'tab	and
newline', x'0a0d', -7, 'z', 'Z9', 0, 0, 0);
            CREATE TABLE empty(a INTEGER, b TEXT);
        )"));
        ASSERT_EQ(made.status, 0) << made.output;
        connection_.SetName("Stock");
        connection_.SetConnectionString("DRIVER=SQLite3;Database=" + file_);
        query_.SetName("qItems");
        query_.SetConnection(&connection_);
    }

    void open(const std::string& sql) {
        query_.Close();
        query_.SQL()->Clear();
        query_.SQL()->Add(sql);
        query_.Open();
    }

    standin::TempDir tmp_;
    std::string file_;
    TADOConnection connection_{nullptr};
    TADOQuery query_{nullptr};
};

// sqlite3 -quote prints one row a line: NULL, integers, reals, 'text' (quote doubled), X'hex'.
std::vector<std::string> quoted_values(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    bool in_text = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (in_text) {
            cur += c;
            if (c == '\'') {
                if (i + 1 < line.size() && line[i + 1] == '\'') {
                    cur += '\'';
                    ++i;
                } else {
                    in_text = false;
                }
            }
        } else if (c == '\'') {
            in_text = true;
            cur += c;
        } else if (c == ',') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

std::string unhex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

}  // namespace

TEST_F(SqliteDataSet, ReadsBackRowForRowAsSqlite3PrintsIt) {
    // Rows without line breaks inside, so that the tool's output is one row a line.
    const std::string sql = "SELECT * FROM item WHERE id IS NULL OR id <> 4";
    auto oracle = standin::run_command("sqlite3 -quote " + standin::shell_quote(file_) + " " +
                                       standin::shell_quote(sql));
    ASSERT_EQ(oracle.status, 0) << oracle.output;
    std::vector<std::vector<std::string>> expected;
    size_t pos = 0;
    while (pos < oracle.output.size()) {
        size_t nl = oracle.output.find('\n', pos);
        expected.push_back(quoted_values(oracle.output.substr(pos, nl - pos)));
        pos = nl == std::string::npos ? oracle.output.size() : nl + 1;
    }

    open(sql);
    ASSERT_EQ(query_.RecordCount(), static_cast<int>(expected.size()));
    ASSERT_EQ(query_.FieldCount(), 10);
    int row = 0;
    for (query_.First(); !query_.Eof(); query_.Next(), ++row) {
        for (int c = 0; c < query_.FieldCount(); ++c) {
            const TField& f = query_.Fields()[c];
            const std::string& want = expected[static_cast<size_t>(row)][static_cast<size_t>(c)];
            SCOPED_TRACE("row " + std::to_string(row) + " field " + f.FieldName() + " = " + want);
            if (want == "NULL") {
                EXPECT_TRUE(f.IsNull());
                EXPECT_EQ(f.AsString(), "");
                EXPECT_EQ(f.AsInteger(), 0);
                EXPECT_EQ(f.AsFloat(), 0.0);
                EXPECT_FALSE(f.AsBoolean());
            } else if (want[0] == '\'') {
                std::string text = want.substr(1, want.size() - 2);
                for (size_t p = text.find("''"); p != std::string::npos; p = text.find("''", p + 1)) text.erase(p, 1);
                EXPECT_FALSE(f.IsNull());
                EXPECT_EQ(f.AsString(), text);
            } else if (want.rfind("X'", 0) == 0) {
                EXPECT_EQ(f.AsString(), unhex(want.substr(2, want.size() - 3)));
            } else if (want.find_first_of(".e") != std::string::npos) {
                EXPECT_EQ(f.AsFloat(), std::stod(want));
            } else {
                EXPECT_EQ(f.AsLargeInt(), std::stoll(want));
                if (f.DataType() != ftBoolean) {
                    EXPECT_EQ(f.AsString(), want);
                }
            }
        }
    }
    EXPECT_EQ(row, static_cast<int>(expected.size()));
}

TEST_F(SqliteDataSet, DeclaredTypesGiveFieldTypes) {
    open("SELECT id, price, name, photo, active, big, small FROM item");
    const std::pair<const char*, TFieldType> want[] = {
        {"id", ftInteger}, {"price", ftFloat},   {"name", ftMemo},    {"photo", ftBlob},
        {"active", ftBoolean}, {"big", ftLargeint}, {"small", ftSmallint},
    };
    for (const auto& [name, type] : want) EXPECT_EQ(query_.FieldByName(name).DataType(), type) << name;
    EXPECT_EQ(query_.FieldByName("active").AsString(), "True");
    query_.Last();
    EXPECT_EQ(query_.FieldByName("name").AsString(), "tab\tand\nnewline");
    EXPECT_EQ(query_.FieldByName("active").AsString(), "False");
}

TEST_F(SqliteDataSet, CursorMovesAndStopsAtBothEnds) {
    open("SELECT id FROM item WHERE id IS NOT NULL ORDER BY id");
    ASSERT_EQ(query_.RecordCount(), 3);
    EXPECT_TRUE(query_.Bof());
    EXPECT_FALSE(query_.Eof());
    EXPECT_EQ(query_.RecNo(), 1);
    query_.Prior();
    EXPECT_TRUE(query_.Bof());
    EXPECT_EQ(query_.RecNo(), 1);
    query_.Next();
    query_.Next();
    EXPECT_EQ(query_.Fields()[0].AsInteger(), 4);
    EXPECT_FALSE(query_.Eof());
    query_.Next();
    EXPECT_TRUE(query_.Eof());
    EXPECT_EQ(query_.RecNo(), 3) << "the cursor stays on the last row";
    EXPECT_EQ(query_.Fields()[0].AsInteger(), 4);
    query_.Prior();
    EXPECT_FALSE(query_.Eof());
    EXPECT_EQ(query_.Fields()[0].AsInteger(), 1);
    query_.Last();
    EXPECT_TRUE(query_.Eof());
    query_.First();
    EXPECT_TRUE(query_.Bof());
    EXPECT_LT(query_.Fields()[0].AsLargeInt(), 0);

    open("SELECT * FROM empty");
    EXPECT_TRUE(query_.Active());
    EXPECT_EQ(query_.RecordCount(), 0);
    EXPECT_TRUE(query_.Eof());
    EXPECT_TRUE(query_.Bof());
    EXPECT_EQ(query_.RecNo(), 0);
    EXPECT_EQ(query_.FieldCount(), 2);
    EXPECT_TRUE(query_.FieldByName("B").IsNull());
}

TEST_F(SqliteDataSet, FieldsAreFoundWithoutRegardToCase) {
    open("SELECT name AS NomeArquivo, qty FROM item");
    EXPECT_EQ(&query_.FieldByName("nomearquivo"), &query_.FieldByName("NOMEARQUIVO"));
    EXPECT_EQ(query_.FindField("Qty"), &query_.Fields()[1]);
    EXPECT_EQ(query_.FindField("missing"), nullptr);
    try {
        query_.FieldByName("Missing");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "qItems: no field named 'Missing'");
    }
    EXPECT_THROW(query_.Fields()[2], EDatabaseError);
}

TEST_F(SqliteDataSet, ConversionsThatCannotBeMadeRaise) {
    open("SELECT 'abc' AS t, '12' AS n, ' 7 ' AS sp, 3000000000 AS big, 2.5 AS half, 'yes' AS y");
    EXPECT_THROW(query_.FieldByName("t").AsInteger(), EDatabaseError);
    EXPECT_THROW(query_.FieldByName("t").AsFloat(), EDatabaseError);
    EXPECT_THROW(query_.FieldByName("t").AsBoolean(), EDatabaseError);
    EXPECT_EQ(query_.FieldByName("n").AsInteger(), 12);
    EXPECT_EQ(query_.FieldByName("sp").AsInteger(), 7);
    EXPECT_THROW(query_.FieldByName("big").AsInteger(), EDatabaseError) << "out of the range of an int";
    EXPECT_EQ(query_.FieldByName("big").AsLargeInt(), 3000000000LL);
    EXPECT_EQ(query_.FieldByName("half").AsFloat(), 2.5);
    EXPECT_TRUE(query_.FieldByName("y").AsBoolean());
}

TEST_F(SqliteDataSet, ClosedDatasetsAndBadCommandsRaise) {
    EXPECT_FALSE(query_.Active());
    EXPECT_TRUE(query_.Eof());
    EXPECT_THROW(query_.FieldByName("id"), EDatabaseError);
    EXPECT_THROW(query_.RecordCount(), EDatabaseError);

    query_.SQL()->Add("SELECT a FROM nowhere");
    try {
        query_.Open();
        FAIL();
    } catch (const data::OdbcError& e) {
        EXPECT_NE(e.Message().find("no such table: nowhere"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(query_.Active());

    open("SELECT id FROM item");
    connection_.Close();
    EXPECT_FALSE(query_.Active()) << "closing the connection closes its queries";
    open("SELECT id FROM item");
    EXPECT_TRUE(connection_.Connected()) << "a query opens its connection";
}

TEST_F(SqliteDataSet, QueriesOutliveTheirConnection) {
    auto connection = std::make_unique<TADOConnection>(nullptr);
    connection->SetConnectionString("DRIVER=SQLite3;Database=" + file_);
    TADOQuery query(nullptr);
    query.SetConnection(connection.get());
    query.SQL()->Add("SELECT id FROM item");
    query.Open();
    connection.reset();
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.Connection(), nullptr);
    EXPECT_THROW(query.Open(), EDatabaseError);
}
