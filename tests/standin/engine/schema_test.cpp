// Schema steps: tables, columns, constraints and descriptions, and how failing steps leave the database.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

class Schema : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE NatFiscal (Código nvarchar(10) NULL, Saída bit NULL)");
        ok("INSERT INTO NatFiscal VALUES ('5102', 1), ('1102', 0)");
    }
    QStringList columnsOf(const QString& table)
    {
        QStringList names;
        for (const auto& r : rows("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = '" + table +
                                  "' ORDER BY ORDINAL_POSITION"))
            names << r[0];
        return names;
    }
};

TEST_F(Schema, AddingColumnsFillsDefaultsOnlyWhereNullsAreNotAllowed)
{
    ok("ALTER TABLE dbo.NatFiscal ADD ShowGraphic tinyint NOT NULL CONSTRAINT DF_NatFiscal_ShowG DEFAULT 1");
    ok("ALTER TABLE dbo.NatFiscal ADD IdNat int IDENTITY(1,1) NOT NULL, Codigo nvarchar(10) NULL, "
       "Saida bit NOT NULL DEFAULT 0, DataMdf1 datetime NULL, Obs nvarchar(20) NULL DEFAULT 'x'");
    auto r = rows("SELECT ShowGraphic, IdNat, Saida, Obs FROM NatFiscal ORDER BY IdNat");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], (QStringList{"1", "1", "0", "NULL"}));
    EXPECT_EQ(r[1], (QStringList{"1", "2", "0", "NULL"}));
    ok("INSERT INTO NatFiscal (Código, Saída) VALUES ('6102', 0)");
    EXPECT_EQ(rows("SELECT IdNat, Obs, ShowGraphic FROM NatFiscal WHERE Código = '6102'")[0], (QStringList{"3", "x", "1"}));
    ok("UPDATE NatFiscal SET Codigo = Código, Saida = Saída FROM NatFiscal");
    EXPECT_EQ(scalar("SELECT Codigo FROM NatFiscal WHERE IdNat = 1"), "5102");
}

TEST_F(Schema, AddingColumnsIsAllOrNone)
{
    const QStringList before = columnsOf("NatFiscal");
    ServerMessage m = error("ALTER TABLE dbo.NatFiscal ADD A1 int NULL, A2 int NULL, Código nvarchar(10) NULL, A3 int NULL");
    EXPECT_EQ(m.number, 2705);
    EXPECT_EQ(m.text, "Column names in each table must be unique. Column name 'Código' in table 'NatFiscal' is specified "
                      "more than once.");
    EXPECT_EQ(columnsOf("NatFiscal"), before);
    ok("ALTER TABLE dbo.NatFiscal ADD X1 int NOT NULL CONSTRAINT DF_X DEFAULT 0");
    m = error("ALTER TABLE dbo.NatFiscal ADD X2 int NULL, X3 int NOT NULL CONSTRAINT DF_X DEFAULT 0");
    EXPECT_EQ(m.number, 2714);
    EXPECT_EQ(m.text, "There is already an object named 'DF_X' in the database.");
    EXPECT_EQ(columnsOf("NatFiscal").size(), before.size() + 1);
}

TEST_F(Schema, NotNullWithoutDefaultNeedsAnEmptyTable)
{
    ServerMessage m = error("ALTER TABLE dbo.NatFiscal ADD Obrigatorio int NOT NULL");
    EXPECT_EQ(m.number, 4901);
    EXPECT_TRUE(m.text.endsWith("Column 'Obrigatorio' cannot be added to non-empty table 'NatFiscal' because it does not "
                                "satisfy these conditions."));
    ok("CREATE TABLE Vazia (a int)");
    ok("ALTER TABLE dbo.Vazia ADD Obrigatorio int NOT NULL");
}

TEST_F(Schema, OneIdentityPerTable)
{
    ok("ALTER TABLE dbo.NatFiscal ADD IdNat int IDENTITY(1,1) NOT NULL");
    ServerMessage m = error("ALTER TABLE dbo.NatFiscal ADD IdCep int NOT NULL IDENTITY (1, 1)");
    EXPECT_EQ(m.number, 2744);
    EXPECT_EQ(m.text, "Multiple identity columns specified for table 'NatFiscal'. Only one identity column per table is allowed.");
    EXPECT_EQ(error("CREATE TABLE Dupla (a int IDENTITY(1,1), b int IDENTITY(1,1))").number, 2744);
}

TEST_F(Schema, CreateTableFormsOfTheCatalogue)
{
    ok("CREATE TABLE dbo.cClassTrib(CST nvarchar(3) NOT NULL, CCT nvarchar(6) NOT NULL, Descricao nvarchar(250) NULL, "
       "pRedIBS float(53) NULL CONSTRAINT DF_cClassTrib_pRedIBS DEFAULT 0, DataIni datetime NULL DEFAULT GetDate(), "
       "CONSTRAINT [PK_cClassTrib] PRIMARY KEY CLUSTERED ( [CST] ASC, [CCT] ASC )WITH (PAD_INDEX = OFF, "
       "STATISTICS_NORECOMPUTE = OFF, IGNORE_DUP_KEY = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON) ON [PRIMARY]) "
       "ON [PRIMARY]");
    ok("CREATE TABLE dbo.Peças_Logistica(IdPeça int NOT NULL, [Peso Bruto] real, Obs nvarchar(max) NULL) ON [PRIMARY]");
    EXPECT_EQ(error("CREATE TABLE dbo.cClassTrib(a int)").number, 2714);
    auto c = rows("SELECT COLUMN_NAME, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, IS_NULLABLE, COLUMN_DEFAULT FROM "
                  "INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'cClassTrib' ORDER BY ORDINAL_POSITION");
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0], (QStringList{"CST", "nvarchar", "3", "NO", "NULL"}));
    EXPECT_EQ(c[3], (QStringList{"pRedIBS", "float", "NULL", "YES", "((0))"}));
    EXPECT_EQ(c[4][4], "(getdate())");
    EXPECT_EQ(rows("SELECT IS_NULLABLE, CHARACTER_MAXIMUM_LENGTH FROM INFORMATION_SCHEMA.COLUMNS WHERE "
                   "TABLE_NAME = 'Peças_Logistica' AND COLUMN_NAME = 'Peso Bruto'")[0][0], "YES");
    EXPECT_EQ(scalar("SELECT CHARACTER_MAXIMUM_LENGTH FROM INFORMATION_SCHEMA.COLUMNS WHERE COLUMN_NAME = 'Obs'"), "-1");
    EXPECT_EQ(rows("SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE'").size(), 3u);
    ok("INSERT INTO cClassTrib (CST, CCT) VALUES ('000', '000001')");
    EXPECT_EQ(error("INSERT INTO cClassTrib (CST, CCT) VALUES ('000', '000001')").number, 2627);
}

TEST_F(Schema, DroppingConstraintsAndColumns)
{
    ok("CREATE TABLE ItensNF_Volumes (RGItv uniqueidentifier NOT NULL CONSTRAINT DF_ItensNFVolumesRGItv DEFAULT NEWID(), "
       "Cod128 nvarchar(31) NULL, RGItem uniqueidentifier NULL, Volume int NULL, "
       "CONSTRAINT PK_ItensNF_RGItv PRIMARY KEY (RGItv))");
    ok("INSERT INTO ItensNF_Volumes (Volume) VALUES (1)");
    ServerMessage m = error("ALTER TABLE dbo.ItensNF_Volumes DROP COLUMN Cod128, RGItv, RGItem");
    EXPECT_EQ(m.number, 5074);
    BatchResult failed = run("ALTER TABLE dbo.ItensNF_Volumes DROP COLUMN Cod128, RGItv, RGItem");
    EXPECT_EQ(failed.statements[0].messages[2].number, 4922);
    EXPECT_EQ(failed.statements[0].messages[2].text,
              "ALTER TABLE DROP COLUMN RGItv failed because one or more objects access this column.");
    EXPECT_EQ(columnsOf("ItensNF_Volumes").size(), 4);
    ok("ALTER TABLE dbo.ItensNF_Volumes DROP CONSTRAINT DF_ItensNFVolumesRGItv");
    ok("ALTER TABLE dbo.ItensNF_Volumes DROP CONSTRAINT PK_ItensNF_RGItv");
    ok("ALTER TABLE dbo.ItensNF_Volumes DROP COLUMN Cod128, RGItv, RGItem");
    EXPECT_EQ(columnsOf("ItensNF_Volumes"), (QStringList{"Volume"}));
    ok("ALTER TABLE dbo.ItensNF_Volumes SET (LOCK_ESCALATION = TABLE)");
    // On a second run each of the steps fails.
    BatchResult again = run("ALTER TABLE dbo.ItensNF_Volumes DROP CONSTRAINT DF_ItensNFVolumesRGItv");
    ASSERT_EQ(again.statements[0].messages.size(), 2u);
    EXPECT_EQ(again.statements[0].messages[0].number, 3728);
    EXPECT_EQ(again.statements[0].messages[0].text, "'DF_ItensNFVolumesRGItv' is not a constraint.");
    EXPECT_EQ(again.statements[0].messages[1].number, 3727);
    EXPECT_EQ(again.statements[0].messages[1].text, "Could not drop constraint. See previous errors.");
    m = error("ALTER TABLE dbo.ItensNF_Volumes DROP COLUMN Cod128, RGItv, RGItem");
    EXPECT_EQ(m.number, 4924);
    EXPECT_EQ(m.text, "ALTER TABLE DROP COLUMN failed because column 'Cod128' does not exist in table 'ItensNF_Volumes'.");
}

TEST_F(Schema, MissingTablesAndDrops)
{
    EXPECT_EQ(error("ALTER TABLE dbo.Nenhuma ADD a int NULL").number, 4902);
    EXPECT_EQ(error("UPDATE Nenhuma SET a = 1 FROM Nenhuma").number, 208);
    ok("DROP TABLE NatFiscal");
    EXPECT_EQ(error("DROP TABLE NatFiscal").number, 3701);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM INFORMATION_SCHEMA.TABLES"), "0");
}

TEST_F(Schema, ObjectIdColLengthAndSysObjects)
{
    ok("CREATE TABLE [Itens Nota] (IdItem int IDENTITY(1,1) NOT NULL, Descr nvarchar(65) NULL, Qtd decimal(18,4) NULL, "
       "CONSTRAINT PK_ItensNota PRIMARY KEY (IdItem))");
    EXPECT_NE(scalar("SELECT OBJECT_ID('dbo.[Itens Nota]')"), "NULL");
    EXPECT_EQ(scalar("SELECT OBJECT_ID('Itens Nota', 'U')"), scalar("SELECT OBJECT_ID('ORVO.dbo.Itens Nota')"));
    EXPECT_EQ(scalar("SELECT OBJECT_ID('Nenhuma')"), "NULL");
    EXPECT_EQ(scalar("SELECT COL_LENGTH('Itens Nota', 'Descr')"), "130");
    EXPECT_EQ(scalar("SELECT COL_LENGTH('Itens Nota', 'IdItem')"), "4");
    EXPECT_EQ(scalar("SELECT COL_LENGTH('Itens Nota', 'Nada')"), "NULL");
    EXPECT_EQ(rows("SELECT name, type FROM sys.objects WHERE name = 'PK_ItensNota'")[0], (QStringList{"PK_ItensNota", "PK"}));
    EXPECT_EQ(scalar("SELECT type_desc FROM sys.objects WHERE object_id = OBJECT_ID('Itens Nota')"), "USER_TABLE");
}

TEST_F(Schema, ColumnDescriptionsAsTheMaintenanceRunWritesThem)
{
    const QString add = "DECLARE @v sql_variant SET @v = 'Código fiscal'EXECUTE sp_addextendedproperty 'MS_Description', "
                        "@v, 'user', 'dbo', 'table', 'NatFiscal', 'column', 'Código'";
    BatchResult first = run(add);
    ASSERT_EQ(first.statements.size(), 3u);
    EXPECT_FALSE(first.statements[2].failed);
    BatchResult second = run(add);
    ASSERT_EQ(second.statements[2].messages.size(), 1u);
    EXPECT_EQ(second.statements[2].messages[0].number, 15233);
    EXPECT_EQ(second.statements[2].messages[0].text,
              "Property cannot be added. Property 'MS_Description' already exists for 'dbo.NatFiscal.Código'.");
    auto d = rows("SELECT objname, value FROM fn_listextendedproperty('MS_Description', 'schema', 'dbo', 'table', "
                  "'NatFiscal', 'column', default)");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], (QStringList{"Código", "Código fiscal"}));

    ServerMessage m = error("DECLARE @v sql_variant SET @v = 'x'EXECUTE sp_addextendedproperty 'MS_Description', @v, "
                            "'user', 'dbo', 'table', 'NatFiscal', 'column', 'Nada'");
    EXPECT_EQ(m.number, 15135);
    EXPECT_EQ(m.text, "Object is invalid. Extended properties are not permitted on 'dbo.NatFiscal.Nada', or the object "
                      "does not exist.");
    EXPECT_EQ(error("DECLARE @v sql_variant SET @v = 'x'EXECUTE sp_addextendedproperty 'MS_Description', @v, "
                    "'user', 'dbo', 'table', 'Itens Nota', 'column', 'Descr'").number, 15135);

    ok("EXECUTE sp_dropextendedproperty 'MS_Description','user', dbo, 'table', 'NatFiscal', 'column', 'Código'");
    m = error("EXECUTE sp_dropextendedproperty 'MS_Description','user', dbo, 'table', 'NatFiscal', 'column', 'Código'");
    EXPECT_EQ(m.number, 15217);
    EXPECT_EQ(m.text, "Property cannot be updated or deleted. Property 'MS_Description' does not exist for "
                      "'dbo.NatFiscal.Código'.");
    // Dropping a column takes its description with it.
    run(add);
    ok("ALTER TABLE dbo.NatFiscal DROP COLUMN Código");
    EXPECT_TRUE(rows("SELECT value FROM fn_listextendedproperty(NULL, 'schema', 'dbo', 'table', 'NatFiscal', 'column', "
                     "NULL)").empty());
}

}  // namespace
}  // namespace standin::test
