#pragma once

// What the benchmarks that talk to a sql-standin share: one server holding several fresh
// copies of the demo ORVO database (base schema and demo rows), and the median of a series.
#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Starts the stand-in at `standinPath` on a free loopback port with the login bench/bench and
// one database per name, each loaded from the fixtures' base and demo scripts. Returns the
// port, or an empty text (with the server's error printed) when it did not start.
inline QString startDemoServer(QProcess &server, const QString &standinPath, const QString &fixtures,
                               const QStringList &databases)
{
    QStringList args {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--login"),
                      QStringLiteral("bench:bench")};
    for (const QString &name : databases)
        args << QStringLiteral("--database") << name + QLatin1Char('=') + fixtures + QStringLiteral("/orvo-base.sql")
             << QStringLiteral("--database") << name + QLatin1Char('=') + fixtures + QStringLiteral("/orvo-demo.sql");
    server.start(standinPath, args);
    QByteArray first;
    while (!first.contains('\n') && server.waitForReadyRead(60000))
        first += server.readAllStandardOutput();
    const auto m = QRegularExpression(QStringLiteral("listening on [0-9.]+:(\\d+)")).match(QString::fromUtf8(first));
    if (!m.hasMatch()) {
        std::fprintf(stderr, "sql-standin did not start: %s\n", server.readAllStandardError().constData());
        return QString();
    }
    return m.captured(1);
}
