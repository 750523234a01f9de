// Prints how long the engine takes for the statements whose speed matters:
// the conference's UPDATE ... FROM ... INNER JOIN (hash join) and single-row statements by key,
// with a key-less table of the same size as the baseline measured in the same run.
#include "standin/Engine.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>
#include <ctime>

using namespace standin;

namespace {

// Processor time of this process, so that other load on the machine weighs less on the figures.
double cpuMillis()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void must(Engine& engine, Session& s, const QString& sql)
{
    BatchResult r = engine.execute(s, sql);
    for (const auto& st : r.statements)
        for (const auto& m : st.messages)
            if (m.severity > 10) {
                std::fprintf(stderr, "error %d: %s\n", m.number, qPrintable(m.text));
                std::exit(1);
            }
}

void fill(Engine& engine, Session& s, const QString& table, const QString& columns, int count,
          const std::function<QString(int)>& values)
{
    for (int start = 0; start < count; start += 1000) {
        QStringList rows;
        for (int i = start; i < qMin(count, start + 1000); ++i)
            rows << QLatin1Char('(') + values(i) + QLatin1Char(')');
        must(engine, s, QStringLiteral("INSERT INTO %1 (%2) VALUES %3").arg(table, columns, rows.join(QLatin1Char(','))));
    }
}

double perStatementMicros(Engine& engine, Session& s, int n, const std::function<QString(int)>& sql)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i)
        must(engine, s, sql(i));
    return double(t.nsecsElapsed()) / 1000.0 / n;
}

}  // namespace

int main()
{
    Engine engine;
    engine.createDatabase(QStringLiteral("ORVO"));
    auto s = engine.openSession(QStringLiteral("sa"), QStringLiteral("bench"), QStringLiteral("ORVO"));
    const int masters = 100000, labels = 200000;

    QElapsedTimer t;
    t.start();
    must(engine, *s, "CREATE TABLE Etq_MasterUD (IdMud int IDENTITY(1,1) NOT NULL PRIMARY KEY, Cod128 nvarchar(31) NULL)");
    must(engine, *s, "CREATE TABLE ConferirTEMP (Cod128 nvarchar(31) NULL, EtqNF nvarchar(26) NULL, IdMud int NULL)");
    fill(engine, *s, "Etq_MasterUD", "Cod128", masters, [](int i) { return QStringLiteral("'M%1'").arg(i, 30, 10, QLatin1Char('0')); });
    fill(engine, *s, "ConferirTEMP", "Cod128, EtqNF", labels, [](int i) {
        return QStringLiteral("'M%1', 'nff-%2'").arg(i / 2, 30, 10, QLatin1Char('0')).arg(i);
    });
    std::printf("load: %d + %d rows in %.0f ms\n", masters, labels, t.nsecsElapsed() / 1e6);

    t.restart();
    const double cpuBefore = cpuMillis();
    BatchResult r = engine.execute(*s, "UPDATE ConferirTEMP SET ConferirTEMP.IdMud = Etq_MasterUD.IdMud FROM ConferirTEMP "
                                       "INNER JOIN Etq_MasterUD ON ConferirTEMP.Cod128 = Etq_MasterUD.Cod128");
    const double joinMs = t.nsecsElapsed() / 1e6;
    const double joinCpu = cpuMillis() - cpuBefore;
    std::printf("update join %d x %d rows: %lld rows updated in %.0f ms (%.0f ms processor time)\n", labels, masters,
                static_cast<long long>(r.statements.at(0).rowCount), joinMs, joinCpu);

    // Single-row statements on a 100 000-row table with an identity key, against the same table without one.
    must(engine, *s, "CREATE TABLE SemChave (Id int NOT NULL, Nome nvarchar(20) NULL)");
    fill(engine, *s, "SemChave", "Id, Nome", masters, [](int i) { return QStringLiteral("%1, 'n%1'").arg(i + 1); });
    const int n = 2000;
    auto id = [&](int i) { return (i * 7919) % masters + 1; };
    const double selKey = perStatementMicros(engine, *s, n, [&](int i) {
        return QStringLiteral("SELECT Cod128 FROM Etq_MasterUD WHERE IdMud = %1").arg(id(i)); });
    const double selScan = perStatementMicros(engine, *s, n / 20, [&](int i) {
        return QStringLiteral("SELECT Nome FROM SemChave WHERE Id = %1").arg(id(i)); });
    const double updKey = perStatementMicros(engine, *s, n, [&](int i) {
        return QStringLiteral("UPDATE Etq_MasterUD SET Cod128 = 'X%1' WHERE IdMud = %2").arg(i).arg(id(i)); });
    const double updScan = perStatementMicros(engine, *s, n / 20, [&](int i) {
        return QStringLiteral("UPDATE SemChave SET Nome = 'X%1' WHERE Id = %2").arg(i).arg(id(i)); });
    const double insKey = perStatementMicros(engine, *s, n, [&](int i) {
        return QStringLiteral("INSERT INTO Etq_MasterUD (Cod128) VALUES ('novo%1')").arg(i); });
    std::printf("select by key: %.1f us/statement (no key: %.1f us, ratio %.0fx)\n", selKey, selScan, selScan / selKey);
    std::printf("update by key: %.1f us/statement (no key: %.1f us, ratio %.0fx)\n", updKey, updScan, updScan / updKey);
    std::printf("insert with key check: %.1f us/statement\n", insKey);
    return 0;
}
