#include "AppFixture.h"
#include "connection/Connection.h"
#include "connection/PlantProfiles.h"
#include "widgets/LogonForm.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

// The dialog's own text uses integrated authentication, which the stand-in does not offer;
// a text with a SQL login put into the (display-only) memo exercises the toggle's success path.
TEST(LogonFormServer, TestToggleOpensAndClosesItsOwnConnection)
{
    AppFixture fx;
    fx.startServer();
    ScriptedPrompter prompter;
    LogonForm form(&prompter, fx.dir() + QStringLiteral("/ORVO.INI"));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    PlantProfile p;
    p.server = fx.server().address();
    p.database = QStringLiteral("ORVO");
    p.userSql = QStringLiteral("orvo");
    p.passwordSql = QStringLiteral("orvo");
    form.findChild<QPlainTextEdit *>(QStringLiteral("SConectEdit"))->setPlainText(p.connectionString());
    auto *conecta = form.findChild<QToolButton *>(QStringLiteral("Conecta"));
    const qint64 plugged = form.findChild<QToolButton *>(QStringLiteral("ConIMAGE"))->icon().cacheKey();
    const qint64 unplugged = form.findChild<QToolButton *>(QStringLiteral("UnConIMAGE"))->icon().cacheKey();

    QTest::mouseClick(conecta, Qt::LeftButton);
    EXPECT_TRUE(form.testConnection()->isOpen());
    EXPECT_EQ(conecta->icon().cacheKey(), plugged);
    EXPECT_EQ(conecta->toolTip(), QStringLiteral("Desfaz conexão com o Servidor ..!"));
    EXPECT_TRUE(prompter.prompts().isEmpty());

    QTest::mouseClick(conecta, Qt::LeftButton);
    EXPECT_FALSE(form.testConnection()->isOpen());
    EXPECT_EQ(conecta->icon().cacheKey(), unplugged);
    EXPECT_EQ(conecta->toolTip(), QStringLiteral("Testa conexão com o Servidor ..!"));

    // Open again; closing the dialog closes it.
    QTest::mouseClick(conecta, Qt::LeftButton);
    ASSERT_TRUE(form.testConnection()->isOpen());
    form.close();
    EXPECT_FALSE(form.testConnection()->isOpen());
}
