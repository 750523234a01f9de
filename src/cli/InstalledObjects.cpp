#include "cli/InstalledObjects.h"

#include "connection/Dataset.h"
#include "connection/SqlText.h"
#include "maintenance/installer/InstallerEntries.h"
#include "maintenance/installer/ObjectTexts.h"

#include <QSet>

namespace InstalledObjects {
namespace {

QString kindWord(installer::ObjectKind kind)
{
    switch (kind) {
    case installer::ObjectKind::Trigger:
        return QStringLiteral("trigger");
    case installer::ObjectKind::Function:
        return QStringLiteral("função");
    case installer::ObjectKind::Procedure:
        return QStringLiteral("procedimento");
    case installer::ObjectKind::None:
        break;
    }
    return QString();
}

int firstDifference(const QString &held, const QString &carried)
{
    const QStringList a = held.split(QLatin1Char('\n'));
    const QStringList b = carried.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i])
            return int(i + 1);
    return 0;
}

} // namespace

QString normalizedLineEnds(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QList<Object> carried()
{
    QList<Object> out;
    QSet<QString> seen;
    auto add = [&](const QString &name, const QString &kind) {
        if (seen.contains(name.toLower()) || installer::carriedText(name).isNull())
            return;
        seen.insert(name.toLower());
        out << Object {name, kind};
    };
    for (const installer::MenuItem &item : installer::menuItems())
        if (item.kind == installer::ItemKind::Entry)
            add(QString::fromUtf8(item.object), kindWord(item.objectKind));
    for (const installer::BatchStep &step : installer::triggerBatch())
        if (step.kind == installer::BatchStep::Kind::Install)
            add(QString::fromLatin1(step.name), QStringLiteral("procedimento"));
    return out;
}

QList<Object> check(Connection &connection)
{
    QList<Object> objects = carried();
    for (Object &o : objects) {
        Dataset definition;
        definition.setConnection(&connection);
        definition.setReadOnly(true);
        definition.setSql(QStringLiteral("SELECT OBJECT_DEFINITION(OBJECT_ID(%1)) AS Texto")
                              .arg(SqlText::unicode(QStringLiteral("dbo.") + o.name)));
        definition.open();
        if (definition.isNull(QStringLiteral("Texto"))) {
            o.state = State::Missing;
            continue;
        }
        const QString held = normalizedLineEnds(definition.asString(QStringLiteral("Texto")));
        const QString text = normalizedLineEnds(installer::carriedText(o.name));
        o.firstDifferentLine = held == text ? 0 : firstDifference(held, text);
        o.state = held == text ? State::Same : State::Different;
    }
    return objects;
}

} // namespace InstalledObjects
