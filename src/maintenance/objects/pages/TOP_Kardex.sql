/* Ajustes dos triggers _Tabelas_SOLTAS de NFs e Peças (já criados pela página de triggers união) */
ALTER TRIGGER [dbo].[GNR_NFs_Tabelas_SOLTAS] ON [dbo].[NFs]
AFTER UPDATE
AS
SET NOCOUNT ON
-- Cada NF renumerada (IDNFORG antigo e novo da mesma NF, pelo IdNF) leva o novo número às tabelas,
-- todas de uma vez; dois novos para o mesmo antigo: vale o menor; 0 (ainda não dado) não leva nada
IF UPDATE(IDNFORG)
BEGIN
    UPDATE NFs_Itens SET IdNF = Troca.Novo
    FROM NFs_Itens
        INNER JOIN (SELECT d.IDNFORG AS Antigo, MIN(i.IDNFORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdNF = d.IdNF
                    WHERE d.IDNFORG <> i.IDNFORG AND d.IDNFORG <> 0
                    GROUP BY d.IDNFORG) Troca ON Troca.Antigo = NFs_Itens.IdNF
    UPDATE Recebimento SET IdNF = Troca.Novo
    FROM Recebimento
        INNER JOIN (SELECT d.IDNFORG AS Antigo, MIN(i.IDNFORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdNF = d.IdNF
                    WHERE d.IDNFORG <> i.IDNFORG AND d.IDNFORG <> 0
                    GROUP BY d.IDNFORG) Troca ON Troca.Antigo = Recebimento.IdNF
    UPDATE ContasPR SET IdNF = Troca.Novo
    FROM ContasPR
        INNER JOIN (SELECT d.IDNFORG AS Antigo, MIN(i.IDNFORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdNF = d.IdNF
                    WHERE d.IDNFORG <> i.IDNFORG AND d.IDNFORG <> 0
                    GROUP BY d.IDNFORG) Troca ON Troca.Antigo = ContasPR.IdNF
    UPDATE Kardex SET IdNFK = Troca.Novo
    FROM Kardex
        INNER JOIN (SELECT d.IDNFORG AS Antigo, MIN(i.IDNFORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdNF = d.IdNF
                    WHERE d.IDNFORG <> i.IDNFORG AND d.IDNFORG <> 0
                    GROUP BY d.IDNFORG) Troca ON Troca.Antigo = Kardex.IdNFK
END
GO
ALTER TRIGGER [dbo].[GNR_Peças_Tabelas_SOLTAS] ON [dbo].[Peças]
AFTER UPDATE
AS
SET NOCOUNT ON
-- Cada peça renumerada (IdPeca antigo e novo da mesma peça, pelo IdPeça) leva o novo número às tabelas,
-- todas de uma vez; dois novos para o mesmo antigo: vale o menor; 0 (ainda não dado) não leva nada
IF UPDATE(IdPeca)
BEGIN
    UPDATE [Itens Nota] SET IdPeça = Troca.Novo
    FROM [Itens Nota]
        INNER JOIN (SELECT d.IdPeca AS Antigo, MIN(i.IdPeca) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPeça = d.IdPeça
                    WHERE d.IdPeca <> i.IdPeca AND d.IdPeca <> 0
                    GROUP BY d.IdPeca) Troca ON Troca.Antigo = [Itens Nota].IdPeça
    UPDATE [Itens Pedido] SET PecaId = Troca.Novo
    FROM [Itens Pedido]
        INNER JOIN (SELECT d.IdPeca AS Antigo, MIN(i.IdPeca) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPeça = d.IdPeça
                    WHERE d.IdPeca <> i.IdPeca AND d.IdPeca <> 0
                    GROUP BY d.IdPeca) Troca ON Troca.Antigo = [Itens Pedido].PecaId
    UPDATE Recebimento SET IdPeça = Troca.Novo
    FROM Recebimento
        INNER JOIN (SELECT d.IdPeca AS Antigo, MIN(i.IdPeca) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPeça = d.IdPeça
                    WHERE d.IdPeca <> i.IdPeca AND d.IdPeca <> 0
                    GROUP BY d.IdPeca) Troca ON Troca.Antigo = Recebimento.IdPeça
    UPDATE NFs_Itens SET IdPeça = Troca.Novo
    FROM NFs_Itens
        INNER JOIN (SELECT d.IdPeca AS Antigo, MIN(i.IdPeca) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPeça = d.IdPeça
                    WHERE d.IdPeca <> i.IdPeca AND d.IdPeca <> 0
                    GROUP BY d.IdPeca) Troca ON Troca.Antigo = NFs_Itens.IdPeça
    UPDATE ItensNF_UDs SET IdPeça = Troca.Novo
    FROM ItensNF_UDs
        INNER JOIN (SELECT d.IdPeca AS Antigo, MIN(i.IdPeca) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPeça = d.IdPeça
                    WHERE d.IdPeca <> i.IdPeca AND d.IdPeca <> 0
                    GROUP BY d.IdPeca) Troca ON Troca.Antigo = ItensNF_UDs.IdPeça
END
GO
