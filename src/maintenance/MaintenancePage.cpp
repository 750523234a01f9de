#include "maintenance/MaintenancePage.h"

#include "app/Shell.h"
#include "maintenance/Catalogue.h"
#include "maintenance/StepRunner.h"
#include "widgets/Prompter.h"

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QToolButton>

MaintenancePage::MaintenancePage(Shell &shell, QObject *parent) : QObject(parent), m_shell(shell)
{
    connect(m_shell.DataBaseSTRU, &QToolButton::clicked, this, [this] { DataBaseSTRUClick(); });
    connect(m_shell.SemAcento, &QToolButton::clicked, this, [this] { SemAcentoClick(); });
}

void MaintenancePage::DataBaseSTRUClick()
{
    const auto answer =
        m_shell.prompter->confirm(m_shell.window,
                                  QStringLiteral("Será equalizado o sistema de acordo com Bravik, Solenta, Tolvane, "
                                                 "Quendel e Pelvado ..!, devo continuar ?"),
                                  Prompter::Buttons::YesNo);
    if (answer != Prompter::Answer::Yes)
        return;
    runSteps(schemaCatalogue());
}

void MaintenancePage::SemAcentoClick()
{
    const auto answer = m_shell.prompter->confirm(
        m_shell.window, QStringLiteral("Serão criados e atualizados os campos sem acento ..!, devo continuar ?"),
        Prompter::Buttons::YesNo);
    if (answer != Prompter::Answer::Yes)
        return;
    runSteps(mirrorCatalogue(), [this] { m_shell.MemoCCDB->clear(); });
}

void MaintenancePage::runSteps(const QList<SchemaStep> &steps, const std::function<void()> &before)
{
    QPlainTextEdit *memo = m_shell.MemoCCDB;
    QLabel *position = m_shell.StatusBar[1];
    const QString idle = position->text();

    StepRunner runner(*m_shell.ExecuteQUERY);
    // Statements block the one thread, for minutes on a large table. Between them the memo
    // and the status bar are painted directly, without handling events: no click or key
    // reaches another handler while the run goes on.
    runner.onStepStarting = [&](int step, int count) {
        position->setText(QStringLiteral("Posição: passo %1 de %2").arg(step).arg(count));
        position->repaint();
        memo->viewport()->repaint();
    };
    runner.onStatement = [&](const StatementOutcome &o) {
        if (o.reported)
            memo->appendPlainText(o.text);
    };
    runner.onMilestone = [&](const QString &line) { memo->appendPlainText(line); };

    m_shell.runBusy([&] {
        struct RestorePosition
        {
            QLabel *label;
            QString text;
            ~RestorePosition() { label->setText(text); }
        } restore {position, idle};
        if (before)
            before();
        runner.run(steps);
    });
}
