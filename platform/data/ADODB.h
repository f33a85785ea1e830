#pragma once
// The connection and query components the backup job uses, on ODBC: SQL Server
// through the FreeTDS driver, SQLite through the SQLite ODBC driver.

#include <memory>
#include <string>
#include <vector>

#include "platform/data/DB.h"
#include "platform/data/Odbc.h"

class TADOQuery;

enum TLockType { ltUnspecified, ltReadOnly, ltPessimistic, ltOptimistic, ltBatchOptimistic };

// One connection to a database server or file.
class TADOConnection {
public:
    TADOConnection();
    virtual ~TADOConnection();  // closes the connection; its queries are left without one
    TADOConnection(const TADOConnection&) = delete;
    TADOConnection& operator=(const TADOConnection&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    // "Provider=...;Data Source=...;Initial Catalog=...;User ID=...;Password=..."
    // for SQL Server, or an ODBC string ("DRIVER=SQLite3;Database=/path/file.db").
    // Never shown in an error text.
    const std::string& ConnectionString() const { return connection_string_; }
    void SetConnectionString(const std::string& text);
    // The provider used when the connection string names none.
    const std::string& Provider() const { return provider_; }
    void SetProvider(const std::string& provider) { provider_ = provider; }

    bool Connected() const { return odbc_.connected(); }
    void SetConnected(bool connected);
    void Open();   // raises EDatabaseError (data::OdbcError) with the driver's or server's text
    void Close();  // closes the connection's queries first

    // Kept for the form resource; no prompt is ever shown.
    bool LoginPrompt() const { return login_prompt_; }
    void SetLoginPrompt(bool prompt) { login_prompt_ = prompt; }
    // Seconds to wait for the server at login; 0 or more than the driver can count
    // means the longest time it can (a login always has a time limit here).
    int ConnectionTimeout() const { return connection_timeout_; }
    void SetConnectionTimeout(int seconds) { connection_timeout_ = seconds; }
    // Seconds a command of this connection may run; 0 means no limit.
    int CommandTimeout() const { return command_timeout_; }
    void SetCommandTimeout(int seconds) { command_timeout_ = seconds; }

    data::OdbcConnection& odbc() { return odbc_; }  // for the connection's datasets

private:
    friend class TADOQuery;
    std::string name_;
    std::string connection_string_;
    std::string provider_;
    bool login_prompt_ = true;
    int connection_timeout_ = 15;
    int command_timeout_ = 30;
    data::OdbcConnection odbc_;
    std::vector<TADOQuery*> queries_;
};

// A query over a connection: its SQL text may hold several statements; it opens
// on the first result that has columns, after the whole text has run.
class TADOQuery : public TDataSet {
public:
    TADOQuery();
    ~TADOQuery() override;

    TADOConnection* Connection() const { return connection_; }
    void SetConnection(TADOConnection* connection);

    // The lines of the command text, sent joined by line breaks.
    std::vector<std::string>& SQL() { return sql_; }
    const std::vector<std::string>& SQL() const { return sql_; }
    std::string CommandText() const;

    // Seconds the command may run; 0, or more than the driver can count, means no limit.
    int CommandTimeout() const { return command_timeout_; }
    void SetCommandTimeout(int seconds) { command_timeout_ = seconds; }
    TLockType LockType() const { return lock_type_; }
    void SetLockType(TLockType lock_type) { lock_type_ = lock_type; }

    // Every message of the driver and the server from the last Open (progress, warnings).
    const std::vector<data::Diagnostic>& Messages() const { return messages_; }

protected:
    data::ResultSet OpenCursor() override;

private:
    friend class TADOConnection;
    TADOConnection* connection_ = nullptr;
    std::vector<std::string> sql_;
    int command_timeout_ = 30;
    TLockType lock_type_ = ltOptimistic;
    std::vector<data::Diagnostic> messages_;
};
