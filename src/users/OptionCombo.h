#pragma once

#include "widgets/DropDownCombo.h"

// A drop-down list of the six option items of a module flag string; with no item it shows
// "Escolha opção". closeUp() is emitted each time the drop-down list that was open closes,
// after the chosen item, if any, is current. The wheel changes the item only while the
// combo box has the focus, so that scrolling the page over it changes nothing.
class OptionCombo : public DropDownCombo
{
    Q_OBJECT
public:
    explicit OptionCombo(QWidget *parent = nullptr);

    void clearChoice() { setCurrentIndex(-1); }
    bool hasChoice() const { return currentIndex() >= 0; }

protected:
    void wheelEvent(QWheelEvent *event) override;
};
