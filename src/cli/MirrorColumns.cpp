#include "cli/MirrorColumns.h"

#include "cli/PlantReader.h"
#include "connection/Dataset.h"

#include <QRegularExpression>
#include <QSet>

namespace MirrorColumns {
namespace {

// The definitions of an ADD list, split at the commas outside parentheses.
QStringList definitions(const QString &list)
{
    QStringList out;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QChar c = list[i];
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        else if (c == QLatin1Char(',') && depth == 0) {
            out << list.mid(start, i - start).trimmed();
            start = i + 1;
        }
    }
    out << list.mid(start).trimmed();
    return out;
}

QString unbracketed(QString name)
{
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2).replace(QLatin1String("]]"), QLatin1String("]"));
    return name;
}

QString key(const QString &table, const QString &column)
{
    return table.toLower() + QLatin1Char('.') + column.toLower();
}

} // namespace

QList<Column> addedBy(const QList<SchemaStep> &steps)
{
    static const QRegularExpression addColumns(QStringLiteral("^ALTER TABLE dbo\\.(\\[[^\\]]+\\]|\\S+) ADD (.*)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    QList<Column> out;
    QSet<QString> seen;
    for (const SchemaStep &step : steps) {
        const auto m = addColumns.match(step.statement.trimmed());
        if (!m.hasMatch())
            continue;
        const QString table = unbracketed(m.captured(1));
        for (const QString &definition : definitions(m.captured(2))) {
            const QString column = unbracketed(definition.section(QLatin1Char(' '), 0, 0));
            if (column.isEmpty() || seen.contains(key(table, column)))
                continue;
            seen.insert(key(table, column));
            out << Column {table, column};
        }
    }
    return out;
}

QList<Column> missing(const PlantReader &reader, const QList<Column> &columns)
{
    const std::unique_ptr<Dataset> present = reader.read(
        QStringLiteral("SELECT TABLE_NAME, COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = 'dbo'"));
    // Names compare without regard to case but with regard to accents, as the server's
    // collation does: Familia and Família are two columns.
    QSet<QString> have;
    for (present->first(); !present->eof(); present->next())
        have.insert(
            key(present->asString(QStringLiteral("TABLE_NAME")), present->asString(QStringLiteral("COLUMN_NAME"))));
    QList<Column> out;
    for (const Column &c : columns)
        if (!have.contains(key(c.table, c.column)))
            out << c;
    return out;
}

} // namespace MirrorColumns
