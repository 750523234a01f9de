#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

class PlantReader;

// What the schema equalization would still change in a database, told from the database's
// metadata alone: its tables and columns, the names of its objects and constraints, and the
// column descriptions it holds. Each catalogue step is played, in run order, against a model
// of that schema as the server would take it (a table created, columns added together or not
// at all, a constraint dropped), so that a step that only works after an earlier one counts
// as the run would count it. Nothing is sent but three SELECTs.
namespace CatalogueStatus {

// The schema as the metadata shows it; names keyed without regard to case, with regard to
// accents, as the server's collation compares them.
struct Schema
{
    QHash<QString, QSet<QString>> columns; // table -> its columns
    QSet<QString> objects; // names of tables, constraints, triggers, functions, procedures
    QSet<QString> described; // "table.column" holding an MS_Description

    bool hasTable(const QString &table) const { return columns.contains(table.toLower()); }
    bool hasColumn(const QString &table, const QString &column) const;
};

Schema read(const PlantReader &reader);

struct Result
{
    int steps = 0;
    int descriptions = 0;
    QList<int> pendingSteps; // steps that would add or change structure
    QList<int> repeatingSteps; // steps that every run repeats (row updates, table options)
    int pendingDescriptions = 0; // descriptions the run would write
    int stoppedAtStep = 0; // an unguarded step would end the run here (0: it runs to its end)
    QString stopError;
};

// Plays the equalization catalogue against the schema.
Result evaluate(Schema schema);

} // namespace CatalogueStatus
