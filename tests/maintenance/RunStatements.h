#pragma once

#include "maintenance/ColumnDescription.h"
#include "maintenance/SchemaStep.h"

#include <QList>
#include <QString>

// Every statement a run of the steps sends when no unguarded step fails, in order, each with
// an id: "step 5" for a step, "step 5 cClassTrib.CCT" for a description statement.
struct RunStatement
{
    QString id;
    QString text;
};

inline QList<RunStatement> runStatements(const QList<SchemaStep> &steps, int lastStep = -1)
{
    QList<RunStatement> out;
    for (int i = 0; i < steps.size() && (lastStep < 0 || i < lastStep); ++i) {
        const QString step = QStringLiteral("step %1").arg(i + 1);
        out.append({step, steps[i].statement});
        for (const DescriptionEntry &d : steps[i].descriptions)
            for (const QString &t : ColumnDescription::statements(d))
                out.append({step + QLatin1Char(' ') + d.table + QLatin1Char('.') + d.column, t});
    }
    return out;
}

inline QStringList runTexts(const QList<SchemaStep> &steps, int lastStep = -1)
{
    QStringList out;
    for (const RunStatement &s : runStatements(steps, lastStep))
        out << s.text;
    return out;
}
