#include "switch/SwitchModule.h"

#include "app/Shell.h"
#include "connection/Command.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "switch/ApplicationSwitch.h"
#include "switch/SwitchPage.h"
#include "widgets/DbControls.h"
#include "widgets/Prompter.h"

#include <QMainWindow>
#include <QToolButton>

void installSwitchModule(Shell &shell)
{
    new SwitchModule(shell, shell.window);
}

SwitchModule::SwitchModule(Shell &shell, QObject *parent) : QObject(parent), m_shell(shell)
{
    setObjectName(QStringLiteral("SwitchModule"));
    m_page = new SwitchPage(shell.JobDATA);
    if (shell.TabSheet5)
        shell.setPageContent(shell.TabSheet5, m_page);

    // The state of Jobs, on the first page, hidden and disabled: the switch reads the
    // state from its text and writes the new state into it.
    m_Mirr10 = new DbEdit(shell.TabSheet1);
    m_Mirr10->setObjectName(QStringLiteral("Mirr10"));
    m_Mirr10->bind(shell.JobDATA, QStringLiteral("Estado"));
    m_Mirr10->hide();
    m_Mirr10->setEnabled(false);

    // Before the first change: the enabled picture and its hint.
    if (shell.ConIMAGE)
        m_page->Libera->setIcon(shell.ConIMAGE->icon());
    m_page->Libera->setToolTip(ApplicationSwitch::hintFor(QStringLiteral("0")));

    connect(m_Mirr10, &QLineEdit::textChanged, this, &SwitchModule::Mirr10Change);
    // Opening or closing Jobs changes the edit even when its text stays the same (an
    // empty table after a closed one).
    connect(shell.JobSQL, &Dataset::afterOpen, this, &SwitchModule::Mirr10Change);
    connect(shell.JobSQL, &Dataset::afterClose, this, &SwitchModule::Mirr10Change);
    connect(m_page->Libera, &QToolButton::clicked, this, &SwitchModule::LiberaClick);
}

void SwitchModule::Mirr10Change()
{
    const QString state = m_Mirr10->text();
    const QToolButton *glyph = ApplicationSwitch::isEnabledState(state) ? m_shell.ConIMAGE : m_shell.UnConIMAGE;
    if (glyph)
        m_page->Libera->setIcon(glyph->icon());
    m_page->Libera->setToolTip(ApplicationSwitch::hintFor(state));
}

void SwitchModule::LiberaClick()
{
    const ApplicationSwitch::Change change = ApplicationSwitch::changeFor(m_Mirr10->text());
    // Only No keeps the application running; closing the box without an answer goes on.
    if (change == ApplicationSwitch::Change::Disable
        && m_shell.prompter->confirm(m_shell.window, ApplicationSwitch::disableQuestion(), Prompter::Buttons::YesNo)
               == Prompter::Answer::No)
        return;
    m_shell.run([&] {
        ApplicationSwitch::run(*m_shell.JobSQL, *m_shell.ExecuteQUERY, change,
                               [this](const QString &state) { m_Mirr10->setText(state); });
    });
}
