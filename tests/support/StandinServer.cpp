#include "StandinServer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <stdexcept>

#ifndef ORVO_SOURCE_DIR
#error "ORVO_SOURCE_DIR must be defined"
#endif

StandinServer::StandinServer() = default;

StandinServer::~StandinServer()
{
    stop();
}

bool StandinServer::available()
{
    return !binaryPath().isEmpty();
}

QString StandinServer::binaryPath()
{
#ifdef ORVO_STANDIN_PATH
    return QStringLiteral(ORVO_STANDIN_PATH);
#else
    return QString();
#endif
}

QString StandinServer::fixturesDir()
{
    return QStringLiteral(ORVO_SOURCE_DIR "/standin/fixtures");
}

void StandinServer::start(const QStringList &extraLogins, const QStringList &extraArgs)
{
    if (!available())
        throw std::runtime_error("sql-standin is not part of this build");
    const QString fx = fixturesDir();
    QStringList args{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                     QStringLiteral("--login"), QStringLiteral("orvo:orvo"),
                     QStringLiteral("--database"), QStringLiteral("ORVO=%1/orvo-base.sql").arg(fx),
                     QStringLiteral("--database"), QStringLiteral("ORVO=%1/orvo-demo.sql").arg(fx),
                     QStringLiteral("--database"), QStringLiteral("Vuzur=%1/sister.sql").arg(fx),
                     QStringLiteral("--database"), QStringLiteral("zAraradovi=%1/sister.sql").arg(fx),
                     QStringLiteral("--log"), logPath()};
    for (const QString &l : extraLogins)
        args << QStringLiteral("--login") << l;
    args << extraArgs;
    m_process.setProgram(binaryPath());
    m_process.setArguments(args);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        throw std::runtime_error("sql-standin did not start: " + m_process.errorString().toStdString());
    // The first line of its output: "listening on 127.0.0.1:N".
    static const QRegularExpression listening(QStringLiteral("listening on [0-9.]+:(\\d+)"));
    QByteArray out;
    while (!out.contains('\n')) {
        if (!m_process.waitForReadyRead(60000)) {
            const QByteArray err = m_process.readAllStandardError();
            stop();
            throw std::runtime_error("sql-standin gave no address: " + err.toStdString());
        }
        out += m_process.readAllStandardOutput();
    }
    const auto m = listening.match(QString::fromUtf8(out));
    if (!m.hasMatch()) {
        stop();
        throw std::runtime_error("unexpected first line from sql-standin: " + out.toStdString());
    }
    m_port = m.captured(1).toInt();
}

void StandinServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

QString StandinServer::logText() const
{
    QFile f(logPath());
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    f.seek(m_logMark);
    return QString::fromUtf8(f.readAll());
}

void StandinServer::markLog()
{
    QFile f(logPath());
    m_logMark = f.exists() ? f.size() : 0;
}

QStringList StandinServer::batches() const
{
    return parseStandinLog(logText());
}
