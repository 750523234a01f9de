// Column tables of the schema catalogue: customer-order parts, production orders and their log, bookings, rejects and idle times,
// labels read for an order, order items and their delivery schedules, links between parts.
#include "maintenance/catalogue/CatalogueData.h"

namespace catalogue {
namespace {

// One row per line, read beside the column tables.
// clang-format off
using enum Kind;
using enum Null;

// RND_FILHOS_TEMP
const Column step2[] = {
    {"Ped_Client", "nvarchar(12)", Plain, Nullable, "", "", ""},
    {"Produto", "nvarchar(30)", Plain, NotNull, "", "", ""},
    {"IdProd", "int", Plain, NotNull, "0", "RndFT_IdProd", ""},
    {"IdPeca", "int", Plain, NotNull, "0", "RndFT_IdPeca", ""},
    {"TLiberou", "int", Plain, NotNull, "0", "RndFT_TLib", ""},
    {"Uso", "real", Plain, NotNull, "1", "RndFT_rUso", "Quantidade de uso para compor o Pai"},
};

// RND_FILHOS
const Column step3[] = {
    {"IdRndF", "int", Identity, NotNull, "", "", ""},
    {"Ped_Client", "nvarchar(12)", Plain, NotNull, "", "", ""},
    {"rPai", "nvarchar(30)", Plain, NotNull, "", "", ""},
    {"rFilho", "nvarchar(30)", Plain, NotNull, "", "", ""},
    {"rIdPai", "int", Plain, NotNull, "0", "RndF_rIdPai", ""},
    {"rIdFilho", "int", Plain, NotNull, "0", "RndF_rIdFilho", ""},
    {"rUso", "real", Plain, NotNull, "1", "RndF_rUso", "Quantidade de uso para compor o Pai"},
};

// H_OF_Apoint
const Column step17[] = {
    {"Resp_EN", "nvarchar(65)", Plain, Nullable, "", "", "Responsável pela exclusão"},
};
const Further step17Further[] = {
    {"H_OF_Apoint", "DataEN", "Data Exclusão"},
};

// OF_Apoint
const Column step18[] = {
    {"IdOrdem", "int", Plain, NotNull, "0", "DF_OF_Apoint_IdOrdem", "Identificador universal da OP"},
};
const Column step34[] = {
    {"nQualy", "tinyint", Plain, NotNull, "0", "OF_Apt_nQualy", ""},
    {"IdInsp", "int", Plain, NotNull, "0", "OF_Apt_IdInsp", ""},
};
const Further step34Further[] = {
    {"Kardex_SubLote", "IdOrdem", "Novo identificador da O.P."},
};

// SBuild_Etiquetas
const Column step24[] = {
    {"IdEtqSB", "int", Identity, NotNull, "", "", ""},
    {"IdOrdem", "int", Plain, NotNull, "", "", "Ligação com a OP"},
    {"QrCode", "nvarchar(360)", Plain, Nullable, "", "", "Barcode Lido"},
    {"Posicao", "int", Plain, NotNull, "", "", "Uma posição de 4 ou mais sem repetição"},
    {"OperatorETQ", "nvarchar(50)", Plain, Nullable, "", "", ""},
    {"ReadData", "datetime", Plain, Nullable, "", "", ""},
};

// Prog_AE
const Column step50[] = {
    {"xIdPess", "int", Plain, NotNull, "(0)", "DF_ProgAE_xIdPess", "Somente preencher quando for ORÇAMENTO"},
};
const Further step50Further[] = {
    {"Peças", "IdPaiRET", "Quantidade exata para emissão da etiqueta de Expedição"},
};

// OFs_New
const Column step51[] = {
    {"ObsQR", "nvarchar(400)", Plain, Nullable, "", "", "QrCode das 4 Etiquetas"},
};

// Costumer_Chain
const Column step52[] = {
    {"IdCChain", "int", Identity, NotNull, "", "", "Tabela cadeia de Clientes"},
    {"CostumerChain", "nvarchar(40)", Plain, NotNull, "", "", "Descrição cadeia de Clientes"},
};

// OFs_NewLog
const Column step53[] = {
    {"IdOFL", "int", Identity, NotNull, "", "", ""},
    {"IdOrdem", "int", Plain, NotNull, "", "", ""},
    {"IdUSer", "int", Plain, NotNull, "", "", "Usuário responsável"},
    {"PrazoORG", "datetime", Plain, Nullable, "", "", ""},
    {"PrazoNOVO", "datetime", Plain, Nullable, "", "", ""},
    {"Qtd_PedidaORG", "float", Plain, NotNull, "", "", ""},
    {"Qtd_PedidaNOVA", "float", Plain, NotNull, "", "", ""},
    {"DataM", "date", Plain, NotNull, "", "", "Data da modificação"},
    {"Host", "nvarchar(80)", Plain, NotStated, "", "", "Máquina onde houve a modificação"},
};

// OF_Rejeitos
const Column step54[] = {
    {"IdPlt", "int", Plain, NotNull, "606", "DF_OF_Rejeitos_IdPlt", "Planta do rejeito (Pesquisada pelo IdPlanta do Produto ao apontar)"},
};

// OF_Improdutivos
const Column step55[] = {
    {"IdPlt", "int", Plain, NotNull, "606", "DF_OF_Improdutivos_IdPlt", "Planta do improdutivo (Pesquisada pelo IdPlanta do Produto ao apontar)"},
};

// Itens Pedido
const Column step56[] = {
    {"TipoKardex", "int", Plain, NotNull, "0", "DF_IP_TipoKardex", "Quando Produto for de importação atribui ao campo H_MIN_MVT no Kardex (0-Normal 1-Complemento)"},
};

// Proc_Refugo
const Column step70[] = {
    {"IdPRef", "int", Identity, NotNull, "", "", ""},
    {"IdUser", "int", Plain, NotNull, "", "", "Usuário inspetor"},
    {"IdProcesso", "int", Plain, NotNull, "", "", "Ligação com a Fase para a valoração"},
    {"NomeInspetor", "nvarchar(80)", Plain, NotNull, "", "", ""},
    {"EmailInspetor", "nvarchar(80)", Plain, NotNull, "", "", ""},
    {"dRegistro", "datetime", Plain, NotNull, "", "", "Data de Inclusão do registro"},
    {"dRefugou", "datetime", Plain, Nullable, "", "", "Data do Refugo para o gráfico"},
    {"QNc", "real", Plain, NotNull, "0", "DF_PrefDias", "Quantidade não conforme"},
    {"rObs", "nvarchar(700)", Plain, Nullable, "", "", ""},
};

// Elo
const Column step73[] = {
    {"IdSubs", "int", Plain, NotNull, "0", "DF_Elo_IdSubs", "Identificador do Substituto imediato"},
    {"Qtd_Limite", "real", Plain, NotNull, "0", "DF_Elo_Qtd1", "Quantidade limite de consumo"},
};

// Itens_CRONOSLOG
const Column step79[] = {
    {"IdCrnLG", "int", Identity, NotNull, "", "", ""},
    {"IdCrn", "int", Plain, NotNull, "", "", ""},
    {"IdItemP", "int", Plain, NotNull, "", "", ""},
    {"cPreço", "float", Plain, NotNull, "0", "DF_CRONLG_cPreco", ""},
    {"cQtde", "real", Plain, NotNull, "0", "DF_CRONLG_cQtde", "Quantidade a entregar do item quando pedido aberto"},
    {"dQtde", "real", Plain, NotNull, "0", "DF_CRONLG_dQtde", "Quantidade débito a entregar"},
    {"cDataItem", "datetime", Plain, NotNull, "", "", "Data de cronograma de entrega do item"},
    {"OperaRelease", "nvarchar(60)", Plain, Nullable, "", "", ""},
    {"UsuarioREDE", "nvarchar(80)", Plain, Nullable, "", "", ""},
    {"cDataRelease", "datetime", Plain, Nullable, "", "", ""},
    {"cModo", "int", Plain, NotNull, "0", "DF_CRONLG_cModo", "0- Digitados 1-Transferido"},
    {"xVer", "tinyint", Plain, NotNull, "0", "DF_CRONLG_xVer", "Visualizar os itens no pedido"},
};

// Itens_CRONOS
const Column step80[] = {
    {"IdCrn", "int", Identity, NotNull, "", "", ""},
    {"IdItemP", "int", Plain, NotNull, "", "", ""},
    {"cPreço", "float", Plain, NotNull, "0", "DF_ITCRN_cPreco", ""},
    {"cQtde", "real", Plain, NotNull, "0", "DF_ITCRN_cQtde", "Quantidade a entregar do item quando pedido aberto"},
    {"dQtde", "real", Plain, NotNull, "0", "DF_ITCRN_dQtde", "Quantidade débito a entregar"},
    {"cDataItem", "datetime", Plain, NotNull, "", "", "Data de cronograma de entrega do item"},
    {"OperaRelease", "nvarchar(60)", Plain, Nullable, "", "", ""},
    {"cDataRelease", "datetime", Plain, Nullable, "", "", ""},
    {"cModo", "int", Plain, NotNull, "0", "DF_ITCRN_cModo", "0- Digitados 1-Transferido"},
    {"xVer", "tinyint", Plain, NotNull, "0", "DF_ITCRN_xVer", "Visualizar os itens no pedido"},
    {"IdApos", "int", Plain, NotNull, "0", "DF_ITCRN_IdApos", "Identificador posterior ao atual com mesmo IdItemP para calcular baixa"},
};
const Column step81[] = {
    {"IdApos", "int", Plain, NotNull, "0", "DF_CRONOS_IdApos", "Identificador posterior ao atual com mesmo IdItemP para calcular baixa"},
};

const Step steps[] = {
    {.number = 2, .form = Form::CreateTable, .table = "RND_FILHOS_TEMP", .guard = Guard::Silent, .columns = step2},
    {.number = 3, .form = Form::CreateTable, .table = "RND_FILHOS", .guard = Guard::Silent, .columns = step3},
    {.number = 17, .form = Form::AddColumns, .table = "H_OF_Apoint", .guard = Guard::Silent, .columns = step17, .further = step17Further},
    {.number = 18, .form = Form::AddColumns, .table = "OF_Apoint", .guard = Guard::Silent, .columns = step18},
    {.number = 34, .form = Form::AddColumns, .table = "OF_Apoint", .guard = Guard::Silent, .columns = step34, .further = step34Further},
    {.number = 24, .form = Form::CreateTable, .table = "SBuild_Etiquetas", .guard = Guard::Silent, .columns = step24, .keyClause = "CONSTRAINT [PK_OPs_Etqs] PRIMARY KEY CLUSTERED ( IdOrdem ASC, Posicao ASC )WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, IGNORE_DUP_KEY = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON) ON [PRIMARY]", .onPrimary = true},
    {.number = 50, .form = Form::AddColumns, .table = "Prog_AE", .guard = Guard::Silent, .columns = step50, .further = step50Further},
    {.number = 51, .form = Form::AddColumns, .table = "OFs_New", .guard = Guard::Silent, .columns = step51},
    {.number = 52, .form = Form::CreateTable, .table = "Costumer_Chain", .guard = Guard::Silent, .columns = step52},
    {.number = 53, .form = Form::CreateTable, .table = "OFs_NewLog", .guard = Guard::Silent, .columns = step53},
    {.number = 54, .form = Form::AddColumns, .table = "OF_Rejeitos", .guard = Guard::Silent, .columns = step54},
    {.number = 55, .form = Form::AddColumns, .table = "OF_Improdutivos", .guard = Guard::Silent, .columns = step55},
    {.number = 56, .form = Form::AddColumns, .table = "Itens Pedido", .guard = Guard::Silent, .columns = step56},
    {.number = 70, .form = Form::CreateTable, .table = "Proc_Refugo", .guard = Guard::Silent, .columns = step70},
    {.number = 73, .form = Form::AddColumns, .table = "Elo", .guard = Guard::Silent, .columns = step73},
    {.number = 79, .form = Form::CreateTable, .table = "Itens_CRONOSLOG", .guard = Guard::Silent, .columns = step79},
    {.number = 80, .form = Form::CreateTable, .table = "Itens_CRONOS", .guard = Guard::Silent, .columns = step80},
    {.number = 81, .form = Form::AddColumns, .table = "Itens_CRONOS", .guard = Guard::Silent, .columns = step81},
};

// clang-format on

} // namespace

std::span<const Step> productionSteps()
{
    return steps;
}

} // namespace catalogue
