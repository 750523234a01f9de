// Column tables of the schema catalogue: operation natures, tax classification, invoices and their items, the tax table by
// product classification, companies, chart of accounts, titles, payment terms, exchange rates.
#include "maintenance/catalogue/CatalogueData.h"

namespace catalogue {
namespace {

// One row per line, read beside the column tables.
// clang-format off
using enum Kind;
using enum Null;

// NatFiscal
const Column step1[] = {
    {"ShowGraphic", "tinyint", Plain, NotNull, "1", "DF_NatFiscal_ShowG", "Se visualiza no gráfico ou não 1-Sim 0- Nã"},
};
const Column step16[] = {
    {"IdCCT", "int", Plain, NotNull, "0", "NatFiscal_IdCCT", "Vínculo com a Tabela cClassTrib da reforma tributária de janeiro 2026"},
};
const Column step63[] = {
    {"CFOP_fora", "nvarchar(10)", Plain, Nullable, "", "", "Quando a CFOP fora do estado é diferente e os impostos são IDENTICOS"},
};
const Column step72[] = {
    {"eItemNF", "tinyint", Plain, NotNull, "0", "DF_NatFiscal_ItemNF", "0- Não exige ItemNF  1- Exige ItemNF"},
};

// cClassTrib
const Column step5[] = {
    {"IdCCT", "int", Identity, NotNull, "", "", ""},
    {"CCT", "nvarchar(6)", Plain, NotNull, "", "", "Código da Classificação Tributária"},
    {"CST", "nvarchar(3)", Plain, NotNull, "", "", "Código da Situação Tributária"},
    {"cDescricao", "nvarchar(80)", Plain, Nullable, "", "", ""},
    {"Tributar", "tinyint", Plain, NotNull, "0", "", "Exige Tributação"},
    {"RedBCCST", "tinyint", Plain, NotNull, "0", "", "Redução BC CST"},
    {"RedAliquota", "tinyint", Plain, NotNull, "0", "", "Redução Alíquota"},
    {"Diferimento", "tinyint", Plain, NotNull, "0", "", "Diferimento"},
    {"TransfCredito", "tinyint", Plain, NotNull, "0", "", ""},
    {"Monofasica", "tinyint", Plain, NotNull, "0", "", ""},
    {"PRedCBS", "real", Plain, NotNull, "", "", "Percentual Redução CBS"},
    {"PRedIBS", "real", Plain, NotNull, "", "", "Percentual Redução IBS"},
    {"RedBC", "tinyint", Plain, NotNull, "0", "", "Redução BC"},
    {"TribRegular", "tinyint", Plain, NotNull, "0", "", "Tributação Regular"},
    {"CreditoPresumido", "tinyint", Plain, NotNull, "0", "", "Crédito Presumido"},
    {"Observacao", "nvarchar(520)", Plain, Nullable, "", "", "Descrição do Código da Classificação Tributária"},
};

// Itens Nota
const Column step8[] = {
    {"IdCCT", "int", Plain, NotNull, "0", "DF_ITN_IdCCT", "Ligação com a Tabela cClassTrib"},
    {"ISel_vBCIS", "real", Plain, NotNull, "0", "DF_ITN_ISelvBCIS", ""},
    {"ISel_pIS", "real", Plain, NotNull, "0", "DF_ITN_ISelpIS", ""},
    {"ISel_pISEspec", "real", Plain, NotNull, "0", "DF_ITN_ISelpISEspec", ""},
    {"ISel_vIS", "real", Plain, NotNull, "0", "DF_ITN_ISelvIS", ""},
    {"gIBSCBS_vBC", "real", Plain, NotNull, "0", "DF_ITN_IBSCBSvBC", ""},
    {"gIBSUF_pIBSUF", "real", Plain, NotNull, "0", "DF_ITN_IBSUFpIBSUF", "IBS-UF Alíquota do IBS"},
    {"gIBSUF_vIBSUF", "real", Plain, NotNull, "0", "DF_ITN_IBSUFvIBSUF", "IBS-UF Valor do IBS\t"},
    {"gIBSUF_pDif", "real", Plain, NotNull, "0", "DF_ITN_IBSUFpDif", "IBS-UF Percentual do diferimento"},
    {"gIBSUF_vDif", "real", Plain, NotNull, "0", "DF_ITN_IBSUFvDif", "IBS-UF Valor do Diferimento"},
    {"gIBSUF_vDevTrib", "real", Plain, NotNull, "0", "DF_ITN_IBSUFvDevTrib", "IBS-UF Valor do tributo devolvido"},
    {"gIBSUF_pRedAliq", "real", Plain, NotNull, "0", "DF_ITN_IBSUFpRedAliq", "IBS-UF Percentual da redução de alíquota"},
    {"gIBSUF_pAliqEfet", "real", Plain, NotNull, "0", "DF_ITN_IBSUFpAliqEfet", "IBS-UF Alíquota Efetiva do IBS de competência do Estado será aplicada a Base de Cálculo"},
    {"gIBSMun_pIBSMun", "real", Plain, NotNull, "0", "DF_ITN_IBSMunpIBSMun", "IBS-Mun Alíquota do IBS de competência do Município"},
    {"gIBSMun_vIBSMun", "real", Plain, NotNull, "0", "DF_ITN_IBSMunvIBSMun", "IBS-Mun Valor do IBS de competência do Município"},
    {"gIBSMun_pDif", "real", Plain, NotNull, "0", "DF_ITN_IBSMunpDif", "IBS-Mun Percentual do diferimento"},
    {"gIBSMun_vDif", "real", Plain, NotNull, "0", "DF_ITN_IBSMunvDif", "IBS-Mun Valor do Diferimento"},
    {"gIBSMun_vDevTrib", "real", Plain, NotNull, "0", "DF_ITN_IBSMunvDevTrib", "IBS-Mun Valor do tributo devolvido"},
    {"gIBSMun_pRedAliq", "real", Plain, NotNull, "0", "DF_ITN_IBSMunpRedAliq", "IBS-Mun Percentual da redução de alíquota"},
    {"gIBSMun_pAliqEfet", "real", Plain, NotNull, "0", "DF_ITN_IBSMunpAliqEfet", "IBS-Mun Alíquota Efetiva do IBS de competência do Município que será aplicada a Base de Cálculo"},
    {"gCBS_pCBS", "real", Plain, NotNull, "0", "DF_ITN_CBSpCBS", "CBS Alíquota da CBS"},
    {"gCBS_vCBS", "real", Plain, NotNull, "0", "DF_ITN_CBSvCBS", "CBS Valor da CBS"},
    {"gCBS_pDif", "real", Plain, NotNull, "0", "DF_ITN_CBSpDif", "CBS Percentual do diferimento"},
    {"gCBS_vDif", "real", Plain, NotNull, "0", "DF_ITN_CBSvDif", "CBS Valor do Diferimento"},
    {"gCBS_vDevTrib", "real", Plain, NotNull, "0", "DF_ITN_CBSvDevTrib", "CBS Valor do tributo devolvido"},
    {"gCBS_pRedAliq", "real", Plain, NotNull, "0", "DF_ITN_CBSpRedAliq", "CBS Percentual da redução de alíquota"},
    {"gCBS_pAliqEfet", "real", Plain, NotNull, "0", "DF_ITN_CBSpAliqEfet", "CBS Alíquota Efetiva do IBS de competência do Município que será aplicada a Base de Cálculo"},
};
const Further step8Further[] = {
    {"Itens Nota", "vBIbsCbs", "Base de cálculo do IBS e CBS"},
};
const Column step20[] = {
    {"eVenda", "tinyint", Plain, NotNull, "1", "NFe_Itens_eVenda", "1-Quando Item de Venda"},
};
const Column step86[] = {
    {"NFe_vRetPIS", "real", Plain, NotNull, "0", "DF_ItenNF_vRetPIS", "Valor de auto retenção do PIS com base na alíquota IPI.aPis_Rec"},
    {"NFe_vRetCOFINS", "real", Plain, NotNull, "0", "DF_ItenNF_vRetCOFINS", "Valor de auto retenção do COFINS com base na alíquota IPI.aCofins_Rec"},
    {"NFe_vRetCSLL", "real", Plain, NotNull, "0", "DF_ItenNF_vRetCSLL", "Valor de auto retenção do CSLL com base na alíquota IPI.aCSSL_Ret"},
    {"NFe_vBCIRRF", "real", Plain, NotNull, "0", "DF_ItenNF_vBCIRRF", ""},
    {"NFe_vIRRF", "real", Plain, NotNull, "0", "DF_ItenNF_vIRRF", "Valor de auto retenção do vIRRF com base na alíquota IPI.vIRRF_Ret"},
    {"NFe_vBCRetPrev", "real", Plain, NotNull, "0", "DF_ItenNF_vBCRetPrev", ""},
    {"NFe_vRetPrev", "real", Plain, NotNull, "0", "DF_ItenNF_vRetPrev", "Valor de auto retenção do vRetPrev com base na alíquota IPI.vRetPrev_Ret"},
};

// Notas
const Column step9[] = {
    {"vBIbsCbs", "real", Plain, NotNull, "0", "DF_Notas_vBIbsCbs", "Base de cálculo do IBS e CBS"},
    {"gIBSUF_vDif", "real", Plain, NotNull, "0", "DF_Notas_gIBSUFvDif", "IBS Valor do Diferimento UF"},
    {"gIBSUF_vDevTrib", "real", Plain, NotNull, "0", "DF_Notas_gIBSUFvDevTrib", "IBS VdIF Valor do tributo devolvido UF"},
    {"gIBSUF_vIBSUF", "real", Plain, NotNull, "0", "DF_Notas_gIBSUFvIBSUF", "IBS-UF VdIF Valor do IBS"},
    {"gIBSMun_vDif", "real", Plain, NotNull, "0", "DF_Notas_gIBSMunvDif", "IBS-Municpipio Valor do Diferimento "},
    {"gIBSMun_vDevTrib", "real", Plain, NotNull, "0", "DF_Notas_gIBSMunvDevTrib", "IBS-Municpipio Valor do tributo devolvido"},
    {"gIBSMun_vIBSMun", "real", Plain, NotNull, "0", "DF_Notas_gIBSMunvIBSMun", "IBS-Municpipio Valor do IBS"},
    {"gIBS_vIBS", "real", Plain, NotNull, "0", "DF_Notas_gIBSvIBS", "IBS Valor do IBS na nota de aquisição correspondente à quantidade destinada a uso e consumo pessoal"},
    {"gIBS_vCredPres", "real", Plain, NotNull, "0", "DF_Notas_gIBSvCredPres", "IBS Valor do Crédito Presumido"},
    {"gIBS_vCredPresCondSus", "real", Plain, NotNull, "0", "DF_Notas_gIBSvCredPresCondSus", "IBS Valor do Crédito Presumido em condição suspensiva."},
    {"gCBS_vDif", "real", Plain, NotNull, "0", "DF_Notas_gCBSvDif", "CBS Valor do Diferimento"},
    {"gCBS_vDevTrib", "real", Plain, NotNull, "0", "DF_Notas_gCBSvDevTrib", "Base de cálculo do IBS e CBS"},
    {"gCBS_vCBS", "real", Plain, NotNull, "0", "DF_Notas_gCBSvCBS", "CBS Valor da CBS"},
    {"gCBS_vCredPres", "real", Plain, NotNull, "0", "DF_Notas_gCBSvCredPres", "CBS Valor do Crédito Presumido"},
    {"gCBS_vCredPresCondSus", "real", Plain, NotNull, "0", "DF_Notas_gCBSvCredPresCondSus", "CBS Valor do Crédito Presumido em condição suspensiva."},
};
const Column step67[] = {
    {"Total_Titulos", "real", Plain, NotNull, "0", "DF_Notas_TotalTitulos", "Soma dos títulos para comparação"},
};
const Column step85[] = {
    {"vRetPIS", "real", Plain, NotNull, "0", "DF_Notas_vRetPIS", "Valor de auto retenção do PIS com base na alíquota IPI.aPis_Rec"},
    {"vRetCOFINS", "real", Plain, NotNull, "0", "DF_Notas_vRetCOFINS", "Valor de auto retenção do COFINS com base na alíquota IPI.aCofins_Rec"},
    {"vRetCSLL", "real", Plain, NotNull, "0", "DF_Notas_vRetCSLL", "Valor de auto retenção do CSLL com base na alíquota IPI.aCSSL_Ret"},
    {"vBCIRRF", "real", Plain, NotNull, "0", "DF_Notas_vBCIRRF", ""},
    {"vIRRF", "real", Plain, NotNull, "0", "DF_Notas_vIRRF", "Valor de auto retenção do vIRRF com base na alíquota IPI.vIRRF_Ret"},
    {"vBCRetPrev", "real", Plain, NotNull, "0", "DF_Notas_vBCRetPrev", ""},
    {"vRetPrev", "real", Plain, NotNull, "0", "DF_Notas_vRetPrev", "Valor de auto retenção do vRetPrev com base na alíquota IPI.vRetPrev_Ret"},
};

// IPI
const Column step13[] = {
    {"pCBS", "real", Plain, NotNull, "0.9", "DF_IPI_pCBS", "Percentual de CBS"},
    {"pIBSe", "real", Plain, NotNull, "0.1", "DF_IPI_pIBSe", "Percentual Estadual de IBS"},
    {"pIBSm", "real", Plain, NotNull, "0.0", "DF_IPI_pIBSm", "Percentual Municipal de IBS"},
    {"pISEL", "real", Plain, NotNull, "0.0", "DF_IPI_pISEL", "Percentual Imposto Seltivo"},
    {"diIVA", "datetime", Plain, Nullable, "", "", "Data Inicial para o IVA"},
    {"dfIVA", "datetime", Plain, Nullable, "", "", "Data Final para o IVA"},
};
const Column step58[] = {
    {"aPisCofins_Ret", "bit", Plain, NotNull, "(0)", "DF_PisCofins_Ret", "Quanto a TIPI (NCM) AUTO RETEM o PIS e a COFINS com percentual na transação da CFOP"},
};

// Conta_contabil
const Column step22[] = {
    {"IdPessC", "int", Plain, NotNull, "0", "DF_CC_IdPessC", "Ligação da tabela PessoaFJ com Contabilidade ou Contador"},
};
const Column step28[] = {
    {"ReduzidoModelo", "nvarchar(14)", Plain, Nullable, "", "", "Reduzido da Contabilidade Modelo \"Externo 2\""},
};
const Column step75[] = {
    {"Csld", "tinyint", Plain, NotNull, "0", "DF_Conta_contabil_Csld", ""},
};
const Further step75Further[] = {
    {"ContasPR", "Csld", "0- Não consolidado 9- Consolidado (Somente senha especial para devolver ZERO)"},
};
const Column step76[] = {
    {"ES", "int", Plain, NotNull, "(1)", "DF_Conta_contabil_ES", ""},
};
const Further step76Further[] = {
    {"ContasPR", "ES", "1= Crédito -1= Débito"},
};

// PessoaFJ
const Column step23[] = {
    {"Ok_Contadora", "bit", Plain, NotNull, "0", "DF_PessoaFJ_Ok_Contadora", "Pessoa Física ou Juridica Contadora"},
};

// FormaPgto
const Column step27[] = {
    {"dSem", "tinyint", Plain, NotNull, "0", "FPgto_dSem", "Dia da Semana quando a opção de ForaSQM = 20 (Próxima Segunda, Terça etc..)"},
};

// Moedas_Cambio
const Column step32[] = {
    {"xOrigem", "tinyint", Plain, NotNull, "0", "DF_MoedasCambio_xOrigem", "0-Manual 1-API Externa (Travara exclusão)"},
};

// ContasPR
const Column step74[] = {
    {"IdTedDoc", "int", Plain, NotNull, "(0)", "DF_ContasPR_IdTedDoc", "Ligação com o Identificador da PessoaFJ_Agencias com Dado Bancario"},
};

const Step steps[] = {
    {.number = 1, .form = Form::AddColumns, .table = "NatFiscal", .guard = Guard::Silent, .columns = step1},
    {.number = 16, .form = Form::AddColumns, .table = "NatFiscal", .guard = Guard::Silent, .columns = step16},
    {.number = 63, .form = Form::AddColumns, .table = "NatFiscal", .guard = Guard::Silent, .columns = step63},
    {.number = 72, .form = Form::AddColumns, .table = "NatFiscal", .guard = Guard::Silent, .columns = step72},
    {.number = 5, .form = Form::CreateTable, .table = "cClassTrib", .guard = Guard::Reported, .columns = step5, .keyClause = "CONSTRAINT [PK_cClassTrib] PRIMARY KEY CLUSTERED ( [CST] ASC, [CCT] ASC )WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, IGNORE_DUP_KEY = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON) ON [PRIMARY]", .onPrimary = true},
    {.number = 8, .form = Form::AddColumns, .table = "Itens Nota", .guard = Guard::Silent, .columns = step8, .further = step8Further},
    {.number = 20, .form = Form::AddColumns, .table = "Itens Nota", .guard = Guard::Silent, .columns = step20},
    {.number = 86, .form = Form::AddColumns, .table = "Itens Nota", .guard = Guard::Silent, .columns = step86},
    {.number = 9, .form = Form::AddColumns, .table = "Notas", .guard = Guard::Silent, .columns = step9},
    {.number = 67, .form = Form::AddColumns, .table = "Notas", .guard = Guard::Silent, .columns = step67},
    {.number = 85, .form = Form::AddColumns, .table = "Notas", .guard = Guard::Silent, .columns = step85},
    {.number = 13, .form = Form::AddColumns, .table = "IPI", .guard = Guard::Silent, .columns = step13},
    {.number = 58, .form = Form::AddColumns, .table = "IPI", .guard = Guard::Silent, .columns = step58},
    {.number = 22, .form = Form::AddColumns, .table = "Conta_contabil", .guard = Guard::Silent, .columns = step22},
    {.number = 28, .form = Form::AddColumns, .table = "Conta_contabil", .guard = Guard::Silent, .columns = step28},
    {.number = 75, .form = Form::AddColumns, .table = "Conta_contabil", .guard = Guard::Silent, .columns = step75, .further = step75Further},
    {.number = 76, .form = Form::AddColumns, .table = "Conta_contabil", .guard = Guard::Silent, .columns = step76, .further = step76Further},
    {.number = 23, .form = Form::AddColumns, .table = "PessoaFJ", .guard = Guard::Silent, .columns = step23},
    {.number = 27, .form = Form::AddColumns, .table = "FormaPgto", .guard = Guard::Silent, .columns = step27},
    {.number = 32, .form = Form::AddColumns, .table = "Moedas_Cambio", .guard = Guard::Silent, .columns = step32},
    {.number = 74, .form = Form::AddColumns, .table = "ContasPR", .guard = Guard::Silent, .columns = step74},
};

// clang-format on

} // namespace

std::span<const Step> fiscalSteps()
{
    return steps;
}

} // namespace catalogue
