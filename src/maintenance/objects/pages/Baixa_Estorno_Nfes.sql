/* GNR_Baixa_Estorno_Nfes: o texto deste objeto ainda não acompanha esta versão do programa */
RAISERROR('O texto de GNR_Baixa_Estorno_Nfes ainda não acompanha esta versão do programa', 16, 1)
