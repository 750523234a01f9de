// Table variables and temporary tables as SQL Server keeps them: a table variable belongs to its batch or
// module and outlasts a ROLLBACK; a # table belongs to its session (and to the procedure that made it),
// a ## table to every session until its creator leaves; neither ever reaches the saved database.
#include "EngineTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

namespace standin::test {
namespace {

class TempTables : public EngineTest
{
protected:
    std::unique_ptr<Session> otherSession()
    {
        return engine.openSession(QStringLiteral("sa"), QStringLiteral("estacao02"), QStringLiteral("ORVO"));
    }
    // The rows of the last statement of a batch run in another session.
    QString scalarIn(Session &s, const QString &sql)
    {
        BatchResult r = engine.execute(s, sql);
        if (r.statements.empty() || !r.statements.back().resultSet || r.statements.back().resultSet->rows.empty())
            return QStringLiteral("<none>");
        const Value &v = r.statements.back().resultSet->rows[0][0];
        return v.isNull() ? QStringLiteral("NULL") : toText(v);
    }
    int errorIn(Session &s, const QString &sql)
    {
        for (const auto &st : engine.execute(s, sql).statements)
            for (const auto &m : st.messages)
                if (m.severity > 10)
                    return m.number;
        return 0;
    }
};

TEST_F(TempTables, ATableVariableHasKeysIdentityDefaultsAndChecks)
{
    ok("CREATE TABLE Produtos (Id int PRIMARY KEY, Nome varchar(20))");
    ok("INSERT INTO Produtos VALUES (1, 'Parafuso'), (2, 'Porca'), (3, 'Arruela')");
    EXPECT_EQ(
        rows("DECLARE @t TABLE (n int IDENTITY(10, 5) PRIMARY KEY, Id int NOT NULL UNIQUE, "
             "  Qtd int DEFAULT 7 CHECK (Qtd > 0), Obs varchar(5) NULL)\n"
             "INSERT @t (Id) VALUES (2)\n"
             "INSERT INTO @t (Id, Qtd) SELECT Id, Id * 10 FROM Produtos WHERE Id <> 2\n"
             "UPDATE @t SET Obs = 'x' WHERE Id = 3\n"
             "UPDATE t SET Qtd = t.Qtd + 1 FROM @t AS t JOIN Produtos p ON p.Id = t.Id WHERE p.Nome = 'Porca'\n"
             "DELETE FROM @t WHERE Id = 1\n"
             "SELECT t.n, p.Nome, t.Qtd, ISNULL(t.Obs, '-') FROM @t AS t JOIN Produtos p ON p.Id = t.Id ORDER BY t.n"),
        (std::vector<QStringList> {{"10", "Porca", "8", "-"}, {"20", "Arruela", "30", "x"}}));
    // The keys and the check hold: the statement that breaks them changes nothing.
    const QString declare = QStringLiteral("DECLARE @t TABLE (Id int PRIMARY KEY, Qtd int CHECK (Qtd > 0))\n"
                                           "INSERT @t VALUES (1, 1)\n");
    EXPECT_EQ(error(declare + "INSERT @t VALUES (2, 1), (1, 1)").number, 2627);
    EXPECT_EQ(error(declare + "UPDATE @t SET Qtd = 0").number, 547);
    EXPECT_EQ(rows(declare
                   + "BEGIN TRY INSERT @t VALUES (2, 1), (1, 1) END TRY BEGIN CATCH END CATCH\n"
                     "SELECT COUNT(*) FROM @t"),
              (std::vector<QStringList> {{"1"}}));
    EXPECT_EQ(error(declare + "INSERT @t VALUES (NULL, 1)").number, 515);
}

TEST_F(TempTables, ATableVariableIsRefusedWhereSqlServerRefusesIt)
{
    struct Case
    {
        const char *sql;
        int number;
    } cases[] = {
        {"INSERT @nada VALUES (1)", 1087},
        {"SELECT * FROM @nada", 1087},
        {"DECLARE @t TABLE (a int) SELECT @t", 137},
        {"DECLARE @t TABLE (a int) DECLARE @T int", 134},
        {"DECLARE @t TABLE (a int) TRUNCATE TABLE @t", 102},
        {"DECLARE @t TABLE (a int) DROP TABLE @t", 102},
        {"DECLARE @t TABLE (a int, CONSTRAINT pk PRIMARY KEY (a))", 102},
        {"DECLARE @a int, @t TABLE (a int)", 102},
        {"DECLARE @t TABLE (a int) SELECT 1 AS a INTO @t", 102},
    };
    for (const Case &c : cases)
        EXPECT_EQ(error(QString::fromLatin1(c.sql)).number, c.number) << c.sql;
    // Names are case-insensitive, as every variable's. A table variable used before its DECLARE stops the
    // batch before its first statement, and the creation of a module.
    EXPECT_EQ(scalar("DECLARE @Lista TABLE (a int) INSERT @LISTA VALUES (4) SELECT a FROM @lista"), "4");
    ok("CREATE TABLE Feito (a int)");
    BatchResult r = run("INSERT INTO Feito VALUES (1)\nIF 1 = 0 SELECT * FROM (SELECT a FROM @depois) d\n"
                        "DECLARE @depois TABLE (a int)");
    EXPECT_TRUE(r.aborted);
    ASSERT_EQ(r.statements.size(), 1u);
    EXPECT_EQ(r.statements[0].messages.at(0).number, 1087);
    EXPECT_EQ(r.statements[0].messages.at(0).line, 2);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Feito"), "0");
    EXPECT_EQ(error("CREATE PROCEDURE SemDeclarar @n int AS IF @n > 0 DELETE FROM @lista").number, 1087);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.objects WHERE name = 'SemDeclarar'"), "0");
    ok("CREATE PROCEDURE Declarando AS IF 1 = 0 DECLARE @t TABLE (a int) ELSE SELECT COUNT(*) FROM @t");
    // A DECLARE inside a loop declares once: the table keeps its rows, an initial value is set each round.
    EXPECT_EQ(rows("DECLARE @i int = 0 WHILE @i < 3 BEGIN DECLARE @t TABLE (a int) DECLARE @n int = 10 "
                   "INSERT @t VALUES (@i + @n) SET @n = 0 SET @i = @i + 1 END SELECT COUNT(*), SUM(a) FROM @t"),
              (std::vector<QStringList> {{"3", "33"}}));
}

TEST_F(TempTables, ARollbackLeavesTableVariablesAndUndoesTempTables)
{
    ok("CREATE TABLE #t (a int)");
    EXPECT_EQ(rows("DECLARE @t TABLE (a int)\n"
                   "BEGIN TRAN\n"
                   "INSERT @t VALUES (1), (2)\n"
                   "INSERT #t VALUES (1), (2)\n"
                   "UPDATE @t SET a = a * 10\n"
                   "DELETE FROM @t WHERE a = 10\n"
                   "ROLLBACK\n"
                   "SELECT (SELECT COUNT(*) FROM #t), (SELECT MAX(a) FROM @t), (SELECT COUNT(*) FROM @t)"),
              (std::vector<QStringList> {{"0", "20", "1"}}));
    // A temp table created inside the transaction goes with it.
    ok("BEGIN TRAN CREATE TABLE #novo (a int) ROLLBACK");
    EXPECT_EQ(error("SELECT * FROM #novo").number, 208);
    ok("BEGIN TRAN DROP TABLE #t ROLLBACK");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM #t"), "0");
}

TEST_F(TempTables, ProceduresAndTriggersHaveTheirOwnTableVariablesAndSeeTheSessionsTempTables)
{
    ok("CREATE TABLE Itens (Id int PRIMARY KEY, Qtd int)");
    ok("CREATE TABLE Registro (Texto varchar(50))");
    // A trigger written the set-based way: the changed keys in a table variable, then one statement.
    ok("CREATE TRIGGER Itens_Log ON Itens AFTER INSERT, UPDATE, DELETE AS\n"
       "SET NOCOUNT ON\n"
       "DECLARE @ids TABLE (Id int PRIMARY KEY)\n"
       "INSERT @ids (Id) SELECT Id FROM inserted UNION SELECT Id FROM deleted\n"
       "INSERT INTO Registro (Texto) SELECT 'item ' + CAST(Id AS varchar(10)) FROM @ids\n"
       "IF OBJECT_ID('tempdb..#rastro') IS NOT NULL INSERT INTO #rastro SELECT COUNT(*) FROM @ids");
    ok("CREATE PROCEDURE Conta AS\n"
       "DECLARE @t TABLE (n int)\n"
       "INSERT @t SELECT COUNT(*) FROM #rastro\n"
       "CREATE TABLE #rastro (n int)\n" // hides the caller's table while the procedure runs
       "INSERT #rastro VALUES (-1)\n"
       "SELECT n FROM @t UNION ALL SELECT n FROM #rastro");
    ok("INSERT INTO Itens VALUES (1, 1), (2, 2)");
    ok("CREATE TABLE #rastro (n int)");
    ok("UPDATE Itens SET Qtd = Qtd + 1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Registro"), "4");
    EXPECT_EQ(scalar("SELECT SUM(n) FROM #rastro"), "2");
    EXPECT_EQ(rows("CREATE TABLE #saida (n int) INSERT #saida EXEC Conta SELECT n FROM #saida ORDER BY n"),
              (std::vector<QStringList> {{"-1"}, {"1"}}));
    // The procedure's #rastro went when it returned; the session's is as it was.
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM #rastro"), "1");
    // The batch's table variable is not the procedure's, even under the same name.
    ok("CREATE PROCEDURE LeVariavel AS DECLARE @fora TABLE (a int) SELECT COUNT(*) FROM @fora");
    EXPECT_EQ(rows("DECLARE @fora TABLE (a int) INSERT @fora VALUES (5) INSERT @fora EXEC LeVariavel "
                   "SELECT SUM(a), COUNT(*) FROM @fora"),
              (std::vector<QStringList> {{"5", "2"}}));
    EXPECT_EQ(error("DECLARE @fora TABLE (a int, b int) INSERT @fora EXEC LeVariavel").number, 213);
}

TEST_F(TempTables, ATempTableBelongsToItsSessionAndAGlobalOneToAll)
{
    ok("CREATE TABLE #t (a int) INSERT #t VALUES (1)");
    ok("CREATE TABLE ##g (a int) INSERT ##g VALUES (2)");
    auto other = otherSession();
    ASSERT_TRUE(other);
    EXPECT_EQ(errorIn(*other, "SELECT * FROM #t"), 208);
    EXPECT_EQ(scalarIn(*other, "SELECT OBJECT_ID('tempdb..#t')"), "NULL");
    EXPECT_EQ(scalarIn(*other, "SELECT a FROM ##g"), "2");
    // The other session has a #t of its own under the same name.
    EXPECT_EQ(scalarIn(*other, "CREATE TABLE #t (b varchar(5)) INSERT #t VALUES ('x') SELECT b FROM #t"), "x");
    EXPECT_EQ(scalar("SELECT a FROM #t"), "1");
    EXPECT_EQ(errorIn(*other, "CREATE TABLE ##g (a int)"), 2714);
    EXPECT_EQ(error("CREATE TABLE #t (a int)").number, 2714);
    // ##g goes when the session that made it ends.
    auto third = otherSession();
    session.reset();
    EXPECT_EQ(errorIn(*third, "SELECT * FROM ##g"), 208);
    EXPECT_EQ(scalarIn(*other, "SELECT b FROM #t"), "x");
}

TEST_F(TempTables, TempTablesTakeTheStatementsOfPermanentOnes)
{
    ok("CREATE TABLE Notas (Num int PRIMARY KEY, Valor money, Cliente varchar(10))");
    ok("INSERT INTO Notas VALUES (1, 10, 'A'), (2, 20, 'B'), (3, 30, 'A')");
    StatementResult r = ok("SELECT Num, Valor * 2 AS Dobro, Cliente INTO #n FROM Notas WHERE Cliente = 'A'");
    EXPECT_EQ(r.rowCount, 2);
    ok("ALTER TABLE #n ADD Obs varchar(10) NULL");
    ok("UPDATE n SET Obs = 'ok' FROM #n n JOIN Notas ON Notas.Num = n.Num WHERE Notas.Valor > 15");
    EXPECT_EQ(rows("SELECT #n.Num, Dobro, ISNULL(Obs, '-') FROM #n ORDER BY Num"),
              (std::vector<QStringList> {{"1", "20.00", "-"}, {"3", "60.00", "ok"}}));
    EXPECT_EQ(scalar("SELECT COL_LENGTH('tempdb..#n', 'Cliente')"), "10");
    ok("TRUNCATE TABLE #n");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM tempdb..#n"), "0");
    // OBJECT_ID finds a # table only in tempdb; DROP TABLE IF EXISTS takes any table.
    EXPECT_EQ(rows("SELECT CASE WHEN OBJECT_ID('tempdb..#n') IS NULL THEN 0 ELSE 1 END, "
                   "CASE WHEN OBJECT_ID('tempdb..#n', 'U') IS NULL THEN 0 ELSE 1 END, OBJECT_ID('#n')"),
              (std::vector<QStringList> {{"1", "1", "NULL"}}));
    ok("DROP TABLE IF EXISTS #n, Notas");
    ok("DROP TABLE IF EXISTS #n");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.tables WHERE name = 'Notas'"), "0");
    EXPECT_EQ(error("DROP TABLE #n").number, 3701);
}

TEST_F(TempTables, SelectIntoMakesTheTableOfTheQuery)
{
    ok("CREATE TABLE Kardex (Id int IDENTITY(100, 10) PRIMARY KEY, Qtd int NULL)");
    ok("INSERT INTO Kardex (Qtd) VALUES (1), (NULL)");
    ok("SELECT Id, Qtd, 'x' AS Marca, ISNULL(Qtd, 0) AS Q INTO Copia FROM Kardex");
    // The identity read alone keeps its property; constants and ISNULL give NOT NULL columns.
    EXPECT_EQ(rows("SELECT name, is_nullable, is_identity FROM sys.columns WHERE object_id = OBJECT_ID('Copia') "
                   "ORDER BY column_id"),
              (std::vector<QStringList> {{"Id", "0", "1"}, {"Qtd", "1", "0"}, {"Marca", "0", "0"}, {"Q", "0", "0"}}));
    ok("INSERT INTO Copia (Qtd, Marca, Q) VALUES (3, 'y', 3)");
    EXPECT_EQ(scalar("SELECT MAX(Id) FROM Copia"), "120");
    struct Case
    {
        const char *sql;
        int number;
    } cases[] = {
        {"SELECT Qtd INTO Copia FROM Kardex", 2714},
        {"SELECT Qtd + 1 INTO #semNome FROM Kardex", 1038},
        {"SELECT Qtd, Qtd INTO #dupla FROM Kardex", 2705},
        {"SELECT Qtd INTO #nada FROM NaoHa", 208},
    };
    for (const Case &c : cases)
        EXPECT_EQ(error(QString::fromLatin1(c.sql)).number, c.number) << c.sql;
    EXPECT_EQ(error("SELECT * FROM #semNome").number, 208);
}

TEST_F(TempTables, NamesAndScopesFollowTempdbsRules)
{
    const QString longName = QStringLiteral("#") + QString(116, QLatin1Char('x'));
    EXPECT_EQ(error(QStringLiteral("CREATE TABLE %1 (a int)").arg(longName)).number, 193);
    ok(QStringLiteral("CREATE TABLE %1 (a int)").arg(longName.left(116)));
    // A procedure's # table is gone once it returns, even when it leaves by an error.
    ok("CREATE PROCEDURE Cria AS CREATE TABLE #dentro (a int) INSERT #dentro VALUES (1) SELECT CAST('x' AS int)");
    run("EXEC Cria");
    EXPECT_EQ(error("SELECT * FROM #dentro").number, 208);
    // A procedure's # table is there for the procedures it calls, which may not nest an INSERT ... EXEC.
    ok("CREATE PROCEDURE Preenche AS INSERT INTO #lote SELECT COUNT(*) + 1 FROM #lote");
    ok("CREATE PROCEDURE Lote AS CREATE TABLE #lote (n int) EXEC Preenche EXEC Preenche SELECT MAX(n) FROM #lote");
    EXPECT_EQ(rows("DECLARE @r TABLE (n int) INSERT @r EXEC Lote SELECT n FROM @r"),
              (std::vector<QStringList> {{"2"}}));
    ok("CREATE PROCEDURE Aninha AS DECLARE @r TABLE (n int) INSERT @r EXEC Lote");
    EXPECT_EQ(error("CREATE TABLE #fora (n int) INSERT #fora EXEC Aninha").number, 8164);
    // A function may not touch temporary tables.
    ok("CREATE TABLE #t (a int)");
    ok("CREATE FUNCTION dbo.Conta() RETURNS int AS BEGIN RETURN (SELECT COUNT(*) FROM #t) END");
    EXPECT_EQ(error("SELECT dbo.Conta()").number, 2772);
    EXPECT_EQ(error("DROP DATABASE tempdb").number, 3708);
    EXPECT_EQ(error("CREATE TRIGGER NoTemp ON #t AFTER INSERT AS SELECT 1").number, 8197);
}

TEST_F(TempTables, TempTablesNeverReachTheSavedDatabase)
{
    ok("CREATE TABLE Fica (a int)");
    ok("CREATE TABLE #some (a int) CREATE TABLE ##tambem (a int)");
    QTemporaryDir dir;
    ASSERT_TRUE(engine.save(dir.path()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList {QStringLiteral("ORVO.sdb")});
    Engine reloaded;
    ASSERT_TRUE(reloaded.load(dir.path()));
    auto s = reloaded.openSession(QStringLiteral("sa"), QString(), QStringLiteral("ORVO"));
    ASSERT_TRUE(s);
    BatchResult r = reloaded.execute(*s, "SELECT COUNT(*) FROM sys.tables");
    ASSERT_TRUE(r.statements.back().resultSet);
    EXPECT_EQ(toText(r.statements.back().resultSet->rows[0][0]), "1");
    EXPECT_EQ(reloaded.execute(*s, "SELECT * FROM ##tambem").statements.back().messages.at(0).number, 208);
}

} // namespace
} // namespace standin::test
