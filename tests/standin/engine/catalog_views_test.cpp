// Trigger state (ENABLE/DISABLE TRIGGER) and the catalog views administrators read.
#include "EngineTestSupport.h"

#include <QTemporaryDir>

namespace standin::test {
namespace {

using Rows = std::vector<QStringList>;

class TriggerState : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ok("CREATE TABLE Kardex (IdKardex int IDENTITY(1,1) PRIMARY KEY, Qtd int)");
        ok("CREATE TABLE Log (Quem varchar(10))");
        ok("CREATE TRIGGER GNR_A ON Kardex AFTER INSERT AS INSERT INTO Log VALUES ('A')");
        ok("CREATE TRIGGER GNR_B ON Kardex AFTER INSERT, DELETE AS INSERT INTO Log VALUES ('B')");
    }
    // Which triggers fire for one insert.
    QStringList fired()
    {
        ok("DELETE FROM Log");
        ok("INSERT INTO Kardex (Qtd) VALUES (1)");
        QStringList out;
        for (const auto& r : rows("SELECT Quem FROM Log WHERE Quem IN ('A', 'B') ORDER BY Quem"))
            out << r[0];
        return out;
    }
    QString state(const QString& trigger)
    {
        return scalar(QStringLiteral("SELECT CAST(t.is_disabled AS varchar) + ':' + CAST(OBJECTPROPERTY(t.object_id, "
                                     "'ExecIsTriggerDisabled') AS varchar) FROM sys.triggers t WHERE t.name = '%1'")
                          .arg(trigger));
    }
};

TEST_F(TriggerState, ADisabledTriggerStaysButDoesNotFireUntilEnabled)
{
    EXPECT_EQ(fired(), QStringList({"A", "B"}));
    EXPECT_EQ(state("GNR_A"), "0:0");
    ok("DISABLE TRIGGER dbo.GNR_A ON dbo.Kardex");
    EXPECT_EQ(fired(), QStringList({"B"}));
    EXPECT_EQ(state("GNR_A"), "1:1");
    EXPECT_EQ(state("GNR_B"), "0:0");
    ok("DISABLE TRIGGER ALL ON Kardex");
    EXPECT_EQ(fired(), QStringList());
    ok("ALTER TABLE Kardex ENABLE TRIGGER GNR_B");
    EXPECT_EQ(fired(), QStringList({"B"}));
    ok("ALTER TABLE Kardex ENABLE TRIGGER ALL");
    ok("ALTER TABLE Kardex DISABLE TRIGGER GNR_A, GNR_B");
    EXPECT_EQ(fired(), QStringList());
    ok("ENABLE TRIGGER GNR_A, GNR_B ON Kardex");
    EXPECT_EQ(fired(), QStringList({"A", "B"}));
    // Other objects have no trigger properties.
    EXPECT_EQ(scalar("SELECT OBJECTPROPERTY(OBJECT_ID('Kardex'), 'ExecIsTriggerDisabled')"), "NULL");
    EXPECT_EQ(scalar("SELECT OBJECTPROPERTY(OBJECT_ID('GNR_B'), 'ExecIsDeleteTrigger')"), "1");
}

TEST_F(TriggerState, DisablingIsUndoneByRollbackAndAlterTriggerEnablesAgain)
{
    ok("BEGIN TRAN; DISABLE TRIGGER GNR_A ON Kardex; ROLLBACK");
    EXPECT_EQ(state("GNR_A"), "0:0");
    ok("DISABLE TRIGGER GNR_A ON Kardex");
    ok("ALTER TRIGGER GNR_A ON Kardex AFTER INSERT AS INSERT INTO Log VALUES ('A')");
    EXPECT_EQ(state("GNR_A"), "0:0");
    EXPECT_EQ(fired(), QStringList({"A", "B"}));
    // ON DATABASE names DDL triggers: there are none, so ALL changes nothing.
    ok("DISABLE TRIGGER ALL ON DATABASE");
    EXPECT_EQ(state("GNR_A"), "0:0");
}

TEST_F(TriggerState, UnknownTriggersAndTablesAreRefused)
{
    ok("CREATE TABLE Outra (Id int)");
    ok("CREATE TRIGGER GNR_Outra ON Outra AFTER INSERT AS RETURN");
    const std::vector<std::pair<const char*, int>> cases{
        {"DISABLE TRIGGER Nada ON Kardex", 1088},
        {"DISABLE TRIGGER GNR_Outra ON Kardex", 1088},
        {"ENABLE TRIGGER GNR_A ON Nada", 1088},
        {"ALTER TABLE Kardex DISABLE TRIGGER GNR_Outra", 4920},
        {"ALTER TABLE Nada DISABLE TRIGGER ALL", 4902},
        {"DISABLE TRIGGER GNR_A ON DATABASE", 1088},
    };
    for (const auto& [sql, number] : cases)
        EXPECT_EQ(error(sql).number, number) << sql;
    // A failing list changes none of its triggers.
    EXPECT_EQ(error("DISABLE TRIGGER GNR_A, Nada ON Kardex").number, 1088);
    EXPECT_EQ(state("GNR_A"), "0:0");
}

TEST_F(TriggerState, TheStateIsKeptAcrossSaveAndLoad)
{
    ok("DISABLE TRIGGER GNR_B ON Kardex");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString err;
    ASSERT_TRUE(engine.save(dir.path(), &err)) << err.toStdString();
    Engine other;
    ASSERT_TRUE(other.load(dir.path(), &err)) << err.toStdString();
    auto s = other.openSession("sa", "h", "ORVO");
    ASSERT_TRUE(s);
    BatchResult r = other.execute(*s, "SELECT name, is_disabled FROM sys.triggers ORDER BY name");
    ASSERT_EQ(r.statements.size(), 1u);
    ASSERT_TRUE(r.statements[0].resultSet);
    const auto& got = r.statements[0].resultSet->rows;
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(toText(got[0][1]), "0");
    EXPECT_EQ(toText(got[1][1]), "1");
}

}  // namespace
}  // namespace standin::test
