DECLARE @d datetimeoffset(3) = '2025-06-01 10:00:00 -03:00'
SELECT POWER(2, 10), POWER(2.5, 2), DATEDIFF_BIG(ns, '20000101', '20000102'), DATEPART(tz, @d),
       SWITCHOFFSET(@d, '+05:30'), TODATETIMEOFFSET(SYSDATETIME(), -180), EOMONTH('20240215', 1),
       DATEFROMPARTS(2025, 6, 1), TIMEFROMPARTS(10, 0, 0, 5, 1), IIF(1 > 2, 'a', 'b'), CHOOSE(2, 'x', 'y'),
       CONCAT_WS('-', 'a', NULL, 'b'), TRY_CONVERT(int, 'x'), TRY_PARSE('1.234,5' AS decimal(9,2) USING 'pt-BR'),
       FORMAT(1234.5, 'N2', 'pt-BR'), FORMAT(@d, 'dd/MM/yyyy HH:mm zzz'), FORMAT(7, '0000')
WHERE 'a_b' LIKE 'a!_b' ESCAPE '!'
