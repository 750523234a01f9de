#pragma once

#include "cli/PlantSession.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <memory>

class Console;

namespace AdminCli {

// What the command line gave: the shared options and the command with its arguments.
struct Options
{
    QString ini;
    bool json = false;
    bool yes = false;
    bool dryRun = false;
    bool batch = false; // instalar --lote
    QString entry; // instalar --entrada NOME
    bool entryGiven = false;
    int timeout = 1200; // seconds a statement may take; 0: no limit
    QString command;
    QStringList arguments;
};

// What every command works with: the options, the console and the plants of the INI file,
// with the lines every command words the same way.
class Context
{
public:
    Context(Options options, Console &console) : o(std::move(options)), console(console) { }

    // Says the usage error and where the help is; returns BadUsage.
    int usage(const QString &message);
    void printJson(const QJsonObject &object);
    // The plant named on the command line, as the INI file spells it; empty (said) when unknown.
    QString plantNamed(const QString &name);
    // Opens the plant's connection; false (said) when it cannot.
    bool connect(PlantSession &session);
    // The plant named on the command line, connected with the command's timeout; null (said)
    // with the exit code in `exitCode` when the plant is unknown or does not answer.
    std::unique_ptr<PlantSession> openPlant(const QString &name, int &exitCode);
    // --yes was given; otherwise says that it is needed and returns false.
    bool confirmed(bool rehearsalExists);

    Options o;
    Console &console;
    PlantIni ini;
};

} // namespace AdminCli
