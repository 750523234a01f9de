/* Baixa Estoques dos Produtos no Kardex e Programas de entrega quando a NF-e é autorizada (3) ou cancelada (5);
   recalcula os pedidos fechados do cliente e monta o XML autorizado com o protocolo */
CREATE TRIGGER [dbo].[GNR_Baixa_Estorno_Nfes] ON [dbo].[Notas]
AFTER UPDATE
AS
SET NOCOUNT ON
IF NOT (UPDATE(NFe_Status) OR UPDATE(NFe_DataProtocolo))
    RETURN
IF NOT EXISTS (SELECT 1 FROM inserted)
    RETURN

DECLARE @IdNota int = 0
DECLARE @IdItem int = 0
DECLARE @IdProd int = 0
DECLARE @VEstoque int = 0
DECLARE @Status int = 0
DECLARE @Sinal int = 0
DECLARE @IdPess int = 0
DECLARE @LastIdK int = 0
DECLARE @Prefixo nvarchar(20)
DECLARE @Declaracao nvarchar(40) = N'<?xml version="1.0" encoding="UTF-8"?>'
DECLARE @Digest nvarchar(60)
DECLARE @Chave nvarchar(44)
DECLARE @Protocolo nvarchar(20)
DECLARE @Recebimento nvarchar(30)

-- Autorizada e entrada: entra; autorizada e saída: sai; o cancelamento desfaz.
-- Nota a nota, item a item: várias Notas numa alteração saem como alteradas uma de cada vez
DECLARE Itens CURSOR LOCAL FORWARD_ONLY READ_ONLY FOR
    SELECT Notas.IdNota, [Itens Nota].IdItem, Peças.IdConjunto, ISNULL(NatFiscal.VEstoque, 0), Notas.NFe_Status,
           CASE WHEN Notas.NFe_Status = 3 AND NatFiscal.Saída = 0 THEN 1
                WHEN Notas.NFe_Status = 3 AND NatFiscal.Saída = 1 THEN -1
                WHEN Notas.NFe_Status = 5 AND NatFiscal.Saída = 0 THEN -1
                WHEN Notas.NFe_Status = 5 AND NatFiscal.Saída = 1 THEN 1
                ELSE 0 END
    FROM inserted
        INNER JOIN Notas ON Notas.IdNota = inserted.IdNota
        INNER JOIN [Itens Nota] ON [Itens Nota].IdNota = Notas.IdNota
        INNER JOIN Peças ON Peças.IdPeça = [Itens Nota].IdPeça
        INNER JOIN PessoaFJ ON PessoaFJ.IdPess = Notas.IdPess
        LEFT JOIN NatFiscal ON NatFiscal.CodNatF = Notas.CodNat
    WHERE Notas.NFe_Status IN (3, 5)
    ORDER BY Notas.IdNota, [Itens Nota].IdItem

OPEN Itens
FETCH NEXT FROM Itens INTO @IdNota, @IdItem, @IdProd, @VEstoque, @Status, @Sinal
WHILE @@FETCH_STATUS = 0
BEGIN
    SET @Prefixo = CASE WHEN @Status = 3 THEN N'NFe. 00' ELSE N'Est.NF.Nº: 00' END

    UPDATE Notas SET NFe_CodeProtocolo = CASE WHEN NFe_Status = 5 THEN 101 ELSE 100 END,
        Cancelada = CASE WHEN NFe_Status = 5 THEN 1 ELSE 0 END,
        Nome_Host = ISNULL(Nome_Host, HOST_NAME())
    WHERE IdNota = @IdNota

    -- Movimento do item, uma só vez por item e sentido
    IF @VEstoque = 1 AND NOT EXISTS (SELECT 1 FROM Kardex INNER JOIN [Itens Nota] ON [Itens Nota].IdItem = Kardex.IdItemV
                                     WHERE Kardex.IdItemV = @IdItem AND Kardex.Qtd = [Itens Nota].Qtde * @Sinal)
        INSERT INTO Kardex (IdItemV, IdProd, Flag_Mov, Fornecedor, Documento, Data, Qtd, Saldo, Unidade, Preço,
                            PMPk, [Preço Médio], Operador, IdMe, H_MIN_MVT)
        SELECT [Itens Nota].IdItem, Produtos.IdProd, 0, LEFT(PessoaFJ.Razão, 50),
               @Prefixo + LTRIM(Notas.NotaNº) + N' Emissão: ' + CONVERT(varchar(8), Notas.Emissão, 3)
                   + N' Qtde: ' + LTRIM(STR([Itens Nota].Qtde, 12, 0)),
               Notas.Emissão,
               [Itens Nota].Qtde * @Sinal,
               Produtos.Estoque + @Sinal * [Itens Nota].Qtde,
               Produtos.Und, 0, [Itens Nota].Valor, 0, Notas.RespNF, 9,
               CASE WHEN NatFiscal.OK_CMPL = 1 THEN 1 ELSE 0 END
        FROM [Itens Nota]
            INNER JOIN Notas ON Notas.IdNota = [Itens Nota].IdNota
            INNER JOIN PessoaFJ ON PessoaFJ.IdPess = Notas.IdPess
            INNER JOIN Produtos ON Produtos.IdProd = @IdProd
            LEFT JOIN NatFiscal ON NatFiscal.CodNatF = Notas.CodNat
        WHERE [Itens Nota].IdItem = @IdItem

    -- Último movimento do produto: saldo e preço sem ICMS, PIS e COFINS
    SELECT @LastIdK = ISNULL(MAX(IdKardex), 0) FROM Kardex WHERE IdProd = @IdProd
    UPDATE Produtos SET LastIdK = @LastIdK WHERE IdProd = @IdProd

    UPDATE Produtos SET Estoque = Kardex.Saldo, PMPp = Kardex.PMPk,
        PMPL = ROUND(ABS((100 - Kardex.ICMk - Kardex.PisCofinsK) * Kardex.PMPk * 0.01), 4),
        CTMat = ROUND(ABS((100 - Kardex.ICMk - Kardex.PisCofinsK) * Kardex.PMPk * 0.01), 4)
    FROM Kardex INNER JOIN Produtos ON Produtos.IdProd = Kardex.IdProd
    WHERE Kardex.IdKardex = @LastIdK

    -- Impostos e preço dos movimentos do item conforme a natureza e o emitente
    UPDATE Kardex SET ICMk = CASE WHEN [Itens Nota].VIcms > 0 THEN [Itens Nota].A_ICMS ELSE 0 END,
        PisCofinsK = CASE WHEN Emitente.NFe_RegimeFiscal = 3 THEN [Itens Nota].A_PIS + [Itens Nota].A_COFINS ELSE 0 END,
        Preço = CASE WHEN NatFiscal.Saída = 1 THEN ISNULL(Produtos.PMPL, 0)
                     WHEN ISNULL(Emitente.CNPJ, N'') <> N'52806417000193'
                         THEN CASE WHEN [Itens Nota].VBaseICMS > 0
                                   THEN ISNULL([Itens Nota].VBaseICMS / NULLIF([Itens Nota].Qtde, 0), 0)
                                   ELSE ISNULL([Itens Nota].Valor, 0) END
                     ELSE ISNULL([Itens Nota].Nfe_vProd, 0) END,
        PMPk = Produtos.PMPL,
        [Preço Médio] = ISNULL(Produtos.PMPL, 0),
        IdRec = CASE WHEN Notas.NFe_Status = 3 AND NatFiscal.Saída = 0 THEN 1 ELSE 0 END
    FROM Kardex
        INNER JOIN [Itens Nota] ON [Itens Nota].IdItem = Kardex.IdItemV
        INNER JOIN Notas ON Notas.IdNota = [Itens Nota].IdNota
        INNER JOIN Produtos ON Produtos.IdProd = @IdProd
        LEFT JOIN PessoaFJ AS Emitente ON Emitente.IdPess = Notas.IdEmp
        LEFT JOIN NatFiscal ON NatFiscal.CodNatF = Notas.CodNat
    WHERE Kardex.IdItemV = @IdItem

    -- Importação: o Kardex do produto precisa ser revisto
    IF EXISTS (SELECT 1 FROM [Itens Nota] WHERE IdItem = @IdItem AND CFOPtxt LIKE '3%')
        UPDATE Produtos SET KDXok = 0
        WHERE IdProd IN (SELECT IdProd FROM Kardex WHERE IdItemV = @IdItem)

    IF @Status = 3
    BEGIN
        UPDATE Kardex SET IdRec = CASE WHEN @Sinal = 1 THEN 1 ELSE 0 END WHERE IdItemV = @IdItem
        UPDATE Kardex SET NºLote = (SELECT ISNULL(MAX(NºLote), 0) + 1 FROM Kardex)
        WHERE IdItemV = @IdItem AND H_MIN_MVT = 0 AND NºLote = 0
    END
    ELSE
    BEGIN
        UPDATE Kardex SET IdRec = 0 WHERE IdItemV = @IdItem
        UPDATE Kardex SET NºLote = 0 WHERE IdItemV = @IdItem AND H_MIN_MVT = 0 AND NºLote > 0
        UPDATE ItensNF_UDs SET IdItem = 0
        WHERE IdItem IN (SELECT IdItem FROM [Itens Nota] WHERE IdNota = @IdNota)
    END

    -- Programas de entrega das peças do produto
    UPDATE Programa SET QtdSaldo = Programa.Qtd, QtdLIQ_Acm = 0, QtdNF_Soma = 0,
        NFCorteN = NULL, ContatoN = NULL, NFs_Baixa = NULL
    FROM Programas AS Programa
        INNER JOIN Peças ON Peças.IdPeça = Programa.IdPeça
        INNER JOIN PessoaFJ ON PessoaFJ.IdPess = Peças.IdPess
    WHERE Peças.IdConjunto = @IdProd

    UPDATE Programa SET QtdLIQ_Acm = (SELECT SUM(Anterior.Qtd) FROM Programas AS Anterior
                                      WHERE Anterior.IdPeça = Programa.IdPeça AND Anterior.IdAuto = Programa.IdAuto
                                          AND Anterior.IdPedVenda = Programa.IdPedVenda AND Anterior.Data <= Programa.Data)
    FROM Programas AS Programa
        INNER JOIN Peças ON Peças.IdPeça = Programa.IdPeça
        INNER JOIN PessoaFJ ON PessoaFJ.IdPess = Peças.IdPess
    WHERE Peças.IdConjunto = @IdProd AND Programa.Data IS NOT NULL

    -- Menor e maior número de Nota: os números comparados como números ("999" antes de "1000"),
    -- os que não são números depois deles, entre si como texto; o número vem depois da chave (11)
    UPDATE Programa SET QtdNF_Soma = Faturado.Qtde,
        NFCorteN = N'NF-' + SUBSTRING(Faturado.Menor, 12, 10),
        ContatoN = CASE WHEN Faturado.Maior <> Faturado.Menor THEN N'..' + SUBSTRING(Faturado.Maior, 12, 10) ELSE N'' END
    FROM Programas AS Programa
        INNER JOIN (SELECT Numero.IdPdv, Numero.IdAuto, SUM(Numero.Qtde) AS Qtde,
                           MIN(Numero.Chave) AS Menor, MAX(Numero.Chave) AS Maior
                    FROM (SELECT [Itens Nota].IdPdv, [Itens Nota].IdAuto, [Itens Nota].Qtde,
                                 CASE WHEN LTRIM(RTRIM(Notas.NotaNº)) <> N''
                                           AND LTRIM(RTRIM(Notas.NotaNº)) NOT LIKE N'%[^0-9]%'
                                      THEN N'0' + RIGHT(N'0000000000' + LTRIM(RTRIM(Notas.NotaNº)), 10)
                                      ELSE N'1' + SPACE(10) END + Notas.NotaNº AS Chave
                          FROM [Itens Nota]
                              INNER JOIN Notas ON Notas.IdNota = [Itens Nota].IdNota
                              INNER JOIN Peças ON Peças.IdPeça = [Itens Nota].IdPeça
                          WHERE Peças.IdConjunto = @IdProd AND Notas.NFe_Status = 3 AND Notas.NFe_Final = 1
                              AND (Notas.IdForma > 0 OR Notas.Vcto1 > 0) AND [Itens Nota].IdAuto > 0) Numero
                    GROUP BY Numero.IdPdv, Numero.IdAuto) Faturado
            ON Faturado.IdPdv = Programa.IdPedVenda AND Faturado.IdAuto = Programa.IdAuto

    UPDATE Programa SET QtdSaldo = CASE WHEN Programa.QtdLIQ_Acm - Programa.QtdNF_Soma < 0 THEN 0
                                        WHEN Programa.QtdLIQ_Acm - Programa.QtdNF_Soma > Programa.Qtd THEN Programa.Qtd
                                        ELSE Programa.QtdLIQ_Acm - Programa.QtdNF_Soma END
    FROM Programas AS Programa
        INNER JOIN Peças ON Peças.IdPeça = Programa.IdPeça
        INNER JOIN PessoaFJ ON PessoaFJ.IdPess = Peças.IdPess
    WHERE Peças.IdConjunto = @IdProd

    -- Pedidos fechados (pTipo 9) do cliente: quantidade já faturada
    SELECT @IdPess = IdPess FROM Notas WHERE IdNota = @IdNota

    UPDATE PedVenda SET sLQPV = 0
    FROM PedVenda INNER JOIN Peças ON Peças.IdPeça = PedVenda.IdPeça
    WHERE PedVenda.LQPV > 0 AND PedVenda.pTipo = 9 AND Peças.IdPess = @IdPess
        AND EXISTS (SELECT 1 FROM [Itens Nota] WHERE [Itens Nota].IdPeça = PedVenda.IdPeça)

    UPDATE PedVenda SET sLQPV = Faturado.Qtde
    FROM PedVenda
        INNER JOIN Peças ON Peças.IdPeça = PedVenda.IdPeça
        INNER JOIN (SELECT [Itens Nota].IdPdv, [Itens Nota].IdPeça, SUM([Itens Nota].Qtde) AS Qtde
                    FROM [Itens Nota] INNER JOIN Notas ON Notas.IdNota = [Itens Nota].IdNota
                    WHERE Notas.NFe_Status = 3 AND (Notas.IdForma > 0 OR Notas.Vcto1 > 0)
                    GROUP BY [Itens Nota].IdPdv, [Itens Nota].IdPeça) Faturado
            ON Faturado.IdPdv = PedVenda.IdPedVenda AND Faturado.IdPeça = PedVenda.IdPeça
    WHERE PedVenda.LQPV > 0 AND PedVenda.pTipo = 9 AND Peças.IdPess = @IdPess

    -- XML autorizado: nfeProc com a NFe assinada e o protocolo de autorização
    IF @Status = 3 AND EXISTS (SELECT 1 FROM Notas_XMLs WHERE IdNota = @IdNota)
    BEGIN
        UPDATE Notas SET NFe_XMLn = CASE WHEN CHARINDEX(@Declaracao, NFe_XML) > 0
                                         THEN SUBSTRING(NFe_XML, CHARINDEX(N'<NFe xmlns', NFe_XML), 50000)
                                         ELSE NFe_XML END
        WHERE IdNota = @IdNota

        SELECT @Digest = Notas_XMLs.DigestValue, @Chave = Notas.NFe_chave, @Protocolo = Notas.NFe_NumProtocolo,
               @Recebimento = CONVERT(varchar(19), ISNULL(Notas.NFe_DataProtocolo, Notas.Emissão), 126) + N'-03:00'
        FROM Notas INNER JOIN Notas_XMLs ON Notas_XMLs.IdNota = Notas.IdNota
        WHERE Notas.IdNota = @IdNota

        UPDATE Notas SET NFe_XMLn = @Declaracao
            + N'<nfeProc xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">'
            + NFe_XMLn
            + N'<protNFe versao="4.00"><infProt><tpAmb>1</tpAmb><verAplic>Quorvel NFe4.00.0</verAplic>'
            + N'<chNFe>' + @Chave + N'</chNFe>'
            + N'<dhRecbto>' + @Recebimento + N'</dhRecbto>'
            + N'<nProt>' + @Protocolo + N'</nProt>'
            + N'<digVal>' + @Digest + N'</digVal>'
            + N'<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></nfeProc>'
        WHERE IdNota = @IdNota
    END

    FETCH NEXT FROM Itens INTO @IdNota, @IdItem, @IdProd, @VEstoque, @Status, @Sinal
END
CLOSE Itens
DEALLOCATE Itens

-- Lote da NF-e autorizada: o próprio número da nota, quando é um número (de até 9 dígitos, o da NF-e)
UPDATE Notas SET NFe_NumLote = CASE WHEN LTRIM(RTRIM(NotaNº)) <> N'' AND LTRIM(RTRIM(NotaNº)) NOT LIKE N'%[^0-9]%'
                                         AND LEN(LTRIM(RTRIM(NotaNº))) <= 9
                                    THEN CONVERT(int, LTRIM(RTRIM(NotaNº))) END
WHERE NFe_Status = 3 AND NFe_NumLote = 0
    AND LTRIM(RTRIM(NotaNº)) <> N'' AND LTRIM(RTRIM(NotaNº)) NOT LIKE N'%[^0-9]%' AND LEN(LTRIM(RTRIM(NotaNº))) <= 9
