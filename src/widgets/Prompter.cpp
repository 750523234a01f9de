#include "widgets/Prompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QApplication>

void QtPrompter::error(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), text);
}

void QtPrompter::message(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, QApplication::applicationDisplayName(), text);
}

Prompter::Answer QtPrompter::confirm(QWidget *parent, const QString &text, Buttons buttons)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmação"), text, QMessageBox::NoButton, parent);
    QAbstractButton *yes = box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
    QAbstractButton *no = box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
    QAbstractButton *cancel = nullptr;
    if (buttons == Buttons::YesNoCancel)
        cancel = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
    box.setDefaultButton(static_cast<QPushButton *>(yes));
    box.setEscapeButton(cancel ? cancel : no);
    // Esc clicks the escape button; the close box only closes the box, although the box then
    // names the escape button as clicked. Only a real click (mouse, Enter, Esc, shortcut) answers.
    const QAbstractButton *clicked = nullptr;
    QObject::connect(&box, &QMessageBox::buttonClicked, &box, [&clicked](QAbstractButton *b) { clicked = b; });
    box.exec();
    if (clicked == yes)
        return Answer::Yes;
    if (clicked == no)
        return Answer::No;
    if (cancel && clicked == cancel)
        return Answer::Cancel;
    return Answer::Closed;
}

QString QtPrompter::chooseFolder(QWidget *parent, const QString &caption, const QString &start)
{
    // Folders only, and none can be created from the chooser.
    return QFileDialog::getExistingDirectory(parent, caption, start, QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
}
