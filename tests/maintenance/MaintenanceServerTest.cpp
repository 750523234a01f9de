// The schema equalization and the accent-free mirror run as the administrator starts them:
// the page " Exportar Usuários " opened by its tab, a real click on the button, the answer to
// the question, then the statements the stand-in received and what the database holds.
#include "AppFixture.h"
#include "RecordedRun.h"
#include "app/UsersForm.h"
#include "connection/DbError.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString question = QStringLiteral(
    "Será equalizado o sistema de acordo com Bravik, Solenta, Tolvane, Quendel e Pelvado ..!, devo continuar ?");
const QString mirrorQuestion = QStringLiteral("Serão criados e atualizados os campos sem acento ..!, devo continuar ?");
const QStringList marks {"10%", "20%", "30%", "35%", "40%", "45%", "50%", "55%",
                         "60%", "65%", "70%", "72%", "74%", "80%", "81%"};

const QStringList createdTables {
    "RND_FILHOS_TEMP", "RND_FILHOS",     "cClassTrib",    "Peças_Logistica", "ItensNF_Romaneio", "SBuild_Etiquetas",
    "Embalagens",      "Costumer_Chain", "OFs_NewLog",    "Agenda_email",    "TI_Evolucao",      "Usuarios_Login",
    "TI_Tipos",        "Proc_Refugo",    "TI_Incidentes", "Itens_CRONOSLOG", "Itens_CRONOS",     "Usuarios_tarefas"};

// Records the text of a label each time it is painted.
class PaintedTexts : public QObject
{
public:
    explicit PaintedTexts(QLabel *label) : m_label(label) { label->installEventFilter(this); }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o == m_label && e->type() == QEvent::Paint && (texts.isEmpty() || texts.last() != m_label->text()))
            texts << m_label->text();
        return false;
    }
    QStringList texts;

private:
    QLabel *m_label;
};

class MaintenanceRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fx.startServer();
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")));
        w = fx.openWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        QTabWidget *pages = w->shell().PageControl1;
        QTabBar *bar = pages->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(pages->indexOf(w->shell().TabSheet12)).center());
        ASSERT_EQ(pages->currentWidget(), w->shell().TabSheet12);
        memo = w->shell().MemoCCDB;
        fx.prompter().clear();
        fx.server().markLog();
    }

    void equalize(Prompter::Answer answer = Prompter::Answer::Yes)
    {
        fx.prompter().queueAnswer(answer);
        fx.click(QStringLiteral("DataBaseSTRU"));
    }
    void mirror(Prompter::Answer answer = Prompter::Answer::Yes)
    {
        fx.prompter().queueAnswer(answer);
        fx.click(QStringLiteral("SemAcento"));
    }
    QStringList memoLines() const
    {
        const QString text = memo->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    bool tableExists(const QString &table)
    {
        return !fx.scalar(QStringLiteral("SELECT OBJECT_ID('dbo.%1')").arg(table)).isNull();
    }
    bool columnExists(const QString &table, const QString &column)
    {
        return !fx.scalar(QStringLiteral("SELECT COL_LENGTH('%1', '%2')").arg(table, column)).isNull();
    }
    QVariant description(const QString &table, const QString &column)
    {
        return fx.scalar(
            QStringLiteral(
                "SELECT CAST(value AS nvarchar(4000)) FROM fn_listextendedproperty('MS_Description', 'user', 'dbo', "
                "'table', '%1', 'column', '%2')")
                .arg(table, column));
    }

    // The whole equalization as recorded: 86 steps and their descriptions.
    static QStringList equalizationIds()
    {
        const QStringList ids = recordedIds(QStringLiteral("catalogue.expect"));
        EXPECT_EQ(stepCount(ids), 86);
        return ids;
    }
    // The whole mirror run as recorded: 46 steps and their descriptions.
    static QStringList mirrorIds()
    {
        const QStringList ids = recordedIds(QStringLiteral("mirror.expect"));
        EXPECT_EQ(stepCount(ids), 46);
        return ids;
    }

    AppFixture fx;
    UsersForm *w = nullptr;
    QPlainTextEdit *memo = nullptr;
};

} // namespace

TEST_F(MaintenanceRunTest, FirstEqualizationSendsTheWholeCatalogueInOrderAndReportsNothing)
{
    PaintedTexts position(w->shell().StatusBar[1]);
    equalize();

    EXPECT_EQ(mismatchWithRecord(fx.server().batches(), equalizationIds()), QString());
    ASSERT_EQ(fx.prompter().prompts().size(), 1);
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("confirm")), QStringList {question});
    EXPECT_EQ(fx.prompter().unexpected(), 0);
    EXPECT_TRUE(memoLines().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    for (const QString &t : createdTables)
        EXPECT_TRUE(tableExists(t)) << t.toStdString();
    // Steps 60 and 62 ran before the tables they extend were created.
    for (const char *c : {"aiObs", "anObs", "acObs", "enObs"})
        EXPECT_FALSE(columnExists(QStringLiteral("TI_Incidentes"), QString::fromLatin1(c))) << c;
    EXPECT_FALSE(columnExists(QStringLiteral("TI_Tipos"), QStringLiteral("CodeD")));
    EXPECT_TRUE(columnExists(QStringLiteral("Itens Nota"), QStringLiteral("gCBS_pAliqEfet")));
    EXPECT_FALSE(columnExists(QStringLiteral("ItensNF_Volumes"), QStringLiteral("RGItv")));
    EXPECT_EQ(description(QStringLiteral("Itens Nota"), QStringLiteral("gIBSUF_vIBSUF")).toString(),
              QStringLiteral("IBS-UF Valor do IBS\t"));
    EXPECT_EQ(description(QStringLiteral("Peças"), QStringLiteral("PecasCaixa")).toString(),
              QStringLiteral("Quantas Peças acondicionadas em uma caixa"));

    // The IVA dates on every row of IPI.
    const int rows = fx.scalar(QStringLiteral("SELECT COUNT(*) FROM IPI")).toInt();
    EXPECT_GT(rows, 0);
    EXPECT_EQ(
        fx.scalar(QStringLiteral("SELECT COUNT(*) FROM IPI WHERE diIVA = '20251001' AND dfIVA = '20291231'")).toInt(),
        rows);
    // Users that existed get the default expiry.
    EXPECT_EQ(
        fx.scalar(QStringLiteral("SELECT COUNT(*) FROM Usuarios WHERE DiasExpirar = 60 AND DataRedefiniu IS NULL"))
            .toInt(),
        fx.scalar(QStringLiteral("SELECT COUNT(*) FROM Usuarios")).toInt());

    // Between statements the status bar showed the step under way; it is back afterwards.
    EXPECT_TRUE(position.texts.contains(QStringLiteral("Posição: passo 1 de 86")));
    EXPECT_TRUE(position.texts.contains(QStringLiteral("Posição: passo 86 de 86")));
    EXPECT_GE(position.texts.size(), 86);
    EXPECT_EQ(w->shell().StatusBar[1]->text(), QStringLiteral("Posição:"));
}

TEST_F(MaintenanceRunTest, EqualizedTablesHoldTheDefaultsKeysAndNullabilityTheStatementsDeclare)
{
    equalize();
    // A NOT NULL column with a default fills the rows that exist; a nullable one leaves them NULL.
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM OF_Rejeitos WHERE IdPlt <> 606")).toInt(), 0);
    EXPECT_GT(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM OF_Rejeitos")).toInt(), 0);
    EXPECT_EQ(
        fx.scalar(QStringLiteral("SELECT COUNT(*) FROM Peças WHERE tValorTOTAL <> 100 OR PecasCaixa <> 1")).toInt(), 0);
    // (real read as float: the client stack fails to fetch a real with fractional digits)
    EXPECT_NEAR(fx.scalar(QStringLiteral("SELECT CAST(MIN(pCBS) AS float) FROM IPI")).toDouble(), 0.9, 1e-6);
    EXPECT_NEAR(fx.scalar(QStringLiteral("SELECT CAST(MAX(pIBSe) AS float) FROM IPI")).toDouble(), 0.1, 1e-6);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM NFs_ItensAJUSTE WHERE xAjuste IS NOT NULL")).toInt(), 0);
    // New rows take the defaults.
    fx.exec(QStringLiteral("INSERT INTO TI_Incidentes (IdUser, NomeUsuario, EmailUsuario, UsuarioREDE, NomeTecnico, "
                           "EmailTecnico, dInicio) "
                           "VALUES (1, N'João', N'j@x', N'joao', N'Téc', N't@x', '20260105')"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Planta FROM TI_Incidentes")).toString(), QStringLiteral("BRAVIKBR"));
    // The clustered key of SBuild_Etiquetas refuses a second label at the same position.
    fx.exec(QStringLiteral("INSERT INTO SBuild_Etiquetas (IdOrdem, Posicao) VALUES (7, 1)"));
    EXPECT_THROW(fx.exec(QStringLiteral("INSERT INTO SBuild_Etiquetas (IdOrdem, Posicao) VALUES (7, 1)")), DbError);
    // A column declared without NULL or NOT NULL takes the connection's default: nullable
    // under ANSI_NULL_DFLT_ON, as ODBC connections have it.
    EXPECT_TRUE(
        fx
            .scalar(QStringLiteral(
                "SELECT is_nullable FROM sys.columns WHERE object_id = OBJECT_ID('dbo.OFs_NewLog') AND name = 'Host'"))
            .toBool());
    EXPECT_FALSE(
        fx
            .scalar(QStringLiteral(
                "SELECT is_nullable FROM sys.columns WHERE object_id = OBJECT_ID('dbo.OFs_NewLog') AND name = 'DataM'"))
            .toBool());
}

TEST_F(MaintenanceRunTest, SecondEqualizationAddsTheLateColumnsAndReportsTheTwoCreates)
{
    equalize();
    // The restructured ItensNF_Volumes is left alone by later runs.
    fx.exec(QStringLiteral("UPDATE ItensNF_Volumes SET IdUdV = 7, IdNota = 8"));
    const int volumes = fx.scalar(QStringLiteral("SELECT COUNT(*) FROM ItensNF_Volumes")).toInt();
    fx.server().markLog();
    equalize();

    const QStringList sent = fx.server().batches();
    const QStringList ids = equalizationIds();
    EXPECT_EQ(mismatchWithRecord(sent, ids), QString());
    EXPECT_GT(volumes, 0);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM ItensNF_Volumes WHERE IdUdV = 7 AND IdNota = 8")).toInt(),
              volumes);
    // The two reported creations (steps 5 and 7) failed on the tables that exist now.
    EXPECT_EQ(memoLines(), (QStringList {batchOf(sent, ids, QStringLiteral("step 5")),
                                         batchOf(sent, ids, QStringLiteral("step 7"))}));
    EXPECT_TRUE(memoLines().value(0).startsWith(QStringLiteral("CREATE TABLE dbo.cClassTrib(")));
    EXPECT_TRUE(memoLines().value(1).startsWith(QStringLiteral("CREATE TABLE dbo.Peças_Logistica")))
        << qPrintable(memoLines().value(1).left(60));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")), QStringList());
    for (const char *c : {"aiObs", "anObs", "acObs", "enObs"})
        EXPECT_TRUE(columnExists(QStringLiteral("TI_Incidentes"), QString::fromLatin1(c))) << c;
    EXPECT_EQ(description(QStringLiteral("TI_Incidentes"), QStringLiteral("aiObs")).toString(),
              QStringLiteral("Obs da ação imediata"));
    EXPECT_EQ(description(QStringLiteral("TI_Tipos"), QStringLiteral("CodeD")).toString(),
              QStringLiteral("Vínculo com código do Departamento"));
    // Rewritten on every run.
    fx.exec(QStringLiteral("UPDATE IPI SET diIVA = NULL"));
    equalize();
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM IPI WHERE diIVA = '20251001'")).toInt(),
              fx.scalar(QStringLiteral("SELECT COUNT(*) FROM IPI")).toInt());
    // The memo is never cleared by the equalization: the third run's lines come below.
    EXPECT_EQ(memoLines().size(), 4);
}

TEST_F(MaintenanceRunTest, AnIpiWithoutTheIvaDatesStopsTheRunAtStep14)
{
    fx.exec(QStringLiteral("ALTER TABLE dbo.IPI ADD pCBS real NOT NULL CONSTRAINT DF_Teste_pCBS DEFAULT 0"));
    fx.server().markLog();
    equalize();

    const QStringList ids = recordedIds(QStringLiteral("catalogue.expect"), 14);
    ASSERT_EQ(ids.last(), QStringLiteral("step 14"));
    EXPECT_EQ(mismatchWithRecord(fx.server().batches(), ids), QString());
    EXPECT_TRUE(fx.server().batches().last().contains(QStringLiteral("diIVA")));
    const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("diIVA"))) << errors.first().toStdString();
    EXPECT_FALSE(errors.first().contains(QStringLiteral("[FreeTDS]")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w->shell().StatusBar[1]->text(), QStringLiteral("Posição:"));
    // What ran before stays.
    EXPECT_TRUE(tableExists(QStringLiteral("cClassTrib")));
    EXPECT_TRUE(columnExists(QStringLiteral("ItensNF_Romaneio"), QStringLiteral("rSdo")));
    EXPECT_FALSE(tableExists(QStringLiteral("Embalagens")));
}

TEST_F(MaintenanceRunTest, AnyAnswerButYesSendsNothing)
{
    equalize(Prompter::Answer::No);
    equalize(Prompter::Answer::Closed);
    mirror(Prompter::Answer::No);
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("confirm")), (QStringList {question, question, mirrorQuestion}));
    EXPECT_TRUE(fx.server().batches().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(tableExists(QStringLiteral("cClassTrib")));
}

TEST_F(MaintenanceRunTest, NoOtherHandlerRunsWhileARunIsUnderWay)
{
    // A click that arrives while the question is up is handled once the run is over.
    fx.prompter().onPrompt = [this](const ScriptedPrompter::Prompt &p) {
        if (p.text == question)
            QTimer::singleShot(0, w, [this] { mirror(); });
    };
    equalize();
    const QStringList ids = equalizationIds();
    const int equalization = int(ids.size());
    EXPECT_EQ(mismatchWithRecord(fx.server().batches(), ids), QString());
    QTest::qWait(50);
    fx.prompter().onPrompt = nullptr;
    const QStringList all = fx.server().batches();
    ASSERT_GT(all.size(), equalization);
    EXPECT_EQ(mismatchWithRecord(all.mid(equalization), mirrorIds()), QString());
}

TEST_F(MaintenanceRunTest, AServerGoneDuringTheRunEndsItAtTheFirstUnguardedStep)
{
    fx.prompter().onPrompt = [this](const ScriptedPrompter::Prompt &p) {
        if (p.text == question)
            fx.server().stop();
    };
    equalize();
    fx.prompter().onPrompt = nullptr;
    // The silent steps failed and were passed over, the two reported ones left their lines,
    // and step 14 ended the run with the error box.
    ASSERT_EQ(memoLines().size(), 2);
    EXPECT_TRUE(memoLines().value(0).startsWith(QStringLiteral("CREATE TABLE dbo.cClassTrib(")));
    EXPECT_TRUE(memoLines().value(1).startsWith(QStringLiteral("CREATE TABLE dbo.Peças_Logistica")));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(MaintenanceRunTest, MirrorRunClearsTheMemoAndWritesFifteenProgressLinesOnEveryRun)
{
    equalize(); // leaves nothing in the memo; a second run leaves its two lines
    equalize();
    ASSERT_EQ(memoLines().size(), 2);
    fx.server().markLog();
    mirror();
    EXPECT_EQ(memoLines(), marks);
    EXPECT_EQ(mismatchWithRecord(fx.server().batches(), mirrorIds()), QString());
    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty());

    // The copies in the data.
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT MAX(LEN(NCM)) FROM IPI")).toInt(), 8);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT NCM FROM IPI WHERE Classificação = '7318.15.00'")).toString(),
              QStringLiteral("7318.15."));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Descricao FROM Unidades WHERE Unidade = 'PC'")).toString(),
              QStringLiteral("Peça"));
    const QList<QVariantList> nulls =
        fx.rows(QStringLiteral("SELECT IdOpcao, Lancou, Fabrica, PesoBruto, PesoLiq, UPreco, PrecoMobra, PrMedio, "
                               "Revisao, Identificacao, Aviso_fat_obs, Aviso_fat_flag "
                               "FROM Produtos WHERE Produto = 'Conjunto Suporte'"));
    ASSERT_EQ(nulls.size(), 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(nulls[0][i].toDouble(), 0.0) << i;
    EXPECT_TRUE(nulls[0][8].isNull()); // copied unchanged, NULL included
    EXPECT_TRUE(nulls[0][9].isNull());
    EXPECT_TRUE(nulls[0][10].isNull());
    EXPECT_EQ(nulls[0][11].toInt(), 9);
    const QList<QVariantList> full = fx.rows(
        QStringLiteral("SELECT IdOpcao, Lancou, UPreco, Aviso_fat_obs FROM Produtos WHERE Produto = 'Válvula VX-10'"));
    ASSERT_EQ(full.size(), 1);
    EXPECT_EQ(full[0][0].toInt(), 2);
    EXPECT_EQ(full[0][1].toDouble(), 500.0);
    EXPECT_NEAR(full[0][2].toDouble(), 45.9, 1e-9);
    EXPECT_EQ(full[0][3].toString(), QStringLiteral("Conferir o certificado do material antes de faturar"));
    EXPECT_EQ(description(QStringLiteral("Produtos"), QStringLiteral("Revisao")).toString(),
              QStringLiteral("Revisão do Desenho"));

    // A second run finds the columns in place, copies again over changed sources.
    fx.exec(QStringLiteral("UPDATE Unidades SET Descrição = N'Peça avulsa' WHERE Unidade = 'PC'"));
    mirror();
    EXPECT_EQ(memoLines(), marks);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Descricao FROM Unidades WHERE Unidade = 'PC'")).toString(),
              QStringLiteral("Peça avulsa"));
    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MaintenanceRunTest, MirrorRunEndsAtAFailingCopyWithTheLinesSoFar)
{
    fx.exec(QStringLiteral("ALTER TABLE dbo.Unidades DROP COLUMN Descrição"));
    fx.server().markLog();
    mirror();
    EXPECT_EQ(memoLines(), QStringList {QStringLiteral("10%")});
    EXPECT_EQ(mismatchWithRecord(fx.server().batches(), recordedIds(QStringLiteral("mirror.expect"), 3)), QString());
    const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("Descrição"))) << errors.first().toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
