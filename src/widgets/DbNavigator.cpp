#include "widgets/DbNavigator.h"

#include "connection/DataSource.h"
#include "connection/DbError.h"

#include <QHBoxLayout>
#include <QStyle>

DbNavigator::DbNavigator(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    static const char *const names[4] = {"First", "Prior", "Next", "Last"};
    static const char *const hints[4] = {"First record", "Prior record", "Next record", "Last record"};
    static const QStyle::StandardPixmap icons[4] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                                    QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    for (int i = 0; i < 4; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(names[i]));
        b->setAutoRaise(true);
        b->setIcon(style()->standardIcon(icons[i]));
        b->setIconSize(QSize(20, 20));
        // The hints exist but are not shown.
        b->setProperty("hint", QString::fromLatin1(hints[i]));
        connect(b, &QToolButton::clicked, this, [this, i] { move(i); });
        layout->addWidget(b);
        m_buttons[i] = b;
    }
    updateButtons();
}

void DbNavigator::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::stateChanged, this, &DbNavigator::updateButtons);
        connect(source, &DataSource::recordChanged, this, &DbNavigator::updateButtons);
        if (source->dataset())
            connect(source->dataset(), &Dataset::afterScroll, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

QToolButton *DbNavigator::button(const QString &name) const
{
    for (QToolButton *b : m_buttons)
        if (b->objectName() == name)
            return b;
    return nullptr;
}

void DbNavigator::move(int which)
{
    if (!m_source || !m_source->dataset() || !m_source->dataset()->isOpen())
        return;
    Dataset *ds = m_source->dataset();
    try {
        switch (which) {
        case 0: ds->first(); break;
        case 1: ds->prior(); break;
        case 2: ds->next(); break;
        default: ds->last(); break;
        }
    } catch (const DbError &e) {
        emit error(e.message());
    }
    updateButtons();
}

void DbNavigator::updateButtons()
{
    const Dataset *ds = m_source ? m_source->dataset() : nullptr;
    const bool open = ds && ds->isOpen() && !ds->isEmpty();
    const bool atFirst = !open || ds->recNo() <= 1;
    const bool atLast = !open || ds->recNo() >= ds->recordCount();
    m_buttons[0]->setEnabled(!atFirst);
    m_buttons[1]->setEnabled(!atFirst);
    m_buttons[2]->setEnabled(!atLast);
    m_buttons[3]->setEnabled(!atLast);
}
