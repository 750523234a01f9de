// AFTER triggers: INSERTED and DELETED, UPDATE(column), order, nesting, errors, ROLLBACK and counts.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

class Triggers : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE Produtos (IdProd int PRIMARY KEY, Estoque int NOT NULL DEFAULT 0, KDXok bit NULL)");
        ok("CREATE TABLE Kardex (IdKardex int IDENTITY(1,1) PRIMARY KEY, IdProd int, Qtd int, DATE_LCTO datetime NULL)");
        ok("CREATE TABLE Log (Quem nvarchar(20), Ins int, Del int, Upd bit NULL)");
        ok("INSERT INTO Produtos (IdProd) VALUES (1), (2)");
    }
};

TEST_F(Triggers, FireOncePerStatementWithEveryTouchedRow)
{
    ok("CREATE TRIGGER GNR_Log ON Kardex AFTER INSERT, UPDATE, DELETE AS\n"
       "INSERT INTO Log (Quem, Ins, Del) SELECT 'log', (SELECT COUNT(*) FROM inserted), (SELECT COUNT(*) FROM deleted)");
    ok("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 5), (1, -2), (2, 7)");
    ok("UPDATE Kardex SET Qtd = Qtd WHERE IdProd = 1");
    ok("DELETE FROM Kardex WHERE IdProd = 99");  // no rows: fires all the same
    ok("DELETE Kardex WHERE IdProd = 2");
    EXPECT_EQ(rows("SELECT Ins, Del FROM Log"),
              (std::vector<QStringList>{{"3", "0"}, {"2", "2"}, {"0", "0"}, {"0", "1"}}));
}

TEST_F(Triggers, InsertedHoldsAllColumnsAndDeletedTheOldValues)
{
    ok("CREATE TRIGGER GNR_Estoque ON Kardex FOR INSERT, UPDATE, DELETE AS\n"
       "UPDATE Produtos SET Estoque = Estoque + ISNULL((SELECT SUM(i.Qtd) FROM inserted i WHERE i.IdProd = Produtos.IdProd), 0)\n"
       "  - ISNULL((SELECT SUM(d.Qtd) FROM deleted d WHERE d.IdProd = Produtos.IdProd), 0)\n"
       "UPDATE k SET DATE_LCTO = '2025-01-02' FROM Kardex k INNER JOIN inserted i ON i.IdKardex = k.IdKardex");
    ok("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 5), (1, -2), (2, 7)");
    EXPECT_EQ(rows("SELECT Estoque FROM Produtos ORDER BY IdProd"), (std::vector<QStringList>{{"3"}, {"7"}}));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Kardex WHERE DATE_LCTO IS NOT NULL"), "3");
    ok("UPDATE Kardex SET Qtd = 10 WHERE IdKardex = 1");
    ok("DELETE FROM Kardex WHERE IdProd = 2");
    EXPECT_EQ(rows("SELECT Estoque FROM Produtos ORDER BY IdProd"), (std::vector<QStringList>{{"8"}, {"0"}}));
}

TEST_F(Triggers, UpdateOfAColumnIsTrueWhenItIsSetEvenUnchanged)
{
    ok("CREATE TRIGGER GNR_Upd ON Produtos AFTER INSERT, UPDATE AS\n"
       "IF UPDATE(KDXok) INSERT INTO Log (Quem, Upd) VALUES ('kdx', 1)\n"
       "ELSE INSERT INTO Log (Quem, Upd) VALUES ('outro', 0)");
    ok("UPDATE Produtos SET Estoque = Estoque WHERE IdProd = 1");
    ok("UPDATE Produtos SET KDXok = KDXok");
    ok("INSERT INTO Produtos (IdProd) VALUES (3)");
    EXPECT_EQ(rows("SELECT Quem FROM Log"), (std::vector<QStringList>{{"outro"}, {"kdx"}, {"kdx"}}));
    EXPECT_EQ(error("CREATE TRIGGER GNR_X ON Produtos AFTER UPDATE AS IF UPDATE(Nada) SELECT 1").number, 207);
}

TEST_F(Triggers, SeveralTriggersFireInCreationOrderAndNestButNotRecurseDirectly)
{
    ok("CREATE TRIGGER B_primeiro ON Kardex AFTER INSERT AS INSERT INTO Log (Quem) VALUES ('B')");
    ok("CREATE TRIGGER A_segundo ON Kardex AFTER INSERT AS INSERT INTO Log (Quem) VALUES ('A')");
    // A trigger of Log fires from the triggers of Kardex (nested); a trigger updating its own table
    // does not fire itself again.
    ok("CREATE TRIGGER L ON Log AFTER INSERT AS UPDATE Log SET Ins = @@NESTLEVEL WHERE Ins IS NULL");
    ok("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 1)");
    EXPECT_EQ(rows("SELECT Quem, Ins FROM Log"), (std::vector<QStringList>{{"B", "2"}, {"A", "2"}}));
    // Indirect recursion nests until the limit of 32 levels, then fails the firing statement whole.
    ok("CREATE TRIGGER P1 ON Produtos AFTER UPDATE AS UPDATE Kardex SET Qtd = Qtd + 1");
    ok("CREATE TRIGGER K1 ON Kardex AFTER UPDATE AS UPDATE Produtos SET Estoque = Estoque + 1");
    BatchResult r = run("UPDATE Produtos SET Estoque = 100 WHERE IdProd = 1\nSELECT 1");
    ASSERT_FALSE(r.statements.empty());
    EXPECT_TRUE(r.aborted);
    bool saw217 = false;
    for (const auto& s : r.statements)
        for (const auto& m : s.messages)
            saw217 |= m.number == 217;
    EXPECT_TRUE(saw217);
    EXPECT_EQ(scalar("SELECT Estoque FROM Produtos WHERE IdProd = 1"), "0");
    EXPECT_EQ(scalar("SELECT Qtd FROM Kardex"), "1");
}

TEST_F(Triggers, AnErrorInATriggerUndoesTheStatementAndTheTriggersWork)
{
    ok("CREATE TRIGGER GNR_Falha ON Kardex AFTER INSERT AS\n"
       "UPDATE Produtos SET Estoque = 50\nINSERT INTO Produtos (IdProd) SELECT IdProd FROM inserted");
    BatchResult r = run("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 5)\nINSERT INTO Log (Quem) VALUES ('depois')");
    // The trigger's update reported its count before the error; nothing after the insert ran.
    ASSERT_EQ(r.statements.size(), 2u);
    const StatementResult& insert = r.statements.back();
    EXPECT_TRUE(insert.failed);
    ASSERT_FALSE(insert.messages.empty());
    EXPECT_EQ(insert.messages.front().number, 2627);
    EXPECT_EQ(insert.messages.front().procedure, "GNR_Falha");
    EXPECT_EQ(insert.messages.front().line, 3);
    EXPECT_TRUE(r.aborted);  // an error inside a trigger ends the batch
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Kardex"), "0");
    EXPECT_EQ(scalar("SELECT SUM(Estoque) FROM Produtos"), "0");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Log"), "0");
    EXPECT_EQ(scalar("SELECT IDENT_CURRENT('Kardex')"), "1");
    // Inside a transaction the error takes the whole transaction back.
    ok("BEGIN TRAN INSERT INTO Log (Quem) VALUES ('na transação')");
    EXPECT_EQ(error("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 5)").number, 2627);
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Log"), "0");
}

TEST_F(Triggers, RollbackInATriggerEndsTheBatchAndUndoesTheTransaction)
{
    ok("CREATE TRIGGER GNR_Nao ON Kardex AFTER INSERT AS\n"
       "IF EXISTS (SELECT * FROM inserted WHERE Qtd < 0) BEGIN RAISERROR('Quantidade negativa: %d', 16, 1, -1) "
       "ROLLBACK TRANSACTION END");
    ok("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 5)");
    BatchResult r = run("BEGIN TRAN\nINSERT INTO Log (Quem) VALUES ('antes')\nINSERT INTO Kardex (IdProd, Qtd) VALUES "
                        "(1, -3)\nINSERT INTO Log (Quem) VALUES ('depois')");
    EXPECT_TRUE(r.aborted);
    std::vector<int> numbers;
    QString raised;
    for (const auto& s : r.statements)
        for (const auto& m : s.messages) {
            numbers.push_back(m.number);
            if (m.number == 50000)
                raised = m.text;
        }
    EXPECT_EQ(numbers, (std::vector<int>{50000, 3609}));
    EXPECT_EQ(raised, "Quantidade negativa: -1");
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Kardex"), "1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Log"), "0");
    // RAISERROR alone fails its statement but leaves the firing statement's rows.
    ok("ALTER TRIGGER GNR_Nao ON Kardex AFTER INSERT AS RAISERROR('aviso', 16, 1)");
    r = run("INSERT INTO Kardex (IdProd, Qtd) VALUES (2, 1)");
    EXPECT_FALSE(r.aborted);
    EXPECT_FALSE(r.statements.back().failed);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Kardex"), "2");
}

TEST_F(Triggers, TheFiringStatementsTransactionIsOpenInsideTheTrigger)
{
    // The usual guard before ROLLBACK in a trigger sees the statement's own transaction.
    ok("CREATE TRIGGER GNR_Guarda ON Kardex AFTER INSERT AS\n"
       "INSERT INTO Log (Quem, Ins) VALUES ('dentro', @@TRANCOUNT)\n"
       "IF EXISTS (SELECT * FROM inserted WHERE Qtd = 0) AND @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
    ok("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 1)");
    EXPECT_EQ(scalar("SELECT Ins FROM Log"), "1");
    EXPECT_EQ(error("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 0)").number, 3609);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Kardex"), "1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Log"), "1");
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
}

TEST_F(Triggers, TriggerCountsComeBeforeTheFiringStatementsUnlessNocount)
{
    ok("CREATE TRIGGER GNR_Conta ON Kardex AFTER INSERT AS\n"
       "UPDATE Produtos SET Estoque = Estoque + 1\nINSERT INTO Log (Quem) VALUES ('a'), ('b'), ('c')");
    // The trigger's statements report their counts (in the module), then the insert its own.
    BatchResult r = run("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 5)\nSELECT @@ROWCOUNT");
    ASSERT_EQ(r.statements.size(), 4u);
    EXPECT_TRUE(r.statements[0].inProcedure);
    EXPECT_TRUE(r.statements[1].inProcedure);
    EXPECT_EQ(r.statements[1].rowCount, 3);
    EXPECT_FALSE(r.statements[2].inProcedure);
    EXPECT_EQ(r.statements[2].rowCount, 1);
    ASSERT_TRUE(r.statements[3].resultSet);
    EXPECT_EQ(toText(r.statements[3].resultSet->rows[0][0]), "1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Log"), "3");
    // Inside the trigger @@ROWCOUNT follows its own statements.
    ok("ALTER TRIGGER GNR_Conta ON Kardex AFTER INSERT AS\n"
       "INSERT INTO Log (Quem, Ins) VALUES ('inicio', @@ROWCOUNT)\nUPDATE Produtos SET Estoque = 1\n"
       "INSERT INTO Log (Quem, Ins) VALUES ('depois', @@ROWCOUNT)");
    ok("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 5), (2, 6), (1, 7)");
    EXPECT_EQ(rows("SELECT Ins FROM Log WHERE Quem IN ('inicio', 'depois')"), (std::vector<QStringList>{{"3"}, {"2"}}));
    // With NOCOUNT ON in the trigger, only the firing statement's count reaches the client.
    ok("ALTER TRIGGER GNR_Conta ON Kardex AFTER INSERT AS SET NOCOUNT ON UPDATE Produtos SET Estoque = 0");
    r = run("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 5), (2, 1)");
    ASSERT_EQ(r.statements.size(), 1u);
    EXPECT_EQ(r.statements[0].rowCount, 2);
    // SET NOCOUNT ON for the connection: no counts at all; @@ROWCOUNT still counts.
    r = run("SET NOCOUNT ON\nINSERT INTO Log (Quem) VALUES ('x')\nSELECT @@ROWCOUNT\nSET NOCOUNT OFF");
    EXPECT_EQ(r.statements[1].rowCount, -1);
    ASSERT_TRUE(r.statements[2].resultSet);
    EXPECT_EQ(toText(r.statements[2].resultSet->rows[0][0]), "1");
}

TEST_F(Triggers, IdentityScopes)
{
    ok("CREATE TABLE Hist (Id int IDENTITY(100, 1), IdKardex int)");
    ok("CREATE TRIGGER GNR_Hist ON Kardex AFTER INSERT AS INSERT INTO Hist (IdKardex) SELECT IdKardex FROM inserted");
    auto r = rows("INSERT INTO Kardex (IdProd, Qtd) VALUES (1, 1)\nSELECT SCOPE_IDENTITY(), @@IDENTITY");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (QStringList{"1", "100"}));
}

}  // namespace
}  // namespace standin::test
