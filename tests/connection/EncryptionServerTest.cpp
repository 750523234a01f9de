// Encrypted connections to a server with a certificate: the database layer, the window and
// orvo-admin, each reading the plant's Encrypt, TrustServerCertificate and CAFile keys.
#include "AppFixture.h"
#include "TlsTestSupport.h"
#include "app/Shell.h"
#include "app/UsersForm.h"
#include "connection/Connection.h"
#include "connection/DbError.h"
#include "connection/PlantProfiles.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

class EncryptionServer : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { certificates = new TestCertificates; }
    static void TearDownTestSuite() { delete certificates; }

    void startServer(bool otherHostCertificate, bool force)
    {
        QStringList args {QStringLiteral("--tls-cert"),
                          otherHostCertificate ? certificates->otherHostCert() : certificates->serverCert(),
                          QStringLiteral("--tls-key"),
                          otherHostCertificate ? certificates->otherHostKey() : certificates->serverKey()};
        if (force)
            args << QStringLiteral("--force-encryption");
        fx.server().start({}, args);
    }
    // The plant "Segura" with the given extra keys, one "Key=value" a line.
    void writePlant(const QString &keys)
    {
        QString extra = keys;
        extra.replace(QStringLiteral("%CA%"), certificates->caFile());
        fx.writeIni(fx.plantSection(QStringLiteral("Segura")) + extra);
    }
    // Opens the plant through the database layer: "encrypted", "clear" or the refusal's text.
    QString openPlant()
    {
        const PlantProfile p = PlantProfile::read(IniFile(fx.iniPath()), QStringLiteral("Segura"));
        Connection c;
        c.setConnectionString(p.connectionString());
        c.setDriver(p.driver);
        try {
            c.open();
            return c.isEncrypted() ? QStringLiteral("encrypted") : QStringLiteral("clear");
        } catch (const DbError &e) {
            return QStringLiteral("refused: ") + e.message();
        }
    }

    static TestCertificates *certificates;
    AppFixture fx;
};
TestCertificates *EncryptionServer::certificates = nullptr;

} // namespace

TEST_F(EncryptionServer, AServerThatForcesEncryptionGetsTheWholeSessionEncrypted)
{
    startServer(false, true);
    const QString keys[] = {
        QString(), // no keys: the server insists, the tool goes along
        QStringLiteral("Encrypt=yes\r\nCAFile=%CA%\r\n"),
        QStringLiteral("Encrypt=yes\r\nTrustServerCertificate=yes\r\n"),
    };
    for (const QString &k : keys) {
        writePlant(k);
        EXPECT_EQ(openPlant(), QStringLiteral("encrypted")) << qPrintable(k);
    }
}

TEST_F(EncryptionServer, ACertificateIsTrustedOnlyFromTheNamedAuthorityAndForItsOwnHost)
{
    struct Case
    {
        bool otherHost;
        QString keys;
        bool connects;
    };
    const Case cases[] = {
        {false, QStringLiteral("Encrypt=yes\r\nTrustServerCertificate=no\r\n"), false}, // not in the system's store
        {false, QStringLiteral("Encrypt=yes\r\nTrustServerCertificate=no\r\nCAFile=%CA%\r\n"), true},
        {true, QStringLiteral("Encrypt=yes\r\nCAFile=%CA%\r\n"), false}, // issued to outro.exemplo
        {true, QStringLiteral("Encrypt=yes\r\nTrustServerCertificate=yes\r\n"), true},
        {true, QString(), true}, // no keys: the login is encrypted, nothing is checked, as before
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(QStringLiteral("%1 %2").arg(c.otherHost).arg(c.keys)));
        startServer(c.otherHost, false);
        writePlant(c.keys);
        const QString outcome = openPlant();
        if (c.connects) {
            EXPECT_EQ(outcome, c.keys.isEmpty() ? QStringLiteral("clear") : QStringLiteral("encrypted"));
        } else {
            EXPECT_TRUE(outcome.startsWith(QStringLiteral("refused: "))) << qPrintable(outcome);
            // The driver's reason, and what the plant's keys have to do with it.
            EXPECT_TRUE(outcome.contains(QStringLiteral("connection failed"))) << qPrintable(outcome);
            EXPECT_TRUE(outcome.contains(QStringLiteral("CAFile"))) << qPrintable(outcome);
        }
        fx.server().stop();
    }
}

TEST_F(EncryptionServer, WindowShowsTheDriversRefusalAndConnectsOnceTheAuthorityIsNamed)
{
    startServer(false, true);
    writePlant(QStringLiteral("Encrypt=yes\r\n"));
    {
        UsersForm *w = fx.openWindow();
        EXPECT_FALSE(w->shell().SERVER1->isOpen());
        const QStringList errors = fx.prompter().texts(QStringLiteral("error"));
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].contains(QStringLiteral("connection failed"))) << qPrintable(errors[0]);
        EXPECT_TRUE(errors[0].contains(QStringLiteral("Encrypt"))) << qPrintable(errors[0]);
    }
    fx.prompter().clear();
    writePlant(QStringLiteral("Encrypt=yes\r\nCAFile=%CA%\r\n"));
    UsersForm *w = fx.openWindow();
    EXPECT_TRUE(fx.prompter().prompts().isEmpty()) << qPrintable(fx.prompter().texts().join(u'\n'));
    ASSERT_TRUE(w->shell().SERVER1->isOpen());
    EXPECT_TRUE(w->shell().SERVER1->isEncrypted());
}

TEST_F(EncryptionServer, OrvoAdminEndsWithNoConnectionForAnUntrustedCertificate)
{
    startServer(false, true);
    auto run = [&](const QStringList &command = {QStringLiteral("exportar-usuario"), QStringLiteral("Segura"),
                                                 QStringLiteral("0001")}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(ORVO_ADMIN_PATH), QStringList {QStringLiteral("--ini"), fx.iniPath()} + command);
        p.waitForFinished(60000);
        return std::make_pair(p.exitCode(), QString::fromUtf8(p.readAll()));
    };
    writePlant(QStringLiteral("Encrypt=yes\r\n"));
    auto [refused, refusedText] = run();
    EXPECT_EQ(refused, 3) << qPrintable(refusedText);
    writePlant(QStringLiteral("Encrypt=yes\r\nCAFile=%CA%\r\n"));
    auto [trusted, trustedText] = run();
    EXPECT_EQ(trusted, 0) << qPrintable(trustedText);
    EXPECT_TRUE(trustedText.contains(QStringLiteral("INSERT"))) << qPrintable(trustedText);
    // status says the session is encrypted, as the server reports it.
    auto [status, statusText] = run({QStringLiteral("status"), QStringLiteral("Segura")});
    EXPECT_TRUE(statusText.contains(QStringLiteral("  Criptografia: sim (toda a sessão)\n"))) << qPrintable(statusText);
}
