#include "widgets/DropDownCombo.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QTimer>

DropDownCombo::DropDownCombo(QWidget *parent) : QComboBox(parent)
{
    // A click or Enter on an item hides the list first and only then makes the item
    // current and reports it as activated: the close-up waits for that.
    connect(this, &QComboBox::activated, this, &DropDownCombo::reportCloseUp);
}

void DropDownCombo::showPopup()
{
    QComboBox::showPopup();
    QWidget *list = view() ? view()->window() : nullptr;
    if (!list || list == window() || !list->isVisible())
        return;
    if (list != m_list) {
        if (m_list)
            m_list->removeEventFilter(this);
        m_list = list;
        m_list->installEventFilter(this);
    }
    m_open = true;
    m_closing = false;
}

bool DropDownCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::Hide && m_open)
        listClosed();
    return QComboBox::eventFilter(watched, event);
}

void DropDownCombo::listClosed()
{
    m_open = false;
    m_closing = true;
    // Closed without a choice (Esc, a click elsewhere, the window deactivated): no
    // activation follows in this event; report once it has been handled.
    QTimer::singleShot(0, this, &DropDownCombo::reportCloseUp);
}

void DropDownCombo::reportCloseUp()
{
    if (!m_closing)
        return;
    m_closing = false;
    emit closeUp();
}
