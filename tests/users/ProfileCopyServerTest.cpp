// "Copia Perfil" and "Iguala liberação" in the whole window, against an own sql-standin.
// The statement is read from the stand-in's log; the rows from SQL of the test's own.
#include "AppFixture.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "connection/Connection.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "connection/SqlText.h"
#include "widgets/DbGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Columns a paste must leave alone, and the ones it never touches in the list.
const QStringList kKept {QStringLiteral("RGUser"), QStringLiteral("Registro"), QStringLiteral("Nome"),
                         QStringLiteral("Senha"),  QStringLiteral("EmailU"),   QStringLiteral("IdUser")};

class ProfileCopyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fx.startServer();
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")));
        w = fx.openWindow();
        sh = &w->shell();
        ASSERT_TRUE(sh->SenhaSQL->isOpen());
        ASSERT_EQ(sh->SenhaSQL->recordCount(), 4);
    }

    // Clicks the user's row in the grid at the left, as a person picks a user.
    void pick(const QString &nome)
    {
        DbGrid *grid = sh->ItensGRADE;
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            const QModelIndex index = grid->model()->index(row, 0);
            if (index.data().toString() == nome) {
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
                ASSERT_EQ(sh->SenhaSQL->asString(QStringLiteral("Nome")), nome);
                return;
            }
        }
        FAIL() << "no user " << nome.toStdString();
    }
    void search(const QString &text)
    {
        auto *registro = fx.find<QLineEdit>(QStringLiteral("Registro"));
        registro->setFocus();
        registro->selectAll();
        QTest::keyClicks(registro, text);
        QTest::keyClick(registro, Qt::Key_Return);
    }
    void reconnect()
    {
        fx.click(QStringLiteral("Conecta"));
        ASSERT_FALSE(sh->SERVER1->isOpen());
        fx.click(QStringLiteral("Conecta"));
        ASSERT_TRUE(sh->SenhaSQL->isOpen());
    }
    // A user's row as text, column by column, by registration.
    QMap<QString, QString> row(const QString &registro)
    {
        const QList<QVariantList> r =
            fx.rows(QStringLiteral("SELECT * FROM Usuarios WHERE Registro = %1").arg(SqlText::unicode(registro)));
        const QList<QVariantList> names =
            fx.rows(QStringLiteral("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'Usuarios' "
                                   "ORDER BY ORDINAL_POSITION"));
        QMap<QString, QString> out;
        if (r.isEmpty())
            return out;
        for (int i = 0; i < names.size(); ++i) {
            const QVariant v = r.first().value(i);
            out[names[i].first().toString()] = v.isNull() ? QStringLiteral("<null>")
                                               : v.typeId() == QMetaType::QByteArray
                                                   ? QString::fromLatin1(v.toByteArray().toHex())
                                                   : v.toString();
        }
        return out;
    }
    QString memo() const { return sh->MemoCCDB->toPlainText(); }

    AppFixture fx;
    UsersForm *w = nullptr;
    const Shell *sh = nullptr;
};

} // namespace

TEST_F(ProfileCopyTest, ButtonsCarryTheirCaptionsAndHints)
{
    auto *copiar = fx.find<QAbstractButton>(QStringLiteral("btnCOPIAR"));
    auto *colar = fx.find<QAbstractButton>(QStringLiteral("btnCOLAR"));
    ASSERT_TRUE(copiar && colar);
    EXPECT_EQ(copiar->text(), QStringLiteral("Copia Perfil"));
    EXPECT_EQ(copiar->toolTip(), QStringLiteral("Copia todo o Perfil do Usuário ..!"));
    EXPECT_EQ(colar->text(), QStringLiteral("Iguala liberação"));
    EXPECT_EQ(colar->toolTip(), QStringLiteral("Iguala o Perfil para este Usuário ..!"));
    EXPECT_TRUE(copiar->isVisible() && colar->isVisible()); // on the record page, shown first
}

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
    const QMap<QString, QString> source = row(QStringLiteral("0001"));
    const QMap<QString, QString> before = row(QStringLiteral("0002"));
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

    const QMap<QString, QString> after = row(QStringLiteral("0002"));
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
    EXPECT_EQ(sh->SenhaSQL->asString(QStringLiteral("FoneU01")), before.value(QStringLiteral("FoneU01")));
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
    EXPECT_EQ(row(QStringLiteral("0103")).value(QStringLiteral("Eng0")), QStringLiteral("false"));

    fx.server().markLog();
    fx.prompter().queueAnswer(Prompter::Answer::Closed);
    fx.click(QStringLiteral("btnCOLAR"));
    EXPECT_TRUE(fx.server().batches().value(0).startsWith(QStringLiteral("UPDATE Usuarios SET ")));
    EXPECT_EQ(row(QStringLiteral("0103")).value(QStringLiteral("Eng0")), QStringLiteral("true"));
    EXPECT_EQ(fx.prompter().unexpected(), 0);
}

TEST_F(ProfileCopyTest, AVanishedSourceChangesNoRowAndShowsNoError)
{
    pick(QStringLiteral("João da Silva"));
    fx.click(QStringLiteral("btnCOPIAR"));
    fx.exec(QStringLiteral("DELETE Usuarios WHERE Registro = N'0001'")); // another station
    const QMap<QString, QString> before = row(QStringLiteral("0002"));
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
    EXPECT_EQ(row(QStringLiteral("0002")).value(QStringLiteral("DiasExpirar")), QStringLiteral("15"));
    EXPECT_EQ(row(QStringLiteral("0002")).value(QStringLiteral("Eng5")), QStringLiteral("true"));
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
    const QMap<QString, QString> before = row(QStringLiteral("0002"));
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
