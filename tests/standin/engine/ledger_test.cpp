// A stock ledger kept by a trigger and repaired by a procedure, written as a SQL Server developer
// writes them: cursors over INSERTED/DELETED, updates through joins, loops with TOP and ORDER BY.
#include "EngineTestSupport.h"

namespace standin::test {
namespace {

const char* const kLedgerTrigger = R"(CREATE TRIGGER [dbo].[GNR_Livro] ON [dbo].[Livro]
FOR INSERT, UPDATE, DELETE
AS
-- Mantém o saldo do produto e os dados das movimentações
SET NOCOUNT ON
DECLARE @IdLivro int, @IdProd int, @Ultimo int
SELECT @IdLivro = 0, @IdProd = 0, @Ultimo = 0
IF EXISTS (SELECT * FROM inserted) AND EXISTS (SELECT * FROM deleted)
    RETURN
IF EXISTS (SELECT * FROM inserted)
    DECLARE Linhas CURSOR FORWARD_ONLY READ_ONLY FOR SELECT IdLivro, IdProd FROM inserted
ELSE
    DECLARE Linhas CURSOR FORWARD_ONLY READ_ONLY FOR SELECT IdLivro, IdProd FROM deleted
OPEN Linhas
FETCH NEXT FROM Linhas INTO @IdLivro, @IdProd
WHILE @@FETCH_STATUS = 0
BEGIN
    UPDATE Livro SET Lancado = GETDATE() WHERE IdLivro = @IdLivro
    UPDATE Livro SET IdNF = Entradas.IdNF FROM Livro INNER JOIN Entradas ON Entradas.IdRec = Livro.IdRec
        WHERE Livro.IdLivro = @IdLivro
    UPDATE Livro SET Preço = 0 WHERE IdProd = @IdProd AND Qtd < 0 AND Preço <> 0
    UPDATE Itens SET Ultimo = 0, Validar = 0 WHERE IdProd = @IdProd
    UPDATE Itens SET Ultimo = ISNULL((SELECT MAX(IdLivro) FROM Livro WHERE IdProd = @IdProd), 0) WHERE IdProd = @IdProd
    UPDATE Itens SET Estoque = Livro.Saldo FROM Itens INNER JOIN Livro ON Livro.IdLivro = Itens.Ultimo
        WHERE Itens.IdProd = @IdProd
    SET @Ultimo = @IdLivro
    FETCH NEXT FROM Linhas INTO @IdLivro, @IdProd
END
UPDATE Livro SET Taxa = Aliquotas.Taxa FROM Livro INNER JOIN Aliquotas ON Aliquotas.IdAliq = Livro.IdAliq
    WHERE Aliquotas.Taxa > 0 AND Livro.Taxa <> Aliquotas.Taxa
UPDATE dbo.Livro SET Documento = dbo.Livro.Documento + ' - Projeto-' + CAST(Aliquotas.IdAliq AS nvarchar(10))
    FROM dbo.Livro INNER JOIN Aliquotas ON Aliquotas.IdAliq = dbo.Livro.IdAliq
    WHERE dbo.Livro.Documento LIKE '%sub%Lote%' AND CHARINDEX('Projeto', dbo.Livro.Documento) = 0
CLOSE Linhas
DEALLOCATE Linhas
)";

const char* const kRepair = R"(CREATE PROCEDURE Refaz_Saldo @ProductID int
AS
-- Refaz os saldos a partir da primeira quebra, no máximo 100 linhas por chamada
SET NOCOUNT ON
DECLARE @Desde int, @Saldo int, @Id int, @Qtd int, @Feitas int
SET @Feitas = 0
SELECT @Desde = MIN(l.IdLivro) FROM Livro l
    WHERE l.IdProd = @ProductID AND l.Saldo <> ISNULL((SELECT TOP 1 p.Saldo FROM Livro p WHERE p.IdProd = l.IdProd
    AND p.IdLivro < l.IdLivro ORDER BY p.IdLivro DESC), 0) + l.Qtd
IF @Desde IS NULL
    RETURN 0
SELECT @Saldo = ISNULL((SELECT TOP 1 Saldo FROM Livro WHERE IdProd = @ProductID AND IdLivro < @Desde
    ORDER BY IdLivro DESC), 0)
DECLARE Linhas CURSOR LOCAL FAST_FORWARD FOR
    SELECT TOP 100 IdLivro, Qtd FROM Livro WHERE IdProd = @ProductID AND IdLivro >= @Desde ORDER BY IdLivro
OPEN Linhas
FETCH NEXT FROM Linhas INTO @Id, @Qtd
WHILE @@FETCH_STATUS = 0
BEGIN
    SET @Saldo = @Saldo + @Qtd
    UPDATE Livro SET Saldo = @Saldo WHERE IdLivro = @Id
    SET @Feitas = @Feitas + 1
    FETCH NEXT FROM Linhas INTO @Id, @Qtd
END
CLOSE Linhas
DEALLOCATE Linhas
RETURN @Feitas
)";

class Ledger : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE Itens (IdProd int PRIMARY KEY, Estoque int NOT NULL DEFAULT 0, Ultimo int NOT NULL DEFAULT 0, "
           "Validar int NOT NULL DEFAULT 0)");
        ok("CREATE TABLE Livro (IdLivro int IDENTITY(1,1) PRIMARY KEY, IdProd int NOT NULL, Qtd int NOT NULL, Saldo int "
           "NOT NULL, Preço money NOT NULL DEFAULT 0, IdRec int NULL, IdNF int NULL, IdAliq int NULL, Taxa real NOT NULL "
           "DEFAULT 0, Documento nvarchar(60) NOT NULL DEFAULT '', Lancado datetime NULL)");
        ok("CREATE TABLE Entradas (IdRec int PRIMARY KEY, IdNF int)");
        ok("CREATE TABLE Aliquotas (IdAliq int PRIMARY KEY, Taxa real)");
        ok("INSERT INTO Itens (IdProd) VALUES (1), (2)");
        ok("INSERT INTO Entradas VALUES (7, 700)");
        ok("INSERT INTO Aliquotas VALUES (3, 5)");
        ok(QString::fromUtf8(kLedgerTrigger));
        ok(QString::fromUtf8(kRepair));
    }
};

TEST_F(Ledger, TheTriggerKeepsTheBalanceAndStampsTheMovements)
{
    ok("INSERT INTO Livro (IdProd, Qtd, Saldo, IdRec, IdAliq, Documento) VALUES (1, 10, 10, 7, 3, 'sub Lote 1')");
    ok("INSERT INTO Livro (IdProd, Qtd, Saldo, Preço) VALUES (1, -4, 6, 9.5), (2, 3, 3, 0)");
    EXPECT_EQ(rows("SELECT IdProd, Estoque, Ultimo FROM Itens ORDER BY IdProd"),
              (std::vector<QStringList>{{"1", "6", "2"}, {"2", "3", "3"}}));
    EXPECT_EQ(rows("SELECT IdLivro, ISNULL(IdNF, 0), Preço, Taxa, Documento FROM Livro ORDER BY IdLivro"),
              (std::vector<QStringList>{{"1", "700", "0.00", "5", "sub Lote 1 - Projeto-3"},
                                        {"2", "0", "0.00", "0", ""},
                                        {"3", "0", "0.00", "0", ""}}));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Livro WHERE Lancado IS NULL"), "0");
    // An update changes nothing further; a delete takes the balance back to the remaining ledger.
    ok("UPDATE Livro SET Saldo = 99 WHERE IdLivro = 3");
    EXPECT_EQ(scalar("SELECT Estoque FROM Itens WHERE IdProd = 2"), "3");
    ok("DELETE FROM Livro WHERE IdLivro = 2");
    EXPECT_EQ(rows("SELECT Estoque, Ultimo FROM Itens WHERE IdProd = 1"), (std::vector<QStringList>{{"10", "1"}}));
}

TEST_F(Ledger, TheRepairRewritesAtMostAHundredRowsFromTheFirstBreak)
{
    QStringList values;
    for (int i = 0; i < 150; ++i)
        values << QStringLiteral("(1, 1, %1)").arg(i < 20 ? i + 1 : 0);  // balances break at the 21st row
    ok(QStringLiteral("INSERT INTO Livro (IdProd, Qtd, Saldo) VALUES ") + values.join(", "));
    auto r = rows("DECLARE @n int\nEXEC @n = Refaz_Saldo 1\nSELECT @n");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][0], "100");
    EXPECT_EQ(rows("SELECT MAX(Saldo), COUNT(*) FROM Livro WHERE Saldo = 0"), (std::vector<QStringList>{{"0", "30"}}));
    EXPECT_EQ(scalar("SELECT Saldo FROM Livro WHERE IdLivro = 120"), "120");
    // A second call goes on from the new first break.
    r = rows("DECLARE @n int\nEXEC @n = Refaz_Saldo 1\nSELECT @n");
    EXPECT_EQ(r[0][0], "30");
    EXPECT_EQ(scalar("SELECT Saldo FROM Livro WHERE IdLivro = 150"), "150");
    r = rows("DECLARE @n int\nEXEC @n = Refaz_Saldo 1\nSELECT @n");
    EXPECT_EQ(r[0][0], "0");
}

}  // namespace
}  // namespace standin::test
