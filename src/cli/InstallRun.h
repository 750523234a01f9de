#pragma once

#include "maintenance/installer/Installer.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Command;
class Connection;
class PlantReader;

// One installer entry or the trigger batch through the installer of the window, for real or
// as a rehearsal: the rehearsal opens one transaction, sends every statement exactly as the
// real run does, records each outcome and rolls the transaction back. After every refused
// statement it asks the server whether the transaction is still open; should the server have
// ended it, nothing more is sent.
class InstallRun
{
public:
    enum class Mode { Apply, Rehearse };

    struct Result
    {
        Mode mode = Mode::Apply;
        QList<installer::InstallReport> reports; // one per installation that sent something
        QList<StatementOutcome> outcomes; // every statement sent, in order
        bool gatedOut = false; // the CNPJ gate refused the entry: nothing was sent
        QString cnpj; // the active company's CNPJ the gate compared
        // Objects whose creation the server refused and that the database lacks after the
        // run (a later step of the batch may have created what an earlier one could not).
        QStringList leftMissing;
        int transactionLostAtStatement = 0; // rehearsal: after this statement (0: never)
        // This statement ran past the command's timeout and was cancelled; nothing after it
        // was sent (0: none did).
        int timedOutAtStatement = 0;
        bool rolledBack = false; // rehearsal: no transaction left open

        int creationsOk() const;
        int creationsFailed() const;
    };

    InstallRun(Connection &connection, Command &command) : m_connection(connection), m_command(command) { }

    // After each statement: how many have been sent, and how many the run sends at most.
    std::function<void(int sent, int count)> onStatement;

    // One menu item (its gate reads the active company's CNPJ; a failure there, or while the
    // rehearsal's transaction is opened or closed, reaches the caller as DbError).
    Result runEntry(const installer::MenuItem &item, Mode mode);
    // Steps 3 to 11 of the trigger batch.
    Result runBatch(Mode mode);

    // The statements an entry or the batch sends when nothing stops it.
    static int statementsOf(const installer::MenuItem &item);
    static int statementsOfBatch();

    // The active company's CNPJ as the window's OrganizacaoSQL reads it (empty without a row).
    static QString activeCnpj(const PlantReader &reader);

private:
    Result run(Mode mode, int count,
               const std::function<QList<installer::InstallReport>(installer::Installer &)> &work);
    bool exists(const QString &object);
    int transactionCount();
    // The reads of the run, with the timeout of its command.
    PlantReader reader() const;

    Connection &m_connection;
    Command &m_command;
};
