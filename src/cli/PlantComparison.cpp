#include "cli/PlantComparison.h"

#include "cli/InstalledObjects.h"
#include "cli/PlantReader.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <functional>

namespace PlantComparison {
namespace {

const QChar separator(0x1f);

QString keyOf(const QStringList &parts)
{
    return parts.join(separator).toLower();
}

void put(Side &side, const QStringList &parts, const QString &value, const QStringList &shown = {})
{
    const QString key = keyOf(parts);
    side.values.insert(key, value);
    side.keyParts.insert(key, shown.isEmpty() ? parts : shown);
}

QString withoutTrailingBlanks(QString text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' '))
        --end;
    text.truncate(end);
    return text;
}

// Runs one read and hands every row to the reader; a refusal becomes the section's error.
void readSection(const PlantReader &reader, QStringList &sent, Side &side, const QString &sql,
                 const std::function<void(Dataset &)> &row)
{
    sent << sql;
    try {
        const std::unique_ptr<Dataset> ds = reader.read(sql);
        for (ds->first(); !ds->eof(); ds->next())
            row(*ds);
    } catch (const DbError &e) {
        side.values.clear();
        side.keyParts.clear();
        side.states.clear();
        side.error = reader.failure(e);
    }
}

QString typeText(const Dataset &ds)
{
    QString type = ds.asString(QStringLiteral("DATA_TYPE"));
    if (!ds.isNull(QStringLiteral("CHARACTER_MAXIMUM_LENGTH"))) {
        const int length = ds.asInteger(QStringLiteral("CHARACTER_MAXIMUM_LENGTH"));
        type += QStringLiteral("(%1)").arg(length < 0 ? QStringLiteral("max") : QString::number(length));
    } else if (type == QLatin1String("decimal") || type == QLatin1String("numeric")) {
        type += QStringLiteral("(%1,%2)")
                    .arg(ds.asInteger(QStringLiteral("NUMERIC_PRECISION")))
                    .arg(ds.asInteger(QStringLiteral("NUMERIC_SCALE")));
    }
    return type;
}

QString objectKind(const QString &type)
{
    const QString t = type.trimmed().toUpper();
    if (t == QLatin1String("TR"))
        return QStringLiteral("trigger");
    if (t == QLatin1String("P"))
        return QStringLiteral("procedimento");
    if (t == QLatin1String("V"))
        return QStringLiteral("view");
    return QStringLiteral("função");
}

// The columns of Usuarios that grant rights: the bit columns of the options, the module flag
// strings, the price release and the billing restriction.
bool isRightsColumn(const QString &column, const QString &type)
{
    return type == QLatin1String("bit") || column.endsWith(QLatin1String("FLAGS"), Qt::CaseInsensitive)
           || column.compare(QLatin1String("Libera_precos"), Qt::CaseInsensitive) == 0
           || column.compare(QLatin1String("Restr_Fat00"), Qt::CaseInsensitive) == 0;
}

// A name the server made up for an unnamed constraint (PK__Tabela__3213E83F...): it differs
// from database to database and says nothing.
bool generatedName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^(PK|UQ|FK|CK|DF)__.+__[0-9A-F]{8,16}$"));
    return pattern.match(name).hasMatch();
}

int firstDifference(const QString &a, const QString &b)
{
    const QStringList x = a.split(QLatin1Char('\n')), y = b.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < qMax(x.size(), y.size()); ++i)
        if (i >= x.size() || i >= y.size() || x[i] != y[i])
            return int(i + 1);
    return 0;
}

} // namespace

Snapshot read(const PlantReader &reader)
{
    Snapshot s;
    Side &tables = s.sections[SectionId::Tables];
    Side &columns = s.sections[SectionId::Columns];
    QStringList rights;
    readSection(
        reader, s.statements, columns,
        QStringLiteral("SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, "
                       "NUMERIC_SCALE, IS_NULLABLE, COLUMN_DEFAULT FROM INFORMATION_SCHEMA.COLUMNS "
                       "WHERE TABLE_SCHEMA = 'dbo' ORDER BY TABLE_NAME, ORDINAL_POSITION"),
        [&](Dataset &ds) {
            const QString table = ds.asString(QStringLiteral("TABLE_NAME"));
            const QString column = ds.asString(QStringLiteral("COLUMN_NAME"));
            QString value =
                typeText(ds)
                + (ds.asString(QStringLiteral("IS_NULLABLE")) == QLatin1String("YES") ? QStringLiteral(" NULL")
                                                                                      : QStringLiteral(" NOT NULL"));
            if (!ds.isNull(QStringLiteral("COLUMN_DEFAULT")))
                value += QStringLiteral(" DEFAULT ") + ds.asString(QStringLiteral("COLUMN_DEFAULT"));
            put(columns, {table, column}, value);
            put(tables, {table}, QStringLiteral("existe"));
            if (table.compare(QLatin1String("Usuarios"), Qt::CaseInsensitive) == 0
                && isRightsColumn(column, ds.asString(QStringLiteral("DATA_TYPE"))))
                rights << column;
        });
    tables.error = columns.error;

    Side &constraints = s.sections[SectionId::Constraints];
    // The key columns of primary keys and unique constraints, in key order and with their direction: a key
    // on other columns, or in another direction, is another key.
    QMap<QString, QStringList> keyColumnsOf;
    readSection(reader, s.statements, constraints,
                QStringLiteral("SELECT t.name AS Tabela, k.name AS Nome, c.name AS Coluna, ic.is_descending_key AS "
                               "Decrescente FROM sys.key_constraints k "
                               "INNER JOIN sys.tables t ON t.object_id = k.parent_object_id "
                               "INNER JOIN sys.index_columns ic ON ic.object_id = k.parent_object_id AND ic.index_id = "
                               "k.unique_index_id INNER JOIN sys.columns c ON c.object_id = ic.object_id AND "
                               "c.column_id = ic.column_id WHERE ic.is_included_column = 0 "
                               "ORDER BY t.name, k.name, ic.key_ordinal"),
                [&](Dataset &ds) {
                    keyColumnsOf[keyOf({ds.asString(QStringLiteral("Tabela")), ds.asString(QStringLiteral("Nome"))})]
                        << ds.asString(QStringLiteral("Coluna"))
                               + (ds.asBoolean(QStringLiteral("Decrescente")) ? QStringLiteral(" DESC") : QString());
                });
    readSection(reader, s.statements, constraints,
                QStringLiteral("SELECT p.name AS Tabela, c.name AS Nome, c.type AS Tipo, "
                               "OBJECT_DEFINITION(c.object_id) AS Definicao FROM sys.objects c "
                               "INNER JOIN sys.objects p ON p.object_id = c.parent_object_id "
                               "WHERE c.type IN ('PK', 'F', 'UQ', 'C') AND p.type = 'U'"),
                [&](Dataset &ds) {
                    const QString type = ds.asString(QStringLiteral("Tipo")).trimmed();
                    QString definition = ds.asString(QStringLiteral("Definicao"));
                    QString name = ds.asString(QStringLiteral("Nome"));
                    const QStringList keyColumns =
                        keyColumnsOf.value(keyOf({ds.asString(QStringLiteral("Tabela")), name}));
                    if (definition.isEmpty() && !keyColumns.isEmpty())
                        definition = QStringLiteral("(%1)").arg(keyColumns.join(QStringLiteral(", ")));
                    if (generatedName(name))
                        name = QStringLiteral("(%1 sem nome) %2").arg(type, definition);
                    put(constraints, {ds.asString(QStringLiteral("Tabela")), name},
                        definition.isEmpty() ? type : type + QStringLiteral(" ") + definition);
                });

    // Indexes other than those of primary keys and unique constraints, with their columns.
    Side &indexes = s.sections[SectionId::Indexes];
    QMap<QString, QStringList> keyColumns, included;
    QMap<QString, QString> kinds;
    readSection(
        reader, s.statements, indexes,
        QStringLiteral("SELECT t.name AS Tabela, i.name AS Nome, i.type_desc AS Tipo, i.is_unique AS Unico, "
                       "c.name AS Coluna, ic.is_included_column AS Incluida, ic.is_descending_key AS "
                       "Decrescente FROM sys.indexes i "
                       "INNER JOIN sys.tables t ON t.object_id = i.object_id "
                       "INNER JOIN sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = "
                       "i.index_id INNER JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = "
                       "ic.column_id WHERE i.is_primary_key = 0 AND i.is_unique_constraint = 0 AND i.name IS "
                       "NOT NULL ORDER BY t.name, i.name, ic.is_included_column, ic.key_ordinal"),
        [&](Dataset &ds) {
            const QStringList parts {ds.asString(QStringLiteral("Tabela")), ds.asString(QStringLiteral("Nome"))};
            const QString key = keyOf(parts);
            indexes.keyParts.insert(key, parts);
            kinds.insert(key, (ds.asBoolean(QStringLiteral("Unico")) ? QStringLiteral("UNIQUE ") : QString())
                                  + ds.asString(QStringLiteral("Tipo")));
            // A key column's direction is part of the index: (Data DESC) and (Data) are different indexes.
            const bool includedColumn = ds.asBoolean(QStringLiteral("Incluida"));
            (includedColumn ? included : keyColumns)[key]
                << ds.asString(QStringLiteral("Coluna"))
                       + (!includedColumn && ds.asBoolean(QStringLiteral("Decrescente")) ? QStringLiteral(" DESC")
                                                                                         : QString());
        });
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        indexes.values.insert(
            it.key(),
            QStringLiteral("%1 (%2)%3")
                .arg(it.value(), keyColumns.value(it.key()).join(QStringLiteral(", ")),
                     included.contains(it.key())
                         ? QStringLiteral(" INCLUDE (%1)").arg(included.value(it.key()).join(QStringLiteral(", ")))
                         : QString()));

    Side &objects = s.sections[SectionId::Objects];
    readSection(
        reader, s.statements, objects,
        QStringLiteral("SELECT o.name AS Nome, o.type AS Tipo, OBJECT_DEFINITION(o.object_id) AS Texto, "
                       "t.is_disabled AS Desativado FROM sys.objects o LEFT JOIN sys.triggers t ON t.object_id = "
                       "o.object_id WHERE o.schema_id = 1 AND o.type IN ('TR', 'FN', 'IF', 'TF', 'P', 'V')"),
        [&](Dataset &ds) {
            QString text = InstalledObjects::normalizedLineEnds(ds.asString(QStringLiteral("Texto")));
            while (text.endsWith(QLatin1Char('\n')))
                text.chop(1);
            const QStringList parts {ds.asString(QStringLiteral("Nome")),
                                     objectKind(ds.asString(QStringLiteral("Tipo")))};
            put(objects, parts, text);
            if (!ds.isNull(QStringLiteral("Desativado")))
                objects.states.insert(keyOf(parts), ds.asBoolean(QStringLiteral("Desativado"))
                                                        ? QStringLiteral("desativado")
                                                        : QStringLiteral("ativo"));
        });

    Side &descriptions = s.sections[SectionId::Descriptions];
    readSection(reader, s.statements, descriptions,
                QStringLiteral("SELECT t.name AS Tabela, c.name AS Coluna, CAST(p.value AS nvarchar(4000)) AS Texto "
                               "FROM sys.extended_properties p INNER JOIN sys.objects t ON t.object_id = p.major_id "
                               "LEFT JOIN sys.columns c ON c.object_id = p.major_id AND c.column_id = p.minor_id "
                               "WHERE p.class = 1 AND p.name = 'MS_Description'"),
                [&](Dataset &ds) {
                    put(descriptions, {ds.asString(QStringLiteral("Tabela")), ds.asString(QStringLiteral("Coluna"))},
                        ds.asString(QStringLiteral("Texto")));
                });

    Side &users = s.sections[SectionId::Users];
    if (rights.isEmpty()) {
        users.error =
            columns.error.isEmpty() ? QStringLiteral("a tabela Usuarios não tem colunas de direitos") : columns.error;
        return s;
    }
    QStringList selected;
    for (const QString &c : rights)
        selected << QLatin1Char('[') + c + QLatin1Char(']');
    readSection(reader, s.statements, users,
                QStringLiteral("SELECT Registro, Nome, %1 FROM Usuarios").arg(selected.join(QStringLiteral(", "))),
                [&](Dataset &ds) {
                    const QString registro = withoutTrailingBlanks(ds.asString(QStringLiteral("Registro")));
                    const QString nome = ds.asString(QStringLiteral("Nome"));
                    // The user's presence, so that only users of both plants are compared.
                    put(users, {registro, QString()}, QStringLiteral("existe"), {registro, nome, QString()});
                    for (const QString &c : rights) {
                        const QVariant v = ds.value(c);
                        put(users, {registro, c},
                            v.isNull()                      ? QStringLiteral("NULL")
                            : v.typeId() == QMetaType::Bool ? QString::number(v.toBool() ? 1 : 0)
                                                            : withoutTrailingBlanks(v.toString()),
                            {registro, nome, c});
                    }
                });
    return s;
}

QList<Section> compare(const Snapshot &a, const Snapshot &b)
{
    static const struct
    {
        SectionId id;
        const char *name;
        const char *json;
        QStringList headers;
    } layout[] = {
        {SectionId::Tables, "Tabelas", "tabelas", {QStringLiteral("Tabela")}},
        {SectionId::Columns,
         "Colunas (tipo, tamanho, nulo, padrão)",
         "colunas",
         {QStringLiteral("Tabela"), QStringLiteral("Coluna")}},
        {SectionId::Constraints,
         "Constraints",
         "constraints",
         {QStringLiteral("Tabela"), QStringLiteral("Constraint")}},
        {SectionId::Indexes, "Índices", "indices", {QStringLiteral("Tabela"), QStringLiteral("Índice")}},
        {SectionId::Objects, "Objetos instalados", "objetos", {QStringLiteral("Objeto"), QStringLiteral("Tipo")}},
        {SectionId::Descriptions, "Descrições", "descricoes", {QStringLiteral("Tabela"), QStringLiteral("Coluna")}},
        {SectionId::Users,
         "Direitos dos usuários presentes nas duas",
         "usuarios",
         {QStringLiteral("Registro"), QStringLiteral("Nome"), QStringLiteral("Coluna")}},
    };
    const Side &tablesA = a.sections.value(SectionId::Tables), &tablesB = b.sections.value(SectionId::Tables);
    const Side &columnsA = a.sections.value(SectionId::Columns), &columnsB = b.sections.value(SectionId::Columns);
    const auto inBoth = [](const Side &x, const Side &y, const QString &key) {
        return x.values.contains(key) && y.values.contains(key);
    };

    QList<Section> out;
    for (const auto &l : layout) {
        Section section {l.id, QString::fromUtf8(l.name), QString::fromLatin1(l.json), l.headers, {}, {}, {}};
        const Side sa = a.sections.value(l.id), sb = b.sections.value(l.id);
        section.errorA = sa.error;
        section.errorB = sb.error;
        if (!sa.error.isEmpty() || !sb.error.isEmpty()) {
            out << section;
            continue;
        }
        QStringList keys = sa.values.keys() + sb.values.keys();
        keys.removeDuplicates();
        std::sort(keys.begin(), keys.end());
        for (const QString &key : keys) {
            const QStringList parts = sa.keyParts.value(key, sb.keyParts.value(key));
            // Within tables both plants have; a table of one plant only is one line of its own.
            if (l.id != SectionId::Tables && l.id != SectionId::Objects && l.id != SectionId::Users
                && !inBoth(tablesA, tablesB, keyOf({parts.value(0)})))
                continue;
            if (l.id == SectionId::Users) {
                if (parts.value(2).isEmpty() || !inBoth(sa, sb, keyOf({parts[0], QString()}))
                    || !inBoth(columnsA, columnsB, keyOf({QStringLiteral("Usuarios"), parts[2]})))
                    continue;
            }
            const auto va = sa.values.constFind(key), vb = sb.values.constFind(key);
            const QString x = va == sa.values.constEnd() ? QString() : *va;
            const QString y = vb == sb.values.constEnd() ? QString() : *vb;
            const QString stateA = sa.states.value(key), stateB = sb.states.value(key);
            if (va != sa.values.constEnd() && vb != sb.values.constEnd() && x == y && stateA == stateB)
                continue;
            Difference d {parts, x, y, 0, {}, {}};
            if (l.id == SectionId::Objects && !x.isNull() && !y.isNull()) {
                d.firstDifferentLine = firstDifference(x, y);
                if (stateA != stateB) {
                    d.stateA = stateA;
                    d.stateB = stateB;
                }
            }
            section.differences << d;
        }
        out << section;
    }
    return out;
}

} // namespace PlantComparison
