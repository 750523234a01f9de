/* GNR_Gera_B2B e GNR_Formata_XML (texto B2B e envelope do protocolo da NF-e): script de referência ainda não incluído nesta versão */
