/* Atualiza preço dos pedidos ABERTOS de compras e serviços com o preço atual da peça */
CREATE TRIGGER [dbo].[GNR_Reajuste_compras] ON [dbo].[Peças]
AFTER UPDATE, INSERT
AS
SET NOCOUNT ON
IF NOT EXISTS (SELECT 1 FROM inserted)
    RETURN

IF UPDATE(PREATUAL)
BEGIN
    -- Peças de compras e serviços (TLiberou 1 e 9): itens dos pedidos abertos (GestaoP = 9)
    UPDATE [Itens Pedido] SET Preço = Peças.PREATUAL
    FROM [Itens Pedido]
        INNER JOIN Pedidos ON Pedidos.IdPedido = [Itens Pedido].IdPedido
        INNER JOIN Peças ON Peças.IdPeça = [Itens Pedido].PecaId
        INNER JOIN inserted ON inserted.IdPeça = Peças.IdPeça
    WHERE inserted.TLiberou IN (1, 9) AND Pedidos.GestaoP = 9

    -- e a programação de entregas desses itens
    UPDATE Itens_CRONOS SET cPreço = Peças.PREATUAL
    FROM Itens_CRONOS
        INNER JOIN [Itens Pedido] ON [Itens Pedido].IdItemP = Itens_CRONOS.IdItemP
        INNER JOIN Pedidos ON Pedidos.IdPedido = [Itens Pedido].IdPedido
        INNER JOIN Peças ON Peças.IdPeça = [Itens Pedido].PecaId
        INNER JOIN inserted ON inserted.IdPeça = Peças.IdPeça
    WHERE inserted.TLiberou IN (1, 9) AND Pedidos.GestaoP = 9

    -- As demais peças recebem o identificador sem acento
    UPDATE Peças SET IdPeca = Peças.IdPeça
    FROM Peças INNER JOIN inserted ON inserted.IdPeça = Peças.IdPeça
    WHERE inserted.TLiberou NOT IN (1, 9)
END
