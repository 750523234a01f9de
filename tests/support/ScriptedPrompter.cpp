#include "ScriptedPrompter.h"

QStringList ScriptedPrompter::texts(const QString &kind) const
{
    QStringList out;
    for (const Prompt &p : m_prompts)
        if (kind.isEmpty() || p.kind == kind)
            out << p.text;
    return out;
}

void ScriptedPrompter::record(const QString &kind, const QString &text)
{
    m_prompts.append(Prompt{kind, text});
    if (onPrompt)
        onPrompt(m_prompts.last());
}

void ScriptedPrompter::error(QWidget *, const QString &text)
{
    record(QStringLiteral("error"), text);
}

void ScriptedPrompter::message(QWidget *, const QString &text)
{
    record(QStringLiteral("message"), text);
}

Prompter::Answer ScriptedPrompter::confirm(QWidget *, const QString &text, Buttons)
{
    record(QStringLiteral("confirm"), text);
    if (m_answers.isEmpty()) {
        ++m_unexpected;
        return Answer::No;
    }
    return m_answers.takeFirst();
}

QString ScriptedPrompter::chooseFolder(QWidget *, const QString &caption, const QString &)
{
    record(QStringLiteral("folder"), caption);
    if (m_folders.isEmpty()) {
        ++m_unexpected;
        return QString();
    }
    return m_folders.takeFirst();
}
