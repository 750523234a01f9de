/* Triggers do banco, do mais recente para o mais antigo, com a tabela e se estão desativados */
SELECT t.name AS Trigger_, OBJECT_NAME(t.parent_id) AS Tabela, t.type_desc AS Tipo, t.modify_date AS Modificado,
    t.is_disabled AS Desativado
FROM sys.triggers t
WHERE t.parent_class = 1
ORDER BY t.modify_date DESC, t.name
GO
/* Transição entre as versões: etiqueta incluída ou excluída acerta recebimento, lançamento e saldo */
CREATE TRIGGER [dbo].[GNR_Etiquetas_Recebimento] ON [dbo].[Kardex_SubLote]
AFTER INSERT, DELETE
AS
SET NOCOUNT ON
-- Nenhuma etiqueta incluída ou excluída: nada a acertar
IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
    RETURN
UPDATE Kardex_SubLote SET IdRec = Kardex.IdRec
FROM Kardex_SubLote INNER JOIN Kardex ON Kardex.IdKardex = Kardex_SubLote.IdKardex
WHERE Kardex_SubLote.IdRec = 0

UPDATE Kardex_SubLote SET IdKardex = Kardex.IdKardex
FROM Kardex_SubLote INNER JOIN Kardex ON Kardex.IdRec = Kardex_SubLote.IdRec
WHERE Kardex_SubLote.IdKardex = 0

UPDATE Kardex_SubLote SET Qtd_Saldo = Kardex_SubLote.Qtd_CSM
FROM Kardex_SubLote INNER JOIN inserted i ON i.IdKSL = Kardex_SubLote.IdKSL
WHERE Kardex_SubLote.Qtd_Saldo = 0
GO
/* GNR_IPI_NOVO: nova classificação fiscal recebe o NCM (8 primeiros caracteres) */
CREATE TRIGGER [dbo].[GNR_IPI_NOVO] ON [dbo].[IPI]
AFTER INSERT
AS
SET NOCOUNT ON
UPDATE IPI SET NCM = SUBSTRING(IPI.Classificação, 1, 8)
FROM IPI INNER JOIN inserted i ON i.IdIPI = IPI.IdIPI
WHERE IPI.NCM IS NULL
GO
/* GNR_Unidades: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_Unidades] ON [dbo].[Unidades]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Descrição)
    UPDATE [Unidades] SET Descricao = [Unidades].[Descrição] FROM [Unidades] INNER JOIN inserted i ON i.[Unidade] = [Unidades].[Unidade]
ELSE IF UPDATE(Descricao)
    UPDATE [Unidades] SET [Descrição] = [Unidades].Descricao FROM [Unidades] INNER JOIN inserted i ON i.[Unidade] = [Unidades].[Unidade]
GO
/* GNR_IPI: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_IPI] ON [dbo].[IPI]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Descrição)
    UPDATE [IPI] SET Descricao = [IPI].[Descrição] FROM [IPI] INNER JOIN inserted i ON i.[IdIPI] = [IPI].[IdIPI]
ELSE IF UPDATE(Descricao)
    UPDATE [IPI] SET [Descrição] = [IPI].Descricao FROM [IPI] INNER JOIN inserted i ON i.[IdIPI] = [IPI].[IdIPI]
GO
/* GNR_Família: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_Família] ON [dbo].[Família]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Família)
    UPDATE [Família] SET Familia = [Família].[Família] FROM [Família] INNER JOIN inserted i ON i.[Família] = [Família].[Família]
ELSE IF UPDATE(Familia)
    UPDATE [Família] SET [Família] = [Família].Familia FROM [Família] INNER JOIN inserted i ON i.[Família] = [Família].[Família]
GO
/* GNR_FormaPgto_Tabelas_SOLTAS: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_FormaPgto_Tabelas_SOLTAS] ON [dbo].[FormaPgto]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(CódigoPgto)
    UPDATE [FormaPgto] SET CodigoPgto = [FormaPgto].[CódigoPgto] FROM [FormaPgto] INNER JOIN inserted i ON i.[IdFPgto] = [FormaPgto].[IdFPgto]
ELSE IF UPDATE(CodigoPgto)
    UPDATE [FormaPgto] SET [CódigoPgto] = [FormaPgto].CodigoPgto FROM [FormaPgto] INNER JOIN inserted i ON i.[IdFPgto] = [FormaPgto].[IdFPgto]
GO
/* GNR_Especificações: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_Especificações] ON [dbo].[Especificações]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Especificação)
    UPDATE [Especificações] SET Especificacao = [Especificações].[Especificação] FROM [Especificações] INNER JOIN inserted i ON i.[CodEsp] = [Especificações].[CodEsp]
ELSE IF UPDATE(Especificacao)
    UPDATE [Especificações] SET [Especificação] = [Especificações].Especificacao FROM [Especificações] INNER JOIN inserted i ON i.[CodEsp] = [Especificações].[CodEsp]
GO
/* GNR_Máquinas: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_Máquinas] ON [dbo].[Máquinas]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Máquina)
    UPDATE [Máquinas] SET Maquina = [Máquinas].[Máquina] FROM [Máquinas] INNER JOIN inserted i ON i.[Máquina] = [Máquinas].[Máquina]
ELSE IF UPDATE(Maquina)
    UPDATE [Máquinas] SET [Máquina] = [Máquinas].Maquina FROM [Máquinas] INNER JOIN inserted i ON i.[Máquina] = [Máquinas].[Máquina]
IF UPDATE(Descrição)
    UPDATE [Máquinas] SET Descricao = [Máquinas].[Descrição] FROM [Máquinas] INNER JOIN inserted i ON i.[Máquina] = [Máquinas].[Máquina]
ELSE IF UPDATE(Descricao)
    UPDATE [Máquinas] SET [Descrição] = [Máquinas].Descricao FROM [Máquinas] INNER JOIN inserted i ON i.[Máquina] = [Máquinas].[Máquina]
GO
/* GNR_PessoaFJ: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_PessoaFJ] ON [dbo].[PessoaFJ]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Razão)
    UPDATE [PessoaFJ] SET Razao = [PessoaFJ].[Razão] FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
ELSE IF UPDATE(Razao)
    UPDATE [PessoaFJ] SET [Razão] = [PessoaFJ].Razao FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
IF UPDATE(Endereço)
    UPDATE [PessoaFJ] SET Endereco = [PessoaFJ].[Endereço] FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
ELSE IF UPDATE(Endereco)
    UPDATE [PessoaFJ] SET [Endereço] = [PessoaFJ].Endereco FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
IF UPDATE(InscriçãoM)
    UPDATE [PessoaFJ] SET InscricaoM = [PessoaFJ].[InscriçãoM] FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
ELSE IF UPDATE(InscricaoM)
    UPDATE [PessoaFJ] SET [InscriçãoM] = [PessoaFJ].InscricaoM FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
IF UPDATE(InscriçãoCCM)
    UPDATE [PessoaFJ] SET InscricaoCCM = [PessoaFJ].[InscriçãoCCM] FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
ELSE IF UPDATE(InscricaoCCM)
    UPDATE [PessoaFJ] SET [InscriçãoCCM] = [PessoaFJ].InscricaoCCM FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
IF UPDATE(InscriçãoEST)
    UPDATE [PessoaFJ] SET InscricaoEST = [PessoaFJ].[InscriçãoEST] FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
ELSE IF UPDATE(InscricaoEST)
    UPDATE [PessoaFJ] SET [InscriçãoEST] = [PessoaFJ].InscricaoEST FROM [PessoaFJ] INNER JOIN inserted i ON i.[IdPess] = [PessoaFJ].[IdPess]
GO
/* GNR_Pedidos: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_Pedidos] ON [dbo].[Pedidos]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE([Nº Pedido])
    UPDATE [Pedidos] SET Num_Pedido = [Pedidos].[Nº Pedido] FROM [Pedidos] INNER JOIN inserted i ON i.[IdPedido] = [Pedidos].[IdPedido]
ELSE IF UPDATE(Num_Pedido)
    UPDATE [Pedidos] SET [Nº Pedido] = [Pedidos].Num_Pedido FROM [Pedidos] INNER JOIN inserted i ON i.[IdPedido] = [Pedidos].[IdPedido]
IF UPDATE(Descrição)
    UPDATE [Pedidos] SET pObs = [Pedidos].[Descrição] FROM [Pedidos] INNER JOIN inserted i ON i.[IdPedido] = [Pedidos].[IdPedido]
ELSE IF UPDATE(pObs)
    UPDATE [Pedidos] SET [Descrição] = [Pedidos].pObs FROM [Pedidos] INNER JOIN inserted i ON i.[IdPedido] = [Pedidos].[IdPedido]
GO
/* GNR_Processos: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_Processos] ON [dbo].[Processos]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Operação)
    UPDATE [Processos] SET Operacao = [Processos].[Operação] FROM [Processos] INNER JOIN inserted i ON i.[IdProcesso] = [Processos].[IdProcesso]
ELSE IF UPDATE(Operacao)
    UPDATE [Processos] SET [Operação] = [Processos].Operacao FROM [Processos] INNER JOIN inserted i ON i.[IdProcesso] = [Processos].[IdProcesso]
IF UPDATE(Frequência)
    UPDATE [Processos] SET Frequencia = [Processos].[Frequência] FROM [Processos] INNER JOIN inserted i ON i.[IdProcesso] = [Processos].[IdProcesso]
ELSE IF UPDATE(Frequencia)
    UPDATE [Processos] SET [Frequência] = [Processos].Frequencia FROM [Processos] INNER JOIN inserted i ON i.[IdProcesso] = [Processos].[IdProcesso]
GO
/* GNR_OFs_New: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_OFs_New] ON [dbo].[OFs_New]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Data_Criação)
    UPDATE [OFs_New] SET Data_Criacao = [OFs_New].[Data_Criação] FROM [OFs_New] INNER JOIN inserted i ON i.[IdOrdem] = [OFs_New].[IdOrdem]
ELSE IF UPDATE(Data_Criacao)
    UPDATE [OFs_New] SET [Data_Criação] = [OFs_New].Data_Criacao FROM [OFs_New] INNER JOIN inserted i ON i.[IdOrdem] = [OFs_New].[IdOrdem]
IF UPDATE(Data_Impressão)
    UPDATE [OFs_New] SET Data_Impressao = [OFs_New].[Data_Impressão] FROM [OFs_New] INNER JOIN inserted i ON i.[IdOrdem] = [OFs_New].[IdOrdem]
ELSE IF UPDATE(Data_Impressao)
    UPDATE [OFs_New] SET [Data_Impressão] = [OFs_New].Data_Impressao FROM [OFs_New] INNER JOIN inserted i ON i.[IdOrdem] = [OFs_New].[IdOrdem]
IF UPDATE(Data_Início)
    UPDATE [OFs_New] SET Data_Inicio = [OFs_New].[Data_Início] FROM [OFs_New] INNER JOIN inserted i ON i.[IdOrdem] = [OFs_New].[IdOrdem]
ELSE IF UPDATE(Data_Inicio)
    UPDATE [OFs_New] SET [Data_Início] = [OFs_New].Data_Inicio FROM [OFs_New] INNER JOIN inserted i ON i.[IdOrdem] = [OFs_New].[IdOrdem]
GO
/* GNR_Feriados: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_Feriados] ON [dbo].[Feriados]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Descrição)
    UPDATE [Feriados] SET Descricao = [Feriados].[Descrição] FROM [Feriados] INNER JOIN inserted i ON i.[IdFeriado] = [Feriados].[IdFeriado]
ELSE IF UPDATE(Descricao)
    UPDATE [Feriados] SET [Descrição] = [Feriados].Descricao FROM [Feriados] INNER JOIN inserted i ON i.[IdFeriado] = [Feriados].[IdFeriado]
GO
/* GNR_Horários: cada campo acentuado e seu gêmeo sem acento ficam iguais, qualquer que seja o alterado */
CREATE TRIGGER [dbo].[GNR_Horários] ON [dbo].[Horários]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Horário)
    UPDATE [Horários] SET Horario = [Horários].[Horário] FROM [Horários] INNER JOIN inserted i ON i.[IdHorario] = [Horários].[IdHorario]
ELSE IF UPDATE(Horario)
    UPDATE [Horários] SET [Horário] = [Horários].Horario FROM [Horários] INNER JOIN inserted i ON i.[IdHorario] = [Horários].[IdHorario]
IF UPDATE(Início)
    UPDATE [Horários] SET Inicio = [Horários].[Início] FROM [Horários] INNER JOIN inserted i ON i.[IdHorario] = [Horários].[IdHorario]
ELSE IF UPDATE(Inicio)
    UPDATE [Horários] SET [Início] = [Horários].Inicio FROM [Horários] INNER JOIN inserted i ON i.[IdHorario] = [Horários].[IdHorario]
GO
/* GNR_Grupos: o nome do grupo é gravado sem espaços nas pontas */
CREATE TRIGGER [dbo].[GNR_Grupos] ON [dbo].[Grupos]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Grupo)
    UPDATE [Grupos] SET Grupo = LTRIM(RTRIM([Grupos].Grupo)) FROM [Grupos] INNER JOIN inserted i ON i.CodGrupo = [Grupos].CodGrupo
    WHERE [Grupos].Grupo <> LTRIM(RTRIM([Grupos].Grupo))
GO
/* GNR_Bancos: o código do portador é gravado sem espaços nas pontas */
CREATE TRIGGER [dbo].[GNR_Bancos] ON [dbo].[Bancos]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(CD_PORTADOR)
    UPDATE [Bancos] SET CD_PORTADOR = LTRIM(RTRIM([Bancos].CD_PORTADOR)) FROM [Bancos] INNER JOIN inserted i ON i.IdBanco = [Bancos].IdBanco
    WHERE [Bancos].CD_PORTADOR <> LTRIM(RTRIM([Bancos].CD_PORTADOR))
GO
/* GNR_Conta_contabil: o código reduzido da conta é gravado sem espaços nas pontas */
CREATE TRIGGER [dbo].[GNR_Conta_contabil] ON [dbo].[Conta_contabil]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(Reduzido)
    UPDATE [Conta_contabil] SET Reduzido = LTRIM(RTRIM([Conta_contabil].Reduzido)) FROM [Conta_contabil] INNER JOIN inserted i ON i.IdConta = [Conta_contabil].IdConta
    WHERE [Conta_contabil].Reduzido <> LTRIM(RTRIM([Conta_contabil].Reduzido))
GO
