// Procedural statements: WAITFOR and the client's cancel, TRY ... CATCH with THROW and the error
// functions, @@ERROR, transactions inside modules and the counts of trigger statements.
#include "EngineTestSupport.h"

#include <QElapsedTimer>

namespace standin::test {
namespace {

// --- WAITFOR ------------------------------------------------------------------------------------

using WaitFor = EngineTest;

TEST_F(WaitFor, DelayAndTimeSleepAndBadTimesAreRefused)
{
    QElapsedTimer clock;
    clock.start();
    ok("WAITFOR DELAY '00:00:00.150'");
    EXPECT_GE(clock.elapsed(), 140);
    clock.restart();
    ok("DECLARE @t char(12) = CONVERT(char(12), DATEADD(millisecond, 300, GETDATE()), 114)\nWAITFOR TIME @t");
    EXPECT_GE(clock.elapsed(), 200);
    for (const char* bad : {"WAITFOR DELAY 'amanhã'", "WAITFOR DELAY '25:00:00'", "WAITFOR DELAY '2025-01-01 00:00'",
                            "WAITFOR DELAY NULL"})
        EXPECT_EQ(error(bad).number, 148) << bad;
}

TEST_F(WaitFor, TheClientsCancelEndsTheWaitTheBatchAndTheStatementsWork)
{
    ok("CREATE TABLE T (a int)");
    ok("CREATE TABLE Espera (a int)");
    ok("CREATE TRIGGER GNR_Espera ON Espera AFTER INSERT AS INSERT INTO T VALUES (99) WAITFOR DELAY '00:10:00'");
    QElapsedTimer clock;
    clock.start();
    session->cancelRequested = [&] { return clock.elapsed() > 100; };
    // The first insert is done before the wait; the wait ends at the cancel and nothing after it runs.
    BatchResult r = run("INSERT INTO T VALUES (1)\nWAITFOR DELAY '00:10:00'\nINSERT INTO T VALUES (2)");
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.aborted);
    EXPECT_LT(clock.elapsed(), 60000);
    // A wait inside a trigger: the cancel undoes the firing insert with what the trigger wrote.
    clock.restart();
    r = run("INSERT INTO Espera VALUES (1)");
    EXPECT_TRUE(r.cancelled);
    // In an open transaction the cancel undoes the statement; the transaction stays open.
    clock.restart();
    r = run("BEGIN TRAN\nINSERT INTO T VALUES (3)\nINSERT INTO Espera VALUES (3)");
    EXPECT_TRUE(r.cancelled);
    session->cancelRequested = nullptr;
    EXPECT_EQ(rows("SELECT @@TRANCOUNT, COUNT(*) FROM Espera")[0], (QStringList{"1", "0"}));
    ok("COMMIT");
    EXPECT_EQ(rows("SELECT a FROM T ORDER BY a"), (std::vector<QStringList>{{"1"}, {"3"}}));
}

// --- TRY ... CATCH, THROW, @@ERROR ---------------------------------------------------------------

class TryCatch : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE T (a int NOT NULL)");
    }
    // The errors of a batch that reached the client, as numbers.
    static QList<int> errors(const BatchResult& r)
    {
        QList<int> out;
        for (const auto& s : r.statements)
            for (const auto& m : s.messages)
                if (m.severity > 10)
                    out << m.number;
        return out;
    }
    // PRINT and informational RAISERROR texts ("The statement has been terminated." left out).
    static QStringList printed(const BatchResult& r)
    {
        QStringList out;
        for (const auto& s : r.statements)
            for (const auto& m : s.messages)
                if (m.severity <= 10 && m.number != 3621)
                    out << m.text;
        return out;
    }
    static QStringList lastRow(const BatchResult& r)
    {
        for (auto it = r.statements.rbegin(); it != r.statements.rend(); ++it)
            if (it->resultSet && !it->resultSet->rows.empty()) {
                QStringList cells;
                for (const Value& v : it->resultSet->rows[0])
                    cells << (v.isNull() ? QStringLiteral("NULL") : toText(v));
                return cells;
            }
        return {};
    }
};

TEST_F(TryCatch, TheCatchBlockReadsTheErrorAndTheClientSeesNone)
{
    BatchResult r = run("BEGIN TRY\n"
                        "  INSERT INTO T VALUES (1)\n"
                        "  INSERT INTO T VALUES (NULL)\n"
                        "  INSERT INTO T VALUES (2)\n"
                        "END TRY\n"
                        "BEGIN CATCH\n"
                        "  SELECT ERROR_NUMBER(), ERROR_SEVERITY(), ERROR_STATE(), ERROR_LINE(), ERROR_PROCEDURE(), @@ERROR,\n"
                        "         ERROR_MESSAGE()\n"
                        "END CATCH");
    EXPECT_TRUE(errors(r).isEmpty());
    EXPECT_FALSE(r.aborted);
    const QStringList row = lastRow(r);
    ASSERT_EQ(row.size(), 7);
    EXPECT_EQ(row.mid(0, 6), (QStringList{"515", "16", "2", "3", "NULL", "515"}));
    EXPECT_TRUE(row[6].startsWith("Cannot insert the value NULL into column 'a'")) << row[6].toStdString();
    EXPECT_EQ(rows("SELECT a FROM T"), (std::vector<QStringList>{{"1"}}));
    // Outside a CATCH block the functions give NULL.
    EXPECT_EQ(rows("SELECT ERROR_NUMBER(), ERROR_MESSAGE(), XACT_STATE()")[0], (QStringList{"NULL", "NULL", "0"}));
}

TEST_F(TryCatch, AnErrorInACalledProcedureEndsItAndReachesTheCallersCatch)
{
    ok("CREATE PROCEDURE Grava AS\nINSERT INTO T VALUES (10)\nINSERT INTO T VALUES (NULL)\nINSERT INTO T VALUES (11)");
    ok("CREATE PROCEDURE Consulta AS\nSELECT * FROM Tabela_Que_Falta");
    BatchResult r = run("BEGIN TRY EXEC Grava END TRY\n"
                        "BEGIN CATCH SELECT ERROR_NUMBER(), ERROR_PROCEDURE(), ERROR_LINE() END CATCH");
    EXPECT_EQ(lastRow(r), (QStringList{"515", "Grava", "3"}));
    EXPECT_EQ(rows("SELECT a FROM T"), (std::vector<QStringList>{{"10"}}));
    // A missing table is caught when it comes from a called module, not at the TRY's own level.
    EXPECT_EQ(lastRow(run("BEGIN TRY EXEC Consulta END TRY BEGIN CATCH SELECT ERROR_NUMBER() END CATCH")),
              QStringList{"208"});
    r = run("BEGIN TRY SELECT * FROM Tabela_Que_Falta END TRY BEGIN CATCH SELECT 'pegou' END CATCH");
    EXPECT_EQ(errors(r), QList<int>{208});
    EXPECT_TRUE(r.aborted);
    // An error inside a trigger fails the firing statement; the CATCH block gets the trigger's error.
    ok("CREATE TRIGGER GNR_T ON T AFTER INSERT AS IF EXISTS (SELECT 1 FROM inserted WHERE a < 0) "
       "RAISERROR('negativo', 16, 1)");
    r = run("BEGIN TRY INSERT INTO T VALUES (-1) END TRY BEGIN CATCH SELECT ERROR_MESSAGE(), ERROR_PROCEDURE() END CATCH");
    EXPECT_EQ(lastRow(r), (QStringList{"negativo", "GNR_T"}));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T WHERE a < 0"), "0");
}

TEST_F(TryCatch, ThrowRaisesEndsTheBatchAndRethrowsTheCaughtError)
{
    BatchResult r = run("THROW 50001, N'Saldo insuficiente', 3;\nPRINT 'depois'");
    ASSERT_EQ(errors(r), QList<int>{50001});
    EXPECT_TRUE(r.aborted);
    EXPECT_TRUE(printed(r).isEmpty());
    EXPECT_EQ(r.statements[0].messages[0].state, 3);
    EXPECT_EQ(r.statements[0].messages[0].severity, 16);
    EXPECT_EQ(error("THROW 49999, 'baixo', 1;").number, 35100);
    EXPECT_EQ(error("THROW;").number, 10704);
    EXPECT_EQ(error("SELECT 1 THROW 50000, 'x', 1").number, 102);
    r = run("BEGIN TRY SELECT 1/0 END TRY\nBEGIN CATCH PRINT 'antes'; THROW; END CATCH\nPRINT 'depois'");
    EXPECT_EQ(errors(r), QList<int>{8134});
    EXPECT_EQ(printed(r), QStringList{"antes"});
    // THROW inside TRY goes to CATCH; nested TRY in CATCH handles its own error.
    r = run("BEGIN TRY THROW 50002, 'primeiro', 1; END TRY\n"
            "BEGIN CATCH\n"
            "  BEGIN TRY SELECT CAST('x' AS int) END TRY BEGIN CATCH PRINT ERROR_NUMBER() END CATCH\n"
            "  PRINT ERROR_MESSAGE()\n"
            "END CATCH");
    EXPECT_TRUE(errors(r).isEmpty());
    EXPECT_EQ(printed(r), (QStringList{"245", "primeiro"}));
}

TEST_F(TryCatch, RaiserrorGoesToCatchAndFromCatchToTheClient)
{
    BatchResult r = run("BEGIN TRY RAISERROR('aviso', 10, 1) RAISERROR('falhou %d', 16, 2, 7) PRINT 'nunca' END TRY\n"
                        "BEGIN CATCH DECLARE @m nvarchar(200) = ERROR_MESSAGE() RAISERROR(@m, 16, 1) END CATCH\n"
                        "PRINT 'seguiu'");
    EXPECT_EQ(errors(r), QList<int>{50000});
    EXPECT_EQ(printed(r), (QStringList{"aviso", "seguiu"}));
    EXPECT_FALSE(r.aborted);
}

TEST_F(TryCatch, XactAbortAndConversionErrorsLeaveTheTransactionUncommittable)
{
    // XACT_ABORT ON: the CATCH block finds the transaction uncommittable; left open, the batch's end
    // takes it back (3998), and nothing may be written meanwhile (3930).
    BatchResult r = run("SET XACT_ABORT ON\nBEGIN TRAN\nINSERT INTO T VALUES (1)\n"
                        "BEGIN TRY INSERT INTO T VALUES (NULL) END TRY\n"
                        "BEGIN CATCH SELECT XACT_STATE(), @@TRANCOUNT END CATCH");
    EXPECT_EQ(lastRow(r), (QStringList{"-1", "1"}));
    EXPECT_EQ(errors(r), QList<int>{3998});
    EXPECT_EQ(rows("SELECT @@TRANCOUNT, COUNT(*) FROM T")[0], (QStringList{"0", "0"}));
    r = run("SET XACT_ABORT OFF\nBEGIN TRAN\nBEGIN TRY SELECT CONVERT(int, 'abc') END TRY\n"
            "BEGIN CATCH INSERT INTO T VALUES (2) END CATCH");
    EXPECT_EQ(errors(r).value(0), 3930);
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    // Without XACT_ABORT a statement error leaves the transaction committable.
    r = run("BEGIN TRAN\nINSERT INTO T VALUES (3)\nBEGIN TRY INSERT INTO T VALUES (NULL) END TRY\n"
            "BEGIN CATCH SELECT XACT_STATE() COMMIT END CATCH");
    EXPECT_EQ(lastRow(r), QStringList{"1"});
    EXPECT_EQ(rows("SELECT @@TRANCOUNT, COUNT(*) FROM T")[0], (QStringList{"0", "1"}));
}

TEST_F(TryCatch, ErrorVariableFollowsEveryStatement)
{
    BatchResult r = run("SELECT 1/0\nPRINT @@ERROR\nPRINT @@ERROR\n"
                        "INSERT INTO T VALUES (NULL)\nIF @@ERROR <> 0 PRINT @@ERROR\n"
                        "RAISERROR('x', 16, 1)\nPRINT @@ERROR");
    EXPECT_EQ(printed(r), (QStringList{"8134", "0", "0", "50000"}));
}

}  // namespace
}  // namespace standin::test
