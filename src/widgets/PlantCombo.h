#pragma once

#include <QComboBox>

// A drop-down list that reports every closing of its list (closeUp), whether or not the
// selection changed.
class PlantCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit PlantCombo(QWidget *parent = nullptr) : QComboBox(parent) {}

    void hidePopup() override
    {
        const bool wasShown = view() && view()->isVisible();
        QComboBox::hidePopup();
        if (wasShown)
            emit closeUp();
    }

signals:
    void closeUp();
};
