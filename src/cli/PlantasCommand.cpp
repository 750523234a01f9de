// orvo-admin plantas: the sections of the INI file, with server and database.
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"

#include <QJsonArray>

namespace AdminCli {
namespace {

int plantas(Context &c)
{
    if (!c.o.arguments.isEmpty())
        return c.usage(QStringLiteral("plantas não recebe argumentos ..!"));
    QJsonArray list;
    QList<QStringList> rows;
    for (const QString &plant : c.ini.plants()) {
        const PlantProfile p = c.ini.profile(plant);
        list.append(QJsonObject {{QStringLiteral("planta"), plant},
                                 {QStringLiteral("servidor"), p.server},
                                 {QStringLiteral("banco"), p.database}});
        rows << QStringList {plant, p.server, p.database};
    }
    if (c.o.json) {
        c.printJson(QJsonObject {{QStringLiteral("ini"), c.ini.path()}, {QStringLiteral("plantas"), list}});
        return Done;
    }
    if (rows.isEmpty()) {
        c.console.print(QStringLiteral("Nenhuma planta em %1 ..!").arg(c.ini.path()));
        return Done;
    }
    for (const QString &line :
         formatTable({QStringLiteral("Planta"), QStringLiteral("Servidor"), QStringLiteral("Banco de Dados")}, rows))
        c.console.print(line);
    return Done;
}

} // namespace

const CommandSpec plantasCommand {
    "plantas",
    "Uso: orvo-admin plantas [--ini ARQUIVO] [--json]\n"
    "\n"
    "Lista as plantas (seções) do arquivo INI, na ordem do arquivo, com servidor e banco de dados.\n"
    "A senha nunca é mostrada.\n",
    plantas, false};

} // namespace AdminCli
