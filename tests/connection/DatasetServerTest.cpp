#include "AppFixture.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "connection/PlantProfiles.h"
#include "connection/SqlText.h"
#include "widgets/DbControls.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

const char *const users = "SELECT Usuarios.*\r\nFROM        Usuarios\r\nORDER BY Nome";
const char *const jobs = "SELECT     Jobs.*\r\nFROM         Jobs";

class DatasetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fx.startServer({QStringLiteral("semi:pa;ss\"w}ord")});
        connection.setConnectionString(profile(QStringLiteral("orvo"), QStringLiteral("orvo")).connectionString());
        connection.open();
    }
    PlantProfile profile(const QString &user, const QString &password) const
    {
        PlantProfile p;
        p.server = fx.server().address();
        p.database = QStringLiteral("ORVO");
        p.userSql = user;
        p.passwordSql = password;
        return p;
    }
    void open(Dataset &ds, const char *sql)
    {
        ds.setConnection(&connection);
        ds.setSql(QString::fromUtf8(sql));
        ds.open();
    }
    // Moves to the user with this IdUser (the list's order is the server's collation).
    static void moveToUser(Dataset &ds, int id)
    {
        for (ds.first(); !ds.eof(); ds.next())
            if (ds.asInteger(QStringLiteral("IdUser")) == id)
                return;
        FAIL() << "no user " << id;
    }
    // The UPDATE/INSERT statements the server received since the last mark.
    QStringList writes() const
    {
        QStringList out;
        for (const QString &b : fx.server().batches())
            if (b.startsWith(QLatin1String("UPDATE")) || b.startsWith(QLatin1String("INSERT")))
                out << b;
        return out;
    }

    AppFixture fx;
    Connection connection;
};

} // namespace

TEST_F(DatasetTest, ColumnsInTableOrderWithServerTypes)
{
    Dataset ds;
    open(ds, users);
    const QList<DatasetColumn> &c = ds.columns();
    ASSERT_EQ(c.size(), 258);
    EXPECT_EQ(c[0].name, QStringLiteral("RGUser"));
    EXPECT_EQ(c[0].typeName, QStringLiteral("uniqueidentifier"));
    EXPECT_EQ(c[1].name, QStringLiteral("Registro"));
    EXPECT_EQ(c[1].typeName, QStringLiteral("nvarchar"));
    EXPECT_EQ(c[1].size, 7);
    EXPECT_FALSE(c[1].nullable);
    EXPECT_EQ(ds.column(QStringLiteral("nome")).size, 25);
    EXPECT_EQ(ds.column(QStringLiteral("Vendas0")).typeName, QStringLiteral("bit"));
    EXPECT_EQ(ds.column(QStringLiteral("ComprasFLAGS")).typeName, QStringLiteral("char"));
    EXPECT_EQ(ds.column(QStringLiteral("ComprasFLAGS")).size, 30);
    EXPECT_EQ(ds.column(QStringLiteral("LCompras_senha")).typeName, QStringLiteral("nchar"));
    EXPECT_EQ(ds.column(QStringLiteral("Assinatura_Compras")).typeName, QStringLiteral("image"));
    EXPECT_EQ(ds.column(QStringLiteral("Ativo")).typeName, QStringLiteral("tinyint"));
    EXPECT_EQ(c[256].name, QStringLiteral("IdUser"));
    EXPECT_EQ(c[256].typeName, QStringLiteral("int"));
    EXPECT_TRUE(c[256].identity);
    EXPECT_FALSE(c[0].identity);
    EXPECT_EQ(c[257].name, QStringLiteral("Via_acesso"));
    EXPECT_THROW(ds.value(QStringLiteral("NaoExiste")), DbError);
}

TEST_F(DatasetTest, TypedReadsAndNavigation)
{
    Dataset ds;
    open(ds, users);
    ASSERT_EQ(ds.recordCount(), 4);
    EXPECT_EQ(ds.recNo(), 1);
    moveToUser(ds, 1);
    EXPECT_EQ(ds.asString(QStringLiteral("Nome")), QStringLiteral("João da Silva"));
    EXPECT_EQ(ds.asString(QStringLiteral("RGUser")), QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC96401}"));
    EXPECT_EQ(ds.asGuid(QStringLiteral("RGUser")), QUuid(QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC96401}")));
    EXPECT_TRUE(ds.asBlob(QStringLiteral("Assinatura_Compras")).startsWith("\xFF\xD8"));
    EXPECT_EQ(ds.asString(QStringLiteral("ComprasFLAGS")).size(), 30);
    moveToUser(ds, 4);
    EXPECT_EQ(ds.asString(QStringLiteral("Nome")), QStringLiteral("Lúcia Gonçalves"));
    EXPECT_EQ(ds.asInteger(QStringLiteral("Ativo")), 0);
    moveToUser(ds, 3);
    EXPECT_TRUE(ds.isNull(QStringLiteral("EmailU")));
    EXPECT_EQ(ds.asString(QStringLiteral("EmailU")), QString());
    ds.last();   // as in the original component, last() also sets eof
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recNo(), 4);
    ds.prior();
    EXPECT_FALSE(ds.eof());
    ds.next();
    EXPECT_FALSE(ds.eof());
    ds.next();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.recNo(), 4);
    ds.first();
    EXPECT_TRUE(ds.bof());
    ds.prior();
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(ds.recNo(), 1);
    ds.last();
    EXPECT_EQ(ds.recNo(), 4);

    Dataset job;
    open(job, jobs);
    EXPECT_EQ(job.asDateTime(QStringLiteral("DataFT")), QDateTime(QDate(2026, 11, 28), QTime(18, 30)));
    EXPECT_EQ(job.asInteger(QStringLiteral("Estado")), 0);
}

TEST_F(DatasetTest, PostWritesChangedFieldsKeyedByIdentityAndCutsTexts)
{
    Dataset ds;
    open(ds, users);
    moveToUser(ds, 1);
    fx.server().markLog();
    ds.edit();
    ds.setString(QStringLiteral("Nome"), QStringLiteral("Ana D'Ávila; DROP TABLE Jobs")); // 29 chars
    EXPECT_EQ(ds.asString(QStringLiteral("Nome")).size(), 25);
    ds.setBoolean(QStringLiteral("Vendas3"), true);
    ds.post();
    EXPECT_EQ(ds.state(), Dataset::State::Browse);
    EXPECT_EQ(writes(), QStringList{QStringLiteral("UPDATE [Usuarios] SET [Nome] = N'Ana D''Ávila; DROP TABLE J', [Vendas3] = 1 WHERE [IdUser] = 1")});
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Nome FROM Usuarios WHERE IdUser = 1")).toString(), QStringLiteral("Ana D'Ávila; DROP TABLE J"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT COUNT(*) FROM Jobs")).toInt(), 1);
}

TEST_F(DatasetTest, TableWithoutKeyIsUpdatedByTheOriginalValues)
{
    Dataset job;
    open(job, jobs);
    fx.server().markLog();
    job.edit();
    job.setInteger(QStringLiteral("Estado"), 1);
    job.post();
    const QStringList w = writes();
    ASSERT_EQ(w.size(), 1);
    EXPECT_TRUE(w[0].startsWith(QStringLiteral("UPDATE [Jobs] SET [Estado] = 1 WHERE [Estado] = 0 AND [Mensagem] = N'"))) << qPrintable(w[0]);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Estado FROM Jobs")).toInt(), 1);
}

TEST_F(DatasetTest, EditOnAnEmptyDatasetInsertsARow)
{
    fx.exec(QStringLiteral("DELETE FROM Jobs"));
    Dataset job;
    open(job, jobs);
    ASSERT_TRUE(job.isEmpty());
    job.edit();
    EXPECT_EQ(job.state(), Dataset::State::Insert);
    job.setInteger(QStringLiteral("Estado"), 0);
    job.setDateTime(QStringLiteral("DataRT"), QDateTime(QDate(2026, 12, 1), QTime(8, 15, 30)));
    job.post();
    EXPECT_EQ(job.recordCount(), 1);
    const QList<QVariantList> r = fx.rows(QStringLiteral("SELECT Estado, DataRT FROM Jobs"));
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0][0].toInt(), 0);
    EXPECT_EQ(r[0][1].toDateTime(), QDateTime(QDate(2026, 12, 1), QTime(8, 15, 30)));
}

TEST_F(DatasetTest, PostThatChangesNoRowFailsAndStaysInEdit)
{
    Dataset ds;
    open(ds, users);
    moveToUser(ds, 1);
    ds.edit();
    ds.setString(QStringLiteral("Senha"), QStringLiteral("nova"));
    fx.exec(QStringLiteral("DELETE FROM Usuarios WHERE IdUser = 1"));
    try {
        ds.post();
        FAIL() << "post succeeded";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("não foi encontrada"))) << qPrintable(e.message());
    }
    EXPECT_EQ(ds.state(), Dataset::State::Edit);
    EXPECT_EQ(ds.asString(QStringLiteral("Senha")), QStringLiteral("nova"));
    ds.cancel();
    EXPECT_EQ(ds.asString(QStringLiteral("Senha")), QStringLiteral("1234"));
}

TEST_F(DatasetTest, MovingPostsAPendingEditAndBlobsAndGuidsRoundTrip)
{
    Dataset ds;
    open(ds, users);
    moveToUser(ds, 1);
    ds.edit();
    const QByteArray picture("\xFF\xD8\xFF\x00'quote'\x01\x02", 10);
    ds.setBlob(QStringLiteral("Assinatura_Diretoria"), picture);
    ds.setString(QStringLiteral("LCompras_senha"), QStringLiteral("a'b"));
    const int at = ds.recNo();
    ds.first();   // posts first
    EXPECT_EQ(ds.state(), Dataset::State::Browse);
    EXPECT_EQ(ds.recNo(), 1);
    ds.moveTo(at);
    EXPECT_EQ(ds.asBlob(QStringLiteral("Assinatura_Diretoria")), picture);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Assinatura_Diretoria FROM Usuarios WHERE IdUser = 1")).toByteArray(), picture);
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT LCompras_senha FROM Usuarios WHERE IdUser = 1")).toString().trimmed(), QStringLiteral("a'b"));

    ds.edit();
    ds.setNull(QStringLiteral("Assinatura_Compras"));
    ds.post();
    EXPECT_TRUE(fx.scalar(QStringLiteral("SELECT Assinatura_Compras FROM Usuarios WHERE IdUser = 1")).isNull())
        << qPrintable(fx.server().batches().join(QStringLiteral("\n---\n")));
}

TEST_F(DatasetTest, ReadOnlyAndClosedDatasetsRefuseEditing)
{
    Dataset ds;
    ds.setReadOnly(true);
    EXPECT_THROW(ds.edit(), DbError);   // closed
    open(ds, "SELECT  Marca, Razão, Cidade, IdPess FROM PessoaFJ WHERE (Ativa = 1)");
    EXPECT_EQ(ds.asString(QStringLiteral("Razão")), QStringLiteral("Bravik Indústria Metalúrgica Ltda"));
    EXPECT_THROW(ds.edit(), DbError);
    EXPECT_THROW(ds.setString(QStringLiteral("Marca"), QStringLiteral("x")), DbError);
}

TEST_F(DatasetTest, CommandRaisesTheServerErrorOfAnyStatementWithoutDriverTags)
{
    Command cmd;
    cmd.setConnection(&connection);
    EXPECT_EQ(cmd.timeout(), 1200);
    try {
        cmd.execute(QStringLiteral("UPDATE Jobs SET Estado = 2\r\nSELECT * FROM NaoExiste"));
        FAIL() << "no error";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("NaoExiste"))) << qPrintable(e.message());
        EXPECT_FALSE(e.message().startsWith(QLatin1Char('['))) << qPrintable(e.message());
    }
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Estado FROM Jobs")).toInt(), 2);

    // A closed connection is opened first.
    connection.close();
    cmd.execute(QStringLiteral("UPDATE Jobs SET Estado = 3"));
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Estado FROM Jobs")).toInt(), 3);
}

TEST_F(DatasetTest, PasswordWithSemicolonQuoteAndBraceConnects)
{
    Connection c;
    int after = 0;
    QObject::connect(&c, &Connection::afterConnect, [&] { ++after; });
    c.setConnectionString(profile(QStringLiteral("semi"), QStringLiteral("pa;ss\"w}ord")).connectionString());
    c.open();
    EXPECT_TRUE(c.isOpen());
    EXPECT_EQ(after, 1);

    Connection wrong;
    wrong.setConnectionString(profile(QStringLiteral("semi"), QStringLiteral("pa")).connectionString());
    try {
        wrong.open();
        FAIL() << "a wrong password connected";
    } catch (const DbError &e) {
        EXPECT_FALSE(e.message().contains(QLatin1String("[FreeTDS]"))) << qPrintable(e.message());
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_FALSE(wrong.isOpen());
}

TEST_F(DatasetTest, BoundControlsFollowTheDataSourceAndAutomaticEditing)
{
    Dataset ds;
    open(ds, users);
    moveToUser(ds, 1);
    DataSource src;
    src.setDataset(&ds);
    DbEdit edit;
    edit.bind(&src, QStringLiteral("Nome"));
    DbCheckBox a, b;
    a.bind(&src, QStringLiteral("Pcp5"));
    b.bind(&src, QStringLiteral("Pcp5"));
    edit.show();
    a.show();
    EXPECT_EQ(edit.text(), QStringLiteral("João da Silva"));
    EXPECT_EQ(edit.maxLength(), 25);
    EXPECT_TRUE(edit.isReadOnly());
    const bool before = a.isChecked();
    QTest::mouseClick(&a, Qt::LeftButton);   // automatic editing off: nothing changes
    EXPECT_EQ(a.isChecked(), before);
    EXPECT_EQ(ds.state(), Dataset::State::Browse);

    src.setAutoEdit(true);
    EXPECT_FALSE(edit.isReadOnly());
    QTest::mouseClick(&a, Qt::LeftButton);
    EXPECT_EQ(ds.state(), Dataset::State::Edit);
    EXPECT_NE(a.isChecked(), before);
    EXPECT_EQ(b.isChecked(), a.isChecked());
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("Novo Nome"));
    EXPECT_EQ(ds.asString(QStringLiteral("Nome")), QStringLiteral("Novo Nome"));
    ds.post();
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Nome FROM Usuarios WHERE IdUser = 1")).toString(), QStringLiteral("Novo Nome"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT Pcp5 FROM Usuarios WHERE IdUser = 1")).toBool(), !before);
}

// Date and time columns keep their SQL Server names and values through the driver,
// whatever ODBC generation of type numbers it reports.
TEST_F(DatasetTest, DateAndTimeColumnsKeepTheirServerTypes)
{
    Dataset ds;
    open(ds, "SELECT CAST('2025-10-01' AS date) AS d, CAST('2025-10-01 13:45:10' AS datetime) AS dt, "
             "CAST('2025-10-01 13:45' AS smalldatetime) AS sdt, CAST(45929 AS datetime) AS dias");
    EXPECT_EQ(ds.column(QStringLiteral("d")).typeName, QStringLiteral("date"));
    EXPECT_EQ(ds.column(QStringLiteral("dt")).typeName, QStringLiteral("datetime"));
    EXPECT_EQ(ds.column(QStringLiteral("sdt")).typeName, QStringLiteral("smalldatetime"));
    EXPECT_EQ(ds.asDateTime(QStringLiteral("dt")), QDateTime(QDate(2025, 10, 1), QTime(13, 45, 10)));
    EXPECT_EQ(ds.asDateTime(QStringLiteral("dias")).date(), QDate(2025, 10, 1));
    EXPECT_EQ(ds.asDateTime(QStringLiteral("d")).date(), QDate(2025, 10, 1));
}

// A fixed-width password comes back padded to 50 characters; the edit shows what was typed,
// so typing at its end still has room, and the stored value keeps its text.
TEST_F(DatasetTest, FixedWidthFieldsShowWithoutTheirPadding)
{
    fx.exec(QStringLiteral("UPDATE Usuarios SET LCompras_senha = 'abc' WHERE IdUser = 1"));
    Dataset ds;
    open(ds, users);
    moveToUser(ds, 1);
    ASSERT_EQ(ds.asString(QStringLiteral("LCompras_senha")).size(), 50);
    DataSource src;
    src.setDataset(&ds);
    src.setAutoEdit(true);
    DbEdit edit;
    edit.bind(&src, QStringLiteral("LCompras_senha"));
    edit.show();
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));
    edit.end(false);
    QTest::keyClicks(&edit, QStringLiteral("de"));
    ds.post();
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT RTRIM(LCompras_senha) FROM Usuarios WHERE IdUser = 1")).toString(),
              QStringLiteral("abcde"));
}

// Floating-point columns read back as the numbers they hold, whole or not.
TEST_F(DatasetTest, RealAndFloatColumnsReadWithTheirFractions)
{
    fx.exec(QStringLiteral("CREATE TABLE Medidas (Id int PRIMARY KEY, R real NULL, F float NULL)"));
    fx.exec(QStringLiteral("INSERT INTO Medidas VALUES (1, 0.9, 0.1), (2, 5, -1234.5678), (3, -3.25e10, 1e300), (4, NULL, NULL)"));
    Dataset ds;
    open(ds, "SELECT Id, R, F FROM Medidas ORDER BY Id");
    ASSERT_EQ(ds.recordCount(), 4);
    ds.first();
    EXPECT_NEAR(ds.value(QStringLiteral("R")).toDouble(), 0.9, 1e-6);
    EXPECT_DOUBLE_EQ(ds.value(QStringLiteral("F")).toDouble(), 0.1);
    ds.next();
    EXPECT_DOUBLE_EQ(ds.value(QStringLiteral("R")).toDouble(), 5.0);
    EXPECT_DOUBLE_EQ(ds.value(QStringLiteral("F")).toDouble(), -1234.5678);
    ds.next();
    EXPECT_NEAR(ds.value(QStringLiteral("R")).toDouble(), -3.25e10, 1e4);
    EXPECT_DOUBLE_EQ(ds.value(QStringLiteral("F")).toDouble(), 1e300);
    ds.next();
    EXPECT_TRUE(ds.value(QStringLiteral("R")).isNull());
    EXPECT_TRUE(ds.value(QStringLiteral("F")).isNull());
}

// Texts come back whole whatever their length and characters: a (max) value far beyond one
// read of the driver, accented text that fills a narrow column (more bytes in UTF-8 than the
// column has characters), a character outside the basic plane across the seam of two reads,
// 8-bit text, NULL apart from empty, and the columns after them still in place.
TEST_F(DatasetTest, LongAndAccentedTextsReadWhole)
{
    fx.exec(QStringLiteral("CREATE TABLE Textos (Id int PRIMARY KEY, Curto nvarchar(10) NULL, Cheio nvarchar(4000) NULL, "
                           "Longo nvarchar(max) NULL, Oito varchar(max) NULL, Fixo char(5) NULL, Depois int NULL)"));
    const QString curto = QStringLiteral("áéíóúçãõâê");
    const QString cheio(4000, QChar(0x00E7));
    QString longo;
    for (int i = 0; longo.size() < 12000; ++i)
        longo += QStringLiteral("Linha %1: São João, ação e opção\r\n").arg(i);
    longo.insert(4094, QStringLiteral("\U0001F600"));
    QString oito;
    while (oito.size() < 9000)
        oito += QStringLiteral("preço à vista ");
    fx.exec(QStringLiteral("INSERT INTO Textos VALUES (1, %1, %2, %3, '%4', 'ab', 7), (2, NULL, N'', NULL, '', NULL, NULL)")
                .arg(SqlText::unicode(curto), SqlText::unicode(cheio), SqlText::unicode(longo), oito));
    Dataset ds;
    open(ds, "SELECT * FROM Textos ORDER BY Id");
    ASSERT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(ds.asString(QStringLiteral("Curto")), curto);
    EXPECT_EQ(ds.asString(QStringLiteral("Cheio")), cheio);
    EXPECT_EQ(ds.asString(QStringLiteral("Longo")), longo);
    EXPECT_EQ(ds.asString(QStringLiteral("Oito")), oito);
    EXPECT_EQ(ds.value(QStringLiteral("Fixo")).toString(), QStringLiteral("ab   "));
    EXPECT_EQ(ds.asInteger(QStringLiteral("Depois")), 7);
    ds.next();
    EXPECT_TRUE(ds.isNull(QStringLiteral("Curto")));
    EXPECT_FALSE(ds.isNull(QStringLiteral("Cheio")));
    EXPECT_EQ(ds.asString(QStringLiteral("Cheio")), QString());
    EXPECT_TRUE(ds.isNull(QStringLiteral("Longo")));
    EXPECT_FALSE(ds.isNull(QStringLiteral("Oito")));
    EXPECT_TRUE(ds.isNull(QStringLiteral("Depois")));

    // The definition of an object, as the server keeps it (nvarchar(max)).
    const QString function = QStringLiteral("CREATE FUNCTION dbo.Texto_Longo() RETURNS int AS\r\nBEGIN\r\n")
                             + QStringLiteral("    -- comentário de uma função que não cabe numa leitura só\r\n").repeated(30)
                             + QStringLiteral("    RETURN 1\r\nEND\r\n");
    fx.exec(function);
    Dataset definition;
    open(definition, "SELECT OBJECT_DEFINITION(OBJECT_ID('dbo.Texto_Longo')) AS Texto");
    EXPECT_EQ(definition.asString(QStringLiteral("Texto")), function);
}

// A read that runs past the dataset's timeout (1 200 s unless set) is cancelled by the driver
// with its timeout error, and the connection goes on reading.
TEST_F(DatasetTest, AReadPastItsTimeoutIsCancelledAndTheConnectionGoesOn)
{
    Dataset slow;
    EXPECT_EQ(slow.timeout(), 1200);
    slow.setTimeout(1);
    try {
        open(slow, "WAITFOR DELAY '00:00:30'\r\nSELECT Estado FROM Jobs");
        FAIL() << "no timeout";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("timeout"), Qt::CaseInsensitive)) << qPrintable(e.message());
    }
    Dataset after;
    open(after, "SELECT COUNT(*) AS N FROM Jobs");
    EXPECT_GE(after.asInteger(QStringLiteral("N")), 0);
}
