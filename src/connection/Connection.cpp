#include "connection/Connection.h"

#include "connection/ConnectionString.h"
#include "connection/DbError.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>

namespace {
QAtomicInt connectionCounter;

// Where Debian's tdsodbc puts the driver, for a system where it is not registered by name.
const char *const freeTdsLibraries[] = {
    "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so",
    "/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so",
    "/usr/lib/odbc/libtdsodbc.so",
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
    return ConnectionString::toOdbc(m_connectionString, m_driver);
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
    db.setDatabaseName(odbcConnectionString());
    bool ok = db.open();
    if (!ok && m_driver.isEmpty() && db.lastError().text().contains(QLatin1String("IM002"))) {
        // "FreeTDS" is not registered with the driver manager: name the library itself.
        for (const char *lib : freeTdsLibraries) {
            if (QFileInfo::exists(QString::fromLatin1(lib))) {
                db.setDatabaseName(ConnectionString::toOdbc(m_connectionString, QString::fromLatin1(lib)));
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
        throw DbError(text, nativeCodeOf(e));
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
