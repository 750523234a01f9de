// The step runner alone, over a connection of its own to a sql-standin: guards, column
// descriptions, a closed connection, and a server that goes away in the middle of a run.
#include "StandinServer.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "connection/PlantProfiles.h"
#include "maintenance/StepRunner.h"

#include <gtest/gtest.h>

namespace {

class StepRunnerTest : public ::testing::Test
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
        command.setConnection(&connection);
        connection.open();
        server.markLog();
    }

    // The description of a column as the server holds it (null when there is none).
    QVariant description(const QString &table, const QString &column)
    {
        Dataset ds;
        ds.setConnection(&connection);
        ds.setSql(
            QStringLiteral(
                "SELECT CAST(value AS nvarchar(4000)) FROM fn_listextendedproperty('MS_Description', 'user', 'dbo', "
                "'table', '%1', 'column', '%2')")
                .arg(table, column));
        ds.open();
        return ds.recordCount() ? ds.rowValue(0, 0) : QVariant();
    }

    static SchemaStep step(const QString &text, Guard guard, QList<DescriptionEntry> descriptions = {})
    {
        return {text, guard, descriptions, QString()};
    }

    StandinServer server;
    Connection connection;
    Command command;
    StepRunner runner {command};
};

const QString addX = QStringLiteral("ALTER TABLE dbo.Jobs ADD xTeste int NULL");
const QString missing = QStringLiteral("ALTER TABLE dbo.NaoExiste ADD x int NULL");
const QString missing2 = QStringLiteral("ALTER TABLE dbo.NaoExiste ADD y int NULL");
const QString badUpdate = QStringLiteral("UPDATE Jobs SET NaoExiste = 1 FROM Jobs");

} // namespace

TEST_F(StepRunnerTest, GuardsPassOverReportOrEndTheRun)
{
    const DescriptionEntry d {QStringLiteral("Não_Excluir"), QStringLiteral("Jobs"), QStringLiteral("xTeste"),
                              QStringLiteral("Coluna de teste")};
    const QList<SchemaStep> steps {step(missing, Guard::Silent, {d}), step(addX, Guard::Silent, {d}),
                                   step(missing2, Guard::Reported), step(badUpdate, Guard::Unguarded, {d}),
                                   step(QStringLiteral("UPDATE Jobs SET Estado = 0"), Guard::Silent)};
    QList<int> started;
    QStringList lines;
    runner.onStepStarting = [&](int i, int n) { started << i * 100 + n; };
    runner.onStatement = [&](const StatementOutcome &o) {
        if (o.reported)
            lines << o.text;
    };
    try {
        runner.run(steps);
        ADD_FAILURE() << "the unguarded step did not end the run";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("NaoExiste"))) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(QStringLiteral("[FreeTDS]")));
    }
    // The failing silent step still writes its description (which fails too: no column yet);
    // the unguarded failure writes none and sends nothing after it.
    const QString describe = QStringLiteral(
        "DECLARE @v sql_variant SET @v = 'Coluna de teste'EXECUTE sp_addextendedproperty 'MS_Description', "
        "@v, 'user', 'dbo', 'table', 'Jobs', 'column', 'xTeste'");
    EXPECT_EQ(server.batches(), (QStringList {missing, describe, addX, describe, missing2, badUpdate}));
    EXPECT_EQ(started, (QList<int> {105, 205, 305, 405}));
    EXPECT_EQ(lines, QStringList {missing2});
    EXPECT_EQ(runner.reportLines(), QStringList {missing2});

    const auto &o = runner.outcomes();
    ASSERT_EQ(o.size(), 6);
    EXPECT_FALSE(o[0].ok);
    EXPECT_EQ(o[0].errorCode, 4902); // cannot find the object
    EXPECT_FALSE(o[0].reported);
    EXPECT_FALSE(o[1].ok);
    EXPECT_EQ(o[1].kind, StatementOutcome::Kind::AddDescription);
    EXPECT_TRUE(o[2].ok && o[3].ok);
    EXPECT_TRUE(!o[4].ok && o[4].reported && o[4].step == 3);
    EXPECT_TRUE(!o[5].ok && !o[5].reported && o[5].step == 4);
    EXPECT_EQ(description(QStringLiteral("Jobs"), QStringLiteral("xTeste")).toString(),
              QStringLiteral("Coluna de teste"));
}

TEST_F(StepRunnerTest, DescriptionsAreAddedOnceReplacedOnlyByTheExactDropModeAndIgnoredWhereNothingExists)
{
    runner.WriteColumnDescription(QStringLiteral("Não_Excluir"), QStringLiteral("Jobs"), QStringLiteral("Estado"),
                                  QStringLiteral("Primeiro"));
    runner.WriteColumnDescription(QStringLiteral("Não_Excluir"), QStringLiteral("Jobs"), QStringLiteral("Estado"),
                                  QStringLiteral("Segundo"));
    EXPECT_EQ(description(QStringLiteral("Jobs"), QStringLiteral("Estado")).toString(), QStringLiteral("Primeiro"));
    runner.WriteColumnDescription(QStringLiteral("excluir_antes"), QStringLiteral("Jobs"), QStringLiteral("Estado"),
                                  QStringLiteral("Terceiro"));
    EXPECT_EQ(description(QStringLiteral("Jobs"), QStringLiteral("Estado")).toString(), QStringLiteral("Primeiro"));
    runner.WriteColumnDescription(QStringLiteral("Excluir_Antes"), QStringLiteral("Jobs"), QStringLiteral("Estado"),
                                  QStringLiteral("Quarto"));
    EXPECT_EQ(description(QStringLiteral("Jobs"), QStringLiteral("Estado")).toString(), QStringLiteral("Quarto"));
    // Dropping where there is no description yet fails and is passed over; the add follows.
    runner.WriteColumnDescription(QStringLiteral("Excluir_Antes"), QStringLiteral("Jobs"), QStringLiteral("Mensagem"),
                                  QStringLiteral("Mensagem às estações"));
    // Missing column, missing table: nothing is raised.
    runner.WriteColumnDescription(QStringLiteral("Não_Excluir"), QStringLiteral("Jobs"), QStringLiteral("Inexistente"),
                                  QStringLiteral("x"));
    runner.WriteColumnDescription(QStringLiteral("Não_Excluir"), QStringLiteral("Incidentes"), QStringLiteral("iTipo"),
                                  QStringLiteral("x"));
    // A quote in the text is data.
    runner.WriteColumnDescription(QStringLiteral("Não_Excluir"), QStringLiteral("Jobs"), QStringLiteral("DataFT"),
                                  QStringLiteral("Dia d'água"));
    EXPECT_EQ(description(QStringLiteral("Jobs"), QStringLiteral("DataFT")).toString(), QStringLiteral("Dia d'água"));

    EXPECT_EQ(description(QStringLiteral("Jobs"), QStringLiteral("Mensagem")).toString(),
              QStringLiteral("Mensagem às estações"));

    int drops = 0, adds = 0;
    for (const QString &s : server.batches()) {
        drops += s.startsWith(QStringLiteral("EXECUTE sp_dropextendedproperty"));
        adds += s.startsWith(QStringLiteral("DECLARE @v sql_variant"));
    }
    EXPECT_EQ(drops, 2);
    EXPECT_EQ(adds, 8);
    // Each statement reported, none raised.
    QList<bool> ok;
    for (const StatementOutcome &o : runner.outcomes())
        ok << o.ok;
    EXPECT_EQ(ok, (QList<bool> {true, false, false, true, true, false, true, false, false, true}));
    EXPECT_EQ(runner.outcomes()[1].errorCode, 15233);
    EXPECT_EQ(runner.outcomes()[5].kind, StatementOutcome::Kind::DropDescription);
}

TEST_F(StepRunnerTest, AClosedConnectionIsOpenedBeforeTheFirstStatement)
{
    connection.close();
    ASSERT_FALSE(connection.isOpen());
    runner.run({step(addX, Guard::Unguarded)});
    EXPECT_TRUE(connection.isOpen());
    EXPECT_TRUE(runner.outcomes().first().ok);
    EXPECT_TRUE(server.batches().contains(addX));
}

TEST_F(StepRunnerTest, AServerThatGoesAwayMakesEveryLaterStatementFailUnderItsGuard)
{
    const QList<SchemaStep> steps {
        step(addX, Guard::Silent), step(QStringLiteral("UPDATE Jobs SET Estado = 0"), Guard::Silent),
        step(missing, Guard::Reported), step(QStringLiteral("UPDATE Jobs SET Estado = 1"), Guard::Unguarded)};
    runner.onStepStarting = [&](int i, int) {
        if (i == 2)
            server.stop();
    };
    EXPECT_THROW(runner.run(steps), DbError);
    const auto &o = runner.outcomes();
    ASSERT_EQ(o.size(), 4);
    EXPECT_TRUE(o[0].ok);
    EXPECT_FALSE(o[1].ok);
    EXPECT_FALSE(o[1].error.isEmpty());
    EXPECT_TRUE(!o[2].ok && o[2].reported);
    EXPECT_FALSE(o[3].ok);
    EXPECT_EQ(runner.reportLines(), QStringList {missing});
}

// A statement that runs past the command's timeout is cancelled by the driver (an attention
// to the server): a silent step passes over it, an unguarded one ends the run with the
// timeout's error, and the connection goes on working. Here a trigger that waits makes every
// update of Jobs run for half a minute.
TEST_F(StepRunnerTest, AStatementPastItsTimeoutIsCancelledAndFollowsItsGuard)
{
    command.execute(QStringLiteral("CREATE TRIGGER Demorado ON Jobs AFTER UPDATE AS WAITFOR DELAY '00:00:30'"));
    const QString slow = QStringLiteral("UPDATE Jobs SET Mensagem = N'lento'");
    command.setTimeout(1);
    runner.run({step(slow, Guard::Silent), step(addX, Guard::Silent)});
    ASSERT_EQ(runner.outcomes().size(), 2);
    EXPECT_FALSE(runner.outcomes()[0].ok);
    EXPECT_FALSE(runner.outcomes()[0].error.isEmpty());
    EXPECT_TRUE(runner.outcomes()[1].ok) << qPrintable(runner.outcomes()[1].error);

    QString error;
    try {
        runner.run({step(slow, Guard::Unguarded), step(missing, Guard::Silent)});
    } catch (const DbError &e) {
        error = e.message();
    }
    EXPECT_EQ(error, runner.outcomes().value(0).error);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(runner.outcomes().size(), 1);

    // The cancelled updates changed nothing, and the connection answers the next statement.
    Dataset jobs;
    jobs.setConnection(&connection);
    jobs.setSql(QStringLiteral("SELECT COUNT(*) AS n FROM Jobs WHERE Mensagem = N'lento'"));
    jobs.open();
    EXPECT_EQ(jobs.asInteger(QStringLiteral("n")), 0);
}
