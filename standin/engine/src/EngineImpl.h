// Engine internals: databases, sessions and the executor of parsed batches.
#pragma once

#include "Catalog.h"
#include "standin/Engine.h"
#include "standin/ValueOps.h"

#include <mutex>

namespace standin {

struct Cursor;

struct Variable {
    QString name;
    SqlType type;
    Value value;
};

class SessionImpl : public Session {
public:
    // A connection that ends inside a transaction takes it back, as the server does on disconnect.
    // Runs under the engine lock (sessions end under the same lock as batches).
    ~SessionImpl() override
    {
        if (transactionCount > 0)
            transactionLog.rollback();
    }

    QString database;
    QString currentDatabase() const override { return database; }
    QString language() const override { return languageName(*dateSettings.language); }
    bool setLanguage(const QString& nameOrAlias) override
    {
        const Language* l = findLanguage(nameOrAlias);
        if (l)
            dateSettings.setLanguage(*l);
        return l != nullptr;
    }

    // Procedural state of the connection (variables live in the call frames of a batch).
    std::optional<int64_t> lastIdentity;    // @@IDENTITY (triggers' inserts included)
    bool nocount = false;                   // SET NOCOUNT
    bool xactAbort = false;                 // SET XACT_ABORT
    DateSettings dateSettings;  // SET LANGUAGE, SET DATEFORMAT, SET DATEFIRST
    int fetchStatus = 0;                    // @@FETCH_STATUS
    std::map<QString, std::shared_ptr<Cursor>> globalCursors;  // key: collation key
    int64_t lastRowCount = 0;               // @@ROWCOUNT
    int lastError = 0;                      // @@ERROR
    int transactionCount = 0;               // @@TRANCOUNT
    UndoLog transactionLog;                 // what the open transaction changed, for ROLLBACK
    std::vector<std::pair<QString, size_t>> savepoints;  // SAVE TRAN name -> log position
    QString transactionName;  // BEGIN TRAN name of the outermost transaction (empty: none)
    // SET IDENTITY_INSERT ON: the one table of the session that takes explicit identity values
    // (database name and object id; 0: none). It is the session's, never another session's.
    QString identityInsertDatabase;
    int identityInsertTable = 0;
};

class EngineImpl {
public:
    mutable std::recursive_mutex mutex;
    std::map<QString, std::shared_ptr<Database>> databases;  // key: collationKey(name)
    int nextSpid = 51;
    // Statements (loop rounds included) one batch may run before it ends with an error; 0: no limit.
    int64_t stepBudget = 0;
    // The longest a WAITFOR may sleep, in milliseconds; -1: as long as it asks.
    int64_t delayLimitMs = -1;

    std::shared_ptr<Database> findDatabase(const QString& name) const
    {
        auto it = databases.find(collationKey(name));
        return it == databases.end() ? nullptr : it->second;
    }

    BatchResult execute(SessionImpl& session, const QString& batch);
};

}  // namespace standin
