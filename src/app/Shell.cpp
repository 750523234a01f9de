#include "app/Shell.h"

#include "connection/DbError.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>

QAction *Shell::action(const QString &objectName) const
{
    if (!MainMENU)
        return nullptr;
    for (QAction *a : MainMENU->actions())
        if (a->objectName() == objectName)
            return a;
    return nullptr;
}

void Shell::setPageContent(QWidget *page, QWidget *content) const
{
    QWidget *area = page->findChild<QWidget *>(page->objectName() + QStringLiteral("Content"), Qt::FindDirectChildrenOnly);
    if (!area)
        area = page;
    QLayout *layout = area->layout();
    // Remove the placeholder (or an earlier content).
    while (QLayoutItem *item = layout->takeAt(0)) {
        if (QWidget *w = item->widget())
            w->deleteLater();
        delete item;
    }
    content->setParent(area);
    layout->addWidget(content);
    content->show();
}

bool Shell::run(const std::function<void()> &handler) const
{
    try {
        handler();
        return true;
    } catch (const DbError &e) {
        if (prompter)
            prompter->error(window, e.message());
    } catch (const std::exception &e) {
        // The window's handling of an uncaught error: shown, and the program goes on.
        if (prompter)
            prompter->error(window, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

bool Shell::runBusy(const std::function<void()> &handler) const
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString failure;
    try {
        handler();
    } catch (const DbError &e) {
        failure = e.message();
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    QApplication::restoreOverrideCursor();
    if (failure.isNull())
        return true;
    if (prompter)
        prompter->error(window, failure);
    return false;
}
