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

}  // namespace
}  // namespace standin::test
