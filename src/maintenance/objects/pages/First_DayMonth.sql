/* Primeiro dia do mês seguinte ao mês da data, em número de dias desde 01/01/1900:
   dia 2 do mês seguinte menos 1,5 dia (último dia do mês ao meio-dia), arredondado pela conversão */
CREATE FUNCTION [dbo].[First_Day_Month] (@dta datetime)
RETURNS int
AS
BEGIN
    RETURN CAST(DATEADD(year, YEAR(@dta) - 1900, DATEADD(month, MONTH(@dta), DATEADD(day, 1, 0))) - 1.5 AS int)
END
