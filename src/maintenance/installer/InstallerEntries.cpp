#include "maintenance/installer/InstallerEntries.h"

namespace installer {

namespace {

// The gates of the two entries that only some companies install.
const QStringList matrizCnpjs {QStringLiteral("90817263000411"), QStringLiteral("90817263000250"),
                               QStringLiteral("90817263000169")};
const QStringList rndCnpjs {QStringLiteral("90817263000411"), QStringLiteral("90817263000250"),
                            QStringLiteral("90817263000169"), QStringLiteral("41526374000197")};

using K = ItemKind;
using O = ObjectKind;
using S = TextSource;

} // namespace

const QList<MenuItem> &menuItems()
{
    static const QList<MenuItem> items {
        // ItensMenu: one menu for the sixteen pages under "TRIGGERs".
        {"ItensMenu", "GNR_Fases", "GNR_Fases_Servicos_trigger", K::Entry, "GNR_Fases_Servicos", O::Trigger,
         "DROP trigger GNR_Fases_Servicos\r", S::BuiltIn, "GNR_Fases_Servicos"},
        {"ItensMenu", "GNR_Etiquetas", "GNR_Etiquetas_Recebimento_trigger", K::Entry, "GNR_Etiquetas_Recebimento",
         O::Trigger, "DROP trigger GNR_Etiquetas_Recebimento\r", S::BuiltIn, "GNR_Etiquetas_Recebimento"},
        {"ItensMenu", "GNRKardexNovo1", "GNR_Kardex_Novo", K::Entry, "GNR_UP_Kardex_Novo", O::Trigger,
         "DROP trigger [dbo].GNR_UP_Kardex_Novo\r", S::Page, "Kardex_Novo"},
        {"ItensMenu", "MenuItem1", "-", K::Separator},
        {"ItensMenu", "GNRUPContasPRVctoImpostos1", "GNR_UP_ContasPR_Vcto_Impostos", K::NoAction},
        {"ItensMenu", "GNR_NEW_ContasPR", "GNR_DEL_ContasPR_Matriz", K::Entry, "GNR_DEL_ContasPR_Matriz", O::Trigger,
         "DROP trigger [GNR_DEL_ContasPR_Matriz]\r", S::BuiltIn, "GNR_DEL_ContasPR_Matriz", matrizCnpjs},
        {"ItensMenu", "GNRUPContasPRVctoImpostos2", "GNR_UP_RND_ITENS", K::Entry, "GNR_UP_RND_ITENS", O::Trigger,
         "DROP trigger [GNR_UP_RND_ITENS]\r", S::BuiltIn, "GNR_UP_RND_ITENS", rndCnpjs},
        {"ItensMenu", "N7", "-", K::Separator},
        {"ItensMenu", "Reaj01", "Reajuste preço", K::Heading},
        {"ItensMenu", "GNRDELReajusteV", "   GNR_DEL_Reajuste_vendas", K::NoAction},
        {"ItensMenu", "GNRDELReajusteC", "   GNR_Reajuste_compras", K::Entry, "GNR_Reajuste_compras", O::Trigger,
         "DROP trigger GNR_Reajuste_compras\r", S::Page, "Reajuste_compras"},
        {"ItensMenu", "N5", "-", K::Separator},
        {"ItensMenu", "Retorna1", "Retorna", K::Heading},
        {"ItensMenu", "GNRSaldoTerceirosRETORNA", "  *GNR_Saldo_Terceiros_RETORNA", K::Entry,
         "GNR_Saldo_Terceiros_RETORNA", O::Trigger, "DROP trigger GNR_Saldo_Terceiros_RETORNA\r", S::Page,
         "Saldo_Terceiros"},
        {"ItensMenu", "N4", "-", K::Separator},
        {"ItensMenu", "Notas1", "Notas", K::Heading},
        {"ItensMenu", "GNRSaldoNotasTerceiros", "  *GNR_Saldo_Terceiros_NOTAS", K::Entry, "GNR_Saldo_Terceiros_NOTAS",
         O::Trigger, "DROP trigger [GNR_Saldo_Terceiros_NOTAS]\r", S::Page, "Saldo_Terceiros_NOTAS"},
        {"ItensMenu", "GNRBaixaEstornoNFes", "  *GNR_Baixa_Estorno_Nfes", K::Entry, "GNR_Baixa_Estorno_Nfes",
         O::Trigger, "DROP trigger [GNR_Baixa_Estorno_Nfes]\r", S::Page, "Baixa_Estorno_Nfes"},
        {"ItensMenu", "N6", "-", K::Separator},
        {"ItensMenu", "Apontamento1", "Apontamento", K::Heading},
        {"ItensMenu", "GNRBaixa_filhos", "  GNR_Baixa_filhos_montar", K::Entry, "GNR_Baixa_montar", O::Trigger,
         "DROP trigger GNR_Baixa_montar\r", S::Page, "Baixa_filhos"},
        {"ItensMenu", "GNREstocar_Conjuntos", "  GNR_Estocar_Conjuntos", K::Entry, "GNR_Estocar_Conjunto", O::Trigger,
         "DROP trigger GNR_Estocar_Conjunto\r", S::Page, "Estocar_Conjunto"},
        {"ItensMenu", "MenuItem2", "-", K::Separator},
        {"ItensMenu", "ContasPR1", "ContasPR", K::Heading},
        {"ItensMenu", "GNR_NFs", "  *GNR_NFs", K::Entry, "GNR_NFs_geral", O::Trigger, "DROP trigger GNR_NFs_geral\r",
         S::Page, "NFs_geral"},

        {"TriggerMenu", "FUNCTIONFirstDayMonth1", "FUNCTION_First_Day_Month", K::Entry, "First_Day_Month", O::Function,
         "DROP FUNCTION First_Day_Month\r", S::Page, "First_DayMonth"},
        {"TriggerMenu", "FUNCTIONRemoverAcentos1", "FUNCTION_Remover_Acentos", K::Entry, "Remover_acento", O::Function,
         "DROP FUNCTION Remover_acento\r", S::Page, "Remover_Acentos"},

        {"ProcedureMenu", "MenuItem3", " Procedures", K::Heading},
        {"ProcedureMenu", "mErro_SaldoKardex", "   Erro_SaldoKardex", K::Entry, "Erro_Saldo_Kardex", O::Procedure,
         "DROP Procedure Erro_Saldo_Kardex\r", S::Page, "Erro_Saldo_Kardex"},
        {"ProcedureMenu", "mTOP_Kardex", "   TOP_Kardex ", K::NoAction},

        {"TriggerMenuTEMP", "mnIdPlanta", "GNR_UP_IdPlanta_Produto", K::Entry, "GNR_UP_IdPlanta_Produto", O::Trigger,
         "DROP trigger [GNR_UP_IdPlanta_Produto]\r", S::Page, "IdPlanta"},
        {"TriggerMenuTEMP", "GNRInventario1", "GNR_Inventario", K::DropOnly, "GNR_Inventario", O::Trigger,
         "DROP trigger [GNR_Inventario]\r"},
    };
    return items;
}

QList<MenuItem> menuItems(const QString &menu)
{
    QList<MenuItem> items;
    for (const MenuItem &item : menuItems())
        if (QLatin1String(item.menu) == menu)
            items << item;
    return items;
}

const MenuItem *menuItem(const QString &name)
{
    for (const MenuItem &item : menuItems())
        if (QLatin1String(item.name) == name)
            return &item;
    return nullptr;
}

QStringList menus()
{
    return {QStringLiteral("ItensMenu"), QStringLiteral("TriggerMenu"), QStringLiteral("ProcedureMenu"),
            QStringLiteral("TriggerMenuTEMP")};
}

QStringList pageGroups()
{
    return {QStringLiteral("TRIGGERs"), QStringLiteral(" FUNCTIONs "), QStringLiteral(" Procedures "),
            QStringLiteral(" Triggers temporárias")};
}

const QList<ScriptPage> &scriptPages()
{
    static const QList<ScriptPage> pages {
        {"TRIGGERs", "GNR_geral e Lista Trigers", "Memo3", "ItensMenu"},
        {"TRIGGERs", "GNR_Kardex_Novo e PIS_COFINS vendas", "Kardex_Novo", "ItensMenu"},
        {"TRIGGERs", "Apontamento - GNR_Baixa_filhos_montar", "Baixa_filhos", "ItensMenu"},
        {"TRIGGERs", "Apontamento - GNR_Estocar_Conjunto", "Estocar_Conjunto", "ItensMenu"},
        {"TRIGGERs", "Apontamento - Calcular Saldo OPs ", "Saldo_OPs", "ItensMenu"},
        {"TRIGGERs", "Notas - GNR_Baixa_Estorno_Nfes", "Baixa_Estorno_Nfes", "ItensMenu"},
        {"TRIGGERs", "GNR_Gera_B2B", "GNR_Gera_B2B", "ItensMenu"},
        {"TRIGGERs", "Notas - GNR_Saldo_Terceiros_NOTAS", "Saldo_Terceiros_NOTAS", "ItensMenu"},
        {"TRIGGERs", "Reajuste - GNR_Reajuste_compras", "Reajuste_compras", "ItensMenu"},
        {"TRIGGERs", "NFs - GNR_NFs_geral", "NFs_geral", "ItensMenu"},
        {"TRIGGERs", "Retorna - GNR_Saldo_Terceiros_RETORNA", "Saldo_Terceiros", "ItensMenu"},
        {"TRIGGERs", " TRIGGERs união ", "Varios", "ItensMenu"},
        {"TRIGGERs", "GNR_Recebimento_Pedido_Aberto", "GNR_Recebimento_Pedidos_Abertos", "ItensMenu"},
        {"TRIGGERs", "GNR_Guardar_Incidente", "Memo2", "ItensMenu"},
        {"TRIGGERs", " Lista CONSTRAINTs", "Constraints", "ItensMenu"},
        {"TRIGGERs", "SBuild", "Memo1", "ItensMenu"},
        {" FUNCTIONs ", "Scalar - First_Day_Month", "First_DayMonth", "TriggerMenu"},
        {" FUNCTIONs ", "Scalar - First_Day_Month", "Remover_Acentos", "TriggerMenu"},
        {" Procedures ", " Erro_Saldo_Kardex ", "Erro_Saldo_Kardex", "ProcedureMenu"},
        {" Procedures ", " GNR_NFs_Tabelas_SOLTAS ", "TOP_Kardex", "ProcedureMenu"},
        {" Triggers temporárias", "IdPlanta_Produtos", "IdPlanta", "TriggerMenuTEMP"},
        {" Triggers temporárias", "GNR_Inventario", "GNR_Inventario", "TriggerMenuTEMP"},
    };
    return pages;
}

bool gateAdmits(const MenuItem &item, const QString &cnpj)
{
    return item.cnpjs.isEmpty() || item.cnpjs.contains(cnpj);
}

const QList<BatchStep> &triggerBatch()
{
    using B = BatchStep::Kind;
    static const QList<BatchStep> steps {
        {B::Entry, "FUNCTIONRemoverAcentos1"},
        {B::Entry, "FUNCTIONFirstDayMonth1"},
        {B::Entry, "GNR_Etiquetas"},
        {B::Entry, "GNRSaldoNotasTerceiros"},
        {B::Install, "Evol_Invent_Kardex", "DROP PROCEDURE Evol_Invent_Kardex\r", "Evol_Invent_Kardex"},
        {B::Entry, "GNRUPContasPRVctoImpostos1"},
        {B::Entry, "GNRKardexNovo1"},
        // An older trigger the program holds no text for; this drop text ends with a blank.
        {B::Drop, "GNR_UP_Notas_Status", "DROP trigger [dbo].GNR_UP_Notas_Status "},
        {B::Create, "GNR_UP_Kardex_Novo", "", "GNR_UP_Kardex_Novo"},
    };
    return steps;
}

} // namespace installer
