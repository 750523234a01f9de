// orvo-admin chave: the application switch of the page "  Habilitar/desabilitar", told the
// state wanted rather than flipping the one shown.
#include "app/DatasetTexts.h"
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/PlantStatus.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "switch/ApplicationSwitch.h"

namespace AdminCli {
namespace {

int chave(Context &c)
{
    if (c.o.arguments.size() != 2)
        return c.usage(QStringLiteral("Dê a planta e liga ou desliga ..!"));
    const QString what = c.o.arguments[1].toLower();
    if (what != QLatin1String("liga") && what != QLatin1String("desliga"))
        return c.usage(QStringLiteral("A chave é liga ou desliga, não %1 ..!").arg(c.o.arguments[1]));
    if (!c.confirmed(false))
        return BadUsage;
    int code = Done;
    const std::unique_ptr<PlantSession> opened = c.openPlant(c.o.arguments[0], code);
    if (!opened)
        return code;
    PlantSession &session = *opened;
    const QString plant = session.profile().section;
    const ApplicationSwitch::Change wanted =
        what == QLatin1String("liga") ? ApplicationSwitch::Change::Enable : ApplicationSwitch::Change::Disable;
    const PlantReader reader = session.reader();
    // Jobs is written through its row, as the page does: the dataset is not read-only.
    const std::unique_ptr<Dataset> jobsRow = reader.dataset(QString::fromUtf8(DatasetTexts::JobSQL), false);
    Dataset &jobs = *jobsRow;
    bool changed = false;
    QString stamp;
    try {
        jobs.open();
        const QString state = jobs.asString(QStringLiteral("Estado"));
        // The page flips what it shows; here the administrator names the state wanted, and a
        // plant already in it keeps its state and its stamps.
        if (ApplicationSwitch::changeFor(state) == wanted) {
            const ApplicationSwitch::Report report = ApplicationSwitch::run(jobs, session.command(), wanted);
            stamp = report.stampStatement;
            changed = true;
        }
    } catch (const DbError &e) {
        c.console.error(QStringLiteral("A chave da planta %1 falhou: %2").arg(plant, reader.failure(e)));
        // No transaction joins the state and its stamp: say what the table holds now.
        try {
            const std::unique_ptr<Dataset> now = reader.read(QString::fromUtf8(DatasetTexts::JobSQL));
            c.console.error(
                QStringLiteral("Jobs tem agora Estado %1 ..!")
                    .arg(now->isEmpty() ? QStringLiteral("vazio") : now->asString(QStringLiteral("Estado"))));
        } catch (const DbError &) {
            c.console.error(QStringLiteral("Jobs não pôde ser lida de novo; confira o estado pelo status ..!"));
        }
        return StatementFailed;
    }
    const bool on = wanted == ApplicationSwitch::Change::Enable;
    const QString who = jobs.asString(on ? QStringLiteral("RespRT") : QStringLiteral("RespFT"));
    const QString when = displayDateTime(jobs.asDateTime(on ? QStringLiteral("DataRT") : QStringLiteral("DataFT")));
    if (c.o.json) {
        c.printJson(QJsonObject {{QStringLiteral("planta"), plant},
                                 {QStringLiteral("alterado"), changed},
                                 {QStringLiteral("estado"), jobs.asString(QStringLiteral("Estado"))},
                                 {QStringLiteral("responsavel"), who},
                                 {QStringLiteral("data"), when},
                                 {QStringLiteral("instrucao"), stamp}});
        return Done;
    }
    if (!changed)
        c.console.print(QStringLiteral("Planta %1: o aplicativo já está %2 (Estado %3); nada foi alterado ..!")
                            .arg(plant, on ? QStringLiteral("liberado") : QStringLiteral("derrubado"),
                                 jobs.isEmpty() ? QStringLiteral("vazio") : jobs.asString(QStringLiteral("Estado"))));
    else
        c.console.print(QStringLiteral("Planta %1: %2 (Estado %3) por %4 em %5 ..!")
                            .arg(plant,
                                 on ? QStringLiteral("usuários liberados para o aplicativo ORVO.EXE")
                                    : QStringLiteral("aplicativos ORVO.exe encerrados na rede"),
                                 jobs.asString(QStringLiteral("Estado")), who, when));
    return Done;
}

} // namespace

const CommandSpec chaveCommand {
    "chave",
    "Uso: orvo-admin chave PLANTA (liga|desliga) --yes [--ini ARQUIVO] [--json] [--timeout SEGUNDOS]\n"
    "\n"
    "desliga: encerra todos os aplicativos ORVO.exe na rede (Estado 1, com data e responsável do\n"
    "servidor em DataFT e RespFT). liga: libera todos os usuários (Estado 0, DataRT e RespRT).\n"
    "Nada muda quando o aplicativo já está no estado pedido.\n",
    chave, false};

} // namespace AdminCli
