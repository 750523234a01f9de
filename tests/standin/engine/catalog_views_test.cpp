// Trigger state (ENABLE/DISABLE TRIGGER) and the catalog views administrators read.
#include "EngineTestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <tuple>

namespace standin::test {
namespace {

using Rows = std::vector<QStringList>;

class TriggerState : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE Kardex (IdKardex int IDENTITY(1,1) PRIMARY KEY, Qtd int)");
        ok("CREATE TABLE Log (Quem varchar(10))");
        ok("CREATE TRIGGER GNR_A ON Kardex AFTER INSERT AS INSERT INTO Log VALUES ('A')");
        ok("CREATE TRIGGER GNR_B ON Kardex AFTER INSERT, DELETE AS INSERT INTO Log VALUES ('B')");
    }
    // Which triggers fire for one insert.
    QStringList fired()
    {
        ok("DELETE FROM Log");
        ok("INSERT INTO Kardex (Qtd) VALUES (1)");
        QStringList out;
        for (const auto &r : rows("SELECT Quem FROM Log WHERE Quem IN ('A', 'B') ORDER BY Quem"))
            out << r[0];
        return out;
    }
    QString state(const QString &trigger)
    {
        return scalar(QStringLiteral("SELECT CAST(t.is_disabled AS varchar) + ':' + CAST(OBJECTPROPERTY(t.object_id, "
                                     "'ExecIsTriggerDisabled') AS varchar) FROM sys.triggers t WHERE t.name = '%1'")
                          .arg(trigger));
    }
};

TEST_F(TriggerState, ADisabledTriggerStaysButDoesNotFireUntilEnabled)
{
    EXPECT_EQ(fired(), QStringList({"A", "B"}));
    EXPECT_EQ(state("GNR_A"), "0:0");
    ok("DISABLE TRIGGER dbo.GNR_A ON dbo.Kardex");
    EXPECT_EQ(fired(), QStringList({"B"}));
    EXPECT_EQ(state("GNR_A"), "1:1");
    EXPECT_EQ(state("GNR_B"), "0:0");
    ok("DISABLE TRIGGER ALL ON Kardex");
    EXPECT_EQ(fired(), QStringList());
    ok("ALTER TABLE Kardex ENABLE TRIGGER GNR_B");
    EXPECT_EQ(fired(), QStringList({"B"}));
    ok("ALTER TABLE Kardex ENABLE TRIGGER ALL");
    ok("ALTER TABLE Kardex DISABLE TRIGGER GNR_A, GNR_B");
    EXPECT_EQ(fired(), QStringList());
    ok("ENABLE TRIGGER GNR_A, GNR_B ON Kardex");
    EXPECT_EQ(fired(), QStringList({"A", "B"}));
    // Other objects have no trigger properties.
    EXPECT_EQ(scalar("SELECT OBJECTPROPERTY(OBJECT_ID('Kardex'), 'ExecIsTriggerDisabled')"), "NULL");
    EXPECT_EQ(scalar("SELECT OBJECTPROPERTY(OBJECT_ID('GNR_B'), 'ExecIsDeleteTrigger')"), "1");
}

TEST_F(TriggerState, DisablingIsUndoneByRollbackAndAlterTriggerEnablesAgain)
{
    ok("BEGIN TRAN; DISABLE TRIGGER GNR_A ON Kardex; ROLLBACK");
    EXPECT_EQ(state("GNR_A"), "0:0");
    ok("DISABLE TRIGGER GNR_A ON Kardex");
    ok("ALTER TRIGGER GNR_A ON Kardex AFTER INSERT AS INSERT INTO Log VALUES ('A')");
    EXPECT_EQ(state("GNR_A"), "0:0");
    EXPECT_EQ(fired(), QStringList({"A", "B"}));
    // ON DATABASE names DDL triggers: there are none, so ALL changes nothing.
    ok("DISABLE TRIGGER ALL ON DATABASE");
    EXPECT_EQ(state("GNR_A"), "0:0");
}

TEST_F(TriggerState, UnknownTriggersAndTablesAreRefused)
{
    ok("CREATE TABLE Outra (Id int)");
    ok("CREATE TRIGGER GNR_Outra ON Outra AFTER INSERT AS RETURN");
    const std::vector<std::pair<const char *, int>> cases {
        {"DISABLE TRIGGER Nada ON Kardex", 1088},       {"DISABLE TRIGGER GNR_Outra ON Kardex", 1088},
        {"ENABLE TRIGGER GNR_A ON Nada", 1088},         {"ALTER TABLE Kardex DISABLE TRIGGER GNR_Outra", 4920},
        {"ALTER TABLE Nada DISABLE TRIGGER ALL", 4902}, {"DISABLE TRIGGER GNR_A ON DATABASE", 1088},
    };
    for (const auto &[sql, number] : cases)
        EXPECT_EQ(error(sql).number, number) << sql;
    // A failing list changes none of its triggers.
    EXPECT_EQ(error("DISABLE TRIGGER GNR_A, Nada ON Kardex").number, 1088);
    EXPECT_EQ(state("GNR_A"), "0:0");
}

TEST_F(TriggerState, TheStateIsKeptAcrossSaveAndLoad)
{
    ok("DISABLE TRIGGER GNR_B ON Kardex");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString err;
    ASSERT_TRUE(engine.save(dir.path(), &err)) << err.toStdString();
    Engine other;
    ASSERT_TRUE(other.load(dir.path(), &err)) << err.toStdString();
    auto s = other.openSession("sa", "h", "ORVO");
    ASSERT_TRUE(s);
    BatchResult r = other.execute(*s, "SELECT name, is_disabled FROM sys.triggers ORDER BY name");
    ASSERT_EQ(r.statements.size(), 1u);
    ASSERT_TRUE(r.statements[0].resultSet);
    const auto &got = r.statements[0].resultSet->rows;
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(toText(got[0][1]), "0");
    EXPECT_EQ(toText(got[1][1]), "1");
}

// A small schema with a constraint of each kind and indexes of each sort.
class CatalogViews : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE Familia (IdFam int NOT NULL PRIMARY KEY, Nome varchar(30) NOT NULL UNIQUE)");
        ok("CREATE TABLE Produtos (IdProd int IDENTITY(1,1) NOT NULL, IdFam int NULL, Codigo nvarchar(20) NOT NULL, "
           "Qtd decimal(12,3) NOT NULL CONSTRAINT DF_Produtos_Qtd DEFAULT 0 CONSTRAINT CK_Produtos_Qtd CHECK (Qtd >= "
           "0), "
           "Criado datetime NULL DEFAULT getdate(), Tipo char(1) NULL DEFAULT 'N', "
           "CONSTRAINT PK_Produtos PRIMARY KEY (IdProd), "
           "CONSTRAINT FK_Produtos_Familia FOREIGN KEY (IdFam) REFERENCES Familia ON DELETE CASCADE, "
           "CHECK (Tipo IN ('N', 'S')))");
        ok("CREATE UNIQUE INDEX UX_Produtos_Codigo ON Produtos (Codigo)");
        ok("CREATE NONCLUSTERED INDEX IX_Produtos_Familia ON Produtos (IdFam, Tipo) INCLUDE (Qtd)");
        ok("CREATE INDEX IX_Produtos_Tipo ON Produtos (Tipo) WHERE Tipo IS NOT NULL");
        ok("CREATE TABLE Solta (Texto varchar(10))");
    }
};

TEST_F(CatalogViews, KeysChecksDefaultsAndForeignKeysShowWithTheirDetails)
{
    EXPECT_EQ(rows("SELECT OBJECT_NAME(parent_object_id), type, type_desc, unique_index_id, is_system_named "
                   "FROM sys.key_constraints WHERE name = 'PK_Produtos'"),
              (Rows {{"Produtos", "PK", "PRIMARY_KEY_CONSTRAINT", "1", "0"}}));
    // Unnamed keys get SQL Server's names: PK__<table, 8 characters>__<16 hex digits>.
    const auto unnamed = rows("SELECT name, type, is_system_named FROM sys.key_constraints "
                              "WHERE parent_object_id = OBJECT_ID('Familia') ORDER BY type");
    ASSERT_EQ(unnamed.size(), 2u);
    EXPECT_TRUE(QRegularExpression("^PK__Familia__[0-9A-F]{16}$").match(unnamed[0][0]).hasMatch())
        << unnamed[0][0].toStdString();
    EXPECT_TRUE(QRegularExpression("^UQ__Familia__[0-9A-F]{16}$").match(unnamed[1][0]).hasMatch())
        << unnamed[1][0].toStdString();
    EXPECT_EQ(unnamed[1][2], "1");
    EXPECT_EQ(rows("SELECT fk.name, OBJECT_NAME(fk.referenced_object_id), fk.key_index_id, fk.is_disabled, "
                   "fk.delete_referential_action_desc, fk.update_referential_action_desc, "
                   "COL_NAME(fc.parent_object_id, fc.parent_column_id), COL_NAME(fc.referenced_object_id, "
                   "fc.referenced_column_id) FROM sys.foreign_keys fk INNER JOIN sys.foreign_key_columns fc ON "
                   "fc.constraint_object_id = fk.object_id"),
              (Rows {{"FK_Produtos_Familia", "Familia", "1", "0", "CASCADE", "NO_ACTION", "IdFam", "IdFam"}}));
    EXPECT_EQ(rows("SELECT c.definition, COL_NAME(c.parent_object_id, c.parent_column_id), c.is_system_named, "
                   "OBJECT_DEFINITION(c.object_id) FROM sys.check_constraints c ORDER BY c.parent_column_id DESC"),
              (Rows {{"([Qtd]>=(0))", "Qtd", "0", "([Qtd]>=(0))"},
                     {"([Tipo]='S' OR [Tipo]='N')", "NULL", "1", "([Tipo]='S' OR [Tipo]='N')"}}));
    EXPECT_EQ(rows("SELECT COL_NAME(d.parent_object_id, d.parent_column_id), d.definition, d.is_system_named "
                   "FROM sys.default_constraints d ORDER BY d.parent_column_id"),
              (Rows {{"Qtd", "((0))", "0"}, {"Criado", "(getdate())", "1"}, {"Tipo", "('N')", "1"}}));
    const std::vector<std::pair<const char *, const char *>> properties {
        {"OBJECTPROPERTY(OBJECT_ID('PK_Produtos'), 'IsPrimaryKey')", "1"},
        {"OBJECTPROPERTY(OBJECT_ID('FK_Produtos_Familia'), 'IsForeignKey')", "1"},
        {"OBJECTPROPERTY(OBJECT_ID('DF_Produtos_Qtd'), 'IsCheckCnst')", "0"},
        {"OBJECTPROPERTY(OBJECT_ID('CK_Produtos_Qtd'), 'CnstIsDisabled')", "0"},
        {"OBJECTPROPERTY(OBJECT_ID('PK_Produtos'), 'CnstIsDisabled')", "NULL"},
        {"OBJECTPROPERTY(OBJECT_ID('Produtos'), 'TableHasForeignKey')", "1"},
        {"OBJECTPROPERTY(OBJECT_ID('Solta'), 'TableHasPrimaryKey')", "0"},
        {"OBJECTPROPERTY(OBJECT_ID('Solta'), 'IsUserTable')", "1"},
    };
    for (const auto &[expression, answer] : properties)
        EXPECT_EQ(scalar(QStringLiteral("SELECT %1").arg(expression)), answer) << expression;
    ok("ALTER TABLE Produtos NOCHECK CONSTRAINT FK_Produtos_Familia");
    EXPECT_EQ(scalar("SELECT CAST(is_disabled AS char(1)) + CAST(is_not_trusted AS char(1)) FROM sys.foreign_keys"),
              "11");
}

TEST_F(CatalogViews, IndexesListEveryIndexWithItsColumnsAndAHeapWithout)
{
    EXPECT_EQ(rows("SELECT i.name, i.index_id, i.type_desc, i.is_unique, i.is_primary_key, i.is_unique_constraint, "
                   "i.has_filter, i.filter_definition FROM sys.indexes i WHERE i.object_id = OBJECT_ID('Produtos') "
                   "ORDER BY i.index_id"),
              (Rows {{"PK_Produtos", "1", "CLUSTERED", "1", "1", "0", "0", "NULL"},
                     {"UX_Produtos_Codigo", "2", "NONCLUSTERED", "1", "0", "0", "0", "NULL"},
                     {"IX_Produtos_Familia", "3", "NONCLUSTERED", "0", "0", "0", "0", "NULL"},
                     {"IX_Produtos_Tipo", "4", "NONCLUSTERED", "0", "0", "0", "1", "([Tipo] IS NOT NULL)"}}));
    EXPECT_EQ(
        rows("SELECT ISNULL(name, '-'), index_id, type_desc FROM sys.indexes WHERE object_id = OBJECT_ID('Solta')"),
        (Rows {{"-", "0", "HEAP"}}));
    EXPECT_EQ(rows("SELECT c.name, ic.index_column_id, ic.key_ordinal, ic.is_included_column FROM sys.index_columns ic "
                   "INNER JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id "
                   "WHERE ic.object_id = OBJECT_ID('Produtos') AND ic.index_id = 3 ORDER BY ic.index_column_id"),
              (Rows {{"IdFam", "1", "1", "0"}, {"Tipo", "2", "2", "0"}, {"Qtd", "3", "0", "1"}}));
    // Index names are unique within their table; an index's column cannot be dropped.
    EXPECT_EQ(error("CREATE INDEX IX_Produtos_Tipo ON Produtos (Codigo)").number, 1913);
    EXPECT_EQ(error("CREATE INDEX IX_Nada ON Produtos (Nada)").number, 1911);
    EXPECT_EQ(error("CREATE INDEX IX_Nada ON Nada (Nada)").number, 1088);
    EXPECT_EQ(error("CREATE CLUSTERED INDEX IX_Outro ON Produtos (Tipo)").number, 1902);
    EXPECT_EQ(error("ALTER TABLE Produtos DROP COLUMN Tipo").number, 5074);
}

TEST_F(CatalogViews, KeyColumnsKeepTheirDirectionAcrossASaveAndLoad)
{
    ok("CREATE TABLE Lote (Ano int NOT NULL, Num int NOT NULL, Ref varchar(10) NULL, Obs varchar(20) NULL, "
       "CONSTRAINT PK_Lote PRIMARY KEY (Ano DESC, Num))");
    ok("ALTER TABLE Lote ADD CONSTRAINT UQ_Lote_Ref UNIQUE NONCLUSTERED (Ref DESC)");
    ok("CREATE UNIQUE NONCLUSTERED INDEX UX_Lote ON Lote (Num ASC, Ano DESC)");
    ok("CREATE INDEX IX_Lote_Obs ON Lote (Obs DESC) INCLUDE (Ref)");
    ok("DECLARE @t TABLE (a int, PRIMARY KEY (a DESC)); INSERT INTO @t VALUES (1)");
    const QString keys = "SELECT i.name, c.name, ic.key_ordinal, ic.is_descending_key, ic.is_included_column "
                         "FROM sys.indexes i INNER JOIN sys.index_columns ic ON ic.object_id = i.object_id AND "
                         "ic.index_id = i.index_id INNER JOIN sys.columns c ON c.object_id = ic.object_id AND "
                         "c.column_id = ic.column_id WHERE i.object_id = OBJECT_ID('Lote') "
                         "ORDER BY i.index_id, ic.index_column_id";
    const Rows expected {{"PK_Lote", "Ano", "1", "1", "0"},     {"PK_Lote", "Num", "2", "0", "0"},
                         {"UQ_Lote_Ref", "Ref", "1", "1", "0"}, {"UX_Lote", "Num", "1", "0", "0"},
                         {"UX_Lote", "Ano", "2", "1", "0"},     {"IX_Lote_Obs", "Obs", "1", "1", "0"},
                         {"IX_Lote_Obs", "Ref", "0", "0", "1"}};
    EXPECT_EQ(rows(keys), expected);
    EXPECT_EQ(rows("SELECT INDEXKEY_PROPERTY(OBJECT_ID('Lote'), 1, 1, 'IsDescending'), "
                   "INDEXKEY_PROPERTY(OBJECT_ID('Lote'), 1, 2, 'isdescending'), "
                   "INDEXKEY_PROPERTY(OBJECT_ID('Lote'), 3, 2, 'ColumnId'), "
                   "INDEXKEY_PROPERTY(OBJECT_ID('Lote'), 1, 3, 'IsDescending'), "
                   "INDEXKEY_PROPERTY(OBJECT_ID('Lote'), 1, 1, 'Nada')"),
              (Rows {{"1", "0", "1", "NULL", "NULL"}}));
    // Only keys have a direction: a foreign key's or an INCLUDE column's is a syntax error.
    EXPECT_EQ(
        error("CREATE TABLE Item (Ano int, Num int, FOREIGN KEY (Ano DESC, Num) REFERENCES Lote (Ano, Num))").text,
        "Incorrect syntax near the keyword 'DESC'.");
    EXPECT_EQ(error("CREATE INDEX IX_Outro ON Lote (Obs) INCLUDE (Ref ASC)").number, 156);
    // A column twice in one key is refused, whatever the case and direction of each.
    EXPECT_EQ(error("CREATE INDEX IX_Outro ON Lote (Obs, obs DESC)").text,
              "Cannot use duplicate column names in index. Column name 'obs' listed more than once.");
    EXPECT_EQ(error("ALTER TABLE Lote ADD CONSTRAINT UQ_Outro UNIQUE (Ano, Num, Ano)").number, 1909);

    QTemporaryDir dir;
    QString err;
    ASSERT_TRUE(engine.save(dir.path(), &err)) << err.toStdString();
    Engine loaded;
    ASSERT_TRUE(loaded.load(dir.path(), &err)) << err.toStdString();
    auto session = loaded.openSession("sa", "h", "ORVO");
    const BatchResult r = loaded.execute(*session, keys);
    ASSERT_TRUE(r.statements.back().resultSet);
    Rows back;
    for (const auto &row : r.statements.back().resultSet->rows) {
        QStringList cells;
        for (const Value &v : row)
            cells << toText(v);
        back.push_back(cells);
    }
    EXPECT_EQ(back, expected);
}

TEST_F(CatalogViews, ATableHasOneClusteredIndexAndAPrimaryKeyYieldsIt)
{
    const QString clustered = "SELECT name FROM sys.indexes WHERE object_id = OBJECT_ID('%1') AND type_desc = "
                              "'CLUSTERED'";
    // A written UNIQUE CLUSTERED takes the clustering a PRIMARY KEY would have had by default.
    ok("CREATE TABLE Etiqueta (Id int NOT NULL PRIMARY KEY, Codigo varchar(20) NOT NULL CONSTRAINT UQ_Etiqueta "
       "UNIQUE CLUSTERED)");
    EXPECT_EQ(scalar(clustered.arg("Etiqueta")), "UQ_Etiqueta");
    // So does a clustered index the table has when the key comes later.
    ok("CREATE TABLE Caixa (Id int NOT NULL, Peso int NULL)");
    ok("CREATE CLUSTERED INDEX IX_Caixa_Peso ON Caixa (Peso)");
    ok("ALTER TABLE Caixa ADD CONSTRAINT PK_Caixa PRIMARY KEY (Id)");
    EXPECT_EQ(scalar(clustered.arg("Caixa")), "IX_Caixa_Peso");
    const std::vector<std::pair<const char *, int>> refused = {
        {"CREATE TABLE Dupla (a int NOT NULL PRIMARY KEY CLUSTERED, b int NOT NULL UNIQUE CLUSTERED)", 8112},
        {"CREATE TABLE Dupla (a int NOT NULL, b int NOT NULL, PRIMARY KEY (a), PRIMARY KEY CLUSTERED (b))", 8110},
        {"ALTER TABLE Caixa ADD CONSTRAINT UQ_Caixa UNIQUE CLUSTERED (Id)", 1902},
        {"CREATE UNIQUE CLUSTERED INDEX UX_Produtos ON Produtos (Codigo)", 1902},
    };
    for (const auto &[sql, number] : refused)
        EXPECT_EQ(error(sql).number, number) << sql;
    EXPECT_EQ(error("ALTER TABLE Caixa ADD CONSTRAINT UQ_Caixa UNIQUE CLUSTERED (Id)").text,
              "Cannot create more than one clustered index on table 'Caixa'. Drop the existing clustered index "
              "'IX_Caixa_Peso' before creating another.");
}

TEST_F(CatalogViews, InformationSchemaListsConstraintsAndTheirColumns)
{
    EXPECT_EQ(
        rows("SELECT CONSTRAINT_TYPE, COUNT(*) FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS GROUP BY CONSTRAINT_TYPE "
             "ORDER BY CONSTRAINT_TYPE"),
        (Rows {{"CHECK", "2"}, {"FOREIGN KEY", "1"}, {"PRIMARY KEY", "2"}, {"UNIQUE", "1"}}));
    EXPECT_EQ(rows("SELECT k.TABLE_NAME, k.COLUMN_NAME, k.ORDINAL_POSITION FROM INFORMATION_SCHEMA.KEY_COLUMN_USAGE k "
                   "WHERE k.CONSTRAINT_NAME IN ('PK_Produtos', 'FK_Produtos_Familia') ORDER BY k.CONSTRAINT_NAME"),
              (Rows {{"Produtos", "IdFam", "1"}, {"Produtos", "IdProd", "1"}}));
    EXPECT_EQ(
        scalar(
            "SELECT CHECK_CLAUSE FROM INFORMATION_SCHEMA.CHECK_CONSTRAINTS WHERE CONSTRAINT_NAME = 'CK_Produtos_Qtd'"),
        "([Qtd]>=(0))");
    EXPECT_EQ(rows("SELECT UNIQUE_CONSTRAINT_NAME, MATCH_OPTION, UPDATE_RULE, DELETE_RULE FROM "
                   "INFORMATION_SCHEMA.REFERENTIAL_CONSTRAINTS")
                  .at(0)
                  .mid(1),
              QStringList({"SIMPLE", "NO ACTION", "CASCADE"}));
    EXPECT_EQ(scalar("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.CONSTRAINT_COLUMN_USAGE WHERE CONSTRAINT_NAME = "
                     "'CK_Produtos_Qtd'"),
              "Qtd");
    // The column's default reads as the default constraint's definition.
    EXPECT_EQ(scalar("SELECT COLUMN_DEFAULT FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'Produtos' AND "
                     "COLUMN_NAME = 'Qtd'"),
              "((0))");
}

// Checks and defaults are stored in SQL Server's own spelling.
TEST_F(CatalogViews, DefinitionsAreWrittenAsSqlServerStoresThem)
{
    const std::vector<std::pair<const char *, const char *>> checks {
        {"Qtd > 0", "([Qtd]>(0))"},
        {"Qtd BETWEEN 1 AND 10", "([Qtd]>=(1) AND [Qtd]<=(10))"},
        {"Nome <> '' AND Qtd >= 0", "([Nome]<>'' AND [Qtd]>=(0))"},
        {"Nome LIKE '[0-9]%'", "([Nome] like '[0-9]%')"},
        {"Nome IS NOT NULL OR Qtd = 0", "([Nome] IS NOT NULL OR [Qtd]=(0))"},
        {"len(Nome) > 2", "(len([Nome])>(2))"},
        {"(Qtd > 0 OR Qtd < -5) AND Nome IS NULL", "(([Qtd]>(0) OR [Qtd]<(-5)) AND [Nome] IS NULL)"},
    };
    const std::vector<std::pair<const char *, const char *>> defaults {
        {"0", "((0))"}, {"(-1)", "((-1))"}, {"0.5", "((0.5))"}, {"GETDATE()", "(getdate())"}, {"N'sem'", "(N'sem')"},
    };
    int n = 0;
    for (const auto &[condition, stored] : checks) {
        const QString table = QStringLiteral("C%1").arg(++n);
        ok(QStringLiteral("CREATE TABLE %1 (Qtd int, Nome varchar(10), CONSTRAINT CK_%1 CHECK (%2))")
               .arg(table, condition));
        EXPECT_EQ(scalar(QStringLiteral("SELECT OBJECT_DEFINITION(OBJECT_ID('CK_%1'))").arg(table)), stored)
            << condition;
    }
    for (const auto &[value, stored] : defaults) {
        const QString table = QStringLiteral("D%1").arg(++n);
        ok(QStringLiteral("CREATE TABLE %1 (V sql_variant CONSTRAINT DF_%1 DEFAULT %2)").arg(table, value));
        EXPECT_EQ(
            scalar(QStringLiteral("SELECT definition FROM sys.default_constraints WHERE name = 'DF_%1'").arg(table)),
            stored)
            << value;
    }
}

TEST_F(CatalogViews, ForeignKeysMustReferenceAKeyThatExists)
{
    const std::vector<std::pair<const char *, int>> cases {
        {"CREATE TABLE X1 (Id int REFERENCES Nada (Id))", 1767},
        {"CREATE TABLE X2 (Id int, FOREIGN KEY (Id) REFERENCES Familia (Nada))", 1770},
        {"CREATE TABLE X3 (Id int REFERENCES Solta)", 1773},
        {"CREATE TABLE X4 (Id int, FOREIGN KEY (Id) REFERENCES Familia (IdFam, Nome))", 8139},
    };
    for (const auto &[sql, number] : cases) {
        BatchResult r = run(sql);
        ASSERT_FALSE(r.statements.empty());
        QList<int> numbers;
        for (const auto &m : r.statements.back().messages)
            numbers << m.number;
        EXPECT_EQ(numbers, (QList<int> {number, 1750})) << sql;
    }
    // A table may reference itself.
    ok("CREATE TABLE Arvore (Id int PRIMARY KEY, Pai int NULL REFERENCES Arvore (Id))");
    EXPECT_EQ(scalar("SELECT OBJECT_NAME(referenced_object_id) FROM sys.foreign_keys WHERE parent_object_id = "
                     "OBJECT_ID('Arvore')"),
              "Arvore");
    // A referenced table or key stays while a foreign key of another table references it.
    EXPECT_EQ(error("DROP TABLE Familia").number, 3726);
    const QString pk =
        scalar("SELECT name FROM sys.key_constraints WHERE parent_object_id = OBJECT_ID('Familia') AND type = 'PK'");
    EXPECT_EQ(error(QStringLiteral("ALTER TABLE Familia DROP CONSTRAINT [%1]").arg(pk)).number, 3725);
    ok("DROP TABLE Arvore");
    ok("DROP TABLE Produtos, Familia");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.foreign_keys"), "0");
}

TEST_F(CatalogViews, TablesColumnsSchemasAndPropertiesCarrySqlServersColumns)
{
    EXPECT_EQ(
        rows("SELECT c.name, c.system_type_id, c.max_length, c.precision, c.scale, ISNULL(c.collation_name, '-'), "
             "c.is_nullable, c.is_identity FROM sys.columns c WHERE c.object_id = OBJECT_ID('Produtos') "
             "AND c.column_id IN (1, 3, 4, 5)"),
        (Rows {{"IdProd", "56", "4", "10", "0", "-", "0", "1"},
               {"Codigo", "231", "40", "0", "0", "Latin1_General_CI_AS", "0", "0"},
               {"Qtd", "106", "9", "12", "3", "-", "0", "0"},
               {"Criado", "61", "8", "23", "3", "-", "1", "0"}}));
    EXPECT_EQ(error("SELECT system_type_name FROM sys.columns").number, 207);
    // sys.objects and sys.tables agree on a table's dates; an ALTER moves modify_date on.
    ok("WAITFOR DELAY '00:00:00.020'");
    ok("ALTER TABLE Solta ADD Outro int NULL");
    EXPECT_EQ(rows("SELECT CASE WHEN o.modify_date > o.create_date THEN 1 ELSE 0 END, CASE WHEN o.modify_date = "
                   "t.modify_date THEN 1 ELSE 0 END FROM sys.objects o INNER JOIN sys.tables t ON t.object_id = "
                   "o.object_id WHERE o.name = 'Solta'"),
              (Rows{{"1", "1"}}));
    EXPECT_EQ(rows("SELECT t.name, s.name, t.type_desc, t.max_column_id_used, t.lock_escalation_desc FROM sys.tables t "
                   "INNER JOIN sys.schemas s ON s.schema_id = t.schema_id WHERE t.name = 'Produtos'"),
              (Rows {{"Produtos", "dbo", "USER_TABLE", "6", "TABLE"}}));
    ok("EXEC sp_addextendedproperty 'MS_Description', 'Itens', 'schema', 'dbo', 'table', 'Produtos', 'column', 'Qtd'");
    ok("EXEC sp_addextendedproperty 'Versao', '1', 'schema', 'dbo'");
    EXPECT_EQ(rows("SELECT class, class_desc, major_id, minor_id, name FROM sys.extended_properties ORDER BY class"),
              (Rows {{"1", "OBJECT_OR_COLUMN", scalar("SELECT OBJECT_ID('Produtos')"), "4", "MS_Description"},
                     {"3", "SCHEMA", "1", "0", "Versao"}}));
    // SELECT * shows the documented columns in their order.
    StatementResult r = ok("SELECT * FROM sys.triggers");
    ASSERT_TRUE(r.resultSet);
    QStringList names;
    for (const auto &c : r.resultSet->columns)
        names << c.name;
    EXPECT_EQ(names.join(","), "name,object_id,parent_class,parent_class_desc,parent_id,type,type_desc,create_date,"
                               "modify_date,is_ms_shipped,is_disabled,is_not_for_replication,is_instead_of_trigger");
}

TEST_F(CatalogViews, IndexesAndForeignKeysSurviveSaveAndLoad)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString query = QStringLiteral(
        "SELECT i.name, i.index_id, i.filter_definition, (SELECT COUNT(*) FROM sys.index_columns ic WHERE "
        "ic.object_id = i.object_id AND ic.index_id = i.index_id AND ic.is_included_column = 1) FROM sys.indexes i "
        "WHERE i.object_id = OBJECT_ID('Produtos') UNION ALL SELECT name, key_index_id, "
        "delete_referential_action_desc, "
        "0 FROM sys.foreign_keys");
    const Rows before = rows(query);
    ASSERT_EQ(before.size(), 5u);
    QString err;
    ASSERT_TRUE(engine.save(dir.path(), &err)) << err.toStdString();
    Engine other;
    ASSERT_TRUE(other.load(dir.path(), &err)) << err.toStdString();
    auto s = other.openSession("sa", "h", "ORVO");
    BatchResult r = other.execute(*s, query);
    ASSERT_TRUE(r.statements.at(0).resultSet);
    Rows after;
    for (const auto &row : r.statements[0].resultSet->rows) {
        QStringList cells;
        for (const Value &v : row)
            cells << (v.isNull() ? QStringLiteral("NULL") : toText(v));
        after.push_back(cells);
    }
    EXPECT_EQ(after, before);
}

// Listings built as UNIONs of catalog views: a bare NULL takes the type the other queries give its
// column, and every value comes out in the column's type.
using UnionTypes = EngineTest;

TEST_F(UnionTypes, ABareNullTakesTheColumnsTypeFromTheOtherQueries)
{
    const std::vector<std::tuple<const char *, TypeId, const char *>> cases {
        {"SELECT CAST(NULL AS sysname) UNION ALL SELECT N'Produtos' UNION ALL SELECT NULL", TypeId::NVarChar,
         "Produtos"},
        {"SELECT NULL UNION ALL SELECT 'Kardex'", TypeId::VarChar, "Kardex"},
        {"SELECT 1 UNION ALL SELECT 2.5", TypeId::Numeric, "1.0"},
        {"SELECT NULL UNION ALL SELECT NULL", TypeId::Int, "NULL"},
    };
    for (const auto &[sql, type, first] : cases) {
        StatementResult r = ok(sql);
        ASSERT_TRUE(r.resultSet) << sql;
        EXPECT_EQ(r.resultSet->columns.at(0).type.id, type) << sql;
        QStringList values;
        for (const auto &row : r.resultSet->rows) {
            if (!row[0].isNull()) {
                EXPECT_EQ(row[0].type.id, type) << sql;
            }
            values << (row[0].isNull() ? QStringLiteral("NULL") : toText(row[0]));
        }
        EXPECT_TRUE(values.contains(QString::fromLatin1(first))) << sql << ": " << values.join(",").toStdString();
    }
}

} // namespace
} // namespace standin::test
