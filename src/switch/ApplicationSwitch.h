#pragma once

#include <QString>

#include <functional>

class Command;
class Dataset;

// The switch of the ORVO application on every station: the state in the one row of Jobs
// (0 enabled, any other value disabled), and who changed it and when, taken from the
// server's clock and login. The application on the stations reads the state.
namespace ApplicationSwitch {

enum class Change { Disable, Enable };

// What a click does for the state shown: "0" disables, anything else (the empty text of
// a closed or empty table included) enables.
Change changeFor(const QString &stateText);
bool isEnabledState(const QString &stateText);

// The question asked before disabling.
QString disableQuestion();
// The hint of the switch button for the state shown.
QString hintFor(const QString &stateText);

// The state written for a change: "1" to disable, "0" to enable.
QString stateFor(Change change);
// The stamp that follows the state: every row of Jobs (it holds one).
QString stampStatement(Change change);

struct Report
{
    Change change = Change::Enable;
    QString state; // the state written
    QString stampStatement;
    int stampedRows = -1;
};

// Writes the change over the dataset of Jobs, in this order: edit (an empty table gets
// its row), write the state through writeState, post, close, run the stamp through the
// command, open again. writeState gets the state text; without it the field Estado is
// set directly. Throws DbError at the first step the server or the dataset refuses; the
// steps before it stay done (no transaction joins the post and the stamp).
Report run(Dataset &jobs, Command &command, Change change,
           const std::function<void(const QString &state)> &writeState = {});

} // namespace ApplicationSwitch
