#pragma once

#include <QString>
#include <QVariant>

class Dataset;
struct DatasetColumn;

// The insert script of one user: the current user of the list as one INSERT statement
// that recreates it in another ORVO database. Names and values are separated by a
// carriage return (without a line feed). The row identity, the identity number and the
// signature pictures are left out; the other columns are rendered by their type.
namespace UserScript {

// A number as "0.000000" in the regional format of the workstation (the default locale),
// then every "," replaced by ".": 0.5 gives 0.500000 whatever the decimal separator.
QString FormataDecimal(double value);

// Whether a column stays out of the script: uniqueidentifier, binary large objects
// (image) and identity columns.
bool isSkipped(const DatasetColumn &column);

// The value of a column as the script writes it (see the README for the types left to
// our choice). Every quote inside a text is doubled.
QString renderValue(const DatasetColumn &column, const QVariant &value);

struct Report
{
    bool exported = false; // false: no current user, nothing to export
    QString script;
    int columns = 0; // names in the script
};
// The script of the current user of the list; sends nothing to the server.
Report insertScript(const Dataset &users);

QString noUserMessage();

} // namespace UserScript
