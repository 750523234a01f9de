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
    EXPECT_TRUE(odbc.contains(QStringLiteral("SERVER=SRV01;INSTANCE=SQLEXPRESS;")));
    EXPECT_FALSE(odbc.contains(QStringLiteral("PORT=")));
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
