#pragma once

#include <QString>

#include <memory>

class Connection;
class Dataset;
class DbError;

// The reads of one command over one connection: every dataset it hands out carries the
// command's timeout (--timeout), so that no SELECT of orvo-admin waits longer than a step
// may. Commands and their readings take their datasets from here, never set up their own.
class PlantReader
{
public:
    PlantReader(Connection &connection, int timeoutSeconds) : m_connection(&connection), m_timeout(timeoutSeconds) { }

    // A dataset over the SQL text with the timeout, not yet open; read-only unless asked.
    std::unique_ptr<Dataset> dataset(const QString &sql, bool readOnly = true) const;
    // The same dataset opened: every row read. A refusal, or a read that runs past the
    // timeout and is cancelled by the driver, reaches the caller as DbError.
    std::unique_ptr<Dataset> read(const QString &sql) const;

    Connection &connection() const { return *m_connection; }
    int timeout() const { return m_timeout; }

    // What a failed read says: the server's message, or for a read the driver cancelled that
    // it passed the timeout.
    QString failure(const DbError &error) const;

private:
    Connection *m_connection;
    int m_timeout;
};
