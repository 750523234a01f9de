// The statement corpus of the maintenance runs: the texts come from the application's
// catalogues, the expected outcome of each statement on SQL Server from one line per
// statement with the answer of the first and of the second run (*.expect beside the other
// statement files). Both runs go on over failing statements, as the runs of the tool do.
#include "RunStatements.h"
#include "maintenance/Catalogue.h"
#include "standin/Engine.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace standin;

namespace {

QString readFixture(const QString &name)
{
    QFile f(QStringLiteral(ORVO_SOURCE_DIR "/standin/fixtures/") + name);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

struct Expectation
{
    QString id;
    QString run[2]; // "ok", "ok rows N", "error", "error NNN"
};

QList<Expectation> readExpectations(const QString &name)
{
    QList<Expectation> out;
    for (const QString &line : readFixture(QStringLiteral("statements/") + name).split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        EXPECT_EQ(cells.size(), 3) << line.toStdString();
        if (cells.size() == 3)
            out.append({cells[0], {cells[1], cells[2]}});
    }
    return out;
}

class CatalogueCorpus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"ORVO", "Vuzur", "zAraradovi"})
            ASSERT_TRUE(engine.createDatabase(QString::fromLatin1(name)));
        load("ORVO", "orvo-base.sql");
        load("ORVO", "orvo-demo.sql");
        load("Vuzur", "sister.sql");
        load("zAraradovi", "sister.sql");
        session = engine.openSession(QStringLiteral("sa"), QStringLiteral("estacao01"), QStringLiteral("ORVO"));
        ASSERT_TRUE(session);
    }

    void load(const char *database, const char *file)
    {
        auto s = engine.openSession(QStringLiteral("sa"), QStringLiteral("setup"), QString::fromLatin1(database));
        ASSERT_TRUE(s);
        const QString script = readFixture(QString::fromLatin1(file));
        ASSERT_FALSE(script.isEmpty()) << file;
        for (const auto &st : engine.executeScript(*s, script).statements)
            for (const auto &m : st.messages)
                ASSERT_LE(m.severity, 10) << file << ": " << m.number << " " << m.text.toStdString();
    }

    void runTwice(const QList<SchemaStep> &steps, const char *expectFile)
    {
        const QList<RunStatement> statements = runStatements(steps);
        const QList<Expectation> expected = readExpectations(QString::fromLatin1(expectFile));
        QStringList ids, expectedIds;
        for (const RunStatement &s : statements)
            ids << s.id;
        for (const Expectation &e : expected)
            expectedIds << e.id;
        // One expectation per statement, in the order the run sends them.
        ASSERT_EQ(ids, expectedIds) << expectFile;
        for (int run = 0; run < 2; ++run)
            for (int i = 0; i < statements.size(); ++i)
                check(statements[i], expected[i].run[run],
                      QStringLiteral("%1 run %2, %3")
                          .arg(QString::fromLatin1(expectFile))
                          .arg(run + 1)
                          .arg(statements[i].id));
    }

    void check(const RunStatement &st, const QString &expect, const QString &where)
    {
        BatchResult r = engine.execute(*session, st.text);
        const ServerMessage *firstError = nullptr;
        int64_t count = -1;
        for (const auto &s : r.statements) {
            if (s.rowCount >= 0)
                count = s.rowCount;
            for (const auto &m : s.messages)
                if (m.severity > 10 && !firstError)
                    firstError = &m;
        }
        const std::string at = where.toStdString() + ": " + st.text.left(160).toStdString();
        const QStringList words = expect.split(QLatin1Char(' '));
        if (words[0] == QLatin1String("ok")) {
            EXPECT_EQ(firstError, nullptr) << at << "\n  got " << (firstError ? firstError->number : 0) << " "
                                           << (firstError ? firstError->text.toStdString() : std::string());
            if (words.size() == 3 && !firstError) {
                EXPECT_EQ(count, words[2].toLongLong()) << at;
            }
        } else {
            ASSERT_EQ(words[0], QLatin1String("error")) << at;
            ASSERT_NE(firstError, nullptr) << at << "\n  expected " << expect.toStdString();
            if (words.size() == 2) {
                EXPECT_EQ(firstError->number, words[1].toInt()) << at << "\n  got " << firstError->text.toStdString();
            }
        }
    }

    Engine engine;
    std::unique_ptr<Session> session;
};

} // namespace

TEST_F(CatalogueCorpus, SchemaEqualizationTwiceBehavesAsOnSqlServer)
{
    runTwice(schemaCatalogue(), "catalogue.expect");
}

TEST_F(CatalogueCorpus, MirrorRunTwiceBehavesAsOnSqlServer)
{
    runTwice(mirrorCatalogue(), "mirror.expect");
}
