DECLARE @r int
EXEC @r = P @n = 2
UPDATE T SET b = N'z' WHERE a = @r
SELECT DATEADD(month, 1, c), DATEDIFF(week, c, GETDATE()), ISNUMERIC(b) FROM T
