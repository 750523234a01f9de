#include "users/ProfileCopy.h"

#include "connection/Command.h"
#include "connection/Dataset.h"
#include "connection/SqlText.h"

namespace {

bool neverCopied(const QString &name)
{
    // Case-sensitive, as the names are written in the table.
    return name == QLatin1String("IdUser") || name == QLatin1String("Senha") || name == QLatin1String("EmailU")
           || name == QLatin1String("RGUser");
}

} // namespace

QStringList ProfileCopy::copiedColumns(const QList<DatasetColumn> &columns)
{
    // The first four columns (RGUser, Registro, Nome, Senha) are never copied.
    QStringList names;
    for (qsizetype i = 4; i < columns.size(); ++i)
        if (!neverCopied(columns[i].name))
            names << columns[i].name;
    return names;
}

bool ProfileCopy::copy(const Dataset &users, const QString &plant)
{
    if (!users.isOpen() || users.isEmpty() || !users.hasField(QStringLiteral("IdUser")))
        return false;
    const QString id = users.asString(QStringLiteral("IdUser"));
    if (id.isEmpty())
        return false;
    QStringList assignments;
    const QStringList names = copiedColumns(users.columns());
    for (const QString &name : names)
        assignments << name + QStringLiteral(" = t1.") + name;
    m_columnList = names.join(QStringLiteral(", "));
    m_assignmentList = assignments.join(QStringLiteral(", "));
    m_source = id;
    m_plant = plant;
    return true;
}

void ProfileCopy::plantConnected(const QString &plant)
{
    if (hasSource() && plant.compare(m_plant, Qt::CaseInsensitive) != 0)
        forget();
}

void ProfileCopy::forget()
{
    m_source.clear();
    m_plant.clear();
    m_columnList.clear();
    m_assignmentList.clear();
}

ProfileCopy::PasteCheck ProfileCopy::check(const QString &target) const
{
    if (!hasSource())
        return PasteCheck::NoSource;
    if (target == m_source)
        return PasteCheck::SameUser;
    return PasteCheck::Ok;
}

QString ProfileCopy::checkMessage(PasteCheck check)
{
    switch (check) {
    case PasteCheck::NoSource:
        return QStringLiteral("Escolha um usuário e copie o perfil ..!");
    case PasteCheck::SameUser:
        return QStringLiteral("Não posso colar pois é o usuário origem e destino são os mesmos ..!");
    case PasteCheck::Ok:
        break;
    }
    return QString();
}

QString ProfileCopy::question(const QString &targetName)
{
    return QStringLiteral("Deseja realmente alterar as permissões ") + targetName + QStringLiteral(" ?");
}

QString ProfileCopy::pasteStatement(const QString &target) const
{
    // Both WHERE are followed by two blanks; the second has no blank after "=".
    return QStringLiteral("UPDATE Usuarios SET ") + m_assignmentList + QStringLiteral(" FROM (SELECT ") + m_columnList
           + QStringLiteral(" FROM Usuarios ") + QStringLiteral("WHERE  (Usuarios.IdUser = ")
           + SqlText::quoted(m_source) + QStringLiteral(")) AS t1 ") + QStringLiteral("WHERE  (Usuarios.IdUser =")
           + SqlText::quoted(target) + QStringLiteral(")");
}

ProfileCopy::PasteReport ProfileCopy::paste(Command &command, const QString &target,
                                            const std::function<void(const QString &)> &shown) const
{
    PasteReport report;
    report.statement = pasteStatement(target);
    command.setText(report.statement);
    if (shown)
        shown(command.text());
    report.affectedRows = command.execute();
    return report;
}
