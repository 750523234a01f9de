#pragma once

#include <QComboBox>

// A drop-down list that reports each closing of its open list (closeUp), whether or not
// the selection changed, once the item chosen in the list (if any) is current. Nothing
// else counts as a close-up: the list hidden while it was not open (the combo box hidden
// or disabled) and a change of the item by the keyboard or the wheel with the list shut.
class DropDownCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit DropDownCombo(QWidget *parent = nullptr);

    void showPopup() override;

signals:
    void closeUp();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void listClosed();
    void reportCloseUp();

    QWidget *m_list = nullptr; // the top-level frame that holds the list view
    bool m_open = false; // the list is shown
    bool m_closing = false; // the list closed; its close-up is not reported yet
};
