// Time of the full schema equalization run on a fresh ORVO database (base schema and demo
// rows), client side: the tool's step runner through its Command and Connection (QODBC,
// unixODBC, FreeTDS), next to the same statements, in the same order, sent from a file by
// FreeTDS's bsqldb to another fresh copy in the same server. bsqldb ends at the first error
// the server reports, so its file holds the statements the server accepts on a fresh
// database (those the runner's report shows as done); the runner sends that same list to a
// third copy for the like-for-like figure. Several rounds; medians and ratios are printed.
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/PlantProfiles.h"
#include "maintenance/Catalogue.h"
#include "maintenance/StepRunner.h"

#include "../support/BenchServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLatin1(argv[1]).toInt()) : 3;
    const QString fixtures = QStringLiteral(ORVO_FIXTURES_DIR);

    QStringList databases;
    for (int r = 0; r < rounds; ++r)
        for (const char *side : {"Tool", "Accepted", "Plain"})
            databases << QString::fromLatin1(side) + QString::number(r);
    QProcess server;
    const QString port = startDemoServer(server, QStringLiteral(SQL_STANDIN_PATH), fixtures, databases);
    if (port.isEmpty())
        return 1;

    const QList<SchemaStep> steps = schemaCatalogue();
    auto runner = [&](const QString &db, const QList<SchemaStep> &run, QList<StatementOutcome> *outcomes) {
        PlantProfile p;
        p.server = QStringLiteral("127.0.0.1,") + port;
        p.database = db;
        p.userSql = QStringLiteral("bench");
        p.passwordSql = QStringLiteral("bench");
        Connection connection;
        connection.setConnectionString(p.connectionString());
        connection.open();
        Command command;
        command.setConnection(&connection);
        StepRunner runner(command);
        QElapsedTimer t;
        t.start();
        runner.run(run);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (outcomes)
            *outcomes = runner.outcomes();
        connection.close();
        return ms;
    };

    QTemporaryDir dir;
    std::vector<double> full, accepted, plain;
    int statements = 0, accepts = 0;
    for (int r = 0; r < rounds; ++r) {
        QList<StatementOutcome> outcomes;
        full.push_back(runner(QStringLiteral("Tool%1").arg(r), steps, &outcomes));
        statements = int(outcomes.size());
        // The accepted statements, each as a step of its own, and as a file for bsqldb.
        QList<SchemaStep> acceptedSteps;
        QFile file(dir.filePath(QStringLiteral("accepted%1.sql").arg(r)));
        file.open(QIODevice::WriteOnly);
        for (const StatementOutcome &o : outcomes)
            if (o.ok) {
                acceptedSteps.append({o.text, Guard::Unguarded, {}, QString()});
                file.write((o.text + QStringLiteral("\ngo\n")).toUtf8());
            }
        file.close();
        accepts = int(acceptedSteps.size());
        accepted.push_back(runner(QStringLiteral("Accepted%1").arg(r), acceptedSteps, nullptr));

        QProcess bsqldb;
        QElapsedTimer t;
        t.start();
        bsqldb.start(QStringLiteral("bsqldb"),
                     {QStringLiteral("-S"), QStringLiteral("127.0.0.1:") + port, QStringLiteral("-U"),
                      QStringLiteral("bench"), QStringLiteral("-P"), QStringLiteral("bench"), QStringLiteral("-D"),
                      QStringLiteral("Plain%1").arg(r), QStringLiteral("-i"), file.fileName(), QStringLiteral("-q")});
        if (!bsqldb.waitForFinished(600000) || bsqldb.exitCode() != 0) {
            std::fprintf(stderr, "bsqldb failed: %s\n", bsqldb.readAllStandardError().constData());
            return 1;
        }
        plain.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    server.terminate();
    server.waitForFinished();

    const double a = median(full), b = median(accepted), c = median(plain);
    std::printf("schema equalization on a fresh ORVO database: %d steps, %d statements, %d accepted by the server, %d "
                "rounds (medians)\n",
                int(steps.size()), statements, accepts, rounds);
    std::printf("  step runner, the full run:                      %8.1f ms\n", a);
    std::printf("  step runner, the accepted statements:           %8.1f ms\n", b);
    std::printf("  bsqldb, the accepted statements from a file:    %8.1f ms (process start and login included)\n", c);
    std::printf("  ratio runner / bsqldb, same statements:         %8.2f\n", b / c);
    std::printf("  ratio full run / bsqldb:                        %8.2f\n", a / c);
    return 0;
}
