#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "users/NumbersEdit.h"
#include "users/OptionCombo.h"
#include "users/RecordPage.h"
#include "users/RightsPage.h"
#include "widgets/DbControls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QWheelEvent>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

// ------------------------------------------------------------------ masked numbers

TEST(NumbersEdit, TypedDigitsFillThePlacesAndComeBackWithoutLiterals)
{
    NumbersEdit edit;
    edit.show();
    edit.setFocus();
    EXPECT_EQ(edit.digits(), QString());
    EXPECT_EQ(edit.displayText(), QStringLiteral("(___)_____-____  _____-____  _____-____  _____-____"));

    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("11987654321"));
    EXPECT_EQ(edit.digits(), QStringLiteral("11987654321"));
    EXPECT_EQ(edit.displayText(), QStringLiteral("(119)87654-321_  _____-____  _____-____  _____-____"));

    // Letters and signs find no place.
    QTest::keyClicks(&edit, QStringLiteral("ab-+"));
    EXPECT_EQ(edit.digits(), QStringLiteral("11987654321"));
}

TEST(NumbersEdit, AStoredValueFillsThePlacesInOrderUpToThirtyNineDigits)
{
    NumbersEdit edit;
    edit.setDigits(QStringLiteral("0119876543211234567890"));
    EXPECT_EQ(edit.displayText(), QStringLiteral("(011)98765-4321  12345-6789  0____-____  _____-____"));
    EXPECT_EQ(edit.digits(), QStringLiteral("0119876543211234567890"));

    // A value stored with its literals gives the same digits.
    edit.setDigits(QStringLiteral("(011)98765-4321  12345-6789"));
    EXPECT_EQ(edit.digits(), QStringLiteral("011987654321123456789"));

    const QString many = QStringLiteral("123456789").repeated(5);   // 45 digits
    edit.setDigits(many);
    EXPECT_EQ(edit.digits(), many.left(39));

    edit.setDigits(QString());
    EXPECT_EQ(edit.digits(), QString());

    // Typing past the last place keeps 39 digits.
    edit.show();
    edit.setFocus();
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, many);
    EXPECT_EQ(edit.digits(), many.left(39));
}

// ------------------------------------------------------------------ option combo

TEST(OptionCombo, ReportsOnlyTheClosingOfAnOpenList)
{
    OptionCombo combo;
    combo.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&combo));
    ASSERT_EQ(combo.count(), 6);
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(combo.placeholderText(), QStringLiteral("Escolha opção"));
    EXPECT_EQ(combo.itemText(3), QStringLiteral("T=Total (Incluir, Excluir e Alterar)"));

    QList<int> seen;   // the current item when each close-up is reported
    QObject::connect(&combo, &OptionCombo::closeUp, &combo, [&] { seen << combo.currentIndex(); });

    // A click on an item of the drop-down list: reported at once, the item already current.
    combo.showPopup();
    QAbstractItemView *view = combo.view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    const QPoint at = view->visualRect(combo.model()->index(3, 0)).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(seen, QList<int>{3});

    // Closing the list with Esc, nothing chosen, is a close-up too.
    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_F4);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    QTest::keyClick(view, Qt::Key_Escape);
    QTRY_COMPARE(seen.size(), 2);
    EXPECT_EQ(seen.last(), 3);

    // Hiding or disabling the shut combo box, the arrow keys and the wheel are not.
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.currentIndex(), 4);
    combo.clearFocus();
    QWheelEvent wheel(QPointF(5, 5), combo.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&combo, &wheel);
    EXPECT_EQ(combo.currentIndex(), 4);   // not focused: the wheel is the page's
    combo.setEnabled(false);
    combo.setEnabled(true);
    combo.hide();
    combo.show();
    QTest::qWait(10);
    EXPECT_EQ(seen.size(), 2);

    // Disabled while its list is open: the list closes, and that is a close-up.
    combo.showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    combo.setEnabled(false);
    QTRY_COMPARE(seen.size(), 3);

    combo.clearChoice();
    EXPECT_FALSE(combo.hasChoice());
}

// ------------------------------------------------------------------ pages

namespace {

struct Sources
{
    Dataset users;
    Dataset company;
    DataSource usersSource;
    DataSource companySource;
    Sources()
    {
        usersSource.setDataset(&users);
        companySource.setDataset(&company);
    }
};

} // namespace

TEST(RightsPage, SideTabsModuleBoxesAndBoundBoxes)
{
    Sources s;
    RightsPage page(&s.usersSource);
    QTabWidget *tabs = page.PageControl2;
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabPosition(), QTabWidget::West);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral(" Vendas e Engenharia "));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral(" PCP e Compras "));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral(" Faturamento, RH, Financeiro "));
    EXPECT_EQ(tabs->tabText(3), QStringLiteral(" Qualidade "));

    // Every module box and both combo boxes start disabled and unticked.
    EXPECT_EQ(page.compras.keys(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(page.vendas.keys(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 25}));
    EXPECT_EQ(page.qualidade.keys(), (QList<int>{1, 2}));
    for (const auto *boxes : {&page.compras, &page.vendas, &page.qualidade})
        for (QCheckBox *box : *boxes) {
            EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
            EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
        }
    EXPECT_FALSE(page.Compras21->isEnabled());
    EXPECT_FALSE(page.Vendas21->isEnabled());
    EXPECT_FALSE(page.CheckBox7->isEnabled());

    // The bound boxes: 8 + 14 + 17, the two Pcp5 boxes on the same column.
    EXPECT_EQ(page.rightBoxes.size(), 39);
    auto *workLoad = page.findChild<DbCheckBox *>(QStringLiteral("DBCheckPcp5"));
    auto *ops = page.findChild<DbCheckBox *>(QStringLiteral("DBCheckPcp5OPs"));
    ASSERT_TRUE(workLoad && ops);
    EXPECT_EQ(workLoad->fieldName(), QStringLiteral("Pcp5"));
    EXPECT_EQ(ops->fieldName(), QStringLiteral("Pcp5"));

    // The headings are ticked and stay ticked, by mouse or accelerator.
    ASSERT_EQ(page.headings.size(), 8);
    page.show();
    for (QCheckBox *head : page.headings) {
        EXPECT_TRUE(head->isChecked());
        head->click();
        EXPECT_TRUE(head->isChecked()) << head->text().toStdString();
    }
}

TEST(RecordPage, EditLimitsAndTheTreeEntries)
{
    Sources s;
    RecordPage page(&s.usersSource, &s.companySource);
    EXPECT_EQ(page.NameEdit->maxLength(), 49);
    EXPECT_EQ(page.EmailUEdit->maxLength(), 80);
    EXPECT_TRUE(page.PasswordEdit->isReadOnly() && page.NameEdit->isReadOnly() && page.EmailUEdit->isReadOnly());
    EXPECT_FALSE(page.Registro->isReadOnly());
    EXPECT_TRUE(page.Mirr41->isHidden());

    // The tree's fixed entries, in order, with their levels.
    QStringList lines;
    std::function<void(QTreeWidgetItem *, int)> walk = [&](QTreeWidgetItem *item, int level) {
        lines << QString(level * 2, QLatin1Char(' ')) + item->text(0);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i), level + 1);
    };
    for (int i = 0; i < page.TreeView1->topLevelItemCount(); ++i)
        walk(page.TreeView1->topLevelItem(i), 0);
    ASSERT_EQ(lines.size(), 33);
    EXPECT_EQ(lines.at(3), QStringLiteral("  Cadastro de Pessoa Física  ou Jurídica"));
    EXPECT_EQ(lines.at(lines.indexOf(QStringLiteral("  Estoque")) + 2), QStringLiteral("    Etiqueta Codigo de Barra"));
    EXPECT_EQ(lines.last(), QStringLiteral("  Banco Real"));
}
