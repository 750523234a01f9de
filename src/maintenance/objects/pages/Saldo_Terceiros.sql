/* GNR_Saldo_Terceiros_RETORNA: o texto deste objeto ainda não acompanha esta versão do programa */
RAISERROR('O texto de GNR_Saldo_Terceiros_RETORNA ainda não acompanha esta versão do programa', 16, 1)
