#include "connection/ConnectionString.h"
#include "connection/DbError.h"
#include "connection/PlantProfiles.h"

#include <gtest/gtest.h>

using namespace ConnectionString;

TEST(ConnectionString, PlainValuesGiveTheProfileTextUnchanged)
{
    PlantProfile p;
    p.server = QStringLiteral("SRV01\\SQL2008");
    p.database = QStringLiteral("ORVO");
    p.userSql = QStringLiteral("sa");
    p.passwordSql = QStringLiteral("segredo");
    EXPECT_EQ(p.connectionString(),
              QStringLiteral("Provider=SQLOLEDB.1;Password=segredo;Persist Security Info=True;User ID=sa;"
                             "Initial Catalog=ORVO;Data Source=SRV01\\SQL2008"));
}

TEST(ConnectionString, AnyPasswordOrLoginTextComesBackWhole)
{
    const QStringList tricky = {QStringLiteral("a;b"), QStringLiteral(";"), QStringLiteral("\"quoted\""),
                                QStringLiteral("it's \"both\";x"), QStringLiteral(" lead"), QStringLiteral("trail "),
                                QStringLiteral("x=y"), QStringLiteral("{brace}"), QString(), QStringLiteral("'")};
    for (const QString &pw : tricky) {
        PlantProfile p;
        p.server = QStringLiteral("h,1433");
        p.database = QStringLiteral("ORVO");
        p.userSql = pw;
        p.passwordSql = pw;
        const Pairs pairs = parse(p.connectionString());
        EXPECT_EQ(value(pairs, QStringLiteral("Password")), pw) << qPrintable(pw);
        EXPECT_EQ(value(pairs, QStringLiteral("user id")), pw) << qPrintable(pw);
        EXPECT_EQ(value(pairs, QStringLiteral("Initial Catalog")), QStringLiteral("ORVO"));
        EXPECT_EQ(value(pairs, QStringLiteral("Data Source")), QStringLiteral("h,1433"));
    }
}

TEST(ConnectionString, OdbcTextBracesValuesThatWouldSplitIt)
{
    PlantProfile p;
    p.server = QStringLiteral("127.0.0.1,14330");
    p.database = QStringLiteral("ORVO");
    p.userSql = QStringLiteral("orvo");
    p.passwordSql = QStringLiteral("pa;ss}word");
    const QString odbc = toOdbc(p.connectionString());
    EXPECT_TRUE(odbc.startsWith(QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=14330;DATABASE=ORVO;UID=orvo;"))) << qPrintable(odbc);
    // FreeTDS reads a braced value up to the first "};", as it stands.
    EXPECT_TRUE(odbc.contains(QStringLiteral(";PWD={pa;ss}word};"))) << qPrintable(odbc);
    // Drivers that follow the standard read "}}" as one brace.
    EXPECT_TRUE(toOdbc(p.connectionString(), QStringLiteral("ODBC Driver 18 for SQL Server")).contains(QStringLiteral(";PWD={pa;ss}}word};")));
    EXPECT_TRUE(odbc.contains(QStringLiteral("TDS_Version=")));
}

TEST(ConnectionString, DataSourceForms)
{
    ServerAddress a = parseDataSource(QStringLiteral("srv"));
    EXPECT_EQ(a.host, QStringLiteral("srv"));
    EXPECT_EQ(a.port, 0);
    EXPECT_TRUE(a.instance.isEmpty());
    a = parseDataSource(QStringLiteral("srv,1500"));
    EXPECT_EQ(a.host, QStringLiteral("srv"));
    EXPECT_EQ(a.port, 1500);
    a = parseDataSource(QStringLiteral("tcp:10.0.0.5,1433"));
    EXPECT_EQ(a.host, QStringLiteral("10.0.0.5"));
    EXPECT_EQ(a.port, 1433);
    a = parseDataSource(QStringLiteral("SRV01\\SQLEXPRESS"));
    EXPECT_EQ(a.host, QStringLiteral("SRV01"));
    EXPECT_EQ(a.instance, QStringLiteral("SQLEXPRESS"));
    EXPECT_EQ(a.port, 0);
    a = parseDataSource(QStringLiteral("(local)"));
    EXPECT_EQ(a.host, QStringLiteral("localhost"));

    const QString odbc = toOdbc(QStringLiteral("Provider=SQLOLEDB.1;Password=x;User ID=u;Initial Catalog=D;Data Source=SRV01\\SQLEXPRESS"));
    // FreeTDS finds a named instance only through "host\\instance" in SERVER.
    EXPECT_TRUE(odbc.contains(QStringLiteral("SERVER=SRV01\\SQLEXPRESS;"))) << qPrintable(odbc);
    EXPECT_FALSE(odbc.contains(QStringLiteral("PORT=")));
}

// The ODBC text of a plant for FreeTDS and for Microsoft's driver, from its INI keys.
TEST(ConnectionString, BothDriversGetTheirOwnServerAndEncryptionKeys)
{
    const QString ms = QStringLiteral("ODBC Driver 18 for SQL Server");
    struct Case {
        QString server, encrypt, trust, driver, expected;
    };
    const QString login = QStringLiteral("DATABASE=ORVO;UID=orvo;PWD={s;e\"gredo};");
    const QString loginMs = QStringLiteral("DATABASE=ORVO;UID=orvo;PWD={s;e\"gredo};");
    const QString tds = QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;");
    const Case cases[] = {
        // No keys: as before, and the login is encrypted when the server offers it.
        {QStringLiteral("10.1.2.3,1433"), {}, {}, {},
         QStringLiteral("DRIVER={FreeTDS};SERVER=10.1.2.3;PORT=1433;") + login + tds + QStringLiteral("Encryption=request;")},
        {QStringLiteral("srv\\ORVO"), QStringLiteral("no"), {}, {},
         QStringLiteral("DRIVER={FreeTDS};SERVER=srv\\ORVO;") + login + tds + QStringLiteral("Encryption=request;")},
        {QStringLiteral("srv"), QStringLiteral("YES"), QStringLiteral("yes"), {},
         QStringLiteral("DRIVER={FreeTDS};SERVER=srv;") + login + tds + QStringLiteral("Encryption=require;")},
        // Microsoft's driver: the port after a comma, the instance after a backslash.
        {QStringLiteral("tcp:10.1.2.3,1433"), {}, {}, ms,
         QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};Server=10.1.2.3,1433;") + loginMs
             + QStringLiteral("Encrypt=no;TrustServerCertificate=no;")},
        {QStringLiteral("srv\\ORVO"), QStringLiteral("yes"), QStringLiteral("no"), ms,
         QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};Server=srv\\ORVO;") + loginMs
             + QStringLiteral("Encrypt=yes;TrustServerCertificate=no;")},
        {QStringLiteral("srv,1500"), QStringLiteral("strict"), QStringLiteral("yes"), ms,
         QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};Server=srv,1500;") + loginMs
             + QStringLiteral("Encrypt=strict;TrustServerCertificate=yes;")},
    };
    for (const Case &c : cases) {
        PlantProfile p;
        p.server = c.server;
        p.database = QStringLiteral("ORVO");
        p.userSql = QStringLiteral("orvo");
        p.passwordSql = QStringLiteral("s;e\"gredo");
        p.encrypt = c.encrypt;
        p.trustServerCertificate = c.trust;
        EXPECT_EQ(toOdbc(p.connectionString(), c.driver), c.expected) << qPrintable(c.server + u' ' + c.encrypt);
    }
    // A password with "}" is doubled for Microsoft's driver, kept for FreeTDS.
    PlantProfile p;
    p.server = QStringLiteral("srv");
    p.passwordSql = QStringLiteral("a}b");
    EXPECT_TRUE(toOdbc(p.connectionString(), ms).contains(QStringLiteral(";PWD={a}}b};")));
    EXPECT_TRUE(toOdbc(p.connectionString()).contains(QStringLiteral(";PWD={a}b};")));
}

TEST(ConnectionString, TrustedAuthorityGoesThroughAFreeTdsConfSection)
{
    PlantProfile p;
    p.server = QStringLiteral("srvsql01\\ORVO");
    p.database = QStringLiteral("ORVO");
    p.userSql = QStringLiteral("orvo");
    p.passwordSql = QStringLiteral("x");
    p.encrypt = QStringLiteral("yes");
    p.caFile = QStringLiteral("/etc/orvo/ca da empresa.pem");
    const OdbcText o = odbcText(p.connectionString(), QString(), QStringLiteral("plant-1"));
    EXPECT_TRUE(o.text.startsWith(QStringLiteral("DRIVER={FreeTDS};SERVERNAME=plant-1;DATABASE=ORVO;"))) << qPrintable(o.text);
    EXPECT_TRUE(o.text.endsWith(QStringLiteral("Encryption=require;")));
    EXPECT_EQ(o.freeTdsConf, QStringLiteral("[plant-1]\n\thost = srvsql01\n\tinstance = ORVO\n\tencryption = require\n"
                                            "\tca file = /etc/orvo/ca da empresa.pem\n\tcheck certificate hostname = yes\n"));
    // Without CAFile the system's authorities are the ones trusted.
    p.caFile.clear();
    EXPECT_TRUE(odbcText(p.connectionString()).freeTdsConf.contains(QStringLiteral("\tca file = system\n")));
    // Nothing to check without Encrypt=yes, or when the certificate is trusted as it is.
    p.trustServerCertificate = QStringLiteral("yes");
    EXPECT_TRUE(odbcText(p.connectionString()).freeTdsConf.isEmpty());
}

TEST(ConnectionString, SettingsADriverCannotHonourAreRefusedWithTheReason)
{
    struct Case {
        QString encrypt, trust, caFile, driver, messagePart;
    };
    const Case cases[] = {
        {QStringLiteral("strict"), {}, {}, {}, QStringLiteral("Encrypt=strict")},
        {QStringLiteral("talvez"), {}, {}, {}, QStringLiteral("\"talvez\"")},
        {QStringLiteral("yes"), QStringLiteral("sim"), {}, {}, QStringLiteral("TrustServerCertificate")},
        {QStringLiteral("yes"), {}, QStringLiteral("/ca.pem"), QStringLiteral("ODBC Driver 18 for SQL Server"), QStringLiteral("CAFile")},
        {QStringLiteral("yes"), {}, QStringLiteral("/a;b.pem"), {}, QStringLiteral("/a;b.pem")},
    };
    for (const Case &c : cases) {
        PlantProfile p;
        p.server = QStringLiteral("srv");
        p.encrypt = c.encrypt;
        p.trustServerCertificate = c.trust;
        p.caFile = c.caFile;
        try {
            toOdbc(p.connectionString(), c.driver);
            ADD_FAILURE() << "accepted: " << qPrintable(c.encrypt + u' ' + c.caFile);
        } catch (const DbError &e) {
            EXPECT_TRUE(e.message().contains(c.messagePart)) << qPrintable(e.message());
            EXPECT_TRUE(e.message().endsWith(QStringLiteral(" ..!")));
        }
    }
}

TEST(ConnectionString, DialogTextWithoutEncryptionStillOnlyRequestsIt)
{
    // The properties dialog writes "Use Encryption for Data=False": the driver goes along with
    // a server that insists on encryption, as the OLE DB provider does.
    const QString odbc = toOdbc(QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=ORVO;"
                                               "Data Source=srv;Use Encryption for Data=False;Tag with column collation when possible=False"));
    EXPECT_TRUE(odbc.endsWith(QStringLiteral("Encryption=request;"))) << qPrintable(odbc);
}

TEST(ConnectionString, DriverAndIntegratedSecurity)
{
    const QString other = toOdbc(QStringLiteral("Password=x;User ID=u;Data Source=h"), QStringLiteral("ODBC Driver 18 for SQL Server"));
    EXPECT_TRUE(other.startsWith(QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};")));
    EXPECT_FALSE(other.contains(QStringLiteral("TDS_Version")));
    const QString sspi = toOdbc(QStringLiteral("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
                                               "Initial Catalog=ORVO;Data Source=srv;Workstation ID=WS1"));
    EXPECT_TRUE(sspi.contains(QStringLiteral("Trusted_Connection=Yes")));
    EXPECT_FALSE(sspi.contains(QStringLiteral("UID=")));
    EXPECT_TRUE(sspi.contains(QStringLiteral("WSID=WS1")));
}

TEST(ConnectionString, ParseHandlesQuotesBlanksAndEmptyPieces)
{
    const Pairs p = parse(QStringLiteral(" Password = \"a;\"\"b\" ;;User ID='it''s';Data Source=h "));
    EXPECT_EQ(value(p, QStringLiteral("password")), QStringLiteral("a;\"b"));
    EXPECT_EQ(value(p, QStringLiteral("User ID")), QStringLiteral("it's"));
    EXPECT_EQ(value(p, QStringLiteral("Data Source")), QStringLiteral("h"));
    EXPECT_EQ(value(p, QStringLiteral("Missing")), QString());
}

TEST(DbError, DriverTagsAreRemovedFromEveryLine)
{
    EXPECT_EQ(stripDriverTags(QStringLiteral("[FreeTDS][SQL Server]Invalid object name 'X'.")),
              QStringLiteral("Invalid object name 'X'."));
    EXPECT_EQ(stripDriverTags(QStringLiteral("[FreeTDS][SQL Server]Unable to connect to data source "
                                             "[FreeTDS][SQL Server]Login failed for user 'a'.")),
              QStringLiteral("Login failed for user 'a'."));
    EXPECT_EQ(stripDriverTags(QStringLiteral("[unixODBC][FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or does not exist")),
              QStringLiteral("Unable to connect: Adaptive Server is unavailable or does not exist"));
    EXPECT_EQ(stripDriverTags(QStringLiteral("[FreeTDS][SQL Server]First error. [FreeTDS][SQL Server]Second error.")),
              QStringLiteral("First error.\nSecond error."));
    // Brackets inside the message itself stay.
    EXPECT_EQ(stripDriverTags(QStringLiteral("[FreeTDS][SQL Server]Invalid column name '[x]'.")),
              QStringLiteral("Invalid column name '[x]'."));
}
