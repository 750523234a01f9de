/* GNR_Saldo_OPs (apontamentos de produção: fases, quantidades e estados das O.P.s): script de referência ainda não incluído nesta versão */
