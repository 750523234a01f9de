#pragma once

#include <QObject>
#include <QString>

class Connection;

// Statement text sent to the server as one batch, without parameters and without reading
// a result. The text may hold several statements, and the creation of triggers, functions
// and procedures. Opens its connection first when it is closed.
class Command : public QObject
{
    Q_OBJECT
public:
    explicit Command(QObject *parent = nullptr);

    void setConnection(Connection *connection) { m_connection = connection; }
    Connection *connection() const { return m_connection; }

    void setText(const QString &text) { m_text = text; }
    QString text() const { return m_text; }

    // Seconds the server may take; 1200 by default.
    void setTimeout(int seconds) { m_timeout = seconds; }
    int timeout() const { return m_timeout; }

    // Runs the text. Throws DbError when the server refuses any statement of it.
    // Returns the number of rows the last statement affected (-1 when unknown).
    int execute();

    // Convenience: setText(text) then execute().
    int execute(const QString &text);

private:
    Connection *m_connection = nullptr;
    QString m_text;
    int m_timeout = 1200;
};
