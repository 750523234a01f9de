// Lookups through equality indexes on columns that are not keys: every answer must stay the one a
// scan gives while rows are inserted, changed, deleted and taken back. Each check asks the same
// question twice, once as `column = value` (answered from the index) and once through an expression
// over the column (`column + 0`, `column + ''`), which is always answered by reading every row.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

class ColumnIndex : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE Livro (IdLivro int IDENTITY(1,1) NOT NULL PRIMARY KEY, IdProd int NULL, "
           "Cod nvarchar(10) NULL, Qtd int NOT NULL DEFAULT 0)");
        // 40 rows: IdProd 1..8 five times each, Cod 'L1'..'L40'.
        QStringList values;
        for (int i = 0; i < 40; ++i)
            values << QStringLiteral("(%1, N'L%2', %3)").arg(i % 8 + 1).arg(i + 1).arg(i);
        ok(QStringLiteral("INSERT INTO Livro (IdProd, Cod, Qtd) VALUES ") + values.join(QLatin1Char(',')));
    }

    // The rows with IdProd = p, by the index and by a scan; they must agree.
    QString byProduct(const QString &p)
    {
        const QString indexed = ids(QStringLiteral("SELECT IdLivro FROM Livro WHERE IdProd = %1").arg(p));
        const QString scanned = ids(QStringLiteral("SELECT IdLivro FROM Livro WHERE IdProd + 0 = %1").arg(p));
        EXPECT_EQ(indexed, scanned) << "IdProd = " << p.toStdString();
        return indexed;
    }

    QString byCode(const QString &c)
    {
        const QString indexed = ids(QStringLiteral("SELECT IdLivro FROM Livro WHERE Cod = %1").arg(c));
        const QString scanned = ids(QStringLiteral("SELECT IdLivro FROM Livro WHERE Cod + N'' = %1").arg(c));
        EXPECT_EQ(indexed, scanned) << "Cod = " << c.toStdString();
        return indexed;
    }

    // The first column of every row, in the order returned, joined by commas.
    QString ids(const QString &sql)
    {
        QStringList out;
        for (const QStringList &r : rows(sql))
            out << r.value(0);
        return out.join(QLatin1Char(','));
    }
};

TEST_F(ColumnIndex, LookupsFollowInsertsUpdatesAndDeletes)
{
    EXPECT_EQ(byProduct("3"), "3,11,19,27,35"); // builds the index
    ok("INSERT INTO Livro (IdProd, Cod) VALUES (3, N'N1'), (9, N'N2')");
    EXPECT_EQ(byProduct("3"), "3,11,19,27,35,41");
    EXPECT_EQ(byProduct("9"), "42");
    // A changed value leaves the old key and joins the new one, in table order.
    ok("UPDATE Livro SET IdProd = 9 WHERE IdLivro IN (11, 27)");
    EXPECT_EQ(byProduct("3"), "3,19,35,41");
    EXPECT_EQ(byProduct("9"), "11,27,42");
    // Changing another column keeps the index and its answers.
    ok("UPDATE Livro SET Qtd = Qtd + 1 WHERE IdProd = 9");
    EXPECT_EQ(scalar("SELECT SUM(Qtd) FROM Livro WHERE IdProd = 9"), "39");
    ok("DELETE FROM Livro WHERE IdLivro = 19");
    EXPECT_EQ(byProduct("3"), "3,35,41");
    // Copies of every row, then a large delete (the index is built again rather than edited row by row).
    ok("INSERT INTO Livro (IdProd, Cod) SELECT IdProd, Cod FROM Livro");
    EXPECT_EQ(byProduct("3"), "3,35,41,45,76,82");
    ok("DELETE FROM Livro WHERE IdLivro <= 75");
    EXPECT_EQ(byProduct("3"), "76,82");
    EXPECT_EQ(byProduct("9"), "83");
    ok("DELETE FROM Livro");
    EXPECT_EQ(byProduct("3"), "");
}

TEST_F(ColumnIndex, LookupsFollowRollbacksAndFailedStatements)
{
    EXPECT_EQ(byProduct("2"), "2,10,18,26,34");
    ok("BEGIN TRANSACTION\n"
       "INSERT INTO Livro (IdProd, Cod) VALUES (2, N'T1')\n"
       "UPDATE Livro SET IdProd = 7 WHERE IdLivro = 10\n"
       "DELETE FROM Livro WHERE IdLivro = 18\n"
       "UPDATE Livro SET IdProd = 2 WHERE IdLivro = 1");
    EXPECT_EQ(byProduct("2"), "1,2,26,34,41");
    EXPECT_EQ(byProduct("7"), "7,10,15,23,31,39");
    ok("ROLLBACK TRANSACTION");
    EXPECT_EQ(byProduct("2"), "2,10,18,26,34");
    EXPECT_EQ(byProduct("7"), "7,15,23,31,39");
    EXPECT_EQ(byProduct("1"), "1,9,17,25,33");

    // A statement that fails half-way (NULL into a NOT NULL column on its second row) leaves nothing.
    EXPECT_EQ(error("INSERT INTO Livro (IdProd, Cod, Qtd) SELECT 2, N'F', CASE WHEN IdLivro = 1 THEN 0 END "
                    "FROM Livro WHERE IdLivro <= 2")
                  .number,
              515);
    EXPECT_EQ(byProduct("2"), "2,10,18,26,34");
    // A key clash on the second row of an update undoes the first row's change too.
    ok("ALTER TABLE Livro ADD CONSTRAINT UQ_Livro_Cod UNIQUE (Cod)");
    EXPECT_EQ(error("UPDATE Livro SET IdProd = 4, Cod = N'X' WHERE IdProd = 2").number, 2627);
    EXPECT_EQ(byProduct("2"), "2,10,18,26,34");
    EXPECT_EQ(byProduct("4"), "4,12,20,28,36");
}

TEST_F(ColumnIndex, AFailingTriggerTakesBackWhatItsStatementAndItWrote)
{
    EXPECT_EQ(byProduct("5"), "5,13,21,29,37");
    ok("CREATE TRIGGER GNR_Livro ON Livro AFTER INSERT, UPDATE, DELETE AS\n"
       "UPDATE Livro SET IdProd = 5 WHERE IdProd = 6\n"
       "INSERT INTO Livro (IdProd, Cod) SELECT 5, N'G' FROM inserted WHERE inserted.IdProd = 5\n"
       "IF EXISTS (SELECT * FROM Livro WHERE IdProd = 5 AND Qtd < 0) OR EXISTS (SELECT * FROM deleted WHERE Cod = "
       "N'A')\n"
       "    SELECT 1 / 0");
    // The statement and the trigger's writes stay.
    ok("INSERT INTO Livro (IdProd, Cod, Qtd) VALUES (5, N'A', 1)");
    EXPECT_EQ(byProduct("5"), "5,6,13,14,21,22,29,30,37,38,41,42");
    EXPECT_EQ(byProduct("6"), "");
    // Both are undone when the trigger fails.
    ok("UPDATE Livro SET IdProd = 6 WHERE IdLivro IN (5, 13)");
    EXPECT_EQ(byProduct("5"), "5,6,13,14,21,22,29,30,37,38,41,42");
    EXPECT_EQ(error("INSERT INTO Livro (IdProd, Cod, Qtd) VALUES (6, N'B', -1)").number, 8134);
    EXPECT_EQ(error("UPDATE Livro SET IdProd = 6, Qtd = -1 WHERE IdLivro = 1").number, 8134);
    EXPECT_EQ(error("DELETE FROM Livro WHERE IdLivro = 1 OR Cod = N'A'").number, 8134);
    EXPECT_EQ(byProduct("5"), "5,6,13,14,21,22,29,30,37,38,41,42");
    EXPECT_EQ(byProduct("6"), "");
    EXPECT_EQ(byProduct("1"), "1,9,17,25,33");
}

TEST_F(ColumnIndex, TextKeysIgnoreCaseAndTrailingBlanksButNotAccents)
{
    ok("INSERT INTO Livro (IdProd, Cod) VALUES (1, N'abc'), (1, N'ABC  '), (1, N'Abc'), (1, N'ábc'), (1, N' abc')");
    EXPECT_EQ(byCode("N'abc'"), "41,42,43");
    EXPECT_EQ(byCode("'ABC   '"), "41,42,43");
    EXPECT_EQ(byCode("N'ÁBC'"), "44");
    EXPECT_EQ(byCode("N' ABC'"), "45");
    EXPECT_EQ(ids("DECLARE @c varchar(20) = 'aBc '\nSELECT IdLivro FROM Livro WHERE Cod = @c"), "41,42,43");
    // Changed in case only: still the same key.
    ok("UPDATE Livro SET Cod = N'ABC' WHERE IdLivro = 41");
    EXPECT_EQ(byCode("N'abc'"), "41,42,43");
    ok("UPDATE Livro SET Cod = N'abd' WHERE IdLivro = 42");
    EXPECT_EQ(byCode("N'abc'"), "41,43");
    // A value longer than the column equals none of its rows.
    EXPECT_EQ(byCode("N'abcdefghijklmnop'"), "");
}

TEST_F(ColumnIndex, NumbersAndTextsCompareByTypePrecedence)
{
    // Text against an int column: the text converts to int.
    EXPECT_EQ(ids("SELECT IdLivro FROM Livro WHERE IdProd = '4'"), "4,12,20,28,36");
    EXPECT_EQ(ids("SELECT IdLivro FROM Livro WHERE IdProd = ' 4 '"), "4,12,20,28,36");
    EXPECT_EQ(error("SELECT IdLivro FROM Livro WHERE IdProd = 'quatro'").number, 245);
    EXPECT_EQ(ids("DECLARE @p bigint = 4\nSELECT IdLivro FROM Livro WHERE IdProd = @p"), "4,12,20,28,36");
    EXPECT_EQ(ids("DECLARE @p tinyint = 4\nSELECT IdLivro FROM Livro WHERE IdProd = @p"), "4,12,20,28,36");
    // A decimal is compared as a decimal, not cut to a whole number.
    EXPECT_EQ(ids("SELECT IdLivro FROM Livro WHERE IdProd = 4.5"), "");
    EXPECT_EQ(ids("SELECT IdLivro FROM Livro WHERE IdProd = 4.0"), "4,12,20,28,36");
    // A number against a text column: the texts convert to int, so '07' and ' 7' equal 7.
    ok("CREATE TABLE Codigos (Id int IDENTITY(1,1) NOT NULL, Cod varchar(10) NULL)");
    QStringList values;
    for (int i = 0; i < 20; ++i)
        values << QStringLiteral("('%1')").arg(i);
    ok(QStringLiteral("INSERT INTO Codigos (Cod) VALUES ") + values.join(QLatin1Char(',')) + ", ('07'), (' 7')");
    EXPECT_EQ(ids("SELECT Id FROM Codigos WHERE Cod = '7'"), "8");
    EXPECT_EQ(ids("SELECT Id FROM Codigos WHERE Cod = 7"), "8,21,22");
    ok("INSERT INTO Codigos (Cod) VALUES ('sete')");
    EXPECT_EQ(error("SELECT Id FROM Codigos WHERE Cod = 7").number, 245);
}

TEST_F(ColumnIndex, NullEqualsNothing)
{
    ok("INSERT INTO Livro (IdProd, Cod) VALUES (NULL, NULL), (NULL, N'X')");
    EXPECT_EQ(byProduct("NULL"), "");
    EXPECT_EQ(byCode("NULL"), "");
    EXPECT_EQ(ids("DECLARE @p int\nSELECT IdLivro FROM Livro WHERE IdProd = @p"), "");
    EXPECT_EQ(ids("DECLARE @c nvarchar(5)\nSELECT IdLivro FROM Livro WHERE Cod = @c"), "");
    EXPECT_EQ(ids("SELECT IdLivro FROM Livro WHERE IdProd IS NULL"), "41,42");
    ok("UPDATE Livro SET IdProd = 8 WHERE IdProd IS NULL");
    EXPECT_EQ(byProduct("8"), "8,16,24,32,40,41,42");
    ok("UPDATE Livro SET IdProd = NULL WHERE IdLivro = 8");
    EXPECT_EQ(byProduct("8"), "16,24,32,40,41,42");
    // Joins on a NULL key find no partner.
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Livro a INNER JOIN Livro b ON b.IdProd = a.IdProd WHERE a.IdLivro = 8"),
              "0");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Livro a LEFT JOIN Livro b ON b.IdProd = a.IdProd WHERE a.IdLivro = 8"), "1");
}

TEST_F(ColumnIndex, CorrelatedProbesAndJoinsSeeCurrentRows)
{
    ok("CREATE TABLE Itens (IdItem int NOT NULL, IdProd int NULL)");
    ok("INSERT INTO Itens VALUES (1, 1), (2, 3), (3, 9), (4, NULL)");
    const char *notExists =
        "SELECT IdItem FROM Itens i WHERE NOT EXISTS (SELECT 1 FROM Livro l WHERE l.IdProd = i.IdProd) ORDER BY IdItem";
    const char *exists =
        "SELECT IdItem FROM Itens i WHERE EXISTS (SELECT 1 FROM Livro l WHERE l.IdProd = i.IdProd) ORDER BY IdItem";
    EXPECT_EQ(ids(notExists), "3,4");
    EXPECT_EQ(ids(exists), "1,2");
    ok("INSERT INTO Livro (IdProd) VALUES (9)");
    EXPECT_EQ(ids(notExists), "4");
    ok("DELETE FROM Livro WHERE IdProd = 3");
    EXPECT_EQ(ids(exists), "1,3");
    ok("UPDATE Livro SET IdProd = 3 WHERE IdLivro = 41");
    EXPECT_EQ(ids(exists), "1,2");
    // A few rows joined to the whole table, by the index and by a scan of it.
    const QString inner =
        ids("SELECT l.IdLivro FROM Itens i INNER JOIN Livro l ON l.IdProd = i.IdProd ORDER BY i.IdItem, l.IdLivro");
    EXPECT_EQ(inner, "1,9,17,25,33,41");
    EXPECT_EQ(inner, ids("SELECT l.IdLivro FROM Itens i INNER JOIN Livro l ON l.IdProd + 0 = i.IdProd "
                         "ORDER BY i.IdItem, l.IdLivro"));
    const QString left = ids("SELECT ISNULL(l.IdLivro, -i.IdItem) FROM Itens i LEFT JOIN Livro l "
                             "ON l.IdProd = i.IdProd AND l.Qtd > 10 ORDER BY i.IdItem, l.IdLivro");
    EXPECT_EQ(left, "17,25,33,-2,-3,-4");
    EXPECT_EQ(left, ids("SELECT ISNULL(l.IdLivro, -i.IdItem) FROM Itens i LEFT JOIN Livro l "
                        "ON l.IdProd + 0 = i.IdProd AND l.Qtd > 10 ORDER BY i.IdItem, l.IdLivro"));
    // Text keys joined to an int column convert, as the comparison does.
    ok("CREATE TABLE Chaves (Chave varchar(5) NULL)");
    ok("INSERT INTO Chaves VALUES ('2 '), (' 02')");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Chaves c INNER JOIN Livro l ON l.IdProd = c.Chave"), "10");
}

} // namespace
} // namespace standin::test
