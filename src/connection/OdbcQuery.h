#pragma once

#include "connection/Dataset.h"

#include <QString>
#include <QVector>

class Connection;

// Runs SQL text on an open connection through Qt SQL, walking every result of the batch so
// that an error in any statement is raised (DbError with the server's text).
namespace OdbcQuery {

struct Result
{
    QList<DatasetColumn> columns;
    QVector<QVector<QVariant>> rows;
    int rowsAffected = -1;
};

// Runs text and returns the first row set (all rows) with its columns. With a timeout
// (seconds, 0 for none) the driver cancels the batch once it runs longer.
Result select(Connection &connection, const QString &text, int timeoutSeconds = 0);
// Runs text without reading rows; returns the rows affected by its last statement (-1
// unknown). With a timeout (seconds, 0 for none) the driver cancels the statement once it
// runs longer (an attention to the server), and the timeout is raised as its error.
int execute(Connection &connection, const QString &text, int timeoutSeconds = 0);

// The SQL Server type name for an ODBC SQL type and column size.
QString serverTypeName(int odbcType, int size, int scale);
// A cell value as the dataset keeps it (QUuid for uniqueidentifier columns).
QVariant normalize(const DatasetColumn &column, const QVariant &value);

} // namespace OdbcQuery
