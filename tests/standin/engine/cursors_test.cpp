// Cursors and control flow: FETCH loops, @@FETCH_STATUS, cursor errors, BREAK, CONTINUE, RETURN, RAISERROR.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

class Cursors : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE A (Id int, Nome nvarchar(10))");
        ok("CREATE TABLE B (Id int, Qtd int)");
        ok("CREATE TABLE Saida (Linha nvarchar(60))");
        ok("INSERT INTO A VALUES (3, 'tres'), (1, 'um'), (2, 'dois')");
        ok("INSERT INTO B VALUES (1, 10), (2, 20), (9, 90)");
    }
};

TEST_F(Cursors, FetchLoopWalksTheRowsInOrderThenReportsTheEnd)
{
    ok("DECLARE @id int, @nome nvarchar(10), @qtd int\n"
       "DECLARE c CURSOR LOCAL FORWARD_ONLY STATIC READ_ONLY FOR\n"
       "  SELECT A.Id, A.Nome, B.Qtd FROM A INNER JOIN B ON B.Id = A.Id UNION ALL SELECT Id, 'só B', Qtd FROM B WHERE Id = 9\n"
       "  ORDER BY 1\n"
       "OPEN c\n"
       "FETCH NEXT FROM c INTO @id, @nome, @qtd\n"
       "WHILE @@FETCH_STATUS = 0\nBEGIN\n"
       "  INSERT INTO Saida VALUES (CAST(@id AS nvarchar(5)) + ' ' + @nome + ' ' + CAST(@qtd AS nvarchar(5)))\n"
       "  FETCH NEXT FROM c INTO @id, @nome, @qtd\nEND\n"
       "CLOSE c\nDEALLOCATE c");
    EXPECT_EQ(rows("SELECT Linha FROM Saida"),
              (std::vector<QStringList>{{"1 um 10"}, {"2 dois 20"}, {"9 só B 90"}}));
    EXPECT_EQ(scalar("SELECT @@FETCH_STATUS"), "-1");
}

TEST_F(Cursors, ACursorOverInsertedInATrigger)
{
    ok("CREATE TRIGGER GNR_Cada ON A FOR INSERT AS\n"
       "DECLARE @id int\n"
       "DECLARE cur CURSOR FAST_FORWARD FOR SELECT Id FROM inserted ORDER BY Id DESC\n"
       "OPEN cur\nFETCH NEXT FROM cur INTO @id\n"
       "WHILE @@FETCH_STATUS = 0 BEGIN\n"
       "  INSERT INTO Saida VALUES ('novo ' + CAST(@id AS nvarchar(5)))\n"
       "  FETCH NEXT FROM cur INTO @id\nEND\nCLOSE cur\nDEALLOCATE cur");
    ok("INSERT INTO A VALUES (7, 'sete'), (8, 'oito')");
    ok("INSERT INTO A VALUES (5, 'cinco')");  // the cursor was released: the name is free again
    EXPECT_EQ(rows("SELECT Linha FROM Saida"), (std::vector<QStringList>{{"novo 8"}, {"novo 7"}, {"novo 5"}}));
}

TEST_F(Cursors, CursorErrorsCarrySqlServersNumbers)
{
    EXPECT_EQ(error("OPEN nenhum").number, 16916);
    EXPECT_EQ(error("DECLARE c CURSOR FOR SELECT Id FROM A\nDECLARE c CURSOR FOR SELECT Id FROM A").number, 16915);
    // A GLOBAL cursor outlives its batch until it is released.
    ok("DEALLOCATE c");
    ok("DECLARE g CURSOR GLOBAL FOR SELECT Id, Nome FROM A");
    EXPECT_EQ(error("FETCH NEXT FROM g").number, 16917);
    EXPECT_EQ(error("CLOSE g").number, 16917);
    ok("OPEN g");
    EXPECT_EQ(error("OPEN g").number, 16905);
    EXPECT_EQ(error("DECLARE @x int FETCH NEXT FROM g INTO @x").number, 16924);
    StatementResult r = ok("FETCH NEXT FROM g");  // without INTO: the row comes back as a result
    ASSERT_TRUE(r.resultSet);
    EXPECT_EQ(toText(r.resultSet->rows[0][1]), "tres");
    ok("CLOSE g DEALLOCATE g");
    EXPECT_EQ(error("DEALLOCATE g").number, 16916);
    // A LOCAL cursor ends with its batch.
    ok("DECLARE l CURSOR LOCAL FOR SELECT Id FROM A OPEN l");
    EXPECT_EQ(error("CLOSE l").number, 16916);
}

TEST_F(Cursors, BreakContinueAndReturnEndTheirLoopOrModule)
{
    ok("CREATE PROCEDURE Conta @ate int AS\n"
       "DECLARE @i int = 0\n"
       "WHILE 1 = 1 BEGIN\n"
       "  SET @i = @i + 1\n"
       "  IF @i > @ate BREAK\n"
       "  IF @i % 2 = 0 CONTINUE\n"
       "  INSERT INTO Saida VALUES (CAST(@i AS nvarchar(5)))\n"
       "END\n"
       "IF @ate > 3 RETURN\n"
       "INSERT INTO Saida VALUES ('fim')");
    ok("EXEC Conta 5\nEXEC Conta 2\nINSERT INTO Saida VALUES ('batch segue')");
    EXPECT_EQ(rows("SELECT Linha FROM Saida"),
              (std::vector<QStringList>{{"1"}, {"3"}, {"5"}, {"1"}, {"fim"}, {"batch segue"}}));
    EXPECT_EQ(error("BREAK").number, 135);
    // RETURN in the batch ends it quietly.
    BatchResult r = run("INSERT INTO Saida VALUES ('a') RETURN INSERT INTO Saida VALUES ('b')");
    EXPECT_FALSE(r.aborted);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Saida WHERE Linha IN ('a', 'b')"), "1");
}

TEST_F(Cursors, RaiserrorFailsItsStatementOnly)
{
    BatchResult r = run("RAISERROR('Produto %s sem saldo (%d)', 16, 1, N'PC1', 42)\nINSERT INTO Saida VALUES ('depois')\n"
                        "RAISERROR('só aviso', 10, 1)");
    ASSERT_EQ(r.statements.size(), 3u);
    EXPECT_TRUE(r.statements[0].failed);
    EXPECT_EQ(r.statements[0].messages[0].number, 50000);
    EXPECT_EQ(r.statements[0].messages[0].severity, 16);
    EXPECT_EQ(r.statements[0].messages[0].text, "Produto PC1 sem saldo (42)");
    EXPECT_FALSE(r.statements[2].failed);
    EXPECT_EQ(r.statements[2].messages[0].severity, 10);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Saida"), "1");
    r = run("DECLARE @e int RAISERROR('x', 16, 1) SET @e = @@ERROR SELECT @e");
    ASSERT_TRUE(r.statements.back().resultSet);
    EXPECT_EQ(toText(r.statements.back().resultSet->rows[0][0]), "50000");
}

TEST_F(Cursors, ARunawayLoopEndsAtTheStepBudget)
{
    engine.setStepBudget(1000);
    ServerMessage m = error("DECLARE @i int = 0 WHILE 1 = 1 SET @i = @i + 1");
    EXPECT_TRUE(m.text.contains("step budget"));
    engine.setStepBudget(0);
    ok("DECLARE @i int = 0 WHILE @i < 5000 SET @i = @i + 1");
}

TEST_F(Cursors, TheClientsCancelStopsALoopBetweenStatements)
{
    int asked = 0;
    session->cancelRequested = [&] { return ++asked > 3; };
    BatchResult r = run("DECLARE @i int = 0 WHILE 1 = 1 BEGIN SET @i = @i + 1 INSERT INTO Saida VALUES ('x') END");
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.aborted);
    session->cancelRequested = nullptr;
    EXPECT_GT(scalar("SELECT COUNT(*) FROM Saida").toInt(), 0);
}

}  // namespace
}  // namespace standin::test
