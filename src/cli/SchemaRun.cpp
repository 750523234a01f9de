#include "cli/SchemaRun.h"

#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"

namespace {

// Thrown from the runner's report when the server has ended the rehearsal's transaction.
struct TransactionLost
{ };

} // namespace

bool SchemaRun::Result::anyShownFailure() const
{
    if (endedByFailure || transactionLostAtStep > 0)
        return true;
    for (const StatementOutcome &o : outcomes)
        if (o.reported)
            return true;
    return false;
}

int SchemaRun::Result::stepsOk() const
{
    int n = 0;
    for (const StepResult &s : steps)
        n += s.sent && s.ok;
    return n;
}

int SchemaRun::Result::stepsFailed() const
{
    int n = 0;
    for (const StepResult &s : steps)
        n += s.sent && !s.ok;
    return n;
}

int SchemaRun::Result::descriptionsSent() const
{
    int n = 0;
    for (const StepResult &s : steps)
        n += s.descriptions;
    return n;
}

int SchemaRun::Result::descriptionsWritten() const
{
    int n = 0;
    for (const StepResult &s : steps)
        n += s.descriptionsWritten;
    return n;
}

int SchemaRun::transactionCount()
{
    Dataset probe;
    probe.setConnection(&m_connection);
    probe.setReadOnly(true);
    probe.setSql(QStringLiteral("SELECT @@TRANCOUNT AS Transacoes"));
    probe.open();
    return probe.asInteger(QStringLiteral("Transacoes"));
}

SchemaRun::Result SchemaRun::run(const QList<SchemaStep> &steps, Mode mode)
{
    Result result;
    result.mode = mode;
    for (int i = 0; i < steps.size(); ++i) {
        StepResult s;
        s.number = i + 1;
        s.statement = steps[i].statement;
        s.guard = steps[i].guard;
        result.steps << s;
    }
    const bool rehearse = mode == Mode::Rehearse;
    if (rehearse) {
        // With XACT_ABORT on (a server's default user options may set it) the first refused
        // statement would end the transaction. Each step is a batch of its own, so the setting
        // changes no step's outcome, only whether the rehearsal can go on past a failure.
        m_command.execute(QStringLiteral("SET XACT_ABORT OFF"));
        m_command.execute(QStringLiteral("BEGIN TRANSACTION"));
    }

    StepRunner runner(m_command);
    runner.onStepStarting = [&](int step, int count) {
        if (onStepStarting)
            onStepStarting(step, count);
    };
    runner.onMilestone = [&](const QString &line) { result.memoLines << line; };
    runner.onStatement = [&](const StatementOutcome &o) {
        result.outcomes << o;
        StepResult &s = result.steps[o.step - 1];
        if (o.kind == StatementOutcome::Kind::Step) {
            s.sent = true;
            s.ok = o.ok;
            s.error = o.error.trimmed();
            s.errorCode = o.errorCode;
        } else if (o.kind == StatementOutcome::Kind::AddDescription) {
            ++s.descriptions;
            s.descriptionsWritten += o.ok;
        }
        if (o.reported)
            result.memoLines << o.text;
        if (!rehearse || o.ok)
            return;
        // A refused statement may end the transaction on some servers; what follows must
        // then not be sent, or it would change the database for real.
        bool open = false;
        try {
            open = transactionCount() > 0;
        } catch (const DbError &) {
            open = false;
        }
        if (!open) {
            result.transactionLostAtStep = o.step;
            throw TransactionLost {};
        }
    };

    try {
        runner.run(steps);
    } catch (const DbError &e) {
        result.endedByFailure = true;
        result.endedAtStep = result.outcomes.isEmpty() ? 0 : result.outcomes.last().step;
        result.endError = e.message().trimmed();
        result.endErrorCode = e.nativeCode();
    } catch (const TransactionLost &) { }

    if (rehearse) {
        if (transactionCount() > 0)
            m_command.execute(QStringLiteral("ROLLBACK TRANSACTION"));
        result.rolledBack = transactionCount() == 0;
    }
    return result;
}

bool repeatsEveryRun(const SchemaStep &step)
{
    const QString s = step.statement.trimmed();
    return s.startsWith(QLatin1String("UPDATE "), Qt::CaseInsensitive) || s.contains(QLatin1String(" SET ("));
}
