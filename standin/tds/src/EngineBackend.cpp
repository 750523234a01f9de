#include "EngineBackend.h"

#include <QDateTime>

#include <cstdio>

namespace standin::tds {

EngineBackend::EngineBackend(Engine& engine, const QString& defaultDatabase)
    : engine_(engine), defaultDatabase_(defaultDatabase)
{
}

bool EngineBackend::setLogFile(const QString& path, QString* error)
{
    log_.setFileName(path);
    if (!log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        if (error)
            *error = log_.errorString();
        return false;
    }
    return true;
}

std::unique_ptr<Session> EngineBackend::openSession(const QString& login, const QString& hostName,
                                                    const QString& appName, const QString& database,
                                                    ServerMessage* error)
{
    std::lock_guard lock(mutex_);
    const QString db = database.isEmpty() ? defaultDatabase_ : database;
    auto session = engine_.openSession(login, hostName, db, error);
    if (session)
        session->appName = appName;
    return session;
}

void EngineBackend::closeSession(std::unique_ptr<Session> session)
{
    std::lock_guard lock(mutex_);
    session.reset();
}

QString EngineBackend::describeOutcome(const BatchResult& result)
{
    QStringList lines;
    int index = 0;
    for (const StatementResult& s : result.statements) {
        ++index;
        QString line = QStringLiteral("-- statement %1: %2").arg(index).arg(s.failed ? QStringLiteral("failed") : QStringLiteral("ok"));
        if (s.resultSet)
            line += QStringLiteral(", %1 row(s) returned").arg(s.resultSet->rows.size());
        else if (s.rowCount >= 0)
            line += QStringLiteral(", %1 row(s) affected").arg(s.rowCount);
        lines << line;
        for (const ServerMessage& m : s.messages)
            lines << QStringLiteral("-- %1 %2, level %3, state %4, line %5: %6")
                         .arg(m.severity > 10 ? QStringLiteral("error") : QStringLiteral("message"))
                         .arg(m.number).arg(m.severity).arg(m.state).arg(m.line).arg(m.text);
    }
    if (result.statements.empty())
        lines << QStringLiteral("-- no statement");
    if (result.aborted)
        lines << QStringLiteral("-- batch aborted");
    return lines.join(u'\n');
}

BatchResult EngineBackend::execute(Session& session, const QString& batch)
{
    // A batch waits while another session's batch runs. The client's cancel ends the wait, as it
    // ends a lock wait on the server: the batch does not run and the client gets its acknowledgement.
    std::unique_lock lock(mutex_, std::defer_lock);
    const QDateTime started = QDateTime::currentDateTimeUtc();
    while (!lock.try_lock_for(std::chrono::milliseconds(10))) {
        if (session.cancelRequested && session.cancelRequested()) {
            BatchResult cancelled;
            cancelled.cancelled = true;
            std::lock_guard logLock(logMutex_);
            writeLog(session, session.currentDatabase(), started, batch, QStringLiteral("-- cancelled while waiting"));
            return cancelled;
        }
    }
    const QString database = session.currentDatabase();
    BatchResult result = engine_.execute(session, batch);
    QString saveError;
    if (result.changedData && !dataDir_.isEmpty() && !engine_.save(dataDir_, &saveError)) {
        std::fprintf(stderr, "sql-standin: could not save to %s: %s\n", qPrintable(dataDir_), qPrintable(saveError));
        ServerMessage m;
        m.number = 3201;
        m.severity = 16;
        m.text = QStringLiteral("Could not save the databases: %1").arg(saveError);
        if (result.statements.empty())
            result.statements.emplace_back();
        result.statements.back().messages.push_back(m);
        result.statements.back().failed = true;
    }
    {
        std::lock_guard logLock(logMutex_);
        writeLog(session, database, started, batch, describeOutcome(result));
    }
    return result;
}

void EngineBackend::writeLog(const Session& session, const QString& database, const QDateTime& started,
                             const QString& batch, const QString& outcome)
{
    if (!log_.isOpen())
        return;
    QString entry = QStringLiteral("=== %1 login '%2' database '%3' host '%4' spid %5\n")
                        .arg(started.toString(Qt::ISODateWithMs), session.login, database, session.hostName)
                        .arg(session.spid);
    entry += batch;
    if (!batch.endsWith(u'\n'))
        entry += u'\n';
    entry += outcome + u'\n';
    log_.write(entry.toUtf8());
    log_.flush();
}

}  // namespace standin::tds
