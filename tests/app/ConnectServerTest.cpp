#include "AppFixture.h"
#include "app/UsersForm.h"
#include "connection/Connection.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "widgets/DbGrid.h"
#include "widgets/LogonForm.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QRegularExpression>
#include <QTest>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const QString S = QStringLiteral("SELECT Usuarios.*\r\nFROM        Usuarios\r\nORDER BY Nome");
const QString J = QStringLiteral("SELECT     Jobs.*\r\nFROM         Jobs");
const QString D = QStringLiteral("SELECT  Marca, Razão, Cidade, IdPess FROM PessoaFJ WHERE (Ativa = 1)");
const QString O = QStringLiteral(
    "SELECT PessoaFJ.*, \r\n    Municipios.MUN_IBGE, Municipios.MUN_DAC, Municipios.MUN_NOME, Municipios.MUN_UF, "
    "Ativou = CASE WHEN Ativa = 1 THEN 'Sim' END\r\nFROM PessoaFJ INNER JOIN\r\n    Municipios ON PessoaFJ.IBGE = "
    "Municipios.MUN_IBGE\r\nWHERE (PessoaFJ.Ativa = 1);\r\n");

// The dataset texts among the batches the server received since the last mark, in order.
QStringList datasetOpens(AppFixture &fx)
{
    QStringList out;
    for (const QString &b : fx.server().batches()) {
        if (b == S) out << QStringLiteral("SenhaSQL");
        else if (b == J) out << QStringLiteral("JobSQL");
        else if (b == D) out << QStringLiteral("Data1SQL");
        else if (b == O) out << QStringLiteral("OrganizacaoSQL");
    }
    return out;
}

const QStringList plantOrder{"SenhaSQL", "JobSQL", "SenhaSQL", "Data1SQL", "OrganizacaoSQL"};

// The login of every batch the server received since the last mark, in order.
QStringList batchLogins(AppFixture &fx)
{
    static const QRegularExpression header(QStringLiteral("(?:^|\\n)=== [^\\n]* login '([^']*)' database [^\\n]* spid \\d+\\n"));
    const QString log = fx.server().logText();
    QStringList out;
    for (auto it = header.globalMatch(log); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

class ConnectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fx.startServer({QStringLiteral("semi:a;b")});
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")) + fx.plantSection(QStringLiteral("Filial"), QStringLiteral("a;b"), QStringLiteral("semi"))
                    + fx.plantSection(QStringLiteral("Errada"), QStringLiteral("errada")));
        fx.server().markLog();
        w = fx.openWindow();
        conecta = fx.find<QToolButton>(QStringLiteral("Conecta"));
        combo = fx.find<QComboBox>(QStringLiteral("PlantasCombo"));
    }
    qint64 glyph(const char *name) { return fx.find<QToolButton>(QString::fromLatin1(name))->icon().cacheKey(); }
    // Opens the plant list and clicks the item, as a person does.
    void choose(int index)
    {
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        const QPoint at = view->visualRect(combo->model()->index(index, 0)).center();
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        ASSERT_FALSE(view->window()->isVisible());
        QTest::qWait(0);
    }
    // Opens the plant list and moves down to the item with the arrow key, then Enter.
    void chooseByKeys(int downs)
    {
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_F4);
        QAbstractItemView *view = combo->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_FALSE(view->window()->isVisible());
        QTest::qWait(0);
    }

    AppFixture fx;
    UsersForm *w = nullptr;
    QToolButton *conecta = nullptr;
    QComboBox *combo = nullptr;
};

} // namespace

TEST_F(ConnectTest, StartUpConnectsTheFirstPlantAndOpensTheDatasetsInOrder)
{
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(w->shell().SERVER1->isOpen());
    EXPECT_EQ(combo->currentText(), QStringLiteral("Matriz"));
    EXPECT_EQ(w->shell().StatusBar1[0]->text(), QStringLiteral("Servidor: ") + fx.server().address());
    EXPECT_EQ(w->shell().StatusBar1[1]->text(), QStringLiteral("Banco de Dados: ORVO"));
    EXPECT_EQ(datasetOpens(fx), plantOrder);
    auto *grid = w->shell().ItensGRADE->model();
    ASSERT_EQ(grid->rowCount(), 4);
    QStringList names;
    for (int r = 0; r < 4; ++r)
        names << grid->index(r, 0).data().toString();
    EXPECT_EQ(names.first(), w->shell().SenhaSQL->asString(QStringLiteral("Nome")));
    names.sort();
    EXPECT_EQ(names, (QStringList{"José Araújo", "João da Silva", "Lúcia Gonçalves", "Maria Conceição"}));
    EXPECT_EQ(grid->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Listagem de usuários"));
    EXPECT_TRUE(w->shell().JobSQL->isOpen());
    EXPECT_EQ(w->shell().Data1SQL->asString(QStringLiteral("Marca")), QStringLiteral("BRAVIK"));
    EXPECT_EQ(w->shell().OrganizacaoSQL->asString(QStringLiteral("CNPJ")), QStringLiteral("90817263000169"));
    // Not visible while created: the closing at the start left the button alone, the opening set it.
    EXPECT_EQ(conecta->toolTip(), QStringLiteral("Desfaz conexão com o Servidor ..!"));
    EXPECT_EQ(conecta->icon().cacheKey(), glyph("Image1"));
    EXPECT_EQ(conecta->property("Tag").toInt(), 1);
}

TEST_F(ConnectTest, EachTickAdvancesOneFrame)
{
    const char *const expected[] = {"Image1", "Image2", "Image3", "Image4", "Image5", "Image1", "Image2"};
    const int tags[] = {2, 3, 4, 5, 1, 2, 3};
    for (int i = 0; i < 7; ++i) {
        w->Timer1Timer();
        EXPECT_EQ(conecta->icon().cacheKey(), glyph(expected[i])) << "tick " << i + 1;
        EXPECT_EQ(conecta->property("Tag").toInt(), tags[i]) << "tick " << i + 1;
    }
}

TEST_F(ConnectTest, ToggleClosesStopsTheAnimationAndReopensWithTheSameString)
{
    w->Timer1Timer();
    w->Timer1Timer();
    fx.click(QStringLiteral("Conecta"));
    EXPECT_FALSE(w->shell().SERVER1->isOpen());
    EXPECT_EQ(conecta->icon().cacheKey(), glyph("Image10"));
    EXPECT_EQ(conecta->property("Tag").toInt(), 10);
    EXPECT_EQ(conecta->toolTip(), QStringLiteral("Faz conexão com o Servidor ..!"));
    w->Timer1Timer();
    EXPECT_EQ(conecta->icon().cacheKey(), glyph("Image10"));

    // The INI file is not read again by the toggle.
    fx.writeIni(fx.plantSection(QStringLiteral("Matriz"), QStringLiteral("mudou")));
    fx.server().markLog();
    fx.click(QStringLiteral("Conecta"));
    EXPECT_TRUE(w->shell().SERVER1->isOpen());
    EXPECT_EQ(datasetOpens(fx), (QStringList{"SenhaSQL", "JobSQL"}));
    EXPECT_EQ(conecta->icon().cacheKey(), glyph("Image1"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
}

TEST_F(ConnectTest, ClosingThePlantListReconnectsEvenWithoutAChange)
{
    fx.server().markLog();
    w->Timer1Timer();
    int disconnects = 0, connects = 0;
    QObject::connect(w->shell().SERVER1, &Connection::afterDisconnect, [&] { ++disconnects; });
    // The signal comes before the window's handler: the button still shows the disconnection.
    QObject::connect(w->shell().SERVER1, &Connection::afterConnect, [&] {
        ++connects;
        EXPECT_EQ(conecta->icon().cacheKey(), glyph("Image10"));
        EXPECT_EQ(conecta->property("Tag").toInt(), 10);
    });
    choose(0);
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(datasetOpens(fx), plantOrder);
    EXPECT_EQ(conecta->icon().cacheKey(), glyph("Image1"));
    EXPECT_EQ(conecta->property("Tag").toInt(), 1);
}

TEST_F(ConnectTest, TheClickedOrEnterChosenPlantIsTheOneConnected)
{
    // Filial logs in as "semi": the server sees which plant the datasets came from.
    fx.server().markLog();
    choose(1);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Filial"));
    EXPECT_EQ(w->sectionInUse(), QStringLiteral("Filial"));
    EXPECT_TRUE(w->connectionString().contains(QStringLiteral("User ID=semi;")));
    EXPECT_EQ(datasetOpens(fx), plantOrder);
    const QStringList logins = batchLogins(fx);
    ASSERT_FALSE(logins.isEmpty());
    EXPECT_EQ(logins, QStringList(logins.size(), QStringLiteral("semi")));

    // Back to Matriz with the keys in the open list.
    fx.server().markLog();
    chooseByKeys(0);   // the list opens on Filial: no move keeps it
    EXPECT_EQ(w->sectionInUse(), QStringLiteral("Filial"));
    fx.server().markLog();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_F4);
    QTest::keyClick(combo->view(), Qt::Key_Up);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QTest::qWait(0);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Matriz"));
    EXPECT_EQ(w->sectionInUse(), QStringLiteral("Matriz"));
    EXPECT_EQ(datasetOpens(fx), plantOrder);
    EXPECT_EQ(batchLogins(fx), QStringList(batchLogins(fx).size(), QStringLiteral("orvo")));
    EXPECT_FALSE(batchLogins(fx).isEmpty());

    // Down twice and Enter: the plant with the refused login, shown in the error box.
    chooseByKeys(2);
    EXPECT_EQ(w->sectionInUse(), QStringLiteral("Errada"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
    EXPECT_FALSE(w->shell().SERVER1->isOpen());
}

TEST_F(ConnectTest, PlantWithSemicolonInThePasswordConnects)
{
    choose(1);
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(w->shell().SERVER1->isOpen());
    EXPECT_EQ(w->sectionInUse(), QStringLiteral("Filial"));
    EXPECT_TRUE(w->connectionString().contains(QStringLiteral("Password=\"a;b\";")));
    EXPECT_EQ(w->shell().SenhaSQL->recordCount(), 4);
}

TEST_F(ConnectTest, RefusedLoginIsShownAndTheStatusBarKeepsItsTexts)
{
    const QString server = w->shell().StatusBar1[0]->text();
    choose(2);
    ASSERT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
    const QString text = fx.prompter().texts().first();
    EXPECT_FALSE(text.contains(QLatin1String("[FreeTDS]"))) << qPrintable(text);
    EXPECT_FALSE(w->shell().SERVER1->isOpen());
    EXPECT_EQ(w->shell().StatusBar1[0]->text(), server);
    EXPECT_EQ(conecta->icon().cacheKey(), glyph("Image10"));
}

TEST_F(ConnectTest, PropertiesFlowShowsTheDialogThenConnectsTheSelectedPlantFromTheIni)
{
    fx.server().markLog();
    bool wasOpen = true;
    AppFixture::whenShown(fx.logon(), [&] {
        wasOpen = w->shell().SERVER1->isOpen();
        fx.logon()->close();
    });
    w->shell().action(QStringLiteral("PropCONECTA"))->trigger();
    EXPECT_FALSE(wasOpen);
    EXPECT_TRUE(w->shell().SERVER1->isOpen());
    EXPECT_EQ(datasetOpens(fx), plantOrder);
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
}

TEST_F(ConnectTest, ClosingTheWindowClosesTheUserList)
{
    EXPECT_TRUE(w->shell().SenhaSQL->isOpen());
    fx.key(QStringLiteral("ItensGRADE"), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->shell().SenhaSQL->isOpen());
}

TEST_F(ConnectTest, QtsOwnMenusAndFileChooserSpeakPortuguese)
{
    auto *registro = fx.find<QLineEdit>(QStringLiteral("Registro"));
    ASSERT_TRUE(registro && registro->isVisible());

    // The edit's own menu, opened with the right button.
    registro->setFocus();
    const QPoint at = registro->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, registro->mapToGlobal(at));
    QApplication::sendEvent(registro, &event);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    QStringList texts;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            texts << a->text().section(QLatin1Char('\t'), 0, 0);
    menu->close();
    EXPECT_TRUE(texts.contains(QStringLiteral("&Desfazer"))) << qPrintable(texts.join('|'));
    EXPECT_TRUE(texts.contains(QStringLiteral("C&olar"))) << qPrintable(texts.join('|'));
    EXPECT_FALSE(texts.contains(QStringLiteral("&Undo"))) << qPrintable(texts.join('|'));

    // The file chooser of a signature's "Carregar...", unlocked.
    fx.click(QStringLiteral("ULock"));
    w->shell().PageControl1->setCurrentWidget(w->shell().TabSheet2);
    auto *side = fx.find<QTabWidget>(QStringLiteral("PageControl2"));
    side->setCurrentIndex(1);
    QStringList labels;
    QString chooserClass;
    QTimer::singleShot(0, [&] {
        QWidget *chooser = QApplication::activeModalWidget();
        ASSERT_TRUE(chooser);
        chooserClass = QString::fromLatin1(chooser->metaObject()->className());
        for (QLabel *l : chooser->findChildren<QLabel *>())
            labels << l->text();
        for (QAbstractButton *b : chooser->findChildren<QAbstractButton *>())
            labels << b->text();
        chooser->close();
    });
    fx.click(QStringLiteral("cxDBPhotoCarregar"));
    EXPECT_EQ(chooserClass, QStringLiteral("QFileDialog"));
    EXPECT_TRUE(labels.contains(QStringLiteral("Arquivos do tipo:"))) << qPrintable(labels.join('|'));
    EXPECT_TRUE(labels.contains(QStringLiteral("Cancelar"))) << qPrintable(labels.join('|'));
    EXPECT_FALSE(labels.contains(QStringLiteral("Cancel"))) << qPrintable(labels.join('|'));
}
