#include "AppFixture.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "connection/Connection.h"
#include "connection/DbError.h"
#include "widgets/LogonForm.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Two plants on a port where nothing listens: every connection attempt fails fast.
const char *const unreachableIni = "[Matriz]\r\nServer=127.0.0.1,1\r\nDataBase=ORVO\r\nUserSQL=orvo\r\nPasswordSQL=orvo\r\n"
                                   "[Filial]\r\nServer=127.0.0.1,1\r\nDataBase=FILIAL\r\nUserSQL=orvo\r\nPasswordSQL=orvo\r\n";

qint64 glyphOf(AppFixture &fx, const char *name)
{
    return fx.find<QToolButton>(QString::fromLatin1(name))->icon().cacheKey();
}

} // namespace

TEST(MainWindow, ShellHasItsNamedPartsWithTheirTexts)
{
    AppFixture fx;
    UsersForm *w = fx.openWindow();
    EXPECT_EQ(w->objectName(), QStringLiteral("Users_Frm"));
    // The caption the platform window is given (the window manager's reading: app_x11_tests).
    ASSERT_TRUE(w->windowHandle());
    EXPECT_EQ(w->windowHandle()->title(), QStringLiteral("Cadastro e controle de Usuários"));

    struct B { const char *name, *caption, *hint; bool enabled; };
    for (const B &b : {B{"IncluiUSER", "&Novo", "Inclui novo registro ..!", false},
                       B{"ULock", "&Destravar", "Trava/destrava registro ..!", true},
                       B{"SalvaREC", "&Salvar", "Salvar registro ..!", false},
                       B{"ExcluiFOR", "&Excluir", "Exclui registro ..!", false},
                       B{"Fechar", "&Fechar", "Finaliza este aplicativo ..!", true}}) {
        auto *btn = fx.find<QToolButton>(QString::fromLatin1(b.name));
        ASSERT_NE(btn, nullptr) << b.name;
        EXPECT_EQ(btn->text(), QString::fromUtf8(b.caption));
        EXPECT_EQ(btn->toolTip(), QString::fromUtf8(b.hint));
        EXPECT_EQ(btn->isEnabled(), b.enabled) << b.name;
    }
    for (const char *name : {"NAV00", "CoolBar1", "ToolBar1", "ItensGRADE", "PlantasCombo", "Timer1", "SERVER1",
                             "ExecuteQUERY", "SenhaSQL", "SenhaDATA", "JobSQL", "JobDATA", "Data1SQL", "Data1DATA",
                             "OrganizacaoSQL", "OrganizacaoDATA", "MemoCCDB", "DataBaseSTRU", "ImportaKDXC",
                             "GetTriggers", "SemAcento"})
        EXPECT_NE(fx.findObject(QString::fromLatin1(name)), nullptr) << name;
    for (const char *name : {"LockIMAGE", "UnLockIMAGE", "Image1", "Image2", "Image3", "Image4", "Image5", "Image10",
                             "ConIMAGE", "UnConIMAGE"})
        EXPECT_TRUE(fx.find<QToolButton>(QString::fromLatin1(name))->isHidden()) << name;
    EXPECT_TRUE(fx.find<QPlainTextEdit>(QStringLiteral("MemoCCDB"))->isReadOnly());

    auto *pages = fx.find<QTabWidget>(QStringLiteral("PageControl1"));
    const QStringList names{"TabSheet1", "TabSheet2", "TabSheet4", "TabSheet5", "TabSheet12", "TabSheet13"};
    const QStringList captions{"  &Cadastro usuários  ", "    Menús e  &Rotinas    ", "  Conferir  ",
                               "  Habilitar/desabilitar", " Exportar Usuários ", " Programmability "};
    ASSERT_EQ(pages->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(pages->widget(i)->objectName(), names[i]);
        EXPECT_EQ(pages->tabText(i), captions[i]);
    }
    EXPECT_EQ(pages->currentIndex(), 0);

    const QStringList bar1{"Servidor: ??????", "Banco Dados: ??????", "Usuário: Administrator"};
    const QStringList bar{"Arquivo: ", "Posição:", "Versão 7.0"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w->shell().StatusBar[i]->text(), bar[i]);
        EXPECT_EQ(w->shell().StatusBar1[i]->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }
    EXPECT_EQ(w->shell().StatusBar[0]->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    // StatusBar1 (the upper one) keeps its start texts: no plant could be connected.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w->shell().StatusBar1[i]->text(), bar1[i]);

    auto *timer = fx.find<QTimer>(QStringLiteral("Timer1"));
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_TRUE(timer->isActive());
}

TEST(MainWindow, PopupMenuItemsInOrderWithTheirVisibility)
{
    AppFixture fx;
    UsersForm *w = fx.openWindow();
    const QList<QAction *> items = w->shell().MainMENU->actions();
    struct I { const char *name, *caption; bool visible, separator; };
    const I expected[] = {{"PropCONECTA", "Propriedades da Conexão", true, false}, {"N3", "", true, true},
                          {"StatusVendas", "Trava/destrava Vendas", true, false}, {"UpdateVendas", "Update Vendas", true, false},
                          {"SetaVendas", "Seta Vendas", true, false}, {"N1", "", false, true},
                          {"StatusCompras", "Trava/destrava Compras", false, false}, {"UpdateCompras", "Update Compras", false, false},
                          {"SetaCompras", "Seta Compras", true, false}, {"N2", "", true, true},
                          {"StatusQualidade", "Trava/destrava Qualidade", true, false},
                          {"UpdateQualidade", "Update Qualidade", true, false}, {"SetaQualidade", "Seta Qualidade", true, false}};
    ASSERT_EQ(items.size(), 13);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(items[i]->objectName(), QString::fromLatin1(expected[i].name));
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(expected[i].caption));
        EXPECT_EQ(items[i]->isVisible(), expected[i].visible) << expected[i].name;
        EXPECT_EQ(items[i]->isSeparator(), expected[i].separator) << expected[i].name;
    }
}

TEST(MainWindow, MissingIniFileGivesAnEmptyListAndOneErrorAtStart)
{
    AppFixture fx;   // no INI file written
    UsersForm *w = fx.openWindow();
    EXPECT_EQ(fx.find<QComboBox>(QStringLiteral("PlantasCombo"))->count(), 0);
    EXPECT_EQ(w->sectionInUse(), QStringLiteral("DEFAULT"));
    EXPECT_EQ(w->connectionString(), QStringLiteral("Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=;"
                                                    "Initial Catalog=;Data Source="));
    ASSERT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
    EXPECT_FALSE(fx.prompter().texts().first().contains(QStringLiteral("[FreeTDS]")));
}

TEST(MainWindow, FailedFirstConnectionLeavesTheStartButtonAndTicksChangeNothing)
{
    AppFixture fx;
    fx.writeIni(QString::fromLatin1(unreachableIni));
    UsersForm *w = fx.openWindow();
    auto *combo = fx.find<QComboBox>(QStringLiteral("PlantasCombo"));
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Matriz"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Filial"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("Matriz"));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
    EXPECT_FALSE(w->shell().SERVER1->isOpen());

    auto *conecta = fx.find<QToolButton>(QStringLiteral("Conecta"));
    EXPECT_EQ(conecta->icon().cacheKey(), glyphOf(fx, "Image10"));
    EXPECT_EQ(conecta->property("Tag").toInt(), 1);
    EXPECT_EQ(conecta->toolTip(), QStringLiteral("Faz conexão com o Servidor ..!"));
    for (int i = 0; i < 7; ++i)
        w->Timer1Timer();
    EXPECT_EQ(conecta->icon().cacheKey(), glyphOf(fx, "Image10"));
    EXPECT_EQ(conecta->property("Tag").toInt(), 1);
}

TEST(MainWindow, ConnectFailureOpensThePropertiesDialogThenReconnectsTheSelectedPlant)
{
    AppFixture fx;
    fx.writeIni(QString::fromLatin1(unreachableIni));
    UsersForm *w = fx.openWindow();
    fx.prompter().clear();
    bool dialogShown = false;
    AppFixture::whenShown(fx.logon(), [&] {
        dialogShown = fx.logon()->isModal();
        EXPECT_TRUE(fx.prompter().prompts().isEmpty());   // the failed opening itself is not shown
        fx.logon()->close();
    });
    fx.click(QStringLiteral("Conecta"));
    EXPECT_TRUE(dialogShown);
    EXPECT_FALSE(fx.logon()->isVisible());
    // the plant is connected again after the dialog closes, and that failure is shown
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
    EXPECT_FALSE(w->shell().SERVER1->isOpen());
}

TEST(MainWindow, ArrowKeysInThePlantListChangeNothingUntilTheListCloses)
{
    AppFixture fx;
    fx.writeIni(QString::fromLatin1(unreachableIni));
    UsersForm *w = fx.openWindow();
    fx.prompter().clear();
    auto *combo = fx.find<QComboBox>(QStringLiteral("PlantasCombo"));
    fx.key(QStringLiteral("PlantasCombo"), Qt::Key_Down);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Filial"));
    EXPECT_EQ(w->sectionInUse(), QStringLiteral("Matriz"));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
    // Opened with F4 and closed again with Esc, nothing chosen in the list.
    QTest::keyClick(combo, Qt::Key_F4);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(combo->view()->window()));
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible());
    QTRY_COMPARE(w->sectionInUse(), QStringLiteral("Filial"));
    EXPECT_TRUE(w->connectionString().contains(QStringLiteral("Initial Catalog=FILIAL;")));
    EXPECT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1);
}

TEST(MainWindow, EscapeInAnyControlClosesTheWindow)
{
    for (const char *control : {"PlantasCombo", "ItensGRADE", "MemoCCDB"}) {
        AppFixture fx;
        fx.writeIni(QString::fromLatin1(unreachableIni));
        UsersForm *w = fx.openWindow();
        if (QString::fromLatin1(control) == QStringLiteral("MemoCCDB"))
            w->shell().PageControl1->setCurrentWidget(w->shell().TabSheet12);
        fx.key(QString::fromLatin1(control), Qt::Key_Escape);
        EXPECT_FALSE(w->isVisible()) << control;
    }
}

TEST(MainWindow, FecharClosesTheWindow)
{
    AppFixture fx;
    fx.writeIni(QString::fromLatin1(unreachableIni));
    UsersForm *w = fx.openWindow();
    fx.click(QStringLiteral("Fechar"));
    EXPECT_FALSE(w->isVisible());
}

TEST(MainWindow, RightClickOnThePageOpensTheWindowMenu)
{
    AppFixture fx;
    fx.writeIni(QString::fromLatin1(unreachableIni));
    UsersForm *w = fx.openWindow();
    QWidget *page = w->shell().TabSheet5;
    w->shell().PageControl1->setCurrentWidget(page);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), page->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(page, &event);
    EXPECT_TRUE(w->shell().MainMENU->isVisible());
    w->shell().MainMENU->hide();
}

TEST(MainWindow, AUtf16ProgramIniListsItsPlantsAndGivesTheirValues)
{
    AppFixture fx;
    const QString text = QStringLiteral("[S\u00E3o Paulo]\r\nServer=127.0.0.1,1\r\nDataBase=F\u00C1BRICA\r\nUserSQL=orvo\r\n"
                                        "PasswordSQL=orvo\r\n[Matriz]\r\nServer=127.0.0.1,1\r\n");
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    QFile f(fx.iniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    UsersForm *w = fx.openWindow();
    auto *combo = fx.find<QComboBox>(QStringLiteral("PlantasCombo"));
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("S\u00E3o Paulo"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Matriz"));
    EXPECT_EQ(w->sectionInUse(), QStringLiteral("S\u00E3o Paulo"));
    EXPECT_TRUE(w->connectionString().contains(QStringLiteral("Initial Catalog=F\u00C1BRICA;Data Source=127.0.0.1,1")))
        << qPrintable(w->connectionString());
}

TEST(MainWindow, TheOutputMemoHasAHorizontalScrollBarAlsoWhenItsTextIsShort)
{
    AppFixture fx;
    UsersForm *w = fx.openWindow();
    auto *pages = fx.find<QTabWidget>(QStringLiteral("PageControl1"));
    QTabBar *bar = pages->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(pages->indexOf(w->shell().TabSheet12)).center());
    auto *memo = fx.find<QPlainTextEdit>(QStringLiteral("MemoCCDB"));
    ASSERT_TRUE(memo->isVisible());
    memo->setPlainText(QStringLiteral("x"));
    QApplication::processEvents();
    EXPECT_TRUE(memo->horizontalScrollBar()->isVisible());
}

// The window's handling of an error a handler raises: the text reaches the box whole, and a
// failure without any text is still a failure with a box.
TEST(MainWindow, AFailureReachesTheErrorBoxWithItsTextOrWithoutOne)
{
    AppFixture fx;
    UsersForm *w = fx.openWindow(false);
    const Shell &shell = w->shell();
    const QString accented = QStringLiteral("Não foi possível ler o arquivo /tmp/Relatórios/leitura ç.txt ..!");
    struct Case
    {
        const char *name;
        std::function<void()> handler;
        QString shown; // empty: any text, as long as there is one
    };
    const Case cases[] = {
        {"server error", [&] { throw DbError(accented, 50000); }, accented},
        {"other error", [&] { throw std::runtime_error(accented.toStdString()); }, accented},
        {"server error without text", [] { throw DbError(QString()); }, QString()},
        {"other error without text", [] { throw std::runtime_error(""); }, QString()},
    };
    for (const Case &c : cases) {
        for (const bool busy : {false, true}) {
            fx.prompter().clear();
            const bool done = busy ? shell.runBusy(c.handler) : shell.run(c.handler);
            EXPECT_FALSE(done) << c.name;
            const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
            ASSERT_EQ(errors.size(), 1) << c.name;
            if (c.shown.isEmpty())
                EXPECT_FALSE(errors.first().trimmed().isEmpty()) << c.name;
            else
                EXPECT_EQ(errors.first(), c.shown) << c.name;
            EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.name;
        }
    }
    fx.prompter().clear();
    EXPECT_TRUE(shell.runBusy([] {}));
    EXPECT_TRUE(fx.prompter().prompts().isEmpty());
}
