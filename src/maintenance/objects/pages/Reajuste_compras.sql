/* Atualiza preço dos pedidos ABERTOS de compras e serviços com o preço atual da peça */
CREATE TRIGGER [dbo].[GNR_Reajuste_compras] ON [dbo].[Peças]
AFTER UPDATE, INSERT
AS
SET NOCOUNT ON
DECLARE @IdPeça int = 0
DECLARE @TLiberou int = 0
SELECT @IdPeça = IdPeça, @TLiberou = TLiberou FROM inserted

IF UPDATE(PREATUAL)
BEGIN
    IF @TLiberou IN (1, 9)
    BEGIN
        -- Itens dos pedidos abertos (GestaoP = 9) da peça
        UPDATE [Itens Pedido] SET Preço = Peças.PREATUAL
        FROM [Itens Pedido]
            INNER JOIN Pedidos ON Pedidos.IdPedido = [Itens Pedido].IdPedido
            INNER JOIN Peças ON Peças.IdPeça = [Itens Pedido].PecaId
        WHERE [Itens Pedido].PecaId = @IdPeça AND Pedidos.GestaoP = 9

        -- e a programação de entregas desses itens
        UPDATE Itens_CRONOS SET cPreço = Peças.PREATUAL
        FROM Itens_CRONOS
            INNER JOIN [Itens Pedido] ON [Itens Pedido].IdItemP = Itens_CRONOS.IdItemP
            INNER JOIN Pedidos ON Pedidos.IdPedido = [Itens Pedido].IdPedido
            INNER JOIN Peças ON Peças.IdPeça = [Itens Pedido].PecaId
        WHERE [Itens Pedido].PecaId = @IdPeça AND Pedidos.GestaoP = 9
    END
    ELSE
        UPDATE Peças SET IdPeca = IdPeça WHERE IdPeça = @IdPeça
END
