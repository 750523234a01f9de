#include "cli/AdminCli.h"
#include "cli/Console.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvo-admin"));
    Console console;
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return AdminCli::run(args, AdminCli::defaultIniPath(QCoreApplication::applicationFilePath()), console);
}
