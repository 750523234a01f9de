// The accent-free mirror run: columns without accents beside the accented ones of the same
// meaning, filled from them; identity keys and a few further columns of the same tables.
// Adding steps are silent, copies are unguarded: a copy that fails ends the run.
#include "maintenance/catalogue/CatalogueData.h"

namespace catalogue {
namespace {

// One row per line, read beside the column tables.
// clang-format off
const Further step29Descriptions[] = {
    {"Produtos", "Gestao", "Gerenciamento de Produtos 0-Fabricados 1-Incorporados 2- 3- 99-Matéria Prima e outros"},
    {"Produtos", "Aviso_fat_obs", "Quando não nulo então Aviso_fat_flag 0-Somente avisa 9-Trava faturamento do Produto"},
    {"Produtos", "Aviso_fat_flag", "0-Somente avisa 9-Trava faturamento do Produto"},
    {"Produtos", "Identificacao", "Quando identificado diretamente no Produto (Usinagem, lapiz elétrico etc..)"},
    {"Produtos", "Lancou", "Total de OPs Lançadas"},
    {"Produtos", "Fabrica", "Saldo Total na Fábrica"},
    {"Produtos", "Expedicao", "Saldo Total na Expedição"},
    {"Produtos", "Disponivel", "Saldo Atual - Reservas (Empenho) lançadas (ou acima) das OPs"},
    {"Produtos", "Revisao", "Revisão do Desenho"},
};
const Further step32Descriptions[] = {
    {"OFs_New", "Data_Inicio", "Data inicial da OF determinada pelo operador (não é a data PDI da distribuição)"},
};

const MirrorStep steps[] = {
    {1, Guard::Silent, "ALTER TABLE dbo.CEPs ADD IdCep int IDENTITY(1,1) NOT NULL", "10%"},
    {2, Guard::Silent, "ALTER TABLE dbo.Unidades ADD Descricao nvarchar(20) NULL", ""},
    {3, Guard::Unguarded, "UPDATE Unidades SET Descricao = Descrição FROM Unidades", ""},
    {4, Guard::Silent, "ALTER TABLE dbo.Bairros ADD IdBairro int IDENTITY(1,1) NOT NULL", ""},
    {5, Guard::Silent, "ALTER TABLE dbo.Grupos ADD Serie_NF nvarchar(4) NOT NULL CONSTRAINT DF_Grupos_Serie_NF DEFAULT 1, VersaoEDI smallint NOT NULL CONSTRAINT DF_Grupos_VersaoEDI DEFAULT 0", ""},
    {6, Guard::Silent, "ALTER TABLE dbo.Família ADD Familia nvarchar(25) NULL", ""},
    {7, Guard::Unguarded, "UPDATE Família SET Familia = Família FROM Família", ""},
    {8, Guard::Silent, "ALTER TABLE dbo.Especificações ADD Especificacao nvarchar(300) NULL, IdEmp int IDENTITY(1,1) NOT NULL", ""},
    {9, Guard::Unguarded, "UPDATE Especificações SET Especificacao = Especificação FROM Especificações", ""},
    {10, Guard::Silent, "ALTER TABLE dbo.Deptos ADD IdDpto int IDENTITY(1,1) NOT NULL", ""},
    {11, Guard::Silent, "ALTER TABLE dbo.PessoaFJ ADD arb_ACAB real NOT NULL CONSTRAINT DF_PessoaFJ_arb_ACAB DEFAULT 80, arb_ELAB real NOT NULL CONSTRAINT DF_PessoaFJ_arb_ELAB DEFAULT 70, mat_Modo tinyint NOT NULL CONSTRAINT DF_CEPs_mat_Modo DEFAULT 0, IdCChain int NOT NULL CONSTRAINT DF_CEPs_IdCChain DEFAULT 0, CNPJ_serie int NOT NULL CONSTRAINT DF_CEPs_CNPJ_serie DEFAULT 0, InscricaoM nvarchar(15) NULL, InscricaoCCM nvarchar(15) NULL, InscricaoEST nvarchar(15) NULL, Razao nvarchar(100) NULL, Endereco nvarchar(65) NULL", "20%"},
    {12, Guard::Unguarded, "UPDATE PessoaFJ SET InscricaoM = InscriçãoM, InscricaoCCM = InscriçãoCCM, InscricaoEST = InscriçãoEST, Razao = Razão, Endereco = Endereço FROM PessoaFJ", ""},
    {13, Guard::Silent, "ALTER TABLE dbo.Máquinas ADD Maquina nvarchar(40) NULL, Descricao nvarchar(100) NULL", ""},
    {14, Guard::Unguarded, "UPDATE Máquinas SET Maquina = Máquina, Descricao = Descrição FROM Máquinas", "30%"},
    {15, Guard::Silent, "ALTER TABLE dbo.Municipios ADD IdMun int IDENTITY(1,1) NOT NULL", "35%"},
    {16, Guard::Silent, "ALTER TABLE dbo.IPI ADD NCM nvarchar(10) NULL, Descricao nvarchar(40) NULL", ""},
    {17, Guard::Unguarded, "UPDATE IPI SET NCM = Substring(Classificação, 1, 8), Descricao = Descrição FROM IPI", ""},
    {18, Guard::Silent, "ALTER TABLE dbo.NatFiscal ADD IdNat int IDENTITY(1,1) NOT NULL, Codigo nvarchar(10) NULL, Saida bit NOT NULL DEFAULT 0, DataMdf1 datetime NULL", ""},
    {19, Guard::Unguarded, "UPDATE NatFiscal SET Codigo = Código, Saida = Saída FROM NatFiscal", "40%"},
    {20, Guard::Silent, "ALTER TABLE dbo.OFs_New ADD xIdPlanta int NOT NULL CONSTRAINT DF_OFs_New_xIdPlanta DEFAULT 0, Data_Criacao datetime NULL, Data_Impressao datetime NULL, Data_Inicio datetime NULL", ""},
    {21, Guard::Unguarded, "UPDATE OFs_New SET Data_Criacao = Data_Criação, Data_Impressao = Data_Impressão, Data_Inicio = Data_Início FROM OFs_New", "45%"},
    {22, Guard::Silent, "ALTER TABLE dbo.FormaPgto ADD CodigoPgto nvarchar(60) NULL", ""},
    {23, Guard::Unguarded, "UPDATE FormaPgto SET CodigoPgto = CódigoPgto FROM FormaPgto", "50%"},
    {24, Guard::Silent, "ALTER TABLE dbo.Recursos ADD TipoRec1 tinyint NOT NULL CONSTRAINT DF_Recursos_TipoRec1 DEFAULT 0", ""},
    {25, Guard::Silent, "ALTER TABLE dbo.Pedidos ADD TipoP tinyint NOT NULL CONSTRAINT DF_Pedidos_TipoP DEFAULT 0, GestaoP tinyint NOT NULL CONSTRAINT DF_Pedidos_GestaoP DEFAULT 0", ""},
    {26, Guard::Silent, "ALTER TABLE dbo.Pedidos ADD Num_Pedido int NOT NULL CONSTRAINT DF_Pedidos_NPedido DEFAULT 0, pObs nvarchar(900) NULL", ""},
    {27, Guard::Unguarded, "UPDATE Pedidos SET Num_Pedido = [Nº Pedido], pObs = Descrição FROM Pedidos", "55%"},
    {28, Guard::Silent, "ALTER TABLE dbo.Pacientes ADD NomeSocial nvarchar(70) NULL", ""},
    {29, Guard::Silent, "ALTER TABLE dbo.Produtos ADD Aviso_fat_obs nvarchar(200) NULL, Aviso_fat_flag tinyint NOT NULL CONSTRAINT Prd_FatFlag DEFAULT 0, Gestao tinyint NOT NULL CONSTRAINT Prd_Gestao DEFAULT 0, IdOpcao int NOT NULL CONSTRAINT Prd_IdOpcao DEFAULT 0, Identificacao nvarchar(8) NULL, Lancou real NOT NULL CONSTRAINT Prd_Lancou DEFAULT 0, Fabrica real NOT NULL CONSTRAINT Prd_Fabrica DEFAULT 0, Expedicao real NOT NULL CONSTRAINT Prd_Expedicao DEFAULT 0, Disponivel real NOT NULL CONSTRAINT Prd_Disponivel DEFAULT 0, PesoBruto real NOT NULL CONSTRAINT Prd_PesoBruto DEFAULT 0, PesoLiq real NOT NULL CONSTRAINT Prd_PesoLiq DEFAULT 0, CompBruto real NOT NULL CONSTRAINT Prd_CompBruto DEFAULT 0, CompLiquido real NOT NULL CONSTRAINT Prd_CompLiquido DEFAULT 0, UPreco money NOT NULL CONSTRAINT Prd_UPreco DEFAULT 0, PrecoMobra money NOT NULL CONSTRAINT Prd_PrecoMobra DEFAULT 0, PrMedio money NOT NULL CONSTRAINT Prd_PrMedio DEFAULT 0, Revisao nvarchar(20) NULL", "", step29Descriptions},
    {30, Guard::Unguarded, "UPDATE Produtos SET Gestao = Gestão, Revisao = Revisão, Aviso_fat_obs = Substring(Nega_fat_obs, 1, 200), Aviso_fat_flag = Nega_fat_flag, IdOpcao = CASE WHEN IdOpção IS NULL THEN 0 ELSE IdOpção END, Identificacao = Identificação, Lancou = CASE WHEN Lançou IS NULL THEN 0 ELSE Lançou END, Fabrica = CASE WHEN Fábrica IS NULL THEN 0 ELSE Fábrica END, Expedicao = Expedição, Disponivel = Disponível, PesoBruto = CASE WHEN [Peso Bruto] IS NULL THEN 0 ELSE [Peso Bruto] END, PesoLiq = CASE WHEN [Peso Líquido] IS NULL THEN 0 ELSE [Peso Líquido] END, UPreco = CASE WHEN UPreço IS NULL THEN 0 ELSE UPreço END, PrecoMobra = CASE WHEN PreçoMobra IS NULL THEN 0 ELSE PreçoMobra END, PrMedio = CASE WHEN PrMédio IS NULL THEN 0 ELSE PrMédio END", "60%"},
    {31, Guard::Silent, "ALTER TABLE dbo.CEPs ADD IdCep int NOT NULL IDENTITY (1, 1)", ""},
    {32, Guard::Silent, "ALTER TABLE dbo.OFs_New ADD Data_Criacao datetime NULL, Data_Impressao datetime NULL, Data_Inicio datetime NULL", "", step32Descriptions},
    {33, Guard::Silent, "ALTER TABLE dbo.NFs ADD xVcto1 datetime NULL, xVcto2 datetime NULL, xVcto3 datetime NULL, xVcto4 datetime NULL, xVcto5 datetime NULL, xVcto6 datetime NULL", ""},
    {34, Guard::Unguarded, "UPDATE NFS SET xVcto1 = Vcto1, xVcto2 = Vcto2, xVcto3 = Vcto3, xVcto4 = Vcto4, xVcto5 = Vcto5, xVcto6 = Vcto6 FROM NFs", "65%"},
    {35, Guard::Silent, "ALTER TABLE dbo.NatFiscal ADD Codigo nvarchar(10) NULL, Saida bit NOT NULL CONSTRAINT DF_NatF_Saida DEFAULT 0", ""},
    {36, Guard::Unguarded, "UPDATE NatFiscal SET Codigo = Código, Saida = Saída FROM NatFiscal", "70%"},
    {37, Guard::Silent, "ALTER TABLE dbo.Peças ADD EDIPeca nvarchar(20) NULL, IdPeca int NOT NULL CONSTRAINT DF_Peças_IdPeca DEFAULT 0", ""},
    {38, Guard::Unguarded, "UPDATE Peças SET IdPeca =IdPeça FROM Peças", "72%"},
    {39, Guard::Silent, "ALTER TABLE dbo.Processos ADD Operacao nvarchar(700) NULL, Frequencia nvarchar(10) NULL", ""},
    {40, Guard::Unguarded, "UPDATE Processos SET Operacao = Operação, Frequencia = Frequência FROM Processos", "74%"},
    {41, Guard::Silent, "ALTER TABLE dbo.NFs ADD Serie float(53) NOT NULL CONSTRAINT DF_NFsSerie DEFAULT 1, Emissao datetime NULL, Numero nvarchar(10) NULL", ""},
    {42, Guard::Unguarded, "UPDATE NFs SET Serie = Série, Emissao = Emissão, Numero = Número FROM NFs", ""},
    {43, Guard::Silent, "ALTER TABLE dbo.[Itens Pedido] ADD Preco float(53) NULL, PrecoNF float(53) NULL, Debito real NULL, Descricao nvarchar(100) NULL", ""},
    {44, Guard::Unguarded, "UPDATE [Itens Pedido] SET Preco = Preço, PrecoNF = PreçoNF, Debito = Débito, Descricao = Descrição FROM [Itens Pedido]", "80%"},
    {45, Guard::Silent, "ALTER TABLE dbo.Recebimento ADD PrecoR float(53) NOT NULL CONSTRAINT DF_RecebimentoPrecoR DEFAULT 0", ""},
    {46, Guard::Unguarded, "UPDATE Recebimento SET PrecoR = PreçoR FROM Recebimento", "81%"},
};

// clang-format on

} // namespace

std::span<const MirrorStep> mirrorSteps()
{
    return steps;
}

} // namespace catalogue
