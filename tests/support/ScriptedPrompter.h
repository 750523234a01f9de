#pragma once

#include "widgets/Prompter.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Answers every prompt of the application by script and records what was asked.
class ScriptedPrompter : public Prompter
{
public:
    struct Prompt
    {
        QString kind;   // "error", "message", "confirm", "folder"
        QString text;
    };

    // Answers for the next confirm() calls, in order; when none is queued the answer is
    // No and the prompt is recorded as unexpected.
    void queueAnswer(Answer answer) { m_answers.append(answer); }
    // The folder the next chooseFolder() returns (empty: cancelled).
    void queueFolder(const QString &folder) { m_folders.append(folder); }
    // Runs when the next prompt of any kind is shown (after recording it), e.g. to check
    // the state of the window while the box is up.
    std::function<void(const Prompt &)> onPrompt;

    const QList<Prompt> &prompts() const { return m_prompts; }
    QStringList texts(const QString &kind = QString()) const;
    int unexpected() const { return m_unexpected; }
    int pendingAnswers() const { return int(m_answers.size()); }
    void clear() { m_prompts.clear(); m_unexpected = 0; }

    void error(QWidget *parent, const QString &text) override;
    void message(QWidget *parent, const QString &text) override;
    Answer confirm(QWidget *parent, const QString &text, Buttons buttons) override;
    QString chooseFolder(QWidget *parent, const QString &caption, const QString &start) override;

private:
    void record(const QString &kind, const QString &text);

    QList<Prompt> m_prompts;
    QList<Answer> m_answers;
    QStringList m_folders;
    int m_unexpected = 0;
};
