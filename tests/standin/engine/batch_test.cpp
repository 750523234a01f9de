// Batches: syntax errors, statements in order, errors that end a statement or the batch,
// connection options, variables and the first procedural statements.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

using Batches = EngineTest;

TEST_F(Batches, SyntaxErrorsNameTheOffendingTokenAndRunNothing)
{
    ok("CREATE TABLE Usuarios (Registro nvarchar(10) NULL)");
    BatchResult r = run("INSERT INTO Usuarios (Registro) VALUES ('1'); SELECT Usuarios.* FROM Usuarios Where "
                        "(Registro Like '0'1'2') ORDER BY Nome");
    ASSERT_EQ(r.statements.size(), 1u);
    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(r.statements[0].messages[0].number, 102);
    EXPECT_EQ(r.statements[0].messages[0].severity, 15);
    EXPECT_EQ(r.statements[0].messages[0].text, "Incorrect syntax near '1'.");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Usuarios"), "0");
    EXPECT_EQ(error("SELECT * FROM").text, "Incorrect syntax near 'FROM'.");
    EXPECT_EQ(error("SELECT 1 FROMM T").text, "Incorrect syntax near 'T'.");
    // A word alone at the start of a batch names a procedure.
    EXPECT_EQ(error("SELEC 1").number, 2812);
    EXPECT_EQ(error("SELECT 'aberto").number, 105);
    EXPECT_EQ(error("CREATE TABLE T (a int,, b int)").text, "Incorrect syntax near ','.");
}

TEST_F(Batches, StatementErrorsLetTheBatchGoOnButNameErrorsEndIt)
{
    ok("CREATE TABLE T (a int NOT NULL)");
    BatchResult r = run("INSERT INTO T VALUES (NULL)\r\nINSERT INTO T VALUES (2)");
    ASSERT_EQ(r.statements.size(), 2u);
    EXPECT_TRUE(r.statements[0].failed);
    EXPECT_EQ(r.statements[0].messages.back().number, 3621);
    EXPECT_EQ(r.statements[1].rowCount, 1);
    r = run("SELECT nada FROM T; INSERT INTO T VALUES (3)");
    ASSERT_EQ(r.statements.size(), 1u);
    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "1");
}

TEST_F(Batches, DriverConnectOptionsAreAccepted)
{
    BatchResult r = run("SET TEXTSIZE 2147483647\nSET ANSI_NULLS ON\nSET QUOTED_IDENTIFIER ON\n"
                        "SET IMPLICIT_TRANSACTIONS OFF\nSET LOCK_TIMEOUT -1\nSET ANSI_WARNINGS, ANSI_PADDING ON;"
                        "SET TRANSACTION ISOLATION LEVEL READ COMMITTED SET NOCOUNT ON select @@version");
    ASSERT_FALSE(r.aborted);
    for (const auto& s : r.statements)
        EXPECT_FALSE(s.failed);
    EXPECT_TRUE(r.statements.back().resultSet.has_value());
}

TEST_F(Batches, VariablesConditionsAndPrint)
{
    ok("CREATE TABLE T (a int)");
    BatchResult r = run("DECLARE @n int = 2, @s nvarchar(20)\n"
                        "SET @s = 'dois'\n"
                        "IF @n > 1 BEGIN INSERT INTO T VALUES (@n) PRINT @s END ELSE PRINT 'nada'\n"
                        "WHILE @n < 5 BEGIN SET @n = @n + 1 INSERT INTO T VALUES (@n) END\n"
                        "SELECT @n = MAX(a) FROM T\n"
                        "PRINT @n");
    ASSERT_FALSE(r.aborted);
    QStringList printed;
    for (const auto& s : r.statements)
        for (const auto& m : s.messages)
            if (m.severity == 0)
                printed << m.text;
    EXPECT_EQ(printed, (QStringList{"dois", "5"}));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "4");
    EXPECT_EQ(error("SET @x = 1").number, 137);
}

TEST_F(Batches, ScriptsSplitAtGoLines)
{
    auto parts = splitBatches("CREATE TABLE A (x int)\r\nGO\r\n  go  \nINSERT INTO A VALUES (1)\nGO\n");
    ASSERT_EQ(parts.size(), 2u);
    BatchResult r = engine.executeScript(*session, "CREATE TABLE A (x int)\nGO\nINSERT INTO A VALUES (1)\nGO\n"
                                                   "INSERT INTO A VALUES ('x')\nGO\nINSERT INTO A VALUES (3)\n");
    EXPECT_TRUE(r.statements[0].failed);
    EXPECT_EQ(scalar("SELECT SUM(x) FROM A"), "1");
}

TEST_F(Batches, SessionsOpenOnlyKnownDatabases)
{
    ServerMessage m;
    EXPECT_EQ(engine.openSession("sa", "h", "Nada", &m), nullptr);
    EXPECT_EQ(m.number, 4060);
    EXPECT_EQ(m.text, "Cannot open database \"Nada\" requested by the login. The login failed.");
    auto other = engine.openSession("sa", "h", "orvo");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->currentDatabase(), "ORVO");
    EXPECT_NE(other->spid, session->spid);
}

TEST_F(Batches, ArbitraryInputNeverCrashes)
{
    // Cut every statement form at every token boundary: each piece parses or fails with a message.
    const QString full = "CREATE TABLE dbo.[Itens Nota](IdItem int IDENTITY (1, 1) NOT NULL, Descr nvarchar(65) NULL "
                         "CONSTRAINT DF_X DEFAULT 'a', CONSTRAINT [PK_x] PRIMARY KEY CLUSTERED ( [IdItem] ASC )WITH "
                         "(PAD_INDEX = OFF) ON [PRIMARY]) ON [PRIMARY]; SELECT TOP 1 PERCENT t.*, x = CASE WHEN a "
                         "IS NULL THEN 1 ELSE 2 END FROM (SELECT 1 AS a) AS t INNER JOIN [Itens Nota] i ON i.IdItem = "
                         "t.a WHERE a LIKE '[a-c]%' GROUP BY a ORDER BY 1 DESC";
    for (int i = 0; i <= full.size(); ++i) {
        BatchResult r = run(full.left(i));
        for (const auto& s : r.statements)
            for (const auto& m : s.messages)
                EXPECT_FALSE(m.text.isEmpty());
    }
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

using Transactions = EngineTest;

TEST_F(Transactions, EndingASessionTakesBackItsOpenTransaction)
{
    ok("CREATE TABLE T (a int)");
    ok("INSERT INTO T VALUES (1)");
    auto other = engine.openSession(QStringLiteral("sa"), QStringLiteral("estacao02"), QStringLiteral("ORVO"));
    ASSERT_TRUE(other);
    auto inOther = [&](const QString& sql) {
        BatchResult r = engine.execute(*other, sql);
        for (const auto& st : r.statements)
            for (const auto& m : st.messages)
                EXPECT_LE(m.severity, 10) << m.text.toStdString();
    };
    inOther("BEGIN TRAN; INSERT INTO T VALUES (2); UPDATE T SET a = a + 100");
    inOther("BEGIN TRAN; DELETE FROM T WHERE a = 101");
    EXPECT_EQ(scalar("SELECT SUM(a) FROM T"), "102");
    other.reset();
    EXPECT_EQ(scalar("SELECT SUM(a) FROM T"), "1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "1");

    // A committed transaction stays when its session ends.
    other = engine.openSession(QStringLiteral("sa"), QStringLiteral("estacao02"), QStringLiteral("ORVO"));
    ASSERT_TRUE(other);
    inOther("BEGIN TRAN; INSERT INTO T VALUES (3); COMMIT");
    other.reset();
    EXPECT_EQ(scalar("SELECT SUM(a) FROM T"), "4");
}

TEST_F(Transactions, RollbackTakesBackEveryStatementSinceBegin)
{
    ok("CREATE TABLE T (a int)");
    ok("INSERT INTO T VALUES (1)");
    ok("BEGIN TRAN");
    ok("INSERT INTO T VALUES (2)");
    ok("UPDATE T SET a = a * 10");
    ok("SAVE TRAN meio");
    ok("DELETE FROM T");
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "1");
    ok("ROLLBACK TRAN meio");
    EXPECT_EQ(scalar("SELECT SUM(a) FROM T"), "30");
    ok("ROLLBACK");
    EXPECT_EQ(scalar("SELECT SUM(a) FROM T"), "1");
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
    ok("BEGIN TRANSACTION; INSERT INTO T VALUES (5); COMMIT");
    EXPECT_EQ(scalar("SELECT SUM(a) FROM T"), "6");
    EXPECT_EQ(error("COMMIT").number, 3902);
    EXPECT_EQ(error("ROLLBACK").number, 3903);
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

using DataTypeInfo = EngineTest;

TEST_F(DataTypeInfo, OdbcDriversReadTheTypesOnConnect)
{
    StatementResult all = ok("exec sp_datatype_info_100");
    ASSERT_TRUE(all.resultSet);
    QStringList names;
    for (const ColumnInfo& c : all.resultSet->columns)
        names << c.name;
    EXPECT_EQ(names.join(','), "TYPE_NAME,DATA_TYPE,PRECISION,LITERAL_PREFIX,LITERAL_SUFFIX,CREATE_PARAMS,NULLABLE,"
                               "CASE_SENSITIVE,SEARCHABLE,UNSIGNED_ATTRIBUTE,MONEY,AUTO_INCREMENT,LOCAL_TYPE_NAME,"
                               "MINIMUM_SCALE,MAXIMUM_SCALE,SQL_DATA_TYPE,SQL_DATETIME_SUB,NUM_PREC_RADIX,"
                               "INTERVAL_PRECISION,USERTYPE");
    // Every type the engine can declare is listed once, each row as wide as the header.
    QStringList types;
    for (const auto& row : all.resultSet->rows) {
        ASSERT_EQ(row.size(), all.resultSet->columns.size());
        types << toText(row[0]);
        EXPECT_EQ(parseTypeName(toText(row[0])).id, parseTypeName(toText(row[12])).id);
    }
    EXPECT_EQ(all.rowCount, types.size());
    EXPECT_EQ(types.removeDuplicates(), 0);
    for (const char* t : {"int", "nvarchar", "datetime", "uniqueidentifier", "decimal", "varbinary", "bit"})
        EXPECT_TRUE(types.contains(QLatin1String(t))) << t;

    // Filtered by the ODBC type number: 11 is a timestamp under ODBC 2, 93 under ODBC 3.
    auto stamps = rows("exec sp_datatype_info_100 11");
    ASSERT_FALSE(stamps.empty());
    for (const QStringList& r : stamps)
        EXPECT_EQ(r[1], "11") << r[0].toStdString();
    EXPECT_EQ(stamps[0].size(), 20);
    auto every3 = rows("EXEC sp_datatype_info 0, 3");
    ASSERT_EQ(every3.size(), size_t(types.size()));
    for (size_t i = 1; i < every3.size(); ++i)
        EXPECT_LE(every3[i - 1][1].toInt(), every3[i][1].toInt());
    auto v3 = rows("EXEC sp_datatype_info @data_type = 93, @ODBCVer = 3");
    EXPECT_EQ(v3.size(), stamps.size());
    ASSERT_FALSE(v3.empty());
    EXPECT_EQ(v3[0][15], "9");
    EXPECT_EQ(v3[0][16], "3");
    auto ints = rows("sp_datatype_info 4");
    ASSERT_EQ(ints.size(), 1u);
    EXPECT_EQ(ints[0].mid(0, 3), (QStringList{"int", "4", "10"}));
    EXPECT_EQ(ints[0][3], "NULL");
    auto wide = rows("exec sp_datatype_info -9");
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0][3], "N'");
    EXPECT_TRUE(rows("exec sp_datatype_info 12345").empty());
    EXPECT_EQ(error("exec sp_datatype_info @tipo = 4").number, 8145);
}

}  // namespace
}  // namespace standin::test
