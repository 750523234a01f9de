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

// The driver of a plant without a Driver key: FreeTDS, or on Windows Microsoft's
// "ODBC Driver 18 for SQL Server".
QString defaultDriver();
// Whether a driver name (empty: the default) means FreeTDS; any other driver is spoken to
// as Microsoft's drivers for SQL Server are.
bool isFreeTds(const QString &driver);

// How the connection is protected, read from the OLE DB keys "Use Encryption for Data"
// (False/No/Optional, True/Yes/Mandatory, Strict), "Trust Server Certificate" (True/False)
// and "CA File" (a PEM file of certificate authorities to trust).
struct Encryption
{
    enum class Mode { Default, No, Yes, Strict };
    Mode mode = Mode::Default;
    bool trustServerCertificate = false;
    QString caFile;
};
// Throws DbError on a value that is none of the above.
Encryption encryptionOf(const Pairs &pairs);

// The ODBC side of a connection: the connection text, and for FreeTDS, when a certificate
// authority must be named (FreeTDS takes it only from freetds.conf), the text of a
// freetds.conf whose section `confSection` the connection text names.
struct OdbcText
{
    QString text;
    QString freeTdsConf;
};

// Builds the ODBC connection for the given OLE DB text and driver (defaultDriver() when empty).
// Throws DbError when the driver cannot do what the text asks (strict encryption on FreeTDS,
// a CA file with a driver that takes it only from the system's certificate store).
OdbcText odbcText(const QString &oledb, const QString &driver = QString(),
                  const QString &confSection = QStringLiteral("orvo"));
// The connection text alone.
QString toOdbc(const QString &oledb, const QString &driver = QString());

} // namespace ConnectionString
