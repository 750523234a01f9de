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

namespace {

// The text of an error for the error box. Our own messages travel as QString; any other
// exception's text is UTF-8 (what QString::toStdString gives), never the local code page.
// A failure without a text is still a failure and gets one.
QString failureText(const QString &message)
{
    return message.trimmed().isEmpty() ? QStringLiteral("A operação falhou sem uma mensagem do servidor ..!") : message;
}

// Runs a handler and tells whether it threw; the text of what it threw goes to failure.
bool runCaught(const std::function<void()> &handler, QString &failure)
{
    try {
        handler();
        return true;
    } catch (const DbError &e) {
        failure = failureText(e.message());
    } catch (const std::exception &e) {
        failure = failureText(QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace

bool Shell::run(const std::function<void()> &handler) const
{
    QString failure;
    if (runCaught(handler, failure))
        return true;
    // The window's handling of an uncaught error: shown, and the program goes on.
    if (prompter)
        prompter->error(window, failure);
    return false;
}

bool Shell::runBusy(const std::function<void()> &handler) const
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString failure;
    const bool done = runCaught(handler, failure);
    QApplication::restoreOverrideCursor();
    if (done)
        return true;
    if (prompter)
        prompter->error(window, failure);
    return false;
}
