#pragma once

#include "maintenance/SchemaStep.h"
#include "maintenance/StepRunner.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Command;
class Connection;

// A run of schema steps through the step runner of the window, for real or as a rehearsal.
// The rehearsal opens one transaction, sends each step and each description as its own batch
// exactly as the real run does, records each outcome, and rolls the transaction back. After
// every refused statement it asks the server whether the transaction is still open: should
// the server have ended it, nothing more is sent.
class SchemaRun
{
public:
    enum class Mode { Apply, Rehearse };

    // What became of one step: its statement and its descriptions.
    struct StepResult
    {
        int number = 0;
        QString statement;
        Guard guard = Guard::Silent;
        bool sent = false;
        bool ok = false;
        bool alreadyApplied = false; // refused only because what it adds is already there
        // Rehearsal only: not sent because the server said beforehand that what it drops is
        // gone (its refusal would end the rehearsal's transaction); counted as already applied.
        bool gone = false;
        int errorCode = 0;
        QString error;
        int descriptions = 0; // description entries of the step that were sent
        int descriptionsWritten = 0; // adds the server accepted
    };

    struct Result
    {
        Mode mode = Mode::Apply;
        QList<StepResult> steps; // every step of the catalogue, in order
        QList<StatementOutcome> outcomes; // every statement sent, in order
        QStringList memoLines; // the lines MemoCCDB would show
        bool endedByFailure = false; // an unguarded step failed, or a statement ran out of time
        bool timedOut = false; // the statement that ended the run passed the command's timeout
        int endedAtStep = 0;
        QString endError;
        int endErrorCode = 0;
        // Rehearsal only: the server ended the transaction on its own after this step (0: never);
        // nothing after it was sent.
        int transactionLostAtStep = 0;
        bool rolledBack = false; // rehearsal: the final rollback left no transaction open

        // Steps the window would show as failed (reported failures and the one that ended the
        // run), leaving out those refused only because their work is already there.
        bool anyShownFailure() const;
        int stepsOk() const;
        int stepsFailed() const; // not counting the steps already applied
        int stepsAlreadyApplied() const;
        int descriptionsSent() const;
        int descriptionsWritten() const;
    };

    SchemaRun(Connection &connection, Command &command) : m_connection(connection), m_command(command) { }

    // Before each step: its position and the number of steps.
    std::function<void(int step, int count)> onStepStarting;

    // Runs the steps. A DbError reaches the caller only when the transaction of a rehearsal
    // cannot be opened or closed (the run is then unreliable and says so).
    Result run(const QList<SchemaStep> &steps, Mode mode);

    // The server's @@TRANCOUNT on this connection.
    int transactionCount();

private:
    Connection &m_connection;
    Command &m_command;
};

// Whether the server refused a statement only because what it adds is already there (an
// object, column, key, default or description of that name), or, for a DROP, only because
// what it removes is already gone. Such a step is already applied, not failed.
bool alreadyApplied(const StatementOutcome &outcome);

// Whether a statement failed because it ran past the command's timeout and was cancelled.
bool timedOut(const StatementOutcome &outcome);
bool timedOut(int errorCode, const QString &error);

// Whether a step does its work again on every run, on an up-to-date database too: it rewrites
// rows (UPDATE) or restates a table option (SET (...)). A status counts them apart from the
// steps still missing.
bool repeatsEveryRun(const SchemaStep &step);
