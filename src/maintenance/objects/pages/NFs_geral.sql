/* Total dos títulos da NF de entrada quando o valor de um título muda */
CREATE TRIGGER [dbo].[GNR_NFs_geral] ON [dbo].[ContasPR]
AFTER UPDATE
AS
SET NOCOUNT ON
DECLARE @IdContasPR int = 0
SELECT @IdContasPR = IdContasPR FROM inserted

-- Títulos de Tipo 10 e 99 não mexem no total da NF
IF UPDATE(Valor)
    UPDATE NFs SET Total_Titulos = T.Total
    FROM NFs
        INNER JOIN ContasPR ON ContasPR.IdNF = NFs.IdNF
        INNER JOIN (SELECT Todos.IdNF, SUM(Todos.Valor) AS Total
                    FROM ContasPR AS Todos
                    WHERE Todos.Tipo NOT IN (10, 99)
                    GROUP BY Todos.IdNF) T ON T.IdNF = NFs.IdNF
    WHERE ContasPR.IdContasPR = @IdContasPR AND Tipo NOT IN (10, 99)
