#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The batches of a sql-standin log text, in order.
QStringList parseStandinLog(const QString &logText);

// A sql-standin server of its own for one test: listens on a free port of 127.0.0.1, holds
// the ORVO database (base schema and demo rows) and the sister databases, accepts the
// login orvo / orvo (and any logins given), and logs every batch it receives to a file.
class StandinServer
{
public:
    StandinServer();
    ~StandinServer();

    // Whether the build has the stand-in server (tests that need it are added only then).
    static bool available();
    static QString binaryPath();
    static QString fixturesDir();

    // Starts the server; throws std::runtime_error with the reason when it cannot.
    // extraLogins: "NAME:PASSWORD" each.
    void start(const QStringList &extraLogins = {}, const QStringList &extraArgs = {});
    void stop();
    bool isRunning() const { return m_process.state() == QProcess::Running; }

    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1,%1").arg(m_port); }
    QString logPath() const { return m_dir.filePath(QStringLiteral("standin.log")); }
    QString logText() const;
    // The batches of the log, in order, each the text the client sent.
    QStringList batches() const;
    // Forgets what was logged so far (batches() then starts from here).
    void markLog();

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    int m_port = 0;
    qint64 m_logMark = 0;
};
