#pragma once

#include <QString>

class QWidget;

// Every message box and the folder chooser of the tool go through this interface. The
// application answers with Qt dialogs (QtPrompter); tests answer by script.
class Prompter
{
public:
    enum class Answer { Yes, No, Cancel, Ok, Closed };   // Closed: box closed without an answer
    enum class Buttons { YesNo, YesNoCancel };

    virtual ~Prompter() = default;

    // The standard error message box: shows an error's text.
    virtual void error(QWidget *parent, const QString &text) = 0;
    // A plain message box with an OK button.
    virtual void message(QWidget *parent, const QString &text) = 0;
    // A confirmation box. YesNo: Esc answers No, Enter Yes, the close box gives Closed.
    virtual Answer confirm(QWidget *parent, const QString &text, Buttons buttons) = 0;
    // A folder chooser; an empty text when cancelled.
    virtual QString chooseFolder(QWidget *parent, const QString &caption, const QString &start) = 0;
};

// The application's prompter with Qt dialogs.
class QtPrompter : public Prompter
{
public:
    void error(QWidget *parent, const QString &text) override;
    void message(QWidget *parent, const QString &text) override;
    Answer confirm(QWidget *parent, const QString &text, Buttons buttons) override;
    QString chooseFolder(QWidget *parent, const QString &caption, const QString &start) override;
};
