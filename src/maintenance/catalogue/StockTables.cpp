// Column tables of the schema catalogue: parts and products, packing units and their labels, loads and packing lists, the stock
// ledger with its places and sub-lots, warehouses, inventory, receiving, invoice adjustments.
#include "maintenance/catalogue/CatalogueData.h"

namespace catalogue {
namespace {

// One row per line, read beside the column tables.
// clang-format off
using enum Kind;
using enum Null;

// Peças
const Column step4[] = {
    {"QPecasEtqs", "int", Plain, NotNull, "0", "DF_Prd_QPecasEtqs", "Quantidade máxima de peças nas etiquetas ao dia"},
};
const Column step49[] = {
    {"IdProc", "int", Plain, NotNull, "0", "DF_PeçasIdProc", "Fase do Processo quando Serviço"},
    {"PecasCaixa", "int", Plain, NotNull, "1", "DF_Peças_PPC", "Quantas Peças acondicionadas em uma caixa"},
    {"PesoCaixa", "real", Plain, NotNull, "0", "DF_Peças_PSC", "Peso de uma caixa vazia"},
};
const Column step69[] = {
    {"tPrecoMENOR", "real", Plain, NotNull, "0.01", "DF_Peças_tPrecoMENOR", "Tolerancia a MENOR no preço se parâmetro pCOMPRAS[3] = \"T\""},
    {"tPrecoMAIOR", "real", Plain, NotNull, "0.01", "DF_Peças_tPrecoMAIOR", "Tolerancia a MAIOR no preço se parâmetro pCOMPRAS[3] = \"T\""},
    {"tValorTOTAL", "real", Plain, NotNull, "100", "DF_Peças_tPrecoTOTAL", "Tolerancia Total (Dif. Preço * Qtde) se parâmetro pCOMPRAS[3] = \"T\""},
};

// ItensNF_UDs
const Column step6[] = {
    {"NameHost", "nvarchar(65)", Plain, Nullable, "", "", "Máquina onde foi criada a UD"},
};
const Column step11[] = {
    {"QtdeG", "real", Plain, NotNull, "0", "DF_ItensNF_UDsQGeral", "Quantidade de Propósito Geral nos cálculos"},
};
const Column step30[] = {
    {"Data_FAB", "datetime", Plain, Nullable, "", "", "Data de Fabricação parcial ou total de uma OP"},
};
const Column step31[] = {
    {"IdKLCud", "int", Plain, NotNull, "0", "DF_ItensNF_UDs_IdKLC", "Código de localização física do Sub Lote"},
};
const Column step35[] = {
    {"IdOrdem", "int", Plain, NotNull, "0", "DF_ItensNF_UDs_IdOrdem", ""},
};
const Column step40[] = {
    {"IdItem", "int", Plain, NotNull, "0", "DF_ItensNF_UDs_IdNota1", "Item da Nota em que houve consumo desta etiqueta"},
};
const Column step43[] = {
    {"nPed", "int", Plain, NotNull, "0", "DF_ItensNFUDs_nPed", "Número de Pedidos conforme pesquisa (1-Com Programa 2-Todos)"},
    {"IdUdV", "int", Plain, NotNull, "0", "DF_ItensNFUDs_IdUdV", "Ligação com Header da Carga"},
    {"IdPdV", "int", Plain, NotNull, "0", "DF_ItensNFUDs_IdPdV", "Quando nPed=1 o sistema coloca automático, quando nPed > 1 Exige que o operador decida"},
    {"IdAuto", "int", Plain, NotNull, "0", "DF_ItensNFUDs_IdAuto", "Quando nPed=1 o sistema coloca automático, quando nPed > 1 Exige que o operador decida"},
};

// Peças_Logistica
const Column step7[] = {
    {"IdPeçaLGI", "int", Identity, NotNull, "", "", ""},
    {"IdPeça", "int", Plain, NotNull, "", "", "Vínculo com a Tabela Peças"},
    {"NomeEtq_serie", "nvarchar(30)", Plain, Nullable, "", "", ""},
    {"TRATAM", "nvarchar(3)", Plain, Nullable, "", "", ""},
    {"VOLTAG", "real", Plain, NotNull, "", "", ""},
    {"Part_number", "nvarchar(30)", Plain, Nullable, "", "", ""},
    {"Num_linha", "nvarchar(10)", Plain, Nullable, "", "", ""},
    {"ESPECIF", "nvarchar(20)", Plain, Nullable, "", "", ""},
    {"DescrNF_ax", "nvarchar(30)", Plain, Nullable, "", "", ""},
    {"IdPaiRET", "int", Plain, NotNull, "", "", ""},
    {"PesoLQ", "real", Plain, NotNull, "", "", ""},
    {"PesoBT", "real", Plain, NotNull, "", "", ""},
    {"PesoCaixa", "real", Plain, NotNull, "", "", ""},
    {"PecasCaixa", "int", Plain, NotNull, "", "", ""},
    {"DATAmod", "datetime", Plain, Nullable, "", "", ""},
    {"Respmod", "nvarchar(80)", Plain, Nullable, "", "", ""},
    {"UsuarioREDE", "nvarchar(80)", Plain, Nullable, "", "", ""},
};
const Further step7Further[] = {
    {"Peças", "LIdAlt", "Identificador do Último Reajuste"},
    {"Peças", "IdMerCP", "Identificador da Planta em Vendas"},
};

// Produtos
const Column step10[] = {
    {"QEtqDia", "int", Plain, NotNull, "0", "DF_Prd_QEtqDia1", "Quantidade máxima de etiquetas dia"},
};

// ItensNF_Romaneio
const Column step12[] = {
    {"IdRMN", "int", Identity, NotNull, "", "", ""},
    {"IdUdV", "int", Plain, NotNull, "", "", "Identificador do Romaneio"},
    {"IdPeça", "int", Plain, NotNull, "", "", "Identificador da Liberação de Venda"},
    {"rQtde", "real", Plain, NotNull, "", "", "Quantidade do Romaneio"},
    {"rSdo", "real", Plain, NotNull, "", "", "Saldo para controle no Coletor"},
    {"crOpera", "nvarchar(65)", Plain, Nullable, "", "", "Criador do Romaneio"},
    {"crData", "datetime", Plain, Nullable, "", "", "Data de Criação do Romaneio"},
};

// Kardex
const Column step19[] = {
    {"IdUDk", "int", Plain, NotNull, "0", "DF_Kardex_IdUDk", "Identificador da Etiqueta UD"},
};
const Column step21[] = {
    {"QTotal_Dev", "real", Plain, NotNull, "0", "DF_Kardex_QTDEV", "Quantidade total devolvida mediante NFS/Notas"},
};
const Column step66[] = {
    {"IPIk", "float(53)", Plain, NotNull, "0", "DF_Kardex_IPIk", "IPI herdado do Item Pedido que derivou do campo NFe_AIPI de Peças"},
};

// DataInv
const Column step25[] = {
    {"TipoINV", "int", Plain, NotNull, "0", "DF_DataInv_SRuptura1", "0-Oficial (Exige Ajustes) 9-Cíclico (Ajustes se executor desejar)"},
};
const Column step26[] = {
    {"SItens", "int", Plain, NotNull, "0", "DTI_SItens", "Total de cartões inventariados"},
    {"SRuptura", "int", Plain, NotNull, "0", "DTI_SRuptura", "Total dos itens com ajuste no inventário"},
};

// Kardex_Local
const Column step33[] = {
    {"xAlmox", "int", Plain, NotNull, "0", "FF_KDXL_xAlmox", "Local determinado internamente 0-Almoxarifado 1-Kanbam 4-Qualidade"},
};

// Kardex_SubLote
const Column step36[] = {
    {"Usuario_LC", "nvarchar(65)", Plain, Nullable, "", "", "Último usuário que localizou o SubLote"},
    {"Qtd_Saldo", "real", Plain, NotNull, "0", "DF_KDXSL_QtdSaldo", "Quantidade de Saldo ao Pagar o Material"},
};
const Column step38[] = {
    {"eTipo", "tinyint", Plain, NotNull, "0", "DKardexSB_eTipo", "0-Etiqueta Normal 9-Etiqueta Master (Contém todas os Sub Lotes)"},
};
const Column step78[] = {
    {"Qtd_scrap", "real", Plain, NotNull, "0", "DF_Kardex_SubLote_Qtd_CSM1", "Quantidade de perda no processo externo"},
};

// Almoxarifados
const Column step37[] = {
    {"xBloquearOP", "tinyint", Plain, NotNull, "0", "DF_Almoxarifados_Qtd_devolucao1", "0-Não Bloqueia 1-Bloqueia Aptos da OP 9-Bloqueia Aptos de todas as OPs"},
};

// ItensNF_Volumes
const Column step39[] = {
    {"QtdeSaldo", "real", Plain, NotNull, "1", "DF_ItensNF_VolQtdeSaldo", ""},
    {"IdUser", "int", Plain, NotNull, "0", "DF_ItensNF_VolIdUser", "ItUSuário criador da Carga"},
    {"TLib", "int", Plain, NotNull, "0", "DF_ItensNF_VolTLibr", ""},
};
const Further step39Further[] = {
    {"ItensNF_UDs", "TLib", "Tipo Liberação 0-Venda=\"EST001\" 1-Serviço Terceiros=\"TERC001\" 2-Processos=\"PROC001\" 9-Romaneio=\"EST001\""},
};
const Column step47[] = {
    {"IdUdV", "int", Plain, NotNull, "0", "DF_ItensNF_Volumes_IdUdV", ""},
    {"IdNota", "int", Plain, NotNull, "0", "DF_ItensNF_Volumes_IdNota", ""},
    {"IdPess", "int", Plain, NotNull, "0", "DF_ItensNF_Volumes_IdPess", ""},
};

// Embalagens
const Column step41[] = {
    {"IdEmb", "int", Identity, NotNull, "", "", ""},
    {"PadraoE", "int", Plain, NotNull, "0", "Embalagens_PadraoE", "1- Embalagem Padrão"},
    {"PesoLQ", "real", Plain, NotNull, "0", "Embalagens_PesoLQ", "Peso Líquido da Peça"},
    {"PesoBT", "real", Plain, NotNull, "0", "Embalagens_PesoBT", "Peso Bruto da Peça quando PecasCaixa = 1"},
    {"PesoCaixa", "real", Plain, NotNull, "0", "Embalagens_PesoCaixa", "Peso Bruto da Caixa"},
    {"PecasCaixa", "int", Plain, NotNull, "1", "Embalagens_PecasCaixa", "Máximo de peças contidas na Caixa"},
};

// Inventário
const Column step42[] = {
    {"IdUD", "int", Plain, NotNull, "0", "DF_InventárioIdUD", ""},
};
const Further step42Further[] = {
    {"Inventário", "nPed", "NLigação com as Etiquetas de Produção"},
};

// Recebimento
const Column step82[] = {
    {"aQTDrc", "real", Plain, NotNull, "0", "DF_Recebimento_aQTDrc", "Quantidade acumulada recebida para fins de cálculos imediatos"},
};

// NFs_ItensAJUSTE
const Column step83[] = {
    {"xAjuste", "nvarchar(15)", Plain, Nullable, "'Inv.Drumesk'", "", "Pequeno texto para substituir a NF"},
    {"oObs", "nvarchar(65)", Plain, Nullable, "", "", "Quando existir substituirá texto \"AJUSTE\""},
};

const Step steps[] = {
    {.number = 4, .form = Form::AddColumns, .table = "Peças", .guard = Guard::Silent, .columns = step4},
    {.number = 49, .form = Form::AddColumns, .table = "Peças", .guard = Guard::Silent, .columns = step49},
    {.number = 69, .form = Form::AddColumns, .table = "Peças", .guard = Guard::Silent, .columns = step69},
    {.number = 6, .form = Form::AddColumns, .table = "ItensNF_UDs", .guard = Guard::Silent, .columns = step6},
    {.number = 11, .form = Form::AddColumns, .table = "ItensNF_UDs", .guard = Guard::Silent, .columns = step11},
    {.number = 30, .form = Form::AddColumns, .table = "ItensNF_UDs", .guard = Guard::Silent, .columns = step30},
    {.number = 31, .form = Form::AddColumns, .table = "ItensNF_UDs", .guard = Guard::Silent, .columns = step31},
    {.number = 35, .form = Form::AddColumns, .table = "ItensNF_UDs", .guard = Guard::Silent, .columns = step35},
    {.number = 40, .form = Form::AddColumns, .table = "ItensNF_UDs", .guard = Guard::Silent, .columns = step40},
    {.number = 43, .form = Form::AddColumns, .table = "ItensNF_UDs", .guard = Guard::Silent, .columns = step43},
    {.number = 7, .form = Form::CreateTable, .table = "Peças_Logistica", .guard = Guard::Reported, .columns = step7, .onPrimary = true, .further = step7Further},
    {.number = 10, .form = Form::AddColumns, .table = "Produtos", .guard = Guard::Silent, .columns = step10},
    {.number = 12, .form = Form::CreateTable, .table = "ItensNF_Romaneio", .guard = Guard::Silent, .columns = step12, .keyClause = "CONSTRAINT [PK_Romaneio] PRIMARY KEY CLUSTERED ( [IdUdV] ASC, [IdPeça] ASC )WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, IGNORE_DUP_KEY = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON, OPTIMIZE_FOR_SEQUENTIAL_KEY = OFF) ON [PRIMARY]", .onPrimary = true},
    {.number = 19, .form = Form::AddColumns, .table = "Kardex", .guard = Guard::Silent, .columns = step19},
    {.number = 21, .form = Form::AddColumns, .table = "Kardex", .guard = Guard::Silent, .columns = step21},
    {.number = 66, .form = Form::AddColumns, .table = "Kardex", .guard = Guard::Silent, .columns = step66},
    {.number = 25, .form = Form::AddColumns, .table = "DataInv", .guard = Guard::Silent, .columns = step25},
    {.number = 26, .form = Form::AddColumns, .table = "DataInv", .guard = Guard::Silent, .columns = step26},
    {.number = 33, .form = Form::AddColumns, .table = "Kardex_Local", .guard = Guard::Silent, .columns = step33},
    {.number = 36, .form = Form::AddColumns, .table = "Kardex_SubLote", .guard = Guard::Silent, .columns = step36},
    {.number = 38, .form = Form::AddColumns, .table = "Kardex_SubLote", .guard = Guard::Silent, .columns = step38},
    {.number = 78, .form = Form::AddColumns, .table = "Kardex_SubLote", .guard = Guard::Silent, .columns = step78},
    {.number = 37, .form = Form::AddColumns, .table = "Almoxarifados", .guard = Guard::Silent, .columns = step37},
    {.number = 39, .form = Form::AddColumns, .table = "ItensNF_Volumes", .guard = Guard::Silent, .columns = step39, .further = step39Further},
    {.number = 47, .form = Form::AddColumns, .table = "ItensNF_Volumes", .guard = Guard::Silent, .columns = step47},
    {.number = 41, .form = Form::CreateTable, .table = "Embalagens", .guard = Guard::Silent, .columns = step41},
    {.number = 42, .form = Form::AddColumns, .table = "Inventário", .guard = Guard::Silent, .columns = step42, .further = step42Further},
    {.number = 82, .form = Form::AddColumns, .table = "Recebimento", .guard = Guard::Silent, .columns = step82},
    {.number = 83, .form = Form::AddColumns, .table = "NFs_ItensAJUSTE", .guard = Guard::Silent, .columns = step83},
};

// clang-format on

} // namespace

std::span<const Step> stockSteps()
{
    return steps;
}

} // namespace catalogue
