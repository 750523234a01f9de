DECLARE @i int = 0
WHILE @i < 10 BEGIN SET @i = @i + 1 IF @i % 3 = 0 CONTINUE IF @i > 7 BREAK INSERT INTO T (b) VALUES (CAST(dbo.F(@i) AS nvarchar(10))) END
