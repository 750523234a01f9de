/* Saldo em poder de terceiros (MTerc) e apontamento do que voltou da industrialização externa */
CREATE TRIGGER [dbo].[GNR_Saldo_Terceiros_RETORNA] ON [dbo].[Retorna]
AFTER INSERT, UPDATE, DELETE
AS
SET NOCOUNT ON
IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
    RETURN

-- As Notas de envio dos retornos: as dos retornos excluídos e as dos retornos como estão gravados
DECLARE @Notas TABLE (IdNota int NOT NULL PRIMARY KEY)
INSERT INTO @Notas (IdNota)
SELECT Item.IdNota FROM deleted INNER JOIN [Itens Nota] AS Item ON Item.IdItem = deleted.IdItem
UNION
SELECT Item.IdNota FROM inserted INNER JOIN [Itens Nota] AS Item ON Item.IdItem = inserted.IdItem

-- Itens das Notas que têm retornos voltam ao saldo cheio (a O.F. atendida, UIdReta, fica)
UPDATE [Itens Nota] SET SQtdeRet = 0, SdoN = [Itens Nota].Qtde, UNFRet = NULL
WHERE [Itens Nota].IdItem IN (SELECT Retorna.IdItem FROM Retorna)
    AND [Itens Nota].IdNota IN (SELECT Notas_Envio.IdNota FROM @Notas AS Notas_Envio)

UPDATE Produtos SET MTerc = 0
FROM Produtos
    INNER JOIN Peças ON Peças.IdConjunto = Produtos.IdProd
    INNER JOIN [Itens Nota] ON [Itens Nota].IdPeça = Peças.IdPeça
WHERE [Itens Nota].IdNota IN (SELECT Notas_Envio.IdNota FROM @Notas AS Notas_Envio)

-- Saldo de cada item das Notas autorizadas: enviado menos retornado
UPDATE [Itens Nota] SET SdoN = T.Saldo, SQtdeRet = T.Retornado
FROM [Itens Nota]
    INNER JOIN (SELECT Item.IdItem, ISNULL(SUM(Retorna.Qtd_recebida), 0) AS Retornado,
                       CASE WHEN Item.Qtde - ISNULL(SUM(Retorna.Qtd_recebida), 0) < 0 THEN 0
                            ELSE Item.Qtde - ISNULL(SUM(Retorna.Qtd_recebida), 0) END AS Saldo
                FROM [Itens Nota] AS Item
                    INNER JOIN @Notas AS Notas_Envio ON Notas_Envio.IdNota = Item.IdNota
                    INNER JOIN Notas ON Notas.IdNota = Item.IdNota
                    LEFT JOIN Retorna ON Retorna.IdItem = Item.IdItem
                WHERE Notas.NFe_Status = 3
                GROUP BY Item.IdItem, Item.Qtde) T ON T.IdItem = [Itens Nota].IdItem
WHERE T.Saldo <> [Itens Nota].SdoN

UPDATE Produtos SET MTerc = T.Total
FROM Produtos
    INNER JOIN (SELECT Peças.IdConjunto AS IdProd, SUM([Itens Nota].SdoN) AS Total
                FROM [Itens Nota]
                    INNER JOIN Notas ON Notas.IdNota = [Itens Nota].IdNota
                    INNER JOIN NatFiscal ON NatFiscal.CodNatF = Notas.CodNat
                    INNER JOIN Peças ON Peças.IdPeça = [Itens Nota].IdPeça
                WHERE Notas.NFe_Status = 3 AND NatFiscal.Ctrl_Terceiros = 1
                GROUP BY Peças.IdConjunto
                HAVING SUM([Itens Nota].SdoN) > 0) T ON T.IdProd = Produtos.IdProd

-- O que voltou é apontado na fase da peça, na O.F. que o item atende (dispara os triggers do apontamento)
INSERT INTO OF_Apoint (IdOF, IdProcesso, Registro, DataS, DataE, DataEN, TGasto, QtdeBoa, FichaGPS)
SELECT OFs_New.IdOF, Processos.IdProcesso, -2, Retorna.DataM, Retorna.DataM, GETDATE(), 0, NFs_Itens.qCom, Retorna.IdRetA
FROM [Itens Nota]
    INNER JOIN Retorna ON Retorna.IdItem = [Itens Nota].IdItem
    INNER JOIN NFs_Itens ON NFs_Itens.IdItemNF = Retorna.IdItemNF
    INNER JOIN OFs_New ON OFs_New.IdOrdem = [Itens Nota].UIdReta
    INNER JOIN Peças ON Peças.IdPeça = [Itens Nota].IdPeça
    INNER JOIN Processos ON Processos.IdProd = Peças.IdConjunto AND Processos.Fase = Peças.FaseP
        AND Processos.IdProd = OFs_New.IdProd
WHERE [Itens Nota].UIdReta <> 0
    AND NOT EXISTS (SELECT 1 FROM OF_Apoint
                    WHERE OF_Apoint.IdProcesso = Processos.IdProcesso AND OF_Apoint.IdOF = OFs_New.IdOF
                        AND OF_Apoint.FichaGPS = Retorna.IdRetA)
ORDER BY [Itens Nota].UIdReta

UPDATE OF_Apoint SET nObs = N'NFe envio: ' + Notas.NotaNº + N' - NFe ret: ' + CAST(NFs.NF AS varchar(12))
FROM OF_Apoint
    INNER JOIN Retorna ON Retorna.IdRetA = OF_Apoint.FichaGPS
    INNER JOIN [Itens Nota] ON [Itens Nota].IdItem = Retorna.IdItem
    INNER JOIN Notas ON Notas.IdNota = [Itens Nota].IdNota
    INNER JOIN NFs_Itens ON NFs_Itens.IdItemNF = Retorna.IdItemNF
    INNER JOIN NFs ON NFs.IdNF = NFs_Itens.IdNF
WHERE OF_Apoint.FichaGPS > 0 AND OF_Apoint.nObs IS NULL

UPDATE Kardex SET Operador = N'Serviço XML' WHERE IdApoint > 0 AND ISNULL(Operador, N'') = N''

-- Quantidade a estocar das O.F.s atendidas por itens de peças na fase final do produto
UPDATE OFs_New SET QtdEstocar = T.Qtde
FROM OFs_New
    INNER JOIN (SELECT [Itens Nota].UIdReta, [Itens Nota].CFOPtxt, [Itens Nota].Mestre, SUM([Itens Nota].Qtde) AS Qtde
                FROM [Itens Nota]
                    INNER JOIN OFs_New AS Ordem ON Ordem.IdOrdem = [Itens Nota].UIdReta
                    INNER JOIN Peças ON Peças.IdPeça = [Itens Nota].IdPeça AND Peças.IdConjunto = Ordem.IdProd
                    INNER JOIN Produtos ON Produtos.IdProd = Ordem.IdProd AND Produtos.HFase = Peças.FaseP
                GROUP BY [Itens Nota].UIdReta, [Itens Nota].CFOPtxt, [Itens Nota].Mestre) T ON T.UIdReta = OFs_New.IdOrdem
WHERE T.Qtde <> OFs_New.QtdEstocar
