// orvo-admin as an administrator runs it, against an own sql-standin: the plants of an INI
// file, the status of several plants, the equalization and the mirror run with and without a
// rehearsal, the switch, the insert script, and bad input. The database is checked through SQL.
#include "StandinServer.h"
#include "app/DatasetTexts.h"
#include "cli/InstalledObjects.h"
#include "cli/PlantSession.h"
#include "cli/SchemaRun.h"
#include "connection/Command.h"
#include "connection/Connection.h"
#include "connection/Dataset.h"
#include "connection/DbError.h"
#include "connection/PlantProfiles.h"
#include "connection/SqlText.h"
#include "maintenance/installer/ObjectTexts.h"
#include "users/UserScript.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

struct Outcome
{
    int code = -1;
    QByteArray out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
    QString text() const { return QString::fromUtf8(out); }
};

// A port of 127.0.0.1 on which nothing listens.
int closedPort()
{
    return 1;
}

class AdminTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString fx = StandinServer::fixturesDir();
        // A second ORVO database on the same server, for a plant of its own.
        server.start({}, {QStringLiteral("--database"), QStringLiteral("ORVO_B=%1/orvo-base.sql").arg(fx),
                          QStringLiteral("--database"), QStringLiteral("ORVO_B=%1/orvo-demo.sql").arg(fx)});
        ini = dir.filePath(QStringLiteral("orvo-senhas.INI"));
        writeIni({{QStringLiteral("Matriz"), server.address(), QStringLiteral("ORVO"), QStringLiteral("orvo")},
                  {QStringLiteral("Filial"), server.address(), QStringLiteral("ORVO_B"), QStringLiteral("orvo")},
                  {QStringLiteral("Fora"), QStringLiteral("127.0.0.1,%1").arg(closedPort()), QStringLiteral("ORVO"),
                   QStringLiteral("orvo")}});
    }

    struct Plant
    {
        QString name, server, database, password;
    };

    void writeIni(const QList<Plant> &plants)
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const Plant &p : plants)
            f.write(QStringLiteral(
                        "[%1]\r\nServer=%2\r\nDataBase=%3\r\nName=Administrator\r\nUserSQL=orvo\r\nPasswordSQL=%4\r\n")
                        .arg(p.name, p.server, p.database, p.password)
                        .toUtf8());
    }

    Outcome admin(QStringList args, bool withIni = true)
    {
        if (withIni)
            args = QStringList {QStringLiteral("--ini"), ini} + args;
        QProcess p;
        p.start(QStringLiteral(ORVO_ADMIN_PATH), args);
        Outcome r;
        if (!p.waitForStarted(10000) || !p.waitForFinished(180000)) {
            p.kill();
            p.waitForFinished(3000);
            ADD_FAILURE() << "orvo-admin did not finish: " << args.join(QLatin1Char(' ')).toStdString();
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // Opens a connection of the test's own to a database of the server.
    Connection &connection(const QString &database = QStringLiteral("ORVO"))
    {
        auto &c = connections[database];
        if (!c) {
            c = std::make_unique<Connection>();
            PlantProfile p;
            p.server = server.address();
            p.database = database;
            p.userSql = QStringLiteral("orvo");
            p.passwordSql = QStringLiteral("orvo");
            c->setConnectionString(p.connectionString());
            c->open();
        }
        return *c;
    }

    QStringList rows(const QString &sql, const QString &database = QStringLiteral("ORVO"))
    {
        Dataset ds;
        ds.setConnection(&connection(database));
        ds.setReadOnly(true);
        ds.setSql(sql);
        ds.open();
        QStringList out;
        for (int r = 0; r < ds.recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < ds.columns().size(); ++c)
                cells << ds.rowValue(r, c).toString();
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }

    void exec(const QString &sql, const QString &database = QStringLiteral("ORVO"))
    {
        Command c;
        c.setConnection(&connection(database));
        c.execute(sql);
    }

    // The schema as the server describes it, the descriptions, and the rows the catalogue's
    // updates rewrite.
    QStringList schema(const QString &database = QStringLiteral("ORVO"))
    {
        return rows(QStringLiteral("SELECT TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION, COLUMN_DEFAULT, IS_NULLABLE, "
                                   "DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION FROM "
                                   "INFORMATION_SCHEMA.COLUMNS ORDER BY TABLE_NAME, ORDINAL_POSITION"),
                    database)
               + rows(
                   QStringLiteral("SELECT TABLE_NAME, TABLE_TYPE FROM INFORMATION_SCHEMA.TABLES ORDER BY TABLE_NAME"),
                   database)
               + rows(QStringLiteral("SELECT major_id, minor_id, name, CAST(value AS nvarchar(4000)) FROM "
                                     "sys.extended_properties ORDER BY major_id, minor_id, name"),
                      database)
               + rows(QStringLiteral("SELECT name, type, parent_object_id FROM sys.objects ORDER BY name"), database)
               + rows(QStringLiteral("SELECT * FROM IPI"), database)
               + rows(QStringLiteral("SELECT * FROM Unidades"), database);
    }

    // What a connection sends by itself when it opens (its session options).
    QStringList sessionSettings()
    {
        server.markLog();
        Connection c;
        PlantProfile p;
        p.server = server.address();
        p.database = QStringLiteral("ORVO");
        p.userSql = QStringLiteral("orvo");
        p.passwordSql = QStringLiteral("orvo");
        c.setConnectionString(p.connectionString());
        c.open();
        c.close();
        return server.batches();
    }

    // What the runs sent to the server, without the rehearsal's transaction and its questions.
    QStringList stepBatches()
    {
        QStringList out;
        for (const QString &b : server.batches())
            if (b != QLatin1String("BEGIN TRANSACTION") && b != QLatin1String("ROLLBACK TRANSACTION")
                && !b.contains(QLatin1String("@@TRANCOUNT")) && !b.startsWith(QLatin1String("SET "))
                && !b.startsWith(QLatin1String("SELECT OBJECT_ID(")))
                out << b;
        return out;
    }

    // What an installation sent, without the rehearsal's statements and the reads around it.
    QStringList installBatches()
    {
        QStringList out;
        for (const QString &b : stepBatches())
            if (!b.startsWith(QLatin1String("SELECT ")))
                out << b;
        return out;
    }

    // A text as the stand-in's log gives it back: a batch ending with a lone CR gains the line
    // feed the log adds after every batch.
    static QString logged(const QString &text)
    {
        return text.endsWith(QLatin1Char('\r')) ? text + QLatin1Char('\n') : text;
    }

    // An object's definition as the server holds it; null when there is no such object.
    QString definition(const QString &object, const QString &database = QStringLiteral("ORVO"))
    {
        Dataset ds;
        ds.setConnection(&connection(database));
        ds.setReadOnly(true);
        ds.setSql(QStringLiteral("SELECT OBJECT_DEFINITION(OBJECT_ID(%1)) AS Texto")
                      .arg(SqlText::unicode(QStringLiteral("dbo.") + object)));
        ds.open();
        return ds.isNull(QStringLiteral("Texto")) ? QString() : ds.asString(QStringLiteral("Texto"));
    }

    static QJsonObject objectOf(const QJsonObject &plant, const QString &name)
    {
        for (const QJsonValue &v : plant[QStringLiteral("objetos")].toObject()[QStringLiteral("lista")].toArray())
            if (v.toObject()[QStringLiteral("nome")].toString() == name)
                return v.toObject();
        return {};
    }

    static QStringList outcomes(const QJsonObject &run)
    {
        QStringList out;
        for (const QJsonValue &v : run[QStringLiteral("instrucoes")].toArray()) {
            const QJsonObject o = v.toObject();
            out << QStringLiteral("%1|%2|%3|%4")
                       .arg(o[QStringLiteral("passo")].toInt())
                       .arg(o[QStringLiteral("texto")].toString())
                       .arg(o[QStringLiteral("ok")].toBool())
                       .arg(o[QStringLiteral("erroNumero")].toInt());
        }
        return out;
    }

    static QJsonObject plantOf(const QJsonObject &status, const QString &name)
    {
        for (const QJsonValue &v : status[QStringLiteral("plantas")].toArray())
            if (v.toObject()[QStringLiteral("planta")].toString() == name)
                return v.toObject();
        return {};
    }

    StandinServer server;
    QTemporaryDir dir;
    QString ini;
    std::map<QString, std::unique_ptr<Connection>> connections;
};

TEST_F(AdminTest, PlantasListsTheSectionsInFileOrderWithServerAndDatabaseButNoPassword)
{
    writeIni(
        {{QStringLiteral("Matriz"), QStringLiteral("srv01\\ORVO"), QStringLiteral("ORVO"), QStringLiteral("s3gredo")},
         {QStringLiteral("Filial"), QStringLiteral("tcp:10.1.2.3,1433"), QStringLiteral("ORVO_FILIAL"),
          QStringLiteral("outra")}});
    const Outcome text = admin({QStringLiteral("plantas")});
    EXPECT_EQ(text.code, 0);
    const QStringList lines = text.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[2].startsWith(QLatin1String("Matriz  srv01\\ORVO")));
    EXPECT_TRUE(lines[3].startsWith(QLatin1String("Filial  tcp:10.1.2.3,1433  ORVO_FILIAL")));
    EXPECT_FALSE(text.text().contains(QLatin1String("s3gredo")));

    const Outcome json = admin({QStringLiteral("plantas"), QStringLiteral("--json")});
    EXPECT_EQ(json.code, 0);
    const QJsonArray plants = json.json()[QStringLiteral("plantas")].toArray();
    ASSERT_EQ(plants.size(), 2);
    EXPECT_EQ(plants[1].toObject()[QStringLiteral("banco")].toString(), QStringLiteral("ORVO_FILIAL"));
    EXPECT_FALSE(json.text().contains(QLatin1String("outra")));
}

TEST_F(AdminTest, StatusOfAPlantBehindOneUpToDateAndOneUnreachableWithTheSwitchOfEach)
{
    // Filial brought up to date by the runs themselves: the equalization twice (the second
    // run adds what the first created too late), then the mirror columns.
    ASSERT_EQ(admin({QStringLiteral("equalizar"), QStringLiteral("Filial"), QStringLiteral("--yes")}).code, 0);
    ASSERT_EQ(admin({QStringLiteral("equalizar"), QStringLiteral("Filial"), QStringLiteral("--yes")}).code, 0);
    ASSERT_EQ(admin({QStringLiteral("sem-acento"), QStringLiteral("Filial"), QStringLiteral("--yes")}).code, 0);
    exec(QStringLiteral("UPDATE Jobs SET Estado = 1, RespFT = N'fulano', DataFT = '2026-11-28T18:30:00'"),
         QStringLiteral("ORVO_B"));
    const QStringList behind = schema();

    server.markLog();
    const Outcome all = admin({QStringLiteral("status"), QStringLiteral("--json")});
    EXPECT_EQ(all.code, 3) << qPrintable(all.err);
    // A look that only reads: no transaction, no change, nothing but SELECTs after the
    // session's own settings.
    const QStringList sent = server.batches();
    const QStringList settings = sessionSettings();
    ASSERT_FALSE(sent.isEmpty());
    for (const QString &b : sent)
        EXPECT_TRUE(b.startsWith(QLatin1String("SELECT ")) || settings.contains(b)) << qPrintable(b);
    const QJsonObject matriz = plantOf(all.json(), QStringLiteral("Matriz"));
    const QJsonObject filial = plantOf(all.json(), QStringLiteral("Filial"));
    const QJsonObject fora = plantOf(all.json(), QStringLiteral("Fora"));
    EXPECT_TRUE(matriz[QStringLiteral("conectada")].toBool());
    EXPECT_EQ(matriz[QStringLiteral("criptografada")], QJsonValue(false)); // a server without a certificate
    EXPECT_FALSE(fora[QStringLiteral("conectada")].toBool());
    EXPECT_FALSE(fora[QStringLiteral("erro")].toString().isEmpty());

    const QJsonObject behindCatalogue = matriz[QStringLiteral("catalogo")].toObject();
    EXPECT_GT(behindCatalogue[QStringLiteral("passosPendentes")].toInt(), 70);
    EXPECT_GT(behindCatalogue[QStringLiteral("descricoesPendentes")].toInt(), 150);
    EXPECT_EQ(matriz[QStringLiteral("semAcento")].toObject()[QStringLiteral("faltando")].toArray().size(),
              matriz[QStringLiteral("semAcento")].toObject()[QStringLiteral("colunas")].toInt());
    EXPECT_TRUE(matriz[QStringLiteral("aplicativo")].toObject()[QStringLiteral("liberado")].toBool());

    const QJsonObject upToDate = filial[QStringLiteral("catalogo")].toObject();
    EXPECT_EQ(upToDate[QStringLiteral("passosPendentes")].toInt(), 0);
    EXPECT_EQ(upToDate[QStringLiteral("descricoesPendentes")].toInt(), 0);
    EXPECT_EQ(upToDate[QStringLiteral("passosRepetidos")].toInt(), 5);
    EXPECT_TRUE(filial[QStringLiteral("semAcento")].toObject()[QStringLiteral("faltando")].toArray().isEmpty());
    const QJsonObject app = filial[QStringLiteral("aplicativo")].toObject();
    EXPECT_FALSE(app[QStringLiteral("liberado")].toBool());
    EXPECT_EQ(app[QStringLiteral("estado")].toString(), QStringLiteral("1"));
    EXPECT_EQ(app[QStringLiteral("desabilitadoPor")].toString(), QStringLiteral("fulano"));
    EXPECT_EQ(app[QStringLiteral("desabilitadoEm")].toString(), QStringLiteral("28/11/2026 18:30"));

    // The look changed nothing.
    EXPECT_EQ(schema(), behind);

    // Only reachable plants named: exit 0, and the table at the end has one row per plant.
    const Outcome two = admin({QStringLiteral("status"), QStringLiteral("matriz"), QStringLiteral("Filial")});
    EXPECT_EQ(two.code, 0) << qPrintable(two.err);
    const QStringList lines = two.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    static const QRegularExpression columns(QStringLiteral("\\s{2,}"));
    EXPECT_EQ(lines[lines.size() - 2].split(columns).mid(0, 3),
              (QStringList {QStringLiteral("Matriz"), QStringLiteral("ok"), QStringLiteral("liberado")}));
    EXPECT_EQ(lines.last().split(columns),
              (QStringList {QStringLiteral("Filial"), QStringLiteral("ok"), QStringLiteral("derrubado (Estado 1)"),
                            QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                            QStringLiteral("%1/0").arg(
                                filial[QStringLiteral("objetos")].toObject()[QStringLiteral("ausentes")].toInt())}));
    EXPECT_TRUE(two.text().contains(QStringLiteral("Responsável ..... fulano")));
}

TEST_F(AdminTest, RehearsalReportsWhatTheRealRunThenDoesAndLeavesTheSchemaAsItWas)
{
    const QStringList before = schema();
    server.markLog();
    const Outcome dry = admin(
        {QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--dry-run"), QStringLiteral("--json")});
    EXPECT_EQ(dry.code, 0) << qPrintable(dry.err);
    const QStringList rehearsed = stepBatches();
    EXPECT_EQ(schema(), before);
    EXPECT_TRUE(dry.json()[QStringLiteral("desfeito")].toBool());
    // One transaction around the whole rehearsal.
    const QStringList all = server.batches();
    ASSERT_FALSE(all.isEmpty());
    EXPECT_EQ(all.count(QStringLiteral("BEGIN TRANSACTION")), 1);
    EXPECT_EQ(all.count(QStringLiteral("ROLLBACK TRANSACTION")), 1);
    EXPECT_LT(all.indexOf(QStringLiteral("SET XACT_ABORT OFF")), all.indexOf(QStringLiteral("BEGIN TRANSACTION")));
    EXPECT_LT(all.indexOf(QStringLiteral("BEGIN TRANSACTION")), all.indexOf(rehearsed.first()));
    EXPECT_GT(all.indexOf(QStringLiteral("ROLLBACK TRANSACTION")), all.lastIndexOf(rehearsed.last()));

    server.markLog();
    const Outcome real = admin(
        {QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--yes"), QStringLiteral("--json")});
    EXPECT_EQ(real.code, 0) << qPrintable(real.err);
    EXPECT_FALSE(real.json()[QStringLiteral("ensaio")].toBool());
    // The same batches, one per statement, and the same outcome of each.
    EXPECT_EQ(stepBatches(), rehearsed);
    EXPECT_EQ(outcomes(real.json()), outcomes(dry.json()));
    EXPECT_GT(outcomes(real.json()).size(), 250);
    EXPECT_NE(schema(), before);
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM IPI WHERE diIVA = '20251001' AND dfIVA = '20291231'")),
              rows(QStringLiteral("SELECT COUNT(*) FROM IPI")));

    // Now the two reported creates are refused on every run because their tables are there:
    // the window's lines, cClassTrib first, each step already applied, and exit 0.
    const Outcome again = admin({QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--dry-run")});
    EXPECT_EQ(again.code, 0);
    const QString memo = again.text().section(QStringLiteral("MemoCCDB:\n"), 1);
    const QStringList lines = memo.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << qPrintable(again.text());
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("CREATE TABLE dbo.cClassTrib(")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("CREATE TABLE dbo.Peças_Logistica(")));
    EXPECT_TRUE(again.text().contains(QStringLiteral("Passo 5 de 86 (relatado): já aplicado [2714]")));
    // Dropping a constraint that is gone would end the rehearsal's transaction on the server:
    // the rehearsal asks first and goes on to the last step.
    EXPECT_TRUE(again.text().contains(QStringLiteral(
        "Passo 44 de 86 (silencioso): já aplicado (a restrição DF_ItensNFVolumesRGItv não existe; não enviado no ensaio)")))
        << qPrintable(again.text());
    EXPECT_FALSE(again.text().contains(QStringLiteral("encerrou a transação do ensaio")));
    // A table that is not there, refused because another object took its key's name, is a
    // failure like any other.
    exec(QStringLiteral("DROP TABLE dbo.cClassTrib"));
    exec(QStringLiteral("CREATE TABLE dbo.Outra (x int NOT NULL CONSTRAINT PK_cClassTrib PRIMARY KEY)"));
    const Outcome taken = admin({QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--dry-run")});
    EXPECT_EQ(taken.code, 1);
    EXPECT_TRUE(taken.text().contains(QStringLiteral("Passo 5 de 86 (relatado): falharia [")))
        << qPrintable(taken.text());
}

TEST_F(AdminTest, MirrorRunRehearsedStopsWhereTheRealRunWouldAndUndoesTheStepsBefore)
{
    // Unidades without Descrição: the copy of step 3 ends the run.
    exec(QStringLiteral("ALTER TABLE dbo.Unidades DROP COLUMN Descrição"));
    const QStringList before = schema();
    const Outcome dry = admin({QStringLiteral("sem-acento"), QStringLiteral("Matriz"), QStringLiteral("--dry-run"),
                               QStringLiteral("--json")});
    EXPECT_EQ(dry.code, 1);
    const QJsonObject r = dry.json();
    EXPECT_EQ(r[QStringLiteral("paradaNoPasso")].toInt(), 3);
    EXPECT_EQ(r[QStringLiteral("memo")].toArray(), QJsonArray {QStringLiteral("10%")});
    EXPECT_EQ(r[QStringLiteral("erroDaParadaNumero")].toInt(), 207);
    EXPECT_EQ(r[QStringLiteral("passos")].toArray()[3].toObject()[QStringLiteral("resultado")].toString(),
              QStringLiteral("nao_enviado"));
    // Step 1 (CEPs.IdCep) and step 2 (Unidades.Descricao) were applied in the transaction and undone.
    EXPECT_EQ(schema(), before);

    const Outcome real = admin(
        {QStringLiteral("sem-acento"), QStringLiteral("Matriz"), QStringLiteral("--yes"), QStringLiteral("--json")});
    EXPECT_EQ(real.code, 1);
    EXPECT_EQ(outcomes(real.json()), outcomes(r));
    EXPECT_EQ(rows(QStringLiteral("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'CEPs' AND "
                                  "COLUMN_NAME = 'IdCep'")),
              QStringList {QStringLiteral("IdCep")});
}

TEST_F(AdminTest, StatusAndRehearsalSayWhereAnUnguardedUpdateWouldEndTheRun)
{
    // IPI has pCBS but not diIVA: step 13 adds none of its columns, and update 14 fails.
    exec(QStringLiteral("ALTER TABLE dbo.IPI ADD pCBS real NULL"));
    const Outcome status = admin({QStringLiteral("status"), QStringLiteral("Matriz"), QStringLiteral("--json")});
    EXPECT_EQ(status.code, 0);
    const QJsonObject catalogue =
        plantOf(status.json(), QStringLiteral("Matriz"))[QStringLiteral("catalogo")].toObject();
    EXPECT_EQ(catalogue[QStringLiteral("paradaNoPasso")].toInt(), 14);
    EXPECT_TRUE(catalogue[QStringLiteral("erroDaParada")].toString().contains(QLatin1String("diIVA")));

    const Outcome dry = admin({QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--dry-run")});
    EXPECT_EQ(dry.code, 1);
    EXPECT_TRUE(dry.text().contains(QStringLiteral("A execução pararia no passo 14: [207]"))) << qPrintable(dry.text());
    EXPECT_TRUE(dry.text().contains(QStringLiteral("72 não enviados")));
    EXPECT_FALSE(dry.text().contains(QLatin1String("Passo 15 de 86")));
}

// A server that ends the rehearsal's transaction on its own (here a step does it, as some
// errors do on a real server): the next refused statement reveals it, and nothing after it is
// sent, so nothing is changed for real.
TEST_F(AdminTest, RehearsalWhoseTransactionTheServerEndedSendsNothingMore)
{
    Connection &c = connection();
    Command command;
    command.setConnection(&c);
    SchemaRun run(c, command);
    const QList<SchemaStep> steps {
        {QStringLiteral("ROLLBACK TRANSACTION"), Guard::Silent, {}, QString()},
        {QStringLiteral("ALTER TABLE dbo.NaoExiste ADD x int NULL"), Guard::Silent, {}, QString()},
        {QStringLiteral("ALTER TABLE dbo.Jobs ADD xTeste int NULL"), Guard::Silent, {}, QString()},
    };
    const SchemaRun::Result r = run.run(steps, SchemaRun::Mode::Rehearse);
    EXPECT_EQ(r.transactionLostAtStep, 2);
    EXPECT_FALSE(r.steps[2].sent);
    EXPECT_TRUE(r.anyShownFailure());
    EXPECT_TRUE(r.rolledBack);
    EXPECT_TRUE(rows(QStringLiteral("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'Jobs' AND "
                                    "COLUMN_NAME = 'xTeste'"))
                    .isEmpty());
}

TEST_F(AdminTest, MirrorRunOnAWholeDatabaseWritesTheFifteenProgressLines)
{
    const Outcome real = admin({QStringLiteral("sem-acento"), QStringLiteral("Matriz"), QStringLiteral("--yes")});
    EXPECT_EQ(real.code, 0) << qPrintable(real.err);
    const QStringList memo =
        real.text().section(QStringLiteral("MemoCCDB:\n"), 1).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(memo.size(), 15);
    EXPECT_EQ(memo.first(), QStringLiteral("10%"));
    EXPECT_EQ(memo.last(), QStringLiteral("81%"));
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM Unidades WHERE Descricao = Descrição")),
              rows(QStringLiteral("SELECT COUNT(*) FROM Unidades WHERE Descrição IS NOT NULL")));
    // Progress went to standard error, step by step.
    EXPECT_TRUE(real.err.contains(QStringLiteral("Campos sem acento: passo 46 de 46")));
}

TEST_F(AdminTest, SwitchNeedsYesSendsThePageStatementsAndLeavesAPlantAlreadyInTheStateAlone)
{
    const QString jobs = QStringLiteral("SELECT Estado, RespFT, DataFT, RespRT, DataRT FROM Jobs");
    const QStringList start = rows(jobs);
    const Outcome refused = admin({QStringLiteral("chave"), QStringLiteral("Matriz"), QStringLiteral("desliga")});
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(refused.err.contains(QLatin1String("--yes")));
    EXPECT_EQ(rows(jobs), start);

    server.markLog();
    const Outcome off =
        admin({QStringLiteral("chave"), QStringLiteral("Matriz"), QStringLiteral("desliga"), QStringLiteral("--yes")});
    EXPECT_EQ(off.code, 0) << qPrintable(off.err);
    EXPECT_TRUE(server.batches().contains(QStringLiteral("Update Jobs SET DataFT = GetDate(), RespFT = SYSTEM_USER")));
    const QStringList disabled = rows(jobs);
    ASSERT_EQ(disabled.size(), 1);
    EXPECT_TRUE(disabled[0].startsWith(QLatin1String("1|orvo|")));
    EXPECT_NE(disabled, start);
    EXPECT_EQ(disabled[0].section(QLatin1Char('|'), 3), start[0].section(QLatin1Char('|'), 3)); // RT kept

    const Outcome twice =
        admin({QStringLiteral("chave"), QStringLiteral("Matriz"), QStringLiteral("desliga"), QStringLiteral("--yes")});
    EXPECT_EQ(twice.code, 0);
    EXPECT_TRUE(twice.text().contains(QStringLiteral("já está derrubado")));
    EXPECT_EQ(rows(jobs), disabled);

    server.markLog();
    const Outcome on = admin({QStringLiteral("chave"), QStringLiteral("Matriz"), QStringLiteral("liga"),
                              QStringLiteral("--yes"), QStringLiteral("--json")});
    EXPECT_EQ(on.code, 0);
    EXPECT_TRUE(on.json()[QStringLiteral("alterado")].toBool());
    EXPECT_TRUE(server.batches().contains(QStringLiteral("Update Jobs SET DataRT = GetDate(), RespRT = SYSTEM_USER")));
    const QStringList enabled = rows(jobs);
    EXPECT_TRUE(enabled[0].startsWith(QLatin1String("0|orvo|")));
    EXPECT_EQ(enabled[0].section(QLatin1Char('|'), 3, 3), QStringLiteral("orvo"));
}

TEST_F(AdminTest, ARefusedStampIsReportedWithTheStateItLeftStored)
{
    exec(QStringLiteral("ALTER TABLE dbo.Jobs DROP COLUMN RespFT"));
    const Outcome off =
        admin({QStringLiteral("chave"), QStringLiteral("Matriz"), QStringLiteral("desliga"), QStringLiteral("--yes")});
    EXPECT_EQ(off.code, 1);
    EXPECT_TRUE(off.err.contains(QLatin1String("RespFT"))) << qPrintable(off.err);
    EXPECT_TRUE(off.err.contains(QStringLiteral("Jobs tem agora Estado 1 ..!"))) << qPrintable(off.err);
    EXPECT_EQ(rows(QStringLiteral("SELECT Estado FROM Jobs")), QStringList {QStringLiteral("1")});
}

TEST_F(AdminTest, ExportOfAUserIsTheScriptOfThatUserInTheWindowsList)
{
    exec(QStringLiteral("UPDATE Usuarios SET Nome = N'D''Ávila', EmailU = NULL WHERE Registro = N'0001'"));
    const Outcome r = admin({QStringLiteral("exportar-usuario"), QStringLiteral("Matriz"), QStringLiteral("0001")});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);

    // The window's list, standing on that user.
    Dataset list;
    list.setConnection(&connection());
    list.setSql(QString::fromUtf8(DatasetTexts::SenhaSQL));
    list.open();
    while (!list.eof() && list.asString(QStringLiteral("Registro")) != QLatin1String("0001"))
        list.next();
    ASSERT_FALSE(list.eof());
    const UserScript::Report window = UserScript::insertScript(list);
    EXPECT_EQ(r.out, window.script.toUtf8() + '\n');
    EXPECT_TRUE(r.out.contains("'D''Ávila'"));
    EXPECT_TRUE(r.out.contains(" ) \rVALUES ("));

    const Outcome unknown =
        admin({QStringLiteral("exportar-usuario"), QStringLiteral("Matriz"), QStringLiteral("9999")});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("Não há usuário com o Registro 9999")));
    EXPECT_TRUE(unknown.out.isEmpty());
}

TEST_F(AdminTest, BadInputGivesOneClearLineAndItsExitCode)
{
    const Outcome missing =
        admin({QStringLiteral("--ini"), dir.filePath(QStringLiteral("nada.INI")), QStringLiteral("plantas")}, false);
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("Arquivo INI não encontrado: ")));
    const Outcome folder = admin({QStringLiteral("--ini"), dir.path(), QStringLiteral("plantas")}, false);
    EXPECT_EQ(folder.code, 2);
    EXPECT_TRUE(folder.err.startsWith(QStringLiteral("Arquivo INI não pode ser lido: ")));

    const Outcome unknownPlant =
        admin({QStringLiteral("equalizar"), QStringLiteral("Nenhuma"), QStringLiteral("--dry-run")});
    EXPECT_EQ(unknownPlant.code, 2);
    EXPECT_TRUE(unknownPlant.err.contains(QLatin1String("Planta desconhecida: Nenhuma")));
    EXPECT_TRUE(unknownPlant.err.contains(QLatin1String("Matriz, Filial, Fora")));

    const Outcome unreachable =
        admin({QStringLiteral("equalizar"), QStringLiteral("Fora"), QStringLiteral("--dry-run")});
    EXPECT_EQ(unreachable.code, 3);
    EXPECT_TRUE(unreachable.err.startsWith(QStringLiteral("Não foi possível conectar à planta Fora")));
    EXPECT_TRUE(unreachable.out.isEmpty());

    writeIni({{QStringLiteral("Matriz"), server.address(), QStringLiteral("ORVO"), QStringLiteral("errada")}});
    const QStringList before = schema();
    const Outcome password = admin({QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--yes")});
    EXPECT_EQ(password.code, 3);
    EXPECT_TRUE(password.err.contains(QLatin1String("Login failed for user 'orvo'"))) << qPrintable(password.err);
    EXPECT_EQ(schema(), before);

    for (const QStringList &args : QList<QStringList> {
             {},
             {QStringLiteral("limpar")},
             {QStringLiteral("plantas"), QStringLiteral("--forca")},
             {QStringLiteral("chave"), QStringLiteral("Matriz"), QStringLiteral("liga"), QStringLiteral("--dry-run")},
             {QStringLiteral("chave"), QStringLiteral("Matriz"), QStringLiteral("talvez"), QStringLiteral("--yes")},
             {QStringLiteral("equalizar"), QStringLiteral("--yes")},
             {QStringLiteral("--ini")}}) {
        const Outcome r = admin(args);
        EXPECT_EQ(r.code, 2) << qPrintable(args.join(QLatin1Char(' ')));
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST_F(AdminTest, ConferenceOfAFolderAttachesTheMatchedVolumesAndListsTheResult)
{
    QTemporaryDir readers;
    const QString empty = readers.filePath(QStringLiteral("vazia"));
    ASSERT_TRUE(QDir().mkpath(empty));
    QFile::copy(StandinServer::fixturesDir() + QStringLiteral("/reader/exemplo.txt"),
                readers.filePath(QStringLiteral("a.txt")));
    QFile ignored(readers.filePath(QStringLiteral("b.log")));
    ASSERT_TRUE(ignored.open(QIODevice::WriteOnly));
    ignored.write("999999-009009999-MASTER00000009\r\n");
    ignored.close();

    server.markLog();
    const Outcome noYes = admin({QStringLiteral("conferir"), QStringLiteral("Matriz"), readers.path()});
    EXPECT_EQ(noYes.code, 2);
    EXPECT_TRUE(noYes.err.contains(QLatin1String("--yes")));
    EXPECT_FALSE(noYes.err.contains(QLatin1String("--dry-run"))) << "conferir has no rehearsal";
    const Outcome noFiles =
        admin({QStringLiteral("conferir"), QStringLiteral("Matriz"), empty, QStringLiteral("--yes")});
    EXPECT_EQ(noFiles.code, 2);
    EXPECT_TRUE(noFiles.err.contains(QStringLiteral("não tem arquivos do leitor (*.txt)")));
    EXPECT_TRUE(server.batches().isEmpty());

    // A fixed-width Razão comes back padded; the company is taken as the window shows it.
    exec(QStringLiteral("ALTER TABLE dbo.PessoaFJ ALTER COLUMN Razão nchar(60) NULL"));
    server.markLog();
    const Outcome run = admin({QStringLiteral("conferir"), QStringLiteral("Matriz"), readers.path(),
                               QStringLiteral("--yes"), QStringLiteral("--json")});
    EXPECT_EQ(run.code, 0) << qPrintable(run.err);
    const QStringList sent = server.batches();
    EXPECT_TRUE(sent.contains(QStringLiteral(
        "INSERT INTO ConferirTEMP (cod_empresa, Cod128, EtqNF) VALUES ('Bravik Indústria Metalúrgica Ltda', "
        "'999999-001001234-MASTER00000001', 'nff-001234-0001-PC1001')")))
        << qPrintable(sent.mid(0, 4).join(QLatin1Char('\n')));
    EXPECT_TRUE(
        sent.contains(QStringLiteral("SELECT Cod128, EtqNF, IdMud, IdItemNF FROM ConferirTEMP ORDER BY Cod128, EtqNF")));
    const QJsonObject r = run.json();
    EXPECT_EQ(r[QStringLiteral("arquivos")].toArray(), QJsonArray {QStringLiteral("a.txt")});
    // The result listed is the work table as it stands.
    QStringList listed;
    for (const QJsonValue &v : r[QStringLiteral("conferido")].toArray()) {
        const QJsonObject o = v.toObject();
        listed << QStringList {o[QStringLiteral("Cod128")].toString(), o[QStringLiteral("EtqNF")].toString(),
                               o[QStringLiteral("IdMud")].toString(), o[QStringLiteral("IdItemNF")].toString()}
                      .join(QLatin1Char('|'));
    }
    EXPECT_EQ(listed, rows(QStringLiteral("SELECT Cod128, EtqNF, IdMud, IdItemNF FROM ConferirTEMP ORDER BY Cod128, EtqNF")));
    EXPECT_GE(listed.size(), 3);
    // Every matched item carries its master unit; the .log file added no master unit.
    EXPECT_EQ(
        rows(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP t INNER JOIN ItensNFLogix i ON t.IdItemNF = i.IdItemNF "
                            "WHERE i.IdMud = t.IdMud")),
        rows(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP WHERE IdItemNF IS NOT NULL")));
    EXPECT_NE(rows(QStringLiteral("SELECT COUNT(*) FROM ConferirTEMP WHERE IdItemNF IS NOT NULL")),
              QStringList {QStringLiteral("0")});
    EXPECT_EQ(rows(QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD WHERE Cod128 LIKE '%MASTER00000009'")),
              QStringList {QStringLiteral("0")});
    EXPECT_EQ(r[QStringLiteral("empresa")].toString(), QStringLiteral("Bravik Indústria Metalúrgica Ltda"));
}

TEST_F(AdminTest, StatusTellsEachInstallerObjectPresentMissingOrWithAnotherText)
{
    using installer::carriedText;
    ASSERT_EQ(
        admin({QStringLiteral("instalar"), QStringLiteral("Matriz"), QStringLiteral("--lote"), QStringLiteral("--yes")})
            .code,
        0);
    // First_Day_Month created again by hand with LF line ends only: the same text. One line of
    // Remover_acento changed by hand: another text from that line on.
    exec(QStringLiteral("DROP FUNCTION First_Day_Month"));
    exec(QString(carriedText(QStringLiteral("First_Day_Month"))).replace(QLatin1String("\r\n"), QLatin1String("\n"))
         + QLatin1Char('\n'));
    // A company neither gated entry installs for.
    exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'11111111000111' WHERE Ativa = 1"), QStringLiteral("ORVO_B"));
    QStringList lines = carriedText(QStringLiteral("Remover_acento")).split(QStringLiteral("\r\n"));
    int changed = -1;
    for (int i = 2; i < lines.size() && changed < 0; ++i)
        if (lines[i].trimmed().startsWith(QLatin1String("--")) || lines[i].contains(QLatin1String("REPLACE")))
            changed = i;
    ASSERT_GT(changed, 0);
    lines[changed] += QStringLiteral(" -- mudado à mão");
    exec(QStringLiteral("DROP FUNCTION Remover_acento"));
    exec(lines.join(QStringLiteral("\r\n")));
    // A trigger with the program's text that does not fire.
    exec(QStringLiteral("DISABLE TRIGGER GNR_Saldo_Terceiros_NOTAS ON dbo.Notas"));

    const Outcome json =
        admin({QStringLiteral("status"), QStringLiteral("Matriz"), QStringLiteral("Filial"), QStringLiteral("--json")});
    EXPECT_EQ(json.code, 0) << qPrintable(json.err);
    const QJsonObject matriz = plantOf(json.json(), QStringLiteral("Matriz"));
    const qsizetype carried = InstalledObjects::carried().size();
    EXPECT_EQ(matriz[QStringLiteral("objetos")].toObject()[QStringLiteral("total")].toInt(), carried);
    for (const char *same :
         {"First_Day_Month", "GNR_Etiquetas_Recebimento", "Evol_Invent_Kardex", "GNR_UP_Kardex_Novo"})
        EXPECT_EQ(objectOf(matriz, QLatin1String(same))[QStringLiteral("estado")].toString(), QStringLiteral("igual"))
            << same;
    const QJsonObject different = objectOf(matriz, QStringLiteral("Remover_acento"));
    EXPECT_EQ(different[QStringLiteral("estado")].toString(), QStringLiteral("diferente"));
    EXPECT_EQ(different[QStringLiteral("tipo")].toString(), QStringLiteral("função"));
    EXPECT_EQ(different[QStringLiteral("primeiraLinhaDiferente")].toInt(), changed + 1);
    EXPECT_EQ(objectOf(matriz, QStringLiteral("Erro_Saldo_Kardex"))[QStringLiteral("estado")].toString(),
              QStringLiteral("ausente"));
    EXPECT_EQ(matriz[QStringLiteral("objetos")].toObject()[QStringLiteral("diferentes")].toInt(), 1);
    EXPECT_EQ(objectOf(matriz, QStringLiteral("GNR_Saldo_Terceiros_NOTAS"))[QStringLiteral("estado")].toString(),
              QStringLiteral("desativado"));
    const int missing = matriz[QStringLiteral("objetos")].toObject()[QStringLiteral("ausentes")].toInt();
    EXPECT_EQ(missing + 6, carried);
    // A database without any of them.
    const QJsonObject filial = plantOf(json.json(), QStringLiteral("Filial"));
    EXPECT_EQ(filial[QStringLiteral("objetos")].toObject()[QStringLiteral("ausentes")].toInt(), carried - 2);
    for (const char *gated : {"GNR_DEL_ContasPR_Matriz", "GNR_UP_RND_ITENS"}) {
        EXPECT_EQ(objectOf(filial, QLatin1String(gated))[QStringLiteral("estado")].toString(),
                  QStringLiteral("nao_se_aplica"));
        EXPECT_EQ(objectOf(matriz, QLatin1String(gated))[QStringLiteral("estado")].toString(),
                  QStringLiteral("ausente"));
    }

    const Outcome text = admin({QStringLiteral("status"), QStringLiteral("Matriz")});
    EXPECT_EQ(text.code, 0);
    EXPECT_TRUE(text.text().contains(
        QStringLiteral("    texto diferente: Remover_acento (função), a partir da linha %1\n").arg(changed + 1)));
    EXPECT_TRUE(text.text().contains(QStringLiteral("    ausente: Erro_Saldo_Kardex (procedimento)\n")));
    EXPECT_TRUE(
        text.text().contains(QStringLiteral("    desativado: GNR_Saldo_Terceiros_NOTAS (trigger), não dispara\n")));
    EXPECT_TRUE(text.text().contains(
        QStringLiteral("Objetos: 4 de %1 instalados com o texto do programa; %2 ausentes, 1 com texto diferente; "
                       "1 desativado")
            .arg(carried)
            .arg(missing)));
    static const QRegularExpression columns(QStringLiteral("\\s{2,}"));
    EXPECT_EQ(text.text().trimmed().split(QLatin1Char('\n')).last().split(columns).last(),
              QStringLiteral("%1/2").arg(missing));
}

TEST_F(AdminTest, InstallOfAnEntrySendsItsDropAndItsTextAndTheRehearsalLeavesNothing)
{
    using installer::carriedText;
    using installer::pageText;
    const QStringList entry {QStringLiteral("instalar"), QStringLiteral("Matriz"), QStringLiteral("--entrada"),
                             QStringLiteral("FUNCTIONRemoverAcentos1")};
    server.markLog();
    const Outcome refused = admin(entry);
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(refused.err.contains(QLatin1String("--yes")));
    EXPECT_TRUE(server.batches().isEmpty());

    const QStringList sent {QStringLiteral("DROP FUNCTION Remover_acento\r\n"),
                            pageText(QStringLiteral("Remover_Acentos"))};
    server.markLog();
    const Outcome dry = admin(entry + QStringList {QStringLiteral("--dry-run"), QStringLiteral("--json")});
    EXPECT_EQ(dry.code, 0) << qPrintable(dry.err);
    EXPECT_EQ(installBatches(), sent);
    EXPECT_EQ(server.batches().count(QStringLiteral("ROLLBACK TRANSACTION")), 1);
    EXPECT_TRUE(dry.json()[QStringLiteral("desfeito")].toBool());
    const QJsonArray rehearsed =
        dry.json()[QStringLiteral("instalacoes")].toArray()[0].toObject()[QStringLiteral("instrucoes")].toArray();
    ASSERT_EQ(rehearsed.size(), 2);
    EXPECT_EQ(rehearsed[0].toObject()[QStringLiteral("erroNumero")].toInt(), 3701);
    EXPECT_TRUE(rehearsed[1].toObject()[QStringLiteral("ok")].toBool());
    EXPECT_TRUE(definition(QStringLiteral("Remover_acento")).isNull());

    // The real run, twice: the second replaces the object with the same text.
    for (int run = 0; run < 2; ++run) {
        server.markLog();
        const Outcome real = admin(entry + QStringList {QStringLiteral("--yes")});
        EXPECT_EQ(real.code, 0) << qPrintable(real.err);
        EXPECT_EQ(installBatches(), sent);
        EXPECT_EQ(InstalledObjects::normalizedLineEnds(definition(QStringLiteral("Remover_acento"))),
                  InstalledObjects::normalizedLineEnds(carriedText(QStringLiteral("Remover_acento"))));
        EXPECT_EQ(real.text().contains(QStringLiteral("exclusão: falhou [3701]")), run == 0) << qPrintable(real.text());
        EXPECT_TRUE(real.text().contains(QStringLiteral("1 criação aplicada, 0 falharam")));
    }

    // Named by its object, without regard to case; the entry that only drops.
    exec(QStringLiteral("CREATE TRIGGER GNR_Inventario ON Jobs AFTER UPDATE AS SET NOCOUNT ON"));
    const Outcome drop = admin({QStringLiteral("instalar"), QStringLiteral("Matriz"), QStringLiteral("--entrada"),
                                QStringLiteral("gnr_inventario"), QStringLiteral("--yes")});
    EXPECT_EQ(drop.code, 0) << qPrintable(drop.err);
    EXPECT_TRUE(definition(QStringLiteral("GNR_Inventario")).isNull());
}

TEST_F(AdminTest, TheBatchLeavesTheShortLedgerTriggerAndAnEntryThatLeavesItsObjectMissingExitsOne)
{
    using installer::builtInText;
    using installer::pageText;
    exec(QStringLiteral("CREATE TRIGGER GNR_UP_Notas_Status ON Jobs AFTER UPDATE AS SET NOCOUNT ON"));
    server.markLog();
    const Outcome batch = admin({QStringLiteral("instalar"), QStringLiteral("Matriz"), QStringLiteral("--lote"),
                                 QStringLiteral("--yes"), QStringLiteral("--json")});
    EXPECT_EQ(batch.code, 0) << qPrintable(batch.err);
    EXPECT_EQ(
        installBatches(),
        (QStringList {"DROP FUNCTION Remover_acento\r\n", pageText("Remover_Acentos"),
                      "DROP FUNCTION First_Day_Month\r\n", pageText("First_DayMonth"),
                      "DROP trigger GNR_Etiquetas_Recebimento\r\n", logged(builtInText("GNR_Etiquetas_Recebimento")),
                      "DROP trigger [GNR_Saldo_Terceiros_NOTAS]\r\n", pageText("Saldo_Terceiros_NOTAS"),
                      "DROP PROCEDURE Evol_Invent_Kardex\r\n", logged(builtInText("Evol_Invent_Kardex")),
                      "DROP trigger [dbo].GNR_UP_Kardex_Novo\r\n", pageText("Kardex_Novo"),
                      "DROP trigger [dbo].GNR_UP_Notas_Status ", logged(builtInText("GNR_UP_Kardex_Novo"))}));
    // The page of the full version fails, as it always does; the short version stands after it.
    EXPECT_EQ(batch.json()[QStringLiteral("criacoesFalhas")].toInt(), 1);
    EXPECT_TRUE(batch.json()[QStringLiteral("ausentesAoFinal")].toArray().isEmpty());
    EXPECT_EQ(definition(QStringLiteral("GNR_UP_Kardex_Novo")), builtInText(QStringLiteral("GNR_UP_Kardex_Novo")));
    EXPECT_TRUE(definition(QStringLiteral("GNR_UP_Notas_Status")).isNull());
    EXPECT_FALSE(definition(QStringLiteral("Evol_Invent_Kardex")).isNull());

    // The full version's entry alone drops the short one and cannot create its own.
    const Outcome full = admin({QStringLiteral("instalar"), QStringLiteral("Matriz"), QStringLiteral("--entrada"),
                                QStringLiteral("GNRKardexNovo1"), QStringLiteral("--yes")});
    EXPECT_EQ(full.code, 1);
    EXPECT_TRUE(full.text().contains(QStringLiteral("O banco ficou sem o objeto: GNR_UP_Kardex_Novo")))
        << qPrintable(full.text());
    EXPECT_TRUE(definition(QStringLiteral("GNR_UP_Kardex_Novo")).isNull());
}

TEST_F(AdminTest, TheCnpjGateRefusesWithoutSendingAnythingAndBadInstallRequestsAreUsageErrors)
{
    const auto gated = [&](const char *entry, bool dryRun = false) {
        QStringList args {QStringLiteral("instalar"), QStringLiteral("Matriz"), QStringLiteral("--entrada"),
                          QLatin1String(entry)};
        args << (dryRun ? QStringLiteral("--dry-run") : QStringLiteral("--yes"));
        return admin(args);
    };
    for (const char *cnpj : {"90.817.263/0004-11", "", "11111111000111"}) {
        exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'%1' WHERE Ativa = 1").arg(QLatin1String(cnpj)));
        for (bool dryRun : {false, true}) {
            server.markLog();
            const Outcome r = gated("GNR_NEW_ContasPR", dryRun);
            EXPECT_EQ(r.code, 2) << cnpj;
            EXPECT_TRUE(r.err.contains(QStringLiteral("tem o CNPJ \"%1\": nada foi enviado").arg(QLatin1String(cnpj))))
                << qPrintable(r.err);
            // Only the active company was read (after the session's own settings).
            QStringList sent = server.batches();
            sent.removeIf([](const QString &b) { return b.startsWith(QLatin1String("SET ")); });
            EXPECT_EQ(sent, QStringList {QString::fromUtf8(DatasetTexts::OrganizacaoSQL)}) << cnpj;
        }
    }
    exec(QStringLiteral("UPDATE PessoaFJ SET CNPJ = N'41526374000197' WHERE Ativa = 1"));
    EXPECT_EQ(gated("GNR_NEW_ContasPR").code, 2);
    server.markLog();
    const Outcome admitted = gated("GNRUPContasPRVctoImpostos2");
    EXPECT_EQ(admitted.code, 0) << qPrintable(admitted.text() + admitted.err);
    EXPECT_EQ(installBatches(), (QStringList {QStringLiteral("DROP trigger [GNR_UP_RND_ITENS]\r\n"),
                                              logged(installer::builtInText(QStringLiteral("GNR_UP_RND_ITENS")))}));
    EXPECT_FALSE(definition(QStringLiteral("GNR_UP_RND_ITENS")).isNull());

    // A company the gate cannot read: the server's message, exit 1.
    exec(QStringLiteral("ALTER TABLE dbo.PessoaFJ DROP COLUMN CNPJ"));
    const Outcome unreadable = gated("GNR_NEW_ContasPR");
    EXPECT_EQ(unreadable.code, 1);
    EXPECT_TRUE(unreadable.err.contains(QLatin1String("CNPJ"))) << qPrintable(unreadable.err);

    server.markLog();
    const QString m = QStringLiteral("Matriz");
    for (const QStringList &args :
         QList<QStringList> {{QStringLiteral("instalar"), m, QStringLiteral("--yes")},
                             {QStringLiteral("instalar"), m, QStringLiteral("--lote"), QStringLiteral("--entrada"),
                              QStringLiteral("GNR_NFs"), QStringLiteral("--yes")},
                             {QStringLiteral("instalar"), m, QStringLiteral("--entrada"), QStringLiteral("Nada"),
                              QStringLiteral("--yes")},
                             {QStringLiteral("instalar"), m, QStringLiteral("--entrada"),
                              QStringLiteral("GNRDELReajusteV"), QStringLiteral("--yes")},
                             {QStringLiteral("instalar"), QStringLiteral("--lote"), QStringLiteral("--yes")},
                             {QStringLiteral("equalizar"), m, QStringLiteral("--lote"), QStringLiteral("--yes")},
                             {QStringLiteral("instalar"), m, QStringLiteral("--entrada")}}) {
        const Outcome r = admin(args);
        EXPECT_EQ(r.code, 2) << qPrintable(args.join(QLatin1Char(' ')));
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_TRUE(server.batches().isEmpty());
    const Outcome unknown = admin(
        {QStringLiteral("instalar"), m, QStringLiteral("--entrada"), QStringLiteral("Nada"), QStringLiteral("--yes")});
    EXPECT_TRUE(unknown.err.contains(QLatin1String("Entrada desconhecida: Nada"))) << qPrintable(unknown.err);
    EXPECT_TRUE(unknown.err.contains(QLatin1String("GNR_NFs")));
    const Outcome unreachable =
        admin({QStringLiteral("instalar"), QStringLiteral("Fora"), QStringLiteral("--lote"), QStringLiteral("--yes")});
    EXPECT_EQ(unreachable.code, 3);
}

// The status reads the catalogue's work from the metadata; the rehearsal sends it. On a fresh
// database, after one run (which leaves steps on tables it creates later), up to date, and
// with a column and a description taken away by hand, both count the same steps and
// descriptions, and the second run exits 0 with its refusals as already applied.
TEST_F(AdminTest, StatusFromTheMetadataCountsWhatTheRehearsalWouldDo)
{
    const auto agree = [&](const char *state) {
        const QJsonObject status =
            plantOf(admin({QStringLiteral("status"), QStringLiteral("Matriz"), QStringLiteral("--json")}).json(),
                    QStringLiteral("Matriz"))[QStringLiteral("catalogo")]
                .toObject();
        const QJsonObject dry = admin({QStringLiteral("equalizar"), QStringLiteral("Matriz"),
                                       QStringLiteral("--dry-run"), QStringLiteral("--json")})
                                    .json();
        QList<int> applied;
        int descriptions = 0;
        for (const QJsonValue &v : dry[QStringLiteral("passos")].toArray()) {
            const QJsonObject step = v.toObject();
            descriptions += step[QStringLiteral("descricoesGravadas")].toInt();
            if (step[QStringLiteral("resultado")].toString() == QLatin1String("aplicado"))
                applied << step[QStringLiteral("passo")].toInt();
        }
        QList<int> pending;
        for (const QJsonValue &v : status[QStringLiteral("passosPendentesLista")].toArray())
            pending << v.toInt();
        for (int n : pending)
            EXPECT_TRUE(applied.contains(n)) << state << ": step " << n;
        EXPECT_EQ(pending.size() + status[QStringLiteral("passosRepetidos")].toInt(), applied.size()) << state;
        EXPECT_EQ(status[QStringLiteral("descricoesPendentes")].toInt(), descriptions) << state;
        return pending.size();
    };
    EXPECT_GT(agree("fresh"), 70);
    const Outcome first = admin({QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--yes")});
    EXPECT_EQ(first.code, 0) << qPrintable(first.err);
    EXPECT_EQ(agree("after one run"), 2);
    const Outcome second = admin({QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--yes")});
    EXPECT_EQ(second.code, 0) << qPrintable(second.text());
    EXPECT_TRUE(second.text().contains(QStringLiteral("(relatado): já aplicado [2714]")));
    EXPECT_TRUE(second.text().contains(QStringLiteral("(silencioso): já aplicado [2705]")));
    EXPECT_EQ(agree("up to date"), 0);
    exec(QStringLiteral("ALTER TABLE dbo.NatFiscal DROP CONSTRAINT DF_NatFiscal_ItemNF"));
    exec(QStringLiteral("ALTER TABLE dbo.NatFiscal DROP COLUMN eItemNF"));
    exec(QStringLiteral("EXECUTE sp_dropextendedproperty 'MS_Description', 'user', dbo, 'table', 'cClassTrib', "
                        "'column', 'CCT'"));
    EXPECT_EQ(agree("one column and one description taken away"), 1);
}

// A statement slowed by a waiting trigger passes --timeout: the driver cancels it, the run
// ends at its step with exit 1, and the rehearsal's transaction is rolled back.
TEST_F(AdminTest, AStatementPastTheTimeoutEndsTheRunAndTheRehearsalIsUndone)
{
    exec(QStringLiteral("CREATE TRIGGER Espera ON IPI AFTER UPDATE AS WAITFOR DELAY '00:00:06'"));
    const QStringList before = schema();
    const Outcome dry = admin({QStringLiteral("equalizar"), QStringLiteral("Matriz"), QStringLiteral("--dry-run"),
                               QStringLiteral("--timeout"), QStringLiteral("2"), QStringLiteral("--json")});
    EXPECT_EQ(dry.code, 1) << qPrintable(dry.err);
    EXPECT_TRUE(dry.json()[QStringLiteral("tempoEsgotado")].toBool());
    EXPECT_EQ(dry.json()[QStringLiteral("paradaNoPasso")].toInt(), 14);
    EXPECT_TRUE(dry.json()[QStringLiteral("desfeito")].toBool());
    EXPECT_EQ(schema(), before);
    const Outcome bad = admin({QStringLiteral("status"), QStringLiteral("--timeout"), QStringLiteral("dois")});
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(bad.err.contains(QLatin1String("--timeout"))) << qPrintable(bad.err);
}

// A read of the command waits on another station's open transaction on Jobs (its UPDATE holds
// the row until it ends): the driver cancels the read at the command's timeout and the failure
// says so. The session is open before the station's transaction begins, as a command's is when
// it reads.
TEST_F(AdminTest, AReadWaitingPastTheTimeoutIsCancelledAndSaysSo)
{
    PlantProfile profile;
    profile.server = server.address();
    profile.database = QStringLiteral("ORVO");
    profile.userSql = QStringLiteral("orvo");
    profile.passwordSql = QStringLiteral("orvo");
    PlantSession session(profile, 1);
    ASSERT_TRUE(session.open()) << qPrintable(session.error());
    std::atomic<bool> connected {false};
    QString stationError;
    std::thread station([&] {
        try {
            Connection c;
            c.setConnectionString(profile.connectionString());
            c.open();
            connected = true;
            Command command;
            command.setConnection(&c);
            command.execute(QStringLiteral("BEGIN TRANSACTION UPDATE Jobs SET Estado = Estado "
                                           "WAITFOR DELAY '00:00:05' ROLLBACK TRANSACTION"));
            c.close();
        } catch (const DbError &e) {
            stationError = e.message();
            connected = true;
        }
    });
    while (!connected)
        QThread::msleep(20);
    QThread::msleep(500); // the station's batch reaches the server and holds Jobs
    const PlantReader reader = session.reader();
    QString failure;
    try {
        reader.read(QString::fromUtf8(DatasetTexts::JobSQL));
    } catch (const DbError &e) {
        failure = reader.failure(e);
    }
    station.join();
    EXPECT_TRUE(stationError.isEmpty()) << qPrintable(stationError);
    EXPECT_TRUE(failure.startsWith(QStringLiteral("a leitura passou de 1 s e foi cancelada"))) << qPrintable(failure);
}

// The conference's master-unit inserts: one refused is reported and the run goes on, as the
// window's does, but the command exits 1; one past --timeout ends the run there with exit 1.
TEST_F(AdminTest, ConferenceReportsEveryMasterUnitItCouldNotRegister)
{
    QTemporaryDir readers;
    QFile::copy(StandinServer::fixturesDir() + QStringLiteral("/reader/exemplo.txt"),
                readers.filePath(QStringLiteral("a.txt")));
    const QString units = QStringLiteral("SELECT COUNT(*) FROM Etq_MasterUD WHERE Cod128 LIKE '999999-00%'");
    const struct
    {
        const char *setUp, *tearDown, *timeout;
        const char *said, *labels;
    } cases[] = {
        // Refused: said with the server's message; the run goes on to its end.
        {"CREATE TRIGGER Recusa ON dbo.Etq_MasterUD AFTER INSERT AS THROW 50001, 'Unidade recusada', 1",
         "DROP TRIGGER Recusa", "60", "Unidade master não registrada, a inclusão falhou: [50001] Unidade recusada",
         "5 etiquetas de nota, 0 unidades master registradas, 3 inclusões de unidade recusadas"},
        // Past the timeout: the run ends at the first master unit, before any label.
        {"CREATE TRIGGER Espera ON dbo.Etq_MasterUD AFTER INSERT AS WAITFOR DELAY '00:00:06'", "DROP TRIGGER Espera",
         "1", "A instrução passou de 1 s e foi cancelada; a conferência parou ali: INSERT INTO Etq_MasterUD",
         "0 etiquetas de nota, 0 unidades master registradas, 0 inclusões de unidade recusadas"},
    };
    for (const auto &t : cases) {
        exec(QLatin1String(t.setUp));
        const QStringList before = rows(units);
        const Outcome run = admin({QStringLiteral("conferir"), QStringLiteral("Matriz"), readers.path(),
                                   QStringLiteral("--yes"), QStringLiteral("--timeout"), QLatin1String(t.timeout)});
        EXPECT_EQ(run.code, 1) << t.setUp << qPrintable(run.err);
        EXPECT_TRUE(run.text().contains(QString::fromUtf8(t.said))) << t.setUp << "\n" << qPrintable(run.text());
        EXPECT_TRUE(run.text().contains(QString::fromUtf8(t.labels))) << t.setUp;
        EXPECT_EQ(rows(units), before) << t.setUp;
        exec(QLatin1String(t.tearDown));
    }
}

// Two demo plants are equal; a column changed, a trigger disabled and a user's rights changed on
// one of them are exactly the three differences, read without changing anything. A function of
// another text, an index of one plant only and a primary key in the other direction are three more.
TEST_F(AdminTest, ComparisonOfTwoPlantsReportsExactlyWhatWasChanged)
{
    for (const char *plant : {"Matriz", "Filial"})
        ASSERT_EQ(
            admin({QStringLiteral("instalar"), QLatin1String(plant), QStringLiteral("--lote"), QStringLiteral("--yes")})
                .code,
            0);
    const QStringList ab {QStringLiteral("comparar"), QStringLiteral("Matriz"), QStringLiteral("Filial")};
    const Outcome same = admin(ab);
    EXPECT_EQ(same.code, 0) << qPrintable(same.text() + same.err);
    EXPECT_TRUE(same.text().contains(QStringLiteral("As plantas Matriz e Filial são iguais ..!")));

    const QString b = QStringLiteral("ORVO_B");
    exec(QStringLiteral("ALTER TABLE dbo.Jobs ALTER COLUMN RespFT nvarchar(60) NULL"), b);
    exec(QStringLiteral("DISABLE TRIGGER GNR_Saldo_Terceiros_NOTAS ON dbo.Notas"), b);
    const QString flags = rows(QStringLiteral("SELECT ComprasFLAGS FROM Usuarios WHERE Registro = N'0001'")).value(0);
    ASSERT_TRUE(flags.startsWith(QLatin1Char('S')));
    exec(QStringLiteral("UPDATE Usuarios SET ComprasFLAGS = '0' + SUBSTRING(ComprasFLAGS, 2, 29) WHERE Registro = "
                        "N'0001'"),
         b);
    server.markLog();
    const Outcome differ = admin(ab + QStringList {QStringLiteral("--json")});
    EXPECT_EQ(differ.code, 1) << qPrintable(differ.err);
    const QStringList settings = sessionSettings();
    for (const QString &sent : server.batches())
        EXPECT_TRUE(sent.startsWith(QLatin1String("SELECT ")) || settings.contains(sent)) << qPrintable(sent);

    QStringList found;
    const QJsonObject sections = differ.json()[QStringLiteral("secoes")].toObject();
    for (auto it = sections.begin(); it != sections.end(); ++it)
        for (const QJsonValue &v : it.value().toObject()[QStringLiteral("diferencas")].toArray()) {
            const QJsonObject d = v.toObject();
            QStringList keys = d.keys();
            keys.removeAll(QStringLiteral("a"));
            keys.removeAll(QStringLiteral("b"));
            keys.removeAll(QStringLiteral("primeiraLinhaDiferente"));
            QStringList parts {it.key()};
            for (const QString &k : keys)
                parts << d[k].toString();
            found << parts.join(QLatin1Char('|'))
                         + QStringLiteral(" %1 -> %2")
                               .arg(d[QStringLiteral("a")].toString(), d[QStringLiteral("b")].toString());
        }
    const QString name = rows(QStringLiteral("SELECT Nome FROM Usuarios WHERE Registro = N'0001'")).value(0);
    EXPECT_EQ(found, (QStringList {
                         QStringLiteral("colunas|RespFT|Jobs nvarchar(50) NULL -> nvarchar(60) NULL"),
                         QStringLiteral("objetos|GNR_Saldo_Terceiros_NOTAS|trigger ativo -> desativado"),
                         QStringLiteral("usuarios|ComprasFLAGS|%1|0001 %2 -> 0%3")
                             .arg(name, flags.trimmed(), flags.trimmed().mid(1)),
                     }))
        << qPrintable(differ.text());

    exec(QStringLiteral("DROP FUNCTION First_Day_Month"), b);
    QString text = installer::carriedText(QStringLiteral("First_Day_Month"));
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    ASSERT_GT(lineEnd, 0);
    exec(text.insert(lineEnd + 1, QStringLiteral("-- outra versão\r\n")), b);
    exec(QStringLiteral("CREATE INDEX IX_Jobs_RespFT ON dbo.Jobs (RespFT DESC) INCLUDE (DataFT)"), b);
    exec(QStringLiteral("ALTER TABLE dbo.Municipios DROP CONSTRAINT PK_Municipios"), b);
    exec(QStringLiteral("ALTER TABLE dbo.Municipios ADD CONSTRAINT PK_Municipios PRIMARY KEY (MUN_IBGE DESC)"), b);
    const Outcome shown = admin(ab);
    EXPECT_TRUE(shown.text().contains(QStringLiteral("Índices: 1 diferença\n")));
    // A key in the other direction is another key.
    EXPECT_TRUE(shown.text().contains(QRegularExpression(
        QStringLiteral("\n  Municipios\\s+PK_Municipios\\s+PK \\(MUN_IBGE\\)\\s+PK \\(MUN_IBGE DESC\\)\n"))))
        << qPrintable(shown.text());
    EXPECT_TRUE(shown.text().contains(QRegularExpression(QStringLiteral(
        "\n  Jobs\\s+IX_Jobs_RespFT\\s+ausente\\s+NONCLUSTERED \\(RespFT DESC\\) INCLUDE \\(DataFT\\)\n"))))
        << qPrintable(shown.text());
    static const QRegularExpression blanks(QStringLiteral("\\s{2,}"));
    QStringList objects;
    for (const QString &line :
         shown.text().section(QStringLiteral("Objetos instalados: "), 1).split(QLatin1Char('\n')).mid(3))
        if (line.startsWith(QLatin1String("  ")))
            objects << line.trimmed().split(blanks).join(QLatin1Char('|'));
        else
            break;
    EXPECT_EQ(
        objects,
        (QStringList {QStringLiteral("First_Day_Month|função|difere a partir da linha 2|difere a partir da linha 2"),
                      QStringLiteral("GNR_Saldo_Terceiros_NOTAS|trigger|ativo|desativado")}))
        << qPrintable(shown.text());
    EXPECT_TRUE(shown.text().contains(QStringLiteral("As plantas Matriz e Filial diferem em 6 pontos ..!")));
}

TEST_F(AdminTest, HelpOnEveryLevel)
{
    const Outcome general = admin({QStringLiteral("--help")}, false);
    EXPECT_EQ(general.code, 0);
    for (const char *command :
         {"plantas", "status", "equalizar", "sem-acento", "instalar", "chave", "exportar-usuario", "conferir"}) {
        EXPECT_TRUE(general.text().contains(QLatin1String(command))) << command;
        const Outcome one = admin({QString::fromLatin1(command), QStringLiteral("--help")}, false);
        EXPECT_EQ(one.code, 0);
        EXPECT_TRUE(one.text().startsWith(QStringLiteral("Uso: orvo-admin %1").arg(QLatin1String(command)))) << command;
    }
}

} // namespace
