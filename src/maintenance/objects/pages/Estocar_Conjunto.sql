/* GNR_Estocar_Conjunto: o texto deste objeto ainda não acompanha esta versão do programa */
RAISERROR('O texto de GNR_Estocar_Conjunto ainda não acompanha esta versão do programa', 16, 1)
