/* Saída dos FCs para inserçao no Kardex (Exata equalização com o Fiscal) */
CREATE TRIGGER [dbo].[GNR_Baixa_montar] ON [dbo].[OF_Apoint]
AFTER INSERT, DELETE
AS
SET NOCOUNT ON
-- Instrução sem apontamentos incluídos nem excluídos: nada a fazer
IF NOT EXISTS (SELECT 1 FROM inserted) AND NOT EXISTS (SELECT 1 FROM deleted)
    RETURN

DECLARE @Estoca_ofsfilhos int = 0
DECLARE @IdApoint int = 0

-- Uma só empresa ativa: com duas a subconsulta falha e o apontamento não é gravado
SET @Estoca_ofsfilhos = (SELECT PessoaFJ.Estoca_ofsfilhos FROM PessoaFJ WHERE PessoaFJ.Ativa = 1)
IF ISNULL(@Estoca_ofsfilhos, 0) <> 1
    RETURN

-- Os apontamentos incluídos, um a um, na ordem em que foram gravados
DECLARE Apontamentos CURSOR LOCAL FORWARD_ONLY FOR
    SELECT inserted.IdApoint FROM inserted ORDER BY inserted.IdApoint
OPEN Apontamentos
FETCH NEXT FROM Apontamentos INTO @IdApoint
WHILE @@FETCH_STATUS = 0
BEGIN
    -- Consumo dos filhos do conjunto da O.F. (estrutura explodida em TempPILHA)
    INSERT INTO Kardex (IdProd, IdApoint, Flag_Mov, Documento, Fornecedor, Data, Qtd, Saldo, Unidade,
                        Preço, PMPk, [Preço Médio], Project, IdMe)
    SELECT Filho.IdProd, OF_Apoint.IdApoint, 0,
           N'Projeto ' + CAST(Projetos.Projeto AS varchar(12)),
           N'Consumo Produção O.F.: ' + CAST(Projetos.Projeto AS varchar(12)),
           GETDATE(),
           -ROUND(OF_Apoint.QtdeBoa * TempPILHA.Uso, 4),
           Filho.Estoque - ROUND(OF_Apoint.QtdeBoa * TempPILHA.Uso, 4),
           Filho.Und,
           Filho.PrMédio * (OF_Apoint.QtdeBoa + OF_Apoint.QtdeNC),
           Filho.PrMédio, Filho.PrMédio, Projetos.Projeto, 9
    FROM OF_Apoint
        INNER JOIN OFs_New ON OFs_New.IdOF = OF_Apoint.IdOF
        INNER JOIN Projetos ON Projetos.IdPRJ = OFs_New.IdPRJ
        INNER JOIN TempPILHA ON TempPILHA.IdConjunto = OFs_New.IdProd
        INNER JOIN Produtos AS Filho ON Filho.IdProd = TempPILHA.IdFilho
    WHERE OF_Apoint.IdApoint = @IdApoint
        AND OF_Apoint.Job IN (1, 2, 4)
        AND Filho.Gestão IN (0, 1, 70, 99)
        AND Filho.IdProd NOT IN (SELECT K.IdProd FROM Kardex K WHERE K.IdApoint = @IdApoint)
    ORDER BY Filho.IdProd

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
