// Built-ins and statement rules that must answer as SQL Server does: date parts, decimal result
// types, scalar subquery types, schema-qualified targets, statement- versus batch-ending errors,
// ISNUMERIC, and a transaction that stays open over failing batches.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

using Mends = EngineTest;

TEST_F(Mends, DatePartsAreKeywordsNotColumns)
{
    ok("CREATE TABLE T (d datetime, dia date)");
    ok("INSERT INTO T VALUES ('2024-01-06 10:59:30', '2024-02-28')");
    EXPECT_EQ(rows("SELECT DATEPART(year, d), DATEPART(month, d), DATEPART(dw, d), DATEPART(week, d), DATEPART(hh, d), "
                   "DATEPART(quarter, d), DATEPART(dayofyear, dia) FROM T"),
              (std::vector<QStringList>{{"2024", "1", "7", "1", "10", "1", "59"}}));
    // DATEDIFF counts boundaries: Saturday to Sunday is a week, 10:59 to 11:00 an hour.
    EXPECT_EQ(rows("SELECT DATEDIFF(week, d, '2024-01-07'), DATEDIFF(hour, d, '2024-01-06 11:00'), DATEDIFF(year, "
                   "'2023-12-31', d), DATEDIFF(day, d, dia), DATEDIFF(minute, '2024-01-06 10:59:59', d) FROM T"),
              (std::vector<QStringList>{{"1", "1", "1", "53", "0"}}));
    EXPECT_EQ(scalar("SELECT CONVERT(varchar(10), DATEADD(month, 1, '2024-01-31'), 120)"), "2024-02-29");
    StatementResult r = ok("SELECT DATEADD(day, 1, dia), DATEADD(yy, -1, d) FROM T");
    ASSERT_TRUE(r.resultSet);
    EXPECT_EQ(r.resultSet->columns[0].type.id, TypeId::Date);
    EXPECT_EQ(r.resultSet->columns[1].type.id, TypeId::DateTime);
    EXPECT_EQ(toText(r.resultSet->rows[0][0]), "2024-02-29");
    EXPECT_EQ(scalar("SELECT DATENAME(month, d) FROM T"), "January");
    EXPECT_EQ(error("SELECT DATEPART(ano, d) FROM T").number, 155);
    // A number as the date is a count of days after 1900-01-01, converted to datetime.
    EXPECT_EQ(scalar("SELECT CONVERT(varchar(19), DATEADD(day, 1, 0), 120)"), "1900-01-02 00:00:00");
    EXPECT_EQ(scalar("SELECT CAST(DATEADD(year, 124, DATEADD(month, 3, DATEADD(day, 1, 0))) - 1.5 AS int)"), "45381");
}

TEST_F(Mends, DecimalProductsAndQuotientsHaveSqlServersPrecisionAndScale)
{
    StatementResult r = ok("SELECT 2.5 * 1.5, 72.75 * 10, 7.0 / 3, 1.25 + 10.5");
    ASSERT_TRUE(r.resultSet);
    const auto& c = r.resultSet->columns;
    EXPECT_EQ(std::make_pair(c[0].type.precision, c[0].type.scale), std::make_pair(5, 2));
    // An integer constant counts as a decimal of its own digits: 10 is decimal(2,0), 3 decimal(1,0).
    EXPECT_EQ(std::make_pair(c[1].type.precision, c[1].type.scale), std::make_pair(7, 2));
    EXPECT_EQ(std::make_pair(c[2].type.precision, c[2].type.scale), std::make_pair(7, 6));
    EXPECT_EQ(std::make_pair(c[3].type.precision, c[3].type.scale), std::make_pair(5, 2));
    const auto& v = r.resultSet->rows[0];
    EXPECT_EQ(toText(v[0]), "3.75");
    EXPECT_EQ(toText(v[1]), "727.50");
    EXPECT_EQ(toText(v[2]), "2.333333");
    EXPECT_EQ(toText(v[3]), "11.75");
}

TEST_F(Mends, AScalarSubqueryIsDescribedByItsColumn)
{
    ok("CREATE TABLE T (a int, m money, s nvarchar(7))");
    ok("INSERT INTO T VALUES (1, 2.5, 'x')");
    StatementResult r = ok("SELECT (SELECT MAX(a) FROM T) AS a, (SELECT TOP 1 m FROM T) AS m, (SELECT s FROM T) AS s, "
                           "(SELECT a FROM T WHERE a > 5) AS nada");
    ASSERT_TRUE(r.resultSet);
    EXPECT_EQ(r.resultSet->columns[0].type.id, TypeId::Int);
    EXPECT_EQ(r.resultSet->columns[1].type.id, TypeId::Money);
    EXPECT_EQ(r.resultSet->columns[2].type.id, TypeId::NVarChar);
    EXPECT_EQ(r.resultSet->columns[2].type.length, 7);
    EXPECT_EQ(r.resultSet->columns[3].type.id, TypeId::Int);
    EXPECT_TRUE(r.resultSet->rows[0][3].isNull());
}

TEST_F(Mends, SchemaQualifiedTargetsMatchTheirFromClause)
{
    ok("CREATE TABLE Kardex (IdKardex int PRIMARY KEY, IdRec int, IdNFK int NULL)");
    ok("CREATE TABLE Recebimento (IdRec int, IdNF int)");
    ok("INSERT INTO Kardex VALUES (1, 10, NULL), (2, 20, NULL), (3, 30, NULL)");
    ok("INSERT INTO Recebimento VALUES (10, 100), (20, 200)");
    EXPECT_EQ(ok("UPDATE dbo.Kardex SET IdNFK = Recebimento.IdNF FROM dbo.Kardex INNER JOIN Recebimento ON "
                 "Recebimento.IdRec = dbo.Kardex.IdRec").rowCount, 2);
    EXPECT_EQ(ok("UPDATE [dbo].[Kardex] SET IdNFK = 0 FROM Kardex INNER JOIN Recebimento r ON r.IdRec = Kardex.IdRec "
                 "WHERE r.IdNF = 100").rowCount, 1);
    EXPECT_EQ(ok("DELETE dbo.Kardex FROM dbo.Kardex INNER JOIN Recebimento ON Recebimento.IdRec = Kardex.IdRec WHERE "
                 "Recebimento.IdNF = 200").rowCount, 1);
    EXPECT_EQ(rows("SELECT IdKardex, ISNULL(IdNFK, -1) FROM Kardex ORDER BY IdKardex"),
              (std::vector<QStringList>{{"1", "0"}, {"3", "-1"}}));
}

TEST_F(Mends, SomeErrorsEndTheStatementOthersTheBatch)
{
    ok("CREATE TABLE T (a int)");
    ok("INSERT INTO T VALUES (1), (2)");
    // 512 and 8134 end their statement; the batch goes on.
    BatchResult r = run("SELECT (SELECT a FROM T)\nINSERT INTO T VALUES (3)\nSELECT 1 / 0\nINSERT INTO T VALUES (4)");
    EXPECT_FALSE(r.aborted);
    ASSERT_EQ(r.statements.size(), 4u);
    EXPECT_EQ(r.statements[0].messages.at(0).number, 512);
    EXPECT_EQ(r.statements[2].messages.at(0).number, 8134);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "4");
    // A conversion error ends the batch.
    r = run("SELECT a FROM T WHERE a = 'x'\nINSERT INTO T VALUES (5)");
    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "4");
}

TEST_F(Mends, IsNumericCountsWhatConvertsToSomeNumber)
{
    auto isNumeric = [&](const QString& text) {
        return scalar(QStringLiteral("SELECT ISNUMERIC('%1')").arg(text)).toInt();
    };
    for (const char* yes : {"$", "+", "-", ".", ",", "12", " 12 ", "-1.5", "$12.50", "1,000", "1e5", "1.5E-3", "€3",
                            "£", "+$1", "$-1", "1d2"})
        EXPECT_EQ(isNumeric(QString::fromUtf8(yes)), 1) << yes;
    for (const char* no : {"", " ", "abc", "1e", "e5", "1.2.3", "12a", "1,0e5", "$1e5", "--1", "0x10"})
        EXPECT_EQ(isNumeric(QString::fromUtf8(no)), 0) << no;
    EXPECT_EQ(scalar("SELECT ISNUMERIC(NULL) + ISNUMERIC(12) * 10"), "10");
}

TEST_F(Mends, ATransactionStaysOpenOverFailingBatchesUntilRollback)
{
    ok("CREATE TABLE T (a int PRIMARY KEY, b int NULL)");
    ok("INSERT INTO T VALUES (1, 0)");
    ok("BEGIN TRAN");
    EXPECT_EQ(error("INSERT INTO T VALUES (1, 1)").number, 2627);
    ok("UPDATE T SET b = 5");
    EXPECT_EQ(error("UPDATE T SET b = 1/0").number, 8134);  // ends its statement, not the transaction
    ok("INSERT INTO T VALUES (2, 2)");
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T WHERE b IS NOT NULL AND b > 0"), "2");
    // A savepoint or transaction name that does not exist rolls nothing back.
    EXPECT_EQ(error("ROLLBACK TRAN nenhum").number, 6401);
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "1");
    ok("ROLLBACK");
    EXPECT_EQ(rows("SELECT a, b FROM T"), (std::vector<QStringList>{{"1", "0"}}));
    // A conversion error ends the batch and takes the whole transaction back, XACT_ABORT OFF or not.
    ok("BEGIN TRAN externa");
    ok("UPDATE T SET b = 7");
    EXPECT_EQ(error("UPDATE T SET b = 'x'").number, 245);
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    EXPECT_EQ(rows("SELECT a, b FROM T"), (std::vector<QStringList>{{"1", "0"}}));
    // The outermost transaction's own name rolls it back whole.
    ok("BEGIN TRAN externa\nUPDATE T SET b = 8\nROLLBACK TRAN externa");
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    EXPECT_EQ(rows("SELECT a, b FROM T"), (std::vector<QStringList>{{"1", "0"}}));
    // A savepoint inside a procedure takes back only what followed it, in the procedure and before.
    ok("CREATE PROCEDURE Parcial AS\nINSERT INTO T VALUES (10, 1)\nSAVE TRAN meio\nINSERT INTO T VALUES (11, 1)\n"
       "ROLLBACK TRAN meio\nINSERT INTO T VALUES (12, 1)");
    ok("BEGIN TRAN\nINSERT INTO T VALUES (9, 1)\nSAVE TRAN antes");
    ok("INSERT INTO T VALUES (8, 1)\nEXEC Parcial");
    EXPECT_EQ(rows("SELECT a FROM T ORDER BY a"), (std::vector<QStringList>{{"1"}, {"8"}, {"9"}, {"10"}, {"12"}}));
    ok("ROLLBACK TRAN antes");
    EXPECT_EQ(rows("SELECT a FROM T ORDER BY a"), (std::vector<QStringList>{{"1"}, {"9"}}));
    ok("COMMIT");
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    ok("DELETE FROM T WHERE a = 9");
    // Under XACT_ABORT ON an error takes the transaction back at once.
    ok("SET XACT_ABORT ON");
    ok("BEGIN TRAN INSERT INTO T VALUES (3, 3)");
    EXPECT_EQ(error("INSERT INTO T VALUES (1, 1)").number, 2627);
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "1");
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

TEST_F(Mends, FunctionNamesAndArgumentCountsAreCheckedBeforeAnyRowIsRead)
{
    ok("CREATE TABLE T (a int)");
    EXPECT_EQ(error("SELECT Nada(a) FROM T").number, 195);  // no rows: the name is refused all the same
    ServerMessage m = error("SELECT ROUND(a) FROM T");
    EXPECT_EQ(m.number, 174);
    EXPECT_EQ(m.text, "The round function requires 2 to 3 arguments.");
    EXPECT_EQ(error("SELECT LEFT(N'abc') FROM T").text, "The left function requires 2 argument(s).");
    EXPECT_EQ(error("SELECT dbo.Nada(a) FROM T").number, 4121);
    EXPECT_EQ(scalar("SELECT COUNT(*) + LEN(N'abc') + CHARINDEX('b', 'abc') + CHARINDEX('c', 'abcabc', 4) FROM T"), "11");
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

TEST_F(Mends, BitwiseNotTakesIntegersAndBitsOnly)
{
    EXPECT_EQ(rows("SELECT ~5, ~CAST(1 AS bit), ~CAST(1 AS tinyint), ~CAST(NULL AS int)"),
              (std::vector<QStringList>{{"-6", "0", "254", "NULL"}}));
    EXPECT_EQ(error("SELECT ~3E+3").number, 8117);
    EXPECT_EQ(error("SELECT ~1.5").number, 8117);
    EXPECT_NE(error("SE +3 ++++~~~+++3E+3++++33++++333").number, 0);  // found by the fuzzer: an error, no crash
    // Also found by the fuzzer: a decimal and a binary operand meet through the conversion rules.
    BatchResult r = run("SELECT 1.5 + 0x01, 0x01 - 66666666666");
    ASSERT_EQ(r.statements.size(), 1u);
    EXPECT_FALSE(r.statements[0].failed);
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

TEST_F(Mends, KeyInSubqueryFindsTheSameRowsAsAScan)
{
    ok("CREATE TABLE K (Id int PRIMARY KEY, Nome nvarchar(10) NULL, Grupo int NULL)");
    ok("CREATE TABLE Sem (Id int NOT NULL, Nome nvarchar(10) NULL, Grupo int NULL)");  // the same rows, no key
    ok("CREATE TABLE Lista (v int NULL, t nvarchar(10) NULL)");
    for (const char* table : {"K", "Sem"})
        ok(QStringLiteral("INSERT INTO %1 VALUES (5, 'e', 1), (1, 'a', 1), (3, 'c', 2), (2, 'b', 2), (4, 'd', NULL)")
               .arg(QLatin1String(table)));
    ok("INSERT INTO Lista VALUES (3, '3'), (1, '1'), (3, '3'), (NULL, NULL), (9, '9')");
    for (const char* where : {"Id IN (SELECT v FROM Lista)", "Id IN (SELECT t FROM Lista)",
                              "Id IN (SELECT v FROM Lista WHERE v > 1) AND Grupo = 2",
                              "Id IN (SELECT Lista.v FROM Lista WHERE Lista.v = Grupo)",
                              "Id IN (SELECT v + 1 FROM Lista)", "Id NOT IN (SELECT v FROM Lista WHERE v IS NOT NULL)"}) {
        const auto keyed = rows(QStringLiteral("SELECT Id, Nome FROM K WHERE %1").arg(QLatin1String(where)));
        const auto scanned = rows(QStringLiteral("SELECT Id, Nome FROM Sem WHERE %1").arg(QLatin1String(where)));
        EXPECT_EQ(keyed, scanned) << where;
    }
    EXPECT_EQ(rows("SELECT Id FROM K WHERE Id IN (SELECT v FROM Lista)"), (std::vector<QStringList>{{"1"}, {"3"}}));
    EXPECT_EQ(ok("UPDATE K SET Nome = 'x' WHERE Id IN (SELECT v FROM Lista)").rowCount, 2);
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

TEST_F(Mends, HavingWithoutGroupByIsOneGroup)
{
    ok("CREATE TABLE T (a int)");
    ok("INSERT INTO T VALUES (1), (2), (3)");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM T HAVING 1 = 1"), (std::vector<QStringList> {{"3"}}));
    EXPECT_EQ(rows("SELECT 'x' FROM T HAVING 1 = 1"), (std::vector<QStringList> {{"x"}}));
    EXPECT_EQ(rows("SELECT SUM(a) FROM T HAVING MAX(a) > 5"), std::vector<QStringList> {});
    const ServerMessage having = error("SELECT COUNT(*) FROM T HAVING a > 1");
    EXPECT_EQ(having.number, 8121);
    EXPECT_EQ(having.text, "Column 'T.a' is invalid in the HAVING clause because it is not contained in either an "
                           "aggregate function or the GROUP BY clause.");
    EXPECT_EQ(error("SELECT a, COUNT(*) FROM T").number, 8120);
    EXPECT_EQ(error("SELECT a FROM T HAVING 1 = 1").number, 8120);
}

TEST_F(Mends, BuiltInsAnswerAsTheServerDoes)
{
    // REPLICATE, REPLACE and STUFF give the widest text of their kind, not the argument's width.
    EXPECT_EQ(rows("SELECT LEN(N'áéíóú' + REPLICATE('x', 55)), LEN(REPLACE('a', 'a', 'bbb') + 'c'), "
                   "LEN(STUFF('ab', 1, 1, 'xyz') + 'c')"),
              (std::vector<QStringList> {{"60", "4", "5"}}));
    EXPECT_EQ(scalar("SELECT ISNUMERIC(' $ + 1.1234')"), "1");
    const ServerMessage overflow = error("SELECT DATEADD(year, 9000, CAST('20000101' AS datetime))");
    EXPECT_EQ(overflow.number, 517);
    EXPECT_EQ(overflow.text, "Adding a value to a 'datetime' column caused an overflow.");
    EXPECT_EQ(error("SELECT DATEADD(day, 1, CAST('99991231' AS date))").text,
              "Adding a value to a 'date' column caused an overflow.");
    EXPECT_EQ(error("SELECT DATEADD(month, -1, CAST('19000101' AS smalldatetime))").number, 517);
}

TEST_F(Mends, SetVariableEqualsColumnEqualsExpressionSetsBoth)
{
    ok("CREATE TABLE Contador (Id int, Proximo int)");
    ok("INSERT INTO Contador VALUES (1, 41), (2, 7)");
    EXPECT_EQ(
        rows("DECLARE @n int; UPDATE Contador SET @n = Proximo = Proximo + 1 WHERE Id = 1; "
             "SELECT @n, (SELECT Proximo FROM Contador WHERE Id = 1), (SELECT Proximo FROM Contador WHERE Id = 2)"),
        (std::vector<QStringList> {{"42", "42", "7"}}));
}

} // namespace
} // namespace standin::test
