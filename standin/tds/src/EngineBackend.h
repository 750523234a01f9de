// Adapts the engine to the protocol layer: default database, persistence after changing
// batches (--data) and the audit log of every batch (--log).
#pragma once

#include "Backend.h"

#include <QDateTime>
#include <QFile>

#include <mutex>

namespace standin::tds {

class EngineBackend : public Backend {
public:
    EngineBackend(Engine& engine, const QString& defaultDatabase);

    // Saves every database into `directory` after each batch that changed data.
    void setDataDirectory(const QString& directory) { dataDir_ = directory; }
    // Appends every batch and its outcome to `path`. Returns false when the file cannot be opened.
    bool setLogFile(const QString& path, QString* error);

    std::unique_ptr<Session> openSession(const QString& login, const QString& hostName, const QString& appName,
                                         const QString& database, ServerMessage* error) override;
    BatchResult execute(Session& session, const QString& batch) override;
    void closeSession(std::unique_ptr<Session> session) override;

    // The outcome lines written to the log for a batch result.
    static QString describeOutcome(const BatchResult& result);

private:
    void writeLog(const Session& session, const QString& database, const QDateTime& started, const QString& batch,
                  const QString& outcome);

    Engine& engine_;
    QString defaultDatabase_;
    QString dataDir_;
    QFile log_;
    // One batch runs at a time; a waiting batch polls its client's cancel (see execute).
    std::timed_mutex mutex_;
    std::mutex logMutex_;  // a cancelled batch writes its entry without the batch lock
};

}  // namespace standin::tds
