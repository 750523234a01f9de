#include "maintenance/StepRunner.h"

#include "connection/Command.h"
#include "connection/DbError.h"
#include "maintenance/ColumnDescription.h"

StepRunner::StepRunner(Command &command) : m_command(command)
{ }

void StepRunner::run(const QList<SchemaStep> &steps)
{
    m_outcomes.clear();
    m_step = 0;
    for (const SchemaStep &step : steps) {
        ++m_step;
        if (onStepStarting)
            onStepStarting(m_step, int(steps.size()));
        runStep(step);
    }
}

void StepRunner::runStep(const SchemaStep &step)
{
    if (!sendStep || sendStep(step))
        send(StatementOutcome::Kind::Step, step.guard, step.statement);
    for (const DescriptionEntry &d : step.descriptions)
        WriteColumnDescription(d.mode, d.table, d.column, d.text);
    if (!step.milestone.isEmpty() && onMilestone)
        onMilestone(step.milestone);
}

void StepRunner::WriteColumnDescription(const QString &mode, const QString &table, const QString &column,
                                        const QString &text)
{
    const QStringList texts = ColumnDescription::statements(mode, table, column, text);
    for (int i = 0; i < texts.size(); ++i) {
        const bool drop = texts.size() == 2 && i == 0;
        send(drop ? StatementOutcome::Kind::DropDescription : StatementOutcome::Kind::AddDescription, Guard::Silent,
             texts[i]);
    }
}

// The guard: the one place where the failure of a statement is caught.
void StepRunner::send(StatementOutcome::Kind kind, Guard guard, const QString &text)
{
    StatementOutcome outcome;
    outcome.kind = kind;
    outcome.step = m_step;
    m_command.setText(text);
    outcome.text = m_command.text();
    try {
        m_command.execute();
    } catch (const DbError &e) {
        outcome.ok = false;
        outcome.error = e.message();
        outcome.errorCode = e.nativeCode();
        outcome.reported = guard == Guard::Reported;
        m_outcomes.append(outcome);
        if (onStatement)
            onStatement(outcome);
        if (guard == Guard::Unguarded)
            throw;
        return;
    }
    m_outcomes.append(outcome);
    if (onStatement)
        onStatement(outcome);
}

QStringList StepRunner::reportLines() const
{
    QStringList lines;
    for (const StatementOutcome &o : m_outcomes)
        if (o.reported)
            lines << o.text;
    return lines;
}
