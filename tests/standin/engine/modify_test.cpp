// Writing rows: inserts, updates and deletes as the tool sends them, with SQL Server's checks.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

class Modify : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE dbo.Usuarios (RGUser uniqueidentifier NOT NULL CONSTRAINT DF_Usuarios_RGUser DEFAULT NEWID(), "
           "Registro nvarchar(10) NOT NULL, Nome nvarchar(25) NULL, Senha nvarchar(10) NULL, "
           "Vendas0 bit NOT NULL DEFAULT 0, Vendas1 bit NOT NULL DEFAULT 0, ComprasFLAGS char(30) NULL, "
           "IdUser int IDENTITY(1,1) NOT NULL, CONSTRAINT [PK_Usuarios] PRIMARY KEY CLUSTERED ( [IdUser] ASC ))");
    }
    int count(const QString& table) { return scalar("SELECT COUNT(*) FROM " + table).toInt(); }
};

TEST_F(Modify, CreatingAUserFillsDefaultsAndIdentity)
{
    EXPECT_EQ(ok("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('1001', 'abc', 'Ana')").rowCount, 1);
    ok("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('1002', 'abc', 'Bia')");
    auto r = rows("SELECT RGUser, Vendas0, IdUser FROM Usuarios ORDER BY IdUser");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0][1], "0");
    EXPECT_EQ(r[0][2], "1");
    EXPECT_EQ(r[1][2], "2");
    EXPECT_EQ(r[0][0].size(), 36);
    EXPECT_NE(r[0][0], r[1][0]);
    EXPECT_EQ(scalar("SELECT @@IDENTITY"), "2");
}

TEST_F(Modify, DeletingByTheBracedRowGuid)
{
    ok("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('1001', 'abc', 'Ana')");
    ok("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('1002', 'abc', 'Bia')");
    const QString guid = scalar("SELECT RGUser FROM Usuarios WHERE Registro = '1001'");
    EXPECT_EQ(ok("DELETE Usuarios WHERE (RGUser = '{" + guid.toLower() + "}')").rowCount, 1);
    EXPECT_EQ(count("Usuarios"), 1);
    EXPECT_EQ(ok("DELETE Usuarios WHERE (RGUser = '" + guid + "')").rowCount, 0);
}

TEST_F(Modify, TooLongTextIsRefusedAndNothingChanges)
{
    ServerMessage m = error("INSERT INTO Usuarios (Registro, Senha, Nome ) Values ('1001', 'abc', "
                            "'Um nome bem comprido demais para a coluna')");
    EXPECT_EQ(m.number, 8152);
    EXPECT_EQ(m.text, "String or binary data would be truncated.");
    EXPECT_EQ(count("Usuarios"), 0);
    ok("INSERT INTO Usuarios (Registro, Nome) Values ('1', 'a'), ('2', 'b')");
    EXPECT_EQ(error("UPDATE Usuarios SET Nome = Nome + 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' WHERE Registro = '2'").number, 8152);
    EXPECT_EQ(scalar("SELECT Nome FROM Usuarios WHERE Registro = '2'"), "b");
    // char columns are padded with blanks.
    ok("UPDATE Usuarios SET ComprasFLAGS = 'SS0' WHERE Registro = '1'");
    EXPECT_EQ(scalar("SELECT ComprasFLAGS FROM Usuarios WHERE Registro = '1'").size(), 30);
}

TEST_F(Modify, NullIntoNotNullAndExplicitIdentityAreRefused)
{
    ServerMessage m = error("INSERT INTO Usuarios (Nome) VALUES ('sem registro')");
    EXPECT_EQ(m.number, 515);
    EXPECT_EQ(m.text, "Cannot insert the value NULL into column 'Registro', table 'ORVO.dbo.Usuarios'; column does not "
                      "allow nulls. INSERT fails.");
    m = error("INSERT INTO Usuarios (Registro, IdUser) VALUES ('1', 99)");
    EXPECT_EQ(m.number, 544);
    EXPECT_EQ(m.text, "Cannot insert explicit value for identity column in table 'Usuarios' when IDENTITY_INSERT is set to OFF.");
    EXPECT_EQ(count("Usuarios"), 0);
}

TEST_F(Modify, PrimaryKeyViolationUndoesTheWholeStatement)
{
    ok("CREATE TABLE SBuild_Etiquetas (IdOrdem int NOT NULL, Posicao int NOT NULL, Etq nvarchar(10) NULL, "
       "CONSTRAINT [PK_OPs_Etqs] PRIMARY KEY CLUSTERED ( IdOrdem ASC, Posicao ASC )WITH (PAD_INDEX = OFF, "
       "STATISTICS_NORECOMPUTE = OFF, IGNORE_DUP_KEY = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON) ON [PRIMARY]) ON [PRIMARY]");
    ok("INSERT INTO SBuild_Etiquetas VALUES (1, 1, 'a')");
    ServerMessage m = error("INSERT INTO SBuild_Etiquetas VALUES (1, 2, 'b'), (1, 1, 'c')");
    EXPECT_EQ(m.number, 2627);
    EXPECT_EQ(m.severity, 14);
    EXPECT_EQ(m.text, "Violation of PRIMARY KEY constraint 'PK_OPs_Etqs'. Cannot insert duplicate key in object "
                      "'dbo.SBuild_Etiquetas'. The duplicate key value is (1, 1).");
    EXPECT_EQ(count("SBuild_Etiquetas"), 1);
    ok("INSERT INTO SBuild_Etiquetas VALUES (1, 2, 'b')");
    EXPECT_EQ(error("UPDATE SBuild_Etiquetas SET Posicao = 1").number, 2627);
    EXPECT_EQ(scalar("SELECT SUM(Posicao) FROM SBuild_Etiquetas"), "3");
}

TEST_F(Modify, TextComparedWithNumbersConverts)
{
    ok("INSERT INTO Usuarios (Registro, Nome) Values ('1', 'a')");
    EXPECT_EQ(rows("SELECT Nome FROM Usuarios WHERE IdUser = '1'").size(), 1u);
    ServerMessage m = error("SELECT Nome FROM Usuarios WHERE IdUser = 'abc'");
    EXPECT_EQ(m.number, 245);
    EXPECT_EQ(m.text, "Conversion failed when converting the varchar value 'abc' to data type int.");
}

TEST_F(Modify, ProfileCopyFromOneUserToAnother)
{
    ok("INSERT INTO Usuarios (Registro, Nome, Vendas0, Vendas1) Values ('1', 'fonte', 1, 1)");
    ok("INSERT INTO Usuarios (Registro, Nome) Values ('2', 'alvo')");
    StatementResult r = ok("UPDATE Usuarios SET Vendas0 = t1.Vendas0, Vendas1 = t1.Vendas1, ComprasFLAGS = t1.ComprasFLAGS "
                           "FROM (SELECT Vendas0, Vendas1, ComprasFLAGS FROM Usuarios WHERE  (Usuarios.IdUser = '1')) AS t1 "
                           "WHERE  (Usuarios.IdUser ='2')");
    EXPECT_EQ(r.rowCount, 1);
    EXPECT_EQ(rows("SELECT Vendas0, Vendas1 FROM Usuarios WHERE IdUser = 2")[0], (QStringList{"1", "1"}));
}

TEST_F(Modify, ApplicationSwitchStampsEveryJobsRow)
{
    ok("CREATE TABLE Jobs (Estado int NOT NULL, DataFT datetime NULL, RespFT nvarchar(30) NULL, DataRT datetime NULL, "
       "RespRT nvarchar(30) NULL)");
    ok("INSERT INTO Jobs (Estado) VALUES (0)");
    EXPECT_EQ(ok("Update Jobs SET DataFT = GetDate(), RespFT = SYSTEM_USER").rowCount, 1);
    auto r = rows("SELECT RespFT, CAST(DataFT AS date) FROM Jobs");
    EXPECT_EQ(r[0], (QStringList{"sa", QDate::currentDate().toString(Qt::ISODate)}));
}

TEST_F(Modify, WholeNumbersAssignedToDatetimeCountDays)
{
    ok("CREATE TABLE IPI (Cod int, diIVA datetime NULL, dfIVA datetime NULL)");
    ok("INSERT INTO IPI (Cod) VALUES (1), (2)");
    EXPECT_EQ(ok("UPDATE IPI SET diIVA = 45929 FROM dbo.IPI").rowCount, 2);
    ok("UPDATE IPI SET dfIVA = 47481 FROM dbo.IPI");
    auto r = rows("SELECT CAST(diIVA AS date), CAST(dfIVA AS date), CAST(diIVA AS int) FROM IPI WHERE Cod = 2");
    EXPECT_EQ(r[0], (QStringList{"2025-10-01", "2029-12-31", "45929"}));
}

TEST_F(Modify, AssignmentsFollowTheImplicitConversionRules)
{
    ok("CREATE TABLE Lanc (Cod int NULL, Quando datetime NULL, Hash varbinary(8) NULL, Id uniqueidentifier NULL)");
    const QString refused = "Implicit conversion from data type datetime to int is not allowed. "
                            "Use the CONVERT function to run this query.";
    ServerMessage e = error("INSERT INTO Lanc (Cod) VALUES (GETDATE())");
    EXPECT_EQ(e.number, 257);
    EXPECT_EQ(e.text, refused);
    EXPECT_EQ(error("INSERT INTO Lanc (Hash) VALUES ('abc')").number, 257);
    EXPECT_EQ(count("Lanc"), 0);

    ok("INSERT INTO Lanc (Cod, Quando, Id) VALUES ('12', 2, '6F9619FF-8B86-D011-B42D-00C04FC964FF')");
    ok("INSERT INTO Lanc (Cod, Quando, Hash, Id) VALUES (NULL, NULL, NULL, NULL)");
    EXPECT_EQ(error("UPDATE Lanc SET Cod = Quando").text, refused);
    EXPECT_EQ(scalar("SELECT CONVERT(varchar(10), Quando, 120) FROM Lanc WHERE Cod = 12"), "1900-01-03");
    ok("UPDATE Lanc SET Quando = '2025-10-01' WHERE Cod = 12");
    EXPECT_EQ(scalar("SELECT CAST(Quando AS int) FROM Lanc WHERE Cod = 12"), "45929");

    EXPECT_EQ(error("DECLARE @n int = GETDATE()").number, 257);
    EXPECT_EQ(error("DECLARE @b varbinary(4); SET @b = 'ab'").number, 257);
    EXPECT_EQ(error("DECLARE @n int; SELECT @n = Quando FROM Lanc").number, 257);
    EXPECT_EQ(scalar("DECLARE @n int = '7'; DECLARE @d datetime; SET @d = 1; SELECT @n + DAY(@d)"), "9");
}

TEST_F(Modify, BarcodeConferenceRun)
{
    ok("CREATE TABLE ConferirTEMP (cod_empresa nvarchar(100) NULL, Cod128 nvarchar(31) NULL, EtqNF nvarchar(26) NULL, "
       "IdMud int NULL, num_nff int NULL, volume int NULL, cod_item nvarchar(6) NULL, IdItemNF int NULL, "
       "RGMud uniqueidentifier NULL)");
    ok("CREATE TABLE Etq_MasterUD (IdMud int IDENTITY(1,1) NOT NULL, EtqTIPO int NULL, SeqUC int NULL, IdHjk int NULL, "
       "Cod128 nvarchar(31) NULL, EntraHora datetime NULL, EntraMUD int NULL, SaidaMud int NULL, EntraOpr nvarchar(30) NULL, "
       "rowguid uniqueidentifier NOT NULL DEFAULT NEWID())");
    ok("CREATE TABLE ItensNFLogix (IdItemNF int IDENTITY(1,1) NOT NULL, cod_empresa nvarchar(100) NULL, num_nff int NULL, "
       "volume int NULL, cod_item nvarchar(6) NULL, IdMud int NULL)");
    ok("INSERT INTO ItensNFLogix (cod_empresa, num_nff, volume, cod_item) VALUES ('Orvo', 123456, 1, 'A00001'), "
       "('Orvo', 123456, 2, 'A00002')");
    const QString master = "9999990011234560000000000000000";
    ok("DELETE FROM ConferirTEMP");
    StatementResult ins = ok("INSERT INTO Etq_MasterUD (EtqTIPO, SeqUC, IdHjk, Cod128, EntraHora, EntraMUD, SaidaMud, EntraOpr) "
                             "SELECT TOP 1 num_nff, volume, 2 As IdHjk, '" + master + "' AS Cod128, GetDate() AS Agora, "
                             "1 AS EntraMUD, 0 AS SaidaMud, SYSTEM_USER As Opera FROM ItensNFLogix WHERE (num_nff = '123456') "
                             "AND (volume = '001') AND (cod_empresa = 'Orvo')");
    EXPECT_EQ(ins.rowCount, 1);
    ok("INSERT INTO ConferirTEMP (cod_empresa, Cod128, EtqNF) VALUES ('Orvo', '" + master + "', 'nff-123456-0001-A00001')");
    ok("INSERT INTO ConferirTEMP (cod_empresa, Cod128, EtqNF) VALUES ('Orvo', '" + master + "', 'xyz-123456-0001-A00001')");
    ok("UPDATE ConferirTEMP SET ConferirTEMP.IdMud = Etq_MasterUD.IdMud FROM ConferirTEMP INNER JOIN Etq_MasterUD ON "
       "ConferirTEMP.Cod128 = Etq_MasterUD.Cod128");
    EXPECT_EQ(ok("UPDATE ConferirTEMP SET num_nff = CAST(SUBSTRING(EtqNF, 5, 6) AS integer) FROM ConferirTEMP WHERE "
                 "(EtqNF LIKE 'nff-%') AND (ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)").rowCount, 1);
    ok("UPDATE ConferirTEMP SET volume = CAST(SUBSTRING(EtqNF, 12, 4) AS integer) FROM ConferirTEMP WHERE "
       "(EtqNF LIKE 'nff-%') AND (ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)");
    ok("UPDATE ConferirTEMP SET cod_item = SUBSTRING(EtqNF, 17, 6) FROM ConferirTEMP WHERE (EtqNF LIKE 'nff-%') AND "
       "(ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)");
    ok("UPDATE ConferirTEMP SET IdItemNF = ItensNFLogix.IdItemNF FROM ConferirTEMP INNER JOIN ItensNFLogix ON "
       "ConferirTEMP.cod_empresa = ItensNFLogix.cod_empresa AND ConferirTEMP.num_nff = ItensNFLogix.num_nff AND "
       "ConferirTEMP.volume = ItensNFLogix.volume AND ConferirTEMP.cod_item = ItensNFLogix.cod_item WHERE "
       "(EtqNF LIKE 'nff-%') AND (ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)");
    ok("UPDATE ConferirTEMP SET RGMud = Etq_MasterUD.rowguid FROM Etq_MasterUD INNER JOIN ConferirTEMP ON "
       "Etq_MasterUD.IdMud = ConferirTEMP.IdMud");
    EXPECT_EQ(ok("UPDATE ItensNFLogix SET IdMud = ConferirTEMP.IdMud FROM ConferirTEMP INNER JOIN ItensNFLogix ON "
                 "ConferirTEMP.IdItemNF = ItensNFLogix.IdItemNF").rowCount, 1);
    EXPECT_EQ(rows("SELECT IdItemNF, IdMud FROM ItensNFLogix WHERE IdMud IS NOT NULL")[0], (QStringList{"1", "1"}));
    EXPECT_EQ(rows("SELECT EtqTIPO, SeqUC, IdHjk, EntraOpr FROM Etq_MasterUD")[0], (QStringList{"123456", "1", "2", "sa"}));
    // A volume that is not a number fails the conversion and ends the run.
    ok("INSERT INTO ConferirTEMP (cod_empresa, Cod128, EtqNF) VALUES ('Orvo', '" + master + "', 'nff-123456-00x1-A00001')");
    EXPECT_EQ(error("UPDATE ConferirTEMP SET volume = CAST(SUBSTRING(EtqNF, 12, 4) AS integer) FROM ConferirTEMP WHERE "
                    "(EtqNF LIKE 'nff-%') AND (ISNUMERIC(SUBSTRING(EtqNF, 5, 6)) = 1)").number, 245);
    EXPECT_EQ(count("ConferirTEMP WHERE volume IS NOT NULL"), 1);
}

TEST_F(Modify, DeleteForms)
{
    ok("INSERT INTO Usuarios (Registro) VALUES ('1'), ('2'), ('3')");
    EXPECT_EQ(ok("DELETE FROM Usuarios WHERE Registro = '2'").rowCount, 1);
    EXPECT_EQ(ok("DELETE Usuarios").rowCount, 2);
    EXPECT_EQ(count("Usuarios"), 0);
}

TEST_F(Modify, UpdateNamesTheTableInAnyCase)
{
    ok("CREATE TABLE NFs (Vcto1 datetime NULL, xVcto1 datetime NULL)");
    ok("INSERT INTO NFs (Vcto1) VALUES ('2025-01-31')");
    EXPECT_EQ(ok("UPDATE NFS SET xVcto1 = Vcto1 FROM NFs").rowCount, 1);
    EXPECT_EQ(scalar("SELECT CAST(xVcto1 AS date) FROM nfs"), "2025-01-31");
}

TEST_F(Modify, ATargetNamedByItsTableIsTheAliasedInstanceOfTheFromClause)
{
    ok("CREATE TABLE Estoque (Id int, Qtd int)");
    ok("CREATE TABLE Baixa (Id int)");
    const QString fill = QStringLiteral("DELETE Estoque; INSERT INTO Estoque VALUES (1, 10), (2, 20), (3, 30)");
    ok("INSERT INTO Baixa VALUES (2)");
    ok(fill);
    EXPECT_EQ(ok("UPDATE Estoque SET Qtd = 0 FROM Estoque e JOIN Baixa b ON b.Id = e.Id").rowCount, 1);
    EXPECT_EQ(scalar("SELECT SUM(Qtd) FROM Estoque"), "40");
    ok(fill);
    EXPECT_EQ(ok("DELETE FROM Estoque FROM Estoque AS e WHERE e.Id > 1").rowCount, 2);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Estoque"), "1");
    // Held twice, the table name says neither instance; nothing changes.
    ok(fill);
    EXPECT_EQ(error("UPDATE Estoque SET Qtd = 0 FROM Estoque a JOIN Estoque b ON b.Id = a.Id + 1").number, 8154);
    EXPECT_EQ(error("DELETE Estoque FROM Estoque a, Estoque b WHERE a.Id = b.Id").number, 8154);
    EXPECT_EQ(scalar("SELECT SUM(Qtd) FROM Estoque"), "60");
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

using Identity = EngineTest;

TEST_F(Identity, SeedAndIncrementNumberNewAndExistingRows)
{
    ok("CREATE TABLE Pedidos (Num int IDENTITY (100, 10) NOT NULL, Descr nvarchar(10) NULL)");
    ok("INSERT INTO Pedidos (Descr) VALUES ('a'), ('b')");
    EXPECT_EQ(rows("SELECT Num FROM Pedidos ORDER BY Num"), (std::vector<QStringList>{{"100"}, {"110"}}));
    error("INSERT INTO Pedidos (Descr) VALUES ('comprido demais')");
    ok("INSERT INTO Pedidos (Descr) VALUES ('c')");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Pedidos WHERE Num > 110"), "1");
    ok("CREATE TABLE Bairros (Nome nvarchar(20) NULL)");
    ok("INSERT INTO Bairros VALUES ('Centro'), ('Vila Nova'), ('Jardim')");
    ok("ALTER TABLE dbo.Bairros ADD IdBairro int IDENTITY(1,1) NOT NULL");
    EXPECT_EQ(rows("SELECT IdBairro FROM Bairros WHERE Nome = 'Jardim'")[0][0], "3");
    ok("INSERT INTO Bairros (Nome) VALUES ('Novo')");
    EXPECT_EQ(scalar("SELECT IdBairro FROM Bairros WHERE Nome = 'Novo'"), "4");
}

TEST_F(Identity, DatesAndGuidsConvertAsOnTheServer)
{
    EXPECT_EQ(scalar("SELECT CAST(CAST('2025-10-01 13:00' AS datetime) AS int)"), "45930");
    EXPECT_EQ(scalar("SELECT CAST(CAST('2025-10-01 11:00' AS datetime) AS int)"), "45929");
    ok("CREATE TABLE G (Id uniqueidentifier NOT NULL)");
    ok("INSERT INTO G VALUES ('6F9619FF-8B86-D011-B42D-00C04FC96401')");
    EXPECT_EQ(rows("SELECT Id FROM G WHERE Id = '{6f9619ff-8b86-d011-b42d-00c04fc96401}'").size(), 1u);
    EXPECT_EQ(rows("SELECT Id FROM G WHERE Id = '6F9619FF-8B86-D011-B42D-00C04FC96401'").size(), 1u);
}

}  // namespace
}  // namespace standin::test
