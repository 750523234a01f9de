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
    EXPECT_EQ(error("UPDATE T SET b = 'x'").number, 245);  // ends its batch, not the transaction
    ok("INSERT INTO T VALUES (2, 2)");
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T WHERE b IS NOT NULL AND b > 0"), "2");
    ok("ROLLBACK");
    EXPECT_EQ(rows("SELECT a, b FROM T"), (std::vector<QStringList>{{"1", "0"}}));
    // Under XACT_ABORT ON an error takes the transaction back at once.
    ok("SET XACT_ABORT ON");
    ok("BEGIN TRAN INSERT INTO T VALUES (3, 3)");
    EXPECT_EQ(error("INSERT INTO T VALUES (1, 1)").number, 2627);
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "1");
}

}  // namespace
}  // namespace standin::test
