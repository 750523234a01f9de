/* Entrada no Kardex do conjunto fabricado na fase final e saída dos componentes montados na fase apontada */
CREATE TRIGGER [dbo].[GNR_Estocar_Conjunto] ON [dbo].[OF_Apoint]
AFTER INSERT, DELETE
AS
SET NOCOUNT ON
-- Instrução sem apontamentos incluídos nem excluídos: nada a fazer
IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
    RETURN

DECLARE @Estoca_ofs int = 0
DECLARE @Estoca_ofsfilhos int = 0
DECLARE @IdApoint int = 0

SELECT @Estoca_ofs = PessoaFJ.Estoca_ofs, @Estoca_ofsfilhos = PessoaFJ.Estoca_ofsfilhos
FROM PessoaFJ WHERE PessoaFJ.Ativa = 1
-- 1: só o produto principal do projeto; 3: todo produto fabricado
IF @Estoca_ofs NOT IN (1, 3)
    RETURN

-- Os apontamentos incluídos, um a um, na ordem em que foram gravados
DECLARE Apontamentos CURSOR LOCAL FORWARD_ONLY FOR
    SELECT inserted.IdApoint FROM inserted ORDER BY inserted.IdApoint
OPEN Apontamentos
FETCH NEXT FROM Apontamentos INTO @IdApoint
WHILE @@FETCH_STATUS = 0
BEGIN
    -- Entrada do produto da O.F. quando a fase apontada é a fase final do produto
    INSERT INTO Kardex (IdApoint, IdProd, Flag_Mov, Fornecedor, Documento, Data, Qtd, Saldo, Unidade,
                        Preço, ICMk, PMPk, [Preço Médio], Operador, Project, IdMe)
    SELECT OF_Apoint.IdApoint, Produtos.IdProd, 0,
           N'FABRICAÇÃO PRÓPRIA O.F.: ' + CAST(Projetos.Projeto AS varchar(12)) + ' - ' + CAST(OFs_New.NUM_OF AS varchar(12)),
           N'TÉRMINO DA OF ' + CAST(Projetos.Projeto AS varchar(12)) + ' - ' + LTRIM(STR(OFs_New.NUM_OF, 12, 0)),
           GETDATE(),
           OF_Apoint.QtdeBoa,
           Produtos.Estoque + OF_Apoint.QtdeBoa,
           Produtos.Und, 0, Produtos.ICM, Produtos.PMPP, Produtos.PMPP,
           CASE WHEN OF_Apoint.Registro = -1 THEN N'CELULAR ANDROID' ELSE N'AUTOMÁTICO SERVIDOR' END,
           Projetos.Projeto, 9
    FROM OF_Apoint
        INNER JOIN OFs_New ON OFs_New.IdOF = OF_Apoint.IdOF
        INNER JOIN Projetos ON Projetos.IdPRJ = OFs_New.IdPRJ
        INNER JOIN Produtos ON Produtos.IdProd = OFs_New.IdProd
        INNER JOIN Processos ON Processos.IdProcesso = OF_Apoint.IdProcesso AND Processos.IdProd = OFs_New.IdProd
    WHERE OF_Apoint.IdApoint = @IdApoint
        AND OF_Apoint.QtdeBoa > 0
        AND Processos.Fase = Produtos.HFase
        AND (@Estoca_ofs = 3 OR Projetos.IdProdP = Produtos.IdProd)
        AND Produtos.IdProd NOT IN (SELECT K.IdProd FROM Kardex K WHERE K.IdApoint = @IdApoint)

    -- Quantidade e operador da entrada do produto da O.F.
    UPDATE Kardex SET Qtd = OF_Apoint.QtdeBoa,
        Operador = CASE WHEN OF_Apoint.Registro = -1 THEN N'CELULAR ANDROID'
                        WHEN Usuarios.IdUser > 0 THEN Usuarios.Nome
                        ELSE Funcionários.Nome END
    FROM Kardex
        INNER JOIN OF_Apoint ON OF_Apoint.IdApoint = Kardex.IdApoint
        INNER JOIN OFs_New ON OFs_New.IdOF = OF_Apoint.IdOF AND OFs_New.IdProd = Kardex.IdProd
        LEFT JOIN Usuarios ON CASE WHEN Usuarios.Registro NOT LIKE '%[^0-9]%' THEN CAST(Usuarios.Registro AS int) END = OF_Apoint.Registro
        LEFT JOIN Funcionários ON Funcionários.Registro = OF_Apoint.Registro
    WHERE Kardex.IdApoint = @IdApoint
        AND EXISTS (SELECT 1 FROM Processos WHERE Processos.IdProd = OFs_New.IdProd AND Processos.Fase = OFs_New.MaiorFASE)

    -- Quantidade dos componentes montados nesta fase
    UPDATE Kardex SET Qtd = -ROUND(OF_Apoint.QtdeBoa * Elo.Qtd, 4)
    FROM Kardex
        INNER JOIN OF_Apoint ON OF_Apoint.IdApoint = Kardex.IdApoint
        INNER JOIN Montar ON Montar.IdProcesso = OF_Apoint.IdProcesso
        INNER JOIN Elo ON Elo.IdElo = Montar.IdElo AND Elo.IdEle = Kardex.IdProd
    WHERE Kardex.IdApoint = @IdApoint

    -- Consumo dos componentes montados nesta fase, conforme Estoca_ofsfilhos
    INSERT INTO Kardex (IdProd, IdApoint, Flag_Mov, Documento, Fornecedor, Data, Qtd, Saldo, Unidade,
                        Preço, PMPk, [Preço Médio], Project, IdMe)
    SELECT Componente.IdProd, OF_Apoint.IdApoint, 0,
           N'Projeto ' + CAST(Projetos.Projeto AS varchar(12)),
           N'Consumo Produção O.F.: ' + CAST(Projetos.Projeto AS varchar(12)),
           GETDATE(),
           -ROUND(OF_Apoint.QtdeBoa * Elo.Qtd, 4),
           Componente.Estoque - ROUND(OF_Apoint.QtdeBoa * Elo.Qtd, 4),
           Componente.Und,
           Componente.PrMédio * (OF_Apoint.QtdeBoa + OF_Apoint.QtdeNC),
           Componente.PrMédio, Componente.PrMédio, Projetos.Projeto, 9
    FROM OF_Apoint
        INNER JOIN OFs_New ON OFs_New.IdOF = OF_Apoint.IdOF
        INNER JOIN Projetos ON Projetos.IdPRJ = OFs_New.IdPRJ
        INNER JOIN Elo ON Elo.IdProd = OFs_New.IdProd
        INNER JOIN Montar ON Montar.IdElo = Elo.IdElo AND Montar.IdProcesso = OF_Apoint.IdProcesso
        INNER JOIN Produtos AS Componente ON Componente.IdProd = Elo.IdEle
    WHERE OF_Apoint.IdApoint = @IdApoint
        AND OF_Apoint.Job IN (1, 2, 4)
        AND ((@Estoca_ofsfilhos = 1 AND Componente.Gestão IN (1, 2, 3, 99))
             OR (@Estoca_ofsfilhos = 2 AND Componente.Gestão = 0)
             OR @Estoca_ofsfilhos = 3)
        AND Componente.IdProd NOT IN (SELECT K.IdProd FROM Kardex K WHERE K.IdApoint = @IdApoint)
    ORDER BY Componente.IdProd

    -- Atualiza o Kardex e os produtos movimentados pelo apontamento
    IF EXISTS (SELECT 1 FROM OF_Apoint WHERE OF_Apoint.IdApoint = @IdApoint AND OF_Apoint.Job IN (1, 2, 4))
    BEGIN
        UPDATE Kardex SET Operador = CAST(Funcionários.Registro AS varchar(12)) + '/' + Funcionários.Nome
        FROM Kardex
            INNER JOIN OF_Apoint ON OF_Apoint.IdApoint = Kardex.IdApoint
            INNER JOIN Funcionários ON Funcionários.Registro = OF_Apoint.Registro
        WHERE Kardex.IdApoint = @IdApoint

        UPDATE Produtos SET LastIdK = 0, LastIdKInDate = 0
        WHERE Produtos.IdProd IN (SELECT K.IdProd FROM Kardex K WHERE K.IdApoint = @IdApoint)

        UPDATE Produtos SET LastIdKInDate = M.UltimoIdK
        FROM Produtos
            INNER JOIN (SELECT K.IdProd, MAX(K.IdKardex) AS UltimoIdK
                        FROM Kardex K WHERE K.IdApoint = @IdApoint
                        GROUP BY K.IdProd) M ON M.IdProd = Produtos.IdProd

        UPDATE Produtos SET Estoque = Kardex.Saldo
        FROM Kardex INNER JOIN Produtos ON Produtos.LastIdKInDate = Kardex.IdKardex
        WHERE Kardex.IdApoint = @IdApoint
    END

    FETCH NEXT FROM Apontamentos INTO @IdApoint
END
CLOSE Apontamentos
DEALLOCATE Apontamentos

-- Apontamentos em dobro: a mesma leitura gravada na fase do conjunto principal e numa fase de outro produto
DELETE FROM OF_Apoint
WHERE IdApoint IN (
    SELECT TOP 1000 B.IdApoint
    FROM OF_Apoint AS A
        INNER JOIN OF_Apoint AS B ON B.Registro = A.Registro AND B.DataS = A.DataS AND B.DataE = A.DataE
            AND B.TGasto = A.TGasto AND B.QtdeBoa = A.QtdeBoa AND B.QtdeNC = A.QtdeNC
            AND B.CodeIMP = A.CodeIMP AND B.Origem = A.Origem AND B.IdProcesso <> A.IdProcesso
        INNER JOIN OFs_New AS OA ON OA.IdOF = A.IdOF
        INNER JOIN Produtos AS PA ON PA.IdProd = OA.IdProd
        INNER JOIN Processos AS FA ON FA.IdProcesso = A.IdProcesso AND FA.IdProd = OA.IdProd
        INNER JOIN Projetos AS JA ON JA.IdPRJ = OA.IdPRJ AND JA.IdProdP = OA.IdProd
        INNER JOIN OFs_New AS OB ON OB.IdOF = B.IdOF
        INNER JOIN Produtos AS PB ON PB.IdProd = OB.IdProd
        INNER JOIN Processos AS FB ON FB.IdProcesso = B.IdProcesso AND FB.IdProd = OB.IdProd
        INNER JOIN Projetos AS JB ON JB.IdPRJ = OB.IdPRJ
    WHERE PA.Produto <> PB.Produto AND A.DataE > '20250601'
        -- B também no produto principal do seu projeto: o par vale nos dois sentidos e só o mais novo sai
        AND NOT (JB.IdProdP = OB.IdProd AND B.IdApoint < A.IdApoint)
    ORDER BY A.DataE DESC)
