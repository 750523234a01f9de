// "Copia Perfil" and "Iguala liberação" in the whole window, against an own sql-standin.
// The statement is read from the stand-in's log; the rows from SQL of the test's own.
#include "UserListTest.h"
#include "connection/Command.h"
#include "users/NumbersEdit.h"

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
    // The statement, then the list read again.
    const QStringList batches = fx.server().batches();
    ASSERT_EQ(batches.size(), 2) << qPrintable(batches.join('\n'));
    EXPECT_TRUE(batches[1].startsWith(QStringLiteral("SELECT Usuarios.*"))) << qPrintable(batches[1]);
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
    // The list is read again and stays on Maria: the record page shows her new telephone.
    EXPECT_EQ(sh->SenhaSQL->asString(QStringLiteral("Nome")), QStringLiteral("Maria Conceição"));
    EXPECT_EQ(fx.find<NumbersEdit>(QStringLiteral("FoneU01"))->digits(),
              source.value(QStringLiteral("FoneU01")).toString());
}

TEST_F(ProfileCopyTest, ARightsBoxTickedAfterAPasteBuildsOnThePastedFlags)
{
    const QMap<QString, QVariant> source = row(QStringLiteral("0001"));
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    pick(QStringLiteral("Maria Conceição"));
    fx.click(QStringLiteral("ULock"));
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("btnCOLAR"));
    clickRightsBox(1, QStringLiteral("Compras01"));
    fx.click(QStringLiteral("SalvaREC"));

    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")), QStringList());
    const QMap<QString, QVariant> after = row(QStringLiteral("0002"));
    // João's purchases string with its first box cleared, not Maria's old one.
    EXPECT_TRUE(after.value(QStringLiteral("ComprasFLAGS")).toString().startsWith(QStringLiteral("0SS0S")))
        << qPrintable(after.value(QStringLiteral("ComprasFLAGS")).toString());
    for (const char *name : {"VendasFLAGS", "QualidadeFLAGS", "FoneU01", "Pager01"})
        EXPECT_EQ(after.value(QString::fromLatin1(name)), source.value(QString::fromLatin1(name))) << name;
}

TEST_F(ProfileCopyTest, AnotherPlantForgetsTheSourceAndTheSamePlantKeepsIt)
{
    // A second plant: another database with the same users (and so the same IdUser numbers).
    const QString fixtures = StandinServer::fixturesDir();
    fx.server().stop();
    fx.server().start({}, {QStringLiteral("--database"), QStringLiteral("Filial=%1/orvo-base.sql").arg(fixtures),
                           QStringLiteral("--database"), QStringLiteral("Filial=%1/orvo-demo.sql").arg(fixtures)});
    fx.writeIni(fx.plantSection(QStringLiteral("Matriz"))
                + fx.plantSection(QStringLiteral("Filial"), QStringLiteral("orvo"), QStringLiteral("orvo"),
                                  QStringLiteral("Filial")));
    w = fx.openWindow();
    sh = &w->shell();
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));

    choosePlant(1);
    pick(QStringLiteral("Maria Conceição"));
    fx.server().markLog();
    fx.click(QStringLiteral("btnCOLAR"));
    EXPECT_EQ(fx.prompter().texts(), QStringList {QStringLiteral("Escolha um usuário e copie o perfil ..!")});
    EXPECT_TRUE(fx.server().batches().filter(QStringLiteral("UPDATE")).isEmpty());

    // Chosen again, the same plant keeps the source copied there.
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    choosePlant(1);
    pick(QStringLiteral("Maria Conceição"));
    fx.prompter().clear();
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("btnCOLAR"));
    EXPECT_EQ(fx.prompter().texts(),
              QStringList {QStringLiteral("Deseja realmente alterar as permissões Maria Conceição ?")});
    EXPECT_TRUE(memo().endsWith(QStringLiteral("WHERE  (Usuarios.IdUser ='2')")));
}

TEST_F(ProfileCopyTest, AListWithoutIdUserShowsTheErrorAndSendsNothing)
{
    // An older table: IdUser dropped by another station after the copy.
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    fx.exec(QStringLiteral("ALTER TABLE Usuarios DROP CONSTRAINT PK_Usuarios"));
    fx.exec(QStringLiteral("ALTER TABLE Usuarios DROP COLUMN IdUser"));
    reconnect();
    fx.server().markLog();
    fx.click(QStringLiteral("btnCOLAR"));
    const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(errors.first().contains(QStringLiteral("IdUser"))) << qPrintable(errors.first());
    EXPECT_TRUE(fx.server().batches().isEmpty()) << qPrintable(fx.server().batches().join('\n'));
    EXPECT_TRUE(w->isVisible());
}

TEST_F(ProfileCopyTest, APasteThatOutlastsTheStatementTimeoutShowsTheErrorAndChangesNothing)
{
    // Another station's lock, played by a trigger that waits; the window's 1200 s made short.
    fx.exec(QStringLiteral("CREATE TRIGGER Demorado ON Usuarios AFTER UPDATE AS WAITFOR DELAY '00:00:30'"));
    sh->ExecuteQUERY->setTimeout(1);
    const QMap<QString, QVariant> before = row(QStringLiteral("0002"));
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    pick(QStringLiteral("Maria Conceição"));
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("btnCOLAR"));

    const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(errors.first().contains(QStringLiteral("Timeout"), Qt::CaseInsensitive)) << qPrintable(errors.first());
    EXPECT_EQ(row(QStringLiteral("0002")), before);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The connection answers the next request.
    search(QStringLiteral("0001"));
    EXPECT_EQ(sh->SenhaSQL->recordCount(), 1);
}
