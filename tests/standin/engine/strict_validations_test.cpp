// What SQL Server refuses and the server must refuse too: identity values, referenced tables, declarations,
// RAISERROR formats, indexes, grouping, nested ORDER BY, constraints; and the transaction a failing trigger
// leaves to a CATCH block.
#include "EngineTestSupport.h"

#include <QTemporaryDir>

namespace standin::test {
namespace {

class StrictValidations : public EngineTest
{
protected:
    // The numbers of the errors a batch raised, in the order the client gets them.
    std::vector<int> errors(const QString &sql)
    {
        std::vector<int> out;
        for (const auto &s : run(sql).statements)
            for (const auto &m : s.messages)
                if (m.severity > 10)
                    out.push_back(m.number);
        return out;
    }

    // The rows of the last result set of a batch that may also fail somewhere.
    std::vector<QStringList> lastRows(const QString &sql)
    {
        std::vector<QStringList> out;
        const BatchResult r = run(sql);
        for (auto it = r.statements.rbegin(); it != r.statements.rend() && out.empty(); ++it)
            if (it->resultSet)
                for (const auto &row : it->resultSet->rows) {
                    QStringList cells;
                    for (const Value &v : row)
                        cells << (v.isNull() ? QStringLiteral("NULL") : toText(v));
                    out.push_back(cells);
                }
        return out;
    }
};

TEST_F(StrictValidations, IdentityInsertIsOneTableOfOneSession)
{
    ok("CREATE TABLE Nota (Id int IDENTITY, Serie varchar(3))");
    ok("CREATE TABLE Item (Id int IDENTITY, Nome varchar(10))");
    const ServerMessage off = error("INSERT INTO Nota (Id, Serie) VALUES (7, 'A')");
    EXPECT_EQ(off.number, 544);
    EXPECT_EQ(off.text,
              "Cannot insert explicit value for identity column in table 'Nota' when IDENTITY_INSERT is set to OFF.");
    EXPECT_EQ(error("INSERT INTO Nota VALUES (7, 'A')").number, 8101); // every column, no list

    ok("SET IDENTITY_INSERT Nota ON");
    const ServerMessage missing = error("INSERT INTO Nota (Serie) VALUES ('A')");
    EXPECT_EQ(missing.number, 545);
    EXPECT_EQ(missing.text, "Explicit value must be specified for identity column in table 'Nota' either when "
                            "IDENTITY_INSERT is set to ON or when a replication user is inserting into a NOT FOR "
                            "REPLICATION identity column.");
    const ServerMessage other = error("SET IDENTITY_INSERT Item ON");
    EXPECT_EQ(other.number, 8107);
    EXPECT_EQ(other.text, "IDENTITY_INSERT is already ON for table 'ORVO.dbo.Nota'. Cannot perform SET operation for "
                          "table 'Item'.");
    ok("INSERT INTO Nota (Id, Serie) VALUES (7, 'A')");

    // Another connection has its own setting: OFF for every table.
    auto second = engine.openSession(QStringLiteral("sa"), QStringLiteral("estacao02"), QStringLiteral("ORVO"));
    const BatchResult elsewhere =
        engine.execute(*second, QStringLiteral("INSERT INTO Nota (Id, Serie) VALUES (8, 'B')"));
    ASSERT_FALSE(elsewhere.statements.empty());
    ASSERT_FALSE(elsewhere.statements[0].messages.empty());
    EXPECT_EQ(elsewhere.statements[0].messages[0].number, 544);

    ok("SET IDENTITY_INSERT Nota OFF");
    ok("SET IDENTITY_INSERT Item ON");
    ok("INSERT INTO Item (Id, Nome) VALUES (3, 'x')");
    EXPECT_EQ(rows("SELECT (SELECT MAX(Id) FROM Nota), (SELECT COUNT(*) FROM Nota), (SELECT MAX(Id) FROM Item)"),
              (std::vector<QStringList> {{"7", "1", "3"}}));
}

TEST_F(StrictValidations, AReferencedTableIsNeitherTruncatedNorDropped)
{
    ok("CREATE TABLE Cliente (Id int PRIMARY KEY, Matriz int REFERENCES Cliente (Id))");
    ok("CREATE TABLE Pedido (Id int, IdCliente int CONSTRAINT FK_Pedido_Cliente FOREIGN KEY REFERENCES Cliente (Id))");
    ok("INSERT INTO Cliente VALUES (1, NULL)");
    ok("INSERT INTO Pedido VALUES (1, 1)");
    const ServerMessage truncate = error("TRUNCATE TABLE dbo.Cliente");
    EXPECT_EQ(truncate.number, 4712);
    EXPECT_EQ(truncate.text,
              "Cannot truncate table 'dbo.Cliente' because it is being referenced by a FOREIGN KEY constraint.");
    const ServerMessage drop = error("DROP TABLE Cliente");
    EXPECT_EQ(drop.number, 3726);
    EXPECT_EQ(drop.text, "Could not drop object 'Cliente' because it is referenced by a FOREIGN KEY constraint.");
    ok("ALTER TABLE Pedido NOCHECK CONSTRAINT FK_Pedido_Cliente");
    EXPECT_EQ(error("TRUNCATE TABLE Cliente").number, 4712); // a disabled key still references it
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Cliente"), "1");

    ok("TRUNCATE TABLE Pedido"); // nothing references the referencing table
    ok("DROP TABLE Pedido");
    EXPECT_EQ(error("TRUNCATE TABLE Cliente").number, 4712); // its own key references it
    ok("DROP TABLE Cliente"); // a key of its own does not hold a table
}

TEST_F(StrictValidations, ForeignKeysHoldBothWays)
{
    ok("CREATE TABLE Grupo (Id int CONSTRAINT PK_Grupo PRIMARY KEY, Pai int, CONSTRAINT FK_Grupo_Pai FOREIGN KEY (Pai) "
       "REFERENCES Grupo (Id))");
    ok("CREATE TABLE Produto (Id int, IdGrupo int CONSTRAINT FK_Produto_Grupo REFERENCES Grupo)");
    ok("INSERT INTO Grupo VALUES (1, NULL), (2, 1), (3, 3)"); // a row may reference itself or one of its statement
    ok("INSERT INTO Produto VALUES (10, 2), (11, NULL)");
    const ServerMessage orphan = error("INSERT INTO Produto VALUES (12, 9)");
    EXPECT_EQ(orphan.number, 547);
    EXPECT_EQ(orphan.text, "The INSERT statement conflicted with the FOREIGN KEY constraint \"FK_Produto_Grupo\". The "
                           "conflict occurred in database \"ORVO\", table \"dbo.Grupo\", column 'Id'.");
    EXPECT_EQ(error("UPDATE Produto SET IdGrupo = 9").number, 547);
    const ServerMessage referenced = error("DELETE FROM Grupo WHERE Id = 2");
    EXPECT_EQ(referenced.number, 547);
    EXPECT_EQ(referenced.text,
              "The DELETE statement conflicted with the REFERENCE constraint \"FK_Produto_Grupo\". The "
              "conflict occurred in database \"ORVO\", table \"dbo.Produto\", column 'IdGrupo'.");
    EXPECT_EQ(error("UPDATE Grupo SET Id = 5 WHERE Id = 1").number, 547); // Grupo 2 points at it
    EXPECT_EQ(errors("ALTER TABLE Grupo DROP CONSTRAINT PK_Grupo"), (std::vector<int> {3725, 3727}));
    EXPECT_EQ(errors("CREATE TABLE Item (IdProd int REFERENCES Produto (Id))"), (std::vector<int> {1776, 1750}));
    EXPECT_EQ(errors("CREATE TABLE Item (IdProd int REFERENCES Nenhuma (Id))"), (std::vector<int> {1767, 1750}));
    EXPECT_EQ(error("ALTER TABLE Produto ADD CONSTRAINT FK_Produto_Id FOREIGN KEY (Id) REFERENCES Grupo (Id)").number,
              547);
    // Turned off, a foreign key lets rows through; WITH CHECK reads them again.
    ok("ALTER TABLE Produto NOCHECK CONSTRAINT FK_Produto_Grupo");
    ok("INSERT INTO Produto VALUES (12, 9)");
    ok("DELETE FROM Grupo WHERE Id = 3");
    EXPECT_EQ(error("ALTER TABLE Produto WITH CHECK CHECK CONSTRAINT FK_Produto_Grupo").number, 547);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Grupo UNION ALL SELECT COUNT(*) FROM Produto"),
              (std::vector<QStringList> {{"2"}, {"3"}}));
}

TEST_F(StrictValidations, IndexesAndForeignKeysComeBackFromDisk)
{
    ok("CREATE TABLE Grupo (Id int PRIMARY KEY, Ean varchar(13))");
    ok("CREATE TABLE Produto (Id int, IdGrupo int REFERENCES Grupo (Id))");
    ok("CREATE UNIQUE INDEX UX_Ean ON Grupo (Ean) WHERE Ean IS NOT NULL");
    ok("CREATE INDEX IX_Grupo ON Produto (IdGrupo)");
    ok("ALTER TABLE Produto WITH NOCHECK ADD CONSTRAINT CK_Id CHECK (Id > 0)");
    ok("INSERT INTO Grupo VALUES (1, NULL), (2, NULL), (3, '7')");
    QTemporaryDir dir;
    QString err;
    ASSERT_TRUE(engine.save(dir.path(), &err)) << err.toStdString();
    Engine loaded;
    ASSERT_TRUE(loaded.load(dir.path(), &err)) << err.toStdString();
    auto s = loaded.openSession("sa", "h", "ORVO");
    auto firstError = [&](const QString &sql) {
        for (const auto &st : loaded.execute(*s, sql).statements)
            for (const auto &m : st.messages)
                if (m.severity > 10)
                    return m.number;
        return 0;
    };
    EXPECT_EQ(firstError("INSERT INTO Grupo VALUES (4, NULL)"), 0);
    EXPECT_EQ(firstError("INSERT INTO Grupo VALUES (5, '7')"), 2601);
    EXPECT_EQ(firstError("INSERT INTO Produto VALUES (1, 9)"), 547);
    EXPECT_EQ(firstError("TRUNCATE TABLE Grupo"), 4712);
    EXPECT_EQ(firstError("DROP INDEX IX_Grupo ON Produto"), 0);
}

TEST_F(StrictValidations, DeclarationsSqlServerRefuses)
{
    ok("CREATE TABLE Log (Id int)");
    const struct
    {
        const char *sql;
        int number;
        const char *text;
    } cases[] = {
        {"CREATE TRIGGER Dup ON Log FOR INSERT, UPDATE, insert AS RETURN", 1034,
         "Syntax error: Duplicate specification of the action \"INSERT\" in the trigger declaration."},
        {"CREATE FUNCTION Texto() RETURNS ntext AS BEGIN RETURN N'a' END", 2733,
         "The ntext data type is invalid for return values."},
        {"DECLARE @a int, @t text", 2739, "The text, ntext, and image data types are invalid for local variables."},
    };
    for (const auto &c : cases) {
        const ServerMessage m = error(QString::fromUtf8(c.sql));
        EXPECT_EQ(m.number, c.number) << c.sql;
        EXPECT_EQ(m.text, QString::fromUtf8(c.text)) << c.sql;
    }
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.objects WHERE name IN ('Dup', 'Texto')"), "0");
}

TEST_F(StrictValidations, RaiserrorFormatsAreChecked)
{
    const struct
    {
        const char *sql;
        int number;
        const char *text;
    } cases[] = {
        {"RAISERROR('%d', 16, 1, 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21)", 2747,
         "Too many substitution parameters for RAISERROR. Cannot exceed 20 substitution parameters."},
        {"RAISERROR('Nota %c inválida', 16, 1, 5)", 2787, "Invalid format specification: '%c inválida'."},
        {"RAISERROR('Nota %d', 16, 1, 'A1')", 2786,
         "The data type of substitution parameter 1 does not match the expected type of the format specification."},
        {"RAISERROR('Nota %s de %s', 16, 1, 'A1', 5)", 2786,
         "The data type of substitution parameter 2 does not match the expected type of the format specification."},
        {"RAISERROR('Nota %s, item %5d (%x)', 16, 1, 'A1', 42, 255)", 50000, "Nota A1, item    42 (ff)"},
    };
    for (const auto &c : cases) {
        const ServerMessage m = error(QString::fromUtf8(c.sql));
        EXPECT_EQ(m.number, c.number) << c.sql;
        EXPECT_EQ(m.text, QString::fromUtf8(c.text)) << c.sql;
    }
}

TEST_F(StrictValidations, FilteredUniqueIndexesAndDropIndex)
{
    ok("CREATE TABLE Produto (Id int CONSTRAINT PK_Produto PRIMARY KEY, Ean varchar(13), Ativo bit)");
    ok("CREATE UNIQUE INDEX UX_Ean ON Produto (Ean) WHERE Ean IS NOT NULL");
    ok("CREATE UNIQUE INDEX UX_Ativo ON Produto (Ean) WHERE Ativo = 1 AND Ean IS NOT NULL");
    ok("CREATE INDEX IX_Ativo ON dbo.Produto (Ativo)");
    // Rows the filter leaves out are no keys: many NULLs pass.
    ok("INSERT INTO Produto VALUES (1, NULL, 1), (2, NULL, 1), (3, '789', 0)");
    const ServerMessage dup = error("INSERT INTO Produto VALUES (4, '789', 0)");
    EXPECT_EQ(dup.number, 2601);
    EXPECT_EQ(dup.text,
              "Cannot insert duplicate key row in object 'dbo.Produto' with unique index 'UX_Ean'. The duplicate "
              "key value is (789).");
    EXPECT_EQ(error("UPDATE Produto SET Ean = '789' WHERE Id = 1").number, 2601);
    EXPECT_EQ(error("CREATE UNIQUE INDEX UX_Ean ON Produto (Id)").number, 1913);
    EXPECT_EQ(error("CREATE INDEX IX_Ativo ON Produto (Id)").number, 1913);
    EXPECT_EQ(error("CREATE UNIQUE INDEX UX_Mal ON Produto (Ean) WHERE Ean LIKE '7%'").number, 10735);

    // DROP INDEX in both forms; a constraint's index goes only with its constraint.
    ok("DROP INDEX UX_Ean ON Produto");
    ok("UPDATE Produto SET Ativo = 0 WHERE Id = 1");
    ok("INSERT INTO Produto VALUES (4, '789', 0)");
    EXPECT_EQ(error("UPDATE Produto SET Ativo = 1").number, 2601); // the row the filter now admits clashes
    ok("DROP INDEX Produto.UX_Ativo, dbo.Produto.IX_Ativo");
    ok("UPDATE Produto SET Ativo = 1");
    const ServerMessage gone = error("DROP INDEX Produto.UX_Ean");
    EXPECT_EQ(gone.number, 3701);
    EXPECT_EQ(gone.text,
              "Cannot drop the index 'Produto.UX_Ean', because it does not exist or you do not have permission.");
    ok("DROP INDEX IF EXISTS UX_Ean ON Produto");
    const ServerMessage key = error("DROP INDEX PK_Produto ON Produto");
    EXPECT_EQ(key.number, 3723);
    EXPECT_EQ(key.text, "An explicit DROP INDEX is not allowed on index 'Produto.PK_Produto'. It is being used for "
                        "PRIMARY KEY constraint enforcement.");
    EXPECT_EQ(error("DROP INDEX IX_Nada ON Inexistente").number, 3701);
}

TEST_F(StrictValidations, GroupedQueriesReadOnlyWhatTheyGroup)
{
    ok("CREATE TABLE Venda (Loja int, Vendedor int, Valor money)");
    ok("INSERT INTO Venda VALUES (1, 10, 5), (1, 11, 7), (2, 10, 1)");
    const ServerMessage list = error("SELECT Loja, Vendedor, SUM(Valor) FROM Venda GROUP BY Loja");
    EXPECT_EQ(list.number, 8120);
    EXPECT_EQ(list.text, "Column 'Venda.Vendedor' is invalid in the select list because it is not contained in either "
                         "an aggregate function or the GROUP BY clause.");
    EXPECT_EQ(error("SELECT Loja FROM Venda v GROUP BY Loja HAVING MAX(Valor) > 1 AND Vendedor > 0").number, 8121);
    const ServerMessage order = error("SELECT Loja, COUNT(*) FROM Venda GROUP BY Loja ORDER BY Vendedor");
    EXPECT_EQ(order.number, 8127);
    EXPECT_EQ(order.text, "Column \"Venda.Vendedor\" is invalid in the ORDER BY clause because it is not contained in "
                          "either an aggregate function or the GROUP BY clause.");
    // Expressions of grouped columns, and the grouped expressions themselves, are fine.
    EXPECT_EQ(rows("SELECT Loja * 10 + 1, Vendedor % 10, SUM(Valor) FROM Venda GROUP BY Loja, Vendedor % 10 "
                   "ORDER BY Loja * 10 + 1"),
              (std::vector<QStringList> {{"11", "0", "5.00"}, {"11", "1", "7.00"}, {"21", "0", "1.00"}}));
}

TEST_F(StrictValidations, OrderByInsideAQueryNeedsTop)
{
    ok("CREATE TABLE Venda (Loja int, Valor money)");
    const char *refused[] = {"SELECT * FROM (SELECT Loja FROM Venda ORDER BY Loja) v",
                             "SELECT 1 WHERE 1 IN (SELECT Loja FROM Venda ORDER BY Valor)",
                             "SELECT (SELECT Loja FROM Venda ORDER BY Valor)"};
    for (const char *sql : refused) {
        const ServerMessage m = error(QString::fromUtf8(sql));
        EXPECT_EQ(m.number, 1033) << sql;
        EXPECT_EQ(m.text, "The ORDER BY clause is invalid in views, inline functions, derived tables, subqueries, and "
                          "common table expressions, unless TOP or FOR XML is also specified.");
    }
    ok("SELECT * FROM (SELECT TOP 1 Loja FROM Venda ORDER BY Valor DESC) v ORDER BY Loja");
}

TEST_F(StrictValidations, QueryHintsCloseOnlyTheOutermostStatement)
{
    ok("CREATE TABLE Venda (Loja int, Valor money)");
    // The batch is refused as it is read: the INSERT ahead of the misplaced hint never runs.
    const char *refused[] = {
        "WITH n AS (SELECT Loja FROM Venda OPTION (MAXRECURSION 5)) SELECT * FROM n",
        "SELECT * FROM (SELECT Loja FROM Venda OPTION (MAXDOP 1)) v",
        "SELECT 1 WHERE EXISTS (SELECT Loja FROM Venda OPTION (RECOMPILE))",
        "SELECT (SELECT MAX(Valor) FROM Venda OPTION (MAXDOP 1))",
        "(SELECT Loja FROM Venda OPTION (MAXDOP 1)) UNION SELECT 2",
        "SELECT Loja FROM Venda OPTION (MAXDOP 1) OPTION (RECOMPILE)",
        "SELECT TOP (SELECT 1 OPTION (MAXDOP 1)) Loja FROM Venda",
    };
    for (const char *sql : refused) {
        const ServerMessage m = error(QStringLiteral("INSERT INTO Venda VALUES (1, 10);\n") + QString::fromUtf8(sql));
        EXPECT_EQ(m.number, 156) << sql;
        EXPECT_EQ(m.severity, 15) << sql;
        EXPECT_EQ(m.text, "Incorrect syntax near the keyword 'OPTION'.") << sql;
    }
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Venda"), "0");
    // At the end of the outermost statement, whatever it is built of.
    ok("WITH n AS (SELECT Loja FROM Venda) SELECT * FROM n WHERE Loja IN (SELECT Loja FROM Venda) OPTION (MAXDOP 1)");
    ok("(SELECT Loja FROM Venda) UNION (SELECT 2) ORDER BY 1 OPTION (RECOMPILE)");
    ok("INSERT INTO Venda SELECT Loja, Valor FROM (SELECT Loja, Valor FROM Venda) v OPTION (MAXDOP 1)");
    ok("UPDATE Venda SET Valor = 1 WHERE Loja IN (SELECT Loja FROM Venda) OPTION (RECOMPILE)");
}

TEST_F(StrictValidations, QueriesSqlServerRefusesToCompile)
{
    ok("CREATE TABLE Venda (Loja int, Valor money)");
    const struct
    {
        const char *sql;
        int number;
        const char *text;
    } cases[] = {
        {"SELECT * FROM Venda JOIN dbo.Venda ON 1 = 1", 1013,
         "The objects \"Venda\" and \"dbo.Venda\" in the FROM clause have the same exposed names. Use correlation "
         "names to distinguish them."},
        {"DELETE v FROM Venda v, Venda v", 1011,
         "The correlation name 'v' is specified multiple times in a FROM clause."},
        {"SELECT 1 FROM Venda Loja JOIN Loja ON 1 = 1", 1012,
         "The correlation name 'Loja' has the same exposed name as table 'Loja'."},
        {"DECLARE @v money\nSELECT @v = Valor, Loja FROM Venda", 141,
         "A SELECT statement that assigns a value to a variable must not be combined with data-retrieval operations."},
        {"SELECT SUM(MAX(Valor)) FROM Venda", 130,
         "Cannot perform an aggregate function on an expression containing an aggregate or a subquery."},
        {"SELECT MAX((SELECT 1)) FROM Venda", 130,
         "Cannot perform an aggregate function on an expression containing an aggregate or a subquery."},
    };
    for (const auto &c : cases) {
        const ServerMessage m = error(QString::fromUtf8(c.sql));
        EXPECT_EQ(m.number, c.number) << c.sql;
        EXPECT_EQ(m.text, QString::fromUtf8(c.text)) << c.sql;
    }
    // The same table twice under two names, and once more in a subquery, is fine.
    ok("SELECT a.Loja FROM Venda a JOIN Venda b ON b.Loja = a.Loja WHERE EXISTS (SELECT 1 FROM Venda WHERE Loja = 1)");
}

TEST_F(StrictValidations, ConstraintsCheckedAgainWithCheckAndNamesClash)
{
    ok("CREATE TABLE Estoque (Id int CONSTRAINT PK_Estoque PRIMARY KEY, Qtd int)");
    ok("INSERT INTO Estoque VALUES (1, -2), (2, 3)");
    ok("ALTER TABLE Estoque WITH NOCHECK ADD CONSTRAINT CK_Qtd CHECK (Qtd >= 0)");
    ok("ALTER TABLE Estoque NOCHECK CONSTRAINT CK_Qtd");
    ok("ALTER TABLE Estoque CHECK CONSTRAINT CK_Qtd"); // back on, the rows there unread
    const ServerMessage recheck = error("ALTER TABLE Estoque WITH CHECK CHECK CONSTRAINT CK_Qtd");
    EXPECT_EQ(recheck.number, 547);
    EXPECT_TRUE(recheck.text.startsWith("The ALTER TABLE statement conflicted with the CHECK constraint \"CK_Qtd\". "
                                        "The conflict occurred in database \"ORVO\", table \"dbo.Estoque\""))
        << recheck.text.toStdString();
    ok("UPDATE Estoque SET Qtd = 0 WHERE Id = 1");
    ok("ALTER TABLE Estoque WITH CHECK CHECK CONSTRAINT ALL");
    // Another check the rows break does not answer for the one added.
    ok("ALTER TABLE Estoque WITH NOCHECK ADD CONSTRAINT CK_Pouco CHECK (Qtd < 1)");
    ok("ALTER TABLE Estoque ADD CONSTRAINT CK_Id CHECK (Id > 0)");

    // A column check reads its own column only; a name taken by another object: 2714, then 1750.
    EXPECT_EQ(errors("CREATE TABLE Faixa (Min int, Max int CHECK (Max >= Min))"), (std::vector<int> {8141, 1750}));
    EXPECT_EQ(errors("CREATE TABLE Outro (Id int CONSTRAINT PK_Estoque PRIMARY KEY)"), (std::vector<int> {2714, 1750}));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sys.objects WHERE name IN ('Faixa', 'Outro')"), "0");
}

TEST_F(StrictValidations, ATriggerErrorDoomsAnAutocommitStatementsTransaction)
{
    ok("CREATE TABLE Baixa (Qtd int)");
    ok("CREATE TRIGGER Recusa ON Baixa AFTER INSERT AS IF EXISTS (SELECT 1 FROM inserted WHERE Qtd < 0) "
       "RAISERROR('Quantidade negativa', 16, 1)");
    EXPECT_EQ(lastRows("DECLARE @n int, @x int, @e int\nBEGIN TRY INSERT INTO Baixa VALUES (-1) END TRY BEGIN CATCH "
                       "SELECT @n = @@TRANCOUNT, @x = XACT_STATE(), @e = ERROR_NUMBER(); ROLLBACK END CATCH\n"
                       "SELECT @n, @x, @e"),
              (std::vector<QStringList> {{"1", "-1", "50000"}}));
    EXPECT_EQ(rows("SELECT @@TRANCOUNT, COUNT(*) FROM Baixa"), (std::vector<QStringList> {{"0", "0"}}));
    // Left open, the batch's end takes it back (3998).
    EXPECT_EQ(errors("BEGIN TRY INSERT INTO Baixa VALUES (-1) END TRY BEGIN CATCH PRINT 'x' END CATCH"),
              (std::vector<int> {3998}));
    EXPECT_EQ(scalar("SELECT @@TRANCOUNT"), "0");
}

TEST_F(StrictValidations, DeclareWithoutValuesKeepsError)
{
    EXPECT_EQ(lastRows("SELECT 1/0\nDECLARE @a int, @b varchar(5)\nSELECT @@ERROR"),
              (std::vector<QStringList> {{"8134"}}));
    EXPECT_EQ(lastRows("SELECT 1/0\nDECLARE @a int = 1\nSELECT @@ERROR"), (std::vector<QStringList> {{"0"}}));
}

TEST_F(StrictValidations, AModuleBindsTheColumnsOfItsDerivedTables)
{
    ok("CREATE TABLE Saldo (IdProd int, Qtd int)");
    ok("CREATE TABLE Mov (IdProd int, Qtd int)");
    const ServerMessage ambiguous = error(
        "CREATE PROCEDURE Fecha AS UPDATE s SET Qtd = m.Total FROM Saldo s JOIN (SELECT IdProd, SUM(Qtd) AS Total "
        "FROM Mov GROUP BY IdProd) m ON m.IdProd = IdProd");
    EXPECT_EQ(ambiguous.number, 209);
    EXPECT_EQ(ambiguous.text, "Ambiguous column name 'IdProd'.");
    EXPECT_EQ(error("CREATE PROCEDURE Fecha AS UPDATE s SET Qtd = m.Soma FROM Saldo s JOIN (SELECT IdProd, SUM(Qtd) "
                    "AS Total FROM Mov GROUP BY IdProd) m ON m.IdProd = s.IdProd")
                  .number,
              207);
    ok("CREATE PROCEDURE Fecha AS UPDATE s SET Qtd = m.Total FROM Saldo s JOIN (SELECT IdProd, SUM(Qtd) AS Total "
       "FROM Mov GROUP BY IdProd) m ON m.IdProd = s.IdProd");
    ok("INSERT INTO Saldo VALUES (1, 0), (2, 0)");
    ok("INSERT INTO Mov VALUES (1, 2), (1, 3)");
    ok("EXEC Fecha");
    EXPECT_EQ(rows("SELECT Qtd FROM Saldo ORDER BY IdProd"), (std::vector<QStringList> {{"5"}, {"0"}}));
}

TEST_F(StrictValidations, TextLiteralsAndReplicateKeepTheirTypes)
{
    // A plain literal holds code page 1252 only; N'...' keeps every letter.
    EXPECT_EQ(rows("SELECT 'Жóia', N'Жóia'"), (std::vector<QStringList> {{"?óia", "Жóia"}}));
    const StatementResult r = ok("SELECT REPLICATE(N'0', 10) + N'999', REPLICATE('0', 3) + '9'");
    ASSERT_TRUE(r.resultSet);
    EXPECT_EQ(r.resultSet->columns[0].type.id, TypeId::NVarChar);
    EXPECT_EQ(r.resultSet->columns[1].type.id, TypeId::VarChar);
    EXPECT_EQ(toText(r.resultSet->rows[0][0]), "0000000000999");
}

} // namespace
} // namespace standin::test
