// sql-standin seen through real clients: FreeTDS tsql and bsqldb, unixODBC isql, and raw TDS.
#include "StandinProcess.h"
#include "TdsTestClient.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

namespace {

enum : uint16_t { DoneMore = 0x01, DoneError = 0x02, DoneCount = 0x10 };

QStringList typesServerArgs(StandinProcess& s)
{
    const QString script = s.writeFile(QStringLiteral("types.sql"), kTypesScript);
    return {QStringLiteral("--login"), QStringLiteral("orvo:s3nh@"), QStringLiteral("--database"),
            QStringLiteral("ORVO=") + script, QStringLiteral("--database"), QStringLiteral("Vuzur")};
}

QStringList tsqlArgs(const StandinProcess& s, const QString& user, const QString& password, const QString& db)
{
    return {QStringLiteral("-H"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(s.port),
            QStringLiteral("-U"), user, QStringLiteral("-P"), password, QStringLiteral("-D"), db};
}

void expectValues(const QString& out, std::initializer_list<const char*> values)
{
    for (const char* v : values)
        EXPECT_TRUE(out.contains(QString::fromUtf8(v), Qt::CaseInsensitive)) << v << "\n" << out.toStdString();
}

void expectEveryTypeValue(const QString& out)
{
    expectValues(out, {"Conceição", "Peças", "ção", "máx", "9000000000", "-32768", "255", "12.3456", "-92233720368.5477",
                       "1234567890123456.78", "ffd8ffe0", "Vazio", "6F9619FF-8B86-D011-B42D-00C04FC96401"});
}

}  // namespace

TEST(StandinClients, TsqlRunsStatementsAndReadsEveryType)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    const ToolResult r = runTool(QStringLiteral("tsql"), tsqlArgs(s, QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")),
                                 "SELECT * FROM Tipos ORDER BY IdTipo\ngo\n"
                                 "INSERT INTO Tipos (Nome) VALUES (N'Terceiro')\ngo\n"
                                 "SELECT COUNT(*) AS Quantos FROM Tipos\ngo\nexit\n");
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString();
    expectEveryTypeValue(r.out);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Quantos\n3\n"))) << r.out.toStdString();
}

TEST(StandinClients, EveryTdsVersionFreeTdsNegotiatesWorks)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    for (const char* version : {"7.1", "7.2", "7.3", "7.4"}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TDSVER"), QString::fromLatin1(version));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("tsql"), tsqlArgs(s, QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")));
        p.write("SELECT * FROM Tipos ORDER BY IdTipo\ngo\nSELECT Memo, Foto FROM Tipos WHERE IdTipo = 1\ngo\nexit\n");
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(30000)) << version;
        const QString out = QString::fromUtf8(p.readAll());
        SCOPED_TRACE(version);
        expectEveryTypeValue(out);
        EXPECT_TRUE(out.contains(QStringLiteral("máx\tffd8ffe0"))) << out.toStdString();
    }
}

TEST(StandinClients, DateAndTimeTypesReachOdbcInEveryVersion)
{
    // TDS 7.3 brought date, time and datetime2; older clients get them as text, which ODBC shows alike.
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    for (const char* version : {"7.1", "7.2", "7.3", "7.4"}) {
        QString cs = s.odbcConnectionString(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO"));
        cs.replace(QStringLiteral("TDS_Version=7.4"), QStringLiteral("TDS_Version=") + QString::fromLatin1(version));
        const ToolResult r = runTool(QStringLiteral("isql"), {QStringLiteral("-v"), QStringLiteral("-k"), cs, QStringLiteral("-b"),
                                     QStringLiteral("-d|"), QStringLiteral("-c")}, "SELECT * FROM Datas\n");
        EXPECT_TRUE(r.out.contains(QStringLiteral("2025-10-01|13:45:10.123|2025-10-01 13:45:10.123|2025-10-01 13:45:00")))
            << version << "\n" << r.out.toStdString();
        // datetimeoffset travels as its UTC instant and offset (7.3 on) and reads back in local time.
        EXPECT_TRUE(r.out.contains(QStringLiteral("|2025-10-01 13:45:10.123 -03:00"))) << version << "\n" << r.out.toStdString();
    }
}

TEST(StandinClients, BsqldbRunsAScriptFile)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    // db-lib cannot convert uniqueidentifier (bsqldb says "type 36 not supported"), so RG stays out.
    const QString input = s.writeFile(QStringLiteral("q.sql"),
        "SELECT IdTipo, Ligado, Pequeno, Medio, Inteiro, Grande, Real4, Duplo, Troco, Valor, Preco, Sigla, Texto, NSigla,"
        " Nome, Memo, Bytes, Foto, Quando FROM Tipos ORDER BY IdTipo\ngo\nSELECT * FROM NaoExiste\ngo\n");
    const ToolResult r = runTool(QStringLiteral("bsqldb"), {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(s.port),
                                 QStringLiteral("-U"), QStringLiteral("orvo"), QStringLiteral("-P"), QStringLiteral("s3nh@"),
                                 QStringLiteral("-D"), QStringLiteral("ORVO"), QStringLiteral("-i"), input});
    // db-lib shows nvarchar(max) as bytes (UTF-8 of "máx") and cuts money to its display width.
    expectValues(r.out, {"Conceição", "Peças", "ção", "0x6dc3a178", "9000000000", "-32768", "255", "12.3456",
                         " -92233720368 ", "1234567890123456.78", "0xffd8ffe0", "Vazio"});
    EXPECT_TRUE(r.out.contains(QStringLiteral("Invalid object name 'NaoExiste'."))) << r.out.toStdString();
}

TEST(StandinClients, IsqlConnectsWithoutDsn)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    const ToolResult r = runTool(QStringLiteral("isql"), {QStringLiteral("-v"), QStringLiteral("-k"),
                                 s.odbcConnectionString(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")),
                                 QStringLiteral("-b"), QStringLiteral("-d|"), QStringLiteral("-c")},
                                 "SELECT * FROM Tipos ORDER BY IdTipo\nUPDATE Tipos SET Inteiro = 7 WHERE Nome = N'Vazio'\n"
                                 "SELECT Inteiro FROM Tipos WHERE IdTipo = 2\n");
    expectEveryTypeValue(r.out);
    EXPECT_TRUE(r.out.contains(QStringLiteral("\n7\n"))) << r.out.toStdString();
}

TEST(StandinClients, WrongLoginAndUnknownDatabaseAreRefused)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    const ToolResult wrong = runTool(QStringLiteral("tsql"), tsqlArgs(s, QStringLiteral("orvo"), QStringLiteral("errada"), QStringLiteral("ORVO")), "exit\n");
    EXPECT_NE(wrong.exitCode, 0);
    EXPECT_TRUE(wrong.out.contains(QStringLiteral("Login failed for user 'orvo'."))) << wrong.out.toStdString();
    const ToolResult nobody = runTool(QStringLiteral("tsql"), tsqlArgs(s, QStringLiteral("ninguem"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")), "exit\n");
    EXPECT_TRUE(nobody.out.contains(QStringLiteral("Login failed for user 'ninguem'."))) << nobody.out.toStdString();

    TdsTestClient c;
    ASSERT_TRUE(c.connect(s.port));
    const TdsTestReply bad = c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("NaoHa"));
    ASSERT_FALSE(bad.errors.empty());
    EXPECT_EQ(bad.errors.front().number, 4060);
    EXPECT_EQ(bad.errors.front().text, QStringLiteral("Cannot open database \"NaoHa\" requested by the login. The login failed."));
    EXPECT_FALSE(bad.loginAck);
    EXPECT_TRUE(c.waitClosed());

    // The login name is case-insensitive, the password is not.
    TdsTestClient ok;
    ASSERT_TRUE(ok.connect(s.port));
    EXPECT_TRUE(ok.login(QStringLiteral("ORVO"), QStringLiteral("s3nh@"), QStringLiteral("orvo")).loginAck);
    TdsTestClient upper;
    ASSERT_TRUE(upper.connect(s.port));
    EXPECT_FALSE(upper.login(QStringLiteral("orvo"), QStringLiteral("S3NH@"), QStringLiteral("ORVO")).loginAck);
}

TEST(StandinClients, ALoginsDefaultLanguageHoldsUnlessTheClientNamesOne)
{
    StandinProcess s;
    QString err;
    const QString script = s.writeFile(QStringLiteral("types.sql"), kTypesScript);
    ASSERT_TRUE(s.start({QStringLiteral("--login"), QStringLiteral("brasil:s3nh@:Brazilian"),
                         QStringLiteral("--database"), QStringLiteral("ORVO=") + script},
                        &err))
        << err.toStdString();
    const char *query = "SELECT @@LANGUAGE, CONVERT(char(10), CAST('2025-06-01 00:00:00' AS datetime), 120)\n";
    // FreeTDS names us_english in its login unless the connection string leaves the language empty.
    const QString odbc =
        s.odbcConnectionString(QStringLiteral("brasil"), QStringLiteral("s3nh@"), QStringLiteral("ORVO"));
    const QStringList isql {QStringLiteral("-v"), QStringLiteral("-k"), QStringLiteral("-b"), QStringLiteral("-d|"),
                            QStringLiteral("-c")};
    const ToolResult named = runTool(QStringLiteral("isql"), QStringList(isql) << odbc, query);
    EXPECT_TRUE(named.out.contains(QStringLiteral("us_english|2025-06-01"))) << named.out.toStdString();
    const ToolResult empty =
        runTool(QStringLiteral("isql"), QStringList(isql) << odbc + QStringLiteral(";Language="), query);
    EXPECT_TRUE(empty.out.contains(QStringLiteral("Português (Brasil)|2025-01-06"))) << empty.out.toStdString();

    // The login answer announces the language, and SET LANGUAGE changes it with the same message.
    TdsTestClient c;
    ASSERT_TRUE(c.connect(s.port));
    const TdsTestReply login = c.login(QStringLiteral("brasil"), QStringLiteral("s3nh@"), QStringLiteral("ORVO"));
    ASSERT_TRUE(login.loginAck);
    auto announced = [](const TdsTestReply &r, const QString &language) {
        for (const TdsTestMessage &m : r.infos)
            if (m.number == 5703 && m.text == QStringLiteral("Changed language setting to %1.").arg(language))
                return true;
        return false;
    };
    EXPECT_TRUE(announced(login, QStringLiteral("Português (Brasil)")));
    EXPECT_TRUE(announced(c.batch(QStringLiteral("SET LANGUAGE British")), QStringLiteral("British")));
}

TEST(StandinClients, SessionsKeepTheirOwnDatabaseAndIdentity)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    TdsTestClient a, b;
    ASSERT_TRUE(a.connect(s.port) && b.connect(s.port));
    const TdsTestReply la = a.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO"));
    ASSERT_TRUE(la.loginAck);
    EXPECT_EQ(la.newDatabase, QStringLiteral("ORVO"));
    ASSERT_TRUE(b.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);

    const TdsTestReply use = a.batch(QStringLiteral("USE Vuzur"));
    EXPECT_TRUE(use.complete);
    EXPECT_EQ(use.newDatabase, QStringLiteral("Vuzur"));
    EXPECT_TRUE(a.batch(QStringLiteral("SELECT * FROM Tipos")).errors.size() == 1);  // not in Vuzur
    const TdsTestReply inOrvo = b.batch(QStringLiteral("SELECT COUNT(*) FROM Tipos"));
    ASSERT_EQ(inOrvo.rows.size(), 1u);
    EXPECT_EQ(inOrvo.rows[0][0], QStringLiteral("2"));

    const TdsTestReply who = b.batch(QStringLiteral("SELECT SYSTEM_USER AS Quem, HOST_NAME() AS Onde"));
    ASSERT_EQ(who.rows.size(), 1u) << (who.errors.empty() ? "" : who.errors[0].text.toStdString());
    EXPECT_EQ(who.rows[0][0], QStringLiteral("orvo"));
    EXPECT_EQ(who.rows[0][1], QStringLiteral("testhost"));
}

TEST(StandinClients, ColumnMetadataCarriesIdentityAndNullability)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    TdsTestClient c;
    ASSERT_TRUE(c.connect(s.port));
    ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);
    const TdsTestReply r = c.batch(QStringLiteral("SELECT IdTipo, Nome, Texto FROM Tipos WHERE IdTipo = 2"));
    ASSERT_EQ(r.columns, (QStringList{QStringLiteral("IdTipo"), QStringLiteral("Nome"), QStringLiteral("Texto")}));
    EXPECT_EQ(r.columnFlags[0] & 0x10, 0x10);  // identity
    EXPECT_EQ(r.columnFlags[0] & 0x01, 0);     // NOT NULL
    EXPECT_EQ(r.columnFlags[1] & 0x01, 0);
    EXPECT_EQ(r.columnFlags[2] & 0x01, 1);
    EXPECT_EQ(r.columnTypes[1], 0xE7);
    EXPECT_EQ(r.columnTypes[2], 0xA7);
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0], (QStringList{QStringLiteral("2"), QStringLiteral("Vazio"), QStringLiteral("<null>")}));
    ASSERT_FALSE(r.doneStatus.empty());
    EXPECT_EQ(r.doneCounts.back(), 1u);
}

TEST(StandinClients, BatchOfSeveralStatementsReportsEachOne)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    TdsTestClient c;
    ASSERT_TRUE(c.connect(s.port));
    ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);
    const TdsTestReply r = c.batch(QStringLiteral("UPDATE Tipos SET Inteiro = 3 WHERE IdTipo = 2\r\n"
                                                  "SELECT COUNT(*) FROM Tipos WHERE Inteiro = 3\r\n"
                                                  "SELECT * FROM Nada"));
    ASSERT_TRUE(r.complete);
    ASSERT_GE(r.doneStatus.size(), 3u);
    EXPECT_EQ(r.doneStatus[0], DoneMore | DoneCount);
    EXPECT_EQ(r.doneCounts[0], 1u);
    EXPECT_EQ(r.doneStatus[1], DoneMore | DoneCount);
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0][0], QStringLiteral("1"));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].number, 208);
    EXPECT_EQ(r.doneStatus.back() & (DoneMore | DoneError), DoneError);
}

TEST(StandinClients, LogRecordsEveryBatchWithItsOutcome)
{
    StandinProcess s;
    QString err;
    const QString log = s.path(QStringLiteral("standin.log"));
    ASSERT_TRUE(s.start(typesServerArgs(s) + QStringList{QStringLiteral("--log"), log}, &err)) << err.toStdString();
    TdsTestClient c;
    ASSERT_TRUE(c.connect(s.port));
    ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);
    c.batch(QStringLiteral("UPDATE Tipos SET Inteiro = 1 WHERE IdTipo = 2"));
    c.batch(QStringLiteral("SELECT * FROM Sumida"));
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("login 'orvo' database 'ORVO'"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("UPDATE Tipos SET Inteiro = 1 WHERE IdTipo = 2\n-- statement 1: ok, 1 row(s) affected")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("SELECT * FROM Sumida\n-- statement 1: failed\n-- error 208"))) << text.toStdString();
}

TEST(StandinClients, RefusesANonLoopbackAddressWithoutPermission)
{
    const ToolResult r = runTool(QStringLiteral(SQL_STANDIN_PATH), {QStringLiteral("--listen"), QStringLiteral("0.0.0.0:0")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("not a loopback address"))) << r.out.toStdString();
}

TEST(StandinClients, DataSurvivesRestartAndKillDuringWrites)
{
    QTemporaryDir dataDir;
    const QString data = dataDir.filePath(QStringLiteral("data"));
    StandinProcess first;
    QString err;
    const QStringList args = typesServerArgs(first) + QStringList{QStringLiteral("--data"), data};
    ASSERT_TRUE(first.start(args, &err)) << err.toStdString();
    {
        TdsTestClient c;
        ASSERT_TRUE(c.connect(first.port));
        ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);
        ASSERT_TRUE(c.batch(QStringLiteral("INSERT INTO Tipos (Nome) VALUES (N'Persistido')")).errors.empty());
    }
    first.kill9();
    std::mt19937 rng(7);
    int lastCount = 0;
    for (int round = 0; round < 4; ++round) {
        StandinProcess s;
        ASSERT_TRUE(s.start(args, &err)) << "round " << round << ": " << err.toStdString();
        TdsTestClient c;
        ASSERT_TRUE(c.connect(s.port));
        ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);
        const TdsTestReply count = c.batch(QStringLiteral("SELECT COUNT(*) FROM Tipos WHERE Nome = N'Persistido'"));
        ASSERT_EQ(count.rows.size(), 1u);
        EXPECT_EQ(count.rows[0][0], QStringLiteral("1"));
        const TdsTestReply all = c.batch(QStringLiteral("SELECT COUNT(*) FROM Tipos"));
        ASSERT_EQ(all.rows.size(), 1u);
        EXPECT_GE(all.rows[0][0].toInt(), lastCount);  // nothing acknowledged was lost
        // Writes acknowledged before the kill must be there after it; the kill lands mid-stream.
        std::atomic<int> acknowledged{0};
        std::atomic<bool> stopWriting{false};
        std::thread writer([&] {
            TdsTestClient w;
            if (!w.connect(s.port) || !w.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck)
                return;
            while (!stopWriting) {
                const TdsTestReply r = w.batch(QStringLiteral("INSERT INTO Tipos (Nome, Memo) VALUES (N'Linha', N'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx')"));
                if (!r.complete)
                    return;
                ++acknowledged;
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100 + rng() % 300));
        lastCount = all.rows[0][0].toInt() + acknowledged.load();
        s.kill9();
        stopWriting = true;
        writer.join();
    }
}

TEST(StandinClients, GarbageAndDroppedConnectionsDoNotDisturbAWellBehavedClient)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    std::atomic<bool> stop{false};
    std::atomic<int> attacks{0};
    auto attacker = [&](unsigned seed) {
        std::mt19937 rng(seed);
        const QByteArray login = TdsTestClient::login7(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO"));
        while (!stop && attacks < 3000) {
            TdsTestClient c;
            if (!c.connect(s.port))
                continue;
            const int kind = int(rng() % 6);
            QByteArray junk(int(rng() % 600), '\0');
            for (char& ch : junk)
                ch = char(rng());
            switch (kind) {
            case 0: c.sendRaw(junk); break;                                   // noise
            case 1: c.sendRaw(QByteArray::fromHex("1201ffff00000100") + junk); break;  // prelogin claiming 64 KB
            case 2: c.prelogin(); c.sendMessage(0x10, login.left(int(rng() % login.size()))); break;  // cut login
            case 3: c.prelogin(); c.sendMessage(0x10, login); c.sendMessage(0x01, junk); break;      // odd batch
            case 4: c.prelogin(); c.sendMessage(0x10, login); c.sendMessage(0x03, junk); break;      // bad RPC
            default: {                                                                              // drop mid-batch
                c.prelogin();
                c.sendMessage(0x10, login);
                QByteArray r;
                c.readMessage(&r);
                QByteArray part = QByteArray::fromHex("01000100000001") ;
                c.sendRaw(part);
                break;
            }
            }
            ++attacks;
        }
    };
    std::thread a1(attacker, 1), a2(attacker, 2);
    int good = 0;
    // The well-behaved client keeps working while the attack lasts (bounded by count and time),
    // and for at least a few rounds however fast the attack ends.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    while (good < 20 || (std::chrono::steady_clock::now() < until && attacks < 3000)) {
        TdsTestClient c;
        ASSERT_TRUE(c.connect(s.port));
        ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);
        for (int i = 0; i < 5; ++i) {
            const TdsTestReply r = c.batch(QStringLiteral("SELECT COUNT(*) FROM Tipos"));
            ASSERT_EQ(r.rows.size(), 1u);
            ASSERT_EQ(r.rows[0][0], QStringLiteral("2"));
            ++good;
        }
    }
    stop = true;
    a1.join();
    a2.join();
    EXPECT_GT(attacks.load(), 100);
    EXPECT_GT(good, 10);
    EXPECT_TRUE(s.running());
}

TEST(StandinClients, TriggerStatementsSendTheirCountsBeforeTheFiringStatementsUnlessNocount)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    TdsTestClient c;
    ASSERT_TRUE(c.connect(s.port));
    ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);
    ASSERT_TRUE(c.batch(QStringLiteral("CREATE TABLE Registro (Quem nvarchar(10))")).errors.empty());
    const TdsTestReply created = c.batch(QStringLiteral("CREATE TRIGGER GNR_Tipos ON Tipos AFTER UPDATE AS\r\n"
                                                        "INSERT INTO Registro VALUES ('a'), ('b'), ('c')"));
    ASSERT_TRUE(created.errors.empty()) << created.errors[0].text.toStdString();
    const TdsTestReply r = c.batch(QStringLiteral("UPDATE Tipos SET Inteiro = 4 WHERE IdTipo = 2"));
    ASSERT_TRUE(r.complete);
    // The trigger's insert sends its count (DONEINPROC) first; the update's DONE comes last.
    ASSERT_EQ(r.doneStatus.size(), 2u);
    EXPECT_EQ(r.doneCounts, (std::vector<uint64_t>{3u, 1u}));
    EXPECT_EQ(r.doneStatus, (std::vector<uint16_t>{DoneMore | DoneCount, DoneCount}));
    // SET NOCOUNT ON inside the trigger keeps its counts back.
    ASSERT_TRUE(c.batch(QStringLiteral("ALTER TRIGGER GNR_Tipos ON Tipos AFTER UPDATE AS\r\nSET NOCOUNT ON\r\n"
                                       "INSERT INTO Registro VALUES ('a'), ('b'), ('c')")).errors.empty());
    const TdsTestReply quiet = c.batch(QStringLiteral("UPDATE Tipos SET Inteiro = 4 WHERE IdTipo = 2"));
    EXPECT_EQ(quiet.doneCounts, std::vector<uint64_t>{1u});
    // A trigger's PRINT travels before the firing statement's count, which stays last.
    ASSERT_TRUE(c.batch(QStringLiteral("ALTER TRIGGER GNR_Tipos ON Tipos AFTER UPDATE AS PRINT 'gatilho'")).errors.empty());
    const TdsTestReply p = c.batch(QStringLiteral("UPDATE Tipos SET Inteiro = 5"));
    ASSERT_EQ(p.infos.size(), 1u);
    EXPECT_EQ(p.infos[0].text, QStringLiteral("gatilho"));
    EXPECT_EQ(p.doneCounts.back(), 2u);
    EXPECT_EQ(p.doneStatus.back(), DoneCount);
}

TEST(StandinClients, ACancelStopsARunningLoop)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    TdsTestClient c;
    ASSERT_TRUE(c.connect(s.port));
    ASSERT_TRUE(c.login(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).loginAck);
    const QString text = QStringLiteral("DECLARE @i int = 0 WHILE 1 = 1 SET @i = @i + 1");
    const QByteArray batch = QByteArray::fromHex("16000000120000000200") + QByteArray(8, '\0') + QByteArray::fromHex("01000000")
          + QByteArray(reinterpret_cast<const char*>(text.utf16()), int(text.size()) * 2);
    ASSERT_TRUE(c.sendMessage(0x01, batch));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(c.sendMessage(0x06, QByteArray()));
    QByteArray reply;
    ASSERT_TRUE(c.readMessage(&reply, nullptr, 10000));
    const TdsTestReply r = TdsTestClient::parse(reply);
    ASSERT_FALSE(r.doneStatus.empty());
    EXPECT_TRUE(r.doneStatus.back() & 0x20);  // DONE_ATTN
    EXPECT_EQ(c.batch(QStringLiteral("SELECT 'depois'")).rows.at(0).at(0), QStringLiteral("depois"));
}

namespace {

// One ODBC connection through FreeTDS with one statement handle.
struct OdbcLink {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;

    explicit OdbcLink(const StandinProcess& s)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        const QByteArray connect =
            s.odbcConnectionString(QStringLiteral("orvo"), QStringLiteral("s3nh@"), QStringLiteral("ORVO")).toUtf8();
        if (SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.constData())),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)))
            SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    }
    ~OdbcLink()
    {
        if (stmt != SQL_NULL_HSTMT)
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    bool connected() const { return stmt != SQL_NULL_HSTMT; }
    void setTimeout(int seconds)
    {
        SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(seconds)), 0);
    }
    // Statements without rows answer SQL_NO_DATA.
    SQLRETURN run(const char* sql)
    {
        SQLFreeStmt(stmt, SQL_CLOSE);
        const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
        return rc == SQL_NO_DATA ? SQLRETURN(SQL_SUCCESS) : rc;
    }
    QString state()
    {
        SQLCHAR code[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR text[512];
        SQLSMALLINT length = 0;
        SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, code, &native, text, sizeof text, &length);
        return QString::fromLatin1(reinterpret_cast<const char*>(code));
    }
    int firstInt(const char* sql)
    {
        SQLINTEGER v = -1;
        if (SQL_SUCCEEDED(run(sql)) && SQL_SUCCEEDED(SQLFetch(stmt)))
            SQLGetData(stmt, 1, SQL_C_SLONG, &v, 0, nullptr);
        return v;
    }
};

}  // namespace

// A statement timeout set through ODBC (SQL_ATTR_QUERY_TIMEOUT) makes the driver send a cancel: the
// wait ends, the driver reports the timeout, the statement's work is undone and the connection goes on.
TEST(StandinClients, AnOdbcQueryTimeoutCancelsAWaitAndUndoesItsStatement)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    OdbcLink c(s);
    ASSERT_TRUE(c.connected());
    ASSERT_TRUE(SQL_SUCCEEDED(c.run("CREATE TABLE Lenta (a int)")));
    ASSERT_TRUE(SQL_SUCCEEDED(c.run("CREATE TRIGGER GNR_Lenta ON Lenta AFTER INSERT AS WAITFOR DELAY '00:01:00'")));
    c.setTimeout(1);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(c.run("INSERT INTO Lenta VALUES (1)"), SQL_ERROR);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(c.state(), QStringLiteral("HYT00"));
    c.setTimeout(0);
    EXPECT_EQ(c.firstInt("SELECT COUNT(*) FROM Lenta"), 0);
}

// A batch that waits for another session's batch is cancelled where it waits: the driver has its
// acknowledgement at once, reports the timeout and the connection goes on once the other batch ends.
TEST(StandinClients, ACancelEndsTheWaitForAnotherSessionsBatch)
{
    StandinProcess s;
    QString err;
    ASSERT_TRUE(s.start(typesServerArgs(s), &err)) << err.toStdString();
    OdbcLink holder(s), waiter(s);
    ASSERT_TRUE(holder.connected() && waiter.connected());
    std::atomic<bool> holding {false};
    std::thread other([&] {
        holding = true;
        holder.run("WAITFOR DELAY '00:00:04'");
    });
    while (!holding)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    waiter.setTimeout(1);
    EXPECT_EQ(waiter.run("SELECT 1"), SQL_ERROR);
    EXPECT_EQ(waiter.state(), QStringLiteral("HYT00"));
    other.join();
    waiter.setTimeout(0);
    EXPECT_EQ(waiter.firstInt("SELECT 2"), 2);
}
