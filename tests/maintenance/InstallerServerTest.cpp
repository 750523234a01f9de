// The object installer as the administrator uses it: the page " Programmability ", its
// script pages and popup menus, the CNPJ gate of the active company and the trigger batch of
// the button GetTriggers; the statements the stand-in received and what the database holds.
#include "InstallerDriver.h"
#include "maintenance/installer/InstallerEntries.h"
#include "maintenance/installer/ObjectTexts.h"

#include <QFont>
#include <QScrollBar>

using namespace installer;

namespace {

const QString batchQuestion = QStringLiteral("Serão atualizadas as TRIGGERS e PROCEDUREs ..!, devo continuar ?");

class InstallerTest : public ::testing::Test
{
protected:
    // activeCnpj: the CNPJ the active company has when the window connects (the demo's
    // "90817263000169" when not given).
    void open(const QVariant &activeCnpj = QVariant())
    {
        fx.startServer();
        if (activeCnpj.isValid())
            fx.exec(
                activeCnpj.isNull()
                    ? QStringLiteral("UPDATE PessoaFJ SET CNPJ = NULL WHERE Ativa = 1")
                    : QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'%1' WHERE Ativa = 1").arg(activeCnpj.toString()));
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")));
        w = fx.openWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        fx.prompter().clear();
        fx.server().markLog();
    }
    void SetUp() override { open(); }

    void choose(const QString &memo, const QString &item)
    {
        ASSERT_TRUE(chooseFromMenu(w, memo, item)) << item.toStdString();
    }
    void runBatch(Prompter::Answer answer)
    {
        clickTab(w->shell().PageControl1, w->shell().TabSheet12);
        fx.prompter().queueAnswer(answer);
        fx.click(QStringLiteral("GetTriggers"));
    }
    bool exists(const QString &object)
    {
        return !fx.scalar(QStringLiteral("SELECT OBJECT_ID('dbo.%1')").arg(object)).isNull();
    }
    QString definition(const QString &object)
    {
        return fx
            .scalar(QStringLiteral("SELECT CAST(OBJECT_DEFINITION(OBJECT_ID('dbo.%1')) AS nvarchar(4000))").arg(object))
            .toString();
    }
    QStringList memoLines() const
    {
        const QString text = w->shell().MemoCCDB->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }

    AppFixture fx;
    UsersForm *w = nullptr;
};

} // namespace

TEST_F(InstallerTest, TheGroupsAndScriptPagesAreLaidOutInOrderWithReadOnlyFixedPitchMemos)
{
    clickTab(w->shell().PageControl1, w->shell().TabSheet13);
    auto *groups = w->shell().TabSheet13->findChild<QTabWidget *>(QStringLiteral("PageControl2"));
    ASSERT_TRUE(groups);
    EXPECT_EQ(groups->tabPosition(), QTabWidget::West);
    QStringList captions;
    for (int i = 0; i < groups->count(); ++i)
        captions << groups->tabText(i);
    EXPECT_EQ(captions, (QStringList {"TRIGGERs", " FUNCTIONs ", " Procedures ", " Triggers temporárias"}));

    // Every page of the groups, in order: caption and memo.
    QStringList pages;
    for (int g = 0; g < groups->count(); ++g) {
        auto *inner = groups->widget(g)->findChild<QTabWidget *>();
        ASSERT_TRUE(inner);
        EXPECT_EQ(inner->tabPosition(), QTabWidget::South);
        for (int i = 0; i < inner->count(); ++i) {
            auto *memo = inner->widget(i)->findChild<QPlainTextEdit *>();
            ASSERT_TRUE(memo);
            pages << inner->tabText(i) + QLatin1Char('|') + memo->objectName();
            EXPECT_TRUE(memo->isReadOnly());
            EXPECT_EQ(memo->font().family(), QStringLiteral("Courier New"));
            EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
            EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            // The memo shows its page's text, the one an entry sends.
            QString shown = pageText(memo->objectName());
            EXPECT_FALSE(shown.isEmpty()) << memo->objectName().toStdString();
            EXPECT_EQ(memo->toPlainText(), shown.replace(QLatin1String("\r\n"), QLatin1String("\n")));
        }
    }
    EXPECT_EQ(pages, (QStringList {"GNR_geral e Lista Trigers|Memo3",
                                   "GNR_Kardex_Novo e PIS_COFINS vendas|Kardex_Novo",
                                   "Apontamento - GNR_Baixa_filhos_montar|Baixa_filhos",
                                   "Apontamento - GNR_Estocar_Conjunto|Estocar_Conjunto",
                                   "Apontamento - Calcular Saldo OPs |Saldo_OPs",
                                   "Notas - GNR_Baixa_Estorno_Nfes|Baixa_Estorno_Nfes",
                                   "GNR_Gera_B2B|GNR_Gera_B2B",
                                   "Notas - GNR_Saldo_Terceiros_NOTAS|Saldo_Terceiros_NOTAS",
                                   "Reajuste - GNR_Reajuste_compras|Reajuste_compras",
                                   "NFs - GNR_NFs_geral|NFs_geral",
                                   "Retorna - GNR_Saldo_Terceiros_RETORNA|Saldo_Terceiros",
                                   " TRIGGERs união |Varios",
                                   "GNR_Recebimento_Pedido_Aberto|GNR_Recebimento_Pedidos_Abertos",
                                   "GNR_Guardar_Incidente|Memo2",
                                   " Lista CONSTRAINTs|Constraints",
                                   "SBuild|Memo1",
                                   "Scalar - First_Day_Month|First_DayMonth",
                                   "Scalar - First_Day_Month|Remover_Acentos",
                                   " Erro_Saldo_Kardex |Erro_Saldo_Kardex",
                                   " GNR_NFs_Tabelas_SOLTAS |TOP_Kardex",
                                   "IdPlanta_Produtos|IdPlanta",
                                   "GNR_Inventario|GNR_Inventario"}));
}

TEST_F(InstallerTest, EachPopupMenuHoldsItsItemsInMenuOrder)
{
    auto names = [&](const QString &memo) {
        QStringList out;
        QMenu *menu = openPopup(showScriptPage(w, memo));
        if (!menu)
            return out;
        for (QAction *a : menu->actions())
            out << a->objectName() + (a->isSeparator() ? QStringLiteral("|-") : QLatin1Char('|') + a->text());
        menu->close();
        return out;
    };
    const QStringList itens = names(QStringLiteral("Varios"));
    EXPECT_EQ(itens, (QStringList {"GNR_Fases|GNR_Fases_Servicos_trigger",
                                   "GNR_Etiquetas|GNR_Etiquetas_Recebimento_trigger",
                                   "GNRKardexNovo1|GNR_Kardex_Novo",
                                   "MenuItem1|-",
                                   "GNRUPContasPRVctoImpostos1|GNR_UP_ContasPR_Vcto_Impostos",
                                   "GNR_NEW_ContasPR|GNR_DEL_ContasPR_Matriz",
                                   "GNRUPContasPRVctoImpostos2|GNR_UP_RND_ITENS",
                                   "N7|-",
                                   "Reaj01|Reajuste preço",
                                   "GNRDELReajusteV|   GNR_DEL_Reajuste_vendas",
                                   "GNRDELReajusteC|   GNR_Reajuste_compras",
                                   "N5|-",
                                   "Retorna1|Retorna",
                                   "GNRSaldoTerceirosRETORNA|  *GNR_Saldo_Terceiros_RETORNA",
                                   "N4|-",
                                   "Notas1|Notas",
                                   "GNRSaldoNotasTerceiros|  *GNR_Saldo_Terceiros_NOTAS",
                                   "GNRBaixaEstornoNFes|  *GNR_Baixa_Estorno_Nfes",
                                   "N6|-",
                                   "Apontamento1|Apontamento",
                                   "GNRBaixa_filhos|  GNR_Baixa_filhos_montar",
                                   "GNREstocar_Conjuntos|  GNR_Estocar_Conjuntos",
                                   "MenuItem2|-",
                                   "ContasPR1|ContasPR",
                                   "GNR_NFs|  *GNR_NFs"}));
    // One menu for every page under "TRIGGERs".
    EXPECT_EQ(names(QStringLiteral("Memo3")), itens);
    EXPECT_EQ(names(QStringLiteral("Remover_Acentos")),
              (QStringList {"FUNCTIONFirstDayMonth1|FUNCTION_First_Day_Month",
                            "FUNCTIONRemoverAcentos1|FUNCTION_Remover_Acentos"}));
    EXPECT_EQ(
        names(QStringLiteral("TOP_Kardex")),
        (QStringList {"MenuItem3| Procedures", "mErro_SaldoKardex|   Erro_SaldoKardex", "mTOP_Kardex|   TOP_Kardex "}));
    EXPECT_EQ(names(QStringLiteral("GNR_Inventario")),
              (QStringList {"mnIdPlanta|GNR_UP_IdPlanta_Produto", "GNRInventario1|GNR_Inventario"}));
}

TEST_F(InstallerTest, AnEntryInstallsAMissingObjectAndReplacesItTheSecondTime)
{
    const QString text = pageText(QStringLiteral("Remover_Acentos"));
    ASSERT_TRUE(text.endsWith(QLatin1String("END\r\n")));
    ASSERT_FALSE(exists(QStringLiteral("Remover_acento")));
    fx.server().markLog();
    choose(QStringLiteral("Remover_Acentos"), QStringLiteral("FUNCTIONRemoverAcentos1"));
    EXPECT_EQ(fx.server().batches(), (QStringList {"DROP FUNCTION Remover_acento\r\n", text}));
    EXPECT_EQ(definition(QStringLiteral("Remover_acento")), text);
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());

    fx.server().markLog();
    choose(QStringLiteral("Remover_Acentos"), QStringLiteral("FUNCTIONRemoverAcentos1"));
    EXPECT_EQ(fx.server().batches(), (QStringList {"DROP FUNCTION Remover_acento\r\n", text}));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
    EXPECT_EQ(definition(QStringLiteral("Remover_acento")), text);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT dbo.Remover_acento('Conexão, peça')")).toString(),
              QStringLiteral("CONEXAO. PECA"));
}

// Every entry that creates an object, with its drop text as the administrator's menu sends
// it. Installed twice: the first time the drop fails unseen on the fresh database; the
// second time only a drop that names the object lets the creation through (a misspelt one
// would leave the old object and refuse the creation, which the window reports).
TEST_F(InstallerTest, EveryEntryInstallsItsObjectAndReplacesItWithItsOwnDropText)
{
    struct Entry
    {
        const char *memo, *item, *drop, *object, *text;
        bool page;
    };
    const Entry entries[] = {
        {"Varios", "GNR_Fases", "DROP trigger GNR_Fases_Servicos\r", "GNR_Fases_Servicos", "GNR_Fases_Servicos", false},
        {"Varios", "GNR_Etiquetas", "DROP trigger GNR_Etiquetas_Recebimento\r", "GNR_Etiquetas_Recebimento",
         "GNR_Etiquetas_Recebimento", false},
        {"Varios", "GNR_NEW_ContasPR", "DROP trigger [GNR_DEL_ContasPR_Matriz]\r", "GNR_DEL_ContasPR_Matriz",
         "GNR_DEL_ContasPR_Matriz", false},
        {"Varios", "GNRUPContasPRVctoImpostos2", "DROP trigger [GNR_UP_RND_ITENS]\r", "GNR_UP_RND_ITENS",
         "GNR_UP_RND_ITENS", false},
        {"Varios", "GNRDELReajusteC", "DROP trigger GNR_Reajuste_compras\r", "GNR_Reajuste_compras", "Reajuste_compras",
         true},
        {"Varios", "GNRSaldoTerceirosRETORNA", "DROP trigger GNR_Saldo_Terceiros_RETORNA\r",
         "GNR_Saldo_Terceiros_RETORNA", "Saldo_Terceiros", true},
        {"Varios", "GNRSaldoNotasTerceiros", "DROP trigger [GNR_Saldo_Terceiros_NOTAS]\r", "GNR_Saldo_Terceiros_NOTAS",
         "Saldo_Terceiros_NOTAS", true},
        {"Varios", "GNRBaixaEstornoNFes", "DROP trigger [GNR_Baixa_Estorno_Nfes]\r", "GNR_Baixa_Estorno_Nfes",
         "Baixa_Estorno_Nfes", true},
        {"Varios", "GNRBaixa_filhos", "DROP trigger GNR_Baixa_montar\r", "GNR_Baixa_montar", "Baixa_filhos", true},
        {"Varios", "GNREstocar_Conjuntos", "DROP trigger GNR_Estocar_Conjunto\r", "GNR_Estocar_Conjunto",
         "Estocar_Conjunto", true},
        {"Varios", "GNR_NFs", "DROP trigger GNR_NFs_geral\r", "GNR_NFs_geral", "NFs_geral", true},
        {"First_DayMonth", "FUNCTIONFirstDayMonth1", "DROP FUNCTION First_Day_Month\r", "First_Day_Month",
         "First_DayMonth", true},
        {"First_DayMonth", "FUNCTIONRemoverAcentos1", "DROP FUNCTION Remover_acento\r", "Remover_acento",
         "Remover_Acentos", true},
        {"Erro_Saldo_Kardex", "mErro_SaldoKardex", "DROP Procedure Erro_Saldo_Kardex\r", "Erro_Saldo_Kardex",
         "Erro_Saldo_Kardex", true},
        {"IdPlanta", "mnIdPlanta", "DROP trigger [GNR_UP_IdPlanta_Produto]\r", "GNR_UP_IdPlanta_Produto", "IdPlanta",
         true},
    };
    // The objects stand on the columns the schema runs add, as in an installation.
    clickTab(w->shell().PageControl1, w->shell().TabSheet12);
    for (const char *run : {"DataBaseSTRU", "SemAcento"}) {
        fx.prompter().queueAnswer(Prompter::Answer::Yes);
        fx.click(QString::fromLatin1(run));
    }
    ASSERT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty());
    for (const Entry &e : entries) {
        const QString object = QString::fromLatin1(e.object);
        const QString text = e.page ? pageText(QString::fromLatin1(e.text)) : builtInText(QString::fromLatin1(e.text));
        ASSERT_FALSE(text.isEmpty()) << e.item;
        ASSERT_FALSE(exists(object)) << e.object;
        for (int time = 1; time <= 2; ++time) {
            fx.server().markLog();
            fx.prompter().clear();
            choose(QString::fromLatin1(e.memo), QString::fromLatin1(e.item));
            EXPECT_EQ(fx.server().batches(), (QStringList {asLogged(QString::fromLatin1(e.drop)), asLogged(text)}))
                << e.item << " " << time;
            EXPECT_TRUE(fx.prompter().prompts().isEmpty())
                << e.item << " " << time << ": " << qPrintable(fx.prompter().texts().join('\n'));
            EXPECT_EQ(definition(object), text.left(4000)) << e.item << " " << time; // read back as nvarchar(4000)
        }
    }
}

TEST_F(InstallerTest, AnEntryChosenOnAnotherPageInstallsTheTextOfItsOwnPage)
{
    // The shared menu opened on the trigger list page.
    choose(QStringLiteral("Memo3"), QStringLiteral("GNRSaldoNotasTerceiros"));
    const QString own = pageText(QStringLiteral("Saldo_Terceiros_NOTAS"));
    EXPECT_EQ(fx.server().batches(), (QStringList {"DROP trigger [GNR_Saldo_Terceiros_NOTAS]\r\n", own}));
    EXPECT_EQ(definition(QStringLiteral("GNR_Saldo_Terceiros_NOTAS")), own);

    // A built-in text (CR line ends) with the menu opened on yet another page.
    fx.server().markLog();
    choose(QStringLiteral("Kardex_Novo"), QStringLiteral("GNR_Etiquetas"));
    const QString builtIn = builtInText(QStringLiteral("GNR_Etiquetas_Recebimento"));
    ASSERT_FALSE(builtIn.contains(QLatin1Char('\n')));
    EXPECT_EQ(fx.server().batches(), (QStringList {"DROP trigger GNR_Etiquetas_Recebimento\r\n", asLogged(builtIn)}));
    EXPECT_EQ(definition(QStringLiteral("GNR_Etiquetas_Recebimento")), builtIn);
}

TEST_F(InstallerTest, HeadingsAndItemsWithoutActionSendNothing)
{
    for (const char *item : {"Reaj01", "GNRUPContasPRVctoImpostos1", "GNRDELReajusteV", "Notas1"})
        choose(QStringLiteral("Varios"), QString::fromLatin1(item));
    choose(QStringLiteral("Erro_Saldo_Kardex"), QStringLiteral("mTOP_Kardex"));
    choose(QStringLiteral("Erro_Saldo_Kardex"), QStringLiteral("MenuItem3"));
    EXPECT_TRUE(fx.server().batches().isEmpty());
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
}

TEST_F(InstallerTest, TheDropOnlyEntryRemovesTheInventoryTriggerAndIsSilentWithoutIt)
{
    fx.exec(pageText(QStringLiteral("GNR_Inventario")));
    ASSERT_TRUE(exists(QStringLiteral("GNR_Inventario")));
    fx.server().markLog();
    choose(QStringLiteral("GNR_Inventario"), QStringLiteral("GNRInventario1"));
    EXPECT_EQ(fx.server().batches(), QStringList {"DROP trigger [GNR_Inventario]\r\n"});
    EXPECT_FALSE(exists(QStringLiteral("GNR_Inventario")));

    fx.server().markLog();
    choose(QStringLiteral("IdPlanta"), QStringLiteral("GNRInventario1"));
    EXPECT_EQ(fx.server().batches(), QStringList {"DROP trigger [GNR_Inventario]\r\n"});
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
}

TEST_F(InstallerTest, ARefusedCreationFromAMenuIsShownNamingTheObjectAndLeavesItDropped)
{
    // The page holds two scripts the server does not take as one batch.
    fx.exec(builtInText(QStringLiteral("GNR_UP_Kardex_Novo")));
    fx.server().markLog();
    choose(QStringLiteral("Kardex_Novo"), QStringLiteral("GNRKardexNovo1"));
    EXPECT_EQ(fx.server().batches(),
              (QStringList {"DROP trigger [dbo].GNR_UP_Kardex_Novo\r\n", pageText(QStringLiteral("Kardex_Novo"))}));
    EXPECT_FALSE(exists(QStringLiteral("GNR_UP_Kardex_Novo")));
    const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("O objeto GNR_UP_Kardex_Novo não foi criado ..!\n")))
        << errors[0].toStdString();
    EXPECT_GT(errors[0].size(), QStringLiteral("O objeto GNR_UP_Kardex_Novo não foi criado ..!\n").size());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(InstallerTest, NoToTheBatchSendsNothing)
{
    runBatch(Prompter::Answer::No);
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("confirm")), QStringList {batchQuestion});
    EXPECT_TRUE(fx.server().batches().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(InstallerTest, TheBatchOnAFreshDatabaseEndsWithTheShortLedgerTrigger)
{
    fx.exec(QStringLiteral("CREATE TRIGGER GNR_UP_Notas_Status ON Notas AFTER UPDATE AS SET NOCOUNT ON"));
    fx.server().markLog();
    QCursor *during = nullptr;
    w->shell().MemoCCDB->appendPlainText(QStringLiteral("linha anterior"));
    fx.prompter().onPrompt = [&](const ScriptedPrompter::Prompt &) { during = QApplication::overrideCursor(); };
    runBatch(Prompter::Answer::Yes);
    EXPECT_EQ(during, nullptr);

    const QStringList expected {"DROP FUNCTION Remover_acento\r\n",
                                pageText("Remover_Acentos"),
                                "DROP FUNCTION First_Day_Month\r\n",
                                pageText("First_DayMonth"),
                                "DROP trigger GNR_Etiquetas_Recebimento\r\n",
                                asLogged(builtInText("GNR_Etiquetas_Recebimento")),
                                "DROP trigger [GNR_Saldo_Terceiros_NOTAS]\r\n",
                                pageText("Saldo_Terceiros_NOTAS"),
                                "DROP PROCEDURE Evol_Invent_Kardex\r\n",
                                asLogged(builtInText("Evol_Invent_Kardex")),
                                "DROP trigger [dbo].GNR_UP_Kardex_Novo\r\n",
                                pageText("Kardex_Novo"),
                                "DROP trigger [dbo].GNR_UP_Notas_Status ",
                                asLogged(builtInText("GNR_UP_Kardex_Novo"))};
    EXPECT_EQ(fx.server().batches(), expected);
    for (const char *o : {"Remover_acento", "First_Day_Month", "GNR_Etiquetas_Recebimento", "GNR_Saldo_Terceiros_NOTAS",
                          "Evol_Invent_Kardex", "GNR_UP_Kardex_Novo"})
        EXPECT_TRUE(exists(QString::fromLatin1(o))) << o;
    EXPECT_FALSE(exists(QStringLiteral("GNR_UP_Notas_Status")));
    EXPECT_EQ(definition(QStringLiteral("GNR_UP_Kardex_Novo")), builtInText(QStringLiteral("GNR_UP_Kardex_Novo")));
    // The built-in text kept in the 8-bit code page reaches the server as text.
    EXPECT_TRUE(definition(QStringLiteral("Evol_Invent_Kardex")).contains(QStringLiteral("Inventário")));

    // No box, and no report line: the refused page text of GNR_UP_Kardex_Novo was made good
    // by the short version, so the database lacks nothing.
    EXPECT_EQ(fx.prompter().prompts().size(), 1);
    EXPECT_EQ(memoLines(), QStringList {QStringLiteral("linha anterior")});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(InstallerTest, TheBatchReportsTheObjectsTheDatabaseLacksAtItsEnd)
{
    // Without the table of its trigger, GNR_Etiquetas_Recebimento cannot be created.
    fx.exec(QStringLiteral("DROP TABLE Kardex_SubLote"));
    fx.server().markLog();
    runBatch(Prompter::Answer::Yes);
    EXPECT_FALSE(exists(QStringLiteral("GNR_Etiquetas_Recebimento")));
    EXPECT_TRUE(exists(QStringLiteral("GNR_UP_Kardex_Novo")));
    const QStringList lines = memoLines();
    ASSERT_EQ(lines.size(), 1) << qPrintable(lines.join('\n'));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("GNR_Etiquetas_Recebimento: "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("Kardex_SubLote"))) << lines[0].toStdString();
}

// The gate compares the active company's CNPJ as stored, punctuation included.
struct GateCase
{
    const char *name;
    const char *cnpj; // nullptr: NULL
    bool matriz, rnd;
};

void PrintTo(const GateCase &c, std::ostream *os)
{
    *os << c.name;
}

class GateTest : public InstallerTest, public ::testing::WithParamInterface<GateCase>
{
protected:
    void SetUp() override { }
};

TEST_P(GateTest, OnlyTheListedCompaniesInstall)
{
    const GateCase c = GetParam();
    open(c.cnpj ? QVariant(QString::fromLatin1(c.cnpj)) : QVariant(QMetaType::fromType<QString>()));
    choose(QStringLiteral("Varios"), QStringLiteral("GNR_NEW_ContasPR"));
    const QStringList matriz = fx.server().batches();
    EXPECT_EQ(matriz.size(), c.matriz ? 2 : 0);
    if (c.matriz) {
        EXPECT_EQ(matriz.value(0), QStringLiteral("DROP trigger [GNR_DEL_ContasPR_Matriz]\r\n"));
    }
    fx.prompter().clear();
    fx.server().markLog();
    choose(QStringLiteral("Varios"), QStringLiteral("GNRUPContasPRVctoImpostos2"));
    if (c.rnd) {
        EXPECT_EQ(fx.server().batches(), (QStringList {"DROP trigger [GNR_UP_RND_ITENS]\r\n",
                                                       asLogged(builtInText(QStringLiteral("GNR_UP_RND_ITENS")))}));
        EXPECT_TRUE(exists(QStringLiteral("GNR_UP_RND_ITENS")));
        // The sweep of the updated rows.
        fx.exec(QStringLiteral("INSERT INTO RND_ITENS (IdEmp, Código, Descrição, Obs) VALUES (1, N'A1', N'x', N'y'), "
                               "(1, N'B2', N'p' + NCHAR(9) + N'q', N'r')"));
        fx.exec(QStringLiteral("UPDATE RND_ITENS SET Descrição = N'  Eixo' + NCHAR(13) + NCHAR(10) + N'curto' + "
                               "NCHAR(160) WHERE Código = N'A1'"));
        EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Descrição FROM RND_ITENS WHERE Código = N'A1'")).toString(),
                  QStringLiteral("Eixo  curto"));
        EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Descrição FROM RND_ITENS WHERE Código = N'B2'")).toString(),
                  QStringLiteral("p\tq"));
    } else {
        EXPECT_TRUE(fx.server().batches().isEmpty());
    }
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cnpjs, GateTest,
                         ::testing::Values(GateCase {"Punctuated", "90.817.263/0001-69", false, false},
                                           GateCase {"Empty", "", false, false},
                                           GateCase {"Null", nullptr, false, false},
                                           GateCase {"NotListed", "11222333000181", false, false},
                                           GateCase {"RndOnly", "41526374000197", false, true},
                                           GateCase {"Listed", "90817263000169", true, true}),
                         [](const ::testing::TestParamInfo<GateCase> &info) { return std::string(info.param.name); });
