#include "users/UserStatements.h"

#include <gtest/gtest.h>

using namespace UserStatements;

TEST(UserStatements, SearchTurnsStarsIntoPercentAndKeepsOtherWildcards)
{
    EXPECT_EQ(search(QStringLiteral("0001")),
              QStringLiteral("SELECT Usuarios.* FROM Usuarios Where (Registro Like '0001') ORDER BY Nome"));
    EXPECT_EQ(search(QStringLiteral("*")),
              QStringLiteral("SELECT Usuarios.* FROM Usuarios Where (Registro Like '%') ORDER BY Nome"));
    EXPECT_EQ(search(QStringLiteral("01*_[0-9]*")),
              QStringLiteral("SELECT Usuarios.* FROM Usuarios Where (Registro Like '01%_[0-9]%') ORDER BY Nome"));
    // Blanks are not trimmed.
    EXPECT_EQ(search(QStringLiteral(" 1 ")),
              QStringLiteral("SELECT Usuarios.* FROM Usuarios Where (Registro Like ' 1 ') ORDER BY Nome"));
}

TEST(UserStatements, QuotesInValuesAreDoubled)
{
    EXPECT_EQ(search(QStringLiteral("1'")),
              QStringLiteral("SELECT Usuarios.* FROM Usuarios Where (Registro Like '1''') ORDER BY Nome"));
    // A text that would otherwise close the string and start a second statement stays one value.
    EXPECT_EQ(search(QStringLiteral("x') DROP TABLE Usuarios --")),
              QStringLiteral("SELECT Usuarios.* FROM Usuarios Where (Registro Like 'x'') DROP TABLE Usuarios --') ORDER BY Nome"));
}

TEST(UserStatements, InsertReloadAndDeleteTexts)
{
    EXPECT_EQ(insert(QStringLiteral("0200"), QStringLiteral("se'nha"), QStringLiteral("Ana D'Ávila")),
              QStringLiteral("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('0200', 'se''nha', 'Ana D''Ávila')"));
    EXPECT_EQ(reload(QStringLiteral("0200")),
              QStringLiteral("SELECT TOP 1 PERCENT Usuarios.* FROM Usuarios Where (Registro = '0200') ORDER BY Nome"));
    EXPECT_EQ(reload(QStringLiteral("02'0")),
              QStringLiteral("SELECT TOP 1 PERCENT Usuarios.* FROM Usuarios Where (Registro = '02''0') ORDER BY Nome"));
    EXPECT_EQ(remove(QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC96401}")),
              QStringLiteral("DELETE Usuarios WHERE (RGUser = '{6F9619FF-8B86-D011-B42D-00C04FC96401}')"));
}

TEST(UserStatements, CreateChecksRunInOrder)
{
    EXPECT_EQ(checkNewUser({}, {}, {}), CreateCheck::MissingRegistro);
    EXPECT_EQ(checkNewUser({}, QStringLiteral("x"), QStringLiteral("y")), CreateCheck::MissingRegistro);
    EXPECT_EQ(checkNewUser(QStringLiteral("1"), {}, {}), CreateCheck::MissingSenha);
    EXPECT_EQ(checkNewUser(QStringLiteral("1"), {}, QStringLiteral("y")), CreateCheck::MissingSenha);
    EXPECT_EQ(checkNewUser(QStringLiteral("1"), QStringLiteral("x"), {}), CreateCheck::MissingNome);
    EXPECT_EQ(checkNewUser(QStringLiteral("1"), QStringLiteral("x"), QStringLiteral("y")), CreateCheck::Ok);
    // A blank is a typed text, not an empty one.
    EXPECT_EQ(checkNewUser(QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" ")), CreateCheck::Ok);

    EXPECT_EQ(checkMessage(CreateCheck::MissingRegistro), QStringLiteral("Digite o Registro do Usuário ..!"));
    EXPECT_EQ(checkMessage(CreateCheck::MissingSenha), QStringLiteral("Digite a Senha ..!"));
    EXPECT_EQ(checkMessage(CreateCheck::MissingNome), QStringLiteral("Digite o Nome ..!"));
    EXPECT_TRUE(checkMessage(CreateCheck::Ok).isEmpty());
    EXPECT_EQ(createQuestion(QStringLiteral("0200")),
              QStringLiteral("Será cadastrado um novo usuário com o registro de número 0200 ..!, Devo continuar ?"));
    EXPECT_EQ(deleteQuestion(QStringLiteral("0001")),
              QStringLiteral("Será excluído o Usuário com o Registro 0001 ..!, Devo continuar ?"));
}
