#include "conference/ConferenceRun.h"

#include "connection/Command.h"

ConferenceRun::Result ConferenceRun::run(const QStringList &lines, const QString &company, Command &command,
                                         const Observer &observer, const EndsRun &endsRun)
{
    Result result;
    ConferencePlan plan(lines, company);
    ConferenceStep step;
    while (plan.next(step)) {
        ConferenceOutcome outcome;
        ++result.statements;
        try {
            outcome.rows = command.execute(step.text);
        } catch (const DbError &e) {
            outcome.failed = true;
            outcome.error = e.message();
            if (!step.failureIgnored() || (endsRun && endsRun(e))) {
                if (observer)
                    observer(step, outcome);
                result.failure = e;
                result.failedStatement = step.text;
                return result;
            }
            // A master unit that cannot be registered is passed over.
            outcome.ignored = true;
            ++result.ignoredFailures;
            result.passedOver << PassedOver {step.text, e.message().trimmed(), e.nativeCode()};
        }
        if (!outcome.failed) {
            if (step.kind == ConferenceStep::Kind::LabelInsert)
                ++result.labels;
            else if (step.failureIgnored() && outcome.rows > 0)
                result.units += outcome.rows;
        }
        if (observer)
            observer(step, outcome);
    }
    return result;
}
