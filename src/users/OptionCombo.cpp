#include "users/OptionCombo.h"

#include "users/FlagString.h"

#include <QTimer>

OptionCombo::OptionCombo(QWidget *parent)
    : QComboBox(parent)
{
    addItems(FlagString::optionItems());
    setPlaceholderText(FlagString::optionPlaceholder);
    setCurrentIndex(-1);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(24);
    // A choice made without the drop-down list (arrow keys, wheel) counts as a close-up.
    connect(this, &QComboBox::activated, this, [this] {
        if (!m_popupShown)
            emit closeUp();
    });
}

void OptionCombo::hidePopup()
{
    m_popupShown = true;
    QComboBox::hidePopup();
    // The item clicked in the list becomes current only after the list is hidden: report
    // the close-up once that has happened.
    QTimer::singleShot(0, this, [this] {
        m_popupShown = false;
        emit closeUp();
    });
}
