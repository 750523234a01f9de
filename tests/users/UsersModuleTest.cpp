// The users module on a window of its own, without a server: what happens before any
// statement reaches the database.
#include "connection/Command.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "connection/Prompter.h"
#include "connection/Shell.h"
#include "users/UsersModule.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class RecordingPrompter : public Prompter
{
public:
    QStringList seen;
    QList<Answer> answers;
    void error(QWidget *, const QString &text) override { seen << QStringLiteral("error: ") + text; }
    void message(QWidget *, const QString &text) override { seen << QStringLiteral("message: ") + text; }
    Answer confirm(QWidget *, const QString &text, Buttons) override
    {
        seen << QStringLiteral("confirm: ") + text;
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return QString(); }
};

class ModuleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        shell.window = &window;
        shell.prompter = &prompter;
        shell.SenhaSQL = new Dataset(&window);
        shell.SenhaDATA = new DataSource(&window);
        shell.SenhaDATA->setDataset(shell.SenhaSQL);
        shell.Data1SQL = new Dataset(&window);
        shell.Data1DATA = new DataSource(&window);
        shell.Data1DATA->setDataset(shell.Data1SQL);
        shell.ExecuteQUERY = new Command(&window);
        auto button = [this](const char *name, bool enabled) {
            auto *b = new QToolButton(&window);
            b->setObjectName(QString::fromLatin1(name));
            b->setEnabled(enabled);
            return b;
        };
        shell.IncluiUSER = button("IncluiUSER", false);
        shell.ULock = button("ULock", true);
        shell.ULock->setProperty("Tag", 0);
        shell.SalvaREC = button("SalvaREC", false);
        shell.ExcluiFOR = button("ExcluiFOR", false);
        shell.LockIMAGE = button("LockIMAGE", true);
        shell.UnLockIMAGE = button("UnLockIMAGE", true);
        shell.MainMENU = new QMenu(&window);
        for (const char *name : {"StatusVendas", "UpdateVendas", "SetaVendas"})
            shell.MainMENU->addAction(QString::fromLatin1(name))->setObjectName(QString::fromLatin1(name));
        auto *tabs = new QTabWidget(&window);
        shell.PageControl1 = tabs;
        shell.TabSheet1 = new QWidget;
        new QVBoxLayout(shell.TabSheet1);
        shell.TabSheet2 = new QWidget;
        new QVBoxLayout(shell.TabSheet2);
        tabs->addTab(shell.TabSheet1, QStringLiteral("1"));
        tabs->addTab(shell.TabSheet2, QStringLiteral("2"));
        window.setCentralWidget(tabs);
        installUsersModule(shell);
        module = window.findChild<UsersModule *>(QStringLiteral("UsersModule"));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    template <class T = QWidget>
    T *find(const char *name) { return window.findChild<T *>(QString::fromLatin1(name)); }

    QMainWindow window;
    RecordingPrompter prompter;
    Shell shell;
    UsersModule *module = nullptr;
};

} // namespace

TEST_F(ModuleTest, PagesAreInstalledInTheirTabs)
{
    ASSERT_TRUE(module);
    EXPECT_TRUE(shell.TabSheet1->findChild<QLineEdit *>(QStringLiteral("Registro")));
    EXPECT_TRUE(shell.TabSheet2->findChild<QCheckBox *>(QStringLiteral("Compras07")));
}

TEST_F(ModuleTest, CreateChecksAskInOrderAndNoAnswerSendsNothing)
{
    auto *registro = find<QLineEdit>("Registro");
    auto *password = find<QLineEdit>("PasswordEdit");
    auto *name = find<QLineEdit>("NameEdit");
    module->IncluiUSERClick();
    EXPECT_EQ(prompter.seen, QStringList{QStringLiteral("message: Digite o Registro do Usuário ..!")});
    EXPECT_TRUE(registro->hasFocus());

    registro->setText(QStringLiteral("0200"));
    module->IncluiUSERClick();
    EXPECT_EQ(prompter.seen.last(), QStringLiteral("message: Digite a Senha ..!"));
    EXPECT_TRUE(password->hasFocus());

    password->setText(QStringLiteral("pw"));
    module->IncluiUSERClick();
    EXPECT_EQ(prompter.seen.last(), QStringLiteral("message: Digite o Nome ..!"));
    EXPECT_TRUE(name->hasFocus());

    // The name edit is read-only while locked, but a program text still counts.
    name->setText(QStringLiteral("Ana"));
    prompter.seen.clear();
    module->IncluiUSERClick();   // answered No
    EXPECT_EQ(prompter.seen,
              QStringList{QStringLiteral("confirm: Será cadastrado um novo usuário com o registro de número 0200 ..!, Devo continuar ?")});
    EXPECT_EQ(shell.ExecuteQUERY->text(), QString());
}

TEST_F(ModuleTest, AFailedInsertIsShownAndLeavesNewEnabled)
{
    find<QLineEdit>("Registro")->setText(QStringLiteral("0200"));
    find<QLineEdit>("PasswordEdit")->setText(QStringLiteral("p'w"));
    find<QLineEdit>("NameEdit")->setText(QStringLiteral("Ana"));
    shell.IncluiUSER->setEnabled(true);
    prompter.answers << Prompter::Answer::Yes;
    module->IncluiUSERClick();   // no connection: the command fails
    ASSERT_EQ(prompter.seen.size(), 2);
    EXPECT_TRUE(prompter.seen.last().startsWith(QStringLiteral("error: ")));
    EXPECT_EQ(shell.ExecuteQUERY->text(), QStringLiteral("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('0200', 'p''w', 'Ana')"));
    EXPECT_TRUE(shell.IncluiUSER->isEnabled());
    EXPECT_FALSE(shell.SenhaSQL->isOpen());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ModuleTest, WithoutAUserTheLockStaysAndNothingIsDeletedOrSaved)
{
    QTest::mouseClick(shell.ULock, Qt::LeftButton);
    EXPECT_FALSE(shell.SenhaDATA->autoEdit());
    EXPECT_EQ(shell.ULock->property("Tag").toInt(), 0);
    EXPECT_FALSE(find<QCheckBox>("Vendas01")->isEnabled());
    module->ExcluiFORClick();
    module->SalvaRECClick();
    shell.action(QStringLiteral("UpdateVendas"))->trigger();
    EXPECT_TRUE(prompter.seen.isEmpty());

    // Enter in an empty registration with no user enables "Novo"; typing never edits.
    auto *registro = find<QLineEdit>("Registro");
    registro->setFocus();
    QTest::keyClick(registro, Qt::Key_Return);
    EXPECT_TRUE(shell.IncluiUSER->isEnabled());
    QTest::keyClicks(find<QLineEdit>("FoneU01"), QStringLiteral("123"));
    EXPECT_FALSE(shell.SenhaSQL->isEditing());
    EXPECT_TRUE(prompter.seen.isEmpty());
}

TEST_F(ModuleTest, PasswordLabelsToggleTheClearTextEdit)
{
    auto *mirr41 = find<QLineEdit>("Mirr41");
    EXPECT_TRUE(mirr41->isHidden());
    QTest::mouseDClick(find<QLabel>("LabelSenhaCompras"), Qt::LeftButton);
    EXPECT_FALSE(mirr41->isHidden());
    QTest::mouseDClick(find<QLabel>("Label4"), Qt::LeftButton);
    EXPECT_TRUE(mirr41->isHidden());
    QTest::mouseDClick(find<QLabel>("LabelSenhaDiretoria"), Qt::LeftButton);
    EXPECT_FALSE(mirr41->isHidden());
}
