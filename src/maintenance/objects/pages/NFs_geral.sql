/* GNR_NFs_geral: o texto deste objeto ainda não acompanha esta versão do programa */
RAISERROR('O texto de GNR_NFs_geral ainda não acompanha esta versão do programa', 16, 1)
