/* Ajustes dos triggers _Tabelas_SOLTAS de NFs e Peças (já criados pela página de triggers união) */
ALTER TRIGGER [dbo].[GNR_NFs_Tabelas_SOLTAS] ON [dbo].[NFs]
AFTER UPDATE
AS
SET NOCOUNT ON
-- Cada NF renumerada (IDNFORG antigo e novo da mesma NF, pelo IdNF) leva o novo número às tabelas
IF UPDATE(IDNFORG)
BEGIN
    UPDATE NFs_Itens SET IdNF = inserted.IDNFORG
    FROM NFs_Itens
        INNER JOIN deleted ON deleted.IDNFORG = NFs_Itens.IdNF
        INNER JOIN inserted ON inserted.IdNF = deleted.IdNF
    WHERE inserted.IDNFORG <> deleted.IDNFORG
    UPDATE Recebimento SET IdNF = inserted.IDNFORG
    FROM Recebimento
        INNER JOIN deleted ON deleted.IDNFORG = Recebimento.IdNF
        INNER JOIN inserted ON inserted.IdNF = deleted.IdNF
    WHERE inserted.IDNFORG <> deleted.IDNFORG
    UPDATE ContasPR SET IdNF = inserted.IDNFORG
    FROM ContasPR
        INNER JOIN deleted ON deleted.IDNFORG = ContasPR.IdNF
        INNER JOIN inserted ON inserted.IdNF = deleted.IdNF
    WHERE inserted.IDNFORG <> deleted.IDNFORG
    UPDATE Kardex SET IdNFK = inserted.IDNFORG
    FROM Kardex
        INNER JOIN deleted ON deleted.IDNFORG = Kardex.IdNFK
        INNER JOIN inserted ON inserted.IdNF = deleted.IdNF
    WHERE inserted.IDNFORG <> deleted.IDNFORG
END
GO
ALTER TRIGGER [dbo].[GNR_Peças_Tabelas_SOLTAS] ON [dbo].[Peças]
AFTER UPDATE
AS
SET NOCOUNT ON
-- Cada peça renumerada (IdPeca antigo e novo da mesma peça, pelo IdPeça) leva o novo número às tabelas
IF UPDATE(IdPeca)
BEGIN
    UPDATE [Itens Nota] SET IdPeça = inserted.IdPeca
    FROM [Itens Nota]
        INNER JOIN deleted ON deleted.IdPeca = [Itens Nota].IdPeça
        INNER JOIN inserted ON inserted.IdPeça = deleted.IdPeça
    WHERE inserted.IdPeca <> deleted.IdPeca
    UPDATE [Itens Pedido] SET PecaId = inserted.IdPeca
    FROM [Itens Pedido]
        INNER JOIN deleted ON deleted.IdPeca = [Itens Pedido].PecaId
        INNER JOIN inserted ON inserted.IdPeça = deleted.IdPeça
    WHERE inserted.IdPeca <> deleted.IdPeca
    UPDATE Recebimento SET IdPeça = inserted.IdPeca
    FROM Recebimento
        INNER JOIN deleted ON deleted.IdPeca = Recebimento.IdPeça
        INNER JOIN inserted ON inserted.IdPeça = deleted.IdPeça
    WHERE inserted.IdPeca <> deleted.IdPeca
    UPDATE NFs_Itens SET IdPeça = inserted.IdPeca
    FROM NFs_Itens
        INNER JOIN deleted ON deleted.IdPeca = NFs_Itens.IdPeça
        INNER JOIN inserted ON inserted.IdPeça = deleted.IdPeça
    WHERE inserted.IdPeca <> deleted.IdPeca
    UPDATE ItensNF_UDs SET IdPeça = inserted.IdPeca
    FROM ItensNF_UDs
        INNER JOIN deleted ON deleted.IdPeca = ItensNF_UDs.IdPeça
        INNER JOIN inserted ON inserted.IdPeça = deleted.IdPeça
    WHERE inserted.IdPeca <> deleted.IdPeca
END
GO
