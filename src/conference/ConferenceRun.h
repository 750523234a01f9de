#pragma once

#include "conference/ConferencePlan.h"
#include "connection/DbError.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Command;

// What one statement of the run came to.
struct ConferenceOutcome
{
    int rows = -1; // rows the statement affected (-1 unknown or failed)
    bool failed = false;
    bool ignored = false; // failed, and the run went on (master-unit inserts)
    QString error; // the server's message when it failed
};

// The conference run: sends the statements of a ConferencePlan through a Command, each by
// itself and without a transaction, and tells its caller the outcome of each. A failing
// master-unit insert is passed over; any other failure ends the run at that statement,
// leaving what ran before done.
class ConferenceRun
{
public:
    using Observer = std::function<void(const ConferenceStep &, const ConferenceOutcome &)>;
    // Whether a failure the run would pass over ends it all the same (the window passes over
    // every failing master-unit insert; orvo-admin not one cancelled at its timeout).
    using EndsRun = std::function<bool(const DbError &)>;

    // A master-unit insert that failed and was passed over.
    struct PassedOver
    {
        QString statement;
        QString error;
        int errorCode = 0;
    };

    struct Result
    {
        int statements = 0; // statements sent, the failing one included
        int ignoredFailures = 0;
        QList<PassedOver> passedOver; // each failure counted in ignoredFailures, in order
        int labels = 0; // invoice labels inserted into ConferirTEMP
        int units = 0; // master units registered (rows inserted into Etq_MasterUD)
        std::optional<DbError> failure; // the error that ended the run
        QString failedStatement;
        bool completed() const { return !failure.has_value(); }
    };

    static Result run(const QStringList &lines, const QString &company, Command &command, const Observer &observer = {},
                      const EndsRun &endsRun = {});
};
