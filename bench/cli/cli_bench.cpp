// Time of the rehearsal of the full schema equalization (one transaction, every step and
// description as its own batch, a question for @@TRANCOUNT after each refused statement, the
// rollback) next to the real run of the same catalogue, each on a fresh ORVO database (base
// schema and demo rows) of the same server, client side, through the same Command and
// Connection. A third figure: the rehearsal on a database already up to date, where nearly
// every statement is refused and so asks its question. Several rounds; medians and ratios.
#include "cli/SchemaRun.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/PlantProfiles.h"
#include "maintenance/Catalogue.h"

#include "../support/BenchServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLatin1(argv[1]).toInt()) : 5;
    const QString fixtures = QStringLiteral(ORVO_FIXTURES_DIR);

    QStringList databases;
    for (int r = 0; r < rounds; ++r)
        for (const char *side : {"Real", "Rehearsed"})
            databases << QString::fromLatin1(side) + QString::number(r);
    QProcess server;
    const QString port = startDemoServer(server, QStringLiteral(SQL_STANDIN_PATH), fixtures, databases);
    if (port.isEmpty())
        return 1;
    const QList<SchemaStep> steps = schemaCatalogue();

    auto timed = [&](const QString &db, SchemaRun::Mode mode, int *statements) {
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
        SchemaRun run(connection, command);
        QElapsedTimer t;
        t.start();
        const SchemaRun::Result r = run.run(steps, mode);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (statements)
            *statements = int(r.outcomes.size());
        return ms;
    };

    std::vector<double> real, rehearsed, upToDate;
    int statements = 0;
    for (int r = 0; r < rounds; ++r) {
        real.push_back(timed(QStringLiteral("Real%1").arg(r), SchemaRun::Mode::Apply, &statements));
        rehearsed.push_back(timed(QStringLiteral("Rehearsed%1").arg(r), SchemaRun::Mode::Rehearse, nullptr));
        // Real<r> is up to date now but for the second-run additions.
        upToDate.push_back(timed(QStringLiteral("Real%1").arg(r), SchemaRun::Mode::Rehearse, nullptr));
    }
    server.terminate();
    server.waitForFinished(5000);

    const double base = median(real);
    std::printf("schema equalization, %d statements, %d rounds (median)\n", statements, rounds);
    std::printf("  real run on a fresh database:           %8.1f ms\n", base);
    std::printf("  rehearsal on a fresh database:          %8.1f ms  ratio %.2f\n", median(rehearsed),
                base > 0 ? median(rehearsed) / base : 0.0);
    std::printf("  rehearsal on an equalized database:     %8.1f ms  ratio %.2f\n", median(upToDate),
                base > 0 ? median(upToDate) / base : 0.0);
    return 0;
}
