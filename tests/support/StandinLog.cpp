#include "StandinServer.h"

#include <QRegularExpression>

// The log holds one entry per batch: a header line "=== <time> login '<login>' database
// '<db>' host '<host>' spid <n>", the batch text (a line feed added when it did not end with
// one), then outcome lines starting with "-- statement 1: " (or "-- no statement").
QStringList parseStandinLog(const QString &logText)
{
    static const QRegularExpression header(QStringLiteral("(?:^|\\n)=== [^\\n]* spid \\d+\\n"));
    QStringList out;
    QList<QPair<qsizetype, qsizetype>> bodies;   // start, end of each entry's body
    auto it = header.globalMatch(logText);
    qsizetype previousStart = -1;
    while (it.hasNext()) {
        const auto m = it.next();
        if (previousStart >= 0)
            bodies.append({previousStart, m.capturedStart()});
        previousStart = m.capturedEnd();
    }
    if (previousStart >= 0)
        bodies.append({previousStart, logText.size()});
    for (const auto &b : bodies) {
        const QString body = logText.mid(b.first, b.second - b.first);
        qsizetype cut = body.lastIndexOf(QLatin1String("\n-- statement 1: "));
        const qsizetype none = body.lastIndexOf(QLatin1String("\n-- no statement"));
        if (none > cut)
            cut = none;
        if (cut < 0) {
            if (body.startsWith(QLatin1String("-- statement 1: ")) || body.startsWith(QLatin1String("-- no statement")))
                out << QString();
            else
                out << body;
            continue;
        }
        QString batch = body.left(cut + 1);
        if (batch.endsWith(QLatin1Char('\n')) && !batch.endsWith(QLatin1String("\r\n")))
            batch.chop(1);
        out << batch;
    }
    return out;
}
