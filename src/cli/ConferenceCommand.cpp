// orvo-admin conferir: the conference of "02-Conferir" over the reader files of a folder.
#include "app/DatasetTexts.h"
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/SchemaRun.h"
#include "conference/ConferenceRun.h"
#include "conference/ConferenceStatements.h"
#include "conference/ReaderFiles.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace AdminCli {
namespace {

// The company as the window takes it from its active-company field: the text of Razão, without
// the blanks a fixed-width column pads it with.
QString companyValue(const Dataset &active)
{
    QString text = active.asString(QStringLiteral("Razão"));
    const QString type = active.column(QStringLiteral("Razão")).typeName;
    if (type == QLatin1String("char") || type == QLatin1String("nchar")) {
        qsizetype end = text.size();
        while (end > 0 && text[end - 1] == QLatin1Char(' '))
            --end;
        text.truncate(end);
    }
    return text;
}

int conferir(Context &c)
{
    if (c.o.arguments.size() != 2)
        return c.usage(QStringLiteral("Dê a planta e a pasta dos arquivos do leitor ..!"));
    if (!c.confirmed(false))
        return BadUsage;
    const QString plant = c.plantNamed(c.o.arguments[0]);
    if (plant.isEmpty())
        return BadUsage;
    const QDir folder(c.o.arguments[1]);
    if (!QFileInfo(c.o.arguments[1]).isDir()) {
        c.console.error(QStringLiteral("Pasta não encontrada: %1 ..!").arg(c.o.arguments[1]));
        return BadUsage;
    }
    // The files are read before anything is sent: a file that cannot be read leaves the
    // database untouched.
    QStringList files, lines;
    try {
        for (const QString &name : ReaderFiles::list(folder.path(), QStringLiteral("*.txt"))) {
            if (!ReaderFiles::isLoaded(name))
                continue;
            lines << ReaderFiles::readLines(folder.filePath(name));
            files << name;
        }
    } catch (const ReaderFileError &e) {
        c.console.error(e.message());
        return BadUsage;
    }
    if (files.isEmpty()) {
        c.console.error(QStringLiteral("A pasta %1 não tem arquivos do leitor (*.txt) ..!").arg(c.o.arguments[1]));
        return BadUsage;
    }
    PlantSession session(c.ini.profile(plant), c.o.timeout);
    if (!c.connect(session))
        return NoConnection;
    const PlantReader reader = session.reader();
    QString company;
    try {
        company = companyValue(*reader.read(QString::fromUtf8(DatasetTexts::Data1SQL)));
    } catch (const DbError &e) {
        c.console.error(
            QStringLiteral("A empresa ativa da planta %1 não pôde ser lida: %2").arg(plant, reader.failure(e)));
        return StatementFailed;
    }
    const int total = int(lines.size());
    // The window passes over every failing master-unit insert; here one cancelled at the
    // timeout ends the run as any statement past it does.
    const ConferenceRun::Result result = ConferenceRun::run(
        lines, company, session.command(),
        [&](const ConferenceStep &step, const ConferenceOutcome &) {
            if (step.line >= 0)
                c.console.progress(QStringLiteral("Conferência: linha %1 de %2").arg(step.line + 1).arg(total),
                                   step.line + 1, total);
        },
        [](const DbError &e) { return timedOut(e.nativeCode(), e.message()); });
    c.console.endProgress();
    const bool stoppedByTimeout =
        !result.completed() && timedOut(result.failure->nativeCode(), result.failure->message());
    // Each insert sends nothing for a unit already registered (it asks first): a refusal is a
    // unit left unregistered.
    const int unitsFailed = int(result.passedOver.size());

    QList<QStringList> rows;
    QString resultError;
    try {
        const std::unique_ptr<Dataset> conferred = reader.read(ConferenceStatements::resultQuery());
        for (int r = 0; r < conferred->recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < conferred->columns().size(); ++c)
                cells << conferred->rowValue(r, c).toString();
            rows << cells;
        }
    } catch (const DbError &e) {
        resultError = reader.failure(e);
    }

    if (c.o.json) {
        QJsonArray conferredRows;
        for (const QStringList &r : rows)
            conferredRows.append(QJsonObject {{QStringLiteral("Cod128"), r.value(0)},
                                              {QStringLiteral("EtqNF"), r.value(1)},
                                              {QStringLiteral("IdMud"), r.value(2)},
                                              {QStringLiteral("IdItemNF"), r.value(3)}});
        QJsonObject o {{QStringLiteral("planta"), plant},
                       {QStringLiteral("empresa"), company},
                       {QStringLiteral("arquivos"), QJsonArray::fromStringList(files)},
                       {QStringLiteral("linhas"), total},
                       {QStringLiteral("instrucoes"), result.statements},
                       {QStringLiteral("etiquetas"), result.labels},
                       {QStringLiteral("unidades"), result.units},
                       {QStringLiteral("falhasIgnoradas"), result.ignoredFailures},
                       {QStringLiteral("unidadesNaoRegistradas"), unitsFailed},
                       {QStringLiteral("concluida"), result.completed()},
                       {QStringLiteral("conferido"), conferredRows}};
        QJsonArray refused;
        for (const ConferenceRun::PassedOver &f : result.passedOver)
            refused.append(QJsonObject {{QStringLiteral("instrucao"), f.statement},
                                        {QStringLiteral("erro"), f.error},
                                        {QStringLiteral("erroNumero"), f.errorCode}});
        o[QStringLiteral("inclusoesDeUnidadeRecusadas")] = refused;
        if (!result.completed()) {
            o[QStringLiteral("erro")] = result.failure->message().trimmed();
            o[QStringLiteral("erroNumero")] = result.failure->nativeCode();
            o[QStringLiteral("instrucaoComErro")] = result.failedStatement;
            o[QStringLiteral("tempoEsgotado")] = stoppedByTimeout;
        }
        if (!resultError.isEmpty())
            o[QStringLiteral("erroDoResultado")] = resultError;
        c.printJson(o);
    } else {
        c.console.print(QStringLiteral("Conferência da planta %1 (empresa %2): %3 linhas de %4 arquivos")
                            .arg(plant, company.isEmpty() ? QStringLiteral("vazia") : company)
                            .arg(total)
                            .arg(files.size()));
        c.console.print(QStringLiteral("%1 etiquetas de nota, %2 unidades master registradas, %3 inclusões de unidade "
                                       "recusadas e ignoradas; %4 instruções")
                            .arg(result.labels)
                            .arg(result.units)
                            .arg(result.ignoredFailures)
                            .arg(result.statements));
        for (const ConferenceRun::PassedOver &f : result.passedOver)
            c.console.print(QStringLiteral("Unidade master não registrada, a inclusão falhou: [%1] %2\n    %3")
                                .arg(f.errorCode)
                                .arg(f.error, f.statement));
        if (unitsFailed > 0)
            c.console.print(unitsFailed == 1
                                ? QStringLiteral("1 inclusão de unidade master falhou: os volumes dessa unidade ficam "
                                                 "sem IdMud ..!")
                                : QStringLiteral("%1 inclusões de unidade master falharam: os volumes dessas unidades "
                                                 "ficam sem IdMud ..!")
                                      .arg(unitsFailed));
        if (stoppedByTimeout)
            c.console.print(
                QStringLiteral("A instrução passou de %1 s e foi cancelada; a conferência parou ali: %2\n%3")
                    .arg(c.o.timeout)
                    .arg(result.failedStatement, result.failure->message().trimmed()));
        else if (!result.completed())
            c.console.print(QStringLiteral("A conferência parou em: %1\n[%2] %3")
                                .arg(result.failedStatement)
                                .arg(result.failure->nativeCode())
                                .arg(result.failure->message().trimmed()));
        c.console.print(QStringLiteral("Conferido:"));
        if (!resultError.isEmpty())
            c.console.print(QStringLiteral("ConferirTEMP não pôde ser lida: %1").arg(resultError));
        else
            for (const QString &line : formatTable({QStringLiteral("Cod128"), QStringLiteral("EtqNF"),
                                                    QStringLiteral("IdMud"), QStringLiteral("IdItemNF")},
                                                   rows))
                c.console.print(line);
    }
    return result.completed() && unitsFailed == 0 && resultError.isEmpty() ? Done : StatementFailed;
}

} // namespace

const CommandSpec conferirCommand {
    "conferir",
    "Uso: orvo-admin conferir PLANTA PASTA --yes [--ini ARQUIVO] [--json] [--timeout SEGUNDOS]\n"
    "\n"
    "Confere o bloco de notas dos arquivos *.txt da pasta (na ordem dos nomes), como \"02-Conferir\":\n"
    "registra as unidades master em Etq_MasterUD, casa cada etiqueta de nota com seu item em\n"
    "ItensNFLogix e grava nele a unidade master. A empresa é a Razão da empresa ativa (PessoaFJ), como\n"
    "a janela a mostra. Mostra o resultado como a página \"  Conferido  \" (ConferirTEMP).\n"
    "Uma inclusão de unidade master que falha é dita e a conferência segue, como na janela; uma\n"
    "instrução que passa do --timeout é cancelada e a conferência para ali.\n"
    "Sai com 1 quando uma instrução falha (uma inclusão de unidade master também) ou passa do --timeout.\n",
    conferir, false};

} // namespace AdminCli
