// Public face of the stand-in SQL engine: databases in memory, sessions, batches of T-SQL.
// The TDS server (standin/tds) uses only what is declared here and in Value.h.
#pragma once

#include "standin/Value.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace standin {

// An error or informational message, as SQL Server reports it.
// severity <= 10 is informational (PRINT gives 0); 11 and above is an error.
struct ServerMessage {
    int number = 0;
    int state = 1;
    int severity = 16;
    QString text;
    QString procedure;  // empty outside a procedure/trigger/function
    int line = 1;       // line within the batch (or the module)
};

struct ColumnInfo {
    QString name;          // empty for an unnamed computed column
    SqlType type;
    bool nullable = true;
    bool identity = false;
    bool computed = false;
    QString baseTable;     // the table a plain column reference came from, if any
    QString baseColumn;
};

struct ResultSet {
    std::vector<ColumnInfo> columns;
    std::vector<std::vector<Value>> rows;
};

// The outcome of one statement of a batch, in execution order. A statement inside a
// procedure or trigger that returns rows or counts appears here too, with inProcedure set.
struct StatementResult {
    std::optional<ResultSet> resultSet;
    int64_t rowCount = -1;                 // rows affected/returned; -1 when the statement has no count
    std::vector<ServerMessage> messages;   // infos and errors raised by this statement, in order
    bool failed = false;                   // an error ended this statement
    bool inProcedure = false;
};

struct BatchResult {
    std::vector<StatementResult> statements;
    bool aborted = false;        // an error ended the batch before its last statement
    bool cancelled = false;      // the client's cancel stopped the batch (it gets no results, only the acknowledgement)
    bool changedData = false;    // something in some database changed (for persistence)
};

class Session;
class EngineImpl;

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Databases. Names are case-insensitive.
    bool createDatabase(const QString& name, QString* error = nullptr);
    bool hasDatabase(const QString& name) const;
    QStringList databaseNames() const;

    // A session: one per client connection. Fails with error 4060 when the database is unknown
    // ("Cannot open database \"X\" requested by the login. The login failed.").
    std::unique_ptr<Session> openSession(const QString& login, const QString& hostName, const QString& database,
                                         ServerMessage* error = nullptr);

    // Runs one batch (no GO separators inside). Thread-safe: batches of different sessions are serialized.
    BatchResult execute(Session& session, const QString& batch);

    // Runs a script made of batches separated by lines holding only GO (as sqlcmd does).
    // Stops at the first failing batch and returns its result; an empty `statements` means nothing ran.
    BatchResult executeScript(Session& session, const QString& script);

    // Persistence: one directory with a file per database. save() writes each file anew and renames it
    // into place, so a crash leaves the previous good state. load() replaces every database in memory.
    bool save(const QString& directory, QString* error = nullptr) const;
    bool load(const QString& directory, QString* error = nullptr);

    // How many statements (loop rounds and module statements included) one batch may run before it
    // ends with an error; 0, the default, sets no limit. A runaway loop then ends instead of hanging.
    void setStepBudget(int64_t steps);
    // The longest a WAITFOR may sleep, in milliseconds (a negative value: no limit, the default).
    void setDelayLimit(int64_t milliseconds);

    EngineImpl& impl() { return *d; }

private:
    std::unique_ptr<EngineImpl> d;
};

// Per-connection state. The fields below are the ones the server layer reads or sets;
// the engine keeps its own procedural state (variables, transactions, ...) behind `state`.
class Session {
public:
    virtual ~Session() = default;
    QString login;          // SYSTEM_USER, SUSER_SNAME()
    QString hostName;       // HOST_NAME()
    QString appName;        // APP_NAME()
    int spid = 51;          // @@SPID
    bool encrypted = false; // the whole connection travels in TLS (sys.dm_exec_connections)
    // Asked between statements of a running batch: true stops it (the client sent a cancel).
    std::function<bool()> cancelRequested;
    virtual QString currentDatabase() const = 0;  // changes with USE
    // The session's language (@@LANGUAGE): us_english until a login's default language or SET LANGUAGE
    // changes it. setLanguage takes an official name or an alias and returns false for a language the
    // server does not have.
    virtual QString language() const { return QStringLiteral("us_english"); }
    virtual bool setLanguage(const QString&) { return false; }
};

// Splits a script into batches at lines holding only GO (case-insensitive, surrounding blanks allowed).
std::vector<QString> splitBatches(const QString& script);

}  // namespace standin
