#pragma once

#include <QString>

// SQL texts that user maintenance sends. Every typed or read value goes between single
// quotes with each quote inside it doubled (SqlText::quoted), so that it is always data
// and never SQL.
namespace UserStatements {

// The search by registration: each "*" of the typed text becomes "%"; other LIKE
// wildcards pass unchanged.
QString searchPattern(const QString &typed);
QString search(const QString &typed);

// The insert of a new user and the list text that shows it afterwards.
QString insert(const QString &registro, const QString &senha, const QString &nome);
QString reload(const QString &registro);

// The delete of a user by its row identity (the 38-character text with braces).
QString remove(const QString &rgUser);

// The checks before creating a user, in the order they run.
enum class CreateCheck { Ok, MissingRegistro, MissingSenha, MissingNome };
CreateCheck checkNewUser(const QString &registro, const QString &senha, const QString &nome);
QString checkMessage(CreateCheck check);   // empty for Ok

QString createQuestion(const QString &registro);
QString deleteQuestion(const QString &registro);

} // namespace UserStatements
