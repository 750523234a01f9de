/* Erro_Saldo_Kardex Verifica o Saldo do Kardex dos Produtos: procura a última quebra de saldo
   (saldo do movimento anterior + quantidade diferente do saldo do movimento) e refaz os saldos
   a partir dela, no máximo 100 movimentos por execução. H_MIN_MVT = 1 (complemento) não movimenta. */
CREATE PROCEDURE [dbo].[Erro_Saldo_Kardex] @ProductID int
AS
SET NOCOUNT ON

UPDATE Produtos SET LastIdKInDate = 0, SValidar = 0 WHERE IdProd = @ProductID

DECLARE @Quebra int = 0
DECLARE @SaldoAnterior float = 0

SELECT TOP 1 @Quebra = K.IdKardex,
    @SaldoAnterior = (SELECT A.Saldo FROM Kardex A
                      WHERE A.IdKardex = (SELECT MAX(P.IdKardex) FROM Kardex P
                                          WHERE P.IdProd = @ProductID AND P.IdKardex < K.IdKardex))
FROM Kardex K
WHERE K.IdProd = @ProductID
    AND EXISTS (SELECT 1 FROM Kardex P WHERE P.IdProd = @ProductID AND P.IdKardex < K.IdKardex)
    AND (SELECT A.Saldo FROM Kardex A
         WHERE A.IdKardex = (SELECT MAX(P.IdKardex) FROM Kardex P
                             WHERE P.IdProd = @ProductID AND P.IdKardex < K.IdKardex))
        + CASE WHEN K.H_MIN_MVT = 1 THEN 0 ELSE K.Qtd END <> K.Saldo
ORDER BY K.IdKardex DESC

IF @Quebra > 0
BEGIN
    UPDATE Produtos SET LastIdKInDate = @Quebra, SValidar = @SaldoAnterior WHERE IdProd = @ProductID

    -- Entradas e saídas com a mesma quantidade efetiva da procura: o complemento não entra nem sai,
    -- e o trecho refeito não tem quebra
    UPDATE Kardex SET Saldo = @SaldoAnterior
        + ISNULL((SELECT SUM(E.Qtd) FROM Kardex E
                  WHERE E.IdProd = @ProductID AND E.IdKardex >= @Quebra AND E.IdKardex <= Kardex.IdKardex
                      AND CASE WHEN E.H_MIN_MVT = 1 THEN 0 ELSE E.Qtd END > 0), 0)
        + ISNULL((SELECT SUM(S.Qtd) FROM Kardex S
                  WHERE S.IdProd = @ProductID AND S.IdKardex >= @Quebra AND S.IdKardex <= Kardex.IdKardex
                      AND CASE WHEN S.H_MIN_MVT = 1 THEN 0 ELSE S.Qtd END < 0), 0)
    WHERE Kardex.IdKardex IN (SELECT TOP 100 T.IdKardex FROM Kardex T
                              WHERE T.IdProd = @ProductID AND T.IdKardex >= @Quebra ORDER BY T.IdKardex)
END

UPDATE Produtos SET LastIdKInDate = ISNULL((SELECT MAX(K.IdKardex) FROM Kardex K WHERE K.IdProd = @ProductID), 0)
WHERE IdProd = @ProductID

UPDATE Produtos SET Estoque = Kardex.Saldo
FROM Produtos INNER JOIN Kardex ON Kardex.IdKardex = Produtos.LastIdKInDate
WHERE Produtos.IdProd = @ProductID
