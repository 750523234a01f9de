// orvo-admin's looks at a plant, timed on the client side through the same Connection the
// command uses, on copies of the demo ORVO database (base schema and demo rows) in one server:
//
// 1. status of a plant brought up to date (equalized twice, mirror columns added): the whole
//    status (switch, catalogue from the metadata, mirror columns, objects) beside the
//    rehearsal of the catalogue that the status used to make (one transaction, every step and
//    description sent and rolled back) on the same plant. Target: the status at most half.
// 2. comparar of two demo plants: reading both and comparing, beside the same SELECTs sent by
//    FreeTDS's bsqldb from a file (process start and login included).
//
// Several rounds; medians and ratios.
#include "cli/PlantComparison.h"
#include "cli/PlantSession.h"
#include "cli/PlantStatus.h"
#include "cli/SchemaRun.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/PlantProfiles.h"
#include "maintenance/Catalogue.h"

#include "../support/BenchServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

QString port;

PlantProfile profile(const QString &database)
{
    PlantProfile p;
    p.section = database;
    p.server = QStringLiteral("127.0.0.1,") + port;
    p.database = database;
    p.userSql = QStringLiteral("bench");
    p.passwordSql = QStringLiteral("bench");
    return p;
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLatin1(argv[1]).toInt()) : 5;
    QProcess server;
    port = startDemoServer(server, QStringLiteral(SQL_STANDIN_PATH), QStringLiteral(ORVO_FIXTURES_DIR),
                           {QStringLiteral("Equalizada"), QStringLiteral("PlantaA"), QStringLiteral("PlantaB")});
    if (port.isEmpty())
        return 1;

    {
        // The plant brought up to date by the runs themselves.
        PlantSession session(profile(QStringLiteral("Equalizada")));
        if (!session.open()) {
            std::fprintf(stderr, "no connection: %s\n", qPrintable(session.error()));
            return 1;
        }
        SchemaRun run(session.connection(), session.command());
        run.run(schemaCatalogue(), SchemaRun::Mode::Apply);
        run.run(schemaCatalogue(), SchemaRun::Mode::Apply);
        run.run(mirrorCatalogue(), SchemaRun::Mode::Apply);
    }

    std::vector<double> status, rehearsal, compare, plain;
    int pending = -1, statements = 0, differences = -1;
    QTemporaryDir dir;
    for (int r = 0; r < rounds; ++r) {
        {
            PlantSession session(profile(QStringLiteral("Equalizada")));
            QElapsedTimer t;
            t.start();
            const PlantStatus s = PlantStatus::of(session);
            status.push_back(msSince(t));
            pending = s.pendingSteps;
        }
        {
            PlantSession session(profile(QStringLiteral("Equalizada")));
            QElapsedTimer t;
            t.start();
            session.open();
            SchemaRun run(session.connection(), session.command());
            run.run(schemaCatalogue(), SchemaRun::Mode::Rehearse);
            rehearsal.push_back(msSince(t));
        }
        QStringList sent[2];
        {
            QElapsedTimer t;
            t.start();
            PlantSession a(profile(QStringLiteral("PlantaA"))), b(profile(QStringLiteral("PlantaB")));
            a.open();
            b.open();
            const PlantComparison::Snapshot sa = PlantComparison::read(a.reader());
            const PlantComparison::Snapshot sb = PlantComparison::read(b.reader());
            const QList<PlantComparison::Section> sections = PlantComparison::compare(sa, sb);
            compare.push_back(msSince(t));
            differences = 0;
            for (const PlantComparison::Section &s : sections)
                differences += int(s.differences.size());
            sent[0] = sa.statements;
            sent[1] = sb.statements;
            statements = int(sa.statements.size() + sb.statements.size());
        }
        // The same SELECTs from a plain client, one process per plant as the command opens
        // one connection per plant. The read of indexes, refused where the server lacks the
        // views, is left out: bsqldb stops at the first error.
        QElapsedTimer t;
        t.start();
        for (int side = 0; side < 2; ++side) {
            QFile file(dir.filePath(QStringLiteral("reads%1.sql").arg(side)));
            file.open(QIODevice::WriteOnly | QIODevice::Truncate);
            for (const QString &sql : sent[side])
                if (!sql.contains(QLatin1String("sys.indexes")))
                    file.write((sql + QStringLiteral("\ngo\n")).toUtf8());
            file.close();
            QProcess bsqldb;
            bsqldb.start(QStringLiteral("bsqldb"),
                         {QStringLiteral("-S"), QStringLiteral("127.0.0.1:") + port, QStringLiteral("-U"),
                          QStringLiteral("bench"), QStringLiteral("-P"), QStringLiteral("bench"), QStringLiteral("-D"),
                          side == 0 ? QStringLiteral("PlantaA") : QStringLiteral("PlantaB"), QStringLiteral("-i"),
                          file.fileName(), QStringLiteral("-q")});
            bsqldb.setStandardOutputFile(QProcess::nullDevice());
            if (!bsqldb.waitForFinished(600000) || bsqldb.exitCode() != 0) {
                std::fprintf(stderr, "bsqldb failed: %s\n", bsqldb.readAllStandardError().constData());
                return 1;
            }
        }
        plain.push_back(msSince(t));
    }
    server.terminate();
    server.waitForFinished(5000);

    const double s = median(status), h = median(rehearsal), c = median(compare), p = median(plain);
    std::printf("orvo-admin, %d rounds (medians), connection included\n", rounds);
    std::printf("status of an equalized plant (%d steps pending), metadata only: %8.1f ms\n", pending, s);
    std::printf("rehearsal of the catalogue on the same plant (old status):      %8.1f ms\n", h);
    std::printf("  ratio status / rehearsal:                                     %8.2f (target <= 0.50)\n",
                h > 0 ? s / h : 0.0);
    std::printf("comparar of two demo plants (%d SELECTs, %d differences):       %8.1f ms\n", statements, differences,
                c);
    std::printf("the same SELECTs by bsqldb (process start and login included):  %8.1f ms\n", p);
    std::printf("  ratio comparar / bsqldb:                                      %8.2f\n", p > 0 ? c / p : 0.0);
    return 0;
}
