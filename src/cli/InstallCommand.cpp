// orvo-admin instalar: the trigger batch or one entry of the object installer.
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/InstallRun.h"
#include "connection/DbError.h"
#include "maintenance/installer/InstallerEntries.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace AdminCli {
namespace {

// An entry named on the command line: its menu item's name or the object it installs,
// without regard to case; nullptr (said) when there is none.
const installer::MenuItem *entryNamed(Context &c, const QString &name)
{
    for (const installer::MenuItem &item : installer::menuItems())
        if (QString::fromLatin1(item.name).compare(name, Qt::CaseInsensitive) == 0)
            return &item;
    for (const installer::MenuItem &item : installer::menuItems())
        if ((item.kind == installer::ItemKind::Entry || item.kind == installer::ItemKind::DropOnly)
            && QString::fromUtf8(item.object).compare(name, Qt::CaseInsensitive) == 0)
            return &item;
    QStringList names;
    for (const installer::MenuItem &item : installer::menuItems())
        if (item.kind == installer::ItemKind::Entry || item.kind == installer::ItemKind::DropOnly)
            names << QString::fromLatin1(item.name);
    c.console.error(
        QStringLiteral("Entrada desconhecida: %1 (entradas: %2) ..!").arg(name, names.join(QStringLiteral(", "))));
    return nullptr;
}

// Each statement of an installation: its part (drop or creation) and outcome.
struct InstallStatement
{
    bool creation;
    const StatementOutcome *outcome;
};
QList<InstallStatement> statementsOf(const installer::InstallReport &report)
{
    QList<InstallStatement> out;
    for (qsizetype i = 0; i < report.statements.size(); ++i)
        out << InstallStatement {report.creationSent && i == report.statements.size() - 1, &report.statements[i]};
    return out;
}

void printInstall(Context &c, const QString &plant, const QString &target, const InstallRun::Result &r)
{
    const bool rehearsal = r.mode == InstallRun::Mode::Rehearse;
    c.console.print(QStringLiteral("Instalação (%1) na planta %2%3")
                        .arg(target == QLatin1String("lote") ? QStringLiteral("lote de triggers")
                                                             : QStringLiteral("entrada ") + target,
                             plant, rehearsal ? QStringLiteral(" (ensaio: nada fica gravado)") : QString()));
    for (const installer::InstallReport &report : r.reports) {
        c.console.print(report.item == report.object ? report.object
                                                     : QStringLiteral("%1 (%2)").arg(report.object, report.item));
        for (const InstallStatement &st : statementsOf(report)) {
            QString line =
                QStringLiteral("  %1: %2")
                    .arg(st.creation ? QStringLiteral("criação") : QStringLiteral("exclusão"),
                         st.outcome->ok ? (rehearsal ? QStringLiteral("aplicaria") : QStringLiteral("aplicada"))
                                        : (rehearsal ? QStringLiteral("falharia") : QStringLiteral("falhou")));
            if (!st.outcome->ok)
                line += QStringLiteral(" [%1] %2").arg(st.outcome->errorCode).arg(st.outcome->error.trimmed());
            c.console.print(line);
        }
    }
    if (r.timedOutAtStatement > 0)
        c.console.print(QStringLiteral("A instrução %1 passou de %2 s e foi cancelada; nada mais foi enviado: %3")
                            .arg(r.timedOutAtStatement)
                            .arg(c.o.timeout)
                            .arg(r.outcomes.value(r.timedOutAtStatement - 1)
                                     .text.section(QRegularExpression(QStringLiteral("[\\r\\n]")), 0, 0)));
    if (r.transactionLostAtStatement > 0)
        c.console.print(
            QStringLiteral("O servidor encerrou a transação do ensaio na instrução %1; nada mais foi enviado e "
                           "o que o ensaio mudou foi desfeito pelo servidor ..!")
                .arg(r.transactionLostAtStatement));
    const int ok = r.creationsOk(), failed = r.creationsFailed();
    c.console.print(
        QStringLiteral("%1 %2, %3 %4")
            .arg(ok)
            .arg(ok == 1 ? (rehearsal ? QStringLiteral("criação aplicaria") : QStringLiteral("criação aplicada"))
                         : (rehearsal ? QStringLiteral("criações aplicariam") : QStringLiteral("criações aplicadas")))
            .arg(failed)
            .arg(failed == 1 ? (rehearsal ? QStringLiteral("falharia") : QStringLiteral("falhou"))
                             : (rehearsal ? QStringLiteral("falhariam") : QStringLiteral("falharam"))));
    if (!r.leftMissing.isEmpty())
        c.console.print(QStringLiteral("%1 sem o objeto: %2")
                            .arg(rehearsal ? QStringLiteral("O banco ficaria") : QStringLiteral("O banco ficou"),
                                 r.leftMissing.join(QStringLiteral(", "))));
}

QJsonObject installJson(const QString &plant, const QString &target, const InstallRun::Result &r)
{
    QJsonArray installs;
    for (const installer::InstallReport &report : r.reports) {
        QJsonArray statements;
        for (const InstallStatement &st : statementsOf(report)) {
            QJsonObject j {
                {QStringLiteral("tipo"), st.creation ? QStringLiteral("criacao") : QStringLiteral("exclusao")},
                {QStringLiteral("texto"), st.outcome->text},
                {QStringLiteral("ok"), st.outcome->ok}};
            if (!st.outcome->ok) {
                j[QStringLiteral("erroNumero")] = st.outcome->errorCode;
                j[QStringLiteral("erro")] = st.outcome->error.trimmed();
            }
            statements.append(j);
        }
        installs.append(QJsonObject {{QStringLiteral("entrada"), report.item},
                                     {QStringLiteral("objeto"), report.object},
                                     {QStringLiteral("instrucoes"), statements}});
    }
    QJsonObject out {{QStringLiteral("planta"), plant},
                     {QStringLiteral("ensaio"), r.mode == InstallRun::Mode::Rehearse},
                     {QStringLiteral("alvo"), target},
                     {QStringLiteral("recusadoPeloCnpj"), false},
                     {QStringLiteral("instalacoes"), installs},
                     {QStringLiteral("criacoesAplicadas"), r.creationsOk()},
                     {QStringLiteral("criacoesFalhas"), r.creationsFailed()},
                     {QStringLiteral("ausentesAoFinal"), QJsonArray::fromStringList(r.leftMissing)}};
    if (!r.cnpj.isNull())
        out[QStringLiteral("cnpj")] = r.cnpj;
    if (r.mode == InstallRun::Mode::Rehearse) {
        out[QStringLiteral("desfeito")] = r.rolledBack;
        out[QStringLiteral("transacaoPerdidaNaInstrucao")] = r.transactionLostAtStatement;
    }
    if (r.timedOutAtStatement > 0) {
        out[QStringLiteral("tempoEsgotadoNaInstrucao")] = r.timedOutAtStatement;
    }
    return out;
}

int instalar(Context &c)
{
    if (c.o.arguments.size() != 1)
        return c.usage(QStringLiteral("Dê uma planta ..!"));
    if (c.o.batch == c.o.entryGiven)
        return c.usage(QStringLiteral("Dê --lote ou --entrada NOME (um dos dois) ..!"));
    const installer::MenuItem *item = nullptr;
    if (c.o.entryGiven) {
        if (!(item = entryNamed(c, c.o.entry)))
            return BadUsage;
        if (InstallRun::statementsOf(*item) == 0) {
            c.console.error(QStringLiteral("A entrada %1 (\"%2\") não instala nada ..!")
                                .arg(QString::fromLatin1(item->name), QString::fromUtf8(item->caption).trimmed()));
            return BadUsage;
        }
    }
    if (!c.o.dryRun && !c.confirmed(true))
        return BadUsage;
    int code = Done;
    const std::unique_ptr<PlantSession> opened = c.openPlant(c.o.arguments[0], code);
    if (!opened)
        return code;
    PlantSession &session = *opened;
    const QString plant = session.profile().section;
    const bool rehearsal = c.o.dryRun;
    const InstallRun::Mode mode = rehearsal ? InstallRun::Mode::Rehearse : InstallRun::Mode::Apply;
    InstallRun run(session.connection(), session.command());
    run.onStatement = [&](int n, int count) {
        c.console.progress(QStringLiteral("Instalação: instrução %1 de %2").arg(n).arg(count), n, count);
    };
    InstallRun::Result r;
    try {
        r = item ? run.runEntry(*item, mode) : run.runBatch(mode);
    } catch (const DbError &e) {
        c.console.endProgress();
        // The gate's reading of the active company, or the rehearsal's transaction.
        c.console.error(
            QStringLiteral("A instalação na planta %1 não pôde ser feita: %2").arg(plant, session.reader().failure(e)));
        return StatementFailed;
    }
    c.console.endProgress();
    const QString target = item ? QString::fromLatin1(item->name) : QStringLiteral("lote");
    if (r.gatedOut) {
        const QString line =
            QStringLiteral("A entrada %1 só instala para as empresas de CNPJ %2; a empresa ativa da planta %3 "
                           "tem o CNPJ \"%4\": nada foi enviado ..!")
                .arg(target, item->cnpjs.join(QStringLiteral(", ")), plant, r.cnpj);
        if (c.o.json)
            c.printJson(QJsonObject {{QStringLiteral("planta"), plant},
                                     {QStringLiteral("ensaio"), rehearsal},
                                     {QStringLiteral("alvo"), target},
                                     {QStringLiteral("cnpj"), r.cnpj},
                                     {QStringLiteral("recusadoPeloCnpj"), true},
                                     {QStringLiteral("instalacoes"), QJsonArray()}});
        c.console.error(line);
        return BadUsage;
    }
    if (c.o.json)
        c.printJson(installJson(plant, target, r));
    else
        printInstall(c, plant, target, r);
    if (rehearsal && !r.rolledBack) {
        c.console.error(QStringLiteral("A transação do ensaio continua aberta no servidor ..!"));
        return StatementFailed;
    }
    return r.leftMissing.isEmpty() && r.transactionLostAtStatement == 0 && r.timedOutAtStatement == 0 ? Done
                                                                                                      : StatementFailed;
}

} // namespace

const CommandSpec instalarCommand {
    "instalar",
    "Uso: orvo-admin instalar PLANTA (--lote | --entrada NOME) (--yes | --dry-run) [--ini ARQUIVO] [--json]\n"
    "       [--timeout SEGUNDOS]\n"
    "\n"
    "--lote: o lote de triggers, como o botão \"Cria Triggers no Banco de Dados\": as funções\n"
    "Remover_acento e First_Day_Month, os triggers GNR_Etiquetas_Recebimento e GNR_Saldo_Terceiros_NOTAS,\n"
    "o procedimento Evol_Invent_Kardex e a versão curta de GNR_UP_Kardex_Novo.\n"
    "--entrada NOME: uma entrada dos menus do instalador, pelo nome do item (FUNCTIONRemoverAcentos1,\n"
    "GNR_NFs, mnIdPlanta...) ou pelo objeto que instala (Remover_acento). Cada instalação exclui o objeto\n"
    "e o cria de novo com o texto do programa; a falha da exclusão (objeto ainda inexistente) é ignorada.\n"
    "GNR_NEW_ContasPR e GNRUPContasPRVctoImpostos2 só instalam para os CNPJs da sua lista (o CNPJ da\n"
    "empresa ativa, como gravado); fora dela nada é enviado e sai com 2.\n"
    "--dry-run: abre uma transação, envia cada instrução como a execução real, anota o resultado e\n"
    "desfaz tudo.\n"
    "Sai com 1 quando uma criação falha e o banco fica sem o objeto.\n",
    instalar, true};

} // namespace AdminCli
