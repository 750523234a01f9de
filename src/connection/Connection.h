#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <functional>

// One connection to the server. The connection text is in the OLE DB form; it is
// translated to ODBC (unixODBC + FreeTDS, or another driver named by setDriver) when
// the connection is opened. Never prompts for a login.
class Connection : public QObject
{
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    void setConnectionString(const QString &oledb);
    QString connectionString() const { return m_connectionString; }

    // ODBC driver name; empty means "FreeTDS".
    void setDriver(const QString &driver);
    QString driver() const { return m_driver; }

    // The ODBC text the next open() uses. Throws DbError when the driver cannot do what the
    // text asks (see ConnectionString::odbcText).
    QString odbcConnectionString() const;

    // Whether the server says this open connection travels encrypted as a whole
    // (encrypt_option of the own session in sys.dm_exec_connections; a session that encrypted
    // only its login reads false). Throws DbError when the server does not answer it, e.g. a
    // login without the VIEW SERVER STATE permission, or when the question runs past the
    // timeout (seconds, 0 for none) and the driver cancels it.
    bool isEncrypted(int timeoutSeconds = 0) const;

    // Emits beforeConnect, opens, emits afterConnect. Throws DbError with the server's
    // message when the server, the database or the login is refused. Opening an open
    // connection does nothing.
    void open();
    // Closes; emits afterDisconnect when the connection was open.
    void close();
    bool isOpen() const;

    // The Qt SQL connection underneath (valid while open), for Dataset and Command.
    QSqlDatabase database() const;
    QString qtConnectionName() const { return m_name; }

    // Event handlers of the owning window, run before the signal of the same name. Unlike
    // slots they may throw: a DbError from onAfterConnect reaches the caller of open()
    // (the connection then stays open).
    std::function<void()> onBeforeConnect;
    std::function<void()> onAfterConnect;
    std::function<void()> onAfterDisconnect;

signals:
    void beforeConnect();
    void afterConnect();
    void afterDisconnect();

private:
    QString m_name;
    QString m_connectionString;
    QString m_driver;
    bool m_open = false;
};
