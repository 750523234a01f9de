#pragma once

// Drives the page " Programmability " as a person does: the page opened by its tab, the group
// and the script page by theirs, the popup menu opened with the mouse's context click on the
// memo, and the item clicked in the menu.
#include "AppFixture.h"
#include "app/Shell.h"
#include "app/UsersForm.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

inline void clickTab(QTabWidget *tabs, QWidget *page)
{
    QTabBar *bar = tabs->tabBar();
    const int index = tabs->indexOf(page);
    ASSERT_GE(index, 0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    ASSERT_EQ(tabs->currentWidget(), page);
}

// Opens " Programmability " and shows the script page of the memo.
inline QPlainTextEdit *showScriptPage(UsersForm *w, const QString &memoName)
{
    clickTab(w->shell().PageControl1, w->shell().TabSheet13);
    auto *memo = w->shell().TabSheet13->findChild<QPlainTextEdit *>(memoName);
    if (!memo)
        return nullptr;
    // The memo's tab page, its page control, the group page and the page control of the groups.
    QWidget *tab = memo->parentWidget();
    auto *pages = qobject_cast<QTabWidget *>(tab->parentWidget()->parentWidget());
    QWidget *group = pages->parentWidget();
    auto *groups = qobject_cast<QTabWidget *>(group->parentWidget()->parentWidget());
    clickTab(groups, group);
    clickTab(pages, tab);
    return memo;
}

// Opens the memo's popup menu with a context click in the middle of its text area.
inline QMenu *openPopup(QPlainTextEdit *memo)
{
    QWidget *area = memo->viewport();
    const QPoint at = area->rect().center();
    // The event the window system sends for a right click.
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, area->mapToGlobal(at));
    QApplication::sendEvent(area, &event);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    if (menu) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
    }
    return menu;
}

// Shows the memo's page, opens its popup menu and clicks the item; false when it is not there.
inline bool chooseFromMenu(UsersForm *w, const QString &memoName, const QString &item)
{
    QPlainTextEdit *memo = showScriptPage(w, memoName);
    if (!memo)
        return false;
    QMenu *menu = openPopup(memo);
    if (!menu)
        return false;
    QAction *action = menu->findChild<QAction *>(item);
    if (!action || !menu->actions().contains(action)) {
        menu->close();
        return false;
    }
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    QApplication::processEvents();
    return true;
}

// A text as the stand-in's log gives it back: a batch ending with a lone CR gains the line
// feed the log adds after every batch.
inline QString asLogged(const QString &text)
{
    return text.endsWith(QLatin1Char('\r')) ? text + QLatin1Char('\n') : text;
}
