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

// 10 000 rows into a # table beside the same into a permanent table of the same shape (target: within
// 1.5x): once as one INSERT ... SELECT, once as 10 000 one-row INSERT statements.
void tempTableInserts(Engine &engine, Session &s)
{
    const int rows = 10000;
    must(engine, s, "CREATE TABLE FonteMov (IdProd int NOT NULL, Qtd float NOT NULL, Doc nvarchar(30) NULL)");
    fill(engine, s, "FonteMov", "IdProd, Qtd, Doc", rows,
         [](int i) { return QStringLiteral("%1, %2, 'NF %1'").arg(i + 1).arg(i % 13); });
    const QString shape =
        QStringLiteral("(IdMov int IDENTITY(1,1) NOT NULL PRIMARY KEY, IdProd int NOT NULL, Qtd float "
                       "NOT NULL, Doc nvarchar(30) NULL)");
    must(engine, s, QStringLiteral("CREATE TABLE MovPermanente %1").arg(shape));
    must(engine, s, QStringLiteral("CREATE TABLE #MovTemp %1").arg(shape));
    auto timed = [&](const QString &table) {
        const int rounds = 5;
        double best = 1e300;
        for (int k = 0; k < rounds; ++k) {
            must(engine, s, QStringLiteral("TRUNCATE TABLE %1").arg(table));
            const double before = cpuMillis();
            must(engine, s,
                 QStringLiteral("INSERT INTO %1 (IdProd, Qtd, Doc) SELECT IdProd, Qtd, Doc FROM FonteMov").arg(table));
            best = qMin(best, cpuMillis() - before);
        }
        return best;
    };
    const double permanentSet = timed(QStringLiteral("MovPermanente"));
    const double tempSet = timed(QStringLiteral("#MovTemp"));
    std::printf("insert %d rows by one INSERT ... SELECT: #temp %.1f ms, permanent %.1f ms (ratio %.2fx; target within "
                "1.5x)\n",
                rows, tempSet, permanentSet, tempSet / permanentSet);
    auto oneByOne = [&](const QString &table) {
        must(engine, s, QStringLiteral("TRUNCATE TABLE %1").arg(table));
        const double before = cpuMillis();
        for (int i = 0; i < rows; ++i)
            must(engine, s,
                 QStringLiteral("INSERT INTO %1 (IdProd, Qtd, Doc) VALUES (%2, 1, 'NF %2')").arg(table).arg(i + 1));
        return cpuMillis() - before;
    };
    const double permanentRows = oneByOne(QStringLiteral("MovPermanente"));
    const double tempRows = oneByOne(QStringLiteral("#MovTemp"));
    std::printf(
        "insert %d rows one statement each: #temp %.0f ms, permanent %.0f ms (ratio %.2fx; target within 1.5x)\n", rows,
        tempRows, permanentRows, tempRows / permanentRows);
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

    // Procedural T-SQL. A one-row insert into a 100 000-row table whose AFTER INSERT trigger updates one
    // row by key, beside the same insert into a twin table without the trigger (target: within 3x).
    must(engine, *s, "CREATE TABLE Saldos (IdProd int NOT NULL PRIMARY KEY, Estoque int NOT NULL)");
    fill(engine, *s, "Saldos", "IdProd, Estoque", masters, [](int i) { return QStringLiteral("%1, 0").arg(i + 1); });
    for (const char* table : {"MovComGatilho", "MovSemGatilho"}) {
        must(engine, *s, QStringLiteral("CREATE TABLE %1 (IdMov int IDENTITY(1,1) NOT NULL PRIMARY KEY, IdProd int NOT "
                                        "NULL, Qtd int NOT NULL)").arg(QLatin1String(table)));
        fill(engine, *s, QLatin1String(table), "IdProd, Qtd", masters, [&](int i) { return QStringLiteral("%1, 1").arg(i % masters + 1); });
    }
    must(engine, *s, "CREATE TRIGGER GNR_Saldo ON MovComGatilho AFTER INSERT AS\n"
                     "DECLARE @IdProd int, @Qtd int\nSELECT @IdProd = IdProd, @Qtd = Qtd FROM inserted\n"
                     "UPDATE Saldos SET Estoque = Estoque + @Qtd WHERE IdProd = @IdProd");
    const double insPlain = perStatementMicros(engine, *s, n, [&](int i) {
        return QStringLiteral("INSERT INTO MovSemGatilho (IdProd, Qtd) VALUES (%1, 1)").arg(id(i)); });
    const double insTrigger = perStatementMicros(engine, *s, n, [&](int i) {
        return QStringLiteral("INSERT INTO MovComGatilho (IdProd, Qtd) VALUES (%1, 1)").arg(id(i)); });
    std::printf("insert with trigger updating one row by key: %.1f us/statement (without trigger: %.1f us, ratio %.2fx; "
                "target within 3x)\n", insTrigger, insPlain, insTrigger / insPlain);

    // A FETCH loop over 10 000 rows (target: at least 100 000 rows/s), beside a plain SELECT of the rows.
    const int fetched = 10000;
    t.restart();
    must(engine, *s, "SELECT IdProd, Estoque FROM Saldos WHERE IdProd <= 10000");
    const double selectMs = t.nsecsElapsed() / 1e6;
    t.restart();
    must(engine, *s, "DECLARE @id int, @e int, @soma int = 0\n"
                     "DECLARE c CURSOR LOCAL FAST_FORWARD FOR SELECT IdProd, Estoque FROM Saldos WHERE IdProd <= 10000\n"
                     "OPEN c\nFETCH NEXT FROM c INTO @id, @e\n"
                     "WHILE @@FETCH_STATUS = 0 BEGIN SET @soma = @soma + @e FETCH NEXT FROM c INTO @id, @e END\n"
                     "CLOSE c DEALLOCATE c");
    const double loopMs = t.nsecsElapsed() / 1e6;
    std::printf("fetch loop over %d rows: %.0f ms, %.0f rows/s (the same rows by one SELECT: %.1f ms; target at least "
                "100000 rows/s)\n", fetched, loopMs, fetched / (loopMs / 1000.0), selectMs);

    // A one-row insert into a 100 000-row Kardex whose trigger runs two whole-table UPDATE ... FROM ...
    // INNER JOIN passes, the shape of the full ledger trigger (target: under 100 ms), beside one pass alone.
    must(engine, *s, "CREATE TABLE NFs_Itens (IdItemNF int NOT NULL PRIMARY KEY, pIPI real NOT NULL)");
    must(engine, *s, "CREATE TABLE Reservas (IdRes int NOT NULL PRIMARY KEY, Projeto nvarchar(20) NOT NULL)");
    must(engine, *s, "CREATE TABLE Kardex (IdKardex int IDENTITY(1,1) NOT NULL PRIMARY KEY, IdProd int NOT NULL, "
                     "IdItemNF int NOT NULL, IPIk real NOT NULL, IdResK int NOT NULL, Documento nvarchar(60) NOT NULL, "
                     "DATE_LCTO datetime NULL)");
    fill(engine, *s, "NFs_Itens", "IdItemNF, pIPI", 1000, [](int i) { return QStringLiteral("%1, %2").arg(i + 1).arg(i % 7); });
    fill(engine, *s, "Reservas", "IdRes, Projeto", 1000, [](int i) { return QStringLiteral("%1, 'P%1'").arg(i + 1); });
    fill(engine, *s, "Kardex", "IdProd, IdItemNF, IPIk, IdResK, Documento", masters, [](int i) {
        return QStringLiteral("%1, %2, %3, %4, '%5'").arg(i % 5000 + 1).arg(i % 1000 + 1).arg(i % 7).arg(i % 1000 + 1)
            .arg(i % 50 == 0 ? QStringLiteral("sub Lote") : QStringLiteral("NF"));
    });
    const QString ipiPass = QStringLiteral(
        "UPDATE Kardex SET IPIk = NFs_Itens.pIPI FROM Kardex INNER JOIN NFs_Itens ON NFs_Itens.IdItemNF = Kardex.IdItemNF "
        "WHERE NFs_Itens.pIPI > 0 AND Kardex.IPIk <> NFs_Itens.pIPI");
    const QString projectPass = QStringLiteral(
        "UPDATE Kardex SET Documento = Kardex.Documento + ' - Projeto-' + Reservas.Projeto FROM Kardex INNER JOIN Reservas "
        "ON Reservas.IdRes = Kardex.IdResK WHERE Kardex.Documento LIKE '%sub%Lote%' AND CHARINDEX('Projeto', "
        "Kardex.Documento) = 0");
    // The walk over the inserted rows with a cursor (one update by key each), then the two passes.
    must(engine, *s, QStringLiteral("CREATE TRIGGER GNR_UP_Kardex_Novo ON Kardex AFTER INSERT AS\nSET NOCOUNT ON\n"
                                    "DECLARE @Id int\n"
                                    "DECLARE Linhas CURSOR FORWARD_ONLY READ_ONLY FOR SELECT IdKardex FROM inserted\n"
                                    "OPEN Linhas\nFETCH NEXT FROM Linhas INTO @Id\nWHILE @@FETCH_STATUS = 0 BEGIN\n"
                                    "  UPDATE Kardex SET DATE_LCTO = GETDATE() WHERE IdKardex = @Id\n"
                                    "  FETCH NEXT FROM Linhas INTO @Id\nEND\n") +
                         ipiPass + QLatin1Char('\n') + projectPass + QStringLiteral("\nCLOSE Linhas\nDEALLOCATE Linhas"));
    const int ledgerInserts = 10;
    const double kardexInsert = perStatementMicros(engine, *s, ledgerInserts, [&](int i) {
        return QStringLiteral("INSERT INTO Kardex (IdProd, IdItemNF, IPIk, IdResK, Documento) VALUES (%1, %2, 0, %2, 'sub Lote')")
            .arg(i + 1).arg(i % 1000 + 1); });
    const double onePass = perStatementMicros(engine, *s, ledgerInserts, [&](int) { return ipiPass; });
    std::printf("insert into %d-row Kardex with the two-pass ledger trigger: %.1f ms/statement (one pass alone: %.1f ms; "
                "target under 100 ms)\n", masters, kardexInsert / 1000.0, onePass / 1000.0);

    // ROW_NUMBER() OVER (PARTITION BY ... ORDER BY ...) over 100 000 rows, beside the same rows read in the
    // same order by a plain ORDER BY.
    must(engine, *s, "CREATE TABLE Movimentos (IdMov int IDENTITY(1,1) NOT NULL PRIMARY KEY, IdProd int NOT NULL, "
                     "Valor float NOT NULL)");
    fill(engine, *s, "Movimentos", "IdProd, Valor", masters,
         [](int i) { return QStringLiteral("%1, %2").arg(i % 1000 + 1).arg((i * 7919) % 100003); });
    const int rounds = 3;
    const double ordered = perStatementMicros(engine, *s, rounds, [](int) {
        return QStringLiteral("SELECT IdMov, IdProd, Valor FROM Movimentos ORDER BY IdProd, Valor DESC");
    });
    const double numbered = perStatementMicros(engine, *s, rounds, [](int) {
        return QStringLiteral("SELECT IdMov, IdProd, Valor, ROW_NUMBER() OVER (PARTITION BY IdProd ORDER BY Valor DESC) "
                              "AS Ordem FROM Movimentos");
    });
    std::printf("ROW_NUMBER() OVER (PARTITION BY ... ORDER BY ...) over %d rows: %.0f ms (the same rows by ORDER BY: "
                "%.0f ms, ratio %.2fx)\n", masters, numbered / 1000.0, ordered / 1000.0, numbered / ordered);
    tempTableInserts(engine, *s);
    return 0;
}
