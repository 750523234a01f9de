/* Transição entre as versões com o objetivo de calcular até o PMP */
CREATE TRIGGER [dbo].[GNR_UP_Kardex_Novo] ON [dbo].[Kardex]
FOR INSERT, UPDATE, DELETE
AS
SET NOCOUNT ON

-- Uma instrução que não tocou em nenhum movimento não recalcula nada
IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
    RETURN

-- Uma alteração (inclusive as deste trigger) não recalcula nada
IF EXISTS (SELECT 1 FROM inserted) AND EXISTS (SELECT 1 FROM deleted)
    RETURN

DECLARE @IdKardex int = 0
DECLARE @IdProd int = 0

-- Na inclusão percorre os movimentos incluídos, na exclusão os excluídos, em ordem de IdKardex
DECLARE Movimentos CURSOR LOCAL FORWARD_ONLY READ_ONLY FOR
    SELECT inserted.IdKardex, inserted.IdProd FROM inserted
    UNION ALL
    SELECT deleted.IdKardex, deleted.IdProd FROM deleted
    ORDER BY IdKardex

OPEN Movimentos
FETCH NEXT FROM Movimentos INTO @IdKardex, @IdProd
WHILE @@FETCH_STATUS = 0
BEGIN
    UPDATE Kardex SET DATE_LCTO = GETDATE() WHERE IdKardex = @IdKardex

    UPDATE Kardex SET IdNFK = Recebimento.IdNF
    FROM Kardex INNER JOIN Recebimento ON Recebimento.IdRec = Kardex.IdRec
    WHERE Kardex.IdKardex = @IdKardex

    -- Saídas não levam preço, a não ser as de item de Nota própria
    UPDATE Kardex SET Preço = 0
    WHERE Kardex.IdProd = @IdProd AND Kardex.Qtd < 0 AND Kardex.Preço <> 0 AND Kardex.IdItemV = 0

    UPDATE Produtos SET LastIdKInDate = 0, SValidar = 0 WHERE Produtos.IdProd = @IdProd

    UPDATE Produtos SET LastIdKInDate = ISNULL((SELECT MAX(K.IdKardex) FROM Kardex K WHERE K.IdProd = @IdProd), 0)
    WHERE Produtos.IdProd = @IdProd

    UPDATE Produtos SET Estoque = Kardex.Saldo
    FROM Produtos INNER JOIN Kardex ON Kardex.IdKardex = Produtos.LastIdKInDate
    WHERE Produtos.IdProd = @IdProd

    FETCH NEXT FROM Movimentos INTO @IdKardex, @IdProd
END

-- IPI do item da NF de compra
UPDATE Kardex SET IPIk = NFs_Itens.pIPI
FROM Kardex INNER JOIN NFs_Itens ON NFs_Itens.IdItemNF = Kardex.IdItemNF
WHERE NFs_Itens.pIPI > 0 AND Kardex.IPIk <> NFs_Itens.pIPI

-- Sub lotes: a O.P. da reserva no fornecedor e o projeto no documento
UPDATE Kardex SET Fornecedor = Kardex.Fornecedor + ' - OP001-' + CAST(OFs_New.IdOrdem AS varchar(12))
FROM Kardex
    INNER JOIN Reservas ON Reservas.IdRes = Kardex.IdResK
    INNER JOIN OFs_New ON OFs_New.IdPRJ = Reservas.IdPRJ AND OFs_New.IdProd = Reservas.IdPai
WHERE Kardex.Documento LIKE '%sub%Lote%' AND Kardex.Fornecedor NOT LIKE '%OP001-%'

UPDATE Kardex SET Documento = Kardex.Documento + ' - Projeto-' + CAST(Reservas.Projeto AS varchar(12))
FROM Kardex INNER JOIN Reservas ON Reservas.IdRes = Kardex.IdResK
WHERE Kardex.Documento LIKE '%sub%Lote%' AND Kardex.Documento NOT LIKE '%Projeto%'

-- Saídas por Nota de devolução (CFOP x201) entre os movimentos incluídos
UPDATE Kardex SET Documento = Kardex.Documento + ' **Devolução**'
FROM Kardex
    INNER JOIN inserted ON inserted.IdKardex = Kardex.IdKardex
    INNER JOIN [Itens Nota] ON [Itens Nota].IdItem = Kardex.IdItemV
WHERE Kardex.Qtd < 0 AND [Itens Nota].CFOPtxt LIKE '%201'
    AND Kardex.Documento NOT LIKE '%**Devolução**'

CLOSE Movimentos
DEALLOCATE Movimentos

/* Inverte o sinal do PIS COFINS de Vendas */
ALTER TRIGGER [dbo].[GNR_UP_ContasPR_PIS_COFINS_Vendas] ON [dbo].[ContasPR]
AFTER INSERT
AS
SET NOCOUNT ON
DECLARE @IdContasPR int = 0
DECLARE Titulos CURSOR LOCAL FORWARD_ONLY FOR
    SELECT IdContasPR FROM inserted WHERE NUM_PGTO = 1 ORDER BY IdContasPR
OPEN Titulos
FETCH NEXT FROM Titulos INTO @IdContasPR
WHILE @@FETCH_STATUS = 0
BEGIN
    UPDATE ContasPR SET ES = 1
    FROM ContasPR INNER JOIN Bancos ON Bancos.IdBanco = ContasPR.IdBanco
    WHERE Bancos.CD_PORTADOR IN ('1027', '1028') AND ContasPR.ES = -1
    FETCH NEXT FROM Titulos INTO @IdContasPR
END
CLOSE Titulos
DEALLOCATE Titulos
