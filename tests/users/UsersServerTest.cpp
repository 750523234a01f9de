// The users module in the whole window, against an own sql-standin with the demo database.
// What reached the database is read back with SQL on a connection of the test's own.
#include "AppFixture.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "connection/SqlText.h"
#include "users/OptionCombo.h"
#include "users/UsersModule.h"
#include "widgets/DbControls.h"
#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QString zeros(int n)
{
    return QString(n, QLatin1Char('0'));
}

class UsersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fx.startServer();
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")));
        w = fx.openWindow();
        sh = &w->shell();
        module = w->findChild<UsersModule *>(QStringLiteral("UsersModule"));
        registro = fx.find<QLineEdit>(QStringLiteral("Registro"));
        password = fx.find<QLineEdit>(QStringLiteral("PasswordEdit"));
        name = fx.find<QLineEdit>(QStringLiteral("NameEdit"));
        ASSERT_TRUE(module && registro && password && name);
        ASSERT_TRUE(sh->SenhaSQL->isOpen());
        ASSERT_EQ(sh->SenhaSQL->recordCount(), 4);
        ASSERT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    }

    QString current() const { return sh->SenhaSQL->asString(QStringLiteral("Registro")); }
    QString db(const QString &column, const QString &reg)
    {
        const QVariant v =
            fx.scalar(QStringLiteral("SELECT %1 FROM Usuarios WHERE Registro = %2").arg(column, SqlText::unicode(reg)));
        return v.isNull() ? QStringLiteral("<null>") : v.toString();
    }
    int userCount() { return fx.scalar(QStringLiteral("SELECT COUNT(*) FROM Usuarios")).toInt(); }

    void unlock()
    {
        fx.click(QStringLiteral("ULock"));
        ASSERT_TRUE(sh->SenhaDATA->autoEdit());
    }
    void type(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void search(const QString &text, Qt::Key key = Qt::Key_Return)
    {
        type(registro, text);
        QTest::keyClick(registro, key);
    }
    void moveToUser(const QString &reg)
    {
        for (int i = 1; i <= sh->SenhaSQL->recordCount(); ++i) {
            sh->SenhaSQL->moveTo(i);
            if (current() == reg)
                return;
        }
        FAIL() << "no user " << reg.toStdString();
    }
    // Shows the page and side tab holding the widget, then clicks it as a person would.
    void clickOn(const QString &objectName)
    {
        auto *widget = fx.find<QWidget>(objectName);
        ASSERT_TRUE(widget) << objectName.toStdString();
        for (QWidget *child = widget; child && child->parentWidget(); child = child->parentWidget())
            if (auto *stack = qobject_cast<QStackedWidget *>(child->parentWidget()))
                if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                    tabs->setCurrentWidget(child);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
    }
    QCheckBox *box(const QString &objectName) { return fx.find<QCheckBox>(objectName); }
    void chooseOption(const QString &comboName, int item)
    {
        // Opens the list and clicks the item, as a person does.
        auto *combo = fx.find<OptionCombo>(comboName);
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        const QPoint at = view->visualRect(combo->model()->index(item, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::qWait(0);
    }

    AppFixture fx;
    UsersForm *w = nullptr;
    const Shell *sh = nullptr;
    UsersModule *module = nullptr;
    QLineEdit *registro = nullptr;
    QLineEdit *password = nullptr;
    QLineEdit *name = nullptr;
};

} // namespace

TEST_F(UsersTest, TheRecordPageShowsTheFirstUserAndTheActiveCompany)
{
    EXPECT_EQ(registro->text(), QStringLiteral("0001"));
    EXPECT_EQ(password->text(), QStringLiteral("1234"));
    EXPECT_EQ(name->text(), QStringLiteral("João da Silva"));
    EXPECT_EQ(fx.find<QLineEdit>(QStringLiteral("EmailUEdit"))->text(), QStringLiteral("joao.silva@bravik.com.br"));
    EXPECT_EQ(fx.find<QLineEdit>(QStringLiteral("FoneU01"))->displayText().left(15), QStringLiteral("(119)87654-321_"));
    EXPECT_EQ(fx.find<QLineEdit>(QStringLiteral("Mirr16"))->text(), QStringLiteral("Bravik Indústria Metalúrgica Ltda"));
    EXPECT_TRUE(box(QStringLiteral("DBCheckPcp5"))->isChecked());
    EXPECT_TRUE(box(QStringLiteral("Compras03"))->isChecked());
    EXPECT_EQ(fx.find<OptionCombo>(QStringLiteral("Compras21"))->currentIndex(), 3);   // "T"
    EXPECT_TRUE(box(QStringLiteral("Vendas25"))->isChecked());
    EXPECT_FALSE(box(QStringLiteral("Vendas03"))->isChecked());
    EXPECT_FALSE(sh->SalvaREC->isEnabled());
    EXPECT_FALSE(sh->SenhaSQL->isEditing());
}

TEST_F(UsersTest, LockStateGuardsEveryChange)
{
    // Locked: typing copies nothing, bound boxes refuse, module boxes are disabled.
    type(name, QStringLiteral("Outro"));
    EXPECT_EQ(name->text(), QStringLiteral("João da Silva"));   // read-only
    clickOn(QStringLiteral("DBCheckEng0"));
    EXPECT_TRUE(box(QStringLiteral("DBCheckEng0"))->isChecked());
    EXPECT_FALSE(sh->SenhaSQL->isEditing());
    EXPECT_FALSE(box(QStringLiteral("Compras01"))->isEnabled());
    EXPECT_FALSE(sh->ExcluiFOR->isEnabled());

    unlock();
    EXPECT_EQ(sh->ULock->property("Tag").toInt(), 1);
    EXPECT_EQ(sh->ULock->icon().cacheKey(), sh->UnLockIMAGE->icon().cacheKey());
    EXPECT_EQ(sh->ULock->text(), QStringLiteral("&Destravar"));
    EXPECT_TRUE(sh->ExcluiFOR->isEnabled());
    EXPECT_FALSE(name->isReadOnly());
    EXPECT_TRUE(box(QStringLiteral("Compras07"))->isEnabled());
    EXPECT_TRUE(fx.find<OptionCombo>(QStringLiteral("Vendas21"))->isEnabled());
    EXPECT_TRUE(box(QStringLiteral("Qualidade02"))->isEnabled());

    // A bound box now puts the record into edit by itself.
    clickOn(QStringLiteral("DBCheckEng0"));
    EXPECT_FALSE(box(QStringLiteral("DBCheckEng0"))->isChecked());
    EXPECT_TRUE(sh->SenhaSQL->isEditing());
    EXPECT_TRUE(sh->SalvaREC->isEnabled());

    // Locking keeps the pending edit; the save writes it.
    fx.click(QStringLiteral("ULock"));
    EXPECT_FALSE(sh->SenhaDATA->autoEdit());
    EXPECT_EQ(sh->ULock->property("Tag").toInt(), 0);
    EXPECT_EQ(sh->ULock->icon().cacheKey(), sh->LockIMAGE->icon().cacheKey());
    EXPECT_TRUE(sh->SenhaSQL->isEditing());
    EXPECT_TRUE(sh->SalvaREC->isEnabled());
    EXPECT_FALSE(box(QStringLiteral("Compras01"))->isEnabled());
    EXPECT_TRUE(name->isReadOnly());
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_FALSE(sh->SalvaREC->isEnabled());
    EXPECT_EQ(db(QStringLiteral("CAST(Eng0 AS int)"), QStringLiteral("0001")), QStringLiteral("0"));
}

TEST_F(UsersTest, TypedTextGoesIntoTheRecordCutToTheColumn)
{
    unlock();
    type(name, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));   // 26 characters
    type(password, QStringLiteral("s'e;nh a"));
    auto *email = fx.find<QLineEdit>(QStringLiteral("EmailUEdit"));
    type(email, QStringLiteral("novo@bravik.com.br"));
    auto *fone = fx.find<QLineEdit>(QStringLiteral("FoneU01"));
    fone->setFocus();
    fone->setCursorPosition(0);
    fone->selectAll();
    QTest::keyClick(fone, Qt::Key_Delete);
    fone->setCursorPosition(0);
    QTest::keyClicks(fone, QStringLiteral("0113333444455556666"));
    EXPECT_TRUE(sh->SalvaREC->isEnabled());
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_EQ(db(QStringLiteral("Nome"), QStringLiteral("0001")), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY"));
    EXPECT_EQ(db(QStringLiteral("Senha"), QStringLiteral("0001")), QStringLiteral("s'e;nh a"));
    EXPECT_EQ(db(QStringLiteral("EmailU"), QStringLiteral("0001")), QStringLiteral("novo@bravik.com.br"));
    EXPECT_EQ(db(QStringLiteral("FoneU01"), QStringLiteral("0001")), QStringLiteral("0113333444455556666"));
    EXPECT_FALSE(sh->SalvaREC->isEnabled());
    // Other users are untouched.
    EXPECT_EQ(db(QStringLiteral("Nome"), QStringLiteral("0103")), QStringLiteral("José Araújo"));
}

TEST_F(UsersTest, SearchWithEnterF3StarAndNoResult)
{
    search(QStringLiteral("01*"), Qt::Key_F3);
    EXPECT_EQ(sh->SenhaSQL->sql(), QStringLiteral("SELECT Usuarios.* FROM Usuarios Where (Registro Like '01%') ORDER BY Nome"));
    EXPECT_EQ(sh->SenhaSQL->recordCount(), 2);
    EXPECT_EQ(registro->text(), QStringLiteral("0103"));
    EXPECT_EQ(name->text(), QString());   // emptied although the record has a name
    EXPECT_EQ(password->text(), QStringLiteral("x9y8"));
    EXPECT_EQ(registro->selectedText(), QStringLiteral("0103"));
    EXPECT_FALSE(sh->IncluiUSER->isEnabled());
    // José's null sales string after João's: every sales box unticked, no option.
    EXPECT_FALSE(box(QStringLiteral("Vendas01"))->isChecked());
    EXPECT_FALSE(box(QStringLiteral("Vendas25"))->isChecked());
    EXPECT_EQ(fx.find<OptionCombo>(QStringLiteral("Vendas21"))->currentIndex(), -1);
    EXPECT_EQ(fx.find<OptionCombo>(QStringLiteral("Compras21"))->currentIndex(), 2);   // "A"

    search(QStringLiteral("9999"));
    EXPECT_TRUE(sh->SenhaSQL->isOpen());
    EXPECT_TRUE(sh->SenhaSQL->isEmpty());
    EXPECT_EQ(registro->text(), QString());
    EXPECT_EQ(name->text(), QString());
    EXPECT_TRUE(sh->IncluiUSER->isEnabled());
    EXPECT_EQ(sh->ItensGRADE->model()->rowCount(), 0);
    // ULock on an empty list stays locked.
    fx.click(QStringLiteral("ULock"));
    EXPECT_FALSE(sh->SenhaDATA->autoEdit());

    search(QStringLiteral("*"));
    EXPECT_EQ(sh->SenhaSQL->recordCount(), 4);
    EXPECT_EQ(registro->text(), QStringLiteral("0001"));
    EXPECT_FALSE(sh->IncluiUSER->isEnabled());
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
}

TEST_F(UsersTest, ArrowKeysInTheRegistrationMoveThroughTheList)
{
    registro->setFocus();
    QTest::keyClick(registro, Qt::Key_Down);
    EXPECT_EQ(current(), QStringLiteral("0103"));
    EXPECT_EQ(registro->text(), QStringLiteral("0103"));
    QTest::keyClick(registro, Qt::Key_Right);
    EXPECT_EQ(current(), QStringLiteral("0104"));
    QTest::keyClick(registro, Qt::Key_Up);
    EXPECT_EQ(current(), QStringLiteral("0103"));
    QTest::keyClick(registro, Qt::Key_Left);
    EXPECT_EQ(current(), QStringLiteral("0001"));
    QTest::keyClick(registro, Qt::Key_Left);   // stays on the first
    EXPECT_EQ(current(), QStringLiteral("0001"));
    // Locked: the record never went into edit.
    EXPECT_FALSE(sh->SenhaSQL->isEditing());
    EXPECT_FALSE(sh->SalvaREC->isEnabled());

    // Unlocked: any key released in the edit puts the record into edit, even an arrow key,
    // and the moves write nothing.
    unlock();
    fx.server().markLog();
    QTest::keyClick(registro, Qt::Key_Down);
    EXPECT_EQ(current(), QStringLiteral("0103"));
    EXPECT_TRUE(sh->SenhaSQL->isEditing());
    EXPECT_TRUE(sh->SalvaREC->isEnabled());
    QTest::keyClick(registro, Qt::Key_Down);
    EXPECT_EQ(current(), QStringLiteral("0104"));
    // The second move posted José's edit: his own registration and nothing else.
    QStringList updates;
    for (const QString &b : fx.server().batches())
        if (b.startsWith(QStringLiteral("UPDATE"), Qt::CaseInsensitive))
            updates << b;
    EXPECT_EQ(updates, QStringList{QStringLiteral("UPDATE [Usuarios] SET [Registro] = N'0103' WHERE [IdUser] = 3")});

    // With an empty list the arrows do nothing.
    search(QStringLiteral("9999"));
    QTest::keyClick(registro, Qt::Key_Down);
    EXPECT_TRUE(sh->SenhaSQL->isEmpty());
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
}

TEST_F(UsersTest, CreateAUserAfterASearchThatFindsNone)
{
    unlock();
    // The typed number follows into João's pending edit; Enter's search drops it.
    search(QStringLiteral("02'0"));
    EXPECT_TRUE(sh->SenhaSQL->isEmpty());
    EXPECT_TRUE(sh->IncluiUSER->isEnabled());
    EXPECT_EQ(db(QStringLiteral("Registro"), QStringLiteral("0001")), QStringLiteral("0001"));

    // The checks, in order, each with the focus on the missing edit; nothing is written.
    fx.click(QStringLiteral("IncluiUSER"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("message")), QStringList{QStringLiteral("Digite o Registro do Usuário ..!")});
    EXPECT_TRUE(registro->hasFocus());
    type(registro, QStringLiteral("02'0"));
    fx.click(QStringLiteral("IncluiUSER"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("message")).last(), QStringLiteral("Digite a Senha ..!"));
    EXPECT_TRUE(password->hasFocus());
    type(password, QStringLiteral("pw'1"));
    fx.click(QStringLiteral("IncluiUSER"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("message")).last(), QStringLiteral("Digite o Nome ..!"));
    EXPECT_TRUE(name->hasFocus());
    type(name, QStringLiteral("Ana D'Avila"));

    // Answering No stops.
    fx.prompter().clear();
    fx.prompter().queueAnswer(Prompter::Answer::No);
    fx.click(QStringLiteral("IncluiUSER"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("confirm")),
              QStringList{QStringLiteral("Será cadastrado um novo usuário com o registro de número 02'0 ..!, Devo continuar ?")});
    EXPECT_EQ(userCount(), 4);

    fx.server().markLog();
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("IncluiUSER"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")), QStringList());
    EXPECT_EQ(userCount(), 5);
    EXPECT_EQ(db(QStringLiteral("Nome"), QStringLiteral("02'0")), QStringLiteral("Ana D'Avila"));
    EXPECT_EQ(db(QStringLiteral("Senha"), QStringLiteral("02'0")), QStringLiteral("pw'1"));
    const QStringList batches = fx.server().batches();
    ASSERT_GE(batches.size(), 2);
    EXPECT_EQ(batches.at(0), QStringLiteral("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('02''0', 'pw''1', 'Ana D''Avila')"));
    EXPECT_EQ(batches.at(1), QStringLiteral("SELECT TOP 1 PERCENT Usuarios.* FROM Usuarios Where (Registro = '02''0') ORDER BY Nome"));
    // The list shows the new user; its strings are the table's defaults.
    EXPECT_EQ(sh->SenhaSQL->recordCount(), 1);
    EXPECT_EQ(registro->text(), QStringLiteral("02'0"));
    EXPECT_EQ(name->text(), QStringLiteral("Ana D'Avila"));
    EXPECT_FALSE(sh->IncluiUSER->isEnabled());

    // While a user is current the handler does nothing and shows nothing.
    fx.prompter().clear();
    module->IncluiUSERClick();
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
    EXPECT_EQ(userCount(), 5);
}

TEST_F(UsersTest, ARefusedInsertLeavesTheListAndKeepsNewEnabled)
{
    unlock();
    search(QStringLiteral("0300"));
    type(registro, QStringLiteral("0300"));
    type(password, QStringLiteral("pw"));
    type(name, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));   // 26 characters: the statement is not cut
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("IncluiUSER"));
    ASSERT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
    EXPECT_EQ(userCount(), 4);
    EXPECT_TRUE(sh->IncluiUSER->isEnabled());
    EXPECT_TRUE(sh->SenhaSQL->sql().contains(QStringLiteral("Like '0300'")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(UsersTest, QuotesAndInjectionStayData)
{
    fx.exec(QStringLiteral("INSERT INTO Usuarios (Registro, Senha, Nome) VALUES (N'9''9', N'q', N'Com Aspas')"));
    search(QStringLiteral("9'9"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    ASSERT_EQ(sh->SenhaSQL->recordCount(), 1);
    EXPECT_EQ(registro->text(), QStringLiteral("9'9"));

    search(QStringLiteral("x') DELETE Usuarios --"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(sh->SenhaSQL->isEmpty());
    EXPECT_EQ(userCount(), 5);

    // A delete of a user whose registration holds a quote.
    search(QStringLiteral("9'9"));
    unlock();
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("ExcluiFOR"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("confirm")),
              QStringList{QStringLiteral("Será excluído o Usuário com o Registro 9'9 ..!, Devo continuar ?")});
    EXPECT_EQ(userCount(), 4);
}

TEST_F(UsersTest, DeleteAfterASearchReloadsTheSearch)
{
    search(QStringLiteral("01*"));
    unlock();
    ASSERT_EQ(current(), QStringLiteral("0103"));
    fx.prompter().queueAnswer(Prompter::Answer::No);
    fx.click(QStringLiteral("ExcluiFOR"));
    EXPECT_EQ(userCount(), 4);

    fx.server().markLog();
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    fx.click(QStringLiteral("ExcluiFOR"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("confirm")).last(),
              QStringLiteral("Será excluído o Usuário com o Registro 0103 ..!, Devo continuar ?"));
    EXPECT_EQ(fx.server().batches().value(0),
              QStringLiteral("DELETE Usuarios WHERE (RGUser = '{6F9619FF-8B86-D011-B42D-00C04FC96403}')"));
    EXPECT_EQ(userCount(), 3);
    EXPECT_EQ(db(QStringLiteral("Registro"), QStringLiteral("0103")), QStringLiteral("<null>"));
    EXPECT_EQ(sh->SenhaSQL->recordCount(), 1);
    EXPECT_EQ(registro->text(), QStringLiteral("0104"));
    EXPECT_TRUE(registro->hasFocus());
    EXPECT_EQ(registro->selectedText(), QStringLiteral("0104"));
}

TEST_F(UsersTest, ARefusedPostKeepsTheRecordInEdit)
{
    unlock();
    type(name, QStringLiteral("Nome Novo"));
    ASSERT_TRUE(sh->SenhaSQL->isEditing());
    fx.exec(QStringLiteral("DELETE Usuarios WHERE Registro = N'0001'"));
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(sh->SenhaSQL->isEditing());
    EXPECT_EQ(sh->SenhaSQL->asString(QStringLiteral("Nome")), QStringLiteral("Nome Novo"));
    EXPECT_TRUE(sh->SalvaREC->isEnabled());
    // Moving away tries the post again and stays on the user when it is refused.
    sh->NAV00->button(QStringLiteral("Next"))->click();
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 2);
    EXPECT_EQ(current(), QStringLiteral("0001"));
    EXPECT_TRUE(sh->SenhaSQL->isEditing());
}

TEST_F(UsersTest, PurchasesFlagsFollowTheBoxesAndTheOption)
{
    unlock();
    const QString joao = QStringLiteral("0001");
    // Unticking "[2]" clears the option: "0" at 21.
    clickOn(QStringLiteral("Compras03"));
    EXPECT_EQ(fx.find<OptionCombo>(QStringLiteral("Compras21"))->currentIndex(), -1);
    EXPECT_TRUE(sh->SalvaREC->isEnabled());
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("ComprasFLAGS"), joao), QStringLiteral("SS00S") + zeros(25));

    // Choosing "T=Total ..." ticks position 3 and stores T at 21.
    chooseOption(QStringLiteral("Compras21"), 3);
    EXPECT_TRUE(box(QStringLiteral("Compras03"))->isChecked());
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("ComprasFLAGS"), joao), QStringLiteral("SSS0S") + zeros(15) + QStringLiteral("T") + zeros(9));

    // The separator box does not rebuild by itself; its state enters the next rebuild.
    clickOn(QStringLiteral("Compras07"));
    EXPECT_TRUE(box(QStringLiteral("Compras07"))->isChecked());
    EXPECT_FALSE(sh->SenhaSQL->isEditing());
    clickOn(QStringLiteral("Compras12"));
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("ComprasFLAGS"), joao), QStringLiteral("SSS0S0S0000S") + zeros(8) + QStringLiteral("T") + zeros(9));
}

TEST_F(UsersTest, FlagStringsForOneBoxAndStrayCharacters)
{
    fx.exec(QStringLiteral("UPDATE Usuarios SET ComprasFLAGS = 'S0SxxxxxxxxxXXXXXXXXAZZZZZZZZZ', "
                           "VendasFLAGS = 'ZZZZZZZZZZZZZZZZZZZZIZZZSZZZZZ', QualidadeFLAGS = 'sSZZZZZZZZZZZZZZZZZZZZZZZZZZZZ' "
                           "WHERE Registro = N'0103'"));
    // Lúcia has null strings: one box each.
    search(QStringLiteral("0104"));
    unlock();
    clickOn(QStringLiteral("Compras01"));
    clickOn(QStringLiteral("Vendas25"));
    clickOn(QStringLiteral("Qualidade02"));
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("ComprasFLAGS"), QStringLiteral("0104")), QStringLiteral("S") + zeros(29));
    EXPECT_EQ(db(QStringLiteral("VendasFLAGS"), QStringLiteral("0104")), zeros(24) + QStringLiteral("S") + zeros(5));
    EXPECT_EQ(db(QStringLiteral("QualidadeFLAGS"), QStringLiteral("0104")), QStringLiteral("0S") + zeros(28));

    // José's stray characters come back as zeros at the first click of each module.
    search(QStringLiteral("0103"));
    EXPECT_EQ(fx.find<OptionCombo>(QStringLiteral("Vendas21"))->currentIndex(), 0);   // "I"
    EXPECT_FALSE(box(QStringLiteral("Vendas03"))->isChecked());
    EXPECT_FALSE(box(QStringLiteral("Qualidade01"))->isChecked());   // lower-case s
    clickOn(QStringLiteral("Compras01"));    // unticks
    clickOn(QStringLiteral("Vendas01"));     // ticks; position 3 unticked clears the option
    clickOn(QStringLiteral("Qualidade01"));  // ticks
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("ComprasFLAGS"), QStringLiteral("0103")), QStringLiteral("00S") + zeros(17) + QStringLiteral("A") + zeros(9));
    EXPECT_EQ(db(QStringLiteral("VendasFLAGS"), QStringLiteral("0103")), QStringLiteral("S") + zeros(23) + QStringLiteral("S") + zeros(5));
    EXPECT_EQ(db(QStringLiteral("QualidadeFLAGS"), QStringLiteral("0103")), QStringLiteral("SS") + zeros(28));
    EXPECT_EQ(fx.find<OptionCombo>(QStringLiteral("Vendas21"))->currentIndex(), -1);
}

TEST_F(UsersTest, MovingAndTheMenuWhileLockedChangeNothing)
{
    // "Update Vendas" while locked.
    QAction *update = sh->action(QStringLiteral("UpdateVendas"));
    ASSERT_TRUE(update);
    update->trigger();
    EXPECT_FALSE(sh->SenhaSQL->isEditing());

    // Moving with the navigator while unlocked loads the boxes and writes nothing.
    unlock();
    fx.server().markLog();
    for (int i = 0; i < 3; ++i) {
        sh->NAV00->button(QStringLiteral("Next"))->click();
        EXPECT_FALSE(sh->SalvaREC->isEnabled());
        EXPECT_FALSE(sh->SenhaSQL->isEditing());
    }
    EXPECT_EQ(current(), QStringLiteral("0002"));
    EXPECT_TRUE(box(QStringLiteral("Vendas01"))->isChecked());
    EXPECT_FALSE(box(QStringLiteral("Qualidade01"))->isChecked());   // null
    for (const QString &b : fx.server().batches())
        EXPECT_FALSE(b.startsWith(QStringLiteral("UPDATE"))) << b.toStdString();

    // "Update Vendas" unlocked rewrites the record's string (into edit).
    update->trigger();
    EXPECT_TRUE(sh->SenhaSQL->isEditing());
    EXPECT_EQ(sh->SenhaSQL->asString(QStringLiteral("VendasFLAGS")), QStringLiteral("S") + zeros(29));
}

TEST_F(UsersTest, ThePcp5PairSharesItsColumn)
{
    unlock();
    auto *workLoad = box(QStringLiteral("DBCheckPcp5"));
    auto *ops = box(QStringLiteral("DBCheckPcp5OPs"));
    ASSERT_TRUE(workLoad->isChecked() && ops->isChecked());
    clickOn(QStringLiteral("DBCheckPcp5"));
    EXPECT_FALSE(ops->isChecked());
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("CAST(Pcp5 AS int)"), QStringLiteral("0001")), QStringLiteral("0"));
    clickOn(QStringLiteral("DBCheckPcp5OPs"));
    EXPECT_TRUE(workLoad->isChecked());
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("CAST(Pcp5 AS int)"), QStringLiteral("0001")), QStringLiteral("1"));
}

TEST_F(UsersTest, PasswordLabelsToggleTheAccessPasswordInClear)
{
    auto *mirr41 = fx.find<QLineEdit>(QStringLiteral("Mirr41"));
    EXPECT_TRUE(mirr41->isHidden());
    QTest::mouseDClick(fx.find<QLabel>(QStringLiteral("LabelSenhaCompras")), Qt::LeftButton);
    EXPECT_FALSE(mirr41->isHidden());
    EXPECT_EQ(mirr41->text(), QStringLiteral("1234"));   // Senha, not LCompras_senha
    QTest::mouseDClick(fx.find<QLabel>(QStringLiteral("Label4")), Qt::LeftButton);
    EXPECT_TRUE(mirr41->isHidden());
    QTest::mouseDClick(fx.find<QLabel>(QStringLiteral("LabelSenhaDiretoria")), Qt::LeftButton);
    EXPECT_FALSE(mirr41->isHidden());
}

TEST_F(UsersTest, APastedSignatureIsStoredAsJpeg)
{
    unlock();
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QApplication::clipboard()->setImage(image);
    clickOn(QStringLiteral("cxDBImage1Colar"));
    EXPECT_TRUE(sh->SenhaSQL->isEditing());
    fx.click(QStringLiteral("SalvaREC"));
    const QByteArray stored = fx.scalar(QStringLiteral("SELECT Assinatura_Diretoria FROM Usuarios WHERE Registro = N'0001'")).toByteArray();
    ASSERT_GT(stored.size(), 4);
    EXPECT_EQ(stored.left(2), QByteArray("\xFF\xD8"));
    EXPECT_EQ(QImage::fromData(stored).size(), QSize(40, 20));

}

TEST_F(UsersTest, ClearingASignatureStoresNull)
{
    unlock();
    clickOn(QStringLiteral("cxDBPhotoLimpar"));
    EXPECT_TRUE(sh->SenhaSQL->isEditing());
    EXPECT_TRUE(fx.find<DbImage>(QStringLiteral("cxDBPhoto"))->pictureData().isEmpty());
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(fx.scalar(QStringLiteral("SELECT Assinatura_Compras FROM Usuarios WHERE Registro = N'0001'")).isNull());
    EXPECT_FALSE(fx.scalar(QStringLiteral("SELECT Assinatura_Diretoria FROM Usuarios WHERE Registro = N'0001'")).isNull());
}

TEST_F(UsersTest, NoControlAddsARowToAnEmptyList)
{
    unlock();
    search(QStringLiteral("9999"));
    ASSERT_TRUE(sh->SenhaDATA->autoEdit());
    clickOn(QStringLiteral("DBCheckEng0"));
    clickOn(QStringLiteral("Compras01"));
    type(fx.find<QLineEdit>(QStringLiteral("SenhaCompras")), QStringLiteral("x"));
    type(name, QStringLiteral("y"));
    EXPECT_FALSE(sh->SenhaSQL->isEditing());
    EXPECT_TRUE(sh->SenhaSQL->isEmpty());
    EXPECT_FALSE(sh->SalvaREC->isEnabled());
    EXPECT_EQ(userCount(), 4);
}

TEST_F(UsersTest, TheGridOnlySelects)
{
    unlock();
    QWidget *grid = sh->ItensGRADE;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(current(), QStringLiteral("0103"));
    EXPECT_EQ(registro->text(), QStringLiteral("0103"));
    for (Qt::Key key : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down})
        QTest::keyClick(grid, key);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(sh->SenhaSQL->recordCount(), 4);
    EXPECT_EQ(current(), QStringLiteral("0002"));
    EXPECT_FALSE(sh->SenhaSQL->isEditing());
    EXPECT_FALSE(sh->SalvaREC->isEnabled());
    EXPECT_EQ(userCount(), 4);
}

TEST_F(UsersTest, ColumnsAddedToTheTableJoinTheListWithoutChange)
{
    fx.exec(QStringLiteral("ALTER TABLE Usuarios ADD DiasExpirar int NOT NULL CONSTRAINT DF_Usuarios_DiasExpirar DEFAULT 60"));
    search(QStringLiteral("0001"));
    ASSERT_TRUE(sh->SenhaSQL->hasField(QStringLiteral("DiasExpirar")));
    EXPECT_EQ(sh->SenhaSQL->columns().last().name, QStringLiteral("DiasExpirar"));
    EXPECT_EQ(sh->SenhaSQL->asInteger(QStringLiteral("DiasExpirar")), 60);
    // The record still saves.
    unlock();
    type(name, QStringLiteral("Joao S."));
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_EQ(db(QStringLiteral("Nome"), QStringLiteral("0001")), QStringLiteral("Joao S."));
}
