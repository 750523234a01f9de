#include "conference/RunInputBlocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {

// Whether the object belongs to the modal box that is up (its widgets or its window).
bool insideModalBox(QObject *watched)
{
    QWidget *box = QApplication::activeModalWidget();
    if (!box)
        return false;
    if (auto *widget = qobject_cast<QWidget *>(watched))
        return widget->window() == box;
    if (auto *window = qobject_cast<QWindow *>(watched))
        return window == box->windowHandle();
    return false;
}

} // namespace

RunInputBlocker::RunInputBlocker()
{
    qApp->installEventFilter(this);
}

RunInputBlocker::~RunInputBlocker()
{
    qApp->removeEventFilter(this);
}

bool RunInputBlocker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
        if (insideModalBox(watched))
            return false;
        event->ignore();
        return true;
    default:
        return false;
    }
}
