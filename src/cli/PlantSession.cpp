#include "cli/PlantSession.h"

#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/DbError.h"

#include <QFile>
#include <QFileInfo>

bool PlantIni::load(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        m_error = QStringLiteral("Arquivo INI não encontrado: %1 ..!").arg(path);
        return false;
    }
    QFile probe(path);
    if (info.isDir() || !probe.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Arquivo INI não pode ser lido: %1 ..!").arg(path);
        return false;
    }
    probe.close();
    m_ini.load(path);
    return true;
}

QString PlantIni::find(const QString &plant) const
{
    for (const QString &s : m_ini.sections())
        if (s.compare(plant, Qt::CaseInsensitive) == 0)
            return s;
    return QString();
}

PlantSession::PlantSession(const PlantProfile &profile, int timeoutSeconds)
    : m_profile(profile), m_connection(std::make_unique<Connection>()), m_command(std::make_unique<Command>())
{
    m_connection->setConnectionString(m_profile.connectionString());
    m_connection->setDriver(m_profile.driver);
    m_command->setConnection(m_connection.get());
    m_command->setTimeout(timeoutSeconds);
}

PlantSession::~PlantSession()
{
    m_connection->close();
}

bool PlantSession::open()
{
    try {
        m_connection->open();
        return true;
    } catch (const DbError &e) {
        m_error = e.message().trimmed();
        return false;
    }
}

PlantReader PlantSession::reader()
{
    return PlantReader(*m_connection, m_command->timeout());
}
