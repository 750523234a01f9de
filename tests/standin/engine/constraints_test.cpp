// CHECK constraints and unique indexes: what a table refuses, with the server's numbers and texts.
#include "EngineTestSupport.h"

#include <QTemporaryDir>

namespace standin::test {
namespace {

class Constraints : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE Produto (Id int PRIMARY KEY, Qtd int CONSTRAINT CK_Qtd CHECK (Qtd >= 0), "
           "Preco money CHECK (Preco > 0), Min int, Max int, CONSTRAINT CK_Faixa CHECK (Min <= Max))");
        ok("INSERT INTO Produto VALUES (1, 5, 10, 1, 2)");
    }
};

TEST_F(Constraints, ChecksRefuseRowsWhoseConditionIsFalse)
{
    const ServerMessage column = error("INSERT INTO Produto VALUES (2, -1, 10, 1, 2)");
    EXPECT_EQ(column.number, 547);
    EXPECT_EQ(column.text,
              "The INSERT statement conflicted with the CHECK constraint \"CK_Qtd\". The conflict occurred in "
              "database \"ORVO\", table \"dbo.Produto\", column 'Qtd'.");
    const ServerMessage table = error("UPDATE Produto SET Min = 9");
    EXPECT_EQ(table.text,
              "The UPDATE statement conflicted with the CHECK constraint \"CK_Faixa\". The conflict occurred "
              "in database \"ORVO\", table \"dbo.Produto\".");
    EXPECT_EQ(error("INSERT INTO Produto VALUES (3, 1, 0, 1, 2)").number, 547); // the unnamed one
    // An unknown condition (NULL) passes; a failing statement changes nothing.
    EXPECT_EQ(ok("INSERT INTO Produto VALUES (4, NULL, NULL, NULL, 2)").rowCount, 1);
    EXPECT_EQ(error("UPDATE Produto SET Qtd = Qtd - 6").number, 547);
    EXPECT_EQ(rows("SELECT Id, ISNULL(Qtd, -9), Min FROM Produto ORDER BY Id"),
              (std::vector<QStringList> {{"1", "5", "1"}, {"4", "-9", "NULL"}}));
}

TEST_F(Constraints, AddedChecksMeetTheRowsThereUnlessWithNocheck)
{
    const ServerMessage added = error("ALTER TABLE Produto ADD CONSTRAINT CK_Pouco CHECK (Qtd < 3)");
    EXPECT_EQ(added.number, 547);
    EXPECT_TRUE(added.text.startsWith("The ALTER TABLE statement conflicted with the CHECK constraint \"CK_Pouco\"."));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.objects WHERE name = 'CK_Pouco'"), "0");
    ok("ALTER TABLE Produto WITH NOCHECK ADD CONSTRAINT CK_Pouco CHECK (Qtd < 3)");
    EXPECT_EQ(error("INSERT INTO Produto VALUES (2, 4, 10, 1, 2)").number, 547);
    // NOCHECK CONSTRAINT turns checks off, CHECK CONSTRAINT back on.
    ok("ALTER TABLE Produto NOCHECK CONSTRAINT CK_Pouco, CK_Qtd");
    ok("INSERT INTO Produto VALUES (2, -4, 10, 1, 2)");
    ok("ALTER TABLE Produto CHECK CONSTRAINT ALL");
    EXPECT_EQ(error("INSERT INTO Produto VALUES (3, -4, 10, 1, 2)").number, 547);
    EXPECT_EQ(error("ALTER TABLE Produto NOCHECK CONSTRAINT CK_Nada").number, 4917);
    // A column a check reads cannot be dropped.
    EXPECT_EQ(error("ALTER TABLE Produto DROP COLUMN Max").number, 5074);
}

TEST_F(Constraints, ATriggerThatBreaksACheckFailsItsStatement)
{
    ok("CREATE TABLE Movimento (IdProd int, Qtd int)");
    ok("CREATE TRIGGER Baixa ON Movimento AFTER INSERT AS UPDATE p SET Qtd = p.Qtd - i.Qtd FROM Produto p "
       "JOIN inserted i ON i.IdProd = p.Id");
    ok("INSERT INTO Movimento VALUES (1, 2)");
    EXPECT_EQ(error("INSERT INTO Movimento VALUES (1, 4)").number, 547);
    EXPECT_EQ(rows("SELECT (SELECT Qtd FROM Produto), (SELECT COUNT(*) FROM Movimento)"),
              (std::vector<QStringList> {{"3", "1"}}));
}

TEST_F(Constraints, UniqueIndexesRefuseDuplicateKeys)
{
    ok("CREATE TABLE Etiqueta (Id int, Codigo varchar(20), Lote int)");
    ok("CREATE NONCLUSTERED INDEX IX_Lote ON Etiqueta (Lote)"); // not unique: changes nothing
    ok("CREATE UNIQUE INDEX IX_Codigo ON dbo.Etiqueta (Codigo) WITH (FILLFACTOR = 90)");
    ok("INSERT INTO Etiqueta VALUES (1, 'A1', 7), (2, 'A2', 7), (3, NULL, 7)");
    const ServerMessage dup = error("INSERT INTO Etiqueta VALUES (4, 'A1', 8)");
    EXPECT_EQ(dup.number, 2601);
    EXPECT_EQ(dup.severity, 14);
    EXPECT_EQ(dup.text, "Cannot insert duplicate key row in object 'dbo.Etiqueta' with unique index 'IX_Codigo'. The "
                        "duplicate key value is (A1).");
    EXPECT_EQ(error("UPDATE Etiqueta SET Codigo = 'A2' WHERE Id = 1").number, 2601);
    EXPECT_EQ(error("INSERT INTO Etiqueta VALUES (5, NULL, 8)").number, 2601); // one NULL, as the server keeps it
    EXPECT_EQ(error("CREATE UNIQUE INDEX IX_Codigo ON Etiqueta (Id)").number, 1913);
    EXPECT_EQ(error("CREATE UNIQUE INDEX IX_Lote2 ON Etiqueta (Lote)").number, 1505);
    EXPECT_EQ(error("CREATE UNIQUE INDEX IX_X ON NaoHa (Id)").number, 1088);
    // A filtered index is accepted; an index is no object of its own.
    ok("CREATE UNIQUE INDEX IX_Filtro ON Etiqueta (Lote) WHERE Lote > 100");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.objects WHERE name LIKE 'IX%'"), "0");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Etiqueta"), "3");
}

TEST_F(Constraints, IndexesAndChecksSurviveASavedState)
{
    ok("CREATE UNIQUE INDEX IX_Max ON Produto (Max)");
    ok("ALTER TABLE Produto NOCHECK CONSTRAINT CK_Faixa");
    QTemporaryDir dir;
    QString why;
    ASSERT_TRUE(engine.save(dir.path(), &why)) << why.toStdString();
    Engine reloaded;
    ASSERT_TRUE(reloaded.load(dir.path(), &why)) << why.toStdString();
    auto s = reloaded.openSession(QStringLiteral("sa"), QString(), QStringLiteral("ORVO"));
    ASSERT_TRUE(s);
    auto firstError = [&](const char *sql) {
        for (const auto &st : reloaded.execute(*s, QLatin1String(sql)).statements)
            for (const auto &m : st.messages)
                if (m.severity > 10)
                    return m;
        return ServerMessage {};
    };
    EXPECT_EQ(firstError("INSERT INTO Produto VALUES (2, 1, 1, 1, 2)").number, 2601);
    EXPECT_TRUE(firstError("INSERT INTO Produto VALUES (3, 1, 1, 9, 3)").text.isEmpty()); // CK_Faixa still off
    EXPECT_TRUE(firstError("INSERT INTO Produto VALUES (4, -1, 1, 1, 4)").text.endsWith(", column 'Qtd'."));
}

} // namespace
} // namespace standin::test
