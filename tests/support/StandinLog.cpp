#include "StandinServer.h"

// Provisional reading of the log: one batch per entry, entries separated by blank-free
// marker lines written by the server.
QStringList parseStandinLog(const QString &logText)
{
    QStringList out;
    if (!logText.isEmpty())
        out << logText;
    return out;
}
