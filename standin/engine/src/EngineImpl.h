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
    std::shared_ptr<Table> table;  // DECLARE @t TABLE: the variable's rows (no scalar value then)
};

// tempdb: the temporary tables of every session and the ## tables they share. It lives in memory only,
// never among the databases that are saved, and starts empty with the server.
struct TempStore {
    std::shared_ptr<Database> db;
    std::map<QString, int> globalOwners;  // ## table key -> the session (spid) that created it

    TempStore()
        : db(std::make_shared<Database>())
    {
        db->name = QStringLiteral("tempdb");
    }
    // A session ends: its # tables go, and so do the ## tables it created.
    void endSession(int spid, const std::vector<QString>& localKeys)
    {
        for (const QString& key : localKeys)
            db->tables.erase(key);
        for (auto it = globalOwners.begin(); it != globalOwners.end();) {
            if (it->second == spid) {
                db->tables.erase(it->first);
                it = globalOwners.erase(it);
            } else {
                ++it;
            }
        }
    }
};

// A # table of a session: the name it was created under, its key in tempdb, and the nesting level of
// the call that created it (0: the session's batches; a procedure's own go when it returns).
struct LocalTempTable {
    QString key;  // collation key of the name
    QString tempdbKey;
    int level = 0;
};

class SessionImpl : public Session {
public:
    // A connection that ends inside a transaction takes it back, as the server does on disconnect.
    // Runs under the engine lock (sessions end under the same lock as batches).
    ~SessionImpl() override
    {
        if (transactionCount > 0)
            transactionLog.rollback();
        if (temp) {
            std::vector<QString> keys;
            for (const LocalTempTable& t : tempTables)
                keys.push_back(t.tempdbKey);
            temp->endSession(spid, keys);
        }
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
    std::shared_ptr<TempStore> temp;  // tempdb
    std::vector<LocalTempTable> tempTables;  // this session's # tables, newest last
};

class EngineImpl {
public:
    mutable std::recursive_mutex mutex;
    std::map<QString, std::shared_ptr<Database>> databases;  // key: collationKey(name)
    std::shared_ptr<TempStore> temp = std::make_shared<TempStore>();  // tempdb, never saved
    int nextSpid = 51;
    // Statements (loop rounds included) one batch may run before it ends with an error; 0: no limit.
    int64_t stepBudget = 0;
    // The longest a WAITFOR may sleep, in milliseconds; -1: as long as it asks.
    int64_t delayLimitMs = -1;

    std::shared_ptr<Database> findDatabase(const QString& name) const
    {
        const QString key = collationKey(name);
        auto it = databases.find(key);
        if (it != databases.end())
            return it->second;
        return key == collationKey(temp->db->name) ? temp->db : nullptr;
    }

    BatchResult execute(SessionImpl& session, const QString& batch);
};

}  // namespace standin
