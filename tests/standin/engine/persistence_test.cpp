// Saving all databases to a directory and loading them back; damaged files are reported, never trusted.
#include "EngineTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace standin::test {
namespace {

class Persistence : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        ok("CREATE TABLE dbo.[Itens Nota] (IdItem int IDENTITY(1,1) NOT NULL, Descrição nvarchar(65) NULL "
           "CONSTRAINT DF_Itens_Descr DEFAULT 'sem', Valor money NULL, Quando datetime NULL, RG uniqueidentifier NOT NULL "
           "DEFAULT NEWID(), Foto image NULL, CONSTRAINT PK_ItensNota PRIMARY KEY (IdItem))");
        ok("INSERT INTO [Itens Nota] (Valor, Quando, Foto) VALUES (10.25, '2025-10-01 08:30:00', 0xFFD8FF), (NULL, NULL, NULL)");
        ok("DECLARE @v sql_variant SET @v = 'Descrição do item'EXECUTE sp_addextendedproperty 'MS_Description', @v, "
           "'user', 'dbo', 'table', 'Itens Nota', 'column', 'Descrição'");
        ASSERT_TRUE(engine.createDatabase("Vazia"));
    }
    QString databaseFile() const { return dir.filePath("ORVO.sdb"); }
    QTemporaryDir dir;
};

TEST_F(Persistence, EverythingComesBackAfterSaveAndLoad)
{
    QString err;
    ASSERT_TRUE(engine.save(dir.path(), &err)) << err.toStdString();
    const auto before = rows("SELECT * FROM [Itens Nota] ORDER BY IdItem");

    Engine other;
    ASSERT_TRUE(other.load(dir.path(), &err)) << err.toStdString();
    EXPECT_EQ(other.databaseNames(), (QStringList{"ORVO", "Vazia"}));
    // Continue on the loaded engine with the same helpers.
    auto s = other.openSession("sa", "h", "ORVO");
    ASSERT_TRUE(s);
    auto loadedRows = [&](const QString& sql) {
        BatchResult r = other.execute(*s, sql);
        std::vector<QStringList> out;
        EXPECT_TRUE(!r.statements.empty() && r.statements.back().resultSet) << sql.toStdString();
        if (r.statements.empty() || !r.statements.back().resultSet)
            return out;
        for (const auto& row : r.statements.back().resultSet->rows) {
            QStringList cells;
            for (const Value& v : row)
                cells << (v.isNull() ? QStringLiteral("NULL") : toText(v));
            out.push_back(cells);
        }
        return out;
    };
    EXPECT_EQ(loadedRows("SELECT * FROM [Itens Nota] ORDER BY IdItem"), before);
    // Identity, defaults, keys and descriptions survive.
    other.execute(*s, "INSERT INTO [Itens Nota] (Valor) VALUES (1)");
    EXPECT_EQ(loadedRows("SELECT IdItem, Descrição FROM [Itens Nota] WHERE Valor = 1")[0], (QStringList{"3", "sem"}));
    BatchResult dup = other.execute(*s, "SET IDENTITY_INSERT [Itens Nota] ON INSERT INTO [Itens Nota] (IdItem) VALUES (1)");
    ASSERT_EQ(dup.statements.size(), 2u);
    EXPECT_EQ(dup.statements[1].messages.at(0).number, 2627);
    EXPECT_EQ(loadedRows("SELECT value FROM fn_listextendedproperty('MS_Description', 'schema', 'dbo', 'table', "
                         "'Itens Nota', 'column', 'Descrição')")[0][0], "Descrição do item");
    EXPECT_EQ(loadedRows("SELECT COLUMN_DEFAULT FROM INFORMATION_SCHEMA.COLUMNS WHERE COLUMN_NAME = 'Descrição'")[0][0],
              "('sem')");
}

TEST_F(Persistence, SavingAgainReplacesTheFilesAndDropsOldOnes)
{
    ASSERT_TRUE(engine.save(dir.path()));
    ok("DROP DATABASE Vazia");
    ASSERT_TRUE(engine.save(dir.path()));
    EXPECT_EQ(QDir(dir.path()).entryList({"*.sdb"}), (QStringList{"ORVO.sdb"}));
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.tmp", "*~"}).isEmpty());
}

TEST_F(Persistence, DamagedFilesAreReportedByNameAndChangeNothing)
{
    ASSERT_TRUE(engine.save(dir.path()));
    QFile f(databaseFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    f.close();

    auto tryLoad = [&](const QByteArray& content) {
        QFile w(databaseFile());
        EXPECT_TRUE(w.open(QIODevice::WriteOnly | QIODevice::Truncate));
        w.write(content);
        w.close();
        Engine other;
        other.createDatabase("Antes");
        QString err;
        EXPECT_FALSE(other.load(dir.path(), &err));
        EXPECT_TRUE(err.contains("ORVO.sdb")) << err.toStdString();
        EXPECT_EQ(other.databaseNames(), QStringList{"Antes"});
    };
    for (int cut : {0, 5, 30, int(good.size() / 2), int(good.size() - 1)})
        tryLoad(good.left(cut));
    for (int at : {2, 40, int(good.size() / 3), int(good.size() - 10)}) {
        QByteArray garbled = good;
        garbled[at] = char(garbled[at] ^ 0x5A);
        tryLoad(garbled);
    }
    tryLoad(QByteArray(4096, '\xff'));
}

TEST_F(Persistence, MissingDirectoryIsAnError)
{
    QString err;
    EXPECT_FALSE(engine.load(dir.filePath("nao-existe"), &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_TRUE(engine.hasDatabase("ORVO"));
}

}  // namespace
}  // namespace standin::test

namespace standin::test {
namespace {

TEST_F(Persistence, ModulesComeBackWithTheirTextAndWork)
{
    const QString trigger = QStringLiteral("-- carimbo\rCREATE TRIGGER GNR_Itens ON [Itens Nota] AFTER INSERT AS\r\n"
                                           "UPDATE [Itens Nota] SET Descrição = 'novo' WHERE IdItem IN (SELECT IdItem FROM inserted)");
    ok(trigger);
    ok("CREATE FUNCTION dbo.Dobro (@n int) RETURNS int AS BEGIN RETURN @n * 2 END");
    QString err;
    ASSERT_TRUE(engine.save(dir.path(), &err)) << err.toStdString();
    Engine other;
    ASSERT_TRUE(other.load(dir.path(), &err)) << err.toStdString();
    auto s = other.openSession("sa", "h", "ORVO");
    ASSERT_TRUE(s);
    BatchResult r = other.execute(*s, "INSERT INTO [Itens Nota] (Valor) VALUES (dbo.Dobro(4))\n"
                                      "SELECT Descrição, Valor FROM [Itens Nota] WHERE IdItem = 3\n"
                                      "SELECT OBJECT_DEFINITION(OBJECT_ID('GNR_Itens', 'TR'))");
    // The trigger's update reports its count first, then the insert and the two queries.
    ASSERT_EQ(r.statements.size(), 4u);
    EXPECT_TRUE(r.statements[0].inProcedure);
    ASSERT_TRUE(r.statements[2].resultSet);
    EXPECT_EQ(toText(r.statements[2].resultSet->rows.at(0).at(0)), "novo");
    EXPECT_EQ(toText(r.statements[2].resultSet->rows.at(0).at(1)), "8.00");
    ASSERT_TRUE(r.statements[3].resultSet);
    EXPECT_EQ(toText(r.statements[3].resultSet->rows.at(0).at(0)), trigger);
}

TEST_F(Persistence, AFileOfFormatFourStillLoads)
{
    // Format 4 differs from 5 only by the key directions: without keys or indexes the payload is the same.
    ok("ALTER TABLE [Itens Nota] DROP CONSTRAINT PK_ItensNota");
    ASSERT_TRUE(engine.save(dir.path()));
    QFile f(databaseFile());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray content = f.readAll();
    const int at = 4 + int(QByteArray("SQL-STANDIN-DATABASE").size());
    content[at + 3] = char(4);
    f.seek(0);
    f.write(content);
    f.close();
    Engine other;
    QString err;
    ASSERT_TRUE(other.load(dir.path(), &err)) << err.toStdString();
    auto s = other.openSession("sa", "h", "ORVO");
    const BatchResult r = other.execute(*s, "SELECT COUNT(*) FROM [Itens Nota]");
    ASSERT_TRUE(r.statements.back().resultSet);
    EXPECT_EQ(toText(r.statements.back().resultSet->rows.at(0).at(0)), "2");
}

TEST_F(Persistence, AFileOfTheFormerFormatIsRefusedClearly)
{
    ASSERT_TRUE(engine.save(dir.path()));
    QFile f(databaseFile());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray content = f.readAll();
    // magic (length-prefixed bytes), then the format version as a big-endian quint32.
    const int at = 4 + int(QByteArray("SQL-STANDIN-DATABASE").size());
    ASSERT_EQ(content[at + 3], char(5));
    content[at + 3] = char(1);
    f.seek(0);
    f.write(content);
    f.close();
    Engine other;
    QString err;
    EXPECT_FALSE(other.load(dir.path(), &err));
    EXPECT_TRUE(err.contains("unknown format version 1")) << err.toStdString();
}

}  // namespace
}  // namespace standin::test
