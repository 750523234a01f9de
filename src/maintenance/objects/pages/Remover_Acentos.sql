/* Troca as letras acentuadas pelas simples e a vírgula pelo ponto; devolve em maiúsculas
   (no máximo 50 caracteres) */
CREATE FUNCTION [dbo].[Remover_acento] (@Texto varchar(8000))
RETURNS varchar(50)
AS
BEGIN
    DECLARE @Resultado varchar(50)
    SET @Resultado = REPLACE(@Texto, 'á', 'a')
    SET @Resultado = REPLACE(@Resultado, 'à', 'a')
    SET @Resultado = REPLACE(@Resultado, 'ã', 'a')
    SET @Resultado = REPLACE(@Resultado, 'â', 'a')
    SET @Resultado = REPLACE(@Resultado, 'é', 'e')
    SET @Resultado = REPLACE(@Resultado, 'è', 'e')
    SET @Resultado = REPLACE(@Resultado, 'ê', 'e')
    SET @Resultado = REPLACE(@Resultado, 'í', 'i')
    SET @Resultado = REPLACE(@Resultado, 'ì', 'i')
    SET @Resultado = REPLACE(@Resultado, 'î', 'i')
    SET @Resultado = REPLACE(@Resultado, 'ó', 'o')
    SET @Resultado = REPLACE(@Resultado, 'ò', 'o')
    SET @Resultado = REPLACE(@Resultado, 'ô', 'o')
    SET @Resultado = REPLACE(@Resultado, 'õ', 'o')
    SET @Resultado = REPLACE(@Resultado, 'ú', 'u')
    SET @Resultado = REPLACE(@Resultado, 'ù', 'u')
    SET @Resultado = REPLACE(@Resultado, 'û', 'u')
    SET @Resultado = REPLACE(@Resultado, 'ü', 'u')
    SET @Resultado = REPLACE(@Resultado, 'ç', 'c')
    SET @Resultado = REPLACE(@Resultado, ',', '.')
    RETURN UPPER(@Resultado)
END
