#include "cli/SchemaRun.h"

#include "cli/PlantReader.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "connection/SqlText.h"

#include <QRegularExpression>

namespace {

// Thrown from the runner's report when the server has ended the rehearsal's transaction.
struct TransactionLost
{ };

// Thrown from the runner's report when a statement ran out of time: whatever its guard, the
// run ends there.
struct TimedOut
{ };

} // namespace

bool SchemaRun::Result::anyShownFailure() const
{
    if (endedByFailure || transactionLostAtStep > 0)
        return true;
    for (const StatementOutcome &o : outcomes)
        if (o.reported && !alreadyApplied(o))
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
        n += s.sent && !s.ok && !s.alreadyApplied;
    return n;
}

int SchemaRun::Result::stepsAlreadyApplied() const
{
    int n = 0;
    for (const StepResult &s : steps)
        n += s.sent && s.alreadyApplied;
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
    return PlantReader(m_connection, m_command.timeout())
        .read(QStringLiteral("SELECT @@TRANCOUNT AS Transacoes"))
        ->asInteger(QStringLiteral("Transacoes"));
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
    if (rehearse) {
        // Dropping a constraint that is not there (3728) ends the batch and rolls back the
        // transaction on the server even with XACT_ABORT off: the rehearsal asks first and
        // sends only the drops of constraints that exist, as the real run would find them.
        static const QRegularExpression dropConstraint(
            QStringLiteral("^ALTER TABLE \\S+ DROP CONSTRAINT (\\S+)$"), QRegularExpression::CaseInsensitiveOption);
        runner.sendStep = [&](const SchemaStep &step) {
            const auto m = dropConstraint.match(step.statement.trimmed());
            if (!m.hasMatch())
                return true;
            const std::unique_ptr<Dataset> probe =
                PlantReader(m_connection, m_command.timeout())
                    .read(QStringLiteral("SELECT OBJECT_ID(%1) AS Id").arg(SqlText::unicode(m.captured(1))));
            if (!probe->isNull(QStringLiteral("Id")))
                return true;
            StepResult &s = result.steps[runner.currentStep() - 1];
            s.sent = s.gone = s.alreadyApplied = true;
            s.error = QStringLiteral("a restrição %1 não existe; não enviado no ensaio").arg(m.captured(1));
            return false;
        };
    }
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
            s.alreadyApplied = !o.ok && alreadyApplied(o);
        } else if (o.kind == StatementOutcome::Kind::AddDescription) {
            ++s.descriptions;
            s.descriptionsWritten += o.ok;
        }
        if (o.reported)
            result.memoLines << o.text;
        if (!o.ok && timedOut(o)) {
            result.endedByFailure = true;
            result.timedOut = true;
            result.endedAtStep = o.step;
            result.endError = o.error.trimmed();
            result.endErrorCode = o.errorCode;
            throw TimedOut {};
        }
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
        // The step whose statement failed, or before which a rehearsal's question did.
        result.endedAtStep = runner.currentStep();
        result.endError = e.message().trimmed();
        result.endErrorCode = e.nativeCode();
        result.timedOut = timedOut(e.nativeCode(), e.message());
    } catch (const TransactionLost &) {
    } catch (const TimedOut &) { }

    if (rehearse) {
        if (transactionCount() > 0)
            m_command.execute(QStringLiteral("ROLLBACK TRANSACTION"));
        result.rolledBack = transactionCount() == 0;
    }
    return result;
}

bool alreadyApplied(const StatementOutcome &outcome)
{
    switch (outcome.errorCode) {
    case 1750: // the constraint could not be created: applied only when the name was taken
        if (!outcome.error.contains(QLatin1String("There is already an object named")))
            return false;
        [[fallthrough]];
    case 2714: { // there is already an object of that name
        // A CREATE TABLE is applied when that object is the table itself, not when another
        // object holds the name of one of its constraints.
        static const QRegularExpression created(QStringLiteral("^CREATE TABLE (?:dbo\\.)?(\\[[^\\]]+\\]|[^\\s(]+)"),
                                                QRegularExpression::CaseInsensitiveOption);
        const auto m = created.match(outcome.text.trimmed());
        if (!m.hasMatch())
            return true;
        QString table = m.captured(1);
        if (table.startsWith(QLatin1Char('[')))
            table = table.mid(1, table.size() - 2);
        return outcome.error.contains(QLatin1Char('\'') + table + QLatin1Char('\''), Qt::CaseInsensitive);
    }
    case 2705: // a column of that name is already in the table
    case 1779: // the table already has a primary key
    case 1781: // the column already has a default
    case 1913: // an index of that name is already on the table
    case 15233: // the property already exists
        return true;
    case 3727: // the constraint could not be dropped: gone only when it is not a constraint
        if (!outcome.error.contains(QLatin1String("is not a constraint")))
            return false;
        [[fallthrough]];
    case 3701: // cannot drop: it does not exist
    case 3728: // it is not a constraint (any more)
    case 4924: // DROP COLUMN: the column does not exist
        return outcome.text.trimmed().startsWith(QLatin1String("DROP "), Qt::CaseInsensitive)
               || outcome.text.contains(QLatin1String(" DROP "), Qt::CaseInsensitive);
    default:
        return false;
    }
}

bool timedOut(int errorCode, const QString &error)
{
    // The driver cancels the statement and reports its own timeout (no server number).
    return errorCode == 0 && error.contains(QLatin1String("timeout"), Qt::CaseInsensitive);
}

bool timedOut(const StatementOutcome &outcome)
{
    return timedOut(outcome.errorCode, outcome.error);
}

bool repeatsEveryRun(const SchemaStep &step)
{
    const QString s = step.statement.trimmed();
    return s.startsWith(QLatin1String("UPDATE "), Qt::CaseInsensitive) || s.contains(QLatin1String(" SET ("));
}
