// Window functions, common table expressions, TOP (expression) and STRING_AGG: what SQL Server answers,
// and the errors it gives for the forms it refuses.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

class Window : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        // Movements per product: two ties on product 1 (Qtd 5), a NULL on product 3.
        ok("CREATE TABLE Mov (Id int IDENTITY(1,1) PRIMARY KEY, IdProd int NOT NULL, Qtd int NULL, Nome varchar(10) "
           "NULL)");
        ok("INSERT INTO Mov (IdProd, Qtd, Nome) VALUES (1, 5, 'a'), (1, 5, 'b'), (1, 7, 'c'), (1, 9, 'd'), "
           "(2, 3, 'e'), (2, 1, 'f'), (3, NULL, 'g'), (3, 4, 'h')");
    }

    // One column of a query, top to bottom.
    QStringList column(const QString &sql, int c = 0)
    {
        QStringList out;
        for (const QStringList &r : rows(sql))
            out << r.value(c);
        return out;
    }
};

TEST_F(Window, RankingFunctionsNumberEachPartitionInItsOrder)
{
    const QString q =
        "SELECT Id, ROW_NUMBER() OVER (PARTITION BY IdProd ORDER BY Qtd, Id) rn, "
        "RANK() OVER (PARTITION BY IdProd ORDER BY Qtd) rk, DENSE_RANK() OVER (PARTITION BY IdProd ORDER BY Qtd) dr, "
        "NTILE(3) OVER (ORDER BY Id) nt FROM Mov ORDER BY Id";
    EXPECT_EQ(column(q, 1), QStringList({"1", "2", "3", "4", "2", "1", "1", "2"}));
    EXPECT_EQ(column(q, 2), QStringList({"1", "1", "3", "4", "2", "1", "1", "2"}));
    EXPECT_EQ(column(q, 3), QStringList({"1", "1", "2", "3", "2", "1", "1", "2"}));
    // 8 rows in 3 tiles: the first two take one row more.
    EXPECT_EQ(column(q, 4), QStringList({"1", "1", "1", "2", "2", "2", "3", "3"}));
    StatementResult r = ok(q);
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(r.resultSet->columns[size_t(c)].type.id, TypeId::BigInt);
    // Window values are known before DISTINCT and TOP cut the rows, and can order them.
    EXPECT_EQ(column("SELECT TOP 2 Nome FROM Mov ORDER BY ROW_NUMBER() OVER (ORDER BY Id DESC)"),
              QStringList({"h", "g"}));
    EXPECT_EQ(column("SELECT DISTINCT DENSE_RANK() OVER (ORDER BY IdProd) FROM Mov"), QStringList({"1", "2", "3"}));
    // Numbering in no particular order, the usual way to ask for it; and in a derived table.
    EXPECT_EQ(column("SELECT MAX(n) FROM (SELECT ROW_NUMBER() OVER (ORDER BY (SELECT NULL)) n FROM Mov) x"),
              QStringList({"8"}));
}

TEST_F(Window, OffsetAndValueFunctionsFollowTheFrame)
{
    const QString q =
        "SELECT Id, LAG(Qtd) OVER (PARTITION BY IdProd ORDER BY Id), LEAD(Qtd, 2, -1) OVER (PARTITION BY IdProd ORDER "
        "BY Id), "
        "FIRST_VALUE(Nome) OVER (PARTITION BY IdProd ORDER BY Id), LAST_VALUE(Nome) OVER (PARTITION BY IdProd ORDER BY "
        "Qtd), "
        "LAST_VALUE(Nome) OVER (PARTITION BY IdProd ORDER BY Id ROWS BETWEEN CURRENT ROW AND UNBOUNDED FOLLOWING) "
        "FROM Mov WHERE IdProd = 1 ORDER BY Id";
    EXPECT_EQ(column(q, 1), QStringList({"NULL", "5", "5", "7"}));
    EXPECT_EQ(column(q, 2), QStringList({"7", "9", "-1", "-1"}));
    EXPECT_EQ(column(q, 3), QStringList({"a", "a", "a", "a"}));
    // The default frame ends at the current row's last peer: the tie on Qtd 5 sees 'b'.
    EXPECT_EQ(column(q, 4), QStringList({"b", "b", "c", "d"}));
    EXPECT_EQ(column(q, 5), QStringList({"d", "d", "d", "d"}));
}

TEST_F(Window, AggregatesOverPartitionsAndFrames)
{
    const QString q =
        "SELECT Id, SUM(Qtd) OVER (PARTITION BY IdProd), SUM(Qtd) OVER (PARTITION BY IdProd ORDER BY Qtd), "
        "COUNT(*) OVER (), COUNT(Qtd) OVER (PARTITION BY IdProd), "
        "AVG(Qtd) OVER (ORDER BY Id ROWS BETWEEN 1 PRECEDING AND 1 FOLLOWING), "
        "MAX(Qtd) OVER (ORDER BY Id ROWS 2 PRECEDING), MIN(Qtd) OVER (ORDER BY Id ROWS BETWEEN 1 FOLLOWING AND "
        "UNBOUNDED FOLLOWING) "
        "FROM Mov ORDER BY Id";
    EXPECT_EQ(column(q, 1), QStringList({"26", "26", "26", "26", "4", "4", "4", "4"}));
    // RANGE up to the current row takes the peers: both rows with Qtd 5 see 10.
    EXPECT_EQ(column(q, 2), QStringList({"10", "10", "17", "26", "4", "1", "NULL", "4"}));
    EXPECT_EQ(column(q, 3), QStringList({"8", "8", "8", "8", "8", "8", "8", "8"}));
    EXPECT_EQ(column(q, 4), QStringList({"4", "4", "4", "4", "2", "2", "1", "1"}));
    EXPECT_EQ(column(q, 5), QStringList({"5", "5", "7", "6", "4", "2", "2", "4"}));
    EXPECT_EQ(column(q, 6), QStringList({"5", "5", "7", "9", "9", "9", "3", "4"}));
    EXPECT_EQ(column(q, 7), QStringList({"1", "1", "1", "1", "1", "4", "4", "NULL"}));
    // Offsets past the partition reach its edge.
    EXPECT_EQ(
        rows("SELECT TOP 1 SUM(Qtd) OVER (ORDER BY Id ROWS BETWEEN CURRENT ROW AND 9223372036854775807 FOLLOWING), "
             "LEAD(Qtd, 9223372036854775807, 0) OVER (ORDER BY Id) FROM Mov ORDER BY Id"),
        (std::vector<QStringList> {{"34", "0"}}));
    // Over a grouped query: the window reads the groups' aggregates.
    EXPECT_EQ(rows("SELECT IdProd, SUM(Qtd) s, RANK() OVER (ORDER BY SUM(Qtd) DESC) r, SUM(SUM(Qtd)) OVER () t "
                   "FROM Mov GROUP BY IdProd ORDER BY IdProd"),
              (std::vector<QStringList> {{"1", "26", "1", "34"}, {"2", "4", "2", "34"}, {"3", "4", "2", "34"}}));
}

TEST_F(Window, MisplacedOrMalformedWindowsAreRefused)
{
    const std::vector<std::pair<const char *, int>> cases = {
        {"SELECT Id FROM Mov WHERE ROW_NUMBER() OVER (ORDER BY Id) > 1", 4108},
        {"SELECT IdProd FROM Mov GROUP BY IdProd HAVING RANK() OVER (ORDER BY IdProd) = 1", 4108},
        {"UPDATE Mov SET Qtd = ROW_NUMBER() OVER (ORDER BY Id)", 4108},
        {"INSERT INTO Mov (IdProd) VALUES (ROW_NUMBER() OVER (ORDER BY 1))", 4108},
        {"SELECT SUM(ROW_NUMBER() OVER (ORDER BY Id)) FROM Mov", 4109},
        {"SELECT ROW_NUMBER() OVER (PARTITION BY IdProd) FROM Mov", 4112},
        {"SELECT LAG(Qtd) OVER () FROM Mov", 4112},
        {"SELECT ROW_NUMBER() FROM Mov", 10753},
        {"SELECT RANK() OVER (ORDER BY Id ROWS UNBOUNDED PRECEDING) FROM Mov", 10752},
        {"SELECT SUM(Qtd) OVER (ROWS UNBOUNDED PRECEDING) FROM Mov", 10756},
        {"SELECT SUM(Qtd) OVER (ORDER BY Id RANGE BETWEEN 1 PRECEDING AND CURRENT ROW) FROM Mov", 4194},
        {"SELECT COUNT(DISTINCT Qtd) OVER () FROM Mov", 10759},
        {"SELECT ROW_NUMBER() OVER (ORDER BY 1) FROM Mov", 5308},
        {"SELECT LEN(Nome) OVER (ORDER BY Id) FROM Mov", 4113},
        {"SELECT SUM(Qtd) OVER (PARTITION BY Nome), COUNT(*) FROM Mov", 8120},
    };
    for (const auto &[sql, number] : cases)
        EXPECT_EQ(error(sql).number, number) << sql;
}

TEST_F(Window, TileCountsAndOffsetsAreCheckedAsSqlServerDoes)
{
    struct Case
    {
        const char *sql;
        int number, severity, state;
    };
    const char *const notPositive = "The function 'ntile' takes only a positive int or bigint expression as its input.";
    const std::vector<Case> cases = {
        {"SELECT NTILE(0) OVER (ORDER BY Id) FROM Mov", 4116, 15, 1},
        {"SELECT NTILE(-2) OVER (ORDER BY Id) FROM Mov", 4116, 15, 1},
        {"SELECT NTILE(NULL) OVER (ORDER BY Id) FROM Mov", 4116, 15, 1},
        {"SELECT NTILE(2.0) OVER (ORDER BY Id) FROM Mov", 4116, 15, 1},
        {"SELECT NTILE(0) OVER (ORDER BY Id) FROM Mov WHERE 1 = 0", 4116, 15, 1},
        {"SELECT NTILE(IdProd) OVER (ORDER BY Id) FROM Mov", 4195, 15, 1},
        {"SELECT LAG(Qtd, -1) OVER (ORDER BY Id) FROM Mov", 8730, 16, 1},
        {"DECLARE @n int = -1; SELECT LEAD(Qtd, @n) OVER (ORDER BY Id) FROM Mov", 8730, 16, 2},
    };
    for (const Case &c : cases) {
        const ServerMessage m = error(c.sql);
        EXPECT_EQ(m.number, c.number) << c.sql;
        EXPECT_EQ(m.severity, c.severity) << c.sql;
        EXPECT_EQ(m.state, c.state) << c.sql;
        if (c.number == 4116) {
            EXPECT_EQ(m.text, notPositive) << c.sql;
        }
    }
    // A count from a variable or a subquery is one for the whole result; a NULL offset gives the default.
    EXPECT_EQ(column("DECLARE @t bigint = 4; SELECT NTILE(@t) OVER (ORDER BY Id) FROM Mov ORDER BY Id"),
              QStringList({"1", "1", "2", "2", "3", "3", "4", "4"}));
    EXPECT_EQ(column("SELECT NTILE((SELECT COUNT(*) FROM Mov WHERE IdProd = 2)) OVER (ORDER BY Id) FROM Mov "
                     "WHERE IdProd = 1 ORDER BY Id"),
              QStringList({"1", "1", "2", "2"}));
    EXPECT_EQ(column("DECLARE @n int; SELECT LAG(Qtd, @n, 0) OVER (ORDER BY Id) FROM Mov WHERE IdProd = 2 ORDER BY Id"),
              QStringList({"0", "0"}));
}

TEST_F(Window, CommonTablesChainAndShadowTables)
{
    EXPECT_EQ(rows("WITH p (Prod, Total) AS (SELECT IdProd, SUM(Qtd) FROM Mov GROUP BY IdProd), "
                   "g AS (SELECT Prod, Total FROM p WHERE Total > 5) SELECT Prod, Total FROM g"),
              (std::vector<QStringList> {{"1", "26"}}));
    // A name of the WITH clause wins over the table of the same name, and one may be read twice.
    EXPECT_EQ(scalar("WITH Mov AS (SELECT 1 AS Id) SELECT COUNT(*) FROM Mov a CROSS JOIN Mov b"), "1");
    // Inside a subquery, and ahead of INSERT and UPDATE.
    EXPECT_EQ(scalar("WITH m AS (SELECT MAX(Qtd) q FROM Mov) SELECT COUNT(*) FROM Mov WHERE Qtd = (SELECT q FROM m)"),
              "1");
    EXPECT_EQ(ok("WITH n AS (SELECT IdProd, Qtd FROM Mov WHERE IdProd = 2) INSERT INTO Mov (IdProd, Qtd) SELECT IdProd "
                 "+ 10, Qtd FROM n")
                  .rowCount,
              2);
    EXPECT_EQ(ok("WITH t AS (SELECT IdProd, SUM(Qtd) s FROM Mov GROUP BY IdProd) "
                 "UPDATE Mov SET Qtd = t.s FROM Mov JOIN t ON t.IdProd = Mov.IdProd WHERE Mov.IdProd = 12")
                  .rowCount,
              2);
    EXPECT_EQ(scalar("SELECT SUM(Qtd) FROM Mov WHERE IdProd = 12"), "8");
    const std::vector<std::pair<const char *, int>> cases = {
        {"WITH a AS (SELECT 1 x), a AS (SELECT 2 x) SELECT * FROM a", 239},
        {"WITH a AS (SELECT * FROM b), b AS (SELECT 1 x) SELECT * FROM a", 208},
        {"WITH a (x, y) AS (SELECT 1) SELECT * FROM a", 8159},
        {"WITH a (x) AS (SELECT 1, 2) SELECT * FROM a", 8158},
        {"WITH a AS (SELECT 1) SELECT * FROM a", 8155},
        {"WITH a AS (SELECT Id FROM Mov ORDER BY Id) SELECT * FROM a", 1033},
        {"SELECT 1\nWITH a AS (SELECT 1 x) SELECT * FROM a", 319},
    };
    for (const auto &[sql, number] : cases)
        EXPECT_EQ(error(sql).number, number) << sql;
    EXPECT_EQ(scalar("SELECT 1;\nWITH a AS (SELECT 2 x) SELECT x FROM a"), "2");
}

TEST_F(Window, DeletingAndUpdatingThroughACommonTableChangeItsTable)
{
    ok("INSERT INTO Mov (IdProd, Qtd, Nome) VALUES (1, 5, 'a'), (2, 3, 'e')");
    // The usual removal of duplicates: keep the first row of each (IdProd, Qtd, Nome).
    StatementResult r =
        ok("WITH d AS (SELECT Id, ROW_NUMBER() OVER (PARTITION BY IdProd, Qtd, Nome ORDER BY Id) rn FROM Mov) "
           "DELETE FROM d WHERE rn > 1");
    EXPECT_EQ(r.rowCount, 2);
    EXPECT_EQ(column("SELECT Id FROM Mov ORDER BY Id"), QStringList({"1", "2", "3", "4", "5", "6", "7", "8"}));
    // Renumbering through the window value.
    EXPECT_EQ(ok("WITH n AS (SELECT Qtd, ROW_NUMBER() OVER (ORDER BY Id DESC) rn FROM Mov WHERE IdProd = 1) UPDATE n "
                 "SET Qtd = rn * 10")
                  .rowCount,
              4);
    EXPECT_EQ(column("SELECT Qtd FROM Mov WHERE IdProd = 1 ORDER BY Id"), QStringList({"40", "30", "20", "10"}));
    EXPECT_EQ(error("WITH n AS (SELECT Qtd, ROW_NUMBER() OVER (ORDER BY Id) rn FROM Mov) UPDATE n SET rn = 1").number,
              4406);
    EXPECT_EQ(error("WITH n AS (SELECT Qtd FROM Mov) UPDATE n SET Nome = 'x'").number, 207);
    // Over a join: an UPDATE changes the one table its SET list names; a DELETE would change both.
    ok("CREATE TABLE Prod (IdProd int PRIMARY KEY, Ultimo int NULL)");
    ok("INSERT INTO Prod (IdProd) VALUES (1), (2), (4)");
    const QString join =
        "WITH u AS (SELECT p.IdProd, p.Ultimo, m.Id, m.Qtd FROM Prod p LEFT JOIN Mov m ON m.IdProd = p.IdProd) ";
    EXPECT_EQ(ok(join + "UPDATE u SET Ultimo = Id").rowCount, 3);
    EXPECT_EQ(column("SELECT ISNULL(Ultimo, -1) FROM Prod ORDER BY IdProd"), QStringList({"1", "5", "-1"}));
    EXPECT_EQ(error(join + "UPDATE u SET Ultimo = 0, Qtd = 0").number, 4405);
    EXPECT_EQ(error(join + "DELETE FROM u").number, 4405);
    // The ordered removal of the newest rows.
    EXPECT_EQ(ok("WITH c AS (SELECT TOP 2 * FROM Mov ORDER BY Id DESC) DELETE FROM c").rowCount, 2);
    EXPECT_EQ(scalar("SELECT MAX(Id) FROM Mov"), "6");
}

TEST_F(Window, RecursiveCommonTablesStopAtMaxRecursion)
{
    const QString count =
        "WITH n (i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) SELECT COUNT(*), MAX(i) FROM n";
    EXPECT_EQ(rows(count.arg(101)), (std::vector<QStringList> {{"101", "101"}}));
    EXPECT_EQ(error(count.arg(102)).number, 530);
    EXPECT_EQ(rows(count.arg(500) + " OPTION (MAXRECURSION 0)"), (std::vector<QStringList> {{"500", "500"}}));
    EXPECT_EQ(error(count.arg(20) + " OPTION (MAXRECURSION 10)").text,
              "The statement terminated. The maximum recursion 10 has been exhausted before statement completion.");
    EXPECT_EQ(error(count.arg(5) + " OPTION (MAXRECURSION 40000)").number, 310);
    // A cursor reads its common tables when it opens.
    EXPECT_EQ(scalar("DECLARE @i int, @s int = 0 DECLARE c CURSOR LOCAL FOR WITH n (i) AS (SELECT 1 UNION ALL "
                     "SELECT i + 1 FROM n WHERE i < 4) SELECT i FROM n OPEN c FETCH NEXT FROM c INTO @i "
                     "WHILE @@FETCH_STATUS = 0 BEGIN SET @s = @s + @i FETCH NEXT FROM c INTO @i END "
                     "CLOSE c DEALLOCATE c SELECT @s"),
              "10");
    // A hierarchy walked from its root, the level carried along.
    ok("CREATE TABLE Grupo (Id int, Pai int NULL, Nome varchar(20))");
    ok("INSERT INTO Grupo VALUES (1, NULL, 'raiz'), (2, 1, 'a'), (3, 1, 'b'), (4, 2, 'a1'), (5, 4, 'a11')");
    EXPECT_EQ(rows("WITH t AS (SELECT Id, Nome, 0 AS Nivel FROM Grupo WHERE Pai IS NULL UNION ALL "
                   "SELECT g.Id, g.Nome, t.Nivel + 1 FROM Grupo g INNER JOIN t ON g.Pai = t.Id) "
                   "SELECT Nome, Nivel FROM t ORDER BY Nivel, Nome"),
              (std::vector<QStringList> {{"raiz", "0"}, {"a", "1"}, {"b", "1"}, {"a1", "2"}, {"a11", "3"}}));
    const std::vector<std::pair<const char *, int>> cases = {
        {"WITH n AS (SELECT 1 i UNION SELECT i + 1 FROM n WHERE i < 3) SELECT * FROM n", 252},
        {"WITH n AS (SELECT i FROM n UNION ALL SELECT 1) SELECT * FROM n", 246},
        {"WITH n AS (SELECT 1 i UNION ALL SELECT a.i + 1 FROM n a JOIN n b ON a.i = b.i WHERE a.i < 3) SELECT * FROM n",
         253},
        {"WITH n AS (SELECT 1 i UNION ALL SELECT g.Id FROM Grupo g LEFT JOIN n ON n.i = g.Pai) SELECT * FROM n", 462},
        {"WITH n AS (SELECT 1 i UNION ALL SELECT MAX(i) + 1 FROM n WHERE i < 3) SELECT * FROM n", 467},
        {"WITH n AS (SELECT 1 i UNION ALL SELECT TOP 1 i + 1 FROM n WHERE i < 3) SELECT * FROM n", 461},
        {"WITH n AS (SELECT CAST('a' AS varchar(5)) s UNION ALL SELECT s + 'a' FROM n WHERE LEN(s) < 3) SELECT * FROM "
         "n",
         240},
    };
    for (const auto &[sql, number] : cases)
        EXPECT_EQ(error(sql).number, number) << sql;
}

TEST_F(Window, TopTakesExpressionsPercentAndTies)
{
    ok("DECLARE @n int = 3; SELECT TOP (@n) Id FROM Mov ORDER BY Id");
    EXPECT_EQ(rows("DECLARE @n int = 3; SELECT TOP (@n) Id FROM Mov ORDER BY Id").size(), 3u);
    EXPECT_EQ(rows("SELECT TOP (SELECT COUNT(*) FROM Mov WHERE IdProd = 2) Id FROM Mov ORDER BY Id").size(), 2u);
    EXPECT_EQ(rows("SELECT TOP (30) PERCENT Id FROM Mov ORDER BY Id").size(), 3u); // 2.4 rounds up
    EXPECT_EQ(column("SELECT TOP 1 WITH TIES Nome FROM Mov WHERE IdProd = 1 ORDER BY Qtd"), QStringList({"a", "b"}));
    EXPECT_EQ(ok("DECLARE @n int = 2; DELETE TOP (@n) FROM Mov WHERE IdProd = 1").rowCount, 2);
    EXPECT_EQ(ok("UPDATE TOP (1) Mov SET Qtd = 0 WHERE IdProd = 2").rowCount, 1);
    EXPECT_EQ(
        ok("INSERT TOP (50) PERCENT INTO Mov (IdProd, Qtd) SELECT IdProd, Qtd FROM Mov WHERE IdProd = 2").rowCount, 1);
    const std::vector<std::pair<const char *, int>> cases = {
        {"DECLARE @n int = 1; SELECT TOP @n Id FROM Mov", 102},
        {"SELECT TOP 1 WITH TIES Id FROM Mov", 1062},
        {"INSERT TOP 1 INTO Mov (IdProd) SELECT IdProd FROM Mov", 102},
        {"SELECT TOP (-1) Id FROM Mov", 1014},
        {"SELECT TOP (1.5) Id FROM Mov", 1060},
        {"SELECT TOP (101) PERCENT Id FROM Mov", 1031},
    };
    for (const auto &[sql, number] : cases)
        EXPECT_EQ(error(sql).number, number) << sql;
}

TEST_F(Window, StringAggJoinsInTheGroupOrderSkippingNulls)
{
    EXPECT_EQ(rows("SELECT IdProd, STRING_AGG(Nome, ', ') WITHIN GROUP (ORDER BY Nome DESC) FROM Mov GROUP BY IdProd "
                   "ORDER BY IdProd"),
              (std::vector<QStringList> {{"1", "d, c, b, a"}, {"2", "f, e"}, {"3", "h, g"}}));
    EXPECT_EQ(scalar("SELECT STRING_AGG(Qtd, '-') WITHIN GROUP (ORDER BY Id) FROM Mov WHERE IdProd = 3"), "4");
    EXPECT_EQ(scalar("SELECT ISNULL(STRING_AGG(Nome, ','), 'vazio') FROM Mov WHERE 1 = 0"), "vazio");
    StatementResult r =
        ok("SELECT STRING_AGG(Nome, ','), STRING_AGG(Qtd, ','), STRING_AGG(CAST(Nome AS nvarchar(max)), ',') FROM Mov");
    EXPECT_EQ(r.resultSet->columns[0].type, (SqlType {TypeId::VarChar, 8000, 0, 0}));
    EXPECT_EQ(r.resultSet->columns[1].type, (SqlType {TypeId::NVarChar, 4000, 0, 0}));
    EXPECT_EQ(r.resultSet->columns[2].type, (SqlType {TypeId::NVarChar, -1, 0, 0}));
    EXPECT_EQ(error("SELECT STRING_AGG(REPLICATE(Nome, 5000), ',') FROM Mov").number, 9829);
}

} // namespace
} // namespace standin::test
