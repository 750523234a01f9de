// The switch of the ORVO application (page "  Habilitar/desabilitar") in the whole window,
// against an own sql-standin: the row of Jobs is read back with SQL, the order of the
// statements from the stand-in's log.
#include "AppFixture.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "connection/Connection.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "widgets/DbControls.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const QString kEnabledHint = QStringLiteral("Encerra todos os aplicativos ORVO.exe na Rede ..!");
const QString kDisabledHint = QStringLiteral("Libera todos os usuários para o aplicativos ORVO.EXE ..!");
const QString kQuestion = QStringLiteral("Deseja realmente DERRUBAR o aplicativo VALDOR de todas as estações ..!");

class SwitchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fx.startServer();
        fx.writeIni(fx.plantSection(QStringLiteral("Matriz")));
    }
    void open()
    {
        w = fx.openWindow();
        sh = &w->shell();
        libera = fx.find<QToolButton>(QStringLiteral("Libera"));
        mirr10 = fx.find<DbEdit>(QStringLiteral("Mirr10"));
        ASSERT_TRUE(libera && mirr10);
    }
    // The switch page, then its button, as a person does.
    void clickLibera()
    {
        sh->PageControl1->setCurrentWidget(sh->TabSheet5);
        QTest::mouseClick(libera, Qt::LeftButton);
    }
    void reconnect()
    {
        fx.click(QStringLiteral("Conecta"));
        fx.click(QStringLiteral("Conecta"));
        ASSERT_TRUE(sh->JobSQL->isOpen());
    }
    QVariantList jobs(const QString &columns = QStringLiteral("Estado, DataFT, RespFT, DataRT, RespRT"))
    {
        const QList<QVariantList> r = fx.rows(QStringLiteral("SELECT %1 FROM Jobs").arg(columns));
        return r.size() == 1 ? r.first() : QVariantList {QStringLiteral("rows: %1").arg(r.size())};
    }
    QDateTime serverNow() { return fx.scalar(QStringLiteral("SELECT GETDATE()")).toDateTime(); }
    bool showsEnabled() const { return libera->icon().cacheKey() == sh->ConIMAGE->icon().cacheKey(); }
    bool showsDisabled() const { return libera->icon().cacheKey() == sh->UnConIMAGE->icon().cacheKey(); }
    QString text(const char *name) { return fx.find<QLineEdit>(QString::fromLatin1(name))->text(); }
    // Index of the first logged batch that starts with the text; -1 when none.
    static int indexOf(const QStringList &batches, const QString &start)
    {
        for (int i = 0; i < batches.size(); ++i)
            if (batches[i].startsWith(start))
                return i;
        return -1;
    }

    AppFixture fx;
    UsersForm *w = nullptr;
    const Shell *sh = nullptr;
    QToolButton *libera = nullptr;
    DbEdit *mirr10 = nullptr;
};

} // namespace

TEST_F(SwitchTest, ThePageShowsTheStateAndTheLastStamps)
{
    open();
    EXPECT_EQ(mirr10->text(), QStringLiteral("0"));
    EXPECT_TRUE(mirr10->isHidden());
    EXPECT_FALSE(mirr10->isEnabled());
    EXPECT_TRUE(sh->TabSheet1->isAncestorOf(mirr10));
    EXPECT_TRUE(showsEnabled());
    EXPECT_EQ(libera->toolTip(), kEnabledHint);
    EXPECT_TRUE(sh->TabSheet5->isAncestorOf(libera));
    EXPECT_EQ(text("MirrDataFT"), QStringLiteral("28/11/2026 18:30"));
    EXPECT_EQ(text("MirrRespFT"), QStringLiteral("orvo"));
    EXPECT_EQ(text("MirrDataRT"), QStringLiteral("30/11/2026 07:00"));
    EXPECT_EQ(text("MirrRespRT"), QStringLiteral("orvo"));
    for (const char *name : {"MirrDataFT", "MirrRespFT", "MirrDataRT", "MirrRespRT"}) {
        auto *edit = fx.find<QLineEdit>(QString::fromLatin1(name));
        EXPECT_TRUE(edit->isReadOnly()) << name;
        EXPECT_EQ(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter) << name;
    }
    EXPECT_EQ(sh->JobSQL->sql(), QStringLiteral("SELECT     Jobs.*\r\nFROM         Jobs"));
}

TEST_F(SwitchTest, DisableAsksThenReenableStampsWithTheServersClockAndLogin)
{
    // Another login than the window's own check connection, to tell SYSTEM_USER apart.
    fx.server().stop();
    fx.startServer({QStringLiteral("admin_planta:s3nha")});
    fx.writeIni(fx.plantSection(QStringLiteral("Matriz"), QStringLiteral("s3nha"), QStringLiteral("admin_planta")));
    open();
    const QVariantList before = jobs();

    fx.server().markLog();
    const QDateTime t0 = serverNow();
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    clickLibera();
    const QDateTime t1 = serverNow();
    EXPECT_EQ(fx.prompter().texts(), QStringList {kQuestion});

    QVariantList after = jobs();
    EXPECT_EQ(after.value(0).toInt(), 1);
    EXPECT_GE(after.value(1).toDateTime(), t0.addMSecs(-10));
    EXPECT_LE(after.value(1).toDateTime(), t1.addMSecs(10));
    EXPECT_EQ(after.value(2).toString(), QStringLiteral("admin_planta"));
    EXPECT_EQ(after.value(3), before.value(3)); // the previous re-enabling stays
    EXPECT_EQ(after.value(4), before.value(4));
    // Post, then stamp, then the list again.
    const QStringList batches = fx.server().batches();
    const int post = indexOf(batches, QStringLiteral("UPDATE [Jobs] SET [Estado] = 1"));
    const int stamp = indexOf(batches, QStringLiteral("Update Jobs SET DataFT = GetDate(), RespFT = SYSTEM_USER"));
    const int reopen = indexOf(batches, QStringLiteral("SELECT     Jobs.*\r\nFROM         Jobs"));
    EXPECT_TRUE(post >= 0 && post < stamp && stamp < reopen) << qPrintable(batches.join(QStringLiteral("\n--\n")));
    EXPECT_EQ(batches.value(stamp), QStringLiteral("Update Jobs SET DataFT = GetDate(), RespFT = SYSTEM_USER"));
    EXPECT_TRUE(sh->JobSQL->isOpen());
    EXPECT_EQ(mirr10->text(), QStringLiteral("1"));
    EXPECT_TRUE(showsDisabled());
    EXPECT_EQ(libera->toolTip(), kDisabledHint);
    EXPECT_EQ(text("MirrRespFT"), QStringLiteral("admin_planta"));
    EXPECT_EQ(text("MirrDataFT"), after.value(1).toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")));

    // Re-enabling asks nothing.
    fx.prompter().clear();
    fx.server().markLog();
    clickLibera();
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    const QVariantList again = jobs();
    EXPECT_EQ(again.value(0).toInt(), 0);
    EXPECT_EQ(again.value(1), after.value(1));
    EXPECT_EQ(again.value(2), after.value(2));
    EXPECT_GE(again.value(3).toDateTime(), t1.addMSecs(-10));
    EXPECT_EQ(again.value(4).toString(), QStringLiteral("admin_planta"));
    EXPECT_GE(
        indexOf(fx.server().batches(), QStringLiteral("Update Jobs SET DataRT = GetDate(), RespRT = SYSTEM_USER")), 0);
    EXPECT_TRUE(showsEnabled());
    EXPECT_EQ(libera->toolTip(), kEnabledHint);
    EXPECT_EQ(text("MirrRespRT"), QStringLiteral("admin_planta"));
}

TEST_F(SwitchTest, NoKeepsTheApplicationUpAndTheCloseBoxTakesItDown)
{
    open();
    fx.server().markLog();
    fx.prompter().queueAnswer(Prompter::Answer::No);
    clickLibera();
    EXPECT_TRUE(fx.server().batches().isEmpty());
    EXPECT_EQ(jobs().value(0).toInt(), 0);

    fx.prompter().queueAnswer(Prompter::Answer::Closed);
    clickLibera();
    EXPECT_EQ(jobs().value(0).toInt(), 1);
    EXPECT_EQ(fx.prompter().texts(), (QStringList {kQuestion, kQuestion}));
    EXPECT_EQ(fx.prompter().unexpected(), 0);
}

// The question in the application's own message box: Esc answers No, Enter Yes, the close box
// goes on like Yes.
TEST_F(SwitchTest, EscAndEnterInTheQuestionBox)
{
    QtPrompter boxes;
    UsersForm form(&boxes, fx.iniPath());
    form.FormCreate();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto *button = form.findChild<QToolButton *>(QStringLiteral("Libera"));
    ASSERT_TRUE(button);
    form.shell().PageControl1->setCurrentWidget(form.shell().TabSheet5);

    QString asked;
    auto answerWith = [&asked](Qt::Key key) {
        QTimer::singleShot(0, [&asked, key] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            asked = box->text();
            QTest::keyClick(box, key);
        });
    };
    answerWith(Qt::Key_Escape);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(asked, kQuestion);
    EXPECT_EQ(jobs().value(0).toInt(), 0);
    EXPECT_TRUE(form.isVisible()); // Esc in the box does not close the window

    asked.clear();
    answerWith(Qt::Key_Return);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(asked, kQuestion);
    EXPECT_EQ(jobs().value(0).toInt(), 1);

    // Enabled again; then the box's close box (a close request to the box, as the window
    // manager sends it) answers nothing, and the click goes on to disable.
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(jobs().value(0).toInt(), 0);
    asked.clear();
    QTimer::singleShot(0, [&asked] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        asked = box->text();
        box->close();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(asked, kQuestion);
    EXPECT_EQ(jobs().value(0).toInt(), 1);
}

TEST_F(SwitchTest, AnyStateButZeroCountsAsDisabled)
{
    fx.exec(QStringLiteral("UPDATE Jobs SET Estado = 2"));
    open();
    EXPECT_EQ(mirr10->text(), QStringLiteral("2"));
    EXPECT_TRUE(showsDisabled());
    EXPECT_EQ(libera->toolTip(), kDisabledHint);
    clickLibera();
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    const QVariantList row = jobs();
    EXPECT_EQ(row.value(0).toInt(), 0);
    EXPECT_EQ(row.value(4).toString(), QStringLiteral("orvo"));
    EXPECT_GT(row.value(3).toDateTime(), QDateTime(QDate(2026, 11, 30), QTime(7, 0)));
    EXPECT_TRUE(showsEnabled());
}

TEST_F(SwitchTest, AnEmptyJobsTableGetsItsRowOnTheFirstClick)
{
    fx.exec(QStringLiteral("DELETE FROM Jobs"));
    open();
    EXPECT_TRUE(mirr10->text().isEmpty());
    EXPECT_TRUE(showsDisabled());
    EXPECT_EQ(libera->toolTip(), kDisabledHint);
    clickLibera();
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join('\n'));
    const QVariantList row = jobs();
    ASSERT_EQ(row.size(), 5) << qPrintable(row.value(0).toString());
    EXPECT_EQ(row.value(0).toInt(), 0);
    EXPECT_TRUE(row.value(1).isNull());
    EXPECT_TRUE(row.value(2).isNull());
    EXPECT_FALSE(row.value(3).isNull());
    EXPECT_EQ(row.value(4).toString(), QStringLiteral("orvo"));
    EXPECT_EQ(mirr10->text(), QStringLiteral("0"));
    EXPECT_TRUE(showsEnabled());

    // Emptied again while the window runs: the next opening shows the disabled picture.
    fx.exec(QStringLiteral("DELETE FROM Jobs"));
    reconnect();
    EXPECT_TRUE(showsDisabled());
}

TEST_F(SwitchTest, WithoutAConnectionTheClickShowsTheDatasetsError)
{
    fx.writeIni(
        QStringLiteral("[Matriz]\r\nServer=127.0.0.1,1\r\nDataBase=ORVO\r\nUserSQL=orvo\r\nPasswordSQL=orvo\r\n"));
    open();
    fx.prompter().clear();
    ASSERT_FALSE(sh->JobSQL->isOpen());
    EXPECT_TRUE(mirr10->text().isEmpty());
    EXPECT_TRUE(showsEnabled()); // no change yet: the first picture
    EXPECT_EQ(libera->toolTip(), kEnabledHint);
    clickLibera();
    ASSERT_EQ(fx.prompter().texts(QStringLiteral("error")).size(), 1) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("error")).first().contains(QStringLiteral("JobSQL")));
    EXPECT_TRUE(fx.prompter().texts(QStringLiteral("confirm")).isEmpty());
}

TEST_F(SwitchTest, ARefusedStampLeavesTheStateStoredAndJobsClosed)
{
    // A login longer than RespFT: the post passes, the stamp is refused.
    const QString login = QStringLiteral("administrador_da_planta_de_sao_bernardo_do_campo_turno_b");
    ASSERT_GT(login.size(), 50);
    fx.server().stop();
    fx.startServer({login + QStringLiteral(":s3nha")});
    fx.writeIni(fx.plantSection(QStringLiteral("Matriz"), QStringLiteral("s3nha"), login));
    open();
    fx.prompter().queueAnswer(Prompter::Answer::Yes);
    clickLibera();
    const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 1) << qPrintable(fx.prompter().texts().join('\n'));
    EXPECT_TRUE(errors.first().contains(QStringLiteral("truncated"))) << qPrintable(errors.first());
    const QVariantList row = jobs();
    EXPECT_EQ(row.value(0).toInt(), 1); // posted before the stamp
    EXPECT_EQ(row.value(1).toDateTime(), QDateTime(QDate(2026, 11, 28), QTime(18, 30)));
    EXPECT_FALSE(sh->JobSQL->isOpen());
    EXPECT_TRUE(mirr10->text().isEmpty());
    EXPECT_TRUE(showsDisabled());

    // The next opening of the main connection shows the stored state.
    reconnect();
    EXPECT_EQ(mirr10->text(), QStringLiteral("1"));
}
