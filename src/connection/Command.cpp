#include "connection/Command.h"

#include "connection/Connection.h"
#include "connection/DbError.h"
#include "connection/OdbcQuery.h"

Command::Command(QObject *parent)
    : QObject(parent)
{
}

int Command::execute()
{
    if (!m_connection)
        throw DbError(QStringLiteral("Comando sem conexão."));
    if (!m_connection->isOpen())
        m_connection->open();
    return OdbcQuery::execute(*m_connection, m_text, m_timeout);
}

int Command::execute(const QString &text)
{
    setText(text);
    return execute();
}
