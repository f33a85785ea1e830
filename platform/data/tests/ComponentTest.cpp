// The data-access components as a form resource creates and owns them.
#include <gtest/gtest.h>

#include "platform/core/FormResource.h"
#include "platform/data/ADODB.h"
#include "platform/data/Startup.h"

namespace {

const char* kForm = R"({
  "class": "TComponent",
  "name": "FormCopia",
  "children": [
    {"class": "TADOConnection", "name": "ADOConnection1",
     "properties": {"CommandTimeout": 120, "ConnectionTimeout": 5000000, "LoginPrompt": false,
                    "Provider": "SQLOLEDB.1"}},
    {"class": "TADOQuery", "name": "qBackup",
     "properties": {"Connection": "ADOConnection1", "CommandTimeout": 5000000, "LockType": "ltReadOnly",
                    "SQL": ["SELECT 1"]}}
  ]
})";

}  // namespace

TEST(DataComponents, AreCreatedFromAFormResourceWithTheirProperties) {
    data::unit_startup();
    TComponent form(nullptr);
    core::read_component_into(form, kForm);
    ASSERT_EQ(form.ComponentCount(), 2);
    auto* connection = dynamic_cast<TADOConnection*>(form.FindComponent("ADOConnection1"));
    auto* query = dynamic_cast<TADOQuery*>(form.FindComponent("qbackup"));
    ASSERT_NE(connection, nullptr);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(connection->CommandTimeout(), 120);
    EXPECT_EQ(connection->ConnectionTimeout(), 5000000);
    EXPECT_FALSE(connection->LoginPrompt());
    EXPECT_EQ(connection->Provider(), "SQLOLEDB.1");
    EXPECT_FALSE(connection->Connected());
    EXPECT_EQ(query->Connection(), connection);
    EXPECT_EQ(query->CommandTimeout(), 5000000);
    EXPECT_EQ(query->LockType(), ltReadOnly);
    EXPECT_EQ(query->CommandText(), "SELECT 1\r\n");
    EXPECT_FALSE(query->Active());

    // Written back: what differs from the defaults, and the reference by name.
    std::string written = core::write_component(form);
    EXPECT_NE(written.find("\"Connection\": \"ADOConnection1\""), std::string::npos) << written;
    EXPECT_NE(written.find("\"LockType\": \"ltReadOnly\""), std::string::npos) << written;
    EXPECT_EQ(written.find("\"Connected\""), std::string::npos) << written;
    data::unit_shutdown();
    EXPECT_EQ(GetClass("TADOQuery"), nullptr);
}

TEST(DataComponents, OwnerFreesThemInEitherOrder) {
    // The connection freed before its query, and the query before its connection.
    for (bool connection_first : {true, false}) {
        TComponent form(nullptr);
        TADOConnection* connection = nullptr;
        TADOQuery* query = nullptr;
        if (connection_first) {
            query = new TADOQuery(&form);
            connection = new TADOConnection(&form);  // freed first: owners free the last one first
        } else {
            connection = new TADOConnection(&form);
            query = new TADOQuery(&form);
        }
        query->SetConnection(connection);
        connection->SetConnectionString("DRIVER=SQLite3;Database=:memory:");
        query->SQL()->Add("SELECT 1 AS one");
        query->Open();
        EXPECT_EQ(query->FieldByName("ONE").AsInteger(), 1);
    }
}
