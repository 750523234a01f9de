/* Trigger temporária até unificar os BANCOS */
CREATE TRIGGER [dbo].[GNR_UP_IdPlanta_Produto] ON [dbo].[Produtos]
FOR INSERT
AS
SET NOCOUNT ON
DECLARE @IdProd int = 0

DECLARE Incluidos CURSOR LOCAL FORWARD_ONLY READ_ONLY FOR SELECT inserted.IdProd FROM inserted ORDER BY inserted.IdProd
OPEN Incluidos
FETCH NEXT FROM Incluidos INTO @IdProd
WHILE @@FETCH_STATUS = 0
BEGIN
    -- Produto sem planta recebe a empresa ativa
    UPDATE Produtos SET IdPlanta = PessoaFJ.IdPess
    FROM Produtos, PessoaFJ
    WHERE Produtos.IdProd = @IdProd AND Produtos.IdPlanta = 0 AND PessoaFJ.Ativa = 1

    UPDATE Produtos SET KDXok = 1 WHERE KDXok <> 1

    FETCH NEXT FROM Incluidos INTO @IdProd
END
CLOSE Incluidos
DEALLOCATE Incluidos
