// The page "  Conferir  " in the whole window, against an own sql-standin with the demo
// database: reader files written by the test, the run, and what the tables hold after it.
#include "AppFixture.h"
#include "StatementCorpus.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "conference/RunInputBlocker.h"
#include "connection/DataSource.h"
#include "connection/DbError.h"
#include "widgets/DbGrid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const QString company = QString::fromUtf8("Bravik Indústria Metalúrgica Ltda");
const QString confirmText = QStringLiteral(
    "Será conferido o conteudo deste bloco de Notas e o resultado estara na pasta conferiu ..!, Devo continuar ?");
// What the page "  Conferido  " reads after a run: the columns the run writes, no key.
const QString resultQuery = QStringLiteral("SELECT Cod128, EtqNF, IdMud, IdItemNF FROM ConferirTEMP ORDER BY Cod128, EtqNF");

class ConferenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_startDir = QDir::currentPath();
        fx.startServer();
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")));
    }
    void TearDown() override { QDir::setCurrent(m_startDir); }

    void open()
    {
        w = fx.openWindow();
        sh = &w->shell();
        memo = fx.find<QListView>(QStringLiteral("MemoORG"));
        files = fx.find<QListWidget>(QStringLiteral("ListaFOTOS"));
        ASSERT_TRUE(memo && files);
        ASSERT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    }

    // Shows the page and side tab holding the widget, then clicks it as a person would.
    void clickOn(const QString &objectName)
    {
        auto *widget = fx.find<QWidget>(objectName);
        ASSERT_TRUE(widget) << objectName.toStdString();
        for (QWidget *child = widget; child && child->parentWidget(); child = child->parentWidget())
            if (auto *stack = qobject_cast<QStackedWidget *>(child->parentWidget()))
                if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                    tabs->setCurrentWidget(child);
        QApplication::processEvents();
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, widget->height() / 2));
    }
    // A search that finds nobody enables the toolbar's new-user button.
    void enableNewUser()
    {
        clickOn(QStringLiteral("TabSheet1"));
        fx.typeText(QStringLiteral("Registro"), QStringLiteral("9999"));
        fx.key(QStringLiteral("Registro"), Qt::Key_Return);
    }
    void chooseFolder(const QString &folder)
    {
        fx.prompter().queueFolder(folder);
        clickOn(QStringLiteral("sbtSelDir"));
    }
    void confer()
    {
        fx.prompter().queueAnswer(ScriptedPrompter::Answer::Yes);
        fx.server().markLog();
        clickOn(QStringLiteral("Conferir"));
    }
    QStringList memoLines() const
    {
        QStringList out;
        for (int r = 0; r < memo->model()->rowCount(); ++r)
            out << memo->model()->index(r, 0).data().toString();
        return out;
    }
    QStringList listedFiles() const
    {
        QStringList out;
        for (int r = 0; r < files->count(); ++r)
            out << files->item(r)->text();
        return out;
    }
    bool enabled(const QString &name) { return fx.find<QWidget>(name)->isEnabled(); }
    QWidget *currentSide() { return fx.find<QTabWidget>(QStringLiteral("SubPasta00"))->currentWidget(); }
    QString text(const QVariant &v) const { return v.isNull() ? QStringLiteral("<null>") : v.toString(); }
    // Cod128 | EtqNF | IdMud | IdItemNF of every ConferirTEMP row, in insertion order.
    QStringList resultRows()
    {
        QStringList out;
        for (const auto &r :
             fx.rows(QStringLiteral("SELECT Cod128, EtqNF, IdMud, IdItemNF FROM ConferirTEMP ORDER BY IdConf")))
            out << QStringLiteral("%1|%2|%3|%4").arg(text(r[0]), text(r[1]), text(r[2]), text(r[3]));
        return out;
    }
    QStringList itemUnits()
    {
        QStringList out;
        for (const auto &r : fx.rows(QStringLiteral("SELECT IdMud FROM ItensNFLogix ORDER BY IdItemNF")))
            out << text(r[0]);
        return out;
    }
    int count(const QString &sql) { return fx.scalar(sql).toInt(); }
    void writeFile(const QString &dir, const QString &name, const QByteArray &bytes)
    {
        QFile f(QDir(dir).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    AppFixture fx;
    UsersForm *w = nullptr;
    const Shell *sh = nullptr;
    QListView *memo = nullptr;
    QListWidget *files = nullptr;
    QTemporaryDir readerDir;

private:
    QString m_startDir;
};

} // namespace

TEST_F(ConferenceTest, ThePageStartsWithItsButtonsListsAndSidePages)
{
    open();
    auto *side = fx.find<QTabWidget>(QStringLiteral("SubPasta00"));
    ASSERT_TRUE(side);
    EXPECT_EQ(side->tabPosition(), QTabWidget::East);
    EXPECT_EQ(side->count(), 3);
    EXPECT_EQ(side->tabText(0), QStringLiteral("  Bloco de Notas  "));
    EXPECT_EQ(side->tabText(1), QStringLiteral("  Conferido  "));
    EXPECT_EQ(side->tabText(2), QStringLiteral("  Bloco de Notas sem Conferir "));
    EXPECT_EQ(side->widget(0)->objectName(), QStringLiteral("TabSheet7"));
    EXPECT_EQ(side->widget(1)->objectName(), QStringLiteral("TabSheet8"));
    EXPECT_EQ(side->widget(2)->objectName(), QStringLiteral("TabSheet6"));

    struct Button
    {
        const char *name, *caption, *hint;
        bool on;
    };
    for (const Button &b :
         {Button {"sbtSelDir", "00-Caminho", "Seleciona caminho onde estão arquivos de retorno Varnel ..!", true},
          Button {"CaminhoRX", "01-Arquivo", "Abrir bloco de Notas de todos os arquivos ..!", true},
          Button {"Conferir", "02-Conferir", "Confere o bloco de Notas ..!", false},
          Button {"SalvaArq", "&Salvar", "Salvar arquivo novo ..!", false},
          Button {"ExportarABC", "Update Usuários", "Gera Script de Update de Todos os Usuários !", true}}) {
        auto *button = fx.find<QToolButton>(QString::fromLatin1(b.name));
        ASSERT_TRUE(button) << b.name;
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint));
        EXPECT_EQ(button->isEnabled(), b.on) << b.name;
    }
    auto *grid = fx.find<DbGrid>(QStringLiteral("ConferiuGRADE"));
    ASSERT_TRUE(grid);
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles, (QStringList {"Cod128", "EtqNF", "IdMud", "IdItemNF"}));
    EXPECT_TRUE(QFontInfo(memo->font()).fixedPitch());
    EXPECT_TRUE(QFontInfo(fx.find<QPlainTextEdit>(QStringLiteral("MemoORGE"))->font()).fixedPitch());
    EXPECT_GE(memo->model()->rowCount(), 2);
    EXPECT_TRUE(fx.find<QPlainTextEdit>(QStringLiteral("NoMatches")));

    // The initial block confers to nothing: none of its lines is a label.
    fx.typeText(QStringLiteral("MemoORGE"), QStringLiteral("nota"));
    EXPECT_TRUE(enabled(QStringLiteral("Conferir")));
    EXPECT_TRUE(enabled(QStringLiteral("SalvaArq")));
    fx.exec(QStringLiteral("INSERT INTO ConferirTEMP (cod_empresa, Cod128, EtqNF) VALUES ('x', 'y', 'z')"));
    confer();
    const QStringList sent = fx.server().batches();
    EXPECT_EQ(sent.size(), 8 + 1) << qPrintable(sent.join('\n')); // the run, then the grid
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD")), 1);
}

// The demo database and reader/exemplo.txt: the folder confers with matches, statement for
// statement as the corpus records it.
TEST_F(ConferenceTest, TheDemoFolderConfersWithTheStatementsOfTheCorpus)
{
    open();
    EXPECT_EQ(fx.find<QLineEdit>(QStringLiteral("Mirr16"))->text(), company);
    chooseFolder(demoReaderFolder());
    EXPECT_EQ(QDir::currentPath(), QDir(demoReaderFolder()).canonicalPath());
    EXPECT_EQ(listedFiles(), QStringList {"exemplo.txt"});
    EXPECT_EQ(sh->StatusBar[0]->text(), QStringLiteral("Diretório escolhido: ") + demoReaderFolder());
    EXPECT_TRUE(memoLines().isEmpty());

    clickOn(QStringLiteral("CaminhoRX"));
    EXPECT_EQ(memoLines().size(), 10);
    EXPECT_EQ(memoLines().first(), QStringLiteral("nff-001234-0009-PC9999"));
    EXPECT_TRUE(memo->isVisible());
    EXPECT_TRUE(enabled(QStringLiteral("Conferir")));
    EXPECT_FALSE(QApplication::overrideCursor());

    enableNewUser();
    ASSERT_TRUE(enabled(QStringLiteral("IncluiUSER")));
    confer();
    ASSERT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("confirm")), QStringList {confirmText});
    const QStringList corpus = corpusStatements(QStringLiteral("conference.sql"));
    ASSERT_EQ(corpus.size(), 16);
    EXPECT_EQ(fx.server().batches().mid(0, corpus.size()), corpus);
    EXPECT_EQ(fx.server().batches().mid(corpus.size()), QStringList {resultQuery});

    EXPECT_EQ(resultRows(), (QStringList {
                                "999999-001001234-MASTER00000001|nff-001234-0001-PC1001|2|1",
                                "999999-001001234-MASTER00000001|nff-001234-0002-PC1002-A01|2|2",
                                "123456-001001235-MASTER00000002|nff-001235-0001-PC2001|1|4",
                                "999999-003001234-MASTER00000003|nff-001234-0003-PC1003|3|3",
                                "999999-003001234-MASTER00000003|nff-ABCDEF-0001-PC1001|3|<null>",
                            }));
    EXPECT_EQ(itemUnits(), (QStringList {"2", "2", "3", "1", "<null>"}));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD WHERE Cod128 = '999999-003001234-MASTER00000003' "
                                   "AND EtqTIPO = 1234 AND SeqUC = 3 AND IdHjk = 2 AND EntraMUD = 1 AND SaidaMud = 0 "
                                   "AND EntraOpr = 'orvo' AND EntraHora IS NOT NULL")),
              1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP c INNER JOIN Etq_MasterUD m ON m.IdMud = c.IdMud "
                                   "WHERE c.RGMud = m.rowguid")),
              5);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP WHERE cod_empresa = N'") + company
                    + QStringLiteral("'")),
              5);

    // What the run leaves on the window.
    EXPECT_FALSE(enabled(QStringLiteral("IncluiUSER")));
    EXPECT_EQ(currentSide()->objectName(), QStringLiteral("TabSheet8"));
    EXPECT_EQ(fx.find<DbGrid>(QStringLiteral("ConferiuGRADE"))->model()->rowCount(), 5);
    EXPECT_FALSE(memo->isHidden()); // shown again on its page, now behind
    EXPECT_EQ(memoLines().size(), 10);
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(ConferenceTest, SeveralReaderFilesFormOneSequenceOfLabels)
{
    const QString dir = readerDir.path();
    // Sorted by name: a1 (CR LF), a2 (CR), b (LF); the .dat file is not listed.
    writeFile(dir, QStringLiteral("a1.txt"),
              "nff-001234-0001-PC1001\r\n" // before any master label: skipped
              "999999-001001234-MASTER00000011\r\n"
              "nff-001234-0001-PC1001\r\n"
              "nff-001234-0002-PC1002 \r\n"); // trailing blank: 23 characters, skipped
    writeFile(dir, QStringLiteral("a2.txt"),
              "nff-001234-0002-PC1002-X01\r" // 26 characters, master label of the file before
              "123456-001001235-MASTER00000002\r" // already registered; not registered again
              "nff-001235-0001-PC2001\r");
    writeFile(dir, QStringLiteral("b.txt"),
              "Caixa n\xBA 3\n"
              "999999-003001234-MASTER00000013\n"
              "nff-001234-0003-PC1003\n"
              "nff-001234-0003-PC'003"); // a quote on the label is data
    writeFile(dir, QStringLiteral("c.dat"), "999999-002001234-MASTER00000099\r\n");
    open();
    chooseFolder(dir);
    EXPECT_EQ(listedFiles(), (QStringList {"a1.txt", "a2.txt", "b.txt"}));
    clickOn(QStringLiteral("CaminhoRX"));
    EXPECT_EQ(memoLines(),
              (QStringList {"nff-001234-0001-PC1001", "999999-001001234-MASTER00000011", "nff-001234-0001-PC1001",
                            "nff-001234-0002-PC1002 ", "nff-001234-0002-PC1002-X01", "123456-001001235-MASTER00000002",
                            "nff-001235-0001-PC2001", QString::fromUtf8("Caixa nº 3"),
                            "999999-003001234-MASTER00000013", "nff-001234-0003-PC1003", "nff-001234-0003-PC'003"}));
    confer();
    ASSERT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));

    EXPECT_EQ(resultRows(), (QStringList {
                                "999999-001001234-MASTER00000011|nff-001234-0001-PC1001|2|1",
                                "999999-001001234-MASTER00000011|nff-001234-0002-PC1002-X01|2|2",
                                "123456-001001235-MASTER00000002|nff-001235-0001-PC2001|1|4",
                                "999999-003001234-MASTER00000013|nff-001234-0003-PC1003|3|3",
                                "999999-003001234-MASTER00000013|nff-001234-0003-PC'003|3|<null>",
                            }));
    EXPECT_EQ(itemUnits(), (QStringList {"2", "2", "3", "1", "<null>"}));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD")), 3);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD WHERE Cod128 = '999999-003001234-MASTER00000013'")), 1);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD WHERE Cod128 = '123456-001001235-MASTER00000002'")), 1);
    EXPECT_EQ(text(fx.scalar(QStringLiteral("SELECT cod_item FROM ConferirTEMP WHERE EtqNF LIKE '%''%'"))),
              QStringLiteral("PC'003"));

    const QStringList sent = fx.server().batches();
    EXPECT_EQ(sent.filter(QStringLiteral("INSERT INTO Etq_MasterUD")).size(), 3);
    EXPECT_TRUE(sent.contains(QStringLiteral(
        "INSERT INTO ConferirTEMP (cod_empresa, Cod128, EtqNF) VALUES ('Bravik Indústria Metalúrgica Ltda', "
        "'999999-003001234-MASTER00000013', 'nff-001234-0003-PC''003')")));
    EXPECT_TRUE(sent.filter(QStringLiteral("'nff-001234-0003-PC''003')")).size() == 1);
}

TEST_F(ConferenceTest, AQuoteInTheCompanysNameIsDataAndTheVolumesStillMatch)
{
    const QString quoted = QString::fromUtf8("Bravik D'Ávila Metalúrgica Ltda");
    const QString literal = QString::fromUtf8("N'Bravik D''Ávila Metalúrgica Ltda'");
    fx.exec(QStringLiteral("UPDATE PessoaFJ SET Razão = ") + literal + QStringLiteral(" WHERE IdPess = 1"));
    fx.exec(QStringLiteral("UPDATE ItensNFLogix SET cod_empresa = ") + literal
            + QStringLiteral(" WHERE cod_empresa = N'") + company + QStringLiteral("'"));
    open();
    ASSERT_EQ(fx.find<QLineEdit>(QStringLiteral("Mirr16"))->text(), quoted);
    chooseFolder(demoReaderFolder());
    clickOn(QStringLiteral("CaminhoRX"));
    confer();
    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_EQ(itemUnits(), (QStringList {"2", "2", "3", "1", "<null>"}));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP WHERE cod_empresa = ") + literal), 5);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD")), 3);
}

TEST_F(ConferenceTest, AMasterUnitThatCannotBeRegisteredDoesNotStopTheRun)
{
    const QString dir = readerDir.path();
    // The invoice piece of the master label is not a number: its insert fails (twice, as the
    // last master label), its volumes are still inserted and the run ends normally.
    writeFile(dir, QStringLiteral("leitor.txt"),
              "999999-001001234-MASTER00000021\r\n"
              "nff-001234-0001-PC1001\r\n"
              "999999-001ABCDEF-MASTER00000022\r\n"
              "nff-001234-0002-PC1002\r\n");
    open();
    chooseFolder(dir);
    clickOn(QStringLiteral("CaminhoRX"));
    confer();
    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    const QStringList sent = fx.server().batches();
    EXPECT_EQ(sent.filter(QStringLiteral("'999999-001ABCDEF-MASTER00000022' AS Cod128")).size(), 2);
    EXPECT_EQ(sent.filter(QStringLiteral("UPDATE ItensNFLogix SET IdMud")).size(), 1);
    EXPECT_EQ(resultRows(), (QStringList {"999999-001001234-MASTER00000021|nff-001234-0001-PC1001|2|1",
                                          "999999-001ABCDEF-MASTER00000022|nff-001234-0002-PC1002|<null>|2"}));
    EXPECT_EQ(itemUnits(), (QStringList {"2", "<null>", "<null>", "<null>", "<null>"}));
    EXPECT_FALSE(enabled(QStringLiteral("IncluiUSER")));
    EXPECT_EQ(currentSide()->objectName(), QStringLiteral("TabSheet8"));
}

TEST_F(ConferenceTest, AVolumeThatIsNotANumberEndsTheRunWithTheServersConversionError)
{
    const QString dir = readerDir.path();
    writeFile(dir, QStringLiteral("leitor.txt"), "999999-002001234-MASTER00000009\r\nnff-001234-00X2-PC1002\r\n");
    open();
    chooseFolder(dir);
    clickOn(QStringLiteral("CaminhoRX"));
    enableNewUser();
    ASSERT_TRUE(enabled(QStringLiteral("IncluiUSER")));
    confer();
    const QString volumeUpdate = corpusStatements(QStringLiteral("conference.sql")).at(10);
    ASSERT_TRUE(volumeUpdate.startsWith(QStringLiteral("UPDATE ConferirTEMP SET volume = ")));
    const QStringList sent = fx.server().batches();
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.last(), volumeUpdate);
    EXPECT_EQ(sent.size(), 1 + 2 + 3);

    // The box shows the server's own message for that statement.
    QString serverMessage;
    try {
        fx.exec(volumeUpdate);
    } catch (const DbError &e) {
        serverMessage = e.message();
    }
    ASSERT_FALSE(serverMessage.isEmpty());
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")), QStringList {serverMessage});
    // What ran before stays done; nothing after it ran.
    EXPECT_EQ(text(fx.scalar(QStringLiteral("SELECT num_nff FROM ConferirTEMP"))), QStringLiteral("1234"));
    EXPECT_EQ(text(fx.scalar(QStringLiteral("SELECT volume FROM ConferirTEMP"))), QStringLiteral("<null>"));
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD WHERE Cod128 = '999999-002001234-MASTER00000009'")), 1);
    EXPECT_TRUE(enabled(QStringLiteral("IncluiUSER")));
    EXPECT_EQ(currentSide()->objectName(), QStringLiteral("TabSheet7"));
    EXPECT_TRUE(memo->isVisible());
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(ConferenceTest, AFileThatCannotBeReadEndsTheLoadingWithItsName)
{
    const QString dir = readerDir.path();
    writeFile(dir, QStringLiteral("a.txt"), "999999-001001234-MASTER00000031\r\nnff-001234-0001-PC1001\r\n");
    writeFile(dir, QStringLiteral("b.txt"), "nff-001234-0002-PC1002\r\n");
    writeFile(dir, QStringLiteral("c.txt"), "nff-001234-0003-PC1003\r\n");
    open();
    chooseFolder(dir);
    ASSERT_EQ(listedFiles().size(), 3);
    ASSERT_TRUE(QFile::remove(QDir(dir).filePath(QStringLiteral("b.txt"))));
    clickOn(QStringLiteral("CaminhoRX"));
    const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("b.txt"))) << errors[0].toStdString();
    EXPECT_EQ(memoLines(), (QStringList {"999999-001001234-MASTER00000031", "nff-001234-0001-PC1001"}));
    EXPECT_TRUE(memo->isVisible());
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(ConferenceTest, CancellingTheFolderChoiceLeavesBothListsEmptyAndTheRestAsItWas)
{
    const QString dir = readerDir.path();
    writeFile(dir, QStringLiteral("um.txt"), "999999-001001234-MASTER00000041\r\n");
    writeFile(dir, QStringLiteral("ignorado.xxx"), "x");
    QDir::setCurrent(dir);
    open();
    EXPECT_EQ(listedFiles(), QStringList {"ignorado.xxx"}); // the current directory with "*.xxx"
    const QString status = sh->StatusBar[0]->text();
    chooseFolder(QString());
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("folder")).size(), 1);
    EXPECT_TRUE(memoLines().isEmpty());
    EXPECT_TRUE(listedFiles().isEmpty());
    EXPECT_EQ(sh->StatusBar[0]->text(), status);
    EXPECT_EQ(QDir::currentPath(), QDir(dir).canonicalPath());

    // Loading the empty list disables Conferir; a one-line list enables it, and a change of
    // the free memo then disables it again (it needs two lines).
    clickOn(QStringLiteral("CaminhoRX"));
    EXPECT_FALSE(enabled(QStringLiteral("Conferir")));
    chooseFolder(dir);
    clickOn(QStringLiteral("CaminhoRX"));
    EXPECT_EQ(memoLines().size(), 1);
    EXPECT_TRUE(enabled(QStringLiteral("Conferir")));
    fx.typeText(QStringLiteral("MemoORGE"), QStringLiteral("x"));
    EXPECT_FALSE(enabled(QStringLiteral("Conferir")));
    EXPECT_FALSE(enabled(QStringLiteral("SalvaArq")));
}

TEST_F(ConferenceTest, ANewFolderClearsTheListButNotConferirAndARunOverNothingEmptiesTheWorkTable)
{
    open();
    chooseFolder(demoReaderFolder());
    clickOn(QStringLiteral("CaminhoRX"));
    confer();
    ASSERT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP")), 5);
    clickOn(QStringLiteral("TabSheet7"));
    chooseFolder(readerDir.path());
    EXPECT_TRUE(memoLines().isEmpty());
    ASSERT_TRUE(enabled(QStringLiteral("Conferir")));
    confer();
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP")), 0);
    const QStringList sent = fx.server().batches();
    ASSERT_GE(sent.size(), 8);
    const QStringList corpus = corpusStatements(QStringLiteral("conference.sql"));
    EXPECT_EQ(sent.first(), QStringLiteral("DELETE FROM ConferirTEMP"));
    EXPECT_EQ(sent.mid(1, 5), corpus.mid(8, 5)); // the five matching updates
    EXPECT_EQ(sent.mid(6, 2), corpus.mid(14, 2)); // the two attaching updates
    EXPECT_EQ(fx.find<DbGrid>(QStringLiteral("ConferiuGRADE"))->model()->rowCount(), 0);
}

TEST_F(ConferenceTest, ALongRunShowsItsProgressAndTakesNoInput)
{
    QByteArray file = "999999-001001234-MASTER00000051\r\n";
    const int labels = 10000;
    for (int i = 0; i < labels; ++i)
        file += "nff-001234-0001-PC1001\r\n";
    writeFile(readerDir.path(), QStringLiteral("longo.txt"), file);
    open();
    chooseFolder(readerDir.path());
    clickOn(QStringLiteral("CaminhoRX"));
    const QString position = sh->StatusBar[1]->text();

    // While the run holds the window: what the status bar shows, whether the list is hidden,
    // and clicks on "00-Caminho" that must come to nothing. The watcher acts only while the
    // status bar shows the run under way: a tick before the run starts (a loaded machine may
    // deliver one while the question is asked) or after it ends is no input during the run.
    QStringList progress;
    bool listHidden = false;
    int clicksDuringRun = 0;
    QTimer watcher;
    watcher.setInterval(5);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        const QString shown = sh->StatusBar[1]->text();
        if (!shown.startsWith(QStringLiteral("Conferindo linha ")))
            return;
        progress << shown;
        listHidden = listHidden || memo->isHidden();
        ++clicksDuringRun;
        QTest::mouseClick(fx.find<QToolButton>(QStringLiteral("sbtSelDir")), Qt::LeftButton);
    });
    watcher.start();
    confer();
    watcher.stop();

    ASSERT_FALSE(progress.isEmpty()) << "the status bar never showed the run under way";
    EXPECT_GT(clicksDuringRun, 0);
    EXPECT_TRUE(progress.first().endsWith(QStringLiteral(" de %1").arg(labels + 1))) << progress.first().toStdString();
    EXPECT_TRUE(listHidden);
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("folder")).size(), 1); // only the choice before the run
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP WHERE IdItemNF = 1")), labels);
    EXPECT_EQ(sh->StatusBar[1]->text(), position);
    EXPECT_EQ(memoLines().size(), labels + 1);
}

TEST_F(ConferenceTest, WithoutAnActiveCompanyTheLabelsAreInsertedButNothingMatches)
{
    fx.exec(QStringLiteral("UPDATE PessoaFJ SET Ativa = 0"));
    open();
    ASSERT_TRUE(fx.find<QLineEdit>(QStringLiteral("Mirr16"))->text().isEmpty());
    chooseFolder(demoReaderFolder());
    clickOn(QStringLiteral("CaminhoRX"));
    confer();
    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP WHERE cod_empresa = ''")), 5);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP WHERE IdItemNF IS NOT NULL")), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD")), 1); // no unit registered
    EXPECT_EQ(itemUnits(), (QStringList {"<null>", "<null>", "<null>", "<null>", "<null>"}));
    EXPECT_TRUE(fx.server().batches().contains(QStringLiteral(
        "INSERT INTO Etq_MasterUD (EtqTIPO, SeqUC, IdHjk, Cod128, EntraHora, EntraMUD, SaidaMud, EntraOpr) SELECT TOP "
        "1 "
        "num_nff, volume, 2 As IdHjk, '999999-001001234-MASTER00000001' AS Cod128, GetDate() AS Agora, 1 AS EntraMUD, "
        "0 AS SaidaMud, SYSTEM_USER As Opera FROM ItensNFLogix WHERE (num_nff = '001234') AND (volume = '001') AND "
        "(cod_empresa = '') AND (NOT EXISTS (SELECT * FROM Etq_MasterUD WHERE Etq_MasterUD.Cod128 = "
        "'999999-001001234-MASTER00000001'))")));
}

TEST_F(ConferenceTest, AWorkTableWithoutAKeyConfersTheSameFolderTwiceIntoOneUnitPerLabel)
{
    // ConferirTEMP as an installation may have it: the columns the run writes, no IdConf.
    fx.exec(QStringLiteral("DROP TABLE ConferirTEMP"));
    fx.exec(QStringLiteral("CREATE TABLE ConferirTEMP (cod_empresa nvarchar(100) NULL, Cod128 nvarchar(40) NULL, "
                           "EtqNF nvarchar(40) NULL, IdMud int NULL, num_nff int NULL, volume int NULL, "
                           "cod_item nvarchar(20) NULL, IdItemNF int NULL, RGMud uniqueidentifier NULL)"));
    open();
    chooseFolder(demoReaderFolder());
    clickOn(QStringLiteral("CaminhoRX"));
    confer();
    const QStringList unitsOnce = itemUnits();
    clickOn(QStringLiteral("TabSheet7"));
    confer();
    clickOn(QStringLiteral("TabSheet7"));
    clickOn(QStringLiteral("TabSheet8")); // a visit to "  Conferido  " reads the table again

    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("error")).isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_EQ(fx.find<DbGrid>(QStringLiteral("ConferiuGRADE"))->model()->rowCount(), 5);
    // One unit per master label (the demo's own unit and the two this folder registers).
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD")), 3);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM (SELECT Cod128 FROM Etq_MasterUD GROUP BY Cod128 "
                                   "HAVING COUNT(*) > 1) AS twice")),
              0);
    // Every matched volume stays attached to the unit of its label.
    EXPECT_EQ(itemUnits(), (QStringList {"2", "2", "3", "1", "<null>"}));
    EXPECT_EQ(itemUnits(), unitsOnce);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ItensNFLogix i INNER JOIN Etq_MasterUD m ON m.IdMud = i.IdMud "
                                   "INNER JOIN ConferirTEMP c ON c.IdItemNF = i.IdItemNF AND c.Cod128 = m.Cod128")),
              4);
}

// The filter of a run lets a message box that comes up during the run (an error at its end)
// take the person's answer; everything else still waits.
TEST(RunInputBlocker, AMessageBoxUpDuringARunTakesInputAndNothingElseDoes)
{
    QWidget window;
    auto *button = new QToolButton(&window);
    int clicks = 0;
    QObject::connect(button, &QToolButton::clicked, [&] { ++clicks; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    RunInputBlocker blocker;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 0);

    // A box that does not take the key is closed by the fallback so that the test ends.
    bool hung = false;
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            hung = true;
            static_cast<QMessageBox *>(box)->done(QMessageBox::Ok);
        }
    });
    QTimer::singleShot(50, &window, [&] {
        QWidget *box = QApplication::activeModalWidget();
        if (box)
            QTest::keyClick(box, Qt::Key_Return);
        fallback.start(2000);
    });
    QMessageBox::critical(&window, QStringLiteral("Erro"), QStringLiteral("Falhou ..!"));
    EXPECT_FALSE(hung);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 0);
}
