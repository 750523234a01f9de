#pragma once

// Stored SQL texts of the main window's datasets, exactly as the window keeps them.
namespace DatasetTexts {

inline const char *const SenhaSQL = "SELECT Usuarios.*\r\nFROM        Usuarios\r\nORDER BY Nome";
inline const char *const JobSQL = "SELECT     Jobs.*\r\nFROM         Jobs";
inline const char *const Data1SQL = "SELECT  Marca, Razão, Cidade, IdPess FROM PessoaFJ WHERE (Ativa = 1)";
inline const char *const OrganizacaoSQL =
    "SELECT PessoaFJ.*, \r\n    Municipios.MUN_IBGE, Municipios.MUN_DAC, Municipios.MUN_NOME, Municipios.MUN_UF, Ativou = CASE WHEN Ativa = 1 THEN 'Sim' END\r\nFROM PessoaFJ INNER JOIN\r\n    Municipios ON PessoaFJ.IBGE = Municipios.MUN_IBGE\r\nWHERE (PessoaFJ.Ativa = 1);\r\n";

} // namespace DatasetTexts
