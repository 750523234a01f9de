/* Ajustes dos triggers _Tabelas_SOLTAS de NFs e Peças (já criados pela página de triggers união) */
ALTER TRIGGER [dbo].[GNR_NFs_Tabelas_SOLTAS] ON [dbo].[NFs]
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
        UPDATE Kardex SET IdNFK = @Novo WHERE IdNFK = @Antigo
    END
END
GO
ALTER TRIGGER [dbo].[GNR_Peças_Tabelas_SOLTAS] ON [dbo].[Peças]
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
        UPDATE ItensNF_UDs SET IdPeça = @Novo WHERE IdPeça = @Antigo
    END
END
GO
