#include "connection/Connection.h"

#include "connection/ConnectionString.h"
#include "connection/DbError.h"
#include "connection/OdbcQuery.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace {
QAtomicInt connectionCounter;

// Where Debian's tdsodbc puts the driver, for a system where it is not registered by name.
const char *const freeTdsLibraries[] = {
    "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so",
    "/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so",
    "/usr/lib/odbc/libtdsodbc.so",
};

// A freetds.conf naming the connection's server section, in force while the driver connects:
// FreeTDS reads the file named by FREETDSCONF when it parses the connection text, and falls
// back on the usual files for every other section.
class FreeTdsConf
{
public:
    explicit FreeTdsConf(const QString &text)
    {
        if (text.isEmpty())
            return;
        static QTemporaryDir dir;
        m_file.setFileTemplate(dir.filePath(QStringLiteral("freetds-XXXXXX.conf")));
        if (!dir.isValid() || !m_file.open())
            throw DbError(QStringLiteral("Não foi possível criar o arquivo de configuração do FreeTDS ..!"));
        m_file.write(text.toUtf8());
        m_file.flush();
        m_hadPrevious = qEnvironmentVariableIsSet("FREETDSCONF");
        m_previous = qgetenv("FREETDSCONF");
        qputenv("FREETDSCONF", QFile::encodeName(m_file.fileName()));
        m_active = true;
    }
    ~FreeTdsConf()
    {
        if (!m_active)
            return;
        if (m_hadPrevious)
            qputenv("FREETDSCONF", m_previous);
        else
            qunsetenv("FREETDSCONF");
    }
    FreeTdsConf(const FreeTdsConf &) = delete;
    FreeTdsConf &operator=(const FreeTdsConf &) = delete;

private:
    QTemporaryFile m_file;
    QByteArray m_previous;
    bool m_hadPrevious = false;
    bool m_active = false;
};

int nativeCodeOf(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? code : 0;
}
} // namespace

Connection::Connection(QObject *parent)
    : QObject(parent), m_name(QStringLiteral("orvo-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

Connection::~Connection()
{
    if (QSqlDatabase::contains(m_name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
}

void Connection::setConnectionString(const QString &oledb)
{
    m_connectionString = oledb;
}

void Connection::setDriver(const QString &driver)
{
    m_driver = driver;
}

QString Connection::odbcConnectionString() const
{
    return ConnectionString::odbcText(m_connectionString, m_driver, m_name).text;
}

bool Connection::isEncrypted(int timeoutSeconds) const
{
    const OdbcQuery::Result r = OdbcQuery::select(
        const_cast<Connection &>(*this),
        QStringLiteral("SELECT encrypt_option FROM sys.dm_exec_connections WHERE session_id = @@SPID"), timeoutSeconds);
    if (r.rows.isEmpty() || r.rows.first().isEmpty())
        throw DbError(QStringLiteral("O servidor não informou a criptografia desta conexão ..!"));
    return r.rows.first().first().toString().trimmed().compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
}

void Connection::open()
{
    if (isOpen())
        return;
    if (onBeforeConnect)
        onBeforeConnect();
    emit beforeConnect();
    QSqlDatabase db = QSqlDatabase::contains(m_name) ? QSqlDatabase::database(m_name, false)
                                                     : QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    if (!db.isValid())
        throw DbError(QStringLiteral("O driver ODBC do Qt (QODBC) não está instalado."));
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15"));
    const ConnectionString::OdbcText odbc = ConnectionString::odbcText(m_connectionString, m_driver, m_name);
    const FreeTdsConf conf(odbc.freeTdsConf);
    db.setDatabaseName(odbc.text);
    bool ok = db.open();
    if (!ok && m_driver.isEmpty() && db.lastError().text().contains(QLatin1String("IM002"))) {
        // "FreeTDS" is not registered with the driver manager: name the library itself.
        for (const char *lib : freeTdsLibraries) {
            if (QFileInfo::exists(QString::fromLatin1(lib))) {
                db.setDatabaseName(
                    ConnectionString::odbcText(m_connectionString, QString::fromLatin1(lib), m_name).text);
                ok = db.open();
                break;
            }
        }
    }
    if (!ok) {
        const QSqlError e = db.lastError();
        QString text = stripDriverTags(e.databaseText());
        if (text.isEmpty())
            text = stripDriverTags(e.text());
        const int code = nativeCodeOf(e);
        // The driver reports a refused certificate as a plain connection failure (FreeTDS: 20002,
        // not the 20009 of a server that does not answer).
        const auto mode = ConnectionString::encryptionOf(ConnectionString::parse(m_connectionString)).mode;
        if ((code == 0 || code == 20002)
            && (mode == ConnectionString::Encryption::Mode::Yes || mode == ConnectionString::Encryption::Mode::Strict))
            text += QStringLiteral("\nA planta exige conexão criptografada (Encrypt): verifique se o certificado do "
                                   "servidor é emitido para este nome de servidor por uma autoridade confiável "
                                   "(CAFile) ou use TrustServerCertificate=yes ..!");
        throw DbError(text, code);
    }
    m_open = true;
    emit afterConnect();
    if (onAfterConnect)
        onAfterConnect();
}

void Connection::close()
{
    if (!m_open)
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    m_open = false;
    emit afterDisconnect();
    if (onAfterDisconnect)
        onAfterDisconnect();
}

bool Connection::isOpen() const
{
    return m_open;
}

QSqlDatabase Connection::database() const
{
    return QSqlDatabase::database(m_name, false);
}
