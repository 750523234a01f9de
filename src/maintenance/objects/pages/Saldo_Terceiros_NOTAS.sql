/* Saldo em poder de terceiros (MTerc) ao autorizar ou cancelar uma NF-e */
CREATE TRIGGER [dbo].[GNR_Saldo_Terceiros_NOTAS] ON [dbo].[Notas]
AFTER UPDATE
AS
SET NOCOUNT ON

-- Notas da alteração autorizadas (3) ou canceladas (5)
IF UPDATE(NFe_Status) AND EXISTS (SELECT 1 FROM inserted WHERE inserted.NFe_Status IN (3, 5))
BEGIN
    UPDATE Produtos SET MTerc = 0
    FROM Produtos
        INNER JOIN Peças ON Peças.IdConjunto = Produtos.IdProd
        INNER JOIN [Itens Nota] ON [Itens Nota].IdPeça = Peças.IdPeça
        INNER JOIN inserted ON inserted.IdNota = [Itens Nota].IdNota
    WHERE inserted.NFe_Status IN (3, 5)

    UPDATE Produtos SET MTerc = T.Total
    FROM Produtos
        INNER JOIN (SELECT Peças.IdConjunto AS IdProd, SUM([Itens Nota].SdoN) AS Total
                    FROM [Itens Nota]
                        INNER JOIN Notas ON Notas.IdNota = [Itens Nota].IdNota
                        INNER JOIN NatFiscal ON NatFiscal.CodNatF = Notas.CodNat
                        INNER JOIN Peças ON Peças.IdPeça = [Itens Nota].IdPeça
                    WHERE Notas.NFe_Status = 3 AND NatFiscal.Ctrl_Terceiros = 1
                    GROUP BY Peças.IdConjunto
                    HAVING SUM([Itens Nota].SdoN) > 0) T ON T.IdProd = Produtos.IdProd
END
