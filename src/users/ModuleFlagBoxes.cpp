#include "users/ModuleFlagBoxes.h"

#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "users/OptionCombo.h"

#include <QCheckBox>

ModuleFlagBoxes::ModuleFlagBoxes(const FlagLayout &layout, const QMap<int, QCheckBox *> &boxes, OptionCombo *option,
                                 const QList<int> &silent, DataSource *users, QObject *parent)
    : QObject(parent), m_layout(layout), m_boxes(boxes), m_option(option), m_users(users)
{
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it)
        if (!silent.contains(it.key()))
            connect(it.value(), &QCheckBox::clicked, this, &ModuleFlagBoxes::updateRequested);
    if (m_option)
        connect(m_option, &OptionCombo::closeUp, this, &ModuleFlagBoxes::optionCloseUpRequested);
}

Dataset *ModuleFlagBoxes::dataset() const
{
    return m_users ? m_users->dataset() : nullptr;
}

void ModuleFlagBoxes::load()
{
    Dataset *ds = dataset();
    const QString flags = ds && ds->isOpen() && ds->hasField(m_layout.column) ? ds->asString(m_layout.column) : QString();
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it)
        it.value()->setChecked(FlagString::granted(flags, it.key()));
    if (m_option)
        m_option->setCurrentIndex(FlagString::optionItem(flags));
}

void ModuleFlagBoxes::setStatus()
{
    const bool unlocked = m_users && m_users->autoEdit();
    for (QCheckBox *box : std::as_const(m_boxes))
        box->setEnabled(unlocked);
    if (m_option)
        m_option->setEnabled(unlocked);
}

QString ModuleFlagBoxes::currentFlags()
{
    QList<int> ticked;
    for (auto it = m_boxes.cbegin(); it != m_boxes.cend(); ++it)
        if (it.value()->isChecked())
            ticked << it.key();
    if (m_option && !ticked.contains(FlagString::OptionOwnerPosition))
        m_option->clearChoice();
    return FlagString::build(m_layout, ticked, m_option ? m_option->currentIndex() : -1);
}

void ModuleFlagBoxes::update()
{
    Dataset *ds = dataset();
    if (!m_users || !m_users->autoEdit() || !ds || !ds->isOpen() || ds->isEmpty())
        return;
    ds->edit();
    ds->setString(m_layout.column, currentFlags());
}

void ModuleFlagBoxes::optionClosed()
{
    if (!m_option)
        return;
    if (QCheckBox *owner = m_boxes.value(FlagString::OptionOwnerPosition))
        owner->setChecked(m_option->hasChoice());
    update();
}
