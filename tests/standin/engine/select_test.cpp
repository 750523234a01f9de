// Reading rows: the query forms the administration tool sends and what SQL Server answers.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

class Select : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE dbo.Usuarios (RGUser uniqueidentifier NOT NULL DEFAULT NEWID(), Registro nvarchar(10) NULL, "
           "Nome nvarchar(25) NULL, Senha nvarchar(10) NULL, IdUser int IDENTITY(1,1) NOT NULL)");
        ok("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('1001', 'x', 'Carla')");
        ok("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('1002', 'y', 'ana')");
        ok("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('2001', 'z', 'Bruno')");
        ok("CREATE TABLE PessoaFJ (IdPess int NOT NULL, Marca nvarchar(15) NULL, [Razão] nvarchar(100) NULL, "
           "Cidade nvarchar(32) NULL, Ativa bit NOT NULL)");
        ok("INSERT INTO PessoaFJ VALUES (1, 'ORVO', 'Orvo Ind. Ltda', 'Jundiaí', 1), (2, 'OLD', 'Velha', 'X', 0)");
    }
};

TEST_F(Select, UserListIsOrderedByNameIgnoringCase)
{
    auto r = rows("SELECT Usuarios.*\r\nFROM        Usuarios\r\nORDER BY Nome");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][2], "ana");
    EXPECT_EQ(r[1][2], "Bruno");
    EXPECT_EQ(r[2][2], "Carla");
    EXPECT_EQ(r[0].size(), 5);
}

TEST_F(Select, ResultColumnsCarryTypesAndTheIdentityFlag)
{
    StatementResult r = ok("SELECT Usuarios.* FROM Usuarios");
    ASSERT_TRUE(r.resultSet);
    const auto& cols = r.resultSet->columns;
    ASSERT_EQ(cols.size(), 5u);
    EXPECT_EQ(cols[0].type.id, TypeId::UniqueIdentifier);
    EXPECT_FALSE(cols[0].nullable);
    EXPECT_EQ(cols[2].type, (SqlType{TypeId::NVarChar, 25, 0, 0}));
    EXPECT_TRUE(cols[4].identity);
    EXPECT_EQ(cols[4].baseTable, "Usuarios");
    EXPECT_EQ(cols[4].baseColumn, "IdUser");
    EXPECT_EQ(r.rowCount, 3);
}

TEST_F(Select, TrailingBlanksInLikeCountOnlyForUnicodeText)
{
    ok("CREATE TABLE Etq (Cod int, Curto char(6) NULL, Largo nchar(6) NULL)");
    ok("INSERT INTO Etq VALUES (1, 'abc', N'abc')");
    // char(6) keeps 'abc   ': non-Unicode text ignores its trailing blanks; nchar(6) does not.
    EXPECT_EQ(rows("SELECT Cod FROM Etq WHERE Curto LIKE 'abc'").size(), 1u);
    EXPECT_EQ(rows("SELECT Cod FROM Etq WHERE Largo LIKE N'abc'").size(), 0u);
    EXPECT_EQ(rows("SELECT Cod FROM Etq WHERE Largo LIKE 'abc'").size(), 0u);
    EXPECT_EQ(rows("SELECT Cod FROM Etq WHERE Largo LIKE N'abc%'").size(), 1u);
    EXPECT_EQ(rows("SELECT Cod FROM Etq WHERE Curto NOT LIKE N'abc'").size(), 1u);
    EXPECT_EQ(rows("SELECT Cod FROM Etq WHERE Curto LIKE NULL OR NOT (Largo LIKE NULL)").size(), 0u);
    EXPECT_EQ(scalar("SELECT CASE WHEN 'x ' LIKE 'x' THEN 1 ELSE 0 END + "
                     "CASE WHEN N'x ' LIKE 'x' THEN 10 ELSE 0 END + CASE WHEN 12 LIKE '1%' THEN 100 ELSE 0 END"), "101");
}

TEST_F(Select, RegistrationSearchWithLikeAndTopPercent)
{
    auto r = rows("SELECT Usuarios.* FROM Usuarios Where (Registro Like '100%') ORDER BY Nome");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0][1], "1002");
    EXPECT_EQ(rows("SELECT Registro FROM Usuarios WHERE Registro LIKE '1_0[12]' ORDER BY Registro").size(), 2u);
    EXPECT_EQ(rows("SELECT Registro FROM Usuarios WHERE Registro LIKE '[^1]%'").size(), 1u);
    // One percent of three rows rounds up to one row.
    auto one = rows("SELECT TOP 1 PERCENT Usuarios.* FROM Usuarios Where (Registro = '2001') ORDER BY Nome");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0][2], "Bruno");
    EXPECT_EQ(rows("SELECT TOP 1 PERCENT Nome FROM Usuarios").size(), 1u);
    EXPECT_EQ(rows("SELECT TOP 34 PERCENT Nome FROM Usuarios").size(), 2u);
    EXPECT_EQ(rows("SELECT TOP 2 Nome FROM Usuarios ORDER BY Nome DESC")[1][0], "Bruno");
}

TEST_F(Select, ActiveCompanyWithAccentedColumn)
{
    auto r = rows("SELECT  Marca, Razão, Cidade, IdPess FROM PessoaFJ WHERE (Ativa = 1)");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (QStringList{"ORVO", "Orvo Ind. Ltda", "Jundiaí", "1"}));
    EXPECT_EQ(scalar("SELECT [Razão] FROM dbo.[PessoaFJ] WHERE Cidade = 'JUNDIAÍ'"), "Orvo Ind. Ltda");
}

TEST_F(Select, ComparisonIgnoresCaseAndTrailingBlanksButNotAccents)
{
    EXPECT_EQ(rows("SELECT Nome FROM Usuarios WHERE Nome = 'ANA   '").size(), 1u);
    EXPECT_EQ(rows("SELECT Nome FROM Usuarios WHERE Nome = 'Âna'").size(), 0u);
    EXPECT_EQ(rows("SELECT Nome FROM usuarios WHERE NOME like 'b%'").size(), 1u);
}

TEST_F(Select, CaseAliasesExpressionsAndNulls)
{
    ok("UPDATE Usuarios SET Senha = NULL WHERE Registro = '2001'");
    auto r = rows("SELECT Nome AS n, Ativou = CASE WHEN Senha IS NULL THEN 'sem' ELSE 'com' END, "
                  "CAST('12' AS integer) + 1 total FROM Usuarios ORDER BY n");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1], (QStringList{"Bruno", "sem", "13"}));
    StatementResult s = ok("SELECT Nome AS n, Ativou = CASE WHEN Senha IS NULL THEN 'sem' ELSE 'com' END FROM Usuarios");
    EXPECT_EQ(s.resultSet->columns[0].name, "n");
    EXPECT_EQ(s.resultSet->columns[1].name, "Ativou");
    EXPECT_EQ(rows("SELECT Nome FROM Usuarios WHERE Senha IS NOT NULL").size(), 2u);
}

TEST_F(Select, JoinsDerivedTablesAndGrouping)
{
    ok("CREATE TABLE Itens (IdPess int, Valor money)");
    ok("INSERT INTO Itens VALUES (1, 10.5), (1, 4.5), (2, 1)");
    auto r = rows("SELECT p.Marca, SUM(i.Valor) AS total, COUNT(*) AS n FROM PessoaFJ p INNER JOIN Itens i ON "
                  "p.IdPess = i.IdPess GROUP BY p.Marca ORDER BY total DESC");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], (QStringList{"ORVO", "15.00", "2"}));
    auto d = rows("SELECT t1.m FROM (SELECT Marca AS m FROM PessoaFJ WHERE Ativa = 0) AS t1");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0][0], "OLD");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Usuarios WHERE Nome = 'ninguém'"), "0");
    EXPECT_EQ(scalar("SELECT MAX(IdUser) FROM Usuarios"), "3");
}

TEST_F(Select, StringFunctionsAndNumericTests)
{
    EXPECT_EQ(scalar("SELECT SUBSTRING('nff-123456-0001', 5, 6)"), "123456");
    EXPECT_EQ(scalar("SELECT ISNUMERIC(SUBSTRING('nff-12a456', 5, 6))"), "0");
    EXPECT_EQ(scalar("SELECT ISNUMERIC('123456')"), "1");
    EXPECT_EQ(scalar("SELECT CAST(SUBSTRING('nff-000042', 5, 6) AS integer)"), "42");
    EXPECT_EQ(scalar("SELECT LEN('abc  ')"), "3");
}

TEST_F(Select, ServerAndSessionFunctions)
{
    EXPECT_TRUE(scalar("select @@version").startsWith("Microsoft SQL Server"));
    EXPECT_EQ(scalar("SELECT @@SPID"), QString::number(session->spid));
    EXPECT_EQ(scalar("SELECT DB_NAME()"), "ORVO");
    EXPECT_EQ(scalar("SELECT HOST_NAME()"), "estacao01");
    EXPECT_EQ(scalar("SELECT SYSTEM_USER"), "sa");
    EXPECT_EQ(scalar("SELECT SUSER_SNAME()"), "sa");
    EXPECT_EQ(scalar("SELECT SERVERPROPERTY('ProductVersion')").section('.', 0, 0), "15");
    EXPECT_EQ(scalar("SELECT CAST(GetDate() AS date)"), QDate::currentDate().toString(Qt::ISODate));
}

TEST_F(Select, UnknownNamesFailWithTheirNumbers)
{
    ServerMessage m = error("SELECT Nada FROM Usuarios");
    EXPECT_EQ(m.number, 207);
    EXPECT_EQ(m.text, "Invalid column name 'Nada'.");
    m = error("SELECT * FROM dbo.Nenhuma");
    EXPECT_EQ(m.number, 208);
    EXPECT_EQ(m.text, "Invalid object name 'dbo.Nenhuma'.");
    m = error("SELECT x.Nome FROM Usuarios");
    EXPECT_EQ(m.number, 4104);
}

TEST_F(Select, SeveralDatabasesThreePartNamesAndUse)
{
    ASSERT_TRUE(engine.createDatabase("Filial"));
    ok("CREATE TABLE Filial.dbo.Jobs (Estado int)");
    ok("INSERT INTO Filial.dbo.Jobs VALUES (7)");
    EXPECT_EQ(scalar("SELECT Estado FROM Filial.dbo.Jobs"), "7");
    EXPECT_EQ(error("SELECT Estado FROM Jobs").number, 208);
    BatchResult use = run("USE filial; SELECT Estado FROM Jobs");
    ASSERT_EQ(use.statements.size(), 2u);
    EXPECT_EQ(session->currentDatabase(), "Filial");
    EXPECT_EQ(use.statements[1].resultSet->rows.size(), 1u);
    EXPECT_EQ(error("USE Nenhum").number, 911);
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

using Joins = EngineTest;

TEST_F(Joins, EqualityJoinsFollowTheCollation)
{
    ok("CREATE TABLE A (k nvarchar(20), v int)");
    ok("CREATE TABLE B (k nvarchar(20), w int)");
    ok("INSERT INTO A VALUES ('Peças', 1), ('abc  ', 2), ('Pecas', 3), (NULL, 4)");
    ok("INSERT INTO B VALUES ('PEÇAS', 10), ('ABC', 20), ('abc', 30), (NULL, 40)");
    auto r = rows("SELECT A.v, B.w FROM A INNER JOIN B ON A.k = B.k ORDER BY A.v, B.w");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], (QStringList{"1", "10"}));
    EXPECT_EQ(r[1], (QStringList{"2", "20"}));
    EXPECT_EQ(r[2], (QStringList{"2", "30"}));
    // Plain ASCII keys take the quick path and still ignore case and trailing blanks.
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM A INNER JOIN B ON A.k = B.k WHERE A.v = 2"), "2");
    auto left = rows("SELECT A.v, B.w FROM A LEFT JOIN B ON A.k = B.k AND B.w > 15 ORDER BY A.v, B.w");
    ASSERT_EQ(left.size(), 5u);
    EXPECT_EQ(left[0], (QStringList{"1", "NULL"}));
    EXPECT_EQ(left[4], (QStringList{"4", "NULL"}));
    ok("UPDATE A SET v = B.w FROM A INNER JOIN B ON A.k = B.k WHERE B.w = 10");
    EXPECT_EQ(scalar("SELECT v FROM A WHERE k = 'peças'"), "10");
}

}  // namespace
}  // namespace standin::test
