#pragma once
// The connection and query components the backup job uses, on ODBC: SQL Server
// through the FreeTDS driver, SQLite through the SQLite ODBC driver.

#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/data/DB.h"
#include "platform/data/Odbc.h"
#include "platform/core/StringList.h"

class TADOQuery;

namespace data {
// While one exists (on this thread), every connection and query made is
// read-only: a report's layout is read inside one, so that a dataset that
// opens as it is read already only reads.
class ReadOnlyComponents {
public:
    ReadOnlyComponents();
    ~ReadOnlyComponents();
    ReadOnlyComponents(const ReadOnlyComponents&) = delete;
    ReadOnlyComponents& operator=(const ReadOnlyComponents&) = delete;
    static bool active();
};
}  // namespace data

enum TLockType { ltUnspecified, ltReadOnly, ltPessimistic, ltOptimistic, ltBatchOptimistic };

// One connection to a database server or file (a component).
class TADOConnection : public TComponent {
public:
    explicit TADOConnection(TComponent* AOwner);
    ~TADOConnection() override;  // closes the connection; its queries are left without one
    static TClass StaticClass();
    TClass ClassType() const override;

    // "Provider=...;Data Source=...;Initial Catalog=...;User ID=...;Password=..."
    // for SQL Server, or an ODBC string ("DRIVER=SQLite3;Database=/path/file.db").
    // Never shown in an error text.
    const std::string& ConnectionString() const { return connection_string_; }
    void SetConnectionString(const std::string& text);
    // The provider used when the connection string names none.
    const std::string& Provider() const { return provider_; }
    void SetProvider(const std::string& provider) { provider_ = provider; }

    bool Connected() const { return odbc_.connected(); }
    void SetConnected(bool connected);  // while a form resource is read, connects once it is loaded
    void Loaded() override;
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

    // A read-only connection opens a SQLite file read-only, and its queries
    // refuse a command that would change the database.
    bool ReadOnly() const { return read_only_; }
    void SetReadOnly(bool value);  // closes the connection when it changes

private:
    friend class TADOQuery;
    bool read_only_ = data::ReadOnlyComponents::active();
    std::string connection_string_;
    std::string provider_;
    bool login_prompt_ = true;
    int connection_timeout_ = 15;
    int command_timeout_ = 30;
    data::OdbcConnection odbc_;
    std::vector<TADOQuery*> queries_;
    bool stream_connected_ = false;
};

// A query over a connection: its SQL text may hold several statements; it opens
// on the first result that has columns, after the whole text has run.
class TADOQuery : public TDataSet {
public:
    explicit TADOQuery(TComponent* AOwner);
    ~TADOQuery() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    TADOConnection* Connection() const { return connection_; }
    void SetConnection(TADOConnection* connection);

    // The lines of the command text; sent as one text, each line followed by CR LF.
    TStrings* SQL() const { return sql_.get(); }
    void SetSQL(TStrings* lines) { sql_->Assign(lines); }
    std::string CommandText() const { return sql_->Text(); }

    // Seconds the command may run; 0, or more than the driver can count, means no limit.
    int CommandTimeout() const { return command_timeout_; }
    void SetCommandTimeout(int seconds) { command_timeout_ = seconds; }
    TLockType LockType() const { return lock_type_; }
    void SetLockType(TLockType lock_type) { lock_type_ = lock_type; }

    // Every message of the driver and the server from the last Open (progress, warnings).
    const std::vector<data::Diagnostic>& Messages() const { return messages_; }

    // A read-only query (or one over a read-only connection) runs only a
    // command of one statement that reads; any other is refused before it
    // runs (EDatabaseError "NAME: the command would change the database").
    bool ReadOnly() const { return read_only_ || (connection_ && connection_->ReadOnly()); }
    void SetReadOnly(bool value) { read_only_ = value; }

protected:
    std::unique_ptr<data::RowSource> OpenCursor(const data::ColumnAdjuster& adjust) override;

private:
    friend class TADOConnection;
    TADOConnection* connection_ = nullptr;
    std::unique_ptr<TStringList> sql_;
    int command_timeout_ = 30;
    TLockType lock_type_ = ltOptimistic;
    bool read_only_ = data::ReadOnlyComponents::active();
    std::vector<data::Diagnostic> messages_;
};
