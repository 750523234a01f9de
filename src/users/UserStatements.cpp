#include "users/UserStatements.h"

#include "connection/SqlText.h"

namespace UserStatements {

using SqlText::quoted;

QString searchPattern(const QString &typed)
{
    QString pattern = typed;
    pattern.replace(QLatin1Char('*'), QLatin1Char('%'));
    return pattern;
}

QString search(const QString &typed)
{
    return QStringLiteral("SELECT Usuarios.* FROM Usuarios Where (Registro Like ") + quoted(searchPattern(typed))
        + QStringLiteral(") ORDER BY Nome");
}

QString insert(const QString &registro, const QString &senha, const QString &nome)
{
    return QStringLiteral("INSERT INTO Usuarios (Registro, Senha, Nome ) Values (") + quoted(registro)
        + QStringLiteral(", ") + quoted(senha) + QStringLiteral(", ") + quoted(nome) + QStringLiteral(")");
}

QString reload(const QString &registro)
{
    return QStringLiteral("SELECT TOP 1 PERCENT Usuarios.* FROM Usuarios Where (Registro = ") + quoted(registro)
        + QStringLiteral(") ORDER BY Nome");
}

QString remove(const QString &rgUser)
{
    return QStringLiteral("DELETE Usuarios WHERE (RGUser = ") + quoted(rgUser) + QStringLiteral(")");
}

CreateCheck checkNewUser(const QString &registro, const QString &senha, const QString &nome)
{
    if (registro.isEmpty())
        return CreateCheck::MissingRegistro;
    if (senha.isEmpty())
        return CreateCheck::MissingSenha;
    if (nome.isEmpty())
        return CreateCheck::MissingNome;
    return CreateCheck::Ok;
}

QString checkMessage(CreateCheck check)
{
    switch (check) {
    case CreateCheck::MissingRegistro:
        return QStringLiteral("Digite o Registro do Usuário ..!");
    case CreateCheck::MissingSenha:
        return QStringLiteral("Digite a Senha ..!");
    case CreateCheck::MissingNome:
        return QStringLiteral("Digite o Nome ..!");
    case CreateCheck::Ok:
        break;
    }
    return QString();
}

QString createQuestion(const QString &registro)
{
    return QStringLiteral("Será cadastrado um novo usuário com o registro de número ") + registro
        + QStringLiteral(" ..!, Devo continuar ?");
}

QString deleteQuestion(const QString &registro)
{
    return QStringLiteral("Será excluído o Usuário com o Registro ") + registro + QStringLiteral(" ..!, Devo continuar ?");
}

} // namespace UserStatements
