#pragma once

// A window over an own sql-standin with the demo users, and what a person does with the
// user list: pick a user in the grid, search by registration, reconnect.
#include "AppFixture.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "connection/Connection.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "connection/SqlText.h"
#include "widgets/DbGrid.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

class UserListTest : public ::testing::Test
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

    // Clicks the user's row in the grid at the left.
    void pick(const QString &nome)
    {
        sh->PageControl1->setCurrentIndex(0);
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
        sh->PageControl1->setCurrentIndex(0);
        auto *registro = fx.find<QLineEdit>(QStringLiteral("Registro"));
        registro->setFocus();
        registro->selectAll();
        QTest::keyClicks(registro, text);
        QTest::keyClick(registro, Qt::Key_Return);
    }
    // Off and on again with the connect button: every dataset reopens.
    void reconnect()
    {
        fx.click(QStringLiteral("Conecta"));
        ASSERT_FALSE(sh->SERVER1->isOpen());
        fx.click(QStringLiteral("Conecta"));
        ASSERT_TRUE(sh->SenhaSQL->isOpen());
    }
    // Opens the plant list and clicks the plant, as a person does.
    void choosePlant(int index)
    {
        auto *combo = fx.find<QComboBox>(QStringLiteral("PlantasCombo"));
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        const QPoint at = view->visualRect(combo->model()->index(index, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        ASSERT_EQ(combo->currentIndex(), index);
    }
    void clickTab(QTabWidget *tabs, int index)
    {
        QTabBar *bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        ASSERT_EQ(tabs->currentIndex(), index);
    }
    // Ticks or clears a module box on the rights page (side tab 1 holds the purchases).
    void clickRightsBox(int sideTab, const QString &name)
    {
        clickTab(sh->PageControl1, 1);
        clickTab(fx.find<QTabWidget>(QStringLiteral("PageControl2")), sideTab);
        auto *box = fx.find<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    // A user's row by registration, column by column, read on the test's own connection.
    QMap<QString, QVariant> row(const QString &registro)
    {
        const QList<QVariantList> r =
            fx.rows(QStringLiteral("SELECT * FROM Usuarios WHERE Registro = %1").arg(SqlText::unicode(registro)));
        const QList<QVariantList> names =
            fx.rows(QStringLiteral("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'Usuarios' "
                                   "ORDER BY ORDINAL_POSITION"));
        QMap<QString, QVariant> out;
        if (r.size() != 1)
            return out;
        for (int i = 0; i < names.size(); ++i)
            out[names[i].first().toString()] = r.first().value(i);
        return out;
    }
    QString memo() const { return sh->MemoCCDB->toPlainText(); }

    AppFixture fx;
    UsersForm *w = nullptr;
    const Shell *sh = nullptr;
};
