// Column tables of the schema catalogue: users of the ORVO system, their logins and tasks, and the tables of the IT service desk.
#include "maintenance/catalogue/CatalogueData.h"

namespace catalogue {
namespace {

// One row per line, read beside the column tables.
// clang-format off
using enum Kind;
using enum Null;

// Usuarios
const Column step29[] = {
    {"DiasExpirar", "int", Plain, NotNull, "60", "DF_UsersDiasExpirar", "Dias de expiração da senha após a redefinição"},
    {"DataRedefiniu", "date", Plain, Nullable, "", "", "Data de redefinição da senha reciclando a expiração"},
};
const Column step64[] = {
    {"Logradouro", "nvarchar(65)", Plain, Nullable, "", "", ""},
    {"Cidade", "nvarchar(65)", Plain, Nullable, "", "", ""},
    {"purl", "nvarchar(12)", Plain, Nullable, "", "", ""},
    {"pwrd", "nvarchar(255)", Plain, Nullable, "", "", ""},
    {"session", "nvarchar(100)", Plain, Nullable, "", "", ""},
};
const Further step64Further[] = {
    {"Kardex", "PMPk", "Preço médio ponderado COM IMPOSTOS"},
    {"Kardex", "PMIVk", "Preço médio ponderado SEM IMPOSTOS"},
};

// Agenda_email
const Column step57[] = {
    {"IdAgm", "int", Identity, NotNull, "", "", ""},
    {"NomeAgm", "nvarchar(30)", Plain, Nullable, "", "", ""},
    {"TipoAgm", "tinyint", Plain, NotNull, "0", "TI_Agm_Tipo", "0-Enviar XML Nfe (marcar em Notas campo UNFs_envioXML) 1-Enviar DÉBITO Fornecedor (marcar em NFs_Itens campo ?????" ") 2-Enviar LISTA incidentes (criar eventos afrente e marcar após envio) "},
    {"DescrAgm", "nvarchar(200)", Plain, Nullable, "", "", ""},
    {"DataInicio", "datetime", Plain, NotNull, "", "", "Data inicial do agendamento (Somar a vCiclo calculando com base em nCiclo para saber quando startar)"},
    {"Status", "tinyint", Plain, NotNull, "0", "TI_Agm_Status", "0-Ativo 9-Inativo"},
    {"vCiclo", "real", Plain, NotNull, "0", "TI_Agm_vCiclo", "Valor do ciclo em Minutos, Horas, Dias, Semanas, Meses, Anos"},
    {"nCiclo", "tinyint", Plain, NotNull, "0", "TI_Agm_nCiclo", "Tipo de ciclo Minutos, Horas, Dias, Semanas, Meses, Anos"},
    {"nWeek", "nvarchar(14)", Plain, Nullable, "", "", "Quando semanal determina os dias da semana que irão ser executados 1-2-3-4-5-6-7"},
};

// TI_Evolucao
const Column step59[] = {
    {"IdEvl", "int", Identity, NotNull, "", "", ""},
    {"IdInc", "int", Plain, NotNull, "", "", "Ligação com o Incidente"},
    {"NomeResp", "nvarchar(80)", Plain, Nullable, "", "", ""},
    {"nObs", "nvarchar(700)", Plain, Nullable, "", "", ""},
    {"nStatus", "tinyint", Plain, NotNull, "0", "TI_Evol_nStatus", ""},
    {"nTipo", "tinyint", Plain, NotNull, "0", "TI_Evol_nTipo", "0-Ação Imediata 1-Analise da causa 2-Ação de correção 3-Encerramento "},
    {"Prazo", "datetime", Plain, Nullable, "", "", ""},
};

// TI_Incidentes
const Column step60[] = {
    {"aiObs", "nvarchar(700)", Plain, Nullable, "", "", "Obs da ação imediata"},
    {"anObs", "nvarchar(700)", Plain, Nullable, "", "", "Obs da análise da causa"},
    {"acObs", "nvarchar(700)", Plain, Nullable, "", "", "Obs da ação de correção"},
    {"enObs", "nvarchar(700)", Plain, Nullable, "", "", "Obs do Encerramento"},
};
const Column step71[] = {
    {"IdInc", "int", Identity, NotNull, "", "", ""},
    {"IdUser", "int", Plain, NotNull, "", "", ""},
    {"NomeUsuario", "nvarchar(80)", Plain, NotNull, "", "", ""},
    {"EmailUsuario", "nvarchar(80)", Plain, NotNull, "", "", ""},
    {"Planta", "nvarchar(35)", Plain, NotNull, "'BRAVIKBR'", "DF_TI_Incidentes_Planta", ""},
    {"UsuarioREDE", "nvarchar(80)", Plain, NotNull, "", "", ""},
    {"NomeTecnico", "nvarchar(80)", Plain, NotNull, "", "", ""},
    {"EmailTecnico", "nvarchar(80)", Plain, NotNull, "", "", ""},
    {"iTipo", "tinyint", Plain, NotNull, "0", "DF_IncTipo", ""},
    {"iGravidade", "tinyint", Plain, NotNull, "0", "DF_IncGravidade", ""},
    {"iStatus", "tinyint", Plain, NotNull, "0", "DF_IncStatus", ""},
    {"iSeguranca", "tinyint", Plain, NotNull, "0", "DF_IncSeguranca", ""},
    {"dInicio", "datetime", Plain, NotNull, "", "", ""},
    {"dCurso", "datetime", Plain, Nullable, "", "", ""},
    {"dEncerrou", "datetime", Plain, Nullable, "", "", ""},
    {"cDias", "real", Plain, NotNull, "0", "DF_IncDias", ""},
    {"iObs", "nvarchar(700)", Plain, Nullable, "", "", ""},
    {"EnvioEmail", "datetime", Plain, Nullable, "", "", ""},
};
const Further step71Further[] = {
    {"Incidentes", "iTipo", "Tipo da Icidência"},
    {"Incidentes", "iStatus", "Status da Icidência"},
    {"Incidentes", "iSeguranca", "Icidência de segurânça"},
    {"Incidentes", "cDias", "Tempo de duração da incidência em dias"},
    {"Incidentes", "cHistorico", "Tempo de duração em dias para envio ao histórico após o encerramentpo"},
    {"Incidentes", "dInicio", "Data inicial da ocorrência"},
    {"Incidentes", "dCurso", "Atualização da data do curso"},
    {"Incidentes", "dEncerrou", "Data de encerramento que deve ser maior que dInicio e dCurso"},
};

// TI_Tipos
const Column step62[] = {
    {"CodeD", "int", Plain, NotNull, "0", "DF_TI_Tipos_CodeD", "Vínculo com código do Departamento"},
};
const Column step68[] = {
    {"IdTipo", "int", Identity, NotNull, "", "", ""},
    {"CodeT", "int", Plain, NotNull, "", "", ""},
    {"Risco", "tinyint", Plain, NotNull, "0", "DFTipos_Risco", ""},
    {"Tipo", "nvarchar(20)", Plain, NotNull, "", "", "0-Nenhum 1-Baixo 5-Médio 9-Alto"},
    {"Titulo", "nvarchar(60)", Plain, NotNull, "", "", ""},
    {"Gestores", "nvarchar(300)", Plain, NotNull, "", "", "Email do Gestor responsável pela Incidência"},
};

// Usuarios_Login
const Column step65[] = {
    {"IdLG", "int", Identity, NotNull, "", "", ""},
    {"IdUSer", "int", Plain, NotNull, "", "", ""},
    {"IdTipo", "int", Plain, NotNull, "", "", "0-Login 1-Erro Login 998-IP fora da lista 999-Logout"},
    {"DataL", "date", Plain, NotNull, "", "", ""},
    {"Host", "nvarchar(80)", Plain, NotStated, "", "", "Nome da máquina em qe usuário logou"},
};

// Usuarios_tarefas
const Column step84[] = {
    {"IdUtsk", "int", Identity, NotNull, "", "", ""},
    {"IdUser", "int", Plain, NotNull, "0", "TaskU_IdUser", ""},
    {"Tarefa", "nvarchar(35)", Plain, NotNull, "", "", ""},
    {"Status", "int", Plain, NotNull, "0", "TaskU_Status", ""},
    {"DataTask", "datetime", Plain, Nullable, "", "", ""},
};
const Further step84Further[] = {
    {"Usuarios_tasks", "Tarefa", "Tarefa a ser cumprida"},
    {"Usuarios_tasks", "DataTask", "Data da tarefa a ser cumprida"},
};

const Step steps[] = {
    {.number = 29, .form = Form::AddColumns, .table = "Usuarios", .guard = Guard::Silent, .columns = step29},
    {.number = 64, .form = Form::AddColumns, .table = "Usuarios", .guard = Guard::Silent, .columns = step64, .further = step64Further},
    {.number = 57, .form = Form::CreateTable, .table = "Agenda_email", .guard = Guard::Silent, .columns = step57},
    {.number = 59, .form = Form::CreateTable, .table = "TI_Evolucao", .guard = Guard::Silent, .columns = step59},
    {.number = 60, .form = Form::AddColumns, .table = "TI_Incidentes", .guard = Guard::Silent, .columns = step60},
    {.number = 71, .form = Form::CreateTable, .table = "TI_Incidentes", .guard = Guard::Silent, .columns = step71, .further = step71Further},
    {.number = 62, .form = Form::AddColumns, .table = "TI_Tipos", .guard = Guard::Silent, .columns = step62},
    {.number = 68, .form = Form::CreateTable, .table = "TI_Tipos", .guard = Guard::Silent, .columns = step68},
    {.number = 65, .form = Form::CreateTable, .table = "Usuarios_Login", .guard = Guard::Silent, .columns = step65},
    {.number = 84, .form = Form::CreateTable, .table = "Usuarios_tarefas", .guard = Guard::Silent, .columns = step84, .further = step84Further},
};

// clang-format on

} // namespace

std::span<const Step> userSteps()
{
    return steps;
}

} // namespace catalogue
