// MIN and MAX of a column over a whole table, answered from extremes the table keeps: every answer must
// stay the one a scan gives while rows are inserted, changed, deleted and taken back. Each check asks the
// same question twice, once bare (answered from the kept extreme) and once with `WHERE 1 = 1`, which is
// always answered by reading every row.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

class ColumnExtreme : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE Lote (Id int IDENTITY(1,1) NOT NULL PRIMARY KEY, NLote int NULL, Cod varchar(10) NULL, "
           "Qtd int NOT NULL DEFAULT 0)");
        // 30 rows: NLote 0..29 shuffled (7 * i mod 30), Cod 'C' followed by the same number.
        QStringList values;
        for (int i = 0; i < 30; ++i)
            values << QStringLiteral("(%1, 'C%2')").arg(7 * i % 30).arg(7 * i % 30, 2, 10, QLatin1Char('0'));
        ok(QStringLiteral("INSERT INTO Lote (NLote, Cod) VALUES ") + values.join(QLatin1Char(',')));
    }

    // `fn(column)` over Lote, from the kept extreme and by a scan; they must agree in value and type.
    QString extreme(const char *fn, const char *column)
    {
        const QString kept = QStringLiteral("SELECT %1(%2) FROM Lote").arg(QLatin1String(fn), QLatin1String(column));
        const QString scanned = kept + QStringLiteral(" WHERE 1 = 1");
        const StatementResult a = ok(kept);
        const StatementResult b = ok(scanned);
        if (!a.resultSet || !b.resultSet || a.resultSet->rows.size() != 1 || b.resultSet->rows.size() != 1) {
            ADD_FAILURE() << "no single row from " << kept.toStdString();
            return QString();
        }
        EXPECT_EQ(int(a.resultSet->columns[0].type.id), int(b.resultSet->columns[0].type.id)) << kept.toStdString();
        EXPECT_EQ(a.resultSet->columns[0].type.length, b.resultSet->columns[0].type.length) << kept.toStdString();
        const Value &v = a.resultSet->rows[0][0];
        const Value &w = b.resultSet->rows[0][0];
        const QString got = v.isNull() ? QStringLiteral("NULL") : toText(v);
        EXPECT_EQ(got, w.isNull() ? QStringLiteral("NULL") : toText(w)) << kept.toStdString();
        return got;
    }
};

TEST_F(ColumnExtreme, ExtremesFollowInsertsUpdatesAndDeletes)
{
    EXPECT_EQ(extreme("MAX", "NLote"), "29");
    EXPECT_EQ(extreme("MIN", "NLote"), "0");
    ok("INSERT INTO Lote (NLote) VALUES (40), (-3)");
    EXPECT_EQ(extreme("MAX", "NLote"), "40");
    EXPECT_EQ(extreme("MIN", "NLote"), "-3");
    // The greatest value changed downwards, the least upwards: both extremes move to the next ones.
    ok("UPDATE Lote SET NLote = 5 WHERE NLote IN (40, -3)");
    EXPECT_EQ(extreme("MAX", "NLote"), "29");
    EXPECT_EQ(extreme("MIN", "NLote"), "0");
    ok("UPDATE Lote SET NLote = NLote + 100 WHERE NLote = 3");
    EXPECT_EQ(extreme("MAX", "NLote"), "103");
    // Another column's change leaves the extreme as it is.
    ok("UPDATE Lote SET Qtd = Qtd + 1");
    EXPECT_EQ(extreme("MAX", "NLote"), "103");
    ok("DELETE FROM Lote WHERE NLote >= 29");
    EXPECT_EQ(extreme("MAX", "NLote"), "28");
    ok("DELETE FROM Lote WHERE NLote = 0");
    EXPECT_EQ(extreme("MIN", "NLote"), "1");
    // Several extremes in one query, and an expression around them.
    EXPECT_EQ(rows("SELECT MIN(NLote), MAX(NLote), MAX(Cod) FROM Lote")[0].join(QLatin1Char(',')), "1,28,C28");
    EXPECT_EQ(scalar("SELECT ISNULL(MAX(NLote), 0) + 1 FROM Lote"), "29");
    ok("DELETE FROM Lote");
    EXPECT_EQ(extreme("MAX", "NLote"), "NULL");
    EXPECT_EQ(extreme("MIN", "Cod"), "NULL");
    EXPECT_EQ(scalar("SELECT ISNULL(MAX(NLote), 0) + 1 FROM Lote"), "1");
    ok("INSERT INTO Lote (NLote) VALUES (7)");
    EXPECT_EQ(extreme("MAX", "NLote"), "7");
    EXPECT_EQ(extreme("MIN", "NLote"), "7");
}

TEST_F(ColumnExtreme, NullsAreLeftOut)
{
    ok("DELETE FROM Lote");
    ok("INSERT INTO Lote (NLote, Cod) VALUES (NULL, NULL), (NULL, NULL)");
    EXPECT_EQ(extreme("MAX", "NLote"), "NULL");
    EXPECT_EQ(extreme("MIN", "Cod"), "NULL");
    ok("UPDATE Lote SET NLote = 4 WHERE Id = (SELECT MIN(Id) FROM Lote)");
    EXPECT_EQ(extreme("MAX", "NLote"), "4");
    EXPECT_EQ(extreme("MIN", "NLote"), "4");
    ok("INSERT INTO Lote (NLote) VALUES (NULL)");
    EXPECT_EQ(extreme("MIN", "NLote"), "4");
    ok("UPDATE Lote SET NLote = NULL WHERE NLote = 4");
    EXPECT_EQ(extreme("MAX", "NLote"), "NULL");
    EXPECT_EQ(extreme("MIN", "NLote"), "NULL");
}

TEST_F(ColumnExtreme, ExtremesFollowRollbacksAndFailedStatements)
{
    EXPECT_EQ(extreme("MAX", "NLote"), "29");
    EXPECT_EQ(extreme("MIN", "NLote"), "0");
    ok("BEGIN TRANSACTION\n"
       "INSERT INTO Lote (NLote) VALUES (50)\n"
       "UPDATE Lote SET NLote = -1 WHERE NLote = 1\n"
       "DELETE FROM Lote WHERE NLote = 0");
    EXPECT_EQ(extreme("MAX", "NLote"), "50");
    EXPECT_EQ(extreme("MIN", "NLote"), "-1");
    ok("ROLLBACK TRANSACTION");
    EXPECT_EQ(extreme("MAX", "NLote"), "29");
    EXPECT_EQ(extreme("MIN", "NLote"), "0");
    ok("BEGIN TRANSACTION\nDELETE FROM Lote WHERE NLote >= 20");
    EXPECT_EQ(extreme("MAX", "NLote"), "19");
    ok("ROLLBACK TRANSACTION");
    EXPECT_EQ(extreme("MAX", "NLote"), "29");

    // An insert that fails on its second row (NULL into a NOT NULL column) leaves nothing.
    EXPECT_EQ(error("INSERT INTO Lote (NLote, Qtd) SELECT 90 + Id, CASE WHEN Id = 1 THEN 0 END FROM Lote WHERE Id <= 2")
                  .number,
              515);
    EXPECT_EQ(extreme("MAX", "NLote"), "29");
    // A key clash on the second row of an update undoes the first row's change too.
    ok("ALTER TABLE Lote ADD CONSTRAINT UQ_Lote_Cod UNIQUE (Cod)");
    EXPECT_EQ(error("UPDATE Lote SET NLote = 200, Cod = 'X' WHERE NLote < 2").number, 2627);
    EXPECT_EQ(extreme("MAX", "NLote"), "29");
    EXPECT_EQ(extreme("MAX", "Cod"), "C29");
}

TEST_F(ColumnExtreme, ATriggerNumbersFromTheCurrentExtremeAndAFailingOneTakesItBack)
{
    // Each new row takes the next number after the greatest in the table, as the fiscal-note trigger does.
    ok("CREATE TRIGGER TR_Lote ON Lote AFTER INSERT AS\n"
       "UPDATE Lote SET NLote = (SELECT ISNULL(MAX(NLote), 0) + 1 FROM Lote)\n"
       "WHERE Id IN (SELECT Id FROM inserted) AND NLote IS NULL\n"
       "IF EXISTS (SELECT * FROM inserted WHERE Qtd < 0)\n"
       "    SELECT 1 / 0");
    ok("INSERT INTO Lote (Cod) VALUES ('N1')");
    ok("INSERT INTO Lote (Cod) VALUES ('N2')");
    EXPECT_EQ(scalar("SELECT NLote FROM Lote WHERE Cod = 'N2'"), "31");
    EXPECT_EQ(extreme("MAX", "NLote"), "31");
    EXPECT_EQ(error("INSERT INTO Lote (Cod, Qtd) VALUES ('N3', -1)").number, 8134);
    EXPECT_EQ(extreme("MAX", "NLote"), "31");
    ok("INSERT INTO Lote (Cod) VALUES ('N4')");
    EXPECT_EQ(scalar("SELECT NLote FROM Lote WHERE Cod = 'N4'"), "32");
    EXPECT_EQ(extreme("MAX", "NLote"), "32");
}

TEST_F(ColumnExtreme, TextExtremesIgnoreCaseAndTrailingBlanksAndKeepTheFirstOfEqualValues)
{
    ok("DELETE FROM Lote");
    ok("INSERT INTO Lote (Cod) VALUES ('abc'), ('ABD'), ('abd  '), ('Abb')");
    // 'ABD' and 'abd  ' are equal under a case-insensitive collation; the first in table order is answered.
    EXPECT_EQ(extreme("MAX", "Cod"), "ABD");
    EXPECT_EQ(extreme("MIN", "Cod"), "Abb");
    // An earlier row changed to an equal value comes first now.
    ok("UPDATE Lote SET Cod = 'aBd' WHERE Cod = 'abc'");
    EXPECT_EQ(extreme("MAX", "Cod"), "aBd");
    ok("INSERT INTO Lote (Cod) VALUES ('ABB')");
    EXPECT_EQ(extreme("MIN", "Cod"), "Abb");
    ok("UPDATE Lote SET Cod = 'abe' WHERE Cod = 'ABB'");
    EXPECT_EQ(extreme("MAX", "Cod"), "abe");
    ok("DELETE FROM Lote WHERE Cod = 'abe'");
    EXPECT_EQ(extreme("MAX", "Cod"), "aBd");
    ok("DELETE FROM Lote WHERE Id = (SELECT MIN(Id) FROM Lote)");
    EXPECT_EQ(extreme("MAX", "Cod"), "ABD");
    // An accented letter sorts with its plain one, not after the last letter.
    ok("INSERT INTO Lote (Cod) VALUES ('àaa'), ('zzz')");
    EXPECT_EQ(extreme("MIN", "Cod"), "àaa");
    EXPECT_EQ(extreme("MAX", "Cod"), "zzz");
}

} // namespace
} // namespace standin::test
