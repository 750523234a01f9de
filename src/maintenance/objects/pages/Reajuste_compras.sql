/* GNR_Reajuste_compras: o texto deste objeto ainda não acompanha esta versão do programa */
RAISERROR('O texto de GNR_Reajuste_compras ainda não acompanha esta versão do programa', 16, 1)
