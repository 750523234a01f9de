#pragma once

#include <QList>
#include <QString>

// What becomes of a failing statement of a schema step.
enum class Guard {
    Silent, // the failure is ignored and leaves no trace
    Reported, // the failure is ignored; the statement's text becomes a line of the report
    Unguarded, // the failure ends the run
};

// A column description written after a step as the extended property MS_Description.
// table and column are the names as the server knows them: no schema, no brackets.
struct DescriptionEntry
{
    QString mode; // "Excluir_Antes" drops an existing description first; anything else only adds
    QString table;
    QString column;
    QString text;
};

// One statement sent to the database, with its guard and the descriptions written after it
// (whether it succeeded or failed, unless an unguarded failure ended the run).
struct SchemaStep
{
    QString statement;
    Guard guard = Guard::Silent;
    QList<DescriptionEntry> descriptions;
    // A progress mark reported once the step and its descriptions are done ("10%"); empty for none.
    QString milestone;
};
