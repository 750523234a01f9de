#pragma once

#include <QComboBox>

// A drop-down list of the six option items of a module flag string; with no item it shows
// "Escolha opção". closeUp() is emitted each time the drop-down list closes (after the
// chosen item, if any, is current), and also when the item is changed without the list,
// by the keyboard or the wheel.
class OptionCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit OptionCombo(QWidget *parent = nullptr);

    void clearChoice() { setCurrentIndex(-1); }
    bool hasChoice() const { return currentIndex() >= 0; }

    void hidePopup() override;

signals:
    void closeUp();

private:
    bool m_popupShown = false;
};
