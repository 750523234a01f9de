#include "cli/CatalogueStatus.h"

#include "cli/SchemaRun.h"

#include "cli/PlantReader.h"
#include "connection/Dataset.h"
#include "maintenance/catalogue/CatalogueData.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace CatalogueStatus {
namespace {

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString key(const QString &name)
{
    return name.toLower();
}

QString describedKey(const QString &table, const QString &column)
{
    return key(table) + QLatin1Char('.') + key(column);
}

QString unbracketed(QString name)
{
    name = name.trimmed();
    if (name.startsWith(QLatin1String("dbo."), Qt::CaseInsensitive))
        name = name.mid(4);
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    return name;
}

// The constraint names a statement gives: "CONSTRAINT name" anywhere in it.
QStringList constraintNames(const QString &clause)
{
    static const QRegularExpression named(QStringLiteral("\\bCONSTRAINT\\s+(\\[[^\\]]+\\]|[^\\s(]+)"),
                                          QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (auto it = named.globalMatch(clause); it.hasNext();)
        out << unbracketed(it.next().captured(1));
    return out;
}

} // namespace

bool Schema::hasColumn(const QString &table, const QString &column) const
{
    const auto t = columns.constFind(key(table));
    return t != columns.constEnd() && t->contains(key(column));
}

Schema read(const PlantReader &reader)
{
    Schema s;
    const std::unique_ptr<Dataset> columns = reader.read(
        QStringLiteral("SELECT TABLE_NAME, COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = 'dbo'"));
    for (columns->first(); !columns->eof(); columns->next())
        s.columns[key(columns->asString(QStringLiteral("TABLE_NAME")))].insert(
            key(columns->asString(QStringLiteral("COLUMN_NAME"))));
    const std::unique_ptr<Dataset> objects = reader.read(QStringLiteral("SELECT name FROM sys.objects"));
    for (objects->first(); !objects->eof(); objects->next())
        s.objects.insert(key(objects->asString(QStringLiteral("name"))));
    const std::unique_ptr<Dataset> described =
        reader.read(QStringLiteral("SELECT t.name AS Tabela, c.name AS Coluna FROM sys.extended_properties p "
                                   "INNER JOIN sys.objects t ON t.object_id = p.major_id "
                                   "INNER JOIN sys.columns c ON c.object_id = p.major_id AND c.column_id = p.minor_id "
                                   "WHERE p.class = 1 AND p.name = 'MS_Description'"));
    for (described->first(); !described->eof(); described->next())
        s.described.insert(
            describedKey(described->asString(QStringLiteral("Tabela")), described->asString(QStringLiteral("Coluna"))));
    return s;
}

Result evaluate(Schema schema)
{
    using namespace catalogue;
    std::vector<const Step *> all;
    for (auto area : {fiscalSteps(), stockSteps(), productionSteps(), userSteps(), wholeSteps()})
        for (const Step &s : area)
            all.push_back(&s);
    std::sort(all.begin(), all.end(), [](const Step *a, const Step *b) { return a->number < b->number; });

    static const QRegularExpression update(QStringLiteral("^UPDATE\\s+(\\S+)\\s+SET\\s+(\\S+)\\s*="),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression alter(QStringLiteral("^ALTER TABLE\\s+(\\S+)\\s+(.*)$"),
                                          QRegularExpression::CaseInsensitiveOption);

    Result r;
    r.steps = int(all.size());
    for (const Step *step : all)
        r.descriptions += int(step->further.size())
                          + int(std::count_if(step->columns.begin(), step->columns.end(),
                                              [](const Column &c) { return !c.description.empty(); }));
    for (const Step *step : all) {
        const QString table = text(step->table);
        const QString tableKey = key(table);
        bool applies = false; // the server would accept the step
        bool repeats = false;
        switch (step->form) {
        case Form::AddColumns: {
            QStringList names; // the named defaults: a name already taken refuses the whole step
            for (const Column &c : step->columns)
                if (!c.constraint.empty() && !c.defaultValue.empty())
                    names << text(c.constraint);
            applies = schema.hasTable(table)
                      && std::none_of(step->columns.begin(), step->columns.end(),
                                      [&](const Column &c) { return schema.hasColumn(table, text(c.name)); })
                      && std::none_of(names.begin(), names.end(),
                                      [&](const QString &n) { return schema.objects.contains(key(n)); });
            if (applies) {
                for (const Column &c : step->columns)
                    schema.columns[tableKey].insert(key(text(c.name)));
                for (const QString &n : names)
                    schema.objects.insert(key(n));
            }
            break;
        }
        case Form::CreateTable: {
            QStringList names = constraintNames(text(step->keyClause));
            for (const Column &c : step->columns)
                if (!c.constraint.empty() && !c.defaultValue.empty())
                    names << text(c.constraint);
            applies = !schema.hasTable(table) && !schema.objects.contains(tableKey)
                      && std::none_of(names.begin(), names.end(),
                                      [&](const QString &n) { return schema.objects.contains(key(n)); });
            if (applies) {
                QSet<QString> &cols = schema.columns[tableKey];
                for (const Column &c : step->columns)
                    cols.insert(key(text(c.name)));
                schema.objects.insert(tableKey);
                for (const QString &n : names)
                    schema.objects.insert(key(n));
            }
            break;
        }
        case Form::Whole: {
            const QString statement = text(step->text).trimmed();
            if (const auto m = update.match(statement); m.hasMatch()) {
                // Unguarded: a missing table or column ends the run.
                const QString target = unbracketed(m.captured(1)), column = m.captured(2);
                if (!schema.hasTable(target) || !schema.hasColumn(target, column)) {
                    r.stoppedAtStep = step->number;
                    r.stopError = !schema.hasTable(target)
                                      ? QStringLiteral("a tabela %1 não existe").arg(target)
                                      : QStringLiteral("a coluna %1 não existe em %2").arg(column, target);
                    return r;
                }
                applies = true;
            } else if (const auto a = alter.match(statement); a.hasMatch()) {
                const QString target = unbracketed(a.captured(1));
                const QString action = a.captured(2).trimmed();
                if (action.startsWith(QLatin1String("DROP CONSTRAINT "), Qt::CaseInsensitive)) {
                    const QString name = key(unbracketed(action.mid(16)));
                    applies = schema.hasTable(target) && schema.objects.contains(name);
                    if (applies)
                        schema.objects.remove(name);
                } else if (action.startsWith(QLatin1String("DROP COLUMN "), Qt::CaseInsensitive)) {
                    const QStringList dropped = action.mid(12).split(QLatin1Char(','));
                    applies =
                        schema.hasTable(target) && std::all_of(dropped.begin(), dropped.end(), [&](const QString &c) {
                            return schema.hasColumn(target, unbracketed(c));
                        });
                    if (applies)
                        for (const QString &c : dropped)
                            schema.columns[key(target)].remove(key(unbracketed(c)));
                } else if (action.startsWith(QLatin1String("SET ("), Qt::CaseInsensitive)) {
                    applies = schema.hasTable(target);
                } else {
                    applies = true; // a form this reading does not know: counted as work to do
                }
            } else {
                applies = true;
            }
            repeats = repeatsEveryRun(SchemaStep {statement, step->guard, {}, QString()});
            break;
        }
        }
        if (applies)
            (repeats ? r.repeatingSteps : r.pendingSteps) << step->number;

        // The descriptions follow the step whether it was accepted or not.
        const auto describe = [&](const QString &t, const QString &c) {
            if (schema.hasColumn(t, c) && !schema.described.contains(describedKey(t, c))) {
                ++r.pendingDescriptions;
                schema.described.insert(describedKey(t, c));
            }
        };
        for (const Column &c : step->columns)
            if (!c.description.empty())
                describe(table, text(c.name));
        for (const Further &f : step->further)
            describe(text(f.table), text(f.column));
    }
    return r;
}

} // namespace CatalogueStatus
