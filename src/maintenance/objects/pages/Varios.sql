/* GNR_Forca_pedido_fechado: pedido com o mesmo produto em mais de um item não entra na gestão */
CREATE TRIGGER [dbo].[GNR_Forca_pedido_fechado] ON [dbo].[Pedidos]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(GestaoP)
    UPDATE Pedidos SET GestaoP = 0
    FROM Pedidos INNER JOIN inserted i ON i.IdPedido = Pedidos.IdPedido
    WHERE Pedidos.GestaoP <> 0
        AND EXISTS (SELECT 1 FROM [Itens Pedido] IP
                    WHERE IP.IdPedido = Pedidos.IdPedido
                    GROUP BY IP.PecaId HAVING COUNT(*) > 1)
GO
/* _Tabelas_SOLTAS: identificador trocado (dados importados de outra planta e renumerados) é levado
   às tabelas que o referenciam sem chave em cascata. Uma linha por comando. */
CREATE TRIGGER [dbo].[GNR_Produtos_Tabelas_SOLTAS] ON [dbo].[Produtos]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdPlanta) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdPlanta FROM deleted
    SELECT @Novo = IdPlanta FROM inserted
    IF @Antigo <> @Novo
        UPDATE OF_Rejeitos SET IdPlt = @Novo WHERE IdPlt = @Antigo
END
GO
CREATE TRIGGER [dbo].[GNR_Peças_Tabelas_SOLTAS] ON [dbo].[Peças]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdPeca) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdPeca FROM deleted
    SELECT @Novo = IdPeca FROM inserted
    IF @Antigo <> @Novo
    BEGIN
        UPDATE [Itens Nota] SET IdPeça = @Novo WHERE IdPeça = @Antigo
        UPDATE [Itens Pedido] SET PecaId = @Novo WHERE PecaId = @Antigo
        UPDATE Recebimento SET IdPeça = @Novo WHERE IdPeça = @Antigo
        UPDATE NFs_Itens SET IdPeça = @Novo WHERE IdPeça = @Antigo
    END
END
GO
CREATE TRIGGER [dbo].[GNR_NFs_Tabelas_SOLTAS] ON [dbo].[NFs]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IDNFORG) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IDNFORG FROM deleted
    SELECT @Novo = IDNFORG FROM inserted
    IF @Antigo <> @Novo
    BEGIN
        UPDATE NFs_Itens SET IdNF = @Novo WHERE IdNF = @Antigo
        UPDATE Recebimento SET IdNF = @Novo WHERE IdNF = @Antigo
        UPDATE ContasPR SET IdNF = @Novo WHERE IdNF = @Antigo
    END
END
GO
