// The option combo boxes of the rights page in the whole window: only the closing of a list
// the administrator opened chooses an option. Page and tab switches, the lock, start-up and
// moves through the users leave the records as they are stored.
#include "AppFixture.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "users/OptionCombo.h"
#include "widgets/DbNavigator.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

QString zeros(int n)
{
    return QString(n, QLatin1Char('0'));
}

// Purchases with "[2]" granted and no option character; stray characters at the end of
// both strings, which any rebuild would turn into zeros.
const QString joaoCompras = QStringLiteral("SSS0S") + zeros(24) + QStringLiteral("Z");
const QString joaoVendas = QStringLiteral("SS0S") + zeros(20) + QStringLiteral("S00XYZ");
const QString mariaCompras = QStringLiteral("S0S") + zeros(26) + QStringLiteral("Z");

class OptionComboTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fx.startServer();
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")));
        fx.exec(QStringLiteral("UPDATE Usuarios SET ComprasFLAGS = '%1', VendasFLAGS = '%2' WHERE Registro = N'0001'")
                    .arg(joaoCompras, joaoVendas));
        fx.exec(QStringLiteral("UPDATE Usuarios SET ComprasFLAGS = '%1' WHERE Registro = N'0002'").arg(mariaCompras));
        stored = strings();
        w = fx.openWindow();
        sh = &w->shell();
        compras21 = fx.find<OptionCombo>(QStringLiteral("Compras21"));
        vendas21 = fx.find<OptionCombo>(QStringLiteral("Vendas21"));
        ASSERT_TRUE(compras21 && vendas21);
        ASSERT_EQ(sh->SenhaSQL->asString(QStringLiteral("Registro")), QStringLiteral("0001"));
        ASSERT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    }

    // Every user's three strings as stored.
    QList<QVariantList> strings()
    {
        return fx.rows(QStringLiteral(
            "SELECT Registro, ComprasFLAGS, VendasFLAGS, QualidadeFLAGS FROM Usuarios ORDER BY Registro"));
    }
    QString db(const QString &column, const QString &reg)
    {
        return fx.scalar(QStringLiteral("SELECT %1 FROM Usuarios WHERE Registro = N'%2'").arg(column, reg)).toString();
    }
    QCheckBox *box(const char *name) { return fx.find<QCheckBox>(QString::fromLatin1(name)); }
    QStringList updatesSent()
    {
        QStringList out;
        for (const QString &b : fx.server().batches())
            if (b.startsWith(QStringLiteral("UPDATE"), Qt::CaseInsensitive))
                out << b;
        return out;
    }

    void clickTab(QTabWidget *tabs, int index)
    {
        QTabBar *bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        ASSERT_EQ(tabs->currentIndex(), index);
    }
    void showRights(int sideTab)
    {
        clickTab(sh->PageControl1, 1);
        clickTab(fx.find<QTabWidget>(QStringLiteral("PageControl2")), sideTab);
    }
    void clickButton(QToolButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void clickBox(const char *name)
    {
        QCheckBox *b = box(name);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    // Opens the combo box's list and clicks the item.
    void clickItem(OptionCombo *combo, int item)
    {
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        const QPoint at = view->visualRect(combo->model()->index(item, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        ASSERT_FALSE(view->window()->isVisible());
        QTest::qWait(0);
    }
    void expectUnedited(const char *when)
    {
        EXPECT_FALSE(sh->SenhaSQL->isEditing()) << when;
        EXPECT_FALSE(sh->SalvaREC->isEnabled()) << when;
    }

    AppFixture fx;
    QList<QVariantList> stored;
    UsersForm *w = nullptr;
    const Shell *sh = nullptr;
    OptionCombo *compras21 = nullptr;
    OptionCombo *vendas21 = nullptr;
};

} // namespace

TEST_F(OptionComboTest, SwitchesLockAndMovesLeaveRecordsAndBoxesAlone)
{
    // Start-up hid and disabled the combo boxes: "[2]" stays granted without an option.
    EXPECT_TRUE(box("Compras03")->isChecked());
    EXPECT_EQ(compras21->currentIndex(), -1);

    fx.server().markLog();
    fx.click(QStringLiteral("ULock"));
    ASSERT_TRUE(sh->SenhaDATA->autoEdit());
    QTest::qWait(0);
    expectUnedited("unlocked");

    // The rights page and its side tabs, then back to the record page.
    for (int side : {0, 1, 2, 3, 1}) {
        showRights(side);
        QTest::qWait(0);
        expectUnedited("side tab");
    }
    clickTab(sh->PageControl1, 0);
    QTest::qWait(0);
    expectUnedited("record page");
    EXPECT_TRUE(box("Compras03")->isChecked());

    // Lock and unlock again, on the rights page.
    showRights(1);
    fx.click(QStringLiteral("ULock"));
    QTest::qWait(0);
    fx.click(QStringLiteral("ULock"));
    QTest::qWait(0);
    expectUnedited("lock and unlock");
    EXPECT_TRUE(box("Compras03")->isChecked());

    // Through every user with the navigator and back.
    for (const char *button : {"Next", "Next", "Next", "First", "Last"}) {
        clickButton(sh->NAV00->button(QString::fromLatin1(button)));
        QTest::qWait(0);
        expectUnedited(button);
    }
    ASSERT_EQ(sh->SenhaSQL->asString(QStringLiteral("Registro")), QStringLiteral("0002"));
    EXPECT_TRUE(box("Compras03")->isChecked()); // Maria: "S" at 3, no option
    clickButton(sh->NAV00->button(QStringLiteral("First")));
    QTest::qWait(0);

    EXPECT_EQ(updatesSent(), QStringList());
    EXPECT_EQ(strings(), stored);

    // A real click rebuilds from what the boxes show: "[2]" is still granted.
    clickBox("Compras01");
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_EQ(db(QStringLiteral("ComprasFLAGS"), QStringLiteral("0001")), QStringLiteral("0SS0S") + zeros(25));
    EXPECT_EQ(db(QStringLiteral("VendasFLAGS"), QStringLiteral("0001")), joaoVendas);
}

TEST_F(OptionComboTest, TheWheelAndTheArrowKeysWithTheListShutChooseNothing)
{
    fx.click(QStringLiteral("ULock"));
    showRights(1);
    QTest::qWait(0);
    fx.server().markLog();

    // Scrolling the page with the pointer over the combo box.
    const QPoint at(compras21->width() / 2, compras21->height() / 2);
    for (int i = 0; i < 3; ++i) {
        QWheelEvent wheel(at, compras21->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(compras21, &wheel);
    }
    QTest::qWait(0);
    EXPECT_EQ(compras21->currentIndex(), -1);
    expectUnedited("wheel");

    // The arrow keys on the shut list move the item but are no close-up.
    showRights(0);
    vendas21->setFocus();
    QTest::keyClick(vendas21, Qt::Key_Down);
    QTest::qWait(0);
    expectUnedited("arrow key");
    EXPECT_FALSE(box("Vendas03")->isChecked());
    EXPECT_EQ(updatesSent(), QStringList());
    EXPECT_EQ(strings(), stored);
}

TEST_F(OptionComboTest, ChoosingInTheOpenListWritesTheOption)
{
    fx.click(QStringLiteral("ULock"));
    // Sales: Down twice and Enter in the open list chooses "A-Somente Altera Recebimento".
    showRights(0);
    vendas21->setFocus();
    QTest::keyClick(vendas21, Qt::Key_F4);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(vendas21->view()->window()));
    QTest::keyClick(vendas21->view(), Qt::Key_Down);
    QTest::keyClick(vendas21->view(), Qt::Key_Down);
    QTest::keyClick(vendas21->view(), Qt::Key_Return);
    QTest::qWait(0);
    EXPECT_EQ(vendas21->currentIndex(), 2);
    EXPECT_TRUE(box("Vendas03")->isChecked());
    EXPECT_TRUE(sh->SalvaREC->isEnabled());

    // Purchases: a click on "2=Total ... até 1 Dia da alteração".
    showRights(1);
    clickItem(compras21, 5);
    EXPECT_TRUE(box("Compras03")->isChecked());
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("VendasFLAGS"), QStringLiteral("0001")),
              QStringLiteral("SSSS") + zeros(16) + QStringLiteral("A") + zeros(3) + QStringLiteral("S") + zeros(5));
    EXPECT_EQ(db(QStringLiteral("ComprasFLAGS"), QStringLiteral("0001")),
              QStringLiteral("SSS0S") + zeros(15) + QStringLiteral("2") + zeros(9));

    // Opened and shut again with Esc: a close-up with no choice unticks "[2]".
    clickItem(compras21, 5); // the same item again: still a close-up, still "2"
    EXPECT_EQ(compras21->currentIndex(), 5);
    compras21->setFocus();
    QTest::keyClick(compras21, Qt::Key_F4);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(compras21->view()->window()));
    QTest::keyClick(compras21->view(), Qt::Key_Escape);
    QTest::qWait(0);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(box("Compras03")->isChecked()); // an item is still chosen
    fx.click(QStringLiteral("SalvaREC"));
    EXPECT_EQ(db(QStringLiteral("ComprasFLAGS"), QStringLiteral("0001")),
              QStringLiteral("SSS0S") + zeros(15) + QStringLiteral("2") + zeros(9));
}
