#pragma once

// What a schema or mirror run must send, as recorded in the statement corpus
// (standin/fixtures/statements/*.expect), independent of the catalogue the run reads: one id
// per statement, "step 5" for a step and "step 5 cClassTrib.CCT" for the description of a
// column written after it.
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

// The ids of a recorded run; with lastStep > 0 only up to that step's own statement (a run
// that its unguarded step lastStep ended).
inline QStringList recordedIds(const QString &fileName, int lastStep = 0)
{
    QFile f(QStringLiteral(ORVO_SOURCE_DIR "/standin/fixtures/statements/") + fileName);
    QStringList ids;
    if (!f.open(QIODevice::ReadOnly))
        return ids;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("step ")))
            continue;
        const QString id = line.section(QLatin1Char('\t'), 0, 0);
        const int step = id.section(QLatin1Char(' '), 1, 1).toInt();
        if (lastStep > 0 && (step > lastStep || (step == lastStep && id.count(QLatin1Char(' ')) > 1)))
            break;
        ids << id;
    }
    return ids;
}

// The number of distinct steps among the ids.
inline int stepCount(const QStringList &ids)
{
    QSet<QString> steps;
    for (const QString &id : ids)
        steps.insert(id.section(QLatin1Char(' '), 0, 1));
    return int(steps.size());
}

// The first batch that does not fit its recorded id (empty when all fit, and as many batches
// as ids). A description is the add statement naming the id's table and column; a step is
// any statement but a description's.
inline QString mismatchWithRecord(const QStringList &batches, const QStringList &ids)
{
    static const QRegularExpression add(QStringLiteral(
        "^DECLARE @v sql_variant SET @v = '[^']*'EXECUTE sp_addextendedproperty 'MS_Description', @v, 'user', "
        "'dbo', 'table', '([^']+)', 'column', '([^']+)'$"));
    for (int i = 0; i < qMin(batches.size(), ids.size()); ++i) {
        const QRegularExpressionMatch m = add.match(batches[i]);
        const QString target = ids[i].section(QLatin1Char(' '), 2);
        const bool fits =
            target.isEmpty() ? !m.hasMatch() && !batches[i].startsWith(QLatin1String("EXECUTE sp_dropextendedproperty"))
                             : m.hasMatch() && m.captured(1) + QLatin1Char('.') + m.captured(2) == target;
        if (!fits)
            return QStringLiteral("statement %1 (%2): %3").arg(i + 1).arg(ids[i], batches[i].left(200));
    }
    if (batches.size() != ids.size())
        return QStringLiteral("%1 statements sent, %2 recorded").arg(batches.size()).arg(ids.size());
    return QString();
}

// The batch sent for a recorded id (empty when there is none).
inline QString batchOf(const QStringList &batches, const QStringList &ids, const QString &id)
{
    const int i = int(ids.indexOf(id));
    return i >= 0 && i < batches.size() ? batches[i] : QString();
}
