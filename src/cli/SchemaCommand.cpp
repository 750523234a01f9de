// orvo-admin equalizar and sem-acento: the schema equalization and the accent-free mirror run
// of the window, step by step, for real or rehearsed.
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/SchemaRun.h"
#include "connection/DbError.h"
#include "maintenance/Catalogue.h"

#include <QJsonArray>

namespace AdminCli {
namespace {

// The outcome of a step as the text output words it.
QString outcomeWord(const SchemaRun::StepResult &s, bool rehearsal)
{
    if (!s.sent)
        return QStringLiteral("não enviado");
    if (s.ok)
        return rehearsal ? QStringLiteral("aplicaria") : QStringLiteral("aplicado");
    if (s.alreadyApplied)
        return QStringLiteral("já aplicado");
    return rehearsal ? QStringLiteral("falharia") : QStringLiteral("falhou");
}

QString outcomeKey(const SchemaRun::StepResult &s)
{
    return !s.sent            ? QStringLiteral("nao_enviado")
           : s.ok             ? QStringLiteral("aplicado")
           : s.alreadyApplied ? QStringLiteral("ja_aplicado")
                              : QStringLiteral("falhou");
}

QString guardWord(Guard g)
{
    switch (g) {
    case Guard::Silent:
        return QStringLiteral("silencioso");
    case Guard::Reported:
        return QStringLiteral("relatado");
    case Guard::Unguarded:
        return QStringLiteral("sem proteção");
    }
    return QString();
}

QString guardKey(Guard g)
{
    return g == Guard::Unguarded ? QStringLiteral("sem_protecao") : guardWord(g);
}

QString head(const QString &statement, int chars = 72)
{
    return statement.size() <= chars ? statement : statement.left(chars - 1) + QChar(0x2026);
}

void printRun(Context &c, const QString &plant, const QString &label, const SchemaRun::Result &r)
{
    const bool rehearsal = r.mode == SchemaRun::Mode::Rehearse;
    c.console.print(QStringLiteral("%1 da planta %2%3")
                        .arg(label, plant, rehearsal ? QStringLiteral(" (ensaio: nada fica gravado)") : QString()));
    const int count = int(r.steps.size());
    for (const SchemaRun::StepResult &s : r.steps) {
        if (!s.sent)
            continue;
        QString line = QStringLiteral("Passo %1 de %2 (%3): %4")
                           .arg(s.number)
                           .arg(count)
                           .arg(guardWord(s.guard), outcomeWord(s, rehearsal));
        if (s.gone)
            line += QStringLiteral(" (%1)").arg(s.error);
        else if (!s.ok)
            line += QStringLiteral(" [%1] %2").arg(s.errorCode).arg(s.error);
        if (s.descriptions > 0)
            line += QStringLiteral("; descrições %1 de %2").arg(s.descriptionsWritten).arg(s.descriptions);
        c.console.print(line);
        c.console.print(QStringLiteral("    ") + head(s.statement));
    }
    if (r.timedOut)
        c.console.print(
            QStringLiteral("A instrução do passo %1 passou de %2 s e foi cancelada; a execução parou ali%3: %4")
                .arg(r.endedAtStep)
                .arg(c.o.timeout)
                .arg(rehearsal ? QStringLiteral(" e o ensaio foi desfeito") : QString())
                .arg(r.endError));
    else if (r.endedByFailure)
        c.console.print(QStringLiteral("A execução %1 no passo %2: [%3] %4")
                            .arg(rehearsal ? QStringLiteral("pararia") : QStringLiteral("parou"))
                            .arg(r.endedAtStep)
                            .arg(r.endErrorCode)
                            .arg(r.endError));
    if (r.transactionLostAtStep > 0)
        c.console.print(QStringLiteral("O servidor encerrou a transação do ensaio no passo %1; nada mais foi enviado e "
                                       "o que o ensaio mudou foi desfeito pelo servidor ..!")
                            .arg(r.transactionLostAtStep));
    int notSent = 0;
    for (const SchemaRun::StepResult &s : r.steps)
        notSent += !s.sent;
    const int already = r.stepsAlreadyApplied();
    c.console.print(QStringLiteral("%1 de %2 passos %3, %4 %5%6%7; descrições: %8 de %9 %10")
                        .arg(r.stepsOk())
                        .arg(count)
                        .arg(rehearsal ? QStringLiteral("aplicariam") : QStringLiteral("aplicados"))
                        .arg(r.stepsFailed())
                        .arg(rehearsal ? QStringLiteral("falhariam") : QStringLiteral("falharam"))
                        .arg(already > 0
                                 ? QStringLiteral(", %1 já aplicado%2").arg(already).arg(already == 1 ? "" : "s")
                                 : QString())
                        .arg(notSent > 0 ? QStringLiteral(", %1 não enviados").arg(notSent) : QString())
                        .arg(r.descriptionsWritten())
                        .arg(r.descriptionsSent())
                        .arg(rehearsal ? QStringLiteral("seriam gravadas") : QStringLiteral("gravadas")));
    c.console.print(r.memoLines.isEmpty() ? QStringLiteral("MemoCCDB: nenhuma linha") : QStringLiteral("MemoCCDB:"));
    for (const QString &line : r.memoLines)
        c.console.print(line);
}

QJsonObject runJson(const QString &plant, const SchemaRun::Result &r)
{
    QJsonArray steps;
    for (const SchemaRun::StepResult &s : r.steps) {
        QJsonObject o {{QStringLiteral("passo"), s.number},
                       {QStringLiteral("guarda"), guardKey(s.guard)},
                       {QStringLiteral("instrucao"), s.statement},
                       {QStringLiteral("resultado"), outcomeKey(s)},
                       {QStringLiteral("descricoes"), s.descriptions},
                       {QStringLiteral("descricoesGravadas"), s.descriptionsWritten}};
        if (s.sent && !s.ok) {
            o[QStringLiteral("erroNumero")] = s.errorCode;
            o[QStringLiteral("erro")] = s.error;
        }
        steps.append(o);
    }
    QJsonArray statements;
    for (const StatementOutcome &o : r.outcomes) {
        QJsonObject j {{QStringLiteral("passo"), o.step},
                       {QStringLiteral("tipo"), o.kind == StatementOutcome::Kind::Step ? QStringLiteral("passo")
                                                : o.kind == StatementOutcome::Kind::AddDescription
                                                    ? QStringLiteral("descricao")
                                                    : QStringLiteral("exclui_descricao")},
                       {QStringLiteral("texto"), o.text},
                       {QStringLiteral("ok"), o.ok}};
        if (!o.ok) {
            j[QStringLiteral("erroNumero")] = o.errorCode;
            j[QStringLiteral("erro")] = o.error.trimmed();
            j[QStringLiteral("jaAplicado")] = alreadyApplied(o);
        }
        statements.append(j);
    }
    QJsonObject out {{QStringLiteral("planta"), plant},
                     {QStringLiteral("ensaio"), r.mode == SchemaRun::Mode::Rehearse},
                     {QStringLiteral("passos"), steps},
                     {QStringLiteral("instrucoes"), statements},
                     {QStringLiteral("memo"), QJsonArray::fromStringList(r.memoLines)},
                     {QStringLiteral("paradaNoPasso"), r.endedAtStep},
                     {QStringLiteral("tempoEsgotado"), r.timedOut}};
    if (r.endedByFailure) {
        out[QStringLiteral("erroDaParada")] = r.endError;
        out[QStringLiteral("erroDaParadaNumero")] = r.endErrorCode;
    }
    if (r.mode == SchemaRun::Mode::Rehearse) {
        out[QStringLiteral("desfeito")] = r.rolledBack;
        out[QStringLiteral("transacaoPerdidaNoPasso")] = r.transactionLostAtStep;
    }
    return out;
}

int schemaRun(Context &c, const QList<SchemaStep> &steps, const QString &label)
{
    if (c.o.arguments.size() != 1)
        return c.usage(QStringLiteral("Dê uma planta ..!"));
    if (!c.o.dryRun && !c.confirmed(true))
        return BadUsage;
    int code = Done;
    const std::unique_ptr<PlantSession> opened = c.openPlant(c.o.arguments[0], code);
    if (!opened)
        return code;
    PlantSession &session = *opened;
    const QString plant = session.profile().section;
    const bool rehearsal = c.o.dryRun;
    SchemaRun run(session.connection(), session.command());
    run.onStepStarting = [&](int n, int count) {
        c.console.progress(QStringLiteral("%1: passo %2 de %3").arg(label).arg(n).arg(count), n, count);
    };
    SchemaRun::Result r;
    try {
        r = run.run(steps, rehearsal ? SchemaRun::Mode::Rehearse : SchemaRun::Mode::Apply);
    } catch (const DbError &e) {
        c.console.endProgress();
        c.console.error(
            QStringLiteral("O ensaio não pôde abrir ou desfazer sua transação: %1").arg(e.message().trimmed()));
        return StatementFailed;
    }
    c.console.endProgress();
    if (c.o.json)
        c.printJson(runJson(plant, r));
    else
        printRun(c, plant, label, r);
    if (rehearsal && !r.rolledBack) {
        c.console.error(QStringLiteral("A transação do ensaio continua aberta no servidor ..!"));
        return StatementFailed;
    }
    return r.anyShownFailure() ? StatementFailed : Done;
}

int equalizar(Context &c)
{
    return schemaRun(c, schemaCatalogue(), QStringLiteral("Equalização"));
}

int semAcento(Context &c)
{
    return schemaRun(c, mirrorCatalogue(), QStringLiteral("Campos sem acento"));
}

} // namespace

const CommandSpec equalizarCommand {
    "equalizar",
    "Uso: orvo-admin equalizar PLANTA (--yes | --dry-run) [--ini ARQUIVO] [--json] [--timeout SEGUNDOS]\n"
    "\n"
    "Equaliza o banco da planta de acordo com o padrão: os passos do catálogo, um de cada vez, como o\n"
    "botão da janela. Mostra cada passo como aplicado, já aplicado (o servidor recusou só porque o que\n"
    "ele cria já existe) ou falhou (com o número e a mensagem do servidor) e as linhas que o MemoCCDB\n"
    "mostraria.\n"
    "--dry-run: abre uma transação, envia cada passo como a execução real, anota o resultado (aplicaria,\n"
    "falharia) e desfaz tudo: o banco fica como estava.\n"
    "Sai com 1 quando um passo relatado falha (sem estar já aplicado), um passo sem proteção interrompe a\n"
    "execução ou uma instrução passa do --timeout.\n",
    equalizar, true};

const CommandSpec semAcentoCommand {
    "sem-acento",
    "Uso: orvo-admin sem-acento PLANTA (--yes | --dry-run) [--ini ARQUIVO] [--json] [--timeout SEGUNDOS]\n"
    "\n"
    "Cria e atualiza os campos sem acento nas tabelas da planta, como o botão da janela, com as linhas\n"
    "de progresso do MemoCCDB. --dry-run como em \"equalizar\".\n"
    "Sai com 1 quando uma cópia falha e interrompe a execução, ou uma instrução passa do --timeout.\n",
    semAcento, true};

} // namespace AdminCli
