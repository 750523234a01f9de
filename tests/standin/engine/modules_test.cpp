// Triggers, procedures and scalar functions: creation rules, the catalog, calls, nesting and undo.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

using Modules = EngineTest;

int firstErrorNumber(const BatchResult& r)
{
    for (const auto& s : r.statements)
        for (const auto& m : s.messages)
            if (m.severity > 10)
                return m.number;
    return 0;
}

TEST_F(Modules, CreationMustOpenItsBatchAndNamesAreUniqueAcrossKinds)
{
    ok("CREATE TABLE T (a int)");
    // Not the first statement: 111, and nothing of the batch runs.
    ServerMessage m = error("INSERT INTO T VALUES (1)\nCREATE PROCEDURE p AS SELECT 1");
    EXPECT_EQ(m.number, 111);
    EXPECT_EQ(m.text, "'CREATE/ALTER PROCEDURE' must be the first statement in a query batch.");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "0");
    EXPECT_EQ(error("SELECT 1\nCREATE FUNCTION dbo.f() RETURNS int AS BEGIN RETURN 1 END").text,
              "'CREATE FUNCTION' must be the first statement in a query batch.");
    // A trigger creation followed by an ALTER in one batch fails whole: no trigger is left.
    BatchResult r = run("CREATE TRIGGER tr ON T AFTER INSERT AS UPDATE T SET a = a\nALTER TRIGGER tr2 ON T FOR INSERT AS "
                        "SELECT 1");
    EXPECT_EQ(firstErrorNumber(r), 111);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.triggers"), "0");

    ok("CREATE PROCEDURE dbo.p AS SELECT 1");
    EXPECT_EQ(error("CREATE PROC p AS SELECT 2").number, 2714);
    EXPECT_EQ(error("CREATE FUNCTION T() RETURNS int AS BEGIN RETURN 1 END").number, 2714);  // a table's name
    EXPECT_EQ(error("CREATE TABLE p (x int)").number, 2714);
    EXPECT_EQ(error("CREATE TRIGGER tr ON Falta AFTER INSERT AS SELECT 1").number, 8197);
    EXPECT_EQ(error("ALTER PROCEDURE nada AS SELECT 1").number, 208);
    // Drops: bare, bracketed, with dbo., followed by a CR or a blank; a missing object is 3701.
    ok("CREATE TRIGGER [GNR_T] ON dbo.T FOR INSERT, UPDATE AS SELECT 1");
    ok("DROP trigger [dbo].GNR_T\r");
    ok("DROP PROCEDURE [dbo].[p] ");
    m = error("DROP trigger GNR_T");
    EXPECT_EQ(m.number, 3701);
    EXPECT_EQ(m.severity, 11);
    EXPECT_EQ(m.text, "Cannot drop the trigger 'GNR_T', because it does not exist or you do not have permission.");
    EXPECT_EQ(error("DROP FUNCTION First_Day_Month").number, 3701);
    ok("DROP PROCEDURE IF EXISTS p");
}

TEST_F(Modules, DeferredNameResolutionAndColumnsCheckedAtCreation)
{
    ok("CREATE TABLE T (a int, b int)");
    // A missing table is resolved when the procedure runs.
    ok("CREATE PROCEDURE p AS SELECT x FROM AindaNao");
    EXPECT_EQ(error("EXEC p").number, 208);
    // A missing column of an existing table fails the creation.
    EXPECT_EQ(error("CREATE PROCEDURE q AS SELECT nada FROM T").number, 207);
    EXPECT_EQ(error("CREATE TRIGGER tr ON T AFTER INSERT AS UPDATE T SET c = 1").number, 207);
    EXPECT_EQ(error("CREATE TRIGGER tr ON T AFTER INSERT AS SELECT i.zz FROM inserted i").number, 207);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.objects WHERE type IN ('P', 'TR')"), "1");
}

TEST_F(Modules, AmbiguousOrMissingColumnsRefuseTheCreationUnlessATableIsStillMissing)
{
    ok("CREATE TABLE A (Id int, V int)");
    ok("CREATE TABLE B (Id int, W int)");
    const char *refused[][2] = {
        {"CREATE PROCEDURE p1 AS SELECT Id FROM A JOIN B ON A.Id = B.Id", "209"},
        {"CREATE TRIGGER t1 ON A AFTER UPDATE AS UPDATE A SET V = 1 FROM A JOIN inserted i ON i.Id = A.Id WHERE Id > 0",
         "209"},
        {"CREATE PROCEDURE p2 AS IF EXISTS (SELECT 1 FROM B WHERE Nada = 1) PRINT 'x'", "207"},
        {"CREATE PROCEDURE p3 AS DECLARE @x int; SET @x = (SELECT TOP 1 Zz FROM A)", "207"},
        {"CREATE FUNCTION f1 () RETURNS int AS BEGIN RETURN (SELECT MAX(W) FROM A) END", "207"},
        {"CREATE PROCEDURE p4 AS INSERT INTO B (Id, W) SELECT Id, V FROM A JOIN B b2 ON b2.Id = A.Id", "209"},
    };
    for (const auto &c : refused)
        EXPECT_EQ(QString::number(error(QLatin1String(c[0])).number), QLatin1String(c[1])) << c[0];
    // A statement that names a table not created yet waits for its run, whatever else it names.
    ok("CREATE PROCEDURE Depois AS SELECT A.Nada FROM A JOIN Futura f ON f.Id = A.Id");
    EXPECT_EQ(error("EXEC Depois").number, 208);
    // Qualified names and an aliased target bind.
    ok("CREATE PROCEDURE Certo AS UPDATE A SET V = B.W FROM A a2 JOIN B ON B.Id = a2.Id WHERE a2.V IS NULL");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.objects WHERE type IN ('P', 'TR', 'FN')"), "2");
}

TEST_F(Modules, CatalogViewsShowModulesWithTheirExactText)
{
    ok("CREATE TABLE Kardex (IdKardex int IDENTITY(1,1) PRIMARY KEY, Qtd int)");
    const QString text = QStringLiteral("-- Transição entre as versões\rCREATE TRIGGER GNR_UP_Kardex_Novo ON [dbo].[Kardex]\r\n"
                                        "AFTER INSERT AS\nSELECT 1 -- fim\n");
    ok(text);
    ok("CREATE PROCEDURE Evol_Invent_Kardex @ProductID int AS SELECT @ProductID");
    ok("CREATE FUNCTION dbo.First_Day_Month (@d datetime) RETURNS datetime AS BEGIN RETURN @d END");
    auto objects = rows("SELECT name, type, type_desc FROM sys.objects WHERE type IN ('TR', 'P', 'FN') ORDER BY name");
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0], (QStringList{"Evol_Invent_Kardex", "P ", "SQL_STORED_PROCEDURE"}));
    EXPECT_EQ(objects[1], (QStringList{"First_Day_Month", "FN", "SQL_SCALAR_FUNCTION"}));
    EXPECT_EQ(objects[2], (QStringList{"GNR_UP_Kardex_Novo", "TR", "SQL_TRIGGER"}));
    EXPECT_EQ(scalar("SELECT definition FROM sys.sql_modules WHERE object_id = OBJECT_ID('GNR_UP_Kardex_Novo')"), text);
    EXPECT_EQ(scalar("SELECT OBJECT_DEFINITION(OBJECT_ID('dbo.GNR_UP_Kardex_Novo', 'TR'))"), text);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.triggers t WHERE t.parent_id = OBJECT_ID('Kardex') AND t.is_disabled = 0 "
                     "AND t.type = 'TR' AND t.modify_date >= t.create_date"),
              "1");
    EXPECT_EQ(scalar("SELECT ISNULL(OBJECT_ID('GNR_UP_Kardex_Novo', 'P'), -1)"), "-1");
    EXPECT_EQ(scalar("SELECT OBJECT_NAME(OBJECT_ID('Evol_Invent_Kardex', 'P'))"), "Evol_Invent_Kardex");
    // ALTER keeps the object id and creation date, and the new text.
    const QString id = scalar("SELECT OBJECT_ID('Evol_Invent_Kardex')");
    ok("ALTER PROCEDURE Evol_Invent_Kardex @ProductID int AS SELECT @ProductID + 1");
    EXPECT_EQ(scalar("SELECT OBJECT_ID('Evol_Invent_Kardex')"), id);
    EXPECT_TRUE(scalar("SELECT OBJECT_DEFINITION(OBJECT_ID('Evol_Invent_Kardex'))").startsWith("ALTER PROCEDURE"));
    // The guard older scripts put before a drop.
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sysobjects WHERE id = OBJECT_ID(N'[dbo].[GNR_UP_Kardex_Novo]') AND "
                     "OBJECTPROPERTY(id, N'IsTrigger') = 1 AND xtype = 'TR' AND parent_obj = OBJECT_ID('Kardex')"),
              "1");
    EXPECT_EQ(scalar("SELECT OBJECTPROPERTY(OBJECT_ID('Evol_Invent_Kardex'), 'IsTrigger') + "
                     "OBJECTPROPERTY(OBJECT_ID('Evol_Invent_Kardex'), 'IsProcedure') * 10"),
              "10");
    // Dropping the table drops its trigger.
    ok("DROP TABLE Kardex");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.triggers"), "0");
}

TEST_F(Modules, ProceduresTakeParametersDefaultsOutputAndReturnStatus)
{
    ok("CREATE TABLE T (a int, b nvarchar(10))");
    ok("CREATE PROCEDURE dbo.Poe @a int, @b nvarchar(10) = N'padrão', @n int = NULL OUTPUT AS\n"
       "SET NOCOUNT ON\nINSERT INTO T VALUES (@a, @b)\nSELECT @n = COUNT(*) FROM T\nIF @a < 0 RETURN 7\nRETURN");
    ok("EXEC Poe 1");
    ok("EXECUTE dbo.Poe @b = 'dois', @a = 2");
    ok("DECLARE @r int, @k int\nEXEC @r = Poe -1, 'x', @k OUTPUT\nINSERT INTO T VALUES (@r, CAST(@k AS nvarchar(10)))");
    EXPECT_EQ(rows("SELECT a, b FROM T ORDER BY a"),
              (std::vector<QStringList>{{"-1", "x"}, {"1", "padrão"}, {"2", "dois"}, {"7", "3"}}));
    EXPECT_EQ(error("EXEC Poe").number, 201);
    EXPECT_EQ(error("EXEC Poe 1, 'a', NULL, 4").number, 8144);
    EXPECT_EQ(error("EXEC Poe @z = 1").number, 8145);
    EXPECT_EQ(error("EXEC Nada").number, 2812);
    // NOCOUNT inside the procedure: its statements give no counts, and it lasts only for the call.
    BatchResult r = run("EXEC Poe 5\nINSERT INTO T VALUES (6, 'y')");
    ASSERT_FALSE(r.statements.empty());
    for (const auto& s : r.statements) {
        if (s.inProcedure) {
            EXPECT_EQ(s.rowCount, -1);
        }
    }
    EXPECT_EQ(r.statements.back().rowCount, 1);
}

TEST_F(Modules, ProcedureStatementErrorsEndOnlyThatStatement)
{
    ok("CREATE TABLE T (a int PRIMARY KEY)");
    ok("CREATE PROCEDURE p AS INSERT INTO T VALUES (1) INSERT INTO T VALUES (1) INSERT INTO T VALUES (2)");
    BatchResult r = run("EXEC p");
    EXPECT_EQ(firstErrorNumber(r), 2627);
    EXPECT_FALSE(r.aborted);
    EXPECT_EQ(rows("SELECT a FROM T ORDER BY a"), (std::vector<QStringList>{{"1"}, {"2"}}));
    // A name error inside a procedure ends the whole batch.
    ok("CREATE PROCEDURE q AS SELECT * FROM Falta INSERT INTO T VALUES (3)");
    r = run("EXEC q\nINSERT INTO T VALUES (4)");
    EXPECT_EQ(firstErrorNumber(r), 208);
    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM T"), "2");
    // Recursion stops at 32 levels.
    ok("CREATE PROCEDURE fundo @n int AS SET @n = @n + 1 EXEC fundo @n");
    EXPECT_EQ(error("EXEC fundo 0").number, 217);
}

TEST_F(Modules, DayNumbersAndAccentFreeTextsAsTheInstalledFunctionsComputeThem)
{
    ok("CREATE FUNCTION First_Day_Month (@dta datetime) RETURNS int AS\nBEGIN\n"
       "  RETURN CAST(DATEADD(year, YEAR(@dta) - 1900, DATEADD(month, MONTH(@dta), DATEADD(day, 1, 0))) - 1.5 AS int)\nEND");
    EXPECT_EQ(rows("SELECT dbo.First_Day_Month('2024-03-15') - CAST(CAST('2024-04-01' AS datetime) AS int), "
                   "dbo.First_Day_Month('2024-12-31 23:59') - CAST(CAST('2025-01-01' AS datetime) AS int), "
                   "dbo.First_Day_Month(NULL)"),
              (std::vector<QStringList>{{"0", "0", "NULL"}}));
    ok("CREATE FUNCTION Remover_acento (@Texto varchar(8000)) RETURNS varchar(50) AS\nBEGIN\n"
       "  DECLARE @T varchar(50)\n"
       "  SET @T = REPLACE(REPLACE(REPLACE(REPLACE(@Texto, 'á', 'a'), 'à', 'a'), 'ã', 'a'), 'â', 'a')\n"
       "  SET @T = REPLACE(REPLACE(REPLACE(@T, 'é', 'e'), 'è', 'e'), 'ê', 'e')\n"
       "  SET @T = REPLACE(REPLACE(REPLACE(REPLACE(@T, 'ó', 'o'), 'ò', 'o'), 'ô', 'o'), 'õ', 'o')\n"
       "  SET @T = REPLACE(REPLACE(REPLACE(REPLACE(@T, 'ú', 'u'), 'ù', 'u'), 'û', 'u'), 'ü', 'u')\n"
       "  SET @T = REPLACE(REPLACE(@T, 'ç', 'c'), ',', '.')\n"
       "  RETURN UPPER(@T)\nEND");
    EXPECT_EQ(rows("SELECT dbo.Remover_acento('Conexão, peça'), dbo.Remover_acento('AÇÚCAR'), "
                   "LEN(dbo.Remover_acento(REPLICATE('a', 60))), dbo.Remover_acento(NULL)"),
              (std::vector<QStringList>{{"CONEXAO. PECA", "ACUCAR", "50", "NULL"}}));
}

TEST_F(Modules, ScalarFunctionsStandAnywhereAnExpressionStands)
{
    ok("CREATE TABLE T (d datetime, s nvarchar(40))");
    ok("CREATE FUNCTION dbo.First_Day_Month (@d datetime) RETURNS datetime AS\nBEGIN\n"
       "  RETURN DATEADD(day, 1 - DAY(@d), CAST(CONVERT(varchar(10), @d, 112) AS datetime))\nEND");
    ok("CREATE FUNCTION Dobro (@n int) RETURNS int AS BEGIN DECLARE @r int SET @r = @n * 2 RETURN @r END");
    ok("CREATE FUNCTION Fat (@n int) RETURNS bigint AS BEGIN IF @n <= 1 RETURN 1 RETURN @n * dbo.Fat(@n - 1) END");
    ok("INSERT INTO T VALUES ('2024-03-17 10:30', 'x'), ('2024-02-29', 'y')");
    EXPECT_EQ(rows("SELECT CONVERT(varchar(10), dbo.First_Day_Month(d), 120) FROM T WHERE dbo.Dobro(2) = 4 ORDER BY d"),
              (std::vector<QStringList>{{"2024-02-01"}, {"2024-03-01"}}));
    EXPECT_EQ(scalar("SELECT dbo.Fat(10)"), "3628800");
    ok("UPDATE T SET s = CAST(dbo.Dobro(21) AS nvarchar(40)) WHERE s = 'x'");
    EXPECT_EQ(scalar("SELECT s FROM T WHERE s <> 'y'"), "42");
    StatementResult r = ok("SELECT dbo.Dobro(1) AS v");
    ASSERT_TRUE(r.resultSet);
    EXPECT_EQ(r.resultSet->columns[0].type.id, TypeId::Int);
    // An unqualified call is not a built-in: 195; a missing function with dbo.: 4121.
    EXPECT_EQ(error("SELECT Dobro(1)").number, 195);
    EXPECT_EQ(error("SELECT dbo.Nada(1)").number, 4121);
    EXPECT_EQ(error("SELECT dbo.Dobro(1, 2)").number, 8144);
    EXPECT_EQ(error("SELECT dbo.Fat(40)").number, 217);
}

}  // namespace
}  // namespace standin::test
