/* Total dos títulos da NF de entrada quando o valor de um título muda */
CREATE TRIGGER [dbo].[GNR_NFs_geral] ON [dbo].[ContasPR]
AFTER UPDATE
AS
SET NOCOUNT ON
IF NOT EXISTS (SELECT 1 FROM inserted)
    RETURN

-- Títulos de Tipo 10 e 99 não mexem no total da NF; as NFs de todos os títulos alterados são refeitas
IF UPDATE(Valor)
    UPDATE NFs SET Total_Titulos = T.Total
    FROM NFs
        INNER JOIN (SELECT Todos.IdNF, SUM(Todos.Valor) AS Total
                    FROM ContasPR AS Todos
                    WHERE Todos.Tipo NOT IN (10, 99)
                    GROUP BY Todos.IdNF) T ON T.IdNF = NFs.IdNF
    WHERE EXISTS (SELECT 1 FROM inserted
                  WHERE inserted.IdNF = NFs.IdNF AND inserted.Tipo NOT IN (10, 99))
