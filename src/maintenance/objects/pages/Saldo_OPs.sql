/* GNR_Saldo_OPs: a cada apontamento incluído, alterado ou excluído recalcula, das O.P.s apontadas,
   a faixa de fases do roteiro, as quantidades iniciadas, terminadas, boas, rejeitadas e em processo
   e o estado (0 não iniciada, 1 em processo, 2 encerrada); depois, dos produtos dessas O.P.s,
   o total em fábrica e o total lançado das O.P.s não encerradas */
CREATE TRIGGER [dbo].[GNR_Saldo_OPs] ON [dbo].[OF_Apoint]
AFTER INSERT, UPDATE, DELETE
AS
SET NOCOUNT ON
-- As O.P.s apontadas: as dos apontamentos incluídos, alterados e excluídos
DECLARE @Ordens TABLE (IdOrdem int NOT NULL PRIMARY KEY)
INSERT INTO @Ordens (IdOrdem)
SELECT inserted.IdOF FROM inserted WHERE inserted.IdOF IS NOT NULL
UNION
SELECT deleted.IdOF FROM deleted WHERE deleted.IdOF IS NOT NULL

-- Faixa de fases do roteiro do produto da O.P.
UPDATE OFs_New SET MenorFASE = ISNULL(Roteiro.Menor, 0), MaiorFASE = ISNULL(Roteiro.Maior, 0)
FROM OFs_New
    INNER JOIN @Ordens AS O ON O.IdOrdem = OFs_New.IdOrdem
    LEFT JOIN (SELECT Processos.IdProd, MIN(Processos.Fase) AS Menor, MAX(Processos.Fase) AS Maior
               FROM Processos GROUP BY Processos.IdProd) Roteiro ON Roteiro.IdProd = OFs_New.IdProd

-- Iniciadas na primeira fase, terminadas e boas na última, rejeitadas em todas
UPDATE OFs_New SET Iniciadas = ISNULL(Apt.Iniciadas, 0),
                   Terminadas = ISNULL(Apt.Terminadas, 0),
                   QtdBoas = ISNULL(Apt.Boas, 0),
                   QtdRejeitadas = ISNULL(Apt.Rejeitadas, 0)
FROM OFs_New
    INNER JOIN @Ordens AS O ON O.IdOrdem = OFs_New.IdOrdem
    LEFT JOIN (SELECT OF_Apoint.IdOF,
                      SUM(CASE WHEN Processos.Fase = OP.MenorFASE THEN OF_Apoint.QtdeBoa + OF_Apoint.QtdeNC ELSE 0 END) AS Iniciadas,
                      SUM(CASE WHEN Processos.Fase = OP.MaiorFASE THEN OF_Apoint.QtdeBoa + OF_Apoint.QtdeNC ELSE 0 END) AS Terminadas,
                      SUM(CASE WHEN Processos.Fase = OP.MaiorFASE THEN OF_Apoint.QtdeBoa ELSE 0 END) AS Boas,
                      SUM(OF_Apoint.QtdeNC) AS Rejeitadas
               FROM OF_Apoint
                   INNER JOIN @Ordens AS A ON A.IdOrdem = OF_Apoint.IdOF
                   INNER JOIN OFs_New OP ON OP.IdOrdem = OF_Apoint.IdOF
                   INNER JOIN Processos ON Processos.IdProcesso = OF_Apoint.IdProcesso
               GROUP BY OF_Apoint.IdOF) Apt ON Apt.IdOF = OFs_New.IdOrdem

-- Em processo: iniciadas que ainda não saíram boas da última fase nem foram rejeitadas
UPDATE OFs_New SET EmProcesso = CASE WHEN OFs_New.Iniciadas - OFs_New.QtdBoas - OFs_New.QtdRejeitadas > 0
                                     THEN OFs_New.Iniciadas - OFs_New.QtdBoas - OFs_New.QtdRejeitadas ELSE 0 END,
                   Estado = CASE WHEN OFs_New.Iniciadas = 0 AND OFs_New.Terminadas = 0 THEN 0
                                 WHEN OFs_New.QtdBoas >= ISNULL(OFs_New.Qtd_Pedida, 0) THEN 2
                                 ELSE 1 END
FROM OFs_New INNER JOIN @Ordens AS O ON O.IdOrdem = OFs_New.IdOrdem

-- Totais dos produtos: em fábrica e lançado das O.P.s não encerradas
UPDATE Produtos SET Fábrica = ISNULL(Total.EmProcesso, 0), Lançou = ISNULL(Total.Lancado, 0)
FROM Produtos
    INNER JOIN (SELECT DISTINCT OFs_New.IdProd FROM OFs_New
                INNER JOIN @Ordens AS O ON O.IdOrdem = OFs_New.IdOrdem) P ON P.IdProd = Produtos.IdProd
    LEFT JOIN (SELECT T.IdProd, SUM(T.EmProcesso) AS EmProcesso, SUM(ISNULL(T.Qtd_Pedida, 0)) AS Lancado
               FROM OFs_New T WHERE T.Estado < 2 GROUP BY T.IdProd) Total ON Total.IdProd = Produtos.IdProd
GO
