#include "ScriptedPrompter.h"
#include "connection/Connection.h"
#include "connection/PlantProfiles.h"
#include "widgets/LogonForm.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

class LogonFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        form = std::make_unique<LogonForm>(&prompter, dir.filePath(QStringLiteral("ORVO.INI")));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    template <class T>
    T *get(const char *name) { return form->findChild<T *>(QString::fromLatin1(name)); }
    void type(const char *name, const QString &text)
    {
        QWidget *w = get<QWidget>(name);
        w->setFocus();
        QTest::keyClicks(w, text);
    }
    QToolButton *salvar() { return get<QToolButton>("Salvar"); }
    QToolButton *conecta() { return get<QToolButton>("Conecta"); }
    QString connectionTextShown() { return get<QPlainTextEdit>("SConectEdit")->toPlainText(); }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    std::unique_ptr<LogonForm> form;
};

} // namespace

TEST_F(LogonFormTest, FirstShowingIsEmptyAndTheTestToggleDoesNothing)
{
    ASSERT_TRUE(form->windowHandle());
    EXPECT_EQ(form->windowHandle()->title(), QStringLiteral("Propriedades da Conexão"));
    EXPECT_TRUE(get<QComboBox>("ServerCombo")->currentText().isEmpty());
    EXPECT_TRUE(get<QComboBox>("BaseCombo")->currentText().isEmpty());
    EXPECT_TRUE(get<QLineEdit>("NameEdit")->text().isEmpty());
    EXPECT_EQ(get<QLineEdit>("PasswordEdit")->text(), QStringLiteral("quillmoss"));
    EXPECT_EQ(get<QLineEdit>("PasswordEdit")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(connectionTextShown().isEmpty());
    EXPECT_FALSE(get<QPlainTextEdit>("SConectEdit")->isEnabled());
    EXPECT_FALSE(salvar()->isEnabled());
    EXPECT_TRUE(conecta()->isEnabled());
    EXPECT_EQ(conecta()->icon().cacheKey(), get<QToolButton>("UnConIMAGE")->icon().cacheKey());
    QTest::mouseClick(conecta(), Qt::LeftButton);
    EXPECT_TRUE(prompter.prompts().isEmpty());
    EXPECT_FALSE(form->testConnection()->isOpen());
}

TEST_F(LogonFormTest, PasswordChangeRebuildsTextButAsksNothingOnClose)
{
    type("PasswordEdit", QStringLiteral("x;y"));
    const QString text = connectionTextShown();
    EXPECT_EQ(text, QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog="
                                   ";Data Source=;Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;"
                                   "Workstation ID=ORVO-SENHAS;Use Encryption for Data=False;"
                                   "Tag with column collation when possible=False"));
    EXPECT_FALSE(text.contains(QStringLiteral("x;y")));
    EXPECT_TRUE(salvar()->isEnabled());
    EXPECT_FALSE(conecta()->isEnabled());
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(prompter.prompts().isEmpty());
    EXPECT_FALSE(QFile::exists(form->profilePath()));
}

TEST_F(LogonFormTest, ServerChangeAloneClosesWithoutQuestionOrSave)
{
    type("ServerCombo", QStringLiteral("SRV01"));
    EXPECT_TRUE(connectionTextShown().contains(QStringLiteral(";Data Source=SRV01;")));
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(prompter.prompts().isEmpty());
    EXPECT_FALSE(QFile::exists(form->profilePath()));
}

TEST_F(LogonFormTest, CancelKeepsTheDialogOpenWithSaveDisabled)
{
    type("NameEdit", QStringLiteral("Fulano"));
    EXPECT_TRUE(salvar()->isEnabled());
    prompter.queueAnswer(Prompter::Answer::Cancel);
    form->close();
    ASSERT_EQ(prompter.texts(QStringLiteral("confirm")), QStringList{QStringLiteral("Conexão  foi modificada, salvar ?")});
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(salvar()->isEnabled());
}

TEST_F(LogonFormTest, NoClosesWithoutSavingAndTheNextShowingKeepsTheTexts)
{
    type("BaseCombo", QStringLiteral("ORVO2"));
    prompter.queueAnswer(Prompter::Answer::No);
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(prompter.texts(QStringLiteral("confirm")).size(), 1);
    EXPECT_FALSE(QFile::exists(form->profilePath()));

    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(get<QComboBox>("BaseCombo")->currentText(), QStringLiteral("ORVO2"));
    EXPECT_FALSE(conecta()->isEnabled());
    EXPECT_FALSE(salvar()->isEnabled());
    // still modified: the question comes again
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->close();
    EXPECT_EQ(prompter.texts(QStringLiteral("confirm")).size(), 2);
    EXPECT_EQ(IniFile(form->profilePath()).readString(QStringLiteral("Quorvel"), QStringLiteral("DataBase")), QStringLiteral("ORVO2"));
}

TEST_F(LogonFormTest, SaveStoresTheProfileAndEnablesTheTest)
{
    type("ServerCombo", QStringLiteral("127.0.0.1,1"));
    type("BaseCombo", QStringLiteral("ORVO"));
    type("NameEdit", QStringLiteral("Administrator"));
    QTest::mouseClick(salvar(), Qt::LeftButton);
    EXPECT_FALSE(salvar()->isEnabled());
    EXPECT_TRUE(conecta()->isEnabled());
    QFile f(form->profilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("[Quorvel]\r\nServer=127.0.0.1,1\r\nDataBase=ORVO\r\nName=Administrator\r\n"));
    EXPECT_FALSE(form->isModified());

    // Nothing listens there: the test connection fails with the dialog's own message.
    QTest::mouseClick(conecta(), Qt::LeftButton);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Conexão não efetuada, verifique as propriedades da mesma ..!")});
    EXPECT_EQ(prompter.prompts().first().kind, QStringLiteral("message"));
    EXPECT_FALSE(form->testConnection()->isOpen());
    EXPECT_EQ(conecta()->icon().cacheKey(), get<QToolButton>("UnConIMAGE")->icon().cacheKey());
    EXPECT_EQ(conecta()->toolTip(), QStringLiteral("Testa conexão com o Servidor ..!"));

    // saved: closing asks nothing
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(prompter.texts(QStringLiteral("confirm")).size(), 0);
}

TEST_F(LogonFormTest, SaveFailureIsShownAndTheDialogStaysAsItWas)
{
    form.reset(new LogonForm(&prompter, dir.filePath(QStringLiteral("no/such/folder/ORVO.INI"))));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    type("NameEdit", QStringLiteral("x"));
    prompter.queueAnswer(Prompter::Answer::Yes);
    form->close();
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(prompter.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(form->isModified());
}

TEST_F(LogonFormTest, EscapeDoesNotCloseTheDialog)
{
    QTest::keyClick(get<QWidget>("NameEdit"), Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(LogonFormTest, SaveKeepsTheEncodingAndTheOtherLinesOfOrvoIni)
{
    // The ORVO application's own file, in the Windows code page, with accents elsewhere.
    const QByteArray before = "[Empresa]\r\nRaz\xE3o=Metal\xFArgica S\xE3o Jos\xE9\r\n[Quorvel]\r\nServer=antigo\r\n";
    {
        QFile f(form->profilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    type("ServerCombo", QStringLiteral("SRV-01"));
    type("BaseCombo", QStringLiteral("ORVO"));
    type("NameEdit", QStringLiteral("Jos"));
    QTest::sendKeyEvent(QTest::Click, get<QWidget>("NameEdit"), Qt::Key_Eacute, QStringLiteral("\u00E9"), Qt::NoModifier);
    ASSERT_EQ(get<QLineEdit>("NameEdit")->text(), QStringLiteral("Jos\u00E9"));
    QTest::mouseClick(salvar(), Qt::LeftButton);
    EXPECT_TRUE(prompter.prompts().isEmpty());
    QFile f(form->profilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[Empresa]\r\nRaz\xE3o=Metal\xFArgica S\xE3o Jos\xE9\r\n[Quorvel]\r\nServer=SRV-01\r\n"
                                      "DataBase=ORVO\r\nName=Jos\xE9\r\n"));
}

TEST_F(LogonFormTest, EnterInTheEditableCombosAddsNoItem)
{
    for (const char *name : {"ServerCombo", "BaseCombo"}) {
        auto *combo = get<QComboBox>(name);
        type(name, QStringLiteral("ORVO1"));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        type(name, QStringLiteral("2"));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Enter);
        EXPECT_EQ(combo->count(), 0) << name;
        EXPECT_EQ(combo->currentText(), QStringLiteral("ORVO12")) << name;
    }
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(connectionTextShown().contains(QStringLiteral("Initial Catalog=ORVO12;Data Source=ORVO12;")));
}
