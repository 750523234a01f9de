/* GNR_Gera_B2B: quando lote, estoque, pedido ou item do pedido do cliente são digitados nos itens
   de uma NF-e autorizada, o XML com o protocolo (nfeProc) é envolvido no texto B2B com esses dados
   por item (NFeB2BFin); digitar de novo refaz o texto a partir do nfeProc */
CREATE TRIGGER [dbo].[GNR_Gera_B2B] ON [dbo].[Itens Nota]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @IdNota int = 0
DECLARE @B2B nvarchar(max)
DECLARE @Det nvarchar(400)

IF NOT (UPDATE(xLote) OR UPDATE(xEstoque) OR UPDATE(xPed) OR UPDATE(nItemPed))
    RETURN

DECLARE Notas_B2B CURSOR LOCAL FORWARD_ONLY READ_ONLY FOR
    SELECT DISTINCT Notas.IdNota
    FROM Notas INNER JOIN inserted i ON i.IdNota = Notas.IdNota
    WHERE Notas.NFe_Status = 3 AND CHARINDEX(N'</nfeProc>', ISNULL(Notas.NFe_XMLn, N'')) > 0
    ORDER BY Notas.IdNota
OPEN Notas_B2B
FETCH NEXT FROM Notas_B2B INTO @IdNota
WHILE @@FETCH_STATUS = 0
BEGIN
    -- Um det por item, na ordem dos itens (lidos um a um: somar texto numa variável num SELECT com
    -- ORDER BY não tem ordem garantida)
    SET @B2B = N''
    DECLARE Itens_B2B CURSOR LOCAL FORWARD_ONLY READ_ONLY FOR
        SELECT N'<det nItem="' + CAST([Itens Nota].IdItem AS nvarchar(10)) + N'">'
               + N'<xPed>' + ISNULL([Itens Nota].xPed, N'') + N'</xPed>'
               + N'<nItemPed>' + ISNULL([Itens Nota].nItemPed, N'') + N'</nItemPed>'
               + N'<xLote>' + ISNULL([Itens Nota].xLote, N'') + N'</xLote>'
               + N'<xEstoque>' + ISNULL([Itens Nota].xEstoque, N'') + N'</xEstoque></det>'
        FROM [Itens Nota]
        WHERE [Itens Nota].IdNota = @IdNota
        ORDER BY [Itens Nota].IdItem
    OPEN Itens_B2B
    FETCH NEXT FROM Itens_B2B INTO @Det
    WHILE @@FETCH_STATUS = 0
    BEGIN
        SET @B2B = @B2B + @Det
        FETCH NEXT FROM Itens_B2B INTO @Det
    END
    CLOSE Itens_B2B
    DEALLOCATE Itens_B2B

    UPDATE Notas SET NFe_XMLn = N'<?xml version="1.0" encoding="UTF-8"?><NFeB2BFin versao="1.00">'
        + SUBSTRING(NFe_XMLn, CHARINDEX(N'<nfeProc', NFe_XMLn),
                    CHARINDEX(N'</nfeProc>', NFe_XMLn) + 10 - CHARINDEX(N'<nfeProc', NFe_XMLn))
        + N'<NFeB2B>' + @B2B + N'</NFeB2B></NFeB2BFin>'
    WHERE IdNota = @IdNota

    FETCH NEXT FROM Notas_B2B INTO @IdNota
END
CLOSE Notas_B2B
DEALLOCATE Notas_B2B
GO
/* GNR_Formata_XML: gravada a data do protocolo de uma NF-e autorizada, o XML assinado é envolvido
   no nfeProc com o protocolo de autorização; nota cujo XML já está envolvido fica como está */
CREATE TRIGGER [dbo].[GNR_Formata_XML] ON [dbo].[Notas]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @Declaracao nvarchar(60) = N'<?xml version="1.0" encoding="UTF-8"?>'

IF NOT UPDATE(NFe_DataProtocolo)
    RETURN

UPDATE Notas SET NFe_XMLn = @Declaracao
    + N'<nfeProc xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">'
    + CASE WHEN CHARINDEX(@Declaracao, Notas.NFe_XML) > 0
           THEN SUBSTRING(Notas.NFe_XML, CHARINDEX(N'<NFe xmlns', Notas.NFe_XML), 50000)
           ELSE Notas.NFe_XML END
    + N'<protNFe versao="4.00"><infProt><tpAmb>1</tpAmb><verAplic>Quorvel NFe4.00.0</verAplic>'
    + N'<chNFe>' + Notas.NFe_chave + N'</chNFe>'
    + N'<dhRecbto>' + CONVERT(nvarchar(19), Notas.NFe_DataProtocolo, 126) + N'-03:00</dhRecbto>'
    + N'<nProt>' + Notas.NFe_NumProtocolo + N'</nProt>'
    + N'<digVal>' + Notas_XMLs.DigestValue + N'</digVal>'
    + N'<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></nfeProc>'
FROM Notas
    INNER JOIN inserted i ON i.IdNota = Notas.IdNota
    INNER JOIN Notas_XMLs ON Notas_XMLs.IdNota = Notas.IdNota
WHERE Notas.NFe_Status = 3 AND Notas.NFe_DataProtocolo IS NOT NULL AND Notas.NFe_XML IS NOT NULL
    AND CHARINDEX(N'<nfeProc', ISNULL(Notas.NFe_XMLn, N'')) = 0
GO
