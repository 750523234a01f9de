#include "users/OptionCombo.h"

#include "users/FlagString.h"

#include <QWheelEvent>

OptionCombo::OptionCombo(QWidget *parent)
    : DropDownCombo(parent)
{
    addItems(FlagString::optionItems());
    setPlaceholderText(FlagString::optionPlaceholder);
    setCurrentIndex(-1);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(24);
    // The wheel does not give it the focus either.
    setFocusPolicy(Qt::StrongFocus);
}

void OptionCombo::wheelEvent(QWheelEvent *event)
{
    if (!hasFocus()) {
        event->ignore();   // to the scroll area of the page
        return;
    }
    DropDownCombo::wheelEvent(event);
}
