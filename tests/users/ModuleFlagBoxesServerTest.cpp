// ModuleFlagBoxes over a user list of the stand-in's demo database: what the boxes show
// after a load, what a rebuild puts into the record, and what the post stores.
#include "StandinServer.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/DataSource.h"
#include "connection/Dataset.h"
#include "connection/PlantProfiles.h"
#include "users/ModuleFlagBoxes.h"
#include "users/OptionCombo.h"

#include <QCheckBox>
#include <gtest/gtest.h>
#include <memory>

namespace {

QString zeros(int n)
{
    return QString(n, QLatin1Char('0'));
}

class ModuleFlagBoxesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.start();
        PlantProfile p;
        p.server = server.address();
        p.database = QStringLiteral("ORVO");
        p.userSql = QStringLiteral("orvo");
        p.passwordSql = QStringLiteral("orvo");
        connection.setConnectionString(p.connectionString());
        connection.open();
        Command set;
        set.setConnection(&connection);
        // José: stray characters everywhere but the boxes; the option "A".
        set.execute(QStringLiteral(
            "UPDATE Usuarios SET ComprasFLAGS = 'S0SxxxxxxxxsXXXXXXXXAZZZZZZZZZ' WHERE Registro = N'0103'"));
        users.setConnection(&connection);
        users.setSql(QStringLiteral("SELECT Usuarios.* FROM Usuarios ORDER BY Nome"));
        source.setDataset(&users);
        source.setAutoEdit(false);
        for (int n = 1; n <= 12; ++n)
            boxes[n] = new QCheckBox(&page);
        option = new OptionCombo(&page);
        compras = std::make_unique<ModuleFlagBoxes>(FlagString::compras(), boxes, option, QList<int> {7}, &source);
        users.open();
        users.moveTo(2); // José Araújo
        ASSERT_EQ(users.asString(QStringLiteral("Registro")), QStringLiteral("0103"));
    }
    QList<int> ticked() const
    {
        QList<int> out;
        for (auto it = boxes.cbegin(); it != boxes.cend(); ++it)
            if (it.value()->isChecked())
                out << it.key();
        return out;
    }
    QString stored()
    {
        Dataset ds;
        ds.setConnection(&connection);
        ds.setSql(QStringLiteral("SELECT ComprasFLAGS FROM Usuarios WHERE Registro = N'0103'"));
        ds.open();
        return ds.asString(QStringLiteral("ComprasFLAGS"));
    }

    StandinServer server;
    Connection connection;
    Dataset users;
    DataSource source;
    QWidget page;
    QMap<int, QCheckBox *> boxes;
    OptionCombo *option = nullptr;
    std::unique_ptr<ModuleFlagBoxes> compras;
};

} // namespace

TEST_F(ModuleFlagBoxesTest, LoadShowsTheStringAndTouchesNothing)
{
    boxes[12]->setChecked(true); // left over from another user
    compras->load();
    EXPECT_EQ(ticked(), (QList<int> {1, 3})); // a lower-case s at 12 grants nothing
    EXPECT_EQ(option->currentIndex(), 2); // "A"
    EXPECT_FALSE(users.isEditing());

    // Unlocked, loading still only shows.
    source.setAutoEdit(true);
    compras->load();
    EXPECT_FALSE(users.isEditing());

    // A user whose string is null: nothing ticked, no option.
    users.moveTo(3); // Lúcia
    compras->load();
    EXPECT_EQ(ticked(), QList<int>());
    EXPECT_EQ(option->currentIndex(), -1);
}

TEST_F(ModuleFlagBoxesTest, StatusFollowsTheLockAndTheRebuildNeedsItOpen)
{
    compras->load();
    compras->setStatus();
    EXPECT_FALSE(boxes[7]->isEnabled());
    EXPECT_FALSE(option->isEnabled());
    compras->update(); // locked: nothing
    EXPECT_FALSE(users.isEditing());

    source.setAutoEdit(true);
    compras->setStatus();
    EXPECT_TRUE(boxes[1]->isEnabled() && boxes[7]->isEnabled() && boxes[12]->isEnabled());
    EXPECT_TRUE(option->isEnabled());

    // The rebuild rewrites the stray characters as zeros; the post stores it.
    compras->update();
    EXPECT_TRUE(users.isEditing());
    const QString rebuilt = QStringLiteral("S0S") + zeros(17) + QStringLiteral("A") + zeros(9);
    EXPECT_EQ(users.asString(QStringLiteral("ComprasFLAGS")), rebuilt);
    users.post();
    EXPECT_EQ(stored(), rebuilt);

    // Unticking position 3 clears the option; the option's close-up ticks it again.
    boxes[3]->setChecked(false);
    compras->update();
    EXPECT_EQ(option->currentIndex(), -1);
    EXPECT_EQ(users.asString(QStringLiteral("ComprasFLAGS")), QStringLiteral("S") + zeros(29));
    option->setCurrentIndex(3);
    compras->optionClosed();
    EXPECT_TRUE(boxes[3]->isChecked());
    users.post();
    EXPECT_EQ(stored(), QStringLiteral("S0S") + zeros(17) + QStringLiteral("T") + zeros(9));

    // An empty list: the rebuild adds no row.
    users.close();
    users.setSql(QStringLiteral("SELECT Usuarios.* FROM Usuarios WHERE Registro = N'nenhum'"));
    users.open();
    compras->update();
    EXPECT_FALSE(users.isEditing());
}
