/* GNR_Recebimento_Pedidos_Abertos: material recebido (ou recebimento excluído) refaz o saldo a entregar
   da programação do pedido em aberto, a data de recebimento da nota de entrada (nula quando a nota
   fica sem itens recebidos) e a nota de entrada nos movimentos do Kardex desses recebimentos */
CREATE TRIGGER [dbo].[GNR_Recebimento_Pedidos_Abertos] ON [dbo].[Recebimento]
AFTER INSERT, DELETE
AS
SET NOCOUNT ON

-- Saldo a entregar de cada programação tocada: a programar menos o já recebido, nunca negativo
UPDATE Itens_CRONOS SET dQtde = CASE WHEN Itens_CRONOS.cQtde - ISNULL(Recebido.Qtde, 0) > 0
                                     THEN Itens_CRONOS.cQtde - ISNULL(Recebido.Qtde, 0) ELSE 0 END
FROM Itens_CRONOS
    INNER JOIN (SELECT IdCrn FROM inserted UNION SELECT IdCrn FROM deleted) T ON T.IdCrn = Itens_CRONOS.IdCrn
    LEFT JOIN (SELECT IdCrn, SUM(Qtde) AS Qtde FROM Recebimento WHERE IdCrn > 0 GROUP BY IdCrn) Recebido
        ON Recebido.IdCrn = Itens_CRONOS.IdCrn

-- Data de recebimento da nota de entrada
UPDATE NFs SET DataReceb = GETDATE()
FROM NFs INNER JOIN inserted i ON i.IdNF = NFs.IdNF
WHERE NFs.DataReceb IS NULL

UPDATE NFs SET DataReceb = NULL
FROM NFs INNER JOIN deleted d ON d.IdNF = NFs.IdNF
WHERE NOT EXISTS (SELECT 1 FROM Recebimento WHERE Recebimento.IdNF = NFs.IdNF)

-- Nota de entrada nos movimentos do recebimento
UPDATE Kardex SET IdNFK = i.IdNF
FROM Kardex INNER JOIN inserted i ON i.IdRec = Kardex.IdRec
WHERE Kardex.IdNFK = 0 AND i.IdNF IS NOT NULL
GO
/* Remove o GNR_Etiquetas_Recebimento existente, refeito a seguir */
IF OBJECT_ID(N'dbo.GNR_Etiquetas_Recebimento', N'TR') IS NOT NULL
    DROP TRIGGER [dbo].[GNR_Etiquetas_Recebimento]
GO
/* GNR_Etiquetas_Recebimento, cópia da página de triggers gerais: etiqueta incluída ou excluída acerta
   recebimento, lançamento e saldo */
CREATE TRIGGER [dbo].[GNR_Etiquetas_Recebimento] ON [dbo].[Kardex_SubLote]
AFTER INSERT, DELETE
AS
SET NOCOUNT ON
-- Nenhuma etiqueta incluída ou excluída: nada a acertar
IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
    RETURN
UPDATE Kardex_SubLote SET IdRec = Kardex.IdRec
FROM Kardex_SubLote INNER JOIN Kardex ON Kardex.IdKardex = Kardex_SubLote.IdKardex
WHERE Kardex_SubLote.IdRec = 0

UPDATE Kardex_SubLote SET IdKardex = Kardex.IdKardex
FROM Kardex_SubLote INNER JOIN Kardex ON Kardex.IdRec = Kardex_SubLote.IdRec
WHERE Kardex_SubLote.IdKardex = 0

UPDATE Kardex_SubLote SET Qtd_Saldo = Kardex_SubLote.Qtd_CSM
FROM Kardex_SubLote INNER JOIN inserted i ON i.IdKSL = Kardex_SubLote.IdKSL
WHERE Kardex_SubLote.Qtd_Saldo = 0
GO
