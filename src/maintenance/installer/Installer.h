#pragma once

#include "maintenance/StepRunner.h"
#include "maintenance/installer/InstallerEntries.h"

#include <QList>
#include <QString>
#include <functional>

class Command;

namespace installer {

// What one installation did: the statements sent (drop, then creation) with their outcomes.
struct InstallReport
{
    QString item; // the menu item, or the object for the batch's own steps
    QString object;
    bool gatedOut = false; // the CNPJ gate refused it: nothing was sent
    QList<StatementOutcome> statements;
    // The creation statement when it was sent and the server refused it.
    const StatementOutcome *failedCreation() const;
    bool creationSent = false;
};

// An object the database lacks once a run of installations has ended: a creation of it
// was refused, and no later statement of the run put it back.
struct MissingObject
{
    QString object;
    QString error; // the server's last refusal of its creation
};
// In order of the first refusal. An object counts as present after its last successful
// statement of the run when that was a creation (the batch's short GNR_UP_Kardex_Novo
// after the page's refused one), and as absent when it was a drop or none succeeded.
QList<MissingObject> missingAfter(const QList<InstallReport> &reports);

// Installs the objects the program carries through one command, each statement as a
// silent step (a failure is ignored and the next statement runs), and reports what the
// server answered. It shows nothing itself.
class Installer
{
public:
    explicit Installer(Command &command);

    // After each statement.
    std::function<void(const StatementOutcome &)> onStatement;

    // Runs one menu item: a gated entry asks readCnpj for the active company's CNPJ first
    // (a failure there reaches the caller); headings, separators and items without an
    // action send nothing.
    InstallReport install(const MenuItem &item, const std::function<QString()> &readCnpj = {});
    // Steps 3 to 11 of the trigger batch, one report per step that sends something.
    QList<InstallReport> runTriggerBatch();

private:
    InstallReport send(const QString &item, const QString &object, const QString &dropText, const QString &creationText,
                       bool withCreation);

    Command &m_command;
};

} // namespace installer
