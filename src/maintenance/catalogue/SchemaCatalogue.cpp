#include "maintenance/Catalogue.h"

#include "connection/SqlText.h"
#include "maintenance/ColumnDescription.h"
#include "maintenance/catalogue/CatalogueData.h"

#include <algorithm>
#include <vector>

using namespace catalogue;

namespace {

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// A table name with a blank goes in brackets: dbo.[Itens Nota].
QString tableName(std::string_view table)
{
    const QString name = text(table);
    return name.contains(QLatin1Char(' ')) ? SqlText::bracketed(name) : name;
}

QString columnDefinition(const Column &c)
{
    QString s = text(c.name) + QLatin1Char(' ') + text(c.type);
    if (c.kind == Kind::Identity)
        s += QStringLiteral(" IDENTITY(1,1)");
    if (c.null == Null::Nullable)
        s += QStringLiteral(" NULL");
    else if (c.null == Null::NotNull)
        s += QStringLiteral(" NOT NULL");
    if (!c.defaultValue.empty()) {
        if (!c.constraint.empty())
            s += QStringLiteral(" CONSTRAINT ") + text(c.constraint);
        s += QStringLiteral(" DEFAULT ") + text(c.defaultValue);
    }
    return s;
}

QString columnList(std::span<const Column> columns)
{
    QStringList parts;
    for (const Column &c : columns)
        parts << columnDefinition(c);
    return parts.join(QStringLiteral(", "));
}

DescriptionEntry entry(std::string_view table, std::string_view column, std::string_view description)
{
    return {ColumnDescription::addOnlyMode(), text(table), text(column), text(description)};
}

} // namespace

QString catalogueStatement(const Step &step)
{
    switch (step.form) {
    case Form::AddColumns:
        return QStringLiteral("ALTER TABLE dbo.") + tableName(step.table) + QStringLiteral(" ADD ")
               + columnList(step.columns);
    case Form::CreateTable: {
        QString s =
            QStringLiteral("CREATE TABLE dbo.") + tableName(step.table) + QLatin1Char('(') + columnList(step.columns);
        if (!step.keyClause.empty())
            s += QStringLiteral(", ") + text(step.keyClause);
        s += QLatin1Char(')');
        if (step.onPrimary)
            s += QStringLiteral(" ON [PRIMARY]");
        return s;
    }
    case Form::Whole:
        break;
    }
    return text(step.text);
}

QList<DescriptionEntry> catalogueDescriptions(const Step &step)
{
    QList<DescriptionEntry> out;
    for (const Column &c : step.columns)
        if (!c.description.empty())
            out << entry(step.table, c.name, c.description);
    for (const Further &f : step.further)
        out << entry(f.table, f.column, f.text);
    return out;
}

QList<SchemaStep> schemaCatalogue()
{
    std::vector<const Step *> all;
    for (auto area : {fiscalSteps(), stockSteps(), productionSteps(), userSteps(), wholeSteps()})
        for (const Step &s : area)
            all.push_back(&s);
    std::sort(all.begin(), all.end(), [](const Step *a, const Step *b) { return a->number < b->number; });
    QList<SchemaStep> out;
    out.reserve(qsizetype(all.size()));
    for (const Step *s : all)
        out.append({catalogueStatement(*s), s->guard, catalogueDescriptions(*s), QString()});
    return out;
}

QList<SchemaStep> mirrorCatalogue()
{
    QList<SchemaStep> out;
    for (const MirrorStep &m : mirrorSteps()) {
        QList<DescriptionEntry> descriptions;
        for (const Further &f : m.descriptions)
            descriptions << entry(f.table, f.column, f.text);
        out.append({text(m.text), m.guard, descriptions, text(m.progress)});
    }
    return out;
}
