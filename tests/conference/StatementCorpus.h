#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// The statement texts of a file of the statement corpus (standin/fixtures/statements), in
// order: each batch less its leading comment lines, up to its GO line.
inline QStringList corpusStatements(const QString &fileName)
{
    QFile f(QStringLiteral(ORVO_SOURCE_DIR "/standin/fixtures/statements/") + fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    QStringList body;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line == QLatin1String("GO")) {
            out << body.join(QLatin1Char('\n'));
            body.clear();
        } else if (!body.isEmpty() || (!line.startsWith(QLatin1String("--")) && !line.trimmed().isEmpty())) {
            body << line;
        }
    }
    return out;
}

// The folder of the demo reader file (reader/exemplo.txt).
inline QString demoReaderFolder()
{
    return QStringLiteral(ORVO_SOURCE_DIR "/standin/fixtures/reader");
}
