// The statement texts the tool sends, run against the ORVO fixture database: every statement
// must succeed or fail exactly as the corpus records for SQL Server.
#include "EngineTestSupport.h"

#include <QDir>
#include <QFile>

namespace standin::test {
namespace {

QString fixturePath(const QString& name)
{
    return QStringLiteral(ORVO_SOURCE_DIR "/standin/fixtures/") + name;
}

QString readFixture(const QString& name)
{
    QFile f(fixturePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

struct CorpusStatement {
    QString text;
    QString expect;  // "ok", "error", "error NNN"
    int rows = -1;
    int line = 0;
};

// Batches separated by GO lines; leading "-- " comment lines carry the expectations. Line ends
// inside a statement are kept as they are.
std::vector<CorpusStatement> readCorpus(const QString& content)
{
    std::vector<CorpusStatement> out;
    const QStringList lines = content.split(QLatin1Char('\n'));
    CorpusStatement current;
    QStringList body;
    bool inComments = true;
    int lineNo = 0;
    auto flush = [&] {
        if (!current.expect.isEmpty()) {
            current.text = body.join(QLatin1Char('\n'));
            out.push_back(current);
        }
        current = CorpusStatement{};
        body.clear();
        inComments = true;
    };
    for (const QString& raw : lines) {
        ++lineNo;
        QString line = raw;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line == QLatin1String("GO")) {
            flush();
            continue;
        }
        if (inComments && (line.startsWith(QLatin1String("-- ")) || line.trimmed().isEmpty() || line == QLatin1String("--"))) {
            if (line.startsWith(QLatin1String("-- expect: ")))
                current.expect = line.mid(11).trimmed();
            else if (line.startsWith(QLatin1String("-- rows: ")))
                current.rows = line.mid(9).trimmed().toInt();
            continue;
        }
        if (inComments)
            current.line = lineNo;
        inComments = false;
        body << raw;
    }
    flush();
    return out;
}

class FixtureCorpus : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        for (const char* name : {"ORVO", "Vuzur", "zAraradovi"})
            ASSERT_TRUE(engine.createDatabase(QString::fromLatin1(name)));
        loadScript("ORVO", "orvo-base.sql");
        loadScript("ORVO", "orvo-demo.sql");
        loadScript("Vuzur", "sister.sql");
        loadScript("zAraradovi", "sister.sql");
        session = engine.openSession("sa", "estacao01", "ORVO");
        ASSERT_TRUE(session);
    }

    void loadScript(const QString& database, const QString& file)
    {
        auto s = engine.openSession("sa", "setup", database);
        ASSERT_TRUE(s);
        const QString script = readFixture(file);
        ASSERT_FALSE(script.isEmpty()) << file.toStdString();
        BatchResult r = engine.executeScript(*s, script);
        for (const auto& st : r.statements)
            for (const auto& m : st.messages)
                ASSERT_LE(m.severity, 10) << file.toStdString() << ": " << m.number << " " << m.text.toStdString();
    }

    Engine engine;
    std::unique_ptr<Session> session;
};

TEST_P(FixtureCorpus, EveryStatementBehavesAsOnSqlServer)
{
    const QString file = QStringLiteral("statements/") + QString::fromLatin1(GetParam());
    const auto statements = readCorpus(readFixture(file));
    ASSERT_FALSE(statements.empty()) << file.toStdString();
    for (const CorpusStatement& st : statements) {
        BatchResult r = engine.execute(*session, st.text);
        const ServerMessage* firstError = nullptr;
        for (const auto& s : r.statements)
            for (const auto& m : s.messages)
                if (m.severity > 10 && !firstError)
                    firstError = &m;
        const std::string where = file.toStdString() + ":" + std::to_string(st.line) + ": " + st.text.left(160).toStdString();
        if (st.expect == QLatin1String("ok")) {
            EXPECT_EQ(firstError, nullptr) << where << "\n  got " << (firstError ? firstError->number : 0) << " "
                                           << (firstError ? firstError->text.toStdString() : std::string());
            if (st.rows >= 0 && !firstError) {
                int64_t count = -1;
                for (const auto& s : r.statements)
                    if (s.rowCount >= 0)
                        count = s.rowCount;
                EXPECT_EQ(count, st.rows) << where;
            }
        } else {
            ASSERT_TRUE(st.expect.startsWith(QLatin1String("error"))) << where;
            EXPECT_NE(firstError, nullptr) << where << "\n  expected " << st.expect.toStdString();
            const QString number = st.expect.mid(5).trimmed();
            if (firstError && !number.isEmpty()) {
                EXPECT_EQ(firstError->number, number.toInt()) << where << "\n  got " << firstError->text.toStdString();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Statements, FixtureCorpus,
                         // The catalogue and mirror texts are the application's own: tests/maintenance runs them
                         // against catalogue.expect and mirror.expect.
                         ::testing::Values("connect.sql", "users.sql", "users-extended.sql", "switch.sql",
                                           "conference.sql", "conference-errors.sql", "schema-steps.sql",
                                           "procedural.sql", "binding.sql", "catalog-views.sql", "window.sql",
                                           "builtins.sql", "validations.sql", "temp.sql",
                                           "index-hints-cultures.sql"),
                         [](const auto &info) {
                             std::string n = info.param;
                             n = n.substr(0, n.find('.'));
                             for (char& c : n)
                                 if (c == '-')
                                     c = '_';
                             return n;
                         });

}  // namespace
}  // namespace standin::test
