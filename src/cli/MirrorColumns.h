#pragma once

#include "maintenance/SchemaStep.h"

#include <QList>
#include <QString>

class PlantReader;

// The columns that the accent-free mirror run adds, read from its own statements: every
// "ALTER TABLE dbo.<table> ADD <column> <type> ..., ..." names its table and columns.
namespace MirrorColumns {

struct Column
{
    QString table; // as the server knows it, without brackets
    QString column;
};

// Each table and column once, in the order the steps first add them.
QList<Column> addedBy(const QList<SchemaStep> &steps);

// Those of the list that the database does not have (a missing table counts for each of its
// columns), in list order.
QList<Column> missing(const PlantReader &reader, const QList<Column> &columns);

} // namespace MirrorColumns
