#pragma once

#include <QString>
#include <QStringList>

class Console;

// orvo-admin: the operations of the window without a window, over the plants of the program
// INI file. Returns the exit code.
namespace AdminCli {

enum Exit {
    Done = 0,
    StatementFailed = 1, // a statement that the window would show as failed
    BadUsage = 2, // bad usage, the INI file, an unknown plant or user
    NoConnection = 3, // a plant could not be connected
};

// args: the arguments after the program name. defaultIni: the INI file read without --ini.
int run(const QStringList &args, const QString &defaultIni, Console &console);

// The INI file beside the executable: the window's program INI file in the same folder.
QString defaultIniPath(const QString &executablePath);

} // namespace AdminCli
