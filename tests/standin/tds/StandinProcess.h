// Starts sql-standin on a free loopback port for one test and runs client programs against it.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class StandinProcess {
public:
    ~StandinProcess();
    // Starts the server with the given extra arguments (port 0 is added). Returns false with
    // the server's error output in `error` when it does not come up.
    bool start(const QStringList& args, QString* error = nullptr);
    void kill9();
    void stop();
    bool running() const { return process.state() == QProcess::Running; }
    uint16_t port = 0;
    QProcess process;

    // Writes a script file into a temporary directory owned by this object.
    QString writeFile(const QString& name, const QByteArray& content);
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;

    // The ODBC connection string of the issue, DSN-less through FreeTDS.
    QString odbcConnectionString(const QString& user, const QString& password, const QString& database) const;
};

struct ToolResult {
    int exitCode = -1;
    QString out;  // stdout and stderr together
};
// Runs a program with `input` on stdin, bounded by `timeoutMs`.
ToolResult runTool(const QString& program, const QStringList& args, const QByteArray& input = {}, int timeoutMs = 30000);

// A small database with one table of every common type, used by several tests.
extern const char* kTypesScript;
