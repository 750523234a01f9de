#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The connection text of the tool is written in the OLE DB form
// ("Provider=SQLOLEDB.1;Password=...;User ID=...;Initial Catalog=...;Data Source=...").
// The server is reached through ODBC, so that text is translated into an ODBC one.
namespace ConnectionString {

using Pairs = QList<QPair<QString, QString>>;

// Splits an OLE DB connection text into key/value pairs, in order. Values may be enclosed
// in double or single quotes (the enclosing quote doubled inside), which is how a value
// holding ';' is written. Keys keep their spelling; compare them without regard to case.
Pairs parse(const QString &text);

// The value of a key (case-insensitive), or an empty text.
QString value(const Pairs &pairs, const QString &key);

// Writes a value so that parse() gives it back unchanged: as it is when it holds no
// ';', no quote at its start and no blank at either end; otherwise enclosed in quotes.
QString quoteValue(const QString &value);

// Where the server is, from a "Data Source" value: "host", "host,port", "tcp:host,port",
// "host\instance" (and "host\instance,port").
struct ServerAddress
{
    QString host;
    int port = 0;        // 0: not given
    QString instance;    // empty: default instance
};
ServerAddress parseDataSource(const QString &dataSource);

// Encloses an ODBC attribute value in braces when needed. The standard form doubles a '}'
// inside; FreeTDS takes everything up to the first "};" (or the final '}') as it stands, so
// for it nothing is doubled (and a value holding "};" cannot be written).
QString odbcValue(const QString &value, bool freeTds = false);

// Builds the ODBC connection text for the given OLE DB text.
// driver: the ODBC driver name ("FreeTDS" when empty).
QString toOdbc(const QString &oledb, const QString &driver = QString());

} // namespace ConnectionString
