/* Inventário em andamento: libera o recálculo do Kardex de todos os produtos */
CREATE TRIGGER [dbo].[GNR_Inventario] ON [dbo].[Inventário]
FOR INSERT, UPDATE
AS
SET NOCOUNT ON
-- Qualquer cartão incluído ou alterado pela instrução libera todos os produtos, uma vez só
IF EXISTS (SELECT 1 FROM inserted)
    UPDATE Produtos SET KDXok = 1 WHERE KDXok <> 1
