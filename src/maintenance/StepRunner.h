#pragma once

#include "maintenance/SchemaStep.h"

#include <QList>
#include <QString>
#include <functional>

class Command;

// What happened to one statement of a run.
struct StatementOutcome
{
    enum class Kind { Step, DropDescription, AddDescription };
    Kind kind = Kind::Step;
    int step = 0; // position of the step in the run, from 1
    QString text; // the command text as sent
    bool ok = true;
    QString error; // the server's message when it failed
    int errorCode = 0; // the server's error number, 0 when unknown
    // A reported step failed: its text is a line for whoever shows the run.
    bool reported = false;
};

// Runs schema steps one statement at a time through one command (no transaction around
// them), each under its guard, and writes their column descriptions. It reports every
// statement's outcome as it goes and keeps them for the caller; it shows nothing itself.
class StepRunner
{
public:
    explicit StepRunner(Command &command);

    // Before each step: its position and the number of steps of the run.
    std::function<void(int step, int count)> onStepStarting;
    // After each statement.
    std::function<void(const StatementOutcome &outcome)> onStatement;
    // Before a step's own statement: false keeps it from being sent (its descriptions are still
    // written). Unset, every step is sent.
    std::function<bool(const SchemaStep &step)> sendStep;
    // After a step with a progress mark, once its descriptions are written.
    std::function<void(const QString &milestone)> onMilestone;

    // Runs the steps in order. A failing unguarded step ends the run: its DbError reaches
    // the caller after the failure has been reported, and nothing after it is sent.
    void run(const QList<SchemaStep> &steps);

    // Writes one column description; every failure of its statements is ignored.
    void WriteColumnDescription(const QString &mode, const QString &table, const QString &column, const QString &text);

    // The step being run (from 1), or the last one run.
    int currentStep() const { return m_step; }
    // Every statement of the last run, in order.
    const QList<StatementOutcome> &outcomes() const { return m_outcomes; }
    // The texts of the failed reported steps of the last run, in order.
    QStringList reportLines() const;

private:
    void runStep(const SchemaStep &step);
    void send(StatementOutcome::Kind kind, Guard guard, const QString &text);

    Command &m_command;
    QList<StatementOutcome> m_outcomes;
    int m_step = 0;
};
