/* Inventário em andamento: libera o recálculo do Kardex de todos os produtos */
CREATE TRIGGER [dbo].[GNR_Inventario] ON [dbo].[Inventário]
FOR INSERT, UPDATE
AS
SET NOCOUNT ON
DECLARE @IdInv int = 0

DECLARE Cartoes CURSOR FORWARD_ONLY READ_ONLY FOR SELECT IdInv FROM inserted
OPEN Cartoes
FETCH NEXT FROM Cartoes INTO @IdInv
WHILE @@FETCH_STATUS = 0
BEGIN
    UPDATE Produtos SET KDXok = 1 WHERE KDXok <> 1
    FETCH NEXT FROM Cartoes INTO @IdInv
END
CLOSE Cartoes
DEALLOCATE Cartoes
