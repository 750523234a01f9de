// Encrypted connections to sql-standin through QODBC, unixODBC and FreeTDS: what the server
// negotiates for each client setting, and what a listener on the wire gets to read.
#include "StandinProcess.h"
#include "TdsTestClient.h"
#include "TlsTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString kLogin = QStringLiteral("leitor_sigiloso");
const QString kDatabase = QStringLiteral("CofreORVO");
const QString kAsk = QStringLiteral("SELECT encrypt_option FROM sys.dm_exec_connections WHERE session_id = @@SPID");

class TlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { certificates = new TestCertificates; }
    static void TearDownTestSuite() { delete certificates; }

    void startServer(const QStringList& extra = {})
    {
        QString err;
        ASSERT_TRUE(server.start(QStringList {QStringLiteral("--login"), kLogin + QStringLiteral(":s3nh@"),
                                              QStringLiteral("--database"), kDatabase, QStringLiteral("--tls-cert"),
                                              certificates->serverCert(), QStringLiteral("--tls-key"),
                                              certificates->serverKey()}
                                     + extra,
                                 &err))
            << err.toStdString();
    }

    // Connects with FreeTDS's encryption setting `encryption` (off, request, require) to `port`;
    // on success returns the server's encrypt_option for the session, else "refused: <error>".
    QString connectAndAsk(int port, const QString& encryption, const QString& extraBatch = QString())
    {
        QString answer;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("tls"));
            db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=10"));
            db.setDatabaseName(QStringLiteral("Driver=FreeTDS;Server=127.0.0.1;Port=%1;Database=%2;UID=%3;PWD=s3nh@;"
                                              "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=%4")
                                   .arg(port)
                                   .arg(kDatabase, kLogin, encryption));
            if (!db.open()) {
                answer = QStringLiteral("refused: ") + db.lastError().text();
            } else {
                QSqlQuery q(db);
                q.setForwardOnly(true);
                if (!extraBatch.isEmpty()) {
                    EXPECT_TRUE(q.exec(extraBatch)) << q.lastError().text().toStdString();
                    EXPECT_TRUE(q.next());
                    EXPECT_EQ(q.value(0).toInt(), 7);
                }
                EXPECT_TRUE(q.exec(kAsk)) << q.lastError().text().toStdString();
                answer = q.next() ? q.value(0).toString() : QStringLiteral("no row");
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("tls"));
        return answer;
    }

    static TestCertificates* certificates;
    StandinProcess server;
};
TestCertificates* TlsTest::certificates = nullptr;

}  // namespace

TEST_F(TlsTest, ForcedEncryptionRefusesClearClientsAndEncryptsTheOthersWhole)
{
    startServer({QStringLiteral("--force-encryption")});
    EXPECT_TRUE(connectAndAsk(server.port, QStringLiteral("off")).startsWith(QStringLiteral("refused: ")));
    // Nor does a client that logs in without PRELOGIN get through.
    TdsTestClient raw;
    ASSERT_TRUE(raw.connect(server.port));
    raw.sendMessage(0x10, TdsTestClient::login7(kLogin, QStringLiteral("s3nh@"), kDatabase));
    EXPECT_TRUE(raw.waitClosed());
    // A client that only accepts encryption is told to encrypt everything.
    EXPECT_EQ(connectAndAsk(server.port, QStringLiteral("request")), QStringLiteral("TRUE"));
    // A batch spread over several packets (and TLS records) arrives whole.
    const QString longBatch = QStringLiteral("/*") + QString(30000, u'x') + QStringLiteral("*/ SELECT 7");
    EXPECT_EQ(connectAndAsk(server.port, QStringLiteral("require"), longBatch), QStringLiteral("TRUE"));
}

TEST_F(TlsTest, ForcedEncryptionNeedsACertificate)
{
    const ToolResult r =
        runTool(QStringLiteral(SQL_STANDIN_PATH),
                {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--force-encryption")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.contains(QStringLiteral("--tls-cert"))) << r.out.toStdString();
}

TEST_F(TlsTest, AListenerOnTheWireReadsOnlyWhatTravelsInClear)
{
    startServer();
    struct Case {
        const char* encryption;
        const char* encryptOption;
        bool loginInClear, databaseInClear, statementInClear;
    };
    // "request": the server offers encryption and the client takes it for the login only; the
    // login answer (which names the database) and the statements then travel in clear.
    const Case cases[] = {
        {"off", "FALSE", true, true, true},
        {"request", "FALSE", false, true, true},
        {"require", "TRUE", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encryption);
        LoopbackRelay relay(server.port);
        EXPECT_EQ(connectAndAsk(relay.port(), QString::fromLatin1(c.encryption)), QString::fromLatin1(c.encryptOption));
        EXPECT_EQ(relay.sawUtf16(kLogin), c.loginInClear);
        EXPECT_EQ(relay.sawUtf16(kDatabase), c.databaseInClear);
        EXPECT_EQ(relay.sawUtf16(kAsk), c.statementInClear);
    }
}

TEST_F(TlsTest, WithoutACertificateTheServerSaysItCannotEncrypt)
{
    QString err;
    ASSERT_TRUE(server.start(
        {QStringLiteral("--login"), kLogin + QStringLiteral(":s3nh@"), QStringLiteral("--database"), kDatabase}, &err))
        << err.toStdString();
    EXPECT_EQ(connectAndAsk(server.port, QStringLiteral("request")), QStringLiteral("FALSE"));
    EXPECT_TRUE(connectAndAsk(server.port, QStringLiteral("require")).startsWith(QStringLiteral("refused: ")));
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
