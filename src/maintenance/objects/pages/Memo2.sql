/* Histórico dos incidentes excluídos */
IF OBJECT_ID('dbo.TIz_Incidentes') IS NULL
    CREATE TABLE dbo.TIz_Incidentes (
        IdInc int NOT NULL, IdUser int NOT NULL, NomeUsuario nvarchar(80) NULL, EmailUsuario nvarchar(80) NULL,
        Planta nvarchar(35) NULL, UsuarioREDE nvarchar(80) NULL, NomeTecnico nvarchar(80) NULL,
        EmailTecnico nvarchar(80) NULL, iTipo tinyint NULL, iGravidade tinyint NULL, iStatus tinyint NULL,
        iSeguranca tinyint NULL, dInicio datetime NULL, dCurso datetime NULL, dEncerrou datetime NULL,
        cDias real NULL, iObs nvarchar(700) NULL, EnvioEmail datetime NULL,
        Excluido datetime NOT NULL CONSTRAINT DF_TIz_Incidentes_Excluido DEFAULT (GETDATE()))
GO
CREATE TRIGGER [dbo].[GNR_Guardar_Incidente] ON [dbo].[TI_Incidentes]
AFTER DELETE
AS
SET NOCOUNT ON
INSERT INTO TIz_Incidentes (IdInc, IdUser, NomeUsuario, EmailUsuario, Planta, UsuarioREDE, NomeTecnico,
    EmailTecnico, iTipo, iGravidade, iStatus, iSeguranca, dInicio, dCurso, dEncerrou, cDias, iObs, EnvioEmail)
SELECT IdInc, IdUser, NomeUsuario, EmailUsuario, Planta, UsuarioREDE, NomeTecnico,
    EmailTecnico, iTipo, iGravidade, iStatus, iSeguranca, dInicio, dCurso, dEncerrou, cDias, iObs, EnvioEmail
FROM deleted
GO
