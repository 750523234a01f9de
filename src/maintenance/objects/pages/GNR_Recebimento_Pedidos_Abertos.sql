/* GNR_Recebimento_Pedidos_Abertos (saldos dos pedidos em aberto no recebimento): script de referência ainda não incluído nesta versão */
