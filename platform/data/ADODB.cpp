#include "platform/data/ADODB.h"

#include <algorithm>

#include "platform/core/ClassBuilder.h"
#include "platform/data/ConnectionString.h"
#include "platform/data/DBTables.h"

namespace data {
namespace {
thread_local int read_only_scopes = 0;
}
ReadOnlyComponents::ReadOnlyComponents() { ++read_only_scopes; }
ReadOnlyComponents::~ReadOnlyComponents() { --read_only_scopes; }
bool ReadOnlyComponents::active() { return read_only_scopes > 0; }
}  // namespace data

// ---------------------------------------------------------------- TADOConnection

TADOConnection::TADOConnection(TComponent* AOwner) : TComponent(AOwner) {}

TClass TADOConnection::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TADOConnection, TComponent>("TADOConnection")
            .Integer("CommandTimeout", &TADOConnection::CommandTimeout, &TADOConnection::SetCommandTimeout)
            .Default(30)
            .Bool("Connected", &TADOConnection::Connected, &TADOConnection::SetConnected)
            .String("ConnectionString", &TADOConnection::ConnectionString, &TADOConnection::SetConnectionString)
            .Integer("ConnectionTimeout", &TADOConnection::ConnectionTimeout, &TADOConnection::SetConnectionTimeout)
            .Default(15)
            .Bool("LoginPrompt", &TADOConnection::LoginPrompt, &TADOConnection::SetLoginPrompt)
            .Default(true)
            .String("Provider", &TADOConnection::Provider, &TADOConnection::SetProvider)
            .Build();
    return &info;
}

TClass TADOConnection::ClassType() const { return StaticClass(); }

void TADOConnection::Loaded() {
    TComponent::Loaded();
    if (stream_connected_) {
        stream_connected_ = false;
        Open();
    }
}

TADOConnection::~TADOConnection() {
    Close();
    for (TADOQuery* q : queries_) q->connection_ = nullptr;
}

void TADOConnection::SetConnectionString(const std::string& text) {
    if (text == connection_string_) return;
    Close();
    connection_string_ = text;
}

void TADOConnection::SetReadOnly(bool value) {
    if (value == read_only_) return;
    Close();
    read_only_ = value;
}

void TADOConnection::SetConnected(bool connected) {
    if (InState(csLoading)) {
        stream_connected_ = connected;
        return;
    }
    if (connected)
        Open();
    else
        Close();
}

void TADOConnection::Open() {
    if (Connected()) return;
    std::string text = connection_string_;
    auto pairs = data::parse_connection_string(text);
    bool has_provider = false, odbc_form = false;
    for (const auto& [key, value] : pairs) {
        std::string k = key;
        std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return std::tolower(c); });
        has_provider |= k == "provider";
        odbc_form |= k == "driver" || k == "dsn" || k == "filedsn";
    }
    if (!has_provider && !odbc_form && !provider_.empty()) text = "Provider=" + provider_ + ";" + text;
    int timeout = connection_timeout_;
    if (timeout <= 0 || timeout > data::kMaxTimeoutSeconds) timeout = data::kMaxTimeoutSeconds;
    odbc_.connect(read_only_ ? data::database_connection_string(text, true) : data::odbc_connection_string(text),
                  timeout);
}

void TADOConnection::Close() {
    for (TADOQuery* q : queries_) q->Close();
    odbc_.disconnect();
}

// ---------------------------------------------------------------- TADOQuery

TADOQuery::TADOQuery(TComponent* AOwner) : TDataSet(AOwner), sql_(std::make_unique<TStringList>()) {}

TClass TADOQuery::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TADOQuery, TDataSet>("TADOQuery")
            .Integer("CommandTimeout", &TADOQuery::CommandTimeout, &TADOQuery::SetCommandTimeout)
            .Default(30)
            .Component("Connection", &TADOQuery::Connection, &TADOQuery::SetConnection)
            .Enum("LockType", {"ltUnspecified", "ltReadOnly", "ltPessimistic", "ltOptimistic", "ltBatchOptimistic"},
                  &TADOQuery::LockType, &TADOQuery::SetLockType)
            .Default(static_cast<int>(ltOptimistic))
            .Strings("SQL", &TADOQuery::SQL, &TADOQuery::SetSQL)
            .Build();
    return &info;
}

TClass TADOQuery::ClassType() const { return StaticClass(); }

TADOQuery::~TADOQuery() { SetConnection(nullptr); }

void TADOQuery::SetConnection(TADOConnection* connection) {
    if (connection == connection_) return;
    Close();
    if (connection_) {
        auto& list = connection_->queries_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    connection_ = connection;
    if (connection_) connection_->queries_.push_back(this);
}

std::unique_ptr<data::RowSource> TADOQuery::OpenCursor(const data::ColumnAdjuster& adjust) {
    messages_.clear();
    if (!connection_) throw EDatabaseError(error_text("no connection"));
    if (ReadOnly())
        if (std::string problem = data::read_only_command_problem(CommandText()); !problem.empty())
            throw EDatabaseError(error_text(problem));
    if (!connection_->Connected()) connection_->Open();
    // A command time-out longer than the driver can count is no limit.
    int timeout = command_timeout_;
    if (timeout < 0 || timeout > data::kMaxTimeoutSeconds) timeout = 0;
    data::BatchResult result = connection_->odbc().execute(CommandText(), timeout, adjust);
    messages_ = result.diagnostics;
    if (result.failed) {
        std::string text = data::error_text(result.diagnostics);
        // A driver that found the link dead may only say "Unknown error".
        const bool told = std::any_of(result.diagnostics.begin(), result.diagnostics.end(),
                                      [](const data::Diagnostic& d) { return d.state.rfind("08", 0) == 0; });
        if (result.link_lost && !told)
            text += (text.empty() ? "" : "\n") + std::string("The connection to the server was lost.");
        throw data::OdbcError(text.empty() ? error_text("the command failed") : text, result.diagnostics);
    }
    for (auto& set : result.results)
        if (!set.columns.empty()) return std::make_unique<data::BufferedRows>(std::move(set));
    throw EDatabaseError(error_text("the command returned no result set"));
}
