/* Etiquetas lidas para a O.P.: a leitura é datada quando a O.P. é gravada */
CREATE TRIGGER [dbo].[GNR_SBUILD_Leitura_etiquetas] ON [dbo].[SBuild_Etiquetas]
AFTER INSERT, UPDATE
AS
SET NOCOUNT ON
IF UPDATE(IdOrdem)
    UPDATE SBuild_Etiquetas SET ReadData = GETDATE()
    FROM SBuild_Etiquetas INNER JOIN inserted i ON i.IdEtqSB = SBuild_Etiquetas.IdEtqSB
GO
