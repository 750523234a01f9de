/* GNR_Baixa_montar: o texto deste objeto ainda não acompanha esta versão do programa */
RAISERROR('O texto de GNR_Baixa_montar ainda não acompanha esta versão do programa', 16, 1)
