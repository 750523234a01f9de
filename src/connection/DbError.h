#pragma once

#include <QString>
#include <stdexcept>

// An error reported by the database server or the client library. The text is the
// server's own message, without the tags that the ODBC layers put in front of it
// ("[unixODBC][FreeTDS][SQL Server]...").
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message, int nativeCode = 0);

    QString message() const { return m_message; }
    // The server's error number (e.g. 208 for an unknown object), 0 when unknown.
    int nativeCode() const { return m_nativeCode; }

private:
    QString m_message;
    int m_nativeCode;
};

// Removes the driver tags from every diagnostic line of an ODBC error text.
QString stripDriverTags(const QString &text);
