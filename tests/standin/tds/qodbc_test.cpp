// sql-standin through Qt's QODBC driver, unixODBC and FreeTDS, as the administration tool reaches it.
#include "StandinProcess.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QtEndian>

namespace {

class QodbcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString err;
        const QString script = server.writeFile(QStringLiteral("types.sql"), kTypesScript);
        ASSERT_TRUE(server.start({QStringLiteral("--login"), QStringLiteral("orvo:orvo"), QStringLiteral("--database"),
                                  QStringLiteral("ORVO=") + script}, &err)) << err.toStdString();
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(server.odbcConnectionString(QStringLiteral("orvo"), QStringLiteral("orvo"), QStringLiteral("ORVO")));
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
    }
    void TearDown() override
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    QSqlQuery query(const QString& sql)
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::HighPrecision);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return q;
    }
    StandinProcess server;
    QString name = QStringLiteral("qodbc-test");
    QSqlDatabase db;
};

}  // namespace

TEST_F(QodbcTest, ReadsColumnMetadataAndValues)
{
    QSqlQuery q = query(QStringLiteral("SELECT * FROM Tipos ORDER BY IdTipo"));
    const QSqlRecord rec = q.record();
    ASSERT_EQ(rec.count(), 20);
    const QSqlField id = rec.field(QStringLiteral("IdTipo"));
    EXPECT_TRUE(id.isAutoValue());
    EXPECT_EQ(id.requiredStatus(), QSqlField::Required);
    EXPECT_EQ(id.metaType().id(), QMetaType::Int);
    const QSqlField nome = rec.field(QStringLiteral("Nome"));
    EXPECT_FALSE(nome.isAutoValue());
    EXPECT_EQ(nome.requiredStatus(), QSqlField::Required);
    EXPECT_EQ(nome.length(), 30);
    EXPECT_EQ(nome.typeID(), -9);  // SQL_WVARCHAR
    const QSqlField texto = rec.field(QStringLiteral("Texto"));
    EXPECT_EQ(texto.requiredStatus(), QSqlField::Optional);
    EXPECT_EQ(texto.length(), 20);
    EXPECT_EQ(rec.field(QStringLiteral("Sigla")).typeID(), 1);         // SQL_CHAR
    EXPECT_EQ(rec.field(QStringLiteral("Ligado")).typeID(), -7);       // SQL_BIT
    EXPECT_EQ(rec.field(QStringLiteral("Pequeno")).typeID(), -6);      // SQL_TINYINT
    EXPECT_EQ(rec.field(QStringLiteral("Grande")).typeID(), -5);       // SQL_BIGINT
    EXPECT_EQ(rec.field(QStringLiteral("Real4")).typeID(), 7);         // SQL_REAL
    EXPECT_EQ(rec.field(QStringLiteral("Duplo")).typeID(), 8);         // SQL_DOUBLE: float(53)
    EXPECT_EQ(rec.field(QStringLiteral("Valor")).typeID(), 3);         // SQL_DECIMAL (money)
    EXPECT_EQ(rec.field(QStringLiteral("Valor")).length(), 19);
    EXPECT_EQ(rec.field(QStringLiteral("Foto")).typeID(), -4);         // SQL_LONGVARBINARY
    // SQL_TIMESTAMP: 11 under ODBC 2 (Qt's default), 93 under ODBC 3.
    EXPECT_TRUE(rec.field(QStringLiteral("Quando")).typeID() == 11 || rec.field(QStringLiteral("Quando")).typeID() == 93);
    EXPECT_EQ(rec.field(QStringLiteral("RG")).typeID(), -11);          // SQL_GUID

    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(QStringLiteral("Nome")).toString(), QStringLiteral("Conceição"));
    EXPECT_EQ(q.value(QStringLiteral("Texto")).toString(), QStringLiteral("Peças"));
    EXPECT_EQ(q.value(QStringLiteral("Sigla")).toString(), QStringLiteral("ab   "));
    EXPECT_EQ(q.value(QStringLiteral("NSigla")).toString(), QStringLiteral("ção "));
    EXPECT_EQ(q.value(QStringLiteral("Memo")).toString(), QStringLiteral("máx"));
    EXPECT_EQ(q.value(QStringLiteral("Ligado")).toInt(), 1);
    EXPECT_EQ(q.value(QStringLiteral("Pequeno")).toInt(), 255);
    EXPECT_EQ(q.value(QStringLiteral("Medio")).toInt(), -32768);
    EXPECT_EQ(q.value(QStringLiteral("Inteiro")).toInt(), -5);
    EXPECT_EQ(q.value(QStringLiteral("Grande")).toLongLong(), 9000000000LL);
    EXPECT_DOUBLE_EQ(q.value(QStringLiteral("Real4")).toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(q.value(QStringLiteral("Duplo")).toDouble(), 2.25);
    EXPECT_EQ(q.value(QStringLiteral("Troco")).toString(), QStringLiteral("12.3456"));
    EXPECT_EQ(q.value(QStringLiteral("Valor")).toString(), QStringLiteral("-92233720368.5477"));
    EXPECT_EQ(q.value(QStringLiteral("Preco")).toString(), QStringLiteral("1234567890123456.78"));
    EXPECT_EQ(q.value(QStringLiteral("Bytes")).toByteArray(), QByteArray::fromHex("0102"));
    EXPECT_EQ(q.value(QStringLiteral("Foto")).toByteArray(), QByteArray::fromHex("FFD8FFE0"));
    EXPECT_EQ(q.value(QStringLiteral("Quando")).toDateTime(), QDateTime(QDate(2025, 10, 1), QTime(0, 0)));
    EXPECT_EQ(QUuid(q.value(QStringLiteral("RG")).toString()), QUuid(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC96401")));
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.value(QStringLiteral("Foto")).isNull());
    EXPECT_TRUE(q.value(QStringLiteral("Inteiro")).isNull());
    EXPECT_TRUE(q.value(QStringLiteral("Quando")).isNull());
    EXPECT_FALSE(q.next());
}

TEST_F(QodbcTest, DecimalResultsKeepTheirScaleAndTriggersWithNocountLeaveTheCountOfTheUpdate)
{
    QSqlQuery q = query(QStringLiteral("SELECT 2.5 * 1.5, 72.75 * 10, 7.0 / 3, (SELECT MAX(Inteiro) FROM Tipos)"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("3.75"));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("727.50"));
    EXPECT_EQ(q.value(2).toString(), QStringLiteral("2.333333"));
    EXPECT_EQ(q.record().field(3).typeID(), 4);  // SQL_INTEGER, not text
    EXPECT_EQ(q.value(3).toInt(), -5);
    q.finish();
    query(QStringLiteral("CREATE TABLE Registro (Quem nvarchar(10))"));
    // Without SET NOCOUNT ON the trigger's count comes first, and the driver reports it.
    query(QStringLiteral("CREATE TRIGGER GNR_Tipos ON Tipos AFTER UPDATE AS\r\nINSERT INTO Registro VALUES ('a')"));
    EXPECT_EQ(query(QStringLiteral("UPDATE Tipos SET Inteiro = 3 WHERE IdTipo <= 2")).numRowsAffected(), 1);
    query(QStringLiteral("ALTER TRIGGER GNR_Tipos ON Tipos AFTER UPDATE AS\r\nSET NOCOUNT ON\r\n"
                         "INSERT INTO Registro VALUES ('a'), ('b')"));
    QSqlQuery u = query(QStringLiteral("UPDATE Tipos SET Inteiro = 4 WHERE IdTipo = 2"));
    EXPECT_EQ(u.numRowsAffected(), 1);
    QSqlQuery n = query(QStringLiteral("SELECT COUNT(*) FROM Registro"));
    ASSERT_TRUE(n.next());
    EXPECT_EQ(n.value(0).toInt(), 3);
}

TEST_F(QodbcTest, ReadsDateAndTimeTypes)
{
    QSqlQuery q = query(QStringLiteral("SELECT Dia, Hora, Momento, Minuto FROM Datas"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toDate(), QDate(2025, 10, 1));
    // time arrives as SQL_SS_TIME2 (-154), which QODBC hands over as the driver's struct:
    // hour, minute, second (16 bits each), 2 bytes padding, fraction in nanoseconds (32 bits).
    EXPECT_EQ(q.record().field(1).typeID(), -154);
    const QByteArray t = q.value(1).toByteArray();
    ASSERT_EQ(t.size(), 12);
    const auto u16 = [&](int at) { return int(uint8_t(t[at]) | uint8_t(t[at + 1]) << 8); };
    const quint32 ns = qFromLittleEndian<quint32>(t.constData() + 8);
    EXPECT_EQ(QTime(u16(0), u16(2), u16(4), int(ns / 1000000)), QTime(13, 45, 10, 123));
    EXPECT_EQ(q.value(2).toDateTime(), QDateTime(QDate(2025, 10, 1), QTime(13, 45, 10, 123)));
    EXPECT_EQ(q.value(3).toDateTime(), QDateTime(QDate(2025, 10, 1), QTime(13, 45)));
    // time(7) reaches the driver to 100 ns.
    q.finish();
    QSqlQuery fine = query(QStringLiteral("SELECT CAST('13:45:10.1234567' AS time(7))"));
    ASSERT_TRUE(fine.next());
    EXPECT_EQ(qFromLittleEndian<quint32>(fine.value(0).toByteArray().constData() + 8), 123456700u);
}

TEST_F(QodbcTest, ImageOfSeveralHundredKilobytesRoundTripsByteForByte)
{
    QByteArray jpeg(350 * 1024, '\0');
    QRandomGenerator rng(42);
    for (char& c : jpeg)
        c = char(rng.bounded(256));
    jpeg[0] = char(0xFF);
    jpeg[1] = char(0xD8);
    query(QStringLiteral("UPDATE Tipos SET Foto = 0x%1 WHERE IdTipo = 2").arg(QString::fromLatin1(jpeg.toHex())));
    QSqlQuery q = query(QStringLiteral("SELECT Foto FROM Tipos WHERE IdTipo = 2"));
    ASSERT_TRUE(q.next());
    const QByteArray back = q.value(0).toByteArray();
    EXPECT_EQ(back.size(), jpeg.size());
    EXPECT_TRUE(back == jpeg);
    q.finish();  // one active statement per connection without MARS

    // The same bytes sent as a bound parameter (the driver turns it into an RPC).
    QSqlQuery bound(db);
    bound.setForwardOnly(true);
    ASSERT_TRUE(bound.prepare(QStringLiteral("UPDATE Tipos SET Foto = ? WHERE IdTipo = 1")));
    bound.addBindValue(jpeg);
    ASSERT_TRUE(bound.exec()) << bound.lastError().text().toStdString();
    QSqlQuery q2 = query(QStringLiteral("SELECT Foto FROM Tipos WHERE IdTipo = 1"));
    ASSERT_TRUE(q2.next());
    EXPECT_TRUE(q2.value(0).toByteArray() == jpeg);
}

TEST_F(QodbcTest, BoundParametersOfEveryCommonTypeReachTheServer)
{
    QSqlQuery ins(db);
    ins.setForwardOnly(true);
    ASSERT_TRUE(ins.prepare(QStringLiteral("INSERT INTO Tipos (Ligado, Inteiro, Grande, Duplo, Nome, Texto, Quando) VALUES (?, ?, ?, ?, ?, ?, ?)")));
    ins.addBindValue(true);
    ins.addBindValue(-77);
    ins.addBindValue(qlonglong(5000000000LL));
    ins.addBindValue(0.125);
    ins.addBindValue(QStringLiteral("José d'Ávila"));
    ins.addBindValue(QStringLiteral("Peça"));
    ins.addBindValue(QDateTime(QDate(2025, 10, 1), QTime(13, 45, 10)));
    ASSERT_TRUE(ins.exec()) << ins.lastError().text().toStdString();
    EXPECT_EQ(ins.numRowsAffected(), 1);
    QSqlQuery q = query(QStringLiteral("SELECT Ligado, Inteiro, Grande, Duplo, Nome, Texto, Quando FROM Tipos WHERE IdTipo = 3"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(q.value(1).toInt(), -77);
    EXPECT_EQ(q.value(2).toLongLong(), 5000000000LL);
    EXPECT_DOUBLE_EQ(q.value(3).toDouble(), 0.125);
    EXPECT_EQ(q.value(4).toString(), QStringLiteral("José d'Ávila"));
    EXPECT_EQ(q.value(5).toString(), QStringLiteral("Peça"));
    EXPECT_EQ(q.value(6).toDateTime(), QDateTime(QDate(2025, 10, 1), QTime(13, 45, 10)));
}

TEST_F(QodbcTest, ServerErrorsReachTheDriverWithTheirText)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    EXPECT_FALSE(q.exec(QStringLiteral("SELECT * FROM NaoExiste")));
    EXPECT_TRUE(q.lastError().databaseText().contains(QStringLiteral("Invalid object name 'NaoExiste'."))) << q.lastError().text().toStdString();
    EXPECT_EQ(q.lastError().nativeErrorCode(), QStringLiteral("208"));
    // The connection goes on after the error.
    QSqlQuery ok = query(QStringLiteral("SELECT COUNT(*) FROM Tipos"));
    ASSERT_TRUE(ok.next());
    EXPECT_EQ(ok.value(0).toInt(), 2);
}

TEST_F(QodbcTest, ScrollableQueriesAreRefusedButStatementsWithoutRowsRun)
{
    // A query that is not forward-only makes the driver ask for a server cursor.
    QSqlQuery scroll(db);
    EXPECT_FALSE(scroll.exec(QStringLiteral("SELECT Nome FROM Tipos")));
    EXPECT_TRUE(scroll.lastError().text().contains(QStringLiteral("Server cursors are not supported"))) << scroll.lastError().text().toStdString();
    QSqlQuery update(db);
    EXPECT_TRUE(update.exec(QStringLiteral("UPDATE Tipos SET Inteiro = 9 WHERE IdTipo = 2"))) << update.lastError().text().toStdString();
    update.finish();
    QSqlQuery q = query(QStringLiteral("SELECT Inteiro FROM Tipos WHERE IdTipo = 2"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 9);
}

TEST(QodbcDemo, DemoDatabaseServesUsersWithIdentityAndSignatures)
{
    StandinProcess server;
    QString err;
    ASSERT_TRUE(server.start({QStringLiteral("--demo")}, &err)) << err.toStdString();
    QFile demo(QStringLiteral(STANDIN_FIXTURES_DIR "/orvo-demo.sql"));
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    const auto literal = QRegularExpression(QStringLiteral("0x(FFD8[0-9A-F]+)")).match(QString::fromUtf8(demo.readAll()));
    ASSERT_TRUE(literal.hasMatch());
    const QByteArray signature = QByteArray::fromHex(literal.captured(1).toLatin1());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("demo"));
        db.setDatabaseName(server.odbcConnectionString(QStringLiteral("orvo"), QStringLiteral("orvo"), QStringLiteral("ORVO")));
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery q(db);
        q.setForwardOnly(true);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT IdUser, Nome, Assinatura_Compras FROM Usuarios WHERE Registro = '0001'")))
            << q.lastError().text().toStdString();
        EXPECT_TRUE(q.record().field(0).isAutoValue());
        EXPECT_EQ(q.record().field(0).requiredStatus(), QSqlField::Required);
        EXPECT_FALSE(q.record().field(1).isAutoValue());
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(1).toString(), QStringLiteral("João da Silva"));
        EXPECT_TRUE(q.value(2).toByteArray() == signature);
        q.finish();
        for (const QString& sister : {QStringLiteral("Vuzur"), QStringLiteral("zAraradovi")}) {
            ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM %1.dbo.NFs").arg(sister))) << q.lastError().text().toStdString();
            ASSERT_TRUE(q.next());
            EXPECT_EQ(q.value(0).toInt(), 0);
            q.finish();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo"));
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
