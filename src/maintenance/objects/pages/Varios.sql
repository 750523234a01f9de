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
/* Forma de pagamento renumerada: notas emitidas. O trigger já existe (página de triggers gerais,
   gêmeo sem acento de CódigoPgto): alterado para fazer as duas coisas */
ALTER TRIGGER [dbo].[GNR_FormaPgto_Tabelas_SOLTAS] ON [dbo].[FormaPgto]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(CódigoPgto)
    UPDATE [FormaPgto] SET CodigoPgto = [FormaPgto].[CódigoPgto] FROM [FormaPgto] INNER JOIN inserted i ON i.[IdFPgto] = [FormaPgto].[IdFPgto]
ELSE IF UPDATE(CodigoPgto)
    UPDATE [FormaPgto] SET [CódigoPgto] = [FormaPgto].CodigoPgto FROM [FormaPgto] INNER JOIN inserted i ON i.[IdFPgto] = [FormaPgto].[IdFPgto]
IF UPDATE(IdFPgtoORG) AND (SELECT COUNT(*) FROM inserted) = 1 AND (SELECT COUNT(*) FROM deleted) = 1
BEGIN
    SELECT @Antigo = IdFPgtoORG FROM deleted
    SELECT @Novo = IdFPgtoORG FROM inserted
    IF @Antigo <> @Novo
        UPDATE Notas SET IdForma = @Novo WHERE IdForma = @Antigo
END
GO
/* Cliente ou fornecedor renumerado: notas, pedidos e peças */
CREATE TRIGGER [dbo].[GNR_PessoaFJ_Tabelas_SOLTAS] ON [dbo].[PessoaFJ]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdPessORG) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdPessORG FROM deleted
    SELECT @Novo = IdPessORG FROM inserted
    IF @Antigo <> @Novo
    BEGIN
        UPDATE Notas SET IdPess = @Novo WHERE IdPess = @Antigo
        UPDATE Pedidos SET IdPess = @Novo WHERE IdPess = @Antigo
        UPDATE Peças SET IdPess = @Novo WHERE IdPess = @Antigo
    END
END
GO
/* Pedido de venda renumerado: itens das notas e programas de entrega */
CREATE TRIGGER [dbo].[GNR_PedVenda_Tabelas_SOLTAS] ON [dbo].[PedVenda]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdPedVendaORG) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdPedVendaORG FROM deleted
    SELECT @Novo = IdPedVendaORG FROM inserted
    IF @Antigo <> @Novo
    BEGIN
        UPDATE [Itens Nota] SET IdPdv = @Novo WHERE IdPdv = @Antigo
        UPDATE Programas SET IdPedVenda = @Novo WHERE IdPedVenda = @Antigo
    END
END
GO
/* Fase do roteiro renumerada: apontamentos */
CREATE TRIGGER [dbo].[GNR_Processos_Tabelas_SOLTAS] ON [dbo].[Processos]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdProcessoORG) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdProcessoORG FROM deleted
    SELECT @Novo = IdProcessoORG FROM inserted
    IF @Antigo <> @Novo
        UPDATE OF_Apoint SET IdProcesso = @Novo WHERE IdProcesso = @Antigo
END
GO
/* O.P. renumerada: apontamentos e itens de nota enviados para beneficiamento */
CREATE TRIGGER [dbo].[GNR_OFs_New_Tabelas_SOLTAS] ON [dbo].[OFs_New]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdOF) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdOF FROM deleted
    SELECT @Novo = IdOF FROM inserted
    -- 0 é a O.P. ainda sem número: nada a levar
    IF @Antigo <> @Novo AND @Antigo <> 0
    BEGIN
        UPDATE OF_Apoint SET IdOF = @Novo WHERE IdOF = @Antigo
        UPDATE [Itens Nota] SET UIdReta = @Novo WHERE UIdReta = @Antigo
    END
END
GO
/* Autorização de entrega renumerada: itens das notas e programas de entrega */
CREATE TRIGGER [dbo].[GNR_Prog_AE_Tabelas_SOLTAS] ON [dbo].[Prog_AE]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdProgAEORG) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdProgAEORG FROM deleted
    SELECT @Novo = IdProgAEORG FROM inserted
    IF @Antigo <> @Novo
    BEGIN
        UPDATE [Itens Nota] SET IdAuto = @Novo WHERE IdAuto = @Antigo
        UPDATE Programas SET IdAuto = @Novo WHERE IdAuto = @Antigo
    END
END
GO
/* Recebimento renumerado: movimentos de notas de entrada no Kardex e etiquetas */
CREATE TRIGGER [dbo].[GNR_Recebimento_Tabelas_SOLTAS] ON [dbo].[Recebimento]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdRecORG) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdRecORG FROM deleted
    SELECT @Novo = IdRecORG FROM inserted
    IF @Antigo <> @Novo
    BEGIN
        UPDATE Kardex SET IdRec = @Novo WHERE IdRec = @Antigo AND IdNFK > 0
        UPDATE Kardex_SubLote SET IdRec = @Novo WHERE IdRec = @Antigo
    END
END
GO
/* Item de nota de entrada renumerado: Kardex e retornos de terceiros */
CREATE TRIGGER [dbo].[GNR_NFs_Itens_Tabelas_SOLTAS] ON [dbo].[NFs_Itens]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Antigo int = 0
DECLARE @Novo int = 0
IF UPDATE(IdItemNFORG) AND (SELECT COUNT(*) FROM inserted) = 1
BEGIN
    SELECT @Antigo = IdItemNFORG FROM deleted
    SELECT @Novo = IdItemNFORG FROM inserted
    IF @Antigo <> @Novo
    BEGIN
        UPDATE Kardex SET IdItemNF = @Novo WHERE IdItemNF = @Antigo
        UPDATE Retorna SET IdItemNF = @Novo WHERE IdItemNF = @Antigo
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
