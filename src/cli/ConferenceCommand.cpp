// orvo-admin conferir: the conference of "02-Conferir" over the reader files of a folder.
#include "app/DatasetTexts.h"
#include "cli/AdminCli.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/Console.h"
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
    QString company;
    try {
        Dataset active;
        active.setConnection(&session.connection());
        active.setReadOnly(true);
        active.setSql(QString::fromUtf8(DatasetTexts::Data1SQL));
        active.open();
        company = companyValue(active);
    } catch (const DbError &e) {
        c.console.error(
            QStringLiteral("A empresa ativa da planta %1 não pôde ser lida: %2").arg(plant, e.message().trimmed()));
        return StatementFailed;
    }
    const int total = int(lines.size());
    const ConferenceRun::Result result = ConferenceRun::run(
        lines, company, session.command(), [&](const ConferenceStep &step, const ConferenceOutcome &) {
            if (step.line >= 0)
                c.console.progress(QStringLiteral("Conferência: linha %1 de %2").arg(step.line + 1).arg(total),
                                   step.line + 1, total);
        });
    c.console.endProgress();

    QList<QStringList> rows;
    QString resultError;
    try {
        Dataset conferred;
        conferred.setConnection(&session.connection());
        conferred.setReadOnly(true);
        conferred.setSql(ConferenceStatements::resultQuery());
        conferred.open();
        for (int r = 0; r < conferred.recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < conferred.columns().size(); ++c)
                cells << conferred.rowValue(r, c).toString();
            rows << cells;
        }
    } catch (const DbError &e) {
        resultError = e.message().trimmed();
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
                       {QStringLiteral("concluida"), result.completed()},
                       {QStringLiteral("conferido"), conferredRows}};
        if (!result.completed()) {
            o[QStringLiteral("erro")] = result.failure->message().trimmed();
            o[QStringLiteral("erroNumero")] = result.failure->nativeCode();
            o[QStringLiteral("instrucaoComErro")] = result.failedStatement;
        }
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
        if (!result.completed())
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
    return result.completed() ? Done : StatementFailed;
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
    "Sai com 1 quando uma instrução falha e interrompe a conferência.\n",
    conferir, false};

} // namespace AdminCli
