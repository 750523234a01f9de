#include "cli/InstalledObjects.h"

#include "cli/InstallRun.h"
#include "cli/PlantReader.h"
#include "connection/Dataset.h"
#include "maintenance/installer/InstallerEntries.h"
#include "maintenance/installer/ObjectTexts.h"

#include <QHash>
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

// A text as definitions compare: line ends made alike, the line ends after the last line left
// out (a script saved with or without a final line end is the same object).
QString comparable(const QString &text)
{
    QString t = normalizedLineEnds(text);
    while (t.endsWith(QLatin1Char('\n')))
        t.chop(1);
    return t;
}

// The creation text of a menu entry.
QString entryText(const installer::MenuItem &item)
{
    const QString name = QString::fromLatin1(item.textName);
    return item.source == installer::TextSource::Page ? installer::pageText(name) : installer::builtInText(name);
}

bool sameObject(const installer::MenuItem &item, const QString &name)
{
    return item.kind == installer::ItemKind::Entry
           && QString::fromUtf8(item.object).compare(name, Qt::CaseInsensitive) == 0;
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

void compare(Object &o, const QString &held)
{
    const QString have = comparable(held);
    const QString text = comparable(installer::carriedText(o.name));
    o.firstDifferentLine = 0;
    if (have == text) {
        o.state = State::Same;
        return;
    }
    // A version the menus carry besides the one the batch leaves (the full GNR_UP_Kardex_Novo).
    for (const installer::MenuItem &item : installer::menuItems())
        if (sameObject(item, o.name) && comparable(entryText(item)) == have) {
            o.state = State::SameFull;
            return;
        }
    o.state = State::Different;
    o.firstDifferentLine = firstDifference(have, text);
}

QList<Object> check(const PlantReader &reader, bool gate)
{
    const std::unique_ptr<Dataset> definitions = reader.read(
        QStringLiteral("SELECT o.name AS Nome, OBJECT_DEFINITION(o.object_id) AS Texto, t.is_disabled AS Desativado "
                       "FROM sys.objects o LEFT JOIN sys.triggers t ON t.object_id = o.object_id "
                       "WHERE o.schema_id = 1 AND o.type IN ('TR', 'FN', 'IF', 'TF', 'P')"));
    QHash<QString, QString> held;
    QSet<QString> disabled;
    for (definitions->first(); !definitions->eof(); definitions->next()) {
        const QString name = definitions->asString(QStringLiteral("Nome")).toLower();
        held.insert(name, definitions->isNull(QStringLiteral("Texto"))
                              ? QString()
                              : definitions->asString(QStringLiteral("Texto")));
        if (definitions->asBoolean(QStringLiteral("Desativado")))
            disabled.insert(name);
    }

    QString cnpj;
    bool cnpjRead = false;
    QList<Object> objects = carried();
    for (Object &o : objects) {
        const auto it = held.constFind(o.name.toLower());
        if (it != held.constEnd()) {
            compare(o, *it);
            if (disabled.contains(it.key()))
                o.state = State::Disabled;
            continue;
        }
        o.state = State::Missing;
        if (!gate)
            continue;
        bool gated = false, admitted = false;
        for (const installer::MenuItem &item : installer::menuItems()) {
            if (!sameObject(item, o.name))
                continue;
            if (item.cnpjs.isEmpty()) {
                admitted = true;
                continue;
            }
            if (!cnpjRead) {
                cnpj = InstallRun::activeCnpj(reader);
                cnpjRead = true;
            }
            gated = true;
            admitted = admitted || installer::gateAdmits(item, cnpj);
        }
        if (gated && !admitted)
            o.state = State::NotApplicable;
    }
    return objects;
}

QString stateWord(State state)
{
    switch (state) {
    case State::Same:
        return QStringLiteral("igual");
    case State::SameFull:
        return QStringLiteral("igual (versão completa)");
    case State::Missing:
        return QStringLiteral("ausente");
    case State::Different:
        return QStringLiteral("diferente");
    case State::NotApplicable:
        return QStringLiteral("não se aplica");
    case State::Disabled:
        return QStringLiteral("desativado");
    }
    return QString();
}

QString stateKey(State state)
{
    switch (state) {
    case State::SameFull:
        return QStringLiteral("igual_versao_completa");
    case State::NotApplicable:
        return QStringLiteral("nao_se_aplica");
    default:
        return stateWord(state);
    }
}

} // namespace InstalledObjects
