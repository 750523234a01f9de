// orvo-admin exportar-usuario: the insert script of "Gera Script de Usuários" for one user.
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "users/UserScript.h"
#include "users/UserStatements.h"

namespace AdminCli {
namespace {

int exportarUsuario(Context &c)
{
    if (c.o.arguments.size() != 2)
        return c.usage(QStringLiteral("Dê a planta e o registro do usuário ..!"));
    const QString registro = c.o.arguments[1];
    int code = Done;
    const std::unique_ptr<PlantSession> opened = c.openPlant(c.o.arguments[0], code);
    if (!opened)
        return code;
    PlantSession &session = *opened;
    const QString plant = session.profile().section;
    const PlantReader reader = session.reader();
    UserScript::Report report;
    try {
        report = UserScript::insertScript(*reader.read(UserStatements::reload(registro)));
    } catch (const DbError &e) {
        c.console.error(
            QStringLiteral("Os usuários da planta %1 não puderam ser lidos: %2").arg(plant, reader.failure(e)));
        return StatementFailed;
    }
    if (!report.exported) {
        c.console.error(QStringLiteral("Não há usuário com o Registro %1 na planta %2 ..!").arg(registro, plant));
        return BadUsage;
    }
    if (c.o.json) {
        c.printJson(QJsonObject {{QStringLiteral("planta"), plant},
                                 {QStringLiteral("registro"), registro},
                                 {QStringLiteral("colunas"), report.columns},
                                 {QStringLiteral("script"), report.script}});
        return Done;
    }
    // The script as the export writes it, carriage return included; a terminal would let the
    // values overwrite the names, so there it shows as a line break.
    QString text = report.script;
    if (c.console.outIsTerminal())
        text.replace(QChar(13), QChar(10));
    c.console.write(text.toUtf8() + '\n');
    return Done;
}

} // namespace

const CommandSpec exportarUsuarioCommand {
    "exportar-usuario",
    "Uso: orvo-admin exportar-usuario PLANTA REGISTRO [--ini ARQUIVO] [--json] [--timeout SEGUNDOS]\n"
    "\n"
    "Escreve o script de inclusão do usuário de registro REGISTRO, como \"Gera Script de Usuários\":\n"
    "uma instrução INSERT INTO Usuarios com um retorno de carro entre os nomes e os valores (num\n"
    "terminal ele aparece como quebra de linha).\n",
    exportarUsuario, false};

} // namespace AdminCli
