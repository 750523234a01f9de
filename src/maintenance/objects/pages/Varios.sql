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
   às tabelas que o referenciam sem chave em cascata. Todas as linhas do comando de uma vez: trocar 5 por 6
   e 6 por 7 no mesmo comando não junta as duas; dois novos para o mesmo antigo: vale o menor; 0 é o
   identificador ainda não dado, nada a levar. */
CREATE TRIGGER [dbo].[GNR_Produtos_Tabelas_SOLTAS] ON [dbo].[Produtos]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdPlanta)
BEGIN
    UPDATE OF_Rejeitos SET IdPlt = Troca.Novo
    FROM OF_Rejeitos
        INNER JOIN (SELECT d.IdPlanta AS Antigo, MIN(i.IdPlanta) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdProd = d.IdProd
                    WHERE d.IdPlanta <> i.IdPlanta AND d.IdPlanta <> 0
                    GROUP BY d.IdPlanta) Troca ON Troca.Antigo = OF_Rejeitos.IdPlt
END
GO
CREATE TRIGGER [dbo].[GNR_Peças_Tabelas_SOLTAS] ON [dbo].[Peças]
AFTER UPDATE
AS
SET NOCOUNT ON
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
END
GO
/* Forma de pagamento renumerada: notas emitidas. O trigger já existe (página de triggers gerais,
   gêmeo sem acento de CódigoPgto): alterado para fazer as duas coisas */
ALTER TRIGGER [dbo].[GNR_FormaPgto_Tabelas_SOLTAS] ON [dbo].[FormaPgto]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(CódigoPgto)
    UPDATE [FormaPgto] SET CodigoPgto = [FormaPgto].[CódigoPgto] FROM [FormaPgto] INNER JOIN inserted i ON i.[IdFPgto] = [FormaPgto].[IdFPgto]
ELSE IF UPDATE(CodigoPgto)
    UPDATE [FormaPgto] SET [CódigoPgto] = [FormaPgto].CodigoPgto FROM [FormaPgto] INNER JOIN inserted i ON i.[IdFPgto] = [FormaPgto].[IdFPgto]
IF UPDATE(IdFPgtoORG)
BEGIN
    UPDATE Notas SET IdForma = Troca.Novo
    FROM Notas
        INNER JOIN (SELECT d.IdFPgtoORG AS Antigo, MIN(i.IdFPgtoORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdFPgto = d.IdFPgto
                    WHERE d.IdFPgtoORG <> i.IdFPgtoORG AND d.IdFPgtoORG <> 0
                    GROUP BY d.IdFPgtoORG) Troca ON Troca.Antigo = Notas.IdForma
END
GO
/* Cliente ou fornecedor renumerado: notas, pedidos e peças */
CREATE TRIGGER [dbo].[GNR_PessoaFJ_Tabelas_SOLTAS] ON [dbo].[PessoaFJ]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdPessORG)
BEGIN
    UPDATE Notas SET IdPess = Troca.Novo
    FROM Notas
        INNER JOIN (SELECT d.IdPessORG AS Antigo, MIN(i.IdPessORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPess = d.IdPess
                    WHERE d.IdPessORG <> i.IdPessORG AND d.IdPessORG <> 0
                    GROUP BY d.IdPessORG) Troca ON Troca.Antigo = Notas.IdPess

    UPDATE Pedidos SET IdPess = Troca.Novo
    FROM Pedidos
        INNER JOIN (SELECT d.IdPessORG AS Antigo, MIN(i.IdPessORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPess = d.IdPess
                    WHERE d.IdPessORG <> i.IdPessORG AND d.IdPessORG <> 0
                    GROUP BY d.IdPessORG) Troca ON Troca.Antigo = Pedidos.IdPess

    UPDATE Peças SET IdPess = Troca.Novo
    FROM Peças
        INNER JOIN (SELECT d.IdPessORG AS Antigo, MIN(i.IdPessORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPess = d.IdPess
                    WHERE d.IdPessORG <> i.IdPessORG AND d.IdPessORG <> 0
                    GROUP BY d.IdPessORG) Troca ON Troca.Antigo = Peças.IdPess
END
GO
/* Pedido de venda renumerado: itens das notas e programas de entrega */
CREATE TRIGGER [dbo].[GNR_PedVenda_Tabelas_SOLTAS] ON [dbo].[PedVenda]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdPedVendaORG)
BEGIN
    UPDATE [Itens Nota] SET IdPdv = Troca.Novo
    FROM [Itens Nota]
        INNER JOIN (SELECT d.IdPedVendaORG AS Antigo, MIN(i.IdPedVendaORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPedVenda = d.IdPedVenda
                    WHERE d.IdPedVendaORG <> i.IdPedVendaORG AND d.IdPedVendaORG <> 0
                    GROUP BY d.IdPedVendaORG) Troca ON Troca.Antigo = [Itens Nota].IdPdv

    UPDATE Programas SET IdPedVenda = Troca.Novo
    FROM Programas
        INNER JOIN (SELECT d.IdPedVendaORG AS Antigo, MIN(i.IdPedVendaORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdPedVenda = d.IdPedVenda
                    WHERE d.IdPedVendaORG <> i.IdPedVendaORG AND d.IdPedVendaORG <> 0
                    GROUP BY d.IdPedVendaORG) Troca ON Troca.Antigo = Programas.IdPedVenda
END
GO
/* Fase do roteiro renumerada: apontamentos */
CREATE TRIGGER [dbo].[GNR_Processos_Tabelas_SOLTAS] ON [dbo].[Processos]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdProcessoORG)
BEGIN
    UPDATE OF_Apoint SET IdProcesso = Troca.Novo
    FROM OF_Apoint
        INNER JOIN (SELECT d.IdProcessoORG AS Antigo, MIN(i.IdProcessoORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdProcesso = d.IdProcesso
                    WHERE d.IdProcessoORG <> i.IdProcessoORG AND d.IdProcessoORG <> 0
                    GROUP BY d.IdProcessoORG) Troca ON Troca.Antigo = OF_Apoint.IdProcesso
END
GO
/* O.P. renumerada: apontamentos e itens de nota enviados para beneficiamento */
CREATE TRIGGER [dbo].[GNR_OFs_New_Tabelas_SOLTAS] ON [dbo].[OFs_New]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdOF)
BEGIN
    UPDATE OF_Apoint SET IdOF = Troca.Novo
    FROM OF_Apoint
        INNER JOIN (SELECT d.IdOF AS Antigo, MIN(i.IdOF) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdOrdem = d.IdOrdem
                    WHERE d.IdOF <> i.IdOF AND d.IdOF <> 0
                    GROUP BY d.IdOF) Troca ON Troca.Antigo = OF_Apoint.IdOF

    UPDATE [Itens Nota] SET UIdReta = Troca.Novo
    FROM [Itens Nota]
        INNER JOIN (SELECT d.IdOF AS Antigo, MIN(i.IdOF) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdOrdem = d.IdOrdem
                    WHERE d.IdOF <> i.IdOF AND d.IdOF <> 0
                    GROUP BY d.IdOF) Troca ON Troca.Antigo = [Itens Nota].UIdReta
END
GO
/* Autorização de entrega renumerada: itens das notas e programas de entrega */
CREATE TRIGGER [dbo].[GNR_Prog_AE_Tabelas_SOLTAS] ON [dbo].[Prog_AE]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdProgAEORG)
BEGIN
    UPDATE [Itens Nota] SET IdAuto = Troca.Novo
    FROM [Itens Nota]
        INNER JOIN (SELECT d.IdProgAEORG AS Antigo, MIN(i.IdProgAEORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdProgAE = d.IdProgAE
                    WHERE d.IdProgAEORG <> i.IdProgAEORG AND d.IdProgAEORG <> 0
                    GROUP BY d.IdProgAEORG) Troca ON Troca.Antigo = [Itens Nota].IdAuto

    UPDATE Programas SET IdAuto = Troca.Novo
    FROM Programas
        INNER JOIN (SELECT d.IdProgAEORG AS Antigo, MIN(i.IdProgAEORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdProgAE = d.IdProgAE
                    WHERE d.IdProgAEORG <> i.IdProgAEORG AND d.IdProgAEORG <> 0
                    GROUP BY d.IdProgAEORG) Troca ON Troca.Antigo = Programas.IdAuto
END
GO
/* Recebimento renumerado: movimentos de notas de entrada no Kardex e etiquetas */
CREATE TRIGGER [dbo].[GNR_Recebimento_Tabelas_SOLTAS] ON [dbo].[Recebimento]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdRecORG)
BEGIN
    UPDATE Kardex SET IdRec = Troca.Novo
    FROM Kardex
        INNER JOIN (SELECT d.IdRecORG AS Antigo, MIN(i.IdRecORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdRec = d.IdRec
                    WHERE d.IdRecORG <> i.IdRecORG AND d.IdRecORG <> 0
                    GROUP BY d.IdRecORG) Troca ON Troca.Antigo = Kardex.IdRec
    WHERE Kardex.IdNFK > 0

    UPDATE Kardex_SubLote SET IdRec = Troca.Novo
    FROM Kardex_SubLote
        INNER JOIN (SELECT d.IdRecORG AS Antigo, MIN(i.IdRecORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdRec = d.IdRec
                    WHERE d.IdRecORG <> i.IdRecORG AND d.IdRecORG <> 0
                    GROUP BY d.IdRecORG) Troca ON Troca.Antigo = Kardex_SubLote.IdRec
END
GO
/* Item de nota de entrada renumerado: Kardex e retornos de terceiros */
CREATE TRIGGER [dbo].[GNR_NFs_Itens_Tabelas_SOLTAS] ON [dbo].[NFs_Itens]
AFTER UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdItemNFORG)
BEGIN
    UPDATE Kardex SET IdItemNF = Troca.Novo
    FROM Kardex
        INNER JOIN (SELECT d.IdItemNFORG AS Antigo, MIN(i.IdItemNFORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdItemNF = d.IdItemNF
                    WHERE d.IdItemNFORG <> i.IdItemNFORG AND d.IdItemNFORG <> 0
                    GROUP BY d.IdItemNFORG) Troca ON Troca.Antigo = Kardex.IdItemNF

    UPDATE Retorna SET IdItemNF = Troca.Novo
    FROM Retorna
        INNER JOIN (SELECT d.IdItemNFORG AS Antigo, MIN(i.IdItemNFORG) AS Novo
                    FROM deleted d INNER JOIN inserted i ON i.IdItemNF = d.IdItemNF
                    WHERE d.IdItemNFORG <> i.IdItemNFORG AND d.IdItemNFORG <> 0
                    GROUP BY d.IdItemNFORG) Troca ON Troca.Antigo = Retorna.IdItemNF
END
GO
CREATE TRIGGER [dbo].[GNR_NFs_Tabelas_SOLTAS] ON [dbo].[NFs]
AFTER UPDATE
AS
SET NOCOUNT ON
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
END
GO
