// "Copia Perfil" and "Iguala liberação" in the whole window, against an own sql-standin.
// The statement is read from the stand-in's log; the rows from SQL of the test's own.
#include "UserListTest.h"

#include <QAbstractButton>
#include <QApplication>

namespace {

// Columns a paste must leave alone, and the ones it never touches in the list.
const QStringList kKept {QStringLiteral("RGUser"), QStringLiteral("Registro"), QStringLiteral("Nome"),
                         QStringLiteral("Senha"),  QStringLiteral("EmailU"),   QStringLiteral("IdUser")};

using ProfileCopyTest = UserListTest;

} // namespace

TEST_F(ProfileCopyTest, PasteBeforeAnyCopyAndOnTheSourceSendNothing)
{
    fx.server().markLog();
    fx.click(QStringLiteral("btnCOLAR"));
    EXPECT_EQ(fx.prompter().texts(), QStringList {QStringLiteral("Escolha um usuário e copie o perfil ..!")});

    fx.prompter().clear();
    pick(QStringLiteral("Maria Conceição"));
    fx.click(QStringLiteral("btnCOPIAR"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()); // the copy shows nothing
    fx.click(QStringLiteral("btnCOLAR"));
    EXPECT_EQ(fx.prompter().texts(),
              QStringList {QStringLiteral("Não posso colar pois é o usuário origem e destino são os mesmos ..!")});
    EXPECT_TRUE(fx.server().batches().isEmpty()) << qPrintable(fx.server().batches().join('\n'));
    EXPECT_TRUE(memo().isEmpty());
}

TEST_F(ProfileCopyTest, PasteGivesTheTargetTheSourcesProfileAndKeepsItsIdentity)
{
    const QMap<QString, QVariant> source = row(QStringLiteral("0001"));
    const QMap<QString, QVariant> before = row(QStringLiteral("0002"));
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    pick(QStringLiteral("Maria Conceição"));
    fx.server().markLog();
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("btnCOLAR"));

    EXPECT_EQ(fx.prompter().texts(),
              QStringList {QStringLiteral("Deseja realmente alterar as permissões Maria Conceição ?")});
    const QStringList batches = fx.server().batches();
    ASSERT_EQ(batches.size(), 1) << qPrintable(batches.join('\n'));
    const QString statement = batches.first();
    EXPECT_TRUE(
        statement.startsWith(QStringLiteral("UPDATE Usuarios SET Vendas0 = t1.Vendas0, Vendas1 = t1.Vendas1, ")));
    EXPECT_TRUE(statement.contains(QStringLiteral(" FROM (SELECT Vendas0, Vendas1, ")));
    EXPECT_TRUE(statement.endsWith(QStringLiteral(
        ", Via_acesso FROM Usuarios WHERE  (Usuarios.IdUser = '1')) AS t1 WHERE  (Usuarios.IdUser ='2')")))
        << qPrintable(statement.right(200));
    for (const QString &name : kKept)
        EXPECT_FALSE(statement.contains(QStringLiteral(" ") + name + QStringLiteral(" = t1."))) << qPrintable(name);
    EXPECT_EQ(memo(), statement);

    const QMap<QString, QVariant> after = row(QStringLiteral("0002"));
    ASSERT_FALSE(after.isEmpty());
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (kKept.contains(it.key()))
            EXPECT_EQ(it.value(), before.value(it.key())) << qPrintable(it.key());
        else
            EXPECT_EQ(it.value(), source.value(it.key())) << qPrintable(it.key());
    }
    // The telephones, pagers, both passwords and both pictures differed before.
    for (const char *name :
         {"FoneU01", "Pager01", "LCompras_senha", "LDiretoria_senha", "Assinatura_Compras", "Assinatura_Diretoria"})
        EXPECT_NE(before.value(QString::fromLatin1(name)), after.value(QString::fromLatin1(name))) << name;
    // The list is not read again: the record page still shows Maria's old telephone.
    EXPECT_EQ(sh->SenhaSQL->asString(QStringLiteral("FoneU01")), before.value(QStringLiteral("FoneU01")).toString());
}

TEST_F(ProfileCopyTest, OnlyNoStopsThePaste)
{
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    pick(QStringLiteral("José Araújo"));
    fx.server().markLog();
    fx.prompter().queueAnswer(Prompter::Answer::No);
    fx.click(QStringLiteral("btnCOLAR"));
    EXPECT_TRUE(fx.server().batches().isEmpty());
    EXPECT_EQ(row(QStringLiteral("0103")).value(QStringLiteral("Eng0")), QVariant(false));

    fx.server().markLog();
    fx.prompter().queueAnswer(Prompter::Answer::Closed);
    fx.click(QStringLiteral("btnCOLAR"));
    EXPECT_TRUE(fx.server().batches().value(0).startsWith(QStringLiteral("UPDATE Usuarios SET ")));
    EXPECT_EQ(row(QStringLiteral("0103")).value(QStringLiteral("Eng0")), QVariant(true));
    EXPECT_EQ(fx.prompter().unexpected(), 0);
}

TEST_F(ProfileCopyTest, AVanishedSourceChangesNoRowAndShowsNoError)
{
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    fx.exec(QStringLiteral("DELETE Usuarios WHERE Registro = N'0001'")); // another station
    const QMap<QString, QVariant> before = row(QStringLiteral("0002"));
    pick(QStringLiteral("Maria Conceição"));
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("btnCOLAR"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")), QStringList());
    EXPECT_TRUE(memo().endsWith(QStringLiteral("WHERE  (Usuarios.IdUser ='2')")));
    EXPECT_EQ(row(QStringLiteral("0002")), before);
}

TEST_F(ProfileCopyTest, TheSourceOutlivesReconnectionsAndAnEmptyList)
{
    // Columns added later join the copy when the list has them at the moment of the copy.
    fx.exec(QStringLiteral(
        "ALTER TABLE Usuarios ADD DiasExpirar int NOT NULL CONSTRAINT DF_Usuarios_DiasExpirar DEFAULT 60"));
    fx.exec(QStringLiteral("UPDATE Usuarios SET DiasExpirar = 15, Eng5 = 1 WHERE Registro = N'0104'"));
    reconnect();
    pick(QStringLiteral("Lúcia Gonçalves"));
    fx.click(QStringLiteral("btnCOPIAR"));

    // A copy on an empty list remembers nothing and keeps the earlier source.
    search(QStringLiteral("9999"));
    ASSERT_TRUE(sh->SenhaSQL->isEmpty());
    fx.click(QStringLiteral("btnCOPIAR"));
    reconnect();
    search(QStringLiteral("*"));
    pick(QStringLiteral("Maria Conceição"));
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("btnCOLAR"));

    EXPECT_TRUE(
        memo().contains(QStringLiteral(", Via_acesso, DiasExpirar FROM Usuarios WHERE  (Usuarios.IdUser = '4'))")))
        << qPrintable(memo().right(160));
    EXPECT_EQ(row(QStringLiteral("0002")).value(QStringLiteral("DiasExpirar")).toInt(), 15);
    EXPECT_EQ(row(QStringLiteral("0002")).value(QStringLiteral("Eng5")), QVariant(true));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")), QStringList());
}

TEST_F(ProfileCopyTest, ARefusedPasteShowsTheServersErrorWithTheStatementInTheMemo)
{
    // A column of the copy is dropped by another station before the paste.
    fx.exec(QStringLiteral("ALTER TABLE Usuarios ADD Cidade nvarchar(65) NULL"));
    reconnect();
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    fx.exec(QStringLiteral("ALTER TABLE Usuarios DROP COLUMN Cidade"));
    const QMap<QString, QVariant> before = row(QStringLiteral("0002"));
    pick(QStringLiteral("Maria Conceição"));
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("btnCOLAR"));
    const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(errors.first().contains(QStringLiteral("Cidade"))) << qPrintable(errors.first());
    EXPECT_TRUE(memo().startsWith(QStringLiteral("UPDATE Usuarios SET Vendas0 = t1.Vendas0")));
    EXPECT_EQ(row(QStringLiteral("0002")), before);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the busy cursor is gone
}
