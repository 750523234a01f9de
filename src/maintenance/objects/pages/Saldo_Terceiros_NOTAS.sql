/* Saldo em poder de terceiros (MTerc) ao autorizar ou cancelar uma NF-e */
CREATE TRIGGER [dbo].[GNR_Saldo_Terceiros_NOTAS] ON [dbo].[Notas]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @NFe_Status int = 0
DECLARE @IdNota int = 0
SELECT @NFe_Status = NFe_Status, @IdNota = IdNota FROM inserted

IF UPDATE(NFe_Status) AND @NFe_Status IN (3, 5)
BEGIN
    UPDATE Produtos SET MTerc = 0
    FROM Produtos
        INNER JOIN Peças ON Peças.IdConjunto = Produtos.IdProd
        INNER JOIN [Itens Nota] ON [Itens Nota].IdPeça = Peças.IdPeça
    WHERE [Itens Nota].IdNota = @IdNota

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
